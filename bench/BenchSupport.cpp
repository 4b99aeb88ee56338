#include "BenchSupport.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

extern char** environ;

namespace velarium::bench {

namespace fs = std::filesystem;

void fail(const std::string& what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

void writeAll(int fd, const char* data, std::size_t size, const fs::path& path)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            fail("cannot write " + path.string());
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
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
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0) {
        fail("cannot create a pipe");
    }
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        fail("cannot create a pipe");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (input) {
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    if (output) {
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
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
    ::close(in[0]);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(in[1]);
        ::close(out[0]);
        errno = spawned;
        fail("cannot start " + command[0]);
    }
    if (input) {
        writeAll(in[1], input->data(), input->size(), "stdin");
    }
    ::close(in[1]);
    if (output) {
        char buffer[1 << 16];
        for (;;) {
            const ssize_t n = ::read(out[0], buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            output(std::string_view(buffer, static_cast<std::size_t>(n)));
        }
    }
    ::close(out[0]);
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            fail("cannot wait for " + command[0]);
        }
    }
    const auto ended = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw std::runtime_error(command[0] + " failed with status " + std::to_string(status));
    }
    return {std::chrono::duration<double>(ended - started).count(),
            static_cast<double>(usage.ru_maxrss) / 1024.0};
}

} // namespace velarium::bench
