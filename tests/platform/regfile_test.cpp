#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/regfile.h"
#include "support/fixtures.h"

namespace {

// Names in a folder other than "." and "..".
std::vector<std::string> Entries(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    closedir(dir);
    return names;
}

RegFile Sample()
{
    RegFile file;
    RegKey& key = file.AddKey("HKEY_CURRENT_USER\\Sonivar");
    key.Set(RegValue::String("LastOpen", "/home/ana/Muzika/Šđčćž \"Živa\" C:\\Stari\\"));
    key.Set(RegValue::Dword("W3", 65536 + 50));
    key.Set(RegValue::String("Line", std::string("prvi\nřádek\r") + '\0' + "kraj"));
    key.Set(RegValue::String("", "default"));
    key.Set(RegValue::String("Ime \"s\" navodnicima\\", "x"));
    RegValue raw;
    raw.m_strName = "Blob";
    raw.m_type = RegValue::Type::Raw;
    raw.m_strText = "hex(7):41,00,00,00";
    key.Set(raw);
    file.AddKey("HKEY_CURRENT_USER\\Sonivar\\Other").Set(RegValue::Dword("Zoom", 0xFFFFFFFFu));
    return file;
}

} // namespace

TEST(RegFileTest, RenderEscapesAndParsesBackEqual)
{
    const RegFile file = Sample();
    const std::string text = file.Render();
    EXPECT_TRUE(text.starts_with("Windows Registry Editor Version 5.00\n\n"
                                 "[HKEY_CURRENT_USER\\Sonivar]\n"));
    EXPECT_NE(text.find("\n\"LastOpen\"=\"/home/ana/Muzika/Šđčćž \\\"Živa\\\" C:\\\\Stari\\\\\"\n"),
        std::string::npos);
    EXPECT_NE(text.find("\n\"W3\"=dword:00010032\n"), std::string::npos);
    EXPECT_NE(text.find("\n\"Line\"=\"prvi\\nřádek\\r\\0kraj\"\n"), std::string::npos);
    EXPECT_NE(text.find("\n@=\"default\"\n"), std::string::npos);
    EXPECT_NE(text.find("\n\"Ime \\\"s\\\" navodnicima\\\\\"=\"x\"\n"), std::string::npos);
    EXPECT_NE(text.find("\n\"Blob\"=hex(7):41,00,00,00\n"), std::string::npos);
    EXPECT_NE(text.find("\n[HKEY_CURRENT_USER\\Sonivar\\Other]\n\"Zoom\"=dword:ffffffff\n"),
        std::string::npos);

    auto parsed = RegFile::Parse(text);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, file);
    EXPECT_EQ(parsed->Render(), text);
    const RegValue* line = parsed->FindKey("hkey_current_user\\sonivar")->Find("LINE");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->m_strText, std::string("prvi\nřádek\r") + '\0' + "kraj");
}

TEST(RegFileTest, ReadsWindowsStyleExports)
{
    // What regedit writes (CRLF, continued hex data) and what people type by hand.
    const std::string text = "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
                             "\r\n"
                             "; saved by hand\r\n"
                             "[HKEY_CURRENT_USER\\Sonivar]\r\n"
                             "\"Left\"=dword:000000C8\r\n"
                             "  \"Top\" = dword:7  \r\n"
                             "\"Path\"=\"C:\\Music\\New\"\r\n"
                             "\"Bin\"=hex:01,02,\\\r\n"
                             "  03,04\r\n"
                             "\"left\"=dword:000000c9\r\n"
                             "\r\n"
                             "[hkey_current_user\\sonivar]\r\n"
                             "\"Empty\"=hex:\r\n";
    auto file = RegFile::Parse(text);
    ASSERT_TRUE(file);
    ASSERT_EQ(file->m_keys.size(), 1u); // the same key twice merges, names ignore case
    const RegKey& key = file->m_keys[0];
    ASSERT_EQ(key.m_values.size(), 5u);
    EXPECT_EQ(key.m_values[0].m_strName, "Left");
    EXPECT_EQ(key.m_values[0].m_nDword, 0xC9u); // the later line wins, the first spelling stays
    EXPECT_EQ(key.Find("TOP")->m_nDword, 7u);
    EXPECT_EQ(key.Find("Path")->m_strText, "C:\\Music\\New"); // lone backslashes kept
    EXPECT_EQ(key.Find("Bin")->m_strText, "hex:01,02,03,04");
    EXPECT_EQ(*key.Find("Bin")->Bytes(), std::string("\x01\x02\x03\x04"));
    EXPECT_EQ(*key.Find("Empty")->Bytes(), "");

    auto old = RegFile::Parse("REGEDIT4\n[HKEY_CURRENT_USER\\Sonivar]\n\"A\"=\"b\"");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->m_keys[0].Find("A")->m_strText, "b");
    // A rewrite keeps the hex value, on one line.
    auto again = RegFile::Parse(file->Render());
    ASSERT_TRUE(again);
    EXPECT_EQ(*again, *file);
}

TEST(RegFileTest, RefusesMalformedText)
{
    const std::string head = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Sonivar]\n";
    const std::vector<std::string> bad = {
        "",
        "\n\n  \n",
        "Windows Registry Editor Version 4.00\n[K]\n",
        "\"A\"=\"b\"\n",
        "Windows Registry Editor Version 5.00\n\"A\"=\"b\"\n", // value before any key
        head + "\"A\"=\"unterminated\n",
        head + "\"A\"=\"text\" trailing\n",
        head + "\"A\"=dword:123456789\n",
        head + "\"A\"=dword:\n",
        head + "\"A\"=dword:12g4\n",
        head + "\"A\"=hex:1,02\n",
        head + "\"A\"=hex:01,,02\n",
        head + "\"A\"=hex(zz):01\n",
        head + "\"A\"=qword:1\n",
        head + "\"A\"=-\n",
        head + "\"A\" \"b\"\n",
        head + "\"A\n",
        head + "A=\"b\"\n",
        head + "@x=\"b\"\n",
        head + "[-HKEY_CURRENT_USER\\Sonivar]\n",
        head + "[]\n",
        head + "[unclosed\n",
        head + std::string("\0\0\0", 3),
    };
    for (const std::string& text : bad)
        EXPECT_FALSE(RegFile::Parse(text)) << "accepted: " << text;
}

TEST(RegFileTest, TruncatedAndScrambledTextNeverBreaksTheRoundTrip)
{
    const std::string text = Sample().Render();
    int parsedCuts = 0;
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        auto file = RegFile::Parse(std::string_view(text).substr(0, cut));
        if (!file)
            continue;
        ++parsedCuts;
        auto again = RegFile::Parse(file->Render());
        ASSERT_TRUE(again) << "cut at " << cut;
        EXPECT_EQ(*again, *file) << "cut at " << cut;
    }
    EXPECT_GT(parsedCuts, 0);
    // A cut inside the first quoted text leaves it unterminated.
    EXPECT_FALSE(RegFile::Parse(text.substr(0, text.find("Muzika"))));

    std::uint32_t seed = 12345;
    for (int round = 0; round < 2000; ++round) {
        std::string scrambled = text;
        for (int k = 0; k < 4; ++k) {
            seed = seed * 1103515245u + 12345u;
            scrambled[(seed >> 8) % scrambled.size()] = static_cast<char>(seed >> 24);
        }
        if (auto file = RegFile::Parse(scrambled)) {
            auto again = RegFile::Parse(file->Render());
            ASSERT_TRUE(again);
            EXPECT_EQ(*again, *file);
        }
    }
}

TEST(RegFileTest, BytesOfEachType)
{
    EXPECT_EQ(*RegValue::String("a", "Šabc").Bytes(), std::string("Šabc\0", 6));
    EXPECT_EQ(*RegValue::Dword("a", 0x01020304u).Bytes(), std::string("\x04\x03\x02\x01"));
    RegValue raw;
    raw.m_type = RegValue::Type::Raw;
    raw.m_strText = "hex(4):c8, 00,00 ,00";
    EXPECT_EQ(*raw.Bytes(), std::string("\xc8\0\0\0", 4));
    raw.m_strText = "hex:0";
    EXPECT_FALSE(raw.Bytes());
    raw.m_strText = "dword:1";
    EXPECT_FALSE(raw.Bytes());
}

TEST(RegFileTest, SaveAndLoadThroughRealFiles)
{
    TempDir dir;
    const std::string path = dir / "Sonivar.reg";
    RegFile loaded;
    int error = 0;
    EXPECT_EQ(RegFile::Load(path, loaded, &error), RegFile::LoadResult::Missing);
    EXPECT_EQ(error, ENOENT);

    const RegFile file = Sample();
    ASSERT_TRUE(file.Save(path));
    EXPECT_EQ(ReadFileBytes(path), file.Render());
    EXPECT_EQ(Entries(dir.Path()), std::vector<std::string> {"Sonivar.reg"}); // no temporary left
    ASSERT_EQ(RegFile::Load(path, loaded), RegFile::LoadResult::Loaded);
    EXPECT_EQ(loaded, file);

    // The file's permissions survive a rewrite.
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(RegFile().Save(path));
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    // A linked settings file stays linked; its target is replaced.
    MakeFolder(dir / "dotfiles");
    const std::string target = dir / "dotfiles/Sonivar.reg";
    const std::string link = dir / "link.reg";
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0); // dangling at first
    ASSERT_TRUE(file.Save(link));
    ASSERT_TRUE(RegFile().Save(link) && file.Save(link));
    struct stat lst;
    ASSERT_EQ(lstat(link.c_str(), &lst), 0);
    EXPECT_TRUE(S_ISLNK(lst.st_mode));
    EXPECT_EQ(ReadFileBytes(target), file.Render());
    EXPECT_EQ(Entries(dir / "dotfiles"), std::vector<std::string> {"Sonivar.reg"});

    // A missing folder: nothing written, errno reported.
    error = 0;
    EXPECT_FALSE(file.Save(dir / "missing/Sonivar.reg", &error));
    EXPECT_EQ(error, ENOENT);
}

TEST(RegFileTest, LoadSortsOutWhatIsNoSettingsFile)
{
    TempDir dir;
    RegFile out;
    int error = 0;
    MakeFolder(dir / "folder.reg");
    EXPECT_EQ(RegFile::Load(dir / "folder.reg", out, &error), RegFile::LoadResult::Unreadable);
    EXPECT_EQ(error, EISDIR);

    // A FIFO must neither block nor read as a file.
    ASSERT_EQ(mkfifo((dir / "fifo.reg").c_str(), 0600), 0);
    EXPECT_EQ(RegFile::Load(dir / "fifo.reg", out), RegFile::LoadResult::Unreadable);

    WriteFileBytes(dir / "garbage.reg", "\x89PNG\r\n\x1a\n binary");
    EXPECT_EQ(RegFile::Load(dir / "garbage.reg", out), RegFile::LoadResult::Malformed);

    // Too large to be ours, even when the start looks right.
    std::string big = "Windows Registry Editor Version 5.00\n[K]\n";
    big += std::string(RegFile::kMaxFileSize, ';');
    WriteFileBytes(dir / "big.reg", big);
    EXPECT_EQ(RegFile::Load(dir / "big.reg", out), RegFile::LoadResult::Malformed);
}
