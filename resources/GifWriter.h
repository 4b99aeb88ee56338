#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The animated GIF, written through giflib (Qt itself cannot write GIF). Frames are given as
// indices into one palette, so the picture keeps exactly the colours and frame timing we choose.
namespace velarium::gif {

struct Rgb
{
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
};

// What the viewer does with a frame's area before drawing the next one.
enum class Disposal : std::uint8_t
{
    None = 0, // the viewer may do as it likes
    Keep = 1,
    RestoreBackground = 2,
    RestorePrevious = 3,
};

struct Frame
{
    std::vector<std::uint8_t> pixels; // width * height palette indices, row after row
    std::uint16_t delay = 0;          // hundredths of a second
    Disposal disposal = Disposal::Keep;
};

struct Animation
{
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    std::vector<Rgb> palette; // 2 to 256 entries, a power of two
    std::optional<std::uint8_t> transparentIndex;
    // 0 repeats for ever; without a value the pictures play once (no NETSCAPE2.0 block).
    std::optional<std::uint16_t> loopCount;
    std::vector<Frame> frames;
};

// Throws std::invalid_argument when the animation cannot be written as GIF, std::runtime_error
// when giflib fails.
std::vector<std::uint8_t> encode(const Animation& animation);

// Throws std::invalid_argument as encode() does, std::runtime_error when the file cannot be
// written.
void writeFile(const std::string& path, const Animation& animation);

} // namespace velarium::gif
