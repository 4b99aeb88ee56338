#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velarium {

// A colour as a bitmap's palette or a 24-bit pixel gives it.
struct Rgb
{
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;

    friend bool operator==(const Rgb&, const Rgb&) = default;
};

struct PixelPoint
{
    int x = 0;
    int y = 0;

    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// A bitmap laid out as a Windows device-independent one, so that pictures pass between the
// window system and the drawing code by copying rows: rows from the top, each padded to a
// multiple of four bytes; 8-bit pixels are palette indexes, 24-bit pixels are blue, green and
// red bytes. Other depths can be held, so that a loader can be shown one and refuse it.
struct Bitmap
{
    int width = 0;
    int height = 0;
    int bitsPerPixel = 24;
    std::vector<std::uint8_t> bits;
    // The colours of the 8-bit indexes; empty for other depths.
    std::vector<Rgb> palette;

    Bitmap() = default;
    Bitmap(int width, int height, int bitsPerPixel);

    std::size_t rowBytes() const { return rowBytesFor(width, bitsPerPixel); }
    static std::size_t rowBytesFor(int width, int bitsPerPixel);
    std::uint8_t* scanLine(int y) { return bits.data() + std::size_t(y) * rowBytes(); }
    const std::uint8_t* scanLine(int y) const { return bits.data() + std::size_t(y) * rowBytes(); }

    // New dimensions at the same depth; the pixels are left to be written anew.
    void resize(int newWidth, int newHeight);

    // The pixel's colour, through the palette for 8 bits (black for an index it lacks). Only
    // 8-bit and 24-bit bitmaps have colours here; other depths read as black.
    Rgb colourAt(int x, int y) const;
    void setColour(int x, int y, Rgb colour); // 24 bits only
};

// The text with which a picture of another depth than 8 or 24 bits is refused.
inline constexpr const char* kOnlyEightOrTwentyFourBits =
    "only 8 bit and 24 bit bitmaps are allowed";

// A picture held column by column, so that looking a pixel up while drawing is two array
// indexes; it draws itself turned, scaled and mirrored into a bitmap.
class TImageArray
{
public:
    enum class PixelFormat
    {
        Bits8,
        Bits24
    };

    // Where the store shows its messages: it has no window of its own.
    using MessageSink = std::function<void(const std::string& text)>;

    TImageArray() = default;

    int width() const { return width_; }
    int height() const { return height_; }
    // Changing a side keeps the pixels that stay inside; new pixels are black (index 0).
    void setWidth(int width);
    void setHeight(int height);

    PixelFormat pixelFormat() const { return format_; }
    // The colour of the held picture's bottom-left pixel, which marks transparency.
    Rgb TransparentColor;
    const std::vector<Rgb>& palette() const { return palette_; }

    // The held pixel at column x, row y (0 the top): its index in the 8-bit format, or its
    // colour in either format.
    std::uint8_t indexAt(int x, int y) const { return columns8_[std::size_t(x)][std::size_t(y)]; }
    Rgb colourAt(int x, int y) const;

    // Takes the bitmap's depth, size, pixels, transparent colour and (8 bits) palette. A bitmap
    // of any other depth is refused through `showMessage`, and the store keeps what it held.
    void LoadFromBitmap(const Bitmap& bitmap, const MessageSink& showMessage);

    // Renders the picture turned by `angle` radians (counter-clockwise as seen on screen),
    // scaled and, if asked, mirrored left to right, into `target`, which takes the held format
    // and the size of the turned picture's bounding box; the corners outside the picture are
    // filled with the bottom-left pixel. Returns where `centre`, the picture's own centre
    // (width div 2, height div 2), lands in the result: the only point callers ask about.
    PixelPoint DrawRotated(Bitmap& target, PixelPoint centre, bool mirrored, float scale,
                           float angle) const;

private:
    struct Bgr
    {
        std::uint8_t blue;
        std::uint8_t green;
        std::uint8_t red;
    };

    // Sizes the current format's columns to the held width and height.
    void fitColumns();

    std::int16_t width_ = 0;
    std::int16_t height_ = 0;
    PixelFormat format_ = PixelFormat::Bits24;
    std::vector<std::vector<std::uint8_t>> columns8_;
    std::vector<std::vector<Bgr>> columns24_;
    std::vector<Rgb> palette_;
};

} // namespace velarium
