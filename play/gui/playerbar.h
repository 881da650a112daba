#pragma once

#include <QObject>
#include <QTimer>

#include "play/playcontroller.h"
#include "play/playview.h"

class QLabel;
class QSlider;
class TrackList;

// The player bar's glue: implements the playback view over the two sliders, the label and a
// timer, owns the controller, and hooks the sliders. Play and Stop are Controller().OnPlay and
// Controller().OnStop.
class CPlayerBar final : public QObject, public PlayView {
    Q_OBJECT

public:
    CPlayerBar(TrackList& list, QSlider* position, QSlider* volume, QLabel* label, QObject* parent);

    CPlayController& Controller() { return m_controller; }
    // The window's play timer (identifier kPlayTimerId while it runs).
    const QTimer& Timer() const { return m_timer; }

    void SetPositionRange(int maximum) override;
    void SetPositionPos(int pos) override;
    int GetPositionPos() const override;
    void SetVolumePos(int percent) override;
    int GetVolumePos() const override;
    void SetVolumeLabel(const std::string& text) override;
    void StartTimer(int id, int milliseconds) override;
    void KillTimer(int id) override;

private:
    QSlider* m_pPosition;
    QSlider* m_pVolume;
    QLabel* m_pLabel;
    QTimer m_timer;
    int m_nTimerId = 0;
    CPlayController m_controller;
};
