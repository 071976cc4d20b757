// One row of the property grid: a named value, or a group of rows.
//
// Beyond a plain property it can draw its value in its own colours, refuse to
// be emptied (m_bRequired), limit the editor's input, use a plain text box with
// given edit styles, and show or hide dependent properties by its own value
// (a check property that switches a set of options on and off).
#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QVariant>

#include <climits>
#include <cstdint>
#include <vector>

class QPainter;
class QRect;
class QWidget;
class CKVLTPropertyGridCtrl;

// Edit styles for the plain text box, same numbers as the edit control's.
constexpr uint32_t KVLT_ES_CENTER = 0x0001;
constexpr uint32_t KVLT_ES_RIGHT = 0x0002;
constexpr uint32_t KVLT_ES_UPPERCASE = 0x0008;
constexpr uint32_t KVLT_ES_LOWERCASE = 0x0010;
constexpr uint32_t KVLT_ES_PASSWORD = 0x0020;
constexpr uint32_t KVLT_ES_AUTOHSCROLL = 0x0080;
constexpr uint32_t KVLT_ES_READONLY = 0x0800;
constexpr uint32_t KVLT_ES_NUMBER = 0x2000;

// The control id of the plain text box, kept as the property "controlId".
constexpr int kPropertyEditControlId = 3;

class CKVLTPropertyGridProperty {
  public:
    // A value row. The value's type (text, number, boolean) is kept when edited.
    CKVLTPropertyGridProperty(const QString& strName, const QVariant& varValue,
                              const QString& strDescription = {});
    // A group row; its rows are added with AddSubItem.
    explicit CKVLTPropertyGridProperty(const QString& strGroupName);
    virtual ~CKVLTPropertyGridProperty();
    CKVLTPropertyGridProperty(const CKVLTPropertyGridProperty&) = delete;
    CKVLTPropertyGridProperty& operator=(const CKVLTPropertyGridProperty&) = delete;

    // ---- tree ---------------------------------------------------------------
    // Takes ownership. False (and nothing taken) for a null or already placed row.
    bool AddSubItem(CKVLTPropertyGridProperty* pProp);
    int GetSubItemsCount() const { return int(m_lstSubItems.size()); }
    CKVLTPropertyGridProperty* GetSubItem(int nIndex) const {
        return m_lstSubItems.at(size_t(nIndex));
    }
    CKVLTPropertyGridProperty* GetParent() const { return m_pParent; }
    int IndexInParent() const;
    bool IsGroup() const { return m_bGroup; }
    CKVLTPropertyGridCtrl* GetGrid() const { return m_pWndList; }

    // ---- value --------------------------------------------------------------
    const QString& GetName() const { return m_strName; }
    const QString& GetDescription() const { return m_strDescription; }
    const QVariant& GetValue() const { return m_varValue; }
    const QVariant& GetOriginalValue() const { return m_varValueOrig; }
    // The value before the last change made through the grid.
    const QVariant& GetPreviousValue() const { return m_varPrevious; }
    void SetValue(const QVariant& varValue);
    void SetOriginalValue(const QVariant& varValue) { m_varValueOrig = varValue; }
    bool IsModified() const { return m_varValue != m_varValueOrig; }
    // The value as shown: booleans as "True"/"False", the rest as text.
    virtual QString FormatProperty() const;
    // Converts edited text to the value's own type; false when it does not fit.
    virtual bool TextToVar(const QString& strText);
    bool IsBool() const { return m_nValueType == QMetaType::Bool; }

    void AllowEdit(bool bAllow = true) { m_bAllowEdit = bAllow; }
    bool IsAllowEdit() const { return m_bAllowEdit; }
    void Enable(bool bEnable = true) { m_bEnabled = bEnable; }
    bool IsEnabled() const { return m_bEnabled; }
    // Shows or hides this row with all its sub-items.
    void Show(bool bShow = true, bool bAdjustLayout = true);
    bool IsVisible() const { return m_bVisible; }

    // ---- what this grid adds --------------------------------------------------
    void SetEditStyle(uint32_t dwStyle) { m_dwEditStyle = dwStyle; }
    uint32_t GetEditStyle() const { return m_dwEditStyle; }
    // The dependent rows are not owned; they are shown while this value is true.
    void AddDependent(CKVLTPropertyGridProperty* pProp);
    const QList<CKVLTPropertyGridProperty*>& GetDependents() const { return m_arrDependents; }
    void SetTextColor(const QColor& clr) { m_clrText = clr; }
    const QColor& GetTextColor() const { return m_clrText; }
    void SetBackColor(const QColor& clr) { m_clrBack = clr; }
    const QColor& GetBackColor() const { return m_clrBack; }
    void SetRequired(bool bRequired) { m_bRequired = bRequired; }
    bool IsRequired() const { return m_bRequired; }
    void SetMaxLength(int nMaxLength) { m_nMaxLength = nMaxLength; }
    int GetMaxLength() const { return m_nMaxLength; }

    // Fills the value cell with the back colour (outlined with the painter's
    // pen) and draws the value text in the text colour.
    virtual void OnDrawValue(QPainter* pDC, const QRect& rect) const;
    // The in-place editor: a plain text box with m_dwEditStyle when that is not
    // 0, else the grid's own editor (a True/False list for booleans, a text box
    // otherwise). A text box accepts at most m_nMaxLength characters.
    virtual QWidget* CreateInPlaceEdit(QWidget* pParent, const QRect& rect, bool& bDefaultFormat);

  protected:
    uint32_t m_dwEditStyle = 0;
    QList<CKVLTPropertyGridProperty*> m_arrDependents;
    QColor m_clrText = QColor(0, 0, 0);
    QColor m_clrBack = QColor(255, 255, 255);
    bool m_bRequired = false;
    int m_nMaxLength = INT_MAX;

  private:
    friend class CKVLTPropertyGridCtrl;
    friend class KVLTPropertyGridModel;
    void SetGrid(CKVLTPropertyGridCtrl* pGrid);

    QString m_strName;
    QString m_strDescription;
    QVariant m_varValue;
    QVariant m_varValueOrig;
    QVariant m_varPrevious;
    int m_nValueType = QMetaType::UnknownType; // kept when a value is emptied
    bool m_bGroup = false;
    bool m_bAllowEdit = true;
    bool m_bEnabled = true;
    bool m_bVisible = true;
    CKVLTPropertyGridProperty* m_pParent = nullptr;
    CKVLTPropertyGridCtrl* m_pWndList = nullptr;
    std::vector<CKVLTPropertyGridProperty*> m_lstSubItems; // owned
};
