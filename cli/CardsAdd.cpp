// cards add: the main window's Save for a new card, from a script or a terminal.

#include "archive/ArchiveSession.h"
#include "archive/CardArchive.h"
#include "archive/CardChecks.h"
#include "cli/Command.h"
#include "cli/PasswordInput.h"
#include "platform/Text.h"
#include "platform/Utf8Path.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <vector>

namespace velarium::cli {
namespace {

void wipe(std::string& text)
{
    // Taken over by a Secret only to be wiped with it.
    const Secret gone(std::move(text));
}

const char* const kNotWindows1252 = "Sono ammessi soltanto i caratteri della codifica Windows-1252 "
                                    "(lettere accentate comprese), scritti in UTF-8.";

// The first sentence of the window's warning for each check, and how to mend it here.
std::string refusal(CardProblem problem)
{
    switch (problem) {
    case CardProblem::None:
        break;
    case CardProblem::NoFile:
        return "Attenzione: non è stato selezionato alcun file.\n"
               "Indicare il file da criptare con --file PERCORSO.";
    case CardProblem::FileNotInCodePage:
        return std::string("Attenzione: il percorso del file contiene caratteri che l'archivio "
                           "non può registrare.\n") +
               kNotWindows1252;
    case CardProblem::FileNotExact:
        return "Attenzione: il percorso del file inizia o termina con uno spazio o con un "
               "carattere di controllo, che l'archivio non può registrare.\n"
               "Rinominare il file togliendo gli spazi iniziali e finali.";
    case CardProblem::FileTooLong:
        return "Attenzione: il percorso del file supera i 250 caratteri che l'archivio può "
               "registrare.\n"
               "Spostare il file in una cartella dal percorso più breve, o abbreviarne il nome.";
    case CardProblem::NoDescription:
        return "Attenzione: inserire una descrizione del file da criptare.\n"
               "Indicarla con --description TESTO.";
    case CardProblem::DescriptionNotInCodePage:
        return std::string("Attenzione: la descrizione contiene caratteri che l'archivio non "
                           "può registrare.\n") +
               kNotWindows1252;
    case CardProblem::DescriptionTooLong:
        return "Attenzione: la descrizione supera i 250 caratteri che l'archivio può registrare.";
    case CardProblem::NoPassword:
        return "Attenzione: indicare la password da abbinare al file da criptare.";
    case CardProblem::NoConfirmation:
        return "Attenzione: confermare la password di criptaggio immettendo lo stesso valore "
               "alla richiesta Conferma password.";
    case CardProblem::PasswordsDiffer:
        return "Attenzione: la password indicata non corrisponde a quella immessa come conferma.";
    case CardProblem::PasswordNotInCodePage:
        return std::string("Attenzione: la password contiene caratteri non ammessi.\n") +
               kNotWindows1252;
    case CardProblem::PasswordTooLong:
        return "Attenzione: la password supera i 250 caratteri che l'archivio può registrare.";
    }
    return {};
}

int cardRefused(CardProblem problem)
{
    std::cerr << refusal(problem) << '\n';
    return kFailure;
}

// Converted for the archive, and wiped with the rest of the card's texts.
TypedText typedPassword(const Secret& typed)
{
    return utf8ToCp1252(typed.view());
}

// The main window's Save for a new card: the same checks (one table for both) in the same
// order, with the first sentence of its warnings; then the card is appended.
int runCardsAdd(const Context& context, const AddRequest& request)
{
    // The path exactly as given, completed with the current folder when relative: a card that
    // named a trimmed path would name another file.
    TypedCard typed;
    typed.file = trimmed(request.file).empty()
                     ? std::string()
                     : utf8ToCp1252(utf8FromPath(wholePath(pathFromUtf8(request.file))));
    typed.description = utf8ToCp1252(request.description);
    // Before the passwords are asked: typing them twice for nothing would be a poor reward.
    if (const CardProblem problem = checkCardFileAndDescription(typed.file, typed.description);
        problem != CardProblem::None) {
        return cardRefused(problem);
    }

    {
        const CardPasswords passwords = readCardPasswords();
        typed.password = typedPassword(passwords.password);
        typed.confirmation = typedPassword(passwords.confirmation);
    }
    FileCard card = storedCard(typed);
    // Every copy of the password goes the way of every password the tool holds.
    struct WipeLater
    {
        std::vector<std::string*> texts;
        ~WipeLater()
        {
            for (std::string* text : texts) {
                wipe(*text);
            }
        }
    } wipeLater{{&card.FilePassword, &card.Confirmation}};
    for (TypedText* text : {&typed.password, &typed.confirmation}) {
        if (*text) {
            wipeLater.texts.push_back(&**text);
        }
    }
    if (const CardProblem problem = checkCard(typed); problem != CardProblem::None) {
        return cardRefused(problem);
    }

    std::uint64_t number = 0;
    try {
        number = withArchive(context.programFolder,
                             [&](CardArchive& archive) { return archive.Append(card); });
    } catch (const ArchiveError& error) {
        return archiveFailure(error);
    }
    std::cout << number << '\n';
    return finishOutput("Scheda aggiunta all'archivio con il numero " + std::to_string(number) +
                        ".");
}

class CardsAddCommand final : public Command
{
public:
    using Command::Command;

    void declare(CLI::App& command) const override
    {
        addValueOption(command, "--file");
        addValueOption(command, "--description");
    }

    std::variant<Request, UsageError> request(const Reading& reading) const override
    {
        if (!reading.operands().empty()) {
            return wrong("argomento inatteso per cards add: " + reading.operands().front());
        }
        for (const std::string option : {"--file", "--description"}) {
            if (reading.count(option) > 1) {
                return wrong("opzione ripetuta: " + option);
            }
        }
        const std::vector<std::string>& file = reading.values("--file");
        const std::vector<std::string>& description = reading.values("--description");
        if (file.empty() || description.empty()) {
            return wrong(file.empty() ? "manca --file" : "manca --description");
        }
        return AddRequest{file.front(), description.front()};
    }

    int run(const Context& context, const Request& request) const override
    {
        return runCardsAdd(context, std::get<AddRequest>(request));
    }
};

} // namespace

const Command& cardsAddCommand()
{
    static const CardsAddCommand command(
        {.name = "cards add",
         .arguments = "--file PERCORSO --description TESTO",
         .summary = "aggiunge una scheda e ne stampa il numero",
         .details =
             "La scheda va in fondo all'archivio; il suo numero è l'unica riga stampata\n"
             "sullo standard output. La password è la prima riga dello standard input e\n"
             "vale anche come conferma; da un terminale vengono chieste password e conferma\n"
             "senza mostrarle. Come con Salva nella finestra principale, percorso,\n"
             "descrizione, password e conferma non possono essere vuoti, e password e\n"
             "conferma devono coincidere. Descrizione e password sono registrate senza\n"
             "spazi iniziali e finali; il percorso è registrato esattamente com'è, e un\n"
             "percorso relativo è completato con la cartella corrente. Sono rifiutati: un\n"
             "percorso che inizia o termina con uno spazio, un testo di oltre 250\n"
             "caratteri e i caratteri estranei alla codifica dell'archivio (Windows-1252).\n",
         .examples = "printf '%s\\n' 'la mia password' |\n"
                     "    velarium-cli cards add --file documento.pdf --description 'Contratto'\n"
                     "velarium-cli cards add --file=foto.jpg --description='Vacanze 2024'\n"});
    return command;
}

} // namespace velarium::cli
