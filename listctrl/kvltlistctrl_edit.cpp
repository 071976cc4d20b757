// CKVLTListCtrl: in-place editing of cells. Idle, then one editor shown over
// one cell, then idle again by a commit (the owner hears of it) or a cancel
// (it does not).
#include "kvltlistctrl.h"

#include "kvltheaderctrl.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {
constexpr int kDateEditorGrowth = 3; // the date picker is taller than a row, above and below
constexpr int kComboVisibleItems = 20;
} // namespace

// ------------------------------------------------------------------ registration

void CKVLTListCtrl::SetColumnEditor(unsigned nColumn, QWidget* pEditor, QObject* pNotifyWnd,
                                    unsigned nEndMessage, unsigned nBeginMessage) {
    if (m_nEditColumn == int(nColumn))
        CancelEdit();
    if (!pEditor) {
        m_mapEditItems.remove(nColumn);
        return;
    }
    pEditor->hide();
    m_mapEditItems.insert(nColumn, {pEditor, pNotifyWnd, nEndMessage, nBeginMessage});
}

CKVLTListCtrl_Edit* CKVLTListCtrl::GetEditCtrl() {
    if (!m_pEditCtrl)
        m_pEditCtrl = new CKVLTListCtrl_Edit(viewport());
    return m_pEditCtrl;
}

CKVLTListCtrl_Combo* CKVLTListCtrl::GetComboCtrl() {
    if (!m_pComboCtrl)
        m_pComboCtrl = new CKVLTListCtrl_Combo(viewport());
    return m_pComboCtrl;
}

CKVLTListCtrl_Checkbox* CKVLTListCtrl::GetCheckboxCtrl() {
    if (!m_pCheckboxCtrl) {
        m_pCheckboxCtrl = new CKVLTListCtrl_Checkbox(viewport());
        m_pCheckboxCtrl->setAutoFillBackground(true);
    }
    return m_pCheckboxCtrl;
}

CKVLTListCtrl_Date* CKVLTListCtrl::GetDateCtrl() {
    if (!m_pDateCtrl)
        m_pDateCtrl = new CKVLTListCtrl_Date(viewport());
    return m_pDateCtrl;
}

// ------------------------------------------------------------------ cells

QRect CKVLTListCtrl::GetSubItemRect(int nItem, int nColumn) const {
    const QRect row = GetItemRect(nItem);
    if (row.isEmpty() || nColumn < 0 || nColumn >= GetColumnCount())
        return {};
    if (m_nView != LVS_REPORT)
        return nColumn == 0 ? row : QRect();
    return QRect(m_pHeader->sectionViewportPosition(nColumn), row.top(),
                 m_pHeader->sectionSize(nColumn), row.height());
}

int CKVLTListCtrl::SubItemHitTest(const QPoint& point, int* pColumn) const {
    const int item = HitTest(point);
    const int column = item < 0                ? -1
                       : m_nView == LVS_REPORT ? m_pHeader->logicalIndexAt(point.x())
                                               : 0;
    if (pColumn)
        *pColumn = column;
    return column < 0 ? -1 : item;
}

// ------------------------------------------------------------------ begin, commit, cancel

bool CKVLTListCtrl::BeginEdit(int nItem, int nColumn) {
    if (m_pActiveEditor)
        CommitEdit();
    const auto entry = m_mapEditItems.constFind(unsigned(nColumn));
    if (entry == m_mapEditItems.cend() || !entry->pEditor || nItem < 0 || nItem >= m_nItemCount)
        return false;
    QWidget* editor = entry->pEditor;
    m_pActiveEditor = editor;
    m_nEditItem = nItem;
    m_nEditColumn = nColumn;
    m_bEditNoChange = false;
    if (auto* textBox = qobject_cast<QLineEdit*>(editor)) {
        m_strEditOriginal = GetItemText(nItem, nColumn);
        textBox->setText(m_strEditOriginal);
        textBox->selectAll();
    }
    QObject* notify = entry->pNotifyWnd ? entry->pNotifyWnd.data() : parentWidget();
    sendListMessage(notify, this, entry->nBeginMessage, nItem, nColumn);
    // The owner may have ended the edit (its rows changed) while it prepared.
    if (m_pActiveEditor != editor)
        return false;

    if (editor == m_pComboCtrl)
        m_pComboCtrl->setMaxVisibleItems(std::clamp(m_pComboCtrl->count(), 1, kComboVisibleItems));
    if (editor->parentWidget() != viewport())
        editor->setParent(viewport());
    if (!dynamic_cast<CKVLTListEditor*>(editor))
        editor->installEventFilter(this); // Enter and Escape for an owner's own editor
    PlaceEditor();
    if (!m_pActiveEditor)
        return false;
    editor->show();
    editor->raise();
    editor->setFocus(Qt::OtherFocusReason);
    return true;
}

void CKVLTListCtrl::PlaceEditor() {
    if (!m_pActiveEditor)
        return;
    QRect cell = GetSubItemRect(m_nEditItem, m_nEditColumn);
    if (cell.isEmpty()) {
        CancelEdit(); // the view no longer shows that cell
        return;
    }
    if (qobject_cast<QDateTimeEdit*>(m_pActiveEditor.data()))
        cell.adjust(0, -kDateEditorGrowth, 0, kDateEditorGrowth);
    m_pActiveEditor->setGeometry(cell);
}

// Forgets the edit and hides its editor; the list takes the focus when the
// editor had it.
void CKVLTListCtrl::EndActiveEdit() {
    QWidget* editor = m_pActiveEditor.data();
    m_pActiveEditor = nullptr;
    m_nEditItem = m_nEditColumn = -1;
    if (!editor)
        return;
    editor->removeEventFilter(this);
    QWidget* focus = QApplication::focusWidget();
    const bool hadFocus = focus && (focus == editor || editor->isAncestorOf(focus));
    editor->hide();
    if (hadFocus)
        setFocus(Qt::OtherFocusReason);
}

void CKVLTListCtrl::CommitEdit() {
    if (!m_pActiveEditor)
        return;
    QWidget* editor = m_pActiveEditor.data();
    const int item = m_nEditItem, column = m_nEditColumn;
    EndActiveEdit();
    m_bEditNoChange = false;
    if (auto* textBox = qobject_cast<QLineEdit*>(editor);
        textBox && textBox->text() == m_strEditOriginal) {
        m_bEditNoChange = true;
        return;
    }
    const KVLTListCtrlEditItem entry = m_mapEditItems.value(unsigned(column));
    QObject* notify = entry.pNotifyWnd ? entry.pNotifyWnd.data() : parentWidget();
    sendListMessage(notify, this, entry.nEndMessage, item, column);
}

void CKVLTListCtrl::CancelEdit() {
    if (!m_pActiveEditor)
        return;
    m_bEditNoChange = true;
    EndActiveEdit();
}

void CKVLTListCtrl::OnEndLabelEdit(const KVLTEndLabelEditEvent& end) {
    // A late notice of an edit that is already over changes nothing.
    if (!m_pActiveEditor || end.editor() != m_pActiveEditor)
        return;
    if (end.itemParam() == 1)
        CancelEdit();
    else if (!m_bEditNoChange)
        CommitEdit();
}

// ------------------------------------------------------------------ events

bool CKVLTListCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pActiveEditor && ForwardFilterCommandKey(event))
        return true;
    if (watched != m_pActiveEditor ||
        (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride))
        return QAbstractScrollArea::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Escape)
        return QAbstractScrollArea::eventFilter(watched, event);
    event->accept();
    if (event->type() == QEvent::KeyPress) {
        if (key == Qt::Key_Escape)
            CancelEdit();
        else
            CommitEdit();
    }
    return true;
}

void CKVLTListCtrl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    int column = -1;
    const int item = SubItemHitTest(event->position().toPoint(), &column);
    const bool sameCell = item >= 0 && item == m_nPressItem && column == m_nPressColumn;
    m_nPressItem = m_nPressColumn = -1;
    if (sameCell)
        BeginEdit(item, column);
}
