#include "kvltaboutwnd.h"

#include "kvltwinapp.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

QFont timesFont(int pixelHeight, QFont::Weight weight) {
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(pixelHeight);
    font.setWeight(weight);
    // Where the face is missing, a proportional sans-serif face stands in.
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// Draws a line of text with its top-left corner at (x, y), as the product's
// windows always placed their texts.
void textAt(QPainter& painter, int x, int y, const QString& text) {
    const QFontMetrics metrics(painter.font());
    painter.drawText(x, y + metrics.ascent(), text);
}

} // namespace

CKVLTAboutWnd::CKVLTAboutWnd(CKVLTWinApp& app)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), m_pApp(&app),
      m_fontTitle(timesFont(14, QFont::Bold)), m_fontText(timesFont(14, QFont::Normal)),
      m_fontSmall(timesFont(12, QFont::Normal)) {
    setCursor(Qt::ArrowCursor);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setWindowTitle(QStringLiteral("About %1").arg(app.GetAppName()));
    setGeometry(0, 0, kWidth, kHeight);
    setFixedSize(kWidth, kHeight);
}

void CKVLTAboutWnd::ShowWindow() {
    m_bShown = true;
    show();
    raise();
    activateWindow();
}

void CKVLTAboutWnd::HideWindow() {
    hide();
    m_bShown = false;
}

bool CKVLTAboutWnd::event(QEvent* e) {
    switch (e->type()) {
    case QEvent::KeyPress:
        HideWindow();
        e->accept();
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonDblClick: {
        const auto button = static_cast<QMouseEvent*>(e)->button();
        if (button == Qt::LeftButton || button == Qt::RightButton || button == Qt::MiddleButton) {
            HideWindow();
            e->accept();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::event(e);
}

void CKVLTAboutWnd::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    // The white card with the default one-pixel black outline.
    painter.drawRect(0, 0, kWidth - 1, kHeight - 1);

    const QPixmap& picture = m_pApp->GetAboutBitmap();
    if (!picture.isNull())
        painter.drawPixmap(QRect(190, 30, 200, 50), picture, QRect(0, 0, 200, 50));

    painter.setBackground(Qt::white);
    painter.setBackgroundMode(Qt::OpaqueMode);
    painter.setFont(m_fontTitle);
    textAt(painter, 10, 10, m_pApp->GetAppName());
    painter.setFont(m_fontText);
    textAt(painter, 20, 30, QStringLiteral("Copyright (C) Orvalen"));
    textAt(painter, 20, 50, QStringLiteral("Compiled: ") + m_pApp->GetBuildDate());
    textAt(painter, 20, 70, QStringLiteral("www.orvalen.com"));
    painter.setFont(m_fontTitle);
    textAt(painter, 10, 100, QStringLiteral("Warning:"));
    painter.setFont(m_fontText);
    // Short lines: where Times New Roman is missing, the wider stand-in face
    // must still fit inside the card.
    textAt(painter, 20, 125, QStringLiteral("This program is protected by copyright law and"));
    textAt(painter, 20, 140, QStringLiteral("international treaties. Unauthorized copying or"));
    textAt(painter, 20, 155, QStringLiteral("distribution of it, or of any part of it, may"));
    textAt(painter, 20, 170, QStringLiteral("result in severe civil and criminal penalties."));
}
