#pragma once
// A table model over any data set, for grids and lists. Columns are the
// visible fields in field order; rows are the data set's view rows (a row
// being inserted included). Editing a cell moves the data set to its row and
// puts it into edit mode; posting is left to the grid (leaving the row).
#include "platform/db/dataset.h"

#include <QAbstractTableModel>
#include <QString>

namespace kv {

class DataSetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit DataSetModel(QObject *parent = nullptr);
    ~DataSetModel() override;

    void SetDataSet(DataSet *ds);
    void SetDataSource(DataSource *src);
    DataSet *GetDataSet() const { return m_link.GetDataSet(); }

    Field *fieldAt(int column) const;     // null when out of range
    int columnOf(const Field *f) const;   // -1 when not shown
    int currentRow() const;
    // Message of the last failed setData (shown by the grid).
    QString lastError() const { return m_lastError; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

signals:
    void currentRowChanged(int row);
    void editingChanged(bool editing);

private:
    class Link : public DataLink
    {
    public:
        explicit Link(DataSetModel *m) : m_model(m) {}
        void ActiveChanged() override { m_model->reset(); }
        void LayoutChanged() override { m_model->reset(); }
        void DataSetChanged() override { m_model->reset(); }
        void DataSetScrolled(int) override { m_model->scrolled(); }
        void RecordChanged(Field *f) override { m_model->recordChanged(f); }
        void EditingChanged() override { m_model->editing(); }

    private:
        DataSetModel *m_model;
    };
    void reset();
    void scrolled();
    void recordChanged(Field *f);
    void editing();
    void rebuildColumns();

    Link m_link;
    QList<Field *> m_columns;
    int m_rows = 0;
    QString m_lastError;
};

} // namespace kv
