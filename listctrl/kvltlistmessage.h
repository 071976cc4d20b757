// The messages a list control sends its owner: filters changed, an in-place
// edit about to begin, an edit committed. The owner chooses the message
// numbers when it sets the list up; the list sends them synchronously, the
// way the platform sends a window message, and the owner handles them in
// its event() override:
//
//     if (e->type() == KVLTListMessageEvent::eventType()) {
//         auto* message = static_cast<KVLTListMessageEvent*>(e);
//         if (message->message() == WM_REGISTER_EDITED) { ... return true; }
//     }
#pragma once

#include <QEvent>

class CKVLTListCtrl;
class QObject;

class KVLTListMessageEvent final : public QEvent {
  public:
    KVLTListMessageEvent(CKVLTListCtrl* pList, unsigned nMessage, long long wParam,
                         long long lParam)
        : QEvent(eventType()), m_list(pList), m_message(nMessage), m_wParam(wParam),
          m_lParam(lParam) {}
    static QEvent::Type eventType();

    CKVLTListCtrl* list() const { return m_list; }
    unsigned message() const { return m_message; }
    long long wParam() const { return m_wParam; } // edits: the item
    long long lParam() const { return m_lParam; } // edits: the column

  private:
    CKVLTListCtrl* m_list;
    unsigned m_message;
    long long m_wParam;
    long long m_lParam;
};

// Sends the message to receiver at once. Nothing is sent for message 0 or
// without a receiver; false then.
bool sendListMessage(QObject* receiver, CKVLTListCtrl* pList, unsigned nMessage, long long wParam,
                     long long lParam);
