#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace velarium::test {

// A fresh folder that is removed with everything in it when the object goes away.
class TempFolder
{
public:
    // Made under `parent` (the system's temporary folder by default).
    explicit TempFolder(const std::filesystem::path& parent = {});
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, std::string_view bytes);
// Deterministic pseudo-random bytes.
std::string randomBytes(std::size_t size, unsigned seed);

} // namespace velarium::test
