#include "menus.h"

#include "resource.h"

#include <array>

namespace {

// ---- "MAP" (318) -------------------------------------------------------------
constexpr MenuItemDef kSlotSelectItems[] = {
    {"&First Available", ID_SLOTSELECT_FIRSTAVAILABLE},
    {"&IntelliSlot", ID_SLOTSELECT_INTELLISLOT},
};
constexpr MenuItemDef kMapItems[] = {
    {"Scan Incoming", ID_SCAN_INCOMING},       {"Slot Select", 0, kSlotSelectItems}, {"", 0},
    {"&Return to Incoming", ID_VOLUME_RETURN}, {"Shelf &Audit...", ID_SHELF_AUDIT},
};
constexpr MenuItemDef kMapBar[] = {
    {"MAP", 0, kMapItems},
};

// ---- "OUTGOING" (320) ---------------------------------------------------------
constexpr MenuItemDef kOutgoingItems[] = {
    {"&Check Outgoing...", ID_CHECK_OUTGOING},
    {"C&lear Check Marks", ID_CLEAR_CHECKS},
};
constexpr MenuItemDef kOutgoingBar[] = {
    {"OUTGOING", 0, kOutgoingItems},
};

// ---- "LISTCTRL" (319) --------------------------------------------------------
// The last character of every command text is the key of its list command.
constexpr MenuItemDef kListSelectItems[] = {
    {"All\tCtrl+A", ID_LISTCTRL_SELECT_ALL},
    {"Invert\tCtrl+I", ID_LISTCTRL_SELECT_INVERT},
    {"Random\tCtrl+R", ID_LISTCTRL_SELECT_RANDOM},
};
constexpr MenuItemDef kListExtrasItems[] = {
    {"&Display GridLines\tCtrl+9", ID_LISTCTRL_GRIDLINES},
    {"Display Pyjama Paper Style\tCtrl+8", ID_LISTCTRL_PYJAMA},
};
constexpr MenuItemDef kListViewItems[] = {
    {"Icon\tCtrl+1", ID_LISTCTRL_VIEW_ICON},
    {"List\tCtrl+2", ID_LISTCTRL_VIEW_LIST},
    {"Report\tCtrl+3", ID_LISTCTRL_VIEW_REPORT},
    {"Small Icon\tCtrl+4", ID_LISTCTRL_VIEW_SMALLICON},
    {"Extras", 0, kListExtrasItems},
};
constexpr MenuItemDef kListItems[] = {
    {"&Export \tCtrl+E", ID_LISTCTRL_EXPORT},
    {"&Print\tCtrl+P", ID_LISTCTRL_PRINT},
    {"Select", 0, kListSelectItems},
    {"View", 0, kListViewItems},
};
constexpr MenuItemDef kListBar[] = {
    {"LISTCTRL", 0, kListItems},
};

// ---- Main menu (128) ---------------------------------------------------------
constexpr MenuItemDef kFileItems[] = {
    {"&Open...\tCtrl+O", ID_FILE_OPEN},
    {"&Save\tCtrl+S", ID_FILE_SAVE},
    {"Save &As...", ID_FILE_SAVE_AS},
    {"", 0},
    {"E&xit", ID_APP_EXIT},
};
constexpr MenuItemDef kEditItems[] = {
    {"&Undo Scan\tCtrl+Z", ID_EDIT_UNDO},
    {"", 0},
    {"&Find Volume...\tCtrl+Shift+F", ID_EDIT_FIND},
    {"Find &Next\tF3", ID_EDIT_REPEAT},
    {"", 0},
    {"&Return to Incoming", ID_VOLUME_RETURN},
    {"&Check Outgoing...", ID_CHECK_OUTGOING},
    {"C&lear Check Marks", ID_CLEAR_CHECKS},
    {"Shelf &Audit...", ID_SHELF_AUDIT},
};
constexpr MenuItemDef kHelpItems[] = {
    {"&About Strovane Offline Scanner...", ID_APP_ABOUT},
};
constexpr MenuItemDef kMainBar[] = {
    {"&File", 0, kFileItems},
    {"&Edit", 0, kEditItems},
    {"&Help", 0, kHelpItems},
};

constexpr MenuResourceDef kMenus[] = {
    {IDR_MAINFRAME, "IDR_MAINFRAME", kMainBar},
    {IDR_MAP, "MAP", kMapBar},
    {IDR_LISTCTRL, "LISTCTRL", kListBar},
    {IDR_OUTGOING, "OUTGOING", kOutgoingBar},
};

// ---- Accelerators (128) ------------------------------------------------------
constexpr AcceleratorDef kMainAccelerators[] = {
    {"Ctrl+N", ID_FILE_NEW},    {"Ctrl+O", ID_FILE_OPEN},   {"Ctrl+S", ID_FILE_SAVE},
    {"Ctrl+P", ID_FILE_PRINT},  {"Ctrl+Z", ID_EDIT_UNDO},   {"Alt+Backspace", ID_EDIT_UNDO},
    {"Ctrl+X", ID_EDIT_CUT},    {"Shift+Del", ID_EDIT_CUT}, {"Ctrl+C", ID_EDIT_COPY},
    {"Ctrl+Ins", ID_EDIT_COPY}, {"Ctrl+V", ID_EDIT_PASTE},  {"Shift+Ins", ID_EDIT_PASTE},
    {"F6", ID_NEXT_PANE},       {"Shift+F6", ID_PREV_PANE}, {"Ctrl+Shift+F", ID_EDIT_FIND},
    {"F3", ID_EDIT_REPEAT},
};

// ---- Strings -----------------------------------------------------------------
struct StringDef {
    unsigned id;
    std::string_view text;
};
constexpr StringDef kStrings[] = {
    {IDR_MAINFRAME, "Strovane Offline Scanner\n\nKVLTOfflineScan\n\n\n"
                    "KVLTOfflineScanner.Document\nKVLTOfflineScanner.Document"},
    {AFX_IDS_APP_TITLE, kAppTitle},
    {AFX_IDS_IDLEMESSAGE, "Ready"},
    {ID_INDICATOR_CAPS, "CAP"},
    {ID_INDICATOR_NUM, "NUM"},
    {ID_INDICATOR_SCRL, "SCRL"},
};

} // namespace

const MenuResourceDef* findMenuResource(unsigned id) {
    for (const MenuResourceDef& menu : kMenus)
        if (menu.id == id)
            return &menu;
    return nullptr;
}

std::span<const MenuResourceDef> menuResources() {
    return kMenus;
}

std::span<const AcceleratorDef> findAccelerators(unsigned id) {
    if (id == IDR_MAINFRAME)
        return kMainAccelerators;
    return {};
}

std::string_view resourceString(unsigned id) {
    for (const StringDef& s : kStrings)
        if (s.id == id)
            return s.text;
    return {};
}
