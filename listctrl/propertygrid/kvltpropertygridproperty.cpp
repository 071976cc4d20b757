#include "kvltpropertygridproperty.h"

#include "kvltpropertygridctrl.h"

#include <QComboBox>
#include <QIntValidator>
#include <QLineEdit>
#include <QPainter>
#include <QRegularExpressionValidator>

#include <algorithm>

// ---------------------------------------------------------------------------
// Construction and tree
// ---------------------------------------------------------------------------

CKVLTPropertyGridProperty::CKVLTPropertyGridProperty(const QString& strName,
                                                     const QVariant& varValue,
                                                     const QString& strDescription)
    : m_strName(strName), m_strDescription(strDescription), m_varValue(varValue),
      m_varValueOrig(varValue), m_varPrevious(varValue), m_nValueType(varValue.typeId()) {}

CKVLTPropertyGridProperty::CKVLTPropertyGridProperty(const QString& strGroupName)
    : m_strName(strGroupName), m_bGroup(true), m_bAllowEdit(false) {}

CKVLTPropertyGridProperty::~CKVLTPropertyGridProperty() {
    for (CKVLTPropertyGridProperty* sub : m_lstSubItems)
        delete sub;
}

bool CKVLTPropertyGridProperty::AddSubItem(CKVLTPropertyGridProperty* pProp) {
    if (pProp == nullptr || pProp == this || pProp->m_pParent != nullptr ||
        pProp->m_pWndList != nullptr)
        return false;
    pProp->m_pParent = this;
    pProp->SetGrid(m_pWndList);
    m_lstSubItems.push_back(pProp);
    if (m_pWndList)
        m_pWndList->UpdateProperty(this);
    return true;
}

int CKVLTPropertyGridProperty::IndexInParent() const {
    if (m_pParent) {
        const auto& siblings = m_pParent->m_lstSubItems;
        return int(std::find(siblings.begin(), siblings.end(), this) - siblings.begin());
    }
    if (m_pWndList) {
        const auto& top = m_pWndList->m_lstProps;
        return int(std::find(top.begin(), top.end(), this) - top.begin());
    }
    return -1;
}

void CKVLTPropertyGridProperty::SetGrid(CKVLTPropertyGridCtrl* pGrid) {
    m_pWndList = pGrid;
    for (CKVLTPropertyGridProperty* sub : m_lstSubItems)
        sub->SetGrid(pGrid);
}

void CKVLTPropertyGridProperty::Show(bool bShow, bool bAdjustLayout) {
    m_bVisible = bShow;
    for (CKVLTPropertyGridProperty* sub : m_lstSubItems)
        sub->Show(bShow, false);
    if (bAdjustLayout && m_pWndList)
        m_pWndList->AdjustLayout();
}

void CKVLTPropertyGridProperty::AddDependent(CKVLTPropertyGridProperty* pProp) {
    if (pProp && pProp != this && !m_arrDependents.contains(pProp))
        m_arrDependents.append(pProp);
}

// ---------------------------------------------------------------------------
// Value
// ---------------------------------------------------------------------------

void CKVLTPropertyGridProperty::SetValue(const QVariant& varValue) {
    m_varValue = varValue;
    if (m_pWndList)
        m_pWndList->UpdateProperty(this);
}

QString CKVLTPropertyGridProperty::FormatProperty() const {
    if (m_bGroup)
        return {};
    if (!m_varValue.isValid())
        return {};
    if (IsBool())
        return m_varValue.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return m_varValue.toString();
}

bool CKVLTPropertyGridProperty::TextToVar(const QString& strText) {
    bool ok = true;
    QVariant value;
    switch (m_nValueType) {
    case QMetaType::Bool:
        if (strText == QLatin1String("True"))
            value = true;
        else if (strText == QLatin1String("False"))
            value = false;
        else
            ok = false;
        break;
    case QMetaType::Int:
        value = strText.trimmed().toInt(&ok);
        break;
    case QMetaType::UInt:
        value = strText.trimmed().toUInt(&ok);
        break;
    case QMetaType::LongLong:
        value = strText.trimmed().toLongLong(&ok);
        break;
    case QMetaType::ULongLong:
        value = strText.trimmed().toULongLong(&ok);
        break;
    case QMetaType::Double:
        value = strText.trimmed().toDouble(&ok);
        break;
    default:
        value = strText;
        break;
    }
    // An emptied number becomes an empty value (its type is remembered), so
    // that "required" can see it.
    if (!ok && strText.trimmed().isEmpty() && !IsBool()) {
        value = QVariant();
        ok = true;
    }
    if (!ok)
        return false;
    m_varValue = value;
    return true;
}

// ---------------------------------------------------------------------------
// Drawing and editing
// ---------------------------------------------------------------------------

void CKVLTPropertyGridProperty::OnDrawValue(QPainter* pDC, const QRect& rect) const {
    pDC->save();
    pDC->setBrush(m_clrBack);
    pDC->drawRect(rect.adjusted(0, 0, -1, -1));
    pDC->setPen(m_bEnabled ? m_clrText : QColor(Qt::gray));
    const QRect textRect = rect.adjusted(5, 0, -2, 0);
    const QString text =
        pDC->fontMetrics().elidedText(FormatProperty(), Qt::ElideRight, textRect.width());
    pDC->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    pDC->restore();
}

QWidget* CKVLTPropertyGridProperty::CreateInPlaceEdit(QWidget* pParent, const QRect& rect,
                                                      bool& bDefaultFormat) {
    bDefaultFormat = true;
    QWidget* editor = nullptr;
    if (m_dwEditStyle != 0) {
        auto* edit = new QLineEdit(pParent);
        edit->setProperty("controlId", kPropertyEditControlId);
        if (m_dwEditStyle & KVLT_ES_RIGHT)
            edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        else if (m_dwEditStyle & KVLT_ES_CENTER)
            edit->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        if (m_dwEditStyle & KVLT_ES_PASSWORD)
            edit->setEchoMode(QLineEdit::Password);
        if (m_dwEditStyle & KVLT_ES_READONLY)
            edit->setReadOnly(true);
        if (m_dwEditStyle & KVLT_ES_NUMBER)
            edit->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[0-9]*")), edit));
        if (m_dwEditStyle & (KVLT_ES_UPPERCASE | KVLT_ES_LOWERCASE)) {
            const bool upper = m_dwEditStyle & KVLT_ES_UPPERCASE;
            QObject::connect(edit, &QLineEdit::textEdited, edit,
                             [edit, upper](const QString& text) {
                                 const QString cased = upper ? text.toUpper() : text.toLower();
                                 if (cased != text) {
                                     const int pos = edit->cursorPosition();
                                     edit->setText(cased);
                                     edit->setCursorPosition(pos);
                                 }
                             });
        }
        editor = edit;
    } else if (IsBool()) {
        auto* combo = new QComboBox(pParent);
        combo->addItems({QStringLiteral("True"), QStringLiteral("False")});
        editor = combo;
    } else {
        auto* edit = new QLineEdit(pParent);
        edit->setFrame(false);
        editor = edit;
    }
    if (auto* edit = qobject_cast<QLineEdit*>(editor); edit && m_nMaxLength != INT_MAX)
        edit->setMaxLength(std::max(0, m_nMaxLength));
    editor->setGeometry(rect);
    return editor;
}
