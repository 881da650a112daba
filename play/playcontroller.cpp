#include "play/playcontroller.h"

#include <cstdlib>

#include "platform/mci.h"
#include "platform/path.h"
#include "platform/wavevolume.h"
#include "play/playview.h"
#include "res/resource.h"
#include "session/tracklist.h"

std::uint8_t g_bSeekDragging = 0;
int g_nLastPlayPos = 0;

namespace {
constexpr int kTimerInterval = 1000;

std::string Percent(int value)
{
    return std::to_string(value) + "%";
}
} // namespace

void SetWaveVolume(int percent)
{
    std::uint32_t level = static_cast<std::uint32_t>(percent) * 65535u / 100u;
    waveOutSetVolume(0, level * 65537u);
}

CPlayController::CPlayController(TrackList& list, PlayView& view, MciSend send)
    : m_list(list), m_view(view), m_send(send ? std::move(send) : MciSend(&mciSendStringA))
{
}

void CPlayController::InitVolume()
{
    std::uint32_t volume = 0;
    waveOutGetVolume(0, &volume);
    int percent = static_cast<int>((volume >> 16) * 100u / 65535u);
    m_view.SetVolumePos(percent);
    m_view.SetVolumeLabel(Percent(percent));
}

int CPlayController::StatusNumber(const std::string& command)
{
    char reply[20] = "";
    // A failed query leaves the reply empty, which reads as 0.
    m_send(command, reply, sizeof reply);
    return std::atoi(reply);
}

int CPlayController::GetPlayLength()
{
    return StatusNumber("status s length");
}

void CPlayController::OnPlay()
{
    int row = m_list.GetNextSelected(-1);
    if (row < 0)
        return;
    std::string path = JoinPath(
        m_list.GetItemText(row, TrackList::ColFolder), m_list.GetItemText(row, TrackList::ColFile));
    m_send("close s", nullptr, 0);
    m_send("open " + ShortPathOf(path) + " alias s", nullptr, 0);
    m_send("play s", nullptr, 0);
    m_view.SetPositionRange(GetPlayLength());
    m_view.StartTimer(kPlayTimerId, kTimerInterval);
}

void CPlayController::OnStop()
{
    m_send("close s", nullptr, 0);
    m_view.KillTimer(kPlayTimerId);
}

void CPlayController::OnTimer(int id)
{
    if (id != kPlayTimerId)
        return;
    int pos = StatusNumber("status s position");
    if (!g_bSeekDragging)
        m_view.SetPositionPos(pos);
    if (pos == g_nLastPlayPos) {
        OnStop();
        g_nLastPlayPos = -1;
    } else {
        g_nLastPlayPos = pos;
    }
}

void CPlayController::OnPositionSliderDown()
{
    g_bSeekDragging = 1;
}

void CPlayController::OnPositionSliderUp()
{
    g_bSeekDragging = 0;
    m_send("play s from " + std::to_string(m_view.GetPositionPos()), nullptr, 0);
}

void CPlayController::OnHScroll(int volumePos)
{
    SetWaveVolume(volumePos);
    m_view.SetVolumeLabel(Percent(volumePos));
}
