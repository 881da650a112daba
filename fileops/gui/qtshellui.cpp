#include "fileops/gui/qtshellui.h"

#include <algorithm>
#include <functional>
#include <limits>

#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Steps of the bar per item, so that one long copy moves it too.
constexpr int kBarSteps = 1000;

// Escape and the close box ask to cancel like the Cancel button; the window stays up until
// the operation ends it.
class ProgressDialog final : public QDialog {
public:
    ProgressDialog(QWidget* parent, std::function<void()> onCancel)
        : QDialog(parent), m_onCancel(std::move(onCancel))
    {
    }

    void reject() override { m_onCancel(); }

private:
    std::function<void()> m_onCancel;
};

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

// "4.2 MB, modified 07.12.2026 13:05" style facts that tell two files apart.
QString Facts(const std::string& path)
{
    const QFileInfo info(Text(path));
    if (!info.exists())
        return {};
    const QLocale locale;
    return QStringLiteral("%1, modified %2")
        .arg(locale.formattedDataSize(info.size()),
            locale.toString(info.lastModified(), QLocale::ShortFormat));
}

QString NameOf(const std::string& path)
{
    return QFileInfo(Text(path)).fileName();
}

ShellUi::Answer Ask(QWidget* parent, const QString& caption, const QString& text,
    QMessageBox::Icon icon, bool offerAll)
{
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    box.setIcon(icon);
    QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (offerAll)
        buttons |= QMessageBox::YesToAll | QMessageBox::Cancel;
    box.setStandardButtons(buttons);
    // Enter must not replace or delete by accident.
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(offerAll ? QMessageBox::Cancel : QMessageBox::No);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return ShellUi::Answer::Yes;
    case QMessageBox::YesToAll:
        return ShellUi::Answer::YesToAll;
    case QMessageBox::No:
        return ShellUi::Answer::No;
    default:
        return ShellUi::Answer::Cancel;
    }
}

} // namespace

QtShellUi::QtShellUi(QWidget* parent) : m_pParent(parent)
{
}

QtShellUi::~QtShellUi()
{
    delete m_pProgress;
}

QWidget* QtShellUi::DialogParent() const
{
    if (m_pProgress && m_pProgress->isVisible())
        return m_pProgress;
    return m_pParent;
}

void QtShellUi::RequestCancel()
{
    m_bCancel = true;
    if (m_pCancel) {
        m_pCancel->setEnabled(false);
        m_pCancel->setText(QStringLiteral("Cancelling..."));
    }
}

void QtShellUi::BeginProgress(const std::string& title)
{
    delete m_pProgress;
    m_bCancel = false;
    auto* dialog = new ProgressDialog(m_pParent, [this] { RequestCancel(); });
    dialog->setObjectName(QStringLiteral("shellProgress"));
    dialog->setWindowTitle(Text(title));
    dialog->setWindowModality(Qt::ApplicationModal);
    m_pFileLabel = new QLabel(dialog);
    m_pFileLabel->setObjectName(QStringLiteral("currentFile"));
    m_pFileLabel->setMinimumWidth(360);
    m_pFileLabel->setTextFormat(Qt::PlainText);
    m_pBar = new QProgressBar(dialog);
    m_nIndex = 0;
    m_nCount = 1;
    m_nItemSteps = kBarSteps;
    m_pBar->setRange(0, kBarSteps);
    m_pBar->setValue(0);
    m_pBar->setFormat(QStringLiteral("0 of 1"));
    m_pCancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    m_pCancel->setAutoDefault(false);
    QObject::connect(m_pCancel, &QPushButton::clicked, dialog, [this] { RequestCancel(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_pCancel);
    auto* layout = new QVBoxLayout(dialog);
    layout->addWidget(m_pFileLabel);
    layout->addWidget(m_pBar);
    layout->addLayout(buttons);
    m_pProgress = dialog;
    dialog->show();
    QApplication::processEvents();
}

void QtShellUi::StepProgress(const std::string& item, int index, int count)
{
    if (!m_pProgress)
        return;
    m_nIndex = index;
    m_nCount = count > 0 ? count : 1;
    m_nItemSteps = std::clamp(std::numeric_limits<int>::max() / m_nCount, 1, kBarSteps);
    m_pBar->setRange(0, m_nCount * m_nItemSteps);
    m_pBar->setValue(index * m_nItemSteps);
    m_pBar->setFormat(QStringLiteral("%1 of %2").arg(index).arg(m_nCount));
    const QString text = Text(item);
    m_pFileLabel->setToolTip(text);
    m_pFileLabel->setText(
        m_pFileLabel->fontMetrics().elidedText(text, Qt::ElideMiddle, m_pFileLabel->width()));
    QApplication::processEvents();
}

void QtShellUi::StepBytes(long long done, long long total)
{
    if (!m_pProgress || total <= 0)
        return;
    // The bar goes through each item's share by its bytes; the text adds the sizes.
    const int step = static_cast<int>(std::min(done, total) * m_nItemSteps / total);
    m_pBar->setValue(m_nIndex * m_nItemSteps + step);
    const QLocale locale;
    m_pBar->setFormat(QStringLiteral("%1 of %2 (%3 of %4)")
                          .arg(m_nIndex)
                          .arg(m_nCount)
                          .arg(locale.formattedDataSize(done), locale.formattedDataSize(total)));
    QApplication::processEvents();
}

bool QtShellUi::IsCancelRequested()
{
    QApplication::processEvents();
    return m_bCancel;
}

void QtShellUi::EndProgress()
{
    delete m_pProgress;
    m_pFileLabel = nullptr;
    m_pBar = nullptr;
    m_pCancel = nullptr;
}

ShellUi::Answer QtShellUi::ConfirmReplace(const std::string& target, const std::string& source)
{
    const QString text
        = QStringLiteral("This folder already contains a file named '%1'.\n\n"
                         "Would you like to replace the existing file\n    %2\n    %3\n\n"
                         "with this one?\n    %4\n    %5")
              .arg(NameOf(target), Text(target), Facts(target), Text(source), Facts(source));
    return Ask(
        DialogParent(), QStringLiteral("Confirm File Replace"), text, QMessageBox::Question, true);
}

ShellUi::Answer QtShellUi::ConfirmCreateFolder(const std::string& folder)
{
    const QString text
        = QStringLiteral("The folder '%1' does not exist.\n\nDo you want to create it?")
              .arg(Text(folder));
    return Ask(
        DialogParent(), QStringLiteral("Confirm Create Folder"), text, QMessageBox::Question, true);
}

ShellUi::Answer QtShellUi::ConfirmDelete(
    const std::vector<std::string>& items, bool permanently, const std::string& reason)
{
    if (!reason.empty()) {
        const QString name = items.empty() ? QString() : Text(items.front());
        const QString text = QStringLiteral("'%1' cannot be moved to the Trash: %2\n\n"
                                            "Do you want to delete it permanently?")
                                 .arg(name, Text(reason));
        return Ask(DialogParent(), QStringLiteral("Confirm File Delete"), text,
            QMessageBox::Warning, true);
    }
    const QString verb
        = permanently ? QStringLiteral("permanently delete") : QStringLiteral("move");
    const QString where = permanently ? QString() : QStringLiteral(" to the Trash");
    const QString what = items.size() == 1 ? QStringLiteral("'%1'").arg(NameOf(items.front()))
                                           : QStringLiteral("these %1 items").arg(items.size());
    const QString caption = items.size() == 1 ? QStringLiteral("Confirm File Delete")
                                              : QStringLiteral("Confirm Multiple File Delete");
    return Ask(DialogParent(), caption,
        QStringLiteral("Are you sure you want to %1 %2%3?").arg(verb, what, where),
        permanently ? QMessageBox::Warning : QMessageBox::Question, false);
}

bool QtShellUi::ShowError(const std::string& caption, const std::string& text, bool canSkip)
{
    QMessageBox box(DialogParent());
    box.setWindowTitle(Text(caption));
    box.setText(Text(text));
    box.setTextFormat(Qt::PlainText);
    box.setIcon(QMessageBox::Critical);
    if (!canSkip) {
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return false;
    }
    QPushButton* skip = box.addButton(QStringLiteral("Skip"), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Cancel);
    box.setDefaultButton(skip);
    box.setEscapeButton(QMessageBox::Cancel);
    box.exec();
    return box.clickedButton() == skip;
}
