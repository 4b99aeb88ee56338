#include "ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <linux/magic.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <thread>
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

// The milliseconds left until `deadline`, for poll().
int millisecondsUntil(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, 1 << 30));
}

int openPidFd(pid_t pid)
{
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

void killByPidFd(int pidFd)
{
    ::syscall(SYS_pidfd_send_signal, pidFd, SIGKILL, nullptr, 0);
}

// Kills the process at the deadline unless it is let go before: the watched run waits for the
// child's every stop, and a child that hangs would stop no more.
class Watchdog
{
public:
    Watchdog(int pidFd, std::chrono::steady_clock::time_point deadline)
        : thread_([this, pidFd, deadline] {
              std::unique_lock lock(mutex_);
              if (!released_.wait_until(lock, deadline, [this] { return done_; })) {
                  fired_ = true;
                  killByPidFd(pidFd);
              }
          })
    {
    }
    ~Watchdog() { release(); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    // Whether the deadline came first.
    bool release()
    {
        {
            const std::lock_guard lock(mutex_);
            done_ = true;
        }
        released_.notify_all();
        if (thread_.joinable()) {
            thread_.join();
        }
        return fired_;
    }

private:
    std::mutex mutex_;
    std::condition_variable released_;
    bool done_ = false;
    bool fired_ = false;
    std::thread thread_;
};

// A command line as exec and posix_spawn take it: `words` must outlive the pointers.
std::vector<char*> pointersTo(std::vector<std::string>& words)
{
    std::vector<char*> pointers;
    for (std::string& word : words) {
        pointers.push_back(word.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// How a reaped process ended, as its outcome tells it.
void recordEnd(Outcome& outcome, int status)
{
    if (WIFEXITED(status)) {
        outcome.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        outcome.signal = WTERMSIG(status);
    }
}

// Whether descriptor `fd` of thread `tid` is a file of a file system, not a pipe, a socket or a
// device: writes to those (the sanitizers' own checks, a report on standard output) change no
// file, and counting them would make the kill points depend on the build.
bool isFileDescriptor(pid_t tid, std::uint64_t fd)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/%d/fd/%llu", static_cast<int>(tid),
                  static_cast<unsigned long long>(fd));
    char target[16] = {};
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    if (n <= 0) {
        // Not open (the call will fail) or already gone: nothing to count.
        return false;
    }
    const std::string_view name(target, static_cast<std::size_t>(n));
    return name.starts_with('/') && !name.starts_with("/dev/");
}

// Whether the system call about to be made can change a file or the folders: the steps at
// which a kill leaves something different behind.
bool changesFiles(pid_t tid, const __ptrace_syscall_info& call)
{
    const auto writing = [](std::uint64_t flags) {
        return (flags & (O_WRONLY | O_RDWR | O_CREAT | O_TRUNC)) != 0;
    };
    switch (call.entry.nr) {
    case SYS_write:
    case SYS_writev:
    case SYS_pwrite64:
    case SYS_pwritev:
    case SYS_pwritev2:
    case SYS_ftruncate:
    case SYS_fallocate:
    case SYS_fsync:
    case SYS_fdatasync:
    case SYS_sync_file_range:
        return isFileDescriptor(tid, call.entry.args[0]);
    case SYS_openat:
        return writing(call.entry.args[2]);
#ifdef SYS_open
    case SYS_open:
        return writing(call.entry.args[1]);
#endif
#ifdef SYS_creat
    case SYS_creat:
#endif
#ifdef SYS_rename
    case SYS_rename:
#endif
#ifdef SYS_link
    case SYS_link:
#endif
#ifdef SYS_unlink
    case SYS_unlink:
#endif
#ifdef SYS_symlink
    case SYS_symlink:
#endif
#ifdef SYS_mkdir
    case SYS_mkdir:
#endif
#ifdef SYS_rmdir
    case SYS_rmdir:
#endif
#ifdef SYS_chmod
    case SYS_chmod:
#endif
#ifdef SYS_chown
    case SYS_chown:
    case SYS_lchown:
#endif
    case SYS_openat2:
    case SYS_truncate:
    case SYS_copy_file_range:
    case SYS_sendfile:
    case SYS_splice:
    case SYS_renameat:
    case SYS_renameat2:
    case SYS_linkat:
    case SYS_unlinkat:
    case SYS_symlinkat:
    case SYS_mkdirat:
    case SYS_fchmod:
    case SYS_fchmodat:
    case SYS_fchown:
    case SYS_fchownat:
    case SYS_setxattr:
    case SYS_lsetxattr:
    case SYS_fsetxattr:
    case SYS_removexattr:
    case SYS_lremovexattr:
    case SYS_fremovexattr:
        return true;
    default:
        return false;
    }
}

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
    std::vector<char*> pointers = pointersTo(argv);
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
    recordEnd(outcome, reap());
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

Forked::Forked(const std::function<void()>& work, std::string name, Start start)
{
    // Flushed now, or the child's copy of what is buffered would be written twice.
    std::fflush(nullptr);
    pid_ = ::fork();
    if (pid_ < 0) {
        throw std::runtime_error("cannot fork");
    }
    if (pid_ == 0) {
        if (start == Start::Watched) {
            // A group of its own, threads included, so that the watch waits for no other child
            // of the test.
            ::setpgid(0, 0);
            if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) {
                ::_exit(127);
            }
            ::raise(SIGSTOP);
        }
        try {
            work();
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s: %s\n", name.c_str(), error.what());
            std::fflush(stderr);
            ::_exit(1);
        }
        ::_exit(0);
    }
    if (start == Start::Watched) {
        ::setpgid(pid_, pid_);
    }
    pidFd_ = openPidFd(pid_);
    if (pidFd_ < 0) {
        killAndReap();
        throw std::runtime_error("cannot watch the forked process");
    }
}

Forked::~Forked()
{
    if (pid_ > 0) {
        killAndReap();
    }
    if (pidFd_ >= 0) {
        ::close(pidFd_);
    }
}

void Forked::kill(int signal)
{
    if (pid_ > 0) {
        ::kill(pid_, signal);
    }
}

bool Forked::killAndReap()
{
    kill(SIGKILL);
    const int status = reap();
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

Outcome Forked::finish(std::chrono::milliseconds limit)
{
    Outcome outcome;
    if (pid_ > 0) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        pollfd ended{pidFd_, POLLIN, 0};
        int ready;
        while ((ready = ::poll(&ended, 1, millisecondsUntil(deadline))) < 0 && errno == EINTR) {
        }
        if (ready == 0) {
            outcome.timedOut = true;
            kill(SIGKILL);
        }
    }
    recordEnd(outcome, reap());
    return outcome;
}

int Forked::reap()
{
    if (pid_ > 0) {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        status_ = status;
        pid_ = -1;
    }
    return status_.value_or(0);
}

std::uint64_t Forked::runChangingFiles(std::uint64_t killBefore, std::chrono::milliseconds limit)
{
    if (pid_ <= 0) {
        throw std::logic_error("no process to run");
    }
    const pid_t leader = pid_;
    int status = 0;
    while (::waitpid(leader, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFSTOPPED(status)) {
        status_ = status;
        pid_ = -1;
        throw std::runtime_error("the process could not be put under watch");
    }
    // Its threads are watched too: the cipher writes on one of its own.
    ::ptrace(PTRACE_SETOPTIONS, leader, nullptr,
             PTRACE_O_TRACESYSGOOD | PTRACE_O_TRACECLONE | PTRACE_O_TRACEEXEC | PTRACE_O_EXITKILL);
    Watchdog watchdog(pidFd_, std::chrono::steady_clock::now() + limit);
    std::uint64_t changes = 0;
    bool killed = false;
    pid_t stopped = leader;
    int signal = 0;
    for (;;) {
        if (!killed) {
            ::ptrace(PTRACE_SYSCALL, stopped, nullptr, signal);
        }
        signal = 0;
        int next = 0;
        stopped = ::waitpid(-leader, &next, __WALL);
        if (stopped < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        if (!WIFSTOPPED(next)) {
            if (stopped == leader) {
                status_ = next;
                pid_ = -1;
                break;
            }
            continue;
        }
        if (killed) {
            continue;
        }
        if (WSTOPSIG(next) == (SIGTRAP | 0x80)) {
            __ptrace_syscall_info call{};
            if (::ptrace(PTRACE_GET_SYSCALL_INFO, stopped, sizeof call, &call) > 0 &&
                call.op == PTRACE_SYSCALL_INFO_ENTRY && changesFiles(stopped, call) &&
                ++changes == killBefore) {
                killByPidFd(pidFd_);
                killed = true;
            }
        } else if (next >> 16 == 0 && WSTOPSIG(next) != SIGSTOP) {
            // A signal for the child, passed on; the stops of the watch itself (a new thread
            // starts stopped) and its events are not.
            signal = WSTOPSIG(next);
        }
    }
    if (watchdog.release()) {
        throw std::runtime_error("the watched process ran past its deadline");
    }
    return changes;
}

void runProgram(const std::string& program, const std::vector<std::string>& arguments,
                std::string_view input)
{
    int in[2];
    // Inputs here are far smaller than a pipe's buffer: written at once, never blocking.
    if (::pipe(in) != 0 ||
        ::write(in[1], input.data(), input.size()) != static_cast<ssize_t>(input.size())) {
        ::_exit(126);
    }
    ::close(in[1]);
    const int nowhere = ::open("/dev/null", O_WRONLY);
    if (::dup2(in[0], STDIN_FILENO) < 0 || ::dup2(nowhere, STDOUT_FILENO) < 0 ||
        ::dup2(nowhere, STDERR_FILENO) < 0) {
        ::_exit(126);
    }
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers = pointersTo(argv);
    // LeakSanitizer stops the world with ptrace at exit, which a watched program cannot do: in a
    // sanitizer build it would turn every run to the end into a failure.
    std::string sanitizer = "detect_leaks=0";
    if (const char* options = std::getenv("ASAN_OPTIONS")) {
        sanitizer = std::string(options) + ":" + sanitizer;
    }
    ::setenv("ASAN_OPTIONS", sanitizer.c_str(), 1);
    ::execv(program.c_str(), pointers.data());
    ::_exit(127);
}

Handoff::Handoff()
{
    if (::pipe2(fds_, O_CLOEXEC) != 0) {
        throw std::runtime_error("cannot create a pipe");
    }
}

Handoff::~Handoff()
{
    ::close(fds_[0]);
    ::close(fds_[1]);
}

void Handoff::send(std::string_view line)
{
    std::string text(line);
    text += '\n';
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fds_[1], text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            throw std::runtime_error("cannot hand over");
        }
        done += static_cast<std::size_t>(n);
    }
}

std::optional<std::string> Handoff::receive(std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    std::string line;
    for (;;) {
        pollfd ready{fds_[0], POLLIN, 0};
        const int polled = ::poll(&ready, 1, millisecondsUntil(deadline));
        if (polled < 0 && errno == EINTR) {
            continue;
        }
        if (polled <= 0) {
            return std::nullopt;
        }
        // One byte at a time: what follows the line is left for the next receive.
        char byte = 0;
        const ssize_t n = ::read(fds_[0], &byte, 1);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return std::nullopt;
        }
        if (byte == '\n') {
            return line;
        }
        line += byte;
    }
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
