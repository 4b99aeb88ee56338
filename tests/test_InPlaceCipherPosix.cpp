// Cases that need POSIX file systems: permission bits, access control lists and extended
// attributes, symbolic links, a second file system, signals.
#include "ChildProcess.h"
#include "InPlaceCipherFixture.h"
#include "platform/Error.h"
#include "platform/FileReplace.h"
#include "platform/Interruption.h"
#include "platform/Progress.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace velarium;
using velarium::test::Forked;
using velarium::test::Handoff;
using velarium::test::InPlaceCipherTest;
using velarium::test::namesIn;
using velarium::test::Outcome;
using velarium::test::readFile;
using velarium::test::TempFolder;
using velarium::test::writeFile;
namespace fs = std::filesystem;

namespace {

mode_t modeOf(const fs::path& path)
{
    struct stat st
    {
    };
    ::lstat(path.c_str(), &st);
    return st.st_mode;
}

// /dev/shm when it is another file system than the system's temporary folder, where the tests'
// chosen files live.
std::optional<fs::path> otherFileSystem()
{
    struct stat a
    {
    }, b{};
    if (::stat("/dev/shm", &a) != 0 || ::stat(fs::temp_directory_path().c_str(), &b) != 0 ||
        a.st_dev == b.st_dev) {
        return std::nullopt;
    }
    return fs::path("/dev/shm");
}

} // namespace

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

TEST_F(InPlaceCipherTest, ProgramFolderOnAnotherFileSystem)
{
    const auto other = otherFileSystem();
    if (!other) {
        GTEST_SKIP() << "/dev/shm is no other file system than the test folder's";
    }
    TempFolder otherProgram(*other);
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

// The caller's last look comes after the copy beside the file and right before the rename: a
// line another program appends meanwhile is seen, and the refusal leaves the file as it then is,
// with no copy beside it.
TEST_F(InPlaceCipherTest, TheLastLookBeforeTheRenameSeesWhatChangedDuringTheCopy)
{
    struct Case
    {
        const char* what;
        fs::path programFolder;
        std::size_t copiesBeside;
    };
    std::vector<Case> cases{{"same file system", program.path(), 0}};
    std::optional<TempFolder> elsewhere;
    if (const auto other = otherFileSystem()) {
        elsewhere.emplace(*other);
        cases.push_back({"another file system", elsewhere->path(), 1});
    }
    const std::string original = test::randomBytes(300000, 11);
    const std::string processed = test::randomBytes(300000, 12);
    const std::string line = "una riga aggiunta\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path chosen = files / "registro.log";
        const fs::path copy = c.programFolder / "Criptato.xyz";
        writeFile(chosen, original);
        writeFile(copy, processed);
        const platform::FileVersion before = platform::versionOf(chosen);
        const auto appendThenLook = [&] {
            const auto names = namesIn(files.path());
            EXPECT_EQ(names.size(), 1 + c.copiesBeside);
            for (const std::string& name : names) {
                if (name != "registro.log") {
                    EXPECT_EQ(fs::file_size(files / name), processed.size()) << "copy unfinished";
                }
            }
            std::ofstream(chosen, std::ios::binary | std::ios::app) << line;
            if (platform::versionOf(chosen) != before) {
                throw Error("cambiato");
            }
        };
        EXPECT_THROW(platform::replaceFile(copy, chosen, appendThenLook), Error);
        EXPECT_EQ(readFile(chosen), original + line);
        EXPECT_EQ(namesIn(files.path()), std::vector<std::string>{"registro.log"});
        EXPECT_EQ(readFile(copy), processed) << "the caller's file is the caller's to remove";

        bool looked = false;
        platform::replaceFile(copy, chosen, [&] { looked = true; });
        EXPECT_TRUE(looked);
        EXPECT_EQ(readFile(chosen), processed);
        EXPECT_FALSE(fs::exists(copy));
        EXPECT_EQ(namesIn(files.path()), std::vector<std::string>{"registro.log"});
    }
}

namespace {

constexpr const char* kAccessList = "system.posix_acl_access";

std::optional<std::string> attribute(const fs::path& path, const char* name)
{
    std::string value(65536, '\0');
    const ssize_t size = ::getxattr(path.c_str(), name, value.data(), value.size());
    if (size < 0) {
        return std::nullopt;
    }
    value.resize(static_cast<std::size_t>(size));
    return value;
}

// As a user would mark a file (Debian's acl and attr); false where the tools are missing or the
// file system refuses.
bool marked(const std::string& command, const fs::path& path)
{
    return std::system((command + " '" + path.string() + "' 2>/dev/null").c_str()) == 0;
}

} // namespace

// Every way a file is replaced: the processed copy renamed into place or copied beside the file
// first, a write in one step, a copy in one step.
class AccessRulesTest : public InPlaceCipherTest
{
protected:
    struct Replacement
    {
        const char* what;
        std::function<void(const fs::path&)> run;
    };

    AccessRulesTest()
    {
        writeFile(scratch / "sorgente", "copiato in un passo");
        replacements_ = {
            {"encrypted and decrypted, renamed into place",
             [&](const fs::path& file) {
                 cipherBothWays(file, program.path());
             }},
            {"written in one step",
             [&](const fs::path& file) {
                 platform::writeFileAtomically(file, "nuovo");
             }},
            {"copied in one step",
             [&](const fs::path& file) {
                 platform::copyFileAtomically(scratch / "sorgente", file);
             }},
        };
        if (const auto other = otherFileSystem()) {
            elsewhere_.emplace(*other);
            replacements_.push_back(
                {"encrypted and decrypted, copied beside the file", [&](const fs::path& file) {
                     cipherBothWays(file, elsewhere_->path());
                 }});
        }
    }

    void cipherBothWays(const fs::path& file, const fs::path& programFolder)
    {
        const std::string before = readFile(file);
        for (const auto direction : {CipherDirection::Encrypt, CipherDirection::Decrypt}) {
            InPlaceCipher job(programFolder, file, direction);
            job.writeProcessedCopy("pw");
            job.replaceChosenFile();
        }
        EXPECT_EQ(readFile(file), before);
    }

    std::optional<TempFolder> elsewhere_;
    std::vector<Replacement> replacements_;
};

// A private file that one other user may read: the list that says so, and the file's own
// attribute, outlive every replacement. Without the list, the mode's group bits (the list's
// mask, r) would hand the group what only that user was allowed.
TEST_F(AccessRulesTest, TheAccessListAndExtendedAttributesSurviveEveryReplacement)
{
    for (const Replacement& r : replacements_) {
        SCOPED_TRACE(r.what);
        const fs::path file = files / "privato.txt";
        writeFile(file, "solo per me e per nobody");
        fs::permissions(file, fs::perms(0600));
        if (!marked("setfacl -m u:nobody:r", file) ||
            !marked("setfattr -n user.velarium.test -v etichetta", file)) {
            GTEST_SKIP() << "no setfacl or setfattr, or the file system refuses them";
        }
        const auto list = attribute(file, kAccessList);
        ASSERT_TRUE(list);
        r.run(file);
        EXPECT_EQ(attribute(file, kAccessList), list);
        EXPECT_EQ(attribute(file, "user.velarium.test"), "etichetta");
        EXPECT_EQ(modeOf(file) & 0777, 0640u) << "the mask stands in the group bits";
        EXPECT_EQ(namesIn(files.path()), std::vector<std::string>{"privato.txt"});
        fs::remove(file);
    }
}

// A folder that gives every new file to another user: the file that takes the place of one
// without a list must not arrive with the folder's.
TEST_F(AccessRulesTest, AFileWithoutAListGetsNoneFromItsFolder)
{
    const fs::path file = files / "di-gruppo.txt";
    writeFile(file, "leggibile dal gruppo");
    fs::permissions(file, fs::perms(0640));
    if (!marked("setfacl -d -m u:nobody:rw", files.path())) {
        GTEST_SKIP() << "no setfacl, or the file system refuses it";
    }
    for (const Replacement& r : replacements_) {
        SCOPED_TRACE(r.what);
        r.run(file);
        EXPECT_EQ(attribute(file, kAccessList), std::nullopt);
        EXPECT_EQ(modeOf(file) & 0777, 0640u);
    }
}

TEST_F(InPlaceCipherTest, AtStartALinkAtATemporaryNameIsNeverFollowed)
{
    const fs::path elsewhere = files / "altrove.txt";
    writeFile(elsewhere, "da non toccare");
    fs::create_symlink(elsewhere, program / "Decriptato.xyz");
    InPlaceCipher::removeAbandonedCopies(program.path());
    EXPECT_EQ(readFile(elsewhere), "da non toccare");
    EXPECT_TRUE(fs::is_symlink(program / "Decriptato.xyz"));
}

// The window and the command-line tool stop the same way: a signal removes the copies being
// made, and only them, then ends the program as that signal does, which a shell reports as
// 128 plus its number. A suite of its own: the job runs in a forked process, which the thread
// sanitizer's run of the in-place tests could not follow.
class StoppedJobTest : public InPlaceCipherTest
{
};

TEST_F(StoppedJobTest, AStopRequestRemovesTheCopyInClearAndEndsAsTheSignalWould)
{
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(::strsignal(signal));
        const fs::path chosen = files / "segreto.bin";
        const fs::path taken = files / "preso.txt";
        writeFile(chosen, "testo cifrato");
        writeFile(taken, "tracciato");
        Handoff working;
        Forked stopped(
            [&] {
                platform::removeTrackedFilesWhenStopped();
                InPlaceCipher job(program.path(), chosen, CipherDirection::Decrypt);
                job.writeProcessedCopy("pw");
                platform::RemovedWhenStopped tracked;
                tracked.track([&] { return taken; });
                working.send();
                for (;;) {
                    ::pause();
                }
            },
            "stopped job");
        const bool copied = working.receive().has_value();
        if (copied) {
            ASSERT_TRUE(fs::exists(program / "Decriptato.xyz"));
            // Another program's file takes the tracked name meanwhile: it is not the one tracked.
            writeFile(files / "nuovo", "di un altro");
            fs::rename(files / "nuovo", taken);
            stopped.kill(signal);
        }
        const Outcome outcome = stopped.finish();
        ASSERT_TRUE(copied) << "the job failed before the signal";
        EXPECT_EQ(outcome.signal, signal) << outcome.exitCode;
        EXPECT_TRUE(programFolderIsEmpty()) << "the copy in clear stayed behind";
        EXPECT_EQ(readFile(chosen), "testo cifrato");
        EXPECT_EQ(readFile(taken), "di un altro");
    }
}

namespace {

class Watched final : public platform::Progress
{
public:
    void advanced(std::uint64_t, std::uint64_t) override {}
};

} // namespace

// A cancel from another thread (a window's Annulla) stops a long cipher half-way: the file stays
// as it was, and the half-written copy goes.
TEST_F(InPlaceCipherTest, ACancelHalfWayLeavesTheFileAndNoCopy)
{
    const auto chosen = files / "enorme.bin";
    {
        std::ofstream(chosen, std::ios::binary).close();
    }
    fs::resize_file(chosen, std::uint64_t(1) << 30);
    const platform::FileVersion before = platform::versionOf(chosen);
    Watched progress;
    std::thread annulla([&] {
        test::waitUntil(
            [&] {
                std::error_code unknown;
                return fs::file_size(program / "Criptato.xyz", unknown) >= (8u << 20);
            },
            std::chrono::seconds(60));
        progress.cancel();
    });
    {
        InPlaceCipher job(program.path(), chosen, CipherDirection::Encrypt);
        EXPECT_THROW(job.writeProcessedCopy("pw", platform::KeySize::Bits128, &progress),
                     platform::Cancelled);
    }
    annulla.join();
    EXPECT_EQ(platform::versionOf(chosen), before);
    EXPECT_TRUE(programFolderIsEmpty());
}

namespace {

// Cancels at its first report, when asked to.
class Counted final : public platform::Progress
{
public:
    explicit Counted(bool cancelAtOnce) : cancelAtOnce_(cancelAtOnce) {}
    void advanced(std::uint64_t done, std::uint64_t total) override
    {
        last = {done, total};
        ++reports;
        if (cancelAtOnce_) {
            cancel();
        }
    }
    std::pair<std::uint64_t, std::uint64_t> last;
    int reports = 0;

private:
    bool cancelAtOnce_;
};

} // namespace

// The copy beside a file on another file system takes as long as the cipher: it reports its
// progress too, and a cancel before the rename leaves the original whole and nothing behind.
TEST_F(InPlaceCipherTest, TheCopyAcrossFileSystemsReportsAndCanBeCancelled)
{
    const auto other = otherFileSystem();
    if (!other) {
        GTEST_SKIP() << "/dev/shm is no other file system than the test folder's";
    }
    TempFolder otherProgram(*other);
    const std::string plain = test::randomBytes(300000, 21);
    const auto chosen = files / "lontano.bin";
    writeFile(chosen, plain);
    {
        Counted cancelling(true);
        InPlaceCipher job(otherProgram.path(), chosen, CipherDirection::Encrypt);
        job.writeProcessedCopy("pw");
        EXPECT_THROW(job.replaceChosenFile(&cancelling), platform::Cancelled);
        EXPECT_EQ(cancelling.reports, 1);
    }
    EXPECT_EQ(readFile(chosen), plain);
    EXPECT_EQ(namesIn(files.path()), std::vector<std::string>{"lontano.bin"});
    EXPECT_TRUE(fs::is_empty(otherProgram.path()));

    Counted watching(false);
    InPlaceCipher job(otherProgram.path(), chosen, CipherDirection::Encrypt);
    job.writeProcessedCopy("pw");
    job.replaceChosenFile(&watching);
    EXPECT_EQ(watching.last, (std::pair<std::uint64_t, std::uint64_t>(plain.size(), plain.size())));
    EXPECT_EQ(readFile(chosen), encrypted(plain, "pw"));
}
