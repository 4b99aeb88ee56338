#include "TempFolder.h"
#include "main/FileCipher.h"
#include "main/InPlaceCipher.h"
#include "platform/Error.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace velarium;
using velarium::test::readFile;
using velarium::test::TempFolder;
using velarium::test::writeFile;
namespace fs = std::filesystem;

namespace {

class InPlaceCipherTest : public ::testing::Test
{
protected:
    std::string encrypted(std::string_view plain, std::string_view password)
    {
        writeFile(scratch / "plain", plain);
        FileCipher(scratch / "plain", scratch / "expected", password, true);
        return readFile(scratch / "expected");
    }

    void run(const fs::path& chosen, CipherDirection direction, std::string_view password)
    {
        InPlaceCipher job(program.path(), chosen, direction);
        job.writeProcessedCopy(password);
        job.replaceChosenFile();
    }

    bool programFolderIsEmpty() const { return fs::is_empty(program.path()); }

    TempFolder program;
    TempFolder files;
    TempFolder scratch;
};

mode_t modeOf(const fs::path& path)
{
    struct stat st
    {
    };
    ::lstat(path.c_str(), &st);
    return st.st_mode;
}

} // namespace

TEST_F(InPlaceCipherTest, EncryptThenDecryptReplacesTheFileBothWays)
{
    const std::string plain = test::randomBytes(70000, 7);
    const auto chosen = files / "documento.txt";
    writeFile(chosen, plain);

    run(chosen, CipherDirection::Encrypt, "chiave");
    EXPECT_EQ(readFile(chosen), encrypted(plain, "chiave"));
    run(chosen, CipherDirection::Decrypt, "chiave");
    EXPECT_EQ(readFile(chosen), plain);
    EXPECT_TRUE(programFolderIsEmpty()) << "no temporary file may stay behind";
}

TEST_F(InPlaceCipherTest, EmptyFileStaysEmpty)
{
    const auto chosen = files / "vuoto";
    writeFile(chosen, "");
    run(chosen, CipherDirection::Encrypt, "x");
    EXPECT_EQ(fs::file_size(chosen), 0u);
    run(chosen, CipherDirection::Decrypt, "x");
    EXPECT_EQ(fs::file_size(chosen), 0u);
}

TEST_F(InPlaceCipherTest, TheProcessedCopyWaitsInTheProgramFolderUntilReplaced)
{
    const auto chosen = files / "a.bin";
    writeFile(chosen, "contenuto");
    InPlaceCipher job(program.path(), chosen, CipherDirection::Decrypt);
    job.writeProcessedCopy("pw");
    EXPECT_EQ(job.temporaryPath(), program / "Decriptato.xyz");
    EXPECT_EQ(readFile(program / "Decriptato.xyz"), encrypted("contenuto", "pw"));
    EXPECT_EQ(readFile(chosen), "contenuto");
    job.replaceChosenFile();
    EXPECT_FALSE(fs::exists(program / "Decriptato.xyz"));
}

TEST_F(InPlaceCipherTest, AnAbandonedJobLeavesTheOriginalAndRemovesItsCopy)
{
    const auto chosen = files / "a.bin";
    writeFile(chosen, "contenuto");
    {
        InPlaceCipher job(program.path(), chosen, CipherDirection::Encrypt);
        job.writeProcessedCopy("pw");
        EXPECT_TRUE(fs::exists(program / "Criptato.xyz"));
    }
    EXPECT_EQ(readFile(chosen), "contenuto");
    EXPECT_TRUE(programFolderIsEmpty());
}

TEST_F(InPlaceCipherTest, AStaleTemporaryFileIsOverwritten)
{
    writeFile(program / "Criptato.xyz", std::string(100000, 'q'));
    const auto chosen = files / "a.bin";
    writeFile(chosen, "abc");
    run(chosen, CipherDirection::Encrypt, "pw");
    EXPECT_EQ(readFile(chosen), encrypted("abc", "pw"));
}

TEST_F(InPlaceCipherTest, RefusalsBeforeWritingLeaveEverythingAsItWas)
{
    const auto readOnly = files / "sola-lettura";
    writeFile(readOnly, "protetto");
    fs::permissions(readOnly, fs::perms::owner_read | fs::perms::group_read);

    struct Case
    {
        const char* what;
        fs::path chosen;
    };
    for (const Case& c : {Case{"read-only file", readOnly}, Case{"missing file", files / "assente"},
                          Case{"a folder", files.path()}}) {
        InPlaceCipher job(program.path(), c.chosen, CipherDirection::Encrypt);
        EXPECT_THROW(job.writeProcessedCopy("pw"), Error) << c.what;
        EXPECT_TRUE(programFolderIsEmpty()) << c.what;
    }
    EXPECT_EQ(readFile(readOnly), "protetto");
    EXPECT_EQ(modeOf(readOnly) & 0777, 0440u);
}

TEST_F(InPlaceCipherTest, UnwritableProgramFolderFailsBeforeTouchingTheFile)
{
    const auto chosen = files / "a.bin";
    writeFile(chosen, "abc");
    {
        InPlaceCipher job(program / "non-esiste", chosen, CipherDirection::Encrypt);
        EXPECT_THROW(job.writeProcessedCopy("pw"), SystemError);
    }
    // A temporary name taken by a folder behaves as a locked temporary file.
    fs::create_directory(program / "Criptato.xyz");
    {
        InPlaceCipher job(program.path(), chosen, CipherDirection::Encrypt);
        EXPECT_THROW(job.writeProcessedCopy("pw"), SystemError);
    }
    EXPECT_EQ(readFile(chosen), "abc");
    EXPECT_TRUE(fs::is_directory(program / "Criptato.xyz"));
}

TEST_F(InPlaceCipherTest, AFileMadeReadOnlyAfterTheCipherIsNotReplaced)
{
    const auto chosen = files / "a.bin";
    writeFile(chosen, "abc");
    {
        InPlaceCipher job(program.path(), chosen, CipherDirection::Encrypt);
        job.writeProcessedCopy("pw");
        fs::permissions(chosen, fs::perms::owner_read);
        EXPECT_THROW(job.replaceChosenFile(), Error);
    }
    EXPECT_EQ(readFile(chosen), "abc");
    EXPECT_TRUE(programFolderIsEmpty());
}

TEST_F(InPlaceCipherTest, ChoosingTheTemporaryFileItselfIsRefused)
{
    const auto chosen = program / "Criptato.xyz";
    writeFile(chosen, "dati preziosi");
    InPlaceCipher job(program.path(), chosen, CipherDirection::Encrypt);
    EXPECT_THROW(job.writeProcessedCopy("pw"), Error);
    EXPECT_EQ(readFile(chosen), "dati preziosi");
}

TEST_F(InPlaceCipherTest, PermissionBitsAreKept)
{
    const auto chosen = files / "a.bin";
    writeFile(chosen, "abc");
    fs::permissions(chosen, fs::perms(0750));
    run(chosen, CipherDirection::Encrypt, "pw");
    EXPECT_EQ(modeOf(chosen) & 07777, 0750u);
}

TEST_F(InPlaceCipherTest, ASymbolicLinkStaysAndItsTargetIsReplaced)
{
    const auto target = files / "vero.bin";
    const auto link = files / "collegamento";
    writeFile(target, "abc");
    fs::create_symlink(target, link);
    run(link, CipherDirection::Encrypt, "pw");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), target);
    EXPECT_EQ(readFile(target), encrypted("abc", "pw"));
}

// The program folder on one file system, the chosen file on another: the replacement is
// copied beside the file and renamed, leaving nothing else behind on either side.
TEST_F(InPlaceCipherTest, ProgramFolderOnAnotherFileSystem)
{
    if (!fs::is_directory("/dev/shm")) {
        GTEST_SKIP() << "no second file system at /dev/shm";
    }
    TempFolder otherProgram("/dev/shm");
    struct stat a
    {
    }, b{};
    ::stat(otherProgram.path().c_str(), &a);
    ::stat(files.path().c_str(), &b);
    if (a.st_dev == b.st_dev) {
        GTEST_SKIP() << "/dev/shm is on the same file system as the test folder";
    }
    const std::string plain = test::randomBytes(200000, 3);
    const auto chosen = files / "lontano.bin";
    writeFile(chosen, plain);
    fs::permissions(chosen, fs::perms(0604));
    {
        InPlaceCipher job(otherProgram.path(), chosen, CipherDirection::Encrypt);
        job.writeProcessedCopy("pw");
        job.replaceChosenFile();
    }
    EXPECT_EQ(readFile(chosen), encrypted(plain, "pw"));
    EXPECT_EQ(modeOf(chosen) & 07777, 0604u);
    EXPECT_TRUE(fs::is_empty(otherProgram.path()));
    EXPECT_EQ(std::distance(fs::directory_iterator(files.path()), fs::directory_iterator()), 1);
}
