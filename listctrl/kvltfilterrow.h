// The filter row of the list's column header: one line edit per column under
// the titles, following the columns as they are resized, moved and
// scrolled, with a preset button at the right of the fields of columns that
// have presets.
//
// A change typed into a field is reported once typing pauses, or at once on
// Enter or when the field loses the focus; Escape puts back the text last
// reported. Texts set by the program are reported at once. The list's filter
// commands (Ctrl+K, Ctrl+L, Ctrl+Y, Ctrl+F) are not the field's: the change
// typed so far is reported first, then the key goes to the list.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QVector>

#include <functional>

class QAbstractItemModel;
class QHeaderView;
class QLineEdit;
class QToolButton;

class CKVLTFilterRow final : public QObject {
    Q_OBJECT
  public:
    // The platform's filter buffer: 1024 characters with the terminator, of
    // which a change report reads at most 1022.
    static constexpr int kMaxFilterText = 1023;
    static constexpr int kMaxReportedText = 1022;
    static constexpr int kDefaultChangeTimeout = 500; // milliseconds

    explicit CKVLTFilterRow(QHeaderView* header);

    // One field per column of the model, kept so as columns come and go.
    void AttachModel(QAbstractItemModel* model);

    void SetVisible(bool bVisible);
    bool IsVisible() const { return m_bVisible; }
    // The row's height; 0 while it is hidden.
    int Height() const;

    // The field's text, at most 1022 characters; empty for no such column.
    QString Text(int nColumn) const;
    // Puts the text into the field and reports the change; false for no such column.
    bool SetText(int nColumn, const QString& strText);
    // Empties every field without reporting.
    void ClearAll();
    void SetChangeTimeout(int nMilliseconds) { m_timer.setInterval(nMilliseconds); }

    QLineEdit* Edit(int nColumn) const;
    QToolButton* Button(int nColumn) const;

    // Places the fields under their columns; shows a column's button when
    // hasButton answers true for it.
    void Layout();
    std::function<bool(int column)> hasButton;

  signals:
    void changed(int column);
    void buttonClicked(int column, const QRect& globalButtonRect);
    // A filter command key (its letter) was pressed in a field.
    void commandKey(char key);

  private:
    struct Field {
        QLineEdit* edit = nullptr;
        QToolButton* button = nullptr;
        QString reported; // the text last reported
    };
    void InsertFields(int first, int last);
    void RemoveFields(int first, int last);
    void Report(int nColumn);
    void ReportPending();
    int ColumnOf(const QObject* widget) const;
    bool eventFilter(QObject* watched, QEvent* event) override;

    QHeaderView* m_pHeader;
    QPointer<QAbstractItemModel> m_pModel;
    QVector<Field> m_arrFields;
    QSet<int> m_setPending;
    QTimer m_timer;
    bool m_bVisible = false;
    mutable int m_nRowHeight = 0; // 0: not measured yet
};
