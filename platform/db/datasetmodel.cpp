#include "platform/db/datasetmodel.h"

#include "platform/error.h"

namespace kv {

DataSetModel::DataSetModel(QObject *parent) : QAbstractTableModel(parent), m_link(this) {}

DataSetModel::~DataSetModel()
{
    m_link.SetDataSet(nullptr);
}

void DataSetModel::SetDataSet(DataSet *ds) { m_link.SetDataSet(ds); }
void DataSetModel::SetDataSource(DataSource *src) { m_link.SetDataSource(src); }

void DataSetModel::rebuildColumns()
{
    m_columns.clear();
    DataSet *ds = m_link.GetDataSet();
    if (!ds) return;
    for (Field *f : ds->FieldList())
        if (f->Visible()) m_columns << f;
}

void DataSetModel::reset()
{
    beginResetModel();
    rebuildColumns();
    DataSet *ds = m_link.GetDataSet();
    m_rows = ds && ds->Active() ? ds->ViewRowCount() : 0;
    endResetModel();
    emit currentRowChanged(currentRow());
}

void DataSetModel::scrolled()
{
    emit currentRowChanged(currentRow());
}

void DataSetModel::recordChanged(Field *f)
{
    const int row = currentRow();
    if (row < 0 || row >= m_rows) return;
    const int col = f ? columnOf(f) : -1;
    if (f && col < 0) return;
    emit dataChanged(index(row, f ? col : 0), index(row, f ? col : std::max(0, int(m_columns.size()) - 1)));
}

void DataSetModel::editing()
{
    DataSet *ds = m_link.GetDataSet();
    const bool e = ds && (ds->State() == DataSetState::Edit || ds->State() == DataSetState::Insert);
    if (ds && ds->Active() && ds->ViewRowCount() != m_rows) reset();
    emit editingChanged(e);
}

Field *DataSetModel::fieldAt(int column) const
{
    return column >= 0 && column < m_columns.size() ? m_columns[column] : nullptr;
}

int DataSetModel::columnOf(const Field *f) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i] == f) return i;
    return -1;
}

int DataSetModel::currentRow() const
{
    DataSet *ds = m_link.GetDataSet();
    return ds && ds->Active() ? ds->ViewCurrentRow() : -1;
}

int DataSetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int DataSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant DataSetModel::data(const QModelIndex &index, int role) const
{
    DataSet *ds = m_link.GetDataSet();
    Field *f = fieldAt(index.column());
    if (!ds || !ds->Active() || !f || index.row() < 0 || index.row() >= ds->ViewRowCount()) return QVariant();
    switch (role) {
    case Qt::DisplayRole: {
        QString t;
        try {
            ds->WithViewRow(index.row(), [&]() { t = f->DisplayText(); });
        } catch (const Error &) {
            // A row that cannot be read paints empty; painting must not throw.
        }
        return t;
    }
    case Qt::EditRole: {
        QString t;
        try {
            ds->WithViewRow(index.row(), [&]() { t = f->Text(); });
        } catch (const Error &) {
            // As above: the editor starts empty.
        }
        return t;
    }
    case Qt::TextAlignmentRole:
        return QVariant(int(f->Alignment() | Qt::AlignVCenter));
    default:
        return QVariant();
    }
}

QVariant DataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return QVariant();
    Field *f = fieldAt(section);
    return f ? QVariant(f->DisplayLabel()) : QVariant();
}

Qt::ItemFlags DataSetModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags fl = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    Field *f = fieldAt(index.column());
    if (f && f->CanModify()) fl |= Qt::ItemIsEditable;
    return fl;
}

bool DataSetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    DataSet *ds = m_link.GetDataSet();
    Field *f = fieldAt(index.column());
    if (role != Qt::EditRole || !ds || !f) return false;
    m_lastError.clear();
    try {
        if (index.row() != ds->ViewCurrentRow()) {
            ds->CheckBrowseMode();
            ds->SetRecNo(index.row() + 1);
        }
        if (ds->State() != DataSetState::Edit && ds->State() != DataSetState::Insert) ds->Edit();
        f->SetText(value.toString());
        return true;
    } catch (const Error &e) {
        m_lastError = e.message();
        return false;
    }
}

} // namespace kv
