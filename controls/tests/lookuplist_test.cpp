// The lookup list over a materials table: search as the user types, keys,
// paging, the empty row, dragging and the indicator scroll bar.
#include "controls/lookuplist.h"
#include "platform/db/schema.h"
#include "platform/db/table.h"
#include "platform/error.h"
#include "platform/testsupport/fakeui.h"
#include "platform/ui.h"

#include <QApplication>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace kv;

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

const char *const kLong = "Плита древесно-стружечная ламинированная 16мм";

struct ListTest : ::testing::Test
{
    QTemporaryDir dir;
    Table mats;
    DataSource src;
    kv::test::FakeUi ui;
    std::unique_ptr<TExDBLookupList> list;
    qint64 now = 100000;

    void SetUp() override
    {
        TExLookupControl::SetSearchClock([this] { return now; });
        writeMissingTemplates(dir.path());
        mats.SetDatabaseName(dir.path());
        mats.SetTableName("Materials.dbf");
        mats.Open();
        // Sorted by name, as the material chooser opens them.
        const char *names[] = {"ДВП 3мм", "ДСП 16мм", "ДСП 18мм", "МДФ 19мм", kLong, "Фанера 10мм", "Фанера 12мм",
                               "ХДФ 3мм", "Шпон дуб"};
        int code = 1;
        for (const char *n : names) mats.AppendRecord({u(n), code++});
        mats.First();
        src.SetDataSet(&mats);
        list = std::make_unique<TExDBLookupList>();
        list->setObjectName("lstMaterials");
        kv::AttachUi(list.get(), &ui);
        list->SetLookupSource(&src);
        list->SetLookupField("CODE");
        list->SetLookupDisplay("MATERIAL");
        list->SetIndexSwitch(false);
        list->SetRowCount(5);
        list->show();
        QApplication::setActiveWindow(list.get());
        list->setFocus();
    }
    void TearDown() override { TExLookupControl::SetSearchClock(nullptr); }

    void typeChar(QChar c)
    {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(list.get(), &press);
    }
    void key(Qt::Key k) { QTest::keyClick(list.get(), k); }
    QString current() { return mats.FieldByName("MATERIAL")->AsString(); }
};

} // namespace

TEST_F(ListTest, SetLookupValueSelectsAndNotifiesOnlyOnChange)
{
    QSignalSpy changed(list.get(), &TExLookupControl::NotifyChange);
    list->SetLookupValue("4");
    EXPECT_EQ(list->LookupValue(), "4");
    EXPECT_EQ(list->DisplayText(), u("МДФ 19мм"));
    EXPECT_EQ(current(), u("МДФ 19мм"));
    EXPECT_EQ(changed.count(), 1);
    list->SetLookupValue("4");
    EXPECT_EQ(changed.count(), 1);
    // An unknown key selects nothing and shows the first record.
    list->SetLookupValue("77");
    EXPECT_EQ(list->DisplayText(), u("ДВП 3мм"));
}

TEST_F(ListTest, IncrementalSearchWithinTwoSeconds)
{
    typeChar(u("д")[0]);
    EXPECT_EQ(list->SearchText(), u("Д"));   // letter case of the record
    EXPECT_EQ(list->LookupValue(), "1");
    now += 1000;
    typeChar(u("с")[0]);
    EXPECT_EQ(list->SearchText(), u("ДС"));
    EXPECT_EQ(list->DisplayText(), u("ДСП 16мм"));
    // 3 seconds later a letter starts a new search.
    now += 3000;
    typeChar(u("ф")[0]);
    EXPECT_EQ(list->SearchText(), u("Ф"));
    EXPECT_EQ(list->DisplayText(), u("Фанера 10мм"));
    // A letter that matches nothing is dropped; the selection stays.
    now += 500;
    typeChar(u("щ")[0]);
    EXPECT_EQ(list->SearchText(), u("Ф"));
    EXPECT_EQ(list->DisplayText(), u("Фанера 10мм"));
    // Backspace empties the text and goes to the first record.
    now += 500;
    key(Qt::Key_Backspace);
    EXPECT_EQ(list->SearchText(), "");
    EXPECT_EQ(list->LookupValue(), "1");
    key(Qt::Key_Escape);
    EXPECT_EQ(list->SearchText(), "");
}

TEST_F(ListTest, ThirtyThirdCharacterStartsAgainAtTheFirstRecord)
{
    const QString name = u(kLong);
    for (int i = 0; i < 32; ++i) {
        now += 100;
        typeChar(name[i]);
    }
    EXPECT_EQ(list->SearchText(), name.left(32));
    EXPECT_EQ(list->LookupValue(), "5");
    now += 100;
    typeChar(name[32]);
    EXPECT_EQ(list->SearchText(), "");
    EXPECT_EQ(list->LookupValue(), "1");
}

TEST_F(ListTest, EmptyRowWithTheArrowKeys)
{
    list->SetDisplayEmpty(u("<нет>"));
    list->SetLookupValue("");
    key(Qt::Key_Up);
    EXPECT_EQ(list->LookupValue(), "");
    key(Qt::Key_Down);
    EXPECT_EQ(list->LookupValue(), "1");
    key(Qt::Key_Down);
    EXPECT_EQ(list->LookupValue(), "2");
    key(Qt::Key_Up);
    key(Qt::Key_Up);
    EXPECT_EQ(list->LookupValue(), "");
    EXPECT_EQ(list->DisplayText(), "");
    key(Qt::Key_End);
    EXPECT_EQ(list->LookupValue(), "9");
    key(Qt::Key_Home);
    EXPECT_EQ(list->LookupValue(), "1");
}

TEST_F(ListTest, PageKeysMoveTheRightWayWithFewRows)
{
    struct Case { int rows; bool empty; int downTo; };
    // Records shown: rows less the empty row. A page is that less one, at least one.
    const Case cases[] = {{5, false, 5}, {1, false, 2}, {2, true, 2}, {3, true, 2}};
    for (const Case &c : cases) {
        list->SetDisplayEmpty(c.empty ? u("<нет>") : QString());
        list->SetRowCount(c.rows);
        ASSERT_EQ(list->RowCount(), c.rows);
        list->SetLookupValue("1");
        key(Qt::Key_PageDown);
        EXPECT_EQ(list->LookupValue(), QString::number(c.downTo)) << c.rows << c.empty;
        key(Qt::Key_PageUp);
        EXPECT_EQ(list->LookupValue(), "1") << c.rows << c.empty;
    }
}

TEST_F(ListTest, DragBeyondTheEdgeScrollsWithATimer)
{
    EXPECT_EQ(TExDBLookupList::AutoScrollInterval(1), 185);
    EXPECT_EQ(TExDBLookupList::AutoScrollInterval(10), 50);
    EXPECT_EQ(TExDBLookupList::AutoScrollInterval(13), 10);
    for (int d : {14, 20, 100}) EXPECT_GT(TExDBLookupList::AutoScrollInterval(d), 0) << d;

    QWidget *vp = list->viewport();
    const int h = vp->height(), H = list->ItemHeight();
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, QPoint(10, H + H / 2));
    EXPECT_EQ(list->LookupValue(), "2");
    QMouseEvent move(QEvent::MouseMove, QPointF(10, h + 9), QPointF(10, h + 9), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(vp, &move);
    // The row under the clamped point is the last shown, then one more record.
    EXPECT_EQ(list->LookupValue(), "6");
    EXPECT_TRUE(list->AutoScrolling());
    EXPECT_EQ(list->AutoScrollTimerInterval(), 50);
    QTest::qWait(120);
    EXPECT_GE(list->LookupValue().toInt(), 7);
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, QPoint(10, H / 2));
    EXPECT_FALSE(list->AutoScrolling());
}

TEST_F(ListTest, IndicatorScrollBarAndWheel)
{
    QScrollBar *sb = list->verticalScrollBar();
    list->SetLookupValue("1");
    EXPECT_EQ(sb->maximum(), 4);
    EXPECT_EQ(sb->value(), 0);
    list->SetLookupValue("5");
    EXPECT_EQ(sb->value(), 2);
    list->SetLookupValue("9");
    EXPECT_EQ(sb->value(), 4);
    // Line down beyond the shown rows moves the data set, not the selection.
    list->SetLookupValue("1");
    sb->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(current(), u("Фанера 10мм"));   // the record below the five shown
    EXPECT_EQ(list->LookupValue(), "1");
    sb->triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(current(), u("ДВП 3мм"));
    // A wheel turn down shows the next records; the selection stays.
    QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(list->viewport(), &wheel);
    EXPECT_EQ(mats.RecNo(), 6);
    EXPECT_EQ(list->LookupValue(), "1");
    // Fewer records than rows: no indicator.
    while (mats.RecordCount() > 3) {
        mats.Last();
        mats.Delete();
    }
    EXPECT_EQ(sb->maximum(), 0);
}

TEST_F(ListTest, WritesTheKeyIntoTheEditedField)
{
    Table parts;
    parts.SetDatabaseName(dir.path());
    parts.SetTableName("Group.dbf");
    parts.Open();
    parts.AppendRecord({u("Полка"), 500, 300, 1, 0, 0, 0, 0, 0, 4});
    DataSource partsSrc;
    partsSrc.SetDataSet(&parts);
    list->SetDataSource(&partsSrc);
    list->SetDataField("MATERIAL");
    EXPECT_EQ(list->LookupValue(), "4");
    EXPECT_EQ(list->DisplayText(), u("МДФ 19мм"));
    key(Qt::Key_Down);
    EXPECT_EQ(parts.State(), DataSetState::Edit);
    EXPECT_EQ(parts.FieldByName("MATERIAL")->AsInteger(), 5);
    EXPECT_EQ(list->LookupValue(), "5");
    parts.Cancel();
    EXPECT_EQ(list->LookupValue(), "4");
    // Read-only: keys change nothing.
    list->SetReadOnly(true);
    key(Qt::Key_Down);
    EXPECT_EQ(parts.State(), DataSetState::Browse);
    // The edited and the lookup data set may not be the same.
    kv::test::ScopedAnswers answers(ui);
    list->SetDataSource(&src);
    list->SetDataField("CODE");
    ASSERT_FALSE(answers.shown().empty());
    EXPECT_EQ(answers.shown().back().text, u("Циклические связи данных не разрешены"));
}

TEST_F(ListTest, ScreenshotReadsLikeAList)
{
    list->SetDisplayEmpty(u("<нет>"));
    list->SetLookupValue("2");
    list->resize(220, list->height());
    const QImage img = list->grab().toImage();
    EXPECT_FALSE(img.isNull());
    const QByteArray path = qgetenv("KV_LOOKUP_SHOT");
    if (!path.isEmpty()) img.save(QString::fromLocal8Bit(path));
}

TEST_F(ListTest, LookupFieldOfTheEditedDataSetDefinesTheList)
{
    Table parts;
    parts.SetDatabaseName(dir.path());
    parts.SetTableName("Group.dbf");
    Field *look = parts.AddField("MatLookup", FieldType::String, 35, FieldKind::Lookup);
    look->LookupDataSet = &mats;
    look->KeyFields = "MATERIAL";
    look->LookupKeyFields = "CODE";
    look->LookupResultField = "MATERIAL";
    parts.Open();
    parts.AppendRecord({u("Полка"), 500, 300, 1, 0, 0, 0, 0, 0, 3});
    DataSource partsSrc;
    partsSrc.SetDataSet(&parts);

    TExDBLookupList l;
    l.SetDataSource(&partsSrc);
    l.SetDataField("MatLookup");
    l.resize(200, 120);
    l.show();
    EXPECT_TRUE(l.LookupMode());
    EXPECT_EQ(l.MasterField(), parts.FieldByName("MATERIAL"));
    EXPECT_EQ(l.LookupField(), "");
    EXPECT_EQ(l.LookupSource(), nullptr);
    EXPECT_TRUE(l.ListActive());
    EXPECT_EQ(l.LookupValue(), "3");
    EXPECT_EQ(l.DisplayText(), u("ДСП 18мм"));
    EXPECT_THROW(l.SetLookupSource(&src), Error);
    EXPECT_THROW(l.SetLookupField("CODE"), Error);
    QTest::keyClick(&l, Qt::Key_Down);
    EXPECT_EQ(parts.FieldByName("MATERIAL")->AsInteger(), 4);
    EXPECT_EQ(parts.FieldByName("MatLookup")->AsString(), u("МДФ 19мм"));
    parts.Post();
    l.SetDataField("");
    EXPECT_FALSE(l.LookupMode());
}

TEST_F(ListTest, DelimitedRowsAndPictures)
{
    list->SetLookupDisplay("MATERIAL;CODE");
    list->SetListStyle(TLookupListStyle::lsDelimited);
    list->SetFieldsDelimiter(QLatin1Char(';'));
    int asked = 0;
    list->OnGetImage = [&](TExLookupControl &, bool, QImage &img, int &margin) {
        ++asked;
        img = QImage(8, 8, QImage::Format_ARGB32);
        img.fill(Qt::red);
        margin = 12;
    };
    list->SetLookupValue("2");
    const QImage shot = list->viewport()->grab().toImage();
    EXPECT_GT(asked, 0);
    const int H = list->ItemHeight();
    EXPECT_EQ(QColor(shot.pixel(6, H / 2)), QColor(Qt::red));
    EXPECT_EQ(list->DisplayField()->FieldName(), "MATERIAL");
    list->SetLookupDisplayIndex(1);
    EXPECT_EQ(list->DisplayField()->FieldName(), "CODE");
    list->SetLookupDisplayIndex(7);   // out of range: the first
    EXPECT_EQ(list->DisplayField()->FieldName(), "MATERIAL");
}
