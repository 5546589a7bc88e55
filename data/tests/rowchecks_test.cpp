// Sizes and quantities typed into rows of parts, standard sheets and
// off-cuts: what cannot be right is refused when the row is posted, named as
// the grids title the columns, and the row stays to be put right.
#include "data/partbase/partbasedoc.h"
#include "data/rowchecks.h"
#include "platform/db/query.h"
#include "platform/error.h"

#include "data/tests/programfolder.h"

#include <gtest/gtest.h>

using namespace kv;

namespace {

class RowChecks : public ProgramFolderTest
{
protected:
    std::unique_ptr<PartBaseDocument> doc;

    void SetUp() override
    {
        ProgramFolderTest::SetUp();
        module->OpenSheetsCopy();
        module->OpenScrapsCopy();
        doc = std::make_unique<PartBaseDocument>(*paths, settings.get());
        doc->NewGroup();
    }
    void TearDown() override { doc.reset(); }

    DataSet &table(int which)
    {
        DataSet *t[] = {&doc->table(), module->tblSheets, module->tblScraps};
        return *t[which];
    }
    // A new row with every checked value sound.
    static void soundRow(DataSet &t)
    {
        t.Append();
        if (Field *name = t.FindField("NAME")) name->SetAsString("А-1");
        t.FieldByName("LENGTH")->SetAsFloat(600);
        t.FieldByName("WIDTH")->SetAsFloat(400);
        t.FieldByName("MANY")->SetAsFloat(2);
    }
    // The message of typing `text` into `field` of a new row and posting it.
    static QString typeAndPost(DataSet &t, const char *field, const char *text)
    {
        soundRow(t);
        try {
            t.FieldByName(field)->SetText(QString::fromUtf8(text));
            t.Post();
        } catch (const Error &e) {
            return e.message();
        }
        return QString();
    }
};

enum { Parts, Sheets, Scraps };

TEST_F(RowChecks, WhatCannotBeRightIsRefusedAtThePostAndTheRowStays)
{
    struct Case
    {
        int table;
        const char *field, *typed, *message;
    };
    const Case cases[] = {
        {Parts, "LENGTH", "-600", "Значение поля \"Длина\" должно быть больше 0."},
        {Parts, "WIDTH", "0", "Значение поля \"Ширина\" должно быть больше 0."},
        {Parts, "MANY", "", "Необходимо указать значение поля \"Количество\"."},
        {Parts, "MANY", "-3", "Значение поля \"Количество\" не может быть меньше 0."},
        {Parts, "LENGTH", "0.4", "Значение поля \"Длина\" должно быть больше 0."},
        {Parts, "LENGTH", "abc0", "'abc0' - неверное число для поля 'Длина'"},
        // Standard sheets say it as the dialog that adds them.
        {Sheets, "LENGTH", "-2800", "Длина листа должна быть больше 0."},
        {Sheets, "WIDTH", "0", "Ширина листа должна быть больше 0."},
        {Sheets, "MANY", "", "Количество листов должно быть больше 0."},
        {Sheets, "WIDTH", "2070мм", "'2070мм' - неверное число для поля 'Ширина'"},
        {Scraps, "LENGTH", "-1", "Значение поля \"Длина\" должно быть больше 0."},
        {Scraps, "MANY", "0", "Значение поля \"Количество\" должно быть больше 0."},
        {Scraps, "WIDTH", "", "Необходимо указать значение поля \"Ширина\"."},
        {Scraps, "MANY", "два", "'два' - неверное число для поля 'Количество'"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.field) + " <" + c.typed + "> in table " + std::to_string(c.table));
        DataSet &t = table(c.table);
        const int rows = t.RecordCount();
        EXPECT_EQ(typeAndPost(t, c.field, c.typed), QString::fromUtf8(c.message));
        // Letters never reach the field; for the rest the row waits with what was typed.
        EXPECT_EQ(t.State(), DataSetState::Insert);
        EXPECT_EQ(t.RecordCount(), rows);
        t.FieldByName(c.field)->SetAsFloat(500);
        t.Post();
        EXPECT_EQ(t.RecordCount(), rows + 1);
    }
}

// A part's quantity 0 is how a user leaves it out of a run; sheets and
// off-cuts still need one.
TEST_F(RowChecks, APartMayHaveQuantityZero)
{
    for (const char *typed : {"0", "0.4"}) {
        SCOPED_TRACE(typed);
        DataSet &t = doc->table();
        const int rows = t.RecordCount();
        EXPECT_EQ(typeAndPost(t, "MANY", typed), QString());
        EXPECT_EQ(t.State(), DataSetState::Browse);
        EXPECT_EQ(t.RecordCount(), rows + 1);
        EXPECT_EQ(t.FieldByName("MANY")->AsInteger(), 0);
    }
}

TEST_F(RowChecks, AnEditedRowIsCheckedInTheColumnsTyped)
{
    Table &t = doc->table();
    {
        // Parts laid out in full come back with 0 copies.
        PositiveFieldsCheck::Suspend unchecked(doc->RowChecks());
        t.AppendRecord({QString("Бок"), 720.0, 560.0, 0.0, 0, 0, 0, 0, 0, 1});
    }
    t.Edit();
    t.FieldByName("NAME")->SetAsString("Бок левый");
    t.Post();
    EXPECT_EQ(t.FieldByName("NAME")->AsString(), "Бок левый");
    t.Edit();
    t.FieldByName("MANY")->SetAsFloat(-2);
    EXPECT_THROW(t.Post(), Error);
    EXPECT_EQ(t.State(), DataSetState::Edit);
    t.Cancel();
    EXPECT_EQ(t.FieldByName("MANY")->AsInteger(), 0);

    // The warehouse's rows the same way: a sheet used up in a run keeps its row.
    Query::Exec("Insert into " + Query::QuotePath(paths->TempSheetsTable()) + " Values(2800, 2070, 0, 1)");
    Table &sh = *module->tblSheets;
    sh.Refresh();
    ASSERT_EQ(sh.RecordCount(), 1);
    sh.Edit();
    sh.FieldByName("LENGTH")->SetAsFloat(2750);
    sh.Post();
    sh.Edit();
    sh.FieldByName("LENGTH")->SetAsFloat(0);
    EXPECT_THROW(sh.Post(), Error);
    sh.Cancel();
}

TEST_F(RowChecks, ARowBeingTypedWaitsForItsSizes)
{
    Table &t = doc->table();
    t.Append();
    t.FieldByName("NAME")->SetAsString("Полка");
    // Nothing wrong yet, only missing: the window keeps the row open.
    EXPECT_FALSE(doc->RowChecks().Problem(false));
    const RowProblem missing = doc->RowChecks().Problem(true);
    ASSERT_TRUE(missing);
    EXPECT_TRUE(missing.empty);
    EXPECT_EQ(missing.field->FieldName(), "LENGTH");
    t.FieldByName("WIDTH")->SetAsFloat(-280);
    const RowProblem wrong = doc->RowChecks().Problem(false);
    ASSERT_TRUE(wrong);
    EXPECT_EQ(wrong.field->FieldName(), "WIDTH");
    EXPECT_EQ(wrong.message, "Значение поля \"Ширина\" должно быть больше 0.");
}

TEST_F(RowChecks, TotalsCountNoRowWithASizeOrQuantityBelowOne)
{
    Table &t = doc->table();
    t.AppendRecord({QString("Дно"), 564.0, 560.0, 4.0, 0, 0, 0, 0, 0, 1});
    const PartBaseTotals before = doc->Totals({});
    EXPECT_EQ(before.quantity, 4);
    EXPECT_EQ(before.areaMm2, 564 * 560 * 4);
    // A refused row waits in the grid, and an old file may hold one: neither counts.
    {
        PositiveFieldsCheck::Suspend unchecked(doc->RowChecks());
        t.AppendRecord({QString("Старая"), 600.0, 400.0, -3.0, 0, 0, 0, 0, 0, 1});
    }
    t.Append();
    t.FieldByName("LENGTH")->SetAsFloat(-600);
    t.FieldByName("WIDTH")->SetAsFloat(400);
    t.FieldByName("MANY")->SetAsFloat(2);
    EXPECT_THROW(t.Post(), Error);
    const PartBaseTotals after = doc->Totals({});
    EXPECT_EQ(after.quantity, before.quantity);
    EXPECT_EQ(after.areaMm2, before.areaMm2);
    EXPECT_EQ(after.perimeterMm, before.perimeterMm);
}

} // namespace
