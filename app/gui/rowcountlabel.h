#pragma once

#include <QLabel>

class TrackList;

// The player bar's right end: how many rows the list holds and how many are selected
// ("120 files, 3 selected", or "3 / 120" where the long form does not fit). The count is read
// once per turn of the event loop however many changes arrived, so selecting or adding
// 100,000 rows costs one update.
class CRowCountLabel final : public QLabel {
public:
    CRowCountLabel(TrackList& list, QWidget* parent);

    // Brings the text up to date now (the tests and the screenshots read it at once).
    void UpdateCounts();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void ScheduleUpdate();

    TrackList& m_list;
    bool m_bUpdateQueued = false;
};
