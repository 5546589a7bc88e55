#include "data/stock/stocksource.h"

#include "data/datamodule.h"
#include "data/paths.h"
#include "data/stock/stock.h"
#include "platform/db/query.h"
#include "platform/db/table.h"

#include <memory>

namespace kv {

bool StockRunSource::openStdSheets(int32_t code)
{
    Table *t = m_stock.Module().tblSheets2;
    try {
        t->Close();
        t->SetFile(m_stock.GetPaths().TempSheetsTable());
        t->SetFilter(QStringLiteral("Code=%1 and Many>0").arg(code));
        t->SetFiltered(true);
        t->Open();
        return true;
    } catch (...) {
        try {
            t->Close();
        } catch (...) {
            // The open failed already; false says so.
        }
        return false;
    }
}

bool StockRunSource::setStdSheetMany(int32_t length, int32_t width, int32_t many)
{
    Table *t = m_stock.Module().tblSheets2;
    try {
        if (!t->Active()) return false;
        for (t->First(); !t->Eof(); t->Next()) {
            if (t->FieldByName(QStringLiteral("Length"))->AsInteger() == length
                && t->FieldByName(QStringLiteral("Width"))->AsInteger() == width) {
                t->Edit();
                t->FieldByName(QStringLiteral("Many"))->SetAsInteger(many);
                t->Post();
                return true;
            }
        }
        return false;
    } catch (...) {
        try {
            t->Cancel();
        } catch (...) {
            // The edit failed already; false says so.
        }
        return false;
    }
}

bool StockRunSource::readScraps(int32_t code, std::vector<engine::TScrapRow> &rows)
{
    try {
        std::unique_ptr<Query> q(OpenQuery(QStringLiteral("Select * from %1\nWhere Code=?")
                                               .arg(Query::QuotePath(m_stock.GetPaths().TempScrapsTable())),
                                           {code}));
        // OpenQuery answers a failed open with null, not with an exception.
        if (!q) return false;
        for (q->First(); !q->Eof(); q->Next()) {
            engine::TScrapRow r;
            r.Name = q->FieldByName(QStringLiteral("Name"))->AsString().toStdString();
            r.Length = q->FieldByName(QStringLiteral("Length"))->AsInteger();
            r.Width = q->FieldByName(QStringLiteral("Width"))->AsInteger();
            r.Many = q->FieldByName(QStringLiteral("Many"))->AsInteger();
            rows.push_back(std::move(r));
        }
        return true;
    } catch (...) {
        return false;
    }
}

}   // namespace kv
