// Loading, scanning and saving a scan file. Whatever the bytes: the load
// refuses them with a message, or the document scans its incoming volumes,
// saves, and the saved file loads again with every accepted scan at its slot
// and its new assignment time first; saving the reloaded file gives the
// same bytes again.
//
// First the loader is held against cJSON itself: it accepts what
// cJSON_ParseWithLength accepts (less text after the document, and member
// names with a zero character), makes the same tree, prints it as
// cJSON_Print does (with kept texts as raw values), and the printed text
// reads back to the same values.
//
// Input: the scan file's bytes. Its last byte, when there is one, also picks
// First Available (even) or IntelliSlot (odd) and how many incoming volumes
// are scanned (the byte divided by 2).
#include "fuzzsupport.h"
#include "jsonarena.h"
#include "jsonexact.h"
#include "jsonkept.h"
#include "messagebox.h"
#include "scanfiledoc.h"
#include "scanworkflow.h"
#include "timetext.h"

#include <cjson/cJSON.h>

#include <cctype>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

// Answers every box with its affirmative button, showing nothing.
class QuietPresenter final : public MessagePresenter {
  public:
    MsgAnswer present(const MessageRequest& request) override {
        return affirmativeAnswer(request.buttons);
    }
};

std::string readAll(const std::string& path) {
    std::string text;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return text;
    char chunk[65536];
    ssize_t n;
    while ((n = ::read(fd, chunk, sizeof chunk)) > 0)
        text.append(chunk, size_t(n));
    ::close(fd);
    return text;
}

bool writeAll(const std::string& path, const uint8_t* data, size_t size) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    bool ok = ::write(fd, data, size) == ssize_t(size);
    return ::close(fd) == 0 && ok;
}

// ------------------------------------------------------------------ the loader against cJSON

using JsonPtr = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

bool sameText(const char* a, const char* b) {
    return a == b || (a != nullptr && b != nullptr && std::strcmp(a, b) == 0);
}

// The same values, names and list links. mine may carry the loader's
// marks (shared texts, kept texts); theirs none.
void checkSameTree(const cJSON* mine, const cJSON* theirs, const std::string& where) {
    FUZZ_CHECK((mine->type & 0xFF) == (theirs->type & 0xFF), where);
    FUZZ_CHECK((mine->type & ~(0xFF | cJSON_IsReference | kJsonKeptText)) == 0, where);
    FUZZ_CHECK(!(mine->type & cJSON_IsReference) || cJSON_IsString(mine), where);
    FUZZ_CHECK(mine->valueint == theirs->valueint, where);
    FUZZ_CHECK(std::memcmp(&mine->valuedouble, &theirs->valuedouble, sizeof(double)) == 0, where);
    FUZZ_CHECK(sameText(mine->valuestring, theirs->valuestring), where);
    FUZZ_CHECK(sameText(mine->string, theirs->string), where);
    const cJSON* a = mine->child;
    const cJSON* b = theirs->child;
    const cJSON* last = nullptr;
    for (; a != nullptr && b != nullptr; last = a, a = a->next, b = b->next) {
        FUZZ_CHECK(a == mine->child || a->prev == last, where);
        checkSameTree(a, b, where + "/" + (a->string ? a->string : "[]"));
    }
    FUZZ_CHECK(a == nullptr && b == nullptr, where);
    FUZZ_CHECK(mine->child == nullptr || mine->child->prev == last, where);
}

// Where mine keeps a value's text, theirs gets it as a raw value: what
// the saved file had before this loader.
void keptTextsAsRaw(const cJSON* mine, cJSON* theirs, const JsonArena& arena) {
    if ((mine->type & kJsonKeptText) && arena.owns(mine)) {
        const auto* kept = reinterpret_cast<const KeptNode*>(mine);
        auto* raw = static_cast<char*>(cJSON_malloc(kept->length + 1));
        std::memcpy(raw, kept->text, kept->length + 1);
        cJSON_free(theirs->valuestring);
        theirs->valuestring = raw;
        theirs->type = cJSON_Raw;
    }
    for (const cJSON *a = mine->child, *b = theirs->child; a && b; a = a->next, b = b->next)
        keptTextsAsRaw(a, const_cast<cJSON*>(b), arena);
}

void checkLoaderAgainstCJson(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    const char* end = nullptr;
    JsonPtr theirs(cJSON_ParseWithLengthOpts(text, size, &end, false), cJSON_Delete);
    bool textAfter = false;
    if (theirs)
        for (const char* p = end; p < text + size && !textAfter; ++p)
            textAfter = static_cast<unsigned char>(*p) > ' ';

    std::unique_ptr<JsonArena> arena;
    std::string error;
    cJSON* mine = parseJsonExactly(text, size, arena, error);
    if (mine == nullptr) {
        // A name with a zero character is refused where it stands, before
        // the text after it is read.
        if (error.find("holds a zero character") != std::string::npos)
            return;
        FUZZ_CHECK(!theirs || textAfter, error);
        FUZZ_CHECK(error.rfind("line ", 0) == 0, error);
        FUZZ_CHECK(!textAfter ||
                       error.find("the end of the file was expected") != std::string::npos,
                   error);
        return;
    }
    FUZZ_CHECK(theirs && !textAfter, "accepted what cJSON refuses");
    checkSameTree(mine, theirs.get(), "");

    char* printed = nullptr;
    size_t length = 0;
    FUZZ_CHECK(printJsonExactly(mine, arena.get(), size, printed, length), "print");
    std::unique_ptr<char, decltype(&cJSON_free)> ours(printed, cJSON_free);
    // No value changed on the way.
    JsonPtr reread(cJSON_ParseWithLength(printed, length), cJSON_Delete);
    FUZZ_CHECK(reread != nullptr, std::string(printed, length));
    checkSameTree(reread.get(), theirs.get(), "reread");
    // The bytes are cJSON_Print's, kept texts as raw values.
    keptTextsAsRaw(mine, theirs.get(), *arena);
    std::unique_ptr<char, decltype(&cJSON_free)> cjsonPrinted(cJSON_Print(theirs.get()),
                                                              cJSON_free);
    FUZZ_CHECK(cjsonPrinted && std::string(printed, length) == cjsonPrinted.get(),
               std::string(printed, length));
    deleteJsonTree(mine, arena.get());
}

// ------------------------------------------------------------------ the document

constexpr int64_t kScanTime = 1657374330; // a fixed clock: the saved bytes must repeat

struct Accepted {
    std::string id;
    uint32_t slot;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QuietPresenter presenter;
    setMessagePresenter(&presenter);
    checkLoaderAgainstCJson(data, size);
    const std::string path = fuzzScratchFolder() + "/scan.json";
    const std::string again = fuzzScratchFolder() + "/again.json";
    if (!writeAll(path, data, size))
        fuzzFail("cannot write the scratch file", path);

    CKVLTOfflineScannerDoc doc;
    doc.SetClock([] { return kScanTime; });
    if (!doc.OnOpenDocument(path)) {
        FUZZ_CHECK(doc.GetRootNode() == nullptr && doc.GetPathName().empty(), path);
        return 0;
    }

    // Maps of billions of slots take their time to build; a million shows
    // the same rules.
    uint8_t control = size > 0 ? data[size - 1] : 0;
    if (doc.MapRowCount() > (1u << 20))
        control = 0;
    RowSelection selection(control ? doc.AutoSelectSlots((control & 1) == 0)
                                   : std::vector<uint32_t>{});
    ScanSession session(doc, selection);
    std::vector<std::string> barcodes;
    for (size_t row = 0; row < doc.GetIncomingVolumes().size() && row < size_t(control / 2); ++row)
        barcodes.push_back(
            CKVLTOfflineScannerDoc::StringField(doc.GetIncomingVolumes()[row], "id"));
    std::vector<Accepted> accepted;
    for (const std::string& barcode : barcodes) {
        if (session.scan(barcode) != ScanOutcome::Accepted)
            continue;
        std::string upper = barcode;
        for (char& c : upper)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        const cJSON* volume = doc.GetVolumesById().find(upper);
        FUZZ_CHECK(volume != nullptr, upper);
        int32_t slot = CKVLTOfflineScannerDoc::NumberField(volume, "slot");
        FUZZ_CHECK(slot > 0, upper);
        accepted.push_back({upper, uint32_t(slot)});
    }

    // A loaded document can always be saved, and what it saved loads again.
    FUZZ_CHECK(doc.OnSaveDocument(path), path);
    std::string saved = readAll(path);
    CKVLTOfflineScannerDoc reloaded;
    reloaded.SetClock(doc.GetClock());
    FUZZ_CHECK(reloaded.OnOpenDocument(path), saved.substr(0, 200));

    std::string assignedText = timeString(kScanTime, kAssignedTimeFormat);
    for (const Accepted& scan : accepted) {
        const cJSON* volume = reloaded.GetSlotVolumes().find(scan.slot);
        FUZZ_CHECK(volume != nullptr, scan.id);
        FUZZ_CHECK(CKVLTOfflineScannerDoc::StringField(volume, "id") == scan.id, scan.id);
        // Readers that take the first "assigned" see this scan's time.
        const cJSON* assigned = cJSON_GetObjectItemCaseSensitive(volume, "assigned");
        FUZZ_CHECK(cJSON_IsString(assigned) && assignedText == assigned->valuestring, scan.id);
    }

    // The round trip is stable: the reloaded file saves to the same bytes.
    FUZZ_CHECK(reloaded.OnSaveDocument(again), again);
    FUZZ_CHECK(readAll(again) == saved, saved.substr(0, 200));
    return 0;
}
