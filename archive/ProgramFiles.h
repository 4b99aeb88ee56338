#pragma once

#include <filesystem>
#include <span>

namespace velarium {

// Refuses a destination that is one of the files only the program itself writes: in the program
// folder the card archive, the access store, the executables, the guide and the cipher's
// temporary files; `alsoRefused` adds files elsewhere (the running executable, say). Any
// spelling counts, and so does a symbolic or hard link to one of them, so that no backup or
// export ever takes their place. Raises velarium::Error, naming the file.
void refuseProgramFile(const std::filesystem::path& programFolder,
                       const std::filesystem::path& destination,
                       std::span<const std::filesystem::path> alsoRefused = {});

} // namespace velarium
