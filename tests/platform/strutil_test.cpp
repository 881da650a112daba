#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "platform/strutil.h"

TEST(StrUtilTest, TrimsExactlyTheSixWhiteSpaceCharacters)
{
    EXPECT_EQ(TrimRight("  word \t\r\n\v\f"), "  word");
    EXPECT_EQ(TrimLeft("\t\r\n\v\f word "), "word ");
    EXPECT_EQ(Trim(" \xC2\xA0x\xC2\xA0 "), "\xC2\xA0x\xC2\xA0"); // no-break space stays
    EXPECT_EQ(TrimRight(""), "");
    EXPECT_EQ(Trim("   "), "");
}

TEST(StrUtilTest, CaseMappingIsUnicodeAndKeepsInvalidBytes)
{
    EXPECT_EQ(MakeUpper("šđčćž abc"), "ŠĐČĆŽ ABC");
    EXPECT_EQ(MakeLower("ŠĐČĆŽ ÄÖ ABC"), "šđčćž äö abc");
    EXPECT_EQ(MakeUpper("straße"), "STRAßE"); // simple mapping: one character for one
    EXPECT_EQ(MakeUpper("a\xFF"
                        "b"),
        "A\xFF"
        "B");
    EXPECT_EQ(MakeLower("123 -/()"), "123 -/()");
}

TEST(StrUtilTest, CountsCharactersNotBytes)
{
    EXPECT_EQ(CharCount("čćž"), 3u);
    EXPECT_EQ(BytesOfChars("čćžx", 2), 4u);
    EXPECT_EQ(BytesOfChars("ab", 5), 2u);
    EXPECT_EQ(CharCount("a\xFF"), 2u);
}

TEST(StrUtilTest, FormatsLikePrintf)
{
    EXPECT_EQ(Format("%d%%", 50), "50%");
    EXPECT_EQ(Format("Promijeni %s u:", "Daybreak"), "Promijeni Daybreak u:");
    EXPECT_EQ(Format("%s", std::string(1000, 'x').c_str()).size(), 1000u);
}

class CodePageTest : public ::testing::Test {
protected:
    void TearDown() override { TagCodePage::Set("windows-1250"); }
};

TEST_F(CodePageTest, Cp1250BytesRoundTrip)
{
    ASSERT_EQ(TagCodePage::Name(), "windows-1250");
    const std::string bytes = "\x8A\xF0\xE8\xE6\x9E"; // Šđčćž in windows-1250
    const std::string text = TagCodePage::Decode(bytes.data(), bytes.size());
    EXPECT_EQ(text, "Šđčćž");
    EXPECT_EQ(TagCodePage::Encode(text, 30), bytes);
}

TEST_F(CodePageTest, UnknownNameIsAnErrorAndKeepsTheChoice)
{
    std::string error;
    EXPECT_FALSE(TagCodePage::Set("no-such-codepage", &error));
    EXPECT_NE(error.find("no-such-codepage"), std::string::npos);
    EXPECT_EQ(TagCodePage::Name(), "windows-1250");
}

TEST_F(CodePageTest, UnrepresentableCharactersAreTransliteratedOrQuestionMarks)
{
    ASSERT_TRUE(TagCodePage::Set("ISO-8859-1"));
    EXPECT_EQ(TagCodePage::Encode("č", 30), "c");
    EXPECT_EQ(TagCodePage::Encode("日本", 30), "??");
    EXPECT_EQ(TagCodePage::Encode("é", 30), "\xE9");
    // A byte windows-1250 leaves undefined decodes to U+FFFD.
    ASSERT_TRUE(TagCodePage::Set("windows-1250"));
    EXPECT_EQ(TagCodePage::Decode("a\x81"
                                  "b",
                  3),
        "a\xEF\xBF\xBD"
        "b");
}

TEST_F(CodePageTest, Utf8CutNeverSplitsACharacter)
{
    ASSERT_TRUE(TagCodePage::Set("UTF-8"));
    std::string text = "a";
    for (int i = 0; i < 20; ++i)
        text += "č"; // 2 bytes each: 1 + 40 bytes
    std::string fitted;
    std::string bytes = TagCodePage::Encode(text, 30, &fitted);
    EXPECT_EQ(bytes.size(), 29u);
    EXPECT_EQ(bytes, fitted);
    EXPECT_EQ(CharCount(fitted), 15u);
    EXPECT_EQ(TagCodePage::Decode("x\xC4", 2), "x\xEF\xBF\xBD"); // a cut sequence
}
