#include "compounddoc.h"

#include <gtest/gtest.h>

#include <numeric>

namespace {

uint32_t u32At(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

size_t sectorOffset(uint32_t sector) {
    return kSectorSize * (1 + static_cast<size_t>(sector));
}

// Reads the stream back the way a reader does: allocation-table sectors from the header and the
// extension chain, then the stream's chain from its directory entry.
Bytes readStreamBack(const Bytes& file) {
    std::vector<uint32_t> fatSectors;
    const uint32_t fatCount = u32At(file, 0x2C);
    for (size_t i = 0; i < 109 && fatSectors.size() < fatCount; ++i)
        fatSectors.push_back(u32At(file, 0x4C + 4 * i));
    for (uint32_t difat = u32At(file, 0x44); difat != kEndOfChain;) {
        const size_t at = sectorOffset(difat);
        for (size_t i = 0; i < 127 && fatSectors.size() < fatCount; ++i)
            fatSectors.push_back(u32At(file, at + 4 * i));
        difat = u32At(file, at + 4 * 127);
    }
    std::vector<uint32_t> fat;
    for (uint32_t s : fatSectors)
        for (size_t i = 0; i < 128; ++i)
            fat.push_back(u32At(file, sectorOffset(s) + 4 * i));

    const size_t entry = sectorOffset(u32At(file, 0x30)) + 128; // second entry: the stream
    const uint32_t size = u32At(file, entry + 0x78);
    Bytes stream;
    for (uint32_t s = u32At(file, entry + 0x74);
         s != kEndOfChain && stream.size() < size + kSectorSize; s = fat.at(s))
        stream.insert(stream.end(), file.begin() + sectorOffset(s),
                      file.begin() + sectorOffset(s) + kSectorSize);
    stream.resize(size);
    return stream;
}

Bytes patterned(size_t size) {
    Bytes b(size);
    for (size_t i = 0; i < size; ++i)
        b[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return b;
}

} // namespace

TEST(CompoundDoc, LayoutGrowsTheAllocationTableWithTheStream) {
    const auto small = compoundLayout(100);
    EXPECT_EQ(small.streamSectors, 8u); // padded to the small-block cut-off
    EXPECT_EQ(small.directorySector, 8u);
    EXPECT_EQ(small.fatSectors, 1u);
    EXPECT_EQ(small.difatSectors, 0u);

    // 126 stream sectors + directory + table = 128 entries: one table sector; one more needs two.
    EXPECT_EQ(compoundLayout(126 * kSectorSize).fatSectors, 1u);
    EXPECT_EQ(compoundLayout(126 * kSectorSize + 1).fatSectors, 2u);

    // Beyond 109 table sectors the header cannot list them all.
    for (size_t size : {size_t{7'000'000}, size_t{7'200'000}, size_t{40'000'000}}) {
        const auto big = compoundLayout(size);
        SCOPED_TRACE(size);
        EXPECT_GE(big.fatSectors * 128u, big.totalSectors());
        EXPECT_LT((big.fatSectors - 1) * 128u, big.totalSectors());
        EXPECT_EQ(big.difatSectors, big.fatSectors > 109 ? (big.fatSectors - 109 + 126) / 127 : 0u);
    }
    EXPECT_EQ(compoundLayout(7'000'000).difatSectors, 0u);
    EXPECT_GT(compoundLayout(40'000'000).difatSectors, 1u);
}

TEST(CompoundDoc, SmallFileHeaderDirectoryAndTable) {
    const Bytes stream = patterned(100);
    Bytes file;
    ASSERT_TRUE(writeCompoundDocument(file, "Workbook", stream));
    ASSERT_EQ(file.size(), kSectorSize * 11);

    const Bytes signature{0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), file.begin()));
    EXPECT_EQ(u32At(file, 0x18), 0x0003003Eu); // minor 0x3E, major 3
    EXPECT_EQ(u32At(file, 0x1C), 0x0009FFFEu); // byte order, sector shift 9
    EXPECT_EQ(u32At(file, 0x2C), 1u);          // table sectors
    EXPECT_EQ(u32At(file, 0x30), 8u);          // directory
    EXPECT_EQ(u32At(file, 0x38), 4096u);
    EXPECT_EQ(u32At(file, 0x3C), kEndOfChain); // no small-block table
    EXPECT_EQ(u32At(file, 0x44), kEndOfChain); // no table extension
    EXPECT_EQ(u32At(file, 0x4C), 9u);
    EXPECT_EQ(u32At(file, 0x50), kFreeSect);

    // The stream, padded with zeros to 4096 bytes.
    EXPECT_TRUE(std::equal(stream.begin(), stream.end(), file.begin() + 512));
    EXPECT_TRUE(
        std::all_of(file.begin() + 612, file.begin() + 512 + 4096, [](auto b) { return b == 0; }));

    const size_t dir = sectorOffset(8);
    const std::u16string rootName = u"Root Entry";
    for (size_t i = 0; i < rootName.size(); ++i)
        EXPECT_EQ(file[dir + 2 * i], rootName[i]);
    EXPECT_EQ(file[dir + 0x40], 22);        // name length with its terminator, in bytes
    EXPECT_EQ(file[dir + 0x42], 5);         // root
    EXPECT_EQ(u32At(file, dir + 0x4C), 1u); // child: the stream entry
    EXPECT_EQ(u32At(file, dir + 0x74), kEndOfChain);
    EXPECT_EQ(file[dir + 128], 'W');
    EXPECT_EQ(file[dir + 128 + 0x40], 18);
    EXPECT_EQ(file[dir + 128 + 0x42], 2); // stream
    EXPECT_EQ(u32At(file, dir + 128 + 0x44), 0xFFFFFFFFu);
    EXPECT_EQ(u32At(file, dir + 128 + 0x74), 0u);
    EXPECT_EQ(u32At(file, dir + 128 + 0x78), 4096u); // padded: no small-block stream
    EXPECT_EQ(file[dir + 256 + 0x42], 0);            // unused entries

    const size_t fat = sectorOffset(9);
    for (uint32_t s = 0; s < 7; ++s)
        EXPECT_EQ(u32At(file, fat + 4 * s), s + 1);
    EXPECT_EQ(u32At(file, fat + 4 * 7), kEndOfChain);
    EXPECT_EQ(u32At(file, fat + 4 * 8), kEndOfChain);
    EXPECT_EQ(u32At(file, fat + 4 * 9), kFatSect);
    EXPECT_EQ(u32At(file, fat + 4 * 10), kFreeSect);
    EXPECT_EQ(u32At(file, fat + 4 * 127), kFreeSect);
}

TEST(CompoundDoc, StreamsOfEverySizeReadBackWhole) {
    // Around the sector and table-sector boundaries, and past the header's 109 table sectors.
    for (size_t size : {size_t{1}, size_t{4096}, size_t{4097}, 126 * kSectorSize,
                        126 * kSectorSize + 1, size_t{9'000'000}, size_t{17'000'000}}) {
        SCOPED_TRACE(size);
        const Bytes stream = patterned(size);
        Bytes file;
        ASSERT_TRUE(writeCompoundDocument(file, "Workbook", stream));
        const auto layout = compoundLayout(size);
        EXPECT_EQ(file.size(), kSectorSize * (1 + static_cast<size_t>(layout.totalSectors())));
        EXPECT_EQ(u32At(file, 0x48), layout.difatSectors);
        Bytes back = readStreamBack(file);
        EXPECT_EQ(back.size(), std::max(size, kMiniStreamCutoff));
        back.resize(size);
        EXPECT_EQ(back, stream);
    }
}
