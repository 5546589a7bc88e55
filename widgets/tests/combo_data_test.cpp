// The colour combo bound to a field of a data set.
#include "widgets/colorcombo.h"
#include "platform/db/dataset.h"
#include "platform/testsupport/memdataset.h"

#include <gtest/gtest.h>
#include <QTest>

using namespace kv::gw;

namespace {
class Colours : public kv::test::MemDataSet {
public:
    Colours() : MemDataSet({{"Color", kv::FieldType::Integer, 0, 0, false}, {"Name", kv::FieldType::String, 40, 0, false}}) {}
};
} // namespace

TEST(GwColorComboData, IntegerAndTextFields)
{
    Colours ds;
    ds.addRow({int(clRed), QStringLiteral("Blue")});
    ds.addRow({int(clBtnFace), QStringLiteral("RGB: 1, 2, 3")});
    ds.Open();
    kv::DataSource src;
    src.SetDataSet(&ds);

    QWidget host;
    auto *byValue = new TgwColorCombo(&host);
    TgwColorListOptions o;
    o.Options |= ccoShowSystemColors;
    byValue->SetColorListOptions(o);
    byValue->SetDataSource(&src);
    byValue->SetDataField(QStringLiteral("Color"));
    auto *byName = new TgwColorCombo(&host);
    byName->SetDataSource(&src);
    byName->SetDataField(QStringLiteral("Name"));
    EXPECT_EQ(byValue->SelectedColor(), clRed);
    EXPECT_EQ(byName->SelectedColor(), clBlue);
    ds.Next();
    EXPECT_EQ(byValue->text(), QStringLiteral("BtnFace"));
    EXPECT_EQ(byName->SelectedColor(), rgb(1, 2, 3));

    // A user change edits the record; posting keeps it.
    host.show();
    byValue->setFocus();
    ds.First();
    QTest::keyClick(byValue, Qt::Key_Down);
    EXPECT_EQ(ds.State(), kv::DataSetState::Edit);
    ds.Post();
    EXPECT_EQ(ds.recs[0].v[0].toInt(), int(byValue->SelectedColor()));
    EXPECT_NE(byValue->SelectedColor(), clRed);
}
