#include "platform/db/schema.h"

#include "platform/error.h"
#include "platform/text.h"

#include <QDir>
#include <QFileInfo>

namespace kv {

namespace {

// Whole millimetres and quantities are floating-point columns in the stock
// tables; names hold up to 35 characters like the materials' names.
DbfField flt(const char *name) { return {QString::fromLatin1(name), 'F', 20, 4}; }
DbfField num(const char *name, int width) { return {QString::fromLatin1(name), 'N', width, 0}; }
DbfField chr(const char *name, int width) { return {QString::fromLatin1(name), 'C', width, 0}; }

QList<TableSchema> build()
{
    const QList<DbfField> materials = {chr("MATERIAL", 35), num("CODE", 10)};
    const QList<DbfField> parts = {chr("NAME", 100), num("LENGTH", 10), num("WIDTH", 10), num("MANY", 10),
                                   num("ROTATE", 6), num("LBORDER", 6), num("RBORDER", 6), num("TBORDER", 6),
                                   num("BBORDER", 6), num("MATERIAL", 10)};
    return {
        {QStringLiteral("Sheets.dbf"), {flt("LENGTH"), flt("WIDTH"), flt("MANY"), flt("CODE")}},
        {QStringLiteral("Scraps.dbf"),
         {chr("NAME", 20), flt("LENGTH"), flt("WIDTH"), flt("MANY"), flt("CODE"), {QStringLiteral("DATE"), 'D', 8, 0}}},
        {QStringLiteral("Types.dbf"), materials},
        {QStringLiteral("Materials.dbf"), materials},
        {QStringLiteral("Borders.dbf"), {num("CODE", 6), chr("NAME", 20), flt("COLOR"), flt("PRIPUSK")}},
        {QStringLiteral("Quantity.dbf"), {flt("MATERIAL"), chr("NAME", 35), flt("QUANTITY")}},
        {QStringLiteral("Group.dbf"), parts},
    };
}

} // namespace

const QList<TableSchema> &tableSchemas()
{
    static const QList<TableSchema> all = build();
    return all;
}

const TableSchema *findTableSchema(const QString &fileName)
{
    for (const TableSchema &s : tableSchemas())
        if (sameText(s.fileName, fileName)) return &s;
    return nullptr;
}

QStringList writeMissingTemplates(const QString &patternFolder)
{
    QString folder = patternFolder;
    folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!QDir().mkpath(folder))
        throw Error(QStringLiteral("Не удаётся создать папку \"%1\".").arg(QDir::toNativeSeparators(folder)));
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    QStringList written;
    for (const TableSchema &s : tableSchemas()) {
        const QString path = resolvePath(folder + s.fileName);
        if (QFileInfo::exists(path)) continue;
        DbfFile::create(folder + s.fileName, s.fields);
        written << s.fileName;
    }
    return written;
}

} // namespace kv
