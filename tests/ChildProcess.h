#pragma once

// Programs run as separate processes, exactly as a script would run them, and the helpers their
// tests share.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace velarium::test {

struct Outcome
{
    // The exit status, or -1 when a signal ended the process.
    int exitCode = -1;
    int signal = 0;
    // Killed for running past the deadline: a hang fails the test instead of stalling it.
    bool timedOut = false;
    std::string out;
    std::string err;
};

struct ChildOptions
{
    // Output is collected, or thrown away (for runs that are killed and whose output nobody
    // reads).
    bool captureOutput = true;
    // A descriptor (a terminal, say) to be the child's standard input instead of a pipe fed with
    // the input string.
    int inputFd = -1;
    // The same for standard error (then not collected).
    int errorFd = -1;
    // The largest file the child may write: a write beyond it fails with EFBIG, as one on a
    // full disk fails with ENOSPC, and the child is not killed for it.
    std::optional<std::uint64_t> fileSizeLimit;
};

// One run of a program with its standard input fed from a string.
class Child
{
public:
    Child(const std::string& program, const std::vector<std::string>& arguments,
          std::string_view input, bool captureOutput = true);
    Child(const std::string& program, const std::vector<std::string>& arguments,
          std::string_view input, const ChildOptions& options);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    void kill(int signal);
    // Stops the child (SIGSTOP) and returns once it has stopped, so that what it has done so far
    // can be looked at and nothing more happens meanwhile; false when it ended first.
    bool stop();
    // Lets a stopped child go on; a signal sent while it was stopped is delivered now.
    void resume();
    // Whether the child has ended (it is collected by finish() all the same).
    bool ended();
    pid_t pid() const { return pid_; }

    // Collects standard error until it holds `text`; false when the child closes it or the time
    // runs out first. What was read stays for finish().
    bool waitForError(std::string_view text,
                      std::chrono::milliseconds limit = std::chrono::seconds(30));

    // Collects the output until the child closes it, then its exit status.
    Outcome finish(std::chrono::seconds limit = std::chrono::seconds(60));

private:
    // Reads whatever is ready until `done` holds, both outputs are closed or the deadline
    // passes; false at the deadline.
    template <typename Done> bool pump(std::chrono::steady_clock::time_point deadline, Done done);
    int reap();

    pid_t pid_ = -1;
    int outFd_ = -1;
    int errFd_ = -1;
    std::string out_;
    std::string err_;
};

// The file's bytes in one read; the stream iterator behind readFile is too slow for large files.
std::string readWhole(const std::filesystem::path& path);

std::vector<std::string> namesIn(const std::filesystem::path& folder);

// A folder on a real disk for files whose fate after a kill is checked: memory-backed temporary
// folders would hide what a kill does to data on its way to the disk.
std::filesystem::path diskFolder();

} // namespace velarium::test
