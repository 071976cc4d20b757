// The compound-document container (version 3, 512-byte sectors) that carries the workbook
// stream: header, the stream's sectors, one directory sector, the allocation table and, for
// large streams, the extra sectors that list the allocation table's own sectors.
#pragma once

#include "bytes.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

inline constexpr size_t kSectorSize = 512;
// Streams shorter than this belong in the small-block stream; a shorter workbook stream is
// padded with zeros up to it instead (readers stop at the workbook's last EOF record).
inline constexpr size_t kMiniStreamCutoff = 4096;
// Version 3 files cannot hold a stream larger than this.
inline constexpr size_t kMaxStreamSize = 0x7FFFFFFF;

// Sector numbers with a special meaning in the allocation tables.
inline constexpr uint32_t kFreeSect = 0xFFFFFFFF;
inline constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kFatSect = 0xFFFFFFFD;
inline constexpr uint32_t kDifSect = 0xFFFFFFFC;

struct CompoundLayout {
    uint32_t streamSectors = 0; // sectors 0.. hold the stream
    uint32_t directorySector = 0;
    uint32_t fatSectors = 0;   // they follow the directory sector
    uint32_t difatSectors = 0; // they follow the allocation table
    uint32_t totalSectors() const { return streamSectors + 1 + fatSectors + difatSectors; }
};

// Sector counts for a stream of `streamSize` bytes.
CompoundLayout compoundLayout(size_t streamSize);

// Builds the whole file around one stream named `streamName` (at most 31 ASCII characters).
// False when the stream is larger than kMaxStreamSize; `file` is then left empty.
[[nodiscard]] bool writeCompoundDocument(Bytes& file, std::string_view streamName,
                                         const Bytes& stream);
