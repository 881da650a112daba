#include "export/exportcommands.h"

#include <algorithm>
#include <vector>

#include "platform/atomicfile.h"
#include "platform/codepage.h"
#include "platform/exception.h"
#include "platform/path.h"
#include "platform/uiservices.h"
#include "res/resource.h"
#include "session/session.h"

namespace {

constexpr unsigned kIconError = 0x0010; // MB_ICONERROR
constexpr unsigned kIconWarning = 0x0030; // MB_ICONWARNING
constexpr const char* kNothingSelected = "Nista nije oznaceno. Samo tako mozda i proradi.";

// Lines end in CR LF, as text-mode files on the original platform; texts go out in UTF-8.
constexpr const char* kLineEnd = "\r\n";

bool WriteOrReport(Session& session, const std::string& path, const std::string& bytes)
{
    if (session.IsDryRun()) {
        std::size_t lines = 0;
        for (std::size_t at = 0; (at = bytes.find(kLineEnd, at)) != std::string::npos; at += 2)
            ++lines;
        session.Preview(path + ": written, " + std::to_string(lines) + " lines");
        return true;
    }
    std::string reason;
    if (WriteFileReplacing(path, bytes, reason))
        return true;
    session.Ui().MessageBox(
        "Ne mogu napraviti fajl:\n" + path + "\n" + reason, "Greska", MB_OK | kIconError);
    return false;
}

// A tag text as a line of an export shows it: a control character (C0, DEL, C1, the line and
// paragraph separators) would end the line or hide what follows, so each becomes a space; a
// byte the tag code page does not define shows as U+FFFD, as in the list.
std::string LineText(const std::string& text)
{
    std::string out = ShowRawBytes(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto c = static_cast<unsigned char>(out[i]);
        const auto next = i + 1 < out.size() ? static_cast<unsigned char>(out[i + 1]) : 0;
        const auto third = i + 2 < out.size() ? static_cast<unsigned char>(out[i + 2]) : 0;
        if (c < 0x20 || c == 0x7F) {
            out[i] = ' ';
        } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
            out.replace(i, 2, " ");
        } else if (c == 0xE2 && next == 0x80 && (third == 0xA8 || third == 0xA9)) {
            out.replace(i, 3, " ");
        }
    }
    return out;
}

std::string TitleLine(const std::string& artist, const std::string& name)
{
    return LineText(artist) + " - " + LineText(name) + kLineEnd;
}

// The path with CR, LF, tab and backslash written as \r, \n, \t and \\, for a message.
std::string EscapedPath(const std::string& path)
{
    std::string out;
    for (char c : path) {
        if (c == '\r' || c == '\n' || c == '\t' || c == '\\')
            out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : c == '\t' ? "\\t" : "\\\\";
        else
            out += c;
    }
    return out;
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
    // The dialog opens in the first selected row's folder and offers its Artist as the name
    // (a '/' cannot be part of a file name).
    std::string name = ShowRawBytes(list.GetItemText(first, TrackList::ColArtist));
    std::replace(name.begin(), name.end(), '/', '-');
    const std::optional<std::string> path = session.Ui().SaveFileDialog(".m3u",
        JoinPath(list.GetItemText(first, TrackList::ColFolder), name),
        "M3U Play List (*.m3u)|*.m3u||");
    if (!path)
        return;
    std::string bytes = std::string("#EXTM3U") + kLineEnd;
    // A path holding CR or LF cannot be one line of the list: such a row is left out.
    std::vector<std::string> leftOut;
    for (int row = first; row != -1; row = list.GetNextSelected(row)) {
        const std::string artist = list.GetItemText(row, TrackList::ColArtist);
        const std::string name = list.GetItemText(row, TrackList::ColName);
        const std::string file = JoinPath(
            list.GetItemText(row, TrackList::ColFolder), list.GetItemText(row, TrackList::ColFile));
        if (file.find_first_of("\r\n") != std::string::npos) {
            leftOut.push_back(file);
            continue;
        }
        if (!artist.empty() && !name.empty())
            bytes += "#EXTINF:," + TitleLine(artist, name);
        bytes += file + kLineEnd;
    }
    if (!WriteOrReport(session, *path, bytes))
        return;
    for (const std::string& file : leftOut)
        session.Ui().MessageBox(EscapedPath(file)
                + "\nputanja ima znak za novi red (CR ili LF), izostavljena je iz play liste",
            "Greska", MB_OK | kIconWarning);
}

void OnExportTitles(Session& session)
{
    TrackList& list = session.List();
    const int first = list.GetNextSelected(-1);
    if (first < 0) {
        session.Ui().MessageBox(kNothingSelected, "Oznaci nesto", MB_ICONINFORMATION);
        return;
    }
    const std::optional<std::string> path = session.Ui().SaveFileDialog(".txt",
        JoinPath(list.GetItemText(first, TrackList::ColFolder), ""), "Text files (*.txt)|*.txt||");
    if (!path)
        return;
    std::string bytes;
    for (int row = first; row != -1; row = list.GetNextSelected(row)) {
        const std::string artist = list.GetItemText(row, TrackList::ColArtist);
        const std::string name = list.GetItemText(row, TrackList::ColName);
        if (!artist.empty() && !name.empty())
            bytes += TitleLine(artist, name);
    }
    WriteOrReport(session, *path, bytes);
}
