#include "platform/FileIo.h"

#include "platform/posix/FileKindPosix.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velarium::platform {
namespace {

// Dirty pages are pushed to the disk in steps of this size while the file is written.
constexpr std::uint64_t kWritebackStep = 8u << 20;

} // namespace

InputFile::InputFile(const std::filesystem::path& path) : path_(path)
{
    handle_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (handle_ < 0) {
        throw SystemError("Impossibile aprire il file", path, errno);
    }
    ::posix_fadvise(handle_, 0, 0, POSIX_FADV_SEQUENTIAL);
}

InputFile::~InputFile()
{
    if (handle_ >= 0) {
        ::close(handle_);
    }
}

std::size_t InputFile::read(std::span<std::byte> buffer)
{
    std::size_t filled = 0;
    while (filled < buffer.size()) {
        const ssize_t n = ::read(handle_, buffer.data() + filled, buffer.size() - filled);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw SystemError("Errore di lettura dal file", path_, errno);
        }
        if (n == 0) {
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    return filled;
}

OutputFile::OutputFile(const std::filesystem::path& path) : path_(path)
{
    // Never through a link, and emptied only once it is known to be a plain file with no other
    // name: emptying a file that some other name shares would destroy that one too.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) {
        throw SystemError("Impossibile creare il file", path, errno);
    }
    handle_ = fd;
    struct stat st
    {
    };
    try {
        if (::fstat(fd, &st) != 0) {
            throw SystemError("Impossibile creare il file", path, errno);
        }
        if (!S_ISREG(st.st_mode) || st.st_nlink > 1) {
            throw Error("Impossibile creare il file '" + path.string() +
                        "': il nome è già di un altro file");
        }
        if (::ftruncate(fd, 0) != 0) {
            throw SystemError("Impossibile creare il file", path, errno);
        }
    } catch (...) {
        ::close(fd);
        handle_ = -1;
        throw;
    }
}

OutputFile::~OutputFile()
{
    if (handle_ >= 0) {
        ::close(handle_);
    }
}

void OutputFile::write(std::span<const std::byte> data)
{
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(handle_, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw SystemError("Errore di scrittura nel file", path_, errno);
        }
        done += static_cast<std::size_t>(n);
    }
    written_ += data.size();
}

void OutputFile::startWriteback()
{
    // Start writing the newest step, and wait for the one before it: the amount of dirty data
    // stays bounded and the final sync has at most two steps left to write.
    while (written_ - flushed_ >= kWritebackStep) {
        ::sync_file_range(handle_, static_cast<off_t>(flushed_), kWritebackStep,
                          SYNC_FILE_RANGE_WRITE);
        if (flushed_ >= kWritebackStep) {
            const auto previous = flushed_ - kWritebackStep;
            ::sync_file_range(handle_, static_cast<off_t>(previous), kWritebackStep,
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                  SYNC_FILE_RANGE_WAIT_AFTER);
            ::posix_fadvise(handle_, static_cast<off_t>(previous), kWritebackStep,
                            POSIX_FADV_DONTNEED);
        }
        flushed_ += kWritebackStep;
    }
}

void OutputFile::sync()
{
    if (::fdatasync(handle_) != 0) {
        throw SystemError("Errore di scrittura su disco del file", path_, errno);
    }
}

void OutputFile::close()
{
    const int fd = handle_;
    handle_ = -1;
    if (fd >= 0 && ::close(fd) != 0) {
        throw SystemError("Errore di chiusura del file", path_, errno);
    }
}

std::optional<std::string> readFileStart(const std::filesystem::path& path, std::size_t limit)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    const struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st
    {
    };
    if (::fstat(fd, &st) != 0) {
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
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw SystemError("Errore di lettura dal file", path, errno);
        }
        if (n == 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    return bytes;
}

} // namespace velarium::platform
