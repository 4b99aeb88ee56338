#include "platform/Interruption.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <cstring>

namespace velarium::platform {
namespace {

// The same table as on POSIX: the console's handler runs on a thread of its own while the
// program goes on, so each place passes between them by one lock-free state.
enum : LONG
{
    kFree,
    kFilling,
    kTracked,
    kRemoving,
};
static_assert(std::atomic<LONG>::is_always_lock_free, "the handler may only use lock-free state");

// Long enough for any path the program's own folders give; a longer one stays untracked.
constexpr std::size_t kPathCapacity = 1024;

struct Slot
{
    std::atomic<LONG> state{kFree};
    wchar_t path[kPathCapacity] = {};
};

constexpr std::size_t kSlots = 16;
std::array<Slot, kSlots> gSlots;

BOOL WINAPI removeTrackedAndStop(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        break;
    default:
        return FALSE;
    }
    for (Slot& slot : gSlots) {
        LONG tracked = kTracked;
        if (slot.state.compare_exchange_strong(tracked, kRemoving)) {
            // A file still open without leave to delete it stays: the removal is only a try.
            ::DeleteFileW(slot.path);
        }
    }
    // Not handled: the system's own handler ends the program as it would have.
    return FALSE;
}

} // namespace

RemovedWhenStopped::~RemovedWhenStopped()
{
    if (slot_ >= 0) {
        LONG tracked = kTracked;
        gSlots[static_cast<std::size_t>(slot_)].state.compare_exchange_strong(tracked, kFree);
    }
}

void RemovedWhenStopped::track(const std::filesystem::path& path) noexcept
{
    const std::wstring& name = path.native();
    if (slot_ >= 0 || name.size() >= kPathCapacity) {
        return;
    }
    for (std::size_t i = 0; i < gSlots.size(); ++i) {
        Slot& slot = gSlots[i];
        LONG free = kFree;
        if (!slot.state.compare_exchange_strong(free, kFilling)) {
            continue;
        }
        std::memcpy(slot.path, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
        slot.state.store(kTracked);
        slot_ = static_cast<int>(i);
        return;
    }
}

void removeTrackedFilesWhenStopped()
{
    ::SetConsoleCtrlHandler(removeTrackedAndStop, TRUE);
}

} // namespace velarium::platform
