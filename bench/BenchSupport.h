#pragma once

// What the benchmarks share: a scratch folder, and a child process timed from start to exit.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velarium::bench {

// Raises with the system's reason (errno) after `what`.
[[noreturn]] void fail(const std::string& what);

// Writes all of `data`, going on after interruptions; raises naming `path` on failure.
void writeAll(int fd, const char* data, std::size_t size, const std::filesystem::path& path);

// Fills `data` as far as the file goes, going on after interruptions; returns how much was read,
// less than `size` only at the end. Raises naming `path` on failure.
std::size_t readFull(int fd, char* data, std::size_t size, const std::filesystem::path& path);

// A new folder under `base`, removed with its contents at the end.
class BenchFolder
{
public:
    explicit BenchFolder(const std::filesystem::path& base);
    ~BenchFolder();
    BenchFolder(const BenchFolder&) = delete;
    BenchFolder& operator=(const BenchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

struct ChildRun
{
    double seconds = 0; // from the start to the exit
    double peakMiB = 0; // the peak resident memory the kernel recorded for the child
};

// Runs `command` (looked up on the PATH), with `input` on its standard input (it must fit in a
// pipe's buffer) or nothing, and its output handed to `output` piece by piece or thrown away.
// Raises when the command cannot start or does not end with status 0.
ChildRun runChild(const std::vector<std::string>& command,
                  const std::optional<std::string>& input = std::nullopt,
                  const std::function<void(std::string_view)>& output = {});

} // namespace velarium::bench
