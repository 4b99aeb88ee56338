#include "TempFolder.h"
#include "app/Crypt.h"

#include <gtest/gtest.h>

using namespace velarium;
using velarium::test::readFile;
using velarium::test::TempFolder;
using velarium::test::writeFile;

TEST(HexScramble, KnownAnswers)
{
    // Worked out by hand from the running-key rule.
    const std::pair<std::string, std::string> answers[] = {
        {"", ""},
        {"A", "20"},
        {"AB", "204A"},
        {"AC", "204B"},
        {"VELARIUM", "37A12F3BAB8112E9"},
        {"PASSWORD 1", "3180DCB154978235E6A6"},
        {"\xE8", "89"}, // è
        {"\xC8", "A9"}, // È
        {std::string(1, '\0'), "61"},
    };
    for (const auto& [plain, hex] : answers) {
        EXPECT_EQ(HexScrambleEncode(plain), hex) << plain;
        EXPECT_EQ(HexScrambleDecode(hex), plain) << hex;
    }
}

TEST(HexScramble, EncodingIsUpperCaseHexAndDecodesBackForEveryByte)
{
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    // Beyond 255 bytes the same rule goes on.
    const std::string longer = all + all + "coda";
    for (const std::string& plain : {all, longer}) {
        const std::string hex = HexScrambleEncode(plain);
        ASSERT_EQ(hex.size(), plain.size() * 2);
        EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
        EXPECT_EQ(HexScrambleDecode(hex), plain);
    }
}

TEST(HexScramble, SharedPrefixesGiveSharedPairs)
{
    const std::string a = HexScrambleEncode("PAROLA1");
    const std::string b = HexScrambleEncode("PAROLA2");
    EXPECT_EQ(a.substr(0, 12), b.substr(0, 12));
    EXPECT_NE(a.substr(12, 2), b.substr(12, 2));
}

TEST(HexScramble, DecodingAcceptsLowerCaseAndIgnoresAnOddLastCharacter)
{
    EXPECT_EQ(HexScrambleDecode("37a12f3bab8112e9"), "VELARIUM");
    EXPECT_EQ(HexScrambleDecode("37A12F3BAB8112E9F"), "VELARIUM");
    EXPECT_EQ(HexScrambleDecode("3"), "");
    EXPECT_EQ(HexScrambleDecode(""), "");
}

TEST(HexScramble, ANonHexCharacterInsideThePairsFailsTheWhole)
{
    for (const char* bad : {"37 12F", "G0", "3712FG", "37A12F3BAB8112E ", "+1", "0x"}) {
        EXPECT_THROW(HexScrambleDecode(bad), ConversionError) << bad;
    }
    // An odd last character is never looked at.
    EXPECT_NO_THROW(HexScrambleDecode("37Z"));
}

TEST(AccessCheck, LettersAToZAreFoldedAndBlanksAtTheEndsIgnored)
{
    const std::string value = storedValueFor("  Velarium  ");
    EXPECT_EQ(value, "37A12F3BAB8112E9");
    struct Case
    {
        const char* typed;
        bool accepted;
    };
    for (const Case& c : {Case{"VELARIUM", true}, Case{"velarium", true}, Case{" VeLaRiUm\t", true},
                          Case{"VELARIU", false}, Case{"VELARIUM2", false},
                          Case{"VEL ARIUM", false}, Case{"", false}}) {
        EXPECT_EQ(AccessCheck(value, c.typed), c.accepted) << '"' << c.typed << '"';
    }
}

TEST(AccessCheck, AccentedLettersKeepTheirCaseAndInnerBlanksCount)
{
    EXPECT_NE(storedValueFor("\xE8"), storedValueFor("\xC8")); // è and È
    EXPECT_TRUE(AccessCheck(storedValueFor("caff\xE8 nero"), "CAFF\xE8 NERO"));
    EXPECT_FALSE(AccessCheck(storedValueFor("caff\xE8 nero"), "CAFF\xC8 NERO"));
    EXPECT_FALSE(AccessCheck(storedValueFor("caffe nero"), "caffenero"));
}

TEST(AccessCheck, AnEmptyStoreRefusesAndABadOneRaises)
{
    EXPECT_FALSE(AccessCheck("", "qualsiasi"));
    EXPECT_THROW(AccessCheck("ZZ", "qualsiasi"), ConversionError);
}

TEST(AccessCheck, AStoredNulEndsTheComparedText)
{
    // "AB", NUL, "CD" as stored: only "AB" is compared.
    const std::string value = HexScrambleEncode(std::string("AB\0CD", 5));
    EXPECT_EQ(storedPassword(value), "AB");
    EXPECT_TRUE(AccessCheck(value, "ab"));
    EXPECT_FALSE(AccessCheck(value, "ABCD"));
}

TEST(AccessStore, ReadsAStoreWrittenByAWindowsEditor)
{
    TempFolder folder;
    writeFile(folder / "unins000.dll", "; impostazioni\r\n[Generale]\r\nValore=FFFF\r\n\r\n"
                                       "  [ accesso ]  \r\n  VALORE =  37A12F3BAB8112E9  \r\n"
                                       "[Altro]\r\nValore=00\r\n");
    EXPECT_EQ(readAccessValue(folder.path()), "37A12F3BAB8112E9");
    EXPECT_TRUE(AccessCheck(readAccessValue(folder.path()), "velarium"));
}

TEST(AccessStore, MissingFileSectionOrKeyReadsEmpty)
{
    TempFolder folder;
    EXPECT_EQ(readAccessValue(folder.path()), "");
    writeFile(folder / "unins000.dll", "[Altro]\nValore=12\n");
    EXPECT_EQ(readAccessValue(folder.path()), "");
    writeFile(folder / "unins000.dll", "[Accesso]\nChiave=12\n");
    EXPECT_EQ(readAccessValue(folder.path()), "");
}

TEST(AccessStore, AMissingFileIsCreated)
{
    TempFolder folder;
    writeAccessValue(folder.path(), storedValueFor("nuova"));
    EXPECT_EQ(readFile(folder / "unins000.dll"),
              "[Accesso]\r\nValore=" + storedValueFor("NUOVA") + "\r\n");
    EXPECT_TRUE(AccessCheck(readAccessValue(folder.path()), "Nuova"));
}

TEST(AccessStore, ARefusedWriteRaisesAndKeepsThePreviousValue)
{
    TempFolder folder;
    const auto store = folder / "unins000.dll";
    writeFile(store, "[Accesso]\r\nValore=20\r\n");
    std::filesystem::permissions(store, std::filesystem::perms::owner_read);
    EXPECT_THROW(writeAccessValue(folder.path(), "2020"), Error);
    EXPECT_EQ(readAccessValue(folder.path()), "20");

    EXPECT_THROW(writeAccessValue(folder / "non-esiste", "2020"), Error);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                            std::filesystem::directory_iterator()),
              1)
        << "no temporary file stays behind";
}

// The store shipped with the program opens with the first access password of the README.
TEST(AccessStore, TheShippedStoreOpensWithTheFirstPassword)
{
    const std::filesystem::path shipped = std::filesystem::path(VELARIUM_SOURCE_DIR) / "resources";
    EXPECT_TRUE(AccessCheck(readAccessValue(shipped), "velarium"));
}
