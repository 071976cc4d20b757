#include "scanlistctrl.h"

#include "kvlttextwidth.h"
#include "scanfiledoc.h"

CScanListCtrl::CScanListCtrl(ScanList list, QWidget* parent)
    : CKVLTListCtrl(parent), m_list(list) {}

CScanListCtrl::~CScanListCtrl() = default;

void CScanListCtrl::SetDocument(CKVLTOfflineScannerDoc* pDocument) {
    m_pDocument = pDocument;
    ForgetWidestTexts();
}

QString CScanListCtrl::OnGetItemText(int nItem, int nSubItem) const {
    if (m_pDocument == nullptr || nItem < 0 ||
        uint32_t(nItem) >= listRowCount(*m_pDocument, m_list))
        return {};
    return QString::fromStdString(listCellText(*m_pDocument, m_list, uint32_t(nItem), nSubItem));
}

int CScanListCtrl::OnGetItemImage(int nItem, int nSubItem) const {
    if (m_pDocument == nullptr || nItem < 0)
        return -1;
    return listCellImage(*m_pDocument, m_list, uint32_t(nItem), nSubItem);
}

// ------------------------------------------------------------------ widest texts

void CScanListCtrl::ForgetWidestTexts() {
    m_arrWidest.clear();
    // The fonts may have changed since; they are cheap to measure again.
    m_arrMeasures.clear();
}

CKVLTTextWidth& CScanListCtrl::Measure(int nColumn) const {
    if (m_arrMeasures.size() <= size_t(nColumn))
        m_arrMeasures.resize(size_t(nColumn) + 1);
    std::unique_ptr<CKVLTTextWidth>& measure = m_arrMeasures[size_t(nColumn)];
    if (!measure)
        measure = std::make_unique<CKVLTTextWidth>(ColumnDrawFont(nColumn));
    return *measure;
}

void CScanListCtrl::RowChanged(int nItem) {
    for (size_t column = 0; column < m_arrWidest.size(); ++column) {
        Widest& widest = m_arrWidest[column];
        if (!widest.known)
            continue;
        QString text = GetItemText(nItem, int(column));
        if (const qreal width = Measure(int(column))(text); width > widest.width) {
            widest.text = std::move(text);
            widest.width = width;
        }
    }
}

QString CScanListCtrl::OnGetWidestItemText(int nColumn) const {
    const int columns = listColumnCount(m_list);
    if (m_pDocument == nullptr || nColumn < 0 || nColumn >= columns)
        return {};
    if (m_arrWidest.empty() || !m_arrWidest[size_t(nColumn)].known) {
        // Every column in one walk over the document: Ctrl+0 asks for all.
        std::vector<TextMeasure> measures;
        for (int column = 0; column < columns; ++column) {
            CKVLTTextWidth& measure = Measure(column);
            measures.push_back(
                [&measure](std::string_view text) { return double(measure.Utf8(text)); });
        }
        const std::vector<std::string> texts = listWidestTexts(*m_pDocument, m_list, measures);
        m_arrWidest.assign(size_t(columns), Widest{});
        for (int column = 0; column < columns; ++column) {
            Widest& widest = m_arrWidest[size_t(column)];
            widest.text = QString::fromStdString(texts[size_t(column)]);
            widest.width = Measure(column)(widest.text);
            widest.known = true;
        }
    }
    return m_arrWidest[size_t(nColumn)].text;
}
