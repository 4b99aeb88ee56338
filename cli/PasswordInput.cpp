#include "cli/PasswordInput.h"

#include "cli/Console.h"
#include "platform/Text.h"

#include <algorithm>
#include <iostream>

namespace velarium::cli {
namespace {

// Large enough that a typed password never lives in the string's inline buffer, which moves
// and swaps would copy around instead of handing over.
constexpr std::size_t kInitialCapacity = 64;

void wipe(std::string& bytes) noexcept
{
    // Growing within the capacity never reallocates, and makes every byte ever stored addressable.
    bytes.resize(bytes.capacity());
    wipeMemory(bytes.data(), bytes.size());
    bytes.clear();
}

// Typing stays hidden for as long as the object lives.
class TypingHidden
{
public:
    TypingHidden() { hideTyping(); }
    ~TypingHidden() { showTyping(); }
    TypingHidden(const TypingHidden&) = delete;
    TypingHidden& operator=(const TypingHidden&) = delete;
};

// A line from a system that ends lines with CR LF loses its CR too.
Secret readLine()
{
    Secret line = readInputLine();
    line.removeTrailing('\r');
    return line;
}

Secret promptLine(const char* prompt)
{
    std::cerr << prompt << std::flush;
    Secret line = readLine();
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

Secret readCipherPassword()
{
    Secret typed;
    if (standardInputIsTerminal()) {
        const TypingHidden quiet;
        typed = promptLine("Password: ");
        if (typed.empty()) {
            throw PasswordError(kEmptyPassword);
        }
        const Secret confirmation = promptLine("Conferma password: ");
        if (!(typed == confirmation)) {
            throw PasswordError("Attenzione: le due password non coincidono.");
        }
    } else {
        typed = readLine();
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

CardPasswords readCardPasswords()
{
    CardPasswords typed;
    if (standardInputIsTerminal()) {
        const TypingHidden quiet;
        typed.password = promptLine("Password: ");
        typed.confirmation = promptLine("Conferma password: ");
    } else {
        typed.password = readLine();
        typed.confirmation = Secret(std::string(typed.password.view()));
    }
    return typed;
}

} // namespace velarium::cli
