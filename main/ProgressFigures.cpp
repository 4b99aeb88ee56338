#include "main/ProgressFigures.h"

#include <cmath>
#include <cstdio>

namespace velarium {
namespace {

// Before this much time a pace is mostly the start's noise (caches, the first chunk).
constexpr std::chrono::milliseconds kPaceAfter{500};

std::string twoDigits(long long value)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02lld", value);
    return text;
}

} // namespace

std::string byteCount(std::uint64_t bytes)
{
    static constexpr const char* kUnits[] = {"KiB", "MiB", "GiB", "TiB"};
    if (bytes < 1024) {
        return std::to_string(bytes) + " byte";
    }
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    // Rounded first, so that 1023.96 KiB reads "1,0 MiB" rather than "1024,0 KiB".
    while (std::round(value * 10) >= 1024 * 10 && unit + 1 < std::size(kUnits)) {
        value /= 1024;
        ++unit;
    }
    const long long tenths = std::llround(value * 10);
    return std::to_string(tenths / 10) + "," + std::to_string(tenths % 10) + " " + kUnits[unit];
}

std::string bytesOf(std::uint64_t done, std::uint64_t total)
{
    return byteCount(done) + " di " + byteCount(total);
}

std::string timeLeftText(std::chrono::seconds left)
{
    const long long seconds = std::max<long long>(left.count(), 0);
    if (seconds < 60) {
        return "circa " + std::to_string(seconds) + " s";
    }
    if (seconds < 3600) {
        return "circa " + std::to_string(seconds / 60) + " min " + twoDigits(seconds % 60) + " s";
    }
    return "circa " + std::to_string(seconds / 3600) + " h " + twoDigits(seconds % 3600 / 60) +
           " min";
}

ProgressFigures progressFigures(std::uint64_t done, std::uint64_t total,
                                std::chrono::steady_clock::time_point start,
                                std::chrono::steady_clock::time_point now)
{
    ProgressFigures figures;
    figures.done = done;
    figures.total = total;
    if (total == 0 || done >= total) {
        figures.percent = 100;
    } else {
        // Never 100 before the end: a display at 100 % that still waits looks stuck.
        figures.percent = static_cast<int>(std::min<std::uint64_t>(done * 100 / total, 99));
    }
    const std::chrono::duration<double> elapsed = now - start;
    if (elapsed.count() > 0) {
        figures.bytesPerSecond = static_cast<double>(done) / elapsed.count();
    }
    if (now - start >= kPaceAfter && figures.bytesPerSecond > 0 && done < total) {
        figures.left = std::chrono::seconds(static_cast<long long>(
            std::ceil(static_cast<double>(total - done) / figures.bytesPerSecond)));
    }
    return figures;
}

} // namespace velarium
