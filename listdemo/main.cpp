// Demonstration of the list control: the three lists of the main view with
// their real set-up calls, the repository map holding a million generated
// slots, the incoming list a few volumes and the outgoing list none (so it
// shows the empty-list message); below them a volume register with the
// filter row, saved filters, presets on two columns and an in-place editor
// on every column, whose owner keeps the matching rows and writes edits
// back. Not installed.
//
//   kvlt-listctrl-demo [--rows N] [--menu [POPUP]] [--pyjama] [--grid] [--select]
//                      [--view KEY] [--filter COLUMN=TEXT]... [--edit ROW COLUMN]
//                      [--mail-to ADDRESSES] [--export]
//
// The switches put the lists in a state worth a screenshot: --menu opens the
// map's context menu (and the named popup in it, e.g. "View"), --pyjama and
// --grid switch those styles on, --select selects a few map rows, --view runs
// the view key (1 icon, 2 list, 3 report, 4 small icon) in every list,
// --filter puts a filter into the register's filter row (COLUMN is its
// number), --edit opens the register's editor on a cell.
// Ctrl+E and Ctrl+P export and print as in the application; unlike the
// application's lists these pass a recipient list (--mail-to, comma
// separated, empty by default), so the export chooser offers "Email".
// --export opens the chooser on the map at start.
#include "kvltlistctrl.h"
#include "kvltlistexport.h"
#include "messagebox.h"
#include "profile.h"
#include "qtmessagepresenter.h"
#include "resource.h"

#include <QApplication>
#include <QDate>
#include <QMenu>
#include <QTimer>
#include <QWidget>

#include <cstring>
#include <vector>

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

// ------------------------------------------------------------------ the register

enum RegisterColumn { RegVolume, RegLocation, RegVerified, RegDue, RegColumnCount };

// The owner's messages from the register list.
constexpr unsigned WM_REGISTER_FILTERS = 0x8001;
constexpr unsigned WM_REGISTER_EDIT_BEGIN = 0x8002;
constexpr unsigned WM_REGISTER_EDIT_END = 0x8003;

const char* const kLocations[] = {"Main Vault", "Offsite B", "Backup Lab", "Disaster Recovery",
                                  "In Transit"};

struct RegisterRecord {
    QString volume;
    QString location;
    bool verified = false;
    QDate due;
};

// The register's cells; the rows shown are the records the filters keep.
class DemoRegisterList final : public CKVLTListCtrl {
  public:
    DemoRegisterList(QWidget* parent, int records) : CKVLTListCtrl(parent) {
        m_records.reserve(size_t(records));
        for (int i = 0; i < records; ++i)
            m_records.push_back({QStringLiteral("VOL%1").arg(i + 1, 6, 10, QLatin1Char('0')),
                                 QString::fromLatin1(kLocations[(i * 7) % 5]), i % 3 == 0,
                                 QDate(2026, 1, 5).addDays(i % 400)});
    }

    static QString CellText(const RegisterRecord& record, unsigned column) {
        switch (column) {
        case RegVolume:
            return record.volume;
        case RegLocation:
            return record.location;
        case RegVerified:
            return record.verified ? QStringLiteral("Yes") : QStringLiteral("No");
        case RegDue:
            return record.due.toString(Qt::ISODate);
        default:
            return {};
        }
    }

    // Keeps the records that match the list's filters; the selection and
    // the focus stay on their records.
    void Rebuild() {
        std::vector<uint32_t> shown = kvltFilterRows(
            uint32_t(m_records.size()), m_mapFilters,
            [this](uint32_t row, unsigned column) { return CellText(m_records[row], column); });
        const std::vector<int> moves = kvltRowMoves(m_shown, shown);
        m_shown = std::move(shown);
        RemapItems(moves, int(m_shown.size()));
    }

    RegisterRecord& Record(int nItem) { return m_records[m_shown[size_t(nItem)]]; }

  protected:
    QString OnGetItemText(int nItem, int nSubItem) const override {
        return CellText(m_records[m_shown[size_t(nItem)]], unsigned(nSubItem));
    }
    int OnGetItemImage(int, int nSubItem) const override { return nSubItem == 0 ? 0 : -1; }

  private:
    std::vector<RegisterRecord> m_records;
    std::vector<uint32_t> m_shown;
};

// ------------------------------------------------------------------ the window

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
        setUpRegister();
        resize(1100, 820);
    }

    DemoMapList* m_pMap;
    DemoVolumeList* m_pIncoming;
    DemoVolumeList* m_pOutgoing;
    DemoRegisterList* m_pRegister;

  protected:
    void resizeEvent(QResizeEvent*) override {
        const int w = 230, cx = width(), top = (height() - 40) / 2;
        m_pIncoming->MoveWindow(5, 30, w, top);
        m_pOutgoing->MoveWindow(w + 10, 30, w, top);
        m_pMap->MoveWindow(2 * w + 15, 30, cx - 2 * w - 20, top);
        m_pRegister->MoveWindow(5, top + 60, cx - 10, height() - top - 70);
        m_pMap->SetColumnWidth(Assigned, CKVLTListCtrl::LVSCW_AUTOSIZE_USEHEADER);
        m_pIncoming->SetColumnWidth(1, CKVLTListCtrl::LVSCW_AUTOSIZE_USEHEADER);
        m_pOutgoing->SetColumnWidth(1, CKVLTListCtrl::LVSCW_AUTOSIZE_USEHEADER);
    }

    bool event(QEvent* event) override {
        if (event->type() != KVLTListMessageEvent::eventType())
            return QWidget::event(event);
        const auto* message = static_cast<KVLTListMessageEvent*>(event);
        switch (message->message()) {
        case WM_REGISTER_FILTERS:
            m_pRegister->Rebuild();
            break;
        case WM_REGISTER_EDIT_BEGIN:
            OnRegisterEditBegin(int(message->wParam()), int(message->lParam()));
            break;
        case WM_REGISTER_EDIT_END:
            OnRegisterEditEnd(int(message->wParam()), int(message->lParam()));
            break;
        default:
            break;
        }
        return true;
    }

  private:
    void setUpRegister() {
        m_pRegister = new DemoRegisterList(this, 100000);
        m_pRegister->InsertColumn(RegVolume, QStringLiteral("Volume"), CKVLTListCtrl::LVCFMT_LEFT,
                                  130);
        m_pRegister->InsertColumn(RegLocation, QStringLiteral("Location"),
                                  CKVLTListCtrl::LVCFMT_LEFT, 170);
        m_pRegister->InsertColumn(RegVerified, QStringLiteral("Verified"),
                                  CKVLTListCtrl::LVCFMT_LEFT, 110);
        m_pRegister->InsertColumn(RegDue, QStringLiteral("Due"), CKVLTListCtrl::LVCFMT_LEFT, 130);
        m_pRegister->SetListIcons({IDI_VOLUME});
        m_pRegister->CreateFooter(IDC_MAP_FOOTER + 100);
        m_pRegister->CreateCaption(IDC_MAP_CAPTION + 100, QStringLiteral("Volume Register"),
                                   IDI_VOLUME);
        m_pRegister->ExecuteCommandKey('8');

        // Filters: the row, a settings name for saved filters, presets on two columns.
        m_pRegister->ShowFilterBar();
        m_pRegister->SetSettingsName(QStringLiteral("VolumeRegister"));
        m_pRegister->m_nFilterChangedMessage = WM_REGISTER_FILTERS;
        for (const char* location : kLocations)
            m_pRegister->AddFilterPreset(RegLocation, QString::fromLatin1(location));
        m_pRegister->AddFilterPreset(RegLocation, QStringLiteral("!(Main Vault)\tanywhere else"));
        m_pRegister->AddFilterPreset(RegVerified, QStringLiteral("Yes"));
        m_pRegister->AddFilterPreset(RegVerified, QStringLiteral("No"));

        // An editor of each kind; this window fills them and writes edits back.
        m_pRegister->SetColumnEditor(RegVolume, m_pRegister->GetEditCtrl(), this,
                                     WM_REGISTER_EDIT_END, WM_REGISTER_EDIT_BEGIN);
        m_pRegister->SetColumnEditor(RegLocation, m_pRegister->GetComboCtrl(), this,
                                     WM_REGISTER_EDIT_END, WM_REGISTER_EDIT_BEGIN);
        m_pRegister->SetColumnEditor(RegVerified, m_pRegister->GetCheckboxCtrl(), this,
                                     WM_REGISTER_EDIT_END, WM_REGISTER_EDIT_BEGIN);
        m_pRegister->SetColumnEditor(RegDue, m_pRegister->GetDateCtrl(), this, WM_REGISTER_EDIT_END,
                                     WM_REGISTER_EDIT_BEGIN);
        m_pRegister->GetCheckboxCtrl()->setText(QStringLiteral("Verified"));
        for (const char* location : kLocations)
            m_pRegister->GetComboCtrl()->addItem(QString::fromLatin1(location));
        m_pRegister->Rebuild();
    }

    void OnRegisterEditBegin(int nItem, int nColumn) {
        const RegisterRecord& record = m_pRegister->Record(nItem);
        switch (nColumn) {
        case RegLocation:
            m_pRegister->GetComboCtrl()->setCurrentText(record.location);
            break;
        case RegVerified:
            m_pRegister->GetCheckboxCtrl()->setChecked(record.verified);
            break;
        case RegDue:
            m_pRegister->GetDateCtrl()->setDate(record.due);
            break;
        default:
            break; // the text box comes filled with the cell's text
        }
    }

    void OnRegisterEditEnd(int nItem, int nColumn) {
        RegisterRecord& record = m_pRegister->Record(nItem);
        switch (nColumn) {
        case RegVolume:
            record.volume = m_pRegister->GetEditCtrl()->text().trimmed().toUpper();
            break;
        case RegLocation:
            record.location = m_pRegister->GetComboCtrl()->currentText();
            break;
        case RegVerified:
            record.verified = m_pRegister->GetCheckboxCtrl()->isChecked();
            break;
        case RegDue:
            record.due = m_pRegister->GetDateCtrl()->date();
            break;
        default:
            break;
        }
        m_pRegister->RedrawItems(nItem, nItem);
    }

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
    // The register's saved filters live apart from the application's settings.
    setProfileName(QStringLiteral("KVLTListCtrlDemo"));

    int rows = 1000000;
    bool menu = false, pyjama = false, grid = false, select = false, exportList = false;
    QStringList recipients;
    QString popup;
    char viewKey = 0;
    QStringList filters;
    int editRow = -1, editColumn = -1;
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
        else if (!std::strcmp(argv[i], "--filter") && i + 1 < argc)
            filters << QString::fromLocal8Bit(argv[++i]);
        else if (!std::strcmp(argv[i], "--edit") && i + 2 < argc) {
            editRow = std::atoi(argv[++i]);
            editColumn = std::atoi(argv[++i]);
        } else if (!std::strcmp(argv[i], "--mail-to") && i + 1 < argc)
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
    for (const QString& filter : filters)
        view.m_pRegister->SetColumnFilter(filter.section(QLatin1Char('='), 0, 0).toUInt(),
                                          filter.section(QLatin1Char('='), 1));
    view.m_pMap->setFocus();
    if (editRow >= 0)
        QTimer::singleShot(300, view.m_pRegister, [&view, editRow, editColumn] {
            view.m_pRegister->BeginEdit(editRow, editColumn);
        });
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
