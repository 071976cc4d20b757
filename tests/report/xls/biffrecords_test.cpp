#include "biffrecords.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

// "09 08 10 00" -> bytes
Bytes hex(const std::string& text) {
    Bytes out;
    std::istringstream in(text);
    std::string pair;
    while (in >> pair)
        out.push_back(static_cast<uint8_t>(std::stoul(pair, nullptr, 16)));
    return out;
}

XlString str(std::u16string_view s) {
    XlString x;
    x.units.assign(s.begin(), s.end());
    for (auto u : x.units)
        x.highByte = x.highByte || u >= 256;
    return x;
}

unsigned u16At(const Bytes& b, size_t at) {
    return b[at] | (b[at + 1] << 8);
}

} // namespace

TEST(BiffRecords, StreamFramingRecords) {
    Bytes out;
    writeBof(out, BofKind::Globals);
    EXPECT_EQ(out, hex("09 08 10 00  00 06 05 00 BB 0D CC 07 00 00 00 00 06 00 00 00"));
    out.clear();
    writeBof(out, BofKind::Worksheet);
    EXPECT_EQ(out, hex("09 08 10 00  00 06 10 00 BB 0D CC 07 00 00 00 00 06 00 00 00"));
    out.clear();
    writeEof(out);
    EXPECT_EQ(out, hex("0A 00 00 00"));
    out.clear();
    writeCodepage(out);
    EXPECT_EQ(out, hex("42 00 02 00 B0 04"));
}

TEST(BiffRecords, FormattingRecordsOfTheGlobals) {
    Bytes out;
    writeFont(out);
    EXPECT_EQ(out,
              hex("31 00 15 00 C8 00 00 00 FF 7F 90 01 00 00 00 00 00 00 05 00 41 72 69 61 6C"));
    out.clear();
    writeXf(out, true);
    EXPECT_EQ(out, hex("E0 00 14 00 00 00 00 00 F5 FF 20 00 00 F4 00 00 00 00 00 00 00 00 C0 20"));
    out.clear();
    writeXf(out, false);
    EXPECT_EQ(out, hex("E0 00 14 00 00 00 00 00 01 00 20 00 00 00 00 00 00 00 00 00 00 00 C0 20"));
    out.clear();
    writeStyle(out);
    EXPECT_EQ(out, hex("93 02 04 00 00 80 00 FF"));
    out.clear();
    writeWindow1(out);
    EXPECT_EQ(out, hex("3D 00 12 00 00 00 00 00 BC 25 72 15 38 00 00 00 00 00 01 00 58 02"));
}

TEST(BiffRecords, BoundSheetNamesAndThePositionField) {
    Bytes out(7, 0xAA);
    EXPECT_EQ(writeBoundSheet(out, str(u"Export"), 0x1234), 11u);
    EXPECT_EQ(Bytes(out.begin() + 7, out.end()),
              hex("85 00 0E 00 34 12 00 00 00 00 06 00 45 78 70 6F 72 74"));
    out.clear();
    writeBoundSheet(out, str(u"€1"), 0);
    EXPECT_EQ(out, hex("85 00 0C 00 00 00 00 00 00 00 02 01 AC 20 31 00"));
}

TEST(BiffRecords, SheetRecords) {
    Bytes out;
    writeWsBool(out);
    EXPECT_EQ(out, hex("81 00 02 00 C1 04"));
    out.clear();
    writeDimensions(out, 1, 3, 0, 2);
    EXPECT_EQ(out, hex("00 02 0E 00 01 00 00 00 03 00 00 00 00 00 02 00 00 00"));
    out.clear();
    writeWindow2(out, true);
    EXPECT_EQ(out, hex("3E 02 12 00 B6 06 00 00 00 00 40 00 00 00 00 00 00 00 00 00 00 00"));
    out.clear();
    writeWindow2(out, false);
    EXPECT_EQ(u16At(out, 4), 0x00B6u);
}

TEST(BiffRecords, CellRecords) {
    Bytes out;
    writeLabelSst(out, 1, 2, kDefaultCellXf, 0x01020307);
    EXPECT_EQ(out, hex("FD 00 0A 00 01 00 02 00 0F 00 07 03 02 01"));
    out.clear();
    writeNumber(out, 65535, 255, kDefaultCellXf, 1.5);
    EXPECT_EQ(out, hex("03 02 0E 00 FF FF FF 00 0F 00 00 00 00 00 00 00 F8 3F"));
    out.clear();
    writeNumber(out, 0, 0, kDefaultCellXf, -12);
    EXPECT_EQ(out, hex("03 02 0E 00 00 00 00 00 0F 00 00 00 00 00 00 00 28 C0"));
}

TEST(BiffRecords, SstAndExtSstOfAFewStrings) {
    const XlString ab = str(u"ab"), euro = str(u"€");
    Bytes out(100, 0);
    const auto anchors = writeSst(out, {&ab, &euro}, 3, 8);
    EXPECT_EQ(Bytes(out.begin() + 100, out.end()),
              hex("FC 00 12 00 03 00 00 00 02 00 00 00 02 00 00 61 62 01 00 01 AC 20"));
    ASSERT_EQ(anchors.size(), 1u);
    EXPECT_EQ(anchors[0], (SstAnchor{112, 12}));

    out.clear();
    writeExtSst(out, 8, anchors);
    EXPECT_EQ(out, hex("FF 00 0A 00 08 00 70 00 00 00 0C 00 00 00"));

    EXPECT_EQ(sstBucketSize(0), 8);
    EXPECT_EQ(sstBucketSize(1024), 8);
    EXPECT_EQ(sstBucketSize(1025), 9);
    EXPECT_EQ(sstBucketSize(12800), 100);
}

TEST(BiffRecords, SstStringLongerThanARecordGoesOnWithItsFlagsRepeated) {
    const XlString narrow = str(std::u16string(10000, u'x'));
    Bytes out;
    writeSst(out, {&narrow}, 1, 8);
    // 8 bytes of counts, 3 of string header, 8213 characters: the record is full.
    EXPECT_EQ(u16At(out, 0), kRecSst);
    EXPECT_EQ(u16At(out, 2), kMaxRecordData);
    const size_t cont = 4 + kMaxRecordData;
    EXPECT_EQ(u16At(out, cont), kRecContinue);
    EXPECT_EQ(u16At(out, cont + 2), 1u + (10000 - 8213));
    EXPECT_EQ(out[cont + 4], 0x00); // compressed characters go on
    EXPECT_EQ(out[cont + 5], 'x');
    EXPECT_EQ(out.size(), cont + 4 + 1 + (10000 - 8213));

    // Two-byte characters never straddle records: the first record stops one byte short.
    const XlString wide = str(std::u16string(5000, u'€'));
    out.clear();
    writeSst(out, {&wide}, 1, 8);
    EXPECT_EQ(u16At(out, 2), kMaxRecordData - 1);
    const size_t cont2 = 4 + kMaxRecordData - 1;
    EXPECT_EQ(u16At(out, cont2), kRecContinue);
    EXPECT_EQ(u16At(out, cont2 + 2), 1u + 2 * (5000 - 4106));
    EXPECT_EQ(out[cont2 + 4], 0x01);
    EXPECT_EQ(u16At(out, cont2 + 5), 0x20ACu);
}

TEST(BiffRecords, SstStringHeaderIsNeverSplit) {
    // 1643 strings of 5 bytes fill the first record to one byte short; the next string
    // starts the CONTINUE record with its own header and no flags byte before it.
    const XlString ab = str(u"ab");
    std::vector<const XlString*> strings(1644, &ab);
    Bytes out;
    const auto anchors = writeSst(out, strings, 1644, 1643);
    EXPECT_EQ(u16At(out, 2), 8u + 1643 * 5);
    const size_t cont = 4 + 8 + 1643 * 5;
    EXPECT_EQ(Bytes(out.begin() + cont, out.end()), hex("3C 00 05 00 02 00 00 61 62"));
    ASSERT_EQ(anchors.size(), 2u);
    EXPECT_EQ(anchors[0], (SstAnchor{12, 12}));
    EXPECT_EQ(anchors[1], (SstAnchor{static_cast<uint32_t>(cont + 4), 4}));
}

TEST(BiffRecords, EveryExtSstAnchorPointsAtItsStringInsideItsRecord) {
    // Readers use these anchors to jump into the table; neither xlrd nor LibreOffice checks
    // them, so check each one against the bytes.
    std::vector<XlString> texts;
    for (int i = 0; i < 5000; ++i) {
        std::u16string s =
            u"s" + std::u16string(static_cast<size_t>(i * 37 % 61), i % 3 ? u'a' : u'€');
        s += static_cast<char16_t>(u'0' + i % 10);
        texts.push_back(str(s));
    }
    std::vector<const XlString*> strings;
    for (const auto& t : texts)
        strings.push_back(&t);
    Bytes out(40, 0); // the table rarely starts the stream
    const uint16_t bucket = sstBucketSize(strings.size());
    const auto anchors = writeSst(out, strings, 5000, bucket);
    ASSERT_EQ(anchors.size(), (strings.size() + bucket - 1) / bucket);

    for (size_t a = 0; a < anchors.size(); ++a) {
        SCOPED_TRACE(a);
        const XlString& s = texts[a * bucket];
        const size_t pos = anchors[a].streamPos;
        EXPECT_EQ(u16At(out, pos), s.units.size());
        EXPECT_EQ(out[pos + 2], s.highByte ? 1 : 0);
        EXPECT_EQ(s.highByte ? u16At(out, pos + 3) : out[pos + 3], s.units[0]);
        const size_t record = pos - anchors[a].recordOffset;
        const unsigned type = u16At(out, record);
        EXPECT_TRUE(type == kRecSst || type == kRecContinue) << type;
        EXPECT_LT(anchors[a].recordOffset, 4 + u16At(out, record + 2));
    }
}
