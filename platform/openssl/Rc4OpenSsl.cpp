// The portable key derivation: what the Windows provider does, with OpenSSL's SHA-1 and RC4.
// RC4 is kept by OpenSSL 3 only among its deprecated low-level calls, which are exactly the
// plain key stream that is needed here.
#define OPENSSL_SUPPRESS_DEPRECATED

#include "platform/Rc4.h"

#include <openssl/crypto.h>
#include <openssl/rc4.h>
#include <openssl/sha.h>

namespace velarium::platform {
namespace {

// The provider's default RC4 key is 128 bits: the first 16 bytes of the digest.
constexpr int kKeyBytes = 16;

class OpenSslRc4Key final : public Rc4Key
{
public:
    explicit OpenSslRc4Key(std::string_view password)
    {
        unsigned char digest[SHA_DIGEST_LENGTH];
        SHA1(reinterpret_cast<const unsigned char*>(password.data()), password.size(), digest);
        RC4_set_key(&key_, kKeyBytes, digest);
        OPENSSL_cleanse(digest, sizeof digest);
    }
    ~OpenSslRc4Key() override { OPENSSL_cleanse(&key_, sizeof key_); }

    void encrypt(std::span<std::uint8_t> block) override { run(block); }
    void decrypt(std::span<std::uint8_t> block) override { run(block); }

private:
    void run(std::span<std::uint8_t> block)
    {
        RC4(&key_, block.size(), block.data(), block.data());
    }

    RC4_KEY key_{};
};

} // namespace

std::unique_ptr<Rc4Key> deriveRc4Key(std::string_view password)
{
    return std::make_unique<OpenSslRc4Key>(password);
}

} // namespace velarium::platform
