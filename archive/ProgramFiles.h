#pragma once

#include <filesystem>
#include <span>

namespace velarium {

// Refuses a file that the program keeps or ships, as the target of any command that writes a
// file (an encryption, a decryption, a backup, an export): in the program folder the card
// archive, the access store, the executables, the guide, the cipher's temporary files, the icon
// and the desktop entry, any shared library beside them and anything in a folder below (the
// translations, a Windows build's plug-ins); the folder of the exports handed to the desktop;
// and `alsoRefused` (the running executable, say). Any spelling counts, and so does a symbolic
// or hard link to one of them. Raises velarium::Error, naming the file.
void refuseProgramFile(const std::filesystem::path& programFolder,
                       const std::filesystem::path& destination,
                       std::span<const std::filesystem::path> alsoRefused = {});

} // namespace velarium
