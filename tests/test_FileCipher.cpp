#include "TempFolder.h"
#include "main/FileCipher.h"
#include "platform/Error.h"
#include "platform/Rc4.h"

#include <gtest/gtest.h>

using namespace velarium;
using velarium::test::readFile;
using velarium::test::TempFolder;
using velarium::test::writeFile;

namespace {

std::string hex(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (char c : bytes) {
        out.push_back(digits[(static_cast<unsigned char>(c) >> 4) & 0xF]);
        out.push_back(digits[static_cast<unsigned char>(c) & 0xF]);
    }
    return out;
}

std::string cipherOf(const TempFolder& folder, std::string_view plain, std::string_view password,
                     bool encrypt = true, platform::KeySize keySize = platform::KeySize::Bits128)
{
    writeFile(folder / "in", plain);
    FileCipher(folder / "in", folder / "out", password, encrypt, keySize);
    return readFile(folder / "out");
}

} // namespace

// Encrypting zeros shows the key stream itself; these bytes are what the Windows provider
// produces for the password "secret", so files move between the two unchanged.
TEST(FileCipher, KeyStreamMatchesTheWindowsProvider)
{
    TempFolder folder;
    const std::string stream = cipherOf(folder, std::string(528, '\0'), "secret");
    EXPECT_EQ(hex(stream.substr(0, 32)),
              "6cef5015aeaa4ae2a8eaf8450d18308c3ff00baf89b96b75df41f3ba2c9bdcd4");
    EXPECT_EQ(hex(stream.substr(512, 16)), "a119df7f9e43481270357c6dec9c3180");
}

// The Base provider's key: RC4 keyed by the first 5 bytes of SHA-1 of the password and 11 zero
// bytes. The expected streams were computed apart from this program, from that rule alone.
TEST(FileCipher, FortyBitKeyStreamIsRc4UnderFiveDigestBytesAndElevenZeros)
{
    struct Case
    {
        std::string_view password;
        const char* first32;
        const char* at512;
    };
    const Case cases[] = {
        {"secret", "7a3510e27db5c4bb5af0df496dd5022003278e5e8210272e2a11e3ef9f2f6fa0",
         "6442e26ac939801e1dd547bf9afe2312"},
        {"", "02b9f8e4f8ead4b94ce2ef18aecc40003da23b2dc07ea28c46c1c5b5e2bd072b",
         "0b86d6af1a85dfe5f201344bd115ab7f"},
        {"caff\xE8 a 5 \x80", "5d63e552327ce6723de6048514849157a447a5dfaf692588ec38ad3217c5c2e9",
         "15436e812bf5b38e90369707e8bee993"},
    };
    TempFolder folder;
    const std::string zeros(528, '\0');
    for (const Case& c : cases) {
        SCOPED_TRACE(hex(c.password));
        for (const bool encrypt : {true, false}) {
            const std::string stream =
                cipherOf(folder, zeros, c.password, encrypt, platform::KeySize::Bits40);
            EXPECT_EQ(hex(stream.substr(0, 32)), c.first32);
            EXPECT_EQ(hex(stream.substr(512, 16)), c.at512);
            EXPECT_NE(stream, cipherOf(folder, zeros, c.password, encrypt));
        }
    }
}

TEST(FileCipher, OutputHasTheSourceLengthAcrossBlockAndChunkBoundaries)
{
    TempFolder folder;
    for (std::size_t size : {0u, 1u, 511u, 512u, 513u, 1024u, (1u << 20) + 7u, (3u << 20) + 512u}) {
        const std::string plain = test::randomBytes(size, static_cast<unsigned>(size));
        const std::string once = cipherOf(folder, plain, "pw");
        EXPECT_EQ(once.size(), size);
        if (size > 64) {
            EXPECT_NE(once, plain);
        }
        // The key stream runs on without a break: the tail of a long file equals the tail of
        // the key stream applied to the same offset.
        const std::string zeros = cipherOf(folder, std::string(size, '\0'), "pw");
        for (std::size_t i = 0; i < size; ++i) {
            ASSERT_EQ(static_cast<char>(plain[i] ^ zeros[i]), once[i]) << "offset " << i;
        }
    }
}

TEST(FileCipher, RunningTwiceWithTheSamePasswordRestoresTheInput)
{
    TempFolder folder;
    const std::string plain = test::randomBytes(5000, 1);
    for (bool firstEncrypts : {true, false}) {
        const std::string once = cipherOf(folder, plain, "Parola chiave", firstEncrypts);
        EXPECT_EQ(cipherOf(folder, once, "Parola chiave", !firstEncrypts), plain);
        EXPECT_EQ(cipherOf(folder, once, "Parola chiave", firstEncrypts), plain);
    }
    // A wrong password gives other bytes without an error; the same wrong password undoes it.
    const std::string encrypted = cipherOf(folder, plain, "giusta");
    const std::string wrong = cipherOf(folder, encrypted, "sbagliata", false);
    EXPECT_NE(wrong, plain);
    EXPECT_EQ(cipherOf(folder, wrong, "sbagliata"), encrypted);
}

TEST(FileCipher, PasswordIsHashedExactlyAsGiven)
{
    TempFolder folder;
    const std::string plain(64, 'x');
    const std::string bare = cipherOf(folder, plain, "pw");
    EXPECT_NE(cipherOf(folder, plain, " pw"), bare);
    EXPECT_NE(cipherOf(folder, plain, "pw "), bare);
    EXPECT_NE(cipherOf(folder, plain, "PW"), bare);
    // An empty password still yields a key.
    EXPECT_NE(cipherOf(folder, plain, ""), plain);
    // A Windows-1252 byte is hashed as that single byte.
    EXPECT_NE(cipherOf(folder, plain, "\xE8"), cipherOf(folder, plain, "è"));
}

TEST(FileCipher, ExistingDestinationIsEmptiedAndOverwritten)
{
    TempFolder folder;
    writeFile(folder / "out", std::string(10000, 'z'));
    writeFile(folder / "in", "abc");
    FileCipher(folder / "in", folder / "out", "pw", true);
    EXPECT_EQ(readFile(folder / "out").size(), 3u);
}

TEST(FileCipher, MissingSourceRaisesAndCreatesNoDestination)
{
    TempFolder folder;
    EXPECT_THROW(FileCipher(folder / "absent", folder / "out", "pw", true), SystemError);
    EXPECT_FALSE(std::filesystem::exists(folder / "out"));
}

TEST(FileCipher, UncreatableDestinationRaises)
{
    TempFolder folder;
    writeFile(folder / "in", "abc");
    std::filesystem::create_directory(folder / "dir");
    EXPECT_THROW(FileCipher(folder / "in", folder / "dir", "pw", true), SystemError);
    EXPECT_THROW(FileCipher(folder / "in", folder / "no" / "such" / "out", "pw", true),
                 SystemError);
    EXPECT_EQ(readFile(folder / "in"), "abc");
}

TEST(FileCipher, AReadErrorInTheMiddleIsRaised)
{
    TempFolder folder;
    std::filesystem::create_directory(folder / "dir");
    // A folder opens for reading but refuses to be read.
    EXPECT_THROW(FileCipher(folder / "dir", folder / "out", "pw", true), SystemError);
}
