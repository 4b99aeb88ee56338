#pragma once

#include "archive/CardArchive.h"

#include <filesystem>
#include <type_traits>
#include <utility>

namespace velarium {

// One use of the archive around a command: opened before the work, closed after it, whichever
// way the work ends. A failure to close after work that succeeded is the command's failure,
// since only a closed archive has everything written on the disk; after a failure the archive
// is closed quietly by its destructor and the first failure is the one reported. Whatever the
// command shows afterwards (a card, a box) comes after the file is closed, so no box ever holds
// the archive open while it waits for the user. `use` is what the command does with it.
template <typename Work>
decltype(auto) withArchive(const std::filesystem::path& programFolder, ArchiveUse use, Work&& work)
{
    CardArchive archive(programFolder);
    archive.Open(use);
    if constexpr (std::is_void_v<std::invoke_result_t<Work&, CardArchive&>>) {
        std::forward<Work>(work)(archive);
        archive.Close();
    } else {
        auto result = std::forward<Work>(work)(archive);
        archive.Close();
        return result;
    }
}

// The same for a command that writes cards, which makes a missing archive.
template <typename Work>
decltype(auto) withArchive(const std::filesystem::path& programFolder, Work&& work)
{
    return withArchive(programFolder, ArchiveUse::Writing, std::forward<Work>(work));
}

} // namespace velarium
