// The per-user profile and the machine-wide settings of "Orvalen".
//
// The per-user profile is a QSettings store of the organization "Orvalen"
// named after the application's profile name ("KVLTOfflineScanner"), with one
// group per section. The machine-wide store is the system-scope "Orvalen"
// store, which an administrator fills. Tests point both at folders of their
// own with setProfileFolders.
//
// A missing or unreadable value yields its default; nothing is reported.
#pragma once

#include <QString>
#include <optional>

// ---- Sections and values -----------------------------------------------------
inline constexpr char kProfileOrganization[] = "Orvalen";
inline constexpr char kDefaultProfileName[] = "KVLTOfflineScanner";

inline constexpr char kSectionOptions[] = "Options";
inline constexpr char kEntryStartMessage[] = "StartMessage";
inline constexpr char kSectionRuntime[] = "Runtime";
inline constexpr char kEntryRunCount[] = "RunCount";
inline constexpr char kEntryLastRunTime[] = "LastRunTime";
inline constexpr char kEntryGUID[] = "GUID";

// Per-list section and its entries.
inline constexpr char kListSectionFormat[] = "CListCtrl_%s";
inline constexpr char kEntryOrder[] = "Order";
inline constexpr char kEntryDefaultFilter[] = "DefaultFilter";
inline constexpr char kEntryFilterTotal[] = "FilterTotal";
inline constexpr char kEntryFilterNameFormat[] = "%u_Name";
inline constexpr char kEntryFilterValueFormat[] = "%u_Value";
inline constexpr char kEntryPDFPageSize[] = "PDFPageSize";
inline constexpr char kEntryPDFPageOrientation[] = "PDFPageOrientation";
inline constexpr char kEntryPDFExclusionColumns[] = "PDFExclusionColumns";

// Machine-wide value.
inline constexpr char kEntryDisableUpdateCheck[] = "DisableUpdateCheck";

// The section of a list's settings: "CListCtrl_" followed by the settings name.
QString listSettingsSection(const QString& settingsName);

// ---- Locations ---------------------------------------------------------------

// The profile name (the application's title string); "KVLTOfflineScanner"
// until set.
void setProfileName(const QString& name);
QString profileName();

// Puts the per-user profile under userFolder (userFolder/Orvalen/<profile>.conf)
// and the machine-wide store under machineFolder (machineFolder/Orvalen.conf).
// Empty folders restore the standard locations.
void setProfileFolders(const QString& userFolder, const QString& machineFolder);

// The files in use, for diagnostics and tests.
QString profileFile();
QString machineSettingsFile();

// ---- Per-user profile ----------------------------------------------------------

// A number: the stored value when it is a decimal 32-bit number, else the default.
unsigned getProfileInt(const QString& section, const QString& entry, unsigned defaultValue);
QString getProfileString(const QString& section, const QString& entry,
                         const QString& defaultValue = {});
// Both write at once; false when the store could not be written.
bool writeProfileInt(const QString& section, const QString& entry, unsigned value);
bool writeProfileString(const QString& section, const QString& entry, const QString& value);

// ---- Machine-wide store ------------------------------------------------------

// The named value of the "Orvalen" store when it is a 32-bit number; nothing
// when the store or the value is missing or the value is not a number.
std::optional<unsigned> queryMachineDword(const QString& entry);
