// Quick widths of many texts in one font, for fitting a column to the widest
// of a million cells: each character's advance is measured once, and a
// text's width is the sum of its characters' advances. Kerning and shaping
// are left out, so the sum is for choosing the widest text; the chosen one is
// then measured whole.
#pragma once

#include <QFontMetricsF>
#include <QHash>
#include <QStringView>

#include <array>
#include <string_view>

class CKVLTTextWidth {
  public:
    explicit CKVLTTextWidth(const QFont& font);

    qreal operator()(QStringView text);
    // The same for UTF-8 text; malformed bytes count as the replacement character.
    qreal Utf8(std::string_view text);

  private:
    qreal Advance(char32_t c);

    QFontMetricsF m_metrics;
    std::array<qreal, 128> m_arrAscii{};
    QHash<char32_t, qreal> m_mapOther;
};
