// CKVLTListCtrl: column filters, the filter row's notifications, and saving,
// restoring and showing filter sets.
#include "kvltlistctrl.h"

#include "commandrouting.h"
#include "kvltfilterrow.h"
#include "kvltheaderctrl.h"
#include "kvltstringarray.h"
#include "menuqt.h"
#include "messagebox.h"
#include "profile.h"
#include "taskdialog.h"

#include <QCoreApplication>
#include <QMenu>

#include <climits>

namespace {
// The push button of the restore dialog that removes the chosen filter.
constexpr int kRemoveFilterButton = 101;
} // namespace

// ------------------------------------------------------------------ messages

QEvent::Type KVLTListMessageEvent::eventType() {
    static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
    return type;
}

bool sendListMessage(QObject* receiver, CKVLTListCtrl* pList, unsigned nMessage, long long wParam,
                     long long lParam) {
    if (!receiver || nMessage == 0)
        return false;
    KVLTListMessageEvent message(pList, nMessage, wParam, lParam);
    QCoreApplication::sendEvent(receiver, &message);
    return true;
}

// ------------------------------------------------------------------ the filter row

void CKVLTListCtrl::ShowFilterBar(bool bShow) {
    m_pHeader->SetFilterBar(bShow);
    UpdateHeaderGeometry();
    m_pHeader->FilterRow()->Layout();
}

bool CKVLTListCtrl::HasFilterBar() const {
    return m_pHeader->HasFilterBar();
}

void CKVLTListCtrl::AddFilterPreset(unsigned nColumn, const QString& strPreset) {
    CKVLTStringArray*& presets = m_mapFilterPresets[nColumn];
    if (!presets)
        presets = new CKVLTStringArray(true);
    presets->Add(strPreset);
    m_pHeader->FilterRow()->Layout();
}

void CKVLTListCtrl::OnFilterChange(int nColumn) {
    if (nColumn < 0)
        return;
    const QString text = m_pHeader->FilterRow()->Text(nColumn).trimmed();
    if (text.isEmpty())
        m_mapFilters.remove(unsigned(nColumn));
    else
        m_mapFilters.insert(unsigned(nColumn), CKVLTFilter(text));
    NotifyFiltersChanged();
}

void CKVLTListCtrl::OnFilterButtonClicked(int nColumn, const QRect& globalButtonRect) {
    if (nColumn < 0)
        return;
    CKVLTStringArray*& presets = m_mapFilterPresets[unsigned(nColumn)];
    if (!presets)
        presets = new CKVLTStringArray(true);
    if (presets->GetSize() == 0)
        return;
    QMenu popup(this);
    for (int k = 0; k < presets->GetSize(); ++k)
        appendCommand(&popup, presets->GetAt(k), unsigned(k + 1));
    // The chosen entry comes back instead of going anywhere as a command.
    const unsigned chosen = trackPopupMenu(
        &popup, QPoint(globalButtonRect.left(), globalButtonRect.top() + globalButtonRect.height()),
        nullptr);
    if (chosen == 0 || int(chosen) > presets->GetSize())
        return;
    // A preset may carry a description after a tab; the filter is what comes before it.
    SetColumnFilter(unsigned(nColumn),
                    presets->GetAt(int(chosen) - 1).section(QLatin1Char('\t'), 0, 0));
    NotifyFiltersChanged();
}

void CKVLTListCtrl::SetColumnFilter(unsigned nColumn, const QString& strText) {
    if (nColumn > unsigned(INT_MAX))
        return;
    m_pHeader->FilterRow()->SetText(int(nColumn), strText);
}

void CKVLTListCtrl::NotifyFiltersChanged() {
    if (m_nFilterChangedMessage == 0)
        return;
    QObject* receiver = m_pFilterChangedReceiver ? m_pFilterChangedReceiver.data()
                                                 : static_cast<QObject*>(parentWidget());
    sendListMessage(receiver, this, m_nFilterChangedMessage, 0, 0);
}

void CKVLTListCtrl::ClearFilters() {
    m_mapFilters.clear();
    m_pHeader->FilterRow()->ClearAll();
    NotifyFiltersChanged();
}

// ------------------------------------------------------------------ saved filters

void CKVLTListCtrl::SetSettingsName(const QString& strName) {
    m_strSettingsName = strName;
    LoadSavedFilters();
}

// The saved filters are written when the list goes (SaveListState); they are
// read back here, merged under any the list already holds, once per
// settings name.
void CKVLTListCtrl::LoadSavedFilters() {
    if (m_strSettingsName.isEmpty() || m_strSavedFiltersRead == m_strSettingsName)
        return;
    m_strSavedFiltersRead = m_strSettingsName;
    const unsigned total = GetListSettingInt(QString::fromLatin1(kEntryFilterTotal), 0);
    for (unsigned n = 0; n < total; ++n) {
        const QString name = GetListSetting(QString::asprintf(kEntryFilterNameFormat, n), {});
        // A saved name is never blank: a missing entry ends the set.
        if (name.isEmpty())
            break;
        if (!m_mapSavedFilters.contains(name))
            m_mapSavedFilters.insert(
                name, GetListSetting(QString::asprintf(kEntryFilterValueFormat, n), {}));
    }
}

void CKVLTListCtrl::SaveFilter() {
    if (m_mapFilters.isEmpty()) {
        kvltMessageBox("You have no filters set to save", "Save Error", MsgIcon::Information,
                       MsgButtons::Ok, this);
        return;
    }
    if (m_strSettingsName.isEmpty()) {
        kvltMessageBox("This list is not registered for filter saving", "Save Error",
                       MsgIcon::Information, MsgButtons::Ok, this);
        return;
    }
    // The saved form separates its parts with backquotes: a text holding one
    // would come back as another filter.
    if (!filterSetEncodable(m_mapFilters)) {
        kvltMessageBox("A filter containing a backquote (`) can not be saved.\n\nPlease remove "
                       "the backquote from the filter and save again.",
                       "Save Error", MsgIcon::Warning, MsgButtons::Ok, this);
        return;
    }
    LoadSavedFilters();
    const QString encoded = encodeFilterSet(m_mapFilters);

    CKVLTTaskDialog dialog(this);
    setUpTextQuestion(dialog, QStringLiteral("Filter Save"), QStringLiteral("Save Current Filter."),
                      QStringLiteral("Please enter a name that you want to use to identify the "
                                     "current filter in future:"));
    for (;;) {
        if (dialog.DoModal() != IDOK)
            return;
        const QString name = dialog.GetInputBoxText();
        if (name.isEmpty()) {
            kvltMessageBox("Filter save name can not be blank", "Input Error", MsgIcon::Error,
                           MsgButtons::Ok, this);
            continue;
        }
        m_mapSavedFilters.insert(name, encoded);
        m_bSavedFiltersChanged = true;
        return;
    }
}

void CKVLTListCtrl::RestoreFilter() {
    LoadSavedFilters();
    if (m_mapSavedFilters.isEmpty()) {
        kvltMessageBox("You have no saved filters", "Restore Error", MsgIcon::Information,
                       MsgButtons::Ok, this);
        return;
    }
    const QString defaultName = GetListSetting(QString::fromLatin1(kEntryDefaultFilter), {});

    CKVLTTaskDialog dialog(this);
    dialog.SetWindowTitle(QStringLiteral("Filter Restore"));
    dialog.SetMainInstruction(QStringLiteral("Select Filter."));
    dialog.SetContent(
        QStringLiteral("Please select one of your saved filters to restore or delete:"));
    const QStringList names = m_mapSavedFilters.keys();
    int defaultRadio = -1;
    for (int id = 0; id < names.size(); ++id) {
        dialog.AddRadioButton(names[id], id);
        if (names[id] == defaultName)
            defaultRadio = id;
    }
    dialog.SetDefaultRadioButton(defaultRadio);
    dialog.AddButton(QStringLiteral("Remove Filter"), kRemoveFilterButton);
    dialog.SetVerificationText(
        QStringLiteral("Do you want to save the selected filter as the default for next time?"));
    dialog.SetVerifyCheckState(true);
    dialog.SetCommonButtons(TDCBF_OK_BUTTON | TDCBF_CANCEL_BUTTON);
    dialog.SetDefaultButton(IDOK);
    dialog.EnableCancellation(true);
    dialog.SetFooterIcon(TaskIcon::Application);

    const int button = dialog.DoModal();
    if (button != IDOK && button != kRemoveFilterButton)
        return;
    const int chosen = dialog.GetSelectedRadioButtonId();
    if (chosen < 0 || chosen >= names.size())
        return;
    const QString name = names[chosen];
    const QString encoded = m_mapSavedFilters.value(name);
    WriteListSetting(QString::fromLatin1(kEntryDefaultFilter),
                     dialog.IsVerificationChecked() ? name : QString());
    if (button == kRemoveFilterButton) {
        m_mapSavedFilters.remove(name);
        m_bSavedFiltersChanged = true;
        return;
    }
    ClearFilters();
    for (const auto& [column, text] : decodeFilterSet(encoded))
        SetColumnFilter(column, text);
}

void CKVLTListCtrl::ShowFilterValues() {
    if (m_mapFilters.isEmpty()) {
        kvltMessageBox("No Filters set", "Filter Value", MsgIcon::None, MsgButtons::Ok, this);
        return;
    }
    // The map may change while a box is open (the owner's rows do not).
    const CKVLTFilterMap filters = m_mapFilters;
    for (auto it = filters.cbegin(); it != filters.cend(); ++it) {
        const QString text = QStringLiteral("%1:%2[%3]")
                                 .arg(it.key())
                                 .arg(GetColumnTitle(int(it.key())), it.value().m_strText);
        if (kvltMessageBox(text.toStdString(), "Filter Value", MsgIcon::Information,
                           MsgButtons::OkCancel, this) == MsgAnswer::Cancel)
            return;
    }
}
