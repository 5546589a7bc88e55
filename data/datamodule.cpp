#include "data/datamodule.h"

#include "data/messages.h"
#include "data/paths.h"
#include "data/rowchecks.h"
#include "data/settings.h"
#include "platform/db/copytable.h"
#include "platform/db/dbffile.h"
#include "platform/db/schema.h"
#include "platform/db/tablestore.h"
#include "platform/error.h"
#include "platform/text.h"
#include "platform/clock.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <iterator>

using namespace kv;

namespace {

const int kAllMaterials = 999;

QString fileNameOf(const QString &path)
{
    return QFileInfo(path).fileName();
}

// The bytes of a live table that can serve as its working copy as they are:
// the template's fields in the template's order and no deleted records, so
// that the copy holds the rows an "Insert ... Select *" would put there.
// Empty when the table does not qualify (or cannot be read).
QByteArray copyableTable(const QString &templateFile, const QString &liveFile)
{
    try {
        const DbfFile pattern = DbfFile::read(resolvePath(templateFile));
        QFile f(resolvePath(liveFile));
        if (!f.open(QIODevice::ReadOnly)) return {};
        QByteArray raw = f.readAll();
        const DbfFile live = DbfFile::parse(raw, liveFile, false);
        if (live.fields.size() != pattern.fields.size()) return {};
        for (qsizetype i = 0; i < live.fields.size(); ++i) {
            const DbfField &a = live.fields[i], &b = pattern.fields[i];
            if (upperCase(a.name) != upperCase(b.name) || a.type != b.type || a.length != b.length ||
                a.decimals != b.decimals || a.type == 'M')
                return {};
        }
        const qint64 headerLen = live.headerLength(), recordLen = live.recordLength();
        const auto *p = reinterpret_cast<const uchar *>(raw.constData());
        const qint64 count = qint64(p[4]) | (qint64(p[5]) << 8) | (qint64(p[6]) << 16) | (qint64(p[7]) << 24);
        // Exactly the records the header counts, each live, and the end mark.
        if (qint64(quint8(p[8]) | (quint8(p[9]) << 8)) != headerLen || raw.size() != headerLen + count * recordLen + 1 ||
            p[raw.size() - 1] != 0x1A)
            return {};
        for (qint64 r = 0; r < count; ++r)
            if (p[headerLen + r * recordLen] != ' ') return {};
        return raw;
    } catch (const Error &) {
        return {};
    }
}

// True when the file holds exactly `bytes`.
bool fileHolds(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() != bytes.size()) return false;
    return f.readAll() == bytes;
}

} // namespace

TModule::TModule(Paths *paths, Settings *settings, QObject *parent)
    : QObject(parent), m_paths(paths), m_settings(settings)
{
    setObjectName(QStringLiteral("Module"));
    auto named = [](auto *obj, const char *name) {
        obj->setObjectName(QString::fromLatin1(name));
        return obj;
    };
    Query = named(new kv::Query(this), "Query");
    QueryTemp = named(new kv::Query(this), "QueryTemp");
    Table = named(new kv::Table(this), "Table");
    Table->OnNewRecord = [this](DataSet &ds) { TableNewRecord(ds); };
    DataSource = named(new kv::DataSource(this), "DataSource");
    DataSource->SetDataSet(Table);

    tblSheets = named(new kv::Table(this), "tblSheets");
    defineStockFields(tblSheets, false);
    srcSheets = named(new kv::DataSource(this), "srcSheets");
    srcSheets->SetDataSet(tblSheets);
    tblScraps = named(new kv::Table(this), "tblScraps");
    defineStockFields(tblScraps, true);
    srcScraps = named(new kv::DataSource(this), "srcScraps");
    srcScraps->SetDataSet(tblScraps);

    tblSheets2 = named(new kv::Table(this), "tblSheets2");
    tblSheets2->SetCachedUpdates(true);
    tblSheets2->SetFilter(QStringLiteral("Many>0"));
    tblSheets2->SetFiltered(true);
    srcSheets2 = named(new kv::DataSource(this), "srcSheets2");
    srcSheets2->SetDataSet(tblSheets2);

    qryCommon = named(new kv::Query(this), "qryCommon");
    qryPrint = named(new kv::Query(this), "qryPrint");

    // A row changes the table when it is posted or deleted: a new row or an
    // edit given up with Esc leaves the table as it was, and unmodified.
    auto sheetsDirty = [this](DataSet &) { SheetsModified = true; };
    tblSheets->AfterPost = sheetsDirty;
    tblSheets->AfterDelete = sheetsDirty;
    tblSheets->OnNewRecord = [this](DataSet &ds) { tblSheetsNewRecord(ds); };
    tblSheets->OnCalcFields = [this](DataSet &ds) { tblSheetsCalcFields(ds); };
    auto scrapsDirty = [this](DataSet &) { ScrapsModified = true; };
    tblScraps->AfterPost = scrapsDirty;
    tblScraps->AfterDelete = scrapsDirty;
    tblScraps->OnNewRecord = [this](DataSet &ds) { tblScrapsNewRecord(ds); };
    tblScraps->OnCalcFields = [this](DataSet &ds) { tblSheetsCalcFields(ds); };

    // The standard sheets say it as the dialog that adds them does.
    m_sheetsCheck = std::make_unique<PositiveFieldsCheck>(
        *tblSheets, std::vector<CheckedField>{{QStringLiteral("LENGTH"), Msg<65077>()},
                                              {QStringLiteral("WIDTH"), Msg<65078>()},
                                              {QStringLiteral("MANY"), Msg<65079>()}});
    m_scrapsCheck = std::make_unique<PositiveFieldsCheck>(
        *tblScraps, std::vector<CheckedField>{{QStringLiteral("LENGTH"), {}}, {QStringLiteral("WIDTH"), {}},
                                              {QStringLiteral("MANY"), {}}});
}

TModule::~TModule()
{
    ModuleDestroy();
}

void TModule::defineStockFields(kv::Table *t, bool scraps)
{
    // Labels as the warehouse grids title the columns, for the messages.
    if (scraps) t->AddField(QStringLiteral("NAME"), FieldType::String, 20)->SetDisplayLabel(QStringLiteral("Шифр"));
    t->AddField(QStringLiteral("LENGTH"), FieldType::Float)->SetDisplayLabel(QStringLiteral("Длина"));
    t->AddField(QStringLiteral("WIDTH"), FieldType::Float)->SetDisplayLabel(QStringLiteral("Ширина"));
    t->AddField(QStringLiteral("MANY"), FieldType::Float)->SetDisplayLabel(QStringLiteral("Количество"));
    t->AddField(QStringLiteral("CODE"), FieldType::Float);
    if (scraps) t->AddField(QStringLiteral("DATE"), FieldType::Date)->SetDisplayLabel(QStringLiteral("Дата"));
    Field *mat = t->AddField(QStringLiteral("MatName"), FieldType::String, 35, FieldKind::Calculated);
    mat->SetDisplayLabel(QStringLiteral("Материал"));
    mat->SetReadOnly(true);
}

int TModule::defMaterial() const
{
    return m_settings ? m_settings->GetDefMaterial() : 0;
}

void TModule::tblSheetsNewRecord(DataSet &ds)
{
    const int code = ds.Tag == kAllMaterials ? defMaterial() : ds.Tag;
    ds.FieldByName(QStringLiteral("CODE"))->SetAsInteger(code);
}

void TModule::tblScrapsNewRecord(DataSet &ds)
{
    tblSheetsNewRecord(ds);
    ds.FieldByName(QStringLiteral("DATE"))->SetAsDate(kv::Today());
}

void TModule::TableNewRecord(DataSet &ds)
{
    ds.FieldByName(QStringLiteral("Code"))->SetAsInteger(NextMaterialCode());
}

void TModule::tblSheetsCalcFields(DataSet &ds)
{
    Field *code = ds.FieldByName(QStringLiteral("CODE"));
    QString name;
    if (FindNameByCode && !code->IsNull()) name = FindNameByCode(code->AsInteger());
    ds.FieldByName(QStringLiteral("MatName"))->SetAsString(name);
}

void TModule::ModuleDestroy()
{
    tblSheets->Close();
    tblScraps->Close();
    tblSheets2->Close();
}

int TModule::NextMaterialCode()
{
    // The original answered 1 to any failure and so could hand out a code in
    // use; a failure is reported instead.
    QSet<qint64> used;
    qint64 largest = 0;
    try {
        QueryTemp->Close();
        QueryTemp->SetSQL(QStringLiteral("Select max(Code) as fldmax from %1 a")
                              .arg(kv::Query::QuotePath(m_paths->TempTypesTable())));
        QueryTemp->Open();
        Field *f = QueryTemp->FieldByName(QStringLiteral("fldmax"));
        if (!f->IsNull()) largest = f->AsLargeInt();
        QueryTemp->Close();
    } catch (const Error &e) {
        QueryTemp->Close();
        throw Error(QStringLiteral("Ошибка определения кода нового материала.\r%1").arg(e.message()));
    }
    // Rows of the materials table not yet in the file (cached edits) count too.
    if (Table->Active()) {
        if (Field *c = Table->FindField(QStringLiteral("Code"))) {
            const int col = c->Index();
            for (int row = 0; row < Table->ViewRowCount(); ++row) {
                if (Table->State() == DataSetState::Insert && row == Table->ViewCurrentRow()) continue;
                const QVariant v = Table->ViewValue(row, col);
                if (!v.isValid() || v.isNull()) continue;
                const qint64 code = v.toLongLong();
                used.insert(code);
                largest = std::max(largest, code);
            }
        }
    }
    qint64 next = std::max<qint64>(largest, 0) + 1;
    while (next == kAllMaterials || used.contains(next)) ++next;
    if (next > 2147483647) throw Error(QStringLiteral("Ошибка определения кода нового материала."));
    return int(next);
}

QStringList TModule::EnsureTables()
{
    const QString pattern = m_paths->PatternFolder();
    writeMissingTemplates(pattern);
    const QString stock[] = {m_paths->SheetsTable(), m_paths->ScrapsTable(), m_paths->OwnMaterialsTable(),
                             m_paths->BordersTable()};
    QStringList missing;
    for (const QString &live : stock)
        if (!QFileInfo::exists(resolvePath(live))) missing << live;
    for (const QString &live : missing) CopyTableFile(Paths::FileIn(pattern, fileNameOf(live)), live);
    // Some tables there and others not: the user's stock may be gone.
    if (missing.size() == int(std::size(stock))) return {};
    return missing;
}

QString TModule::MissingTablesText(const QStringList &tables)
{
    QStringList names;
    for (const QString &t : tables) names << QDir::toNativeSeparators(t);
    if (names.size() == 1)
        return QStringLiteral("Не найдена таблица \"%1\".\rСоздана пустая таблица.").arg(names.first());
    return QStringLiteral("Не найдены таблицы:\r%1\rСозданы пустые таблицы.").arg(names.join(QLatin1Char('\r')));
}

void TModule::MakeWorkingCopy(const QString &templateFile, const QString &workFile, const QString &liveFile)
{
    const QString work = resolvePath(workFile), live = resolvePath(liveFile);
    const QString key = TableStore::canonicalPath(work);
    const bool apart = key != TableStore::canonicalPath(live);
    // Neither file changed since this module made the copy (the warehouse
    // remakes the copies the start made): it is what a new copy would be.
    const auto made = m_copies.constFind(key);
    if (apart && made != m_copies.cend() && made->live == TableStore::stampOf(live) &&
        made->work == TableStore::stampOf(work))
        return;
    m_copies.remove(key);
    // A live table in the template's layout is copied as it stands (through
    // a temporary file and a rename), not row by row through a statement.
    const TableStore::Stamp liveBefore = TableStore::stampOf(live);
    const QByteArray bytes = copyableTable(templateFile, liveFile);
    if (!bytes.isEmpty() && apart) {
        if (!fileHolds(work, bytes)) {
            writeFileAtomically(work, bytes);
            // The rows are in hand: the copy's store need not read them back.
            TableStore::adopt(work, bytes);
        }
        m_copies.insert(key, {liveBefore, TableStore::stampOf(work)});
        return;
    }
    CopyTableFile(templateFile, workFile);
    kv::Query q;
    q.SetSQL(QStringLiteral("Insert into %1\r\nSelect * from %2")
                 .arg(kv::Query::QuotePath(workFile), kv::Query::QuotePath(liveFile)));
    q.ExecSQL();
}

QString TModule::ShortenedCopyOf(const QString &liveFile)
{
    const QString base = resolvePath(liveFile) + QStringLiteral(".bad");
    QString name = base;
    for (int n = 1; QFileInfo::exists(name); ++n) name = base + QString::number(n);
    return name;
}

QString TModule::CheckStockTable(const QString &liveFile)
{
    const QString path = resolvePath(liveFile);
    const QString native = QDir::toNativeSeparators(path);
    QFile f(path);
    if (!f.exists()) throw Error(QStringLiteral("Файл \"%1\" не найден.").arg(native));
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Не удаётся открыть файл \"%1\".").arg(native));
    const QByteArray raw = f.readAll();
    const auto *p = reinterpret_cast<const uchar *>(raw.constData());
    // A header cut short says so, rather than that the file is no table.
    const qint64 headerLen = raw.size() >= 10 ? qint64(p[8] | (p[9] << 8)) : 0;
    if (raw.size() < 33 || headerLen > raw.size())
        throw Error(QStringLiteral("Файл \"%1\" обрезан: заголовок таблицы неполон (в файле %2 байт).")
                        .arg(native)
                        .arg(raw.size()));
    const DbfFile table = DbfFile::parse(raw, path, false);
    const qint64 recordLen = table.recordLength();
    const qint64 counted = qint64(p[4]) | (qint64(p[5]) << 8) | (qint64(p[6]) << 16) | (qint64(p[7]) << 24);
    const qint64 room = raw.size() - headerLen;
    if (counted * recordLen <= room) return {};
    const qint64 whole = room / recordLen;
    const QString why = room % recordLen != 0 && room % recordLen != 1
                            ? QStringLiteral("файл обрезан внутри записи")
                            : QStringLiteral("в заголовке записей больше, чем в файле");
    return QStringLiteral("Таблица \"%1\" повреждена: %2.\r"
                          "Открыто целых записей: %3 из %4.\r"
                          "При сохранении файл будет заменён, а повреждённый сохранён как \"%5\".")
        .arg(native, why)
        .arg(whole)
        .arg(counted)
        .arg(QDir::toNativeSeparators(ShortenedCopyOf(liveFile)));
}

bool TModule::failedUnchanged(const StockOpen &o, const QString &live) const
{
    return !o.problem.isEmpty() && TableStore::stampOf(resolvePath(live)) == o.live;
}

bool TModule::SheetsFailedUnchanged() const
{
    return failedUnchanged(m_sheets, m_paths->SheetsTable());
}

bool TModule::ScrapsFailedUnchanged() const
{
    return failedUnchanged(m_scraps, m_paths->ScrapsTable());
}

void TModule::openStockCopy(bool scraps)
{
    kv::Table *t = scraps ? tblScraps : tblSheets;
    StockOpen &state = scraps ? m_scraps : m_sheets;
    const QString live = scraps ? m_paths->ScrapsTable() : m_paths->SheetsTable();
    const QString work = scraps ? m_paths->TempScrapsTable() : m_paths->TempSheetsTable();
    const QString pattern = Paths::FileIn(m_paths->PatternFolder(), fileNameOf(live));
    t->Close();
    const StockOpen before = state;
    state = StockOpen{};
    state.live = TableStore::stampOf(resolvePath(live));
    try {
        state.notice = CheckStockTable(live);
        state.told = before.told && before.notice == state.notice && before.live == state.live;
        MakeWorkingCopy(pattern, work, live);
        t->SetDatabaseName(m_paths->TempFolder());
        t->SetTableName(fileNameOf(work));
        t->Open();
    } catch (const Error &e) {
        t->Close();
        state.notice.clear();
        state.problem = (scraps ? QStringLiteral("Ошибка открытия базы отходов")
                                : QStringLiteral("Ошибка открытия базы листов")) +
                        QLatin1Char('\r') + e.message() + QStringLiteral("\rФайл оставлен без изменений.");
        // No rows of an earlier run stay in the working copy for a print,
        // a run or a save to find.
        m_copies.remove(TableStore::canonicalPath(resolvePath(work)));
        try {
            CopyTableFile(pattern, work);
        } catch (const Error &) {
        }
        throw Error(state.problem);
    }
    (scraps ? ScrapsModified : SheetsModified) = false;
}

QString TModule::TakeNotice(bool scraps)
{
    StockOpen &state = scraps ? m_scraps : m_sheets;
    if (state.told) return {};
    state.told = true;
    return state.notice;
}

void TModule::OpenSheetsCopy()
{
    openStockCopy(false);
}

void TModule::OpenScrapsCopy()
{
    openStockCopy(true);
}

void TModule::saveStock(bool scraps)
{
    kv::Table *t = scraps ? tblScraps : tblSheets;
    StockOpen &state = scraps ? m_scraps : m_sheets;
    const QString live = scraps ? m_paths->ScrapsTable() : m_paths->SheetsTable();
    if (!state.problem.isEmpty()) throw Error(state.problem);
    if (t->Active()) t->CheckBrowseMode();
    // The longer file that opened short is kept before it is replaced.
    if (!state.notice.isEmpty() && TableStore::stampOf(resolvePath(live)) == state.live)
        copyFileAtomically(resolvePath(live), ShortenedCopyOf(live));
    CopyTableFile(scraps ? m_paths->TempScrapsTable() : m_paths->TempSheetsTable(), live);
    state.notice.clear();
    state.live = TableStore::stampOf(resolvePath(live));
    (scraps ? ScrapsModified : SheetsModified) = false;
}

void TModule::SaveSheets()
{
    saveStock(false);
}

void TModule::SaveScraps()
{
    saveStock(true);
}
