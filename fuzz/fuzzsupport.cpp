#include "fuzzsupport.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int removeEntry(const char* path, const struct stat*, int, struct FTW*) {
    ::remove(path);
    return 0;
}

std::string g_scratch;

void removeScratch() {
    if (!g_scratch.empty())
        ::nftw(g_scratch.c_str(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

} // namespace

const std::string& fuzzScratchFolder() {
    static const std::string folder = [] {
        std::string base = "/dev/shm";
        struct stat status {};
        if (::stat(base.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
            ::access(base.c_str(), W_OK) != 0) {
            const char* tmp = std::getenv("TMPDIR");
            base = tmp && *tmp ? tmp : "/tmp";
        }
        std::string pattern = base + "/kvlt-fuzz-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (::mkdtemp(name.data()) == nullptr)
            fuzzFail("cannot make a scratch folder in", base);
        g_scratch = name.data();
        std::atexit(removeScratch);
        return g_scratch;
    }();
    return folder;
}

std::vector<std::string_view> fuzzLines(const uint8_t* data, size_t size) {
    std::vector<std::string_view> lines;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    while (!text.empty()) {
        size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}
