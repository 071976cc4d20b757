#include "dialogs.h"

#include "resource.h"

namespace {

constexpr unsigned kIdOk = 1;
constexpr unsigned kIdCancel = 2;

// ---- Form 101: the main view with its three lists -------------------------------
constexpr DialogControlDef kFormControls[] = {
    {IDC_INCOMING_LIST, DialogControlKind::ListView, "", 7, 21, 157, 324},
    {IDC_OUTGOING_LIST, DialogControlKind::ListView, "", 167, 21, 157, 324},
    {IDC_MAP_LIST, DialogControlKind::ListView, "", 328, 21, 323, 324},
};

// ---- Dialog 11: about the program ----------------------------------------------
// The three statements are the maker's own wording and may change freely.
constexpr DialogControlDef kAboutControls[] = {
    {IDC_STATIC, DialogControlKind::Picture, "", 7, 7, 267, 156},
    {IDC_STATIC, DialogControlKind::Static,
     "Strovane Offline Scanner is a product of Orvalen. All rights reserved.", 7, 170, 267, 16},
    {IDC_STATIC, DialogControlKind::Static,
     "This copy is licensed for use with a Strovane media-vault tracking installation.", 7, 192,
     267, 16},
    {IDC_STATIC, DialogControlKind::Static, "Orvalen, makers of media-vault tracking software.", 7,
     214, 267, 17},
    {IDC_ABOUT_PROPERTIES, DialogControlKind::PropertyGrid, "", 7, 236, 267, 82},
    {kIdOk, DialogControlKind::Button, "OK", 7, 321, 70, 14},
};

// ---- The scan dialog -------------------------------------------------------------
constexpr DialogControlDef kScanControls[] = {
    {IDC_SCAN_BARCODE, DialogControlKind::Edit, "", 7, 7, 295, 38},
    {IDC_SCAN_STATUS, DialogControlKind::Static, "", 7, 50, 295, 8},
    {kIdCancel, DialogControlKind::Button, "Cancel", 252, 68, 50, 14},
};

constexpr DialogTemplateDef kTemplates[] = {
    {IDD_KVLTOFFLINESCANNER_FORM, "", "MS Shell Dlg", 8, 658, 352, kFormControls},
    {IDD_ABOUTBOX, "About Strovane Vexmaro", "MS Shell Dlg", 8, 281, 342, kAboutControls},
    {IDD_SCAN_DIALOG, "Volume Scaner", "MS Shell Dlg", 8, 309, 89, kScanControls},
};

} // namespace

const DialogControlDef* DialogTemplateDef::control(unsigned controlId) const {
    for (const DialogControlDef& c : controls)
        if (c.id == controlId)
            return &c;
    return nullptr;
}

const DialogTemplateDef* findDialogTemplate(unsigned id) {
    for (const DialogTemplateDef& t : kTemplates)
        if (t.id == id)
            return &t;
    return nullptr;
}
