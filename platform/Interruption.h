#pragma once

#include <filesystem>
#include <functional>

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

    // Runs `create`, which makes a file and gives its path, and tracks that file from the instant
    // it exists: a stop request that comes meanwhile waits until it is tracked (on POSIX the
    // calling thread holds the signals back, and a handler in another thread waits). What
    // `create` raises is passed on, with nothing tracked. A path too long, or beyond the few
    // that may be tracked at once, stays untracked.
    void track(const std::function<std::filesystem::path()>& create);

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
