#pragma once
// The stored "Data" stream of an in-memory table: an optional "Ver" prefix with
// a version number, the field descriptors, then the records until the end.
// Every length and count is checked against the bytes that remain, so a broken
// stream is refused as a whole and nothing half-read reaches the table.
#include "memdata/memvalue.h"

#include <QByteArray>
#include <QString>
#include <QVector>

namespace kv {

// A field of the table that the stream is read into or written from.
struct MemStreamField {
    QString name;
    MemFieldType type = MemFieldType::Unknown;
    int size = 0;                    // characters of a string field
};

struct MemStoredDescriptor {
    qint32 size = 0;                 // stored size S
    quint16 code = 0;                // type code T
    QString name;
    int target = -1;                 // index of the matching MemStreamField, -1 for none
};

struct MemStoredData {
    double version = 0;
    QVector<MemStoredDescriptor> descriptors;
    // One row per record, one value per MemStreamField in its stored form
    // (QByteArray for blob fields); invalid when absent or not in the stream.
    QVector<QVector<QVariant>> rows;
};

// The message of a stream that cannot be read.
QString memDataIncorrectText();

// Reads a whole stream; throws kv::Error(memDataIncorrectText()) when it is broken.
MemStoredData readMemStoredData(const QByteArray &bytes, const QVector<MemStreamField> &fields);
// Writes what readMemStoredData accepts: "Ver" 1.0, one descriptor per field, the rows.
QByteArray writeMemStoredData(const QVector<MemStreamField> &fields,
                              const QVector<QVector<QVariant>> &rows);

// The platform's 34-byte packed decimal, as the stream holds BCD values.
QByteArray memEncodeBcd(double value);
bool memDecodeBcd(const QByteArray &bytes, double *value);

} // namespace kv
