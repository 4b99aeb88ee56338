#include "platform/FileReplace.h"
#include "platform/Text.h"
#include "platform/portable/OfficeParts.h"

#include <system_error>

namespace velarium::platform::office {
namespace {

namespace fs = std::filesystem;

// A name that is taken, even by a link that leads nowhere, is written only as the file it
// names: a broken link raises rather than being swapped for a file of passwords.
fs::path chosenFile(const fs::path& target)
{
    std::error_code unknown;
    return fs::exists(fs::symlink_status(target, unknown)) ? replaceableTarget(target) : target;
}

} // namespace

std::string documentText(std::string_view cp1252)
{
    std::string text = cp1252ToUtf8(cp1252);
    for (char& c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            c = ' ';
        }
    }
    return text;
}

void writeDocumentFile(const fs::path& target, std::string_view bytes)
{
    writeFileAtomically(chosenFile(target), bytes, NewFile::Private);
}

void writeDocumentFile(const fs::path& target, const std::function<void(const fs::path&)>& fill)
{
    writeFileAtomically(chosenFile(target), fill, NewFile::Private);
}

} // namespace velarium::platform::office
