#include "engine/driver.h"
#include "engine/tests/engine_test_util.h"

#include <deque>
#include <functional>
#include <map>

using namespace kv::engine;

namespace {

struct FakeSettings : IRaskroySettings
{
    std::map<std::string, int32_t> values{{"Mill", 0}, {"LIndent", 0}, {"RIndent", 0}, {"TIndent", 0}, {"BIndent", 0}};
    int flushes = 0;
    void flush() override { ++flushes; }
    int32_t readInteger(const std::string &key, int32_t def) override
    {
        auto it = values.find(key);
        return it == values.end() ? def : it->second;
    }
    bool readBool(const std::string &key, bool def) override { return readInteger(key, def) != 0; }
};

struct FakeStock : IStockSource
{
    struct Row
    {
        int32_t code, length, width, many;
    };
    std::vector<Row> sheets;
    std::vector<TScrapRow> scraps;
    bool scrapsFail = false;
    int32_t openCode = -1;
    bool openStdSheets(int32_t code) override
    {
        openCode = code;
        return true;
    }
    bool setStdSheetMany(int32_t length, int32_t width, int32_t many) override
    {
        for (Row &r : sheets)
            if (r.code == openCode && r.length == length && r.width == width) {
                r.many = many;
                return true;
            }
        return false;
    }
    bool readScraps(int32_t, std::vector<TScrapRow> &rows) override
    {
        rows = scraps;
        return !scrapsFail;
    }
};

struct FakeParts : IPartSource
{
    std::map<int32_t, std::vector<TPartRow>> rows;
    std::vector<int32_t> shown;
    std::vector<TPartRow> partsOfMaterial(int32_t code) override { return rows[code]; }
    std::string documentFileName() override { return "Кухня.kdx"; }
    void showPart(int32_t row) override { shown.push_back(row); }
    void add(int32_t code, const std::string &name, int l, int w, int many, int rotate = 0)
    {
        TPartRow r;
        r.Row = int32_t(rows[code].size()) * 10;   // rows of other materials between them
        r.Name = name;
        r.Length = l;
        r.Width = w;
        r.Many = many;
        r.Rotate = rotate;
        r.LBorder = 1;
        r.BBorder = 4;
        r.Material = code;
        rows[code].push_back(r);
    }
};

struct FakeLeftover : ILeftoverBase
{
    std::vector<TPartRow> rows;
    int refreshes = 0;
    void appendPart(const TPartRow &row) override { rows.push_back(row); }
    void refreshTotals() override { ++refreshes; }
};

struct FakeResults : IResultsView
{
    struct Tab
    {
        std::string caption;
        int32_t code;
        int32_t quantity;
        int parts;
    };
    std::vector<Tab> tabs;
    std::vector<std::string> status;
    std::vector<std::string> using_;
    int begins = 0, ends = 0, variants = 0;
    bool closed = false, busyCursor = false;
    std::function<void()> onVariant;
    const TRaskroy *engine = nullptr; // every map handed over is checked
    void beginRun(int32_t, const TDisplaySwitches &) override { ++begins; }
    void endRun() override { ++ends; }
    void showProgress() override {}
    void setWaitCursor(bool on) override { busyCursor = on; }
    void setStatusText(const std::string &text) override { status.push_back(text); }
    int tabCount() override { return int(tabs.size()); }
    void addMapTab(const std::string &caption, int32_t code, const TSheetsList &map, const TDetalsList &) override
    {
        tabs.push_back({caption, code, map.Quantity, map.Detals.Count()});
        if (engine) {
            EXPECT_TRUE(kvtest::MapIsSound(*engine, map)) << caption;
        }
    }
    void closeWindow() override { closed = true; }
    void usingSheetsAdd(int32_t code, int32_t l, int32_t w, int32_t rem, int32_t init) override
    {
        using_.push_back("add " + std::to_string(code) + " " + std::to_string(l) + "x" + std::to_string(w) + " " +
                         std::to_string(rem) + "/" + std::to_string(init));
    }
    void usingSheetsSetQuantity(int32_t code, int32_t l, int32_t w, int32_t rem) override
    {
        using_.push_back("set " + std::to_string(code) + " " + std::to_string(l) + "x" + std::to_string(w) + " " +
                         std::to_string(rem));
    }
    void variantDone(int64_t i, int64_t) override
    {
        if (i > 0) {
            ++variants;
            if (onVariant)
                onVariant();
        }
    }
    bool stopRequested() override { return false; }
};

struct FakeDialogs : IRaskroyDialogs
{
    std::vector<std::string> errors, questions;
    std::deque<bool> answers;
    std::deque<int> choices;
    bool chooserOk = false;
    TChosenSheet chosen;
    std::vector<std::unique_ptr<FakeLeftover>> bases;
    std::vector<std::string> baseCaptions;
    void error(const std::string &text) override { errors.push_back(text); }
    bool warningYesNo(const std::string &text) override { return answer(text); }
    bool confirmYesNo(const std::string &text) override { return answer(text); }
    bool answer(const std::string &text)
    {
        questions.push_back(text);
        if (answers.empty())
            return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    TUsedUpChoice usedUpChoice() override
    {
        questions.push_back("used up");
        if (choices.empty())
            return TUsedUpChoice::End;
        const int c = choices.front();
        choices.pop_front();
        return TUsedUpChoice(c);
    }
    bool chooseStdSheet(int32_t, TChosenSheet &c) override
    {
        c = chosen;
        return chooserOk;
    }
    ILeftoverBase *createLeftoverBase(const std::string &caption) override
    {
        baseCaptions.push_back(caption);
        bases.push_back(std::make_unique<FakeLeftover>());
        return bases.back().get();
    }
};

struct Job
{
    TRaskroy engine;
    FakeSettings settings;
    FakeStock stock;
    FakeParts parts;
    FakeDialogs dialogs;
    FakeResults results;
    TRaskroyDriver driver{engine, settings, stock, dialogs};
    Job()
    {
        engine.P.StdSheetLength = 1000;
        engine.P.StdSheetWidth = 500;
        engine.P.ExSearch = 3;
        results.engine = &engine;
        driver.BeginJob();
    }
    void run(int32_t code = 7, const std::string &name = "ДСП") { driver.RunRaskroy(parts, results, name, code); }
};

} // namespace

TEST(Driver, MaterialWithoutPartsIsReported)
{
    Job j;
    j.parts.add(7, "A", 100, 100, 0);
    j.run();
    ASSERT_EQ(j.dialogs.errors.size(), 1u);
    EXPECT_EQ(j.dialogs.errors[0], "Разложение невозможно!\r\rТекущая база не содержит деталей из материала <ДСП>.");
    EXPECT_EQ(j.results.begins, 0);
    EXPECT_FALSE(j.driver.RaskroyBusy);
}

TEST(Driver, PartLargerThanTheTrimmedSheetStopsItsMaterialOnly)
{
    Job j;
    j.settings.values["LIndent"] = 10;
    j.settings.values["RIndent"] = 10;
    j.parts.add(7, "A", 990, 100, 1, 1); // 990 > 1000 - 20, and it may not turn
    j.parts.add(8, "B", 990, 100, 1, 1);
    j.settings.values["LIndent"] = 5;
    j.settings.values["RIndent"] = 6;
    j.run();
    ASSERT_EQ(j.dialogs.errors.size(), 1u);
    EXPECT_EQ(j.dialogs.errors[0], "Разложение деталей материала <ДСП> невозможно!\r\r"
                                   "Размер одной или более деталей больше размера листа.");
    EXPECT_TRUE(j.results.tabs.empty());
    j.settings.values["RIndent"] = 5;
    j.run(8, "МДФ"); // the next material still runs
    EXPECT_EQ(j.dialogs.errors.size(), 1u);
    EXPECT_EQ(j.results.tabs.size(), 1u);
}

TEST(Driver, TheRowAMaterialIsRefusedForIsShown)
{
    struct Part
    {
        int l, w, many, rotate;
    };
    struct Case
    {
        std::vector<Part> parts;
        const char *message;
        int32_t row;
    };
    const Case cases[] = {
        {{{100, 100, 1, 0}, {990, 100, 1, 1}, {995, 100, 1, 1}}, "Размер одной или более деталей больше размера листа.", 10},
        {{{100, 100, 1, 0}, {100, 100, 2, 0}, {-100, 100, 1, 0}}, "Размеры одной или более деталей заданы неверно.", 20},
        {{{100, 100, 0, 0}, {100, 100, -1, 0}}, "Текущая база не содержит деталей из материала <ДСП>.", 0},
    };
    for (const Case &c : cases) {
        Job j;
        j.settings.values["LIndent"] = 10;
        j.settings.values["RIndent"] = 10;   // 980 mm of the sheet's 1000 usable
        for (const Part &p : c.parts)
            j.parts.add(7, "P", p.l, p.w, p.many, p.rotate);
        j.run();
        ASSERT_EQ(j.dialogs.errors.size(), 1u);
        EXPECT_NE(j.dialogs.errors[0].find(c.message), std::string::npos) << j.dialogs.errors[0];
        EXPECT_EQ(j.parts.shown, std::vector<int32_t>{c.row}) << c.message;
        EXPECT_TRUE(j.results.tabs.empty());
    }
    // A material that runs shows no row.
    Job j;
    j.parts.add(7, "P", 100, 100, 1);
    j.run();
    EXPECT_TRUE(j.parts.shown.empty());
}

TEST(Driver, BadSizesInTheSettingsAreRefusedNotWrapped)
{
    Job j;
    j.settings.values["Mill"] = 70000;
    j.parts.add(7, "A", 100, 100, 1);
    j.run();
    ASSERT_EQ(j.dialogs.errors.size(), 1u);
    EXPECT_EQ(j.dialogs.errors[0].rfind("Разложение деталей материала <ДСП> невозможно!\r\r", 0), 0u);
    EXPECT_TRUE(j.results.tabs.empty());
}

TEST(Driver, SettingsChooseTheMachineAndTheCriterion)
{
    struct Case
    {
        int technics, optimization;
        bool multiSaw;
        int propil;
        int criterion;
    };
    const Case cases[] = {{0, 0, false, 0, 2}, {1, 1, false, 700, 3}, {2, 2, true, 0, 4}, {9, 9, true, 55, 5}};
    for (const Case &c : cases) {
        Job j;
        j.engine.P.MultiSaw = true;
        j.engine.P.PropilLen = 55;
        j.engine.P.OptimCriterion = 5;
        j.settings.values["Technics"] = c.technics;
        j.settings.values["Optimization"] = c.optimization;
        j.settings.values["PropilLen"] = 700;
        j.driver.LoadRaskroyDefaults();
        EXPECT_EQ(j.engine.P.MultiSaw, c.multiSaw);
        EXPECT_EQ(j.engine.P.PropilLen, c.propil);
        EXPECT_EQ(j.engine.P.OptimCriterion, c.criterion);
        EXPECT_EQ(j.settings.flushes, 1);
    }
}

TEST(Driver, TabCaptionsCountTheSheetsOfTheMaterial)
{
    EXPECT_EQ(TRaskroyDriver::MapCaption(0, 0, 1, ""), "1: Лист 1");
    EXPECT_EQ(TRaskroyDriver::MapCaption(3, 1, 3, ""), "4: Листы 2 - 4");
    EXPECT_EQ(TRaskroyDriver::MapCaption(0, 0, 2, "R-12"), "1: Листы 1 - 2 (R-12)");

    Job j;
    j.engine.P.UseScraps = false;
    j.parts.add(7, "A", 500, 250, 10, 1); // 4 a sheet: 2 sheets alike, then one with 2
    j.run();
    ASSERT_EQ(j.results.tabs.size(), 2u);
    EXPECT_EQ(j.results.tabs[0].caption, "1: Листы 1 - 2");
    EXPECT_EQ(j.results.tabs[1].caption, "2: Лист 3");
    EXPECT_EQ(j.results.tabs[1].code, 7);
    EXPECT_EQ(j.results.begins, 1);
    EXPECT_EQ(j.results.ends, 1);
    EXPECT_EQ(j.results.status.front(), "Осталось неразложено деталей: 10");
    EXPECT_EQ(j.results.status.back(), "");
    EXPECT_FALSE(j.driver.RaskroyBusy);
    EXPECT_EQ(j.engine.ResultMaps.Count(), 0); // reset after the material
}

TEST(Driver, OffcutsFromTheWarehouseAndAReadError)
{
    Job j;
    j.engine.P.UseScraps = true;
    j.stock.scraps = {{"R1", 500, 250, 2}, {"bad", 0, 250, 3}};
    j.stock.scrapsFail = true;
    j.parts.add(7, "A", 500, 250, 3, 1);
    j.run();
    ASSERT_EQ(j.dialogs.errors.size(), 1u);
    EXPECT_EQ(j.dialogs.errors[0], "Ошибка чтения данных!");
    ASSERT_EQ(j.results.tabs.size(), 2u);
    EXPECT_EQ(j.results.tabs[0].caption, "1: Листы 1 - 2 (R1)");
    EXPECT_EQ(j.results.tabs[1].caption, "2: Лист 3");
}

namespace {
// Standard sheets counted: one in stock, parts for three.
void Limited(Job &j)
{
    j.engine.P.Standart = true;
    j.engine.P.StdSheetsCount = 1;
    j.engine.P.StdSheetsLeft = 1;
    j.stock.sheets = {{7, 1000, 500, 1}, {7, 600, 400, 5}};
    j.parts.add(7, "A", 400, 250, 12, 1); // 4 a sheet, and B beside them
    j.parts.add(7, "B", 100, 100, 1, 0);
}
} // namespace

TEST(Driver, UsedUpSheetsChoiceEndCreatesTheLeftoverBase)
{
    Job j;
    Limited(j);
    j.dialogs.choices = {0};
    j.dialogs.answers = {true};
    j.run();
    ASSERT_EQ(j.results.tabs.size(), 1u);
    EXPECT_EQ(j.stock.sheets[0].many, 0);
    EXPECT_EQ(j.results.using_.back(), "set 7 1000x500 0");
    ASSERT_EQ(j.dialogs.bases.size(), 1u);
    EXPECT_EQ(j.dialogs.baseCaptions[0], "Неразложенные детали базы Кухня.kdx");
    const auto &rows = j.dialogs.bases[0]->rows;
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Name, "A");
    EXPECT_EQ(rows[0].Many, 8);
    EXPECT_EQ(rows[0].Rotate, 1);
    EXPECT_EQ(rows[0].Material, 7);
    EXPECT_EQ(rows[0].LBorder, 1);
    EXPECT_EQ(rows[0].BBorder, 4);
    EXPECT_EQ(rows[1].Many, 0); // laid out in full: still a row
    EXPECT_EQ(j.dialogs.bases[0]->refreshes, 2);

    // A second material of the job adds to the same base.
    j.engine.P.Standart = true;
    j.engine.P.StdSheetsLeft = 1;
    j.parts.add(9, "C", 500, 250, 12, 1);
    j.dialogs.choices = {0};
    j.dialogs.answers = {true};
    j.run(9, "МДФ");
    EXPECT_EQ(j.dialogs.bases.size(), 1u);
    EXPECT_EQ(j.dialogs.bases[0]->rows.size(), 3u);
    EXPECT_EQ(j.dialogs.bases[0]->rows[2].Material, 9);
}

TEST(Driver, UsedUpSheetsChoiceGoOnWithoutCounting)
{
    Job j;
    Limited(j);
    j.dialogs.choices = {1};
    j.run();
    ASSERT_EQ(j.results.tabs.size(), 2u);
    EXPECT_EQ(j.results.tabs[1].caption, "2: Листы 2 - 3");
    EXPECT_TRUE(j.dialogs.bases.empty());
    EXPECT_EQ(j.stock.sheets[0].many, 0); // only the counted sheet was taken
}

TEST(Driver, UsedUpSheetsChoiceAnotherSheet)
{
    Job j;
    Limited(j);
    j.dialogs.choices = {2};
    j.dialogs.chooserOk = true;
    j.dialogs.chosen = {600, 400, 5};
    j.run();
    EXPECT_TRUE(j.engine.Detals.Count() == 0);
    EXPECT_EQ(j.results.using_[1], "add 7 600x400 5/5");
    EXPECT_GT(j.results.tabs.size(), 1u);
    EXPECT_LT(j.stock.sheets[1].many, 5);
    EXPECT_TRUE(j.dialogs.errors.empty());
}

TEST(Driver, AnotherSheetTooSmallForThePartsLeftEndsWithTheSizeMessage)
{
    Job j;
    Limited(j);
    j.dialogs.choices = {2};
    j.dialogs.chooserOk = true;
    j.dialogs.chosen = {400, 200, 5};
    j.dialogs.answers = {false};
    j.run();
    ASSERT_EQ(j.dialogs.errors.size(), 1u);
    EXPECT_NE(j.dialogs.errors[0].find("больше размера листа"), std::string::npos);
    EXPECT_EQ(j.dialogs.questions.back(), "ВНИМАНИЕ!\r\rРазложены не все детали!\rСоздать базу неразложенных деталей?");
    EXPECT_EQ(j.results.tabs.size(), 1u);
    EXPECT_EQ(j.results.ends, 1);
}

TEST(Driver, ChooserCancelledEndsTheMaterial)
{
    Job j;
    Limited(j);
    j.dialogs.choices = {2};
    j.dialogs.chooserOk = false;
    j.run();
    EXPECT_EQ(j.results.tabs.size(), 1u);
    EXPECT_TRUE(j.dialogs.errors.empty());
    EXPECT_FALSE(j.driver.RaskroyBusy);
}

TEST(Driver, NoStandardSheetLeftShowsTheDialogAtOnce)
{
    Job j;
    Limited(j);
    j.engine.P.StdSheetsLeft = 0;
    j.dialogs.choices = {0};
    j.run();
    EXPECT_TRUE(j.results.tabs.empty());
    ASSERT_FALSE(j.dialogs.questions.empty());
    EXPECT_EQ(j.dialogs.questions[0], "used up");
}

TEST(Driver, PartsThatFitNoLongerEndTheMaterialWithTheLeftoverQuestion)
{
    Job j;
    j.engine.P.StdSheetLength = 700;
    j.engine.P.StdSheetWidth = 300;
    j.engine.P.UseScraps = true;
    j.stock.scraps = {{"R", 100, 600, 1}};
    j.parts.add(7, "P", 600, 100, 2, 2); // on the off-cut turned; turned it fits no standard sheet
    j.dialogs.answers = {true};
    j.run();
    ASSERT_EQ(j.results.tabs.size(), 1u);
    ASSERT_EQ(j.dialogs.errors.size(), 1u);
    EXPECT_NE(j.dialogs.errors[0].find("больше размера листа"), std::string::npos);
    ASSERT_EQ(j.dialogs.bases.size(), 1u);
    EXPECT_EQ(j.dialogs.bases[0]->rows[0].Many, 1);
}

TEST(Driver, AbortStopsAfterTheVariantAndSkipsLaterMaterials)
{
    Job j;
    j.engine.P.ExSearch = 40;
    j.parts.add(7, "A", 300, 170, 40, 0);
    j.parts.add(8, "B", 300, 170, 4, 0);
    j.dialogs.answers = {true};
    j.results.onVariant = [&] {
        if (j.results.variants == 2)
            j.driver.AbortRaskroyActionExecute();
    };
    j.run();
    EXPECT_TRUE(j.engine.StopRaskroy);
    EXPECT_EQ(j.dialogs.questions[0], "Действительно прервать разложение?");
    EXPECT_EQ(j.results.variants, 2);
    EXPECT_EQ(j.results.tabs.size(), 1u); // the maps made so far stay
    EXPECT_EQ(j.results.ends, 1);
    j.run(8, "МДФ");
    EXPECT_EQ(j.results.tabs.size(), 1u);
    EXPECT_EQ(j.results.begins, 1);
    j.driver.BeginJob();
    EXPECT_FALSE(j.engine.StopRaskroy);
}

TEST(Driver, ClosingTheResultsWindowDuringARunCancelsIt)
{
    Job j;
    j.parts.add(7, "A", 300, 170, 40, 0);
    j.results.onVariant = [&] { j.driver.RaskroyCancel = true; };
    j.run();
    EXPECT_TRUE(j.results.closed);
    EXPECT_TRUE(j.results.tabs.empty());
    EXPECT_FALSE(j.driver.RaskroyBusy);
    EXPECT_EQ(j.results.status.back(), "");
}

TEST(Driver, ScrapLimitsOfSwitchedOffTests)
{
    TRaskroyParams p;
    TScrapOptions o;
    o.CheckLength = true;
    o.Length = 300;
    o.Height = 77;
    o.SquareWidth = 5;
    ApplyScrapLimits(p, o);
    EXPECT_EQ(p.ScrapMinLength, 300);
    EXPECT_EQ(p.ScrapMinWidth, 0);
    EXPECT_EQ(p.ScrapMinSquare, 0);
    EXPECT_EQ(p.ScrapSquareWidth, INT32_MAX);
    EXPECT_EQ(p.ScrapSquareHeight, INT32_MAX);
}
