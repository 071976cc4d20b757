#include "kvltheaderctrl.h"

#include "kvltfilterrow.h"

#include <QMouseEvent>
#include <QPainter>

int KVLTColumnModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 0;
}

int KVLTColumnModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

// The list's rows live in the derived list, never here.
QVariant KVLTColumnModel::data(const QModelIndex& index, int) const {
    Q_UNUSED(index);
    return {};
}

QVariant KVLTColumnModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return m_columns[section].title;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_columns[section].alignment | Qt::AlignVCenter);
    default:
        return {};
    }
}

bool KVLTColumnModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                                    int role) {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return false;
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        m_columns[section].title = value.toString();
    else if (role == Qt::TextAlignmentRole)
        m_columns[section].alignment = Qt::Alignment(value.toInt()) & Qt::AlignHorizontal_Mask;
    else
        return false;
    emit headerDataChanged(Qt::Horizontal, section, section);
    return true;
}

int KVLTColumnModel::insertColumn(int column, const QString& title, Qt::Alignment alignment) {
    if (column < 0 || column > m_columns.size())
        column = int(m_columns.size());
    beginInsertColumns({}, column, column);
    m_columns.insert(column, Column{title, alignment & Qt::AlignHorizontal_Mask});
    endInsertColumns();
    return column;
}

bool KVLTColumnModel::removeColumn(int column) {
    if (column < 0 || column >= m_columns.size())
        return false;
    beginRemoveColumns({}, column, column);
    m_columns.removeAt(column);
    endRemoveColumns();
    return true;
}

QString KVLTColumnModel::title(int column) const {
    return column >= 0 && column < m_columns.size() ? m_columns[column].title : QString();
}

Qt::Alignment KVLTColumnModel::alignment(int column) const {
    return column >= 0 && column < m_columns.size() ? m_columns[column].alignment
                                                    : Qt::Alignment(Qt::AlignLeft);
}

CKVLTHeaderCtrl::CKVLTHeaderCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    // Rows always keep the derived list's order: a click never sorts.
    setSortIndicatorShown(false);
    setSectionsClickable(true);
    setSectionsMovable(true);
    setHighlightSections(false);
    setStretchLastSection(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_pFilterRow = new CKVLTFilterRow(this);
}

void CKVLTHeaderCtrl::setModel(QAbstractItemModel* model) {
    QHeaderView::setModel(model);
    m_pFilterRow->AttachModel(model);
}

void CKVLTHeaderCtrl::SetFilterBar(bool bOn) {
    m_pFilterRow->SetVisible(bOn);
    updateGeometry();
    viewport()->update();
}

bool CKVLTHeaderCtrl::HasFilterBar() const {
    return m_pFilterRow->IsVisible();
}

QSize CKVLTHeaderCtrl::sizeHint() const {
    return QHeaderView::sizeHint() + QSize(0, m_pFilterRow->Height());
}

// The titles take the top of the header; the filter row's fields lie below them.
void CKVLTHeaderCtrl::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    const int filterHeight = m_pFilterRow->Height();
    QHeaderView::paintSection(painter, rect.adjusted(0, 0, 0, -filterHeight), logicalIndex);
    if (filterHeight > 0)
        painter->fillRect(
            QRect(rect.left(), rect.bottom() - filterHeight + 1, rect.width(), filterHeight),
            palette().window());
}

const QVector<int>& CKVLTHeaderCtrl::ReadColumnOrder() {
    m_arrColumnOrder.resize(count());
    for (int visual = 0; visual < count(); ++visual)
        m_arrColumnOrder[visual] = logicalIndex(visual);
    return m_arrColumnOrder;
}

void CKVLTHeaderCtrl::mousePressEvent(QMouseEvent* event) {
    // The filter row's gaps are not part of a title: no click, drag or move there.
    if (event->position().y() >= height() - m_pFilterRow->Height()) {
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton)
        m_nHitColumn = logicalIndexAt(event->position().toPoint());
    QHeaderView::mousePressEvent(event);
}
