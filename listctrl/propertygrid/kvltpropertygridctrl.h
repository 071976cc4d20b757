// A property grid: a two-column list of named values (name and value),
// grouped, with in-place editing of the values.
//
// The name column keeps its width: it returns to m_nNameColumnWidth at every
// layout, even after the user dragged the divider. A change can be sent to the
// parent window as an event of type m_nChangeMessage; a required value that is
// emptied is put back instead; a boolean row with dependents shows or hides
// them.
#pragma once

#include "kvltpropertygridproperty.h"

#include <QEvent>
#include <QTreeView>

#include <cstdint>
#include <vector>

class QLabel;
class KVLTPropertyGridModel;

// Sent to the parent window when a row changed: the row as first parameter,
// 0 as second.
class KVLTPropertyChangedEvent final : public QEvent {
  public:
    KVLTPropertyChangedEvent(QEvent::Type type, CKVLTPropertyGridProperty* pProp)
        : QEvent(type), m_pProp(pProp) {}
    CKVLTPropertyGridProperty* wParam() const { return m_pProp; }
    intptr_t lParam() const { return 0; }

  private:
    CKVLTPropertyGridProperty* m_pProp;
};

class CKVLTPropertyGridCtrl : public QTreeView {
    Q_OBJECT
  public:
    enum Column { NameColumn, ValueColumn, ColumnCount };

    explicit CKVLTPropertyGridCtrl(QWidget* pParent = nullptr);
    ~CKVLTPropertyGridCtrl() override;

    // Takes ownership of a top-level row (a group or a value). Returns its index,
    // or -1 when the row is null or already placed.
    int AddProperty(CKVLTPropertyGridProperty* pProp, bool bRedraw = true,
                    bool bAdjustLayout = true);
    int GetPropertyCount() const { return int(m_lstProps.size()); }
    CKVLTPropertyGridProperty* GetProperty(int nIndex) const {
        return m_lstProps.at(size_t(nIndex));
    }
    void RemoveAll();
    // The row shown at a model index, or null.
    CKVLTPropertyGridProperty* PropertyAt(const QModelIndex& index) const;
    QModelIndex IndexOf(const CKVLTPropertyGridProperty* pProp, int nColumn = NameColumn) const;
    CKVLTPropertyGridProperty* GetCurSel() const { return PropertyAt(currentIndex()); }

    // Puts the name column back at its width and applies rows' visibility.
    virtual void AdjustLayout();
    // A row's value changed through the grid; see the class comment.
    virtual bool OnPropertyChanged(CKVLTPropertyGridProperty* pProp);

    void SetNameColumnWidth(int nWidth) {
        m_nNameColumnWidth = nWidth;
        AdjustLayout();
    }
    int GetNameColumnWidth() const { return m_nNameColumnWidth; }
    void SetChangeMessage(uint32_t nMessage) { m_nChangeMessage = nMessage; }
    uint32_t GetChangeMessage() const { return m_nChangeMessage; }

    // Settings of the grid's look.
    void EnableHeaderCtrl(bool bEnable = true);
    void EnableDescriptionArea(bool bEnable = true);
    bool IsDescriptionArea() const { return m_bDescriptionArea; }
    void SetDescriptionRows(int nRows);
    void MarkModifiedProperties(bool bMark = true);
    bool IsMarkModifiedProperties() const { return m_bMarkModified; }
    void SetVSDotNetLook(bool bSet = true);
    bool IsVSDotNetLook() const { return m_bVSDotNetLook; }
    // Alphabetic mode is not offered: rows always stay in their groups.
    void SetAlphabeticMode(bool) {}
    // The text the description area shows for the current row.
    QString DescriptionText() const;

    // Tells the grid that a row's value was set from code.
    void UpdateProperty(CKVLTPropertyGridProperty* pProp);

  signals:
    // After every accepted change (the grid's own change handling).
    void propertyChanged(CKVLTPropertyGridProperty* pProp);

  protected:
    void resizeEvent(QResizeEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

    int m_nNameColumnWidth = 180;
    uint32_t m_nChangeMessage = 0;

  private:
    friend class KVLTPropertyGridModel;
    friend class CKVLTPropertyGridProperty;
    void ApplyVisibility(CKVLTPropertyGridProperty* pProp);
    void SpanGroups(CKVLTPropertyGridProperty* pProp);
    void PlaceDescription();

    std::vector<CKVLTPropertyGridProperty*> m_lstProps; // owned
    KVLTPropertyGridModel* m_pModel = nullptr;
    QLabel* m_pDescription = nullptr;
    bool m_bDescriptionArea = false;
    int m_nDescriptionRows = 3;
    bool m_bMarkModified = false;
    bool m_bVSDotNetLook = false;
};
