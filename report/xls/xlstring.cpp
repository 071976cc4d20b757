#include "xlstring.h"

#include "texts.h"

size_t xlStringLength(std::string_view utf8) {
    size_t units = 0;
    size_t pos = 0;
    while (pos < utf8.size())
        units += nextCodePoint(utf8, pos) >= 0x10000 ? 2 : 1;
    return units;
}

ConvertedText xlStringFromUtf8(std::string_view utf8, size_t maxUnits) {
    ConvertedText result;
    auto& units = result.text.units;
    units.reserve(utf8.size());
    size_t pos = 0;
    while (pos < utf8.size()) {
        const uint32_t cp = nextCodePoint(utf8, pos);
        const size_t needed = cp >= 0x10000 ? 2 : 1;
        if (units.size() + needed > maxUnits) {
            result.truncated = true;
            break;
        }
        if (cp >= 0x10000) {
            const uint32_t v = cp - 0x10000;
            units.push_back(static_cast<uint16_t>(0xD800 + (v >> 10)));
            units.push_back(static_cast<uint16_t>(0xDC00 + (v & 0x3FF)));
        } else {
            units.push_back(static_cast<uint16_t>(cp));
        }
        if (cp >= 0x100)
            result.text.highByte = true;
    }
    return result;
}
