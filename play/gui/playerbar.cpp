#include "play/gui/playerbar.h"

#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>

#include "play/gui/positionsliderproc.h"

CPlayerBar::CPlayerBar(
    TrackList& list, QSlider* position, QSlider* volume, QLabel* label, QObject* parent)
    : QObject(parent)
    , m_pPosition(position)
    , m_pVolume(volume)
    , m_pLabel(label)
    , m_controller(list, *this)
{
    m_pPosition->setPageStep(10000);
    m_pVolume->setRange(0, 100);
    m_pPosition->installEventFilter(new PositionSliderProc(m_controller, this));
    m_controller.InitVolume();
    connect(m_pVolume, &QSlider::valueChanged, this,
        [this](int value) { m_controller.OnHScroll(value); });
    connect(&m_timer, &QTimer::timeout, this, [this] { m_controller.OnTimer(m_nTimerId); });
}

void CPlayerBar::SetPositionRange(int maximum)
{
    m_pPosition->setRange(0, maximum);
}

void CPlayerBar::SetPositionPos(int pos)
{
    m_pPosition->setValue(pos);
}

int CPlayerBar::GetPositionPos() const
{
    return m_pPosition->value();
}

void CPlayerBar::SetVolumePos(int percent)
{
    // Showing the volume read at start-up is not a change of it.
    QSignalBlocker block(m_pVolume);
    m_pVolume->setValue(percent);
}

int CPlayerBar::GetVolumePos() const
{
    return m_pVolume->value();
}

void CPlayerBar::SetVolumeLabel(const std::string& text)
{
    m_pLabel->setText(QString::fromStdString(text));
}

void CPlayerBar::StartTimer(int id, int milliseconds)
{
    m_nTimerId = id;
    m_timer.start(milliseconds);
}

void CPlayerBar::KillTimer(int id)
{
    if (id == m_nTimerId)
        m_timer.stop();
}
