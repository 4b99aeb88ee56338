#include "archive/CardChecks.h"

#include "platform/Text.h"

namespace velarium {
namespace {

// A text that holds a character outside the code page holds at least one that is not blank.
bool isEmpty(const TypedText& text)
{
    return text && trimmed(*text).empty();
}

bool fitsAField(std::string_view text)
{
    return text.size() <= kCardFieldCapacity;
}

CardProblem checkFile(const TypedText& file, bool storing)
{
    if (isEmpty(file)) {
        return CardProblem::NoFile;
    }
    if (!storing) {
        return CardProblem::None;
    }
    if (!file) {
        return CardProblem::FileNotInCodePage;
    }
    if (trimmed(*file) != *file) {
        return CardProblem::FileNotExact;
    }
    if (!fitsAField(*file)) {
        return CardProblem::FileTooLong;
    }
    return CardProblem::None;
}

CardProblem checkDescription(const TypedText& description, bool storing)
{
    if (isEmpty(description)) {
        return CardProblem::NoDescription;
    }
    if (!storing) {
        return CardProblem::None;
    }
    if (!description) {
        return CardProblem::DescriptionNotInCodePage;
    }
    if (!fitsAField(trimmed(*description))) {
        return CardProblem::DescriptionTooLong;
    }
    return CardProblem::None;
}

CardProblem checkPasswords(const TypedText& password, const TypedText& confirmation, bool storing)
{
    if (isEmpty(password)) {
        return CardProblem::NoPassword;
    }
    if (isEmpty(confirmation)) {
        return CardProblem::NoConfirmation;
    }
    // Texts the code page cannot hold are told apart only where it can.
    if (password && confirmation && trimmed(*password) != trimmed(*confirmation)) {
        return CardProblem::PasswordsDiffer;
    }
    if (!storing) {
        return CardProblem::None;
    }
    if (!password || !confirmation) {
        return CardProblem::PasswordNotInCodePage;
    }
    if (!fitsAField(trimmed(*password))) {
        return CardProblem::PasswordTooLong;
    }
    return CardProblem::None;
}

} // namespace

CardProblem checkCardFileAndDescription(const TypedText& file, const TypedText& description)
{
    const CardProblem problem = checkFile(file, true);
    return problem != CardProblem::None ? problem : checkDescription(description, true);
}

CardProblem checkCard(const TypedCard& card, CardUse use)
{
    const bool storing = use == CardUse::Store;
    CardProblem problem = checkFile(card.file, storing);
    if (problem == CardProblem::None && use != CardUse::Decrypt) {
        problem = checkDescription(card.description, storing);
    }
    if (problem == CardProblem::None) {
        problem = checkPasswords(card.password, card.confirmation, storing);
    }
    return problem;
}

FileCard storedCard(const TypedCard& card)
{
    auto stored = [](const TypedText& text) {
        return text ? std::string(trimmed(*text)) : std::string();
    };
    return {stored(card.file), stored(card.description), stored(card.password),
            stored(card.confirmation)};
}

KeyProblem checkEncryptionKey(std::string_view password)
{
    if (trimmed(password) != password) {
        return KeyProblem::Padded;
    }
    if (!fitsAField(password)) {
        return KeyProblem::TooLong;
    }
    return KeyProblem::None;
}

std::filesystem::path wholePath(const std::filesystem::path& given)
{
    std::filesystem::path whole;
    for (const std::filesystem::path& part : std::filesystem::absolute(given)) {
        if (part != ".") {
            whole /= part;
        }
    }
    return whole;
}

} // namespace velarium
