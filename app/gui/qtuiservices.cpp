#include "app/gui/qtuiservices.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QStringList>

#include "edit/gui/genredlg.h"
#include "widgets/inputdlg.h"
#include "load/gui/browsefolder.h"
#include "res/resource.h"

namespace {

constexpr unsigned kTypeMask = 0x000F;
constexpr unsigned kIconMask = 0x00F0;
constexpr unsigned kOkCancel = 0x0001;
constexpr unsigned kYesNoCancel = 0x0003;
constexpr unsigned kIconStop = 0x0010;
constexpr unsigned kIconExclamation = 0x0030;

} // namespace

QtUiServices::QtUiServices(QWidget* parent) : m_pParent(parent)
{
}

int QtUiServices::MessageBox(const std::string& text, const std::string& caption, unsigned style)
{
    QMessageBox box(m_pParent);
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    box.setTextFormat(Qt::PlainText);
    switch (style & kIconMask) {
    case MB_ICONINFORMATION:
        box.setIcon(QMessageBox::Information);
        break;
    case MB_ICONQUESTION:
        box.setIcon(QMessageBox::Question);
        break;
    case kIconExclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case kIconStop:
        box.setIcon(QMessageBox::Critical);
        break;
    default:
        break;
    }
    switch (style & kTypeMask) {
    case MB_YESNO:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        break;
    case kYesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    case kOkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    default:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return IDYES;
    case QMessageBox::No:
        return IDNO;
    case QMessageBox::Cancel:
        return IDCANCEL;
    default:
        return IDOK;
    }
}

int QtUiServices::InputDialog(const std::string& prompt, std::string& text)
{
    CInputDlg dialog(m_pParent);
    dialog.m_strPrompt = prompt;
    dialog.m_strText = text;
    const int result = dialog.DoModal();
    if (result == IDOK)
        text = dialog.m_strText;
    return result;
}

std::optional<UiServices::GenreChoice> QtUiServices::ChooseGenre()
{
    CGenreDlg dialog(m_pParent);
    if (dialog.DoModal() != IDOK)
        return std::nullopt;
    return GenreChoice {dialog.m_nGenre, dialog.m_strGenre};
}

QString QtNameFilters(const std::string& filter)
{
    // Pairs of description and pattern; only the descriptions are needed, as they hold the
    // patterns in parentheses. A description without them gets its pattern appended.
    const QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QString name = parts[i];
        if (!name.contains(QLatin1Char('(')))
            name += QStringLiteral(" (")
                + QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '))
                + QLatin1Char(')');
        filters << name;
    }
    return filters.join(QStringLiteral(";;"));
}

std::optional<std::string> QtUiServices::SaveFileDialog(
    const std::string& defaultExtension, const std::string& initialName, const std::string& filter)
{
    QFileDialog dialog(m_pParent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QtNameFilters(filter));
    QString suffix = QString::fromStdString(defaultExtension);
    if (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    const QString initial = QString::fromStdString(initialName);
    const qsizetype slash = initial.lastIndexOf(QLatin1Char('/'));
    if (slash >= 0)
        dialog.setDirectory(initial.left(slash + 1));
    if (slash + 1 < initial.size())
        dialog.selectFile(initial.mid(slash + 1));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toStdString();
}

std::optional<std::vector<std::string>> QtUiServices::OpenFilesDialog(
    const std::string& defaultExtension, const std::string& filter)
{
    QFileDialog dialog(m_pParent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilter(QtNameFilters(filter));
    QString suffix = QString::fromStdString(defaultExtension);
    if (suffix.startsWith(QLatin1Char('.')))
        suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    std::vector<std::string> paths;
    for (const QString& path : dialog.selectedFiles())
        paths.push_back(path.toStdString());
    return paths;
}

int QtUiServices::BrowseForFolder(std::string& result, const std::string& title,
    const std::string& root, const std::string& initial, bool showCreateNew)
{
    return ::BrowseForFolder(m_pParent, result, title, root, initial, showCreateNew);
}

bool QtUiServices::IsControlKeyDown()
{
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier);
}
