// What decides whether a value prints back as it stood, and where a byte of
// the text is. The parser is in jsonparse.cpp, the printer in jsonprint.cpp.
#include "jsonexact.h"
#include "jsonkept.h"

#include <cstdint>
#include <cstring>

namespace {

// A number exactly as a decimal value: sign, significant digits without
// leading or trailing zeros, and the power of ten of the first digit.
struct Decimal {
    bool negative = false;
    std::string digits;
    int64_t exponent = 0;
    bool operator==(const Decimal&) const = default;
};

// The decimal value of a JSON number text (as cJSON reads it: sign, digits,
// point, exponent). False when the text is not a number (null, inf).
bool decimalOf(const char* text, size_t length, Decimal& value) {
    const char* p = text;
    const char* end = text + length;
    value = Decimal{};
    if (p < end && (*p == '-' || *p == '+'))
        value.negative = *p++ == '-';
    int64_t point = 0; // digits before the point
    bool seenPoint = false;
    bool any = false;
    for (; p < end; ++p) {
        if (*p >= '0' && *p <= '9') {
            any = true;
            if (value.digits.empty() && *p == '0') {
                if (seenPoint)
                    --point; // a leading zero after the point shifts the value down
                continue;
            }
            value.digits.push_back(*p);
            if (!seenPoint)
                ++point;
        } else if (*p == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!any)
        return false;
    int64_t exponent = 0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negativeExponent = false;
        if (p < end && (*p == '-' || *p == '+'))
            negativeExponent = *p++ == '-';
        for (; p < end && *p >= '0' && *p <= '9'; ++p)
            if (exponent < INT64_C(1000000000000))
                exponent = exponent * 10 + (*p - '0'); // far past any double: saturated
        if (negativeExponent)
            exponent = -exponent;
    }
    while (!value.digits.empty() && value.digits.back() == '0')
        value.digits.pop_back();
    value.exponent = value.digits.empty() ? 0 : point + exponent;
    return true;
}

} // namespace

bool printsBackExactly(const char* token, size_t length, const cJSON& number) {
    // The printer itself says what it would write (its own decimal point
    // handling included).
    char printed[64];
    if (!cJSON_PrintPreallocated(const_cast<cJSON*>(&number), printed, sizeof printed, false))
        return false;
    Decimal before, after;
    return decimalOf(token, length, before) && decimalOf(printed, std::strlen(printed), after) &&
           before == after;
}

bool keptTextApplies(const KeptNode& kept) {
    const cJSON& node = kept.node;
    if ((node.type & 0xFF) != kept.type)
        return false;
    if (kept.type == cJSON_Number)
        return std::memcmp(&node.valuedouble, &kept.valuedouble, sizeof(double)) == 0 &&
               node.valueint == kept.valueint;
    return node.valuestring == kept.valuestring && node.valuestring != nullptr &&
           std::strcmp(node.valuestring, kept.stringCopy) == 0;
}

std::string jsonTextPosition(const char* text, size_t offset) {
    size_t line = 1;
    size_t column = 1;
    for (size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}
