#include "resources/GifWriter.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace velarium::gif {
namespace {

constexpr int kMaxCodeBits = 12;
constexpr unsigned kMaxCodes = 1u << kMaxCodeBits;

void putByte(std::vector<std::uint8_t>& out, unsigned value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFFu));
}

void putWord(std::vector<std::uint8_t>& out, unsigned value)
{
    putByte(out, value);
    putByte(out, value >> 8);
}

// Number of bits an index needs, which is also the exponent of the colour table size.
int bitsFor(std::size_t paletteSize)
{
    int bits = 1;
    while ((std::size_t{1} << bits) < paletteSize) {
        ++bits;
    }
    return bits;
}

// Codes go out least significant bit first, packed across byte boundaries.
class BitPacker
{
public:
    void put(unsigned code, int width)
    {
        pending_ |= static_cast<std::uint32_t>(code) << pendingBits_;
        pendingBits_ += width;
        while (pendingBits_ >= 8) {
            putByte(bytes_, pending_);
            pending_ >>= 8;
            pendingBits_ -= 8;
        }
    }

    std::vector<std::uint8_t> finish()
    {
        if (pendingBits_ > 0) {
            putByte(bytes_, pending_);
        }
        pending_ = 0;
        pendingBits_ = 0;
        return std::move(bytes_);
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint32_t pending_ = 0;
    int pendingBits_ = 0;
};

// Variable-width LZW as GIF decoders expect it. The decoder builds its table one code behind us,
// so the width grows as soon as the entry we are about to add no longer fits; a full table is
// answered with a clear code rather than by freezing it, which keeps noisy images compact.
std::vector<std::uint8_t> compress(const std::vector<std::uint8_t>& indices, int minCodeSize)
{
    const unsigned clearCode = 1u << minCodeSize;
    const unsigned endCode = clearCode + 1;

    BitPacker packer;
    std::unordered_map<std::uint32_t, std::uint16_t> table;
    unsigned nextCode = 0;
    int codeSize = 0;
    const auto restart = [&] {
        packer.put(clearCode, codeSize == 0 ? minCodeSize + 1 : codeSize);
        table.clear();
        nextCode = endCode + 1;
        codeSize = minCodeSize + 1;
    };
    const auto emit = [&](unsigned code) {
        packer.put(code, codeSize);
        if (nextCode >= (1u << codeSize) && codeSize < kMaxCodeBits) {
            ++codeSize;
        }
    };

    restart();
    unsigned prefix = indices.front();
    for (std::size_t i = 1; i < indices.size(); ++i) {
        const std::uint32_t key = (static_cast<std::uint32_t>(prefix) << 8) | indices[i];
        if (const auto found = table.find(key); found != table.end()) {
            prefix = found->second;
            continue;
        }
        emit(prefix);
        table.emplace(key, static_cast<std::uint16_t>(nextCode++));
        if (nextCode == kMaxCodes) {
            restart();
        }
        prefix = indices[i];
    }
    emit(prefix);
    packer.put(endCode, codeSize);
    return packer.finish();
}

void putSubBlocks(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& data)
{
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t length = std::min<std::size_t>(255, data.size() - at);
        putByte(out, static_cast<unsigned>(length));
        out.insert(out.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                   data.begin() + static_cast<std::ptrdiff_t>(at + length));
    }
    putByte(out, 0);
}

void check(const Animation& animation)
{
    const std::size_t colours = animation.palette.size();
    if (animation.width == 0 || animation.height == 0) {
        throw std::invalid_argument("GIF: empty picture");
    }
    if (colours < 2 || colours > 256 || (colours & (colours - 1)) != 0) {
        throw std::invalid_argument("GIF: the palette needs 2 to 256 colours, a power of two");
    }
    if (animation.transparentIndex && *animation.transparentIndex >= colours) {
        throw std::invalid_argument("GIF: transparent index outside the palette");
    }
    if (animation.frames.empty()) {
        throw std::invalid_argument("GIF: no frames");
    }
    const std::size_t area = std::size_t{animation.width} * animation.height;
    for (const Frame& frame : animation.frames) {
        if (frame.pixels.size() != area) {
            throw std::invalid_argument("GIF: frame size differs from the picture size");
        }
        for (const std::uint8_t index : frame.pixels) {
            if (index >= colours) {
                throw std::invalid_argument("GIF: pixel index outside the palette");
            }
        }
    }
}

} // namespace

std::vector<std::uint8_t> encode(const Animation& animation)
{
    check(animation);
    const int tableBits = bitsFor(animation.palette.size());
    const int minCodeSize = std::max(2, tableBits);

    std::vector<std::uint8_t> out{'G', 'I', 'F', '8', '9', 'a'};
    putWord(out, animation.width);
    putWord(out, animation.height);
    // Global table present, 8 bits per primary, unsorted, table size exponent.
    putByte(out, 0x80u | (7u << 4) | static_cast<unsigned>(tableBits - 1));
    putByte(out, animation.transparentIndex.value_or(0));
    putByte(out, 0); // square pixels
    for (const Rgb& colour : animation.palette) {
        out.insert(out.end(), {colour.r, colour.g, colour.b});
    }

    if (animation.loopCount) {
        out.insert(out.end(), {0x21, 0xFF, 11});
        for (const char c : std::string_view("NETSCAPE2.0")) {
            putByte(out, static_cast<unsigned char>(c));
        }
        putByte(out, 3);
        putByte(out, 1);
        putWord(out, *animation.loopCount);
        putByte(out, 0);
    }

    for (const Frame& frame : animation.frames) {
        // Graphic control extension: disposal, transparency and timing of this frame.
        out.insert(out.end(), {0x21, 0xF9, 4});
        putByte(out, (static_cast<unsigned>(frame.disposal) << 2) |
                         (animation.transparentIndex ? 1u : 0u));
        putWord(out, frame.delay);
        putByte(out, animation.transparentIndex.value_or(0));
        putByte(out, 0);

        // Image descriptor: the whole screen, no local table, not interlaced.
        putByte(out, 0x2C);
        putWord(out, 0);
        putWord(out, 0);
        putWord(out, animation.width);
        putWord(out, animation.height);
        putByte(out, 0);

        putByte(out, static_cast<unsigned>(minCodeSize));
        putSubBlocks(out, compress(frame.pixels, minCodeSize));
    }
    putByte(out, 0x3B);
    return out;
}

void writeFile(const std::string& path, const Animation& animation)
{
    const std::vector<std::uint8_t> bytes = encode(animation);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        throw std::runtime_error("GIF: cannot write " + path);
    }
}

} // namespace velarium::gif
