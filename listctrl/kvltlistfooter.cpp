#include "kvltlistfooter.h"

#include "kvltlistctrl.h"
#include "progress.h"

#include <QPainter>

namespace {
constexpr int kPaneWidths[CKVLTListFooter::kPaneCount] = {100, 150, 150};
const QColor kShadowColour(160, 160, 160); // the dark 3-D shadow of the classic scheme
} // namespace

bool CKVLTListFooter::Create(QWidget* pParent, CKVLTListCtrl* pList, unsigned nID) {
    if (!pParent || !pList)
        return false;
    setParent(pParent);
    m_pList = pList;
    m_nID = nID;
    setObjectName(QStringLiteral("footer%1").arg(nID));
    resize(pParent->width(), kHeight);
    move(0, pParent->height() - kHeight);
    show();
    return true;
}

CKVLTListFooter::Pane CKVLTListFooter::PaneContent(int n) const {
    Pane pane;
    if (!m_pList)
        return pane;
    switch (n) {
    case 0:
        pane.label = QStringLiteral("Total Items");
        pane.number = uint64_t(std::max(m_pList->GetItemCount(), 0));
        break;
    case 1:
        pane.number = uint64_t(m_pList->GetSelectedCount());
        if (pane.number != 0)
            pane.label = QStringLiteral("Total Selected");
        break;
    case 2:
        if (const int first = m_pList->GetNextItem(-1, CKVLTListCtrl::LVNI_SELECTED); first >= 0) {
            pane.label = QStringLiteral("First Selection");
            pane.number = uint64_t(first) + 1;
        }
        break;
    default:
        break;
    }
    return pane;
}

QString CKVLTListFooter::PaneNumberText(int n) const {
    const Pane content = PaneContent(n);
    if (content.label.isEmpty())
        return {};
    char digits[64];
    formatNumber(content.number, digits, sizeof digits, NUMBER_GROUPED);
    return QString::fromLatin1(digits);
}

QRect CKVLTListFooter::PaneRect(int n) const {
    const int fixed = kPaneWidths[1] + kPaneWidths[2];
    // The stretching pane never gets narrower than its own label and number:
    // under a narrow list the item count matters more than the other two
    // panes, which then run off the right edge instead.
    const QFontMetrics metrics(font());
    const int needed = metrics.horizontalAdvance(QStringLiteral("Total Items")) + 20 +
                       metrics.horizontalAdvance(PaneNumberText(0)) + 6;
    const int first = std::max({kPaneWidths[0], width() - fixed, needed});
    switch (n) {
    case 0:
        return QRect(0, 0, first, height());
    case 1:
        return QRect(first, 0, kPaneWidths[1], height());
    case 2:
        return QRect(first + kPaneWidths[1], 0, kPaneWidths[2], height());
    default:
        return {};
    }
}

void CKVLTListFooter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(240, 240, 240));
    const QFontMetrics metrics(font());
    for (int n = 0; n < kPaneCount; ++n) {
        const QRect pane = PaneRect(n).adjusted(1, 1, -1, -1);
        const Pane content = PaneContent(n);
        if (!content.label.isEmpty()) {
            const int w = metrics.horizontalAdvance(content.label);
            painter.fillRect(QRect(pane.left(), pane.top(), w + 10, pane.height()), kShadowColour);
            painter.setPen(Qt::white);
            painter.drawText(QRect(pane.left() + 5, pane.top(), w + 5, pane.height()),
                             Qt::AlignLeft | Qt::AlignVCenter, content.label);
            painter.setPen(Qt::black);
            const QRect numberRect(pane.left() + w + 20, pane.top(),
                                   std::max(pane.right() - (pane.left() + w + 20) + 1, 0),
                                   pane.height());
            painter.drawText(numberRect, Qt::AlignLeft | Qt::AlignVCenter, PaneNumberText(n));
        }
        // The status bar's own sunken pane border.
        painter.setPen(QColor(160, 160, 160));
        painter.drawLine(pane.topLeft(), pane.topRight());
        painter.drawLine(pane.topLeft(), pane.bottomLeft());
        painter.setPen(Qt::white);
        painter.drawLine(pane.bottomLeft(), pane.bottomRight());
        painter.drawLine(pane.topRight(), pane.bottomRight());
    }
}
