#include "platform/Interruption.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace velarium::platform {
namespace {

// A signal handler may neither allocate nor take a lock: the paths wait in a fixed table, each
// place handed over between the program and the handler by one lock-free state.
enum : int
{
    kFree,
    // Being written by the program; the handler leaves it alone.
    kFilling,
    kTracked,
    // Taken by the handler, which is removing its file: the program never reuses it.
    kRemoving,
};
static_assert(std::atomic<int>::is_always_lock_free, "the handler may only use lock-free state");

struct Slot
{
    std::atomic<int> state{kFree};
    dev_t device = 0;
    ino_t inode = 0;
    char path[PATH_MAX] = {};
};

// A command tracks its temporary file and the copy beside its chosen file; a few more leave
// room for writes in one step running at the same time.
constexpr std::size_t kSlots = 16;
std::array<Slot, kSlots> gSlots;

constexpr std::array kStopSignals{SIGINT, SIGTERM, SIGHUP};

extern "C" void removeTrackedAndStop(int signal)
{
    const int savedErrno = errno;
    for (Slot& slot : gSlots) {
        int tracked = kTracked;
        if (!slot.state.compare_exchange_strong(tracked, kRemoving)) {
            continue;
        }
        // Only the file tracked: after its rename into place the name is gone, or another
        // command has made a file of its own there.
        struct stat st
        {
        };
        if (::lstat(slot.path, &st) == 0 && st.st_dev == slot.device && st.st_ino == slot.inode) {
            ::unlink(slot.path);
        }
    }
    // Raised again with the default action: once this handler returns, the signal ends the
    // program as if no handler had been there.
    struct sigaction fallback
    {
    };
    fallback.sa_handler = SIG_DFL;
    ::sigemptyset(&fallback.sa_mask);
    ::sigaction(signal, &fallback, nullptr);
    ::raise(signal);
    errno = savedErrno;
}

} // namespace

RemovedWhenStopped::~RemovedWhenStopped()
{
    if (slot_ >= 0) {
        // A handler already removing it keeps the place: the program ends with it.
        int tracked = kTracked;
        gSlots[static_cast<std::size_t>(slot_)].state.compare_exchange_strong(tracked, kFree);
    }
}

void RemovedWhenStopped::track(const std::filesystem::path& path) noexcept
{
    const std::string& name = path.native();
    struct stat st
    {
    };
    if (slot_ >= 0 || name.size() >= PATH_MAX || ::lstat(name.c_str(), &st) != 0) {
        return;
    }
    for (std::size_t i = 0; i < gSlots.size(); ++i) {
        Slot& slot = gSlots[i];
        int free = kFree;
        if (!slot.state.compare_exchange_strong(free, kFilling)) {
            continue;
        }
        std::memcpy(slot.path, name.c_str(), name.size() + 1);
        slot.device = st.st_dev;
        slot.inode = st.st_ino;
        slot.state.store(kTracked);
        slot_ = static_cast<int>(i);
        return;
    }
}

void removeTrackedFilesWhenStopped()
{
    struct sigaction action
    {
    };
    action.sa_handler = removeTrackedAndStop;
    // One stop request at a time: a second one waits until the first has cleaned up.
    ::sigemptyset(&action.sa_mask);
    for (const int signal : kStopSignals) {
        ::sigaddset(&action.sa_mask, signal);
    }
    action.sa_flags = SA_RESTART;
    for (const int signal : kStopSignals) {
        struct sigaction previous
        {
        };
        ::sigaction(signal, nullptr, &previous);
        // A signal the caller chose to ignore (nohup) must stay harmless.
        if (previous.sa_handler != SIG_IGN) {
            ::sigaction(signal, &action, nullptr);
        }
    }
}

} // namespace velarium::platform
