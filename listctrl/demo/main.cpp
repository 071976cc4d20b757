// Demonstration of the list control: the three lists of the main view with
// their real set-up calls, the repository map holding a million generated
// slots, the incoming list a few volumes and the outgoing list none (so it
// shows the empty-list message). Not installed.
//
//   kvlt-listctrl-demo [--rows N] [--menu [POPUP]] [--pyjama] [--grid] [--select]
//                      [--view KEY] [--mail-to ADDRESSES] [--export]
//
// The switches put the lists in a state worth a screenshot: --menu opens the
// map's context menu (and the named popup in it, e.g. "View"), --pyjama and
// --grid switch those styles on, --select selects a few map rows, --view runs
// the view key (1 icon, 2 list, 3 report, 4 small icon) in every list.
// Ctrl+E and Ctrl+P export and print as in the application; unlike the
// application's lists these pass a recipient list (--mail-to, comma
// separated, empty by default), so the export chooser offers "Email".
// --export opens the chooser on the map at start.
#include "kvltlistctrl.h"
#include "kvltlistexport.h"
#include "messagebox.h"
#include "qtmessagepresenter.h"
#include "resource.h"

#include <QApplication>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <cstring>

namespace {

enum MapColumn { Zone, Seq, Source, Target, Volume, Assigned, MapColumnCount };

class DemoMapList final : public CKVLTListCtrl {
  public:
    using CKVLTListCtrl::CKVLTListCtrl;

  protected:
    QString OnGetItemText(int nItem, int nSubItem) const override {
        const unsigned slot = unsigned(nItem) + 1;
        const bool held = slot % 7 == 3;
        switch (nSubItem) {
        case Zone:
            return QStringLiteral("Z%1:%2").arg(slot / 1000 + 1).arg(slot % 1000);
        case Seq:
            return QString::number(slot);
        case Source:
            return held ? QStringLiteral("Main Vault") : QString();
        case Target:
            return held ? QStringLiteral("Offsite B") : QString();
        case Volume:
            return held ? QStringLiteral("VOL%1").arg(slot, 6, 10, QLatin1Char('0')) : QString();
        case Assigned:
            return held ? QStringLiteral("Monday, December 07, 2026 - 10:15:00 (UTC)") : QString();
        default:
            return {};
        }
    }
    int OnGetItemImage(int nItem, int nSubItem) const override {
        if (nSubItem == Zone)
            return 0;
        if (nSubItem == Volume && (unsigned(nItem) + 1) % 7 == 3)
            return 1;
        return -1;
    }
    bool OnCommand(unsigned nID) override {
        switch (nID) {
        case ID_SCAN_INCOMING:
        case ID_SLOTSELECT_FIRSTAVAILABLE:
        case ID_SLOTSELECT_INTELLISLOT:
            kvltMessageBox("The slotting commands come with the application.", "Demo",
                           MsgIcon::Information, MsgButtons::Ok, this);
            return true;
        default:
            return CKVLTListCtrl::OnCommand(nID);
        }
    }
};

class DemoVolumeList final : public CKVLTListCtrl {
  public:
    DemoVolumeList(QWidget* parent, int rows, const char* place)
        : CKVLTListCtrl(parent), m_strPlace(QString::fromLatin1(place)) {
        SetItemCount(rows);
    }

  protected:
    QString OnGetItemText(int nItem, int nSubItem) const override {
        return nSubItem == 0 ? QStringLiteral("IN%1").arg(nItem + 1, 5, 10, QLatin1Char('0'))
                             : m_strPlace;
    }
    int OnGetItemImage(int, int nSubItem) const override { return nSubItem == 0 ? 0 : -1; }

  private:
    QString m_strPlace;
};

class DemoView final : public QWidget {
  public:
    explicit DemoView(int mapRows) {
        setWindowTitle(QStringLiteral("List control demonstration"));
        m_pMap = new DemoMapList(this);
        m_pIncoming = new DemoVolumeList(this, 25, "Main Vault");
        m_pOutgoing = new DemoVolumeList(this, 0, "Offsite B");
        m_pMap->m_nListMenuId = IDR_LISTCTRL;
        m_pIncoming->m_nListMenuId = IDR_LISTCTRL;

        // Repository map.
        m_pMap->InsertColumn(Zone, QStringLiteral("Zone"), CKVLTListCtrl::LVCFMT_LEFT, 100);
        m_pMap->InsertColumn(Seq, QStringLiteral("Seq."), CKVLTListCtrl::LVCFMT_RIGHT, 50);
        m_pMap->InsertColumn(Source, QStringLiteral("Source"), CKVLTListCtrl::LVCFMT_LEFT, 100);
        m_pMap->InsertColumn(Target, QStringLiteral("Target"), CKVLTListCtrl::LVCFMT_LEFT, 100);
        m_pMap->InsertColumn(Volume, QStringLiteral("Volume"), CKVLTListCtrl::LVCFMT_LEFT, 100);
        m_pMap->InsertColumn(Assigned, QStringLiteral("Assigned"), CKVLTListCtrl::LVCFMT_LEFT, 100);
        m_pMap->CreateListFonts();
        m_pMap->SetColumnFont(Zone, &m_pMap->m_fontFixed);
        m_pMap->SetColumnFont(Volume, &m_pMap->m_fontFixed);
        m_pMap->SetListIcons({IDI_SLOT, IDI_VOLUME});
        m_pMap->SetExtendedStyle(CKVLTListCtrl::LVS_EX_SUBITEMIMAGES);
        m_pMap->CreateFooter(IDC_MAP_FOOTER);
        m_pMap->CreateCaption(IDC_MAP_CAPTION, QStringLiteral("Repository Map"), IDI_SLOT);
        m_pMap->SetColumnWidth(Assigned, CKVLTListCtrl::LVSCW_AUTOSIZE_USEHEADER);
        m_pMap->SetContextMenu(IDR_MAP, 0, m_pMap, 0, nullptr);
        m_pMap->SetItemCount(mapRows);

        // Incoming and outgoing volumes.
        setUpVolumeList(m_pIncoming, "Source", IDC_INCOMING_FOOTER, IDC_INCOMING_CAPTION,
                        "Incoming Volumes");
        setUpVolumeList(m_pOutgoing, "Target", IDC_OUTGOING_FOOTER, IDC_OUTGOING_CAPTION,
                        "Outgoing Volumes");
        resize(1100, 600);
    }

    DemoMapList* m_pMap;
    DemoVolumeList* m_pIncoming;
    DemoVolumeList* m_pOutgoing;

  protected:
    void resizeEvent(QResizeEvent*) override {
        const int w = 230, cx = width(), cy = height();
        m_pIncoming->MoveWindow(5, 30, w, cy - 40);
        m_pOutgoing->MoveWindow(w + 10, 30, w, cy - 40);
        m_pMap->MoveWindow(2 * w + 15, 30, cx - 2 * w - 20, cy - 40);
        m_pMap->SetColumnWidth(Assigned, CKVLTListCtrl::LVSCW_AUTOSIZE_USEHEADER);
        m_pIncoming->SetColumnWidth(1, CKVLTListCtrl::LVSCW_AUTOSIZE_USEHEADER);
        m_pOutgoing->SetColumnWidth(1, CKVLTListCtrl::LVSCW_AUTOSIZE_USEHEADER);
    }

  private:
    void setUpVolumeList(CKVLTListCtrl* list, const char* second, unsigned footer, unsigned caption,
                         const char* title) {
        list->InsertColumn(0, QStringLiteral("Volume"), CKVLTListCtrl::LVCFMT_LEFT, 100);
        list->InsertColumn(1, QString::fromLatin1(second), CKVLTListCtrl::LVCFMT_LEFT, 100);
        list->SetListIcons({IDI_VOLUME});
        list->CreateFooter(footer);
        list->CreateCaption(caption, QString::fromLatin1(title), IDI_VOLUME);
        list->CreateListFonts();
        // The map list's fixed font, as the main view does.
        list->SetColumnFont(0, &m_pMap->m_fontFixed);
        list->SetColumnWidth(1, CKVLTListCtrl::LVSCW_AUTOSIZE_USEHEADER);
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QtMessagePresenter presenter;
    setMessagePresenter(&presenter);

    int rows = 1000000;
    bool menu = false, pyjama = false, grid = false, select = false, exportList = false;
    QStringList recipients;
    QString popup;
    char viewKey = 0;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--rows") && i + 1 < argc)
            rows = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--menu")) {
            menu = true;
            if (i + 1 < argc && argv[i + 1][0] != '-')
                popup = QString::fromLocal8Bit(argv[++i]);
        } else if (!std::strcmp(argv[i], "--view") && i + 1 < argc)
            viewKey = argv[++i][0];
        else if (!std::strcmp(argv[i], "--pyjama"))
            pyjama = true;
        else if (!std::strcmp(argv[i], "--grid"))
            grid = true;
        else if (!std::strcmp(argv[i], "--select"))
            select = true;
        else if (!std::strcmp(argv[i], "--mail-to") && i + 1 < argc)
            recipients =
                QString::fromLocal8Bit(argv[++i]).split(QLatin1Char(','), Qt::SkipEmptyParts);
        else if (!std::strcmp(argv[i], "--export"))
            exportList = true;
    }
    CKVLTListExport::InstallCommandKeys(recipients);

    DemoView view(rows);
    view.show();
    if (pyjama) {
        view.m_pMap->ExecuteCommandKey('8');
        view.m_pIncoming->ExecuteCommandKey('8');
    }
    if (grid) {
        view.m_pMap->ExecuteCommandKey('9');
        view.m_pIncoming->ExecuteCommandKey('9');
    }
    if (select) {
        for (int row : {1, 2, 3, 6, 9})
            view.m_pMap->SelectItem(row);
        view.m_pIncoming->SelectItem(4);
    }
    if (viewKey)
        for (CKVLTListCtrl* list : {static_cast<CKVLTListCtrl*>(view.m_pMap),
                                    static_cast<CKVLTListCtrl*>(view.m_pIncoming),
                                    static_cast<CKVLTListCtrl*>(view.m_pOutgoing)})
            list->ExecuteCommandKey(viewKey);
    view.m_pMap->setFocus();
    if (!popup.isEmpty())
        // Opens the named popup of the context menu once that menu shows.
        QTimer::singleShot(800, [popup] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
                for (QAction* action : menu->actions())
                    if (action->text() == popup && action->menu()) {
                        menu->setActiveAction(action);
                        action->menu()->popup(menu->actionGeometry(action).topRight() +
                                              menu->pos());
                    }
        });
    if (menu)
        QTimer::singleShot(300, view.m_pMap, [&view] {
            view.m_pMap->ShowContextMenu(view.m_pMap->viewport()->mapToGlobal(QPoint(120, 80)));
        });
    if (exportList)
        QTimer::singleShot(300, view.m_pMap, [&view] { view.m_pMap->ExecuteCommandKey('E'); });
    return app.exec();
}
