#include "main/CipherChecks.h"

#include "archive/ArchiveSession.h"
#include "archive/CardList.h"
#include "platform/FileIo.h"
#include "platform/Log.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <span>

namespace velarium {
namespace {

// The first bytes of the file; nothing when there is nothing to look at. The cipher itself
// refuses what cannot be read (a missing file, a pipe), with its own message: a failure here
// only skips the look.
std::optional<std::string> firstBytes(const std::filesystem::path& file)
{
    try {
        return platform::readFileStart(file, kLookBytes);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::span<const std::uint8_t> asBytes(const std::string& text)
{
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// The bytes after this password's key stream: what the cipher would write first. The stream is
// run in the cipher's own blocks, so that every provider gives what the cipher gives.
std::string throughKeyStream(std::string bytes, std::string_view password,
                             platform::KeySize keySize)
{
    constexpr std::size_t kBlock = 512;
    const std::unique_ptr<platform::Rc4Key> key = platform::deriveRc4Key(password, keySize);
    auto* data = reinterpret_cast<std::uint8_t*>(bytes.data());
    for (std::size_t at = 0; at < bytes.size(); at += kBlock) {
        key->decrypt({data + at, std::min(kBlock, bytes.size() - at)});
    }
    return bytes;
}

// The file's first bytes when they look like cipher text; nothing otherwise, or without `types`.
std::optional<std::string> cipherTextAtStart(ContentTypes* types, const std::filesystem::path& file)
{
    std::optional<std::string> bytes = types ? firstBytes(file) : std::nullopt;
    if (!bytes || !types->looksRandom(types->look(asBytes(*bytes)))) {
        return std::nullopt;
    }
    return bytes;
}

struct CardsNaming
{
    std::vector<std::uint64_t> numbers;
    bool onePasswordMatches = false;
};

CardsNaming cardsNaming(const std::filesystem::path& programFolder, std::string_view cardPath,
                        std::string_view password)
{
    CardsNaming found;
    if (cardPath.empty()) {
        return found;
    }
    try {
        withArchive(programFolder, ArchiveUse::Reading, [&](CardArchive& archive) {
            for (const auto& [card, number] : cardsForFile(archive, cardPath)) {
                found.numbers.push_back(number);
                found.onePasswordMatches |= card.FilePassword == password;
            }
        });
    } catch (const std::exception& failure) {
        logFailure("Controllo delle schede del file", failure);
        return {};
    }
    return found;
}

// Without `types`, no look at the bytes.
CipherCheck encryptionCheck(ContentTypes* types, const std::filesystem::path& file,
                            std::string_view password, platform::KeySize keySize)
{
    CipherCheck check;
    std::optional<std::string> bytes = cipherTextAtStart(types, file);
    if (!bytes) {
        return check;
    }
    const std::string clear = throughKeyStream(std::move(*bytes), password, keySize);
    const ContentLook after = types->look(asBytes(clear));
    if (types->looksReal(after)) {
        check.doubt = CipherDoubt::AlreadyEncrypted;
        check.type = after.description;
        check.mimeType = after.mimeType;
    }
    return check;
}

CipherCheck decryptionCheck(ContentTypes* types, const std::filesystem::path& programFolder,
                            const std::filesystem::path& file, std::string_view cardPath,
                            std::string_view password, platform::KeySize keySize)
{
    CipherCheck check;
    CardsNaming cards = cardsNaming(programFolder, cardPath, password);
    if (!cards.numbers.empty()) {
        // A card that holds this password settles it: no look at the bytes.
        if (!cards.onePasswordMatches) {
            check.doubt = CipherDoubt::NotTheCardsPassword;
            check.cards = std::move(cards.numbers);
        }
        return check;
    }
    std::optional<std::string> bytes = cipherTextAtStart(types, file);
    if (!bytes) {
        return check;
    }
    const std::string clear = throughKeyStream(std::move(*bytes), password, keySize);
    if (types->looksRandom(types->look(asBytes(clear)))) {
        check.doubt = CipherDoubt::WrongPassword;
    }
    return check;
}

} // namespace

CipherCheck checkEncryption(ContentTypes& types, const std::filesystem::path& file,
                            std::string_view password, platform::KeySize keySize)
{
    return encryptionCheck(&types, file, password, keySize);
}

CipherCheck checkDecryption(ContentTypes& types, const std::filesystem::path& programFolder,
                            const std::filesystem::path& file, std::string_view cardPath,
                            std::string_view password, platform::KeySize keySize)
{
    return decryptionCheck(&types, programFolder, file, cardPath, password, keySize);
}

CipherCheck checkBeforeCipher(CipherDirection direction, const std::filesystem::path& programFolder,
                              const std::filesystem::path& file, std::string_view cardPath,
                              std::string_view password, platform::KeySize keySize)
{
    std::optional<ContentTypes> types;
    try {
        types.emplace();
    } catch (const std::exception& failure) {
        logFailure("Controllo del contenuto del file", failure);
    }
    ContentTypes* look = types ? &*types : nullptr;
    return direction == CipherDirection::Encrypt
               ? encryptionCheck(look, file, password, keySize)
               : decryptionCheck(look, programFolder, file, cardPath, password, keySize);
}

std::string recognisedTypeText(const CipherCheck& check)
{
    if (check.type.empty()) {
        return "dati strutturati, non casuali";
    }
    return check.type + " (" + check.mimeType + ")";
}

std::string cardNumbersText(const CipherCheck& check)
{
    std::string text = check.cards.size() == 1 ? "nella scheda n. " : "nelle schede n. ";
    for (std::size_t at = 0; at < check.cards.size(); ++at) {
        text += (at == 0 ? "" : ", ") + std::to_string(check.cards[at]);
    }
    return text;
}

} // namespace velarium
