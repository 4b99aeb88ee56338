#include "BenchSupport.h"

#include "platform/Error.h"
#include "platform/posix/UniqueFd.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <span>
#include <spawn.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace velarium::bench {

namespace fs = std::filesystem;
using velarium::platform::retryInterrupted;
using velarium::platform::UniqueFd;

namespace {

// The program's own loops, with a failure worded as the benchmarks word theirs.
template <typename Call> auto failingAs(const std::string& what, Call call)
{
    try {
        return call();
    } catch (const velarium::SystemError& refusal) {
        errno = refusal.code();
        fail(what);
    }
}

// Both ends of a new pipe, or raises.
std::pair<UniqueFd, UniqueFd> makePipe()
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        fail("cannot create a pipe");
    }
    return {UniqueFd(ends[0]), UniqueFd(ends[1])};
}

} // namespace

void fail(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

void writeAll(int fd, const char* data, std::size_t size, const fs::path& path)
{
    failingAs("cannot write " + path.string(), [&] {
        velarium::platform::writeAll(fd, std::as_bytes(std::span(data, size)), path);
    });
}

std::size_t readFull(int fd, char* data, std::size_t size, const fs::path& path)
{
    return failingAs("cannot read " + path.string(), [&] {
        return velarium::platform::readFull(fd, std::as_writable_bytes(std::span(data, size)),
                                            path);
    });
}

BenchFolder::BenchFolder(const fs::path& base)
{
    std::string pattern = (base / "velarium-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        fail("cannot create a folder under " + base.string());
    }
    path_ = pattern;
}

BenchFolder::~BenchFolder()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

ChildRun runChild(const std::vector<std::string>& command, const std::optional<std::string>& input,
                  const std::function<void(std::string_view)>& output)
{
    auto [inRead, inWrite] = makePipe();
    auto [outRead, outWrite] = makePipe();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input) {
        posix_spawn_file_actions_adddup2(&actions, inRead.get(), STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    if (output) {
        posix_spawn_file_actions_adddup2(&actions, outWrite.get(), STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    std::vector<std::string> words = command;
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    const auto started = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawned = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    // The child holds its own copies: the end of its output is seen only once these are gone.
    inRead.reset();
    outWrite.reset();
    if (spawned != 0) {
        errno = spawned;
        fail("cannot start " + command[0]);
    }
    if (input) {
        writeAll(inWrite.get(), input->data(), input->size(), "stdin");
    }
    inWrite.reset();
    if (output) {
        char buffer[1 << 16];
        for (;;) {
            const ssize_t n =
                retryInterrupted([&] { return ::read(outRead.get(), buffer, sizeof buffer); });
            if (n <= 0) {
                break;
            }
            output(std::string_view(buffer, static_cast<std::size_t>(n)));
        }
    }
    outRead.reset();
    int status = 0;
    rusage usage{};
    if (retryInterrupted([&] { return ::wait4(pid, &status, 0, &usage); }) < 0) {
        fail("cannot wait for " + command[0]);
    }
    const auto ended = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(command[0] + " failed with status " + std::to_string(status));
    }
    return {std::chrono::duration<double>(ended - started).count(),
            static_cast<double>(usage.ru_maxrss) / 1024.0};
}

} // namespace velarium::bench
