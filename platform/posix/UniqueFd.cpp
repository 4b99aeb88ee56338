#include "platform/posix/UniqueFd.h"

#include "platform/Error.h"

#include <sys/types.h>
#include <unistd.h>

namespace velarium::platform {
namespace {

// Calls `readSome` (given how much is filled, it reads some of the rest) until `size` bytes are
// filled or it meets the end of the file.
template <typename ReadSome>
std::size_t fill(std::size_t size, const std::filesystem::path& path, ReadSome readSome)
{
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t n = retryInterrupted([&] { return readSome(filled); });
        if (n < 0) {
            throw SystemError("Errore di lettura dal file", path, errno);
        }
        if (n == 0) {
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    return filled;
}

} // namespace

bool UniqueFd::reset(int fd) noexcept
{
    const int old = std::exchange(fd_, fd);
    // Retrying a close interrupted by a signal could close a descriptor another thread has just
    // been given: on Linux the first close has let it go whatever it reports.
    return old < 0 || ::close(old) == 0;
}

std::size_t readFull(int fd, std::span<std::byte> buffer, const std::filesystem::path& path)
{
    return fill(buffer.size(), path, [&](std::size_t filled) {
        return ::read(fd, buffer.data() + filled, buffer.size() - filled);
    });
}

std::size_t readFullAt(int fd, std::uint64_t offset, std::span<std::byte> buffer,
                       const std::filesystem::path& path)
{
    return fill(buffer.size(), path, [&](std::size_t filled) {
        return ::pread(fd, buffer.data() + filled, buffer.size() - filled,
                       static_cast<off_t>(offset + filled));
    });
}

void writeAll(int fd, std::span<const std::byte> bytes, const std::filesystem::path& path)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            retryInterrupted([&] { return ::write(fd, bytes.data() + done, bytes.size() - done); });
        if (n < 0) {
            throw SystemError("Errore di scrittura nel file", path, errno);
        }
        done += static_cast<std::size_t>(n);
    }
}

DirStream listFolder(int folder) noexcept
{
    UniqueFd listing(::dup(folder));
    if (!listing) {
        return {};
    }
    DirStream dir(::fdopendir(listing.get()));
    if (dir) {
        // The stream closes it now.
        listing.release();
    }
    return dir;
}

} // namespace velarium::platform
