#include "main/ContentLook.h"

#include "platform/FileIdentity.h"
#include "platform/FileIo.h"

#include <magic.h>
#include <random>
#include <system_error>
#include <vector>
#include <zlib.h>

namespace velarium {
namespace {

namespace fs = std::filesystem;

constexpr const char* kDatabaseName = "magic.mgc";
// The library's own database is about 8 MB; anything far larger is not one.
constexpr std::size_t kDatabaseLimit = 64u << 20;
constexpr const char* kNoType = "application/octet-stream";
// Compressed to at most this share of its size, the content is clearly not random: cipher text
// and the output of a compressor never get below 99 %.
constexpr double kCompressibleShare = 0.9;
// Enough samples to catch every type that random bytes show more than about once in a hundred
// tries; few enough to cost well under a tenth of a second, once.
constexpr int kChanceSamples = 400;
constexpr std::size_t kChanceSampleBytes = 512;

std::optional<fs::path> databaseBesideProgram()
{
    const std::optional<fs::path> executable = platform::runningExecutable();
    if (!executable) {
        return std::nullopt;
    }
    fs::path database = executable->parent_path() / kDatabaseName;
    std::error_code error;
    if (!fs::is_regular_file(database, error)) {
        return std::nullopt;
    }
    return database;
}

// The description's first clause ("PNG image data, 16 x 16, ..." gives "PNG image data"), in
// printable ASCII: the library quotes names and strings found in the bytes themselves.
std::string shortened(const char* description)
{
    std::string result;
    for (const char* at = description; *at != '\0' && *at != ','; ++at) {
        const auto byte = static_cast<unsigned char>(*at);
        result += byte >= 0x20 && byte < 0x7F ? static_cast<char>(byte) : '?';
        if (result.size() == 80) {
            break;
        }
    }
    while (!result.empty() && result.back() == ' ') {
        result.pop_back();
    }
    return result;
}

bool compressible(std::span<const std::uint8_t> bytes)
{
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::vector<Bytef> packed(size);
    if (compress2(packed.data(), &size, bytes.data(), static_cast<uLong>(bytes.size()), 1) !=
        Z_OK) {
        return false;
    }
    return static_cast<double>(size) <= kCompressibleShare * static_cast<double>(bytes.size());
}

bool isText(const std::string& mimeType)
{
    return mimeType.starts_with("text/");
}

} // namespace

struct ContentTypes::Library
{
    magic_t cookie = nullptr;
    // The database's bytes, which the library reads in place for as long as it runs.
    std::string database;

    ~Library()
    {
        if (cookie != nullptr) {
            magic_close(cookie);
        }
    }

    std::string query(int flags, std::span<const std::uint8_t> bytes)
    {
        if (magic_setflags(cookie, flags) != 0) {
            return {};
        }
        const char* answer = magic_buffer(cookie, bytes.data(), bytes.size());
        return answer != nullptr ? std::string(answer) : std::string();
    }
};

ContentTypes::ContentTypes(const std::optional<fs::path>& database)
    : library_(std::make_unique<Library>())
{
    library_->cookie = magic_open(MAGIC_NONE);
    if (library_->cookie == nullptr) {
        throw ContentTypesUnavailable("La libreria dei tipi di file non si avvia");
    }
    // The database is read here, through the program's own file access, so that a program
    // folder of any name works on every system; the library would take only a narrow path.
    const std::optional<fs::path> file = database ? database : databaseBesideProgram();
    int loaded = 0;
    if (file) {
        std::optional<std::string> bytes = platform::readSmallFile(*file, kDatabaseLimit);
        if (!bytes) {
            throw ContentTypesUnavailable("Manca il database dei tipi di file '" + file->string() +
                                          "'");
        }
        library_->database = std::move(*bytes);
        void* buffers[] = {library_->database.data()};
        std::size_t sizes[] = {library_->database.size()};
        loaded = magic_load_buffers(library_->cookie, buffers, sizes, 1);
    } else {
        loaded = magic_load(library_->cookie, nullptr);
    }
    if (loaded != 0) {
        const char* why = magic_error(library_->cookie);
        throw ContentTypesUnavailable(std::string("Il database dei tipi di file non si carica: ") +
                                      (why != nullptr ? why : "errore sconosciuto"));
    }
}

ContentTypes::~ContentTypes() = default;

ContentLook ContentTypes::look(std::span<const std::uint8_t> bytes)
{
    ContentLook look;
    if (bytes.size() < kLookMinimumBytes) {
        return look;
    }
    look.mimeType = library_->query(MAGIC_MIME_TYPE, bytes);
    if (look.mimeType == kNoType) {
        look.mimeType.clear();
    }
    if (!look.mimeType.empty()) {
        look.description = shortened(library_->query(MAGIC_NONE, bytes).c_str());
    }
    if (isText(look.mimeType)) {
        look.kind = ContentKind::Text;
    } else if (compressible(bytes)) {
        look.kind = ContentKind::Compressible;
    } else if (!look.mimeType.empty()) {
        look.kind = ContentKind::Recognised;
    } else {
        look.kind = ContentKind::Unrecognised;
    }
    return look;
}

bool ContentTypes::looksReal(const ContentLook& look)
{
    switch (look.kind) {
    case ContentKind::Text:
    case ContentKind::Compressible:
        return true;
    case ContentKind::Recognised:
        return !shownByChance(look.mimeType);
    case ContentKind::TooShort:
    case ContentKind::Unrecognised:
        break;
    }
    return false;
}

bool ContentTypes::looksRandom(const ContentLook& look)
{
    switch (look.kind) {
    case ContentKind::Unrecognised:
        return true;
    case ContentKind::Recognised:
        return shownByChance(look.mimeType);
    case ContentKind::TooShort:
    case ContentKind::Text:
    case ContentKind::Compressible:
        break;
    }
    return false;
}

bool ContentTypes::shownByChance(const std::string& mimeType)
{
    if (!chanceTypes_) {
        // A fixed seed: the same types every run, so that a verdict never changes by itself.
        std::mt19937 generator(20261209u);
        std::vector<std::uint8_t> sample(kChanceSampleBytes);
        std::set<std::string> types;
        for (int i = 0; i < kChanceSamples; ++i) {
            for (std::uint8_t& byte : sample) {
                byte = static_cast<std::uint8_t>(generator() >> 24);
            }
            std::string type = library_->query(MAGIC_MIME_TYPE, sample);
            if (type != kNoType && !isText(type)) {
                types.insert(std::move(type));
            }
        }
        chanceTypes_ = std::move(types);
    }
    return chanceTypes_->contains(mimeType);
}

} // namespace velarium
