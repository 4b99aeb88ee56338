#include "platform/SharedFile.h"

#include "platform/posix/FileKindPosix.h"
#include "platform/posix/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace velarium::platform {
namespace {

// Waits for a lock that `attempt` tries to take (0 when taken, otherwise the errno of the
// refusal): only a lock held by someone else is waited for.
template <typename Attempt> void takeLock(Attempt attempt, const std::filesystem::path& path)
{
    waitForLock(
        [&] {
            const int refusal = attempt();
            if (refusal != 0 && refusal != EINTR && refusal != EWOULDBLOCK && refusal != EAGAIN &&
                refusal != EACCES) {
                throw SystemError("Impossibile riservare il file", path, refusal);
            }
            return refusal == 0;
        },
        path);
}

// Held shared for one read and exclusive for one write, on the whole file. The system copies a
// write into its cache piece by piece, and a read out of it likewise: without the lock a reader
// can get the start of one write with the end of another, a card made of two.
class AccessLock
{
public:
    AccessLock(const UniqueFd& file, int mode, const std::filesystem::path& path) : file_(file)
    {
        takeLock([&] { return ::flock(file_.get(), mode | LOCK_NB) == 0 ? 0 : errno; }, path);
    }
    ~AccessLock() { ::flock(file_.get(), LOCK_UN); }
    AccessLock(const AccessLock&) = delete;
    AccessLock& operator=(const AccessLock&) = delete;

private:
    const UniqueFd& file_;
};

// The exclusive section's lock: one byte far beyond any data, a lock of another kind than the
// one above so that the two never wait for each other, and of the open file rather than of the
// process, so that two openers in one program exclude each other as two programs do.
struct flock sectionRange(short type)
{
    struct flock range
    {
    };
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = std::numeric_limits<off_t>::max() - 1;
    range.l_len = 1;
    return range;
}

// Whatever the path names is opened without waiting: a pipe would keep a reader waiting for a
// writer, and the caller refuses anything but a regular file before it reads a byte. Without
// O_NOCTTY a terminal would become the program's own.
constexpr int kOpenFlags = O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

bool folderExists(const std::filesystem::path& path)
{
    const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
    struct stat st
    {
    };
    return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Whether the path is a symbolic link that leads to no file.
bool danglingLink(const std::filesystem::path& path)
{
    struct stat entry
    {
    }, pointed{};
    return ::lstat(path.c_str(), &entry) == 0 && S_ISLNK(entry.st_mode) &&
           ::stat(path.c_str(), &pointed) != 0;
}

// The descriptor of the file at `path`; none when nothing is there and nothing is to be created.
UniqueFd openOrCreate(const std::filesystem::path& path, SharedFile::Access access, bool create)
{
    const int mode = access == SharedFile::Access::Read ? O_RDONLY : O_RDWR;
    // Another program may create the file between the two calls below, or remove it: a few
    // rounds settle it.
    for (int round = 0;; ++round) {
        UniqueFd fd(::open(path.c_str(), mode | kOpenFlags));
        if (fd) {
            return fd;
        }
        if (errno != ENOENT) {
            throw SystemError("Impossibile aprire il file", path, errno);
        }
        if (!create) {
            if (folderExists(path)) {
                return UniqueFd();
            }
            throw SystemError("Impossibile aprire il file", path, ENOENT);
        }
        // O_EXCL refuses a name that exists in any form, a link above all: creating through a
        // link that leads nowhere would make a file wherever it points. Without O_TRUNC.
        UniqueFd created(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | kOpenFlags, 0644));
        if (created) {
            return created;
        }
        const int code = errno;
        if (code == EEXIST && danglingLink(path)) {
            throw Error("Impossibile creare il file '" + path.string() +
                        "': è un collegamento simbolico a un file inesistente");
        }
        if (code != EEXIST || round == 2) {
            throw SystemError("Impossibile aprire il file", path, code);
        }
    }
}

} // namespace

struct SharedFile::Native
{
    UniqueFd fd;
};

SharedFile::SharedFile(Opening, const std::filesystem::path& path, Access access, bool create)
    : path_(path), access_(access)
{
    UniqueFd fd = openOrCreate(path, access, create);
    if (!fd) {
        return;
    }
    struct stat st
    {
    };
    if (::fstat(fd.get(), &st) != 0) {
        throw SystemError("Impossibile leggere le proprietà del file", path, errno);
    }
    // Only a reader opens a folder at all.
    if (S_ISDIR(st.st_mode)) {
        throw SystemError("Impossibile aprire il file", path, EISDIR);
    }
    if (!S_ISREG(st.st_mode)) {
        throw Error("Impossibile aprire il file '" + path.string() + "': " + kindOf(st.st_mode));
    }
    // The superuser may open anything; a file marked read-only stays untouched all the same.
    if (access == Access::ReadWrite && (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        throw SystemError("File di sola lettura", path, EACCES);
    }
    native_ = std::make_unique<Native>(Native{std::move(fd)});
}

SharedFile::~SharedFile() = default;

std::uint64_t SharedFile::size() const
{
    struct stat st
    {
    };
    if (::fstat(native_->fd.get(), &st) != 0) {
        throw SystemError("Impossibile leggere la lunghezza del file", path_, errno);
    }
    return static_cast<std::uint64_t>(st.st_size);
}

void SharedFile::readAt(std::uint64_t offset, std::span<std::byte> buffer) const
{
    const AccessLock lock(native_->fd, LOCK_SH, path_);
    if (readFullAt(native_->fd.get(), offset, buffer, path_) < buffer.size()) {
        throw SystemError("Il file è più corto del previsto", path_, EIO);
    }
}

void SharedFile::writeAt(std::uint64_t offset, std::span<const std::byte> data)
{
    const AccessLock lock(native_->fd, LOCK_EX, path_);
    // One call, never a loop over parts: a reader must see the write whole or not at all.
    const ssize_t n = retryInterrupted([&] {
        return ::pwrite(native_->fd.get(), data.data(), data.size(), static_cast<off_t>(offset));
    });
    written_ = true;
    if (n < 0) {
        throw SystemError("Errore di scrittura nel file", path_, errno);
    }
    if (static_cast<std::size_t>(n) != data.size()) {
        throw SystemError("Scrittura incompleta nel file", path_, ENOSPC);
    }
}

void SharedFile::truncate(std::uint64_t length)
{
    const int result = retryInterrupted(
        [&] { return ::ftruncate(native_->fd.get(), static_cast<off_t>(length)); });
    written_ = true;
    if (result != 0) {
        throw SystemError("Impossibile riportare il file alla lunghezza precedente", path_, errno);
    }
}

void SharedFile::close()
{
    UniqueFd& fd = native_->fd;
    if (!fd) {
        return;
    }
    const bool synced = !written_ || ::fdatasync(fd.get()) == 0;
    const int code = errno;
    if (!fd.reset() || !synced) {
        throw SystemError("Errore di scrittura su disco del file", path_, synced ? errno : code);
    }
}

void SharedFile::yieldToReplacement()
{
    // A rename replaces a file that others hold open: the section is kept until the work ends.
}

bool SharedFile::stillAtPath() const
{
    struct stat held
    {
    }, named{};
    if (::fstat(native_->fd.get(), &held) != 0) {
        throw SystemError("Impossibile leggere le proprietà del file", path_, errno);
    }
    return ::stat(path_.c_str(), &named) == 0 && named.st_dev == held.st_dev &&
           named.st_ino == held.st_ino;
}

SharedFile::ExclusiveSection::ExclusiveSection(SharedFile& file) : file_(file)
{
    // A descriptor open for reading only may take only a shared lock.
    const short type = file_.access_ == Access::Read ? F_RDLCK : F_WRLCK;
    takeLock(
        [&] {
            struct flock range = sectionRange(type);
            return ::fcntl(file_.native_->fd.get(), F_OFD_SETLK, &range) == 0 ? 0 : errno;
        },
        file_.path_);
}

SharedFile::ExclusiveSection::~ExclusiveSection()
{
    struct flock range = sectionRange(F_UNLCK);
    ::fcntl(file_.native_->fd.get(), F_OFD_SETLK, &range);
}

} // namespace velarium::platform
