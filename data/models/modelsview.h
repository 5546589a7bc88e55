#pragma once
// What the models base window shows and changes, without widgets: the
// section list with the two pseudo-sections in front ("<Все модели>",
// "<Выбранные модели>"), stored sections sorted by name, the models of a
// navigator entry, chosen quantities, and the changes of sections and models
// in the open base. Every change raises kv::Error with the window's message
// and leaves the lists as they were before it.
#include "data/models/modelbase.h"

#include <QList>
#include <QString>

#include <functional>

namespace kv {

class Paths;

class ModelsBaseView
{
public:
    static QString AllModelsName();        // "<Все модели>"
    static QString ChosenModelsName();     // "<Выбранные модели>"

    explicit ModelsBaseView(const Paths &paths);

    // Opens the base, loads every section with its models, puts the two
    // pseudo-sections in front and sorts.
    void Load();
    TmdlModelSectionList &Sections() { return m_sections; }
    const TmdlModelSectionList &Sections() const { return m_sections; }

    // Selection sort of the stored sections (from index 2) by name.
    void Sort();
    // The models of navigator entry `entry`: all, the chosen, or a section's.
    QList<TmdlModelInfo *> ModelsOf(int entry);
    // The section holding a model; -1 when none.
    int SectionOf(const TmdlModelInfo *model) const;

    // "Разотметить" on an entry (0 and 1: all) and "Разотметить все".
    void ClearQuantities(int entry);
    void ClearAllQuantities();

    // True when a section other than `except` has this name after upper-casing.
    bool SectionNameTaken(const QString &name, int except = -1) const;

    // Each returns the index of the section to select afterwards.
    int AddSection(const QString &name);
    int RenameSection(int entry, const QString &name);
    void DeleteSection(int entry);

    // Model properties: a new name, and a move when `sectionName` names
    // another section. Returns the section shown afterwards.
    int ChangeModel(TmdlModelInfo *model, const QString &newName, const QString &sectionName);
    // Refused (kv::Error) while `isTableOpen` says a window has its parts table.
    void DeleteModel(TmdlModelInfo *model, const std::function<bool(const QString &tablePath)> &isTableOpen);
    // Appends a copy of the model to the section of that storage name.
    int AddModel(const QString &storageName, const TmdlModelInfo &model);

    // Adds quantities from model description files (see ApplyModelListFiles).
    void ApplyModelLists(const QStringList &files, QStringList &notFound, QList<int> &counts);

    // (name, quantity) of the models shown with a quantity other than 0.
    QList<QPair<QString, int>> PrintList(int entry);

private:
    const Paths &m_paths;
    TmdlModelSectionList m_sections;
};

} // namespace kv
