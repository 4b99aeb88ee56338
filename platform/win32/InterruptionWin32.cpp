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
    // Its file is being created and its path written: the handler waits.
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
        // A file being created is tracked in a moment; a creation stuck for long is not waited for.
        for (int waited = 0; slot.state.load() == kFilling && waited < 2000; ++waited) {
            ::Sleep(1);
        }
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

void RemovedWhenStopped::track(const std::function<std::filesystem::path()>& create)
{
    int slot = -1;
    for (std::size_t i = 0; slot_ < 0 && slot < 0 && i < gSlots.size(); ++i) {
        LONG free = kFree;
        if (gSlots[i].state.compare_exchange_strong(free, kFilling)) {
            slot = static_cast<int>(i);
        }
    }
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
    const std::wstring& name = path.native();
    if (name.size() >= kPathCapacity) {
        place.state.store(kFree);
        return;
    }
    std::memcpy(place.path, name.c_str(), (name.size() + 1) * sizeof(wchar_t));
    place.state.store(kTracked);
    slot_ = slot;
}

void removeTrackedFilesWhenStopped()
{
    ::SetConsoleCtrlHandler(removeTrackedAndStop, TRUE);
}

} // namespace velarium::platform
