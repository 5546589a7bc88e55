#include "memdata/memstored.h"

#include "platform/error.h"

#include <QtEndian>
#include <gtest/gtest.h>

#include <cstring>

using namespace kv;

namespace {

QVector<MemStreamField> sampleFields()
{
    return {{QStringLiteral("Code"), MemFieldType::Integer, 0},
            {QStringLiteral("Name"), MemFieldType::String, 20},
            {QStringLiteral("Note"), MemFieldType::Memo, 0},
            {QStringLiteral("Wide"), MemFieldType::WideString, 10},
            {QStringLiteral("Price"), MemFieldType::BCD, 0},
            {QStringLiteral("Day"), MemFieldType::Date, 0},
            {QStringLiteral("Ok"), MemFieldType::Boolean, 0}};
}

QVector<QVector<QVariant>> sampleRows()
{
    return {{7, QStringLiteral("Лист ДСП"), QByteArray("note"), QStringLiteral("Ωmega"), 12.5,
             memDayNumber(QDate(2024, 3, 1)), true},
            {QVariant(), QVariant(), QVariant(), QVariant(), -0.0001, QVariant(), false}};
}

void put32(QByteArray &b, qint32 v) { char x[4]; qToLittleEndian(v, x); b.append(x, 4); }
void put16(QByteArray &b, quint16 v) { char x[2]; qToLittleEndian(v, x); b.append(x, 2); }
void putDesc(QByteArray &b, qint32 size, quint16 code, const QByteArray &name)
{
    put32(b, size);
    put16(b, code);
    put16(b, quint16(name.size()));
    b.append(name);
}

} // namespace

TEST(MemStored, RoundTripWithVersion)
{
    const QByteArray bytes = writeMemStoredData(sampleFields(), sampleRows());
    ASSERT_TRUE(bytes.startsWith("Ver"));
    const MemStoredData d = readMemStoredData(bytes, sampleFields());
    EXPECT_DOUBLE_EQ(d.version, 1.0);
    ASSERT_EQ(d.descriptors.size(), 7);
    EXPECT_EQ(d.rows, sampleRows());
}

TEST(MemStored, GoldenBytesOfASmallTable)
{
    const QVector<MemStreamField> f{{QStringLiteral("Code"), MemFieldType::Integer, 0},
                                    {QStringLiteral("Name"), MemFieldType::String, 4}};
    const QByteArray bytes = writeMemStoredData(f, {{5, QStringLiteral("Ab")}, {QVariant(), QVariant()}});
    EXPECT_EQ(bytes.toHex(' '),
              QByteArray("56 65 72 00 00 00 00 00 00 f0 3f "      // "Ver" 1.0
                         "02 00 00 00 "                            // two fields
                         "04 00 00 00 03 00 04 00 43 6f 64 65 "    // Code: 4 bytes, integer
                         "05 00 00 00 01 00 04 00 4e 61 6d 65 "    // Name: 5 bytes, string
                         "01 05 00 00 00 03 00 00 00 41 62 00 "    // 5, "Ab"
                         "00 00 00 00 00 00 00 00 00"));           // null, null
}

TEST(MemStored, WithoutVersionFixedValuesHaveNoPresenceByte)
{
    QByteArray b;
    put32(b, 2);
    putDesc(b, 4, 3, "Code");
    putDesc(b, 21, 1, "Name");
    put32(b, 9);                      // Code = 9, no presence byte
    put32(b, 4); b.append("Abc", 4);  // Name = "Abc"
    const MemStoredData d = readMemStoredData(b, sampleFields());
    EXPECT_EQ(d.version, 0.0);
    ASSERT_EQ(d.rows.size(), 1);
    EXPECT_EQ(d.rows[0][0], QVariant(9));
    EXPECT_EQ(d.rows[0][1], QVariant(QStringLiteral("Abc")));
}

TEST(MemStored, UnknownDescriptorsAreSkippedByTheirLayout)
{
    QByteArray b("Ver");
    const double one = 1.0;
    quint64 u; std::memcpy(&u, &one, 8);
    char x[8]; qToLittleEndian(u, x); b.append(x, 8);
    put32(b, 3);
    putDesc(b, 22, 20, "OldWide");    // wide string of no field
    putDesc(b, 8, 6, "OldFloat");     // float of no field
    putDesc(b, 4, 3, "Code");
    // Record: wide string of 3 characters + terminator (flag 1, 8 bytes).
    put32(b, 4); b.append('\1'); b.append(QByteArray("x\0y\0z\0\0\0", 8));
    b.append('\1'); b.append(QByteArray(8, '\x11'));
    b.append('\1'); put32(b, 77);
    // Second record: wide string absent (flag 0, no characters).
    put32(b, 0); b.append('\0');
    b.append('\0'); b.append(QByteArray(8, '\0'));
    b.append('\1'); put32(b, 78);
    const MemStoredData d = readMemStoredData(b, sampleFields());
    ASSERT_EQ(d.rows.size(), 2);
    EXPECT_EQ(d.rows[0][0], QVariant(77));
    EXPECT_EQ(d.rows[1][0], QVariant(78));
}

TEST(MemStored, EveryTruncationIsRefused)
{
    const QByteArray bytes = writeMemStoredData(sampleFields(), sampleRows());
    // Cutting at a record boundary leaves a readable stream; anywhere else not.
    const QByteArray oneRow = writeMemStoredData(sampleFields(), {sampleRows()[0]});
    const QByteArray header = writeMemStoredData(sampleFields(), {});
    for (int len = 1; len < bytes.size(); ++len) {
        const QByteArray cut = bytes.left(len);
        if (len == header.size() || len == oneRow.size()) {
            EXPECT_NO_THROW(readMemStoredData(cut, sampleFields())) << len;
            continue;
        }
        try {
            readMemStoredData(cut, sampleFields());
            ADD_FAILURE() << "accepted a stream cut at " << len;
        } catch (const Error &e) {
            EXPECT_EQ(e.message(), QStringLiteral("The data is incorrect"));
        }
    }
}

TEST(MemStored, BrokenCountsAndLengthsAreRefused)
{
    const auto refused = [](const QByteArray &b) {
        EXPECT_THROW(readMemStoredData(b, sampleFields()), Error) << b.toHex().toStdString();
    };
    QByteArray b;
    put32(b, 1000000);                 // far more descriptors than bytes
    putDesc(b, 4, 3, "Code");
    refused(b);
    b.clear(); put32(b, -1); refused(b);
    b.clear(); put32(b, 1); putDesc(b, 4, 3, QByteArray(256, 'N')); refused(b);   // name over 255
    b.clear(); put32(b, 1); putDesc(b, 7, 3, "Code"); put32(b, 1); refused(b);    // wrong size of an integer
    b.clear(); put32(b, 1); putDesc(b, 21, 1, "Name"); put32(b, 0x7fffffff); refused(b);
    b.clear(); put32(b, 1); putDesc(b, 21, 1, "Name"); put32(b, -5); refused(b);
    b.clear(); put32(b, 1); putDesc(b, 0, 13, "Note"); put32(b, 100); b.append("short"); refused(b);
    b.clear(); put32(b, 0); b.append("junk"); refused(b);                          // records of no fields
    b.clear(); put32(b, 1); putDesc(b, 34, 8, "Price"); b.append(QByteArray(34, '\xff')); refused(b);
}

TEST(MemStored, BcdRoundTrip)
{
    for (double v : {0.0, 1.5, -12.3456, 123456789.0001, -0.0001}) {
        double back = 99;
        ASSERT_TRUE(memDecodeBcd(memEncodeBcd(v), &back)) << v;
        EXPECT_DOUBLE_EQ(back, v);
    }
}
