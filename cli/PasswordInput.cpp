#include "cli/PasswordInput.h"

#include "platform/Text.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <iostream>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace velarium::cli {
namespace {

// Large enough that a typed password never lives in the string's inline buffer, which moves
// and swaps would copy around instead of handing over.
constexpr std::size_t kInitialCapacity = 64;

void wipe(std::string& bytes) noexcept
{
    // Growing within the capacity never reallocates, and makes every byte ever stored addressable.
    bytes.resize(bytes.capacity());
    ::explicit_bzero(bytes.data(), bytes.size());
    bytes.clear();
}

// What a signal handler needs to give the terminal its echo back before the process dies:
// Ctrl-C at the prompt must not leave the user's shell typing blind.
volatile std::sig_atomic_t gQuietFd = -1;
termios gSavedMode{};

extern "C" void restoreTerminalAndDie(int signal)
{
    if (gQuietFd >= 0) {
        ::tcsetattr(gQuietFd, TCSANOW, &gSavedMode);
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// Turns the terminal's echo off for as long as the object lives.
class EchoOff
{
public:
    explicit EchoOff(int fd) : fd_(fd)
    {
        if (::tcgetattr(fd_, &saved_) != 0) {
            throw Error(std::string("Impossibile leggere le impostazioni del terminale: ") +
                        std::generic_category().message(errno));
        }
        gSavedMode = saved_;
        gQuietFd = fd_;
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            struct sigaction action
            {
            };
            action.sa_handler = restoreTerminalAndDie;
            ::sigemptyset(&action.sa_mask);
            ::sigaction(kSignals[i], nullptr, &previous_[i]);
            // A signal the caller chose to ignore (nohup) must stay harmless.
            if (previous_[i].sa_handler != SIG_IGN) {
                ::sigaction(kSignals[i], &action, nullptr);
            }
        }
        termios quiet = saved_;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL);
        quiet.c_lflag |= ICANON;
        // Flushing drops whatever was typed ahead, before the prompt could be seen.
        if (::tcsetattr(fd_, TCSAFLUSH, &quiet) != 0) {
            const int code = errno;
            restoreSignals();
            throw Error("Impossibile disattivare l'eco del terminale: " +
                        std::generic_category().message(code));
        }
    }

    ~EchoOff()
    {
        ::tcsetattr(fd_, TCSANOW, &saved_);
        restoreSignals();
    }

    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    static constexpr std::array kSignals{SIGINT, SIGQUIT, SIGTERM, SIGHUP};

    void restoreSignals() noexcept
    {
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            ::sigaction(kSignals[i], &previous_[i], nullptr);
        }
        gQuietFd = -1;
    }

    int fd_;
    termios saved_{};
    std::array<struct sigaction, kSignals.size()> previous_{};
};

// Byte by byte, so that nothing after the line is consumed and no stray copy of the password
// sits in a stream buffer.
Secret readLine(int fd)
{
    Secret line;
    char c = 0;
    for (;;) {
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int code = errno;
            ::explicit_bzero(&c, sizeof c);
            throw Error("Impossibile leggere la password: " +
                        std::generic_category().message(code));
        }
        if (n == 0 || c == '\n') {
            break;
        }
        line.append(c);
    }
    ::explicit_bzero(&c, sizeof c);
    line.removeTrailing('\r');
    return line;
}

Secret promptLine(int fd, const char* prompt)
{
    std::cerr << prompt << std::flush;
    Secret line = readLine(fd);
    // The Enter key was not echoed either.
    std::cerr << '\n';
    return line;
}

const char* const kEmptyPassword = "Attenzione: la password non può essere vuota.";

} // namespace

Secret::Secret()
{
    bytes_.reserve(kInitialCapacity);
}

Secret::Secret(std::string&& bytes)
{
    bytes_.reserve(std::max(kInitialCapacity, bytes.size()));
    bytes_.assign(bytes);
    wipe(bytes);
}

Secret::~Secret()
{
    wipe(bytes_);
}

Secret::Secret(Secret&& other) noexcept : bytes_(std::move(other.bytes_)) {}

Secret& Secret::operator=(Secret&& other) noexcept
{
    if (this != &other) {
        wipe(bytes_);
        bytes_ = std::move(other.bytes_);
    }
    return *this;
}

void Secret::append(char c)
{
    if (bytes_.size() == bytes_.capacity()) {
        std::string larger;
        larger.reserve(std::max(kInitialCapacity, bytes_.capacity() * 2));
        larger.assign(bytes_);
        wipe(bytes_);
        bytes_.swap(larger);
    }
    bytes_.push_back(c);
}

void Secret::removeTrailing(char c)
{
    if (!bytes_.empty() && bytes_.back() == c) {
        bytes_.back() = '\0';
        bytes_.pop_back();
    }
}

Secret readCipherPassword(int fd)
{
    Secret typed;
    if (::isatty(fd)) {
        EchoOff quiet(fd);
        typed = promptLine(fd, "Password: ");
        if (typed.empty()) {
            throw PasswordError(kEmptyPassword);
        }
        const Secret confirmation = promptLine(fd, "Conferma password: ");
        if (!(typed == confirmation)) {
            throw PasswordError("Attenzione: le due password non coincidono.");
        }
    } else {
        typed = readLine(fd);
    }
    if (typed.empty()) {
        throw PasswordError(kEmptyPassword);
    }
    auto converted = utf8ToCp1252(typed.view());
    if (!converted) {
        throw PasswordError("Attenzione: la password contiene caratteri non ammessi.\n"
                            "Sono ammessi soltanto i caratteri della codifica Windows-1252 "
                            "(lettere accentate comprese), scritti in UTF-8.");
    }
    return Secret(std::move(*converted));
}

CardPasswords readCardPasswords(int fd)
{
    CardPasswords typed;
    if (::isatty(fd)) {
        EchoOff quiet(fd);
        typed.password = promptLine(fd, "Password: ");
        typed.confirmation = promptLine(fd, "Conferma password: ");
    } else {
        typed.password = readLine(fd);
        typed.confirmation = Secret(std::string(typed.password.view()));
    }
    return typed;
}

} // namespace velarium::cli
