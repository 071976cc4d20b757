// The scan journal reader. Whatever the bytes: no crash, no memory error,
// bounded work; every entry it gives is a well-formed change (slots whole
// numbers from 1); and the entries it gives, appended to a fresh journal for
// the same file, read back exactly the same.
//
// Input: the journal file's bytes.
#include "fuzzsupport.h"
#include "scanjournal.h"

#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

namespace {

void writeAll(const std::string& path, const uint8_t* data, size_t size) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0)
        fuzzFail("cannot write the scratch file", path);
    bool ok = size == 0 || ::write(fd, data, size) == ssize_t(size);
    if (::close(fd) != 0 || !ok)
        fuzzFail("cannot write the scratch file", path);
}

bool sameEntry(const JournalEntry& a, const JournalEntry& b) {
    return a.kind == b.kind && a.id == b.id && a.slot == b.slot && a.assigned == b.assigned;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The journals of this process live in its scratch folder, never the user's.
    static const bool placed =
        setenv("XDG_DATA_HOME", (fuzzScratchFolder() + "/data").c_str(), 1) == 0;
    (void)placed;
    const std::string path = fuzzScratchFolder() + "/input.journal";
    writeAll(path, data, size);
    const JournalContents contents = readScanJournal(path);
    FUZZ_CHECK(contents.exists && contents.error.empty(), contents.error);
    for (const JournalEntry& entry : contents.entries) {
        const bool hasSlot =
            entry.kind == JournalEntryKind::Scan || entry.kind == JournalEntryKind::TakeBack;
        FUZZ_CHECK(!hasSlot || entry.slot >= 1, entry.id);
    }
    if (contents.entries.empty())
        return 0;

    // What was read, written again for the same file, reads back the same.
    CScanJournal journal;
    journal.Bind(contents.file);
    ::unlink(journal.GetPath().c_str());
    std::string error;
    FUZZ_CHECK(journal.Append(contents.entries, error), error);
    const JournalContents again = journal.Read();
    FUZZ_CHECK(!again.damaged && again.entries.size() == contents.entries.size(),
               std::to_string(again.entries.size()));
    for (size_t i = 0; i < again.entries.size(); ++i)
        FUZZ_CHECK(sameEntry(again.entries[i], contents.entries[i]), again.entries[i].id);
    FUZZ_CHECK(again.file.path == contents.file.path && again.file.size == contents.file.size &&
                   again.file.sha256 == contents.file.sha256,
               again.file.path);
    ::unlink(journal.GetPath().c_str());
    return 0;
}
