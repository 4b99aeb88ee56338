// Backups of the archive and their restore, on real files.
#include "TempFolder.h"
#include "archive/ArchiveBackup.h"
#include "archive/CardArchive.h"
#include "platform/Error.h"

#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <vector>

using namespace velarium;
using velarium::test::randomBytes;
using velarium::test::readFile;
using velarium::test::TempFolder;
using velarium::test::writeFile;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

fs::perms permissionsOf(const fs::path& path)
{
    return fs::status(path).permissions() & fs::perms::all;
}

// Files may grow only to `bytes` while it lives, as on a disk that fills up: a write past that
// fails (EFBIG) part-way through a copy.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

// Random records that are cards all the same: every length byte within 0 to 250.
std::string randomCards(std::size_t records, unsigned seed)
{
    std::string bytes = randomBytes(records * kCardRecordBytes, seed);
    for (std::size_t at = 0; at < bytes.size(); at += 1 + kCardFieldCapacity) {
        bytes[at] = static_cast<char>(static_cast<unsigned char>(bytes[at]) % 251);
    }
    return bytes;
}

class ArchiveBackupTest : public ::testing::Test
{
protected:
    fs::path archive() const { return program / kCardArchiveName; }

    TempFolder program;
    TempFolder files;
};

} // namespace

TEST(BackupName, GetsTheExtensionUnlessItEndsWithExactlyIt)
{
    const std::pair<const char*, const char*> cases[] = {
        {"File criptati.bka", "File criptati.bka"},
        {"/home/anna/File criptati.bka", "/home/anna/File criptati.bka"},
        {"copia", "copia.bka"},
        {"/home/anna/copia", "/home/anna/copia.bka"},
        {"copia.BKA", "copia.BKA.bka"},
        {"copia.Bka", "copia.Bka.bka"},
        {"copia.bkc", "copia.bkc.bka"},
        {"copia.bka.txt", "copia.bka.txt.bka"},
        {"copiabka", "copiabka.bka"},
        {"copia.bka ", "copia.bka .bka"},
        {".bka", ".bka"},
        {"/dati.bka/copia", "/dati.bka/copia.bka"},
    };
    for (const auto& [chosen, written] : cases) {
        EXPECT_EQ(withBackupExtension(chosen), fs::path(written)) << chosen;
    }
}

TEST_F(ArchiveBackupTest, BackupIsTheArchiveByteForByte)
{
    // Sizes around the copy's buffer, and an incomplete record, which is copied like the rest.
    for (const std::size_t size : {std::size_t{1}, kCardRecordBytes, std::size_t{65'535},
                                   std::size_t{65'536}, std::size_t{200'003}}) {
        SCOPED_TRACE(size);
        const std::string content = randomBytes(size, static_cast<unsigned>(size));
        writeFile(archive(), content);
        const fs::path backup = files / "copia.bka";
        backupArchive(program.path(), backup);
        EXPECT_EQ(readFile(backup), content);
        EXPECT_EQ(readFile(archive()), content);
        EXPECT_EQ(namesIn(files.path()), std::vector<std::string>{"copia.bka"});
        EXPECT_EQ(namesIn(program.path()), std::vector<std::string>{kCardArchiveName});
    }
}

TEST_F(ArchiveBackupTest, BackupOfCardsRestoresTheSameCards)
{
    {
        CardArchive cards(program.path());
        cards.Open();
        cards.Append({"/dati/a.doc", "Conto", "pw1", "pw1"});
        cards.Append({"/dati/b.doc", "Banca", "pw2", "pw2"});
        cards.Close();
    }
    const std::string saved = readFile(archive());
    backupArchive(program.path(), files / "schede.bka");
    {
        CardArchive cards(program.path());
        cards.Open();
        cards.Append({"/dati/c.doc", "Dopo il backup", "pw3", "pw3"});
        cards.Close();
    }
    restoreArchive(program.path(), files / "schede.bka");
    EXPECT_EQ(readFile(archive()), saved);
    CardArchive cards(program.path());
    cards.Open();
    EXPECT_EQ(cards.Count(), 2u);
    cards.Seek(1);
    EXPECT_EQ(cards.Read().Description, "Banca");
    cards.Close();
}

TEST_F(ArchiveBackupTest, EmptyArchiveGivesAnEmptyBackupThatRestoresAnEmptyArchive)
{
    writeFile(archive(), "");
    backupArchive(program.path(), files / "vuoto.bka");
    EXPECT_EQ(readFile(files / "vuoto.bka"), "");

    writeFile(archive(), randomBytes(3 * kCardRecordBytes, 1));
    restoreArchive(program.path(), files / "vuoto.bka");
    EXPECT_EQ(readFile(archive()), "");
    EXPECT_EQ(namesIn(program.path()), std::vector<std::string>{kCardArchiveName});
}

TEST_F(ArchiveBackupTest, BackupReplacesAnExistingFileWholeAndKeepsItsPermissions)
{
    writeFile(archive(), "corto");
    const fs::path backup = files / "copia.bka";
    writeFile(backup, randomBytes(100'000, 2));
    fs::permissions(backup, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    backupArchive(program.path(), backup);
    EXPECT_EQ(readFile(backup), "corto");
    EXPECT_EQ(permissionsOf(backup),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(ArchiveBackupTest, NewCopyIsNoMoreOpenThanItsSourceAndStaysWritableByItsOwner)
{
    using P = fs::perms;
    const std::pair<P, P> cases[] = {
        {P::owner_read | P::owner_write, P::owner_read | P::owner_write},
        {P::owner_read | P::owner_write | P::group_read | P::others_read,
         P::owner_read | P::owner_write | P::group_read | P::others_read},
        {P::owner_read | P::group_read, P::owner_read | P::owner_write | P::group_read},
        {P::owner_all | P::group_all,
         P::owner_read | P::owner_write | P::group_read | P::group_write},
    };
    for (const auto& [source, copy] : cases) {
        SCOPED_TRACE(static_cast<int>(source));
        fs::remove(archive());
        fs::remove(files / "copia.bka");
        writeFile(archive(), randomCards(1, 7));
        fs::permissions(archive(), source);
        backupArchive(program.path(), files / "copia.bka");
        EXPECT_EQ(permissionsOf(files / "copia.bka"), copy);

        // A restore into a folder without an archive makes it the same way.
        fs::remove(archive());
        fs::permissions(files / "copia.bka", source);
        restoreArchive(program.path(), files / "copia.bka");
        EXPECT_EQ(permissionsOf(archive()), copy);
        EXPECT_EQ(readFile(archive()), randomCards(1, 7));
    }
}

TEST_F(ArchiveBackupTest, RestoreKeepsTheArchivesPermissions)
{
    writeFile(archive(), "vecchio");
    fs::permissions(archive(), fs::perms::owner_read | fs::perms::owner_write);
    writeFile(files / "copia.bka", randomCards(2, 8));
    fs::permissions(files / "copia.bka", fs::perms::all);
    restoreArchive(program.path(), files / "copia.bka");
    EXPECT_EQ(readFile(archive()), randomCards(2, 8));
    EXPECT_EQ(permissionsOf(archive()), fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(ArchiveBackupTest, BackupThroughASymbolicLinkWritesTheFileItNames)
{
    writeFile(archive(), "schede");
    writeFile(files / "vera.bka", "vecchia copia");
    fs::create_symlink(files / "vera.bka", files / "collegamento.bka");
    backupArchive(program.path(), files / "collegamento.bka");
    EXPECT_TRUE(fs::is_symlink(files / "collegamento.bka"));
    EXPECT_EQ(readFile(files / "vera.bka"), "schede");
}

TEST_F(ArchiveBackupTest, MissingArchiveFailsAndTouchesNoDestination)
{
    const fs::path fresh = files / "nuovo.bka";
    EXPECT_THROW(backupArchive(program.path(), fresh), Error);
    EXPECT_FALSE(fs::exists(fresh));
    EXPECT_FALSE(fs::exists(archive())) << "a backup never creates the archive";

    const fs::path existing = files / "vecchio.bka";
    writeFile(existing, "copia di ieri");
    EXPECT_THROW(backupArchive(program.path(), existing), Error);
    EXPECT_EQ(readFile(existing), "copia di ieri");
    EXPECT_EQ(namesIn(files.path()), std::vector<std::string>{"vecchio.bka"});
}

TEST_F(ArchiveBackupTest, SameFileUnderAnyNameIsRefusedAndTheArchiveKept)
{
    const std::string content = randomBytes(5 * kCardRecordBytes, 3);
    writeFile(archive(), content);
    fs::create_symlink(archive(), files / "simbolico.bka");
    fs::create_hard_link(archive(), files / "fisico.bka");
    fs::create_symlink(program.path(), files / "cartella");
    const fs::path sameFile[] = {
        archive(),
        program / "." / kCardArchiveName,
        files / "cartella" / kCardArchiveName,
        files / "simbolico.bka",
        files / "fisico.bka",
    };
    for (const fs::path& name : sameFile) {
        SCOPED_TRACE(name.string());
        EXPECT_THROW(backupArchive(program.path(), name), Error);
        EXPECT_EQ(readFile(archive()), content);
        EXPECT_THROW(restoreArchive(program.path(), name), Error);
        EXPECT_EQ(readFile(archive()), content);
        EXPECT_EQ(namesIn(program.path()), std::vector<std::string>{kCardArchiveName});
        EXPECT_EQ(namesIn(files.path()),
                  (std::vector<std::string>{"cartella", "fisico.bka", "simbolico.bka"}));
    }
}

TEST_F(ArchiveBackupTest, UnreadableBackupLeavesTheArchiveAsItWas)
{
    const std::string content = randomBytes(2 * kCardRecordBytes, 4);
    writeFile(archive(), content);
    fs::create_directory(files / "cartella.bka");
    fs::create_symlink(files / "sparito.bka", files / "orfano.bka");
    ASSERT_EQ(::mkfifo((files / "tubo.bka").c_str(), 0600), 0);
    const char* const sources[] = {"assente.bka", "cartella.bka", "orfano.bka", "tubo.bka"};
    for (const char* source : sources) {
        SCOPED_TRACE(source);
        EXPECT_THROW(restoreArchive(program.path(), files / source), Error);
        EXPECT_EQ(readFile(archive()), content);
        EXPECT_EQ(namesIn(program.path()), std::vector<std::string>{kCardArchiveName});
    }
    // Nor is an archive made where there was none.
    fs::remove(archive());
    EXPECT_THROW(restoreArchive(program.path(), files / "assente.bka"), Error);
    EXPECT_TRUE(namesIn(program.path()).empty());
}

TEST_F(ArchiveBackupTest, DestinationThatCannotBeWrittenFailsWithoutLeavingAnything)
{
    writeFile(archive(), "schede");
    writeFile(files / "documento.txt", "testo");
    fs::create_directory(files / "cartella.bka");
    writeFile(files / "sola lettura.bka", "copia protetta");
    fs::permissions(files / "sola lettura.bka", fs::perms::owner_read);
    const fs::path destinations[] = {
        files / "inesistente" / "copia.bka",
        files / "documento.txt" / "copia.bka",
        files / "cartella.bka",
        files / "sola lettura.bka",
    };
    for (const fs::path& destination : destinations) {
        SCOPED_TRACE(destination.string());
        EXPECT_THROW(backupArchive(program.path(), destination), Error);
        EXPECT_EQ(namesIn(files.path()),
                  (std::vector<std::string>{"cartella.bka", "documento.txt", "sola lettura.bka"}));
        EXPECT_TRUE(fs::is_empty(files / "cartella.bka"));
        EXPECT_EQ(readFile(files / "documento.txt"), "testo");
        EXPECT_EQ(readFile(files / "sola lettura.bka"), "copia protetta");
    }
    EXPECT_EQ(readFile(archive()), "schede");
}

TEST_F(ArchiveBackupTest, RestoreFailsWhereNoArchiveCanBeWritten)
{
    writeFile(files / "copia.bka", randomCards(1, 9));
    const fs::path missingFolder = program / "inesistente";
    EXPECT_THROW(restoreArchive(missingFolder, files / "copia.bka"), Error);
    EXPECT_FALSE(fs::exists(missingFolder));

    // An archive made read-only by its user is not replaced.
    writeFile(archive(), "protetto");
    fs::permissions(archive(), fs::perms::owner_read);
    EXPECT_THROW(restoreArchive(program.path(), files / "copia.bka"), Error);
    EXPECT_EQ(readFile(archive()), "protetto");
    EXPECT_EQ(namesIn(program.path()), std::vector<std::string>{kCardArchiveName});
}

TEST_F(ArchiveBackupTest, CopyFailingPartWayLeavesTheOldFileWholeAndNoPartialCopy)
{
    const std::string old = randomBytes(10 * kCardRecordBytes, 5);
    const std::string large = randomCards(299, 6);
    writeFile(archive(), old);
    writeFile(files / "grande.bka", large);
    writeFile(files / "ieri.bka", "copia di ieri");
    {
        const FileSizeLimit diskFull(100'000);
        EXPECT_THROW(restoreArchive(program.path(), files / "grande.bka"), Error);
    }
    EXPECT_EQ(readFile(archive()), old);
    EXPECT_EQ(namesIn(program.path()), std::vector<std::string>{kCardArchiveName});

    writeFile(archive(), large);
    {
        const FileSizeLimit diskFull(100'000);
        EXPECT_THROW(backupArchive(program.path(), files / "ieri.bka"), Error);
        EXPECT_THROW(backupArchive(program.path(), files / "nuova.bka"), Error);
    }
    EXPECT_EQ(readFile(files / "ieri.bka"), "copia di ieri");
    EXPECT_EQ(namesIn(files.path()), (std::vector<std::string>{"grande.bka", "ieri.bka"}));
}
