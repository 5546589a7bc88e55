#include "data/models/modelsview.h"

#include "data/models/modelfiles.h"
#include "data/paths.h"
#include "platform/db/copytable.h"
#include "platform/error.h"
#include "platform/text.h"

#include <QFileInfo>

namespace kv {

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

// The locale's case-sensitive order: letters first without regard to case,
// then case as the tie-break.
int compareNames(const QString &a, const QString &b)
{
    const int c = compareText(a, b);
    if (c != 0) return c;
    return QString::compare(b, a);   // a small letter before its capital
}

} // namespace

QString ModelsBaseView::AllModelsName() { return u("<Все модели>"); }
QString ModelsBaseView::ChosenModelsName() { return u("<Выбранные модели>"); }

ModelsBaseView::ModelsBaseView(const Paths &paths) : m_paths(paths) {}

void ModelsBaseView::Load()
{
    OpenModelsBase(m_paths.ModelsBaseFile());
    TmdlModelSectionList list;
    LoadSections(list, ModelsRootStorage(), true);
    TmdlModelSection chosen, all;
    chosen.Name = ChosenModelsName();
    all.Name = AllModelsName();
    list.Insert(0, chosen);
    list.Insert(0, all);
    m_sections.Clear();
    for (int i = 0; i < list.Count(); ++i) m_sections.Add(list[i]);
    Sort();
}

void ModelsBaseView::Sort()
{
    const int n = m_sections.Count();
    if (n <= 3) return;
    for (int i = 2; i < n - 1; ++i) {
        int best = i;
        for (int j = i + 1; j < n; ++j)
            if (compareNames(m_sections[j].Name, m_sections[best].Name) < 0) best = j;
        if (best != i) m_sections.Exchange(i, best);
    }
}

QList<TmdlModelInfo *> ModelsBaseView::ModelsOf(int entry)
{
    QList<TmdlModelInfo *> out;
    if (entry < 0 || entry >= m_sections.Count()) return out;
    if (entry <= 1) {
        for (int s = 2; s < m_sections.Count(); ++s)
            for (int m = 0; m < m_sections[s].Models.Count(); ++m) {
                TmdlModelInfo &model = m_sections[s].Models[m];
                if (entry == 0 || model.Quantity > 0) out << &model;
            }
        return out;
    }
    for (int m = 0; m < m_sections[entry].Models.Count(); ++m) out << &m_sections[entry].Models[m];
    return out;
}

int ModelsBaseView::SectionOf(const TmdlModelInfo *model) const
{
    for (int s = 0; s < m_sections.Count(); ++s)
        if (m_sections[s].Models.IndexOf(model) >= 0) return s;
    return -1;
}

void ModelsBaseView::ClearQuantities(int entry)
{
    for (TmdlModelInfo *m : ModelsOf(entry)) m->Quantity = 0;
}

void ModelsBaseView::ClearAllQuantities() { ClearQuantities(0); }

bool ModelsBaseView::SectionNameTaken(const QString &name, int except) const
{
    const QString upper = upperCase(name);
    for (int s = 0; s < m_sections.Count(); ++s)
        if (s != except && upperCase(m_sections[s].Name) == upper) return true;
    return false;
}

int ModelsBaseView::AddSection(const QString &name)
{
    TmdlModelSection s;
    s.Name = name;
    s.StorageName = NextSectionStorageName(m_sections);
    s.CreateStorage();
    const TmdlModelSection *added = &m_sections.Add(s);
    Sort();
    return m_sections.IndexOf(added);
}

int ModelsBaseView::RenameSection(int entry, const QString &name)
{
    if (entry < 2 || entry >= m_sections.Count()) throw Error(u("Ошибка переименования раздела базы моделей."));
    TmdlModelSection &s = m_sections[entry];
    TmdlModelSection renamed;
    renamed.Name = name;
    renamed.StorageName = s.StorageName;
    try {
        renamed.SaveHeader();
    } catch (const Error &) {
        throw Error(u("Ошибка переименования раздела базы моделей."));
    }
    s.Name = name;
    Sort();
    return m_sections.IndexOf(&s);
}

void ModelsBaseView::DeleteSection(int entry)
{
    if (entry < 2 || entry >= m_sections.Count()) throw Error(u("Ошибка удаления раздела базы моделей."));
    const TmdlModelSection &s = m_sections[entry];
    try {
        s.DeleteStorage();
    } catch (const Error &) {
        throw Error(u("Ошибка удаления раздела базы моделей."));
    }
    for (int m = 0; m < s.Models.Count(); ++m) {
        if (s.Models[m].PartsTable.isEmpty()) continue;
        try {
            DeleteTableFile(ModelTablePath(m_paths, s.Models[m].PartsTable));
        } catch (...) {   // the section is gone; a table left behind harms nothing
        }
    }
    m_sections.Delete(entry);
}

int ModelsBaseView::ChangeModel(TmdlModelInfo *model, const QString &newName, const QString &sectionName)
{
    const int from = SectionOf(model);
    if (from < 0) throw Error(u("Ошибка изменения свойств модели."));
    const int to = FindSectionByName(m_sections, sectionName);
    if (to < 2 || to == from) {
        TmdlModelInfo changed = *model;
        changed.Name = newName;
        SaveModelStream(changed, m_sections[from]);
        model->Name = newName;
        return from;
    }
    TmdlModelInfo moved = *model;
    moved.Name = newName;
    moved.StreamName = NextModelStreamName(m_sections[to].Models);
    {
        CompoundFile::Update update(ModelsBaseFile());
        moved.CreateStream(m_sections[to].ModelsStorage());
        DeleteModelStream(*model, m_sections[from]);
        update.Commit();
    }
    m_sections[to].Models.Add(moved);
    m_sections[from].Models.Delete(m_sections[from].Models.IndexOf(model));
    return from;
}

void ModelsBaseView::DeleteModel(TmdlModelInfo *model, const std::function<bool(const QString &)> &isTableOpen)
{
    const int from = SectionOf(model);
    const QString name = model ? model->Name : QString();
    const QString failed = u("Ошибка удаления модели <%1>.").arg(name);
    if (from < 0) throw Error(failed);
    const QString table = model->PartsTable.isEmpty() ? QString() : ModelTablePath(m_paths, model->PartsTable);
    if (!table.isEmpty() && isTableOpen && isTableOpen(table))
        throw Error(u("Модель \"%1\" открыта в окне базы деталей.\rЗакройте окно и повторите удаление.").arg(name));
    try {
        DeleteModelStream(*model, m_sections[from]);
    } catch (const Error &) {
        throw Error(failed);
    }
    m_sections[from].Models.Delete(m_sections[from].Models.IndexOf(model));
    if (!table.isEmpty()) {
        try {
            DeleteTableFile(table);
        } catch (...) {
        }
    }
}

int ModelsBaseView::AddModel(const QString &storageName, const TmdlModelInfo &model)
{
    for (int s = 2; s < m_sections.Count(); ++s)
        if (m_sections[s].StorageName == storageName) {
            m_sections[s].Models.Add(model);
            return s;
        }
    return -1;
}

void ModelsBaseView::ApplyModelLists(const QStringList &files, QStringList &notFound, QList<int> &counts)
{
    ApplyModelListFiles(m_sections, files, notFound, counts);
}

QList<QPair<QString, int>> ModelsBaseView::PrintList(int entry)
{
    QList<QPair<QString, int>> out;
    for (TmdlModelInfo *m : ModelsOf(entry))
        if (m->Quantity != 0) out << qMakePair(m->Name, m->Quantity);
    return out;
}

} // namespace kv
