#include "icons.h"

#include "resource.h"

#include <QFile>

// Icons live in a static library: its resource data must be registered by
// hand before first use, or the linker may drop it. (Outside any namespace:
// the macro declares the generated function.)
static void initResources() {
    static const bool done = [] {
        Q_INIT_RESOURCE(icons);
        return true;
    }();
    (void)done;
}

QIcon loadIcon(unsigned id) {
    initResources();
    QIcon icon;
    for (int size : {16, 32, 48}) {
        const QString path = QStringLiteral(":/icons/icon%1_%2.png").arg(id).arg(size);
        if (QFile::exists(path))
            icon.addFile(path, QSize(size, size));
    }
    return icon;
}

QPixmap loadBitmap(unsigned id) {
    initResources();
    return QPixmap(QStringLiteral(":/icons/bitmap%1.png").arg(id));
}
