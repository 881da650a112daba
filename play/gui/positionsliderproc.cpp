#include "play/gui/positionsliderproc.h"

#include <QMouseEvent>

#include "play/playcontroller.h"

PositionSliderProc::PositionSliderProc(CPlayController& controller, QObject* parent)
    : QObject(parent), m_controller(controller)
{
}

bool PositionSliderProc::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            if (event->type() == QEvent::MouseButtonPress)
                m_controller.OnPositionSliderDown();
            else
                m_controller.OnPositionSliderUp();
        }
    }
    return QObject::eventFilter(watched, event);
}
