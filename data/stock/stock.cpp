#include "data/stock/stock.h"

#include "data/datamodule.h"
#include "data/paths.h"
#include "data/settings.h"
#include "data/stock/filereplace.h"
#include "platform/db/copytable.h"
#include "platform/db/dbffile.h"
#include "platform/db/query.h"
#include "platform/db/table.h"
#include "platform/error.h"
#include "platform/text.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSet>

#include <algorithm>
#include <climits>

namespace kv {

namespace {

const QString kSheetsTemplate = QStringLiteral("Sheets.dbf");
const QString kScrapsTemplate = QStringLiteral("Scraps.dbf");

int codeOf(DataSet &ds)
{
    Field *f = ds.FieldByName(QStringLiteral("CODE"));
    return f->IsNull() ? 0 : int(f->AsFloat());
}

QString quoted(const QString &path)
{
    return Query::QuotePath(path);
}

QByteArray fileBytes(const QString &path)
{
    QFile f(resolvePath(path));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

// Restores a table's open state when a step that closed it ends, also on failure.
class Reopen
{
public:
    explicit Reopen(Table &t) : m_t(t), m_was(t.Active()) { m_t.Close(); }
    ~Reopen()
    {
        if (m_was && !m_t.Active()) {
            try {
                m_t.Open();
            } catch (...) {
                // The caller reports its own failure; a table that cannot be
                // reopened stays closed and the next command says so.
            }
        }
    }
    Reopen(const Reopen &) = delete;
    Reopen &operator=(const Reopen &) = delete;

private:
    Table &m_t;
    bool m_was;
};

// A table left on (or put back on) a working copy that holds unsaved changes.
void openOnCopy(Table &t, const QString &work, const QString &failure)
{
    if (t.Active() && QFileInfo(t.FullPath()) == QFileInfo(work)) return;
    try {
        t.Close();
        t.SetFile(work);
        t.Open();
    } catch (const Error &) {
        throw Error(failure);
    }
}

} // namespace

QString CheckDateRange(const DateRange &r)
{
    if (!r.from.isValid() || !r.to.isValid())
        return QStringLiteral("Ошибка ввода даты!\r\rПовторите ввод ещё раз.");
    if (r.from > r.to)
        return QStringLiteral("Начальная дата фильтра (%1) позже конечной (%2).\r\rПовторите ввод ещё раз.")
            .arg(formatDate(r.from), formatDate(r.to));
    return {};
}

std::optional<DateRange> ParseDateRange(const QString &from, const QString &to, QString *message)
{
    const DateRange r{parseDateDMY(from.trimmed()), parseDateDMY(to.trimmed())};
    const QString err = CheckDateRange(r);
    if (message) *message = err;
    if (!err.isEmpty()) return std::nullopt;
    return r;
}

QString StockFilter::StatusText() const
{
    if (!dates) return {};
    return QStringLiteral("Установлен фильтр (с %1 по %2 )").arg(formatDate(dates->from), formatDate(dates->to));
}

QString UnknownMaterialName(int code)
{
    return QStringLiteral("<неизвестный материал, код %1>").arg(code);
}

QString CheckNewSheets(int length, int width, int quantity, bool materialChosen, int *field)
{
    struct Rule { bool ok; const char *message; };
    const Rule rules[] = {
        {length > 0, "Длина листа должна быть больше 0."},
        {width > 0, "Ширина листа должна быть больше 0."},
        {quantity > 0, "Количество листов должно быть больше 0."},
        {materialChosen, "Необходимо указать название материала листа."},
    };
    for (int i = 0; i < 4; ++i) {
        if (rules[i].ok) continue;
        if (field) *field = i;
        return QString::fromUtf8(rules[i].message);
    }
    if (field) *field = -1;
    return {};
}

// ---------------------------------------------------------------------------

StockService::StockService(TModule &module, Settings &settings) : m_module(module), m_settings(settings)
{
    m_module.tblSheets->OnFilterRecord = [this](DataSet &ds, bool &accept) {
        accept = m_filter.AcceptsSheet(codeOf(ds));
    };
    m_module.tblScraps->OnFilterRecord = [this](DataSet &ds, bool &accept) {
        accept = m_filter.AcceptsScrap(codeOf(ds), ds.FieldByName(QStringLiteral("DATE"))->AsDate());
    };
}

StockService::~StockService()
{
    m_module.tblSheets->OnFilterRecord = nullptr;
    m_module.tblScraps->OnFilterRecord = nullptr;
}

const Paths &StockService::GetPaths() const
{
    return *m_module.GetPaths();
}

QStringList StockService::OpenCopies()
{
    QStringList errors;
    // A table that failed and is still the same file was reported already;
    // it stays closed and the other one is used.
    try {
        if (m_module.SheetsFailedUnchanged()) {
        } else if (!m_module.SheetsModified) {
            m_module.OpenSheetsCopy();
        } else {
            openOnCopy(*m_module.tblSheets, GetPaths().TempSheetsTable(), QStringLiteral("Ошибка открытия базы листов"));
        }
    } catch (const Error &e) {
        errors << e.message();
    }
    try {
        if (m_module.ScrapsFailedUnchanged()) {
        } else if (!m_module.ScrapsModified) {
            m_module.OpenScrapsCopy();
        } else {
            openOnCopy(*m_module.tblScraps, GetPaths().TempScrapsTable(), QStringLiteral("Ошибка открытия базы отходов"));
        }
    } catch (const Error &e) {
        errors << e.message();
    }
    for (const bool scraps : {false, true})
        if (const QString notice = m_module.TakeNotice(scraps); !notice.isEmpty()) errors << notice;
    applySheetsFilter();
    applyScrapsFilter();
    return errors;
}

void StockService::PostSheets()
{
    if (m_module.tblSheets->Active()) m_module.tblSheets->CheckBrowseMode();
}

void StockService::PostScraps()
{
    if (m_module.tblScraps->Active()) m_module.tblScraps->CheckBrowseMode();
}

bool StockService::SheetsDirty() const
{
    return m_module.SheetsModified;
}

bool StockService::ScrapsDirty() const
{
    return m_module.ScrapsModified;
}

void StockService::SaveSheets()
{
    try {
        m_module.SaveSheets();
    } catch (const Error &e) {
        throw Error(QStringLiteral("Ошибка сохранения базы стандартных листов.\r%1").arg(e.message()));
    }
}

void StockService::SaveScraps()
{
    try {
        m_module.SaveScraps();
    } catch (const Error &e) {
        throw Error(QStringLiteral("Ошибка сохранения базы остатков.\r%1").arg(e.message()));
    }
}

void StockService::requireOpen(bool scraps) const
{
    const QString problem = scraps ? m_module.ScrapsProblem() : m_module.SheetsProblem();
    if (!problem.isEmpty()) throw Error(problem);
}

void StockService::reload(bool scraps)
{
    // A table that could not be opened has nothing to drop.
    if (!(scraps ? m_module.ScrapsProblem() : m_module.SheetsProblem()).isEmpty()) {
        (scraps ? m_module.ScrapsModified : m_module.SheetsModified) = false;
        return;
    }
    Table &t = scraps ? *m_module.tblScraps : *m_module.tblSheets;
    const Paths &p = GetPaths();
    if (t.Active() && t.State() != DataSetState::Browse) t.Cancel();
    try {
        Reopen reopen(t);
        CopyTableFile(scraps ? p.ScrapsTable() : p.SheetsTable(), scraps ? p.TempScrapsTable() : p.TempSheetsTable());
    } catch (const Error &e) {
        throw Error(QStringLiteral("%1\r%2")
                        .arg(scraps ? QStringLiteral("Ошибка восстановления базы остатков.")
                                    : QStringLiteral("Ошибка восстановления базы стандартных листов."),
                             e.message()));
    }
    (scraps ? m_module.ScrapsModified : m_module.SheetsModified) = false;
}

void StockService::ReloadSheets()
{
    reload(false);
}

void StockService::ReloadScraps()
{
    reload(true);
}

bool StockService::CloseQuery(const StockAsk &ask, const std::function<void(const QString &)> &report)
{
    PostSheets();
    PostScraps();
    bool allowed = true;
    struct Table { bool dirty; const char *question; bool scraps; };
    const Table tables[] = {
        {SheetsDirty(), "Сохранить изменения в базе стандартных листов?", false},
        {ScrapsDirty(), "Сохранить изменения в базе остатков?", true},
    };
    for (const Table &t : tables) {
        if (!t.dirty) continue;
        try {
            switch (ask(QString::fromUtf8(t.question))) {
            case StockAnswer::Yes:
                t.scraps ? SaveScraps() : SaveSheets();
                break;
            case StockAnswer::No:
                t.scraps ? ReloadScraps() : ReloadSheets();
                break;
            case StockAnswer::Cancel:
                allowed = false;
                break;
            }
        } catch (const Error &e) {
            if (report) report(e.message());
            allowed = false;
        }
    }
    if (allowed) m_module.SheetsModified = m_module.ScrapsModified = false;
    return allowed;
}

// ---- filters

void StockService::applySheetsFilter()
{
    Table &t = *m_module.tblSheets;
    t.Tag = m_filter.material;
    if (t.Active()) t.CheckBrowseMode();
    const bool on = m_filter.material != kAllMaterials;
    if (t.Filtered() != on) t.SetFiltered(on);
    else if (on) t.SetOnFilterRecord(t.OnFilterRecord);
    if (t.Active()) t.First();
}

void StockService::applyScrapsFilter()
{
    Table &t = *m_module.tblScraps;
    t.Tag = m_filter.material;
    if (t.Active()) t.CheckBrowseMode();
    if (!t.Filtered()) t.SetFiltered(true);
    else t.SetOnFilterRecord(t.OnFilterRecord);
    if (t.Active()) t.First();
}

void StockService::SetCurrentMaterial(int code)
{
    PostSheets();
    PostScraps();
    m_filter.material = code;
    applyScrapsFilter();
    applySheetsFilter();
}

void StockService::SetDateFilter(const std::optional<DateRange> &range)
{
    if (range) {
        const QString err = CheckDateRange(*range);
        if (!err.isEmpty()) throw Error(err);
    }
    PostScraps();
    m_filter.dates = range;
    applyScrapsFilter();
}

// ---- standard sheets

bool StockService::AddSheets(int length, int width, int quantity, int code)
{
    requireOpen(false);
    const QString err = CheckNewSheets(length, width, quantity, code >= 0 && code != kAllMaterials);
    if (!err.isEmpty()) throw Error(err);
    PostSheets();
    // A cursor of its own on the working copy sees every row whatever the
    // window's filter, and leaves the window's position alone.
    Table t;
    t.SetFile(GetPaths().TempSheetsTable());
    t.Open();
    const bool found = t.Locate(QStringLiteral("LENGTH;WIDTH;CODE"),
                                QVariantList{double(length), double(width), double(code)});
    if (found) {
        t.Edit();
        Field *many = t.FieldByName(QStringLiteral("MANY"));
        many->SetAsFloat(many->AsFloat() + quantity);
        t.Post();
    } else {
        t.Append();
        t.FieldByName(QStringLiteral("MANY"))->SetAsFloat(quantity);
        t.FieldByName(QStringLiteral("LENGTH"))->SetAsFloat(length);
        t.FieldByName(QStringLiteral("WIDTH"))->SetAsFloat(width);
        t.FieldByName(QStringLiteral("CODE"))->SetAsFloat(code);
        t.Post();
    }
    t.Close();
    m_module.SheetsModified = true;
    if (m_module.tblSheets->Active()) m_module.tblSheets->Refresh();
    return !found;
}

// ---- off-cuts

void StockService::ClearScraps(int code)
{
    requireOpen(true);
    if (code < 0) return;
    PostScraps();
    QString sql = QStringLiteral("Delete from %1 a").arg(quoted(GetPaths().TempScrapsTable()));
    QVariantList params;
    if (code != kAllMaterials) {
        sql += QStringLiteral("\r\nWhere a.\"Code\"=?");
        params << code;
    }
    try {
        Query::Exec(sql, params);
    } catch (const Error &e) {
        throw Error(QStringLiteral("Ошибка очистки базы остатков.\r%1").arg(e.message()));
    }
    m_module.ScrapsModified = true;
    if (m_module.tblScraps->Active()) m_module.tblScraps->Refresh();
}

int StockService::DeleteWaste(int code, const TScrapSettings &s)
{
    requireOpen(true);
    PostScraps();
    const QString from = QStringLiteral("Delete from %1 a\r\n").arg(quoted(GetPaths().TempScrapsTable()));
    const int sl = s.CheckSquareWidth ? s.SquareWidth : INT_MAX;
    const int sb = s.CheckSquareHeight ? s.SquareHeight : INT_MAX;
    struct Cond { QString text; QVariantList params; };
    QList<Cond> conds;
    if (s.CheckLength) conds << Cond{QStringLiteral("a.\"Length\"<?"), {s.Length}};
    if (s.CheckHeight) conds << Cond{QStringLiteral("a.\"Width\"<?"), {s.Height}};
    if (s.CheckSquare)
        conds << Cond{QStringLiteral("(a.\"Length\"*a.\"Width\")<? and (a.\"Length\"<? and a.\"Width\"<?)"),
                      {s.Square, sl, sb}};
    if (conds.isEmpty()) return 0;

    QList<Cond> statements;
    if (s.CheckLogicSumma) {
        Cond all;
        for (const Cond &c : conds) {
            if (!all.text.isEmpty()) all.text += QStringLiteral(" and ");
            all.text += c.text;
            all.params += c.params;
        }
        statements << all;
    } else {
        statements = conds;
    }
    int deleted = 0;
    QStringList failures;
    for (Cond &st : statements) {
        st.params << code;
        try {
            deleted += Query::Exec(from + QStringLiteral("Where ") + st.text + QStringLiteral(" and a.\"Code\"=?"),
                                   st.params);
        } catch (const Error &e) {
            failures << e.message();
        }
    }
    if (deleted > 0) m_module.ScrapsModified = true;
    if (m_module.tblScraps->Active()) m_module.tblScraps->Refresh();
    if (!failures.isEmpty())
        throw Error(QStringLiteral("Ошибка удаления отходов со склада.\r%1").arg(failures.join(QLatin1Char('\r'))));
    return deleted;
}

int StockService::MarkScraps(const TMarkSettings &mark, int materialCode)
{
    requireOpen(true);
    PostScraps();
    Table &t = *m_module.tblScraps;
    if (!t.Active()) return 0;

    // Codes in use per material, over the whole working copy.
    QHash<int, QSet<QString>> taken;
    {
        Query q;
        q.SetSQL(QStringLiteral("Select a.\"Name\", a.\"Code\" from %1 a").arg(quoted(GetPaths().TempScrapsTable())));
        q.Open();
        for (q.First(); !q.Eof(); q.Next())
            taken[codeOf(q)].insert(q.FieldByName(QStringLiteral("Name"))->AsString());
        q.Close();
    }

    struct Planned { Bookmark row; QString name; };
    QList<Planned> plan;
    TMarkSettings numbers = mark;
    if (!numbers.MarkNumbering) numbers.MarkMaxNumber = 0;
    {
        DataSet::ControlsLock lock(t);
        const Bookmark here = t.GetBookmark();
        for (t.First(); !t.Eof(); t.Next()) {
            if (!t.FieldByName(QStringLiteral("NAME"))->AsString().trimmed().isEmpty()) continue;
            QSet<QString> &used = taken[codeOf(t)];
            QString name;
            try {
                name = NextScrapMark(numbers, [&](const QString &n) { return used.contains(n); });
            } catch (const Error &) {
                if (here) t.GotoBookmark(here);
                throw;
            }
            used.insert(name);
            plan << Planned{t.GetBookmark(), name};
        }
        for (const Planned &p : plan) {
            t.GotoBookmark(p.row);
            t.Edit();
            t.FieldByName(QStringLiteral("NAME"))->SetAsString(p.name);
            t.Post();
        }
    }
    if (mark.MarkNumbering && !plan.isEmpty())
        PackMarkSettings(m_settings.Ini(), MaterialSection(materialCode), numbers);
    t.First();
    return int(plan.size());
}

void StockService::MergeEqualScrapsFile(const QString &scrapsFile)
{
    const Paths &p = GetPaths();
    const QString tmp = p.TempFolder() + QStringLiteral("$$$.dbf");
    try {
        CopyTableFile(Paths::FileIn(p.PatternFolder(), kScrapsTemplate), tmp);
        Query::Exec(QStringLiteral("Insert into %1\r\n"
                                   "Select a.\"Name\", a.\"Length\", a.\"Width\", Sum(a.\"Many\") as NewMany, a.\"Code\", "
                                   "a.\"Date\" from %2 a\r\n"
                                   "Group by a.\"Name\", a.\"Length\", a.\"Width\", a.\"Code\", a.\"Date\"")
                        .arg(quoted(tmp), quoted(scrapsFile)));
        ReplaceFilesTogether({{tmp, scrapsFile}});
    } catch (...) {
        try {
            DeleteTableFile(tmp);
        } catch (const Error &) {
        }
        throw;
    }
    DeleteTableFile(tmp);
}

void StockService::MergeEqualScraps()
{
    requireOpen(true);
    PostScraps();
    bool changed = false;
    {
        Reopen reopen(*m_module.tblScraps);
        const QByteArray before = fileBytes(GetPaths().TempScrapsTable());
        MergeEqualScrapsFile(GetPaths().TempScrapsTable());
        changed = fileBytes(GetPaths().TempScrapsTable()) != before;
    }
    if (changed) m_module.ScrapsModified = true;
}

// ---- lists and statistics

ScrapLabelLists StockService::FillScrapsLabelLists(const std::function<QString(int)> &materialName)
{
    PostScraps();
    ScrapLabelLists l;
    Table &t = *m_module.tblScraps;
    if (!t.Active()) return l;
    DataSet::ControlsLock lock(t);
    const Bookmark here = t.GetBookmark();
    for (t.First(); !t.Eof(); t.Next()) {
        const int many = int(t.FieldByName(QStringLiteral("MANY"))->AsFloat());
        const QString name = t.FieldByName(QStringLiteral("NAME"))->AsString();
        const QString size = QStringLiteral("%1 x %2")
                                 .arg(qint64(t.FieldByName(QStringLiteral("LENGTH"))->AsFloat()))
                                 .arg(qint64(t.FieldByName(QStringLiteral("WIDTH"))->AsFloat()));
        const QString mat = materialName ? materialName(codeOf(t)) : QString();
        for (int i = 0; i < many; ++i) {
            l.names << name;
            l.sizes << size;
            l.materials << mat;
            l.remarks << QString();
        }
    }
    if (here) t.GotoBookmark(here);
    return l;
}

QList<StockStatRow> StockService::Statistics(const MaterialList &materials)
{
    PostSheets();
    PostScraps();
    auto sums = [](const QString &table) {
        QMap<int, double> out;
        Query q;
        q.SetSQL(QStringLiteral("Select a.\"Code\" as Code, Sum(a.\"Width\"*a.\"Length\"*a.\"Many\"/1000000) as Sq "
                                "from %1 a Group by a.\"Code\"")
                     .arg(quoted(table)));
        q.Open();
        for (q.First(); !q.Eof(); q.Next()) out[codeOf(q)] += q.FieldByName(QStringLiteral("Sq"))->AsFloat();
        q.Close();
        return out;
    };
    QMap<int, double> sheets, scraps;
    try {
        sheets = sums(GetPaths().TempSheetsTable());
        scraps = sums(GetPaths().TempScrapsTable());
    } catch (const Error &) {
        throw Error(QStringLiteral("Ошибка создания отчета."));
    }

    MaterialList sorted = materials;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto &a, const auto &b) { return QString::compare(a.second, b.second) < 0; });
    QList<StockStatRow> rows;
    QSet<int> known;
    for (const auto &m : sorted) {
        if (known.contains(m.first)) continue;
        known.insert(m.first);
        rows << StockStatRow{m.first, m.second, sheets.value(m.first), scraps.value(m.first), true};
    }
    QList<int> unknown;
    for (auto it = sheets.cbegin(); it != sheets.cend(); ++it)
        if (!known.contains(it.key())) unknown << it.key();
    for (auto it = scraps.cbegin(); it != scraps.cend(); ++it)
        if (!known.contains(it.key()) && !unknown.contains(it.key())) unknown << it.key();
    std::sort(unknown.begin(), unknown.end());
    for (int c : unknown) rows << StockStatRow{c, UnknownMaterialName(c), sheets.value(c), scraps.value(c), false};
    return rows;
}

QString StockService::PrintListSQL(bool scraps, const QString &materialsTable) const
{
    const QString work = scraps ? GetPaths().TempScrapsTable() : GetPaths().TempSheetsTable();
    QString sql = QStringLiteral("select a.*, coalesce(m.\"Material\", '<неизвестный материал, код ' || "
                                 "cast(a.\"Code\" as integer) || '>') as MatName from %1 a left join %2 m "
                                 "on a.\"Code\"=m.\"Code\"")
                      .arg(quoted(work), quoted(materialsTable));
    if (m_filter.material != kAllMaterials) sql += QStringLiteral(" where a.\"Code\"=%1").arg(m_filter.material);
    sql += scraps ? QStringLiteral(" order by MatName, a.\"Name\"") : QStringLiteral(" order by MatName");
    return sql;
}

// ---- changes on copies

std::unique_ptr<StockChange> StockService::BeginChange()
{
    // A variant is not taken out of a stock that could not be read.
    requireOpen(false);
    requireOpen(true);
    return std::unique_ptr<StockChange>(new StockChange(*this));
}

void StockService::reopenAfterSwap()
{
    applySheetsFilter();
    applyScrapsFilter();
}

void StockService::RestoreFrom(const QString &sheetsFile, const QString &scrapsFile)
{
    const Paths &p = GetPaths();
    for (Table *t : {m_module.tblSheets, m_module.tblScraps})
        if (t->Active() && t->State() != DataSetState::Browse) t->Cancel();
    {
        Reopen sh(*m_module.tblSheets);
        Reopen sc(*m_module.tblScraps);
        ReplaceFilesTogether({{sheetsFile, p.SheetsTable()},
                              {sheetsFile, p.TempSheetsTable()},
                              {scrapsFile, p.ScrapsTable()},
                              {scrapsFile, p.TempScrapsTable()}});
    }
    m_module.SheetsModified = m_module.ScrapsModified = false;
    // A table that could not be opened before is tried again on the files
    // that replaced it.
    QStringList problems;
    for (const bool scraps : {false, true}) {
        if ((scraps ? m_module.ScrapsProblem() : m_module.SheetsProblem()).isEmpty()) continue;
        try {
            scraps ? m_module.OpenScrapsCopy() : m_module.OpenSheetsCopy();
        } catch (const Error &e) {
            problems << e.message();
        }
    }
    reopenAfterSwap();
    if (!problems.isEmpty()) throw Error(problems.join(QLatin1Char('\r')));
}

StockChange::StockChange(StockService &stock) : m_stock(stock)
{
    m_stock.PostSheets();
    m_stock.PostScraps();
    const Paths &p = m_stock.GetPaths();
    m_sheets = p.TempFolder() + QStringLiteral("TempSh~.dbf");
    m_scraps = p.TempFolder() + QStringLiteral("TempSc~.dbf");
    CopyTableFile(p.TempSheetsTable(), m_sheets);
    CopyTableFile(p.TempScrapsTable(), m_scraps);
}

StockChange::~StockChange()
{
    try {
        DeleteTableFile(m_sheets);
        DeleteTableFile(m_scraps);
    } catch (...) {
    }
}

void StockChange::Commit()
{
    if (m_done) throw Error(QStringLiteral("Изменение склада уже принято."));
    const Paths &p = m_stock.GetPaths();
    TModule &mod = m_stock.Module();
    const bool sheetsChanged = fileBytes(m_sheets) != fileBytes(p.TempSheetsTable());
    const bool scrapsChanged = fileBytes(m_scraps) != fileBytes(p.TempScrapsTable());
    m_stock.PostSheets();
    m_stock.PostScraps();
    {
        Reopen sh(*mod.tblSheets);
        Reopen sc(*mod.tblScraps);
        ReplaceFilesTogether({{m_sheets, p.TempSheetsTable()}, {m_scraps, p.TempScrapsTable()}});
    }
    m_done = true;
    if (sheetsChanged) mod.SheetsModified = true;
    if (scrapsChanged) mod.ScrapsModified = true;
    m_stock.reopenAfterSwap();
    emit m_stock.Changed();
}

} // namespace kv
