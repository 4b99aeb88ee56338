#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace velarium::platform {

// The key stream that a Windows RSA_FULL provider derives from a password with flags 0, RC4
// keyed from SHA-1 of the password bytes. How many digest bytes count depends on the provider.
// One object runs one continuous key stream; each call goes on where the previous one ended.
class Rc4Key
{
public:
    virtual ~Rc4Key() = default;
    virtual void encrypt(std::span<std::uint8_t> block) = 0;
    virtual void decrypt(std::span<std::uint8_t> block) = 0;
};

enum class KeySize
{
    // The default provider of the later systems: the first 16 bytes of the digest, no salt.
    // The program's windows always use this one.
    Bits128,
    // The Base provider, the default of Windows 95, 98, ME, NT 4 and of 2000 without the
    // high-encryption pack: the first 5 bytes of the digest and 11 bytes of zero salt, still a
    // 16-byte RC4 key. Files encrypted there read back only under this key.
    Bits40,
};

// Derives the key from the password's bytes exactly as given (no trimming, no terminator).
std::unique_ptr<Rc4Key> deriveRc4Key(std::string_view password, KeySize size = KeySize::Bits128);

} // namespace velarium::platform
