// Filter texts of data sets ("Code=5 and Many>0", dates, null, prefixes):
// any text is taken or refused with the system's message, never overflows
// the stack, and a refused text leaves the data set's filter and rows as
// they were.
#include "fuzz/fuzz_input.h"

#include "memdata/memdata.h"
#include "platform/db/filterexpr.h"
#include "platform/error.h"
#include "platform/text.h"

using namespace kv;

namespace {

TMemData &table()
{
    static TMemData *md = [] {
        auto *t = new TMemData;
        t->AddField(QStringLiteral("Code"), FieldType::Integer);
        t->AddField(QStringLiteral("Name"), FieldType::String, 20);
        t->AddField(QStringLiteral("Many"), FieldType::Float);
        t->AddField(QStringLiteral("Date"), FieldType::Date);
        t->AddField(QStringLiteral("Ok"), FieldType::Boolean);
        t->Open();
        const QVariantList rows[] = {
            {5, QStringLiteral("AB1"), 2.5, QDate(2024, 3, 1), true},
            {7, QStringLiteral("Лист"), 0.0, QDate(2024, 3, 15), false},
            {QVariant(), QVariant(), QVariant(), QVariant(), QVariant()},
            {-3, QStringLiteral("ab*"), -1e300, QDate(1, 1, 1), true},
        };
        const char *names[] = {"Code", "Name", "Many", "Date", "Ok"};
        for (const QVariantList &r : rows) {
            t->Append();
            for (int i = 0; i < r.size(); ++i) t->FieldByName(QLatin1String(names[i]))->SetValue(r[i]);
            t->Post();
        }
        t->SetFilter(QStringLiteral("Many>0"));
        t->SetFiltered(true);
        return t;
    }();
    return *md;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Texts reach filters from code and from files in either encoding.
    const QByteArray bytes = kvfuzz::bytesOf(data, size);
    const QString text = (size > 0 && data[0] & 1) ? QString::fromUtf8(bytes.mid(1)) : fromCp1251(bytes.mid(1));

    // The expression alone, over the values of a row.
    try {
        auto e = FilterExpr::parse(text);
        bool bound = true;
        try {
            e->bind([](const QString &name, FieldType &type) {
                static const QStringList names{"Code", "Name", "Many", "Date", "Ok"};
                static const FieldType types[] = {FieldType::Integer, FieldType::String, FieldType::Float,
                                                  FieldType::Date, FieldType::Boolean};
                for (int i = 0; i < names.size(); ++i)
                    if (sameText(names[i], name)) {
                        type = types[i];
                        return i;
                    }
                return -1;
            });
        } catch (const Error &) {
            bound = false;
        }
        if (bound) {
            const QVariantList rows[] = {
                {5, QStringLiteral("AB1"), 2.5, QDate(2024, 3, 1), true},
                {QVariant(), QVariant(), QVariant(), QVariant(), QVariant()},
                {0, QString(), 0.0, QDate(), false},
            };
            for (const QVariantList &r : rows) {
                (void)e->matches(r, false);
                (void)e->matches(r, true);
            }
        }
    } catch (const Error &e) {
        KV_FUZZ_CHECK(!e.message().isEmpty(), "a refusal says why");
    }

    // Through a data set: a refused text changes nothing.
    TMemData &md = table();
    const int before = md.RecordCount();
    try {
        md.SetFilter(text);
    } catch (const Error &) {
        KV_FUZZ_CHECK(md.Filter() == QStringLiteral("Many>0"), "a refused filter keeps the one in force");
        KV_FUZZ_CHECK(md.RecordCount() == before, "a refused filter keeps the rows");
        return 0;
    }
    KV_FUZZ_CHECK(md.RecordCount() <= md.ViewRowCount() || md.RecordCount() <= 4, "no more rows than records");
    md.SetFilter(QStringLiteral("Many>0"));
    KV_FUZZ_CHECK(md.RecordCount() == before, "the filter in force comes back");
    return 0;
}
