// A list whose cells are "r<row>c<column>" unless a test gives other texts,
// and a parent window to put it in.
#pragma once

#include "kvltlistctrl.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class TestList final : public CKVLTListCtrl {
  public:
    explicit TestList(QWidget* parent = nullptr, int rows = 0, int columns = 2)
        : CKVLTListCtrl(parent) {
        for (int c = 0; c < columns; ++c)
            InsertColumn(c, QStringLiteral("Col%1").arg(c), LVCFMT_LEFT, 80);
        SetItemCount(rows);
        SetRandomSeed(12345);
    }

    std::function<QString(int, int)> text;
    std::function<int(int, int)> image;
    std::vector<unsigned> ownCommands; // owner-menu ids that reached the list

  protected:
    QString OnGetItemText(int nItem, int nSubItem) const override {
        return text ? text(nItem, nSubItem) : QStringLiteral("r%1c%2").arg(nItem).arg(nSubItem);
    }
    int OnGetItemImage(int nItem, int nSubItem) const override {
        return image ? image(nItem, nSubItem) : -1;
    }
    bool OnCommand(unsigned nID) override {
        if (nID < kFirstGeneratedId) {
            ownCommands.push_back(nID);
            return true;
        }
        return CKVLTListCtrl::OnCommand(nID);
    }
};

// A shown top-level window holding one list at 10,40 of 300 x 200.
struct ListWindow {
    explicit ListWindow(int rows = 0, int columns = 2) {
        window.resize(400, 320);
        list = new TestList(&window, rows, columns);
        list->setGeometry(10, 40, 300, 200);
        window.show();
        // Let the scroll bars settle as the event loop would.
        QCoreApplication::processEvents();
    }
    QWidget window;
    TestList* list = nullptr;
};

// Every selected row, walking the list's selection in order.
inline std::vector<int> selectedRows(const CKVLTListCtrl& list) {
    std::vector<int> rows;
    for (int r = list.GetNextItem(-1, CKVLTListCtrl::LVNI_SELECTED); r >= 0;
         r = list.GetNextItem(r, CKVLTListCtrl::LVNI_SELECTED))
        rows.push_back(r);
    return rows;
}

// The owner's side of the list's messages: every KVLTListMessageEvent that
// arrives, in order.
class MessageLog final : public QObject {
  public:
    struct Message {
        unsigned message;
        long long wParam;
        long long lParam;
        bool operator==(const Message&) const = default;
    };
    std::vector<Message> received;
    // Runs for each message as it arrives (the owner's handler).
    std::function<void(const Message&)> onMessage;

    size_t count(unsigned message) const {
        size_t n = 0;
        for (const Message& m : received)
            n += m.message == message;
        return n;
    }

  protected:
    bool event(QEvent* e) override {
        if (e->type() != KVLTListMessageEvent::eventType())
            return QObject::event(e);
        const auto* m = static_cast<KVLTListMessageEvent*>(e);
        received.push_back({m->message(), m->wParam(), m->lParam()});
        if (onMessage)
            onMessage(received.back());
        return true;
    }
};
