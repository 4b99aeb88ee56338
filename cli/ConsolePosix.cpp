#include "cli/Console.h"

#include "platform/posix/UniqueFd.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <span>
#include <string>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace velarium::cli {
namespace {

// What a signal handler needs to give the terminal its echo back before the process dies.
volatile std::sig_atomic_t gQuietFd = -1;
termios gSavedMode{};

constexpr std::array kSignals{SIGINT, SIGQUIT, SIGTERM, SIGHUP};
std::array<struct sigaction, kSignals.size()> gPrevious{};

extern "C" void restoreTerminalAndDie(int signal)
{
    if (gQuietFd >= 0) {
        ::tcsetattr(gQuietFd, TCSANOW, &gSavedMode);
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void restoreSignals() noexcept
{
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        ::sigaction(kSignals[i], &gPrevious[i], nullptr);
    }
    gQuietFd = -1;
}

} // namespace

std::vector<std::string> commandLineWords(int argc, char** argv)
{
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

// The bytes are what the terminal and the pipes already carry.
void setUpStandardOutput() {}

bool standardInputIsTerminal()
{
    return ::isatty(STDIN_FILENO) == 1;
}

bool standardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}

void hideTyping()
{
    termios saved{};
    if (::tcgetattr(STDIN_FILENO, &saved) != 0) {
        throw Error(std::string("Impossibile leggere le impostazioni del terminale: ") +
                    std::generic_category().message(errno));
    }
    gSavedMode = saved;
    gQuietFd = STDIN_FILENO;
    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        struct sigaction action
        {
        };
        action.sa_handler = restoreTerminalAndDie;
        ::sigemptyset(&action.sa_mask);
        ::sigaction(kSignals[i], nullptr, &gPrevious[i]);
        // A signal the caller chose to ignore (nohup) must stay harmless.
        if (gPrevious[i].sa_handler != SIG_IGN) {
            ::sigaction(kSignals[i], &action, nullptr);
        }
    }
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL);
    quiet.c_lflag |= ICANON;
    // Flushing drops whatever was typed ahead, before the prompt could be seen.
    if (::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) != 0) {
        const int code = errno;
        restoreSignals();
        throw Error("Impossibile disattivare l'eco del terminale: " +
                    std::generic_category().message(code));
    }
}

void showTyping() noexcept
{
    if (gQuietFd < 0) {
        return;
    }
    ::tcsetattr(STDIN_FILENO, TCSANOW, &gSavedMode);
    restoreSignals();
}

// Byte by byte, so that nothing after the line is consumed and no stray copy of the password
// sits in a stream buffer.
Secret readInputLine()
{
    Secret line;
    char c = 0;
    const auto next = std::as_writable_bytes(std::span(&c, 1));
    try {
        while (platform::readFull(STDIN_FILENO, next, {}) == 1 && c != '\n') {
            line.append(c);
        }
    } catch (const SystemError& refusal) {
        wipeMemory(&c, sizeof c);
        throw Error("Impossibile leggere la password: " +
                    std::generic_category().message(refusal.code()));
    }
    wipeMemory(&c, sizeof c);
    return line;
}

void wipeMemory(void* data, std::size_t size) noexcept
{
    ::explicit_bzero(data, size);
}

} // namespace velarium::cli
