#include "export/exportcommands.h"

#include "app/session.h"
#include "model/paths.h"
#include "platform/atomicfile.h"
#include "platform/exception.h"
#include "platform/uiservices.h"
#include "res/resource.h"

namespace {

constexpr unsigned kIconError = 0x0010; // MB_ICONERROR
constexpr const char* kNothingSelected = "Nista nije oznaceno. Samo tako mozda i proradi.";

// Lines end in CR LF, as text-mode files on the original platform; texts go out unchanged
// (UTF-8).
constexpr const char* kLineEnd = "\r\n";

void WriteOrReport(Session& session, const std::string& path, const std::string& bytes)
{
    std::string reason;
    if (!WriteFileReplacing(path, bytes, reason))
        session.Ui().MessageBox(
            "Ne mogu napraviti fajl:\n" + path + "\n" + reason, "Greska", MB_OK | kIconError);
}

} // namespace

bool WriteFileReplacing(const std::string& path, const std::string& bytes, std::string& reason)
{
    if (const int error = ReplaceFileContents(path, bytes)) {
        reason = FileErrorText(error);
        return false;
    }
    return true;
}

void OnMakePlayList(Session& session)
{
    TrackList& list = session.List();
    const int first = list.GetNextSelected(-1);
    if (first < 0) {
        session.Ui().MessageBox(kNothingSelected, "Oznaci nesto", MB_ICONINFORMATION);
        return;
    }
    const std::optional<std::string> path = session.Ui().SaveFileDialog(
        ".m3u", list.GetItemText(first, TrackList::ColArtist), "M3U Play List (*.m3u)|*.m3u||");
    if (!path)
        return;
    std::string bytes = std::string("#EXTM3U") + kLineEnd;
    for (int row = first; row != -1; row = list.GetNextSelected(row)) {
        const std::string artist = list.GetItemText(row, TrackList::ColArtist);
        const std::string name = list.GetItemText(row, TrackList::ColName);
        if (!artist.empty() && !name.empty())
            bytes += "#EXTINF:," + artist + " - " + name + kLineEnd;
        bytes += JoinPath(list.GetItemText(row, TrackList::ColFolder),
                     list.GetItemText(row, TrackList::ColFile))
            + kLineEnd;
    }
    WriteOrReport(session, *path, bytes);
}

void OnExportTitles(Session& session)
{
    TrackList& list = session.List();
    const int first = list.GetNextSelected(-1);
    if (first < 0) {
        session.Ui().MessageBox(kNothingSelected, "Oznaci nesto", MB_ICONINFORMATION);
        return;
    }
    const std::optional<std::string> path
        = session.Ui().SaveFileDialog(".txt", "", "Text files (*.txt)|*.txt||");
    if (!path)
        return;
    std::string bytes;
    for (int row = first; row != -1; row = list.GetNextSelected(row)) {
        const std::string artist = list.GetItemText(row, TrackList::ColArtist);
        const std::string name = list.GetItemText(row, TrackList::ColName);
        if (!artist.empty() && !name.empty())
            bytes += artist + " - " + name + kLineEnd;
    }
    WriteOrReport(session, *path, bytes);
}
