#include "app/gui/rowcountlabel.h"

#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QResizeEvent>

#include "session/tracklist.h"

CRowCountLabel::CRowCountLabel(TrackList& list, QWidget* parent) : QLabel(parent), m_list(list)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setTextFormat(Qt::PlainText);
    const auto schedule = [this] { ScheduleUpdate(); };
    connect(&m_list, &QAbstractItemModel::rowsInserted, this, schedule);
    connect(&m_list, &QAbstractItemModel::rowsRemoved, this, schedule);
    connect(&m_list, &QAbstractItemModel::layoutChanged, this, schedule);
    connect(&m_list, &QAbstractItemModel::modelReset, this, schedule);
    connect(m_list.SelectionModel(), &QItemSelectionModel::selectionChanged, this, schedule);
    UpdateCounts();
}

void CRowCountLabel::ScheduleUpdate()
{
    if (m_bUpdateQueued)
        return;
    m_bUpdateQueued = true;
    QMetaObject::invokeMethod(this, &CRowCountLabel::UpdateCounts, Qt::QueuedConnection);
}

void CRowCountLabel::UpdateCounts()
{
    m_bUpdateQueued = false;
    const int rows = m_list.GetItemCount();
    const int selected = m_list.GetSelectedCount();
    const QString full = QStringLiteral("%1 %2, %3 selected")
                             .arg(rows)
                             .arg(rows == 1 ? QStringLiteral("file") : QStringLiteral("files"))
                             .arg(selected);
    setToolTip(full);
    if (fontMetrics().horizontalAdvance(full) <= contentsRect().width())
        setText(full);
    else
        setText(QStringLiteral("%1 / %2").arg(selected).arg(rows));
}

void CRowCountLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    UpdateCounts();
}
