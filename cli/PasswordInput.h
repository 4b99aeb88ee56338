#pragma once

#include "platform/Error.h"

#include <string>
#include <string_view>

namespace velarium::cli {

// Bytes that must not outlive their use: overwritten when the object goes away, and never left
// behind in a freed buffer while growing.
class Secret
{
public:
    Secret();
    // Takes the bytes over; what the source's buffer held is wiped.
    explicit Secret(std::string&& bytes);
    ~Secret();
    Secret(Secret&& other) noexcept;
    Secret& operator=(Secret&& other) noexcept;
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;

    void append(char c);
    void removeTrailing(char c);
    std::string_view view() const { return bytes_; }
    bool empty() const { return bytes_.empty(); }
    bool operator==(const Secret& other) const { return bytes_ == other.bytes_; }

private:
    std::string bytes_;
};

// A password refused for what it is (empty, mistyped, not representable): the message is meant
// for the user as it stands.
class PasswordError : public Error
{
public:
    using Error::Error;
};

// The cipher's password, as the Windows-1252 bytes that the key is derived from. From a
// terminal it is asked twice without echo on standard error; otherwise it is the first line
// of standard input, without its line ending. The text is taken as UTF-8 and used exactly as
// typed. Raises PasswordError when the password cannot be used, Error when reading fails.
Secret readCipherPassword();

// The password and the confirmation of a new file card, exactly as typed (UTF-8, blanks kept,
// unchecked: the card's own checks judge them, in their order). From a terminal both are asked
// without echo; otherwise the first line of standard input is the password and serves as its
// confirmation too. Raises Error when reading fails.
struct CardPasswords
{
    Secret password;
    Secret confirmation;
};
CardPasswords readCardPasswords();

} // namespace velarium::cli
