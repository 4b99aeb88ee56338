#pragma once

// Programs run as separate processes, exactly as a script would run them, and the helpers their
// tests share.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <limits>
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

// A copy of this process running `work`. It leaves through _exit only, so that the test
// framework's exit handlers never run in it: 0 when `work` returns, 1 (its message on standard
// error) when it raises. Killed and reaped when the object goes away, if the test leaves early.
class Forked
{
public:
    enum class Start
    {
        Running,
        // Held under watch before `work` begins, for runChangingFiles() to let it go on.
        Watched,
    };

    explicit Forked(const std::function<void()>& work, std::string name = "forked worker",
                    Start start = Start::Running);
    ~Forked();
    Forked(const Forked&) = delete;
    Forked& operator=(const Forked&) = delete;

    pid_t pid() const { return pid_; }
    void kill(int signal);
    // Kills it outright and reaps it: whether it was still there to be killed.
    bool killAndReap();
    // Waits for its end, killing it at the deadline (a hang fails the test instead of stalling
    // it). Nothing is collected of its output, which goes where the test's goes.
    Outcome finish(std::chrono::milliseconds limit = std::chrono::seconds(60));

    static constexpr std::uint64_t kToTheEnd = std::numeric_limits<std::uint64_t>::max();
    // For a watched child: lets it run until it is about to change files for the `killBefore`th
    // time (counting from 1), and kills it right there, before the change is made; or, sooner,
    // until it ends by itself. The changes it made, or began, meanwhile. A change is a system
    // call that can alter what a file holds or where it is: a write, a truncation, a flush to
    // the disk, an opening for writing, a rename, a removal... Killing before each of them in
    // turn reaches every state of the files that a kill at any instant can leave, except a
    // single write cut short; and their number does not depend on the machine's speed, unlike
    // a moment chosen by the clock.
    std::uint64_t runChangingFiles(std::uint64_t killBefore = kToTheEnd,
                                   std::chrono::milliseconds limit = std::chrono::seconds(60));

private:
    int reap();

    pid_t pid_ = -1;
    // Names the process itself, where a number could name another once it is reaped.
    int pidFd_ = -1;
    // The status, once a watched run has reaped the process.
    std::optional<int> status_;
};

// For a forked child: the program in its place, its standard input fed with `input` and its
// output thrown away.
[[noreturn]] void runProgram(const std::string& program, const std::vector<std::string>& arguments,
                             std::string_view input);

// A line passed from one process to another across a fork, in either direction: that a point is
// reached, and what was found there.
class Handoff
{
public:
    Handoff();
    ~Handoff();
    Handoff(const Handoff&) = delete;
    Handoff& operator=(const Handoff&) = delete;

    void send(std::string_view line = "pronto");
    // The line sent, or nothing when none comes in time.
    std::optional<std::string> receive(std::chrono::milliseconds limit = std::chrono::seconds(30));

private:
    int fds_[2] = {-1, -1};
};

// The file's bytes in one read; the stream iterator behind readFile is too slow for large files.
std::string readWhole(const std::filesystem::path& path);

std::vector<std::string> namesIn(const std::filesystem::path& folder);

// A folder on a real disk for files whose fate after a kill is checked: memory-backed temporary
// folders would hide what a kill does to data on its way to the disk.
std::filesystem::path diskFolder();

} // namespace velarium::test
