// The colour combo bound to a field of a data set.
#include "widgets/colorcombo.h"
#include "platform/db/dataset.h"

#include <gtest/gtest.h>
#include <QTest>

using namespace kv::gw;

namespace {
class Colours : public kv::DataSet {
public:
    QList<kv::FieldDef> defs{{"Color", kv::FieldType::Integer, 0, 0, false}, {"Name", kv::FieldType::String, 40, 0, false}};
    QList<QVariantList> recs;
    ~Colours() override { Close(); }

protected:
    QList<kv::FieldDef> InternalFieldDefs() const override { return defs; }
    void InternalOpen() override {}
    void InternalClose() override {}
    int InternalRecordCount() const override { return int(recs.size()); }
    qint64 InternalRecordId(int pos) const override { return pos + 1; }
    int InternalFindId(qint64 id) const override { return id >= 1 && id <= recs.size() ? int(id - 1) : -1; }
    void InternalReadRecord(int pos, QVariantList &values) const override { values = recs[pos]; }
    qint64 InternalInsert(int, const QVariantList &values) override { recs.append(values); return recs.size(); }
    void InternalUpdate(int pos, const QVariantList &values) override { recs[pos] = values; }
    void InternalDelete(int pos) override { recs.removeAt(pos); }
};
} // namespace

TEST(GwColorComboData, IntegerAndTextFields)
{
    Colours ds;
    ds.recs = {{int(clRed), QStringLiteral("Blue")}, {int(clBtnFace), QStringLiteral("RGB: 1, 2, 3")}};
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
    EXPECT_EQ(ds.recs[0][0].toInt(), int(byValue->SelectedColor()));
    EXPECT_NE(byValue->SelectedColor(), clRed);
}
