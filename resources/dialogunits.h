// Dialog units to pixels, from the dialog's font, the way the platform's
// dialog manager converts them: horizontally a quarter of the font's average
// character width, vertically an eighth of its height.
#pragma once

#include <QFont>
#include <QRect>

class DialogUnits {
  public:
    explicit DialogUnits(const QFont& font);

    int baseX() const { return m_nBaseX; } // average character width in pixels
    int baseY() const { return m_nBaseY; } // character height in pixels

    int toPixelsX(int dialogUnits) const;
    int toPixelsY(int dialogUnits) const;
    QRect toPixels(int x, int y, int cx, int cy) const;

  private:
    int m_nBaseX = 0;
    int m_nBaseY = 0;
};
