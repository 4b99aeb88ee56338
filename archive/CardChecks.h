#pragma once

#include "archive/CardArchive.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The checks a card passes before it is stored, shared by the window's Save and `cards add`, so
// that the two can never store different cards from the same input. Each caller turns a failed
// check into its own words and, in the window, its own focus.
namespace velarium {

// A text as typed, in Windows-1252 bytes; nothing when it holds a character that code page
// lacks (the archive could then only keep another text).
using TypedText = std::optional<std::string>;

struct TypedCard
{
    TypedText file;
    TypedText description;
    TypedText password;
    TypedText confirmation;
};

// In the order the checks run: the first one that fails is the one reported.
enum class CardProblem
{
    None,
    NoFile,
    // The path as shown must be the path stored: a card that kept another path would send its
    // commands to another file.
    FileNotInCodePage,
    FileNotExact, // blanks or control characters at either end, which storing would drop
    FileTooLong,  // more than a field holds, which storing would cut
    NoDescription,
    DescriptionNotInCodePage,
    DescriptionTooLong,
    NoPassword,
    NoConfirmation,
    PasswordsDiffer, // compared trimmed, letter case counting
    PasswordNotInCodePage,
    PasswordTooLong, // a cut password could never give back the key of the whole one
};

// What the card on screen is about to be used for. Storing runs every check; the cipher
// commands ask only that the fields they need are there and the two passwords alike, since they
// act on the card as it stands (encrypting also asks that it is the card stored, elsewhere).
enum class CardUse
{
    Store,
    Encrypt,
    Decrypt, // needs no description
};

// The first check that fails, or None.
CardProblem checkCard(const TypedCard& card, CardUse use = CardUse::Store);
// Only the checks of the file and the description, for a caller that asks for the passwords
// once these have passed.
CardProblem checkCardFileAndDescription(const TypedText& file, const TypedText& description);

// The card as the archive keeps it: each text trimmed. Only for a card that passed checkCard.
FileCard storedCard(const TypedCard& card);

// What stops a password from serving as an encryption key that a card can give back.
enum class KeyProblem
{
    None,
    // Blanks or control characters at either end: a card keeps its password trimmed, and the
    // trimmed one gives another key.
    Padded,
    TooLong, // more than a card's field holds
};

KeyProblem checkEncryptionKey(std::string_view password);

// The path a card holds for a file named from anywhere (a command line, a file manager):
// completed with the current folder when relative. Only "." steps are dropped; a ".." stays,
// since behind a symbolic link it does not lead back.
std::filesystem::path wholePath(const std::filesystem::path& given);

} // namespace velarium
