#include "offlinescannerview.h"

#include "dialogs.h"
#include "dialogunits.h"
#include "incominglistctrl.h"
#include "listtexts.h"
#include "maplistctrl.h"
#include "messagebox.h"
#include "outgoinglistctrl.h"
#include "resource.h"
#include "scanfiledoc.h"

#include <QResizeEvent>

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

void sizeLastColumn(CKVLTListCtrl& list) {
    if (list.GetColumnCount() > 0)
        list.SetColumnWidth(list.GetColumnCount() - 1, CKVLTListCtrl::LVSCW_AUTOSIZE_USEHEADER);
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

    // Outgoing volumes.
    COutgoingListCtrl& outgoing = *m_pOutgoing;
    insertColumns(outgoing, ScanList::Outgoing);
    outgoing.SetListIcons({IDI_VOLUME});
    outgoing.CreateFooter(IDC_OUTGOING_FOOTER);
    outgoing.CreateCaption(IDC_OUTGOING_CAPTION, QString::fromUtf8(listCaption(ScanList::Outgoing)),
                           IDI_VOLUME);
    outgoing.CreateListFonts();
    outgoing.SetColumnFont(VOLUME_ID, &map.m_fontFixed);
    sizeLastColumn(outgoing);
    outgoing.SetDocument(&m_document);

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
        // A volume was slotted into slot hint: its map row changed and it
        // left the incoming volumes.
        if (m_bInitialized) {
            m_pMap->RedrawItems(int(hint - 1), int(hint - 1));
            m_pMap->RowChanged(int(hint - 1));
            m_pIncoming->volumeSlotted();
            m_pIncoming->ForgetWidestTexts();
        }
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
    m_pIncoming->SetItemCount(int(m_document.incomingVolumes.size()));
    m_pOutgoing->SetItemCount(int(m_document.outgoingVolumes.size()));
    for (CKVLTListCtrl* list :
         {static_cast<CKVLTListCtrl*>(m_pMap), static_cast<CKVLTListCtrl*>(m_pIncoming),
          static_cast<CKVLTListCtrl*>(m_pOutgoing)})
        list->Invalidate(true);
    SizeLastColumns();
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
    sizeLastColumn(*m_pMap);
    sizeLastColumn(*m_pIncoming);
    sizeLastColumn(*m_pOutgoing);
}

bool CKVLTOfflineScannerView::OnCloseRequest(const std::function<bool()>& saveDocument) {
    return m_document.SaveModified(
        "Would you like to save the changes you have made before exiting?", "Confirm Cancel",
        MsgIcon::Question, static_cast<QWidget*>(this), saveDocument);
}
