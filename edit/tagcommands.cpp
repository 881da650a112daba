#include "edit/tagcommands.h"

#include <functional>

#include "edit/fieldbatch.h"
#include "edit/preview.h"
#include "model/genres.h"
#include "model/mp3file.h"
#include "model/textcase.h"
#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/openfolders.h"
#include "platform/path.h"
#include "platform/strutil.h"
#include "platform/uiservices.h"
#include "res/resource.h"
#include "res/stringtable.h"
#include "session/batch.h"
#include "session/failedrows.h"
#include "session/session.h"

namespace {

constexpr const char* kNothingSelected = "Nista nije oznaceno.";
constexpr const char* kNoChance = "Nista nije oznaceno. Nema sanse da prodje.";
constexpr const char* kMaybe = "Nista nije oznaceno. Samo tako mozda i proradi.";
constexpr const char* kCaption = "Oznaci nesto";

// Fills the record from the row's file (see LoadRowFile).
void LoadRow(Session& session, OpenFolders& folders, CMp3File& file, int row)
{
    const TrackList& list = session.List();
    LoadRowFile(folders, file, list.GetItemText(row, TrackList::ColFolder),
        list.GetItemText(row, TrackList::ColFile), row);
}

// What a dry run shows instead of the write: the checks the write would fail on, then the
// fields that would change.
bool PreviewWrite(Session& session, const CMp3File& before, CMp3File& file)
{
    const bool writable = file.m_bValid && file.IsWritable();
    if (!writable) {
        ReportRowFailure(file.m_strPath, std::string());
        return false;
    }
    ToStoredTexts(file);
    for (const std::string& line : TagChangeLines(file.m_strPath, before, file, file.HasTag()))
        session.Preview(line);
    return true;
}

bool WriteRow(Session& session, const CMp3File& before, CMp3File& file)
{
    try {
        if (session.IsDryRun())
            return PreviewWrite(session, before, file);
        if (file.WriteTag())
            return true;
        ReportRowFailure(
            file.m_strPath, file.m_nLastError ? FileErrorText(file.m_nLastError) : std::string());
    } catch (const CException& error) {
        ReportRowFailure(file.m_strPath, error);
    }
    return false;
}

// Writes the changed record over the trailer before was read from. Only when the file took
// it does before go to the journal and the row show what the file now holds (texts cut to
// their fields); a row whose file refused keeps its cells, and Undo has nothing to give back.
void CommitRow(Session& session, CMp3File&& before, CMp3File& file)
{
    // The file the snapshot was read from, for Undo to write to that file only.
    const JournalFileKey key = JournalFileKey::OfKeptFile(file);
    if (!WriteRow(session, before, file))
        return;
    TrackList& list = session.List();
    session.Journal().Add(std::move(before), list.IdOfRow(file.m_nItem), key);
    ShowRecord(list, file.m_nItem, file);
}

std::string& FieldOf(CMp3File& file, int commandId)
{
    switch (commandId) {
    case ID_TAG_ARTIST:
        return file.m_strArtist;
    case ID_TAG_ALBUM:
        return file.m_strAlbum;
    case ID_TAG_YEAR:
        return file.m_strYear;
    default:
        return file.m_strComment;
    }
}

// A dry run of a field's batch: each selected row read, changed and previewed in turn.
void PreviewField(Session& session, const std::function<void(CMp3File&)>& change)
{
    TrackList& list = session.List();
    OpenFolders folders;
    CMp3File file;
    for (int row = list.GetNextSelected(-1); row != -1; row = list.GetNextSelected(row)) {
        LoadRow(session, folders, file, row);
        CMp3File before = file;
        change(file);
        CommitRow(session, std::move(before), file);
    }
}

void ChangeNames(Session& session)
{
    TrackList& list = session.List();
    OpenFolders folders;
    CMp3File file;
    for (int row = list.GetNextSelected(-1); row != -1;) {
        const int next = list.GetNextSelected(row);
        const std::string title = list.GetItemText(row, TrackList::ColName);
        std::string text = title;
        const std::string shown = ShowRawBytes(title);
        if (session.Ui().InputDialog(Format("Promijeni %s u:", shown.c_str()), text) != IDOK)
            break;
        LoadRow(session, folders, file, row);
        CMp3File before = file;
        file.m_strTitle = text;
        CommitRow(session, std::move(before), file);
        row = next;
    }
}

// The frame of the recasing and file name commands: every selected row read, changed in the
// record by change(file, row), written and shown, then the pause.
template <typename Change>
void RunTagBatch(Session& session, int commandId, const char* emptyText, Change change)
{
    if (!CheckSelection(session, emptyText, kCaption))
        return;
    FailedRows failed;
    session.StartJournal(commandId);
    TrackList& list = session.List();
    OpenFolders folders;
    CMp3File file;
    for (int row = list.GetNextSelected(-1); row != -1;) {
        const int next = list.GetNextSelected(row);
        LoadRow(session, folders, file, row);
        CMp3File before = file;
        change(file, row);
        CommitRow(session, std::move(before), file);
        PauseAfterRow();
        row = next;
    }
    session.UpdateUndoMenu();
    failed.ShowIfAny(session);
}

void Recase(Session& session, int commandId, const char* emptyText, bool wholeName)
{
    TrackList& list = session.List();
    RunTagBatch(session, commandId, emptyText, [&](CMp3File& file, int row) {
        const std::string name = list.GetItemText(row, TrackList::ColName);
        file.m_strArtist = UpperCaseWords(list.GetItemText(row, TrackList::ColArtist));
        file.m_strAlbum = UpperCaseWords(list.GetItemText(row, TrackList::ColAlbum));
        file.m_strTitle = wholeName ? UpperCaseWords(name) : UpperCaseFirstLetter(name);
        file.m_strYear = list.GetItemText(row, TrackList::ColYear);
        file.m_strComment = list.GetItemText(row, TrackList::ColComment);
    });
}

// A text without its last character.
std::string DropLastChar(const std::string& text)
{
    const std::size_t count = CharCount(text);
    return count == 0 ? text : text.substr(0, BytesOfChars(text, count - 1));
}

} // namespace

void OnChangeTagField(Session& session, int commandId)
{
    if (commandId < ID_TAG_ARTIST || commandId > ID_TAG_COMMENT)
        return;
    const std::string prompt = LoadString(commandId);
    if (!CheckSelection(session, kNothingSelected, "Info"))
        return;
    FailedRows failed;
    session.StartJournal(commandId);
    if (commandId == ID_TAG_NAME) {
        ChangeNames(session);
        session.UpdateUndoMenu();
        failed.ShowIfAny(session);
        return;
    }
    std::string text;
    if (session.Ui().InputDialog(prompt, text) == IDOK) {
        session.Journal().Clear();
        TrackList& list = session.List();
        session.Journal().Reserve(list.GetSelectedCount());
        const auto change = [&](CMp3File& file) { FieldOf(file, commandId) = text; };
        if (session.IsDryRun())
            PreviewField(session, change);
        else
            WriteSelectedFiles(session, change);
    }
    session.UpdateUndoMenu();
    failed.ShowIfAny(session);
}

void OnChangeGenre(Session& session)
{
    if (!CheckSelection(session, kMaybe, kCaption))
        return;
    const std::optional<UiServices::GenreChoice> choice = session.Ui().ChooseGenre();
    // Only a real entry is written: a genre byte 0..147 or 255 for the blank entry. Anything
    // else counts as no choice, so no undefined byte reaches a file.
    if (!choice || !((choice->code >= 0 && choice->code < kGenreCount) || choice->code == kNoGenre))
        return;
    TrackList& list = session.List();
    RunTagBatch(session, ID_TAG_GENRE, kMaybe, [&](CMp3File& file, int row) {
        file.m_strArtist = list.GetItemText(row, TrackList::ColArtist);
        file.m_strAlbum = list.GetItemText(row, TrackList::ColAlbum);
        file.m_strTitle = list.GetItemText(row, TrackList::ColName);
        file.m_strYear = list.GetItemText(row, TrackList::ColYear);
        file.m_strComment = list.GetItemText(row, TrackList::ColComment);
        file.m_byGenre = static_cast<char>(choice->code & 0xff);
    });
}

void OnUpperCaseWords(Session& session)
{
    Recase(session, ID_UPPER_CASE_WORDS, kNoChance, true);
}

void OnUpperCaseFirstWord(Session& session)
{
    Recase(session, ID_UPPER_CASE_FIRST_WORD, kMaybe, false);
}

std::string NamePartOfFileName(const std::string& fileName)
{
    const std::size_t hyphen = fileName.find('-');
    std::string part
        = TrimLeft(hyphen == std::string::npos ? fileName : fileName.substr(hyphen + 1));
    const std::size_t count = CharCount(part);
    part = count <= 4 ? std::string() : part.substr(0, BytesOfChars(part, count - 4));
    return UpperCaseFirstLetter(part);
}

std::string ArtistPartOfFileName(const std::string& fileName)
{
    const std::size_t hyphen = fileName.find('-');
    if (hyphen == std::string::npos)
        return std::string();
    return UpperCaseWords(Trim(DropLastChar(fileName.substr(0, hyphen))));
}

void OnFileNameToName(Session& session)
{
    TrackList& list = session.List();
    RunTagBatch(session, ID_FILENAME_TO_NAME, kNoChance, [&](CMp3File& file, int row) {
        file.m_strTitle = NamePartOfFileName(list.GetItemText(row, TrackList::ColFile));
    });
}

void OnFileNameToArtist(Session& session)
{
    TrackList& list = session.List();
    RunTagBatch(session, ID_FILENAME_TO_ARTIST, kNoChance, [&](CMp3File& file, int row) {
        file.m_strArtist = ArtistPartOfFileName(list.GetItemText(row, TrackList::ColFile));
    });
}
