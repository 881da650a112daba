#pragma once

#include <string>

#include <QDialog>

class QComboBox;
class QPushButton;

// The genre choice: the blank entry " " (code 255) first, then the 148 genre names in
// alphabetical order, each carrying its own code. OK stays disabled until an entry is chosen,
// so a confirmed dialog always describes a real entry.
class CGenreDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CGenreDlg(QWidget* parent = nullptr);
    ~CGenreDlg() override;

    // IDOK or IDCANCEL; after IDOK m_nGenre and m_strGenre describe the chosen entry.
    int DoModal();

    int m_nGenre = 255;
    std::string m_strGenre;

    QComboBox* Combo() const { return m_pCombo; }
    QPushButton* OkButton() const { return m_pOk; }

private:
    void OnSelEndOkGenre(int index);

    QComboBox* m_pCombo;
    QPushButton* m_pOk;
};
