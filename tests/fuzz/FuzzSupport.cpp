#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace velarium::fuzz {
namespace {

namespace fs = std::filesystem;

fs::path makeScratchFolder()
{
    std::error_code error;
    const fs::path base =
        fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (base / "velarium-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("velarium-fuzz: cannot create a scratch folder");
        std::abort();
    }
    return pattern;
}

void removeScratchFolder()
{
    std::error_code ignored;
    fs::remove_all(scratchFolder(), ignored);
}

} // namespace

const fs::path& scratchFolder()
{
    // Never destroyed: the exit handler that removes the folder still needs its name.
    static const fs::path* const folder = [] {
        const auto* made = new fs::path(makeScratchFolder());
        std::atexit(removeScratchFolder);
        return made;
    }();
    return *folder;
}

void writeBytes(const fs::path& file, std::string_view bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "velarium-fuzz: cannot write %s\n", file.c_str());
        std::abort();
    }
}

std::string readBack(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "velarium-fuzz: cannot read %s\n", file.c_str());
        std::abort();
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void require(bool holds, const char* promise)
{
    if (!holds) {
        std::fprintf(stderr, "velarium-fuzz: broken promise: %s\n", promise);
        std::abort();
    }
}

} // namespace velarium::fuzz
