#pragma once

#include <QMenu>

class QActionGroup;
class Session;

// Misc > "Code page": the common tag code pages as a radio group and "Other..." for any iconv
// name. The item of the current code page is checked (none when it is another one); choosing
// one runs OnChooseCodePage on the session.
class CodePageMenu final : public QMenu {
public:
    CodePageMenu(Session& session, QWidget* parent);

    // Checks the item of the current code page.
    void ShowCurrent();

private:
    void Choose(QAction* action);

    Session& m_session;
    QActionGroup* m_pGroup;
    QAction* m_pOther;
};
