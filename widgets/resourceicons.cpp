#include "widgets/resourceicons.h"

#include <QString>

static void InitResources()
{
    // The resource file lives in a static library: register it once, before the first use.
    static const bool done = [] {
        Q_INIT_RESOURCE(sonivar);
        return true;
    }();
    (void)done;
}

QIcon ResourceIcon(int id)
{
    InitResources();
    return QIcon(QStringLiteral(":/icons/%1.svg").arg(id));
}

QPixmap ResourcePixmap(int id, int size)
{
    return ResourceIcon(id).pixmap(size, size);
}
