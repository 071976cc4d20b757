// CKVLTListCtrl: the general list control that every list of the product
// derives from.
//
// Rows are virtual: the control keeps only a row count and asks the derived
// list for the text (and image) of each cell it draws. The selection is a
// bitset owned by the control, so every whole-list operation stays instant
// at a million rows. The control never sorts: rows always appear in the
// derived list's order.
//
// How a derived list plugs in (the application's incoming, outgoing and map
// lists):
//   - override OnGetItemText / OnGetItemImage to answer cell requests;
//   - call SetItemCount when the model changes, then Invalidate;
//   - override OnCommand to take the owner menu's commands when the list is
//     its own command target (SetContextMenu), and pass every other id to
//     CKVLTListCtrl::OnCommand, which runs the generated ids 57344 to 57400;
//   - walk the selection in ascending order with GetNextItem(-1,
//     LVNI_SELECTED) / GetNextItem(row, LVNI_SELECTED), select a row with
//     SelectItem, clear with DeselectAllItems, scroll with EnsureVisible,
//     and ask for a selection with RequireSelection.
//
// Filters: ShowFilterBar puts a filter row under the column titles; the
// control keeps the typed patterns in m_mapFilters and sends
// m_nFilterChangedMessage (a KVLTListMessageEvent) to its owner, which
// rebuilds its rows with kvltFilterRows (kvltfilter.h). With a settings name
// (SetSettingsName) filter sets can be saved and restored by name.
//
// In-place editors: SetColumnEditor registers an editor for a column; a
// click on a cell of that column shows it over the cell. The owner fills it
// on the begin message and reads it on the end message (item in wParam,
// column in lParam); the list never writes the value itself.
#pragma once

#include "kvlteditors.h"
#include "kvltfilter.h"
#include "kvltlistmessage.h"
#include "kvltselection.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QFont>
#include <QIcon>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <random>
#include <vector>

class KVLTColumnModel;
class CKVLTHeaderCtrl;
class CKVLTListFooter;
class CKVLTStringArray;
class QKeyEvent;
class QMenu;

// Sent (synchronously) to the menu-opening receiver just before the context
// menu shows; the receiver may change the popup.
class KVLTMenuOpeningEvent final : public QEvent {
  public:
    KVLTMenuOpeningEvent(unsigned message, QMenu* popup)
        : QEvent(eventType()), m_message(message), m_popup(popup) {}
    static QEvent::Type eventType();
    unsigned message() const { return m_message; }
    QMenu* popup() const { return m_popup; }

  private:
    unsigned m_message;
    QMenu* m_popup;
};

class CKVLTListCtrl : public QAbstractScrollArea {
    Q_OBJECT
  public:
    // ---- list-view constants (the platform's numbers) -------------------
    enum View : int { LVS_ICON = 0, LVS_REPORT = 1, LVS_SMALLICON = 2, LVS_LIST = 3 };
    static constexpr unsigned LVS_EX_GRIDLINES = 0x01;
    static constexpr unsigned LVS_EX_SUBITEMIMAGES = 0x02;
    static constexpr unsigned LVS_EX_FULLROWSELECT = 0x20;
    enum : int { LVCFMT_LEFT = 0, LVCFMT_RIGHT = 1 };
    enum : int { LVNI_ALL = 0, LVNI_SELECTED = 2 };
    enum : int { LVSCW_AUTOSIZE = -1, LVSCW_AUTOSIZE_USEHEADER = -2 };

    static constexpr unsigned kFirstGeneratedId = 57344;
    static constexpr unsigned kLastGeneratedId = 57400;
    static constexpr int kFooterHeight = 20;
    static constexpr int kCaptionHeight = 20;
    static constexpr int kCaptionGap = 3;
    static constexpr int kAutoSizeColumns = 16;
    static constexpr int kMaxColumnTitle = 127;

    explicit CKVLTListCtrl(QWidget* parent = nullptr);
    ~CKVLTListCtrl() override;

    // ---- set-up (owner) ---------------------------------------------------
    int InsertColumn(int nCol, const QString& strTitle, int nFormat = LVCFMT_LEFT,
                     int nWidth = 100);
    void CreateListFonts();
    void SetColumnFont(unsigned nColumn, const QFont* pFont);
    // Icons by resource id, each added to the small (16) and large (48) image lists.
    void SetListIcons(std::initializer_list<unsigned> iconIds);
    void SetListIcons(const QList<QIcon>& icons);
    bool CreateFooter(unsigned nID);
    bool CreateCaption(unsigned nID, const QString& strTitle, unsigned nIconId);
    // pCommandTarget receives the owner popup's commands (null: the top-level
    // window); pMenuOpeningReceiver gets nMenuOpeningMessage with the popup just
    // before it shows (null: the command target).
    void SetContextMenu(unsigned nMenuId, unsigned nSubMenu, QObject* pCommandTarget = nullptr,
                        unsigned nMenuOpeningMessage = 0, QObject* pMenuOpeningReceiver = nullptr);
    // Moves the list; with a footer the list is shorter than asked by the
    // footer's height (20 pixels, more where a narrow footer needs a second
    // row to show its labels whole), leaving the footer's place below it.
    void MoveWindow(int x, int y, int nWidth, int nHeight, bool bRepaint = true);

    // ---- rows, columns, cells ---------------------------------------------
    // A new row count for a model that changed as a whole: the selection
    // keeps the row numbers below the new count.
    void SetItemCount(int nItems);
    int GetItemCount() const { return m_nItemCount; }
    // The model lost nCount rows at nItem, gained nCount rows there, or was
    // rebuilt (old row r is now row newItemOfOld[r]; negative, or past the
    // vector: gone). The row count follows, and the selection, the focused
    // row, the anchor and an edit in progress stay on their records: rows
    // that leave take their selection (and an edit on them) with them, a
    // focus that leaves goes to the row that takes its place, and inserted
    // rows start unselected.
    void DeleteItems(int nItem, int nCount = 1);
    void InsertItems(int nItem, int nCount = 1);
    void RemapItems(const std::vector<int>& newItemOfOld, int nNewCount);
    int GetColumnCount() const;
    // Removes a column (its filter and editor go with it; the columns after
    // it move one place to the left); false when there is no such column.
    bool DeleteColumn(int nCol);
    QString GetColumnTitle(int nColumn) const;
    int GetColumnWidth(int nColumn) const;
    bool SetColumnWidth(int nColumn, int nWidth);
    // The cell as the list shows it: the derived list's answer.
    QString GetItemText(int nItem, int nSubItem) const;
    int GetItemImage(int nItem, int nSubItem) const;

    // ---- selection ------------------------------------------------------------
    int GetSelectedCount() const { return m_selection.count(); }
    // With LVNI_SELECTED the next selected row after nItem (-1: from the
    // start); with LVNI_ALL simply the next row. -1 when there is none.
    int GetNextItem(int nItem, int nFlags) const;
    bool IsItemSelected(int nItem) const { return m_selection.isSelected(nItem); }
    bool SelectItem(int nItem, bool bSelect = true);
    void SetFocusedItem(int nItem);
    const KVLTSelection& Selection() const { return m_selection; }

    void SelectAllItems();
    void DeselectAllItems();
    void InvertSelection();
    void SelectRandomRecords();
    void CopyColumnToClipboard(unsigned nColumn);
    // Selects n distinct rows drawn at random (no dialog).
    void SelectRandomRows(unsigned nCount);
    // Random draws are seeded once per run; tests fix the seed.
    void SetRandomSeed(uint64_t seed) { m_random.seed(seed); }

    unsigned RequireSelection(bool bSingleItem, unsigned nMinimum);

    // ---- view -------------------------------------------------------------
    int GetView() const { return m_nView; }
    void SetView(int nView);
    unsigned GetExtendedStyle() const { return m_nExtendedStyle; }
    void SetExtendedStyle(unsigned nStyle);
    bool EnsureVisible(int nItem, bool bPartialOK = false);
    int GetTopIndex() const;
    int GetCountPerPage() const;
    void RedrawItems(int nFirst, int nLast);
    // Repaints the whole list (background included when bErase).
    void Invalidate(bool bErase = true);
    void AutoSizeColumns();
    // As AutoSizeColumns, but a column only ever grows: one already wide
    // enough for its texts keeps the width it has.
    void WidenColumnsToContents();
    // The width a column needs for its title and its widest text.
    int FittedColumnWidth(int nColumn) const;
    void CycleView();
    // The row under a point of the viewport, or -1.
    int HitTest(const QPoint& point) const;
    // The rectangle a row takes in the viewport (report view: the whole row).
    QRect GetItemRect(int nItem) const;

    // ---- commands ---------------------------------------------------------
    void ExecuteCommandKey(char key);
    // Ctrl+K, Ctrl+L, Ctrl+Y and Ctrl+F: the filter commands, which reach the
    // list from its filter fields and in-place editors too.
    static bool IsFilterCommandKey(const QKeyEvent* event);
    // For a filter field or an editor of this list: a filter command key
    // commits the edit in progress, then runs on the list; true when the
    // event was such a key (and is taken).
    bool ForwardFilterCommandKey(QEvent* event);
    // Runs a generated context-menu command (57344 to 57400); false outside
    // that range.
    bool OnListCommand(unsigned nID);
    // Builds the context menu as a right click would show it; nullptr when
    // this list shows none (after the box of a failed build).
    std::unique_ptr<QMenu> BuildContextMenu();
    // Shows the context menu at a global point ((-1,-1): from the keyboard).
    void ShowContextMenu(QPoint globalPos);

    // Keys that later commands bind (export and print, E and P): an installed
    // handler gets every key the control itself does not run, upper-cased, and
    // answers whether it ran a command.
    using CommandKeyHandler = std::function<bool(CKVLTListCtrl& list, char key)>;
    static void SetCommandKeyHandler(CommandKeyHandler handler);

    // ---- filters --------------------------------------------------------------
    // Shows or hides the filter row under the column titles.
    void ShowFilterBar(bool bShow = true);
    bool HasFilterBar() const;
    // Puts the text into the column's filter field and takes it as that
    // column's filter, as if the user had typed it.
    void SetColumnFilter(unsigned nColumn, const QString& strText);
    // Sends m_nFilterChangedMessage (0, 0) to the receiver or the parent.
    void NotifyFiltersChanged();
    void ClearFilters();     // Ctrl+F
    void SaveFilter();       // Ctrl+K
    void RestoreFilter();    // Ctrl+L: restore or remove a saved filter
    void ShowFilterValues(); // Ctrl+Y
    // Adds a value to the column's preset popup (a unique array, made when
    // needed) and shows the column's preset button.
    void AddFilterPreset(unsigned nColumn, const QString& strPreset);
    // Names the list's settings section and reads back the filters saved under it.
    void SetSettingsName(const QString& strName);

    // ---- in-place editors ---------------------------------------------------------
    // Registers pEditor for the column (nullptr removes it). The list shows it
    // over a clicked cell of that column; nBeginMessage goes to pNotifyWnd (null:
    // the parent) before it shows, nEndMessage after a commit.
    void SetColumnEditor(unsigned nColumn, QWidget* pEditor, QObject* pNotifyWnd = nullptr,
                         unsigned nEndMessage = 0, unsigned nBeginMessage = 0);
    // The list's own editors, created hidden on first use.
    CKVLTListCtrl_Edit* GetEditCtrl();
    CKVLTListCtrl_Combo* GetComboCtrl();
    CKVLTListCtrl_Checkbox* GetCheckboxCtrl();
    CKVLTListCtrl_Date* GetDateCtrl();
    // The editor of the edit in progress (null when idle), its item and column.
    QWidget* GetActiveEditor() const { return m_pActiveEditor.data(); }
    int GetEditItem() const { return m_nEditItem; }
    int GetEditColumn() const { return m_nEditColumn; }
    // Starts editing a cell of a column with an editor; false when it has none.
    bool BeginEdit(int nItem, int nColumn);
    void CommitEdit();
    void CancelEdit();
    // The rectangle of a cell in the viewport (report view).
    QRect GetSubItemRect(int nItem, int nColumn) const;
    // The row under a viewport point (-1: none) and, in pColumn, its column.
    int SubItemHitTest(const QPoint& point, int* pColumn) const;

    // ---- settings -------------------------------------------------------------
    QString GetListSettingsSection() const;
    QString GetListSetting(const QString& strEntry, const QString& strDefault) const;
    unsigned GetListSettingInt(const QString& strEntry, unsigned nDefault) const;
    void WriteListSetting(const QString& strEntry, const QString& strValue);
    void WriteListSettingInt(const QString& strEntry, unsigned nValue);
    void SaveListState();

    // ---- report ---------------------------------------------------------------
    // The title the exports give the list's report; empty until the first
    // export sets it to its caption, which then stays for later exports.
    const QString& GetReportTitle() const { return m_strReportTitle; }
    void SetReportTitle(const QString& strTitle) { m_strReportTitle = strTitle; }

    // ---- companions -----------------------------------------------------------
    CKVLTHeaderCtrl* GetHeaderCtrl() const { return m_pHeader; }
    CKVLTListFooter* GetFooter() const;
    QWidget* GetCaption() const { return m_pCaption.data(); }
    QObject* GetCommandTarget();
    // The font cells of a column are drawn in.
    QFont ColumnDrawFont(int nColumn) const;
    // The background a non-selected row is drawn on.
    QColor RowBackground(int nItem) const;
    int RowHeight() const;

    // ---- members (the product's names) -------------------------------------
    QPointer<QObject> m_pFilterChangedReceiver; // null: the parent
    CKVLTFilterMap m_mapFilters;
    unsigned m_nFilterChangedMessage = 0;
    QMap<unsigned, CKVLTStringArray*> m_mapFilterPresets; // owned
    QPointer<QObject> m_pCommandTarget;
    QPointer<QObject> m_pMenuOpeningReceiver;
    QString m_strSettingsName;
    QList<QIcon> m_imageListSmall;
    QList<QIcon> m_imageListLarge;
    bool m_bGridLines = false;
    bool m_bPyjama = false;
    bool m_bSavedFiltersChanged = false;
    unsigned m_nListMenuId = 0;
    QFont m_fontFixed;
    QFont m_fontNormal;
    bool m_bFontsCreated = false;
    QMap<unsigned, const QFont*> m_mapColumnFonts;
    QMap<unsigned, char> m_mapCommandKeys;
    QMap<unsigned, unsigned> m_mapCopyColumn;
    QMap<QString, QString> m_mapSavedFilters;
    QMap<unsigned, KVLTListCtrlEditItem> m_mapEditItems;
    unsigned m_nOwnerMenuId = 0;
    unsigned m_nOwnerSubMenu = 0;
    unsigned m_nMenuOpeningMessage = 0;
    unsigned m_nNextCommandId = kFirstGeneratedId;

  signals:
    // The rows' selected states changed.
    void selectionChanged();

  protected:
    // The derived list's answers for one cell; the defaults are empty.
    virtual QString OnGetItemText(int nItem, int nSubItem) const;
    // Image index of a cell, -1 for none.
    virtual int OnGetItemImage(int nItem, int nSubItem) const;
    // The widest text of a column over all rows, for fitting the column
    // (Ctrl+0). The default asks every row for its text; a list whose rows are
    // many or costly to ask answers from what it keeps as its rows change.
    virtual QString OnGetWidestItemText(int nColumn) const;
    // A menu command chosen in a context menu whose target is this list. The
    // base runs the generated range; derived lists handle their own ids and
    // pass the rest on. Returns true when the command was handled.
    virtual bool OnCommand(unsigned nID);

    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QString m_strReportTitle;

    struct Layout; // cell geometry of the current view
    Layout CurrentLayout() const;
    void UpdateScrollBars();
    void UpdateHeaderGeometry();
    void PlaceCaptionAndFooter();
    // The footer's height at the list's width (0 without a footer).
    int FooterHeight(int nWidth) const;
    void SelectionChanged();
    // After the row count changed: scroll bars, footer, the selection's owner.
    void ItemCountChanged();
    // The rows moved: each old row number through newItemOf (negative: gone).
    void ItemsMoved(int nNewCount, const std::function<int(int)>& newItemOf);
    void PaintReport(QPainter& painter, const QRect& exposed);
    void PaintItems(QPainter& painter, const QRect& exposed);
    void PaintEmptyMessage(QPainter& painter);
    void PaintCell(QPainter& painter, const QRect& cell, int nItem, int nColumn, bool selected,
                   bool drawImage, bool large);
    void MoveFocus(int nItem, Qt::KeyboardModifiers modifiers);
    int AutoSizeWidth(int nColumn, bool useHeader) const;
    void OnFilterChange(int nColumn);
    void OnFilterButtonClicked(int nColumn, const QRect& globalButtonRect);
    void LoadSavedFilters();
    void OnEndLabelEdit(const KVLTEndLabelEditEvent& end);
    void PlaceEditor();
    void EndActiveEdit();

    KVLTColumnModel* m_pColumns = nullptr;
    CKVLTHeaderCtrl* m_pHeader = nullptr;
    QPointer<CKVLTListFooter> m_footer;
    QPointer<QWidget> m_pCaption;
    KVLTSelection m_selection;
    std::mt19937_64 m_random;
    int m_nItemCount = 0;
    int m_nFocusItem = -1;
    int m_nAnchorItem = -1;
    int m_nView = LVS_REPORT;
    unsigned m_nExtendedStyle = 0;
    QString m_strSavedFiltersRead; // the settings name whose saved filters were read

    // The edit in progress.
    CKVLTListCtrl_Edit* m_pEditCtrl = nullptr;
    CKVLTListCtrl_Combo* m_pComboCtrl = nullptr;
    CKVLTListCtrl_Checkbox* m_pCheckboxCtrl = nullptr;
    CKVLTListCtrl_Date* m_pDateCtrl = nullptr;
    QPointer<QWidget> m_pActiveEditor;
    int m_nEditItem = -1;
    int m_nEditColumn = -1;
    QString m_strEditOriginal; // the cell's text before a text-box edit
    bool m_bEditNoChange = false;
    int m_nPressItem = -1; // the cell of the last left-button press
    int m_nPressColumn = -1;
};
