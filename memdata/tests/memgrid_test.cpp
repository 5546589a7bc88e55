#include "memdata/tests/memtest.h"

#include "platform/db/datasetmodel.h"

#include <QTableView>
#include <gtest/gtest.h>

using namespace kv;

// The warehouse statistics table as the main window fills it: emptied by
// reopening, filled by append and post, found by Locate on "Code" and edited.
TEST(MemDataGrid, WarehouseTableShowsInAGrid)
{
    TMemData md;
    md.setObjectName(QStringLiteral("mdWareHouseInfo"));
    md.AddField(QStringLiteral("Code"), FieldType::Integer);
    md.AddField(QStringLiteral("Material"), FieldType::String, 100);
    md.AddField(QStringLiteral("ShSquare"), FieldType::Float);
    md.AddField(QStringLiteral("ScSquare"), FieldType::Float);
    md.Open();

    DataSetModel model;
    model.SetDataSet(&md);
    QTableView view;
    view.setModel(&model);
    view.resize(400, 200);
    view.show();

    for (int pass = 0; pass < 2; ++pass) {
        md.Close();
        md.Open();
        for (int code : {1, 2}) {
            md.Append();
            md.FieldByName(QStringLiteral("Code"))->SetValue(code);
            md.FieldByName(QStringLiteral("Material"))->SetValue(code == 1 ? QStringLiteral("ДСП") : QStringLiteral("МДФ"));
            md.FieldByName(QStringLiteral("ShSquare"))->SetValue(0.0);
            md.Post();
        }
        ASSERT_TRUE(md.Locate(QStringLiteral("Code"), 2));
        md.Edit();
        md.FieldByName(QStringLiteral("ShSquare"))->SetValue(md.FieldByName(QStringLiteral("ShSquare"))->AsFloat() + 2.5);
        md.Post();
    }

    ASSERT_EQ(model.columnCount(), 4);     // the record number stays hidden
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Material"));
    EXPECT_EQ(model.data(model.index(1, 1)).toString(), QStringLiteral("МДФ"));
    EXPECT_EQ(model.data(model.index(1, 2)).toString(), QStringLiteral("2.5"));
    EXPECT_EQ(model.currentRow(), 1);

    // A cell edited in the grid reaches the table once the row is posted.
    ASSERT_TRUE(model.setData(model.index(0, 1), QStringLiteral("ЛДСП"))) << model.lastError().toStdString();
    md.Post();
    EXPECT_EQ(column(md, QStringLiteral("Material")), (QStringList{"ЛДСП", "МДФ"}));
}

// The part-names table: one string field, rows deleted through the grid's action.
TEST(MemDataGrid, NamesTableDeletesTheCurrentRow)
{
    TMemData md;
    md.setObjectName(QStringLiteral("mdNames"));
    md.AddField(QStringLiteral("Name"), FieldType::String, 50);
    md.Open();
    DataSetModel model;
    model.SetDataSet(&md);
    for (const char *n : {"Дверь", "Полка", "Стенка"}) {
        md.Append();
        md.FieldByName(QStringLiteral("Name"))->SetValue(QString::fromUtf8(n));
        md.Post();
    }
    md.First();
    md.Next();
    md.Delete();
    EXPECT_EQ(model.rowCount(), 2);
    QStringList seen;
    for (md.First(); !md.Eof(); md.Next()) seen << md.FieldByName(QStringLiteral("Name"))->AsString();
    EXPECT_EQ(seen, (QStringList{"Дверь", "Стенка"}));
}
