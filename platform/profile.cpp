#include "profile.h"

#include <QDir>
#include <QSettings>
#include <limits>

namespace {

QString g_profileName = QString::fromLatin1(kDefaultProfileName);
QString g_userFolder;    // empty: the standard per-user location
QString g_machineFolder; // empty: the standard system-wide location

// Each call opens the store afresh, so a changed location or a value written
// by another process is always seen. The profile is read a handful of times
// per run; this costs nothing that matters.
// The native format is the one the application base's registry helper uses,
// so the run counters and the lists' settings share one file.
std::unique_ptr<QSettings> openProfile() {
    std::unique_ptr<QSettings> settings;
    if (g_userFolder.isEmpty())
        settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                               QString::fromLatin1(kProfileOrganization), g_profileName);
    else
        settings = std::make_unique<QSettings>(
            QDir(g_userFolder).filePath(
                QStringLiteral("%1/%2.conf").arg(QString::fromLatin1(kProfileOrganization), g_profileName)),
            QSettings::IniFormat);
    // The profile is the user's own: a value missing there must not be
    // answered from the organization-wide or system-wide files.
    settings->setFallbacksEnabled(false);
    return settings;
}

std::unique_ptr<QSettings> openMachineStore() {
    std::unique_ptr<QSettings> settings;
    if (g_machineFolder.isEmpty())
        settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::SystemScope,
                                               QString::fromLatin1(kProfileOrganization));
    else
        settings = std::make_unique<QSettings>(
            QDir(g_machineFolder).filePath(QStringLiteral("%1.conf").arg(QString::fromLatin1(kProfileOrganization))),
            QSettings::IniFormat);
    settings->setFallbacksEnabled(false);
    return settings;
}

QString key(const QString& section, const QString& entry) { return section + QLatin1Char('/') + entry; }

// A stored number is decimal text; anything that is not a 32-bit number
// (negative numbers count as their two's-complement value) is unreadable.
std::optional<unsigned> toDword(const QVariant& value) {
    if (!value.isValid())
        return std::nullopt;
    bool ok = false;
    const qlonglong n = value.toString().trimmed().toLongLong(&ok);
    if (!ok || n < std::numeric_limits<qint32>::min() || n > std::numeric_limits<quint32>::max())
        return std::nullopt;
    return static_cast<unsigned>(static_cast<quint32>(n));
}

bool commit(QSettings& settings) {
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace

QString listSettingsSection(const QString& settingsName) {
    return QString::fromLatin1(kListSectionFormat).replace(QLatin1String("%s"), settingsName);
}

void setProfileName(const QString& name) { g_profileName = name; }
QString profileName() { return g_profileName; }

void setProfileFolders(const QString& userFolder, const QString& machineFolder) {
    g_userFolder = userFolder;
    g_machineFolder = machineFolder;
}

QString profileFile() { return openProfile()->fileName(); }
QString machineSettingsFile() { return openMachineStore()->fileName(); }

unsigned getProfileInt(const QString& section, const QString& entry, unsigned defaultValue) {
    return toDword(openProfile()->value(key(section, entry))).value_or(defaultValue);
}

QString getProfileString(const QString& section, const QString& entry, const QString& defaultValue) {
    const QVariant value = openProfile()->value(key(section, entry));
    if (!value.isValid())
        return defaultValue;
    // A text typed by hand with a comma and no quotes reads as a list; it was
    // meant as one text.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

bool writeProfileInt(const QString& section, const QString& entry, unsigned value) {
    auto settings = openProfile();
    // Stored as text so that the file reads the same whatever wrote it.
    settings->setValue(key(section, entry), QString::number(value));
    return commit(*settings);
}

bool writeProfileString(const QString& section, const QString& entry, const QString& value) {
    auto settings = openProfile();
    settings->setValue(key(section, entry), value);
    return commit(*settings);
}

std::optional<unsigned> queryMachineDword(const QString& entry) {
    return toDword(openMachineStore()->value(entry));
}
