#pragma once
// The warehouse without its window: the working copies of the stock tables
// held by the data module ("Temp\TempSh.dbf", "Temp\TempSc.dbf"), their
// saving and reloading, the material and date filters, adding standard
// sheets, clearing and waste deletion of off-cuts, marking, merging equal
// off-cut rows, label lists, the statistics, and a change of both working
// copies that is prepared on copies and swapped in only when it succeeds.
#include "data/matoptions.h"

#include <QDate>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class TModule;

namespace kv {

class Settings;
class Paths;

inline constexpr int kAllMaterials = 999;

// Answers of the questions with Yes, No and Cancel.
enum class StockAnswer { Yes, No, Cancel };
using StockAsk = std::function<StockAnswer(const QString &question)>;

struct DateRange
{
    QDate from;
    QDate to;
    bool Contains(const QDate &d) const { return d.isValid() && d >= from && d <= to; }
};

// The message for a range that cannot filter (a date missing or "from" after
// "to"); empty when the range is sound.
QString CheckDateRange(const DateRange &r);
// The two texts of the date filter dialog as a range; the message of the
// dialog when either is not a date, CheckDateRange's when they are reversed.
std::optional<DateRange> ParseDateRange(const QString &from, const QString &to, QString *message);

// Which rows the window shows: one material (or all) and, for off-cuts, an
// optional range of intake dates.
struct StockFilter
{
    int material = kAllMaterials;
    std::optional<DateRange> dates;
    bool AcceptsSheet(int code) const { return material == kAllMaterials || code == material; }
    bool AcceptsScrap(int code, const QDate &date) const
    {
        return AcceptsSheet(code) && (!dates || dates->Contains(date));
    }
    // The status bar text: "Установлен фильтр (с ... по ... )" or empty.
    QString StatusText() const;
};

// The four parallel lists of the off-cut label dialog.
struct ScrapLabelLists
{
    QStringList names, sizes, materials, remarks;
};

// One row of the warehouse statistics, square metres.
struct StockStatRow
{
    int code = 0;
    QString material;
    double shSquare = 0;
    double scSquare = 0;
    bool known = true;   // false: the code is not in the materials base
};

// Materials as (code, name) pairs, from the materials service.
using MaterialList = QList<QPair<int, QString>>;

// Name shown for a material code that the materials base does not know.
QString UnknownMaterialName(int code);

// Checks of the "Добавление листов" dialog, in its order; empty when sound.
// `field` gets 0 length, 1 width, 2 quantity, 3 material.
QString CheckNewSheets(int length, int width, int quantity, bool materialChosen, int *field = nullptr);

class StockChange;

// One for the whole run, held by the context: the warehouse window and the
// acceptance of a variant are two clients of it.
class StockService : public QObject
{
    Q_OBJECT

public:
    // Module and settings outlive the service. The service takes over the
    // filters of the module's two stock tables.
    StockService(TModule &module, Settings &settings);
    ~StockService() override;

    TModule &Module() { return m_module; }
    const Paths &GetPaths() const;

    // ---- working copies
    // Makes both working copies from the stock tables and opens the tables
    // on them; each failure is one message of the list (the other table is
    // still tried), and so is the notice of a table opened short. A table
    // that failed before and is still the same file is not tried again. A copy with unsaved changes (an accepted variant) is
    // kept as it is: making it again would drop them.
    QStringList OpenCopies();
    // Posts a pending edit and replaces the stock table by the working copy;
    // clears the dirty flag. Raises with the message on failure, the stock
    // table then as it was.
    void SaveSheets();
    void SaveScraps();
    // The working copy made again from the stock table (unsaved edits are
    // dropped); clears the dirty flag. On failure the table stays on the old
    // working copy and the error is raised.
    void ReloadSheets();
    void ReloadScraps();
    bool SheetsDirty() const;
    bool ScrapsDirty() const;
    void PostSheets();
    void PostScraps();

    // The close question, both tables in turn: Yes saves, No reloads, Cancel
    // refuses. A save that fails refuses too (its message goes to
    // `report`). True when the window may close; both flags are then clear.
    bool CloseQuery(const StockAsk &ask, const std::function<void(const QString &)> &report);

    // ---- filters
    void SetCurrentMaterial(int code);
    int CurrentMaterial() const { return m_filter.material; }
    // A range that CheckDateRange refuses raises its message; the filter stays.
    void SetDateFilter(const std::optional<DateRange> &range);
    const StockFilter &Filter() const { return m_filter; }

    // ---- standard sheets
    // A row of the same length, width and material gets its quantity raised,
    // otherwise a row is appended. True when a row was appended.
    bool AddSheets(int length, int width, int quantity, int code);

    // ---- off-cuts
    // Deletes the off-cuts of one material (all for 999) from the working
    // copy. Raises when the statement fails.
    void ClearScraps(int code);
    // Deletes the off-cuts of `code` that count as waste under the limits.
    // Returns the rows deleted; raises when a statement fails.
    int DeleteWaste(int code, const TScrapSettings &limits);
    // Gives a code to every shown off-cut without one, in table order: prefix
    // + number + suffix, the first number above the counter that the
    // material does not use yet. The counter starts at MarkMaxNumber with
    // through numbering, else at 0; with through numbering the last number
    // given is written back as the material's MarkMaxNumber. Every code is
    // checked before any is written: one longer than the name field, or a
    // counter run out, raises and leaves the rows as they were. Returns the
    // number of rows marked.
    int MarkScraps(const TMarkSettings &mark, int materialCode);
    // Rows equal in name, size, material and date become one row with the
    // sum of their quantities.
    void MergeEqualScraps();
    // The same on any off-cut table file (the working copy or a staged copy).
    void MergeEqualScrapsFile(const QString &scrapsFile);

    // ---- lists and statistics
    // One entry per piece of every shown off-cut row.
    ScrapLabelLists FillScrapsLabelLists(const std::function<QString(int)> &materialName);
    // One row per material of `materials` (by name) and one per code of the
    // stock that the list does not know; the pending edits are posted first.
    QList<StockStatRow> Statistics(const MaterialList &materials);
    // The print query of a list: the working copy left-joined with the
    // materials table, filtered by the material unless 999.
    QString PrintListSQL(bool scraps, const QString &materialsTable) const;

    // ---- a change of both working copies prepared on copies (acceptance)
    std::unique_ptr<StockChange> BeginChange();

    // ---- a saved state restored: the two stock tables and the two working
    // copies take the files' contents together, or none does.
    void RestoreFrom(const QString &sheetsFile, const QString &scrapsFile);

signals:
    // Both working copies took a change made on copies (an accepted variant).
    void Changed();

private:
    friend class StockChange;
    void applySheetsFilter();
    void applyScrapsFilter();
    void reopenAfterSwap();
    void reload(bool scraps);
    // Raises why a stock table could not be opened, when it could not.
    void requireOpen(bool scraps) const;

    TModule &m_module;
    Settings &m_settings;
    StockFilter m_filter;
};

// Copies of the two working copies on which an operation runs its
// statements. Commit swaps them in over the working copies together and sets
// the dirty flags of the tables whose contents changed; without a commit the
// copies are deleted and the working copies stay as they were.
class StockChange
{
public:
    ~StockChange();
    QString SheetsFile() const { return m_sheets; }
    QString ScrapsFile() const { return m_scraps; }
    void Commit();

private:
    friend class StockService;
    explicit StockChange(StockService &stock);
    StockService &m_stock;
    QString m_sheets, m_scraps;
    bool m_done = false;
};

} // namespace kv
