#include <algorithm>
#include <cstdio>
#include <vector>

#include <QString>

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
    // One answer for the case mapping, the cuts and the tag code page: overlong forms,
    // surrogates and code points above U+10FFFF are invalid bytes, each counted alone.
    for (const std::string bad : {"\xC0\x80", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"}) {
        EXPECT_EQ(Utf8CharAt(bad, 0), 0u);
        EXPECT_EQ(CharCount(bad), bad.size());
        EXPECT_EQ(MakeUpper(bad), bad);
    }
    char32_t cp = 0;
    EXPECT_EQ(Utf8CharAt("x\xF4\x8F\xBF\xBF", 1, &cp), 4u);
    EXPECT_EQ(cp, 0x10FFFFu);
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
    EXPECT_EQ(TagCodePage::Decode("x\xC4", 2), "x" + RawByteChar(0xC4)); // a cut sequence
}

// The bytes of tags that do not fit the code page chosen: undefined in windows-1250, Cyrillic
// windows-1251, Latin-1 read as UTF-8, the UTF-8 of a raw byte character itself.
const std::vector<std::string> kStrangeBytes
    = {"\x81\x83\x88\x90\x98", "\xCF\xE5\xF1\xED\xFF \xC0\xEB\xE5\xEA\xF1\xE0\xED\xE4\xF0",
        "Caf\xE9 M\xFCller \xFF", "\xEE\xBE\x81 \xEF\xBF\xBD \xC4", "\xE8\xE6\x9E\x8A\xF0"};

// Every code page the program accepts: each iconv name that TagCodePage::Set takes.
std::vector<std::string> OfferedCodePages()
{
    std::vector<std::string> names;
    FILE* list = popen("iconv -l", "r");
    if (!list)
        return names;
    std::string word;
    for (int c; (c = std::fgetc(list)) != EOF;) {
        if (c == ',' || c == ' ' || c == '\n') {
            if (word.ends_with("//"))
                word.resize(word.size() - 2);
            if (!word.empty() && TagCodePage::Set(word))
                names.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(c);
        }
    }
    pclose(list);
    return names;
}

bool IsWellFormedUtf8(const std::string& text)
{
    return QString::fromUtf8(text).toUtf8().toStdString() == text;
}

TEST_F(CodePageTest, EveryCodePageGivesBackTheBytesItRead)
{
    std::vector<std::string> samples = kStrangeBytes;
    for (int b = 0x80; b <= 0xFF; ++b)
        samples.push_back(std::string("a") + static_cast<char>(b) + "b");
    // Fields of random bytes without NUL, the same every run.
    std::uint32_t seed = 12345;
    for (int field = 0; field < 40; ++field) {
        std::string bytes;
        for (int i = 0; i < 30; ++i) {
            seed = seed * 1103515245u + 12345u;
            bytes += static_cast<char>(1 + (seed >> 16) % 255);
        }
        samples.push_back(bytes);
    }
    const std::vector<std::string> pages = OfferedCodePages();
    EXPECT_GT(pages.size(), 300u);
    for (const char* common : {"WINDOWS-1250", "WINDOWS-1251", "CP1252", "ISO-8859-1", "UTF-8",
             "KOI8-R", "CP437", "CP932", "GBK", "GB18030", "BIG5", "EUC-KR", "CP1258"})
        EXPECT_NE(std::find(pages.begin(), pages.end(), common), pages.end()) << common;
    for (const std::string& page : pages) {
        ASSERT_TRUE(TagCodePage::Set(page));
        for (const std::string& bytes : samples) {
            const std::string text = TagCodePage::Decode(bytes.data(), bytes.size());
            ASSERT_EQ(TagCodePage::Encode(text, 30), bytes) << page;
            ASSERT_TRUE(IsWellFormedUtf8(text)) << page;
            // Shown, a raw byte is the replacement character, never the private-use one.
            ASSERT_EQ(ShowRawBytes(text).find("\xEE\xBE"), std::string::npos) << page;
        }
    }
}

TEST_F(CodePageTest, UndefinedBytesStayRawThroughCutsAndCaseAndShowAsReplacement)
{
    const std::string bytes = "A\x81\x83\x88\x90\x98\x8A";
    const std::string text = TagCodePage::Decode(bytes.data(), bytes.size());
    EXPECT_EQ(text,
        "A" + RawByteChar(0x81) + RawByteChar(0x83) + RawByteChar(0x88) + RawByteChar(0x90)
            + RawByteChar(0x98) + "Š");
    EXPECT_EQ(ShowRawBytes(text), "A\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDŠ");
    EXPECT_EQ(RawByteAt(text, 1), 0x81);
    EXPECT_EQ(RawByteAt(text, 0), -1);
    EXPECT_EQ(TagCodePage::Encode(MakeLower(text), 30), "a\x81\x83\x88\x90\x98\x9A");
    std::string fitted;
    EXPECT_EQ(TagCodePage::Encode(text, 3, &fitted), "A\x81\x83");
    EXPECT_EQ(fitted, "A" + RawByteChar(0x81) + RawByteChar(0x83));
    // Latin-1 read as UTF-8 comes back the same.
    ASSERT_TRUE(TagCodePage::Set("UTF-8"));
    const std::string latin = "Caf\xE9";
    EXPECT_EQ(TagCodePage::Decode(latin.data(), latin.size()), "Caf" + RawByteChar(0xE9));
    EXPECT_EQ(TagCodePage::Encode("Caf" + RawByteChar(0xE9), 30), latin);
}

TEST_F(CodePageTest, CodePagesThatAreNotAsciiCompatibleAreRefused)
{
    for (const char* name : {"UTF-16", "UTF-16LE", "UTF-16BE", "UTF-32", "UTF-32LE", "UCS-2",
             "UCS-4", "UTF-7", "IBM037", "SHIFT_JIS", "VISCII"}) {
        std::string error;
        EXPECT_FALSE(TagCodePage::Set(name, &error)) << name;
        EXPECT_NE(error.find("not ASCII-compatible"), std::string::npos) << name;
        EXPECT_EQ(TagCodePage::Name(), "windows-1250");
    }
    for (const char* name : {"UTF-8", "utf8", "CP932", "ISO-8859-15", "CP1258"})
        EXPECT_TRUE(TagCodePage::Set(name)) << name;
}
