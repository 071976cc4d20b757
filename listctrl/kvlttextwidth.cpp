#include "kvlttextwidth.h"

CKVLTTextWidth::CKVLTTextWidth(const QFont& font) : m_metrics(font) {
    for (int c = 0; c < 128; ++c)
        m_arrAscii[size_t(c)] = m_metrics.horizontalAdvance(QChar(c));
}

qreal CKVLTTextWidth::Advance(char32_t c) {
    if (c < 128)
        return m_arrAscii[c];
    auto it = m_mapOther.constFind(c);
    if (it != m_mapOther.cend())
        return *it;
    const qreal advance = m_metrics.horizontalAdvance(QString::fromUcs4(&c, 1));
    m_mapOther.insert(c, advance);
    return advance;
}

qreal CKVLTTextWidth::operator()(QStringView text) {
    qreal width = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
        width += Advance(c);
    }
    return width;
}

qreal CKVLTTextWidth::Utf8(std::string_view text) {
    qreal width = 0;
    size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            width += m_arrAscii[byte];
            ++i;
            continue;
        }
        // A multi-byte sequence: its length from the lead byte, checked.
        const int length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 0;
        char32_t c = length == 4 ? byte & 0x07 : length == 3 ? byte & 0x0F : byte & 0x1F;
        bool ok = length != 0 && i + size_t(length) <= text.size();
        for (int k = 1; ok && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + size_t(k)]);
            ok = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        width += Advance(ok ? c : char32_t(0xFFFD));
        i += ok ? size_t(length) : 1;
    }
    return width;
}
