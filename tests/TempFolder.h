#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <thread>

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

// Checks `condition` every few milliseconds until it holds, or until `timeout` has passed:
// whether it came to hold. For what another thread or program brings about in its own time.
template <typename Condition>
bool waitUntil(Condition&& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

} // namespace velarium::test
