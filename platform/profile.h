// The settings of the maker's programs: the per-user profile and the
// machine-wide store of "Orvalen", and the names of their sections and values.
// Every reader and writer of settings goes through here.
//
// The per-user profile is the QSettings store of the organization "Orvalen"
// named after the application's profile name ("KVLTOfflineScanner"), with one
// group per section. The machine-wide store is the system-scope "Orvalen"
// store, which an administrator fills. Both are QSettings' native stores, so
// QSettings::setPath moves them (tests point them at folders of their own).
//
// A missing or unreadable value yields its default; nothing is reported.
#pragma once

#include <QSettings>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

// ---- Stores, sections and values -------------------------------------------
inline constexpr char kProfileOrganization[] = "Orvalen";
inline constexpr char kDefaultProfileName[] = "KVLTOfflineScanner";
// The machine-wide store as the registry helper names it.
inline constexpr char kMachineKeyPath[] = "SOFTWARE\\Orvalen";

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

// Machine-wide values.
inline constexpr char kEntryDisableUpdateCheck[] = "DisableUpdateCheck";
inline constexpr char kEntryUpdateServer[] = "UpdateServer";

// The section of a list's settings: "CListCtrl_" followed by the settings name.
QString listSettingsSection(const QString& settingsName);

// ---- Stores ----------------------------------------------------------------

// The profile name (the application's title string); "KVLTOfflineScanner"
// until set.
void setProfileName(const QString& name);
QString profileName();

// The native store of organization (and application, when not empty) in
// scope, opened afresh so that a value written by another process is seen.
// Values missing there are never answered from a wider store.
std::unique_ptr<QSettings> openSettingsStore(QSettings::Scope scope, const QString& organization,
                                             const QString& application);

// The files in use, for diagnostics and tests.
QString profileFile();
QString machineSettingsFile();

// A stored 32-bit number: a whole number from 0 to 4294967295, decimal or
// hexadecimal with "0x"; nothing for anything else.
std::optional<uint32_t> settingsDword(const QVariant& value);

// ---- Per-user profile ------------------------------------------------------

// A number: the stored value when settingsDword reads it, else the default.
unsigned getProfileInt(const QString& section, const QString& entry, unsigned defaultValue);
QString getProfileString(const QString& section, const QString& entry,
                         const QString& defaultValue = {});
// Both write at once; false when the store could not be written.
bool writeProfileInt(const QString& section, const QString& entry, unsigned value);
bool writeProfileString(const QString& section, const QString& entry, const QString& value);
