#include "guide/ImageArrayUnit.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace velarium {
namespace {

// The nearest integer, halves going to the even neighbour: the processor's own rounding, which
// the sizes and the source lookups depend on at every exact half.
int nearest(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

// The same for the lookups, which are bounded by the picture's size, without a library call
// per pixel: adding and taking away 1.5 x 2^52 leaves a double of magnitude below 2^51 rounded
// to an integer in the current rounding mode, which is to nearest, halves to even.
inline int nearestSmall(double value)
{
    constexpr double kShift = 6755399441055744.0;
    return static_cast<int>((value + kShift) - kShift);
}

struct Turn
{
    int pictureWidth, pictureHeight;
    double s, c, inv;
};

// Maps every result pixel back into the picture, from twice its offset from the result's
// centre, so that the arithmetic stays on integers until the one division. Each row is written
// from its right end, the order the drawing has always used.
template <bool Mirrored, typename Pixel, typename Write>
void renderTurned(Bitmap& target, const std::vector<std::vector<Pixel>>& columns, Pixel fill,
                  const Turn& turn, Write write)
{
    const int w = turn.pictureWidth;
    const int h = turn.pictureHeight;
    for (int j = 0; j < target.height; ++j) {
        std::uint8_t* line = target.scanLine(j);
        const int b = 2 * j - (target.height - 1);
        const double bs = b * turn.s;
        const double bc = b * turn.c;
        // a = 2i - (width - 1), stepped down by 2 in a double: exact, and no conversion per
        // pixel.
        double a = target.width - 1;
        for (int i = target.width - 1; i >= 0; --i, a -= 2) {
            int sx = (w + nearestSmall(turn.inv * (a * turn.c - bs)) - 1) / 2;
            const int sy = (h + nearestSmall(turn.inv * (a * turn.s + bc)) - 1) / 2;
            if constexpr (Mirrored) {
                sx = (w - 1) - sx;
            }
            const bool inside = sx >= 0 && sx <= w - 1 && sy >= 0 && sy <= h - 1;
            write(line, i, inside ? columns[std::size_t(sx)][std::size_t(sy)] : fill);
        }
    }
}

} // namespace

Bitmap::Bitmap(int width, int height, int bitsPerPixel) : bitsPerPixel(bitsPerPixel)
{
    resize(width, height);
}

std::size_t Bitmap::rowBytesFor(int width, int bitsPerPixel)
{
    return (std::size_t(width) * std::size_t(bitsPerPixel) + 31) / 32 * 4;
}

void Bitmap::resize(int newWidth, int newHeight)
{
    width = std::max(newWidth, 0);
    height = std::max(newHeight, 0);
    // Capacity is kept: the sprite frame is resized on every drawing.
    bits.resize(rowBytes() * std::size_t(height));
}

Rgb Bitmap::colourAt(int x, int y) const
{
    const std::uint8_t* line = scanLine(y);
    if (bitsPerPixel == 24) {
        const std::uint8_t* pixel = line + 3 * std::size_t(x);
        return {pixel[2], pixel[1], pixel[0]};
    }
    if (bitsPerPixel == 8) {
        const std::size_t index = line[x];
        return index < palette.size() ? palette[index] : Rgb{};
    }
    return {};
}

void Bitmap::setColour(int x, int y, Rgb colour)
{
    std::uint8_t* pixel = scanLine(y) + 3 * std::size_t(x);
    pixel[0] = colour.blue;
    pixel[1] = colour.green;
    pixel[2] = colour.red;
}

void TImageArray::fitColumns()
{
    const auto columns = std::size_t(width_);
    const auto rows = std::size_t(height_);
    if (format_ == PixelFormat::Bits8) {
        columns8_.resize(columns);
        for (auto& column : columns8_) {
            column.resize(rows);
        }
    } else {
        columns24_.resize(columns);
        for (auto& column : columns24_) {
            column.resize(rows, Bgr{0, 0, 0});
        }
    }
}

// The columns are fitted even when the number is unchanged: after a change of format, the new
// format's columns may not have the held size yet. Fitting columns that already fit does nothing.
// The sides are held in 16 bits, so a larger picture is held cut to 32767 pixels.
void TImageArray::setWidth(int width)
{
    width_ = static_cast<std::int16_t>(std::clamp(width, 0, int(INT16_MAX)));
    fitColumns();
}

void TImageArray::setHeight(int height)
{
    height_ = static_cast<std::int16_t>(std::clamp(height, 0, int(INT16_MAX)));
    fitColumns();
}

Rgb TImageArray::colourAt(int x, int y) const
{
    if (format_ == PixelFormat::Bits8) {
        const std::size_t index = indexAt(x, y);
        return index < palette_.size() ? palette_[index] : Rgb{};
    }
    const Bgr& pixel = columns24_[std::size_t(x)][std::size_t(y)];
    return {pixel.red, pixel.green, pixel.blue};
}

void TImageArray::LoadFromBitmap(const Bitmap& bitmap, const MessageSink& showMessage)
{
    if (bitmap.bitsPerPixel != 8 && bitmap.bitsPerPixel != 24) {
        if (showMessage) {
            showMessage(kOnlyEightOrTwentyFourBits);
        }
        return;
    }
    format_ = bitmap.bitsPerPixel == 8 ? PixelFormat::Bits8 : PixelFormat::Bits24;
    setWidth(bitmap.width);
    setHeight(bitmap.height);
    TransparentColor =
        bitmap.width > 0 && bitmap.height > 0 ? bitmap.colourAt(0, bitmap.height - 1) : Rgb{};

    for (int y = 0; y < height_; ++y) {
        const std::uint8_t* line = bitmap.scanLine(y);
        for (int x = 0; x < width_; ++x) {
            if (format_ == PixelFormat::Bits8) {
                columns8_[std::size_t(x)][std::size_t(y)] = line[x];
            } else {
                const std::uint8_t* pixel = line + 3 * std::size_t(x);
                columns24_[std::size_t(x)][std::size_t(y)] = {pixel[0], pixel[1], pixel[2]};
            }
        }
    }
    if (format_ == PixelFormat::Bits8) {
        palette_ = bitmap.palette;
    }
}

PixelPoint TImageArray::DrawRotated(Bitmap& target, PixelPoint /*centre*/, bool mirrored,
                                    float scale, float angle) const
{
    const bool eightBits = format_ == PixelFormat::Bits8;
    target.bitsPerPixel = eightBits ? 8 : 24;
    target.palette = eightBits ? palette_ : std::vector<Rgb>{};

    const int w = width_;
    const int h = height_;
    // Sine and cosine are held in single precision, and the sizes and lookups are worked out
    // from those rounded values: the rendered pixels depend on it.
    const double s = static_cast<float>(std::sin(static_cast<double>(angle)));
    const double c = static_cast<float>(std::cos(static_cast<double>(angle)));
    const double factor = scale;
    const double inv = 1.0 / factor;

    const int resultWidth = std::abs(nearest(h * s * factor)) + std::abs(nearest(w * c * factor));
    const int resultHeight = std::abs(nearest(w * s * factor)) + std::abs(nearest(h * c * factor));
    target.resize(resultWidth, resultHeight);
    if (resultWidth == 0 || resultHeight == 0) {
        return {0, 0};
    }

    const std::uint8_t fill8 = eightBits ? indexAt(0, h - 1) : 0;
    const Bgr fill24 = eightBits ? Bgr{0, 0, 0} : columns24_[0][std::size_t(h - 1)];

    if (angle != 0.0f) {
        const Turn turn{w, h, s, c, inv};
        const auto write8 = [](std::uint8_t* line, int i, std::uint8_t index) {
            line[i] = index;
        };
        const auto write24 = [](std::uint8_t* line, int i, const Bgr& pixel) {
            std::uint8_t* out = line + 3 * std::size_t(i);
            out[0] = pixel.blue;
            out[1] = pixel.green;
            out[2] = pixel.red;
        };
        if (eightBits) {
            mirrored ? renderTurned<true>(target, columns8_, fill8, turn, write8)
                     : renderTurned<false>(target, columns8_, fill8, turn, write8);
        } else {
            mirrored ? renderTurned<true>(target, columns24_, fill24, turn, write24)
                     : renderTurned<false>(target, columns24_, fill24, turn, write24);
        }
    } else {
        // Unturned: scaling alone, by truncation. The result never reaches past the picture,
        // but the lookups are kept inside it against rounding at extreme scales.
        for (int j = 0; j < resultHeight; ++j) {
            std::uint8_t* line = target.scanLine(j);
            const int sy = std::min(static_cast<int>(j * inv), h - 1);
            for (int i = resultWidth - 1; i >= 0; --i) {
                int sx = std::min(static_cast<int>(i * inv), w - 1);
                if (mirrored) {
                    sx = (w - 1) - sx;
                }
                if (eightBits) {
                    line[i] = columns8_[std::size_t(sx)][std::size_t(sy)];
                } else {
                    const Bgr& pixel = columns24_[std::size_t(sx)][std::size_t(sy)];
                    std::uint8_t* out = line + 3 * std::size_t(i);
                    out[0] = pixel.blue;
                    out[1] = pixel.green;
                    out[2] = pixel.red;
                }
            }
        }
    }
    return {resultWidth / 2, resultHeight / 2};
}

} // namespace velarium
