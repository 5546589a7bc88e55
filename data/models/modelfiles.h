#pragma once
// Files around the models base: the parts tables of models in "Catalog\",
// model description files "*.kmx", the model export file, the section list
// of the older catalog "Catalog.ini", and a part base assembled from models.
#include "data/imports/partlists.h"
#include "data/models/modelbase.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace kv {

class Paths;
class TIniFile;

// "Catalog\<stem>.dbf" (found without regard to case when it exists); empty
// when the stem is not a bare file name.
QString ModelTablePath(const Paths &paths, const QString &stem);
// The first stem "mdl%d" (n = 0, 1, ...) whose table does not exist.
QString NextModelTableStem(const Paths &paths);

// A model description file: [MODELS] COUNT and lines "1".."COUNT", each a
// comma text whose first item is a model name and the second, when present,
// a quantity (0 when absent or not a number). Missing lines are skipped; a
// huge COUNT costs only the lines that exist.
struct ModelListEntry
{
    QString name;
    int quantity = 0;
    bool operator==(const ModelListEntry &o) const = default;
};
QList<ModelListEntry> ReadModelListFile(const QString &path);
// Writes the entries in comma-text form (quoted where needed, inner quotes
// doubled), through a temporary file.
void WriteModelListFile(const QString &path, const QList<ModelListEntry> &entries);

// Adds the quantities of model description files to the models of
// `sections` (found by FindModelByName); names not found with a quantity
// above 0 go to the two out lists.
void ApplyModelListFiles(TmdlModelSectionList &sections, const QStringList &files, QStringList &notFound,
                         QList<int> &counts);

// The model export: [DETALS] "1".."n" = "name",length,width,many,"material"
// (names quoted, inner quotes doubled) and DCOUNT. An existing file is
// replaced; any failure leaves no file and raises kv::Error.
void ExportModelParts(const QString &tablePath, const QString &iniPath,
                      const std::function<QString(int code)> &materialName);

// The parts of every model of `sections` whose quantity is above 0 and whose
// parts table exists, each model's quantities multiplied by its copies and
// equal parts merged (equal in every column but the quantity).
// `modelNames`/`modelCounts` receive the models taken. Works through
// "Temp\OpenElem.dbf" and "Temp\OpenElemG.dbf", deleted in every case.
// When the merge fails, the parts come unmerged and `mergeFailure` gets the
// message to show. Raises kv::Error with the message to show, giving
// nothing, on any other failure.
QList<ImportedPart> PartsFromModels(const Paths &paths, const TmdlModelSectionList &sections,
                                    QStringList &modelNames, QStringList &modelCounts,
                                    QString *mergeFailure = nullptr);

// The section list of the older catalog, edited on a working copy
// "Temp\Catalog.ini" and written back on Save.
class CatalogSectionsEdit
{
public:
    explicit CatalogSectionsEdit(const Paths &paths);   // copies the catalog (an empty one when missing)
    ~CatalogSectionsEdit();                              // deletes the working copy

    struct Line
    {
        QString number;
        QString name;
        bool operator==(const Line &o) const = default;
    };
    QList<Line> Sections() const;
    QString Add(const QString &name);                    // returns the number taken
    void Rename(const QString &number, const QString &name);
    void Delete(const QString &number);
    int DeletedCount() const { return int(m_deleted.size()); }
    bool Changed() const { return m_changed; }
    // Writes [Sections] back (replacing it whole), erases the sections of
    // deleted entries from the catalog and deletes their parts tables.
    void Save();

private:
    const Paths &m_paths;
    QString m_work;
    std::unique_ptr<TIniFile> m_ini;
    QStringList m_deleted;
    QStringList m_deletedStems;
    bool m_changed = false;
};

} // namespace kv
