#pragma once
// The shared data module: the general queries, the general table of the
// materials window, the stock tables of the warehouse with their two dirty
// flags, the cached view of one material's standard sheets, and the routines
// around the working copies of "Temp\".
#include "platform/db/dataset.h"
#include "platform/db/query.h"
#include "platform/db/table.h"
#include "platform/db/tablestore.h"

#include <QHash>

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace kv {
class Paths;
class PositiveFieldsCheck;
class Settings;
} // namespace kv

class TModule : public QObject
{
public:
    // paths and settings outlive the module; settings may be null (no
    // default material: 0).
    explicit TModule(kv::Paths *paths, kv::Settings *settings = nullptr, QObject *parent = nullptr);
    ~TModule() override;

    kv::Query *Query;           // general SQL: material lists and names
    kv::Query *QueryTemp;       // next material code
    kv::Table *Table;           // materials working copy while its window is open
    kv::DataSource *DataSource;
    kv::Table *tblSheets;       // standard sheets (warehouse working copy)
    kv::DataSource *srcSheets;
    kv::Table *tblScraps;       // off-cuts (warehouse working copy)
    kv::DataSource *srcScraps;
    kv::Table *tblSheets2;      // one material's standard sheets in stock (cached, "Many>0")
    kv::DataSource *srcSheets2;
    kv::Query *qryCommon;       // look-ups
    kv::Query *qryPrint;        // report data

    // Unsaved edits of the working copies; set by rows posted and deleted
    // in the stock tables, read and cleared by the warehouse.
    bool SheetsModified = false;
    bool ScrapsModified = false;

    // The material name of a code for the calculated MatName column; the
    // warehouse window sets it to its look-up in the material lists.
    std::function<QString(int code)> FindNameByCode;

    // Event handlers of the tables.
    void tblSheetsNewRecord(kv::DataSet &ds);
    void tblScrapsNewRecord(kv::DataSet &ds);
    void TableNewRecord(kv::DataSet &ds);
    void tblSheetsCalcFields(kv::DataSet &ds);
    void ModuleDestroy();

    // Largest material code of the materials working copy + 1 (1 for an
    // empty base), never 999 (all materials) nor a code already used by the
    // working copy or by rows of `Table` not yet written. Raises when the
    // statement fails.
    int NextMaterialCode();

    // Templates of "Pattern\" that are missing are written, and the stock
    // tables of "Sheets\" that are missing are made from them. A fresh
    // installation (none of them there) starts with empty stock; otherwise
    // the tables made are returned, for the user to hear of, and every file
    // already there is kept.
    QStringList EnsureTables();
    // What the user is told of stock tables made empty because they were missing.
    static QString MissingTablesText(const QStringList &tables);
    // Copies the template over the working file and fills it with every row
    // of the live table ("Insert into" ... "Select * from" ...).
    void MakeWorkingCopy(const QString &templateFile, const QString &workFile, const QString &liveFile);
    // The warehouse's working copies: the table is closed, its copy made and
    // the table bound to it in "Temp\" and opened. Raise "Ошибка открытия
    // базы листов" / "Ошибка открытия базы отходов" on failure, with the file
    // and the reason; the stock table is left as it is and stays closed (the
    // working copy holds no rows) until it opens. A table cut short (inside
    // a record, or fewer records than its header counts) opens with the
    // records that are whole; SheetsNotice / ScrapsNotice then say so.
    void OpenSheetsCopy();
    void OpenScrapsCopy();
    // Posts a pending edit and copies the working copy back over the stock
    // table; clears the dirty flag. A stock table that could not be opened
    // is not written (raises why); one opened short is first kept beside
    // itself as it was (the name ShortenedCopyOf gives).
    void SaveSheets();
    void SaveScraps();

    // Why a stock table could not be opened (empty when it opened), and
    // whether the file is still the one that failed (then trying again
    // would only say the same).
    QString SheetsProblem() const { return m_sheets.problem; }
    QString ScrapsProblem() const { return m_scraps.problem; }
    bool SheetsFailedUnchanged() const;
    bool ScrapsFailedUnchanged() const;
    // What the user is told of a table opened short: given once per file
    // (empty otherwise, and when it was given already).
    QString TakeNotice(bool scraps);
    // Where a table opened short is kept before a save replaces it:
    // "<name>.bad", or "<name>.bad1", ... when that is taken.
    static QString ShortenedCopyOf(const QString &liveFile);
    // What is wrong with a dBASE file for a user: a fatal problem (the file
    // cannot be read as a table) raises; a table whose records are not all
    // there returns its notice; a sound one returns empty.
    static QString CheckStockTable(const QString &liveFile);

    kv::Paths *GetPaths() const { return m_paths; }

private:
    void defineStockFields(kv::Table *t, bool scraps);
    int defMaterial() const;

    kv::Paths *m_paths;
    kv::Settings *m_settings;
    // Sizes and quantities typed into the warehouse grids.
    std::unique_ptr<kv::PositiveFieldsCheck> m_sheetsCheck, m_scrapsCheck;
    // The working copies this module made, by the copy's path: the live
    // table and the copy as they were then.
    struct MadeCopy
    {
        kv::TableStore::Stamp live, work;
    };
    QHash<QString, MadeCopy> m_copies;
    // How the last opening of a stock table went.
    struct StockOpen
    {
        QString problem;              // it failed, and why
        QString notice;               // it opened short
        bool told = false;            // the notice was given
        kv::TableStore::Stamp live;   // the file as it was then
    };
    StockOpen m_sheets, m_scraps;
    void openStockCopy(bool scraps);
    void saveStock(bool scraps);
    bool failedUnchanged(const StockOpen &o, const QString &live) const;
};
