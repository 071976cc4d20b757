// The in-place editors of the list control: a text box, a drop-down list, a
// check box and a date picker, shown over one cell while the user edits it.
//
// All four behave alike: Enter ends the edit, Escape cancels it (both keys
// are theirs alone), and losing the focus ends the edit only when the focus
// went to the list itself, so switching to another window leaves the editor
// open. Ending sends the list a KVLTEndLabelEditEvent; the list then
// commits or cancels (kvltlistctrl.h) and tells the owner, who reads the
// editor and writes the value into its own data.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QLineEdit>
#include <QPointer>

class CKVLTListCtrl;
class QObject;

// The list view's end-of-label-edit notification, from an editor to its list.
class KVLTEndLabelEditEvent final : public QEvent {
  public:
    KVLTEndLabelEditEvent(QWidget* editor, int ctrlId, bool cancelled)
        : QEvent(eventType()), m_editor(editor), m_ctrlId(ctrlId), m_cancelled(cancelled) {}
    static QEvent::Type eventType();

    QWidget* editor() const { return m_editor; }
    int ctrlId() const { return m_ctrlId; } // the editor's "controlId" property
    // The item parameter: 1 when the user cancelled, else 0.
    long long itemParam() const { return m_cancelled ? 1 : 0; }

  private:
    QWidget* m_editor;
    int m_ctrlId;
    bool m_cancelled;
};

// An editor's registration for one column of a list.
struct KVLTListCtrlEditItem {
    QPointer<QWidget> pEditor;    // not owned
    QPointer<QObject> pNotifyWnd; // null: the list's parent
    unsigned nEndMessage = 0;     // sent after a commit; 0 for none
    unsigned nBeginMessage = 0;   // sent before the editor shows; 0 for none
};

// What the four editors share.
class CKVLTListEditor {
  public:
    virtual ~CKVLTListEditor() = default;
    bool m_bCancelled = false; // the user pressed Escape

  protected:
    // Enter and Escape, before the control sees them; true when consumed.
    bool EditorEvent(QWidget* self, QEvent* event);
    // After the control's own focus-out handling.
    void EditorFocusOut(QWidget* self);
    // Sends the end notification to the list and clears m_bCancelled.
    void EndEdit(QWidget* self);
};

template <class Control> class CKVLTListEditorT : public Control, public CKVLTListEditor {
  public:
    explicit CKVLTListEditorT(QWidget* parent = nullptr) : Control(parent) { Control::hide(); }

  protected:
    bool event(QEvent* event) override { return EditorEvent(this, event) || Control::event(event); }
    void focusOutEvent(QFocusEvent* event) override {
        Control::focusOutEvent(event);
        EditorFocusOut(this);
    }
};

class CKVLTListCtrl_Edit final : public CKVLTListEditorT<QLineEdit> {
  public:
    using CKVLTListEditorT::CKVLTListEditorT;
};

// Closing the drop-down without a choice ends the edit.
class CKVLTListCtrl_Combo final : public CKVLTListEditorT<QComboBox> {
  public:
    using CKVLTListEditorT::CKVLTListEditorT;
    void showPopup() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    bool m_bChosen = false;
    bool m_bWatching = false;
};

class CKVLTListCtrl_Checkbox final : public CKVLTListEditorT<QCheckBox> {
  public:
    using CKVLTListEditorT::CKVLTListEditorT;
};

class CKVLTListCtrl_Date final : public CKVLTListEditorT<QDateEdit> {
  public:
    explicit CKVLTListCtrl_Date(QWidget* parent = nullptr);
};
