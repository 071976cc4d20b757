#include "kvltfilterrow.h"

#include "kvltlistctrl.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

#include <algorithm>

namespace {
constexpr int kButtonWidth = 16;
} // namespace

CKVLTFilterRow::CKVLTFilterRow(QHeaderView* header) : QObject(header), m_pHeader(header) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(kDefaultChangeTimeout);
    connect(&m_timer, &QTimer::timeout, this, &CKVLTFilterRow::ReportPending);
    connect(header, &QHeaderView::sectionResized, this, &CKVLTFilterRow::Layout);
    connect(header, &QHeaderView::sectionMoved, this, &CKVLTFilterRow::Layout);
    connect(header, &QHeaderView::geometriesChanged, this, &CKVLTFilterRow::Layout);
    header->installEventFilter(this);
}

void CKVLTFilterRow::AttachModel(QAbstractItemModel* model) {
    if (m_pModel)
        disconnect(m_pModel, nullptr, this, nullptr);
    RemoveFields(0, int(m_arrFields.size()) - 1);
    m_pModel = model;
    if (!model)
        return;
    connect(model, &QAbstractItemModel::columnsInserted, this,
            [this](const QModelIndex&, int first, int last) { InsertFields(first, last); });
    connect(model, &QAbstractItemModel::columnsRemoved, this,
            [this](const QModelIndex&, int first, int last) { RemoveFields(first, last); });
    InsertFields(0, model->columnCount() - 1);
}

void CKVLTFilterRow::InsertFields(int first, int last) {
    for (int column = first; column <= last; ++column) {
        Field field;
        field.edit = new QLineEdit(m_pHeader->viewport());
        field.edit->setMaxLength(kMaxFilterText);
        field.edit->setClearButtonEnabled(false);
        field.edit->installEventFilter(this);
        field.edit->hide();
        connect(field.edit, &QLineEdit::textEdited, this, [this, edit = field.edit] {
            m_setPending.insert(ColumnOf(edit));
            m_timer.start();
        });
        connect(field.edit, &QLineEdit::editingFinished, this,
                [this, edit = field.edit] { Report(ColumnOf(edit)); });
        field.button = new QToolButton(m_pHeader->viewport());
        field.button->setArrowType(Qt::DownArrow);
        field.button->setAutoRaise(true);
        field.button->setFocusPolicy(Qt::NoFocus);
        field.button->hide();
        connect(field.button, &QToolButton::clicked, this, [this, button = field.button] {
            emit buttonClicked(ColumnOf(button),
                               QRect(button->mapToGlobal(QPoint(0, 0)), button->size()));
        });
        m_arrFields.insert(std::clamp(column, 0, int(m_arrFields.size())), field);
    }
    // Columns after the inserted ones moved up; their pending reports too.
    m_setPending.clear();
    Layout();
}

void CKVLTFilterRow::RemoveFields(int first, int last) {
    for (int column = std::min(last, int(m_arrFields.size()) - 1); column >= first && column >= 0;
         --column) {
        delete m_arrFields[column].edit;
        delete m_arrFields[column].button;
        m_arrFields.removeAt(column);
    }
    m_setPending.clear();
    Layout();
}

int CKVLTFilterRow::ColumnOf(const QObject* widget) const {
    for (int column = 0; column < m_arrFields.size(); ++column)
        if (m_arrFields[column].edit == widget || m_arrFields[column].button == widget)
            return column;
    return -1;
}

void CKVLTFilterRow::SetVisible(bool bVisible) {
    m_bVisible = bVisible;
    Layout();
}

int CKVLTFilterRow::Height() const {
    if (!m_bVisible)
        return 0;
    if (m_nRowHeight == 0) {
        // The height of a line edit in the header's font.
        QLineEdit probe;
        probe.setFont(m_pHeader->font());
        m_nRowHeight = probe.sizeHint().height() + 2;
    }
    return m_nRowHeight;
}

QLineEdit* CKVLTFilterRow::Edit(int nColumn) const {
    return nColumn >= 0 && nColumn < m_arrFields.size() ? m_arrFields[nColumn].edit : nullptr;
}

QToolButton* CKVLTFilterRow::Button(int nColumn) const {
    return nColumn >= 0 && nColumn < m_arrFields.size() ? m_arrFields[nColumn].button : nullptr;
}

QString CKVLTFilterRow::Text(int nColumn) const {
    const QLineEdit* edit = Edit(nColumn);
    return edit ? edit->text().left(kMaxReportedText) : QString();
}

bool CKVLTFilterRow::SetText(int nColumn, const QString& strText) {
    QLineEdit* edit = Edit(nColumn);
    if (!edit)
        return false;
    edit->setText(strText.left(kMaxFilterText));
    m_arrFields[nColumn].reported = edit->text();
    m_setPending.remove(nColumn);
    emit changed(nColumn);
    return true;
}

void CKVLTFilterRow::ClearAll() {
    m_setPending.clear();
    m_timer.stop();
    for (Field& field : m_arrFields) {
        field.edit->clear();
        field.reported.clear();
    }
}

void CKVLTFilterRow::Report(int nColumn) {
    if (nColumn < 0 || nColumn >= m_arrFields.size())
        return;
    m_setPending.remove(nColumn);
    Field& field = m_arrFields[nColumn];
    if (field.edit->text() == field.reported)
        return;
    field.reported = field.edit->text();
    emit changed(nColumn);
}

void CKVLTFilterRow::ReportPending() {
    const QList<int> columns = m_setPending.values();
    for (int column : columns)
        Report(column);
}

void CKVLTFilterRow::Layout() {
    const int height = Height();
    const int top = m_pHeader->height() - height;
    for (int column = 0; column < m_arrFields.size(); ++column) {
        const Field& field = m_arrFields[column];
        const int x = m_pHeader->sectionViewportPosition(column);
        const int width = m_pHeader->sectionSize(column);
        const bool shown = m_bVisible && !m_pHeader->isSectionHidden(column) && width >= 8;
        const bool button = shown && hasButton && hasButton(column) && width >= 3 * kButtonWidth;
        if (shown)
            field.edit->setGeometry(x + 1, top + 1, width - 2 - (button ? kButtonWidth : 0),
                                    height - 2);
        field.edit->setVisible(shown);
        if (button)
            field.button->setGeometry(x + width - 1 - kButtonWidth, top + 1, kButtonWidth,
                                      height - 2);
        field.button->setVisible(button);
    }
}

bool CKVLTFilterRow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_pHeader) {
        if (event->type() == QEvent::FontChange)
            m_nRowHeight = 0;
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show ||
            event->type() == QEvent::FontChange)
            Layout();
        return false;
    }
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        CKVLTListCtrl::IsFilterCommandKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        if (event->type() == QEvent::KeyPress) {
            Report(ColumnOf(watched)); // the list works on the filter as typed
            emit commandKey(char(static_cast<QKeyEvent*>(event)->key()));
        }
        return true;
    }
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // Escape takes back what was typed since the last report.
        const int column = ColumnOf(watched);
        if (column >= 0 && m_arrFields[column].edit->text() != m_arrFields[column].reported) {
            m_setPending.remove(column);
            m_arrFields[column].edit->setText(m_arrFields[column].reported);
            return true;
        }
    }
    return false;
}
