#include "InPlaceCipherFixture.h"
#include "platform/Error.h"
#include "platform/Progress.h"

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

using namespace velarium;
using velarium::test::InPlaceCipherTest;
using velarium::test::readFile;
using velarium::test::TempFolder;
using velarium::test::writeFile;
namespace fs = std::filesystem;

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
    EXPECT_EQ(fs::status(readOnly).permissions() & fs::perms::owner_write, fs::perms::none);
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

// The program folder on one file system, the chosen file on another: the replacement is
// copied beside the file and renamed, leaving nothing else behind on either side.

TEST_F(InPlaceCipherTest, ASecondJobFindingTheTemporaryFileHeldChangesNothing)
{
    const auto first = files / "primo.bin";
    const auto second = files / "secondo.bin";
    writeFile(first, "il primo");
    writeFile(second, "il secondo");
    {
        InPlaceCipher holder(program.path(), first, CipherDirection::Encrypt);
        holder.writeProcessedCopy("uno");
        const std::string copy = readFile(program / "Criptato.xyz");
        {
            InPlaceCipher late(program.path(), second, CipherDirection::Encrypt);
            EXPECT_THROW(late.writeProcessedCopy("due"), Error);
        }
        EXPECT_EQ(readFile(program / "Criptato.xyz"), copy) << "the late job touched the copy";
        // The other direction has a temporary file of its own.
        run(second, CipherDirection::Decrypt, "due");
        holder.replaceChosenFile();
    }
    EXPECT_EQ(readFile(first), encrypted("il primo", "uno"));
    EXPECT_EQ(readFile(second), encrypted("il secondo", "due"));
    run(second, CipherDirection::Encrypt, "due");
    EXPECT_EQ(readFile(second), "il secondo");
    EXPECT_TRUE(programFolderIsEmpty());
}

TEST_F(InPlaceCipherTest, AFileWithAnotherNameIsRefusedBeforeAnythingIsWritten)
{
    const auto chosen = files / "documento.txt";
    writeFile(chosen, "in chiaro");
    fs::create_hard_link(chosen, files / "altro-nome.txt");
    InPlaceCipher job(program.path(), chosen, CipherDirection::Encrypt);
    EXPECT_THROW(job.writeProcessedCopy("pw"), Error);
    EXPECT_EQ(readFile(chosen), "in chiaro");
    EXPECT_EQ(readFile(files / "altro-nome.txt"), "in chiaro");
    EXPECT_TRUE(programFolderIsEmpty());
}

// At the program's start: a processed copy left by a job that died may be a file in clear and
// goes; one a live job holds (another copy of the program at work) stays, and that job ends well.
TEST_F(InPlaceCipherTest, AtStartCopiesLeftByDeadJobsGoButOneALiveJobHoldsStays)
{
    writeFile(program / "Criptato.xyz", "rimasto");
    writeFile(program / "Decriptato.xyz", "testo in chiaro rimasto");
    InPlaceCipher::removeAbandonedCopies(program.path());
    EXPECT_TRUE(programFolderIsEmpty());

    const auto chosen = files / "a.bin";
    writeFile(chosen, "contenuto");
    InPlaceCipher live(program.path(), chosen, CipherDirection::Encrypt);
    live.writeProcessedCopy("pw");
    writeFile(program / "Decriptato.xyz", "testo in chiaro rimasto");
    InPlaceCipher::removeAbandonedCopies(program.path());
    EXPECT_EQ(readFile(program / "Criptato.xyz"), encrypted("contenuto", "pw"));
    EXPECT_FALSE(fs::exists(program / "Decriptato.xyz"));
    live.replaceChosenFile();
    EXPECT_EQ(readFile(chosen), encrypted("contenuto", "pw"));
    EXPECT_TRUE(programFolderIsEmpty());
}

namespace {

using Report = std::pair<std::uint64_t, std::uint64_t>;

// Keeps every report; cancels at the first one that passes `cancelAt` bytes, when given.
class RecordedProgress final : public platform::Progress
{
public:
    explicit RecordedProgress(std::optional<std::uint64_t> cancelAt = std::nullopt)
        : cancelAt_(cancelAt)
    {
    }
    void advanced(std::uint64_t done, std::uint64_t total) override
    {
        reports.emplace_back(done, total);
        if (cancelAt_ && done >= *cancelAt_) {
            cancel();
        }
    }
    std::vector<Report> reports;

private:
    std::optional<std::uint64_t> cancelAt_;
};

} // namespace

// The cipher tells how far it has come, from nothing to the whole file; asked to stop, it stops
// before writing more, and the chosen file stays as it was with no copy left behind.
TEST_F(InPlaceCipherTest, TheCipherReportsItsProgressAndStopsWhenCancelled)
{
    const std::string plain = test::randomBytes(3 * (1 << 20) + 17, 5);
    const auto chosen = files / "grande.bin";
    writeFile(chosen, plain);
    {
        RecordedProgress progress;
        InPlaceCipher job(program.path(), chosen, CipherDirection::Encrypt);
        job.writeProcessedCopy("pw", platform::KeySize::Bits128, &progress);
        job.replaceChosenFile();
        ASSERT_GE(progress.reports.size(), 2u);
        EXPECT_EQ(progress.reports.front(), Report(0, plain.size()));
        EXPECT_EQ(progress.reports.back(), Report(plain.size(), plain.size()));
        EXPECT_TRUE(std::is_sorted(progress.reports.begin(), progress.reports.end()));
        EXPECT_EQ(readFile(chosen), encrypted(plain, "pw"));
    }
    const std::string encryptedBytes = readFile(chosen);
    for (const CipherDirection direction : {CipherDirection::Encrypt, CipherDirection::Decrypt}) {
        RecordedProgress progress(0);
        {
            InPlaceCipher job(program.path(), chosen, direction);
            EXPECT_THROW(job.writeProcessedCopy("pw", platform::KeySize::Bits128, &progress),
                         platform::Cancelled);
        }
        EXPECT_EQ(progress.reports.size(), 1u);
        EXPECT_EQ(readFile(chosen), encryptedBytes);
        EXPECT_TRUE(programFolderIsEmpty());
    }
}
