#include "scanjournal.h"

#include "atomicfile.h"
#include "fileaccess.h"
#include "scanfilelock.h"

#include <cjson/cJSON.h>
#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using JsonPtr = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

// One object as one line, line feed included.
std::string jsonLine(const cJSON* object) {
    char* printed = cJSON_PrintUnformatted(object);
    std::string line = printed ? printed : "{}";
    cJSON_free(printed);
    return line + '\n';
}

std::string hostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return "unknown";
    return name;
}

std::string headerLine(const ScanFileIdentity& file) {
    JsonPtr header(cJSON_CreateObject(), cJSON_Delete);
    char mtime[64];
    std::snprintf(mtime, sizeof mtime, "%lld.%09lld", (long long)(file.mtimeNs / 1000000000),
                  (long long)(file.mtimeNs % 1000000000));
    cJSON_AddNumberToObject(header.get(), "journal", 1);
    cJSON_AddStringToObject(header.get(), "file", file.path.c_str());
    cJSON_AddNumberToObject(header.get(), "size", double(file.size));
    cJSON_AddStringToObject(header.get(), "mtime", mtime);
    cJSON_AddStringToObject(header.get(), "sha256", file.sha256.c_str());
    cJSON_AddStringToObject(header.get(), "host", hostName().c_str());
    cJSON_AddNumberToObject(header.get(), "pid", double(getpid()));
    cJSON_AddStringToObject(header.get(), "program", program_invocation_short_name);
    return jsonLine(header.get());
}

std::string entryLine(const JournalEntry& entry) {
    JsonPtr line(cJSON_CreateObject(), cJSON_Delete);
    switch (entry.kind) {
    case JournalEntryKind::Scan:
        cJSON_AddStringToObject(line.get(), "id", entry.id.c_str());
        cJSON_AddNumberToObject(line.get(), "slot", double(entry.slot));
        cJSON_AddStringToObject(line.get(), "assigned", entry.assigned.c_str());
        break;
    case JournalEntryKind::TakeBack:
        cJSON_AddStringToObject(line.get(), "id", entry.id.c_str());
        cJSON_AddNumberToObject(line.get(), "unslot", double(entry.slot));
        break;
    case JournalEntryKind::Checked:
        cJSON_AddStringToObject(line.get(), "checked", entry.id.c_str());
        break;
    case JournalEntryKind::ChecksCleared:
        cJSON_AddStringToObject(line.get(), "checks", "cleared");
        break;
    }
    return jsonLine(line.get());
}

// The most a journal may hold before it is taken for something else: far
// beyond a year of scans, and a bound on what reading it can cost.
constexpr size_t kMaxJournalBytes = size_t(512) << 20;

const char* textMember(const cJSON* object, const char* key) {
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, key);
    return cJSON_IsString(item) && item->valuestring ? item->valuestring : nullptr;
}

const cJSON* numberMember(const cJSON* object, const char* key) {
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, key);
    return cJSON_IsNumber(item) ? item : nullptr;
}

// A header line into file; false when it is not one.
bool readHeader(const cJSON* line, ScanFileIdentity& file) {
    const char* path = textMember(line, "file");
    const char* sha = textMember(line, "sha256");
    const cJSON* size = numberMember(line, "size");
    // A size is a whole number a double holds exactly; anything else is no header.
    if (!path || !sha || !size || !(size->valuedouble >= 0 && size->valuedouble <= 0x1p53) ||
        std::floor(size->valuedouble) != size->valuedouble)
        return false;
    file = {};
    file.path = path;
    file.sha256 = sha;
    file.size = uint64_t(size->valuedouble);
    if (const char* mtime = textMember(line, "mtime")) {
        // Only ever compared with the file's own time: an odd one never matches.
        char* end = nullptr;
        const long long seconds = std::strtoll(mtime, &end, 10);
        const long long nanos = *end == '.' ? std::strtoll(end + 1, nullptr, 10) : 0;
        if (seconds > -9000000000LL && seconds < 9000000000LL && nanos >= 0 && nanos < 1000000000)
            file.mtimeNs = seconds * 1000000000 + nanos;
    }
    return true;
}

// A slot number as the journal writes it: a whole number from 1 to the
// largest 32-bit one. 11.7 or 1e300 are no slots.
bool slotMember(const cJSON* object, const char* key, uint32_t& slot) {
    const cJSON* item = numberMember(object, key);
    if (!item || !(item->valuedouble >= 1 && item->valuedouble <= UINT32_MAX) ||
        std::floor(item->valuedouble) != item->valuedouble)
        return false;
    slot = uint32_t(item->valuedouble);
    return true;
}

// An entry line into entry; false when it is not one.
bool readEntry(const cJSON* line, JournalEntry& entry) {
    entry = {};
    if (const char* id = textMember(line, "checked")) {
        entry.kind = JournalEntryKind::Checked;
        entry.id = id;
        return true;
    }
    if (const char* checks = textMember(line, "checks")) {
        entry.kind = JournalEntryKind::ChecksCleared;
        return std::strcmp(checks, "cleared") == 0;
    }
    const char* id = textMember(line, "id");
    if (!id)
        return false;
    entry.id = id;
    if (slotMember(line, "unslot", entry.slot)) {
        entry.kind = JournalEntryKind::TakeBack;
        return true;
    }
    const char* assigned = textMember(line, "assigned");
    if (!assigned || !slotMember(line, "slot", entry.slot))
        return false;
    entry.kind = JournalEntryKind::Scan;
    entry.assigned = assigned;
    return true;
}

} // namespace

// ------------------------------------------------------------------ identity and place

std::string sha256Hex(const void* data, size_t size) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(data, size, digest, &length, EVP_sha256(), nullptr) != 1)
        return {};
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(length * 2);
    for (unsigned i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 15];
    }
    return hex;
}

std::string sha256OfFile(const std::string& path, uint64_t size, int64_t mtimeNs) {
    struct stat status {};
    std::string why;
    int fd = openRegularFile(path, status, why);
    if (fd < 0)
        return {};
    std::string hash;
    if (uint64_t(status.st_size) == size &&
        int64_t(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec == mtimeNs) {
        if (size == 0) {
            hash = sha256Hex("", 0);
        } else if (void* data = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
                   data != MAP_FAILED) {
            hash = sha256Hex(data, size);
            munmap(data, size);
        }
    }
    ::close(fd);
    return hash;
}

std::string realPathOf(const std::string& path) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        std::string result = real;
        std::free(real);
        return result;
    }
    if (char* folder = ::realpath(folderOf(path).c_str(), nullptr)) {
        std::string result = folder;
        std::free(folder);
        return (result == "/" ? "" : result) + "/" + fileNameOf(path);
    }
    if (!path.empty() && path[0] == '/')
        return path;
    char cwd[PATH_MAX];
    return getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + path : path;
}

std::string scanJournalStem(const std::string& realPath) {
    // The name is there for the reader of the folder; the hash keeps two
    // files of one name apart.
    std::string name = fileNameOf(realPath).substr(0, 64);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_')
            c = '_';
    return scanJournalFolder() + "/" + name + "-" +
           sha256Hex(realPath.data(), realPath.size()).substr(0, 16);
}

// ------------------------------------------------------------------ reading

uint32_t JournalContents::changeCount() const {
    return uint32_t(std::count_if(entries.begin(), entries.end(), [](const JournalEntry& entry) {
        return entry.kind == JournalEntryKind::Scan || entry.kind == JournalEntryKind::TakeBack;
    }));
}

JournalContents readScanJournal(const std::string& path) {
    JournalContents contents;
    if (path.empty())
        return contents;
    std::string why;
    const int fd = openPrivateFile(path, O_RDONLY, 0, why);
    if (fd < 0) {
        if (errno != ENOENT) {
            contents.exists = true;
            contents.error = why;
        }
        return contents;
    }
    contents.exists = true;
    std::string text;
    struct stat status {};
    if (fstat(fd, &status) != 0 || uint64_t(status.st_size) > kMaxJournalBytes) {
        contents.error = "Cannot read " + path + ": it is larger than any scan journal can be";
        ::close(fd);
        return contents;
    }
    const ReadOutcome outcome = readToEnd(fd, kMaxJournalBytes, text);
    if (outcome != ReadOutcome::kRead) {
        contents.error =
            "Cannot read " + path + ": " +
            (outcome == ReadOutcome::kFailed ? std::strerror(errno) : "it keeps growing");
        ::close(fd);
        return contents;
    }
    ::close(fd);

    bool inRun = false;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            break; // cut short by a crash before it was synced: never applied
        JsonPtr object(cJSON_ParseWithLength(text.data() + at, end - at), cJSON_Delete);
        at = end + 1;
        ScanFileIdentity header;
        JournalEntry entry;
        if (object && cJSON_GetObjectItemCaseSensitive(object.get(), "journal") &&
            readHeader(object.get(), header)) {
            contents.file = header;
            contents.entries.clear();
            contents.damaged = false;
            inRun = true;
        } else if (object && inRun && readEntry(object.get(), entry)) {
            contents.entries.push_back(std::move(entry));
        } else if (at < text.size()) {
            contents.damaged = true;
        }
        // A last complete line that cannot be read was never confirmed either.
    }
    return contents;
}

// ------------------------------------------------------------------ journal

CScanJournal::~CScanJournal() {
    CloseFile();
}

void CScanJournal::Bind(const ScanFileIdentity& file) {
    CloseFile();
    m_file = file;
    m_strPath = scanJournalStem(file.path) + ".journal";
    m_bRunStarted = false;
}

void CScanJournal::Unbind() {
    CloseFile();
    m_file = {};
    m_strPath.clear();
    m_bRunStarted = false;
}

void CScanJournal::CloseFile() {
    if (m_nFd >= 0)
        ::close(m_nFd);
    m_nFd = -1;
}

bool CScanJournal::OpenForAppend(std::string& error) {
    if (m_nFd >= 0)
        return true;
    if (!makeScanJournalFolder(error))
        return false;
    bool created = ::access(m_strPath.c_str(), F_OK) != 0;
    int fd = openPrivateFile(m_strPath, O_RDWR | O_CREAT | O_APPEND, 0600, error);
    if (fd < 0)
        return false;
    // A line that a crash cut short would glue itself to the next one.
    struct stat status {};
    if (fstat(fd, &status) == 0 && status.st_size > 0) {
        off_t keep = status.st_size;
        char last = 0;
        if (pread(fd, &last, 1, keep - 1) == 1 && last != '\n') {
            std::string text(size_t(status.st_size), '\0');
            if (pread(fd, text.data(), text.size(), 0) == ssize_t(text.size())) {
                size_t newline = text.find_last_of('\n');
                keep = newline == std::string::npos ? 0 : off_t(newline + 1);
                if (ftruncate(fd, keep) != 0) {
                    error =
                        "Cannot repair the scan journal " + m_strPath + ": " + std::strerror(errno);
                    ::close(fd);
                    return false;
                }
            }
        }
    }
    if (created)
        syncFolder(folderOf(m_strPath));
    m_nFd = fd;
    return true;
}

bool CScanJournal::Append(const std::vector<JournalEntry>& entries, std::string& error) {
    if (m_strPath.empty()) {
        error = "No scan file is open for scanning";
        return false;
    }
    if (entries.empty())
        return true;
    if (!OpenForAppend(error))
        return false;
    std::string text = m_bRunStarted ? std::string() : headerLine(m_file);
    for (const JournalEntry& entry : entries)
        text += entryLine(entry);
    struct stat before {};
    fstat(m_nFd, &before);
    int err = 0;
    if (!writeAll(m_nFd, text.data(), text.size(), err) || fdatasync(m_nFd) != 0) {
        if (err == 0)
            err = errno;
        // Leave no half line behind for the next append to build on.
        if (ftruncate(m_nFd, before.st_size) != 0)
            CloseFile();
        error = "Cannot write the scan journal " + m_strPath + ": " + std::strerror(err);
        return false;
    }
    m_bRunStarted = true;
    return true;
}

void CScanJournal::End(const ScanFileIdentity& saved) {
    CloseFile();
    if (!m_strPath.empty() && ::unlink(m_strPath.c_str()) == 0)
        syncFolder(folderOf(m_strPath));
    const std::string previous = m_strPath;
    Bind(saved);
    // Saved over another file: scans once made for that file's old bytes are
    // kept, not swept away by our next save.
    if (m_strPath != previous && ::access(m_strPath.c_str(), F_OK) == 0)
        SetAside("unapplied");
}

std::string CScanJournal::SetAside(const char* why) {
    CloseFile();
    m_bRunStarted = false;
    return setJournalAside(m_strPath, m_strPath, why);
}

std::string setJournalAside(const std::string& path, const std::string& journal, const char* why) {
    char stamp[32];
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &utc);
    const std::string base = journal.substr(0, journal.size() - std::strlen(".journal"));
    for (int n = 1; n < 1000; ++n) {
        std::string kept =
            base + "-" + why + "-" + stamp + (n > 1 ? "-" + std::to_string(n) : "") + ".journal";
        // link + unlink: never replaces a journal set aside before.
        if (::link(path.c_str(), kept.c_str()) == 0) {
            ::unlink(path.c_str());
            syncFolder(folderOf(path));
            return kept;
        }
        if (errno != EEXIST)
            break;
    }
    return path;
}

std::vector<std::string> CScanJournal::KeptJournals() const {
    std::vector<std::string> kept;
    if (m_strPath.empty())
        return kept;
    const std::string folder = folderOf(m_strPath);
    const std::string own = fileNameOf(m_strPath);
    const std::string prefix = own.substr(0, own.size() - std::strlen(".journal")) + "-kept-";
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return kept;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        // "<stem>-kept-YYYYmmdd-HHMMSS[-n].journal", nothing set aside after it.
        if (name.size() < prefix.size() + 15 + 8 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - 8, 8, ".journal") != 0)
            continue;
        const std::string rest = name.substr(prefix.size(), name.size() - prefix.size() - 8);
        if (rest.find_first_not_of("0123456789-") == std::string::npos)
            kept.push_back(folder + "/" + name);
    }
    ::closedir(dir);
    std::sort(kept.begin(), kept.end());
    return kept;
}
