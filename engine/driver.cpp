#include "engine/driver.h"

#include <climits>

namespace kv::engine {

namespace {
std::string WithName(const char *pattern, const std::string &name)
{
    std::string s = pattern;
    const auto at = s.find("%s");
    if (at != std::string::npos)
        s.replace(at, 2, name);
    return s;
}
} // namespace

void ApplyScrapLimits(TRaskroyParams &p, const TScrapOptions &o)
{
    p.ScrapLogicSumma = o.CheckLogicSumma;
    p.ScrapCheckLength = o.CheckLength;
    p.ScrapMinLength = o.CheckLength ? o.Length : 0;
    p.ScrapCheckWidth = o.CheckHeight;
    p.ScrapMinWidth = o.CheckHeight ? o.Height : 0;
    p.ScrapCheckSquare = o.CheckSquare;
    p.ScrapMinSquare = o.CheckSquare ? o.Square : 0;
    p.ScrapCheckSquareWidth = o.CheckSquareWidth;
    p.ScrapSquareWidth = o.CheckSquareWidth ? o.SquareWidth : INT32_MAX;
    p.ScrapCheckSquareHeight = o.CheckSquareHeight;
    p.ScrapSquareHeight = o.CheckSquareHeight ? o.SquareHeight : INT32_MAX;
}

TRaskroyDriver::TRaskroyDriver(TRaskroy &engine, IRaskroySettings &settings, IStockSource &stock,
                               IRaskroyDialogs &dialogs)
    : m_engine(engine), m_settings(settings), m_stock(stock), m_dialogs(dialogs)
{
}

void TRaskroyDriver::BeginJob()
{
    LeftoverGroup = nullptr;
    m_engine.StopRaskroy = false;
}

void TRaskroyDriver::LoadRaskroyDefaults()
{
    m_settings.flush();
    Switches.ShowName = m_settings.readBool("ShowName", true);
    Switches.ShowDim = m_settings.readBool("ShowDim", true);
    Switches.ShowBorder = m_settings.readBool("ShowBorder", true);
    Switches.ShowScrapsText = m_settings.readBool("ShowScrapsText", true);
    Switches.ShowHints = m_settings.readBool("ShowHints", true);
    TRaskroyParams &p = m_engine.P;
    p.MillWidth = m_settings.readInteger("Mill", 4);
    p.LIndent = m_settings.readInteger("LIndent", 10);
    p.RIndent = m_settings.readInteger("RIndent", 10);
    p.TIndent = m_settings.readInteger("TIndent", 10);
    p.BIndent = m_settings.readInteger("BIndent", 10);
    switch (m_settings.readInteger("Technics", 0)) {
    case 0:
        p.MultiSaw = false;
        p.PropilLen = 0;
        break;
    case 1:
        p.MultiSaw = false;
        p.PropilLen = m_settings.readInteger("PropilLen", 0);
        break;
    case 2:
        p.MultiSaw = true;
        p.PropilLen = 0;
        break;
    default:
        break;
    }
    switch (m_settings.readInteger("Optimization", 0)) {
    case 0:
        p.OptimCriterion = 2;
        break;
    case 1:
        p.OptimCriterion = 3;
        break;
    case 2:
        p.OptimCriterion = 4;
        break;
    default:
        break;
    }
}

bool TRaskroyDriver::OpenStdSheets(int32_t code)
{
    return m_stock.openStdSheets(code);
}

void TRaskroyDriver::LoadStockScraps(int32_t code)
{
    std::vector<TScrapRow> rows;
    const bool ok = m_stock.readScraps(code, rows);
    for (const TScrapRow &r : rows) {
        // A row without a size cannot be cut from; it is left in the warehouse.
        if (r.Length <= 0 || r.Width <= 0)
            continue;
        for (int32_t i = 0; i < r.Many; ++i)
            m_engine.Stock.Sheets.Append(TSheet(r.Name, 0, 0, r.Length, r.Width, 0, true));
    }
    if (!ok)
        m_dialogs.error(texts::ReadError);
}

void TRaskroyDriver::LoadRaskroyDetals(IPartSource &group, int32_t code)
{
    RaskroyFits = true;
    m_badParts = false;
    m_partRows.clear();
    m_skippedRow = -1;
    for (const TPartRow &r : group.partsOfMaterial(code)) {
        if (r.Many <= 0) {
            if (m_skippedRow < 0)
                m_skippedRow = r.Row;
            continue;
        }
        m_partRows.push_back(r.Row);
        TDetal &d = m_engine.Detals.Add(r.Name, r.Length, r.Width, r.Many, uint8_t(r.Rotate));
        d.LBorder = r.LBorder;
        d.RBorder = r.RBorder;
        d.TBorder = r.TBorder;
        d.BBorder = r.BBorder;
        if (r.Length <= 0 || r.Width <= 0 || r.Rotate < 0 || r.Rotate > 2)
            m_badParts = true;
    }
    if (!PartsFitSheet())
        RaskroyFits = false;
}

template <class Pred>
void TRaskroyDriver::ShowFirstPart(Pred bad)
{
    size_t i = 0;
    for (const TDetal &d : m_engine.Detals) {
        if (i < m_partRows.size() && bad(d)) {
            if (RaskroyGroup && m_partRows[i] >= 0)
                RaskroyGroup->showPart(m_partRows[i]);
            return;
        }
        ++i;
    }
}

void TRaskroyDriver::ShowTooBigPart()
{
    const TRaskroyParams &p = m_engine.P;
    const int32_t u = p.StdSheetLength - p.LIndent - p.RIndent;
    const int32_t v = p.StdSheetWidth - p.TIndent - p.BIndent;
    ShowFirstPart([&](const TDetal &d) { return d.Remaining > 0 && !m_engine.DetalFitsSheet(d, u, v); });
}

bool TRaskroyDriver::PartsFitSheet()
{
    const TRaskroyParams &p = m_engine.P;
    const int32_t u = p.StdSheetLength - p.LIndent - p.RIndent;
    const int32_t v = p.StdSheetWidth - p.TIndent - p.BIndent;
    return m_engine.AllRemainingFit(u, v);
}

std::string TRaskroyDriver::MapCaption(int tabs, int32_t n, int32_t quantity, const std::string &name)
{
    std::string caption;
    if (quantity == 1)
        caption = "Лист " + std::to_string(int64_t(n) + 1);
    else
        caption = "Листы " + std::to_string(int64_t(n) + 1) + " - " + std::to_string(int64_t(n) + quantity);
    if (!name.empty())
        caption += " (" + name + ")";
    return std::to_string(tabs + 1) + ": " + caption;
}

void TRaskroyDriver::AddMapPage(IResultsView &results, const TSheetsList &map, int32_t &n)
{
    const std::string caption = MapCaption(results.tabCount(), n, map.Quantity, map.Name);
    n += map.Quantity;
    results.addMapTab(caption, RaskroyMaterial, map, m_engine.Detals);
}

void TRaskroyDriver::UpdateStdSheetsCount(IResultsView &results, int32_t length, int32_t width, int32_t /*count*/,
                                          int32_t code, int32_t remaining)
{
    if (!m_stock.setStdSheetMany(length, width, remaining))
        return;
    results.usingSheetsSetQuantity(code, length, width, remaining);
}

ILeftoverBase *TRaskroyDriver::CreateLeftoverGroup(ILeftoverBase *window)
{
    if (!window)
        window = m_dialogs.createLeftoverBase(texts::LeftoverCaption +
                                              (RaskroyGroup ? RaskroyGroup->documentFileName() : std::string()));
    if (!window)
        return nullptr;
    for (const TDetal &d : m_engine.Detals) {
        TPartRow row;
        row.Name = d.Name;
        row.Length = d.Length;
        row.Width = d.Width;
        row.Many = d.Remaining;
        row.Rotate = d.RotateMode;
        row.LBorder = d.LBorder;
        row.RBorder = d.RBorder;
        row.TBorder = d.TBorder;
        row.BBorder = d.BBorder;
        row.Material = RaskroyMaterial;
        window->appendPart(row);
        window->refreshTotals();
    }
    return window;
}

void TRaskroyDriver::AbortRaskroyActionExecute()
{
    if (m_dialogs.confirmYesNo(texts::AbortQuestion))
        m_engine.StopRaskroy = true;
}

void TRaskroyDriver::OfferLeftover()
{
    if (m_dialogs.warningYesNo(texts::Leftover))
        LeftoverGroup = CreateLeftoverGroup(LeftoverGroup);
}

void TRaskroyDriver::RunRaskroy(IPartSource &group, IResultsView &results, const std::string &name, int32_t code)
{
    TRaskroy &e = m_engine;
    if (e.StopRaskroy)
        return;
    RaskroyMaterial = code;
    RaskroyGroup = &group;
    RaskroyCancel = false;

    LoadRaskroyDefaults();
    OpenStdSheets(code);
    e.ResetRaskroy();
    // Sizes that do not fit their 16-bit fields are refused, not wrapped.
    const std::string bad = CheckParams(e.P);
    if (!bad.empty()) {
        m_dialogs.error(WithName(texts::BadParams, name) + bad);
        return;
    }
    if (e.P.UseScraps)
        LoadStockScraps(code);
    LoadRaskroyDetals(group, code);
    if (e.Detals.Count() == 0) {
        if (m_skippedRow >= 0)
            group.showPart(m_skippedRow);
        m_dialogs.error(WithName(texts::NoParts, name));
        return;
    }
    if (m_badParts) {
        ShowFirstPart([](const TDetal &d) { return d.Length <= 0 || d.Width <= 0 || d.RotateMode > 2; });
        m_dialogs.error(WithName(texts::BadParts, name));
        e.ResetRaskroy();
        return;
    }
    if (!RaskroyFits) {
        ShowTooBigPart();
        m_dialogs.error(WithName(texts::TooBig, name));
        e.ResetRaskroy();
        return;
    }

    results.beginRun(code, Switches);
    e.SetObserver(&results);
    results.setWaitCursor(true);
    results.setStatusText(texts::Remaining + std::to_string(e.Detals.RemainingCount()));
    RaskroyBusy = true;

    auto cancelled = [&] {
        RaskroyBusy = false;
        e.SetObserver(nullptr);
        results.closeWindow();
        results.setStatusText("");
    };

    e.RaskroyFromStock();
    results.setWaitCursor(false);
    if (RaskroyCancel) {
        cancelled();
        return;
    }
    int32_t n = 0;
    for (int i = 0; i < e.ResultMaps.Count(); ++i)
        AddMapPage(results, *e.ResultMaps.Items(i), n);
    if (e.P.Standart)
        UpdateStdSheetsCount(results, e.P.StdSheetLength, e.P.StdSheetWidth, e.P.StdSheetsCount, code,
                             e.P.StdSheetsLeft);

    bool go = true;
    if (e.RaskroyState == rsNothingFits) {
        ShowTooBigPart();
        m_dialogs.error(WithName(texts::TooBig, name));
        OfferLeftover();
        go = false;
    }
    while (go && !e.Detals.NothingLeft() && !e.StopRaskroy) {
        results.showProgress();
        results.setWaitCursor(true);
        results.setStatusText(texts::Remaining + std::to_string(e.Detals.RemainingCount()));
        e.RaskroyNextSheet();
        results.setWaitCursor(false);
        if (RaskroyCancel) {
            cancelled();
            return;
        }
        switch (e.RaskroyState) {
        case rsDone:
        case rsDoneUsedUp:
            AddMapPage(results, *e.WorkMap(), n);
            if (e.P.Standart)
                UpdateStdSheetsCount(results, e.P.StdSheetLength, e.P.StdSheetWidth, e.P.StdSheetsCount, code,
                                     e.P.StdSheetsLeft);
            break;
        case rsSheetsUsedUp:
            switch (m_dialogs.usedUpChoice()) {
            case TUsedUpChoice::End:
                OfferLeftover();
                go = false;
                break;
            case TUsedUpChoice::GoOnUncounted:
                e.P.Standart = false;
                break;
            case TUsedUpChoice::AnotherSheet: {
                TChosenSheet c;
                if (!m_dialogs.chooseStdSheet(code, c)) {
                    go = false;
                    break;
                }
                e.P.StdSheetLength = c.Length;
                e.P.StdSheetWidth = c.Width;
                e.P.StdSheetsLeft = c.Quantity;
                e.P.StdSheetsCount = c.Quantity;
                results.usingSheetsAdd(code, c.Length, c.Width, c.Quantity, c.Quantity);
                // The parts left must fit the new size, or the passes would lay out nothing.
                const std::string why = CheckParams(e.P);
                if (!why.empty()) {
                    m_dialogs.error(WithName(texts::BadParams, name) + why);
                    OfferLeftover();
                    go = false;
                } else if (!PartsFitSheet()) {
                    ShowTooBigPart();
                    m_dialogs.error(WithName(texts::TooBig, name));
                    OfferLeftover();
                    go = false;
                }
                break;
            }
            default:
                go = false;
                break;
            }
            break;
        case rsNothingFits:
            ShowTooBigPart();
            m_dialogs.error(WithName(texts::TooBig, name));
            OfferLeftover();
            go = false;
            break;
        default:
            go = false;
            break;
        }
    }

    results.setStatusText("");
    results.endRun();
    e.SetObserver(nullptr);
    RaskroyBusy = false;
    e.ResetRaskroy();
}

} // namespace kv::engine
