#include "TempFolder.h"
#include "archive/CardList.h"
#include "archive/ListPrint.h"

#include <gtest/gtest.h>

using namespace velarium;
using velarium::test::TempFolder;

namespace {

class CardListTest : public ::testing::Test
{
protected:
    void store(const std::vector<std::string>& descriptions)
    {
        CardArchive archive(folder.path());
        archive.Open();
        int n = 0;
        for (const std::string& d : descriptions) {
            ++n;
            archive.Append({"/f" + std::to_string(n), d, "p" + std::to_string(n), "p"});
        }
        archive.Close();
    }

    std::vector<std::string> list(std::string_view criteria)
    {
        CardArchive archive(folder.path());
        archive.Open();
        auto entries = searchCardList(archive, criteria);
        archive.Close();
        return entries;
    }

    TempFolder folder;
};

using Entries = std::vector<std::string>;

} // namespace

TEST_F(CardListTest, ListsMatchingDescriptionsTrimmedInListBoxOrder)
{
    store({"Conto di mario", "  banca  ", "CITT\xC0", "Banca", "", "conto corrente"});
    EXPECT_EQ(list("MARIO"), Entries{"Conto di mario"});
    EXPECT_EQ(list("citt\xE0"), Entries{}) << "accented letters are not folded";
    EXPECT_EQ(list("  conto"), Entries{}) << "typed blanks are part of the key";
    EXPECT_EQ(list("conto"), (Entries{"conto corrente", "Conto di mario"}));
    // Blank criteria list every card, an empty description included; equal descriptions stay
    // as separate entries in archive order.
    EXPECT_EQ(list("  "),
              (Entries{"", "banca", "Banca", "CITT\xC0", "conto corrente", "Conto di mario"}));
}

TEST(ListBoxOrder, IgnoresCaseAndAccentsFirstAndPutsSymbolsBeforeDigitsBeforeLetters)
{
    // Windows-1252: \xC8 is È, \xC9 is É.
    Entries entries = {"zeta",
                       "\xC8lite",
                       "elite",
                       "10 euro",
                       "#tag",
                       "Alfa",
                       "alfa",
                       "l'anno",
                       "lanna",
                       "\xC9"
                       "clair"};
    sortLikeListBox(entries);
    EXPECT_EQ(entries, (Entries{"#tag", "10 euro", "Alfa", "alfa",
                                "\xC9"
                                "clair",
                                "elite", "\xC8lite", "lanna", "l'anno", "zeta"}));
    EXPECT_FALSE(listBoxLess("Banca", "banca"));
    EXPECT_FALSE(listBoxLess("banca", "Banca"));
}

TEST(FindStep, WalksDownAndWrapsForTheSameKeyAndRestartsForANewOne)
{
    const Entries entries = {"Banca", "Carta", "Ricevuta bancaria"};
    std::string remembered;
    auto press = [&](std::optional<std::size_t> selected, const std::string& key) {
        const auto next = findNextEntry(entries, selected, key, remembered);
        remembered = key;
        return next;
    };
    EXPECT_EQ(press(std::nullopt, "ban"), 0u);
    EXPECT_EQ(press(0, "ban"), 2u);
    EXPECT_EQ(press(2, "ban"), 0u);
    // The same key in other letter case continues the walk.
    EXPECT_EQ(press(0, "BAN"), 2u);
    // A new key starts from the top, the first entry included.
    EXPECT_EQ(press(2, "car"), 1u);
    // A key that matches nothing leaves the selection; with none, the first is selected.
    EXPECT_EQ(press(1, "zzz"), 1u);
    remembered.clear();
    EXPECT_EQ(press(std::nullopt, "zzz"), 0u);
    EXPECT_EQ(press(2, ""), 2u) << "an empty key matches nothing";
    // A single match stays selected.
    remembered.clear();
    EXPECT_EQ(press(std::nullopt, "carta"), 1u);
    EXPECT_EQ(press(1, "carta"), 1u);
    EXPECT_EQ(findNextEntry({}, std::nullopt, "x", ""), std::nullopt);
}

TEST_F(CardListTest, AChosenEntryLoadsTheLastCardWithThatDescription)
{
    store({"Banca", "Altro", " Banca ", "banca"});
    CardArchive archive(folder.path());
    archive.Open();
    const auto found = lastCardDescribed(archive, "Banca");
    ASSERT_TRUE(found);
    EXPECT_EQ(found->second, 3u);
    EXPECT_EQ(found->first.FilePath, "/f3");
    archive.Seek(0);
    EXPECT_FALSE(lastCardDescribed(archive, "Nessuna"));
    archive.Close();
}

namespace {

// Records what the printout draws, on pages of a chosen height at 600 dots per inch.
class RecordingCanvas final : public PrintCanvas
{
public:
    struct Line
    {
        int page;
        int x;
        int y;
        int size;
        std::string text;
    };

    explicit RecordingCanvas(int height) : height_(height) {}
    int pageHeight() const override { return height_; }
    int dotsPerInchY() const override { return 600; }
    void setFontSize(int points) override { size_ = points; }
    void textOut(int x, int y, std::string_view text) override
    {
        lines.push_back({page_, x, y, size_, std::string(text)});
    }
    void newPage() override { ++page_; }

    std::vector<Line> lines;

private:
    int height_;
    int page_ = 1;
    int size_ = 0;
};

} // namespace

TEST(ListPrint, HeaderEntriesAndFooterFallWhereTheLayoutPutsThem)
{
    // At 600 dpi: h(14) = 117, h(12) = 100, h(8) = 67.
    RecordingCanvas canvas(4800);
    printCardList(canvas, {"Prima", "Seconda"}, "08/12/2026", "10:30:00");
    const std::string rule(45, '-');
    ASSERT_EQ(canvas.lines.size(), 7u);
    auto expect = [&](std::size_t i, int y, int size, const std::string& text) {
        EXPECT_EQ(canvas.lines[i].x, 150) << i;
        EXPECT_EQ(canvas.lines[i].y, y) << i;
        EXPECT_EQ(canvas.lines[i].size, size) << i;
        EXPECT_EQ(canvas.lines[i].text, text) << i;
        EXPECT_EQ(canvas.lines[i].page, 1) << i;
    };
    expect(0, 234, 14, rule);
    expect(1, 334, 12, "Elenco schede file criptati");
    expect(2, 434, 14, rule);
    expect(3, 635, 8, "Prima");
    expect(4, 769, 8, "Seconda");
    expect(5, 953, 8, "____________________");
    expect(6, 1053, 8, "Stampa eseguita in data 08/12/2026 alle ore 10:30:00");
}

TEST(ListPrint, ALongListGoesOnToNewPagesAndTheFooterFollowsWithoutACheck)
{
    // Pages that hold the header and 10 entries: the 11th starts page 2 at 2*h(8).
    const int height = 635 + 10 * 134 + 3 * 67 - 1;
    RecordingCanvas canvas(height);
    std::vector<std::string> entries;
    for (int i = 1; i <= 25; ++i) {
        entries.push_back("Voce " + std::to_string(i));
    }
    printCardList(canvas, entries, "01/01/2027", "00:00:01");
    std::vector<std::pair<int, int>> placed; // page and y of each entry
    for (const auto& line : canvas.lines) {
        if (line.text.rfind("Voce ", 0) == 0) {
            placed.emplace_back(line.page, line.y);
            EXPECT_LT(line.y, height - 3 * 67 + 2 * 67) << line.text;
        }
    }
    ASSERT_EQ(placed.size(), 25u);
    EXPECT_EQ(placed[9], std::make_pair(1, 635 + 9 * 134));
    EXPECT_EQ(placed[10], std::make_pair(2, 134));
    EXPECT_EQ(placed[11], std::make_pair(2, 268));
    EXPECT_EQ(placed.back().first, 3);
    const auto& footer = canvas.lines.back();
    EXPECT_EQ(footer.page, 3);
    EXPECT_EQ(footer.y, placed.back().second + 134 + 150);
}
