#include "kvlteditors.h"

#include "kvltlistctrl.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

namespace {

CKVLTListCtrl* owningList(QWidget* editor) {
    for (QWidget* w = editor->parentWidget(); w; w = w->parentWidget())
        if (auto* list = dynamic_cast<CKVLTListCtrl*>(w))
            return list;
    return nullptr;
}

bool isEndKey(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape;
}

} // namespace

QEvent::Type KVLTEndLabelEditEvent::eventType() {
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

// ------------------------------------------------------------------ shared behaviour

bool CKVLTListEditor::EditorEvent(QWidget* self, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (CKVLTListCtrl::IsFilterCommandKey(key)) {
        // The list's filter commands: the edit ends as Enter ends it, then
        // the command runs on the list.
        CKVLTListCtrl* list = owningList(self);
        return list && list->ForwardFilterCommandKey(event);
    }
    if (!isEndKey(key->key()))
        return false;
    event->accept();
    // A shortcut of the window must not take the key from the editor.
    if (event->type() == QEvent::ShortcutOverride)
        return true;
    if (key->key() == Qt::Key_Escape)
        m_bCancelled = true;
    EndEdit(self);
    return true;
}

void CKVLTListEditor::EditorFocusOut(QWidget* self) {
    // The focus is already where it went.
    CKVLTListCtrl* list = owningList(self);
    QWidget* now = QApplication::focusWidget();
    if (list && now && (now == list || now == list->viewport()))
        EndEdit(self);
}

void CKVLTListEditor::EndEdit(QWidget* self) {
    const bool cancelled = m_bCancelled;
    m_bCancelled = false;
    if (CKVLTListCtrl* list = owningList(self)) {
        KVLTEndLabelEditEvent end(self, self->property("controlId").toInt(), cancelled);
        QCoreApplication::sendEvent(list, &end);
    }
}

// ------------------------------------------------------------------ combo box

void CKVLTListCtrl_Combo::showPopup() {
    if (!m_bWatching) {
        connect(this, &QComboBox::activated, this, [this] { m_bChosen = true; });
        m_bWatching = true;
    }
    m_bChosen = false;
    QComboBox::showPopup();
    if (QWidget* popup = view()->window(); popup && popup != window())
        popup->installEventFilter(this); // once: Qt keeps one filter per object
}

bool CKVLTListCtrl_Combo::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Hide && watched == view()->window()) {
        // The choice, if any, is announced after the list hides: decide once
        // the closing is over.
        QTimer::singleShot(0, this, [this] {
            if (!m_bChosen && isVisible())
                EndEdit(this);
        });
    }
    return QComboBox::eventFilter(watched, event);
}

// ------------------------------------------------------------------ date picker

CKVLTListCtrl_Date::CKVLTListCtrl_Date(QWidget* parent) : CKVLTListEditorT(parent) {
    setCalendarPopup(true);
    setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
}
