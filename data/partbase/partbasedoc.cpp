#include "data/partbase/partbasedoc.h"

#include "data/partbase/pairsave.h"
#include "data/models/modelfiles.h"
#include "data/paths.h"
#include "data/rowchecks.h"
#include "data/settings.h"
#include "platform/db/copytable.h"
#include "platform/db/dbffile.h"
#include "platform/db/query.h"
#include "platform/error.h"
#include "platform/ini.h"
#include "platform/savefile.h"
#include "platform/text.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

const char *const kColumns[] = {"NAME", "LENGTH", "WIDTH", "MANY", "ROTATE",
                                "LBORDER", "RBORDER", "TBORDER", "BBORDER", "MATERIAL"};

// The titles of the columns, for the messages about a value typed into one.
const struct { const char *field, *label; } kLabels[] = {
    {"NAME", "Шифр"},     {"LENGTH", "Длина"},       {"WIDTH", "Ширина"},
    {"MANY", "Количество"}, {"MatName", "Материал"}, {"RotateName", "Поворот"},
};

const QString kReadError = QStringLiteral("Ошибка чтения группы деталей!");
const QString kTableMissing = QStringLiteral("Ошибка чтения группы деталей!\rНе найден файл данных.");
const QString kNewError = QStringLiteral("Ошибка открытия группы деталей!\rВозможно повреждён файл данных.");
const QString kSaveError =
    QStringLiteral("Ошибка сохранения группы деталей!\r\rПопробуйте изменить название файла\rи сохранить ещё раз.");
const QString kMergeError = QStringLiteral("Ошибка слияния баз!");

int s_untitledCounter = 0;

QList<PartBaseDocument *> &registry()
{
    static QList<PartBaseDocument *> docs;
    return docs;
}

QString upperLatin(const QString &s)
{
    QString out = s;
    for (QChar &c : out)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 32);
    return out;
}

QString folderOf(const QString &path)
{
    return QFileInfo(path).absolutePath() + QLatin1Char('/');
}

QString withSuffix(const QString &path, const QString &suffix)
{
    const QFileInfo fi(path);
    const QString base = fi.suffix().isEmpty() ? fi.fileName() : fi.completeBaseName();
    return fi.absolutePath() + QLatin1Char('/') + base + QLatin1Char('.') + suffix;
}

// A count from a header: the integer it reads as, 0 otherwise.
qint64 countValue(const QString &text)
{
    bool ok = false;
    const qint64 v = text.trimmed().toLongLong(&ok);
    return ok ? v : 0;
}

qint64 wholeMm(const QVariant &v)
{
    if (!v.isValid() || v.isNull()) return 0;
    const double d = v.toDouble();
    return std::isfinite(d) ? qint64(std::llround(d)) : 0;
}

void dropTable(const QString &path)
{
    try {
        DeleteTableFile(path);
    } catch (const Error &) {
    }
}

// The program's message, and below it why the disk refused (a full disk...).
Error withCause(const QString &message, const Error &e)
{
    return e.cause().isEmpty() ? Error(message) : Error(message + QLatin1Char('\r') + e.cause(), e.cause());
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Не удаётся открыть файл \"%1\".").arg(QDir::toNativeSeparators(path)));
    return f.readAll();
}

// Every record of `ds` as it shows them (cached edits included, whatever the
// filter) as a table file in the layout of `layoutFile`.
QByteArray tableImage(Table &ds, const QString &layoutFile)
{
    DbfFile img = DbfFile::read(layoutFile, nullptr, false);
    QList<Field *> fields;
    for (const DbfField &f : img.fields) fields << ds.FindField(f.name);
    const bool filtered = ds.Filtered();
    DataSet::ControlsLock lock(ds);
    const Bookmark mark = ds.GetBookmark();
    ds.SetFiltered(false);
    try {
        for (ds.First(); !ds.Eof(); ds.Next()) {
            DbfRow row;
            for (const Field *f : fields) row.values << (f ? f->Value() : QVariant());
            img.rows << row;
        }
    } catch (...) {
        ds.SetFiltered(filtered);
        throw;
    }
    ds.SetFiltered(filtered);
    if (mark && ds.BookmarkValid(mark)) ds.GotoBookmark(mark);
    return img.serialize();
}

} // namespace

bool SameFilePath(const QString &a, const QString &b)
{
    if (a.isEmpty() || b.isEmpty()) return false;
    auto norm = [](const QString &p) {
        QString s = p;
        s.replace(QLatin1Char('\\'), QLatin1Char('/'));
        return upperLatin(QDir::cleanPath(QFileInfo(s).absoluteFilePath()));
    };
    return norm(a) == norm(b);
}

PartBaseDocument::PartBaseDocument(const Paths &paths, Settings *settings)
    : m_paths(paths), m_settings(settings), m_table(std::make_unique<Table>())
{
    m_table->setObjectName(QStringLiteral("tblGroup"));
    setupTable();
    registry().append(this);
}

PartBaseDocument::~PartBaseDocument()
{
    registry().removeAll(this);
    try {
        m_table->Close();
    } catch (const Error &) {
    }
    if (Untitled && ModelName.isEmpty() && !TablePath.isEmpty()) dropTable(TablePath);
}

void PartBaseDocument::setupTable()
{
    Field *mat = m_table->AddField(QStringLiteral("MatName"), FieldType::String, 35, FieldKind::Calculated);
    mat->SetReadOnly(true);
    Field *rot = m_table->AddField(QStringLiteral("RotateName"), FieldType::String, 20, FieldKind::Calculated);
    rot->SetReadOnly(true);
    m_table->OnCalcFields = [this](DataSet &ds) { calcFields(ds); };
    m_table->OnNewRecord = [this](DataSet &ds) { newRecord(ds); };
    auto dirty = [this](DataSet &) {
        Modified = true;
        if (OnModified) OnModified();
    };
    m_table->AfterPost = dirty;
    m_table->AfterDelete = dirty;
    m_checks = std::make_unique<PositiveFieldsCheck>(
        *m_table, std::vector<CheckedField>{{QStringLiteral("LENGTH"), {}}, {QStringLiteral("WIDTH"), {}},
                                            {QStringLiteral("MANY"), {}, true}});
}

void PartBaseDocument::calcFields(DataSet &ds)
{
    const Field *code = ds.FieldByName(QStringLiteral("MATERIAL"));
    QString name;
    if (!code->IsNull() && MaterialName) name = MaterialName(code->AsInteger());
    ds.FieldByName(QStringLiteral("MatName"))->SetAsString(name);
    ds.FieldByName(QStringLiteral("RotateName"))
        ->SetAsString(GetRotateName(ds.FieldByName(QStringLiteral("ROTATE"))->AsInteger()));
}

void PartBaseDocument::newRecord(DataSet &ds)
{
    Modified = true;
    if (m_wholeRecords > 0) return;
    int l = 0, r = 0, t = 0, b = 0, rot = 0, mat = 0;
    if (m_settings) {
        l = m_settings->GetDefaultLBorder();
        r = m_settings->GetDefaultRBorder();
        t = m_settings->GetDefaultTBorder();
        b = m_settings->GetDefaultBBorder();
        rot = m_settings->GetDefaultRotate();
        mat = m_settings->GetDefMaterial();
    }
    if (m_filter != kAllMaterials) mat = m_filter;
    ds.FieldByName(QStringLiteral("LBORDER"))->SetAsInteger(l);
    ds.FieldByName(QStringLiteral("RBORDER"))->SetAsInteger(r);
    ds.FieldByName(QStringLiteral("TBORDER"))->SetAsInteger(t);
    ds.FieldByName(QStringLiteral("BBORDER"))->SetAsInteger(b);
    ds.FieldByName(QStringLiteral("ROTATE"))->SetAsInteger(rot);
    ds.FieldByName(QStringLiteral("MATERIAL"))->SetAsInteger(mat);
}

QString PartBaseDocument::GetRotateName(int rotate)
{
    switch (rotate) {
    case 0: return QStringLiteral("поворачивать");
    case 1: return QStringLiteral("не поворачивать");
    case 2: return QStringLiteral("один для всех");
    default: return QString();
    }
}

int PartBaseDocument::UntitledCounter() { return s_untitledCounter; }

QString PartBaseDocument::Caption() const
{
    if (!ModelName.isEmpty()) return ModelName;
    if (!CaptionName.isEmpty()) return QStringLiteral("База деталей: ") + QFileInfo(CaptionName).fileName();
    return QStringLiteral("База деталей: <без названия>");
}

QString PartBaseDocument::ProposedName(bool saveAs) const
{
    if (Untitled) return SuggestedName;
    return saveAs ? DocumentName : QString();
}

void PartBaseDocument::tableChanged()
{
    if (OnTableChanged) OnTableChanged();
}

void PartBaseDocument::openTable(const QString &path)
{
    m_table->Close();
    m_table->SetDatabaseName(folderOf(path));
    m_table->SetTableName(QFileInfo(path).fileName());
    m_table->SetCachedUpdates(true);
    m_table->Open();
    // The stored columns come with every open, without their labels.
    for (const auto &l : kLabels)
        if (Field *f = m_table->FindField(QString::fromLatin1(l.field))) f->SetDisplayLabel(QString::fromUtf8(l.label));
    SetMaterialFilter(m_filter);
}

void PartBaseDocument::closeTable(bool apply)
{
    if (!m_table->Active()) return;
    if (apply) ApplyUpdates();
    m_table->Close();
}

void PartBaseDocument::PostIfEditing()
{
    if (m_table->Active()) m_table->CheckBrowseMode();
}

void PartBaseDocument::ApplyUpdates()
{
    if (!m_table->Active()) return;
    m_table->CheckBrowseMode();
    m_table->ApplyUpdates();
    m_table->CommitUpdates();
}

int PartBaseDocument::ReplaceMaterial(int from, int to)
{
    if (!m_table->Active() || from == to) return 0;
    m_table->CheckBrowseMode();
    const bool filtered = m_table->Filtered();
    int changed = 0;
    {
        DataSet::ControlsLock lock(*m_table);
        m_table->SetFiltered(false);
        Field *mat = m_table->FieldByName(QStringLiteral("MATERIAL"));
        try {
            for (m_table->First(); !m_table->Eof(); m_table->Next()) {
                if (from != kAllMaterials && mat->AsInteger() != from) continue;
                m_table->Edit();
                mat->SetAsInteger(to);
                m_table->Post();
                ++changed;
            }
        } catch (...) {
            if (m_table->State() != DataSetState::Browse) m_table->Cancel();
            m_table->SetFiltered(filtered);
            throw;
        }
        m_table->SetFiltered(filtered);
        m_table->First();
    }
    return changed;
}

void PartBaseDocument::CopyCurrentRecord()
{
    if (!m_table->Active() || m_table->IsEmpty()) return;
    m_table->CheckBrowseMode();
    QVariantList values;
    for (const char *c : kColumns) values << m_table->FieldByName(QString::fromLatin1(c))->Value();
    // A copy of a row the base holds is taken as that row was.
    PositiveFieldsCheck::Suspend unchecked(*m_checks);
    try {
        m_table->Append();
        for (int i = 0; i < values.size(); ++i)
            m_table->FieldByName(QString::fromLatin1(kColumns[i]))->SetValue(values[i]);
        m_table->Post();
    } catch (const Error &) {
        if (m_table->State() != DataSetState::Browse) m_table->Cancel();
        throw Error(QStringLiteral("Ошибка копирования записи!"));
    }
}

void PartBaseDocument::SetMaterialFilter(int code)
{
    m_filter = code;
    if (!m_table->Active()) return;
    if (code == kAllMaterials) {
        m_table->SetFiltered(false);
    } else {
        m_table->SetFilter(QStringLiteral("Material=%1").arg(code));
        m_table->SetFiltered(true);
    }
}

void PartBaseDocument::NewGroup()
{
    const int n = ++s_untitledCounter;
    const QString path = m_paths.TempFolder() + QStringLiteral("%1$Gr.dbf").arg(n);
    const QString previous = (Untitled && ModelName.isEmpty()) ? TablePath : QString();
    try {
        CopyTableFile(m_paths.GroupTemplateFile(), path);
        openTable(path);
    } catch (const Error &) {
        throw Error(kNewError);
    }
    if (!previous.isEmpty() && !SameFilePath(previous, path)) dropTable(previous);
    DocumentName = path;
    TablePath = path;
    CaptionName.clear();
    ModelName.clear();
    Models.clear();
    Untitled = true;
    Modified = true;
    tableChanged();
}

QString PartBaseDocument::HeaderTable(const QString &headerPath)
{
    QString name = TIniFile(headerPath).ReadString(QStringLiteral("Header"), QStringLiteral("FName"), QString());
    // Only a bare file name: "..\" or a folder can never lead out of the
    // header's own folder.
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return Paths::BareFileIn(folderOf(headerPath), QFileInfo(name.trimmed()).fileName());
}

QList<ModelEntry> PartBaseDocument::ReadModels(const QString &headerPath)
{
    QList<ModelEntry> out;
    const TIniFile ini(headerPath);
    const QString section = QStringLiteral("ModelsList");
    for (const QString &key : ini.ReadSection(section)) {
        const QStringList items = fromCommaText(ini.ReadString(section, key, QString()));
        out.append({items.value(0), items.value(1)});
    }
    return out;
}

QByteArray PartBaseDocument::HeaderBytes(const QString &tableFile, const QList<ModelEntry> &models)
{
    QString text = QStringLiteral("[Header]\r\nFName=") + tableFile + QStringLiteral("\r\n\r\n[ModelsList]\r\n");
    for (int i = 0; i < models.size(); ++i) {
        QString name = models[i].name;
        name.replace(QLatin1Char('"'), QLatin1String("\"\""));
        text += QStringLiteral("%1=\"%2\",%3\r\n").arg(i).arg(name, models[i].count);
    }
    return toCp1251(text);
}

void PartBaseDocument::WriteHeader(const QString &headerPath, const QString &tableFile,
                                   const QList<ModelEntry> &models)
{
    // The whole header at once, through a temporary file: a failure leaves
    // the previous header.
    QString reason;
    if (!SaveFileAtomically(headerPath, HeaderBytes(tableFile, models), &reason))
        throw Error(QStringLiteral("Не удаётся записать файл \"%1\".\r%2").arg(QDir::toNativeSeparators(headerPath), reason), reason);
}

void PartBaseDocument::LoadFromFile(const QString &headerPath)
{
    // A save a kill interrupted is finished or undone before anything is read.
    try {
        if (!RecoverPair(headerPath) && OnWarning) OnWarning(ForeignJournalText(headerPath));
    } catch (const Error &e) {
        throw withCause(kReadError, e);
    }
    if (!QFileInfo(headerPath).isFile()) throw Error(kTableMissing);
    QList<ModelEntry> models;
    QString table;
    try {
        table = HeaderTable(headerPath);
        models = ReadModels(headerPath);
    } catch (const Error &) {
        throw Error(kReadError);
    }
    if (table.isEmpty() || !QFileInfo(table).isFile()) throw Error(kTableMissing);
    const QString oldTable = m_table->Active() ? TablePath : QString();
    try {
        closeTable(true);
        openTable(table);
    } catch (const Error &) {
        if (!oldTable.isEmpty() && !m_table->Active()) {
            try {
                openTable(oldTable);
            } catch (const Error &) {
            }
        }
        throw Error(kReadError);
    }
    if (Untitled && ModelName.isEmpty() && !oldTable.isEmpty() && !SameFilePath(oldTable, table)) dropTable(oldTable);
    DocumentName = headerPath;
    TablePath = table;
    CaptionName = headerPath;
    ModelName.clear();
    Models = models;
    Untitled = false;
    Modified = false;
    tableChanged();
}

bool PartBaseDocument::isOtherDocumentsFile(const QString &header, const QString &table) const
{
    for (PartBaseDocument *d : registry()) {
        if (d == this) continue;
        if (SameFilePath(d->DocumentName, header) || SameFilePath(d->TablePath, table) ||
            SameFilePath(d->DocumentName, table) || SameFilePath(d->TablePath, header))
            return true;
    }
    return false;
}

void PartBaseDocument::SaveToFile(const QString &newHeader)
{
    if (!m_table->Active()) return;
    m_table->CheckBrowseMode();
    QString header = DocumentName;
    if (!newHeader.isEmpty()) {
        header = newHeader;
        // The header always ends in ".kdx", so it can never be its own table.
        if (QFileInfo(header).suffix().compare(QLatin1String("kdx"), Qt::CaseInsensitive) != 0)
            header += QStringLiteral(".kdx");
        header = QFileInfo(header).absoluteFilePath();
    } else if (Untitled) {
        throw Error(kSaveError);
    }
    const bool rename = !newHeader.isEmpty() && !SameFilePath(header, DocumentName);
    const QString table = rename ? withSuffix(header, QStringLiteral("dbf")) : TablePath;
    if (rename && isOtherDocumentsFile(header, table))
        throw Error(QStringLiteral("База деталей \"%1\" открыта в другом окне.\rВыберите другое имя файла.")
                        .arg(QDir::toNativeSeparators(header)));

    const QString oldTable = TablePath;
    const int recNo = m_table->RecNo();
    bool dropModel = false;
    try {
        if (!ModelName.isEmpty() && !rename) {
            // A model's table is saved in place; it has no header.
            ApplyUpdates();
        } else {
            // Save as takes the template's layout; otherwise the table keeps its own.
            const QString layout = rename && !Untitled ? m_paths.GroupTemplateFile() : oldTable;
            SavePair(header, {{table, tableImage(*m_table, layout)},
                              {header, HeaderBytes(QFileInfo(table).fileName(), Models)}});
            // The edits are in the file now: the cursor reads it again (the old
            // document of a save as keeps its last saved contents).
            openTable(table);
            if (recNo > 0) m_table->SetRecNo(std::min(recNo, m_table->RecordCount()));
            if (Untitled) dropTable(oldTable);
            dropModel = rename;
        }
    } catch (const Error &e) {
        if (m_table->State() != DataSetState::Browse && m_table->Active()) m_table->Cancel();
        if (!m_table->Active() || !SameFilePath(m_table->FullPath(), oldTable)) {
            try {
                openTable(oldTable);
            } catch (const Error &) {
            }
        }
        throw withCause(kSaveError, e);
    }
    const bool wasModel = !ModelName.isEmpty();
    if (dropModel) ModelName.clear();
    DocumentName = header;
    TablePath = table;
    if (!(wasModel && !dropModel)) CaptionName = header;
    Untitled = false;
    Modified = false;
    if (rename) tableChanged();
}

void PartBaseDocument::CopyPartsTable(DataSet &ds, const QString &path, const Paths &paths)
{
    CopyTableFile(paths.GroupTemplateFile(), path);
    Table out;
    out.SetDatabaseName(folderOf(path));
    out.SetTableName(QFileInfo(path).fileName());
    out.SetCachedUpdates(true);
    out.Open();
    QList<Field *> fields;
    for (const char *c : kColumns) fields << ds.FieldByName(QString::fromLatin1(c));
    DataSet::ControlsLock lock(ds);
    const Bookmark mark = ds.GetBookmark();
    ds.First();
    while (!ds.Eof()) {
        QVariantList values;
        for (const Field *f : fields) values << f->Value();
        out.AppendRecord(values);
        ds.Next();
    }
    out.ApplyUpdates();
    out.CommitUpdates();
    out.Close();
    if (mark && ds.BookmarkValid(mark)) ds.GotoBookmark(mark);
}

QList<ModelEntry> PartBaseDocument::MergeModelLists(const QList<ModelEntry> &models)
{
    QList<ModelEntry> out;
    QList<qint64> sums;
    for (const ModelEntry &m : models) {
        int at = -1;
        for (int i = 0; i < out.size(); ++i)
            if (sameText(out[i].name, m.name)) { at = i; break; }
        if (at < 0) {
            out.append(m);
            sums.append(countValue(m.count));
        } else {
            sums[at] += countValue(m.count);
            out[at].count = QString::number(sums[at]);
        }
    }
    return out;
}

void PartBaseDocument::Merge(const QString &otherHeader, int count)
{
    if (!m_table->Active()) return;
    QString otherTable;
    QList<ModelEntry> otherModels;
    try {
        if (!RecoverPair(otherHeader) && OnWarning) OnWarning(ForeignJournalText(otherHeader));
        otherTable = HeaderTable(otherHeader);
        otherModels = ReadModels(otherHeader);
    } catch (const Error &) {
        throw Error(QStringLiteral("Файл данных отсутствует!"));
    }
    if (otherTable.isEmpty() || !QFileInfo(otherTable).isFile()) throw Error(QStringLiteral("Файл данных отсутствует!"));
    ApplyUpdates();

    QList<ModelEntry> models = Models;
    for (const ModelEntry &m : otherModels) models.append({m.name, QString::number(countValue(m.count) * count)});

    // The parts are gathered in one temporary table and summed into a second;
    // only a finished result replaces the window's table.
    const QString gather = m_paths.TempFolder() + QStringLiteral("$Merge$.dbf");
    const QString summed = m_paths.TempFolder() + QStringLiteral("$Merge2$.dbf");
    const QString own = TablePath;
    const QString sum =
        QStringLiteral("Insert into %1\r\nSelect a.\"Name\", a.\"Length\", a.\"Width\", Sum(a.\"Many\") as NewMany, "
                       "a.\"Rotate\", a.\"LBorder\", a.\"RBorder\", a.\"TBorder\", a.\"BBorder\", a.\"Material\" "
                       "from %2 a\r\nGroup by a.\"Name\", a.\"Length\", a.\"Width\", a.\"Rotate\", a.\"LBorder\", "
                       "a.\"RBorder\", a.\"TBorder\", a.\"BBorder\", a.\"Material\"");
    bool failed = false;
    Error cause{QString()};
    m_table->Close();
    try {
        CopyTableFile(m_paths.GroupTemplateFile(), gather);
        Query::Exec(QStringLiteral("Insert into %1\r\nSelect * from %2").arg(Query::QuotePath(gather), Query::QuotePath(own)));
        for (int i = 0; i < count; ++i)
            Query::Exec(QStringLiteral("Insert into %1\r\nSelect * from %2")
                            .arg(Query::QuotePath(gather), Query::QuotePath(otherTable)));
        CopyTableFile(m_paths.GroupTemplateFile(), summed);
        Query::Exec(sum.arg(Query::QuotePath(summed), Query::QuotePath(gather)));
        const QList<ModelEntry> merged = MergeModelLists(models);
        // A titled part base keeps its parts and its models list together:
        // the merge that writes the table writes the header with it.
        if (!Untitled && ModelName.isEmpty())
            SavePair(DocumentName, {{own, fileBytes(summed)},
                                    {DocumentName, HeaderBytes(QFileInfo(own).fileName(), merged)}});
        else
            CopyTableFile(summed, own);
        Models = merged;
    } catch (const Error &e) {
        failed = true;
        cause = e;
    }
    dropTable(gather);
    dropTable(summed);
    try {
        openTable(own);
    } catch (const Error &) {
    }
    tableChanged();
    if (failed) throw withCause(kMergeError, cause);
}

void PartBaseDocument::OpenModel(const QString &modelName, const QString &tableStem)
{
    // The model's own table is opened directly: no transient header is
    // written into "Catalog\", so nothing can later write into one.
    const QString table = ModelTablePath(m_paths, tableStem);
    if (table.isEmpty()) throw Error(kTableMissing);
    PartBaseDocument *other = FindGroupByTable(table);
    if (other && other != this) throw Error(QStringLiteral("Модель \"%1\" уже открыта.").arg(modelName));
    if (!QFileInfo(table).isFile()) throw Error(kTableMissing);
    const QString oldTable = m_table->Active() ? TablePath : QString();
    try {
        closeTable(true);
        openTable(table);
    } catch (const Error &) {
        throw Error(kReadError);
    }
    if (Untitled && ModelName.isEmpty() && !oldTable.isEmpty()) dropTable(oldTable);
    DocumentName = table;
    TablePath = table;
    CaptionName = table;
    ModelName = modelName;
    Models.clear();
    Untitled = false;
    Modified = false;
    tableChanged();
}

PartBaseTotals PartBaseDocument::Totals(const BorderAllowance &allowance) const
{
    PartBaseTotals t;
    if (!m_table->Active()) return t;
    auto col = [this](const char *name) { return m_table->FieldByName(QString::fromLatin1(name))->Index(); };
    const int cL = col("LENGTH"), cW = col("WIDTH"), cM = col("MANY");
    const int edges[4] = {col("LBORDER"), col("RBORDER"), col("TBORDER"), col("BBORDER")};
    for (int row = 0; row < m_table->ViewRowCount(); ++row) {
        const qint64 len = wholeMm(m_table->ViewValue(row, cL));
        const qint64 wid = wholeMm(m_table->ViewValue(row, cW));
        const qint64 many = wholeMm(m_table->ViewValue(row, cM));
        // A row being typed, or one an old file brought, with a size or
        // quantity below 1 is no part: it adds nothing.
        if (len <= 0 || wid <= 0 || many <= 0) continue;
        t.quantity += many;
        t.areaMm2 += len * wid * many;
        t.perimeterMm += 2 * (len + wid) * many;
        // Top and bottom first, then left and right: the order the lines follow.
        for (int e : {2, 3, 0, 1}) {
            const int code = int(wholeMm(m_table->ViewValue(row, edges[e])));
            if (!t.edgeByCode.contains(code)) t.edgeCodes << code;
            // Left and right edges run along the width, top and bottom along the length.
            const qint64 side = e < 2 ? wid : len;
            const std::optional<int> a = allowance ? allowance(code) : std::nullopt;
            const qint64 used = (side + a.value_or(0)) * many;
            t.edgeByCode[code] += used;
            if (code > 0 && a) t.edgeMm += used;
        }
    }
    return t;
}

PartBaseDocument *PartBaseDocument::FindOpenGroup(const QString &headerPath)
{
    for (PartBaseDocument *d : registry())
        if (SameFilePath(d->DocumentName, headerPath)) return d;
    return nullptr;
}

PartBaseDocument *PartBaseDocument::FindGroupByTable(const QString &tablePath)
{
    for (PartBaseDocument *d : registry())
        if (d->m_table->Active() && SameFilePath(d->TablePath, tablePath)) return d;
    return nullptr;
}

QList<PartBaseDocument *> PartBaseDocument::OpenDocuments() { return registry(); }

} // namespace kv
