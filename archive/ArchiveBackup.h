#pragma once

#include <filesystem>
#include <string_view>

namespace velarium {

inline constexpr std::string_view kBackupExtension = ".bka";

// The name a backup is written under: the chosen one, with ".bka" added unless it already ends
// with exactly that. Letter case counts, so "copia.BKA" becomes "copia.BKA.bka". A chosen name
// that is a folder ("copie/", ".", an existing folder) is refused rather than given a hidden
// "copie/.bka": raises velarium::Error.
std::filesystem::path withBackupExtension(const std::filesystem::path& chosen);

// Copies the archive of the program folder, byte for byte, to `destination`. The copy is on the
// disk before this returns; a failure leaves no partial backup and any earlier file of that name
// as it was. The archive is held in its exclusive section meanwhile, so that the copy never
// holds part of a card that another copy of the program is appending. Fails when the archive is
// missing or `destination` is the archive itself or another of the program's own files
// (refuseProgramFile), under any name. Raises.
void backupArchive(const std::filesystem::path& programFolder,
                   const std::filesystem::path& destination);

// Makes the archive of the program folder a byte-for-byte copy of `source`, which must be an
// archive itself (checkArchiveFile): the bytes checked are those of the copy that takes the
// archive's place. The archive is replaced in one step, in its exclusive section, so that a card
// another copy of the program appends or rewrites goes into the old archive before or into the
// restored one after, never into a file already let go; until then the archive stays whole, and
// a failure leaves it as it was. Fails when `source` is the archive itself. Raises.
void restoreArchive(const std::filesystem::path& programFolder,
                    const std::filesystem::path& source);

} // namespace velarium
