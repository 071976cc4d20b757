#include "xlstring.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::vector<uint16_t> units(std::u16string_view s) {
    return {s.begin(), s.end()};
}

} // namespace

TEST(XlString, AsciiAndLatin1AreWrittenOneBytePerCharacter) {
    auto plain = xlStringFromUtf8("Vault A");
    EXPECT_EQ(plain.text.units, units(u"Vault A"));
    EXPECT_FALSE(plain.text.highByte);
    EXPECT_EQ(plain.text.charBytes(), 7u);

    auto latin = xlStringFromUtf8("Gr\xC3\xBC\xC3\x9F"
                                  "e \xC3\xA9t\xC3\xA9"); // Grüße été
    EXPECT_EQ(latin.text.units, units(u"Grüße été"));
    EXPECT_FALSE(latin.text.highByte);
    EXPECT_FALSE(latin.truncated);
}

TEST(XlString, CharactersFrom256OnNeedUtf16) {
    auto euro = xlStringFromUtf8("10 \xE2\x82\xAC"); // 10 €
    EXPECT_EQ(euro.text.units, units(u"10 €"));
    EXPECT_TRUE(euro.text.highByte);
    EXPECT_EQ(euro.text.charBytes(), 8u);

    auto emoji = xlStringFromUtf8("\xF0\x9F\x93\xBC"); // U+1F4FC, a surrogate pair
    EXPECT_EQ(emoji.text.units, (std::vector<uint16_t>{0xD83D, 0xDCFC}));
    EXPECT_TRUE(emoji.text.highByte);
}

TEST(XlString, MalformedUtf8BecomesReplacementCharacters) {
    const std::vector<uint16_t> expected{'a', 0xFFFD, 'b'};
    EXPECT_EQ(xlStringFromUtf8("a\xFF"
                               "b")
                  .text.units,
              expected); // never valid
    EXPECT_EQ(xlStringFromUtf8("a\xC3"
                               "b")
                  .text.units,
              expected); // cut sequence
    EXPECT_EQ(xlStringFromUtf8("a\xC0\xAF"
                               "b")
                  .text.units, // overlong '/'
              (std::vector<uint16_t>{'a', 0xFFFD, 0xFFFD, 'b'}));
    EXPECT_EQ(xlStringFromUtf8("a\xED\xA0\x80"
                               "b")
                  .text.units, // lone surrogate
              (std::vector<uint16_t>{'a', 0xFFFD, 0xFFFD, 0xFFFD, 'b'}));
    EXPECT_EQ(xlStringFromUtf8("\xE2\x82").text.units, (std::vector<uint16_t>{0xFFFD, 0xFFFD}));
    EXPECT_TRUE(xlStringFromUtf8("a\xFF").text.highByte);
}

TEST(XlString, LongTextsAreCutAtTheLimitWithoutSplittingAPair) {
    const std::string exact(kMaxCellChars, 'x');
    auto fits = xlStringFromUtf8(exact);
    EXPECT_FALSE(fits.truncated);
    EXPECT_EQ(fits.text.units.size(), kMaxCellChars);

    auto cut = xlStringFromUtf8(exact + "y");
    EXPECT_TRUE(cut.truncated);
    EXPECT_EQ(cut.text.units.size(), kMaxCellChars);
    EXPECT_EQ(cut.text.units.back(), 'x');

    // Four units allowed, "ab" then a pair then a pair: the second pair does not fit whole.
    auto pairs = xlStringFromUtf8("ab\xF0\x9F\x93\xBC\xF0\x9F\x93\xBC", 5);
    EXPECT_TRUE(pairs.truncated);
    EXPECT_EQ(pairs.text.units, (std::vector<uint16_t>{'a', 'b', 0xD83D, 0xDCFC}));
}
