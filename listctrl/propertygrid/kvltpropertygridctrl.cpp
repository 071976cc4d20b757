#include "kvltpropertygridctrl.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStyledItemDelegate>

#include <algorithm>

// ---------------------------------------------------------------------------
// The model: the rows of the grid as a tree, two columns
// ---------------------------------------------------------------------------

class KVLTPropertyGridModel final : public QAbstractItemModel {
  public:
    explicit KVLTPropertyGridModel(CKVLTPropertyGridCtrl* grid)
        : QAbstractItemModel(grid), m_grid(grid) {}

    static CKVLTPropertyGridProperty* prop(const QModelIndex& index) {
        return index.isValid() ? static_cast<CKVLTPropertyGridProperty*>(index.internalPointer())
                               : nullptr;
    }

    QModelIndex indexOf(const CKVLTPropertyGridProperty* p, int column) const {
        if (p == nullptr || p->GetGrid() != m_grid)
            return {};
        const int row = p->IndexInParent();
        return row < 0 ? QModelIndex()
                       : createIndex(row, column, const_cast<CKVLTPropertyGridProperty*>(p));
    }

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override {
        if (row < 0 || column < 0 || column >= CKVLTPropertyGridCtrl::ColumnCount)
            return {};
        if (!parent.isValid()) {
            if (size_t(row) >= m_grid->m_lstProps.size())
                return {};
            return createIndex(row, column, m_grid->m_lstProps[size_t(row)]);
        }
        if (parent.column() != 0)
            return {};
        CKVLTPropertyGridProperty* p = prop(parent);
        if (row >= p->GetSubItemsCount())
            return {};
        return createIndex(row, column, p->GetSubItem(row));
    }

    QModelIndex parent(const QModelIndex& child) const override {
        CKVLTPropertyGridProperty* p = prop(child);
        return p && p->GetParent() ? indexOf(p->GetParent(), 0) : QModelIndex();
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        if (!parent.isValid())
            return int(m_grid->m_lstProps.size());
        return parent.column() == 0 ? prop(parent)->GetSubItemsCount() : 0;
    }

    int columnCount(const QModelIndex& = {}) const override {
        return CKVLTPropertyGridCtrl::ColumnCount;
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        const CKVLTPropertyGridProperty* p = prop(index);
        const bool value = index.column() == CKVLTPropertyGridCtrl::ValueColumn;
        switch (role) {
        case Qt::DisplayRole:
            if (value)
                return p->IsGroup() ? QVariant() : QVariant(p->FormatProperty());
            return p->GetName();
        case Qt::EditRole:
            return value && !p->IsGroup() ? p->FormatProperty() : QVariant();
        case Qt::ToolTipRole:
            return p->GetDescription().isEmpty() ? QVariant() : QVariant(p->GetDescription());
        case Qt::FontRole:
            if (p->IsGroup() || (value && m_grid->IsMarkModifiedProperties() && p->IsModified())) {
                QFont font = m_grid->font();
                font.setBold(true);
                return font;
            }
            return {};
        case Qt::ForegroundRole:
            if (!p->IsEnabled())
                return QColor(Qt::gray);
            return value ? QVariant(p->GetTextColor()) : QVariant();
        case Qt::BackgroundRole:
            return value && !p->IsGroup() ? QVariant(p->GetBackColor()) : QVariant();
        default:
            return {};
        }
    }

    bool setData(const QModelIndex& index, const QVariant& value, int role) override {
        if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
            return false;
        CKVLTPropertyGridProperty* p = prop(index);
        const QVariant before = p->GetValue();
        if (!p->TextToVar(value.toString()))
            return false;
        if (p->GetValue() == before)
            return true;
        p->m_varPrevious = before;
        emitChanged(p);
        m_grid->OnPropertyChanged(p);
        return true;
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid())
            return Qt::NoItemFlags;
        const CKVLTPropertyGridProperty* p = prop(index);
        Qt::ItemFlags flags = Qt::ItemIsSelectable;
        if (p->IsEnabled())
            flags |= Qt::ItemIsEnabled;
        if (index.column() == CKVLTPropertyGridCtrl::ValueColumn && !p->IsGroup() &&
            p->IsAllowEdit() && p->IsEnabled())
            flags |= Qt::ItemIsEditable;
        if (p->GetSubItemsCount() == 0)
            flags |= Qt::ItemNeverHasChildren;
        return flags;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        return section == CKVLTPropertyGridCtrl::NameColumn ? QStringLiteral("Property")
                                                            : QStringLiteral("Value");
    }

    void emitChanged(const CKVLTPropertyGridProperty* p) {
        const QModelIndex first = indexOf(p, 0);
        if (first.isValid())
            emit dataChanged(first, first.siblingAtColumn(CKVLTPropertyGridCtrl::ColumnCount - 1));
    }

    // Row insertion and reset, for the grid.
    using QAbstractItemModel::beginInsertRows;
    using QAbstractItemModel::beginResetModel;
    using QAbstractItemModel::endInsertRows;
    using QAbstractItemModel::endResetModel;

  private:
    CKVLTPropertyGridCtrl* m_grid;
};

// ---------------------------------------------------------------------------
// The delegate: values drawn and edited by their rows
// ---------------------------------------------------------------------------

namespace {

class PropertyDelegate final : public QStyledItemDelegate {
  public:
    explicit PropertyDelegate(CKVLTPropertyGridCtrl* grid)
        : QStyledItemDelegate(grid), m_grid(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        CKVLTPropertyGridProperty* p = m_grid->PropertyAt(index);
        if (p && !p->IsGroup() && index.column() == CKVLTPropertyGridCtrl::ValueColumn) {
            painter->save();
            painter->setPen(QColor(0xD0, 0xD0, 0xD0)); // the grid lines
            QFont font = option.font;
            if (m_grid->IsMarkModifiedProperties() && p->IsModified())
                font.setBold(true);
            painter->setFont(font);
            p->OnDrawValue(painter, option.rect);
            painter->restore();
            return;
        }
        QStyledItemDelegate::paint(painter, option, index);
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        CKVLTPropertyGridProperty* p = m_grid->PropertyAt(index);
        if (p == nullptr)
            return nullptr;
        bool defaultFormat = true;
        return p->CreateInPlaceEdit(parent, option.rect, defaultFormat);
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        CKVLTPropertyGridProperty* p = m_grid->PropertyAt(index);
        if (auto* combo = qobject_cast<QComboBox*>(editor))
            combo->setCurrentText(p->FormatProperty());
        else if (auto* edit = qobject_cast<QLineEdit*>(editor))
            edit->setText(p->FormatProperty());
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        if (auto* combo = qobject_cast<QComboBox*>(editor))
            model->setData(index, combo->currentText());
        else if (auto* edit = qobject_cast<QLineEdit*>(editor))
            model->setData(index, edit->text());
    }

    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex&) const override {
        editor->setGeometry(option.rect);
    }

  private:
    CKVLTPropertyGridCtrl* m_grid;
};

} // namespace

// ---------------------------------------------------------------------------
// The grid
// ---------------------------------------------------------------------------

CKVLTPropertyGridCtrl::CKVLTPropertyGridCtrl(QWidget* pParent)
    : QTreeView(pParent), m_pModel(new KVLTPropertyGridModel(this)) {
    setModel(m_pModel);
    setItemDelegate(new PropertyDelegate(this));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::DoubleClicked |
                    QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setIndentation(14);
    header()->setStretchLastSection(true);
    header()->setSectionResizeMode(QHeaderView::Interactive);
    header()->setSectionsMovable(false);
    m_pDescription = new QLabel(this);
    m_pDescription->setWordWrap(true);
    m_pDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_pDescription->setFrameShape(QFrame::StyledPanel);
    m_pDescription->setTextFormat(Qt::PlainText);
    m_pDescription->hide();
    AdjustLayout();
}

CKVLTPropertyGridCtrl::~CKVLTPropertyGridCtrl() {
    setModel(nullptr);
    for (CKVLTPropertyGridProperty* p : m_lstProps)
        delete p;
}

int CKVLTPropertyGridCtrl::AddProperty(CKVLTPropertyGridProperty* pProp, bool bRedraw,
                                       bool bAdjustLayout) {
    if (pProp == nullptr || pProp->GetParent() != nullptr || pProp->GetGrid() != nullptr)
        return -1;
    const int row = int(m_lstProps.size());
    m_pModel->beginInsertRows(QModelIndex(), row, row);
    m_lstProps.push_back(pProp);
    pProp->SetGrid(this);
    m_pModel->endInsertRows();
    // Groups open expanded, as the user expects to see their rows.
    const QModelIndex index = m_pModel->indexOf(pProp, 0);
    SpanGroups(pProp);
    expandRecursively(index);
    if (bAdjustLayout)
        AdjustLayout();
    if (bRedraw)
        viewport()->update();
    return row;
}

void CKVLTPropertyGridCtrl::RemoveAll() {
    m_pModel->beginResetModel();
    for (CKVLTPropertyGridProperty* p : m_lstProps)
        delete p;
    m_lstProps.clear();
    m_pModel->endResetModel();
}

CKVLTPropertyGridProperty* CKVLTPropertyGridCtrl::PropertyAt(const QModelIndex& index) const {
    return index.model() == m_pModel ? KVLTPropertyGridModel::prop(index) : nullptr;
}

QModelIndex CKVLTPropertyGridCtrl::IndexOf(const CKVLTPropertyGridProperty* pProp,
                                           int nColumn) const {
    return m_pModel->indexOf(pProp, nColumn);
}

void CKVLTPropertyGridCtrl::UpdateProperty(CKVLTPropertyGridProperty* pProp) {
    if (pProp->GetSubItemsCount() > 0 && pProp->GetGrid() == this) {
        // A row gained sub-items: the simplest faithful view is a fresh one.
        m_pModel->beginResetModel();
        m_pModel->endResetModel();
        for (CKVLTPropertyGridProperty* p : m_lstProps)
            SpanGroups(p);
        expandAll();
        AdjustLayout();
        return;
    }
    m_pModel->emitChanged(pProp);
}

// Group rows show their name across both columns.
void CKVLTPropertyGridCtrl::SpanGroups(CKVLTPropertyGridProperty* pProp) {
    const QModelIndex index = m_pModel->indexOf(pProp, 0);
    if (index.isValid() && pProp->IsGroup())
        setFirstColumnSpanned(index.row(), index.parent(), true);
    for (int i = 0; i < pProp->GetSubItemsCount(); ++i)
        SpanGroups(pProp->GetSubItem(i));
}

void CKVLTPropertyGridCtrl::ApplyVisibility(CKVLTPropertyGridProperty* pProp) {
    const QModelIndex index = m_pModel->indexOf(pProp, 0);
    if (index.isValid())
        setRowHidden(index.row(), index.parent(), !pProp->IsVisible());
    for (int i = 0; i < pProp->GetSubItemsCount(); ++i)
        ApplyVisibility(pProp->GetSubItem(i));
}

void CKVLTPropertyGridCtrl::AdjustLayout() {
    // Whatever the user did with the divider, the name column comes back.
    header()->resizeSection(NameColumn, m_nNameColumnWidth);
    for (CKVLTPropertyGridProperty* p : m_lstProps)
        ApplyVisibility(p);
    PlaceDescription();
}

bool CKVLTPropertyGridCtrl::OnPropertyChanged(CKVLTPropertyGridProperty* pProp) {
    if (pProp->IsRequired() && pProp->FormatProperty().isEmpty()) {
        const QVariant before = pProp->GetPreviousValue();
        const bool wasEmpty = !before.isValid() ||
                              (before.typeId() != QMetaType::Bool && before.toString().isEmpty());
        if (!wasEmpty) {
            pProp->m_varValue = before;
            m_pModel->emitChanged(pProp);
            return false;
        }
    }
    if (m_nChangeMessage != 0 && parentWidget() != nullptr) {
        KVLTPropertyChangedEvent event(QEvent::Type(m_nChangeMessage), pProp);
        QCoreApplication::sendEvent(parentWidget(), &event);
    }
    if (!pProp->GetDependents().isEmpty()) {
        const QVariant value = pProp->GetValue();
        bool on = value.toBool();
        if (value.typeId() ==
            QMetaType::QString) // a text counts as true when it is a non-zero number
            on = value.toString().toLongLong() != 0;
        for (CKVLTPropertyGridProperty* dependent : pProp->GetDependents())
            dependent->Show(on, false);
        AdjustLayout();
    }
    emit propertyChanged(pProp);
    return true;
}

// ---- look -------------------------------------------------------------------

void CKVLTPropertyGridCtrl::EnableHeaderCtrl(bool bEnable) {
    header()->setVisible(bEnable);
}

void CKVLTPropertyGridCtrl::EnableDescriptionArea(bool bEnable) {
    m_bDescriptionArea = bEnable;
    PlaceDescription();
}

void CKVLTPropertyGridCtrl::SetDescriptionRows(int nRows) {
    m_nDescriptionRows = std::max(1, nRows);
    PlaceDescription();
}

void CKVLTPropertyGridCtrl::MarkModifiedProperties(bool bMark) {
    m_bMarkModified = bMark;
    viewport()->update();
}

void CKVLTPropertyGridCtrl::SetVSDotNetLook(bool bSet) {
    m_bVSDotNetLook = bSet;
    viewport()->update();
}

QString CKVLTPropertyGridCtrl::DescriptionText() const {
    const CKVLTPropertyGridProperty* p = GetCurSel();
    if (p == nullptr)
        return {};
    return p->GetDescription().isEmpty() ? p->GetName()
                                         : p->GetName() + QLatin1Char('\n') + p->GetDescription();
}

void CKVLTPropertyGridCtrl::PlaceDescription() {
    if (!m_bDescriptionArea) {
        m_pDescription->hide();
        setViewportMargins(0, 0, 0, 0);
        return;
    }
    const int height = fontMetrics().lineSpacing() * (m_nDescriptionRows + 1) + 6;
    setViewportMargins(0, 0, 0, height);
    const QRect area = contentsRect();
    m_pDescription->setGeometry(area.left(), area.bottom() - height + 1, area.width(), height);
    m_pDescription->setText(DescriptionText());
    m_pDescription->show();
}

void CKVLTPropertyGridCtrl::resizeEvent(QResizeEvent* e) {
    QTreeView::resizeEvent(e);
    AdjustLayout();
}

// A click on a value starts editing it at once, as users of property grids expect.
void CKVLTPropertyGridCtrl::mousePressEvent(QMouseEvent* e) {
    QTreeView::mousePressEvent(e);
    if (e->button() != Qt::LeftButton)
        return;
    const QModelIndex index = indexAt(e->position().toPoint());
    if (index.isValid() && index.column() == ValueColumn &&
        (model()->flags(index) & Qt::ItemIsEditable) && state() != EditingState)
        edit(index);
}

void CKVLTPropertyGridCtrl::currentChanged(const QModelIndex& current,
                                           const QModelIndex& previous) {
    QTreeView::currentChanged(current, previous);
    if (m_bDescriptionArea)
        m_pDescription->setText(DescriptionText());
}

void CKVLTPropertyGridCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    const CKVLTPropertyGridProperty* p = PropertyAt(index);
    if (p && p->IsGroup() && m_bVSDotNetLook)
        painter->fillRect(option.rect, palette().color(QPalette::Button));
    QTreeView::drawRow(painter, option, index);
}
