// The figures of a progress display, in the window and on the command line alike.
#include "main/ProgressFigures.h"

#include <gtest/gtest.h>

namespace velarium {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(ProgressFigures, BytesReadAsAPersonReadsThem)
{
    EXPECT_EQ(byteCount(0), "0 byte");
    EXPECT_EQ(byteCount(1023), "1023 byte");
    EXPECT_EQ(byteCount(1536), "1,5 KiB");
    // Rounding never shows "1024,0" of the smaller unit.
    EXPECT_EQ(byteCount((1u << 20) - 1), "1,0 MiB");
    EXPECT_EQ(byteCount(std::uint64_t{4} << 30), "4,0 GiB");
    EXPECT_EQ(byteCount(std::uint64_t{3} << 40), "3,0 TiB");
    EXPECT_EQ(bytesOf(512u << 20, std::uint64_t{4} << 30), "512,0 MiB di 4,0 GiB");
}

TEST(ProgressFigures, TimeLeftInSecondsMinutesOrHours)
{
    EXPECT_EQ(timeLeftText(8s), "circa 8 s");
    EXPECT_EQ(timeLeftText(125s), "circa 2 min 05 s");
    EXPECT_EQ(timeLeftText(3840s), "circa 1 h 04 min");
}

TEST(ProgressFigures, PercentPaceAndTimeLeft)
{
    const Clock::time_point start{};
    // Too early to tell a pace.
    const ProgressFigures early = progressFigures(10, 100, start, start + 100ms);
    EXPECT_EQ(early.percent, 10);
    EXPECT_FALSE(early.left);

    const ProgressFigures half = progressFigures(50 << 20, 100 << 20, start, start + 2s);
    EXPECT_EQ(half.percent, 50);
    EXPECT_DOUBLE_EQ(half.bytesPerSecond, 25 << 20);
    ASSERT_TRUE(half.left);
    EXPECT_EQ(*half.left, 2s);

    // 100 % only at the end, whatever the rounding.
    EXPECT_EQ(progressFigures(999'999, 1'000'000, start, start + 1s).percent, 99);
    EXPECT_EQ(progressFigures(7, 7, start, start + 1s).percent, 100);
    EXPECT_EQ(progressFigures(0, 0, start, start).percent, 100);
}

} // namespace
} // namespace velarium
