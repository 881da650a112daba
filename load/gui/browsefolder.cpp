#include "load/gui/browsefolder.h"

#include "load/gui/browsefolderdlg.h"

int BrowseForFolder(QWidget* owner, std::string& result, const std::string& title,
    const std::string& root, const std::string& initial, bool showCreateNew)
{
    CBrowseFolderDlg dialog(owner, title, root, initial, showCreateNew);
    if (dialog.exec() == QDialog::Accepted) {
        result = dialog.ChosenFolder();
        return 1;
    }
    // The picker also ends without acceptance when "Create New" made a folder.
    if (dialog.m_bCreated) {
        result = dialog.m_strCreated;
        return 1;
    }
    result.clear();
    return 0;
}
