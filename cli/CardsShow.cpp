// cards show: one card, read wherever it lies in the archive.

#include "archive/ArchiveSession.h"
#include "archive/CardArchive.h"
#include "cli/Commands.h"

#include <iostream>

namespace velarium::cli {

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

} // namespace velarium::cli
