#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

// What a progress display shows of long work over bytes, the same in the window and on the
// command line: how much is done, how fast, and how long is left, in Italian.
namespace velarium {

// "512 byte", "1,5 KiB", "3,2 MiB", "4,0 GiB": binary units, one decimal, a decimal comma.
std::string byteCount(std::uint64_t bytes);
// "1,5 GiB di 4,0 GiB".
std::string bytesOf(std::uint64_t done, std::uint64_t total);
// "circa 8 s", "circa 2 min 05 s", "circa 1 h 04 min".
std::string timeLeftText(std::chrono::seconds left);

struct ProgressFigures
{
    std::uint64_t done = 0;
    std::uint64_t total = 0;
    int percent = 0; // 0 to 100, 100 only when done
    double bytesPerSecond = 0;
    // Known once the work has run long enough to tell its pace.
    std::optional<std::chrono::seconds> left;
};

// The figures of work that started at `start`, when `done` of `total` bytes are done at `now`.
ProgressFigures progressFigures(std::uint64_t done, std::uint64_t total,
                                std::chrono::steady_clock::time_point start,
                                std::chrono::steady_clock::time_point now);

} // namespace velarium
