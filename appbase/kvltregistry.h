// A small helper over the settings stores, shaped like the registry helper the
// maker's programs have always used: open a key, read a 32-bit number, report
// errors unless told to be quiet.
//
// Keys map onto QSettings: the root picks the scope (the per-user store or the
// machine-wide one), the first path part after "Software" is the organization,
// the next one the application, and any further parts are nested groups. So
// "SOFTWARE\Orvalen" under the local machine is the machine-wide "Orvalen" store,
// and "Software\Orvalen\KVLTOfflineScanner\Runtime" under the current user is the
// "Runtime" group of the application's profile.
#pragma once

#include <QString>

#include <cstdint>

class QSettings;

enum class KvltRootKey { CurrentUser, LocalMachine };

// Access masks, same numbers as the registry's.
constexpr uint32_t KVLT_KEY_READ = 0x20019;
constexpr uint32_t KVLT_KEY_ALL_ACCESS = 0xF003F;

class CKVLTRegistry {
  public:
    CKVLTRegistry() = default;
    virtual ~CKVLTRegistry();
    CKVLTRegistry(const CKVLTRegistry&) = delete;
    CKVLTRegistry& operator=(const CKVLTRegistry&) = delete;

    void SetAccess(uint32_t dwAccess) { m_dwAccess = dwAccess; }
    void SetQuiet(bool bQuiet) { m_bQuiet = bQuiet; }

    // Opens the key at strPath under root, creating it when missing. On success
    // the previously held key is closed first when bClosePrevious is set (and
    // otherwise simply replaced), and true is returned. On failure the held key
    // stays as it was, the error is reported with the caption "Registry Error"
    // and false is returned. A key opened for writing fails when its store
    // cannot be written; any key fails when its store is not readable.
    bool Open(const QString& strPath, KvltRootKey root, bool bClosePrevious = true);

    // Reads a 32-bit number of the held key. True and dwValue set only when a
    // key is held and the value exists and is a whole number from 0 to
    // 4294967295 (decimal, or hexadecimal with "0x"); otherwise dwValue is left
    // unchanged and false is returned.
    bool QueryDWORD(const QString& strName, uint32_t& dwValue) const;

    // Shows the system's text for an error number (errno) in an information box
    // with the caption, unless quiet.
    void ReportError(int nError, const QString& strCaption) const;

    bool IsOpen() const { return m_hKey != nullptr; }
    // The held store, for callers that need more than a number; may be null.
    QSettings* Key() const { return m_hKey; }

    // Holds a store owned elsewhere; it is not closed by this helper.
    void Attach(QSettings* pKey);
    // Releases the held store (deleting it unless attached).
    void Close();

  private:
    QSettings* m_hKey = nullptr; // owned unless m_bAttached
    bool m_bAttached = false;
    bool m_bQuiet = false;
    uint32_t m_dwAccess = KVLT_KEY_ALL_ACCESS;
};
