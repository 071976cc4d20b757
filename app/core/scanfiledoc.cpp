#include "scanfiledoc.h"

#include "atomicfile.h"
#include "fileaccess.h"
#include "jsonarena.h"
#include "jsonexact.h"
#include "messagebox.h"
#include "timetext.h"

#include <cjson/cJSON.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The whole text of a scan file, zero-terminated. Large files are read into
// memory mapped with huge pages where the system allows it: that costs a
// fraction of filling a plain heap buffer page by page.
class FileText {
  public:
    FileText() = default;
    ~FileText() {
        if (m_data != nullptr)
            munmap(m_data, m_mapped);
    }
    FileText(const FileText&) = delete;
    FileText& operator=(const FileText&) = delete;

    // 0, or the errno of what went wrong (ENOMEM when there is no room;
    // ECANCELED when progress asked to stop).
    int read(int fd, size_t length, ProgressReporter* progress) {
        constexpr size_t kHugePage = size_t(2) << 20;
        m_mapped = (length + 1 + kHugePage - 1) & ~(kHugePage - 1);
        void* data =
            mmap(nullptr, m_mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (data == MAP_FAILED)
            return ENOMEM;
        m_data = static_cast<char*>(data);
        madvise(m_data, m_mapped, MADV_HUGEPAGE);
        // In pieces, so that a reporter hears how far the reading is.
        constexpr size_t kPiece = size_t(8) << 20;
        size_t got = 0;
        while (got < length) {
            if (progress != nullptr && !progress->report(got, length))
                return ECANCELED;
            ssize_t n = ::read(fd, m_data + got, std::min(length - got, kPiece));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return errno;
            if (n == 0)
                break; // the file shrank while we read it: parse what is there
            got += size_t(n);
        }
        if (progress != nullptr && !progress->report(got, length))
            return ECANCELED;
        m_data[got] = '\0'; // the mapping is zero-filled; this is for clarity
        m_size = got;
        return 0;
    }
    const char* c_str() const { return m_data; }
    size_t size() const { return m_size; }

  private:
    char* m_data = nullptr;
    size_t m_mapped = 0;
    size_t m_size = 0;
};

int32_t saturate(int64_t value) {
    return value > INT32_MAX ? INT32_MAX : value < INT32_MIN ? INT32_MIN : int32_t(value);
}

} // namespace

CKVLTOfflineScannerDoc::CKVLTOfflineScannerDoc()
    : m_fnClock([] { return int64_t(std::time(nullptr)); }) {
    slotMapSetup(&m_slotMap);
}

CKVLTOfflineScannerDoc::~CKVLTOfflineScannerDoc() {
    DeleteContents();
    m_slotMap.release(&m_slotMap);
}

// ------------------------------------------------------------------ field reading

const char* CKVLTOfflineScannerDoc::StringField(const cJSON* node, const char* key, bool* found) {
    const cJSON* item = node ? cJSON_GetObjectItemCaseSensitive(node, key) : nullptr;
    bool ok = cJSON_IsString(item) && item->valuestring != nullptr;
    if (found)
        *found = ok;
    return ok ? item->valuestring : "";
}

int32_t CKVLTOfflineScannerDoc::NumberField(const cJSON* node, const char* key, bool* found) {
    const cJSON* item = node ? cJSON_GetObjectItemCaseSensitive(node, key) : nullptr;
    bool ok = cJSON_IsNumber(item);
    if (found)
        *found = ok;
    return ok ? item->valueint : 0;
}

std::string CKVLTOfflineScannerDoc::RepositoryText(const cJSON* node, const char* key) const {
    std::string text = StringField(node, key);
    if (!text.empty()) {
        auto description = m_mapRepositoryDescriptions.find(text);
        if (description != m_mapRepositoryDescriptions.end())
            return description->second;
    }
    return text;
}

std::string CKVLTOfflineScannerDoc::SlotLabel(uint32_t slot) const {
    // Signed comparisons as the m_arrZones are numbered; a slot beyond INT32_MAX is in no zone.
    if (slot > uint32_t(INT32_MAX))
        return "Logic Error";
    int32_t s = int32_t(slot);
    for (const CZone& zone : m_arrZones) {
        if (zone.firstSlot <= s && s <= zone.lastSlot) {
            uint32_t pos = uint32_t(int64_t(s) - zone.firstSlot + 1);
            char text[128];
            if (zone.slotsPerLevel <= 0)
                std::snprintf(text, sizeof text, ":%u", pos);
            else
                std::snprintf(text, sizeof text, ":%u.%u", pos / uint32_t(zone.slotsPerLevel) + 1,
                              pos % uint32_t(zone.slotsPerLevel));
            return zone.name + text;
        }
    }
    return "Logic Error";
}

// ------------------------------------------------------------------ load

void CKVLTOfflineScannerDoc::DeleteContents() {
    // The values kept for take-backs, and the indexes, point into the tree:
    // drop them before the tree goes.
    ReleaseScanning();
    m_arrZones.clear();
    m_arrIncomingVolumes.clear();
    m_arrOutgoingVolumes.clear();
    m_mapSlotVolumes.clear();
    m_mapVolumesById.clear();
    m_mapRepositoryDescriptions.clear();
    m_nSlotCount = 0;
    deleteJsonTree(m_pRootNode, m_pTreeArena.get());
    m_pRootNode = nullptr;
    m_pTreeArena.reset();
    m_loadedFile = {};
}

bool CKVLTOfflineScannerDoc::LoadFrom(const std::string& path, ProgressReporter* progress) {
    // A save of a hard-linked file that a kill cut short is put right first:
    // its backup holds the bytes the journal's scans were made on.
    std::string repairError;
    const std::string restored = repairInterruptedWrite(path, repairError);
    if (!restored.empty())
        kvltMessageBox(path +
                           " was damaged by a save that was cut short. Its previous contents "
                           "were restored from the backup copy " +
                           restored + ".",
                       "File Repaired", MsgIcon::Information);
    else if (!repairError.empty())
        kvltMessageBox(path +
                           " was damaged by a save that was cut short, and it could not be "
                           "repaired. " +
                           repairError + ".",
                       "Open Error", MsgIcon::Warning);
    // A folder, a named pipe or a device is refused before it is opened:
    // opening some of them blocks or has effects of its own.
    struct stat status {};
    std::string why;
    const int fd = openRegularFile(path, status, why);
    FileText text;
    int err = fd < 0 ? -1 : text.read(fd, size_t(status.st_size), progress);
    if (fd >= 0)
        ::close(fd);
    if (err == ECANCELED) {
        UpdateAllViews(nullptr, 0, this);
        return false; // the user stopped it: nothing to tell
    }
    if (err != 0) {
        kvltMessageBox(fd < 0          ? "Cannot open " + path + ": " + why
                       : err == ENOMEM ? "There is not enough memory to read " + path + "."
                                       : "Cannot open " + path + ": " + std::strerror(err),
                       "Open Error", MsgIcon::Information);
        UpdateAllViews(nullptr, 0, this);
        return false;
    }
    // Only a file that can be saved back as it stands is loaded. The parse
    // cannot report how far it is; a window is kept painted while it runs.
    why.clear();
    cJSON* parsed = nullptr;
    const bool goOn = runReportingProgress(
        [&] { parsed = parseJsonExactly(text.c_str(), text.size(), m_pTreeArena, why); }, progress);
    if (!goOn) {
        m_pTreeArena.reset(); // the tree is all in it
        UpdateAllViews(nullptr, 0, this);
        return false; // the user stopped it
    }
    m_pRootNode = parsed;
    // What a save must find unchanged on disk. The hash is taken only when
    // the file is opened for scanning: a plain load stays as fast as it was.
    m_loadedFile = {realPathOf(path),
                    text.size(),
                    int64_t(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec,
                    {}};
    m_nLoadedDevice = status.st_dev;
    m_nLoadedInode = status.st_ino;

    if (m_pRootNode == nullptr) {
        kvltMessageBox("Failed to parse Strovane Offline Scanfile: " + why + ".", "Parse Error",
                       MsgIcon::Information);
        // The views must stop showing rows of the previous file.
        UpdateAllViews(nullptr, 0, this);
        return false;
    }

    if (const cJSON* repository = cJSON_GetObjectItemCaseSensitive(m_pRootNode, "repository"))
        LoadRepository(repository);
    if (m_nSlotCount > kMaxRepositorySlots) {
        kvltMessageBox(path + " claims " + std::to_string(m_nSlotCount) +
                           " slots; this program handles repositories of at most " +
                           std::to_string(kMaxRepositorySlots) +
                           " slots. The file is damaged or not meant for it.",
                       "Open Error", MsgIcon::Information);
        UpdateAllViews(nullptr, 0, this);
        return false;
    }
    if (cJSON* volumes = cJSON_GetObjectItemCaseSensitive(m_pRootNode, "volumes"))
        LoadVolumes(volumes);
    UpdateAllViews(nullptr, MapRowCount(), this);
    return true;
}

void CKVLTOfflineScannerDoc::LoadRepository(const cJSON* repository) {
    LoadZones(repository);
    bool found = false;
    int32_t slots = NumberField(repository, "slots", &found);
    if (found)
        m_nSlotCount = slots;
    if (const cJSON* list = cJSON_GetObjectItemCaseSensitive(repository, "repositories")) {
        m_mapRepositoryDescriptions.clear();
        const cJSON* element = nullptr;
        cJSON_ArrayForEach(element, list) {
            std::string id = StringField(element, "id");
            if (!id.empty())
                m_mapRepositoryDescriptions[id] = StringField(element, "description");
        }
    }
}

void CKVLTOfflineScannerDoc::LoadZones(const cJSON* repository) {
    m_arrZones.clear();
    const cJSON* list = cJSON_GetObjectItemCaseSensitive(repository, "zones");
    if (!cJSON_IsArray(list))
        return;
    m_arrZones.resize(size_t(cJSON_GetArraySize(list)));
    // 64-bit running total: absurd ranges saturate instead of overflowing.
    int64_t total = 0;
    size_t i = 0;
    const cJSON* element = nullptr;
    cJSON_ArrayForEach(element, list) {
        CZone& zone = m_arrZones[i++];
        int64_t start = NumberField(element, "slot_start");
        int64_t end = NumberField(element, "slot_end");
        zone.firstSlot = saturate(total + 1);
        total += end - start + 1;
        zone.lastSlot = saturate(total);
        zone.name = StringField(element, "zone");
        zone.slotsPerLevel = NumberField(element, "slots_per_level");
    }
}

void CKVLTOfflineScannerDoc::LoadVolumes(cJSON* volumes) {
    m_arrIncomingVolumes.clear();
    m_arrOutgoingVolumes.clear();
    m_mapVolumesById.clear();
    m_mapSlotVolumes.clear();
    if (!cJSON_IsArray(volumes))
        return;
    size_t count = size_t(cJSON_GetArraySize(volumes));
    m_mapVolumesById.reserve(count);
    m_mapSlotVolumes.reserve(count);
    cJSON* element = nullptr;
    cJSON_ArrayForEach(element, volumes) {
        bool hasId = false;
        const char* id = StringField(element, "id", &hasId);
        if (!hasId)
            continue;
        m_mapVolumesById.assign(std::string_view(id), element);
        int32_t slot = NumberField(element, "slot");
        if (slot != 0)
            m_mapSlotVolumes.assign(uint32_t(slot), element);
        else
            m_arrIncomingVolumes.push_back(element);
        bool outgoing = false;
        StringField(element, "target", &outgoing);
        if (outgoing)
            m_arrOutgoingVolumes.push_back(element);
    }
}

// ------------------------------------------------------------------ store

bool CKVLTOfflineScannerDoc::StoreTo(StoredBytes& bytes) {
    if (m_pRootNode == nullptr)
        return true; // a new document writes an empty file
    // The printer's own buffer goes to disk as it is: no copy of a text that
    // can be a hundred megabytes long. Values it cannot print as they stood
    // in the file go out as their kept text.
    char* printed = nullptr;
    size_t length = 0;
    if (!printJsonExactly(m_pRootNode, m_pTreeArena.get(),
                          m_pTreeArena ? m_pTreeArena->sizeHint() : 0, printed, length))
        return false;
    bytes = StoredBytes(printed, length, cJSON_free);
    if (m_bScanning) // the next journal run is tied to these bytes
        m_strStoredSha256 = sha256Hex(bytes.data(), bytes.size());
    return true;
}

// ------------------------------------------------------------------ scan workflow

std::vector<uint32_t> CKVLTOfflineScannerDoc::AutoSelectSlots(bool firstAvailable) {
    m_slotMap.init(&m_slotMap, MapRowCount());
    m_mapSlotVolumes.forEach([this](uint32_t slot, cJSON*) { m_slotMap.occupy(&m_slotMap, slot); });

    std::vector<uint32_t> rows;
    uint32_t count = uint32_t(m_arrIncomingVolumes.size());
    if (count == 0)
        return rows;
    std::vector<uint32_t> results;
    std::vector<uint32_t*> outputs;
    try {
        results.assign(count, 0);
        outputs.resize(count);
    } catch (const std::bad_alloc&) {
        return rows; // nothing selected, as when the allocation finds nothing
    }
    for (uint32_t i = 0; i < count; ++i)
        outputs[i] = &results[i];
    if (firstAvailable) {
        m_slotMap.firstAvailable(&m_slotMap, count, outputs.data());
    } else {
        uint32_t runs = 0;
        m_slotMap.intelliSlot(&m_slotMap, count, outputs.data(), &runs);
    }
    for (uint32_t slot : results)
        if (slot != 0)
            rows.push_back(slot - 1);
    return rows;
}
