// The three-pane bar under a list: how many items it holds, how many are
// selected, and the position of the first selected one.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

class CKVLTListCtrl;

class CKVLTListFooter final : public QWidget {
    Q_OBJECT
  public:
    CKVLTListFooter() = default;

    static constexpr int kPaneCount = 3;
    static constexpr int kHeight = 20;

    // Makes the bar a visible child of the parent that reports on pList.
    // Fails (false) without a parent or a list.
    bool Create(QWidget* pParent, CKVLTListCtrl* pList, unsigned nID);
    unsigned GetDlgCtrlID() const { return m_nID; }

    // Repaints the whole bar.
    void Refresh() { update(); }

    struct Pane {
        QString label; // empty: the pane shows nothing of its own
        uint64_t number = 0;
    };
    // What pane n shows now.
    Pane PaneContent(int n) const;
    // The number of pane n as drawn: grouped digits, empty when the pane has no label.
    QString PaneNumberText(int n) const;
    // Pane n's rectangle in the bar's coordinates: pane 0 takes the free width.
    QRect PaneRect(int n) const;

    CKVLTListCtrl* m_pList = nullptr;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    unsigned m_nID = 0;
};
