#pragma once

// The tool's commands, each in its own file, and what they share.

#include "cli/Requests.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace velarium {
class ArchiveError;
}

namespace velarium::cli {

// Scripts tell a refused request from a failed one by these.
inline constexpr int kSuccess = 0;
inline constexpr int kFailure = 1;
inline constexpr int kWrongUsage = 2;

struct Context
{
    std::filesystem::path programFolder;
};

int runCipher(const Context& context, const CipherRequest& request);
int runCardsList(const Context& context, const ListRequest& request);
int runCardsShow(const Context& context, const ShowRequest& request);
int runCardsAdd(const Context& context, const AddRequest& request);
int runExport(const Context& context, const ExportRequest& request);
int runBackup(const Context& context, const BackupRequest& request);
int runRestore(const Context& context, const RestoreRequest& request);
// Needs no program folder.
int runHelp(const HelpRequest& request);

// The problem, the synopsis and where to find the commands, on standard error; exit 2.
int wrongUsage(std::string_view problem);

// A failed write to standard output (a full disk behind a redirection) must not pass for a
// complete listing. Work already done stays done, so it is then told on standard error
// (`whatWasDone`, lines without a final line break): a script that retried a command it believed
// undone would encrypt a file back, or add a card twice.
int finishOutput(std::string_view whatWasDone = {});

int archiveFailure(const ArchiveError& error);

// "l'archivio è vuoto", "l'archivio contiene 1 scheda", "... 2 schede".
std::string cardCount(std::uint64_t count);

// Archive texts go out one to a line: trimmed, in UTF-8, and with any control character inside
// (only a damaged record holds one) made a blank, so that a line break never splits a card.
std::string shownText(std::string_view cp1252);

} // namespace velarium::cli
