#include "platform/FileIo.h"

#include "platform/posix/FileKindPosix.h"
#include "platform/posix/UniqueFd.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace velarium::platform {
namespace {

// Dirty pages are pushed to the disk in steps of this size while the file is written.
constexpr std::uint64_t kWritebackStep = 8u << 20;

} // namespace

struct InputFile::Native
{
    UniqueFd fd;
};

struct OutputFile::Native
{
    UniqueFd fd;
};

InputFile::InputFile(const std::filesystem::path& path) : path_(path)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        throw SystemError("Impossibile aprire il file", path, errno);
    }
    ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    native_ = std::make_unique<Native>(Native{std::move(fd)});
}

InputFile::~InputFile() = default;

std::size_t InputFile::read(std::span<std::byte> buffer)
{
    return readFull(native_->fd.get(), buffer, path_);
}

OutputFile::OutputFile(const std::filesystem::path& path) : path_(path)
{
    // Never through a link, and emptied only once it is known to be a plain file with no other
    // name: emptying a file that some other name shares would destroy that one too.
    UniqueFd fd(
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600));
    if (!fd) {
        throw SystemError("Impossibile creare il file", path, errno);
    }
    struct stat st
    {
    };
    if (::fstat(fd.get(), &st) != 0) {
        throw SystemError("Impossibile creare il file", path, errno);
    }
    if (!S_ISREG(st.st_mode) || st.st_nlink > 1) {
        throw Error("Impossibile creare il file '" + path.string() +
                    "': il nome è già di un altro file");
    }
    if (::ftruncate(fd.get(), 0) != 0) {
        throw SystemError("Impossibile creare il file", path, errno);
    }
    native_ = std::make_unique<Native>(Native{std::move(fd)});
}

OutputFile::~OutputFile() = default;

void OutputFile::write(std::span<const std::byte> data)
{
    writeAll(native_->fd.get(), data, path_);
    written_ += data.size();
}

void OutputFile::startWriteback()
{
    const int fd = native_->fd.get();
    // Start writing the newest step, and wait for the one before it: the amount of dirty data
    // stays bounded and the final sync has at most two steps left to write.
    while (written_ - flushed_ >= kWritebackStep) {
        ::sync_file_range(fd, static_cast<off_t>(flushed_), kWritebackStep, SYNC_FILE_RANGE_WRITE);
        if (flushed_ >= kWritebackStep) {
            const auto previous = flushed_ - kWritebackStep;
            ::sync_file_range(fd, static_cast<off_t>(previous), kWritebackStep,
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                  SYNC_FILE_RANGE_WAIT_AFTER);
            ::posix_fadvise(fd, static_cast<off_t>(previous), kWritebackStep, POSIX_FADV_DONTNEED);
        }
        flushed_ += kWritebackStep;
    }
}

void OutputFile::sync()
{
    if (::fdatasync(native_->fd.get()) != 0) {
        throw SystemError("Errore di scrittura su disco del file", path_, errno);
    }
}

void OutputFile::close()
{
    if (!native_->fd.reset()) {
        throw SystemError("Errore di chiusura del file", path_, errno);
    }
}

std::optional<std::string> readFileStart(const std::filesystem::path& path, std::size_t limit)
{
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd) {
        return std::nullopt;
    }
    struct stat st
    {
    };
    if (::fstat(fd.get(), &st) != 0) {
        throw SystemError("Impossibile leggere il file", path, errno);
    }
    if (S_ISDIR(st.st_mode)) {
        throw SystemError("Impossibile leggere il file", path, EISDIR);
    }
    if (!S_ISREG(st.st_mode)) {
        throw Error("Impossibile leggere il file '" + path.string() + "': " + kindOf(st.st_mode));
    }
    // One byte more than the size, when the limit allows, shows a file that grew meanwhile.
    std::string bytes(std::min<std::uint64_t>(static_cast<std::uint64_t>(st.st_size) + 1, limit),
                      '\0');
    bytes.resize(readFull(fd.get(), std::as_writable_bytes(std::span(bytes)), path));
    return bytes;
}

} // namespace velarium::platform
