#include "xlstring.h"

namespace kvlt::xls {

namespace {

constexpr std::uint32_t kReplacement = 0xFFFD;

// Decodes one code point at `pos` and advances it; malformed input yields U+FFFD and skips
// one byte, so decoding always makes progress.
std::uint32_t decodeOne(std::string_view s, std::size_t& pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) {
        ++pos;
        return lead;
    }
    std::size_t length = 0;
    std::uint32_t cp = 0;
    std::uint32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, cp = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, cp = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, cp = lead & 0x07, minimum = 0x10000;
    } else {
        ++pos;
        return kReplacement;
    }
    if (pos + length > s.size()) {
        ++pos;
        return kReplacement;
    }
    for (std::size_t i = 1; i < length; ++i) {
        const unsigned char c = byte(pos + i);
        if ((c & 0xC0) != 0x80) {
            ++pos;
            return kReplacement;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return kReplacement;
    }
    pos += length;
    return cp;
}

} // namespace

std::size_t xlStringLength(std::string_view utf8) {
    std::size_t units = 0;
    std::size_t pos = 0;
    while (pos < utf8.size())
        units += decodeOne(utf8, pos) >= 0x10000 ? 2 : 1;
    return units;
}

ConvertedText xlStringFromUtf8(std::string_view utf8, std::size_t maxUnits) {
    ConvertedText result;
    auto& units = result.text.units;
    units.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::uint32_t cp = decodeOne(utf8, pos);
        const std::size_t needed = cp >= 0x10000 ? 2 : 1;
        if (units.size() + needed > maxUnits) {
            result.truncated = true;
            break;
        }
        if (cp >= 0x10000) {
            const std::uint32_t v = cp - 0x10000;
            units.push_back(static_cast<std::uint16_t>(0xD800 + (v >> 10)));
            units.push_back(static_cast<std::uint16_t>(0xDC00 + (v & 0x3FF)));
        } else {
            units.push_back(static_cast<std::uint16_t>(cp));
        }
        if (cp >= 0x100)
            result.text.highByte = true;
    }
    return result;
}

} // namespace kvlt::xls
