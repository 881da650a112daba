#pragma once

#include <cstdint>
#include <functional>
#include <string>

class PlayView;
class TrackList;

// The left mouse button is down on the position slider: the timer leaves the thumb alone.
extern std::uint8_t g_bSeekDragging;
// The position read at the previous timer tick; -1 after an automatic stop.
extern int g_nLastPlayPos;

// Sets the program's output volume on both channels from a percentage.
void SetWaveVolume(int percent);

// Playback of the first selected row through the media strings under the alias "s": Play,
// Stop, the one-second timer that moves the position slider and stops at the end, the seek on
// releasing the slider and the volume slider.
class CPlayController final {
public:
    using MciSend
        = std::function<unsigned(const std::string& command, char* reply, unsigned replyLength)>;

    CPlayController(TrackList& list, PlayView& view, MciSend send = {});

    // Start-up: shows the current volume (right channel) on the volume slider and label.
    void InitVolume();

    void OnPlay();
    void OnStop();
    void OnTimer(int id);
    // Mouse button pressed and released on the position slider; the release seeks.
    void OnPositionSliderDown();
    void OnPositionSliderUp();
    // The volume slider moved (every step, key press or end of tracking).
    void OnHScroll(int volumePos);

    // "status s length" as a number; 0 when the query fails.
    int GetPlayLength();

private:
    int StatusNumber(const std::string& command);

    TrackList& m_list;
    PlayView& m_view;
    MciSend m_send;
};
