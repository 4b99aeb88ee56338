// cards show: one card, read wherever it lies in the archive.

#include "archive/ArchiveSession.h"
#include "archive/CardArchive.h"
#include "cli/Command.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <iostream>

namespace velarium::cli {
namespace {

int runCardsShow(const Context& context, const ShowRequest& request)
{
    if (request.number == 0) {
        std::cerr << "Scheda 0 inesistente: le schede si contano da 1.\n";
        return kFailure;
    }
    FileCard card;
    std::uint64_t count = 0;
    try {
        withArchive(context.programFolder, ArchiveUse::Reading, [&](CardArchive& archive) {
            count = archive.Count();
            if (request.number <= count) {
                archive.Seek(request.number - 1);
                card = archive.Read();
            }
        });
    } catch (const ArchiveError& error) {
        return archiveFailure(error);
    }
    if (request.number > count) {
        std::cerr << "Scheda " << request.written << " inesistente: " << cardCount(count) << ".\n";
        return kFailure;
    }
    std::cout << shownText(card.FilePath) << '\n' << shownText(card.Description) << '\n';
    if (request.passwords) {
        std::cout << shownText(card.FilePassword) << '\n' << shownText(card.Confirmation) << '\n';
    }
    return finishOutput();
}

class CardsShowCommand final : public Command
{
public:
    using Command::Command;

    void declare(CLI::App& command) const override { addFlag(command, "--passwords"); }

    std::variant<Request, UsageError> request(const Reading& reading) const override
    {
        if (reading.count("--passwords") > 1) {
            return wrong("opzione ripetuta: --passwords");
        }
        const std::vector<std::string>& operands = reading.operands();
        if (operands.size() != 1) {
            return wrong(operands.empty() ? "manca il numero della scheda"
                                          : "un solo numero di scheda");
        }
        const std::string& number = operands.front();
        // Digits only: no sign, no blank, no decimal point, nothing after the number. Checked
        // here rather than by a validator, since the number may come after "--".
        if (number.empty() || !std::all_of(number.begin(), number.end(),
                                           [](char c) { return c >= '0' && c <= '9'; })) {
            return wrong("numero di scheda non valido: \"" + number +
                         "\" (un numero intero, le schede si contano da 1)");
        }
        ShowRequest show{UINT64_MAX, number, reading.count("--passwords") == 1};
        std::from_chars(number.data(), number.data() + number.size(), show.number);
        return show;
    }

    int run(const Context& context, const Request& request) const override
    {
        return runCardsShow(context, std::get<ShowRequest>(request));
    }
};

} // namespace

const Command& cardsShowCommand()
{
    static const CardsShowCommand command(
        {.name = "cards show",
         .arguments = "N [--passwords]",
         .summary = "mostra percorso e descrizione della scheda N",
         .details = "Una riga ciascuno; con --passwords seguono la password e la conferma,\n"
                    "in chiaro.\n",
         .examples = "velarium-cli cards show 3\n"
                     "velarium-cli cards show 3 --passwords\n"});
    return command;
}

} // namespace velarium::cli
