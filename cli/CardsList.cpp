// cards list: the cards' numbers and descriptions, optionally only those holding a text.

#include "archive/ArchiveSession.h"
#include "archive/CardArchive.h"
#include "archive/CardSearch.h"
#include "cli/Command.h"
#include "platform/Text.h"

#include <iostream>

namespace velarium::cli {
namespace {

int runCardsList(const Context& context, const ListRequest& request)
{
    std::string criteria;
    if (request.text) {
        std::optional<std::string> converted = utf8ToCp1252(*request.text);
        if (!converted) {
            std::cerr << "Attenzione: il testo da cercare non è UTF-8 valido o contiene caratteri "
                         "estranei alla codifica dell'archivio (Windows-1252).\n";
            return kFailure;
        }
        criteria = std::move(*converted);
    }
    // Lines are gathered into large blocks: a hundred thousand cards must list in a blink.
    constexpr std::size_t kBlock = 64 * 1024;
    std::string block;
    block.reserve(kBlock + 1024);
    try {
        withArchive(context.programFolder, ArchiveUse::Reading, [&](CardArchive& archive) {
            // Cards appended while listing are not waited for; the ones counted here are all
            // read.
            const std::uint64_t count = archive.Count();
            for (std::uint64_t number = 1; number <= count; ++number) {
                const FileCard card = archive.Read();
                if (!cardListed(card.Description, criteria)) {
                    continue;
                }
                block += std::to_string(number);
                block += '\t';
                block += shownText(card.Description);
                block += '\n';
                if (block.size() >= kBlock) {
                    std::cout.write(block.data(), static_cast<std::streamsize>(block.size()));
                    block.clear();
                }
            }
        });
    } catch (const ArchiveError& error) {
        // What was listed stays listed: it is correct as far as it goes.
        std::cout.write(block.data(), static_cast<std::streamsize>(block.size()));
        std::cout.flush();
        return archiveFailure(error);
    }
    std::cout.write(block.data(), static_cast<std::streamsize>(block.size()));
    return finishOutput();
}

class CardsListCommand final : public Command
{
public:
    using Command::Command;

    std::variant<Request, UsageError> request(const Reading& reading) const override
    {
        const std::vector<std::string>& operands = reading.operands();
        if (operands.size() > 1) {
            return wrong("argomenti errati per cards list");
        }
        return ListRequest{operands.empty() ? std::nullopt : std::optional(operands.front())};
    }

    int run(const Context& context, const Request& request) const override
    {
        return runCardsList(context, std::get<ListRequest>(request));
    }
};

} // namespace

const Command& cardsListCommand()
{
    static const CardsListCommand command(
        {.name = "cards list",
         .arguments = "[TESTO]",
         .summary = "elenca le schede: numero, TAB, descrizione",
         .details =
             "Le schede sono quelle dell'archivio Velarium.pro, numerate da 1, una per riga.\n"
             "Con TESTO sono elencate solo le schede la cui descrizione contiene TESTO così\n"
             "com'è, spazi compresi; maiuscole e minuscole si equivalgono solo per le\n"
             "lettere A-Z.\n",
         .examples = "velarium-cli cards list\n"
                     "velarium-cli cards list fattura\n"});
    return command;
}

} // namespace velarium::cli
