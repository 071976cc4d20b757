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

// ---- The outgoing check and the shelf audit: the scan dialog's layout ------------
constexpr DialogControlDef kCheckControls[] = {
    {IDC_SCAN_BARCODE, DialogControlKind::Edit, "", 7, 7, 295, 38},
    {IDC_SCAN_STATUS, DialogControlKind::Static, "", 7, 50, 295, 8},
    {kIdCancel, DialogControlKind::Button, "Close", 252, 68, 50, 14},
};
constexpr DialogControlDef kAuditControls[] = {
    {IDC_SCAN_BARCODE, DialogControlKind::Edit, "", 7, 7, 295, 38},
    {IDC_SCAN_STATUS, DialogControlKind::Static, "", 7, 50, 295, 8},
    {kIdOk, DialogControlKind::Button, "Finish", 252, 68, 50, 14},
};

// ---- The shelf audit's set-up and result ---------------------------------------
constexpr DialogControlDef kAuditSetupControls[] = {
    {IDC_AUDIT_SELECTED, DialogControlKind::Button, "The &selected slots", 7, 7, 200, 10},
    {IDC_AUDIT_RANGE, DialogControlKind::Button, "Slots &from", 7, 22, 50, 10},
    {IDC_AUDIT_FROM, DialogControlKind::Edit, "", 60, 20, 60, 14},
    {IDC_STATIC, DialogControlKind::Static, "to", 125, 22, 12, 10},
    {IDC_AUDIT_TO, DialogControlKind::Edit, "", 140, 20, 60, 14},
    {IDC_AUDIT_BY_SLOT, DialogControlKind::Button,
     "Scan slot &by slot (Enter alone for an empty slot)", 7, 42, 200, 10},
    {kIdOk, DialogControlKind::Button, "OK", 98, 60, 50, 14},
    {kIdCancel, DialogControlKind::Button, "Cancel", 152, 60, 50, 14},
};
constexpr DialogControlDef kAuditResultControls[] = {
    {IDC_AUDIT_SUMMARY, DialogControlKind::Static, "", 7, 7, 386, 16},
    {IDC_AUDIT_LIST, DialogControlKind::ListView, "", 7, 50, 386, 180},
    {IDC_AUDIT_EXPORT, DialogControlKind::Button, "&Export...", 289, 260, 50, 14},
    {kIdOk, DialogControlKind::Button, "Close", 343, 260, 50, 14},
};

constexpr DialogTemplateDef kTemplates[] = {
    {IDD_KVLTOFFLINESCANNER_FORM, "", "MS Shell Dlg", 8, 658, 352, kFormControls},
    {IDD_ABOUTBOX, "About Strovane Vexmaro", "MS Shell Dlg", 8, 281, 342, kAboutControls},
    {IDD_SCAN_DIALOG, "Volume Scaner", "MS Shell Dlg", 8, 309, 89, kScanControls},
    {IDD_CHECK_OUTGOING, "Check Outgoing", "MS Shell Dlg", 8, 309, 89, kCheckControls},
    {IDD_SHELF_AUDIT, "Shelf Audit", "MS Shell Dlg", 8, 309, 89, kAuditControls},
    {IDD_AUDIT_SETUP, "Shelf Audit", "MS Shell Dlg", 8, 214, 81, kAuditSetupControls},
    {IDD_AUDIT_RESULT, "Shelf Audit Result", "MS Shell Dlg", 8, 400, 281, kAuditResultControls},
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
