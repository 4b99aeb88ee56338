#include "platform/Text.h"

#include <gtest/gtest.h>

using namespace velarium;

TEST(Text, TrimRemovesControlsAndBlanksAtBothEndsOnly)
{
    EXPECT_EQ(trimmed(" \t\r\n abc d \x01\x1f"), "abc d");
    EXPECT_EQ(trimmed(std::string_view("\0x\0", 3)), "x");
    EXPECT_EQ(trimmed("    "), "");
    EXPECT_EQ(trimmed(""), "");
    // Byte 0xA0 (no-break space) has a code above 32 and stays.
    EXPECT_EQ(trimmed("\xA0x\xA0"), "\xA0x\xA0");
}

TEST(Text, CaseChangesOnlyTheAsciiLetters)
{
    EXPECT_EQ(upperCase("abc xyz è à 09"), "ABC XYZ è à 09");
    EXPECT_EQ(upperCase("\xE8\xE0"), "\xE8\xE0");
    EXPECT_EQ(lowerCase("ABC \xC8 Z"), "abc \xC8 z");
}

TEST(Text, EveryByteSurvivesARoundTripThroughUtf8)
{
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    const auto back = utf8ToCp1252(cp1252ToUtf8(all));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, all);
}

TEST(Text, ConvertsTheCodePageSpecialCharacters)
{
    EXPECT_EQ(cp1252ToUtf8("\x80"), "€");
    EXPECT_EQ(cp1252ToUtf8("\xE8"), "è");
    EXPECT_EQ(cp1252ToUtf8("\x93\x94"), "“”");
    EXPECT_EQ(utf8ToCp1252("è€Ÿ"), std::optional<std::string>("\xE8\x80\x9F"));
}

TEST(Text, TextWrittenInPiecesKeepsBackOnlyACharacterCutAtTheEnd)
{
    EXPECT_EQ(wholeUtf8Length(""), 0u);
    EXPECT_EQ(wholeUtf8Length("abc"), 3u);
    // Two, three and four bytes: whole, then cut after each byte but the last.
    for (const std::string_view letter : {"\xC3\xA8", "\xE2\x82\xAC", "\xF0\x9F\x93\xB7"}) {
        const std::string text = "caff" + std::string(letter);
        SCOPED_TRACE(text);
        EXPECT_EQ(wholeUtf8Length(text), text.size());
        for (std::size_t cut = 1; cut < letter.size(); ++cut) {
            EXPECT_EQ(wholeUtf8Length(std::string_view(text).substr(0, 4 + cut)), 4u);
        }
    }
    // Nothing broken waits for bytes that will never make it whole.
    EXPECT_EQ(wholeUtf8Length("\x80\x80\x80\x80"), 4u);
    EXPECT_EQ(wholeUtf8Length("a\xC3\xA8\xA8"), 4u);
    EXPECT_EQ(wholeUtf8Length("a\xFF"), 2u);
}

TEST(Text, RefusesWhatTheCodePageCannotHoldOrBrokenUtf8)
{
    EXPECT_FALSE(utf8ToCp1252("漢").has_value());
    EXPECT_FALSE(utf8ToCp1252("ok Ω").has_value());
    EXPECT_FALSE(utf8ToCp1252("\xC3").has_value());         // cut sequence
    EXPECT_FALSE(utf8ToCp1252("\xC0\xAF").has_value());     // overlong
    EXPECT_FALSE(utf8ToCp1252("\xED\xA0\x80").has_value()); // surrogate
    EXPECT_FALSE(utf8ToCp1252("\xFF").has_value());
    EXPECT_EQ(utf8ToCp1252(""), std::optional<std::string>(""));
}
