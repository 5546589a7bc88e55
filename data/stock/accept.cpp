#include "data/stock/accept.h"

#include "data/matoptions.h"
#include "data/paths.h"
#include "data/settings.h"
#include "data/stock/stock.h"
#include "platform/db/table.h"
#include "platform/error.h"
#include "platform/text.h"

#include <QHash>
#include <QSet>

#include <map>
#include <memory>
#include <tuple>
#include <vector>

namespace kv {

namespace {

const QString kName = QStringLiteral("NAME"), kLength = QStringLiteral("LENGTH"), kWidth = QStringLiteral("WIDTH"),
              kMany = QStringLiteral("MANY"), kCode = QStringLiteral("CODE");

std::unique_ptr<Table> openFile(const QString &path)
{
    auto t = std::make_unique<Table>();
    t->SetFile(path);
    t->Open();
    return t;
}

int intOf(DataSet &t, const QString &field)
{
    Field *f = t.FieldByName(field);
    return f->IsNull() ? 0 : int(f->AsFloat());
}

// Codes in use per material in the off-cut table, so automatic codes skip them.
QHash<int, QSet<QString>> codesInUse(Table &t)
{
    QHash<int, QSet<QString>> used;
    for (t.First(); !t.Eof(); t.Next())
        used[intOf(t, kCode)].insert(t.FieldByName(kName)->AsString().trimmed());
    return used;
}

void checkName(const QString &name)
{
    if (toCp1251(name).size() > kScrapNameSize)
        throw Error(QStringLiteral("Шифр остатка \"%1\" длиннее %2 знаков.").arg(name).arg(kScrapNameSize));
}

} // namespace

AcceptOutcome AcceptVariant(StockService &stock, Settings &settings, MapDocument &doc, const QDate &today)
{
    AcceptOutcome out;
    const bool autoMark = settings.Ini().ReadBool(QStringLiteral("Default"), QStringLiteral("AutoScrapsMark"), false);
    std::unique_ptr<StockChange> change = stock.BeginChange();
    MapDocument result = doc;
    std::map<int, TMarkSettings> marks; // per material, numbers given so far
    {
        std::unique_ptr<Table> scraps = openFile(change->ScrapsFile());
        QHash<int, QSet<QString>> used = codesInUse(*scraps);
        for (MapTab &tab : result.Tabs) {
            const int c = tab.MaterialCode;
            if (tab.IsScraps) {
                // The first row of that size and material (and name, when the
                // map has one) is the off-cut the map was cut from.
                const QString name = tab.SheetName.trimmed();
                bool found = false;
                for (scraps->First(); !scraps->Eof(); scraps->Next()) {
                    if (intOf(*scraps, kLength) == tab.RealWidth && intOf(*scraps, kWidth) == tab.RealHeight &&
                        intOf(*scraps, kCode) == c &&
                        (name.isEmpty() || scraps->FieldByName(kName)->AsString().trimmed() == name)) {
                        found = true;
                        break;
                    }
                }
                if (found) {
                    const int n = intOf(*scraps, kMany) - tab.Quantity;
                    if (n > 0) {
                        scraps->Edit();
                        scraps->FieldByName(kMany)->SetAsFloat(n);
                        scraps->Post();
                    } else {
                        scraps->Delete();
                    }
                    ++out.scrapsTaken;
                }
            }
            for (MapScrap &s : tab.Scraps) {
                if (s.ScrapType != stNormalScrap) continue;
                if (autoMark && s.ScrapName.trimmed().isEmpty()) {
                    auto it = marks.find(c);
                    if (it == marks.end()) {
                        TMarkSettings m = UnpackMarkSettings(settings.Ini(), MaterialSection(c));
                        if (!m.MarkNumbering) m.MarkMaxNumber = 0;
                        it = marks.emplace(c, m).first;
                    }
                    const QSet<QString> &taken = used[c];
                    const QString code = NextScrapMark(it->second, [&](const QString &n) { return taken.contains(n); });
                    s.ScrapName = code;
                    s.Text = code;
                }
                checkName(s.ScrapName);
                used[c].insert(s.ScrapName.trimmed());
                scraps->AppendRecord({s.ScrapName, double(s.RealWidth), double(s.RealHeight), double(tab.Quantity),
                                      double(c), today});
                ++out.scrapsAdded;
            }
        }
        scraps->Close();
    }

    try {
        stock.MergeEqualScrapsFile(change->ScrapsFile());
    } catch (const Error &e) {
        throw Error(QStringLiteral("Внутренняя ошибка при подсчёте отходов\rодинакового размера!\r%1").arg(e.message()));
    }

    try {
        // One row per sheet size and material takes the remaining quantity;
        // further rows of the same sheet would count it twice and go.
        std::unique_ptr<Table> sheets = openFile(change->SheetsFile());
        std::map<std::tuple<int, int, int>, int> remaining;
        for (const TUsingSheets::Entry &e : result.UsingSheets.Entries())
            remaining[{e.Code, e.Length, e.Width}] = e.Remaining;
        for (const auto &[key, left] : remaining) {
            const auto [code, length, width] = key;
            std::vector<Bookmark> rows;
            for (sheets->First(); !sheets->Eof(); sheets->Next())
                if (intOf(*sheets, kLength) == length && intOf(*sheets, kWidth) == width && intOf(*sheets, kCode) == code)
                    rows.push_back(sheets->GetBookmark());
            if (rows.empty()) continue;
            sheets->GotoBookmark(rows.front());
            if (intOf(*sheets, kMany) != left) {
                sheets->Edit();
                sheets->FieldByName(kMany)->SetAsFloat(left);
                sheets->Post();
            }
            ++out.sheetsUpdated;
            for (size_t i = 1; i < rows.size(); ++i) {
                sheets->GotoBookmark(rows[i]);
                sheets->Delete();
            }
        }
        sheets->Close();
    } catch (const Error &e) {
        throw Error(QStringLiteral("ВНИМАНИЕ!\r\rПроизошла ошибка при изменении базы стандартных листов!\r"
                                   "Склад не изменён.\r%1")
                        .arg(e.message()));
    }

    change->Commit();
    // The warehouse has changed: what follows must not undo the acceptance.
    for (const auto &[code, m] : marks) {
        TMarkSettings saved = UnpackMarkSettings(settings.Ini(), MaterialSection(code));
        if (!saved.MarkNumbering) continue;
        saved.MarkMaxNumber = m.MarkMaxNumber;
        try {
            PackMarkSettings(settings.Ini(), MaterialSection(code), saved);
        } catch (const Error &e) {
            out.warnings << e.message();
        }
    }
    if (result.Tabs != doc.Tabs) result.Modified = true;
    doc = std::move(result);
    return out;
}

} // namespace kv
