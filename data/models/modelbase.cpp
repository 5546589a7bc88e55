#include "data/models/modelbase.h"

#include "data/paths.h"
#include "platform/error.h"
#include "report/core/stream.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kv {

namespace {

const QString kModels = QStringLiteral("MODELS");
const QString kSection = QStringLiteral("SECTION");

std::unique_ptr<CompoundFile> g_base;

QString u(const char *s) { return QString::fromUtf8(s); }

// Reads a record; a short or damaged record raises kv::Error.
template <class F>
void readRecord(const QByteArray &bytes, F body)
{
    QBuffer buf;
    buf.setData(bytes);
    buf.open(QIODevice::ReadOnly);
    try {
        body(buf);
    } catch (const Error &) {
        throw Error(u("Ошибка чтения записи базы моделей."));
    }
}

template <class F>
QByteArray writeRecord(F body)
{
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    body(buf);
    return buf.data();
}

QString nextName(const QString &prefix, const QStringList &used)
{
    for (int n = 1;; ++n) {
        const QString name = prefix + QString::number(n);
        if (!used.contains(name)) return name;
    }
}

} // namespace

// --- records -----------------------------------------------------------------

QByteArray WriteSectionHeader(const TmdlModelSection &section)
{
    return writeRecord([&](QIODevice &s) {
        WriteStreamString(s, section.Name);
        WriteStreamInteger(s, 0);
        WriteStreamString(s, section.StorageName);
    });
}

void ReadSectionHeader(TmdlModelSection &section, const QByteArray &bytes)
{
    readRecord(bytes, [&](QIODevice &s) {
        section.Name = ReadStreamString(s);
        section.Reserved = ReadStreamInteger(s);
        section.StorageName = ReadStreamString(s);
    });
}

QByteArray WriteModelInfo(const TmdlModelInfo &model)
{
    return writeRecord([&](QIODevice &s) {
        WriteStreamString(s, model.Name);
        WriteStreamInteger(s, model.Quantity);
        WriteStreamString(s, model.PartsTable);
        WriteStreamInteger(s, 0);
        WriteStreamString(s, model.StreamName);
    });
}

void ReadModelInfo(TmdlModelInfo &model, const QByteArray &bytes)
{
    readRecord(bytes, [&](QIODevice &s) {
        model.Name = ReadStreamString(s);
        ReadStreamInteger(s);   // the stored quantity is never taken
        model.Quantity = 0;
        model.PartsTable = ReadStreamString(s);
        model.Reserved = ReadStreamInteger(s);
        model.StreamName = ReadStreamString(s);
    });
}

// --- the open base -------------------------------------------------------------

void OpenModelsBase(const QString &path)
{
    if (g_base && g_base->FileName() == path) return;
    g_base.reset();
    auto file = CompoundFile::Open(path);
    if (!file->Root().Exists(kModels)) throw Error(u("Файл базы моделей \"%1\" повреждён.").arg(path));
    file->Root().OpenStorage(kModels);
    g_base = std::move(file);
}

void CloseModelsBase() { g_base.reset(); }

bool IsModelsBaseOpen() { return g_base != nullptr; }

CompoundFile &ModelsBaseFile()
{
    if (!g_base) throw Error(u("База моделей не открыта."));
    return *g_base;
}

StorageRef ModelsRootStorage() { return ModelsBaseFile().Root().OpenStorage(kModels); }

void LoadSections(TmdlModelSectionList &list, const StorageRef &models, bool withModels)
{
    list.Clear();
    for (const StorageElement &e : models.Elements()) {
        if (!e.isStorage) continue;   // streams at this level are not sections
        const StorageRef st = models.OpenStorage(e.name);
        TmdlModelSection &section = list.Add();
        ReadSectionHeader(section, st.ReadStream(kSection));
        if (withModels) LoadModels(section.Models, st.OpenStorage(kModels));
    }
}

void LoadModels(TmdlModelInfoList &list, const StorageRef &sectionModels)
{
    for (const StorageElement &e : sectionModels.Elements()) {
        if (e.isStorage) continue;
        TmdlModelInfo &m = list.Add();
        ReadModelInfo(m, sectionModels.ReadStream(e.name));
    }
}

// --- sections and models in the file ---------------------------------------------

void TmdlModelSection::Assign(const TmdlModelSection &o)
{
    if (&o == this) return;
    Name = o.Name;
    Reserved = o.Reserved;
    StorageName = o.StorageName;
    Models.Clear();
    for (int i = 0; i < o.Models.Count(); ++i) Models.Add(o.Models[i]);
}

void TmdlModelSection::CreateStorage() const
{
    CompoundFile::Update update(ModelsBaseFile());
    const StorageRef st = ModelsRootStorage().CreateStorage(StorageName);
    st.CreateStream(kSection, WriteSectionHeader(*this));
    st.CreateStorage(kModels);
    update.Commit();
}

void TmdlModelSection::SaveHeader() const
{
    ModelsRootStorage().OpenStorage(StorageName).WriteStream(kSection, WriteSectionHeader(*this));
}

void TmdlModelSection::DeleteStorage() const { ModelsRootStorage().DestroyElement(StorageName); }

StorageRef TmdlModelSection::ModelsStorage() const
{
    return ModelsRootStorage().OpenStorage(StorageName).OpenStorage(kModels);
}

void TmdlModelInfo::CreateStream(const StorageRef &sectionModels) const
{
    sectionModels.CreateStream(StreamName, WriteModelInfo(*this));
}

void SaveModelStream(const TmdlModelInfo &model, const TmdlModelSection &section)
{
    section.ModelsStorage().WriteStream(model.StreamName, WriteModelInfo(model));
}

void DeleteModelStream(const TmdlModelInfo &model, const TmdlModelSection &section)
{
    section.ModelsStorage().DestroyElement(model.StreamName);
}

// --- names and look-ups ---------------------------------------------------------

QString NextSectionStorageName(const TmdlModelSectionList &list)
{
    QStringList used;
    for (int i = 0; i < list.Count(); ++i) used << list[i].StorageName;
    return nextName(QStringLiteral("ModelSection"), used);
}

QString NextModelStreamName(const TmdlModelInfoList &list)
{
    QStringList used;
    for (int i = 0; i < list.Count(); ++i) used << list[i].StreamName;
    return nextName(QStringLiteral("Model"), used);
}

int FindSectionByName(const TmdlModelSectionList &list, const QString &name)
{
    for (int i = 0; i < list.Count(); ++i)
        if (list[i].Name == name) return i;
    return -1;
}

bool SameLatinText(const QString &a, const QString &b)
{
    if (a.size() != b.size()) return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        QChar x = a.at(i), y = b.at(i);
        if (x == y) continue;
        auto fold = [](QChar c) { return c >= u'a' && c <= u'z' ? QChar(c.unicode() - 32) : c; };
        if (fold(x) != fold(y)) return false;
    }
    return true;
}

TmdlModelInfo *FindModelByName(TmdlModelSectionList &list, const QString &name)
{
    for (int s = 0; s < list.Count(); ++s)
        for (int m = 0; m < list[s].Models.Count(); ++m)
            if (SameLatinText(list[s].Models[m].Name, name)) return &list[s].Models[m];
    return nullptr;
}

// --- the empty base ---------------------------------------------------------------

void WriteEmptyModelsBase(const QString &path)
{
    // Written beside and renamed, so a failure leaves nothing half-made.
    const QString temp = path + QStringLiteral(".new");
    QFile::remove(temp);
    {
        auto file = CompoundFile::Open(temp, CompoundFile::Mode::CreateWhenMissing);
        file->Root().CreateStorage(kModels);
    }
    QFile::remove(path);
    if (!QFile::rename(temp, path)) {
        QFile::remove(temp);
        throw Error(u("Ошибка создания файла \"%1\".").arg(path));
    }
}

void WriteModelsTemplateIfMissing(const Paths &paths)
{
    const QString tpl = paths.ModelsTemplateFile();
    if (QFileInfo::exists(tpl)) return;
    QDir().mkpath(QFileInfo(tpl).absolutePath());
    WriteEmptyModelsBase(tpl);
}

void CopyModelsBaseIfMissing(const Paths &paths)
{
    const QString base = paths.ModelsBaseFile();
    if (QFileInfo::exists(base)) return;
    WriteModelsTemplateIfMissing(paths);
    if (!QFile::copy(paths.ModelsTemplateFile(), base))
        throw Error(u("Ошибка копирования файла \"%1\".").arg(paths.ModelsTemplateFile()));
}

} // namespace kv
