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
    // The bar paints every pixel itself: its parent need not paint below it
    // each time the list repaints it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(pParent->width(), HeightFor(pParent->width()));
    move(0, pParent->height() - height());
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

namespace {
const char* const kPaneLabels[CKVLTListFooter::kPaneCount] = {"Total Items", "Total Selected",
                                                              "First Selection"};
constexpr int kNumberGap = 20; // from the label's left to the number: label + 20
constexpr int kNumberMargin = 6;
} // namespace

int CKVLTListFooter::NeededWidth(int n) const {
    // The largest number any pane shows is the item count.
    const QFontMetrics metrics(font());
    char digits[64];
    formatNumber(uint64_t(m_pList ? std::max(m_pList->GetItemCount(), 0) : 0), digits,
                 sizeof digits, NUMBER_GROUPED);
    return metrics.horizontalAdvance(QString::fromLatin1(kPaneLabels[n])) + kNumberGap +
           metrics.horizontalAdvance(QString::fromLatin1(digits)) + kNumberMargin;
}

std::array<QRect, CKVLTListFooter::kPaneCount> CKVLTListFooter::Layout(int nWidth) const {
    std::array<QRect, kPaneCount> panes;
    int needed[kPaneCount];
    for (int n = 0; n < kPaneCount; ++n)
        needed[n] = NeededWidth(n);
    needed[0] = std::max(needed[0], kPaneWidths[0]);
    const int fixed = kPaneWidths[1] + kPaneWidths[2];
    const int first = std::max({kPaneWidths[0], nWidth - fixed, needed[0]});
    if (first + fixed <= nWidth && needed[1] <= kPaneWidths[1] && needed[2] <= kPaneWidths[2]) {
        panes[0] = QRect(0, 0, first, kHeight);
        panes[1] = QRect(first, 0, kPaneWidths[1], kHeight);
        panes[2] = QRect(first + kPaneWidths[1], 0, kPaneWidths[2], kHeight);
        return panes;
    }
    int x = 0, row = 0;
    for (int n = 0; n < kPaneCount; ++n) {
        if (x > 0 && x + needed[n] > nWidth) {
            panes[n - 1].setRight(std::max(nWidth - 1, panes[n - 1].right()));
            x = 0;
            ++row;
        }
        panes[n] = QRect(x, row * kHeight, needed[n], kHeight);
        x += needed[n];
    }
    panes[kPaneCount - 1].setRight(std::max(nWidth - 1, panes[kPaneCount - 1].right()));
    return panes;
}

QRect CKVLTListFooter::PaneRect(int n) const {
    if (n < 0 || n >= kPaneCount)
        return {};
    return Layout(width())[size_t(n)];
}

int CKVLTListFooter::HeightFor(int nWidth) const {
    return Layout(nWidth)[kPaneCount - 1].bottom() + 1;
}

void CKVLTListFooter::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(240, 240, 240));
    const QFontMetrics metrics(font());
    const std::array<QRect, kPaneCount> panes = Layout(width());
    for (int n = 0; n < kPaneCount; ++n) {
        const QRect pane = panes[size_t(n)].adjusted(1, 1, -1, -1);
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
