#pragma once

#include "main/ContentLook.h"
#include "main/InPlaceCipher.h"
#include "platform/Rc4.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The file format has no header and no check value, so no password can be proven wrong. But the
// archive's cards and the look of a file's first bytes, before and after the key stream, nearly
// always tell the two costly mistakes: encrypting a file already encrypted with the same
// password (which decrypts it), and decrypting with a password other than the file's (which
// turns it into noise). These checks read at most the file's first kLookBytes and the archive,
// and change nothing.
namespace velarium {

enum class CipherDoubt
{
    None,
    // The file looks like cipher text, and this password's key stream makes a real file of it.
    AlreadyEncrypted,
    // Cards name exactly this file, and none of them holds this password.
    NotTheCardsPassword,
    // No card names the file; it looks like cipher text and still does after the key stream.
    WrongPassword,
};

struct CipherCheck
{
    CipherDoubt doubt = CipherDoubt::None;
    // AlreadyEncrypted: what the key stream makes of the file, as ContentLook describes it;
    // empty when the content-type library names no type (text or compressible data).
    std::string type;
    std::string mimeType;
    // NotTheCardsPassword: the numbers of the cards that name the file, oldest first.
    std::vector<std::uint64_t> cards;
};

// Before the file is encrypted with `password`.
CipherCheck checkEncryption(ContentTypes& types, const std::filesystem::path& file,
                            std::string_view password,
                            platform::KeySize keySize = platform::KeySize::Bits128);

// Before the file is decrypted with `password`. `cardPath` is the file as a card names it
// (Windows-1252 bytes; empty for a path no card can hold); the cards are read from the archive
// in `programFolder`. An archive that
// cannot be read counts as one without cards: the look at the bytes still runs.
CipherCheck checkDecryption(ContentTypes& types, const std::filesystem::path& programFolder,
                            const std::filesystem::path& file, std::string_view cardPath,
                            std::string_view password,
                            platform::KeySize keySize = platform::KeySize::Bits128);

// What a cipher command runs before it starts, in `direction`. When the content-type library
// cannot start, the failure goes to the log and only the cards are consulted.
CipherCheck checkBeforeCipher(CipherDirection direction, const std::filesystem::path& programFolder,
                              const std::filesystem::path& file, std::string_view cardPath,
                              std::string_view password,
                              platform::KeySize keySize = platform::KeySize::Bits128);

// For the messages, in ASCII: what the key stream makes of the file ("PDF document
// (application/pdf)"), and the cards that name it ("nella scheda n. 4", "nelle schede n. 1, 4").
std::string recognisedTypeText(const CipherCheck& check);
std::string cardNumbersText(const CipherCheck& check);

} // namespace velarium
