#pragma once

#include "platform/Error.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <thread>

namespace velarium::platform {

// How long a read, a write or an exclusive section waits for a lock that another opener holds.
// Another program may keep a lock for as long as it likes; past this the operation fails, so
// that the command reports it instead of freezing the window.
inline constexpr std::chrono::seconds kLockWaitLimit{5};

// Calls `attempt` until it takes its lock (returns true) or kLockWaitLimit has passed (then
// raises the refusal of a file in use); `attempt` returns false while someone else holds the
// lock and raises on any other failure. The pauses grow from a millisecond, so that a lock let
// go is soon taken.
template <typename Attempt> void waitForLock(Attempt attempt, const std::filesystem::path& path)
{
    const auto deadline = std::chrono::steady_clock::now() + kLockWaitLimit;
    auto pause = std::chrono::milliseconds(1);
    while (!attempt()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            throw SystemError("Impossibile riservare il file", path, EBUSY);
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

// A file opened for reading and writing that other openers, in this program or another, may
// read and write at the same time. Every read and write names its offset, so no file position
// is shared between callers. Closed when the object goes away.
class SharedFile
{
public:
    enum class Access
    {
        // For copying the file as a whole: a file without write permission opens too, and
        // nothing may be written through it.
        Read,
        // A file without write permission counts as one that refuses to open.
        ReadWrite,
    };

    // Opens an existing file for reading and writing, or creates it empty when nothing is at
    // the path; never empties a file that exists, and never creates one through a symbolic link
    // that leads nowhere (refused instead). Opening never waits: anything but a regular file (a
    // folder, a pipe, a device) is refused, named as what it is. Raises.
    explicit SharedFile(const std::filesystem::path& path);
    // The same without creating anything: nothing when the path, in a folder that exists, names
    // no file (a link that leads nowhere included). Raises on every other failure.
    static std::unique_ptr<SharedFile> openExisting(const std::filesystem::path& path,
                                                    Access access);
    ~SharedFile();
    SharedFile(const SharedFile&) = delete;
    SharedFile& operator=(const SharedFile&) = delete;

    // Whether the path still names the file held. Another program may rename a new file into
    // its place (a restore of the archive does), and whatever is written here afterwards is
    // lost with the old file. Raises when the file held cannot be examined.
    bool stillAtPath() const;

    std::uint64_t size() const;
    // Reads exactly buffer.size() bytes or raises. A write of another cooperating opener (one
    // going through this class) is seen whole or not at all. Raises when a lock on the file
    // stays taken for kLockWaitLimit.
    void readAt(std::uint64_t offset, std::span<std::byte> buffer) const;
    // Writes all of data with one positioned write; a cooperating opener reading meanwhile sees
    // it whole or not at all. Raises when the system takes less, or as readAt does.
    void writeAt(std::uint64_t offset, std::span<const std::byte> data);
    // Cuts the file to `length` bytes, taking back what a failed write left past it. Raises.
    void truncate(std::uint64_t length);
    // Puts what was written on the disk and closes; raises on failure.
    void close();
    // Called in the exclusive section just before another file is renamed over this one. Where
    // the system refuses to replace a file that is open (Windows) the file is closed now, and the
    // section goes with it: any other opener then makes the replacement fail rather than write
    // into a file let go. Elsewhere file and section stay until the replacement is done. Nothing
    // is read or written through the file afterwards.
    void yieldToReplacement();

    // Keeps other cooperating writers' sections out for its lifetime (an advisory lock of its
    // own): enough to make "find the end, write there" one step. Single reads and writes by
    // others go on meanwhile. On a file opened for reading only the section is shared: it keeps
    // every writer's section out, and lets other readers' sections in. Raises when another
    // opener keeps a section that excludes this one for kLockWaitLimit.
    class ExclusiveSection
    {
    public:
        explicit ExclusiveSection(SharedFile& file);
        ~ExclusiveSection();
        ExclusiveSection(const ExclusiveSection&) = delete;
        ExclusiveSection& operator=(const ExclusiveSection&) = delete;

    private:
        SharedFile& file_;
    };

private:
    // Only this class opens a file the ways below.
    struct Opening
    {
        explicit Opening() = default;
    };

public:
    // Opens the file at `path`; with `create`, makes it when nothing is there. Leaves native_
    // empty, raising nothing, when the file is missing and not to be created.
    SharedFile(Opening, const std::filesystem::path& path, Access access, bool create);

private:
    // The backend's own descriptor or handle.
    struct Native;
    std::filesystem::path path_;
    Access access_;
    std::unique_ptr<Native> native_;
    bool written_ = false;
};

} // namespace velarium::platform
