#pragma once

#include <string>

// What playback drives in the main window: the position slider, the volume slider with its
// label, and the window's timer. The GUI implements it over widgets, the tests with fakes.
class PlayView {
public:
    virtual ~PlayView() = default;

    virtual void SetPositionRange(int maximum) = 0;
    virtual void SetPositionPos(int pos) = 0;
    virtual int GetPositionPos() const = 0;
    virtual void SetVolumePos(int percent) = 0;
    virtual int GetVolumePos() const = 0;
    virtual void SetVolumeLabel(const std::string& text) = 0;
    // Starts, or restarts, the timer with that identifier.
    virtual void StartTimer(int id, int milliseconds) = 0;
    virtual void KillTimer(int id) = 0;
};
