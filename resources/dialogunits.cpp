#include "dialogunits.h"

#include <QFontMetrics>

namespace {

// Rounded a * b / c, as the platform's MulDiv rounds.
int mulDiv(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

} // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average width is taken over the 52 Latin letters and rounded up.
    const int extent = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_nBaseX = (extent / 26 + 1) / 2;
    m_nBaseY = metrics.height();
    if (m_nBaseX < 1)
        m_nBaseX = 1;
    if (m_nBaseY < 1)
        m_nBaseY = 1;
}

int DialogUnits::toPixelsX(int dialogUnits) const {
    return mulDiv(dialogUnits, m_nBaseX, 4);
}
int DialogUnits::toPixelsY(int dialogUnits) const {
    return mulDiv(dialogUnits, m_nBaseY, 8);
}

QRect DialogUnits::toPixels(int x, int y, int cx, int cy) const {
    // Both edges are converted, so neighbouring controls never overlap by rounding.
    const int left = toPixelsX(x);
    const int top = toPixelsY(y);
    return {left, top, toPixelsX(x + cx) - left, toPixelsY(y + cy) - top};
}
