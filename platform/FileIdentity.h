#pragma once

#include <compare>
#include <cstdint>
#include <filesystem>
#include <optional>

namespace velarium::platform {

// What tells two names of one file (links, other spellings) from two files: the volume and the
// file's number on it.
struct FileIdentity
{
    std::uint64_t volume = 0;
    std::uint64_t file = 0;

    auto operator<=>(const FileIdentity&) const = default;
};

// The identity of the file a path names, links followed; none when it cannot be reached.
std::optional<FileIdentity> fileIdentity(const std::filesystem::path& path);

// The file of the running program, when the system tells it.
std::optional<std::filesystem::path> runningExecutable();

} // namespace velarium::platform
