#pragma once

#include <string>

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The one-line text input dialog: a prompt of up to two lines and an edit field that has the
// focus when shown. exec() returns IDOK with m_strText holding the text exactly as typed, or
// IDCANCEL with m_strText as the caller set it. The object may be shown again.
class CInputDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CInputDlg(QWidget* parent = nullptr);
    ~CInputDlg() override;

    // Shows the dialog modally with the current members; IDOK or IDCANCEL.
    int DoModal();

    std::string m_strText;
    std::string m_strPrompt;

    QLineEdit* Edit() const { return m_pEdit; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void OnDelButton();
    void OnOkButton();
    void accept() override;

    QLabel* m_pPrompt;
    QLineEdit* m_pEdit;
    QPushButton* m_pOk;
    QPushButton* m_pCancel;
    QPushButton* m_pDel;
    QPushButton* m_pSmallOk;
    // The edit field's selection when it last lost the focus; -1 while it has the focus.
    int m_nKeptSelStart = -1;
    int m_nKeptSelLength = 0;
};
