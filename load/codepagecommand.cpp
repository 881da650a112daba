#include "load/codepagecommand.h"

#include "load/scanfolder.h"
#include "model/mp3file.h"
#include "platform/codepage.h"
#include "platform/path.h"
#include "platform/settingskey.h"
#include "platform/uiservices.h"
#include "res/resource.h"
#include "session/session.h"

namespace {

constexpr unsigned kIconWarning = 0x0030; // MB_ICONWARNING

// Reads every row's tag again through the current code page.
void RereadTags(TrackList& list)
{
    CMp3File file;
    for (int row = 0; row < list.GetItemCount(); ++row) {
        const std::string path = JoinPath(
            list.GetItemText(row, TrackList::ColFolder), list.GetItemText(row, TrackList::ColFile));
        file.Load(path);
        if (!file.m_bValid)
            continue;
        const TrackList::Cells cells = RowOfFile(std::move(file), "", "");
        for (int column : {TrackList::ColArtist, TrackList::ColAlbum, TrackList::ColName,
                 TrackList::ColYear, TrackList::ColComment, TrackList::ColGenre})
            list.SetItemText(row, column, cells[column]);
    }
}

} // namespace

bool ApplySavedCodePage(std::string* error)
{
    CSettingsKey key;
    std::string name;
    return !key.Open() || !key.QueryString(kValueCodePage, name) || name.empty()
        || TagCodePage::Set(name, error);
}

bool OnChooseCodePage(Session& session, const std::string& name)
{
    std::string error;
    if (!TagCodePage::Set(name, &error)) {
        session.Ui().MessageBox("Ne znam taj code page:\n" + error, "Greska", MB_OK | kIconWarning);
        return false;
    }
    // The choice is kept for the next start (and for sonivar-cli), so the key is created for it.
    CSettingsKey key;
    if (key.Create())
        key.SetString(kValueCodePage, TagCodePage::Name());
    key.Close();

    TrackList& list = session.List();
    list.SetRedraw(false);
    RereadTags(list);
    list.SetRedraw(true);
    session.Journal().Clear();
    session.UpdateUndoMenu();
    return true;
}

bool OnOtherCodePage(Session& session)
{
    std::string name = TagCodePage::Name();
    if (session.Ui().InputDialog("Code page (iconv name):", name) != IDOK)
        return false;
    return OnChooseCodePage(session, name);
}
