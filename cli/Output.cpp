#include "archive/CardArchive.h"
#include "cli/Command.h"
#include "platform/Text.h"

#include <algorithm>
#include <iostream>

namespace velarium::cli {

int wrongUsage(std::string_view problem)
{
    std::cerr << "velarium-cli: " << problem << '\n'
              << kSynopsis << "L'elenco dei comandi: velarium-cli --help\n";
    return kWrongUsage;
}

int finishOutput(std::string_view whatWasDone)
{
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "Attenzione: impossibile scrivere sullo standard output.\n";
        if (!whatWasDone.empty()) {
            std::cerr << "Il comando è stato comunque eseguito:\n" << whatWasDone << '\n';
        }
        return kFailure;
    }
    return kSuccess;
}

int archiveFailure(const ArchiveError& error)
{
    std::cerr << "Attenzione: il sistema non permette di accedere all'archivio.\n"
              << error.what() << '\n';
    return kFailure;
}

std::string cardCount(std::uint64_t count)
{
    if (count == 0) {
        return "l'archivio è vuoto";
    }
    return "l'archivio contiene " + std::to_string(count) + (count == 1 ? " scheda" : " schede");
}

std::string shownText(std::string_view cp1252)
{
    std::string text = cp1252ToUtf8(trimmed(cp1252));
    std::replace_if(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }, ' ');
    return text;
}

} // namespace velarium::cli
