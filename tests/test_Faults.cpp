// What the program promises when things go wrong around it: a process killed at any instant, a
// disk that runs full, a chosen file changed behind its back, a folder that cannot be written.
// Afterwards every file, the card archive and the access store are whole, old or new, and
// nothing that was there before is lost.

#include "ChildProcess.h"
#include "TempFolder.h"
#include "app/Crypt.h"
#include "archive/CardArchive.h"
#include "main/FileCipher.h"
#include "main/InPlaceCipher.h"
#include "platform/Error.h"
#include "platform/SharedFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace velarium::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const char* const kCli = VELARIUM_CLI_PATH;

std::vector<std::string> cli(const fs::path& programFolder, std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), {"--folder", programFolder.string()});
    return arguments;
}

const std::string kEncryptFailed =
    "Attenzione: il sistema non consente di criptare il file selezionato.\n";
const std::string kBackupFailed =
    "Attenzione: il sistema non consente di salvare il file nella "
    "posizione specificata. Creazione backup archivio non riuscita.\n";
const std::string kRestoreFailed = "Attenzione: il sistema non consente di sovrascrivere "
                                   "l'archivio corrente. Ripristino archivio file criptati non "
                                   "riuscito.\n";
const std::string kArchiveRefused =
    "Attenzione: il sistema non permette di accedere all'archivio.\n";

void expectFailure(const Outcome& outcome, const std::string& message)
{
    EXPECT_EQ(outcome.exitCode, 1) << outcome.err;
    EXPECT_EQ(outcome.err.rfind(message, 0), 0u) << outcome.err;
    EXPECT_TRUE(outcome.out.empty()) << outcome.out;
}

// A card whose every field is derived from its name, so that a record holding parts of two
// writes, or a write cut short, cannot pass for a card.
FileCard stampedCard(const std::string& name)
{
    const auto fill = [](const std::string& unit) {
        std::string text;
        while (text.size() < kCardFieldCapacity) {
            text += unit;
        }
        text.resize(kCardFieldCapacity);
        return text;
    };
    return {fill("/archivio/" + name + "/"), name, fill(name + "#"), fill(name + "#")};
}

std::string archiveOf(const std::vector<std::string>& names)
{
    std::string bytes;
    for (const std::string& name : names) {
        const CardRecord record = encodeCard(stampedCard(name));
        bytes.append(reinterpret_cast<const char*>(record.data()), record.size());
    }
    return bytes;
}

// The names of the cards an archive holds, each checked to be exactly the card of its name.
std::vector<std::string> wholeCards(const std::string& bytes)
{
    EXPECT_EQ(bytes.size() % kCardRecordBytes, 0u) << "a record was cut short";
    std::vector<std::string> names;
    for (std::size_t at = 0; at + kCardRecordBytes <= bytes.size(); at += kCardRecordBytes) {
        CardRecord record;
        std::memcpy(record.data(), bytes.data() + at, kCardRecordBytes);
        const FileCard card = decodeCard(record);
        EXPECT_TRUE(record == encodeCard(stampedCard(card.Description)))
            << "torn record " << at / kCardRecordBytes << ": " << card.Description;
        names.push_back(card.Description);
    }
    return names;
}

// The tool run under watch to its end: how many times it changes files.
std::uint64_t changesOfARun(const std::vector<std::string>& arguments, std::string_view input)
{
    Forked run([&] { runProgram(kCli, arguments, input); }, "velarium-cli", Forked::Start::Watched);
    const std::uint64_t changes = run.runChangingFiles();
    EXPECT_EQ(run.finish().exitCode, 0) << "the run under watch failed";
    return changes;
}

// The tool killed right before its `change`th change to files; whether it got that far, as every
// run of the same command does.
bool killedBeforeChange(const std::vector<std::string>& arguments, std::string_view input,
                        std::uint64_t change)
{
    Forked run([&] { runProgram(kCli, arguments, input); }, "velarium-cli", Forked::Start::Watched);
    return run.runChangingFiles(change) == change && run.finish().signal == SIGKILL;
}

// The tool killed before each of its changes to files in turn: at its start, in the middle of its
// work, and around the moment its result takes the place of `file`. Every time `file` holds the
// whole of `before` or the whole of `after`, what a run to the end leaves.
void expectBeforeOrAfterWhereverKilled(const std::vector<std::string>& arguments,
                                       std::string_view input, const fs::path& file,
                                       const std::string& before, const std::string& after)
{
    writeFile(file, before);
    const std::uint64_t changes = changesOfARun(arguments, input);
    ASSERT_TRUE(readWhole(file) == after) << "a run to the end left something else";
    writeFile(file, before);

    for (std::uint64_t change = 1; change <= changes; ++change) {
        ASSERT_TRUE(killedBeforeChange(arguments, input, change))
            << "the run ended before its change " << change << " of " << changes;
        const std::string content = readWhole(file);
        ASSERT_TRUE(content == before || content == after)
            << "a kill before change " << change << " of " << changes << " left " << content.size()
            << " bytes that are neither the file before nor the one after";
        if (content == after) {
            writeFile(file, before);
        }
    }
}

TEST(KilledAnywhere, EncryptAndDecryptLeaveTheWholeOriginalOrTheWholeResult)
{
    constexpr std::size_t kSize = 12u << 20;
    const TempFolder program(diskFolder());
    const TempFolder data(diskFolder());
    const fs::path file = data / "grande.dat";
    const std::string plain = randomBytes(kSize, 77);
    writeFile(data / "chiaro", plain);
    FileCipher(data / "chiaro", data / "cifrato", "uccidimi", true);
    const std::string encrypted = readWhole(data / "cifrato");
    fs::remove(data / "chiaro");
    fs::remove(data / "cifrato");

    {
        SCOPED_TRACE("encrypt");
        expectBeforeOrAfterWhereverKilled(cli(program.path(), {"encrypt", file.string()}),
                                          "uccidimi\n", file, plain, encrypted);
    }
    {
        SCOPED_TRACE("decrypt");
        // Random content looks the same under any key: the checks before the cipher would doubt
        // it.
        expectBeforeOrAfterWhereverKilled(
            cli(program.path(), {"decrypt", "--force", file.string()}), "uccidimi\n", file,
            encrypted, plain);
    }
}

// The card `cards add` makes of a name given as its path's last step and its description.
FileCard addedCard(const std::string& name)
{
    return {"/archivio/" + name, name, "pw", "pw"};
}

// Whether `some` are among `all`, each once and in the same order.
bool inTheSameOrder(const std::vector<std::string>& some, const std::vector<std::string>& all)
{
    auto next = all.begin();
    for (const std::string& name : some) {
        next = std::find(next, all.end(), name);
        if (next == all.end()) {
            return false;
        }
        ++next;
    }
    return true;
}

TEST(KilledAnywhere, CardsAddLeavesWholeCardsInOrderAndLosesNoneItReported)
{
    const TempFolder program(diskFolder());
    const fs::path archivePath = program / kCardArchiveName;
    // Every card ever tried, in the order tried: appends only ever go behind the last card.
    std::vector<std::string> tried = {"prima", "seconda", "terza"};
    {
        CardArchive archive(program.path());
        archive.Open();
        for (const std::string& name : tried) {
            archive.Append(addedCard(name));
        }
        archive.Close();
    }
    const auto add = [&](const fs::path& folder, const std::string& name) {
        return cli(folder, {"cards", "add", "--file", "/archivio/" + name, "--description", name});
    };
    // Measured on an archive of its own, so that the cards of the measure are not counted.
    const TempFolder measured(diskFolder());
    fs::copy_file(archivePath, measured / kCardArchiveName);
    const std::uint64_t changes = changesOfARun(add(measured.path(), "misurata"), "pw\n");

    // Each run killed before one of its changes is followed by one left to finish, whose card
    // no later kill may take away.
    std::vector<std::pair<std::string, std::size_t>> reported;
    for (std::uint64_t i = 0; i < 2 * changes; ++i) {
        tried.push_back("aggiunta" + std::to_string(i));
        const bool killed = i % 2 == 0;
        if (killed) {
            ASSERT_TRUE(killedBeforeChange(add(program.path(), tried.back()), "pw\n", i / 2 + 1))
                << "run " << i << " ended before its change " << i / 2 + 1 << " of " << changes;
        } else {
            const Outcome outcome = Child(kCli, add(program.path(), tried.back()), "pw\n").finish();
            ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
            reported.emplace_back(tried.back(), std::stoul(outcome.out));
        }

        const std::string bytes = readWhole(archivePath);
        // The system copies a write into the file a memory page at a time and gives up between
        // two pages when the writer is killed: a card crossing a page boundary can be cut short.
        // What is left is less than a card, which no reader takes for one, and the next append
        // writes over it.
        if (!killed) {
            ASSERT_EQ(bytes.size() % kCardRecordBytes, 0u)
                << "run " << i << " added a card and left part of another behind it";
        }
        const std::size_t whole = bytes.size() - bytes.size() % kCardRecordBytes;
        std::vector<std::string> names;
        for (std::size_t at = 0; at < whole; at += kCardRecordBytes) {
            CardRecord record;
            std::memcpy(record.data(), bytes.data() + at, kCardRecordBytes);
            names.push_back(decodeCard(record).Description);
            ASSERT_TRUE(record == encodeCard(addedCard(names.back())))
                << "run " << i << " left card " << names.size() << " torn";
        }
        ASSERT_TRUE(inTheSameOrder(names, tried))
            << "cards out of order, repeated or from nowhere after run " << i;
        for (const auto& [name, number] : reported) {
            ASSERT_LE(number, names.size()) << name;
            EXPECT_EQ(names[number - 1], name) << "a card reported as saved is not there";
        }
    }
}

// A copy of this process running `work` under watch: killed before its `change`th change to
// files, or left to finish when there is no such change. The changes it made or began.
std::uint64_t watchedWork(const std::function<void()>& work,
                          std::uint64_t change = Forked::kToTheEnd)
{
    Forked worker(work, "forked worker", Forked::Start::Watched);
    const std::uint64_t changes = worker.runChangingFiles(change);
    const Outcome outcome = worker.finish();
    if (change == Forked::kToTheEnd) {
        EXPECT_EQ(outcome.exitCode, 0) << "the worker failed; see its message above";
    } else {
        EXPECT_EQ(outcome.signal, SIGKILL) << "the worker stopped by itself";
    }
    return changes;
}

// The watch the kill tests rely on: a change made on another thread counts (the cipher writes on
// one), and the kill comes before the chosen change is made, never after.
TEST(WatchedRun, CountsTheChangesOfEveryThreadAndKillsBeforeTheChosenOne)
{
    const TempFolder folder;
    const char* const names[] = {"uno", "due", "tre"};
    const auto work = [&] {
        for (const char* name : names) {
            std::thread([&] { fs::create_directory(folder / name); }).join();
        }
    };
    ASSERT_EQ(watchedWork(work), std::size(names));
    for (std::uint64_t change = 1; change <= std::size(names); ++change) {
        SCOPED_TRACE(change);
        fs::remove_all(folder.path());
        fs::create_directory(folder.path());
        ASSERT_EQ(watchedWork(work, change), change);
        EXPECT_EQ(namesIn(folder.path()).size(), change - 1);
    }
}

TEST(KilledAnywhere, RewritingAndAppendingCardsLeavesEveryRecordWhole)
{
    constexpr int kCards = 40;
    // Enough operations for rewrites and appends to follow each other both ways.
    constexpr int kOperations = 10;
    const TempFolder program(diskFolder());
    std::vector<std::string> originals;
    for (int i = 0; i < kCards; ++i) {
        originals.push_back("o" + std::to_string(i));
    }
    writeFile(program / kCardArchiveName, archiveOf(originals));

    // The first attempt runs to its end and counts the changes; each later one is killed before
    // another of them.
    std::uint64_t changes = 0;
    for (std::uint64_t attempt = 0; attempt == 0 || attempt <= changes; ++attempt) {
        SCOPED_TRACE("killed before change " + std::to_string(attempt));
        // Each worker's operations carry its attempt, so that all of them stay apart.
        const int base = static_cast<int>(attempt + 1) * 1'000'000;
        const auto work = [&] {
            for (int op = base; op < base + kOperations; ++op) {
                CardArchive archive(program.path());
                archive.Open();
                if (op % 5 == 4) {
                    archive.Append(stampedCard("a" + std::to_string(op)));
                } else {
                    archive.Seek(static_cast<std::uint64_t>(op % kCards));
                    archive.Write(stampedCard("r" + std::to_string(op)));
                }
                archive.Close();
            }
        };
        if (attempt == 0) {
            changes = watchedWork(work);
            ASSERT_GT(changes, 0u);
        } else {
            ASSERT_EQ(watchedWork(work, attempt), attempt);
        }
        const std::vector<std::string> names = wholeCards(readWhole(program / kCardArchiveName));
        ASSERT_GE(names.size(), static_cast<std::size_t>(kCards));
        for (std::size_t at = 0; at < names.size(); ++at) {
            const std::string& name = names[at];
            if (at < kCards) {
                const bool rewritten = name.starts_with('r') &&
                                       std::stoi(name.substr(1)) % kCards == static_cast<int>(at);
                EXPECT_TRUE(name == originals[at] || rewritten) << at << ": " << name;
            } else {
                EXPECT_TRUE(name.starts_with('a')) << at << ": " << name;
            }
        }
        if (HasFailure()) {
            return;
        }
    }
}

TEST(KilledAnywhere, RestoreLeavesTheOldArchiveOrTheWholeBackup)
{
    const TempFolder program(diskFolder());
    const TempFolder data(diskFolder());
    const fs::path archive = program / kCardArchiveName;
    const fs::path backup = data / "copia.bka";
    std::vector<std::string> older, newer;
    for (int i = 0; i < 3000; ++i) {
        older.push_back("vecchia" + std::to_string(i));
    }
    for (int i = 0; i < 6000; ++i) {
        newer.push_back("nuova" + std::to_string(i));
    }
    const std::string before = archiveOf(older);
    const std::string restored = archiveOf(newer);
    writeFile(backup, restored);

    expectBeforeOrAfterWhereverKilled(cli(program.path(), {"restore", backup.string()}), "",
                                      archive, before, restored);
    EXPECT_EQ(readWhole(backup), restored);
}

std::string storeWith(const std::string& value)
{
    return "; impostazioni\r\n[Generale]\r\nLingua=it\r\n[Accesso]\r\nValore=" + value +
           "\r\n[Fine]\r\nX=y\r\n";
}

TEST(KilledAnywhere, StoreWriteLeavesTheOldValueOrTheNewOneWithEverythingElse)
{
    const TempFolder program(diskFolder());
    const fs::path store = program / kAccessStoreName;
    const std::vector<std::string> values = {storedValueFor("prima"), storedValueFor("seconda"),
                                             storedValueFor("la terza password")};
    writeFile(store, storeWith(values[0]));
    // Every value written once, in turn, after the one in the store.
    const auto work = [&] {
        for (std::size_t op = 1; op <= values.size(); ++op) {
            writeAccessValue(program.path(), values[op % values.size()]);
        }
    };

    const std::uint64_t changes = watchedWork(work);
    ASSERT_GT(changes, 0u);
    for (std::uint64_t change = 1; change <= changes; ++change) {
        ASSERT_EQ(watchedWork(work, change), change);
        const std::string content = readWhole(store);
        EXPECT_TRUE(
            std::any_of(values.begin(), values.end(),
                        [&](const std::string& value) { return content == storeWith(value); }))
            << "a kill before change " << change << " left a store that is no whole version:\n"
            << content;
        EXPECT_TRUE(AccessCheck(readAccessValue(program.path()), "prima") ||
                    AccessCheck(readAccessValue(program.path()), "seconda") ||
                    AccessCheck(readAccessValue(program.path()), "LA TERZA PASSWORD"));
    }
}

// A file system of the test's own, unmounted when the object goes away. Mounting needs the
// right to (root, outside a container that withholds it); without it, mounted() says why not.
class TestMount
{
public:
    TestMount() : point_(folder_ / "montato") { fs::create_directory(point_); }
    ~TestMount()
    {
        if (mounted_) {
            ::umount2(point_.c_str(), MNT_DETACH);
        }
    }
    TestMount(const TestMount&) = delete;
    TestMount& operator=(const TestMount&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& failure() const { return failure_; }
    const fs::path& path() const { return point_; }
    fs::path operator/(std::string_view name) const { return point_ / name; }

protected:
    bool tried(int result, const char* what)
    {
        if (result != 0 && failure_.empty()) {
            failure_ = std::string(what) + ": " + std::strerror(errno);
        }
        return result == 0;
    }

    TempFolder folder_;
    fs::path point_;
    bool mounted_ = false;
    std::string failure_;
};

// A memory disk of a few bytes, where writing soon runs out of room.
class SmallDisk : public TestMount
{
public:
    explicit SmallDisk(std::size_t bytes)
    {
        const std::string options = "size=" + std::to_string(bytes) + ",mode=0755";
        mounted_ = tried(::mount("velarium-test", point_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                                 options.c_str()),
                         "mount tmpfs");
    }
};

// Another folder seen through a read-only mount of it.
class ReadOnlyView : public TestMount
{
public:
    explicit ReadOnlyView(const fs::path& source)
    {
        mounted_ =
            tried(::mount(source.c_str(), point_.c_str(), nullptr, MS_BIND, nullptr), "bind mount");
        if (mounted_ && !tried(::mount(nullptr, point_.c_str(), nullptr,
                                       MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr),
                               "read-only remount")) {
            ::umount2(point_.c_str(), MNT_DETACH);
            mounted_ = false;
        }
    }
};

// Where writing fails for want of room: a small memory disk, where the system lets the test
// mount one, and always a limit on the size of the files the tool may write, which makes its
// writes fail the same way (EFBIG instead of ENOSPC).
class WriteFailureTest : public ::testing::Test
{
protected:
    static constexpr std::size_t kLimit = 256u << 10;

    WriteFailureTest() { limited_.fileSizeLimit = kLimit; }

    Outcome limitedRun(const fs::path& program, const std::vector<std::string>& arguments,
                       std::string_view input = "")
    {
        return Child(kCli, cli(program, arguments), input, limited_).finish();
    }

    Outcome run(const fs::path& program, const std::vector<std::string>& arguments,
                std::string_view input = "")
    {
        return Child(kCli, cli(program, arguments), input).finish();
    }

    ChildOptions limited_;
    TempFolder program_;
    TempFolder data_;
};

// What the detail line says of each refusal.
const std::string kTooLarge = std::strerror(EFBIG);
const std::string kNoSpace = "spazio su disco esaurito";

TEST_F(WriteFailureTest, EncryptFailsWithItsMessageAndLosesNothing)
{
    const fs::path file = data_ / "documento.dat";
    const std::string plain = randomBytes(4 * kLimit, 5);
    writeFile(file, plain);
    const Outcome outcome = limitedRun(program_.path(), {"encrypt", file.string()}, "pw\n");
    expectFailure(outcome, kEncryptFailed);
    EXPECT_NE(outcome.err.find(kTooLarge), std::string::npos) << outcome.err;
    EXPECT_EQ(readWhole(file), plain);
    EXPECT_TRUE(namesIn(program_.path()).empty()) << "the processed copy stayed behind";
    EXPECT_EQ(namesIn(data_.path()), std::vector<std::string>{"documento.dat"});
}

TEST_F(WriteFailureTest, BackupFailsWithItsMessageAndKeepsTheOlderBackup)
{
    const std::string cards = randomBytes(4 * kLimit, 6);
    writeFile(program_ / kCardArchiveName, cards);
    writeFile(data_ / "copia.bka", "il backup di ieri");
    const Outcome outcome = limitedRun(program_.path(), {"backup", (data_ / "copia").string()});
    expectFailure(outcome, kBackupFailed);
    EXPECT_NE(outcome.err.find(kTooLarge), std::string::npos) << outcome.err;
    EXPECT_EQ(readWhole(data_ / "copia.bka"), "il backup di ieri");
    EXPECT_EQ(namesIn(data_.path()), std::vector<std::string>{"copia.bka"})
        << "a partial copy stayed behind";
    EXPECT_EQ(readWhole(program_ / kCardArchiveName), cards);
}

TEST_F(WriteFailureTest, RestoreFailsAndKeepsTheArchiveWhole)
{
    const std::string cards = archiveOf({"una", "due", "tre"});
    writeFile(program_ / kCardArchiveName, cards);
    writeFile(data_ / "copia.bka", randomBytes(4 * kLimit, 7));
    const Outcome outcome =
        limitedRun(program_.path(), {"restore", (data_ / "copia.bka").string()});
    expectFailure(outcome, kRestoreFailed);
    EXPECT_NE(outcome.err.find(kTooLarge), std::string::npos) << outcome.err;
    EXPECT_EQ(readWhole(program_ / kCardArchiveName), cards);
    EXPECT_EQ(namesIn(program_.path()), std::vector<std::string>{kCardArchiveName});
}

class FullDiskTest : public WriteFailureTest
{
protected:
    void SetUp() override
    {
        if (!disk_.mounted()) {
            GTEST_SKIP() << "no memory disk could be mounted (" << disk_.failure()
                         << "); the injected write failures stand in for it";
        }
    }

    SmallDisk disk_{1u << 20};
};

TEST_F(FullDiskTest, EncryptFailsWithItsMessageAndLosesNothing)
{
    // The processed copy finds no room in the program folder.
    const fs::path file = data_ / "documento.dat";
    const std::string plain = randomBytes(2u << 20, 8);
    writeFile(file, plain);
    const Outcome noCopy = run(disk_.path(), {"encrypt", file.string()}, "pw\n");
    expectFailure(noCopy, kEncryptFailed);
    EXPECT_NE(noCopy.err.find(kNoSpace), std::string::npos) << noCopy.err;
    EXPECT_EQ(readWhole(file), plain);
    EXPECT_TRUE(namesIn(disk_.path()).empty()) << "the processed copy stayed behind";

    // The file lives on the full disk: the copy that must first be made beside it finds no room.
    const fs::path onDisk = disk_ / "documento.dat";
    const std::string small = randomBytes(600u << 10, 9);
    writeFile(onDisk, small);
    const Outcome noRoomBeside = run(program_.path(), {"encrypt", onDisk.string()}, "pw\n");
    expectFailure(noRoomBeside, kEncryptFailed);
    EXPECT_NE(noRoomBeside.err.find(kNoSpace), std::string::npos) << noRoomBeside.err;
    EXPECT_EQ(readWhole(onDisk), small);
    EXPECT_EQ(namesIn(disk_.path()), std::vector<std::string>{"documento.dat"});
    EXPECT_TRUE(namesIn(program_.path()).empty());
}

TEST_F(FullDiskTest, BackupFailsWithItsMessageAndKeepsTheOlderBackup)
{
    const std::string cards = randomBytes(2u << 20, 10);
    writeFile(program_ / kCardArchiveName, cards);
    writeFile(disk_ / "copia.bka", "il backup di ieri");
    const Outcome outcome = run(program_.path(), {"backup", (disk_ / "copia").string()});
    expectFailure(outcome, kBackupFailed);
    EXPECT_NE(outcome.err.find(kNoSpace), std::string::npos) << outcome.err;
    EXPECT_EQ(readWhole(disk_ / "copia.bka"), "il backup di ieri");
    EXPECT_EQ(namesIn(disk_.path()), std::vector<std::string>{"copia.bka"});
    EXPECT_EQ(readWhole(program_ / kCardArchiveName), cards);
}

TEST_F(FullDiskTest, RestoreFailsAndKeepsTheArchiveWhole)
{
    const std::string cards = archiveOf({"una", "due", "tre"});
    writeFile(disk_ / kCardArchiveName, cards);
    writeFile(data_ / "copia.bka", randomBytes(2u << 20, 11));
    const Outcome outcome = run(disk_.path(), {"restore", (data_ / "copia.bka").string()});
    expectFailure(outcome, kRestoreFailed);
    EXPECT_NE(outcome.err.find(kNoSpace), std::string::npos) << outcome.err;
    EXPECT_EQ(readWhole(disk_ / kCardArchiveName), cards);
    EXPECT_EQ(namesIn(disk_.path()), std::vector<std::string>{kCardArchiveName});
}

const std::vector<std::string> kAddCard = {"cards",      "add",           "--file",
                                           "/doc/nuova", "--description", "nuova"};

// The whole cards of an archive, without the bytes of an incomplete record behind them.
std::string wholeRecords(const std::string& archive)
{
    return archive.substr(0, archive.size() / kCardRecordBytes * kCardRecordBytes);
}

// The archive is `before` with one card added behind its whole cards, the one kAddCard makes.
void expectOneCardAdded(const std::string& after, const std::string& before)
{
    const std::string cards = wholeRecords(before);
    ASSERT_EQ(after.size(), cards.size() + kCardRecordBytes);
    EXPECT_EQ(after.substr(0, cards.size()), cards);
    CardRecord record;
    std::memcpy(record.data(), after.data() + cards.size(), kCardRecordBytes);
    EXPECT_EQ(decodeCard(record), (FileCard{"/doc/nuova", "nuova", "pw", "pw"}));
}

TEST_F(WriteFailureTest, CardsAddThatFindsRoomForPartOfTheCardLeavesTheArchiveItsOldLength)
{
    struct Case
    {
        const char* what;
        std::string archive;
        std::uint64_t limit;
    };
    const Case cases[] = {
        {"behind four cards", archiveOf({"una", "due", "tre", "quattro"}), 4096},
        {"over the bytes of an incomplete record",
         archiveOf({"una", "due", "tre"}) + std::string(500, '\x7f'), 4000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path archive = program_ / kCardArchiveName;
        writeFile(archive, c.archive);
        ChildOptions limited;
        limited.fileSizeLimit = c.limit;
        const Outcome outcome =
            Child(kCli, cli(program_.path(), kAddCard), "pw\n", limited).finish();
        expectFailure(outcome, kArchiveRefused);
        EXPECT_NE(outcome.err.find(kNoSpace), std::string::npos) << outcome.err;
        const std::string after = readWhole(archive);
        EXPECT_EQ(after.size(), c.archive.size());
        EXPECT_EQ(wholeRecords(after), wholeRecords(c.archive));

        // With room again the card goes right behind the last one.
        const Outcome added = run(program_.path(), kAddCard, "pw\n");
        EXPECT_EQ(added.exitCode, 0) << added.err;
        const std::string cards = wholeRecords(c.archive);
        EXPECT_EQ(added.out, std::to_string(cards.size() / kCardRecordBytes + 1) + "\n");
        expectOneCardAdded(readWhole(archive), c.archive);
    }
}

// Fills what is left of the disk that holds `file`, so that the next write that needs a new
// block finds none.
void fillDisk(const fs::path& file)
{
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    const std::string block(64u << 10, 'x');
    std::size_t chunk = block.size();
    while (chunk > 0) {
        if (::write(fd, block.data(), chunk) <= 0) {
            chunk /= 2;
        }
    }
    ::close(fd);
}

TEST_F(FullDiskTest, CardsAddThatFindsRoomForPartOfTheCardLeavesTheArchiveItsOldLength)
{
    const fs::path archive = disk_ / kCardArchiveName;
    const std::string cards = archiveOf({"una", "due", "tre", "quattro"});
    writeFile(archive, cards);
    fillDisk(disk_ / "riempitivo");
    const Outcome outcome = run(disk_.path(), kAddCard, "pw\n");
    expectFailure(outcome, kArchiveRefused);
    EXPECT_NE(outcome.err.find(kNoSpace), std::string::npos) << outcome.err;
    EXPECT_EQ(readWhole(archive), cards);

    fs::remove(disk_ / "riempitivo");
    const Outcome added = run(disk_.path(), kAddCard, "pw\n");
    EXPECT_EQ(added.exitCode, 0) << added.err;
    EXPECT_EQ(added.out, "5\n");
    expectOneCardAdded(readWhole(archive), cards);
}

// Another process holding a lock on the archive until it is killed: another program that locks
// the whole file (as flock(1) does), or a copy of this one stopped in the middle of an append.
class LockHolder
{
public:
    enum class Kind
    {
        WholeFile,
        AppendSection,
    };

    LockHolder(const fs::path& archive, Kind kind)
        : holder_(std::make_unique<Forked>(
              [&] {
                  const auto hold = [&] {
                      locked_.send();
                      for (;;) {
                          ::pause();
                      }
                  };
                  if (kind == Kind::WholeFile) {
                      const int fd = ::open(archive.c_str(), O_RDWR);
                      if (fd >= 0 && ::flock(fd, LOCK_EX) == 0) {
                          hold();
                      }
                  } else {
                      platform::SharedFile file(archive);
                      const platform::SharedFile::ExclusiveSection section(file);
                      hold();
                  }
                  throw std::runtime_error("no lock taken");
              },
              "lock holder"))
    {
        if (!locked_.receive()) {
            throw std::runtime_error("the helper could not take its lock");
        }
    }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    // Once the process is reaped its locks are gone.
    void release() { holder_.reset(); }

private:
    Handoff locked_;
    std::unique_ptr<Forked> holder_;
};

TEST(LockedByAnotherProgram, EveryCommandFailsWithinTheLimitChangesNothingAndWorksOnceItIsGone)
{
    const TempFolder locked;
    const TempFolder appending;
    const TempFolder data;
    const std::string cards = archiveOf({"una", "due", "tre"});
    writeFile(locked / kCardArchiveName, cards);
    writeFile(appending / kCardArchiveName, cards);
    LockHolder wholeFile(locked / kCardArchiveName, LockHolder::Kind::WholeFile);
    LockHolder appendSection(appending / kCardArchiveName, LockHolder::Kind::AppendSection);

    struct Run
    {
        const char* what;
        std::vector<std::string> arguments;
        std::string input;
        const std::string& message = kArchiveRefused;
    };
    const fs::path exported = data / "tabella.csv";
    writeFile(data / "copia.bka", archiveOf({"ripristinata"}));
    const Run runs[] = {
        {"cards list", cli(locked.path(), {"cards", "list"}), ""},
        {"cards show", cli(locked.path(), {"cards", "show", "2"}), ""},
        {"cards add", cli(locked.path(), kAddCard), "pw\n"},
        {"export", cli(locked.path(), {"export", "csv", exported.string()}), ""},
        {"cards add beside an append", cli(appending.path(), kAddCard), "pw\n"},
        // Neither copies half an append, nor puts a new archive in place under it.
        {"backup beside an append", cli(appending.path(), {"backup", (data / "nuova").string()}),
         "", kBackupFailed},
        {"restore beside an append",
         cli(appending.path(), {"restore", (data / "copia.bka").string()}), "", kRestoreFailed},
    };
    // All at once: they wait the limit out side by side.
    const auto started = std::chrono::steady_clock::now();
    std::vector<std::unique_ptr<Child>> children;
    for (const Run& run : runs) {
        children.push_back(std::make_unique<Child>(kCli, run.arguments, run.input));
    }
    for (std::size_t at = 0; at < children.size(); ++at) {
        SCOPED_TRACE(runs[at].what);
        const Outcome outcome = children[at]->finish();
        EXPECT_FALSE(outcome.timedOut);
        expectFailure(outcome, runs[at].message);
        EXPECT_NE(outcome.err.find("il file è in uso"), std::string::npos) << outcome.err;
    }
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, platform::kLockWaitLimit);
    // The limit and a margin for a busy machine, far from "for ever".
    EXPECT_LT(waited, platform::kLockWaitLimit + 5s);
    EXPECT_EQ(readWhole(locked / kCardArchiveName), cards);
    EXPECT_EQ(readWhole(appending / kCardArchiveName), cards);
    EXPECT_FALSE(fs::exists(exported));
    EXPECT_EQ(namesIn(data.path()), std::vector<std::string>{"copia.bka"});

    // An append in progress keeps out only other appends: cards are read meanwhile.
    const Outcome browsed = Child(kCli, cli(appending.path(), {"cards", "list"}), "").finish();
    EXPECT_EQ(browsed.exitCode, 0) << browsed.err;
    EXPECT_EQ(browsed.out, "1\tuna\n2\tdue\n3\ttre\n");

    wholeFile.release();
    appendSection.release();
    for (const TempFolder* folder : {&locked, &appending}) {
        const Outcome added = Child(kCli, cli(folder->path(), kAddCard), "pw\n").finish();
        EXPECT_EQ(added.exitCode, 0) << added.err;
        EXPECT_EQ(added.out, "4\n");
        expectOneCardAdded(readWhole(*folder / kCardArchiveName), cards);
    }
    const Outcome export_ =
        Child(kCli, cli(locked.path(), {"export", "csv", exported.string()}), "").finish();
    EXPECT_EQ(export_.exitCode, 0) << export_.err;
}

// The program folder on a read-only file system, where even the superuser cannot write: what
// only reads works, everything that writes is refused, and nothing there changes.
TEST(ReadOnlyFolder, ArchiveAndStoreThereAreReadButNeverChanged)
{
    const TempFolder source;
    const std::string cards = archiveOf({"una", "due", "tre"});
    const std::string store = storeWith(storedValueFor("velarium"));
    writeFile(source / kCardArchiveName, cards);
    writeFile(source / kAccessStoreName, store);
    writeFile(source / "documento.dat", "da non toccare");
    const ReadOnlyView view(source.path());
    if (!view.mounted()) {
        GTEST_SKIP() << "no read-only mount could be made (" << view.failure()
                     << "); the permission-bit cases stand in for it";
    }
    const TempFolder elsewhere;
    const auto run = [&](const std::vector<std::string>& arguments, std::string_view input) {
        return Child(kCli, cli(view.path(), arguments), input).finish();
    };

    expectFailure(run({"cards", "add", "--file", "/doc/a", "--description", "Nuova"}, "pw\n"),
                  kArchiveRefused);
    // Browsing opens the archive for writing too, as the program always has.
    expectFailure(run({"cards", "list"}, ""), kArchiveRefused);
    writeFile(elsewhere / "copia.bka", archiveOf({"altra"}));
    expectFailure(run({"restore", (elsewhere / "copia.bka").string()}, ""), kRestoreFailed);

    // A backup only reads the archive.
    const Outcome backup = run({"backup", (elsewhere / "nuova").string()}, "");
    EXPECT_EQ(backup.exitCode, 0) << backup.err;
    EXPECT_EQ(readWhole(elsewhere / "nuova.bka"), cards);

    // No processed copy can be written in the program folder, and a file on the read-only file
    // system cannot be replaced.
    writeFile(elsewhere / "documento.dat", "anche questo");
    expectFailure(run({"encrypt", (elsewhere / "documento.dat").string()}, "pw\n"), kEncryptFailed);
    EXPECT_EQ(readWhole(elsewhere / "documento.dat"), "anche questo");
    const Outcome onView =
        Child(kCli, cli(elsewhere.path(), {"encrypt", (view / "documento.dat").string()}), "pw\n")
            .finish();
    expectFailure(onView, kEncryptFailed);

    EXPECT_TRUE(AccessCheck(readAccessValue(view.path()), "velarium"));
    EXPECT_THROW(writeAccessValue(view.path(), storedValueFor("altra")), Error);

    EXPECT_EQ(readWhole(source / kCardArchiveName), cards);
    EXPECT_EQ(readWhole(source / kAccessStoreName), store);
    EXPECT_EQ(readWhole(source / "documento.dat"), "da non toccare");
    EXPECT_EQ(namesIn(source.path()),
              (std::vector<std::string>{kCardArchiveName, "documento.dat", kAccessStoreName}));
    EXPECT_EQ(namesIn(elsewhere.path()),
              (std::vector<std::string>{"copia.bka", "documento.dat", "nuova.bka"}));
}

// The chosen file changed between the two steps of the cipher, while a window waits for the
// user to read that the processed copy is ready.
class ChangedBetweenStepsTest : public ::testing::Test
{
protected:
    ChangedBetweenStepsTest() : chosen_(files_ / "documento.txt")
    {
        writeFile(chosen_, "originale");
        // Well in the past, so that a change now shows in the time even on coarse clocks.
        fs::last_write_time(chosen_, fs::file_time_type::clock::now() - 1h);
    }

    TempFolder program_;
    TempFolder files_;
    fs::path chosen_;
};

TEST_F(ChangedBetweenStepsTest, AFileRemovedAfterItsCopyIsNotBroughtBack)
{
    {
        InPlaceCipher job(program_.path(), chosen_, CipherDirection::Encrypt);
        job.writeProcessedCopy("pw");
        fs::remove(chosen_);
        EXPECT_THROW(job.replaceChosenFile(), Error);
    }
    EXPECT_FALSE(fs::exists(chosen_));
    EXPECT_TRUE(namesIn(program_.path()).empty()) << "the processed copy stayed behind";
}

TEST_F(ChangedBetweenStepsTest, AFileEditedOrReplacedAfterItsCopyKeepsWhatItNowHolds)
{
    struct Case
    {
        const char* what;
        std::function<void()> change;
        std::string content;
    };
    const Case cases[] = {
        {"edited in place, same length", [&] { writeFile(chosen_, "ORIGINALE"); }, "ORIGINALE"},
        {"edited in place, longer", [&] { writeFile(chosen_, "originale e altro"); },
         "originale e altro"},
        {"edited in place, modification time put back",
         [&] {
             const auto time = fs::last_write_time(chosen_);
             writeFile(chosen_, "ORIGINALE");
             fs::last_write_time(chosen_, time);
         },
         "ORIGINALE"},
        {"replaced by another file",
         [&] {
             writeFile(files_ / "nuovo", "salvato!!");
             fs::rename(files_ / "nuovo", chosen_);
         },
         "salvato!!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(chosen_, "originale");
        fs::last_write_time(chosen_, fs::file_time_type::clock::now() - 1h);
        {
            InPlaceCipher job(program_.path(), chosen_, CipherDirection::Encrypt);
            job.writeProcessedCopy("pw");
            c.change();
            EXPECT_THROW(job.replaceChosenFile(), Error);
        }
        EXPECT_EQ(readWhole(chosen_), c.content);
        EXPECT_TRUE(namesIn(program_.path()).empty());
    }

    // A link chosen, then pointed elsewhere: neither file is replaced.
    const fs::path link = files_ / "collegamento";
    writeFile(files_ / "altro.txt", "altro");
    writeFile(chosen_, "originale");
    fs::create_symlink(chosen_, link);
    {
        InPlaceCipher job(program_.path(), link, CipherDirection::Encrypt);
        job.writeProcessedCopy("pw");
        fs::remove(link);
        fs::create_symlink(files_ / "altro.txt", link);
        EXPECT_THROW(job.replaceChosenFile(), Error);
    }
    EXPECT_EQ(readWhole(chosen_), "originale");
    EXPECT_EQ(readWhole(files_ / "altro.txt"), "altro");
    EXPECT_TRUE(namesIn(program_.path()).empty());
}

// Two programs sharing one program folder, and what earlier runs or others left in it.
class SharedProgramFolderTest : public ::testing::Test
{
protected:
    std::string encrypted(const std::string& plain, std::string_view password)
    {
        writeFile(scratch_ / "chiaro", plain);
        FileCipher(scratch_ / "chiaro", scratch_ / "cifrato", password, true);
        return readWhole(scratch_ / "cifrato");
    }

    Outcome run(const std::vector<std::string>& arguments, std::string_view input = "pw\n")
    {
        return Child(kCli, cli(program_.path(), arguments), input).finish();
    }

    TempFolder program_{diskFolder()};
    TempFolder data_{diskFolder()};
    TempFolder scratch_;
};

const std::string kTemporaryBusy = "in uso da un'altra operazione";

TEST_F(SharedProgramFolderTest, ACommandFindingTheTemporaryFileTakenRefusesAndChangesNothing)
{
    // A window has written its copy and waits for the user between the two steps.
    const fs::path windowFile = data_ / "finestra.dat";
    const fs::path cliFile = data_ / "riga.dat";
    const std::string windowPlain = randomBytes(300000, 21);
    const std::string cliPlain = randomBytes(200000, 22);
    writeFile(windowFile, windowPlain);
    writeFile(cliFile, cliPlain);
    InPlaceCipher window(program_.path(), windowFile, CipherDirection::Encrypt);
    window.writeProcessedCopy("finestra");
    const std::string copy = readWhole(program_ / "Criptato.xyz");

    const Outcome refused = run({"encrypt", cliFile.string()});
    expectFailure(refused, kEncryptFailed);
    EXPECT_NE(refused.err.find(kTemporaryBusy), std::string::npos) << refused.err;
    EXPECT_EQ(readWhole(cliFile), cliPlain);
    EXPECT_EQ(readWhole(program_ / "Criptato.xyz"), copy);

    window.replaceChosenFile();
    EXPECT_EQ(readWhole(windowFile), encrypted(windowPlain, "finestra"));
    EXPECT_EQ(run({"encrypt", cliFile.string()}).exitCode, 0);
    EXPECT_EQ(readWhole(cliFile), encrypted(cliPlain, "pw"));
}

TEST_F(SharedProgramFolderTest, TwoCommandLinesAtOnceNeverTakeEachOthersBytes)
{
    constexpr int kRounds = 6;
    constexpr std::size_t kSize = 3u << 20;
    const fs::path files[] = {data_ / "primo.dat", data_ / "secondo.dat"};
    const std::string plain[] = {randomBytes(kSize, 31), randomBytes(kSize, 32)};
    const std::string expected[] = {encrypted(plain[0], "pw"), encrypted(plain[1], "pw")};
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        writeFile(files[0], plain[0]);
        writeFile(files[1], plain[1]);
        Child first(kCli, cli(program_.path(), {"encrypt", files[0].string()}), "pw\n");
        Child second(kCli, cli(program_.path(), {"encrypt", files[1].string()}), "pw\n");
        const Outcome outcomes[] = {first.finish(), second.finish()};
        for (int i = 0; i < 2; ++i) {
            const std::string content = readWhole(files[i]);
            if (outcomes[i].exitCode == 0) {
                EXPECT_TRUE(content == expected[i]) << "reported encrypted, holds other bytes";
            } else {
                expectFailure(outcomes[i], kEncryptFailed);
                EXPECT_NE(outcomes[i].err.find(kTemporaryBusy), std::string::npos)
                    << outcomes[i].err;
                EXPECT_TRUE(content == plain[i]) << "refused, but changed";
            }
        }
        EXPECT_TRUE(outcomes[0].exitCode == 0 || outcomes[1].exitCode == 0);
        EXPECT_TRUE(namesIn(program_.path()).empty());
    }
}

TEST_F(SharedProgramFolderTest, ATemporaryFileLeftByADeadRunIsTakenOver)
{
    const fs::path file = data_ / "documento.dat";
    writeFile(file, "testo in chiaro");
    Handoff copied;
    {
        Forked dying([&] {
            InPlaceCipher job(program_.path(), file, CipherDirection::Encrypt);
            job.writeProcessedCopy("altra");
            copied.send();
            for (;;) {
                ::pause();
            }
        });
        ASSERT_TRUE(copied.receive());
        expectFailure(run({"encrypt", file.string()}), kEncryptFailed);
        ASSERT_TRUE(dying.killAndReap());
    }
    ASSERT_TRUE(fs::exists(program_ / "Criptato.xyz"));
    const Outcome outcome = run({"encrypt", file.string()});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(readWhole(file), encrypted("testo in chiaro", "pw"));
    EXPECT_TRUE(namesIn(program_.path()).empty());
}

TEST_F(SharedProgramFolderTest, ALeftoverThatIsNoPlainFileIsRemovedNeverWrittenThrough)
{
    const fs::path unrelated = data_ / "estraneo.txt";
    const fs::path absent = data_ / "mai-creato";
    struct Case
    {
        const char* what;
        const char* temporary;
        const char* command;
        std::function<void(const fs::path&)> plant;
    };
    const Case cases[] = {
        {"a symbolic link to another file", "Criptato.xyz", "encrypt",
         [&](const fs::path& at) {
             fs::create_symlink(unrelated, at);
         }},
        {"a symbolic link for decrypting", "Decriptato.xyz", "decrypt",
         [&](const fs::path& at) {
             fs::create_symlink(unrelated, at);
         }},
        {"a symbolic link to nowhere", "Criptato.xyz", "encrypt",
         [&](const fs::path& at) {
             fs::create_symlink(absent, at);
         }},
        {"a hard link to another file", "Criptato.xyz", "encrypt",
         [&](const fs::path& at) {
             fs::create_hard_link(unrelated, at);
         }},
        {"a named pipe", "Criptato.xyz", "encrypt",
         [&](const fs::path& at) {
             ASSERT_EQ(::mkfifo(at.c_str(), 0600), 0);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(unrelated, "da non toccare");
        const fs::path chosen = data_ / "scelto.dat";
        writeFile(chosen, "il file scelto");
        c.plant(program_ / c.temporary);
        const Outcome outcome = run({c.command, chosen.string()});
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_EQ(readWhole(unrelated), "da non toccare");
        EXPECT_FALSE(fs::exists(absent));
        EXPECT_FALSE(fs::is_symlink(chosen));
        EXPECT_EQ(fs::hard_link_count(chosen), 1u);
        EXPECT_EQ(fs::hard_link_count(unrelated), 1u);
        EXPECT_EQ(readWhole(chosen), encrypted("il file scelto", "pw"));
        EXPECT_TRUE(namesIn(program_.path()).empty());
        fs::remove(chosen);
    }
}

TEST_F(SharedProgramFolderTest, RefusedFilesSayWhatTheyAreAndStayAsTheyWere)
{
    const fs::path linked = data_ / "collegato.dat";
    const fs::path otherName = data_ / "altro-nome.dat";
    writeFile(linked, "in chiaro");
    fs::create_hard_link(linked, otherName);
    const fs::path fifo = data_ / "tubo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    struct Case
    {
        fs::path chosen;
        std::string why;
    };
    const Case cases[] = {
        {linked, "collegamenti fisici"},
        {fifo, "è una pipe con nome (FIFO)"},
        {"/dev/null", "è un dispositivo a caratteri"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen.string());
        const Outcome outcome = run({"encrypt", c.chosen.string()});
        expectFailure(outcome, kEncryptFailed);
        EXPECT_NE(outcome.err.find(c.why), std::string::npos) << outcome.err;
        EXPECT_EQ(outcome.err.find("è una cartella"), std::string::npos) << outcome.err;
        EXPECT_TRUE(namesIn(program_.path()).empty());
    }
    EXPECT_EQ(readWhole(linked), "in chiaro");
    EXPECT_EQ(readWhole(otherName), "in chiaro");
    EXPECT_TRUE(fs::is_fifo(fifo));
}

// The superuser replacing a file of another user: the owner is given back, and with it the
// set-user-ID and set-group-ID bits, whether the copy is renamed or first copied beside it.
TEST_F(SharedProgramFolderTest, AnotherUsersFileKeepsItsOwnerAndItsWholeMode)
{
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only the superuser can make files of another user";
    }
    const SmallDisk disk(8u << 20);
    std::vector<fs::path> programFolders = {program_.path()};
    if (disk.mounted()) {
        programFolders.push_back(disk.path());
    }
    for (const fs::path& folder : programFolders) {
        SCOPED_TRACE(folder.string());
        const fs::path file = data_ / "programma";
        writeFile(file, "#!/bin/sh\n");
        ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
        ASSERT_EQ(::chmod(file.c_str(), 06755), 0);
        const Outcome outcome =
            Child(kCli, cli(folder, {"encrypt", file.string()}), "pw\n").finish();
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        struct stat st
        {
        };
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 06755u);
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
        EXPECT_EQ(readWhole(file), encrypted("#!/bin/sh\n", "pw"));
    }
}

// A program folder on another file system than the files' (/dev/shm is a memory one here), so
// that the result is copied beside the chosen file before it takes its place; nothing where
// there is none.
std::optional<fs::path> otherFileSystem(const fs::path& files)
{
    struct stat a
    {
    }, b{};
    if (::stat("/dev/shm", &a) != 0 || ::stat(files.c_str(), &b) != 0 || a.st_dev == b.st_dev) {
        return std::nullopt;
    }
    return fs::path("/dev/shm");
}

// Whatever lies beside `file` in its folder: the copy of a result on its way in.
std::vector<fs::path> besides(const fs::path& file)
{
    std::vector<fs::path> others;
    for (const std::string& name : namesIn(file.parent_path())) {
        if (name != file.filename()) {
            others.push_back(file.parent_path() / name);
        }
    }
    return others;
}

// The tool run until, once it is stopped, `caught` holds: it is then held at a known point that
// it cannot have passed, whatever the machine's speed. A run that gets past that point before
// it can be stopped is run again from `prepare`; nothing after a few such runs.
std::unique_ptr<Child> stoppedWhere(const std::vector<std::string>& arguments,
                                    std::string_view input, const std::function<void()>& prepare,
                                    const std::function<bool()>& caught)
{
    for (int attempt = 0; attempt < 8; ++attempt) {
        prepare();
        auto child = std::make_unique<Child>(kCli, arguments, input);
        while (!child->ended() && !caught()) {
            std::this_thread::sleep_for(200us);
        }
        if (child->stop() && caught()) {
            return child;
        }
        child->resume();
        child->finish();
    }
    return nullptr;
}

// Another program appends to the chosen file while the result is copied beside it: the last look
// before the rename sees it, the command fails, and the line is kept.
TEST(ChangedDuringTheCopy, ALineAppendedWhileTheResultIsCopiedBesideTheFileIsKept)
{
    const TempFolder data(diskFolder());
    const auto other = otherFileSystem(data.path());
    if (!other) {
        GTEST_SKIP() << "/dev/shm is no other file system than " << data.path();
    }
    const TempFolder program(*other);
    const fs::path file = data / "registro.log";
    const std::string original = randomBytes(48u << 20, 61);
    const std::string line = "una riga scritta durante la copia\n";
    const auto copyUnfinished = [&] {
        const auto copies = besides(file);
        std::error_code ignored;
        return copies.size() == 1 && fs::file_size(copies[0], ignored) < original.size();
    };
    auto child = stoppedWhere(
        cli(program.path(), {"encrypt", file.string()}), "pw\n", [&] { writeFile(file, original); },
        copyUnfinished);
    ASSERT_TRUE(child) << "no run could be stopped while it copied";
    std::ofstream(file, std::ios::binary | std::ios::app) << line;
    child->resume();
    const Outcome outcome = child->finish();
    expectFailure(outcome, kEncryptFailed);
    EXPECT_NE(outcome.err.find("è cambiato dopo l'elaborazione"), std::string::npos) << outcome.err;
    EXPECT_TRUE(readWhole(file) == original + line) << "the appended line was lost";
    EXPECT_TRUE(besides(file).empty());
    EXPECT_TRUE(namesIn(program.path()).empty());
}

// Stopped by Ctrl-C, a kill or the end of the session in the middle of a decryption: the copy in
// clear goes, from the program folder and from beside the file, the file stays whole, and the
// tool ends as the signal ends a program, which a shell reports as 128 plus its number.
TEST(StoppedMidway, DecryptLeavesNoClearTextBehindAndEndsAsTheSignalWould)
{
    const TempFolder data(diskFolder());
    const TempFolder sameProgram(diskFolder());
    const fs::path file = data / "segreto.dat";
    writeFile(data / "chiaro", randomBytes(48u << 20, 71));
    FileCipher(data / "chiaro", file, "pw", true);
    fs::remove(data / "chiaro");
    const std::string encrypted = readWhole(file);

    struct Place
    {
        const char* what;
        fs::path program;
        std::function<bool()> caught;
    };
    std::vector<Place> places{
        {"while the copy in clear is written", sameProgram.path(),
         [&] {
             return fs::exists(sameProgram / "Decriptato.xyz");
         }},
    };
    std::optional<TempFolder> otherProgram;
    if (const auto other = otherFileSystem(data.path())) {
        otherProgram.emplace(*other);
        places.push_back({"while it is copied beside the file", otherProgram->path(), [&] {
                              return fs::exists(*otherProgram / "Decriptato.xyz") &&
                                     !besides(file).empty();
                          }});
    }
    for (const Place& place : places) {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            SCOPED_TRACE(std::string(place.what) + ", " + ::strsignal(signal));
            auto child = stoppedWhere(
                cli(place.program, {"decrypt", "--force", file.string()}), "pw\n",
                [&] { writeFile(file, encrypted); }, place.caught);
            ASSERT_TRUE(child) << "no run could be stopped there";
            child->kill(signal);
            child->resume();
            const Outcome outcome = child->finish();
            EXPECT_EQ(outcome.signal, signal) << outcome.exitCode << ": " << outcome.err;
            EXPECT_TRUE(namesIn(place.program).empty()) << "the copy in clear stayed";
            EXPECT_TRUE(besides(file).empty()) << "the copy beside the file stayed";
            EXPECT_TRUE(readWhole(file) == encrypted) << "the file is no longer whole";
        }
    }
}

// The stop signals a process catches, as the system shows them.
std::uint64_t caughtSignals(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigCgt:", 0) == 0) {
            return std::stoull(line.substr(7), nullptr, 16);
        }
    }
    return 0;
}

// The window at its start removes a copy in clear that a run killed outright left, but not the
// copy a live command holds; it catches the stop signals, to remove its own copies, and still
// ends by them. (Driving a decryption in the window to stop it half-way is left to the stop
// test of the job itself, which uses the same removal.)
TEST(WindowStart, CopiesLeftByDeadRunsGoAndTheStopSignalsStillEndTheWindow)
{
#ifndef VELARIUM_GUI_PATH
    GTEST_SKIP() << "the window is not built";
#else
    const TempFolder program(diskFolder());
    // The window's program folder is its executable's.
    const fs::path window = program / "Velarium";
    std::error_code linked;
    fs::create_hard_link(VELARIUM_GUI_PATH, window, linked);
    if (linked) {
        fs::copy_file(VELARIUM_GUI_PATH, window);
    }
    writeFile(program / "Criptato.xyz", "la copia di un comando vivo");
    const int held = ::open((program / "Criptato.xyz").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    for (const int signal : {SIGTERM, SIGHUP, SIGINT}) {
        SCOPED_TRACE(::strsignal(signal));
        writeFile(program / "Decriptato.xyz", "testo in chiaro di un'esecuzione uccisa");
        Child running(window.string(), {}, "", false);
        EXPECT_TRUE(waitUntil([&] { return !fs::exists(program / "Decriptato.xyz"); }, 30s));
        EXPECT_EQ(readWhole(program / "Criptato.xyz"), "la copia di un comando vivo");
        const std::uint64_t caught = caughtSignals(running.pid());
        EXPECT_TRUE(caught >> (signal - 1) & 1) << std::hex << caught;
        running.kill(signal);
        EXPECT_EQ(running.finish().signal, signal);
    }
    ::close(held);
#endif
}

} // namespace
} // namespace velarium::test
