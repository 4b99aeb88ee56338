#include "platform/Interruption.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velarium::platform {
namespace {

// A signal handler may neither allocate nor take a lock: the paths wait in a fixed table, each
// place handed over between the program and the handler by one lock-free state.
enum : int
{
    kFree,
    // Its file is being created and its path written: a handler waits.
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

// A place for a file about to be created, or -1 when all are taken.
int reserve()
{
    for (std::size_t i = 0; i < gSlots.size(); ++i) {
        int free = kFree;
        if (gSlots[i].state.compare_exchange_strong(free, kFilling)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The stop signals held back in the calling thread while the object lives.
class HeldBack
{
public:
    HeldBack()
    {
        sigset_t stops;
        ::sigemptyset(&stops);
        for (const int signal : kStopSignals) {
            ::sigaddset(&stops, signal);
        }
        ::pthread_sigmask(SIG_BLOCK, &stops, &saved_);
    }
    ~HeldBack() { ::pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }
    HeldBack(const HeldBack&) = delete;
    HeldBack& operator=(const HeldBack&) = delete;

private:
    sigset_t saved_{};
};

extern "C" void removeTrackedAndStop(int signal)
{
    const int savedErrno = errno;
    for (Slot& slot : gSlots) {
        // A file that another thread is creating is tracked in a moment, never in this thread,
        // which holds the signals back meanwhile; a creation stuck for long is not waited for.
        for (int waited = 0; slot.state.load() == kFilling && waited < 2000; ++waited) {
            const timespec millisecond{0, 1'000'000};
            ::nanosleep(&millisecond, nullptr);
        }
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

void RemovedWhenStopped::track(const std::function<std::filesystem::path()>& create)
{
    const HeldBack held;
    const int slot = slot_ < 0 ? reserve() : -1;
    std::filesystem::path path;
    try {
        path = create();
    } catch (...) {
        if (slot >= 0) {
            gSlots[static_cast<std::size_t>(slot)].state.store(kFree);
        }
        throw;
    }
    if (slot < 0) {
        return;
    }
    Slot& place = gSlots[static_cast<std::size_t>(slot)];
    const std::string& name = path.native();
    struct stat st
    {
    };
    if (name.size() >= PATH_MAX || ::lstat(name.c_str(), &st) != 0) {
        place.state.store(kFree);
        return;
    }
    std::memcpy(place.path, name.c_str(), name.size() + 1);
    place.device = st.st_dev;
    place.inode = st.st_ino;
    place.state.store(kTracked);
    slot_ = slot;
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
