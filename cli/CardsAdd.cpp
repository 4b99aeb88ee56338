// cards add: the main window's Save for a new card, from a script or a terminal.

#include "archive/ArchiveSession.h"
#include "archive/CardArchive.h"
#include "cli/Commands.h"
#include "cli/PasswordInput.h"
#include "platform/Text.h"

#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace velarium::cli {
namespace {

namespace fs = std::filesystem;

void wipe(std::string& text)
{
    // Taken over by a Secret only to be wiped with it.
    const Secret gone(std::move(text));
}

int cardRefused(std::string_view message)
{
    std::cerr << message << '\n';
    return kFailure;
}

// The card names its file from any folder: a relative path is completed with the current one.
// Only "." steps are dropped; a ".." stays, since behind a symbolic link it does not lead back.
fs::path wholePath(std::string_view given)
{
    fs::path whole;
    for (const fs::path& part : fs::absolute(fs::path(std::string(given)))) {
        if (part != ".") {
            whole /= part;
        }
    }
    return whole;
}

const char* const kNotWindows1252 = "Sono ammessi soltanto i caratteri della codifica Windows-1252 "
                                    "(lettere accentate comprese), scritti in UTF-8.";

} // namespace

// The main window's Save for a new card: its five checks in its order, on trimmed texts, with
// the first sentence of its warnings; then the card is appended.
int runCardsAdd(const Context& context, const AddRequest& request)
{
    const std::string_view file = trimmed(request.file);
    if (file.empty()) {
        return cardRefused("Attenzione: non è stato selezionato alcun file.\n"
                           "Indicare il file da criptare con --file PERCORSO.");
    }
    const std::string_view description = trimmed(request.description);
    if (description.empty()) {
        return cardRefused("Attenzione: inserire una descrizione del file da criptare.\n"
                           "Indicarla con --description TESTO.");
    }
    // Before the passwords are asked: typing them twice for nothing would be a poor reward.
    const std::optional<std::string> path = utf8ToCp1252(wholePath(file).string());
    if (!path) {
        return cardRefused(std::string("Attenzione: il percorso del file contiene caratteri che "
                                       "l'archivio non può registrare.\n") +
                           kNotWindows1252);
    }
    const std::optional<std::string> storedDescription = utf8ToCp1252(description);
    if (!storedDescription) {
        return cardRefused(std::string("Attenzione: la descrizione contiene caratteri che "
                                       "l'archivio non può registrare.\n") +
                           kNotWindows1252);
    }

    const CardPasswords typed = readCardPasswords(STDIN_FILENO);
    const std::string_view password = trimmed(typed.password.view());
    const std::string_view confirmation = trimmed(typed.confirmation.view());
    if (password.empty()) {
        return cardRefused("Attenzione: indicare la password da abbinare al file da criptare.");
    }
    if (confirmation.empty()) {
        return cardRefused("Attenzione: confermare la password di criptaggio immettendo lo stesso "
                           "valore alla richiesta Conferma password.");
    }
    if (password != confirmation) {
        return cardRefused("Attenzione: la password indicata non corrisponde a quella immessa "
                           "come conferma.");
    }
    std::optional<std::string> converted = utf8ToCp1252(password);
    if (!converted) {
        return cardRefused(std::string("Attenzione: la password contiene caratteri non "
                                       "ammessi.\n") +
                           kNotWindows1252);
    }
    const Secret storedPassword(std::move(*converted));

    FileCard card{*path, *storedDescription, std::string(storedPassword.view()),
                  std::string(storedPassword.view())};
    // The card's copies of the password go the way of every password the tool holds.
    struct WipeLater
    {
        FileCard& card;
        ~WipeLater()
        {
            wipe(card.FilePassword);
            wipe(card.Confirmation);
        }
    } wipeLater{card};
    std::uint64_t number = 0;
    try {
        number = withArchive(context.programFolder,
                             [&](CardArchive& archive) { return archive.Append(card); });
    } catch (const ArchiveError& error) {
        return archiveFailure(error);
    }
    std::cout << number << '\n';
    return finishOutput();
}

} // namespace velarium::cli
