#pragma once
// The part-base document: a ".kdx" header (INI, cp1251) that names a dBASE
// parts table lying beside it, the state a part-base window keeps for it,
// and new / open / save / save as / merge / open a model. No widgets: the
// window asks the questions and shows the messages; failures here are
// kv::Error with the message the user sees.
#include "platform/db/table.h"

#include <QList>
#include <QMap>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace kv {

class Paths;
class PositiveFieldsCheck;
class Settings;

// One entry of [ModelsList]: a model of the models base and how many times
// the part base holds it (text as the file has it).
struct ModelEntry
{
    QString name;
    QString count;
    bool operator==(const ModelEntry &) const = default;
};

// Running totals over the parts a window shows, in whole millimetres (64-bit:
// 400 parts of 2800 x 2070 overflow 32 bits).
struct PartBaseTotals
{
    qint64 quantity = 0;
    qint64 areaMm2 = 0;
    qint64 perimeterMm = 0;
    qint64 edgeMm = 0;                 // banded edges with a known code
    QMap<int, qint64> edgeByCode;      // code -> length (code 0 included)
    QList<int> edgeCodes;              // the codes in the order they first appear
};

// The allowance of an edge-banding code; nullopt when the code is not in the
// edge-banding base.
using BorderAllowance = std::function<std::optional<int>(int code)>;

class PartBaseDocument
{
public:
    static constexpr int kAllMaterials = 999;

    // `settings` gives the defaults of new records (may be null: all 0).
    explicit PartBaseDocument(const Paths &paths, Settings *settings = nullptr);
    // Closes the table; an untitled part base that is not a model loses its
    // temporary table.
    ~PartBaseDocument();
    PartBaseDocument(const PartBaseDocument &) = delete;
    PartBaseDocument &operator=(const PartBaseDocument &) = delete;

    Table &table() { return *m_table; }
    const Table &table() const { return *m_table; }
    bool HasTable() const { return m_table->Active(); }

    // ---- document state
    QString DocumentName;    // header path; the temporary table while untitled
    QString TablePath;
    QString CaptionName;     // empty while untitled
    QString ModelName;       // set while the window shows one model of the models base
    QString SuggestedName;   // first proposal of the save dialog of an untitled base
    bool Untitled = false;
    bool Modified = false;
    QList<ModelEntry> Models;

    // "База деталей: <name>", the model name, or "База деталей: <без названия>".
    QString Caption() const;
    // What the save dialog proposes: the document name on save as, the
    // suggested name for an untitled base.
    QString ProposedName(bool saveAs) const;
    // Whether a save asks for a file name.
    bool NeedsName(bool saveAs) const { return saveAs || Untitled; }

    // ---- operations (each raises kv::Error with the user's message)
    // An empty untitled part base on "Temp\<n>$Gr.dbf".
    void NewGroup();
    // Opens a header; the document is unchanged on failure.
    void LoadFromFile(const QString &headerPath);
    // Saves. `newHeader` empty: in place (an untitled base needs a name).
    // A name without ".kdx" gets it; the table is the name with ".dbf". A
    // name whose header or table another open part base uses is refused.
    // Header and table are replaced as one unit (a kill at any step leaves
    // the old pair or the new one); the previous pair stays until the new
    // one is complete. On failure the document stays on its previous table
    // and names.
    void SaveToFile(const QString &newHeader = QString());
    // Merges another document `count` times into this one; the parts equal
    // in all columns but the quantity become one. Nothing changes on failure.
    void Merge(const QString &otherHeader, int count);
    // Shows one model's parts table "Catalog\<stem>.dbf" as a part base.
    void OpenModel(const QString &modelName, const QString &tableStem);
    // Every part of material `from` (every part when it is 999) gets `to`,
    // whatever the filter shows; the filter stays. Returns the parts changed.
    int ReplaceMaterial(int from, int to);
    // A copy of the current part, appended and posted; raises
    // "Ошибка копирования записи!".
    void CopyCurrentRecord();
    // Posts a pending edit.
    void PostIfEditing();
    // Writes the cached edits to the table file.
    void ApplyUpdates();
    // While it lives, new records take no defaults from the settings: an
    // import that gives every column appends its many rows without them.
    class WholeRecords
    {
    public:
        explicit WholeRecords(PartBaseDocument &d) : m_d(d) { ++m_d.m_wholeRecords; }
        ~WholeRecords() { --m_d.m_wholeRecords; }
        WholeRecords(const WholeRecords &) = delete;
        WholeRecords &operator=(const WholeRecords &) = delete;

    private:
        PartBaseDocument &m_d;
    };

    // ---- material filter: 999 shows every part
    int FilterCode() const { return m_filter; }
    void SetMaterialFilter(int code);

    // Material name of a code for the calculated column "MatName".
    std::function<QString(int code)> MaterialName;
    // Called after the document's table changed under the window (merge,
    // open, save) so views show it again.
    std::function<void()> OnTableChanged;
    // After a post or delete marked the part base modified.
    std::function<void()> OnModified;
    // Told what the user should know of an open or merge that still went on
    // (a save journal that was not acted on); without it nothing is said.
    std::function<void(const QString &text)> OnWarning;

    // Totals over the rows the filter shows; a row with a size or quantity
    // below 1 counts for nothing.
    PartBaseTotals Totals(const BorderAllowance &allowance) const;
    // The check of the sizes and the quantity of a posted part.
    PositiveFieldsCheck &RowChecks() { return *m_checks; }

    // Every record of `ds` from its first (as it shows them) into a new table
    // at `path` made from the template "Group.dbf"; the position is kept.
    static void CopyPartsTable(DataSet &ds, const QString &path, const Paths &paths);
    // Open documents by header path and by table path (paths compare with
    // Latin letters folded).
    static PartBaseDocument *FindOpenGroup(const QString &headerPath);
    static PartBaseDocument *FindGroupByTable(const QString &tablePath);
    static QList<PartBaseDocument *> OpenDocuments();
    // The rotation names "поворачивать", "не поворачивать", "один для всех".
    static QString GetRotateName(int rotate);
    static int UntitledCounter();

    // Header files: [Header] FName and [ModelsList] in comma-text form.
    static QByteArray HeaderBytes(const QString &tableFile, const QList<ModelEntry> &models);
    static void WriteHeader(const QString &headerPath, const QString &tableFile, const QList<ModelEntry> &models);
    static QList<ModelEntry> ReadModels(const QString &headerPath);
    // The table a header names: its bare file name in the header's folder.
    static QString HeaderTable(const QString &headerPath);
    // Equal model names (without regard to case) joined: the first keeps its
    // place and gets the sum of the counts.
    static QList<ModelEntry> MergeModelLists(const QList<ModelEntry> &models);

    const Paths &paths() const { return m_paths; }

private:
    void openTable(const QString &path);
    void closeTable(bool apply);
    void setupTable();
    void newRecord(DataSet &ds);
    void calcFields(DataSet &ds);
    void tableChanged();
    bool isOtherDocumentsFile(const QString &header, const QString &table) const;

    const Paths &m_paths;
    Settings *m_settings;
    std::unique_ptr<Table> m_table;
    std::unique_ptr<PositiveFieldsCheck> m_checks;
    int m_filter = kAllMaterials;
    int m_wholeRecords = 0;
};

// Paths compared as the program compares them (Latin letters folded).
bool SameFilePath(const QString &a, const QString &b);

} // namespace kv
