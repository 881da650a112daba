#include "widgets/dialogunits.h"

#include <QFontMetrics>
#include <QWidget>

QRect DialogUnits(const QWidget* widget, int x, int y, int width, int height)
{
    const QFontMetrics metrics = widget->fontMetrics();
    static const QString letters
        = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int baseX = (metrics.horizontalAdvance(letters) / 26 + 1) / 2;
    const int baseY = metrics.height();
    return QRect(x * baseX / 4, y * baseY / 8, width * baseX / 4, height * baseY / 8);
}
