// The portable key derivation: what the Windows provider does, with OpenSSL's SHA-1 and RC4.
// RC4 is kept by OpenSSL 3 only among its deprecated low-level calls, which are exactly the
// plain key stream that is needed here.
#define OPENSSL_SUPPRESS_DEPRECATED

#include "platform/Rc4.h"

#include <algorithm>
#include <iterator>
#include <openssl/crypto.h>
#include <openssl/rc4.h>
#include <openssl/sha.h>

namespace velarium::platform {
namespace {

// Both providers hand RC4 16 bytes: the strong one all digest, the Base one 5 bytes of digest
// and the rest its salt, which flags 0 leave at zero.
constexpr int kKeyBytes = 16;
constexpr std::size_t kBaseProviderDigestBytes = 5;

class OpenSslRc4Key final : public Rc4Key
{
public:
    OpenSslRc4Key(std::string_view password, KeySize size)
    {
        unsigned char digest[SHA_DIGEST_LENGTH];
        SHA1(reinterpret_cast<const unsigned char*>(password.data()), password.size(), digest);
        if (size == KeySize::Bits40) {
            std::fill(std::begin(digest) + kBaseProviderDigestBytes, std::end(digest), 0);
        }
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

std::unique_ptr<Rc4Key> deriveRc4Key(std::string_view password, KeySize size)
{
    return std::make_unique<OpenSslRc4Key>(password, size);
}

} // namespace velarium::platform
