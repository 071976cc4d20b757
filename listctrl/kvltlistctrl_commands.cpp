// CKVLTListCtrl: selection operations, the random selection, the column
// copy, the context menu and the key commands.
#include "kvltlistctrl.h"

#include "commandrouting.h"
#include "kvltstringarray.h"
#include "menuqt.h"
#include "messagebox.h"
#include "taskdialog.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMenu>

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace {
CKVLTListCtrl::CommandKeyHandler& commandKeyHandler() {
    static CKVLTListCtrl::CommandKeyHandler handler;
    return handler;
}
} // namespace

// ------------------------------------------------------------------ selection

int CKVLTListCtrl::GetNextItem(int nItem, int nFlags) const {
    if (nFlags & LVNI_SELECTED)
        return m_selection.nextSelected(nItem);
    const int next = std::max(nItem + 1, 0);
    return next < m_nItemCount ? next : -1;
}

bool CKVLTListCtrl::SelectItem(int nItem, bool bSelect) {
    if (nItem < 0 || nItem >= m_nItemCount)
        return false;
    if (m_selection.set(nItem, bSelect))
        SelectionChanged();
    return true;
}

void CKVLTListCtrl::SelectAllItems() {
    m_selection.selectAll();
    SelectionChanged();
}

void CKVLTListCtrl::DeselectAllItems() {
    m_selection.clear();
    SelectionChanged();
}

void CKVLTListCtrl::InvertSelection() {
    m_selection.invert();
    SelectionChanged();
}

void CKVLTListCtrl::SelectRandomRows(unsigned nCount) {
    const unsigned rows = unsigned(m_nItemCount);
    if (rows == 0 || nCount == 0)
        return;
    nCount = std::min(nCount, rows - unsigned(m_selection.count()));
    // Every row can be drawn: the draw covers the whole index range.
    std::uniform_int_distribution<int> draw(0, m_nItemCount - 1);
    for (unsigned selected = 0; selected < nCount;)
        if (m_selection.set(draw(m_random), true))
            ++selected;
    SelectionChanged();
}

namespace {
// The leading decimal number of the text (leading white space skipped, an
// optional sign, digits up to the first other character); 0 without digits.
// Values beyond the 64-bit range are held at its ends.
long long leadingNumber(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    errno = 0;
    return std::strtoll(bytes.constData(), nullptr, 10);
}
} // namespace

void CKVLTListCtrl::SelectRandomRecords() {
    const unsigned rows = unsigned(m_nItemCount);
    if (rows == 0) {
        kvltMessageBox("There are no items in this list.", "Input Error", MsgIcon::Error,
                       MsgButtons::Ok, this);
        return;
    }
    // Cleared before the dialog, so cancelling leaves nothing selected.
    DeselectAllItems();

    CKVLTTaskDialog dialog(this);
    setUpTextQuestion(dialog, QStringLiteral("Select Random Records"),
                      QStringLiteral("Select the number of records."),
                      QStringLiteral("Please enter the number of the %1 records you wish to "
                                     "select (or enter a percentage):")
                          .arg(rows));

    for (;;) {
        if (dialog.DoModal() != IDOK)
            return;
        const QString input = dialog.GetInputBoxText();
        if (input.isEmpty()) {
            kvltMessageBox("Number of items can not be blank", "Input Error", MsgIcon::Error,
                           MsgButtons::Ok, this);
            continue;
        }
        long long n = leadingNumber(input);
        if (input.endsWith(QLatin1Char('%'))) {
            // Exact: rows x n / 100 truncated toward zero, without overflow.
            const __int128 scaled = __int128(n) * rows / 100;
            n = scaled > __int128(INT64_MAX)   ? INT64_MAX
                : scaled < __int128(INT64_MIN) ? INT64_MIN
                                               : (long long)scaled;
        }
        if (n < 1) {
            kvltMessageBox("Number of items can not be zero", "Input Error", MsgIcon::Error,
                           MsgButtons::Ok, this);
            continue;
        }
        if ((unsigned long long)n > rows) {
            const QString text = QStringLiteral("You can't select %1 random records, because "
                                                "there are only %2 records in total")
                                     .arg(n)
                                     .arg(rows);
            kvltMessageBox(text.toStdString(), "Input Error", MsgIcon::Error, MsgButtons::Ok, this);
            continue;
        }
        SelectRandomRows(unsigned(n));
        return;
    }
}

void CKVLTListCtrl::CopyColumnToClipboard(unsigned nColumn) {
    if (RequireSelection(false, 0) == 0)
        return;
    CKVLTStringArray texts(false);
    for (int item = GetNextItem(-1, LVNI_SELECTED); item >= 0;
         item = GetNextItem(item, LVNI_SELECTED))
        texts.Add(GetItemText(item, int(nColumn)));
    texts.CopyToClipboard(this);
    kvltMessageBox(
        QStringLiteral("%1 items copied to clipboard.").arg(texts.GetSize()).toStdString(),
        "Column Copied", MsgIcon::Information, MsgButtons::Ok, this);
}

// ------------------------------------------------------------------ key commands

bool CKVLTListCtrl::IsFilterCommandKey(const QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() &
        (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier | Qt::ShiftModifier);
    const int key = event->key();
    return modifiers == Qt::ControlModifier &&
           (key == Qt::Key_K || key == Qt::Key_L || key == Qt::Key_Y || key == Qt::Key_F);
}

bool CKVLTListCtrl::ForwardFilterCommandKey(QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (!IsFilterCommandKey(key))
        return false;
    // The line editors have keys of their own on these (Ctrl+K deletes to
    // the end of the line): the list's commands come first here.
    event->accept();
    if (event->type() == QEvent::KeyPress) {
        CommitEdit();
        ExecuteCommandKey(char(key->key()));
    }
    return true;
}

void CKVLTListCtrl::SetCommandKeyHandler(CommandKeyHandler handler) {
    commandKeyHandler() = std::move(handler);
}

void CKVLTListCtrl::ExecuteCommandKey(char key) {
    key = char(std::toupper(static_cast<unsigned char>(key)));
    switch (key) {
    case '0':
        AutoSizeColumns();
        break;
    case '1':
        SetView(LVS_ICON);
        break;
    case '2':
        SetView(LVS_LIST);
        break;
    case '3':
        SetView(LVS_REPORT);
        break;
    case '4':
        SetView(LVS_SMALLICON);
        break;
    case '8':
        m_bPyjama = !m_bPyjama;
        Invalidate(true);
        break;
    case '9':
        if (m_bGridLines) {
            m_nExtendedStyle &= ~LVS_EX_GRIDLINES;
            m_bGridLines = false;
        } else {
            m_nExtendedStyle |= LVS_EX_GRIDLINES;
            m_bGridLines = true;
        }
        Invalidate(true);
        break;
    case 'A':
        SelectAllItems();
        break;
    case 'F':
        ClearFilters();
        break;
    case 'I':
        InvertSelection();
        break;
    case 'K':
        SaveFilter();
        break;
    case 'L':
        RestoreFilter();
        break;
    case 'R':
        SelectRandomRecords();
        break;
    case 'S':
        CycleView();
        break;
    case 'Y':
        ShowFilterValues();
        break;
    default:
        // E and P: export and print, bound by whoever installs the handler.
        if (commandKeyHandler())
            commandKeyHandler()(*this, key);
        break;
    }
}

// ------------------------------------------------------------------ context menu

QObject* CKVLTListCtrl::GetCommandTarget() {
    if (m_pCommandTarget)
        return m_pCommandTarget.data();
    return isWindow() ? static_cast<QObject*>(this) : static_cast<QObject*>(window());
}

bool CKVLTListCtrl::OnListCommand(unsigned nID) {
    if (nID < kFirstGeneratedId || nID > kLastGeneratedId)
        return false;
    if (const auto column = m_mapCopyColumn.constFind(nID); column != m_mapCopyColumn.cend())
        CopyColumnToClipboard(column.value());
    else if (const auto key = m_mapCommandKeys.constFind(nID); key != m_mapCommandKeys.cend())
        ExecuteCommandKey(key.value());
    return true;
}

bool CKVLTListCtrl::OnCommand(unsigned nID) {
    return OnListCommand(nID);
}

bool CKVLTListCtrl::event(QEvent* event) {
    if (event->type() == CommandEvent::eventType()) {
        if (OnCommand(static_cast<CommandEvent*>(event)->id()))
            event->accept();
        else
            event->ignore();
        return true;
    }
    if (event->type() == KVLTEndLabelEditEvent::eventType()) {
        OnEndLabelEdit(*static_cast<KVLTEndLabelEditEvent*>(event));
        return true;
    }
    return QAbstractScrollArea::event(event);
}

namespace {
// Copies the entries of a list-menu popup under generated ids; every command
// is bound to the last character of its text.
void copyListMenuEntries(CKVLTListCtrl& list, QMenu* target, std::span<const MenuItemDef> items) {
    for (const MenuItemDef& item : items) {
        if (item.text.empty())
            continue;
        const QString text = resourceText(item.text);
        if (item.isPopup()) {
            copyListMenuEntries(list, target->addMenu(text), item.items);
            continue;
        }
        const unsigned id = list.m_nNextCommandId++;
        const char key = char(text.back().toLatin1());
        list.m_mapCommandKeys.insert(id, key);
        bool checked = false;
        switch (key) {
        case '1':
            checked = list.GetView() == CKVLTListCtrl::LVS_ICON;
            break;
        case '2':
            checked = list.GetView() == CKVLTListCtrl::LVS_LIST;
            break;
        case '3':
            checked = list.GetView() == CKVLTListCtrl::LVS_REPORT;
            break;
        case '4':
            checked = list.GetView() == CKVLTListCtrl::LVS_SMALLICON;
            break;
        case '8':
            checked = list.m_bPyjama;
            break;
        case '9':
            checked = list.m_bGridLines;
            break;
        default:
            break;
        }
        appendCommand(target, text, id, checked);
    }
}
} // namespace

std::unique_ptr<QMenu> CKVLTListCtrl::BuildContextMenu() {
    if (m_nOwnerMenuId == 0)
        return nullptr;
    const MenuResourceDef* ownerMenu = findMenuResource(m_nOwnerMenuId);
    if (!ownerMenu) {
        kvltMessageBox("Unable to load menu resource", {}, MsgIcon::Warning, MsgButtons::Ok, this);
        return nullptr;
    }
    if (m_nOwnerSubMenu >= ownerMenu->popups.size() ||
        !ownerMenu->popups[m_nOwnerSubMenu].isPopup()) {
        kvltMessageBox("Unable to find submenu", {}, MsgIcon::Warning, MsgButtons::Ok, this);
        return nullptr;
    }
    auto popup = std::make_unique<QMenu>(resourceText(ownerMenu->popups[m_nOwnerSubMenu].text));
    appendMenuItems(popup.get(), ownerMenu->popups[m_nOwnerSubMenu].items);

    if (m_nMenuOpeningMessage != 0) {
        QObject* receiver =
            m_pMenuOpeningReceiver ? m_pMenuOpeningReceiver.data() : GetCommandTarget();
        KVLTMenuOpeningEvent opening(m_nMenuOpeningMessage, popup.get());
        if (receiver)
            QCoreApplication::sendEvent(receiver, &opening);
    }

    if (m_nListMenuId != 0) {
        if (const MenuResourceDef* listMenu = findMenuResource(m_nListMenuId);
            listMenu && !listMenu->popups.empty()) {
            m_nNextCommandId = kFirstGeneratedId;
            m_mapCommandKeys.clear();
            m_mapCopyColumn.clear();
            popup->addSeparator();
            QMenu* copyColumn = popup->addMenu(QStringLiteral("Copy Column"));
            for (int column = 0; column < GetColumnCount(); ++column) {
                const unsigned id = m_nNextCommandId++;
                appendCommand(copyColumn, GetColumnTitle(column), id);
                m_mapCopyColumn.insert(id, unsigned(column));
            }
            copyListMenuEntries(*this, popup.get(), listMenu->popups.front().items);
        }
    }
    return popup;
}

void CKVLTListCtrl::ShowContextMenu(QPoint globalPos) {
    // From the keyboard: under the focused row when it is in view, as the
    // menu works on it; otherwise 5 pixels into the client area, header
    // included.
    if (globalPos == QPoint(-1, -1)) {
        const QRect row = GetItemRect(m_nFocusItem);
        if (!row.isEmpty() && viewport()->rect().intersects(row))
            globalPos = viewport()->mapToGlobal(
                QPoint(std::max(row.left(), 0) + 5, std::min(row.bottom(), viewport()->height())));
        else
            globalPos = mapToGlobal(contentsRect().topLeft() + QPoint(5, 5));
    }
    std::unique_ptr<QMenu> popup = BuildContextMenu();
    if (!popup)
        return;
    trackPopupMenu(popup.get(), globalPos, GetCommandTarget());
}

void CKVLTListCtrl::contextMenuEvent(QContextMenuEvent* event) {
    ShowContextMenu(event->reason() == QContextMenuEvent::Keyboard ? QPoint(-1, -1)
                                                                   : event->globalPos());
    event->accept();
}
