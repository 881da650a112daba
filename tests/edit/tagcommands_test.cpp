#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "commands/commandtable.h"
#include "edit/removeid3v2.h"
#include "edit/tagcommands.h"
#include "edit/undo.h"
#include "library.h"
#include "model/textcase.h"
#include "platform/codepage.h"
#include "res/resource.h"
#include "session/selectioncommands.h"

namespace {

const Tag kA {"alpha song", "first ARTIST", "one album", "1999", "c1", 17};
const Tag kB {"beta song", "second artist", "two album", "2000", "c2", 0};
const Tag kC {"gamma song", "third artist", "three album", "2001", "c3", 255};
const Tag kD {"delta song", "fourth artist", "four album", "2002", "c4", 80};

// Four files a..d; rows d, a and c selected in that order (b stays out).
class TagCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        lib.Add("a.mp3", kA);
        lib.Add("b.mp3", kB);
        lib.Add("c.mp3", kC);
        lib.Add("d.mp3", kD);
        lib.Select({"d.mp3", "a.mp3", "c.mp3"});
    }
    void ExpectJournalOf(int command, const std::vector<std::pair<int, Tag>>& entries)
    {
        EXPECT_EQ(lib.m_session.JournalCommand(), command);
        ASSERT_EQ(lib.m_session.Journal().GetSize(), static_cast<int>(entries.size()));
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const CMp3File& entry = lib.m_session.Journal().ElementAt(static_cast<int>(i));
            EXPECT_EQ(entry.m_nItem, entries[i].first);
            EXPECT_EQ(entry.m_strTitle, entries[i].second.title);
            EXPECT_EQ(entry.m_strArtist, entries[i].second.artist);
            EXPECT_EQ(static_cast<std::uint8_t>(entry.m_byGenre), entries[i].second.genre);
            EXPECT_EQ(lib.m_list.RowOfId(lib.m_session.Journal().RowIdAt(static_cast<int>(i))),
                entries[i].first);
        }
    }
    void ExpectOriginalFiles()
    {
        EXPECT_EQ(lib.Trailer("a.mp3"), TrailerOf(kA));
        EXPECT_EQ(lib.Trailer("b.mp3"), TrailerOf(kB));
        EXPECT_EQ(lib.Trailer("c.mp3"), TrailerOf(kC));
        EXPECT_EQ(lib.Trailer("d.mp3"), TrailerOf(kD));
        EXPECT_EQ(lib.Bytes("a.mp3").size(), 1128u);
    }
    Library lib;
};

Tag With(Tag tag, std::string Tag::*field, const std::string& text)
{
    tag.*field = text;
    return tag;
}

Tag WithGenre(Tag tag, int genre)
{
    tag.genre = genre;
    return tag;
}

} // namespace

TEST_F(TagCommands, ArtistForAllSelectedRowsAndUndoAfterAHeaderSort)
{
    lib.m_ui.AnswerInput("New Artist");
    OnChangeTagField(lib.m_session, ID_TAG_ARTIST);
    ASSERT_EQ(lib.m_ui.m_calls.size(), 1u);
    EXPECT_EQ(lib.m_ui.m_calls[0].kind, "InputDialog");
    EXPECT_EQ(lib.m_ui.m_calls[0].text, "Artist name:");
    EXPECT_EQ(lib.m_ui.m_calls[0].caption, "");
    EXPECT_EQ(lib.Trailer("a.mp3"), TrailerOf(With(kA, &Tag::artist, "New Artist")));
    EXPECT_EQ(lib.Trailer("b.mp3"), TrailerOf(kB));
    EXPECT_EQ(lib.Trailer("c.mp3"), TrailerOf(With(kC, &Tag::artist, "New Artist")));
    EXPECT_EQ(lib.Trailer("d.mp3"), TrailerOf(With(kD, &Tag::artist, "New Artist")));
    EXPECT_EQ(lib.Bytes("a.mp3").substr(0, 1000), FakeAudio(1000));
    EXPECT_EQ(lib.Cell("a.mp3", TrackList::ColArtist), "New Artist");
    EXPECT_EQ(lib.Cell("b.mp3", TrackList::ColArtist), "second artist");
    ExpectJournalOf(ID_TAG_ARTIST, {{0, kA}, {2, kC}, {3, kD}});
    EXPECT_TRUE(lib.m_session.IsUndoEnabled());

    OnHeaderClick(lib.m_session, TrackList::ColYear);
    OnHeaderClick(lib.m_session, TrackList::ColYear); // descending: d c b a
    ASSERT_EQ(lib.RowOf("d.mp3"), 0);
    OnUndo(lib.m_session);
    ExpectOriginalFiles();
    EXPECT_EQ(lib.Cell("a.mp3", TrackList::ColArtist), "first ARTIST");
    EXPECT_EQ(lib.Cell("d.mp3", TrackList::ColArtist), "fourth artist");
    EXPECT_EQ(lib.Cell("b.mp3", TrackList::ColArtist), "second artist");
    EXPECT_EQ(lib.Cell("a.mp3", TrackList::ColGenre), GenreName(17));
    EXPECT_EQ(lib.Cell("a.mp3", TrackList::ColFolder), lib.m_dir.Path());
    EXPECT_EQ(lib.m_session.Journal().GetSize(), 0);
    EXPECT_FALSE(lib.m_session.IsUndoEnabled());
}

TEST_F(TagCommands, AlbumYearCommentAndLongTexts)
{
    lib.m_ui.AnswerInput("");
    OnChangeTagField(lib.m_session, ID_TAG_ALBUM);
    EXPECT_EQ(lib.m_ui.m_calls.back().text, "Album name:");
    EXPECT_EQ(lib.Trailer("c.mp3"), TrailerOf(With(kC, &Tag::album, "")));
    EXPECT_EQ(lib.Cell("c.mp3", TrackList::ColAlbum), "");

    lib.m_ui.AnswerInput("199912");
    OnChangeTagField(lib.m_session, ID_TAG_YEAR);
    EXPECT_EQ(lib.m_ui.m_calls.back().text, "Year:");
    // The cell shows what the file holds: the text cut to the field.
    EXPECT_EQ(lib.Cell("a.mp3", TrackList::ColYear), "1999");
    Tag a = With(With(kA, &Tag::album, ""), &Tag::year, "1999");
    EXPECT_EQ(lib.Trailer("a.mp3"), TrailerOf(a));

    const std::string longText(40, 'x');
    lib.m_ui.AnswerInput(longText);
    OnChangeTagField(lib.m_session, ID_TAG_COMMENT);
    EXPECT_EQ(lib.m_ui.m_calls.back().text, "Comment:");
    EXPECT_EQ(lib.Cell("d.mp3", TrackList::ColComment), longText.substr(0, 30));
    EXPECT_EQ(lib.Trailer("d.mp3").substr(97, 30), longText.substr(0, 30));
    // The journal holds the previous batch's results for this one.
    ExpectJournalOf(
        ID_TAG_COMMENT, {{0, a}, {2, With(kC, &Tag::album, "")}, {3, With(kD, &Tag::album, "")}});
    EXPECT_EQ(lib.m_session.Journal().ElementAt(0).m_strYear, "1999");
}

TEST_F(TagCommands, CancelledFieldDialogEmptiesTheJournal)
{
    lib.m_ui.AnswerInput("x");
    OnChangeTagField(lib.m_session, ID_TAG_ARTIST);
    ASSERT_TRUE(lib.m_session.IsUndoEnabled());
    const std::string before = lib.Trailer("a.mp3");
    lib.m_ui.CancelInput();
    OnChangeTagField(lib.m_session, ID_TAG_ALBUM);
    EXPECT_EQ(lib.Trailer("a.mp3"), before);
    EXPECT_EQ(lib.m_session.Journal().GetSize(), 0);
    EXPECT_EQ(lib.m_session.JournalCommand(), ID_TAG_ALBUM);
    EXPECT_FALSE(lib.m_session.IsUndoEnabled());
}

TEST_F(TagCommands, NameAsksPerRowAndStopsAtCancel)
{
    lib.m_ui.AnswerInput("First new");
    lib.m_ui.CancelInput();
    OnChangeTagField(lib.m_session, ID_TAG_NAME);
    ASSERT_EQ(lib.m_ui.m_calls.size(), 2u);
    EXPECT_EQ(lib.m_ui.m_calls[0].text, "Promijeni alpha song u:");
    EXPECT_EQ(lib.m_ui.m_calls[0].caption, "alpha song");
    EXPECT_EQ(lib.m_ui.m_calls[1].text, "Promijeni gamma song u:");
    EXPECT_EQ(lib.Trailer("a.mp3"), TrailerOf(With(kA, &Tag::title, "First new")));
    EXPECT_EQ(lib.Cell("a.mp3", TrackList::ColName), "First new");
    EXPECT_EQ(lib.Trailer("c.mp3"), TrailerOf(kC));
    EXPECT_EQ(lib.Trailer("d.mp3"), TrailerOf(kD));
    ExpectJournalOf(ID_TAG_NAME, {{0, kA}});
    EXPECT_TRUE(lib.m_session.IsUndoEnabled());
}

TEST_F(TagCommands, NothingSelectedShowsTheCommandsMessageAndChangesNothing)
{
    lib.m_ui.AnswerInput("x");
    OnChangeTagField(lib.m_session, ID_TAG_ARTIST);
    OnSelectAll(lib.m_session);
    OnInvertSelection(lib.m_session);
    struct Case {
        void (*run)(Session&);
        const char* text;
    };
    const Case cases[] = {
        {[](Session& s) { OnChangeTagField(s, ID_TAG_YEAR); }, "Nista nije oznaceno."},
        {OnChangeGenre, "Nista nije oznaceno. Samo tako mozda i proradi."},
        {OnUpperCaseWords, "Nista nije oznaceno. Nema sanse da prodje."},
        {OnUpperCaseFirstWord, "Nista nije oznaceno. Samo tako mozda i proradi."},
        {OnFileNameToName, "Nista nije oznaceno. Nema sanse da prodje."},
        {OnFileNameToArtist, "Nista nije oznaceno. Nema sanse da prodje."},
        {OnRemoveId3v2, "Nista nije oznaceno. Nema sanse da prodje."},
    };
    for (const Case& c : cases) {
        lib.m_ui.m_calls.clear();
        c.run(lib.m_session);
        ASSERT_EQ(lib.m_ui.m_calls.size(), 1u) << c.text;
        EXPECT_EQ(lib.m_ui.m_calls[0].kind, "MessageBox");
        EXPECT_EQ(lib.m_ui.m_calls[0].text, c.text);
        EXPECT_EQ(lib.m_ui.m_calls[0].caption, c.run == cases[0].run ? "Info" : "Oznaci nesto");
        EXPECT_EQ(lib.m_ui.m_calls[0].style, MB_ICONINFORMATION);
        EXPECT_EQ(lib.m_session.Journal().GetSize(), 3) << c.text;
        EXPECT_EQ(lib.m_session.JournalCommand(), ID_TAG_ARTIST);
    }
}

TEST_F(TagCommands, GenreRewritesTheCellsTextsAndUndoesAfterARemoval)
{
    lib.m_list.SetItemText(lib.RowOf("c.mp3"), TrackList::ColName, std::string(35, 'n'));
    lib.m_ui.AnswerGenre(0, "Blues");
    OnChangeGenre(lib.m_session);
    Tag c = kC;
    c.title = std::string(30, 'n');
    c.genre = 0;
    EXPECT_EQ(lib.Trailer("c.mp3"), TrailerOf(c));
    EXPECT_EQ(lib.Trailer("a.mp3"), TrailerOf(WithGenre(kA, 0)));
    EXPECT_EQ(lib.Trailer("b.mp3"), TrailerOf(kB));
    EXPECT_EQ(lib.Cell("d.mp3", TrackList::ColGenre), "Blues");
    ExpectJournalOf(ID_TAG_GENRE, {{0, kA}, {2, kC}, {3, kD}});

    // Cancel and an undefined choice leave everything, the journal included.
    lib.m_ui.m_genreAnswers.push_back(std::nullopt);
    OnChangeGenre(lib.m_session);
    lib.m_ui.AnswerGenre(200, "");
    OnChangeGenre(lib.m_session);
    EXPECT_EQ(lib.m_session.Journal().GetSize(), 3);
    EXPECT_EQ(lib.Cell("d.mp3", TrackList::ColGenre), "Blues");

    // Remove row b (index 1, not journaled): the entries above it are renumbered.
    OnSelectAll(lib.m_session);
    OnInvertSelection(lib.m_session);
    lib.Select({"b.mp3"});
    OnRemoveSelected(lib.m_session);
    ExpectJournalOf(ID_TAG_GENRE, {{0, kA}, {1, kC}, {2, kD}});
    OnUndo(lib.m_session);
    EXPECT_EQ(lib.Trailer("a.mp3"), TrailerOf(kA));
    EXPECT_EQ(lib.Trailer("c.mp3"), TrailerOf(kC));
    EXPECT_EQ(lib.Trailer("d.mp3"), TrailerOf(kD));
    EXPECT_EQ(lib.Cell("c.mp3", TrackList::ColName), "gamma song");
    EXPECT_EQ(lib.Cell("c.mp3", TrackList::ColGenre), " ");
    EXPECT_EQ(lib.Cell("d.mp3", TrackList::ColGenre), GenreName(80));
    EXPECT_FALSE(lib.m_session.IsUndoEnabled());
}

TEST_F(TagCommands, UndoSkipsRowsThatWereRemoved)
{
    lib.m_ui.AnswerGenre(255, " ");
    OnChangeGenre(lib.m_session);
    OnSelectAll(lib.m_session);
    OnInvertSelection(lib.m_session);
    lib.Select({"a.mp3"});
    OnRemoveSelected(lib.m_session);
    ExpectJournalOf(ID_TAG_GENRE, {{1, kC}, {2, kD}});
    OnUndo(lib.m_session);
    EXPECT_EQ(lib.Trailer("c.mp3"), TrailerOf(kC));
    EXPECT_EQ(lib.Trailer("d.mp3"), TrailerOf(kD));
    EXPECT_EQ(lib.Trailer("a.mp3"), TrailerOf(WithGenre(kA, 255)));
    EXPECT_EQ(lib.Cell("b.mp3", TrackList::ColGenre), GenreName(0));
}

// Files swapped (or replaced) outside the program since the batch: Undo writes each old trailer
// only into the file it was read from, leaves the rows of the others and says how many.
TEST_F(TagCommands, UndoWritesOnlyIntoTheFileItRead)
{
    lib.m_ui.AnswerInput("New Artist");
    OnChangeTagField(lib.m_session, ID_TAG_ARTIST);
    const std::string a = lib.Bytes("a.mp3");
    const std::string d = lib.Bytes("d.mp3");
    ASSERT_EQ(rename(lib.Path("a.mp3").c_str(), lib.Path("t.mp3").c_str()), 0);
    ASSERT_EQ(rename(lib.Path("d.mp3").c_str(), lib.Path("a.mp3").c_str()), 0);
    ASSERT_EQ(rename(lib.Path("t.mp3").c_str(), lib.Path("d.mp3").c_str()), 0);
    lib.m_ui.m_calls.clear();
    OnUndo(lib.m_session);
    EXPECT_EQ(lib.Bytes("a.mp3"), d);
    EXPECT_EQ(lib.Bytes("d.mp3"), a);
    EXPECT_EQ(lib.Trailer("c.mp3"), TrailerOf(kC));
    EXPECT_EQ(lib.Cell("a.mp3", TrackList::ColArtist), "New Artist");
    EXPECT_EQ(lib.Cell("d.mp3", TrackList::ColArtist), "New Artist");
    EXPECT_EQ(lib.Cell("c.mp3", TrackList::ColArtist), "third artist");
    ASSERT_EQ(lib.m_ui.m_calls.size(), 1u);
    EXPECT_EQ(lib.m_ui.m_calls[0].kind, "MessageBox");
    EXPECT_NE(lib.m_ui.m_calls[0].text.find(" 2 "), std::string::npos) << lib.m_ui.m_calls[0].text;
    EXPECT_FALSE(lib.m_session.IsUndoEnabled());
}

TEST_F(TagCommands, RecasingTakesTheCellsAndKeepsYearAndComment)
{
    lib.m_list.SetItemText(lib.RowOf("a.mp3"), TrackList::ColComment, "shown COMMENT");
    lib.m_list.SetItemText(lib.RowOf("a.mp3"), TrackList::ColName, "hello WORLD");
    OnUpperCaseWords(lib.m_session);
    Tag a {"Hello World", "First Artist", "One Album", "1999", "shown COMMENT", 17};
    EXPECT_EQ(lib.Trailer("a.mp3"), TrailerOf(a));
    EXPECT_EQ(lib.Cell("a.mp3", TrackList::ColArtist), "First Artist");
    EXPECT_EQ(lib.Cell("a.mp3", TrackList::ColName), "Hello World");
    EXPECT_EQ(lib.Trailer("b.mp3"), TrailerOf(kB));
    ExpectJournalOf(ID_UPPER_CASE_WORDS, {{0, kA}, {2, kC}, {3, kD}});

    lib.m_list.SetItemText(lib.RowOf("a.mp3"), TrackList::ColName, "hello WORLD");
    OnUpperCaseFirstWord(lib.m_session);
    a.title = "Hello world";
    EXPECT_EQ(lib.Trailer("a.mp3"), TrailerOf(a));
    EXPECT_EQ(lib.Trailer("d.mp3"),
        TrailerOf({"Delta song", "Fourth Artist", "Four Album", "2002", "c4", 80}));
    EXPECT_EQ(lib.m_session.JournalCommand(), ID_UPPER_CASE_FIRST_WORD);
    const std::string once = lib.Trailer("d.mp3");
    OnUpperCaseFirstWord(lib.m_session);
    EXPECT_EQ(lib.Trailer("d.mp3"), once);
}

TEST_F(TagCommands, FileNameToNameAndArtistChangeOnlyTheirField)
{
    lib.Add("heron - winter RHAPSODY.mp3", kB);
    OnSelectAll(lib.m_session);
    OnInvertSelection(lib.m_session);
    lib.Select({"heron - winter RHAPSODY.mp3"});
    lib.m_list.SetItemText(lib.RowOf("heron - winter RHAPSODY.mp3"), TrackList::ColAlbum, "shown");
    OnFileNameToName(lib.m_session);
    EXPECT_EQ(lib.Trailer("heron - winter RHAPSODY.mp3"),
        TrailerOf(With(kB, &Tag::title, "Winter rhapsody")));
    EXPECT_EQ(lib.Cell("heron - winter RHAPSODY.mp3", TrackList::ColName), "Winter rhapsody");
    EXPECT_EQ(lib.m_session.JournalCommand(), ID_FILENAME_TO_NAME);
    OnFileNameToArtist(lib.m_session);
    EXPECT_EQ(lib.Trailer("heron - winter RHAPSODY.mp3"),
        TrailerOf(With(With(kB, &Tag::title, "Winter rhapsody"), &Tag::artist, "Heron")));
    EXPECT_EQ(lib.Cell("heron - winter RHAPSODY.mp3", TrackList::ColArtist), "Heron");
    EXPECT_EQ(lib.m_session.JournalCommand(), ID_FILENAME_TO_ARTIST);
    OnUndo(lib.m_session);
    EXPECT_EQ(lib.Trailer("heron - winter RHAPSODY.mp3"),
        TrailerOf(With(kB, &Tag::title, "Winter rhapsody")));
    EXPECT_EQ(lib.Cell("heron - winter RHAPSODY.mp3", TrackList::ColArtist), "second artist");
}

TEST(FileNameParts, TheTableOfExamples)
{
    struct Case {
        const char* file;
        const char* name;
        const char* artist;
    };
    const Case cases[] = {
        {"heron - winter RHAPSODY.mp3", "Winter rhapsody", "Heron"},
        {"Artist - Song - Remix.mp3", "Song - remix", "Artist"},
        {"track01.mp3", "Track01", ""},
        {"Heron-Song.mp3", "Song", "Hero"},
        {"Live at home.mp3", "Live at home", ""},
        {"A -.mp3", "", "A"},
        {"-x.mp3", "X", ""},
        {"čAPLJA - ŠUMA.mp3", "Šuma", "Čaplja"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NamePartOfFileName(c.file), c.name) << c.file;
        EXPECT_EQ(ArtistPartOfFileName(c.file), c.artist) << c.file;
    }
}

TEST(TextCase, TheExamples)
{
    EXPECT_EQ(UpperCaseWords("the NIGHT owls - one more song (live)"),
        "The Night Owls - One More Song (live)");
    EXPECT_EQ(UpperCaseWords("AB/CD"), "Ab/cd");
    EXPECT_EQ(UpperCaseWords("rock'n'roll"), "Rock'n'roll");
    EXPECT_EQ(UpperCaseWords("two  spaces"), "Two  Spaces");
    EXPECT_EQ(UpperCaseWords(""), "");
    EXPECT_EQ(UpperCaseWords("ray-x"), "Ray-x");
    EXPECT_EQ(UpperCaseWords("grey HERON"), "Grey Heron");
    EXPECT_EQ(UpperCaseWords("tab\tsep"), "Tab\tsep");
    EXPECT_EQ(UpperCaseWords("ćevapi ŽUPA đak"), "Ćevapi Župa Đak");
    EXPECT_EQ(UpperCaseFirstLetter("the NIGHTJARS"), "The nightjars");
    EXPECT_EQ(UpperCaseFirstLetter(" abc"), " abc");
    EXPECT_EQ(UpperCaseFirstLetter("X Y"), "X y");
    EXPECT_EQ(UpperCaseFirstLetter(""), "");
    EXPECT_EQ(UpperCaseFirstLetter("šUMA ŠUMA"), "Šuma šuma");
}

TEST(TextCase, LettersWhoseOtherCaseTheCodePageLacksStay)
{
    ASSERT_EQ(TagCodePage::Name(), "windows-1250");
    EXPECT_EQ(UpperCaseWords("µ µs šo"), "µ µs Šo"); // no capital mu in windows-1250
    EXPECT_EQ(UpperCaseFirstLetter("µA"), "µa");
    ASSERT_TRUE(TagCodePage::Set("ISO-8859-1"));
    EXPECT_EQ(UpperCaseWords("ÿes ÉTÉ"), "ÿes Été"); // no capital y with diaeresis in Latin-1
    ASSERT_TRUE(TagCodePage::Set("UTF-8"));
    EXPECT_EQ(UpperCaseWords("ÿes µ"), "Ÿes Μ");
    TagCodePage::Set("windows-1250");
}

// A file as other programs leave it: bytes windows-1250 does not define in the Artist, a
// windows-1251 Name, a Latin-1 Album with µ, and an ID3v1.1 track number after the comment.
TEST(TagBytes, CommandsChangeOnlyWhatTheySetAndUndoGivesBackEveryByte)
{
    ASSERT_EQ(TagCodePage::Name(), "windows-1250");
    Library lib;
    const std::string comment = std::string("note") + std::string(24, '\0') + '\0' + '\x07';
    const std::string trailer = Id3v1Bytes(
        "\xCF\xE5\xF1\xED\xFF", "a\x81\x83\x88\x90\x98", "caf\xE9 \xB5", "1999", comment, 17);
    WriteFileBytes(lib.Path("x.mp3"), FakeAudio(1000) + trailer);
    CMp3File read;
    read.Load(lib.Path("x.mp3"));
    EXPECT_EQ(read.m_byTrack, 7);
    lib.m_list.AddRow({"x.mp3", read.m_strArtist, read.m_strAlbum, read.m_strTitle, read.m_strYear,
        read.m_strComment, lib.m_dir.Path(), GenreName(17)});
    lib.Select({"x.mp3"});
    auto with = [&trailer](std::size_t offset, const std::string& bytes) {
        std::string changed = trailer;
        changed.replace(offset, bytes.size(), bytes);
        return changed;
    };

    lib.m_ui.AnswerInput("2024");
    OnChangeTagField(lib.m_session, ID_TAG_YEAR);
    EXPECT_EQ(lib.Trailer("x.mp3"), with(93, "2024"));
    OnUndo(lib.m_session);
    EXPECT_EQ(lib.Trailer("x.mp3"), trailer);

    // A comment of 30 characters is cut to 28, so that the track number stays.
    lib.m_ui.AnswerInput(std::string(30, 'c'));
    OnChangeTagField(lib.m_session, ID_TAG_COMMENT);
    EXPECT_EQ(lib.Trailer("x.mp3"), with(97, std::string(28, 'c')));
    OnUndo(lib.m_session);
    EXPECT_EQ(lib.Trailer("x.mp3"), trailer);

    // Recasing raises the 'a' only: undefined bytes and µ (no capital here) stay.
    OnUpperCaseWords(lib.m_session);
    EXPECT_EQ(lib.Trailer("x.mp3"), with(33, "A").replace(63, 1, "C"));
    OnUndo(lib.m_session);
    EXPECT_EQ(lib.Trailer("x.mp3"), trailer);
    EXPECT_EQ(lib.Cell("x.mp3", TrackList::ColArtist), read.m_strArtist);
}

TEST_F(TagCommands, RemoveId3v2CutsTheHeaderOfSelectedFilesOnly)
{
    // "ID3", version 3.0, no flags, synchsafe size 20, then 20 tag bytes without 0xFF.
    const std::string header
        = std::string("ID3\x03\x00\x00\x00\x00\x00\x14", 10) + std::string(20, 'T');
    const std::string body = FakeAudio(1000) + TrailerOf(kA);
    WriteFileBytes(lib.Path("a.mp3"), header + body);
    WriteFileBytes(lib.Path("b.mp3"), header + body);
    lib.m_ui.AnswerInput("x");
    OnChangeTagField(lib.m_session, ID_TAG_YEAR);
    const int journal = lib.m_session.Journal().GetSize();
    OnRemoveId3v2(lib.m_session);
    EXPECT_EQ(lib.Bytes("a.mp3"), FakeAudio(1000) + TrailerOf(With(kA, &Tag::year, "x")));
    EXPECT_EQ(lib.Bytes("b.mp3"), header + body);
    EXPECT_EQ(lib.m_session.Journal().GetSize(), journal);
    EXPECT_TRUE(lib.m_ui.CallsOf("MessageBox").empty());
}

// sonivar-cli loads the rows of these commands without reading the files' tags: whatever the
// rows' tag cells hold, the files must come out the same.
TEST(TagCells, CommandsThatTakeTheirTextsFromTheFilesIgnoreTheRowsTagCells)
{
    int checked = 0;
    for (const Command& command : Commands()) {
        if (command.bReadsTagCells)
            continue;
        SCOPED_TRACE(command.text);
        ++checked;
        Library read;
        Library blank;
        for (Library* lib : {&read, &blank}) {
            lib->Add("Ana - a.mp3", kA);
            lib->Add("b.mp3", kB);
            lib->Add("Vedo - c.mp3", kC);
            for (int row = 0; row < 3; ++row) {
                lib->m_list.SetSelected(row, true);
                for (int i = 0; i < 4; ++i)
                    lib->m_ui.AnswerInput("New Text");
            }
        }
        for (int row = 0; row < 3; ++row) {
            for (int column = TrackList::ColArtist; column <= TrackList::ColComment; ++column)
                blank.m_list.SetItemText(row, column, "cell " + std::to_string(column));
            blank.m_list.SetItemText(row, TrackList::ColGenre, "Blues");
        }
        command.run(read.m_session);
        command.run(blank.m_session);
        for (const char* name : {"Ana - a.mp3", "b.mp3", "Vedo - c.mp3"})
            EXPECT_EQ(blank.Bytes(name), read.Bytes(name)) << name;
        EXPECT_EQ(blank.m_session.Journal().GetSize(), 3);
    }
    EXPECT_EQ(checked, 7);
}

// A file that two rows name (the same path twice, or a hard link) is read for the later row
// only after the earlier row's write: the later row's snapshot holds what the earlier one wrote,
// and no row waits for ever on the file's lock.
TEST(TagCommandsOnOneFile, RowsNamingTheSameFileAreWrittenOneAfterTheOther)
{
    // Every file has a second row: the same name again, a hard link or a symbolic link to it.
    // The two threads of the batch take rows as they come, so the second row's write must
    // wait for the first.
    Library lib;
    constexpr int kFiles = 200;
    for (int i = 0; i < kFiles; ++i) {
        const std::string name = "f" + std::to_string(100 + i) + ".mp3";
        lib.Add(name, kA);
        std::string second = name;
        if (i % 3 == 1) {
            second = "f" + std::to_string(100 + i) + " link.mp3";
            ASSERT_EQ(::link(lib.Path(name).c_str(), lib.Path(second).c_str()), 0);
        } else if (i % 3 == 2) {
            second = "f" + std::to_string(100 + i) + " symlink.mp3";
            ASSERT_EQ(::symlink(name.c_str(), lib.Path(second).c_str()), 0);
        }
        lib.m_list.AddRow({second, kA.artist, kA.album, kA.title, kA.year, kA.comment,
            lib.m_dir.Path(), GenreName(kA.genre)});
    }
    OnSelectAll(lib.m_session);
    for (const char* comment : {"first", "second"}) {
        lib.m_ui.AnswerInput(comment);
        OnChangeTagField(lib.m_session, ID_TAG_COMMENT);
        const CUndoJournal& journal = lib.m_session.Journal();
        ASSERT_EQ(journal.GetSize(), 2 * kFiles);
        // The first snapshot of a file holds what it had, the second what the first row wrote.
        std::set<ino_t> seen;
        for (int i = 0; i < journal.GetSize(); ++i) {
            struct stat st { };
            ASSERT_EQ(::stat(journal.ElementAt(i).m_strPath.c_str(), &st), 0);
            const bool second = !seen.insert(st.st_ino).second;
            EXPECT_EQ(journal.ElementAt(i).m_strComment == comment, second)
                << journal.ElementAt(i).m_strPath;
        }
        EXPECT_EQ(lib.Trailer("f100.mp3"), TrailerOf(With(kA, &Tag::comment, comment)));
        EXPECT_EQ(lib.Trailer("f101 link.mp3"), TrailerOf(With(kA, &Tag::comment, comment)));
    }
}
