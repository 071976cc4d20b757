#include "offlinescannerview.h"

#include "appsettings.h"
#include "dialogs.h"
#include "dialogunits.h"
#include "incominglistctrl.h"
#include "listfilter.h"
#include "listtexts.h"
#include "maplistctrl.h"
#include "messagebox.h"
#include "outgoinglistctrl.h"
#include "profile.h"
#include "resource.h"
#include "scanfiledoc.h"
#include "scanworkflow.h"
#include "taskdialog.h"

#include <QResizeEvent>
#include <QScrollBar>
#include <QTimer>

namespace {

void insertColumns(CKVLTListCtrl& list, ScanList which) {
    for (int c = 0; c < listColumnCount(which); ++c) {
        const ListColumn& column = listColumn(which, c);
        list.InsertColumn(c, QString::fromUtf8(column.title),
                          column.rightAligned ? CKVLTListCtrl::LVCFMT_RIGHT
                                              : CKVLTListCtrl::LVCFMT_LEFT,
                          column.width);
    }
}

void sizeLastColumn(CKVLTListCtrl& list, int minimum = 0) {
    const int last = list.GetColumnCount() - 1;
    if (last < 0)
        return;
    list.SetColumnWidth(last, CKVLTListCtrl::LVSCW_AUTOSIZE_USEHEADER);
    if (list.GetColumnWidth(last) < minimum)
        list.SetColumnWidth(last, minimum);
}

QString listName(ScanList list) {
    return QString::fromUtf8(listCaption(list));
}

} // namespace

CKVLTOfflineScannerView::CKVLTOfflineScannerView(CKVLTOfflineScannerDoc& document, QWidget* parent)
    : QWidget(parent), m_document(document) {
    const DialogTemplateDef& form = *findDialogTemplate(IDD_KVLTOFFLINESCANNER_FORM);
    QFont formFont(QString::fromUtf8(form.fontFace.data(), qsizetype(form.fontFace.size())));
    formFont.setPointSize(form.fontPointSize);
    const DialogUnits units(formFont);
    m_formSize = QSize(units.toPixelsX(form.cx), units.toPixelsY(form.cy));

    m_pIncoming = new CIncomingListCtrl(this);
    m_pOutgoing = new COutgoingListCtrl(this);
    m_pMap = new CMapListCtrl(this);
    for (const DialogControlDef& control : form.controls) {
        CKVLTListCtrl* list =
            control.id == IDC_INCOMING_LIST   ? static_cast<CKVLTListCtrl*>(m_pIncoming)
            : control.id == IDC_OUTGOING_LIST ? static_cast<CKVLTListCtrl*>(m_pOutgoing)
                                              : static_cast<CKVLTListCtrl*>(m_pMap);
        list->setGeometry(units.toPixels(control.x, control.y, control.cx, control.cy));
    }
    m_pIncoming->setObjectName(QStringLiteral("incoming"));
    m_pOutgoing->setObjectName(QStringLiteral("outgoing"));
    m_pMap->setObjectName(QStringLiteral("map"));
    setTabOrder(m_pIncoming, m_pOutgoing);
    setTabOrder(m_pOutgoing, m_pMap);
    connect(m_pMap, &CKVLTListCtrl::selectionChanged, this, [this] {
        m_nFreeSelected = -1;
        emit countsChanged();
    });
    m_document.AddView(this);
}

CKVLTOfflineScannerView::~CKVLTOfflineScannerView() {
    m_document.RemoveView(this);
}

void CKVLTOfflineScannerView::OnInitialUpdate() {
    if (m_bInitialized)
        return;

    // Repository map.
    CMapListCtrl& map = *m_pMap;
    insertColumns(map, ScanList::Map);
    map.CreateListFonts();
    map.SetColumnFont(MAP_ZONE, &map.m_fontFixed);
    map.SetColumnFont(MAP_VOLUME, &map.m_fontFixed);
    map.SetListIcons({IDI_SLOT, IDI_VOLUME});
    map.SetExtendedStyle(CKVLTListCtrl::LVS_EX_SUBITEMIMAGES);
    map.CreateFooter(IDC_MAP_FOOTER);
    map.CreateCaption(IDC_MAP_CAPTION, QString::fromUtf8(listCaption(ScanList::Map)), IDI_SLOT);
    sizeLastColumn(map);
    map.SetContextMenu(IDR_MAP, 0, &map, 0);
    map.SetDocument(&m_document);
    map.SetLists(m_pIncoming, m_pOutgoing);

    // Incoming volumes. The volume column shares the map's fixed font, so
    // ids line up the same way in every list.
    CIncomingListCtrl& incoming = *m_pIncoming;
    incoming.SetDocument(&m_document);
    insertColumns(incoming, ScanList::Incoming);
    incoming.SetListIcons({IDI_VOLUME});
    incoming.CreateFooter(IDC_INCOMING_FOOTER);
    incoming.CreateCaption(IDC_INCOMING_CAPTION, QString::fromUtf8(listCaption(ScanList::Incoming)),
                           IDI_VOLUME);
    incoming.CreateListFonts();
    incoming.SetColumnFont(VOLUME_ID, &map.m_fontFixed);
    sizeLastColumn(incoming);

    // Outgoing volumes; their own menu holds the outgoing check.
    COutgoingListCtrl& outgoing = *m_pOutgoing;
    insertColumns(outgoing, ScanList::Outgoing);
    outgoing.SetListIcons({IDI_VOLUME});
    outgoing.CreateFooter(IDC_OUTGOING_FOOTER);
    outgoing.CreateCaption(IDC_OUTGOING_CAPTION, QString::fromUtf8(listCaption(ScanList::Outgoing)),
                           IDI_VOLUME);
    outgoing.CreateListFonts();
    outgoing.SetColumnFont(VOLUME_ID, &map.m_fontFixed);
    sizeLastColumn(outgoing);
    outgoing.SetContextMenu(IDR_OUTGOING, 0, &outgoing, 0);
    outgoing.SetDocument(&m_document);

    RestoreColumnWidths();
    m_bInitialized = true;
    LayOutLists(width(), height());

    // A file named on the command line was loaded before the lists existed:
    // show it now with the counts its load announced.
    if (m_bUpdatePending) {
        m_bUpdatePending = false;
        OnUpdate(nullptr, m_nPendingHint, &m_document);
    }
}

void CKVLTOfflineScannerView::OnUpdate(CDocumentView*, int64_t hint, void* hintObject) {
    if (hintObject == nullptr)
        return;
    if (hintObject != &m_document) {
        if (!m_bInitialized)
            return; // the load that follows set-up shows it
        auto* volume = static_cast<cJSON*>(hintObject);
        // A slot of the selection taken or freed.
        if (m_nFreeSelected >= 0 && hint != 0 && m_pMap->IsItemSelected(int(std::abs(hint) - 1)))
            m_nFreeSelected += hint > 0 ? -1 : 1;
        if (hint > 0) {
            // Slotted into slot hint: its map row changed and it left the
            // incoming volumes.
            m_pMap->RedrawItems(int(hint - 1), int(hint - 1));
            m_pMap->RowChanged(int(hint - 1));
            m_pIncoming->OnVolumeSlotted(volume);
            m_pIncoming->ForgetWidestTexts();
        } else if (hint < 0) {
            // Taken back from slot -hint: the row is free, the volume incoming again.
            m_pMap->RedrawItems(int(-hint - 1), int(-hint - 1));
            m_pMap->ForgetWidestTexts();
            m_pIncoming->OnVolumeReturned(volume);
            m_pIncoming->ForgetWidestTexts();
        } else {
            m_pOutgoing->VolumeChecked(volume); // an outgoing volume checked
        }
        emit countsChanged();
        return;
    }
    if (hint == kHintChecksCleared) {
        if (m_bInitialized)
            m_pOutgoing->ChecksCleared();
        return;
    }
    if (!m_bInitialized) {
        m_bUpdatePending = true;
        m_nPendingHint = hint;
        return;
    }
    for (CScanListCtrl* list :
         {static_cast<CScanListCtrl*>(m_pMap), static_cast<CScanListCtrl*>(m_pIncoming),
          static_cast<CScanListCtrl*>(m_pOutgoing)})
        list->ForgetWidestTexts();
    m_pMap->SetItemCount(int(std::clamp<int64_t>(hint, 0, INT32_MAX)));
    m_pIncoming->Reload();
    m_pOutgoing->SetItemCount(int(m_document.GetOutgoingVolumes().size()));
    m_pOutgoing->Reload();
    for (CKVLTListCtrl* list :
         {static_cast<CKVLTListCtrl*>(m_pMap), static_cast<CKVLTListCtrl*>(m_pIncoming),
          static_cast<CKVLTListCtrl*>(m_pOutgoing)})
        list->Invalidate(true);
    m_nMapLastFitted = 0;
    m_nFreeSelected = -1;
    m_strFind.clear();
    SizeLastColumns();
    emit countsChanged();
    // Once the lists are painted: the map's texts are shown whole.
    if (m_pMap->GetItemCount() > 0)
        QTimer::singleShot(0, this, &CKVLTOfflineScannerView::FitMapColumns);
}

void CKVLTOfflineScannerView::FitMapColumns() {
    m_pMap->WidenColumnsToContents();
    m_nMapLastFitted = m_pMap->FittedColumnWidth(m_pMap->GetColumnCount() - 1);
    SizeLastColumns();
    if (const int lacking = MapWidthLacking(); lacking > 0)
        emit widthWanted(lacking);
}

int CKVLTOfflineScannerView::MapWidthLacking() const {
    // Each column as wide as it is, or as its texts need; the last (which
    // stretches over what is left) as its texts need.
    const int last = m_pMap->GetColumnCount() - 1;
    int needed = 0;
    for (int column = 0; column <= last; ++column)
        needed += column == last
                      ? m_pMap->FittedColumnWidth(column)
                      : std::max(m_pMap->FittedColumnWidth(column), m_pMap->GetColumnWidth(column));
    // The frame, and a vertical scroll bar whenever the map scrolls.
    needed += 2 * m_pMap->frameWidth() + m_pMap->verticalScrollBar()->sizeHint().width();
    return std::max(needed - m_pMap->width(), 0);
}

void CKVLTOfflineScannerView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayOutLists(event->size().width(), event->size().height());
}

void CKVLTOfflineScannerView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    OnInitialUpdate();
}

void CKVLTOfflineScannerView::LayOutLists(int cx, int cy) {
    if (!m_bInitialized)
        return;
    const int w = m_pIncoming->width();
    const int h = cy - 40;
    m_pIncoming->MoveWindow(5, 30, w, h);
    m_pOutgoing->MoveWindow(w + 10, 30, w, h);
    m_pMap->MoveWindow(2 * w + 15, 30, cx - 2 * w - 20, h);
    SizeLastColumns();
}

void CKVLTOfflineScannerView::SizeLastColumns() {
    sizeLastColumn(*m_pMap, m_nMapLastFitted);
    sizeLastColumn(*m_pIncoming);
    sizeLastColumn(*m_pOutgoing);
}

bool CKVLTOfflineScannerView::OnCloseRequest(const std::function<bool()>& saveDocument) {
    return m_document.SaveModified(
        "Would you like to save the changes you have made before exiting?", "Confirm Cancel",
        MsgIcon::Question, static_cast<QWidget*>(this), saveDocument);
}

// ------------------------------------------------------------------ counts

uint32_t CKVLTOfflineScannerView::FreeSelectedCount() const {
    if (m_nFreeSelected >= 0)
        return uint32_t(m_nFreeSelected);
    const uint32_t selected = uint32_t(m_pMap->GetSelectedCount());
    m_nFreeSelected = 0;
    if (selected == 0)
        return 0;
    // Whichever is fewer: the selected rows or the occupied slots.
    uint32_t occupied = 0;
    if (m_document.GetSlotVolumes().size() < selected) {
        m_document.GetSlotVolumes().forEach([&](uint32_t slot, cJSON*) {
            occupied += slot >= 1 && m_pMap->IsItemSelected(int(slot - 1));
        });
    } else {
        for (int row = m_pMap->GetNextItem(-1, CKVLTListCtrl::LVNI_SELECTED); row >= 0;
             row = m_pMap->GetNextItem(row, CKVLTListCtrl::LVNI_SELECTED))
            occupied += m_document.GetSlotVolumes().find(uint32_t(row) + 1) != nullptr;
    }
    m_nFreeSelected = int64_t(selected) - occupied;
    return selected - occupied;
}

// ------------------------------------------------------------------ status bar

CKVLTOfflineScannerView* CKVLTOfflineScannerView::ViewOf(QWidget* pFrom) {
    for (QWidget* w = pFrom; w != nullptr; w = w->parentWidget())
        if (auto* view = qobject_cast<CKVLTOfflineScannerView*>(w))
            return view;
    return nullptr;
}

void CKVLTOfflineScannerView::NoteStatus(QWidget* pFrom, const QString& strText) {
    if (CKVLTOfflineScannerView* view = ViewOf(pFrom))
        emit view->statusMessage(strText);
}

void CKVLTOfflineScannerView::NoteRefusal(QWidget* pFrom, const QString& strText) {
    if (CKVLTOfflineScannerView* view = ViewOf(pFrom))
        emit view->refusalNoted(strText);
}

// ------------------------------------------------------------------ undo

void CKVLTOfflineScannerView::OnUndoScan() {
    std::string error;
    cJSON* volume = nullptr;
    uint32_t slot = 0;
    const TakeBackResult result = undoLastScan(m_document, error, &volume, &slot);
    if (result == TakeBackResult::NotSlotted) {
        emit statusMessage(QStringLiteral("Nothing to undo: no scan of this run is left"));
        return;
    }
    if (result != TakeBackResult::Done) {
        std::string caption;
        kvltMessageBox(takeBackRefusalText(result, {}, error, caption), caption, MsgIcon::Error,
                       MsgButtons::Ok, static_cast<QWidget*>(this));
        return;
    }
    m_pMap->EnsureVisible(int(slot) - 1, false);
    m_pMap->SetFocusedItem(int(slot) - 1);
    emit statusMessage(
        QStringLiteral("Scan of %1 in slot %2 taken back")
            .arg(QString::fromUtf8(CKVLTOfflineScannerDoc::StringField(volume, "id")),
                 QString::fromStdString(m_document.SlotLabel(slot))));
}

// ------------------------------------------------------------------ find

std::vector<CKVLTOfflineScannerView::Match>
CKVLTOfflineScannerView::Matches(const QString& strPattern) const {
    std::vector<Match> matches;
    const FilterPattern pattern(strPattern.trimmed().toStdString(),
                                FILTER_EXTMATCH | FILTER_CASEFOLD);
    auto matching = [&](const cJSON* volume) {
        return volume != nullptr &&
               pattern.matches(std::string_view(CKVLTOfflineScannerDoc::StringField(volume, "id")));
    };
    for (int row = 0; row < m_pIncoming->GetItemCount(); ++row)
        if (matching(listRowVolume(m_document, ScanList::Incoming, uint32_t(row))))
            matches.push_back({m_pIncoming, row});
    for (int row = 0; row < m_pOutgoing->GetItemCount(); ++row)
        if (matching(listRowVolume(m_document, ScanList::Outgoing, uint32_t(row))))
            matches.push_back({m_pOutgoing, row});
    for (int row = 0; row < m_pMap->GetItemCount(); ++row)
        if (matching(m_document.GetSlotVolumes().find(uint32_t(row) + 1)))
            matches.push_back({m_pMap, row});
    return matches;
}

int CKVLTOfflineScannerView::FindVolumes(const QString& strPattern) {
    m_strFind = strPattern.trimmed();
    m_nMatch = 0;
    if (m_strFind.isEmpty())
        return 0;
    const std::vector<Match> matches = Matches(m_strFind);
    if (matches.empty()) {
        emit statusMessage(QStringLiteral("'%1' not found").arg(m_strFind));
        return 0;
    }
    QStringList where;
    for (CScanListCtrl* list :
         {static_cast<CScanListCtrl*>(m_pIncoming), static_cast<CScanListCtrl*>(m_pOutgoing),
          static_cast<CScanListCtrl*>(m_pMap)}) {
        int found = 0;
        for (const Match& match : matches)
            if (match.list == list) {
                if (found++ == 0)
                    list->DeselectAllItems();
                list->SelectItem(match.row);
            }
        if (found > 0) {
            const ScanList kind = list == m_pMap        ? ScanList::Map
                                  : list == m_pIncoming ? ScanList::Incoming
                                                        : ScanList::Outgoing;
            where << QStringLiteral("%1 in %2").arg(found).arg(listName(kind));
        }
    }
    GoToMatch(0);
    emit statusMessage(
        QStringLiteral("'%1': %2 found (%3)%4")
            .arg(m_strFind)
            .arg(matches.size())
            .arg(where.join(QStringLiteral(", ")))
            .arg(matches.size() > 1 ? QStringLiteral("; F3 shows the next") : QString()));
    return int(matches.size());
}

void CKVLTOfflineScannerView::GoToMatch(size_t index) {
    const std::vector<Match> matches = Matches(m_strFind);
    if (matches.empty())
        return;
    m_nMatch = index % matches.size();
    const Match& match = matches[m_nMatch];
    match.list->SetFocusedItem(match.row);
    match.list->EnsureVisible(match.row, false);
    match.list->setFocus(Qt::OtherFocusReason);
}

void CKVLTOfflineScannerView::OnFindVolume() {
    CKVLTTaskDialog dialog(this);
    setUpTextQuestion(dialog, QStringLiteral("Find Volume"),
                      QStringLiteral("Find a volume by its barcode."),
                      QStringLiteral("Enter a barcode, or a pattern such as VOL00* to find "
                                     "several (* ? [...]; letter case is ignored):"));
    dialog.SetInputBoxText(m_strFind);
    if (dialog.DoModal() != IDOK)
        return;
    FindVolumes(dialog.GetInputBoxText());
}

void CKVLTOfflineScannerView::OnFindNext() {
    if (m_strFind.isEmpty()) {
        OnFindVolume();
        return;
    }
    // The lists may have changed since: the matches are found anew.
    const std::vector<Match> matches = Matches(m_strFind);
    if (matches.empty()) {
        emit statusMessage(QStringLiteral("'%1' not found").arg(m_strFind));
        return;
    }
    GoToMatch(m_nMatch + 1);
    const Match& match = matches[m_nMatch];
    const ScanList kind = match.list == m_pMap        ? ScanList::Map
                          : match.list == m_pIncoming ? ScanList::Incoming
                                                      : ScanList::Outgoing;
    const int idColumn = kind == ScanList::Map ? int(MAP_VOLUME) : int(VOLUME_ID);
    emit statusMessage(QStringLiteral("'%1': %2 of %3, %4 in %5")
                           .arg(m_strFind)
                           .arg(m_nMatch + 1)
                           .arg(matches.size())
                           .arg(match.list->GetItemText(match.row, idColumn), listName(kind)));
}

// ------------------------------------------------------------------ column widths

namespace {

QString widthsText(const CKVLTListCtrl& list, int columns) {
    QString text;
    for (int column = 0; column < columns && column < list.GetColumnCount(); ++column)
        text += QString::number(list.GetColumnWidth(column)) + QLatin1Char(',');
    return text;
}

void applyWidths(CKVLTListCtrl& list, const QString& text) {
    const QStringList widths = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (int column = 0; column < widths.size() && column < list.GetColumnCount(); ++column) {
        bool ok = false;
        const int width = widths[column].toInt(&ok);
        // A width from the store is believed only within reason.
        if (ok && width >= 8 && width <= 4000)
            list.SetColumnWidth(column, width);
    }
}

} // namespace

void CKVLTOfflineScannerView::SaveColumnWidths() const {
    const QString section = QString::fromLatin1(kSectionMainFrame);
    writeProfileString(section, QString::fromLatin1(kEntryMapColumns),
                       widthsText(*m_pMap, listColumnCount(ScanList::Map)));
    writeProfileString(section, QString::fromLatin1(kEntryIncomingColumns),
                       widthsText(*m_pIncoming, listColumnCount(ScanList::Incoming)));
    writeProfileString(section, QString::fromLatin1(kEntryOutgoingColumns),
                       widthsText(*m_pOutgoing, listColumnCount(ScanList::Outgoing)));
}

void CKVLTOfflineScannerView::RestoreColumnWidths() {
    const QString section = QString::fromLatin1(kSectionMainFrame);
    applyWidths(*m_pMap, getProfileString(section, QString::fromLatin1(kEntryMapColumns)));
    applyWidths(*m_pIncoming,
                getProfileString(section, QString::fromLatin1(kEntryIncomingColumns)));
    applyWidths(*m_pOutgoing,
                getProfileString(section, QString::fromLatin1(kEntryOutgoingColumns)));
}
