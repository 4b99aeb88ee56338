#include "TempFolder.h"
#include "archive/ArchiveBackup.h"
#include "archive/ArchiveSession.h"
#include "archive/CardArchive.h"
#include "archive/CardSearch.h"

#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace velarium;
using velarium::test::readFile;
using velarium::test::TempFolder;
using velarium::test::writeFile;
namespace fs = std::filesystem;

namespace {

// A record as another writer may have left it: the given texts, and the spare bytes of every
// field filled with `spare`.
std::string rawRecord(std::initializer_list<std::string> fields, char spare,
                      const std::vector<unsigned char>& lengths = {})
{
    std::string record;
    std::size_t i = 0;
    for (const std::string& text : fields) {
        const unsigned char length =
            i < lengths.size() ? lengths[i] : static_cast<unsigned char>(text.size());
        std::string field(250, spare);
        field.replace(0, text.size(), text);
        record += static_cast<char>(length);
        record += field;
        ++i;
    }
    return record;
}

FileCard card(const std::string& tag)
{
    return {"C:\\dati\\" + tag + ".doc", "Descrizione " + tag, "pw" + tag, "pw" + tag};
}

class CardArchiveTest : public ::testing::Test
{
protected:
    fs::path file() const { return folder / "Velarium.pro"; }

    std::vector<FileCard> readAll()
    {
        return withArchive(folder.path(), [](CardArchive& archive) {
            std::vector<FileCard> cards;
            while (!archive.AtEnd()) {
                cards.push_back(archive.Read());
            }
            return cards;
        });
    }

    void append(const std::vector<FileCard>& cards)
    {
        withArchive(folder.path(), [&](CardArchive& archive) {
            for (const FileCard& c : cards) {
                archive.Append(c);
            }
        });
    }

    TempFolder folder;
};

} // namespace

TEST(CardRecord, LayoutIsFourLengthPrefixedFieldsOf250Bytes)
{
    const CardRecord record = encodeCard({"C:\\a.txt", "  Lettera  ", "Pw", "Pw"});
    const std::string bytes(reinterpret_cast<const char*>(record.data()), record.size());
    ASSERT_EQ(bytes.size(), 1004u);
    EXPECT_EQ(bytes, rawRecord({"C:\\a.txt", "Lettera", "Pw", "Pw"}, '\0'));
    EXPECT_EQ(bytes[251], 7) << "the description is trimmed before it is stored";
    EXPECT_EQ(bytes.substr(503, 2), "Pw");
    EXPECT_EQ(bytes.substr(754, 2), "Pw");
}

TEST(CardRecord, TextsAreTrimmedAndCutTo250Bytes)
{
    const std::string longPath = "C:\\" + std::string(252, 'x');
    const FileCard stored = decodeCard(encodeCard({longPath, "\t d \r\n", " P w ", "p"}));
    EXPECT_EQ(stored.FilePath, longPath.substr(0, 250));
    EXPECT_EQ(stored.Description, "d");
    EXPECT_EQ(stored.FilePassword, "P w") << "inner blanks and letter case are kept";
    EXPECT_EQ(stored.Confirmation, "p");
    // Windows-1252 bytes are stored as they are.
    EXPECT_EQ(decodeCard(encodeCard({"\xE8", "\x80", "\xFF", "\x01x"})).FilePath, "\xE8");
}

TEST(CardRecord, ReadsRecordsOfOtherWritersWhateverTheSpareBytesHold)
{
    const std::string raw = rawRecord({"C:\\f.txt", "Fattura", "segreto", "segreto"}, 'Z');
    CardRecord record;
    std::memcpy(record.data(), raw.data(), record.size());
    EXPECT_EQ(decodeCard(record), (FileCard{"C:\\f.txt", "Fattura", "segreto", "segreto"}));

    // A damaged length byte never reaches past its field.
    const std::string damaged = rawRecord({"a", "b", "c", "d"}, 'Q', {255, 251, 250, 0});
    std::memcpy(record.data(), damaged.data(), record.size());
    const FileCard read = decodeCard(record);
    EXPECT_EQ(read.FilePath, "a" + std::string(249, 'Q'));
    EXPECT_EQ(read.Description, "b" + std::string(249, 'Q'));
    EXPECT_EQ(read.FilePassword.size(), 250u);
    EXPECT_EQ(read.Confirmation, "");
}

TEST_F(CardArchiveTest, OpeningCreatesAnEmptyArchiveOnlyWhenMissing)
{
    EXPECT_EQ(readAll().size(), 0u);
    ASSERT_TRUE(fs::exists(file()));
    EXPECT_EQ(fs::file_size(file()), 0u);

    append({card("1")});
    EXPECT_EQ(readAll(), std::vector<FileCard>{card("1")}) << "a second opening keeps the card";
}

TEST_F(CardArchiveTest, AppendNumbersCardsFromOneAndRewriteTouchesOnlyItsRecord)
{
    CardArchive archive(folder.path());
    archive.Open();
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(archive.Append(card(std::to_string(i))), static_cast<std::uint64_t>(i));
    }
    archive.Close();
    const std::string before = readFile(file());
    ASSERT_EQ(before.size(), 5020u);

    archive.Open();
    archive.Seek(1);
    archive.Write(card("nuova"));
    EXPECT_EQ(archive.Position(), 2u);
    archive.Close();
    const std::string after = readFile(file());
    ASSERT_EQ(after.size(), 5020u);
    EXPECT_EQ(after.substr(0, 1004), before.substr(0, 1004));
    EXPECT_EQ(after.substr(2008), before.substr(2008));
    EXPECT_EQ(readAll()[1], card("nuova"));
}

TEST_F(CardArchiveTest, PositionsFollowReadsAndSeeks)
{
    append({card("1"), card("2"), card("3")});
    CardArchive archive(folder.path());
    archive.Open();
    EXPECT_EQ(archive.Position(), 0u);
    EXPECT_EQ(archive.Count(), 3u);
    archive.Seek(2);
    EXPECT_EQ(archive.Read(), card("3"));
    EXPECT_EQ(archive.Position(), 3u);
    EXPECT_TRUE(archive.AtEnd());
    EXPECT_THROW(archive.Read(), ArchiveError);
    EXPECT_THROW(archive.Seek(4), ArchiveError) << "nothing is ever written behind the end";
    archive.Seek(3);
    archive.Write(card("4"));
    EXPECT_EQ(archive.Count(), 4u);
    archive.Close();
}

TEST_F(CardArchiveTest, AnIncompleteLastRecordIsNeverReadAndTheNextAppendCoversIt)
{
    append({card("1"), card("2"), card("3")});
    std::string bytes = readFile(file());
    bytes += std::string(500, '\x7F');
    writeFile(file(), bytes);

    EXPECT_EQ(readAll().size(), 3u);
    CardArchive archive(folder.path());
    archive.Open();
    EXPECT_EQ(archive.Append(card("4")), 4u);
    archive.Close();
    EXPECT_EQ(fs::file_size(file()), 4016u);
    EXPECT_EQ(readAll()[3], card("4"));
}

TEST_F(CardArchiveTest, AReadOnlyArchiveOrUnreachableFolderRefusesToOpen)
{
    append({card("1")});
    const std::string before = readFile(file());
    fs::permissions(file(), fs::perms::owner_read | fs::perms::group_read);
    CardArchive archive(folder.path());
    EXPECT_THROW(archive.Open(), ArchiveError);
    EXPECT_EQ(readFile(file()), before);

    CardArchive nowhere(folder / "non-esiste");
    EXPECT_THROW(nowhere.Open(), ArchiveError);
    EXPECT_FALSE(fs::exists(folder / "non-esiste"));

    // A folder where the archive should be is no archive.
    TempFolder other;
    fs::create_directory(other / "Velarium.pro");
    CardArchive folderInTheWay(other.path());
    EXPECT_THROW(folderInTheWay.Open(), ArchiveError);
}

TEST_F(CardArchiveTest, OperationsOnAClosedArchiveRaise)
{
    CardArchive archive(folder.path());
    EXPECT_THROW(archive.Count(), ArchiveError);
    EXPECT_THROW(archive.Write(card("x")), ArchiveError);
    archive.Open();
    archive.Close();
    EXPECT_THROW(archive.Read(), ArchiveError);
    EXPECT_NO_THROW(archive.Close());
}

TEST_F(CardArchiveTest, AUseOfTheArchiveGivesBackTheWorksResultOrItsFirstFailure)
{
    EXPECT_EQ(withArchive(folder.path(), [](CardArchive& a) { return a.Append(card("a")); }), 1u);
    try {
        withArchive(folder.path(), [](CardArchive& a) { a.Seek(2); });
        FAIL() << "a seek behind the end must fail";
    } catch (const ArchiveError& error) {
        EXPECT_STREQ(error.what(), "Posizione oltre la fine dell'archivio");
    }
    // The failed use left the archive closed and whole: the next one reads and appends.
    append({card("b")});
    EXPECT_EQ(readAll().size(), 2u);

    bool worked = false;
    EXPECT_THROW(withArchive(folder / "non-esiste", [&](CardArchive&) { worked = true; }),
                 ArchiveError);
    EXPECT_FALSE(worked);
}

TEST_F(CardArchiveTest, ReadingMakesNoArchiveAndNeverWrites)
{
    CardArchive archive(folder.path());
    archive.Open(ArchiveUse::Reading);
    EXPECT_EQ(archive.Count(), 0u);
    EXPECT_TRUE(archive.AtEnd());
    EXPECT_THROW(archive.Read(), ArchiveError);
    EXPECT_THROW(archive.Append(card("1")), ArchiveError);
    EXPECT_THROW(archive.Write(card("1")), ArchiveError);
    archive.Close();
    EXPECT_FALSE(fs::exists(file())) << "a missing archive reads as empty, and stays missing";

    append({card("1"), card("2")});
    const auto read = withArchive(folder.path(), ArchiveUse::Reading, [](CardArchive& a) {
        a.Seek(1);
        return a.Read();
    });
    EXPECT_EQ(read, card("2"));

    // A missing program folder is a failure, not an empty archive.
    EXPECT_THROW(withArchive(folder / "non-esiste", ArchiveUse::Reading, [](CardArchive&) {}),
                 ArchiveError);
}

TEST_F(CardArchiveTest, ARestoreReplacesTheArchiveItHoldsInItsSection)
{
    append({card("1")});
    TempFolder other;
    withArchive(other.path(), [](CardArchive& a) {
        a.Append(card("copia 1"));
        a.Append(card("copia 2"));
    });
    restoreArchive(folder.path(), other / kCardArchiveName);
    EXPECT_EQ(readAll(), (std::vector<FileCard>{card("copia 1"), card("copia 2")}));
}

TEST(ArchiveCheck, OnlyWholeRecordsOfCardLengthsAreAnArchive)
{
    const TempFolder folder;
    const auto record = [](const FileCard& c) {
        const CardRecord r = encodeCard(c);
        return std::string(reinterpret_cast<const char*>(r.data()), r.size());
    };
    std::string twoCards = record(card("1")) + record(card("2"));
    std::string overlong = twoCards;
    overlong[1004 + 502] = static_cast<char>(251); // the second card's password
    std::string lastByteOff = twoCards;
    lastByteOff[1004 + 753] = static_cast<char>(255); // the second card's confirmation
    struct Case
    {
        const char* what;
        std::string bytes;
        const char* cause; // nothing for an archive
    };
    const Case cases[] = {
        {"empty", "", nullptr},
        {"two cards", twoCards, nullptr},
        {"every length 250", rawRecord({"", "", "", ""}, 'x', {250, 250, 250, 250}), nullptr},
        {"cut backup", std::string(1500, '\0'), "la sua lunghezza, 1500 byte, non è un multiplo"},
        {"access store", "[Accesso]\r\nValore=37A12F3BAB8112E9\r\n", "non è un multiplo"},
        {"length 251", overlong, "la scheda 2 ha un testo lungo 251 caratteri"},
        {"many records, the last one damaged",
         std::string(99 * 1004, '\0') + rawRecord({"a", "b", "c", "d"}, 'Q', {1, 1, 1, 200}) +
             lastByteOff,
         "la scheda 102 ha un testo lungo 255"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(folder / "copia.bka", c.bytes);
        if (c.cause == nullptr) {
            EXPECT_NO_THROW(checkArchiveFile(folder / "copia.bka", "mostrato.bka"));
            continue;
        }
        try {
            checkArchiveFile(folder / "copia.bka", "mostrato.bka");
            ADD_FAILURE() << "accepted as an archive";
        } catch (const ArchiveError& error) {
            const std::string text = error.what();
            EXPECT_EQ(text.rfind("Il file 'mostrato.bka' non è un archivio di schede: ", 0), 0u)
                << text;
            EXPECT_NE(text.find(c.cause), std::string::npos) << text;
        }
    }
}

TEST(CardSearch, CriteriaMatchAsTypedWithOnlyAsciiLettersFolded)
{
    struct Case
    {
        const char* description;
        const char* criteria;
        bool listed;
    };
    const Case cases[] = {
        {"Fattura Gennaio", "fattura", true},
        {"Fattura Gennaio", "GENN", true},
        {"Fattura Gennaio", "a g", true},
        {"Fattura Gennaio", " fattura", false}, // blanks typed are part of the key
        {"Fattura Gennaio", "Febbraio", false},
        {"Perché no", "PERCHÉ", false}, // accented letters are not folded
        {"Perché no", "perché", true},
        {"\xC8 qui", "\xE8", false},
        {"qualsiasi", "", true},    // nothing typed lists all
        {"qualsiasi", "   ", true}, // blanks only list all
        {"", "x", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(cardListed(c.description, c.criteria), c.listed)
            << '"' << c.description << "\" / \"" << c.criteria << '"';
    }
    EXPECT_FALSE(containsFolded("abc", "")) << "an empty key matches nothing";
}
