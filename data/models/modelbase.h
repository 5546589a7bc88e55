#pragma once
// The models base: product models grouped in sections, kept in the
// structured-storage file "Models.dat". Layout:
//   root / "MODELS" / <section storage> / "SECTION" (header stream)
//                                       / "MODELS" / <model stream>...
// Records are in the report engine's stream encoding (cp1251 strings with a
// 16-bit length and a closing zero; 4-byte little-endian integers). The base
// is held open (and locked) from its first use to the end of the run.
#include "platform/storage.h"

#include <QString>

#include <memory>
#include <vector>

namespace kv {

class Paths;

struct TmdlModelInfo
{
    QString Name;
    int Quantity = 0;          // copies chosen in the window; 0 after every load
    QString PartsTable;        // stem of "Catalog\<stem>.dbf"
    int Reserved = 0;
    QString StreamName;

    void Assign(const TmdlModelInfo &o) { *this = o; }
    // Creates StreamName in a section's "MODELS" storage and writes the record.
    void CreateStream(const StorageRef &sectionModels) const;
};

// Owning lists with stable item addresses (windows keep pointers to items).
template <class T>
class TmdlOwningList
{
public:
    int Count() const { return int(m_items.size()); }
    T &operator[](int i) { return *m_items.at(size_t(i)); }
    const T &operator[](int i) const { return *m_items.at(size_t(i)); }
    T &Add(const T &item = T())
    {
        m_items.push_back(std::make_unique<T>(item));
        return *m_items.back();
    }
    T &Insert(int index, const T &item = T())
    {
        auto it = m_items.insert(m_items.begin() + index, std::make_unique<T>(item));
        return **it;
    }
    void Delete(int index) { m_items.erase(m_items.begin() + index); }
    void Clear() { m_items.clear(); }
    void Exchange(int a, int b) { std::swap(m_items.at(size_t(a)), m_items.at(size_t(b))); }
    int IndexOf(const T *item) const
    {
        for (size_t i = 0; i < m_items.size(); ++i)
            if (m_items[i].get() == item) return int(i);
        return -1;
    }

private:
    std::vector<std::unique_ptr<T>> m_items;
};

using TmdlModelInfoList = TmdlOwningList<TmdlModelInfo>;

struct TmdlModelSection
{
    QString Name;
    int Reserved = 0;
    TmdlModelInfoList Models;
    QString StorageName;

    TmdlModelSection() = default;
    TmdlModelSection(const TmdlModelSection &o) { Assign(o); }
    TmdlModelSection &operator=(const TmdlModelSection &o)
    {
        Assign(o);
        return *this;
    }
    void Assign(const TmdlModelSection &o);

    // Storage operations on the open base (OpenModelsBase).
    void CreateStorage() const;        // StorageName with "SECTION" and "MODELS"
    void SaveHeader() const;           // rewrites "SECTION"
    void DeleteStorage() const;        // with all its models
    StorageRef ModelsStorage() const;  // the section's "MODELS"
};

using TmdlModelSectionList = TmdlOwningList<TmdlModelSection>;

// Model record operations that need the model's section.
void SaveModelStream(const TmdlModelInfo &model, const TmdlModelSection &section);
void DeleteModelStream(const TmdlModelInfo &model, const TmdlModelSection &section);

// Records as bytes of a stream (reading raises kv::Error on a short record).
QByteArray WriteSectionHeader(const TmdlModelSection &section);
void ReadSectionHeader(TmdlModelSection &section, const QByteArray &bytes);
QByteArray WriteModelInfo(const TmdlModelInfo &model);
void ReadModelInfo(TmdlModelInfo &model, const QByteArray &bytes);   // Quantity becomes 0

// The open base. OpenModelsBase does nothing when that file is already open
// (another file closes the first). Raises kv::Error on any failure.
void OpenModelsBase(const QString &path);
void CloseModelsBase();
bool IsModelsBaseOpen();
CompoundFile &ModelsBaseFile();    // raises when not open
StorageRef ModelsRootStorage();    // the root's "MODELS"

void LoadSections(TmdlModelSectionList &list, const StorageRef &models, bool withModels);
void LoadModels(TmdlModelInfoList &list, const StorageRef &sectionModels);

QString NextSectionStorageName(const TmdlModelSectionList &list);   // "ModelSection%d"
QString NextModelStreamName(const TmdlModelInfoList &list);         // "Model%d"
int FindSectionByName(const TmdlModelSectionList &list, const QString &name);   // exact; -1
// First model over all sections whose name equals ignoring the case of Latin
// letters only; null when none.
TmdlModelInfo *FindModelByName(TmdlModelSectionList &list, const QString &name);
bool SameLatinText(const QString &a, const QString &b);

// An empty base (a root holding an empty "MODELS") written at `path`.
void WriteEmptyModelsBase(const QString &path);
// "Pattern\Models.dat" written when missing; then "Models.dat" copied from it
// when missing (an existing base is never overwritten). Raises on failure.
void WriteModelsTemplateIfMissing(const Paths &paths);
void CopyModelsBaseIfMissing(const Paths &paths);

} // namespace kv
