// The column header of the list control and the small model that feeds it
// the column titles and alignments. The header never sorts.
#pragma once

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QList>
#include <QVector>

class CKVLTFilterRow;

// Columns of a list: titles and alignments, no rows. The header view reads
// them through the ordinary model interface.
class KVLTColumnModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value,
                       int role) override;

    // Inserts a column before `column` (appends when past the end); returns its index.
    int insertColumn(int column, const QString& title, Qt::Alignment alignment);
    bool removeColumn(int column);
    QString title(int column) const;
    Qt::Alignment alignment(int column) const;

  private:
    struct Column {
        QString title;
        Qt::Alignment alignment;
    };
    QList<Column> m_columns;
};

class CKVLTHeaderCtrl final : public QHeaderView {
    Q_OBJECT
  public:
    explicit CKVLTHeaderCtrl(QWidget* parent = nullptr);

    int m_nHitColumn = -1;         // column under the last left-button press, -1 none
    QVector<int> m_arrColumnOrder; // buffer for reading and writing the column order

    // The logical column shown at each position, left to right.
    const QVector<int>& ReadColumnOrder();

    // The filter row under the titles (off until switched on). Each column
    // has its filter text whether the row shows or not.
    CKVLTFilterRow* FilterRow() const { return m_pFilterRow; }
    void SetFilterBar(bool bOn);
    bool HasFilterBar() const;

    void setModel(QAbstractItemModel* model) override;
    QSize sizeHint() const override;

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;

  private:
    CKVLTFilterRow* m_pFilterRow = nullptr;
};
