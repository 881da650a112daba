#pragma once

#include <QObject>

class CPlayController;

// Watches the position slider: a left press freezes the thumb against the timer, the release
// seeks playback to the thumb's position. Every event goes on to the slider.
class PositionSliderProc final : public QObject {
    Q_OBJECT

public:
    PositionSliderProc(CPlayController& controller, QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CPlayController& m_controller;
};
