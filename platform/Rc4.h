#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace velarium::platform {

// The key stream that the system's default RSA_FULL provider derives from a password with
// flags 0: RC4, 128-bit key = the first 16 bytes of SHA-1 of the password bytes, no salt.
// One object runs one continuous key stream; each call goes on where the previous one ended.
class Rc4Key
{
public:
    virtual ~Rc4Key() = default;
    virtual void encrypt(std::span<std::uint8_t> block) = 0;
    virtual void decrypt(std::span<std::uint8_t> block) = 0;
};

// Derives the key from the password's bytes exactly as given (no trimming, no terminator).
std::unique_ptr<Rc4Key> deriveRc4Key(std::string_view password);

} // namespace velarium::platform
