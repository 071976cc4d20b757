// Resource and command ids of the offline scanner.
//
// The numbers are the ones the product has always used: scan files, menus
// built by older list code and the generated context-menu range all depend
// on them, so never renumber an entry. Qt-free.
#pragma once

// ---- Shell: document template, main menu, accelerators, main icon --------
inline constexpr unsigned IDR_MAINFRAME = 128;

// ---- Menus -----------------------------------------------------------------
inline constexpr unsigned IDR_MAP = 318;      // "MAP": the repository map's own commands
inline constexpr unsigned IDR_LISTCTRL = 319; // "LISTCTRL": the list control's commands
inline constexpr unsigned IDR_OUTGOING = 320; // "OUTGOING": the outgoing list's own commands

// ---- Icons -----------------------------------------------------------------
inline constexpr unsigned IDI_MAINFRAME = IDR_MAINFRAME; // main window and about dialog
inline constexpr unsigned IDI_SLOT = 313;                // a slot of the repository map
inline constexpr unsigned IDI_VOLUME = 314;              // a volume (tape cartridge)
inline constexpr unsigned IDI_SCAN = 323;                // the scan dialog's large icon

// ---- Bitmaps ---------------------------------------------------------------
inline constexpr unsigned IDB_ABOUT = 316;    // about window picture (200 x 50 pixels)
inline constexpr unsigned IDB_ABOUTDLG = 322; // about dialog picture

// ---- Dialog and form templates --------------------------------------------
inline constexpr unsigned IDD_ABOUTBOX = 11;
inline constexpr unsigned IDD_KVLTOFFLINESCANNER_FORM = 101;
// The scan dialog's template had no number of its own that anything depends
// on; this one is ours.
inline constexpr unsigned IDD_SCAN_DIALOG = 129;
// The dialogs of the outgoing check and the shelf audit, and the audit's
// set-up and result.
inline constexpr unsigned IDD_CHECK_OUTGOING = 130;
inline constexpr unsigned IDD_SHELF_AUDIT = 131;
inline constexpr unsigned IDD_AUDIT_SETUP = 132;
inline constexpr unsigned IDD_AUDIT_RESULT = 133;

// ---- Control ids -----------------------------------------------------------
inline constexpr unsigned IDC_INCOMING_LIST = 1001;
inline constexpr unsigned IDC_SCAN_BARCODE = 1002;
inline constexpr unsigned IDC_OUTGOING_LIST = 1003;
inline constexpr unsigned IDC_MAP_LIST = 1004;
inline constexpr unsigned IDC_MAP_FOOTER = 1005;
inline constexpr unsigned IDC_MAP_CAPTION = 1006;
inline constexpr unsigned IDC_INCOMING_FOOTER = 1007;
inline constexpr unsigned IDC_INCOMING_CAPTION = 1008;
inline constexpr unsigned IDC_OUTGOING_FOOTER = 1009;
inline constexpr unsigned IDC_OUTGOING_CAPTION = 1010;
inline constexpr unsigned IDC_SCAN_STATUS = 1011;
inline constexpr unsigned IDC_ABOUT_PROPERTIES = 534;
inline constexpr unsigned IDC_FLAGGED_LIST = 1012;   // the barcodes a scan dialog flagged
inline constexpr unsigned IDC_UNCHECKED_LIST = 1013; // the outgoing volumes not checked yet
inline constexpr unsigned IDC_UNDO_SCAN = 1014;      // the scan dialog's "Undo Scan"
inline constexpr unsigned IDC_AUDIT_LIST = 1015;     // the audit result's list
inline constexpr unsigned IDC_AUDIT_FOOTER = 1016;
inline constexpr unsigned IDC_AUDIT_CAPTION = 1017;
inline constexpr unsigned IDC_AUDIT_SUMMARY = 1018;
inline constexpr unsigned IDC_AUDIT_EXPORT = 1019;
inline constexpr unsigned IDC_AUDIT_SELECTED = 1020; // set-up: the selected slots
inline constexpr unsigned IDC_AUDIT_RANGE = 1021;    // set-up: a range of slots
inline constexpr unsigned IDC_AUDIT_FROM = 1022;
inline constexpr unsigned IDC_AUDIT_TO = 1023;
inline constexpr unsigned IDC_AUDIT_BY_SLOT = 1024;
inline constexpr unsigned AFX_IDW_STATUS_BAR = 59393;

// ---- Commands of the "MAP" menu -------------------------------------------
inline constexpr unsigned ID_SLOTSELECT_FIRSTAVAILABLE = 32772;
inline constexpr unsigned ID_SLOTSELECT_INTELLISLOT = 32773;
inline constexpr unsigned ID_SCAN_INCOMING = 32792;
// Ours: taking a scan back, the shelf audit.
inline constexpr unsigned ID_VOLUME_RETURN = 32811;
inline constexpr unsigned ID_SHELF_AUDIT = 32812;

// ---- Commands of the "OUTGOING" menu (and the Edit menu) ------------------
inline constexpr unsigned ID_CHECK_OUTGOING = 32813;
inline constexpr unsigned ID_CLEAR_CHECKS = 32814;

// ---- Commands of the "LISTCTRL" menu --------------------------------------
// The list control never sends these: it copies the entries into its context
// menu under generated ids and binds each to the last character of its text.
inline constexpr unsigned ID_LISTCTRL_EXPORT = 32800;
inline constexpr unsigned ID_LISTCTRL_PRINT = 32801;
inline constexpr unsigned ID_LISTCTRL_SELECT_ALL = 32802;
inline constexpr unsigned ID_LISTCTRL_SELECT_INVERT = 32803;
inline constexpr unsigned ID_LISTCTRL_SELECT_RANDOM = 32804;
inline constexpr unsigned ID_LISTCTRL_VIEW_ICON = 32805;
inline constexpr unsigned ID_LISTCTRL_VIEW_LIST = 32806;
inline constexpr unsigned ID_LISTCTRL_VIEW_REPORT = 32807;
inline constexpr unsigned ID_LISTCTRL_VIEW_SMALLICON = 32808;
inline constexpr unsigned ID_LISTCTRL_GRIDLINES = 32809;
inline constexpr unsigned ID_LISTCTRL_PYJAMA = 32810;

// ---- Generated context-menu commands of the list control -----------------
inline constexpr unsigned ID_LISTCTRL_GENERATED_FIRST = 57344;
inline constexpr unsigned ID_LISTCTRL_GENERATED_LAST = 57400;

// ---- Standard framework commands -------------------------------------------
inline constexpr unsigned ID_FILE_NEW = 57600;
inline constexpr unsigned ID_FILE_OPEN = 57601;
inline constexpr unsigned ID_FILE_SAVE = 57603;
inline constexpr unsigned ID_FILE_SAVE_AS = 57604;
inline constexpr unsigned ID_FILE_PRINT = 57607;
inline constexpr unsigned ID_EDIT_COPY = 57634;
inline constexpr unsigned ID_EDIT_CUT = 57635;
inline constexpr unsigned ID_EDIT_FIND = 57636;
inline constexpr unsigned ID_EDIT_PASTE = 57637;
inline constexpr unsigned ID_EDIT_REPEAT = 57640; // find the next match
inline constexpr unsigned ID_EDIT_UNDO = 57643;
inline constexpr unsigned ID_APP_ABOUT = 57664;
inline constexpr unsigned ID_APP_EXIT = 57665;
inline constexpr unsigned ID_NEXT_PANE = 57680;
inline constexpr unsigned ID_PREV_PANE = 57681;

// ---- Status bar indicators -------------------------------------------------
inline constexpr unsigned ID_SEPARATOR = 0; // the message pane
inline constexpr unsigned ID_INDICATOR_CAPS = 59137;
inline constexpr unsigned ID_INDICATOR_NUM = 59138;
inline constexpr unsigned ID_INDICATOR_SCRL = 59139;

// ---- Strings ---------------------------------------------------------------
// The string table shares its numbers with commands (57344 is both the
// application title and the first generated menu id); they never meet.
inline constexpr unsigned AFX_IDS_APP_TITLE = 57344;
// The application title string: also the name of the per-user profile.
inline constexpr const char kAppTitle[] = "KVLTOfflineScanner";
inline constexpr unsigned AFX_IDS_IDLEMESSAGE = 57345;
