#include "kvltregistry.h"

#include "messagebox.h"
#include "profile.h"

#include <QFileInfo>
#include <QStringList>

#include <cerrno>
#include <cstring>

namespace {

constexpr uint32_t kKeySetValue = 0x0002; // the write bit of an access mask

// Splits "Software\Org\App\Group..." into its store and group parts. Returns
// false for a path that names no organization.
bool splitKeyPath(const QString& path, QString& organization, QString& application,
                  QString& group) {
    QStringList parts = path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (!parts.isEmpty() &&
        parts.front().compare(QLatin1String("Software"), Qt::CaseInsensitive) == 0)
        parts.pop_front();
    if (parts.isEmpty())
        return false;
    organization = parts.takeFirst();
    application = parts.isEmpty() ? QString() : parts.takeFirst();
    group = parts.join(QLatin1Char('/'));
    return true;
}

} // namespace

CKVLTRegistry::~CKVLTRegistry() {
    Close();
}

void CKVLTRegistry::Close() {
    if (!m_bAttached)
        delete m_hKey;
    m_hKey = nullptr;
    m_bAttached = false;
}

void CKVLTRegistry::Attach(QSettings* pKey) {
    Close();
    m_hKey = pKey;
    m_bAttached = true;
}

bool CKVLTRegistry::Open(const QString& strPath, KvltRootKey root, bool bClosePrevious) {
    QString organization, application, group;
    if (!splitKeyPath(strPath, organization, application, group)) {
        ReportError(EINVAL, QStringLiteral("Registry Error"));
        return false;
    }
    const QSettings::Scope scope =
        root == KvltRootKey::LocalMachine ? QSettings::SystemScope : QSettings::UserScope;
    std::unique_ptr<QSettings> key = openSettingsStore(scope, organization, application);

    int error = 0;
    if (key->status() == QSettings::AccessError)
        error = EACCES;
    else if (key->status() == QSettings::FormatError)
        error = EILSEQ;
    else if ((m_dwAccess & kKeySetValue) && !key->isWritable())
        error = EACCES;
    else if (!(m_dwAccess & kKeySetValue)) {
        // A store that exists but cannot be read would silently look empty.
        QFileInfo file(key->fileName());
        if (file.exists() && !file.isReadable())
            error = EACCES;
    }
    if (error != 0) {
        ReportError(error, QStringLiteral("Registry Error"));
        return false;
    }
    if (!group.isEmpty())
        key->beginGroup(group);

    if (bClosePrevious)
        Close();
    else if (!m_bAttached)
        delete m_hKey; // the helper holds one key; an unclosed one must not leak
    m_hKey = key.release();
    m_bAttached = false;
    return true;
}

bool CKVLTRegistry::QueryDWORD(const QString& strName, uint32_t& dwValue) const {
    if (m_hKey == nullptr)
        return false;
    const std::optional<uint32_t> value = settingsDword(m_hKey->value(strName));
    if (!value)
        return false;
    dwValue = *value;
    return true;
}

void CKVLTRegistry::ReportError(int nError, const QString& strCaption) const {
    if (m_bQuiet)
        return;
    kvltMessageBox(std::strerror(nError), strCaption.toStdString(), MsgIcon::Information);
}
