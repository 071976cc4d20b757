// CKVLTListCtrl: geometry of the four views, drawing, scrolling, mouse and
// keyboard navigation.
#include "kvltlistctrl.h"

#include "kvltheaderctrl.h"
#include "kvltlistfooter.h"
#include "kvlttextwidth.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <cmath>

namespace {
const QColor kPyjamaColour(210, 220, 210);
const QColor kGridColour(192, 192, 192);
const QColor kSelectedFocus(0, 120, 215);
const QColor kSelectedNoFocus(185, 200, 225); // stays apart from the pyjama shade
const QColor kMenuColour(240, 240, 240);      // the classic menu colour of the empty-list box
constexpr int kSmallIcon = 16;
constexpr int kLargeIcon = 48;
constexpr int kIconCellWidth = 100;
constexpr int kSmallIconCellWidth = 150;
constexpr int kListCellWidth = 150;
constexpr int kCellPadding = 4;
} // namespace

// Cell geometry of the current view. Report, small-icon and icon views lay
// rows out in lines (one item per line in report view) and scroll
// vertically by lines; list view flows items down columns and scrolls
// horizontally by columns.
struct CKVLTListCtrl::Layout {
    int view = LVS_REPORT;
    int cellWidth = 0;
    int cellHeight = 0;
    int perLine = 1; // items per line, or per column in list view
    int visibleLines = 1;
    bool flowDown = false;
};

int CKVLTListCtrl::RowHeight() const {
    const int textHeight = QFontMetrics(font()).height();
    int height = std::max(textHeight, kSmallIcon) + 2;
    if (m_bFontsCreated)
        height = std::max(height, QFontMetrics(m_fontFixed).height() + 2);
    return height;
}

CKVLTListCtrl::Layout CKVLTListCtrl::CurrentLayout() const {
    Layout layout;
    layout.view = m_nView;
    const QSize area = viewport()->size();
    switch (m_nView) {
    case LVS_ICON:
        layout.cellWidth = kIconCellWidth;
        layout.cellHeight = kLargeIcon + 6 + 2 * QFontMetrics(font()).height() + 4;
        layout.perLine = std::max(1, area.width() / layout.cellWidth);
        break;
    case LVS_SMALLICON:
        layout.cellWidth = kSmallIconCellWidth;
        layout.cellHeight = RowHeight();
        layout.perLine = std::max(1, area.width() / layout.cellWidth);
        break;
    case LVS_LIST:
        layout.cellWidth = kListCellWidth;
        layout.cellHeight = RowHeight();
        layout.perLine = std::max(1, area.height() / layout.cellHeight);
        layout.flowDown = true;
        break;
    default:
        layout.cellWidth = std::max(m_pHeader->length(), area.width());
        layout.cellHeight = RowHeight();
        layout.perLine = 1;
        break;
    }
    const int extent = layout.flowDown ? area.width() : area.height();
    const int step = layout.flowDown ? layout.cellWidth : layout.cellHeight;
    layout.visibleLines = std::max(1, extent / step);
    return layout;
}

int CKVLTListCtrl::GetCountPerPage() const {
    const Layout layout = CurrentLayout();
    return layout.visibleLines * layout.perLine;
}

int CKVLTListCtrl::GetTopIndex() const {
    const Layout layout = CurrentLayout();
    const QScrollBar* bar = layout.flowDown ? horizontalScrollBar() : verticalScrollBar();
    return bar->value() * layout.perLine;
}

QRect CKVLTListCtrl::GetItemRect(int nItem) const {
    if (nItem < 0 || nItem >= m_nItemCount)
        return {};
    const Layout layout = CurrentLayout();
    const int line = nItem / layout.perLine, slot = nItem % layout.perLine;
    if (layout.flowDown)
        return QRect((line - horizontalScrollBar()->value()) * layout.cellWidth,
                     slot * layout.cellHeight, layout.cellWidth, layout.cellHeight);
    const int x =
        layout.view == LVS_REPORT ? -horizontalScrollBar()->value() : slot * layout.cellWidth;
    return QRect(x, (line - verticalScrollBar()->value()) * layout.cellHeight, layout.cellWidth,
                 layout.cellHeight);
}

int CKVLTListCtrl::HitTest(const QPoint& point) const {
    if (m_nItemCount <= 0 || point.x() < 0 || point.y() < 0)
        return -1;
    const Layout layout = CurrentLayout();
    long long item;
    if (layout.flowDown) {
        const int slot = point.y() / layout.cellHeight;
        if (slot >= layout.perLine)
            return -1;
        item = (long long)(point.x() / layout.cellWidth + horizontalScrollBar()->value()) *
                   layout.perLine +
               slot;
    } else {
        int slot = 0;
        if (layout.view == LVS_REPORT) {
            if (point.x() + horizontalScrollBar()->value() >= m_pHeader->length())
                return -1;
        } else {
            slot = point.x() / layout.cellWidth;
            if (slot >= layout.perLine)
                return -1;
        }
        item = (long long)(point.y() / layout.cellHeight + verticalScrollBar()->value()) *
                   layout.perLine +
               slot;
    }
    return item < m_nItemCount ? int(item) : -1;
}

// ------------------------------------------------------------------ view modes

void CKVLTListCtrl::SetView(int nView) {
    if (nView != LVS_ICON && nView != LVS_REPORT && nView != LVS_SMALLICON && nView != LVS_LIST)
        return;
    const int top = GetTopIndex();
    m_nView = nView;
    UpdateHeaderGeometry();
    UpdateScrollBars();
    EnsureVisible(m_nFocusItem >= 0 ? m_nFocusItem : top, false);
    PlaceEditor();
    viewport()->update();
}

void CKVLTListCtrl::SetExtendedStyle(unsigned nStyle) {
    m_nExtendedStyle = nStyle;
    viewport()->update();
}

void CKVLTListCtrl::UpdateHeaderGeometry() {
    const bool report = m_nView == LVS_REPORT;
    const int height = report ? m_pHeader->sizeHint().height() : 0;
    setViewportMargins(0, height, 0, 0);
    m_pHeader->setVisible(report);
    if (report) {
        const QRect vg = viewport()->geometry();
        m_pHeader->setGeometry(vg.left(), vg.top() - height, vg.width(), height);
        m_pHeader->setOffset(horizontalScrollBar()->value());
    }
}

void CKVLTListCtrl::UpdateScrollBars() {
    const Layout layout = CurrentLayout();
    const int lines = m_nItemCount <= 0 ? 0 : (m_nItemCount - 1) / layout.perLine + 1;
    QScrollBar* lineBar = layout.flowDown ? horizontalScrollBar() : verticalScrollBar();
    QScrollBar* otherBar = layout.flowDown ? verticalScrollBar() : horizontalScrollBar();
    lineBar->setRange(0, std::max(0, lines - layout.visibleLines));
    lineBar->setPageStep(layout.visibleLines);
    lineBar->setSingleStep(1);
    if (layout.view == LVS_REPORT) {
        otherBar->setRange(0, std::max(0, m_pHeader->length() - viewport()->width()));
        otherBar->setPageStep(viewport()->width());
        otherBar->setSingleStep(20);
    } else {
        otherBar->setRange(0, 0);
    }
}

void CKVLTListCtrl::scrollContentsBy(int dx, int dy) {
    if (dx && m_nView == LVS_REPORT)
        m_pHeader->setOffset(horizontalScrollBar()->value());
    PlaceEditor();
    // A report scrolled by a few rows moves the pixels it has and paints only
    // the rows that come into view: the scan dialog scrolls the map by a row
    // or two at every scan of a long pile.
    const Layout layout = CurrentLayout();
    if (dx == 0 && dy != 0 && m_nView == LVS_REPORT && std::abs(dy) < layout.visibleLines) {
        viewport()->scroll(0, dy * layout.cellHeight);
        return;
    }
    viewport()->update();
}

bool CKVLTListCtrl::EnsureVisible(int nItem, bool bPartialOK) {
    Q_UNUSED(bPartialOK); // rows scroll whole, so a row is either in view or not
    if (nItem < 0 || nItem >= m_nItemCount)
        return false;
    const Layout layout = CurrentLayout();
    QScrollBar* bar = layout.flowDown ? horizontalScrollBar() : verticalScrollBar();
    const int line = nItem / layout.perLine;
    if (line < bar->value())
        bar->setValue(line);
    else if (line >= bar->value() + layout.visibleLines)
        bar->setValue(line - layout.visibleLines + 1);
    return true;
}

void CKVLTListCtrl::RedrawItems(int nFirst, int nLast) {
    QRect area;
    for (int item = std::max(nFirst, GetTopIndex());
         item <= nLast && item < GetTopIndex() + GetCountPerPage() + CurrentLayout().perLine;
         ++item)
        area |= GetItemRect(item);
    if (!area.isEmpty())
        viewport()->update(area);
}

void CKVLTListCtrl::Invalidate(bool bErase) {
    Q_UNUSED(bErase); // every paint fills its background
    viewport()->update();
    if (m_footer)
        m_footer->Refresh();
}

int CKVLTListCtrl::AutoSizeWidth(int nColumn, bool useHeader) const {
    const int headerWidth =
        QFontMetrics(m_pHeader->font()).horizontalAdvance(m_pColumns->title(nColumn)) + 16;
    if (useHeader && nColumn == GetColumnCount() - 1) {
        // The last column takes whatever width the others leave, at least its title.
        int others = 0;
        for (int c = 0; c < GetColumnCount(); ++c)
            if (c != nColumn)
                others += m_pHeader->sectionSize(c);
        // The viewport's size may still be pending while the list is hidden;
        // the list's own size is not.
        int available = maximumViewportSize().width();
        const int headerHeight = m_nView == LVS_REPORT ? m_pHeader->sizeHint().height() : 0;
        const int rowsInView = (maximumViewportSize().height() - headerHeight) / RowHeight();
        if (m_nItemCount > rowsInView)
            available -= verticalScrollBar()->sizeHint().width();
        return std::max(headerWidth, available - others);
    }
    if (useHeader)
        return headerWidth;
    // Contents: the widest text over all rows, measured whole, plus the
    // room PaintCell gives it: the padding on both sides and, in a column
    // that draws images, the icon's indent whether or not the row has one.
    const QFont font = ColumnDrawFont(nColumn);
    const QString widest = OnGetWidestItemText(nColumn);
    const qreal text =
        std::max(QFontMetricsF(font).horizontalAdvance(widest), CKVLTTextWidth(font)(widest));
    const bool indent = nColumn == 0 || (m_nExtendedStyle & LVS_EX_SUBITEMIMAGES);
    // One pixel more, so that rounding never elides the text it was fitted to.
    return int(std::ceil(text)) + 2 * kCellPadding + (indent ? 2 + kSmallIcon : 0) + 1;
}

QString CKVLTListCtrl::OnGetWidestItemText(int nColumn) const {
    CKVLTTextWidth measure(ColumnDrawFont(nColumn));
    QString widest;
    qreal best = -1;
    for (int item = 0; item < m_nItemCount; ++item) {
        QString text = GetItemText(item, nColumn);
        if (const qreal width = measure(text); width > best) {
            best = width;
            widest = std::move(text);
        }
    }
    return widest;
}

void CKVLTListCtrl::AutoSizeColumns() {
    const int columns = std::min(GetColumnCount(), kAutoSizeColumns);
    for (int column = 0; column < columns; ++column)
        m_pHeader->resizeSection(
            column, std::max(AutoSizeWidth(column, false), AutoSizeWidth(column, true)));
    UpdateScrollBars();
    viewport()->update();
}

int CKVLTListCtrl::FittedColumnWidth(int nColumn) const {
    if (nColumn < 0 || nColumn >= GetColumnCount())
        return 0;
    // The title's own width, also for the last column (which USEHEADER
    // would stretch over the free width).
    const int title =
        QFontMetrics(m_pHeader->font()).horizontalAdvance(m_pColumns->title(nColumn)) + 16;
    return std::max(AutoSizeWidth(nColumn, false), title);
}

void CKVLTListCtrl::WidenColumnsToContents() {
    const int columns = std::min(GetColumnCount(), kAutoSizeColumns);
    for (int column = 0; column < columns; ++column)
        if (const int fitted = FittedColumnWidth(column); fitted > m_pHeader->sectionSize(column))
            m_pHeader->resizeSection(column, fitted);
    UpdateScrollBars();
    viewport()->update();
}

void CKVLTListCtrl::CycleView() {
    switch (m_nView) {
    case LVS_ICON:
        SetView(LVS_SMALLICON);
        break;
    case LVS_SMALLICON:
        SetView(LVS_LIST);
        break;
    case LVS_LIST:
        SetView(LVS_REPORT);
        break;
    default:
        SetView(LVS_ICON);
        break;
    }
}

// ------------------------------------------------------------------ drawing

QColor CKVLTListCtrl::RowBackground(int nItem) const {
    // The first row is shaded: rows 0, 2, 4...
    return m_bPyjama && nItem % 2 == 0 ? kPyjamaColour : QColor(Qt::white);
}

void CKVLTListCtrl::paintEvent(QPaintEvent* event) {
    if (m_footer)
        m_footer->Refresh();
    QPainter painter(viewport());
    painter.fillRect(event->rect(), Qt::white);
    if (m_nItemCount <= 0) {
        PaintEmptyMessage(painter);
        return;
    }
    if (m_nView == LVS_REPORT)
        PaintReport(painter, event->rect());
    else
        PaintItems(painter, event->rect());
}

void CKVLTListCtrl::PaintEmptyMessage(QPainter& painter) {
    painter.save();
    // The viewport already starts below the header.
    QRect box = viewport()->rect().adjusted(30, 0, -30, 0);
    const int shrink = box.height() / 2 - 20;
    box.adjust(0, shrink, 0, -shrink);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::black);
    painter.setBrush(kMenuColour);
    // Qt's outline covers one pixel past the rectangle's right and bottom.
    painter.drawRoundedRect(box.adjusted(0, 0, -1, -1), 5, 5);
    const QRect textRect = box.adjusted(0, 12, 0, -12);
    painter.setFont(QApplication::font());
    painter.setPen(Qt::black);
    painter.drawText(textRect,
                     Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap | Qt::TextDontClip,
                     QStringLiteral("There are no items to display in this list."));
    painter.restore();
}

void CKVLTListCtrl::PaintCell(QPainter& painter, const QRect& cell, int nItem, int nColumn,
                              bool selected, bool drawImage, bool large) {
    QRect textRect = cell.adjusted(kCellPadding, 0, -kCellPadding, 0);
    const QList<QIcon>& images = large ? m_imageListLarge : m_imageListSmall;
    if (drawImage) {
        const int image = GetItemImage(nItem, nColumn);
        const int size = large ? kLargeIcon : kSmallIcon;
        if (image >= 0 && image < images.size()) {
            const QRect iconRect =
                large ? QRect(cell.center().x() - size / 2, cell.top() + 3, size, size)
                      : QRect(cell.left() + 2, cell.top() + (cell.height() - size) / 2, size, size);
            images[image].paint(&painter, iconRect);
        }
        if (large)
            textRect = QRect(cell.left() + 2, cell.top() + size + 6, cell.width() - 4,
                             cell.height() - size - 8);
        else
            textRect.setLeft(cell.left() + 2 + size + kCellPadding);
    }
    const QString text = GetItemText(nItem, nColumn);
    if (text.isEmpty())
        return;
    painter.setFont(ColumnDrawFont(nColumn));
    painter.setPen(selected && hasFocus() ? QColor(Qt::white) : QColor(Qt::black));
    if (large) {
        painter.drawText(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWrapAnywhere, text);
        return;
    }
    const Qt::Alignment alignment =
        m_nView == LVS_REPORT && nColumn != 0 ? m_pColumns->alignment(nColumn) : Qt::AlignLeft;
    const QString shown =
        painter.fontMetrics().elidedText(text, Qt::ElideRight, std::max(textRect.width(), 0));
    painter.drawText(textRect, alignment | Qt::AlignVCenter, shown);
}

void CKVLTListCtrl::PaintReport(QPainter& painter, const QRect& exposed) {
    const Layout layout = CurrentLayout();
    const int top = verticalScrollBar()->value();
    const int width = viewport()->width();
    const int last = std::min(m_nItemCount - 1, top + layout.visibleLines);
    const QColor selectedColour = hasFocus() ? kSelectedFocus : kSelectedNoFocus;
    const bool fullRow = m_nExtendedStyle & LVS_EX_FULLROWSELECT;
    const bool subItemImages = m_nExtendedStyle & LVS_EX_SUBITEMIMAGES;
    const int columns = GetColumnCount();
    for (int item = top; item <= last; ++item) {
        const QRect row(0, (item - top) * layout.cellHeight, width, layout.cellHeight);
        if (!row.intersects(exposed))
            continue;
        const bool selected = m_selection.isSelected(item);
        painter.fillRect(row, RowBackground(item));
        for (int visual = 0; visual < columns; ++visual) {
            const int column = m_pHeader->logicalIndex(visual);
            const QRect cell(m_pHeader->sectionViewportPosition(column), row.top(),
                             m_pHeader->sectionSize(column), row.height());
            if (cell.right() < 0 || cell.left() >= width)
                continue;
            const bool highlight = selected && (fullRow || column == 0);
            if (highlight)
                painter.fillRect(cell, selectedColour);
            PaintCell(painter, cell, item, column, highlight, column == 0 || subItemImages, false);
        }
        if (item == m_nFocusItem && hasFocus()) {
            QRect focus = fullRow ? QRect(-horizontalScrollBar()->value(), row.top(),
                                          m_pHeader->length(), row.height())
                                  : QRect(m_pHeader->sectionViewportPosition(0), row.top(),
                                          m_pHeader->sectionSize(0), row.height());
            painter.save();
            painter.setPen(QPen(selected ? Qt::white : Qt::black, 1, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(focus.adjusted(0, 0, -1, -1));
            painter.restore();
        }
    }
    if (m_bGridLines) {
        // Lines cover the whole client area, below the last row too.
        painter.setPen(kGridColour);
        for (int y = layout.cellHeight - 1; y < viewport()->height(); y += layout.cellHeight)
            painter.drawLine(0, y, width, y);
        for (int visual = 0; visual < columns; ++visual) {
            const int column = m_pHeader->logicalIndex(visual);
            const int x =
                m_pHeader->sectionViewportPosition(column) + m_pHeader->sectionSize(column) - 1;
            painter.drawLine(x, 0, x, viewport()->height());
        }
    }
}

void CKVLTListCtrl::PaintItems(QPainter& painter, const QRect& exposed) {
    const Layout layout = CurrentLayout();
    const int first = GetTopIndex();
    const int last =
        std::min(m_nItemCount - 1, first + (layout.visibleLines + 1) * layout.perLine - 1);
    const QColor selectedColour = hasFocus() ? kSelectedFocus : kSelectedNoFocus;
    const bool large = m_nView == LVS_ICON;
    for (int item = first; item <= last; ++item) {
        const QRect cell = GetItemRect(item);
        if (!cell.intersects(exposed))
            continue;
        const bool selected = m_selection.isSelected(item);
        painter.fillRect(cell, RowBackground(item));
        if (selected) {
            // Only the label is highlighted, as in the icon views of the platform.
            const int width =
                std::min(cell.width(),
                         QFontMetrics(ColumnDrawFont(0)).horizontalAdvance(GetItemText(item, 0)) +
                             (large ? 4 : kSmallIcon + 3 * kCellPadding));
            const QRect label = large ? QRect(cell.left() + 3, cell.top() + kLargeIcon + 5,
                                              cell.width() - 6, cell.height() - kLargeIcon - 8)
                                      : QRect(cell.left(), cell.top(), width, cell.height());
            painter.fillRect(label, selectedColour);
        }
        PaintCell(painter, cell, item, 0, selected, true, large);
        if (item == m_nFocusItem && hasFocus()) {
            painter.save();
            painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
            painter.drawRect(cell.adjusted(0, 0, -1, -1));
            painter.restore();
        }
    }
}

bool CKVLTListCtrl::viewportEvent(QEvent* event) {
    // Scroll bars come and go after the list's own resize; the header and
    // the line ranges follow the viewport.
    if (event->type() == QEvent::Resize) {
        UpdateHeaderGeometry();
        UpdateScrollBars();
    }
    return QAbstractScrollArea::viewportEvent(event);
}

// ------------------------------------------------------------------ mouse and keys

void CKVLTListCtrl::SetFocusedItem(int nItem) {
    if (nItem < -1 || nItem >= m_nItemCount)
        return;
    m_nFocusItem = nItem;
    viewport()->update();
}

void CKVLTListCtrl::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    // A click anywhere in the list commits the edit in progress; the release
    // on the same cell may start the next (kvltlistctrl_edit.cpp).
    CommitEdit();
    m_nPressItem = SubItemHitTest(event->position().toPoint(), &m_nPressColumn);
    const int item = HitTest(event->position().toPoint());
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (event->button() == Qt::RightButton) {
        // A right click on an unselected row makes it the selection, as the
        // menu that follows works on the selection.
        if (item >= 0 && !m_selection.isSelected(item)) {
            m_selection.clear();
            m_selection.set(item, true);
            m_nFocusItem = m_nAnchorItem = item;
            SelectionChanged();
        }
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    if (item < 0) {
        if (!(modifiers & (Qt::ControlModifier | Qt::ShiftModifier)) && m_selection.count()) {
            m_selection.clear();
            SelectionChanged();
        }
        return;
    }
    if (modifiers & Qt::ShiftModifier) {
        const int anchor = m_nAnchorItem >= 0 ? m_nAnchorItem : item;
        if (!(modifiers & Qt::ControlModifier))
            m_selection.clear();
        m_selection.setRange(std::min(anchor, item), std::max(anchor, item), true);
        m_nAnchorItem = anchor;
    } else if (modifiers & Qt::ControlModifier) {
        m_selection.set(item, !m_selection.isSelected(item));
        m_nAnchorItem = item;
    } else {
        m_selection.clear();
        m_selection.set(item, true);
        m_nAnchorItem = item;
    }
    m_nFocusItem = item;
    SelectionChanged();
}

void CKVLTListCtrl::mouseMoveEvent(QMouseEvent* event) {
    // Dragging with the left button extends the selection from the anchor.
    if (!(event->buttons() & Qt::LeftButton) || m_nAnchorItem < 0)
        return;
    const int item = HitTest(event->position().toPoint());
    if (item < 0 || item == m_nFocusItem)
        return;
    if (!(event->modifiers() & Qt::ControlModifier))
        m_selection.clear();
    m_selection.setRange(std::min(m_nAnchorItem, item), std::max(m_nAnchorItem, item), true);
    m_nFocusItem = item;
    SelectionChanged();
}

void CKVLTListCtrl::MoveFocus(int nItem, Qt::KeyboardModifiers modifiers) {
    if (m_nItemCount <= 0)
        return;
    nItem = std::clamp(nItem, 0, m_nItemCount - 1);
    if (modifiers & Qt::ShiftModifier) {
        const int anchor = m_nAnchorItem >= 0 ? m_nAnchorItem : std::max(m_nFocusItem, 0);
        m_selection.clear();
        m_selection.setRange(std::min(anchor, nItem), std::max(anchor, nItem), true);
        m_nAnchorItem = anchor;
    } else if (!(modifiers & Qt::ControlModifier)) {
        // Ctrl moves the focus alone and leaves the selection as it is.
        m_selection.clear();
        m_selection.set(nItem, true);
        m_nAnchorItem = nItem;
    }
    m_nFocusItem = nItem;
    EnsureVisible(nItem, false);
    SelectionChanged();
}

void CKVLTListCtrl::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const int key = event->key();
    // Only the main keyboard's digits are command keys, not the keypad's.
    const bool commandKey = (modifiers & Qt::ControlModifier) &&
                            !(modifiers & Qt::KeypadModifier) && key > 0 && key < 0x80;
    if (commandKey)
        ExecuteCommandKey(char(key));

    const Layout layout = CurrentLayout();
    const int focus = std::max(m_nFocusItem, 0);
    const int lineStep = layout.flowDown ? 1 : layout.perLine; // one line up or down
    const int sideStep = layout.flowDown ? layout.perLine : 1; // one cell left or right
    switch (key) {
    case Qt::Key_Up:
        MoveFocus(m_nFocusItem < 0 ? 0 : focus - lineStep, modifiers);
        break;
    case Qt::Key_Down:
        MoveFocus(m_nFocusItem < 0 ? 0 : focus + lineStep, modifiers);
        break;
    case Qt::Key_Left:
        if (m_nView == LVS_REPORT)
            horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        else
            MoveFocus(focus - sideStep, modifiers);
        break;
    case Qt::Key_Right:
        if (m_nView == LVS_REPORT)
            horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        else
            MoveFocus(focus + sideStep, modifiers);
        break;
    case Qt::Key_PageUp:
        MoveFocus(focus - GetCountPerPage(), modifiers);
        break;
    case Qt::Key_PageDown:
        MoveFocus(focus + GetCountPerPage(), modifiers);
        break;
    case Qt::Key_Home:
        MoveFocus(0, modifiers);
        break;
    case Qt::Key_End:
        MoveFocus(m_nItemCount - 1, modifiers);
        break;
    case Qt::Key_Space:
        if (m_nFocusItem >= 0) {
            m_selection.set(m_nFocusItem, (modifiers & Qt::ControlModifier)
                                              ? !m_selection.isSelected(m_nFocusItem)
                                              : true);
            SelectionChanged();
        }
        break;
    case Qt::Key_Menu:
        break; // the context-menu event follows
    case Qt::Key_F10:
        // Shift+F10 is the menu key's twin; the desktop sends no
        // context-menu event for it.
        if ((modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)) !=
            Qt::ShiftModifier) {
            event->ignore();
            return;
        }
        ShowContextMenu(QPoint(-1, -1));
        break;
    default:
        if (!commandKey) {
            event->ignore();
            return;
        }
        break;
    }
    event->accept();
}

void CKVLTListCtrl::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void CKVLTListCtrl::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void CKVLTListCtrl::SelectionChanged() {
    viewport()->update();
    if (m_footer)
        m_footer->Refresh();
    emit selectionChanged();
}
