// Two copies of the program writing the card archive at the same time, each opening and closing
// it for every command as the program does, while a third browses it: no record may come out
// torn, be read torn, or be lost when appended. And cards saved while another program puts a
// new archive in place.

#include "ChildProcess.h"
#include "TempFolder.h"
#include "archive/CardArchive.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <sys/mman.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace velarium::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Each round the writers fight over a card of their own: shared card N is rewritten in round N
// only, so the end shows the outcome of every round.
constexpr int kRounds = 600;
constexpr int kSharedCards = kRounds;
constexpr int kWriters = 2;

// Who wrote a card and on which occasion. Every field of the card is derived from it, so a
// record holding parts of two writes cannot pass for a whole card.
struct Stamp
{
    // 0 is the archive as it was before the race.
    int writer = 0;
    // 'o' original card, 'a' appended by the writer, 's' a shared card rewritten by the writer.
    char kind = 'o';
    // The original's position, the appended card's sequence, or the rewriting operation.
    int number = 0;
    // How many times the writer rewrote its appended card.
    int revision = 0;
    // The position written over; -1 for appended cards, whose position the race decides.
    int target = -1;
};

std::string stampText(const Stamp& stamp)
{
    char text[64];
    std::snprintf(text, sizeof text, "w%d_%c%d_r%d_p%d", stamp.writer, stamp.kind, stamp.number,
                  stamp.revision, stamp.target);
    return text;
}

std::optional<Stamp> parseStamp(const std::string& description)
{
    Stamp stamp;
    int used = 0;
    if (std::sscanf(description.c_str(), "w%d_%c%d_r%d_p%d%n", &stamp.writer, &stamp.kind,
                    &stamp.number, &stamp.revision, &stamp.target, &used) != 5 ||
        used == 0 || description[static_cast<std::size_t>(used)] != '|') {
        return std::nullopt;
    }
    return stamp;
}

// Fills a whole field, so that a write cut anywhere changes what the field holds.
std::string fill(const std::string& unit)
{
    std::string text;
    while (text.size() < kCardFieldCapacity) {
        text += unit;
    }
    text.resize(kCardFieldCapacity);
    return text;
}

std::string checksum(const std::string& text)
{
    std::uint32_t hash = 2166136261u;
    for (const char c : text) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08x", hash);
    return hex;
}

FileCard cardFor(const Stamp& stamp)
{
    const std::string text = stampText(stamp);
    const std::string password = fill(checksum(text) + ".");
    return {fill("/archivio/" + text + "/"), fill(text + "|"), password, password};
}

// One round of a writer: a rewrite of a shared card, which the other writer rewrites in the
// same round; a new card; a rewrite of one of the writer's own cards.
struct Round
{
    Stamp shared;
    Stamp appended;
    Stamp ownRewrite;
};

// The same on every call: the parent replays it to know what each record may hold at the end.
std::vector<Round> schedule(int writer)
{
    std::mt19937 random(static_cast<unsigned>(writer) * 7919u);
    std::vector<int> revisions;
    std::vector<Round> rounds;
    for (int round = 0; round < kRounds; ++round) {
        revisions.push_back(0);
        const int own = static_cast<int>(random() % revisions.size());
        rounds.push_back({{writer, 's', round, 0, round},
                          {writer, 'a', round, 0, -1},
                          {writer, 'a', own, ++revisions[own], -1}});
    }
    return rounds;
}

// Lets the writers start each round together, so that their rewrites of the same shared card
// overlap in time instead of merely following one another.
class RoundBarrier
{
public:
    RoundBarrier()
    {
        void* memory = ::mmap(nullptr, sizeof(Counter), PROT_READ | PROT_WRITE,
                              MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED) {
            throw std::runtime_error("cannot map shared memory");
        }
        arrived_ = new (memory) Counter(0);
    }
    ~RoundBarrier() { ::munmap(arrived_, sizeof(Counter)); }
    RoundBarrier(const RoundBarrier&) = delete;
    RoundBarrier& operator=(const RoundBarrier&) = delete;

    void wait(int round)
    {
        arrived_->fetch_add(1);
        while (arrived_->load() < kWriters * (round + 1)) {
            std::this_thread::yield();
        }
    }

private:
    // Shared between processes: only an atomic that needs no lock works there.
    using Counter = std::atomic<int>;
    static_assert(Counter::is_always_lock_free);
    Counter* arrived_ = nullptr;
};

// Every operation is a command of its own, with its own Open and Close, as in the program.
void runWriter(const fs::path& folder, int writer, RoundBarrier& barrier)
{
    std::vector<std::uint64_t> positions;
    const auto rewrite = [&](std::uint64_t position, const Stamp& stamp) {
        CardArchive archive(folder);
        archive.Open();
        archive.Seek(position);
        archive.Write(cardFor(stamp));
        archive.Close();
    };
    int round = 0;
    for (const Round& steps : schedule(writer)) {
        {
            // Opened before the barrier: the two writes then start within a few microseconds.
            CardArchive archive(folder);
            archive.Open();
            archive.Seek(static_cast<std::uint64_t>(steps.shared.target));
            const FileCard card = cardFor(steps.shared);
            barrier.wait(round++);
            archive.Write(card);
            archive.Close();
        }

        CardArchive archive(folder);
        archive.Open();
        const FileCard card = cardFor(steps.appended);
        const std::uint64_t number = archive.Append(card);
        positions.push_back(number - 1);
        // The number returned is where the card went, whatever the other writer did meanwhile.
        archive.Seek(number - 1);
        if (archive.Read() != card) {
            throw std::runtime_error("appended card " + stampText(steps.appended) +
                                     " is not at number " + std::to_string(number));
        }
        archive.Close();

        rewrite(positions.at(static_cast<std::size_t>(steps.ownRewrite.number)), steps.ownRewrite);
    }
}

// The browsing copy: the whole list from the first card to the last, as the search window reads
// it, then cards chosen by number, as the arrows reach them; a fixed number of times, each
// with its own Open and Close.
constexpr int kBrowsingPasses = 100;
constexpr int kStepsPerPass = 200;

// A card read at `position` must be one whole write, and one that belongs there.
void checkBrowsed(const FileCard& card, std::uint64_t position)
{
    const std::optional<Stamp> stamp = parseStamp(card.Description);
    if (!stamp || card != cardFor(*stamp)) {
        throw std::runtime_error("torn card read at position " + std::to_string(position) + ": " +
                                 card.Description.substr(0, 40));
    }
    const bool belongs = position < static_cast<std::uint64_t>(kSharedCards)
                             ? stamp->kind != 'a' && stamp->target == static_cast<int>(position)
                             : stamp->kind == 'a';
    if (!belongs) {
        throw std::runtime_error("card " + stampText(*stamp) + " read at position " +
                                 std::to_string(position));
    }
}

void runBrowser(const fs::path& folder)
{
    std::mt19937 random(4711);
    for (int pass = 0; pass < kBrowsingPasses; ++pass) {
        CardArchive archive(folder);
        archive.Open();
        for (std::uint64_t position = 0; !archive.AtEnd(); ++position) {
            checkBrowsed(archive.Read(), position);
        }
        const std::uint64_t count = archive.Count();
        for (int step = 0; step < kStepsPerPass; ++step) {
            const std::uint64_t position = random() % count;
            archive.Seek(position);
            checkBrowsed(archive.Read(), position);
        }
        archive.Close();
    }
}

TEST(ArchiveProcessesTest, ConcurrentAppendsAndRewritesLeaveWholeCardsAndLoseNoAppend)
{
    const TempFolder program;
    {
        CardArchive archive(program.path());
        archive.Open();
        for (int position = 0; position < kSharedCards; ++position) {
            archive.Write(cardFor({0, 'o', position, 0, position}));
        }
        archive.Close();
    }

    RoundBarrier barrier;
    std::vector<std::unique_ptr<Forked>> writers;
    for (int writer = 1; writer <= kWriters; ++writer) {
        writers.push_back(
            std::make_unique<Forked>([&, writer] { runWriter(program.path(), writer, barrier); },
                                     "writer " + std::to_string(writer)));
    }
    Forked browser([&] { runBrowser(program.path()); }, "browser");
    for (int writer = 1; writer <= kWriters; ++writer) {
        const Outcome outcome = writers[static_cast<std::size_t>(writer - 1)]->finish(120s);
        ASSERT_FALSE(outcome.timedOut || outcome.signal != 0)
            << "writer " << writer << " crashed or hung";
        ASSERT_EQ(outcome.exitCode, 0) << "writer " << writer << " failed; see its message above";
    }
    const Outcome browsed = browser.finish(120s);
    ASSERT_FALSE(browsed.timedOut || browsed.signal != 0) << "the browser crashed or hung";
    ASSERT_EQ(browsed.exitCode, 0) << "the browser failed; see its message above";

    // An appended card must hold its writer's last revision of it, known from the schedule.
    std::map<std::pair<int, int>, int> lastRevision; // (writer, sequence) -> revision
    for (int writer = 1; writer <= kWriters; ++writer) {
        for (const Round& round : schedule(writer)) {
            lastRevision[{writer, round.appended.number}] = round.appended.revision;
            lastRevision[{writer, round.ownRewrite.number}] = round.ownRewrite.revision;
        }
    }

    const std::string bytes = readFile(program / kCardArchiveName);
    ASSERT_EQ(bytes.size() % kCardRecordBytes, 0u);
    const std::size_t expectedCount = kSharedCards + kWriters * kRounds;
    ASSERT_EQ(bytes.size() / kCardRecordBytes, expectedCount);

    std::map<std::pair<int, int>, int> appendedSeen;
    for (std::size_t position = 0; position < expectedCount; ++position) {
        SCOPED_TRACE("record " + std::to_string(position));
        CardRecord record;
        std::memcpy(record.data(), bytes.data() + position * kCardRecordBytes, kCardRecordBytes);
        const FileCard card = decodeCard(record);
        const std::optional<Stamp> stamp = parseStamp(card.Description);
        ASSERT_TRUE(stamp.has_value()) << card.Description;
        // The whole record, spare bytes included, is exactly the one write it claims to be.
        ASSERT_TRUE(record == encodeCard(cardFor(*stamp))) << "torn record: " << stampText(*stamp);

        const int at = static_cast<int>(position);
        if (at < kSharedCards) {
            // Either writer may have won the round, but one of them did.
            ASSERT_EQ(stamp->kind, 's') << "both rewrites were lost: " << stampText(*stamp);
            EXPECT_EQ(stamp->target, at) << stampText(*stamp);
            EXPECT_EQ(stamp->number, at) << stampText(*stamp);
        } else {
            ASSERT_EQ(stamp->kind, 'a') << stampText(*stamp);
            const std::pair<int, int> id{stamp->writer, stamp->number};
            ++appendedSeen[id];
            const auto last = lastRevision.find(id);
            ASSERT_NE(last, lastRevision.end()) << stampText(*stamp);
            EXPECT_EQ(stamp->revision, last->second) << stampText(*stamp);
        }
    }
    for (int writer = 1; writer <= kWriters; ++writer) {
        for (int sequence = 0; sequence < kRounds; ++sequence) {
            EXPECT_EQ((appendedSeen[{writer, sequence}]), 1)
                << "appended card " << sequence << " of writer " << writer;
        }
    }
}

// Whether the process has `file` open: a command that opened the archive goes on to its lock.
bool holdsOpen(pid_t pid, const fs::path& file)
{
    std::error_code error;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
        if (fs::read_symlink(fd.path(), error) == file) {
            return true;
        }
    }
    return false;
}

FileCard named(const std::string& text)
{
    return {"/doc/" + text, text, "pw", "pw"};
}

TEST(ArchiveReplacedTest, CardsSavedWhileANewArchiveIsPutInPlaceGoIntoIt)
{
    const TempFolder program;
    const fs::path archivePath = fs::canonical(program.path()) / kCardArchiveName;
    const fs::path restored = program / "ripristino.pro";
    std::string bytes;
    for (int n = 1; n <= 5; ++n) {
        const CardRecord record = encodeCard(named("ripristinata " + std::to_string(n)));
        bytes.append(reinterpret_cast<const char*>(record.data()), record.size());
    }
    writeFile(restored, bytes);
    writeFile(archivePath, std::string(3 * kCardRecordBytes, '\0')); // three empty cards

    // The holder does what a restore does: it renames the new archive over the old one inside
    // the section of the old one, and lets go only once the new one is in place.
    Handoff held, replace, opened;
    Forked holder(
        [&] {
            CardArchive archive(program.path());
            archive.Open();
            archive.Exclusively([&] {
                held.send();
                if (replace.receive()) {
                    fs::rename(restored, archivePath);
                }
            });
            archive.Close();
        },
        "holder");
    ASSERT_TRUE(held.receive());

    // cards add, and the window's Salva of card 2 loaded before: both open the old archive,
    // then wait for its lock.
    Child add(VELARIUM_CLI_PATH,
              {"--folder", program.path().string(), "cards", "add", "--file", "/doc/nuova",
               "--description", "Dopo il ripristino"},
              "pw\n");
    ASSERT_TRUE(waitUntil([&] { return holdsOpen(add.pid(), archivePath); }, 30s))
        << "cards add never opened the archive";
    Forked rewriter(
        [&] {
            CardArchive archive(program.path());
            archive.Open();
            archive.Seek(1);
            opened.send();
            archive.Write(named("riscritta"));
            if (archive.Position() != 2) {
                throw std::runtime_error("card 2 reported as " +
                                         std::to_string(archive.Position()));
            }
            archive.Close();
        },
        "rewriter");
    ASSERT_TRUE(opened.receive());
    replace.send();

    EXPECT_EQ(holder.finish().exitCode, 0);
    EXPECT_EQ(rewriter.finish().exitCode, 0);
    const Outcome added = add.finish();
    EXPECT_EQ(added.exitCode, 0) << added.err;
    EXPECT_EQ(added.out, "6\n") << "the number of the card in the archive now in place";
    std::string expected = bytes;
    for (const auto& [at, card] :
         {std::pair{1, named("riscritta")},
          std::pair{5, FileCard{"/doc/nuova", "Dopo il ripristino", "pw", "pw"}}}) {
        const CardRecord record = encodeCard(card);
        expected.replace(at * kCardRecordBytes, at < 5 ? kCardRecordBytes : 0,
                         reinterpret_cast<const char*>(record.data()), record.size());
    }
    EXPECT_EQ(readFile(archivePath), expected);
}

} // namespace
} // namespace velarium::test
