#include "platform/SharedFile.h"

#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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
    AccessLock(int fd, int mode, const std::filesystem::path& path) : fd_(fd)
    {
        takeLock([&] { return ::flock(fd_, mode | LOCK_NB) == 0 ? 0 : errno; }, path);
    }
    ~AccessLock() { ::flock(fd_, LOCK_UN); }
    AccessLock(const AccessLock&) = delete;
    AccessLock& operator=(const AccessLock&) = delete;

private:
    int fd_;
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

} // namespace

SharedFile::SharedFile(const std::filesystem::path& path) : path_(path)
{
    // Without O_TRUNC, creating never empties a file that appeared meanwhile.
    handle_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (handle_ < 0 && errno == ENOENT) {
        handle_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    }
    if (handle_ < 0) {
        throw SystemError("Impossibile aprire il file", path, errno);
    }
    struct stat st
    {
    };
    if (::fstat(handle_, &st) != 0) {
        const int code = errno;
        ::close(handle_);
        throw SystemError("Impossibile leggere le proprietà del file", path, code);
    }
    // The superuser may open anything; a file marked read-only stays untouched all the same.
    if (!S_ISREG(st.st_mode) || (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        ::close(handle_);
        throw SystemError("File di sola lettura", path, S_ISREG(st.st_mode) ? EACCES : EISDIR);
    }
}

SharedFile::~SharedFile()
{
    if (handle_ >= 0) {
        ::close(handle_);
    }
}

std::uint64_t SharedFile::size() const
{
    struct stat st
    {
    };
    if (::fstat(handle_, &st) != 0) {
        throw SystemError("Impossibile leggere la lunghezza del file", path_, errno);
    }
    return static_cast<std::uint64_t>(st.st_size);
}

void SharedFile::readAt(std::uint64_t offset, std::span<std::byte> buffer) const
{
    const AccessLock lock(static_cast<int>(handle_), LOCK_SH, path_);
    std::size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n = ::pread(handle_, buffer.data() + done, buffer.size() - done,
                                  static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            throw SystemError("Errore di lettura dal file", path_, errno);
        }
        if (n == 0) {
            throw SystemError("Il file è più corto del previsto", path_, EIO);
        }
        done += static_cast<std::size_t>(n);
    }
}

void SharedFile::writeAt(std::uint64_t offset, std::span<const std::byte> data)
{
    const AccessLock lock(static_cast<int>(handle_), LOCK_EX, path_);
    ssize_t n;
    do {
        n = ::pwrite(handle_, data.data(), data.size(), static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
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
    int result;
    do {
        result = ::ftruncate(static_cast<int>(handle_), static_cast<off_t>(length));
    } while (result != 0 && errno == EINTR);
    written_ = true;
    if (result != 0) {
        throw SystemError("Impossibile riportare il file alla lunghezza precedente", path_, errno);
    }
}

void SharedFile::close()
{
    const int fd = handle_;
    handle_ = -1;
    if (fd < 0) {
        return;
    }
    const bool synced = !written_ || ::fdatasync(fd) == 0;
    const int code = errno;
    if (::close(fd) != 0 || !synced) {
        throw SystemError("Errore di scrittura su disco del file", path_, synced ? errno : code);
    }
}

SharedFile::ExclusiveSection::ExclusiveSection(SharedFile& file) : file_(file)
{
    takeLock(
        [&] {
            struct flock range = sectionRange(F_WRLCK);
            return ::fcntl(static_cast<int>(file_.handle_), F_OFD_SETLK, &range) == 0 ? 0 : errno;
        },
        file_.path_);
}

SharedFile::ExclusiveSection::~ExclusiveSection()
{
    struct flock range = sectionRange(F_UNLCK);
    ::fcntl(static_cast<int>(file_.handle_), F_OFD_SETLK, &range);
}

} // namespace velarium::platform
