#include "biffrecords.h"

#include <algorithm>

namespace {

void putHeader(Bytes& out, RecordType type, size_t length) {
    putU16(out, type);
    putU16(out, static_cast<unsigned>(length));
}

// The characters of a text, 1 or 2 bytes each, from unit `first` on.
void putChars(Bytes& out, const XlString& s, size_t first, size_t count) {
    for (size_t i = first; i < first + count; ++i) {
        if (s.highByte)
            putU16(out, s.units[i]);
        else
            putU8(out, s.units[i]);
    }
}

// The SST with its CONTINUE records: keeps track of the record being filled.
class SstStream {
  public:
    explicit SstStream(Bytes& out) : m_out(out) { open(kRecSst); }
    ~SstStream() { close(); }

    size_t room() const { return kMaxRecordData - (m_out.size() - m_recordStart - 4); }
    uint16_t offsetInRecord() const { return static_cast<uint16_t>(m_out.size() - m_recordStart); }
    void next() {
        close();
        open(kRecContinue);
    }

  private:
    void open(RecordType type) {
        m_recordStart = m_out.size();
        putHeader(m_out, type, 0);
    }
    void close() {
        const size_t length = m_out.size() - m_recordStart - 4;
        m_out[m_recordStart + 2] = static_cast<uint8_t>(length & 0xFF);
        m_out[m_recordStart + 3] = static_cast<uint8_t>(length >> 8);
    }

    Bytes& m_out;
    size_t m_recordStart = 0;
};

} // namespace

void writeBof(Bytes& out, BofKind kind) {
    putHeader(out, kRecBof, 16);
    putU16(out, 0x0600); // BIFF8
    putU16(out, static_cast<unsigned>(kind));
    putU16(out, 0x0DBB); // build
    putU16(out, 0x07CC); // year 1996
    putU32(out, 0);      // file history
    putU32(out, 0x0006); // lowest version that can read all records
}

void writeEof(Bytes& out) {
    putHeader(out, kRecEof, 0);
}

void writeCodepage(Bytes& out) {
    putHeader(out, kRecCodepage, 2);
    putU16(out, 1200);
}

void writeWindow1(Bytes& out) {
    putHeader(out, kRecWindow1, 18);
    putU16(out, 0);      // left
    putU16(out, 0);      // top
    putU16(out, 0x25BC); // width, twips
    putU16(out, 0x1572); // height, twips
    putU16(out, 0x0038); // scroll bars and sheet tabs shown
    putU16(out, 0);      // active sheet
    putU16(out, 0);      // first visible tab
    putU16(out, 1);      // selected sheets
    putU16(out, 0x0258); // tab bar width ratio (60%)
}

void writeFont(Bytes& out) {
    static constexpr char kName[] = "Arial";
    const size_t nameLength = sizeof kName - 1;
    putHeader(out, kRecFont, 16 + nameLength);
    putU16(out, 200);    // height in twentieths of a point
    putU16(out, 0);      // attributes
    putU16(out, 0x7FFF); // automatic colour
    putU16(out, 400);    // normal weight
    putU16(out, 0);      // no super- or subscript
    putU8(out, 0);       // no underline
    putU8(out, 0);       // family
    putU8(out, 0);       // character set
    putU8(out, 0);
    putU8(out, static_cast<unsigned>(nameLength));
    putU8(out, 0); // compressed characters
    for (size_t i = 0; i < nameLength; ++i)
        putU8(out, static_cast<unsigned char>(kName[i]));
}

void writeXf(Bytes& out, bool style) {
    putHeader(out, kRecXf, 20);
    putU16(out, 0);                       // font 0
    putU16(out, 0);                       // number format "General"
    putU16(out, style ? 0xFFF5 : 0x0001); // locked; style formats have no parent
    putU8(out, 0x20);                     // aligned to the bottom
    putU8(out, 0);                        // no rotation
    putU8(out, 0);                        // no indent
    putU8(out, style ? 0xF4 : 0x00);      // attributes a style leaves to its cells
    putU32(out, 0);                       // no borders
    putU32(out, 0);
    putU16(out, 0x20C0); // automatic pattern colours
}

void writeStyle(Bytes& out) {
    putHeader(out, kRecStyle, 4);
    putU16(out, 0x8000); // built-in, on format 0
    putU8(out, 0);       // "Normal"
    putU8(out, 0xFF);    // no outline level
}

size_t writeBoundSheet(Bytes& out, const XlString& name, uint32_t bofPos) {
    putHeader(out, kRecBoundSheet, 8 + name.charBytes());
    const size_t posField = out.size();
    putU32(out, bofPos);
    putU16(out, 0); // visible worksheet
    putU8(out, static_cast<unsigned>(name.units.size()));
    putU8(out, name.highByte ? 1 : 0);
    putChars(out, name, 0, name.units.size());
    return posField;
}

uint16_t sstBucketSize(size_t uniqueCount) {
    // At most 128 buckets keeps EXTSST within one record; readers expect at least 8 per bucket.
    const size_t size = (uniqueCount + 127) / 128;
    return static_cast<uint16_t>(std::clamp<size_t>(size, 8, 0xFFFF));
}

std::vector<SstAnchor> writeSst(Bytes& out, const std::vector<const XlString*>& strings,
                                uint32_t totalRefs, uint16_t bucketSize) {
    std::vector<SstAnchor> anchors;
    SstStream sst(out);
    putU32(out, totalRefs);
    putU32(out, static_cast<uint32_t>(strings.size()));
    for (size_t i = 0; i < strings.size(); ++i) {
        const XlString& s = *strings[i];
        const size_t unit = s.highByte ? 2 : 1;
        // The 3-byte string header is never split, and a string starts where at least one of
        // its characters fits after the header.
        if (sst.room() < 3 + (s.units.empty() ? 0 : unit))
            sst.next();
        if (i % bucketSize == 0)
            anchors.push_back({static_cast<uint32_t>(out.size()), sst.offsetInRecord()});
        putU16(out, static_cast<unsigned>(s.units.size()));
        putU8(out, s.highByte ? 1 : 0);
        size_t done = 0;
        while (done < s.units.size()) {
            size_t fit = std::min(s.units.size() - done, sst.room() / unit);
            if (fit == 0) {
                // A string that goes on in a CONTINUE record repeats its option flags there.
                sst.next();
                putU8(out, s.highByte ? 1 : 0);
                continue;
            }
            putChars(out, s, done, fit);
            done += fit;
        }
    }
    return anchors;
}

void writeExtSst(Bytes& out, uint16_t bucketSize, const std::vector<SstAnchor>& anchors) {
    putHeader(out, kRecExtSst, 2 + 8 * anchors.size());
    putU16(out, bucketSize);
    for (const SstAnchor& a : anchors) {
        putU32(out, a.streamPos);
        putU16(out, a.recordOffset);
        putU16(out, 0);
    }
}

void writeWsBool(Bytes& out) {
    putHeader(out, kRecWsBool, 2);
    putU16(out, 0x04C1); // automatic page breaks, outline symbols, summaries below and right
}

void writeDimensions(Bytes& out, uint32_t firstRow, uint32_t rowEnd, uint16_t firstCol,
                     uint16_t colEnd) {
    putHeader(out, kRecDimensions, 14);
    putU32(out, firstRow);
    putU32(out, rowEnd);
    putU16(out, firstCol);
    putU16(out, colEnd);
    putU16(out, 0);
}

void writeWindow2(Bytes& out, bool selected) {
    // Grid, headers, zeros, default grid colour, outline symbols; the shown sheet is also
    // selected and displayed.
    const unsigned flags = 0x00B6 | (selected ? 0x0600 : 0);
    putHeader(out, kRecWindow2, 18);
    putU16(out, flags);
    putU16(out, 0);  // top row
    putU16(out, 0);  // left column
    putU32(out, 64); // grid colour: automatic
    putU16(out, 0);  // zoom in page break preview: default
    putU16(out, 0);  // zoom in normal view: default
    putU32(out, 0);
}

void writeLabelSst(Bytes& out, uint16_t row, uint16_t col, uint16_t xf, uint32_t sstIndex) {
    putHeader(out, kRecLabelSst, 10);
    putU16(out, row);
    putU16(out, col);
    putU16(out, xf);
    putU32(out, sstIndex);
}

void writeNumber(Bytes& out, uint16_t row, uint16_t col, uint16_t xf, double value) {
    putHeader(out, kRecNumber, 14);
    putU16(out, row);
    putU16(out, col);
    putU16(out, xf);
    putF64(out, value);
}
