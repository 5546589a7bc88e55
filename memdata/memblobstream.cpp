#include "memdata/memdata.h"

#include "platform/error.h"
#include "platform/text.h"

#include <cstring>

using namespace kv;

namespace {
const QString kFieldReadOnly = QStringLiteral("Поле '%1' не может быть изменено");
const QString kNotEditing = QStringLiteral("Набор данных (Dataset) не в режиме редактирования или вставки");
}

TMemBlobStream::TMemBlobStream(Field *field, QIODevice::OpenMode mode)
    : m_field(field), m_ds(field->GetDataSet())
{
    setObjectName(QStringLiteral("TMemBlobStream"));
    if (!m_ds) return;
    const DataSetState st = m_ds->State();
    const bool hasBuffer = (st == DataSetState::Browse && !m_ds->IsEmpty())
                        || st == DataSetState::Edit || st == DataSetState::Insert
                        || st == DataSetState::CalcFields;
    if (!hasBuffer) return;      // stays closed: reads and writes do nothing
    const bool writing = mode & QIODevice::WriteOnly;
    if (writing) {
        if (m_field->ReadOnly()) throw Error(kFieldReadOnly.arg(m_field->DisplayLabel()));
        if (st != DataSetState::Edit && st != DataSetState::Insert) throw Error(kNotEditing);
    }
    open(mode | QIODevice::Unbuffered);
    if (writing && !(mode & QIODevice::ReadOnly) && !(mode & QIODevice::Append)) {
        setValue(QByteArray());
        m_modified = true;
    }
}

TMemBlobStream::~TMemBlobStream()
{
    if (isOpen()) close();
}

QByteArray TMemBlobStream::value() const
{
    const QVariant v = m_field->Value();
    if (v.typeId() == QMetaType::QByteArray) return v.toByteArray();
    return toCp1251(v.toString());
}

void TMemBlobStream::setValue(const QByteArray &b)
{
    if (isMemoType(m_field->DataType())) m_field->SetValue(b.isEmpty() ? QVariant() : QVariant(fromCp1251(b)));
    else m_field->SetValue(b.isEmpty() ? QVariant() : QVariant(b));
}

qint64 TMemBlobStream::size() const
{
    return isOpen() ? value().size() : 0;
}

qint64 TMemBlobStream::Seek(qint64 offset, int origin)
{
    qint64 base = 0;
    if (origin == 1) base = pos();
    else if (origin == 2) base = size();
    seek(std::max<qint64>(0, base + offset));
    return pos();
}

qint64 TMemBlobStream::readData(char *data, qint64 maxSize)
{
    const QByteArray b = value();
    const qint64 at = pos();
    const qint64 n = std::max<qint64>(0, std::min<qint64>(maxSize, b.size() - at));
    if (n > 0) std::memcpy(data, b.constData() + at, size_t(n));
    return n;
}

qint64 TMemBlobStream::writeData(const char *data, qint64 maxSize)
{
    if (maxSize <= 0) return 0;
    QByteArray b = value();
    const qint64 at = pos();
    if (b.size() < at + maxSize) b.resize(qsizetype(at + maxSize), '\0');
    std::memcpy(b.data() + at, data, size_t(maxSize));
    setValue(b);
    m_modified = true;
    return maxSize;
}
