// The three-pane bar under a list: how many items it holds, how many are
// selected, and the position of the first selected one.
#pragma once

#include <QString>
#include <QWidget>

#include <array>
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
    // Pane n's rectangle in the bar's coordinates. Where the bar is wide
    // enough, one row: panes 1 and 2 are 150 wide at the right and pane 0
    // takes the free width. A bar too narrow for that flows the panes into
    // rows, each pane as wide as its label and the list's largest number
    // need, the last of a row taking what the row has left: labels are never
    // cut.
    QRect PaneRect(int n) const;
    // The bar's height at a width: 20 pixels per row.
    int HeightFor(int nWidth) const;

    CKVLTListCtrl* m_pList = nullptr;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    // The three panes laid out at a width.
    std::array<QRect, kPaneCount> Layout(int nWidth) const;
    // The width pane n needs to show its label and any number the list can give it.
    int NeededWidth(int n) const;

    unsigned m_nID = 0;
};
