// Icons and bitmaps by resource id, from the Qt resource file icons.qrc.
#pragma once

#include <QIcon>
#include <QPixmap>

// The icon of that resource id (16, 32 and 48 pixel pictures); a null icon
// when there is none.
QIcon loadIcon(unsigned id);

// The bitmap of that resource id; a null pixmap when there is none.
QPixmap loadBitmap(unsigned id);
