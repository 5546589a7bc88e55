#pragma once
// The run driver: one material of a cutting job, from the settings, the stock
// and the part base to the tabs of the results window. Everything it needs of
// the program's windows and tables comes through the small interfaces below,
// so it runs without any of them. Texts are UTF-8.
#include "engine/raskroy.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kv::engine {

// Section "Default" of the settings file.
class IRaskroySettings
{
public:
    virtual ~IRaskroySettings() = default;
    virtual void flush() {}
    virtual int32_t readInteger(const std::string &key, int32_t def) = 0;
    virtual bool readBool(const std::string &key, bool def) = 0;
};

struct TScrapRow
{
    std::string Name;
    int32_t Length = 0, Width = 0, Many = 0;
};

// The warehouse's working copies.
class IStockSource
{
public:
    virtual ~IStockSource() = default;
    // Opens the standard sheets of the material with Many > 0; false when it failed.
    virtual bool openStdSheets(int32_t code) = 0;
    // Sets Many of the open material's row of that size; false when it failed.
    virtual bool setStdSheetMany(int32_t length, int32_t width, int32_t many) = 0;
    // The off-cut rows of the material; false on a read error (rows hold what was read).
    virtual bool readScraps(int32_t code, std::vector<TScrapRow> &rows) = 0;
};

struct TPartRow
{
    std::string Name;
    int32_t Length = 0, Width = 0, Many = 0, Rotate = 0;
    int32_t LBorder = 0, RBorder = 0, TBorder = 0, BBorder = 0;
    int32_t Material = 0;
    int32_t Row = -1;   // its place among the rows of the part base; -1 unknown
};

// The part-base window whose parts are cut.
class IPartSource
{
public:
    virtual ~IPartSource() = default;
    // Rows of the material, in table order.
    virtual std::vector<TPartRow> partsOfMaterial(int32_t code) = 0;
    // File name of its document, without folder.
    virtual std::string documentFileName() = 0;
    // The row a material was refused for, before its message is shown.
    virtual void showPart(int32_t /*row*/) {}
};

// The part base that collects the parts left over.
class ILeftoverBase
{
public:
    virtual ~ILeftoverBase() = default;
    virtual void appendPart(const TPartRow &row) = 0;
    virtual void refreshTotals() = 0;
};

struct TDisplaySwitches
{
    bool ShowName = true, ShowDim = true, ShowBorder = true, ShowScrapsText = true, ShowHints = true;
};

// The cutting-results window, and the main window's status line and cursor.
class IResultsView : public TRaskroyObserver
{
public:
    // Tools off, abort on the save button, progress shown, caption "Пожалуйста подождите ...".
    virtual void beginRun(int32_t code, const TDisplaySwitches &switches) = 0;
    // Save button back, tools on, progress hidden, tabs laid out again.
    virtual void endRun() = 0;
    virtual void showProgress() = 0;
    virtual void setWaitCursor(bool on) = 0;
    virtual void setStatusText(const std::string &text) = 0;
    virtual int tabCount() = 0;
    // Appends a tab with this caption and tag, makes it active and builds its map.
    virtual void addMapTab(const std::string &caption, int32_t code, const TSheetsList &map,
                           const TDetalsList &parts) = 0;
    virtual void closeWindow() = 0;
    // The list of standard sheets used.
    virtual void usingSheetsAdd(int32_t code, int32_t length, int32_t width, int32_t remaining, int32_t initial) = 0;
    virtual void usingSheetsSetQuantity(int32_t code, int32_t length, int32_t width, int32_t remaining) = 0;
};

struct TChosenSheet
{
    int32_t Length = 0, Width = 0, Quantity = 0;
};

// The answers of the used-up standard sheets dialog, as its radio items stand.
enum class TUsedUpChoice : int {
    End = 0,           // "Завершить разложение"
    GoOnUncounted = 1, // on sheets of the current size, no longer counted
    AnotherSheet = 2,  // a standard sheet of another size
};

class IRaskroyDialogs
{
public:
    virtual ~IRaskroyDialogs() = default;
    virtual void error(const std::string &text) = 0;
    virtual bool warningYesNo(const std::string &text) = 0;
    virtual bool confirmYesNo(const std::string &text) = 0;
    // The used-up standard sheets dialog.
    virtual TUsedUpChoice usedUpChoice() = 0;
    // The standard-sheet chooser of the material; false unless closed with OK.
    virtual bool chooseStdSheet(int32_t code, TChosenSheet &chosen) = 0;
    // A new untitled part-base window with this caption.
    virtual ILeftoverBase *createLeftoverBase(const std::string &caption) = 0;
};

// Items of the packed "Scrap" option of a material, unpacked: the one
// description of the off-cut limits, for the settings and the engine alike.
struct TScrapOptions
{
    bool CheckLogicSumma = false;
    bool CheckLength = false;
    int32_t Length = 0;
    bool CheckHeight = false;
    int32_t Height = 0;
    bool CheckSquare = false;
    int32_t Square = 0;
    bool CheckSquareWidth = false;
    int32_t SquareWidth = 0;
    bool CheckSquareHeight = false;
    int32_t SquareHeight = 0;
    int32_t DeleteWaste = 0; // the delete-waste check box; files migrated from version 1 hold 1
    bool operator==(const TScrapOptions &) const = default;
};
// Switched-off tests get 0, and the two area sides the largest integer.
void ApplyScrapLimits(TRaskroyParams &p, const TScrapOptions &o);

namespace texts {
inline const char *const NoParts =
    "Разложение невозможно!\r\rТекущая база не содержит деталей из материала <%s>.";
inline const char *const TooBig =
    "Разложение деталей материала <%s> невозможно!\r\rРазмер одной или более деталей больше размера листа.";
inline const char *const BadParts =
    "Разложение деталей материала <%s> невозможно!\r\rРазмеры одной или более деталей заданы неверно.";
inline const char *const BadParams = "Разложение деталей материала <%s> невозможно!\r\r";
inline const char *const Leftover = "ВНИМАНИЕ!\r\rРазложены не все детали!\rСоздать базу неразложенных деталей?";
inline const char *const ReadError = "Ошибка чтения данных!";
inline const char *const AbortQuestion = "Действительно прервать разложение?";
inline const char *const Remaining = "Осталось неразложено деталей: ";
inline const char *const LeftoverCaption = "Неразложенные детали базы ";
} // namespace texts

class TRaskroyDriver
{
public:
    TRaskroyDriver(TRaskroy &engine, IRaskroySettings &settings, IStockSource &stock, IRaskroyDialogs &dialogs);

    // Run state of the job.
    int32_t RaskroyMaterial = 0;
    IPartSource *RaskroyGroup = nullptr;
    ILeftoverBase *LeftoverGroup = nullptr;
    bool RaskroyBusy = false;
    bool RaskroyCancel = false;
    bool RaskroyFits = true;
    TDisplaySwitches Switches;

    // Start of a job: no leftover base yet, stop flag cleared.
    void BeginJob();
    void RunRaskroy(IPartSource &group, IResultsView &results, const std::string &name, int32_t code);

    void LoadRaskroyDefaults();
    bool OpenStdSheets(int32_t code);
    void LoadStockScraps(int32_t code);
    void LoadRaskroyDetals(IPartSource &group, int32_t code);
    void AddMapPage(IResultsView &results, const TSheetsList &map, int32_t &n);
    void UpdateStdSheetsCount(IResultsView &results, int32_t length, int32_t width, int32_t count, int32_t code,
                              int32_t remaining);
    ILeftoverBase *CreateLeftoverGroup(ILeftoverBase *window);
    // The results window's abort command.
    void AbortRaskroyActionExecute();

    static std::string MapCaption(int tabs, int32_t n, int32_t quantity, const std::string &name);

private:
    // Parts left over may still become a part base; ends the material.
    void OfferLeftover();
    bool PartsFitSheet();
    // Shows the part base's row of the first part `bad` holds for.
    template <class Pred>
    void ShowFirstPart(Pred bad);
    void ShowTooBigPart();

    TRaskroy &m_engine;
    IRaskroySettings &m_settings;
    IStockSource &m_stock;
    IRaskroyDialogs &m_dialogs;
    bool m_badParts = false;
    std::vector<int32_t> m_partRows;   // the part base's row of each part, in Detals order
    int32_t m_skippedRow = -1;         // first row of the material with no copies
};

} // namespace kv::engine
