#include "compounddoc.h"

#include <algorithm>

namespace {

constexpr uint32_t kNoStream = 0xFFFFFFFF;
constexpr size_t kEntriesPerSector = kSectorSize / 4;
constexpr size_t kHeaderDifatEntries = 109;

uint32_t ceilDiv(size_t a, size_t b) {
    return static_cast<uint32_t>((a + b - 1) / b);
}

// Header: signature, versions, sector sizes and where the tables start.
void writeHeader(Bytes& out, const CompoundLayout& layout,
                 const std::vector<uint32_t>& fatPositions) {
    static constexpr uint8_t kSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    out.insert(out.end(), std::begin(kSignature), std::end(kSignature));
    out.insert(out.end(), 16, 0); // class id
    putU16(out, 0x003E);          // minor version
    putU16(out, 0x0003);          // major version 3: 512-byte sectors
    putU16(out, 0xFFFE);          // little-endian
    putU16(out, 9);               // sector size 2^9
    putU16(out, 6);               // small-block size 2^6
    out.insert(out.end(), 6, 0);
    putU32(out, 0); // directory sector count: always 0 in version 3
    putU32(out, layout.fatSectors);
    putU32(out, layout.directorySector);
    putU32(out, 0); // transactions are not used
    putU32(out, kMiniStreamCutoff);
    putU32(out, kEndOfChain); // no small-block allocation table
    putU32(out, 0);
    const uint32_t firstDifat =
        layout.difatSectors ? layout.directorySector + 1 + layout.fatSectors : kEndOfChain;
    putU32(out, firstDifat);
    putU32(out, layout.difatSectors);
    for (size_t i = 0; i < kHeaderDifatEntries; ++i)
        putU32(out, i < fatPositions.size() ? fatPositions[i] : kFreeSect);
}

// One 128-byte directory entry. The root has the one stream as its only child, so no entry
// has siblings.
void writeDirEntry(Bytes& out, std::string_view name, uint8_t type, uint32_t child,
                   uint32_t startSector, uint32_t size) {
    const size_t start = out.size();
    for (char c : name)
        putU16(out, static_cast<unsigned char>(c));
    out.resize(start + 64, 0);
    putU16(out, name.empty() ? 0 : static_cast<unsigned>((name.size() + 1) * 2));
    putU8(out, type);
    putU8(out, type ? 1 : 0); // black in the red-black tree
    putU32(out, kNoStream);   // left sibling
    putU32(out, kNoStream);   // right sibling
    putU32(out, child);
    out.insert(out.end(), 16 + 4 + 8 + 8, 0); // class id, state, times
    putU32(out, startSector);
    putU32(out, size);
    putU32(out, 0);
}

} // namespace

CompoundLayout compoundLayout(size_t streamSize) {
    CompoundLayout layout;
    layout.streamSectors = ceilDiv(std::max(streamSize, kMiniStreamCutoff), kSectorSize);
    layout.directorySector = layout.streamSectors;
    // The table must also map its own sectors and those of its extension: grow until it fits.
    for (;;) {
        const uint32_t fat = ceilDiv(layout.totalSectors(), kEntriesPerSector);
        const uint32_t difat = fat > kHeaderDifatEntries
                                   ? ceilDiv(fat - kHeaderDifatEntries, kEntriesPerSector - 1)
                                   : 0;
        if (fat == layout.fatSectors && difat == layout.difatSectors)
            return layout;
        layout.fatSectors = fat;
        layout.difatSectors = difat;
    }
}

bool writeCompoundDocument(Bytes& file, std::string_view streamName, const Bytes& stream) {
    file.clear();
    if (stream.size() > kMaxStreamSize)
        return false;
    const CompoundLayout layout = compoundLayout(stream.size());
    const uint32_t firstFat = layout.directorySector + 1;
    const uint32_t firstDifat = firstFat + layout.fatSectors;
    std::vector<uint32_t> fatPositions(layout.fatSectors);
    for (uint32_t i = 0; i < layout.fatSectors; ++i)
        fatPositions[i] = firstFat + i;

    file.reserve(kSectorSize * (1 + static_cast<size_t>(layout.totalSectors())));
    writeHeader(file, layout, fatPositions);

    file.insert(file.end(), stream.begin(), stream.end());
    file.resize(kSectorSize * (1 + static_cast<size_t>(layout.streamSectors)), 0);

    writeDirEntry(file, "Root Entry", 5, 1, kEndOfChain, 0);
    // The size recorded is the padded one: a smaller size would send readers to the
    // small-block stream, which this file does not have.
    const size_t recordedSize = std::max(stream.size(), kMiniStreamCutoff);
    writeDirEntry(file, streamName, 2, kNoStream, 0, static_cast<uint32_t>(recordedSize));
    writeDirEntry(file, {}, 0, kNoStream, 0, 0);
    writeDirEntry(file, {}, 0, kNoStream, 0, 0);

    std::vector<uint32_t> fat(static_cast<size_t>(layout.fatSectors) * kEntriesPerSector,
                              kFreeSect);
    for (uint32_t s = 0; s < layout.streamSectors; ++s)
        fat[s] = s + 1 < layout.streamSectors ? s + 1 : kEndOfChain;
    fat[layout.directorySector] = kEndOfChain;
    for (uint32_t i = 0; i < layout.fatSectors; ++i)
        fat[firstFat + i] = kFatSect;
    for (uint32_t i = 0; i < layout.difatSectors; ++i)
        fat[firstDifat + i] = kDifSect;
    for (uint32_t entry : fat)
        putU32(file, entry);

    // Allocation-table sectors beyond the header's 109 are listed 127 to a sector, each sector
    // ending with the number of the next one.
    size_t next = kHeaderDifatEntries;
    for (uint32_t d = 0; d < layout.difatSectors; ++d) {
        for (size_t i = 0; i < kEntriesPerSector - 1; ++i, ++next)
            putU32(file, next < fatPositions.size() ? fatPositions[next] : kFreeSect);
        putU32(file, d + 1 < layout.difatSectors ? firstDifat + d + 1 : kEndOfChain);
    }
    return true;
}
