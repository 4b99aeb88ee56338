#pragma once

#include "platform/Error.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <string>

namespace velarium {

// The bytes a look takes from the start of a file: enough to tell, few enough to cost nothing.
inline constexpr std::size_t kLookBytes = 64 * 1024;
// Below this, random bytes pass for text too often for any look to tell.
inline constexpr std::size_t kLookMinimumBytes = 256;

enum class ContentKind
{
    TooShort,     // too few bytes to tell anything
    Text,         // the content-type library calls it text
    Compressible, // clearly compressible: structure, whatever its type
    Recognised,   // a type the library names, incompressible (a picture, an archive)
    Unrecognised, // of no named type and incompressible: what cipher text looks like
};

struct ContentLook
{
    ContentKind kind = ContentKind::TooShort;
    // The library's name of the type ("application/pdf"), and its description shortened to
    // its first clause and to printable ASCII ("PDF document"); empty when it names none.
    std::string mimeType;
    std::string description;
};

// The content-type library could not start (no database, say).
class ContentTypesUnavailable : public Error
{
public:
    using Error::Error;
};

// Tells what a file's first bytes look like, through the content-type library (libmagic) and a
// compressor (zlib). Not for use from two threads at once.
class ContentTypes
{
public:
    // With the library's database `database`; with none, the one beside the running program
    // ("magic.mgc") where there is one, else the system's. Raises ContentTypesUnavailable.
    explicit ContentTypes(const std::optional<std::filesystem::path>& database = std::nullopt);
    ~ContentTypes();
    ContentTypes(const ContentTypes&) = delete;
    ContentTypes& operator=(const ContentTypes&) = delete;

    ContentLook look(std::span<const std::uint8_t> bytes);

    // Whether the bytes look like those of a real file: text, compressible, or of a type that
    // random bytes do not show by chance. A few of the library's types are told by a byte or
    // two (an old DOS program starts with a jump): among random bytes they turn up every
    // hundred tries, so they prove nothing on incompressible bytes.
    bool looksReal(const ContentLook& look);
    // Whether the bytes look like cipher text: incompressible, and of no type or of one that
    // random bytes show by chance.
    bool looksRandom(const ContentLook& look);

private:
    bool shownByChance(const std::string& mimeType);

    struct Library;
    std::unique_ptr<Library> library_;
    // Measured once, when first needed: the types the library gives to pseudo-random bytes.
    std::optional<std::set<std::string>> chanceTypes_;
};

} // namespace velarium
