#include "app/gui/codepagemenu.h"

#include <QActionGroup>

#include "load/codepagecommand.h"
#include "platform/codepage.h"

CodePageMenu::CodePageMenu(Session& session, QWidget* parent)
    : QMenu(QStringLiteral("Code page"), parent)
    , m_session(session)
    , m_pGroup(new QActionGroup(this))
{
    m_pGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (const char* name : kMenuCodePages) {
        QAction* action = addAction(QString::fromLatin1(name));
        action->setCheckable(true);
        action->setData(QString::fromLatin1(name));
        m_pGroup->addAction(action);
    }
    addSeparator();
    m_pOther = addAction(QStringLiteral("Other..."));
    m_pOther->setCheckable(true);
    m_pGroup->addAction(m_pOther);
    connect(m_pGroup, &QActionGroup::triggered, this, &CodePageMenu::Choose);
    connect(this, &QMenu::aboutToShow, this, &CodePageMenu::ShowCurrent);
    ShowCurrent();
}

void CodePageMenu::ShowCurrent()
{
    const QString current = QString::fromStdString(TagCodePage::Name());
    QAction* match = m_pOther;
    for (QAction* action : m_pGroup->actions()) {
        if (action != m_pOther
            && action->data().toString().compare(current, Qt::CaseInsensitive) == 0)
            match = action;
    }
    for (QAction* action : m_pGroup->actions())
        action->setChecked(action == match);
}

void CodePageMenu::Choose(QAction* action)
{
    if (action == m_pOther)
        OnOtherCodePage(m_session);
    else
        OnChooseCodePage(m_session, action->data().toString().toStdString());
    ShowCurrent();
}
