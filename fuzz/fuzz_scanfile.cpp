// Loading, scanning and saving a scan file. Whatever the bytes: the load
// refuses them with a message, or the document scans its incoming volumes,
// saves, and the saved file loads again with every accepted scan at its slot
// and its new assignment time first; saving the reloaded file gives the
// same bytes again.
//
// Input: the scan file's bytes. Its last byte, when there is one, also picks
// First Available (even) or IntelliSlot (odd) and how many incoming volumes
// are scanned (the byte divided by 2).
#include "fuzzsupport.h"
#include "messagebox.h"
#include "scanfiledoc.h"
#include "scanworkflow.h"
#include "timetext.h"

#include <cjson/cJSON.h>

#include <cctype>
#include <cstring>
#include <fcntl.h>
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

constexpr int64_t kScanTime = 1657374330; // a fixed clock: the saved bytes must repeat

struct Accepted {
    std::string id;
    uint32_t slot;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static QuietPresenter presenter;
    setMessagePresenter(&presenter);
    const std::string path = fuzzScratchFolder() + "/scan.json";
    const std::string again = fuzzScratchFolder() + "/again.json";
    if (!writeAll(path, data, size))
        fuzzFail("cannot write the scratch file", path);

    CKVLTOfflineScannerDoc doc;
    doc.clock = [] { return kScanTime; };
    if (!doc.OnOpenDocument(path)) {
        FUZZ_CHECK(doc.rootNode == nullptr && doc.GetPathName().empty(), path);
        return 0;
    }

    // Maps of billions of slots take their time to build; a million shows
    // the same rules.
    uint8_t control = size > 0 ? data[size - 1] : 0;
    if (doc.mapRowCount() > (1u << 20))
        control = 0;
    CRowSelection selection(control ? doc.autoSelectSlots((control & 1) == 0)
                                    : std::vector<uint32_t>{});
    CScanSession session(doc, selection);
    std::vector<std::string> barcodes;
    for (size_t row = 0; row < doc.incomingVolumes.size() && row < size_t(control / 2); ++row)
        barcodes.push_back(CKVLTOfflineScannerDoc::stringField(doc.incomingVolumes[row], "id"));
    std::vector<Accepted> accepted;
    for (const std::string& barcode : barcodes) {
        if (session.scan(barcode) != ScanOutcome::Accepted)
            continue;
        std::string upper = barcode;
        for (char& c : upper)
            c = char(std::toupper(static_cast<unsigned char>(c)));
        const cJSON* volume = doc.volumesById.find(upper);
        FUZZ_CHECK(volume != nullptr, upper);
        int32_t slot = CKVLTOfflineScannerDoc::numberField(volume, "slot");
        FUZZ_CHECK(slot > 0, upper);
        accepted.push_back({upper, uint32_t(slot)});
    }

    // A loaded document can always be saved, and what it saved loads again.
    FUZZ_CHECK(doc.OnSaveDocument(path), path);
    std::string saved = readAll(path);
    CKVLTOfflineScannerDoc reloaded;
    reloaded.clock = doc.clock;
    FUZZ_CHECK(reloaded.OnOpenDocument(path), saved.substr(0, 200));

    std::string assignedText = timeString(kScanTime, kAssignedTimeFormat);
    for (const Accepted& scan : accepted) {
        const cJSON* volume = reloaded.slotVolumes.find(scan.slot);
        FUZZ_CHECK(volume != nullptr, scan.id);
        FUZZ_CHECK(CKVLTOfflineScannerDoc::stringField(volume, "id") == scan.id, scan.id);
        // Readers that take the first "assigned" see this scan's time.
        const cJSON* assigned = cJSON_GetObjectItemCaseSensitive(volume, "assigned");
        FUZZ_CHECK(cJSON_IsString(assigned) && assignedText == assigned->valuestring, scan.id);
    }

    // The round trip is stable: the reloaded file saves to the same bytes.
    FUZZ_CHECK(reloaded.OnSaveDocument(again), again);
    FUZZ_CHECK(readAll(again) == saved, saved.substr(0, 200));
    return 0;
}
