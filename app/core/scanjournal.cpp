#include "scanjournal.h"

#include "atomicfile.h"

#include <cjson/cJSON.h>
#include <openssl/evp.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
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

std::string scanLine(const JournalScan& scan) {
    JsonPtr line(cJSON_CreateObject(), cJSON_Delete);
    cJSON_AddStringToObject(line.get(), "id", scan.id.c_str());
    cJSON_AddNumberToObject(line.get(), "slot", double(scan.slot));
    cJSON_AddStringToObject(line.get(), "assigned", scan.assigned.c_str());
    return jsonLine(line.get());
}

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
    if (!path || !sha || !size || size->valuedouble < 0)
        return false;
    file = {};
    file.path = path;
    file.sha256 = sha;
    file.size = uint64_t(size->valuedouble);
    if (const char* mtime = textMember(line, "mtime")) {
        char* end = nullptr;
        long long seconds = std::strtoll(mtime, &end, 10);
        long long nanos = *end == '.' ? std::strtoll(end + 1, nullptr, 10) : 0;
        file.mtimeNs = seconds * 1000000000 + nanos;
    }
    return true;
}

// A scan line into scan; false when it is not one.
bool readScan(const cJSON* line, JournalScan& scan) {
    const char* id = textMember(line, "id");
    const char* assigned = textMember(line, "assigned");
    const cJSON* slot = numberMember(line, "slot");
    if (!id || !assigned || !slot || slot->valuedouble < 1 || slot->valuedouble > UINT32_MAX)
        return false;
    scan.id = id;
    scan.slot = uint32_t(slot->valuedouble);
    scan.assigned = assigned;
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
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    std::string hash;
    struct stat status {};
    if (fstat(fd, &status) == 0 && uint64_t(status.st_size) == size &&
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

std::string scanJournalFolder() {
    std::string data;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') {
        data = xdg;
    } else {
        const char* home = std::getenv("HOME");
        data = std::string(home && home[0] ? home : "/tmp") + "/.local/share";
    }
    return data + "/kvlt-offline-scanner/journals";
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

bool makeScanJournalFolder(std::string& error) {
    std::string folder = scanJournalFolder();
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/')
            continue;
        std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            error = "Cannot create the folder " + part + ": " + std::strerror(errno);
            return false;
        }
    }
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
        error = "Cannot use the folder " + folder + ": " + std::strerror(errno ? errno : ENOTDIR);
        return false;
    }
    return true;
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
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

JournalContents CScanJournal::Read() const {
    JournalContents contents;
    if (m_strPath.empty())
        return contents;
    FILE* file = std::fopen(m_strPath.c_str(), "rbe");
    if (file == nullptr)
        return contents;
    contents.exists = true;
    std::string text;
    char chunk[65536];
    while (size_t got = std::fread(chunk, 1, sizeof chunk, file))
        text.append(chunk, got);
    std::fclose(file);

    bool inRun = false;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            break; // cut short by a crash before it was synced: never applied
        std::string line = text.substr(at, end - at);
        at = end + 1;
        JsonPtr object(cJSON_Parse(line.c_str()), cJSON_Delete);
        ScanFileIdentity header;
        JournalScan scan;
        if (object && cJSON_GetObjectItemCaseSensitive(object.get(), "journal") &&
            readHeader(object.get(), header)) {
            contents.file = header;
            contents.scans.clear();
            inRun = true;
        } else if (object && inRun && readScan(object.get(), scan)) {
            contents.scans.push_back(std::move(scan));
        } else if (at < text.size()) {
            contents.damaged = true;
        }
        // A last complete line that cannot be read was never confirmed either.
    }
    return contents;
}

bool CScanJournal::OpenForAppend(std::string& error) {
    if (m_fd >= 0)
        return true;
    if (!makeScanJournalFolder(error))
        return false;
    bool created = ::access(m_strPath.c_str(), F_OK) != 0;
    int fd = ::open(m_strPath.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = "Cannot open the scan journal " + m_strPath + ": " + std::strerror(errno);
        return false;
    }
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
    m_fd = fd;
    return true;
}

bool CScanJournal::Append(const JournalScan& scan, std::string& error) {
    if (m_strPath.empty()) {
        error = "No scan file is open for scanning";
        return false;
    }
    if (!OpenForAppend(error))
        return false;
    std::string text = m_bRunStarted ? scanLine(scan) : headerLine(m_file) + scanLine(scan);
    struct stat before {};
    fstat(m_fd, &before);
    int err = 0;
    if (!writeAll(m_fd, text.data(), text.size(), err) || fdatasync(m_fd) != 0) {
        if (err == 0)
            err = errno;
        // Leave no half line behind for the next append to build on.
        if (ftruncate(m_fd, before.st_size) != 0)
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
        SetAside();
}

std::string CScanJournal::SetAside() {
    CloseFile();
    char stamp[32];
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &utc);
    const std::string base = m_strPath.substr(0, m_strPath.size() - std::strlen(".journal"));
    for (int n = 1; n < 1000; ++n) {
        std::string kept =
            base + "-unapplied-" + stamp + (n > 1 ? "-" + std::to_string(n) : "") + ".journal";
        // link + unlink: never replaces a journal set aside before.
        if (::link(m_strPath.c_str(), kept.c_str()) == 0) {
            ::unlink(m_strPath.c_str());
            syncFolder(folderOf(m_strPath));
            m_bRunStarted = false;
            return kept;
        }
        if (errno != EEXIST)
            break;
    }
    return m_strPath;
}
