#pragma once

#include <filesystem>

namespace velarium::platform {

// A file that must not outlive the program when the user or the session stops it half-way: the
// processed copy of a file being decrypted is that file in clear. While the object tracks a
// file, a stop request (see removeTrackedFilesWhenStopped) removes it first, as long as its
// name still leads to the very file it led to when tracking began; whatever took the name since
// (another program's file) stays. Tracking costs nothing while the program runs normally: the
// object goes away with the file, or once the file has taken its final name.
class RemovedWhenStopped
{
public:
    RemovedWhenStopped() = default;
    ~RemovedWhenStopped();
    RemovedWhenStopped(const RemovedWhenStopped&) = delete;
    RemovedWhenStopped& operator=(const RemovedWhenStopped&) = delete;

    // Starts tracking the file that `path` names now, never through a link. A path that is gone
    // already, too long, or beyond the few that may be tracked at once stays untracked.
    void track(const std::filesystem::path& path) noexcept;

private:
    // The place in the preallocated table that a stop request reads; -1 while nothing is tracked.
    int slot_ = -1;
};

// From now on, a request to stop the program (Ctrl-C, SIGTERM, the end of the session: SIGHUP on
// POSIX, a console's close on Windows) first removes the files tracked at that instant, then
// ends the program as the request would have: a shell sees the status it expects (128 plus the
// signal). A request the program was started to ignore (nohup) stays ignored. Called once, at
// the program's start.
void removeTrackedFilesWhenStopped();

} // namespace velarium::platform
