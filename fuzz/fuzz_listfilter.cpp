// The column filters' matcher. Whatever the pattern and the text: no crash,
// no memory error, bounded work; and where glibc's fnmatch (with
// FNM_EXTMATCH, and FNM_CASEFOLD when asked) can answer quickly, the same
// answer. fnmatch's time grows exponentially with nested pattern lists and
// its recursion with the text, so it is asked only about short texts and
// patterns with few lists.
//
// Input: one byte of flags (bit 0: ignore case), then the pattern, a zero
// byte and the text.
#include "fuzzsupport.h"
#include "listfilter.h"

#include <algorithm>
#include <string>

namespace {

// fnmatch answers these within milliseconds.
bool referenceIsCheap(const std::string& pattern, const std::string& text) {
    const auto lists = std::count(pattern.begin(), pattern.end(), '(');
    return pattern.size() <= 32 && text.size() <= 10 && lists <= 3;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const unsigned flags = FILTER_EXTMATCH | ((data[0] & 1) ? FILTER_CASEFOLD : 0);
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const size_t zero = rest.find('\0');
    const std::string pattern = rest.substr(0, zero);
    const std::string text = zero == std::string::npos ? std::string() : rest.substr(zero + 1);
    const bool matched = FilterPattern(pattern, flags).matches(text);
    if (pattern.size() > kMaxFilterPatternBytes || !referenceIsCheap(pattern, text))
        return 0;
    const std::string cText = text.substr(0, text.find('\0'));
    FUZZ_CHECK(matched == fnmatchFilter(pattern.c_str(), cText.c_str(), flags),
               "pattern '" + pattern + "' text '" + cText + "'");
    return 0;
}
