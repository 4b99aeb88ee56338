#include "ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <linux/magic.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace velarium::test {
namespace {

namespace fs = std::filesystem;

void makePipe(int fds[2])
{
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot create a pipe");
    }
}

// Limits are inherited at the spawn and posix_spawn cannot set them in the child: the test
// process lowers its own soft limit for the moment of the spawn. It writes no file meanwhile.
class FileSizeLimitForSpawn
{
public:
    explicit FileSizeLimitForSpawn(const std::optional<std::uint64_t>& limit) : active_(limit)
    {
        if (!active_) {
            return;
        }
        // Ignored signals stay ignored across exec: the child gets EFBIG instead of dying.
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = static_cast<rlim_t>(*limit);
        if (::setrlimit(RLIMIT_FSIZE, &lowered) != 0) {
            throw std::runtime_error("cannot limit the file size");
        }
    }
    ~FileSizeLimitForSpawn()
    {
        if (active_) {
            ::setrlimit(RLIMIT_FSIZE, &saved_);
        }
    }
    FileSizeLimitForSpawn(const FileSizeLimitForSpawn&) = delete;
    FileSizeLimitForSpawn& operator=(const FileSizeLimitForSpawn&) = delete;

private:
    bool active_;
    rlimit saved_{};
};

} // namespace

Child::Child(const std::string& program, const std::vector<std::string>& arguments,
             std::string_view input, bool captureOutput)
    : Child(program, arguments, input, [&] {
          ChildOptions options;
          options.captureOutput = captureOutput;
          return options;
      }())
{
}

Child::Child(const std::string& program, const std::vector<std::string>& arguments,
             std::string_view input, const ChildOptions& options)
{
    // A child that exits before reading its input must not take the test down with it.
    std::signal(SIGPIPE, SIG_IGN);
    int in[2], out[2], err[2];
    makePipe(in);
    makePipe(out);
    makePipe(err);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, options.inputFd >= 0 ? options.inputFd : in[0],
                                     STDIN_FILENO);
    if (options.captureOutput) {
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, options.errorFd >= 0 ? options.errorFd : err[1],
                                         STDERR_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    }
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    // The signals the tests send take their default action in the child even where the test
    // runs with them ignored (a background job ignores SIGINT), as in a terminal.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaddset(&defaults, signal);
    }
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    int spawned = 0;
    {
        const FileSizeLimitForSpawn limit(options.fileSizeLimit);
        spawned =
            posix_spawn(&pid_, program.c_str(), &actions, &attributes, pointers.data(), environ);
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    for (int fd : {in[0], out[1], err[1]}) {
        ::close(fd);
    }
    outFd_ = out[0];
    errFd_ = err[0];
    if (spawned != 0) {
        pid_ = -1;
        ::close(in[1]);
        throw std::runtime_error("cannot start " + program);
    }
    // Inputs here are far smaller than a pipe's buffer: written at once, never blocking.
    std::size_t done = 0;
    while (done < input.size()) {
        const ssize_t n = ::write(in[1], input.data() + done, input.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(in[1]);
}

Child::~Child()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        reap();
    }
    ::close(outFd_);
    ::close(errFd_);
}

void Child::kill(int signal)
{
    ::kill(pid_, signal);
}

bool Child::stop()
{
    ::kill(pid_, SIGSTOP);
    // WNOWAIT: the stop is only looked at, and the end is left for reap() to collect.
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid_), &info, WSTOPPED | WEXITED | WNOWAIT) != 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return info.si_code == CLD_STOPPED;
}

void Child::resume()
{
    ::kill(pid_, SIGCONT);
}

bool Child::ended()
{
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0 ||
           info.si_pid != 0;
}

template <typename Done> bool Child::pump(std::chrono::steady_clock::time_point deadline, Done done)
{
    pollfd fds[2] = {{outFd_, POLLIN, 0}, {errFd_, POLLIN, 0}};
    std::string* sinks[2] = {&out_, &err_};
    while (!done() && (fds[0].fd >= 0 || fds[1].fd >= 0)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        if (::poll(fds, 2, static_cast<int>(left.count())) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                // Ignored from now on; the descriptor itself is closed with the object.
                fds[i].fd = -1;
            }
        }
    }
    return true;
}

bool Child::waitForError(std::string_view text, std::chrono::milliseconds limit)
{
    pump(std::chrono::steady_clock::now() + limit,
         [&] { return err_.find(text) != std::string::npos; });
    return err_.find(text) != std::string::npos;
}

Outcome Child::finish(std::chrono::seconds limit)
{
    Outcome outcome;
    if (!pump(std::chrono::steady_clock::now() + limit, [] { return false; })) {
        outcome.timedOut = true;
        kill(SIGKILL);
    }
    const int status = reap();
    if (WIFEXITED(status)) {
        outcome.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        outcome.signal = WTERMSIG(status);
    }
    outcome.out = std::move(out_);
    outcome.err = std::move(err_);
    return outcome;
}

int Child::reap()
{
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status;
}

std::string readWhole(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    std::string bytes(fs::file_size(path), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

fs::path diskFolder()
{
    const fs::path temporary = fs::temp_directory_path();
    struct statfs info
    {
    };
    if (::statfs(temporary.c_str(), &info) == 0 && info.f_type == TMPFS_MAGIC) {
        return fs::current_path();
    }
    return temporary;
}

} // namespace velarium::test
