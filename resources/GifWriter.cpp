#include "resources/GifWriter.h"

#include <algorithm>
#include <fstream>
#include <gif_lib.h>
#include <memory>
#include <stdexcept>

namespace velarium::gif {
namespace {

// Our disposal values are the format's own, which giflib takes as they are.
static_assert(static_cast<int>(Disposal::None) == DISPOSAL_UNSPECIFIED);
static_assert(static_cast<int>(Disposal::Keep) == DISPOSE_DO_NOT);
static_assert(static_cast<int>(Disposal::RestoreBackground) == DISPOSE_BACKGROUND);
static_assert(static_cast<int>(Disposal::RestorePrevious) == DISPOSE_PREVIOUS);

constexpr int kBitsPerPrimary = 8;

struct ColorMapFree
{
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using ColorMap = std::unique_ptr<ColorMapObject, ColorMapFree>;

// Only for a file abandoned half way: a finished one is closed by hand, to hear whether the
// trailer went out.
struct GifFileClose
{
    void operator()(GifFileType* file) const { EGifCloseFile(file, nullptr); }
};
using GifFile = std::unique_ptr<GifFileType, GifFileClose>;

struct Sink
{
    std::vector<std::uint8_t> bytes;
    bool failed = false;
};

// giflib is C: an exception must not unwind through it, so a failure is reported as a short
// write, which giflib turns into an error of its own.
int appendToSink(GifFileType* file, const GifByteType* data, int length) noexcept
{
    auto* sink = static_cast<Sink*>(file->UserData);
    try {
        sink->bytes.insert(sink->bytes.end(), data, data + length);
        return length;
    } catch (...) {
        sink->failed = true;
        return 0;
    }
}

[[noreturn]] void fail(int error)
{
    const char* reason = GifErrorString(error);
    throw std::runtime_error(std::string("GIF: ") + (reason != nullptr ? reason : "cannot encode"));
}

void require(const GifFile& file, int status)
{
    if (status == GIF_ERROR) {
        fail(file->Error);
    }
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

void putLoop(const GifFile& file, std::uint16_t loopCount)
{
    static constexpr char kApplication[] = "NETSCAPE2.0";
    const GifByteType repeat[] = {1, static_cast<GifByteType>(loopCount & 0xFFu),
                                  static_cast<GifByteType>(loopCount >> 8)};
    require(file, EGifPutExtensionLeader(file.get(), APPLICATION_EXT_FUNC_CODE));
    require(file, EGifPutExtensionBlock(file.get(), sizeof kApplication - 1, kApplication));
    require(file, EGifPutExtensionBlock(file.get(), sizeof repeat, repeat));
    require(file, EGifPutExtensionTrailer(file.get()));
}

void putFrame(const GifFile& file, const Animation& animation, const Frame& frame)
{
    GraphicsControlBlock control{};
    control.DisposalMode = static_cast<int>(frame.disposal);
    control.UserInputFlag = false;
    control.DelayTime = frame.delay;
    control.TransparentColor =
        animation.transparentIndex ? int{*animation.transparentIndex} : NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    const std::size_t length = EGifGCBToExtension(&control, extension);
    require(file, EGifPutExtension(file.get(), GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length),
                                   extension));

    // The whole screen, with the global palette.
    require(file,
            EGifPutImageDesc(file.get(), 0, 0, animation.width, animation.height, false, nullptr));
    // giflib masks the pixels it is given in place, so each row goes through a copy.
    std::vector<GifPixelType> row(animation.width);
    for (std::size_t at = 0; at < frame.pixels.size(); at += row.size()) {
        std::copy_n(frame.pixels.begin() + static_cast<std::ptrdiff_t>(at), row.size(),
                    row.begin());
        require(file, EGifPutLine(file.get(), row.data(), static_cast<int>(row.size())));
    }
}

} // namespace

std::vector<std::uint8_t> encode(const Animation& animation)
{
    check(animation);

    std::vector<GifColorType> colours;
    colours.reserve(animation.palette.size());
    for (const Rgb& colour : animation.palette) {
        colours.push_back({colour.r, colour.g, colour.b});
    }
    const ColorMap palette(GifMakeMapObject(static_cast<int>(colours.size()), colours.data()));
    if (!palette) {
        fail(E_GIF_ERR_NOT_ENOUGH_MEM);
    }

    Sink sink;
    int error = E_GIF_SUCCEEDED;
    GifFile file(EGifOpen(&sink, appendToSink, &error));
    if (!file) {
        fail(error);
    }
    // giflib would otherwise stamp the stream GIF87a, which has no delays, loops or transparency.
    EGifSetGifVersion(file.get(), true);
    require(file, EGifPutScreenDesc(file.get(), animation.width, animation.height, kBitsPerPrimary,
                                    animation.transparentIndex.value_or(0), palette.get()));
    if (animation.loopCount) {
        putLoop(file, *animation.loopCount);
    }
    for (const Frame& frame : animation.frames) {
        putFrame(file, animation, frame);
    }
    if (EGifCloseFile(file.release(), &error) == GIF_ERROR) {
        fail(error);
    }
    if (sink.failed) {
        fail(E_GIF_ERR_WRITE_FAILED);
    }
    return std::move(sink.bytes);
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
