#include "profile.h"

namespace {

QString g_profileName = QString::fromLatin1(kDefaultProfileName);

std::unique_ptr<QSettings> openProfile() {
    return openSettingsStore(QSettings::UserScope, QString::fromLatin1(kProfileOrganization),
                             g_profileName);
}

QString key(const QString& section, const QString& entry) {
    return section + QLatin1Char('/') + entry;
}

} // namespace

QString listSettingsSection(const QString& settingsName) {
    return QString::fromLatin1(kListSectionFormat).replace(QLatin1String("%s"), settingsName);
}

// ---------------------------------------------------------------------------
// Stores
// ---------------------------------------------------------------------------

void setProfileName(const QString& name) {
    g_profileName = name;
}
QString profileName() {
    return g_profileName;
}

std::unique_ptr<QSettings> openSettingsStore(QSettings::Scope scope, const QString& organization,
                                             const QString& application) {
    // The settings are read a handful of times per run; opening the store
    // each time costs nothing that matters.
    auto settings =
        std::make_unique<QSettings>(QSettings::NativeFormat, scope, organization, application);
    settings->setFallbacksEnabled(false);
    return settings;
}

QString profileFile() {
    return openProfile()->fileName();
}

QString machineSettingsFile() {
    return openSettingsStore(QSettings::SystemScope, QString::fromLatin1(kProfileOrganization), {})
        ->fileName();
}

std::optional<uint32_t> settingsDword(const QVariant& value) {
    bool ok = false;
    qulonglong number = 0;
    switch (value.typeId()) {
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        // The text stores keep numbers as text.
        const QString text = value.toString().trimmed();
        if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            number = text.mid(2).toULongLong(&ok, 16);
        else if (!text.startsWith(QLatin1Char('+')) && !text.startsWith(QLatin1Char('-')))
            number = text.toULongLong(&ok, 10);
        break;
    }
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        const qlonglong signedNumber = value.toLongLong(&ok);
        ok = ok && signedNumber >= 0;
        number = qulonglong(signedNumber);
        break;
    }
    default:
        break; // missing, or a list ("1, 2")
    }
    if (!ok || number > 0xFFFFFFFFull)
        return std::nullopt;
    return uint32_t(number);
}

// ---------------------------------------------------------------------------
// Per-user profile
// ---------------------------------------------------------------------------

unsigned getProfileInt(const QString& section, const QString& entry, unsigned defaultValue) {
    return settingsDword(openProfile()->value(key(section, entry))).value_or(defaultValue);
}

QString getProfileString(const QString& section, const QString& entry,
                         const QString& defaultValue) {
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
    // Stored as text so that the file reads the same whatever wrote it.
    return writeProfileString(section, entry, QString::number(value));
}

bool writeProfileString(const QString& section, const QString& entry, const QString& value) {
    auto settings = openProfile();
    settings->setValue(key(section, entry), value);
    settings->sync();
    return settings->status() == QSettings::NoError;
}
