#pragma once

// What the fuzz targets share: a folder for the files they read, and a way to report a broken
// promise as the crash that libFuzzer keeps.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace velarium::fuzz {

// A folder of this process, in memory where the system offers it (every input is written to a
// file, and a disk would slow the run down); removed at exit.
const std::filesystem::path& scratchFolder();

// Replaces the file's content with `bytes`.
void writeBytes(const std::filesystem::path& file, std::string_view bytes);
std::string readBack(const std::filesystem::path& file);

// Ends the run with a report when a promise of the code under test does not hold.
void require(bool holds, const char* promise);

inline std::string_view asText(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

} // namespace velarium::fuzz
