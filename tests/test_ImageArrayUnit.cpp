// The sprite store: loading pictures column by column, refusing other depths, and drawing
// turned, scaled and mirrored. The expected renderings were worked out by hand from the inverse
// mapping, with single-precision sine and cosine, halves rounded to even and integer division
// truncated toward zero.
#include "guide/ImageArrayUnit.h"

#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <vector>

using namespace velarium;

namespace {

constexpr float kQuarterTurn = static_cast<float>(std::numbers::pi / 2);
constexpr float kHalfTurn = static_cast<float>(std::numbers::pi);
constexpr float kThreeQuarterTurn = static_cast<float>(3 * std::numbers::pi / 2);
constexpr float kEighthTurn = static_cast<float>(std::numbers::pi / 4);

// Every pixel tells where it comes from: red is its column, green its row.
constexpr std::uint8_t kMarker = 200;
Bitmap coordinatePicture(int width, int height)
{
    Bitmap picture(width, height, 24);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.setColour(x, y, {std::uint8_t(x), std::uint8_t(y), kMarker});
        }
    }
    return picture;
}

// The rendering as rows of cells, each naming the picture pixel shown there as "xy".
std::vector<std::string> cells(const Bitmap& result)
{
    std::vector<std::string> rows;
    for (int y = 0; y < result.height; ++y) {
        std::string row;
        for (int x = 0; x < result.width; ++x) {
            const Rgb colour = result.colourAt(x, y);
            row += x == 0 ? "" : " ";
            row += colour.blue == kMarker
                       ? std::to_string(colour.red) + std::to_string(colour.green)
                       : std::string("??");
        }
        rows.push_back(row);
    }
    return rows;
}

// An expected rendering, "--" marking the corners filled with the bottom-left pixel.
std::vector<std::string> expected(std::vector<std::string> rows, const std::string& bottomLeft)
{
    for (std::string& row : rows) {
        for (std::size_t at = row.find("--"); at != std::string::npos; at = row.find("--")) {
            row.replace(at, 2, bottomLeft);
        }
    }
    return rows;
}

TImageArray loaded(const Bitmap& picture)
{
    TImageArray store;
    store.LoadFromBitmap(picture, [](const std::string& text) { FAIL() << text; });
    return store;
}

struct Rendering
{
    Bitmap target;
    PixelPoint centre;
};

Rendering draw(const TImageArray& store, bool mirrored, float scale, float angle)
{
    Rendering rendering;
    rendering.centre = store.DrawRotated(rendering.target, {store.width() / 2, store.height() / 2},
                                         mirrored, scale, angle);
    return rendering;
}

// ---------------------------------------------------------------------------------------------

TEST(ImageArrayLoad, StartsEmptyInTwentyFourBits)
{
    const TImageArray store;
    EXPECT_EQ(store.width(), 0);
    EXPECT_EQ(store.height(), 0);
    EXPECT_EQ(store.pixelFormat(), TImageArray::PixelFormat::Bits24);
}

TEST(ImageArrayLoad, TakesTwentyFourBitPixelsFromPaddedRows)
{
    // Three pixels make nine bytes, padded to twelve: the padding must not be read as pixels.
    Bitmap picture = coordinatePicture(3, 2);
    ASSERT_EQ(picture.rowBytes(), 12u);
    for (int y = 0; y < 2; ++y) {
        std::fill(picture.scanLine(y) + 9, picture.scanLine(y) + 12, std::uint8_t(0xEE));
    }
    picture.setColour(0, 1, {0, 0, 255});

    const TImageArray store = loaded(picture);
    EXPECT_EQ(store.width(), 3);
    EXPECT_EQ(store.height(), 2);
    EXPECT_EQ(store.pixelFormat(), TImageArray::PixelFormat::Bits24);
    EXPECT_EQ(store.TransparentColor, (Rgb{0, 0, 255})) << "the bottom-left pixel";
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(store.colourAt(x, y), picture.colourAt(x, y)) << x << "," << y;
        }
    }
}

TEST(ImageArrayLoad, TakesEightBitIndexesAndThePalette)
{
    Bitmap picture(5, 2, 8);
    ASSERT_EQ(picture.rowBytes(), 8u);
    picture.palette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    const std::uint8_t rows[2][5] = {{1, 2, 3, 4, 0}, {3, 0, 1, 2, 2}};
    for (int y = 0; y < 2; ++y) {
        std::copy(rows[y], rows[y] + 5, picture.scanLine(y));
        std::fill(picture.scanLine(y) + 5, picture.scanLine(y) + 8, std::uint8_t(4));
    }

    const TImageArray store = loaded(picture);
    EXPECT_EQ(store.pixelFormat(), TImageArray::PixelFormat::Bits8);
    EXPECT_EQ(store.palette(), picture.palette);
    EXPECT_EQ(store.TransparentColor, (Rgb{0, 0, 255})) << "index 3, through the palette";
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 5; ++x) {
            EXPECT_EQ(store.indexAt(x, y), rows[y][x]) << x << "," << y;
        }
    }
}

TEST(ImageArrayLoad, ChangesFormatWithoutChangingSize)
{
    Bitmap indexed(3, 2, 8);
    indexed.palette = {{10, 20, 30}, {40, 50, 60}};
    std::fill(indexed.bits.begin(), indexed.bits.end(), std::uint8_t(1));
    const Bitmap colour = coordinatePicture(3, 2);

    TImageArray store;
    const auto noMessage = [](const std::string& text) {
        FAIL() << text;
    };
    store.LoadFromBitmap(colour, noMessage);
    store.LoadFromBitmap(indexed, noMessage);
    EXPECT_EQ(store.pixelFormat(), TImageArray::PixelFormat::Bits8);
    EXPECT_EQ(store.indexAt(2, 1), 1);
    EXPECT_EQ(store.TransparentColor, (Rgb{40, 50, 60}));

    store.LoadFromBitmap(colour, noMessage);
    EXPECT_EQ(store.pixelFormat(), TImageArray::PixelFormat::Bits24);
    EXPECT_EQ(store.colourAt(2, 1), colour.colourAt(2, 1));
    EXPECT_EQ(store.TransparentColor, colour.colourAt(0, 1));
}

TEST(ImageArrayLoad, RefusesOtherDepthsAndKeepsWhatItHeld)
{
    const Bitmap picture = coordinatePicture(3, 2);
    TImageArray store = loaded(picture);

    for (const int depth : {1, 4, 16, 32}) {
        SCOPED_TRACE(depth);
        Bitmap other(7, 5, depth);
        std::vector<std::string> messages;
        store.LoadFromBitmap(other, [&](const std::string& text) { messages.push_back(text); });
        EXPECT_EQ(messages, std::vector<std::string>{"only 8 bit and 24 bit bitmaps are allowed"});

        EXPECT_EQ(store.width(), 3);
        EXPECT_EQ(store.height(), 2);
        EXPECT_EQ(store.pixelFormat(), TImageArray::PixelFormat::Bits24);
        EXPECT_EQ(store.TransparentColor, picture.colourAt(0, 1));
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 3; ++x) {
                EXPECT_EQ(store.colourAt(x, y), picture.colourAt(x, y));
            }
        }
    }

    TImageArray empty;
    int shown = 0;
    empty.LoadFromBitmap(Bitmap(2, 2, 32), [&](const std::string&) { ++shown; });
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(empty.width(), 0);
    EXPECT_EQ(empty.height(), 0);
}

TEST(ImageArrayLoad, ResizingKeepsThePixelsThatStayInside)
{
    TImageArray store = loaded(coordinatePicture(3, 2));
    store.setWidth(5);
    store.setHeight(3);
    EXPECT_EQ(store.width(), 5);
    EXPECT_EQ(store.height(), 3);
    EXPECT_EQ(store.colourAt(2, 1), (Rgb{2, 1, kMarker}));
    EXPECT_EQ(store.colourAt(4, 2), Rgb{}) << "added columns have the new height";
    store.setWidth(2);
    EXPECT_EQ(store.colourAt(1, 1), (Rgb{1, 1, kMarker}));
}

// ---------------------------------------------------------------------------------------------

TEST(RotatedDrawing, UnturnedAtItsOwnSizeIsACopy)
{
    const TImageArray store = loaded(coordinatePicture(3, 2));
    const Rendering plain = draw(store, false, 1.0f, 0.0f);
    EXPECT_EQ(cells(plain.target), (std::vector<std::string>{"00 10 20", "01 11 21"}));
    EXPECT_EQ(plain.centre, (PixelPoint{1, 1}));

    const Rendering mirrored = draw(store, true, 1.0f, 0.0f);
    EXPECT_EQ(cells(mirrored.target), (std::vector<std::string>{"20 10 00", "21 11 01"}));
}

TEST(RotatedDrawing, UnturnedScalingRepeatsPixelsByTruncation)
{
    const TImageArray store = loaded(coordinatePicture(3, 2));
    const Rendering doubled = draw(store, false, 2.0f, 0.0f);
    EXPECT_EQ(cells(doubled.target), (std::vector<std::string>{
                                         "00 00 10 10 20 20",
                                         "00 00 10 10 20 20",
                                         "01 01 11 11 21 21",
                                         "01 01 11 11 21 21",
                                     }));
    EXPECT_EQ(doubled.centre, (PixelPoint{3, 2}));

    // 3 x 2.5 = 7.5 goes up to the even 8, 1 x 2.5 = 2.5 down to the even 2.
    const TImageArray row = loaded(coordinatePicture(3, 1));
    const Rendering stretched = draw(row, true, 2.5f, 0.0f);
    EXPECT_EQ(stretched.target.width, 8);
    EXPECT_EQ(stretched.target.height, 2);
    EXPECT_EQ(cells(stretched.target), (std::vector<std::string>{
                                           "20 20 20 10 10 00 00 00",
                                           "20 20 20 10 10 00 00 00",
                                       }));
    EXPECT_EQ(stretched.centre, (PixelPoint{4, 1}));
}

TEST(RotatedDrawing, QuarterTurnsAreExactDespiteTheRoundedCosine)
{
    const TImageArray store = loaded(coordinatePicture(3, 2));
    // Turned to the left as seen on screen: the top-right pixel comes to the top-left.
    const Rendering left = draw(store, false, 1.0f, kQuarterTurn);
    EXPECT_EQ(cells(left.target), (std::vector<std::string>{"20 21", "10 11", "00 01"}));
    EXPECT_EQ(left.centre, (PixelPoint{1, 1}));

    const Rendering right = draw(store, false, 1.0f, kThreeQuarterTurn);
    EXPECT_EQ(cells(right.target), (std::vector<std::string>{"01 00", "11 10", "21 20"}));

    const TImageArray even = loaded(coordinatePicture(4, 2));
    EXPECT_EQ(cells(draw(even, false, 1.0f, kQuarterTurn).target),
              (std::vector<std::string>{"30 31", "20 21", "10 11", "00 01"}));
}

TEST(RotatedDrawing, HalfTurnMirroredIsUpsideDown)
{
    const TImageArray store = loaded(coordinatePicture(3, 2));
    EXPECT_EQ(cells(draw(store, false, 1.0f, kHalfTurn).target),
              (std::vector<std::string>{"21 11 01", "20 10 00"}));
    EXPECT_EQ(cells(draw(store, true, 1.0f, kHalfTurn).target),
              (std::vector<std::string>{"01 11 21", "00 10 20"}));
}

TEST(RotatedDrawing, CornersOfATurnedPictureTakeTheBottomLeftPixel)
{
    // The bounding box of a 4 x 4 picture at 45 degrees is 6 x 6. The cells beside the corners
    // show where truncating toward zero matters: (3 - 4) div 2 is 0, still inside the picture.
    const TImageArray store = loaded(coordinatePicture(4, 4));
    const std::vector<std::string> turnedCells = expected(
        {
            "-- -- 30 30 -- --",
            "-- 10 20 31 31 --",
            "00 10 11 21 32 33",
            "00 01 11 12 23 33",
            "-- 01 02 13 13 --",
            "-- -- 03 03 -- --",
        },
        "03");
    const Rendering turned = draw(store, false, 1.0f, kEighthTurn);
    EXPECT_EQ(cells(turned.target), turnedCells);
    EXPECT_EQ(turned.centre, (PixelPoint{3, 3}));

    // Mirroring flips the column looked up; the corners stay filled.
    const std::vector<std::string> mirroredCells = expected(
        {
            "-- -- 00 00 -- --",
            "-- 20 10 01 01 --",
            "30 20 21 11 02 03",
            "30 31 21 22 13 03",
            "-- 31 32 23 23 --",
            "-- -- 33 33 -- --",
        },
        "03");
    EXPECT_EQ(cells(draw(store, true, 1.0f, kEighthTurn).target), mirroredCells);
}

TEST(RotatedDrawing, EightBitPicturesKeepIndexesAndPalette)
{
    // Index = x + 4y, over a palette of sixteen colours.
    Bitmap picture(4, 4, 8);
    for (int i = 0; i < 16; ++i) {
        picture.palette.push_back({std::uint8_t(i * 16), std::uint8_t(i * 16), std::uint8_t(i)});
    }
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            picture.scanLine(y)[x] = std::uint8_t(x + 4 * y);
        }
    }
    const TImageArray store = loaded(picture);

    Rendering turned;
    turned.target = Bitmap(40, 40, 24);
    turned.centre = store.DrawRotated(turned.target, {2, 2}, false, 1.0f, kEighthTurn);
    ASSERT_EQ(turned.target.bitsPerPixel, 8);
    EXPECT_EQ(turned.target.palette, picture.palette);
    ASSERT_EQ(turned.target.width, 6);
    ASSERT_EQ(turned.target.height, 6);
    const int indexes[6][6] = {
        {12, 12, 3, 3, 12, 12}, {12, 1, 2, 7, 7, 12},   {0, 1, 5, 6, 11, 15},
        {0, 4, 5, 9, 14, 15},   {12, 4, 8, 13, 13, 12}, {12, 12, 12, 12, 12, 12},
    };
    // In the last row the picture's own bottom-left pixel meets the filled corners.
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(turned.target.scanLine(y)[x], indexes[y][x]) << x << "," << y;
        }
    }

    const Rendering mirrored = draw(store, true, 1.0f, 0.0f);
    ASSERT_EQ(mirrored.target.bitsPerPixel, 8);
    EXPECT_EQ(mirrored.target.scanLine(0)[0], 3);
    EXPECT_EQ(mirrored.target.scanLine(3)[3], 12);
}

TEST(RotatedDrawing, TheTargetIsResizedAndRetyped)
{
    const TImageArray store = loaded(coordinatePicture(3, 2));
    Bitmap target(50, 50, 8);
    target.palette = {{1, 2, 3}};
    store.DrawRotated(target, {1, 1}, false, 2.0f, 0.0f);
    EXPECT_EQ(target.width, 6);
    EXPECT_EQ(target.height, 4);
    EXPECT_EQ(target.bitsPerPixel, 24);
    EXPECT_TRUE(target.palette.empty());
    EXPECT_EQ(target.bits.size(), target.rowBytes() * 4);

    // An empty store renders nothing, at any angle.
    const TImageArray empty;
    Bitmap none(5, 5, 24);
    EXPECT_EQ(empty.DrawRotated(none, {0, 0}, true, 2.0f, 1.0f), (PixelPoint{0, 0}));
    EXPECT_EQ(none.width, 0);
    EXPECT_EQ(none.height, 0);
}

} // namespace
