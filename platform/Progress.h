#pragma once

#include "platform/Error.h"

#include <atomic>
#include <chrono>
#include <cstdint>

namespace velarium::platform {

// Raised by long work that was asked to stop; what it had begun is undone as after any failure.
class Cancelled : public Error
{
public:
    using Error::Error;
};

// Long work (the cipher over a whole file) tells how far it has come and stops when asked, so
// that a person can watch it and change their mind. The work calls step() as it goes, on its
// own thread; cancel() may come from any thread.
class Progress
{
public:
    virtual ~Progress() = default;

    // How many of `total` bytes are done. Called when the work starts, at most about ten times a
    // second while it runs, and once when it is complete.
    virtual void advanced(std::uint64_t done, std::uint64_t total) = 0;

    void cancel() noexcept { cancelled_.store(true); }
    bool cancelled() const noexcept { return cancelled_.load(); }

    // For the work: raises Cancelled once cancel() was called, and otherwise reports `done`
    // when the last report is a tenth of a second old, or the work is complete.
    void step(std::uint64_t done, std::uint64_t total);

private:
    std::atomic<bool> cancelled_{false};
    std::chrono::steady_clock::time_point lastReport_{};
};

} // namespace velarium::platform
