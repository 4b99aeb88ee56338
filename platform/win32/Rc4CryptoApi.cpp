// The key stream from the Windows CryptoAPI itself, with the very calls whose output the
// portable backend reproduces, so that files move between the two unchanged.

#include "platform/Rc4.h"

#include "platform/Error.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <wincrypt.h>

namespace velarium::platform {
namespace {

[[noreturn]] void fail(const char* call, DWORD code)
{
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
    throw Error(std::string("Il servizio di crittografia di Windows ha rifiutato ") + call +
                " (codice " + hex + ")");
}

// Each handle released by its own owner, so that a constructor failing half-way still gives
// back what it took, in the reverse order.
struct Provider
{
    HCRYPTPROV handle = 0;
    ~Provider()
    {
        if (handle != 0) {
            ::CryptReleaseContext(handle, 0);
        }
    }
};

struct Hash
{
    HCRYPTHASH handle = 0;
    ~Hash() { destroy(); }
    void destroy()
    {
        if (handle != 0) {
            ::CryptDestroyHash(handle);
            handle = 0;
        }
    }
};

struct Key
{
    HCRYPTKEY handle = 0;
    ~Key()
    {
        if (handle != 0) {
            ::CryptDestroyKey(handle);
        }
    }
};

class CryptoApiRc4Key final : public Rc4Key
{
public:
    CryptoApiRc4Key(std::string_view password, KeySize size)
    {
        // No container: the key is ephemeral. Flags 0 leave key length and salt to the provider,
        // which is what encrypted files depend on: the default one of the type for today's key,
        // the Base provider by name for the 40-bit key of the systems where it was the default.
        const char* const provider = size == KeySize::Bits40 ? MS_DEF_PROV_A : nullptr;
        if (!::CryptAcquireContextA(&provider_.handle, nullptr, provider, PROV_RSA_FULL,
                                    CRYPT_VERIFYCONTEXT)) {
            fail("CryptAcquireContextA", ::GetLastError());
        }
        Hash hash;
        if (!::CryptCreateHash(provider_.handle, CALG_SHA1, 0, 0, &hash.handle)) {
            fail("CryptCreateHash", ::GetLastError());
        }
        if (!::CryptHashData(hash.handle, reinterpret_cast<const BYTE*>(password.data()),
                             static_cast<DWORD>(password.size()), 0)) {
            fail("CryptHashData", ::GetLastError());
        }
        if (!::CryptDeriveKey(provider_.handle, CALG_RC4, hash.handle, 0, &key_.handle)) {
            fail("CryptDeriveKey", ::GetLastError());
        }
        if (!::CryptDestroyHash(hash.handle)) {
            hash.handle = 0;
            fail("CryptDestroyHash", ::GetLastError());
        }
        hash.handle = 0;
    }

    void encrypt(std::span<std::uint8_t> block) override
    {
        run(
            block,
            [this](BYTE* data, DWORD* count, DWORD length) {
                return ::CryptEncrypt(key_.handle, 0, FALSE, 0, data, count, length) != FALSE;
            },
            "CryptEncrypt");
    }

    void decrypt(std::span<std::uint8_t> block) override
    {
        run(
            block,
            [this](BYTE* data, DWORD* count, DWORD) {
                return ::CryptDecrypt(key_.handle, 0, FALSE, 0, data, count) != FALSE;
            },
            "CryptDecrypt");
    }

private:
    // Final stays false for every block, so the stream runs on from one call to the next; a
    // block beyond a DWORD's range goes in pieces, which a stream cipher cannot tell apart.
    template <typename Call> void run(std::span<std::uint8_t> block, Call call, const char* name)
    {
        constexpr std::size_t kMaxPiece = 1u << 30;
        for (std::size_t at = 0; at < block.size(); at += kMaxPiece) {
            const auto length = static_cast<DWORD>(std::min(kMaxPiece, block.size() - at));
            DWORD count = length;
            if (!call(block.data() + at, &count, length)) {
                fail(name, ::GetLastError());
            }
            if (count != length) {
                fail(name, ERROR_INVALID_DATA);
            }
        }
    }

    // Declared in this order so that the key goes before the context it belongs to.
    Provider provider_;
    Key key_;
};

} // namespace

std::unique_ptr<Rc4Key> deriveRc4Key(std::string_view password, KeySize size)
{
    return std::make_unique<CryptoApiRc4Key>(password, size);
}

} // namespace velarium::platform
