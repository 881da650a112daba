// The command line parser and the window-less user interface services of sonivar-cli.
#include <cstdio>

#include <gtest/gtest.h>

#include "cli/cliargs.h"
#include "cli/cliui.h"
#include "res/resource.h"
#include "support/fixtures.h"

namespace {

CliArgs Parsed(const std::vector<std::string>& words)
{
    const CliParseResult result = ParseCliArgs(words);
    EXPECT_TRUE(result.m_bOk) << result.m_strError;
    return result.m_args;
}

std::string ErrorOf(const std::vector<std::string>& words)
{
    const CliParseResult result = ParseCliArgs(words);
    EXPECT_FALSE(result.m_bOk);
    return result.m_strError;
}

TEST(CliArgs, CommandsArgumentsOptionsAndPaths)
{
    CliArgs args = Parsed({"--yes", "set", "Artist", "-live-", "a", "--codepage", "UTF-8", "b"});
    EXPECT_TRUE(args.m_bYes);
    EXPECT_EQ(args.m_strCommand, "set");
    EXPECT_EQ(args.m_pCommand->nId, ID_TAG_ARTIST);
    EXPECT_EQ(args.m_arguments, (std::vector<std::string> {"Artist", "-live-"}));
    EXPECT_TRUE(args.m_bCodePageGiven);
    EXPECT_EQ(args.m_strCodePage, "UTF-8");
    EXPECT_EQ(args.m_paths, (std::vector<std::string> {"a", "b"}));

    args = Parsed({"list", "--codepage=ISO-8859-1", "-"});
    EXPECT_EQ(args.m_strCommand, "list");
    EXPECT_FALSE(args.m_bYes);
    EXPECT_EQ(args.m_strCodePage, "ISO-8859-1");
    // A lone "-" is a name, not an option.
    EXPECT_EQ(args.m_paths, (std::vector<std::string> {"-"}));

    const std::vector<std::pair<std::string, int>> fields = {{"name", ID_TAG_NAME},
        {"album", ID_TAG_ALBUM}, {"year", ID_TAG_YEAR}, {"COMMENT", ID_TAG_COMMENT}};
    for (const auto& [field, id] : fields)
        EXPECT_EQ(Parsed({"set", field, "", "x"}).m_pCommand->nId, id) << field;

    // Every command of the table parses with its arguments.
    for (const CliCommandSyntax& syntax : CliCommands()) {
        std::vector<std::string> words {syntax.m_strName};
        if (syntax.m_strName == "set")
            words.insert(words.end(), {"year", "1999"});
        else if (syntax.m_strName == "genre")
            words.push_back("Jazz");
        else
            for (int i = 0; i < syntax.m_nArguments; ++i)
                words.push_back("out.file");
        words.push_back("path");
        args = Parsed(words);
        EXPECT_EQ(args.m_strCommand, syntax.m_strName);
        EXPECT_EQ(args.m_paths, (std::vector<std::string> {"path"})) << syntax.m_strName;
        EXPECT_NE(CliUsage().find("  " + syntax.m_strName), std::string::npos);
    }
}

TEST(CliArgs, DoubleDashEndsTheOptions)
{
    CliArgs args = Parsed({"list", "--", "-x", "--yes", "--", "--help"});
    EXPECT_FALSE(args.m_bYes);
    EXPECT_FALSE(args.m_bHelp);
    EXPECT_EQ(args.m_paths, (std::vector<std::string> {"-x", "--yes", "--", "--help"}));
    // The arguments of a command are taken as they stand, even "--".
    args = Parsed({"set", "comment", "--", "--", "-a"});
    EXPECT_EQ(args.m_arguments[1], "--");
    EXPECT_EQ(args.m_paths, (std::vector<std::string> {"-a"}));
}

TEST(CliArgs, UsageErrors)
{
    EXPECT_EQ(ErrorOf({}), "missing command");
    EXPECT_EQ(ErrorOf({"--yes"}), "missing command");
    EXPECT_EQ(ErrorOf({"lsit", "."}), "unknown command 'lsit'");
    EXPECT_EQ(ErrorOf({"list", "-r", "."}), "unknown option '-r'");
    EXPECT_EQ(ErrorOf({"list", "--yess", "."}), "unknown option '--yess'");
    EXPECT_EQ(ErrorOf({"list"}), "missing PATH");
    EXPECT_EQ(ErrorOf({"list", "--"}), "missing PATH");
    EXPECT_EQ(ErrorOf({"--", "list", "."}), "missing command before '--'");
    EXPECT_EQ(ErrorOf({"set", "artist"}), "'set' needs artist|name|album|year|comment TEXT");
    EXPECT_EQ(ErrorOf({"playlist"}), "'playlist' needs FILE");
    EXPECT_EQ(ErrorOf({"playlist", "", "."}), "empty FILE for 'playlist'");
    EXPECT_NE(ErrorOf({"set", "title", "x", "."}).find("unknown field 'title'"), std::string::npos);
    EXPECT_NE(ErrorOf({"genre", "Rockabilly", "."}).find("unknown genre 'Rockabilly'"),
        std::string::npos);
    EXPECT_EQ(ErrorOf({"--codepage"}), "option '--codepage' needs a code page name");
    EXPECT_EQ(ErrorOf({"--codepage=", "list", "."}), "option '--codepage' needs a code page name");

    // --help wins over what is missing or wrong after it is seen.
    EXPECT_TRUE(Parsed({"--help"}).m_bHelp);
    EXPECT_TRUE(Parsed({"list", "--help"}).m_bHelp);
}

TEST(CliArgs, GenreNamesAndCodes)
{
    int code = -1;
    std::string name;
    EXPECT_TRUE(ParseGenre("blues", code, name));
    EXPECT_EQ(code, 0);
    EXPECT_EQ(name, "Blues");
    EXPECT_TRUE(ParseGenre("ROCK", code, name));
    EXPECT_EQ(code, 17);
    EXPECT_EQ(name, "Rock");
    EXPECT_TRUE(ParseGenre("147", code, name));
    EXPECT_EQ(code, 147);
    EXPECT_TRUE(ParseGenre("017", code, name));
    EXPECT_EQ(name, "Rock");
    EXPECT_TRUE(ParseGenre("255", code, name));
    EXPECT_EQ(code, 255);
    EXPECT_EQ(name, " ");
    for (const char* bad : {"148", "254", "256", "-1", "+3", "1000", "", " ", "Rock "}) {
        code = -1;
        EXPECT_FALSE(ParseGenre(bad, code, name)) << bad;
        EXPECT_EQ(code, -1) << bad;
    }
    CliArgs args = Parsed({"genre", "hip-hop", "x"});
    EXPECT_EQ(args.m_nGenre, 7);
    EXPECT_EQ(args.m_strGenre, "Hip-Hop");
}

// The user interface services answer from the command line and print to the error stream.
class CliUiTest : public ::testing::Test {
protected:
    std::string Printed()
    {
        std::fflush(m_pErr);
        return ReadFileBytes(m_strPath);
    }
    void TearDown() override { std::fclose(m_pErr); }

    TempDir m_dir;
    std::string m_strPath = m_dir / "err.txt";
    std::FILE* m_pErr = std::fopen(m_strPath.c_str(), "w+");
};

TEST_F(CliUiTest, MessagesAreOneLineAndQuestionsFollowYes)
{
    CliArgs args = Parsed({"playlist", m_dir / "new.m3u", "x"});
    CliUi ui(args, m_pErr);
    EXPECT_EQ(
        ui.MessageBox("Ne mogu napraviti fajl:\n/a/b.m3u\nPermission denied", "Greska", 0), IDOK);
    EXPECT_EQ(ui.MessageBox("Obrisati 3 fajla?", "Pitanje", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(ui.ProblemCount(), 1);
    args.m_bYes = true;
    EXPECT_EQ(ui.MessageBox("Obrisati?", "Pitanje", MB_YESNO), IDYES);
    EXPECT_EQ(ui.ProblemCount(), 1);
    EXPECT_EQ(Printed(),
        "sonivar-cli: Ne mogu napraviti fajl: /a/b.m3u: Permission denied\n"
        "sonivar-cli: Obrisati 3 fajla? [no; --yes answers yes]\n"
        "sonivar-cli: Obrisati? [yes]\n");
    EXPECT_EQ(CliUi::OneLine("a\r\n\nb\n"), "a: b");

    std::string text = "kept";
    EXPECT_EQ(ui.InputDialog("Artist:", text), IDCANCEL);
    EXPECT_EQ(text, "kept");
    EXPECT_FALSE(ui.ChooseGenre());
    EXPECT_EQ(ui.SaveFileDialog(".m3u", "", ""), m_dir / "new.m3u");
    std::string folder = "x";
    EXPECT_EQ(ui.BrowseForFolder(folder, "", "", "", true), 0);
    EXPECT_EQ(folder, "");
    EXPECT_FALSE(ui.IsControlKeyDown());
}

TEST_F(CliUiTest, AnswersComeFromTheCommandsArguments)
{
    const CliArgs set = Parsed({"set", "name", "New name", "x"});
    CliUi setUi(set, m_pErr);
    std::string text = "old";
    EXPECT_EQ(setUi.InputDialog("Promijeni old u:", text), IDOK);
    EXPECT_EQ(text, "New name");
    EXPECT_FALSE(setUi.SaveFileDialog(".m3u", "", ""));

    const CliArgs genre = Parsed({"genre", "Jazz", "x"});
    CliUi genreUi(genre, m_pErr);
    const auto choice = genreUi.ChooseGenre();
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->code, 8);
    EXPECT_EQ(choice->text, "Jazz");

    // An existing file is replaced only with --yes, as the save dialog would ask.
    WriteFileBytes(m_dir / "old.txt", "x");
    CliArgs titles = Parsed({"titles", m_dir / "old.txt", "x"});
    CliUi titlesUi(titles, m_pErr);
    EXPECT_FALSE(titlesUi.SaveFileDialog(".txt", "", ""));
    EXPECT_EQ(titlesUi.ProblemCount(), 1);
    titles.m_bYes = true;
    EXPECT_EQ(titlesUi.SaveFileDialog(".txt", "", ""), m_dir / "old.txt");
    EXPECT_EQ(Printed(), "sonivar-cli: " + m_dir / "old.txt" + ": exists; --yes replaces it\n");
}

} // namespace
