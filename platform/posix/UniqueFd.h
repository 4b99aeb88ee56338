#pragma once

// The one owner of a POSIX descriptor, and the one read and write loop, for every POSIX backend:
// a descriptor closed by hand is one a thrown error leaks, and a loop written again is one that
// forgets a short write or a signal.

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <dirent.h>
#include <filesystem>
#include <memory>
#include <span>
#include <utility>

namespace velarium::platform {

// A file descriptor closed when the object goes away, unless it was handed on with release().
class UniqueFd
{
public:
    UniqueFd() noexcept = default;
    explicit UniqueFd(int fd) noexcept : fd_(fd) {}
    ~UniqueFd() { reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    // -1 when nothing is held.
    int get() const noexcept { return fd_; }
    explicit operator bool() const noexcept { return fd_ >= 0; }
    // Hands the descriptor on: the object closes nothing afterwards.
    int release() noexcept { return std::exchange(fd_, -1); }
    // Closes the descriptor held, if any, and takes `fd` in its place. False, with errno set, when
    // the system reports a failure to close: on some file systems that is the first word of a
    // write that never reached the disk. The descriptor is gone either way.
    bool reset(int fd = -1) noexcept;

private:
    int fd_ = -1;
};

// Calls `call` again for as long as a signal interrupts it (-1 with EINTR), and returns what it
// last returned: for the calls that do one thing at once, where a loop over parts has no place.
template <typename Call> auto retryInterrupted(Call&& call)
{
    for (;;) {
        const auto result = call();
        if (!(result == -1 && errno == EINTR)) {
            return result;
        }
    }
}

// Fills `buffer` from `fd`'s position, going on after short reads and interruptions; returns how
// much was read, less than the buffer only at the end of the file. Raises SystemError naming
// `path` when the system refuses.
std::size_t readFull(int fd, std::span<std::byte> buffer, const std::filesystem::path& path);

// The same from `offset` on, leaving the descriptor's position alone: others sharing the open file
// may be reading or writing at positions of their own.
std::size_t readFullAt(int fd, std::uint64_t offset, std::span<std::byte> buffer,
                       const std::filesystem::path& path);

// Writes every byte of `bytes` at `fd`'s position, going on after short writes and interruptions.
// Raises SystemError naming `path` when the system refuses.
void writeAll(int fd, std::span<const std::byte> bytes, const std::filesystem::path& path);

// A directory stream closed when the owner goes away.
struct DirStreamCloser
{
    void operator()(DIR* dir) const noexcept { ::closedir(dir); }
};
using DirStream = std::unique_ptr<DIR, DirStreamCloser>;

// A listing of the folder open as `folder`, through a descriptor of its own so that `folder`
// stays open and keeps its position; empty when the system refuses one.
DirStream listFolder(int folder) noexcept;

} // namespace velarium::platform
