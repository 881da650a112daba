#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/settingskey.h"
#include "platform/regfile.h"
#include "support/fixtures.h"

namespace {

// Points XDG_CONFIG_HOME at a folder for the life of the object.
class ScopedConfigHome {
public:
    explicit ScopedConfigHome(const std::string& folder)
    {
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            m_old = old;
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    }
    ~ScopedConfigHome()
    {
        if (m_old)
            setenv("XDG_CONFIG_HOME", m_old->c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }

private:
    std::optional<std::string> m_old;
};

std::vector<std::string> SortedEntries(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool Exists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

const std::string kHead = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Sonivar]\n";

// Writes the settings file of the config folder with the given value lines.
void WriteSettings(const TempDir& dir, const std::string& lines)
{
    MakeFolder(dir / "Sonivar");
    WriteFileBytes(dir / "Sonivar/Sonivar.reg", kHead + lines);
}

} // namespace

TEST(CSettingsKeyTest, FilePathFollowsXdgConfigHome)
{
    TempDir dir;
    {
        ScopedConfigHome home(dir.Path() + "/");
        EXPECT_EQ(SettingsFilePath(), dir / "Sonivar/Sonivar.reg");
    }
    {
        ScopedConfigHome relative("relative/config"); // ignored: not absolute
        const char* homeVar = std::getenv("HOME");
        ASSERT_NE(homeVar, nullptr);
        EXPECT_EQ(SettingsFilePath(), std::string(homeVar) + "/.config/Sonivar/Sonivar.reg");
    }
    EXPECT_EQ(WidthValueName(0), "W0");
    EXPECT_EQ(WidthValueName(7), "W7");
}

TEST(CSettingsKeyTest, AbsentKeyFailsEveryCallAndCreatesNothing)
{
    TempDir dir;
    ScopedConfigHome home(dir.Path());
    CSettingsKey key;
    EXPECT_FALSE(key.Open());
    EXPECT_FALSE(key.IsOpen());
    std::uint32_t number = 7;
    std::string text = "keep";
    EXPECT_FALSE(key.QueryDword(kValueTop, number));
    EXPECT_FALSE(key.QueryString(kValueLastOpen, text));
    EXPECT_FALSE(key.SetDword(kValueZoom, 1));
    EXPECT_FALSE(key.SetString(kValueCopyFolder, "/tmp"));
    EXPECT_FALSE(key.Flush());
    EXPECT_EQ(key.Close(), 0);
    EXPECT_EQ(number, 7u);
    EXPECT_EQ(text, "keep");
    EXPECT_TRUE(SortedEntries(dir.Path()).empty());

    // A file without our key, and an empty folder, are an absent key as well.
    MakeFolder(dir / "Sonivar");
    EXPECT_FALSE(key.Open());
    WriteFileBytes(dir / "Sonivar/Sonivar.reg",
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Other]\n\"Top\"=dword:1\n");
    EXPECT_FALSE(key.Open());
    EXPECT_FALSE(key.SetDword(kValueTop, 2));
    EXPECT_EQ(SortedEntries(dir / "Sonivar"), std::vector<std::string> {"Sonivar.reg"});
}

TEST(CSettingsKeyTest, CreateMakesFolderAndFileAndValuesSurviveReopening)
{
    TempDir dir;
    ScopedConfigHome home(dir / "deep/config");
    const std::string path = dir / "deep/config/Sonivar/Sonivar.reg";
    {
        CSettingsKey key;
        ASSERT_TRUE(key.Create());
        EXPECT_TRUE(key.IsOpen());
        ASSERT_TRUE(Exists(path));
        auto file = RegFile::Parse(ReadFileBytes(path));
        ASSERT_TRUE(file);
        ASSERT_NE(file->FindKey(kSettingsKeyPath), nullptr);
        EXPECT_TRUE(file->FindKey(kSettingsKeyPath)->m_values.empty());

        EXPECT_TRUE(key.SetString(kValueLastOpen, "/home/ana/Muzika/Šđčćž \"Živa\" \\ kraj"));
        EXPECT_TRUE(key.SetDword(WidthValueName(3), 65536 + 50));
        EXPECT_TRUE(key.SetString(kValueCodePage, "windows-1250"));
        // The handle sees its own values before they are saved.
        std::uint32_t width = 0;
        EXPECT_TRUE(key.QueryDword("w3", width));
        EXPECT_EQ(width, 65536u + 50);
        EXPECT_EQ(key.Close(), 0);
        EXPECT_FALSE(key.IsOpen());
    }
    CSettingsKey key;
    ASSERT_TRUE(key.Open());
    std::string text;
    EXPECT_TRUE(key.QueryString(kValueLastOpen, text));
    EXPECT_EQ(text, "/home/ana/Muzika/Šđčćž \"Živa\" \\ kraj");
    std::uint32_t width = 0;
    EXPECT_TRUE(key.QueryDword("W3", width));
    EXPECT_EQ(width & 0xFFFF, 50u);
    EXPECT_FALSE(key.QueryDword(kValueLeft, width));
    // A string value is no DWORD unless it has exactly four bytes.
    EXPECT_FALSE(key.QueryDword(kValueCodePage, width));
    EXPECT_NE(
        ReadFileBytes(path).find("\"LastOpen\"=\"/home/ana/Muzika/Šđčćž \\\"Živa\\\" \\\\ kraj\""),
        std::string::npos);

    // Create on an existing key opens it without touching its values.
    const std::string before = ReadFileBytes(path);
    key.Close();
    ASSERT_TRUE(key.Create());
    EXPECT_TRUE(key.QueryString(kValueLastOpen, text));
    EXPECT_EQ(key.Close(), 0);
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(SortedEntries(dir / "deep/config/Sonivar"),
        (std::vector<std::string> {"Sonivar.reg", "Sonivar.reg.lock"}));
}

TEST(CSettingsKeyTest, ReadsAreBoundedByTheirBuffers)
{
    TempDir dir;
    ScopedConfigHome home(dir.Path());
    WriteSettings(dir,
        "\"S259\"=\"" + std::string(259, 'a')
            + "\"\n"
              "\"S260\"=\""
            + std::string(260, 'b')
            + "\"\n"
              "\"Three\"=hex:01,02,03\n"
              "\"Four\"=hex:c8,00,00,00\n"
              "\"Eight\"=hex(b):01,00,00,00,00,00,00,00\n"
              "\"Abc\"=\"abc\"\n"
              "\"Nul\"=hex:41,42,00,43,00\n"
              "\"D\"=dword:0000002a\n");
    CSettingsKey key;
    ASSERT_TRUE(key.Open());
    std::string text = "default";
    EXPECT_TRUE(key.QueryString("S259", text));
    EXPECT_EQ(text, std::string(259, 'a'));
    text = "default";
    EXPECT_FALSE(key.QueryString("S260", text));
    EXPECT_EQ(text, "default");
    EXPECT_TRUE(key.QueryString("Nul", text));
    EXPECT_EQ(text, "AB");

    std::uint32_t number = 99;
    EXPECT_FALSE(key.QueryDword("Three", number));
    EXPECT_FALSE(key.QueryDword("Eight", number));
    EXPECT_EQ(number, 99u);
    EXPECT_TRUE(key.QueryDword("Four", number));
    EXPECT_EQ(number, 200u);
    EXPECT_TRUE(key.QueryDword("Abc", number)); // the type is not examined: "abc" + NUL
    EXPECT_EQ(number, 0x00636261u);
    EXPECT_TRUE(key.QueryDword("D", number));
    EXPECT_EQ(number, 42u);

    // A 300-byte text is kept by a write, and refused by the read.
    ASSERT_TRUE(key.SetString(kValueLastOpen, std::string(300, 'x')));
    EXPECT_EQ(key.Close(), 0);
    ASSERT_TRUE(key.Open());
    EXPECT_FALSE(key.QueryString(kValueLastOpen, text));
    EXPECT_NE(
        ReadFileBytes(dir / "Sonivar/Sonivar.reg").find(std::string(300, 'x')), std::string::npos);
}

TEST(CSettingsKeyTest, SavingKeepsWhatItDoesNotKnow)
{
    TempDir dir;
    ScopedConfigHome home(dir.Path());
    WriteSettings(dir,
        "\"Blob\"=hex(7):41,00,\\\n  42,00,00,00\n"
        "\"Top\"=dword:00000010\n"
        "\n[HKEY_CURRENT_USER\\Sonivar\\Extra]\n\"X\"=\"y\"\n");
    CSettingsKey key;
    ASSERT_TRUE(key.Open());
    EXPECT_TRUE(key.SetDword(kValueTop, 20));
    EXPECT_TRUE(key.SetDword(kValueZoom, 1));
    ASSERT_EQ(key.Close(), 0);
    EXPECT_EQ(ReadFileBytes(dir / "Sonivar/Sonivar.reg"),
        kHead
            + "\"Blob\"=hex(7):41,00,42,00,00,00\n"
              "\"Top\"=dword:00000014\n"
              "\"Zoom\"=dword:00000001\n"
              "\n[HKEY_CURRENT_USER\\Sonivar\\Extra]\n\"X\"=\"y\"\n\n");
}

TEST(CSettingsKeyTest, MalformedFileIsAbsentAndCreateMovesItAside)
{
    TempDir dir;
    ScopedConfigHome home(dir.Path());
    MakeFolder(dir / "Sonivar");
    const std::string path = dir / "Sonivar/Sonivar.reg";
    const std::string garbage
        = "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\Sonivar]\n"
          "\"Top\"=dword:\n\xff\xfe garbage";
    WriteFileBytes(path, garbage);
    CSettingsKey key;
    EXPECT_FALSE(key.Open());
    EXPECT_EQ(ReadFileBytes(path), garbage);

    ASSERT_TRUE(key.Create());
    EXPECT_TRUE(key.SetString(kValueLastOpen, "/music"));
    EXPECT_EQ(key.Close(), 0);
    EXPECT_EQ(ReadFileBytes(path + ".bad"), garbage);
    ASSERT_TRUE(key.Open());
    std::string text;
    EXPECT_TRUE(key.QueryString(kValueLastOpen, text));
    EXPECT_EQ(text, "/music");
    key.Close();

    // A second broken file does not replace the first one kept.
    WriteFileBytes(path, "truncated");
    ASSERT_TRUE(key.Create());
    key.Close();
    EXPECT_EQ(ReadFileBytes(path + ".bad"), garbage);
    EXPECT_EQ(ReadFileBytes(path + ".bad.1"), "truncated");
}

TEST(CSettingsKeyTest, UnreadableFileIsNeverReplaced)
{
    TempDir dir;
    ScopedConfigHome home(dir.Path());
    const std::string path = dir / "Sonivar/Sonivar.reg";
    MakeFolder(path); // a folder where the file should be
    WriteFileBytes(path + "/inside", "keep");
    CSettingsKey key;
    EXPECT_FALSE(key.Open());
    EXPECT_FALSE(key.Create());
    EXPECT_FALSE(key.SetDword(kValueTop, 1));
    EXPECT_EQ(ReadFileBytes(path + "/inside"), "keep");
    EXPECT_FALSE(Exists(path + ".bad"));
}

TEST(CSettingsKeyTest, DeletedKeyIsNotBroughtBack)
{
    TempDir dir;
    ScopedConfigHome home(dir.Path());
    const std::string path = dir / "Sonivar/Sonivar.reg";
    WriteSettings(dir, "\"Top\"=dword:00000001\n");
    CSettingsKey key;
    ASSERT_TRUE(key.Open());
    EXPECT_TRUE(key.SetDword(kValueTop, 2));
    ASSERT_EQ(unlink(path.c_str()), 0); // the user resets the settings meanwhile
    EXPECT_EQ(key.Close(), ENOENT);
    EXPECT_FALSE(Exists(path));

    // A file broken meanwhile stays as it is.
    WriteSettings(dir, "\"Top\"=dword:00000001\n");
    ASSERT_TRUE(key.Open());
    EXPECT_TRUE(key.SetDword(kValueTop, 3));
    WriteFileBytes(path, "broken");
    EXPECT_FALSE(key.Flush());
    EXPECT_NE(key.Close(), 0);
    EXPECT_EQ(ReadFileBytes(path), "broken");
}

TEST(CSettingsKeyTest, FullDiskLeavesTheOldFileIdentical)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    TempDir dir;
    const std::string mountPoint = dir / "config";
    MakeFolder(mountPoint);
    if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount tmpfs here";
    ScopedConfigHome home(mountPoint);
    const std::string path = mountPoint + "/Sonivar/Sonivar.reg";
    {
        CSettingsKey key;
        ASSERT_TRUE(key.Create());
        key.SetDword(kValueTop, 10);
        key.SetString(kValueLastOpen, "/home/ana/Muzika");
        ASSERT_EQ(key.Close(), 0);
    }
    const std::string before = ReadFileBytes(path);
    {
        FILE* filler = std::fopen((mountPoint + "/filler").c_str(), "wb");
        std::string block(4096, 'f');
        while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()
            && std::fflush(filler) == 0) { }
        std::fclose(filler);
    }
    CSettingsKey key;
    ASSERT_TRUE(key.Open());
    EXPECT_TRUE(key.SetString(kValueCopyFolder, std::string(8000, 'c')));
    EXPECT_TRUE(key.SetDword(kValueTop, 11));
    EXPECT_FALSE(key.Flush());
    EXPECT_EQ(key.Close(), ENOSPC);
    EXPECT_EQ(ReadFileBytes(path), before);
    EXPECT_EQ(SortedEntries(mountPoint + "/Sonivar"),
        (std::vector<std::string> {"Sonivar.reg", "Sonivar.reg.lock"}));
    ASSERT_TRUE(key.Open());
    std::uint32_t top = 0;
    EXPECT_TRUE(key.QueryDword(kValueTop, top));
    EXPECT_EQ(top, 10u);
    key.Close();
    umount(mountPoint.c_str());
}

TEST(CSettingsKeyTest, TwoProcessesSavingAtOnceKeepBothValues)
{
    TempDir dir;
    ScopedConfigHome home(dir.Path());
    {
        CSettingsKey key;
        ASSERT_TRUE(key.Create());
    }
    constexpr int kRounds = 200;
    // Each process writes its own value and a shared one, and checks that every open sees a
    // whole file that still holds the other's value once it was written.
    auto run = [](const char* mine, const char* other) {
        bool otherSeen = false;
        for (int i = 0; i < kRounds; ++i) {
            CSettingsKey key;
            if (!key.Open())
                return 1;
            std::uint32_t value = 0;
            const bool hasOther = key.QueryDword(other, value);
            if (otherSeen && !hasOther)
                return 2; // a save of ours dropped the other's value
            otherSeen = otherSeen || hasOther;
            if (!key.SetDword(mine, static_cast<std::uint32_t>(i))
                || !key.SetString(kValueLastOpen, std::string(mine) + std::to_string(i)))
                return 3;
            if (key.Close() != 0)
                return 4;
        }
        return 0;
    };
    pid_t children[2];
    const char* names[2][2] = {{"A", "B"}, {"B", "A"}};
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0)
            _exit(run(names[c][0], names[c][1]));
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    auto file = RegFile::Parse(ReadFileBytes(dir / "Sonivar/Sonivar.reg"));
    ASSERT_TRUE(file);
    const RegKey* key = file->FindKey(kSettingsKeyPath);
    ASSERT_NE(key, nullptr);
    ASSERT_NE(key->Find("A"), nullptr);
    ASSERT_NE(key->Find("B"), nullptr);
    EXPECT_EQ(key->Find("A")->m_nDword, static_cast<std::uint32_t>(kRounds - 1));
    EXPECT_EQ(key->Find("B")->m_nDword, static_cast<std::uint32_t>(kRounds - 1));
    const std::string last = key->Find(kValueLastOpen)->m_strText;
    EXPECT_TRUE(last == "A199" || last == "B199") << last;
    EXPECT_EQ(SortedEntries(dir / "Sonivar"),
        (std::vector<std::string> {"Sonivar.reg", "Sonivar.reg.lock"}));
}
