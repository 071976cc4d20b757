// CKVLTListCtrl: construction, set-up, columns, fonts, caption and footer
// placement, settings and the selection prompt.
#include "kvltlistctrl.h"

#include "captionbar.h"
#include "icons.h"
#include "kvltfilterrow.h"
#include "kvltheaderctrl.h"
#include "kvltlistfooter.h"
#include "kvltstringarray.h"
#include "messagebox.h"
#include "profile.h"

#include <QApplication>
#include <QFontDatabase>
#include <QResizeEvent>
#include <QScrollBar>

// ------------------------------------------------------------------ life

CKVLTListCtrl::CKVLTListCtrl(QWidget* parent)
    : QAbstractScrollArea(parent), m_random(std::random_device{}()) {
    m_pColumns = new KVLTColumnModel(this);
    m_pHeader = new CKVLTHeaderCtrl(this);
    m_pHeader->setModel(m_pColumns);
    m_pHeader->setMinimumSectionSize(0);
    connect(m_pHeader, &QHeaderView::sectionResized, this, [this] {
        UpdateScrollBars();
        PlaceEditor();
        viewport()->update();
    });
    connect(m_pHeader, &QHeaderView::sectionMoved, this, [this] {
        PlaceEditor();
        viewport()->update();
    });
    CKVLTFilterRow* filterRow = m_pHeader->FilterRow();
    connect(filterRow, &CKVLTFilterRow::changed, this, &CKVLTListCtrl::OnFilterChange);
    connect(filterRow, &CKVLTFilterRow::buttonClicked, this, &CKVLTListCtrl::OnFilterButtonClicked);
    connect(filterRow, &CKVLTFilterRow::commandKey, this,
            [this](char key) { ExecuteCommandKey(key); });
    filterRow->hasButton = [this](int column) {
        const CKVLTStringArray* presets = m_mapFilterPresets.value(unsigned(column));
        return presets && presets->GetSize() > 0;
    };
    setFocusPolicy(Qt::StrongFocus);
    setFrameShape(QFrame::StyledPanel);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    UpdateHeaderGeometry();
}

CKVLTListCtrl::~CKVLTListCtrl() {
    SaveListState();
    // The footer and the caption are the parent's children; they go with the list.
    delete m_footer.data();
    delete m_pCaption.data();
    qDeleteAll(m_mapFilterPresets);
}

QEvent::Type KVLTMenuOpeningEvent::eventType() {
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

// ------------------------------------------------------------------ columns

int CKVLTListCtrl::InsertColumn(int nCol, const QString& strTitle, int nFormat, int nWidth) {
    const Qt::Alignment alignment = nFormat == LVCFMT_RIGHT ? Qt::AlignRight : Qt::AlignLeft;
    const int column = m_pColumns->insertColumn(nCol, strTitle, alignment);
    if (nWidth >= 0)
        m_pHeader->resizeSection(column, nWidth);
    else
        SetColumnWidth(column, nWidth);
    UpdateHeaderGeometry();
    UpdateScrollBars();
    viewport()->update();
    return column;
}

namespace {
// A map keyed by column, after column `removed` went: its entry goes, the
// entries of the columns after it move one to the left.
template <class Map> void dropColumnKey(Map& map, unsigned removed) {
    Map moved;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        if (it.key() != removed)
            moved.insert(it.key() > removed ? it.key() - 1 : it.key(), it.value());
    map = std::move(moved);
}
} // namespace

bool CKVLTListCtrl::DeleteColumn(int nCol) {
    if (nCol < 0 || nCol >= GetColumnCount())
        return false;
    if (m_nEditColumn >= 0)
        CancelEdit();
    m_pColumns->removeColumn(nCol);
    const unsigned column = unsigned(nCol);
    const bool filtered = m_mapFilters.contains(column);
    dropColumnKey(m_mapFilters, column);
    delete m_mapFilterPresets.value(column);
    m_mapFilterPresets.remove(column);
    dropColumnKey(m_mapFilterPresets, column);
    dropColumnKey(m_mapColumnFonts, column);
    dropColumnKey(m_mapEditItems, column);
    UpdateHeaderGeometry();
    UpdateScrollBars();
    viewport()->update();
    if (filtered)
        NotifyFiltersChanged(); // the owner's rows no longer answer to that filter
    return true;
}

int CKVLTListCtrl::GetColumnCount() const {
    return m_pColumns->columnCount();
}

QString CKVLTListCtrl::GetColumnTitle(int nColumn) const {
    return m_pColumns->title(nColumn).left(kMaxColumnTitle);
}

int CKVLTListCtrl::GetColumnWidth(int nColumn) const {
    return nColumn >= 0 && nColumn < GetColumnCount() ? m_pHeader->sectionSize(nColumn) : 0;
}

bool CKVLTListCtrl::SetColumnWidth(int nColumn, int nWidth) {
    if (nColumn < 0 || nColumn >= GetColumnCount())
        return false;
    if (nWidth == LVSCW_AUTOSIZE || nWidth == LVSCW_AUTOSIZE_USEHEADER)
        nWidth = AutoSizeWidth(nColumn, nWidth == LVSCW_AUTOSIZE_USEHEADER);
    m_pHeader->resizeSection(nColumn, std::max(nWidth, 0));
    return true;
}

// ------------------------------------------------------------------ fonts

void CKVLTListCtrl::CreateListFonts() {
    m_fontNormal = font();
    // A fixed-pitch face of the same height and normal weight.
    m_fontFixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_fontFixed.setStyleHint(QFont::TypeWriter);
    m_fontFixed.setFixedPitch(true);
    m_fontFixed.setWeight(QFont::Normal);
    if (m_fontNormal.pixelSize() > 0)
        m_fontFixed.setPixelSize(m_fontNormal.pixelSize());
    else
        m_fontFixed.setPointSizeF(m_fontNormal.pointSizeF());
    m_bFontsCreated = true;
}

void CKVLTListCtrl::SetColumnFont(unsigned nColumn, const QFont* pFont) {
    if (!m_bFontsCreated)
        CreateListFonts();
    m_mapColumnFonts.insert(nColumn, pFont);
    viewport()->update();
}

QFont CKVLTListCtrl::ColumnDrawFont(int nColumn) const {
    if (m_mapColumnFonts.isEmpty())
        return font();
    if (const auto it = m_mapColumnFonts.constFind(unsigned(nColumn));
        it != m_mapColumnFonts.cend() && it.value())
        return *it.value();
    return m_bFontsCreated ? m_fontNormal : font();
}

// ------------------------------------------------------------------ images

void CKVLTListCtrl::SetListIcons(std::initializer_list<unsigned> iconIds) {
    QList<QIcon> icons;
    for (unsigned id : iconIds)
        icons.append(loadIcon(id));
    SetListIcons(icons);
}

void CKVLTListCtrl::SetListIcons(const QList<QIcon>& icons) {
    m_imageListSmall = icons;
    m_imageListLarge = icons;
    viewport()->update();
}

// ------------------------------------------------------------------ caption and footer

CKVLTListFooter* CKVLTListCtrl::GetFooter() const {
    return m_footer.data();
}

bool CKVLTListCtrl::CreateFooter(unsigned nID) {
    QWidget* parent = parentWidget();
    if (!parent)
        return false;
    if (!m_footer) {
        auto* footer = new CKVLTListFooter;
        if (!footer->Create(parent, this, nID)) {
            delete footer;
            return false;
        }
        m_footer = footer;
    }
    m_footer->setVisible(!isHidden());
    const QRect r = geometry();
    setGeometry(r.x(), r.y(), r.width(), std::max(r.height() - FooterHeight(r.width()), 0));
    m_nExtendedStyle |= LVS_EX_FULLROWSELECT;
    PlaceCaptionAndFooter();
    viewport()->update();
    return true;
}

bool CKVLTListCtrl::CreateCaption(unsigned nID, const QString& strTitle, unsigned nIconId) {
    QWidget* parent = parentWidget();
    if (!parent || m_pCaption)
        return false;
    m_pCaption = new KVLTCaptionBar(parent, nID, strTitle, loadIcon(nIconId));
    PlaceCaptionAndFooter();
    return true;
}

// Both rectangles are in the parent's coordinates, beside the list.
void CKVLTListCtrl::PlaceCaptionAndFooter() {
    const QRect r = geometry();
    if (m_pCaption)
        m_pCaption->setGeometry(r.left(), r.top() - kCaptionGap - kCaptionHeight, r.width(),
                                kCaptionHeight);
    if (m_footer)
        m_footer->setGeometry(r.left(), r.bottom() + 1, r.width(), FooterHeight(r.width()));
}

int CKVLTListCtrl::FooterHeight(int nWidth) const {
    return m_footer ? m_footer->HeightFor(nWidth) : 0;
}

void CKVLTListCtrl::MoveWindow(int x, int y, int nWidth, int nHeight, bool bRepaint) {
    nHeight -= FooterHeight(nWidth);
    setGeometry(x, y, nWidth, std::max(nHeight, 0));
    PlaceCaptionAndFooter();
    if (bRepaint)
        Invalidate(true);
}

void CKVLTListCtrl::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateHeaderGeometry();
    UpdateScrollBars();
    PlaceCaptionAndFooter();
    PlaceEditor();
}

void CKVLTListCtrl::moveEvent(QMoveEvent* event) {
    QAbstractScrollArea::moveEvent(event);
    PlaceCaptionAndFooter();
}

void CKVLTListCtrl::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    // Presets may have been filled in directly since the row was laid out.
    m_pHeader->FilterRow()->Layout();
    if (m_footer)
        m_footer->show();
    if (m_pCaption)
        m_pCaption->show();
}

void CKVLTListCtrl::hideEvent(QHideEvent* event) {
    QAbstractScrollArea::hideEvent(event);
    // A hidden parent hides everything anyway; only an explicit hide matters.
    if (!event->spontaneous() && isHidden()) {
        if (m_footer)
            m_footer->hide();
        if (m_pCaption)
            m_pCaption->hide();
    }
}

void CKVLTListCtrl::SetContextMenu(unsigned nMenuId, unsigned nSubMenu, QObject* pCommandTarget,
                                   unsigned nMenuOpeningMessage, QObject* pMenuOpeningReceiver) {
    m_nOwnerMenuId = nMenuId;
    m_nOwnerSubMenu = nSubMenu;
    m_pCommandTarget = pCommandTarget;
    m_nMenuOpeningMessage = nMenuOpeningMessage;
    m_pMenuOpeningReceiver = pMenuOpeningReceiver;
}

// ------------------------------------------------------------------ rows and cells

void CKVLTListCtrl::SetItemCount(int nItems) {
    // The owner rebuilt its rows: the edited row number may now name another row.
    CancelEdit();
    m_nItemCount = std::max(nItems, 0);
    m_selection.resize(m_nItemCount);
    if (m_nFocusItem >= m_nItemCount)
        m_nFocusItem = m_nItemCount - 1;
    if (m_nAnchorItem >= m_nItemCount)
        m_nAnchorItem = -1;
    ItemCountChanged();
}

void CKVLTListCtrl::ItemCountChanged() {
    UpdateScrollBars();
    viewport()->update();
    SelectionChanged();
    // A longer count can need another footer row: the list gives up the
    // height, so that list and footer keep the place they had together.
    if (m_footer && m_footer->height() != FooterHeight(width())) {
        const QRect r = geometry();
        setGeometry(r.x(), r.y(), r.width(),
                    std::max(r.height() + m_footer->height() - FooterHeight(r.width()), 0));
        PlaceCaptionAndFooter();
    }
}

void CKVLTListCtrl::ItemsMoved(int nNewCount, const std::function<int(int)>& newItemOf) {
    const int oldCount = m_nItemCount;
    m_nItemCount = std::max(nNewCount, 0);
    if (m_pActiveEditor) {
        const int edited = newItemOf(m_nEditItem);
        if (edited < 0) {
            CancelEdit();
        } else {
            m_nEditItem = edited;
            PlaceEditor();
        }
    }
    if (m_nAnchorItem >= 0)
        m_nAnchorItem = newItemOf(m_nAnchorItem);
    if (m_nFocusItem >= 0) {
        // A focus whose row left goes to the first later row that stayed.
        int focus = -1;
        for (int old = m_nFocusItem; focus < 0 && old < oldCount; ++old)
            focus = newItemOf(old);
        m_nFocusItem = focus >= 0 ? focus : m_nItemCount - 1;
    }
    ItemCountChanged();
}

void CKVLTListCtrl::DeleteItems(int nItem, int nCount) {
    if (nItem < 0 || nCount <= 0 || nItem >= m_nItemCount)
        return;
    nCount = std::min(nCount, m_nItemCount - nItem);
    m_selection.removeRows(nItem, nCount);
    ItemsMoved(m_nItemCount - nCount, [=](int old) {
        return old < nItem ? old : old < nItem + nCount ? -1 : old - nCount;
    });
}

void CKVLTListCtrl::InsertItems(int nItem, int nCount) {
    if (nItem < 0 || nCount <= 0 || nItem > m_nItemCount)
        return;
    m_selection.insertRows(nItem, nCount);
    ItemsMoved(m_nItemCount + nCount, [=](int old) { return old < nItem ? old : old + nCount; });
}

void CKVLTListCtrl::RemapItems(const std::vector<int>& newItemOfOld, int nNewCount) {
    nNewCount = std::max(nNewCount, 0);
    m_selection.remap(newItemOfOld, nNewCount);
    ItemsMoved(nNewCount, [&newItemOfOld, nNewCount](int old) {
        if (old < 0 || size_t(old) >= newItemOfOld.size())
            return -1;
        const int item = newItemOfOld[size_t(old)];
        return item < nNewCount ? item : -1;
    });
}

QString CKVLTListCtrl::GetItemText(int nItem, int nSubItem) const {
    if (nItem < 0 || nItem >= m_nItemCount || nSubItem < 0 || nSubItem >= GetColumnCount())
        return {};
    return OnGetItemText(nItem, nSubItem);
}

int CKVLTListCtrl::GetItemImage(int nItem, int nSubItem) const {
    if (nItem < 0 || nItem >= m_nItemCount || nSubItem < 0 || nSubItem >= GetColumnCount())
        return -1;
    return OnGetItemImage(nItem, nSubItem);
}

QString CKVLTListCtrl::OnGetItemText(int, int) const {
    return {};
}
int CKVLTListCtrl::OnGetItemImage(int, int) const {
    return -1;
}

// ------------------------------------------------------------------ selection prompt

unsigned CKVLTListCtrl::RequireSelection(bool bSingleItem, unsigned nMinimum) {
    const unsigned selected = unsigned(GetSelectedCount());
    if (selected < nMinimum) {
        const std::string text = QStringLiteral("This operation requires you to have at least %1 "
                                                "items selected.\n\nWould you like to select all "
                                                "items?")
                                     .arg(nMinimum)
                                     .toStdString();
        if (kvltMessageBox(text, "Selection Required", MsgIcon::Question, MsgButtons::YesNo,
                           this) != MsgAnswer::Yes)
            return 0;
        SelectAllItems();
        return unsigned(GetSelectedCount());
    }
    if (selected == 0) {
        if (bSingleItem) {
            kvltMessageBox("You must select one item from the list.", "Selection Required",
                           MsgIcon::Warning, MsgButtons::Ok, this);
            return 0;
        }
        if (kvltMessageBox("This operation requires you to have at least one item selected.\n\n"
                           "Would you like to select all items?",
                           "Selection Required", MsgIcon::Question, MsgButtons::YesNo,
                           this) != MsgAnswer::Yes)
            return 0;
        SelectAllItems();
        return unsigned(GetSelectedCount());
    }
    return selected;
}

// ------------------------------------------------------------------ settings

QString CKVLTListCtrl::GetListSettingsSection() const {
    return listSettingsSection(m_strSettingsName);
}

QString CKVLTListCtrl::GetListSetting(const QString& strEntry, const QString& strDefault) const {
    return getProfileString(GetListSettingsSection(), strEntry, strDefault);
}

unsigned CKVLTListCtrl::GetListSettingInt(const QString& strEntry, unsigned nDefault) const {
    return getProfileInt(GetListSettingsSection(), strEntry, nDefault);
}

void CKVLTListCtrl::WriteListSetting(const QString& strEntry, const QString& strValue) {
    writeProfileString(GetListSettingsSection(), strEntry, strValue);
}

void CKVLTListCtrl::WriteListSettingInt(const QString& strEntry, unsigned nValue) {
    writeProfileInt(GetListSettingsSection(), strEntry, nValue);
}

void CKVLTListCtrl::SaveListState() {
    if (m_strSettingsName.isEmpty())
        return;
    QString order;
    for (int column : m_pHeader->ReadColumnOrder())
        order += QString::number(unsigned(column)) + QLatin1Char(',');
    WriteListSetting(QString::fromLatin1(kEntryOrder), order);
    if (m_bSavedFiltersChanged) {
        // Filters saved in earlier runs stay unless the user removed them.
        LoadSavedFilters();
        WriteListSettingInt(QString::fromLatin1(kEntryFilterTotal),
                            unsigned(m_mapSavedFilters.size()));
        unsigned n = 0;
        for (auto it = m_mapSavedFilters.cbegin(); it != m_mapSavedFilters.cend(); ++it, ++n) {
            WriteListSetting(QString::asprintf(kEntryFilterNameFormat, n), it.key());
            WriteListSetting(QString::asprintf(kEntryFilterValueFormat, n), it.value());
        }
    }
}
