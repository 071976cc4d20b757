#include "captionbar.h"

#include <QPainter>

KVLTCaptionBar::KVLTCaptionBar(QWidget* parent, unsigned windowId, const QString& title,
                               const QIcon& icon)
    : QWidget(parent), m_windowId(windowId), m_strCaption(title), m_icon(icon) {
    setObjectName(QStringLiteral("caption_%1").arg(windowId));
    setAccessibleName(title);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(width(), kHeight);
    if (parent)
        show();
}

void KVLTCaptionBar::setCaption(const QString& title) {
    m_strCaption = title;
    setAccessibleName(title);
    update();
}

void KVLTCaptionBar::setIcon(const QIcon& icon) {
    m_icon = icon;
    update();
}

QSize KVLTCaptionBar::sizeHint() const {
    const int textWidth = fontMetrics().horizontalAdvance(m_strCaption);
    return {textWidth + kIconSize + kIconGap + 4 * kBorderSize + 8, kHeight};
}

// Icon and text are centred together as one group; without an icon the text
// alone is centred.
QRect KVLTCaptionBar::iconRect() const {
    if (m_icon.isNull())
        return {};
    const int textWidth = fontMetrics().horizontalAdvance(m_strCaption);
    const int group = kIconSize + (m_strCaption.isEmpty() ? 0 : kIconGap + textWidth);
    const int left = (width() - group) / 2;
    return {left, (height() - kIconSize) / 2, kIconSize, kIconSize};
}

QRect KVLTCaptionBar::textRect() const {
    const int textWidth = fontMetrics().horizontalAdvance(m_strCaption);
    const QRect icon = iconRect();
    const int left = icon.isNull() ? (width() - textWidth) / 2 : icon.right() + 1 + kIconGap;
    return {left, 0, textWidth, height()};
}

void KVLTCaptionBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& pal = palette();
    // Border in the window-frame colour, face in the window colour, text in
    // the window-text colour; flat, no raised edge.
    painter.fillRect(rect(), pal.color(QPalette::Base));
    painter.setPen(QPen(pal.color(QPalette::Dark), kBorderSize));
    painter.drawRect(rect().adjusted(0, 0, -kBorderSize, -kBorderSize));
    if (!m_icon.isNull())
        m_icon.paint(&painter, iconRect());
    painter.setPen(pal.color(QPalette::Text));
    painter.drawText(textRect(), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                     m_strCaption);
}
