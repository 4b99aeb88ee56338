#include "resources/GifWriter.h"
#include "resources/Resources.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QImage>
#include <QImageReader>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <optional>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace gif = velarium::gif;

struct Decoded
{
    QByteArray format;
    QSize size;
    int imageCount = 0;
    int loopCount = 0;
    std::vector<QImage> frames;
    std::vector<int> delays; // milliseconds
};

Decoded decode(QImageReader& reader)
{
    Decoded decoded;
    decoded.format = reader.format();
    decoded.size = reader.size();
    decoded.imageCount = reader.imageCount();
    decoded.loopCount = reader.loopCount();
    for (QImage frame = reader.read(); !frame.isNull(); frame = reader.read()) {
        decoded.frames.push_back(frame.convertToFormat(QImage::Format_ARGB32));
        decoded.delays.push_back(reader.nextImageDelay());
    }
    return decoded;
}

QByteArray toByteArray(const std::vector<std::uint8_t>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

Decoded decodeGif(const std::vector<std::uint8_t>& bytes)
{
    QByteArray data = toByteArray(bytes);
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    return decode(reader);
}

QByteArray resourceBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The repeat count stored in the NETSCAPE2.0 application extension, if the file has one.
std::optional<int> netscapeLoopCount(const QByteArray& gifBytes)
{
    const QByteArray block("\x21\xFF\x0B"
                           "NETSCAPE2.0",
                           14);
    const qsizetype at = gifBytes.indexOf(block);
    if (at < 0 || at + block.size() + 5 > gifBytes.size()) {
        return std::nullopt;
    }
    const auto* sub = reinterpret_cast<const uchar*>(gifBytes.constData()) + at + block.size();
    if (sub[0] != 3 || sub[1] != 1 || sub[4] != 0) {
        return std::nullopt;
    }
    return sub[2] | (sub[3] << 8);
}

// Pixels compared by colour, any two fully transparent pixels counting as equal.
::testing::AssertionResult samePixels(const QImage& actual, const QImage& expected)
{
    if (actual.size() != expected.size()) {
        return ::testing::AssertionFailure() << "size differs";
    }
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            const QRgb a = actual.pixel(x, y);
            const QRgb e = expected.pixel(x, y);
            if (a != e && (qAlpha(a) != 0 || qAlpha(e) != 0)) {
                return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") is "
                                                     << std::hex << a << ", expected " << e;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

// ---------------------------------------------------------------------------------------------
// The GIF writer, checked against Qt's own GIF decoder.

// Colours told apart by their red channel alone.
std::vector<gif::Rgb> distinctPalette(int size)
{
    std::vector<gif::Rgb> palette;
    for (int i = 0; i < size; ++i) {
        palette.push_back({std::uint8_t(i * 255 / (size - 1)), std::uint8_t(255 - i),
                           std::uint8_t((i * 73) & 0xFF)});
    }
    return palette;
}

// What a frame should look like on screen when drawn over nothing.
QImage expectedPicture(const gif::Animation& animation, const gif::Frame& frame)
{
    QImage picture(animation.width, animation.height, QImage::Format_ARGB32);
    for (int y = 0; y < animation.height; ++y) {
        for (int x = 0; x < animation.width; ++x) {
            const std::uint8_t index = frame.pixels[std::size_t(y) * animation.width + x];
            const gif::Rgb c = animation.palette[index];
            const bool clear = animation.transparentIndex == index;
            picture.setPixel(x, y, qRgba(c.r, c.g, c.b, clear ? 0 : 255));
        }
    }
    return picture;
}

gif::Animation animationOf(std::uint16_t width, std::uint16_t height, int colours,
                           std::vector<gif::Frame> frames)
{
    gif::Animation animation;
    animation.width = width;
    animation.height = height;
    animation.palette = distinctPalette(colours);
    animation.frames = std::move(frames);
    return animation;
}

std::vector<std::uint8_t> noise(std::size_t count, int colours, unsigned seed)
{
    std::mt19937 generator(seed);
    std::vector<std::uint8_t> pixels(count);
    for (auto& pixel : pixels) {
        pixel = std::uint8_t(generator() % unsigned(colours));
    }
    return pixels;
}

TEST(GifWriter, SmallAnimationDecodesToTheSamePixelsTimingAndRepeats)
{
    const std::vector<std::uint8_t> stripes{0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1,
                                            2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2};
    gif::Animation animation =
        animationOf(7, 5, 4,
                    {{std::vector<std::uint8_t>(35, 2), 5, gif::Disposal::Keep},
                     {stripes, 20, gif::Disposal::Keep},
                     {noise(35, 4, 7), 100, gif::Disposal::Keep}});
    animation.loopCount = 3;

    const std::vector<std::uint8_t> bytes = gif::encode(animation);
    const Decoded decoded = decodeGif(bytes);

    // Delays, loops and transparency are GIF89a's: an older stamp would disown them.
    ASSERT_GE(bytes.size(), 6u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
    EXPECT_EQ(decoded.format, "gif");
    EXPECT_EQ(decoded.size, QSize(7, 5));
    EXPECT_EQ(decoded.imageCount, 3);
    EXPECT_EQ(decoded.loopCount, 3);
    EXPECT_EQ(netscapeLoopCount(toByteArray(bytes)), 3);
    EXPECT_EQ(decoded.delays, (std::vector<int>{50, 200, 1000}));
    ASSERT_EQ(decoded.frames.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(samePixels(decoded.frames[i], expectedPicture(animation, animation.frames[i])))
            << "frame " << i;
    }
}

// Every palette size, each with large frames: noise that hardly compresses, then long runs.
TEST(GifWriter, LargePicturesDecodeWithEveryPaletteSize)
{
    for (const int colours : {2, 4, 16, 256}) {
        SCOPED_TRACE(colours);
        gif::Animation animation;
        animation.width = 256;
        animation.height = 192;
        animation.palette = distinctPalette(colours);
        const std::size_t area = 256u * 192u;
        std::vector<std::uint8_t> runs(area);
        for (std::size_t i = 0; i < area; ++i) {
            runs[i] = std::uint8_t((i / 97 + (i % 256 > 200 ? i : 0)) % unsigned(colours));
        }
        animation.frames = {{noise(area, colours, unsigned(colours)), 10, gif::Disposal::Keep},
                            {runs, 10, gif::Disposal::Keep}};

        const Decoded decoded = decodeGif(gif::encode(animation));

        ASSERT_EQ(decoded.frames.size(), 2u);
        for (std::size_t i = 0; i < 2; ++i) {
            EXPECT_TRUE(
                samePixels(decoded.frames[i], expectedPicture(animation, animation.frames[i])))
                << "frame " << i;
        }
    }
}

// Whether the previous frame shows through transparent pixels is decided by its disposal.
TEST(GifWriter, DisposalDecidesWhatShowsThroughTransparentPixels)
{
    gif::Animation animation;
    animation.width = 4;
    animation.height = 2;
    animation.palette = distinctPalette(4);
    animation.transparentIndex = 0;
    const std::vector<std::uint8_t> solid(8, 3);
    const std::vector<std::uint8_t> halfClear{0, 0, 2, 2, 0, 0, 2, 2};

    animation.frames = {{solid, 10, gif::Disposal::RestoreBackground},
                        {halfClear, 10, gif::Disposal::RestoreBackground}};
    Decoded decoded = decodeGif(gif::encode(animation));
    ASSERT_EQ(decoded.frames.size(), 2u);
    EXPECT_EQ(qAlpha(decoded.frames[1].pixel(0, 0)), 0);
    EXPECT_TRUE(samePixels(decoded.frames[1], expectedPicture(animation, animation.frames[1])));

    animation.frames[0].disposal = gif::Disposal::Keep;
    decoded = decodeGif(gif::encode(animation));
    ASSERT_EQ(decoded.frames.size(), 2u);
    const gif::Rgb under = animation.palette[3];
    EXPECT_EQ(decoded.frames[1].pixel(0, 0), qRgb(under.r, under.g, under.b));
}

TEST(GifWriter, WithoutALoopCountThePicturesPlayOnce)
{
    const gif::Animation animation = animationOf(
        3, 1, 2, {{{0, 1, 0}, 10, gif::Disposal::Keep}, {{1, 0, 1}, 10, gif::Disposal::Keep}});

    const std::vector<std::uint8_t> bytes = gif::encode(animation);

    EXPECT_EQ(netscapeLoopCount(toByteArray(bytes)), std::nullopt);
    const Decoded decoded = decodeGif(bytes);
    EXPECT_EQ(decoded.loopCount, 0);
    EXPECT_EQ(decoded.frames.size(), 2u);
}

TEST(GifWriter, WritesTheFileOrSaysItCannot)
{
    gif::Animation animation = animationOf(2, 2, 4, {{{3, 2, 1, 0}, 40, gif::Disposal::Keep}});
    animation.loopCount = 0;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    const QString path = dir.filePath(QStringLiteral("moving.gif"));
    gif::writeFile(path.toStdString(), animation);
    EXPECT_EQ(resourceBytes(path), toByteArray(gif::encode(animation)));

    const QString nowhere = dir.filePath(QStringLiteral("missing/moving.gif"));
    EXPECT_THROW(gif::writeFile(nowhere.toStdString(), animation), std::runtime_error);
    EXPECT_FALSE(QFile::exists(nowhere));
}

TEST(GifWriter, RefusesWhatGifCannotHold)
{
    gif::Animation valid;
    valid.width = 2;
    valid.height = 2;
    valid.palette = distinctPalette(4);
    valid.frames = {{{0, 1, 2, 3}, 10, gif::Disposal::Keep}};
    ASSERT_NO_THROW(gif::encode(valid));

    auto broken = valid;
    broken.palette = distinctPalette(3);
    broken.frames[0].pixels = {0, 1, 2, 2};
    EXPECT_THROW(gif::encode(broken), std::invalid_argument) << "palette not a power of two";

    broken = valid;
    broken.palette = std::vector<gif::Rgb>(512);
    EXPECT_THROW(gif::encode(broken), std::invalid_argument) << "palette too large";

    broken = valid;
    broken.frames[0].pixels = {0, 1, 2, 4};
    EXPECT_THROW(gif::encode(broken), std::invalid_argument) << "index outside the palette";

    broken = valid;
    broken.frames[0].pixels = {0, 1, 2};
    EXPECT_THROW(gif::encode(broken), std::invalid_argument) << "frame of the wrong size";

    broken = valid;
    broken.transparentIndex = 4;
    EXPECT_THROW(gif::encode(broken), std::invalid_argument) << "transparent index outside";

    broken = valid;
    broken.frames.clear();
    EXPECT_THROW(gif::encode(broken), std::invalid_argument) << "no frames";

    broken = valid;
    broken.width = 0;
    broken.frames[0].pixels.clear();
    EXPECT_THROW(gif::encode(broken), std::invalid_argument) << "empty picture";
}

// ---------------------------------------------------------------------------------------------
// The pictures compiled into the program.

class Artwork : public ::testing::Test
{
protected:
    void SetUp() override { velarium::initResources(); }
};

TEST_F(Artwork, EmailAnimationHasItsSizeFramesAndTiming)
{
    QImageReader reader(QStringLiteral(":/RESNAME1"));
    const Decoded decoded = decode(reader);

    EXPECT_EQ(decoded.format, "gif");
    EXPECT_EQ(decoded.size, QSize(34, 42));
    EXPECT_EQ(decoded.imageCount, 19);
    const std::vector<int> expectedDelays{700, 100, 100, 100, 100,  1300, 100, 100, 100, 100,
                                          100, 100, 100, 100, 1300, 100,  100, 100, 100};
    EXPECT_EQ(decoded.delays, expectedDelays);
    for (const QImage& frame : decoded.frames) {
        EXPECT_EQ(frame.size(), QSize(34, 42));
    }
}

TEST_F(Artwork, EmailAnimationRepeatsForEver)
{
    EXPECT_EQ(netscapeLoopCount(resourceBytes(QStringLiteral(":/RESNAME1"))), 0);
    QImageReader reader(QStringLiteral(":/RESNAME1"));
    EXPECT_EQ(reader.loopCount(), -1);
}

TEST_F(Artwork, EmailAnimationMovesOverATransparentBackground)
{
    QImageReader reader(QStringLiteral(":/RESNAME1"));
    const Decoded decoded = decode(reader);
    ASSERT_EQ(decoded.frames.size(), 19u);

    // The three resting poses (closed, open, letter out) are different pictures.
    const QImage& closed = decoded.frames[0];
    const QImage& open = decoded.frames[5];
    const QImage& letterOut = decoded.frames[14];
    EXPECT_NE(closed, open);
    EXPECT_NE(open, letterOut);
    EXPECT_NE(closed, letterOut);

    for (std::size_t i = 0; i < decoded.frames.size(); ++i) {
        const QImage& frame = decoded.frames[i];
        EXPECT_EQ(qAlpha(frame.pixel(0, 0)), 0) << "frame " << i << " has no clear corner";
        EXPECT_EQ(qAlpha(frame.pixel(frame.width() / 2, frame.height() - 4)), 255)
            << "frame " << i << " lost the envelope";
    }
}

enum class Ground
{
    Opaque,
    Transparent
};

struct ExpectedPicture
{
    const char* file;
    const char* format;
    QSize size;
    Ground ground;
};

constexpr Ground kOpaque = Ground::Opaque;
constexpr Ground kClear = Ground::Transparent;

// Every picture under :/images, as the windows expect to find it.
const ExpectedPicture kPictures[] = {
    // main window
    {"imgFile.png", "png", {32, 32}, kClear},
    {"imgDescrizione.png", "png", {32, 32}, kClear},
    {"imgPassword.png", "png", {32, 32}, kClear},
    {"imgCheckPW.png", "png", {32, 32}, kClear},
    {"imgCripta.png", "png", {32, 32}, kClear},
    {"imgDecripta.png", "png", {32, 32}, kClear},
    {"cmdNuovo.png", "png", {32, 32}, kClear},
    {"cmdSalva.png", "png", {32, 32}, kClear},
    {"cmdCerca.png", "png", {32, 32}, kClear},
    {"imgBackup.png", "png", {32, 32}, kClear},
    {"cmdGuida.png", "png", {32, 32}, kClear},
    {"cmdEsci.png", "png", {32, 32}, kClear},
    {"cmdEsporta.png", "png", {28, 28}, kClear},
    {"imgPrimo.png", "png", {32, 32}, kClear},
    {"imgIndietro.png", "png", {32, 32}, kClear},
    {"imgAvanti.png", "png", {32, 32}, kClear},
    {"imgUltimo.png", "png", {32, 32}, kClear},
    {"imgGuida.png", "png", {32, 32}, kClear},
    {"imgInfo.png", "png", {32, 32}, kClear},
    {"imgCopyright.png", "png", {32, 32}, kClear},
    {"imgEsci.png", "png", {32, 32}, kClear},
    {"imgEmail.png", "png", {34, 42}, kClear},
    {"imgBackground.jpg", "jpeg", {584, 470}, kOpaque},
    {"imgSfondo.jpg", "jpeg", {170, 525}, kOpaque},
    {"imgLogo.jpg", "jpeg", {170, 110}, kOpaque},
    // login and password change
    {"pwdLogo01.jpg", "jpeg", {290, 70}, kOpaque},
    {"pwdLogo02.png", "png", {290, 28}, kClear},
    // search
    {"cercaLogo.jpg", "jpeg", {160, 160}, kOpaque},
    {"cercaDecoro.jpg", "jpeg", {560, 90}, kOpaque},
    {"cercaDescrizione.png", "png", {32, 32}, kClear},
    {"cercaLente.png", "png", {48, 48}, kClear},
    // backup
    {"bakBackup.png", "png", {64, 64}, kClear},
    {"bakRestore.png", "png", {64, 64}, kClear},
    // export
    {"espLogo.jpg", "jpeg", {640, 70}, kOpaque},
    {"espWord.png", "png", {32, 32}, kClear},
    {"espExcel.png", "png", {32, 32}, kClear},
    {"espGuida.png", "png", {32, 32}, kClear},
    {"espEsci.png", "png", {32, 32}, kClear},
    // help
    {"helpLogo.jpg", "jpeg", {460, 70}, kOpaque},
    {"helpPDF.png", "png", {32, 32}, kClear},
    // about
    {"infoAutore.jpg", "jpeg", {120, 150}, kOpaque},
    {"infoLogo.jpg", "jpeg", {40, 300}, kOpaque},
    {"infoInformativa.png", "png", {360, 300}, kOpaque},
    {"infoEmail.png", "png", {32, 32}, kClear},
    {"infoWeb.png", "png", {32, 32}, kClear},
    // splash
    {"splashBack.bmp", "bmp", {597, 362}, kOpaque},
    {"splashFlag.bmp", "bmp", {108, 60}, kOpaque},
    // the program's icon, for its windows and the desktop's menu
    {"Velarium.png", "png", {256, 256}, kClear},
};

QString imagePath(const char* file)
{
    return QStringLiteral(":/images/") + QString::fromLatin1(file);
}

QImage loadPicture(const char* file)
{
    return QImage(imagePath(file)).convertToFormat(QImage::Format_ARGB32);
}

TEST_F(Artwork, EveryPictureDecodesInItsFormatAtItsSize)
{
    ASSERT_TRUE(QImageReader::supportedImageFormats().contains("jpeg"))
        << "this Qt cannot decode JPEG pictures";
    for (const ExpectedPicture& picture : kPictures) {
        SCOPED_TRACE(picture.file);
        // Read as the format the name promises, so a file of another kind fails.
        QImageReader reader(imagePath(picture.file), picture.format);
        reader.setAutoDetectImageFormat(false);
        const QImage image = reader.read().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull()) {
            ADD_FAILURE() << reader.errorString().toStdString();
            continue;
        }
        EXPECT_EQ(image.size(), picture.size);

        std::set<QRgb> colours;
        for (int y = 0; y < image.height() && colours.size() < 16; ++y) {
            for (int x = 0; x < image.width(); ++x) {
                colours.insert(image.pixel(x, y));
            }
        }
        EXPECT_GE(colours.size(), 16u) << "hardly anything drawn";
    }
}

TEST_F(Artwork, ImagesHoldExactlyTheListedPictures)
{
    QStringList listed;
    for (const ExpectedPicture& picture : kPictures) {
        listed.append(QString::fromLatin1(picture.file));
    }
    listed.sort();
    QStringList found = QDir(QStringLiteral(":/images")).entryList(QDir::Files);
    found.sort();
    EXPECT_EQ(found, listed);
}

// Black and navy text is written straight on the card background.
TEST_F(Artwork, CardBackgroundIsLightEverywhere)
{
    const QImage card(QStringLiteral(":/images/imgBackground.jpg"));
    ASSERT_FALSE(card.isNull());
    int darkest = 255;
    for (int y = 0; y < card.height(); ++y) {
        for (int x = 0; x < card.width(); ++x) {
            darkest = std::min(darkest, QColor(card.pixel(x, y)).lightness());
        }
    }
    EXPECT_GE(darkest, 200);
}

TEST_F(Artwork, IconsAndBandsStandOnATransparentGround)
{
    for (const ExpectedPicture& picture : kPictures) {
        if (picture.ground != Ground::Transparent) {
            continue;
        }
        SCOPED_TRACE(picture.file);
        const QImage image = loadPicture(picture.file);
        if (image.isNull()) {
            ADD_FAILURE() << "not decoded";
            continue;
        }
        int clear = 0;
        int solid = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                clear += qAlpha(image.pixel(x, y)) == 0 ? 1 : 0;
                solid += qAlpha(image.pixel(x, y)) == 255 ? 1 : 0;
            }
        }
        EXPECT_GT(clear, 0) << "no transparent ground";
        EXPECT_GT(solid * 10, image.width() * image.height()) << "hardly anything drawn";
    }
}

TEST_F(Artwork, OpaquePicturesHaveNoSeeThroughPixels)
{
    for (const ExpectedPicture& picture : kPictures) {
        if (picture.ground != Ground::Opaque) {
            continue;
        }
        SCOPED_TRACE(picture.file);
        const QImage image = loadPicture(picture.file);
        if (image.isNull()) {
            ADD_FAILURE() << "not decoded";
            continue;
        }
        int seeThrough = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                seeThrough += qAlpha(image.pixel(x, y)) < 255 ? 1 : 0;
            }
        }
        EXPECT_EQ(seeThrough, 0);
    }
}

// ---------------------------------------------------------------------------------------------
// The splash window's bitmaps, read by a plain loader that knows no alpha channel.

std::uint32_t littleEndian(const QByteArray& bytes, qsizetype at, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = (value << 8) | std::uint8_t(bytes.at(at + i));
    }
    return value;
}

TEST_F(Artwork, SplashBitmapsAreUncompressedTwentyFourBitsAPixel)
{
    for (const char* file : {"splashBack.bmp", "splashFlag.bmp"}) {
        SCOPED_TRACE(file);
        const QByteArray bytes = resourceBytes(imagePath(file));
        ASSERT_GE(bytes.size(), 54);
        EXPECT_TRUE(bytes.startsWith("BM"));
        EXPECT_EQ(littleEndian(bytes, 2, 4), std::uint32_t(bytes.size())) << "file size field";
        EXPECT_EQ(littleEndian(bytes, 28, 2), 24u) << "bits per pixel";
        EXPECT_EQ(littleEndian(bytes, 30, 4), 0u) << "compression";
    }
}

const QRgb kColourKey = qRgb(0, 0, 255);

TEST_F(Artwork, SplashFlagStandsOnThePureBlueThatMarksTransparency)
{
    const QImage flag = loadPicture("splashFlag.bmp");
    ASSERT_FALSE(flag.isNull());
    EXPECT_EQ(flag.pixel(0, flag.height() - 1), kColourKey) << "the loader samples this corner";

    int keyed = 0;
    for (int y = 0; y < flag.height(); ++y) {
        for (int x = 0; x < flag.width(); ++x) {
            keyed += flag.pixel(x, y) == kColourKey ? 1 : 0;
        }
    }
    const int area = flag.width() * flag.height();
    EXPECT_GT((area - keyed) * 3, area) << "too little flag";
    EXPECT_GT(keyed * 10, area) << "too little ground";

    // The ground is one area reaching the corner: blue anywhere else would be a hole in the
    // flag once the key colour is made transparent.
    std::vector<bool> reached(std::size_t(area), false);
    std::vector<QPoint> pending{QPoint(0, flag.height() - 1)};
    int ground = 0;
    while (!pending.empty()) {
        const QPoint at = pending.back();
        pending.pop_back();
        if (!flag.rect().contains(at)) {
            continue;
        }
        const std::size_t index = std::size_t(at.y()) * flag.width() + at.x();
        if (reached[index] || flag.pixel(at) != kColourKey) {
            continue;
        }
        reached[index] = true;
        ++ground;
        for (const QPoint step : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
            pending.push_back(at + step);
        }
    }
    EXPECT_EQ(ground, keyed) << "pure blue used inside the flag";
}

// ---------------------------------------------------------------------------------------------
// The about window's notice: dark text on a light card.

TEST_F(Artwork, NoticeCardIsLightWithDarkText)
{
    const QImage card = loadPicture("infoInformativa.png");
    ASSERT_FALSE(card.isNull());
    int light = 0;
    int dark = 0;
    for (int y = 0; y < card.height(); ++y) {
        for (int x = 0; x < card.width(); ++x) {
            const int lightness = QColor(card.pixel(x, y)).lightness();
            light += lightness >= 200 ? 1 : 0;
            dark += lightness < 100 ? 1 : 0;
        }
    }
    const int area = card.width() * card.height();
    EXPECT_GT(light * 10, area * 8) << "the card should be mostly light";
    EXPECT_LT(dark * 10, area) << "the card should be mostly light";

    // The card is drawn without text where the build machine has no fonts; this machine is
    // taken to be the build machine.
    if (!QFontDatabase::families().contains(QStringLiteral("DejaVu Sans"))) {
        GTEST_SKIP() << "no DejaVu Sans to have written the text with";
    }
    EXPECT_GT(dark, 1000) << "no text written on the card";
}

} // namespace
