#include "controls/calendar.h"
#include "platform/clock.h"
#include "platform/testsupport/fakeui.h"
#include "platform/testsupport/scoped.h"

#include <gtest/gtest.h>
#include "controls/vclutils.h"

#include <QImage>
#include <cstdlib>
#include <QLabel>
#include <QSet>
#include <QTest>

namespace {
struct FixedToday : ::testing::Test
{
    void SetUp() override { kv::SetClock([] { return QDateTime(QDate(2026, 3, 15), QTime(12, 0)); }); }
    void TearDown() override { kv::SetClock({}); }
};
} // namespace

using Calendar = FixedToday;

TEST_F(Calendar, PlacementOfTheFirst)
{
    TCalendarModel m;
    m.SetCalendarDate(QDate(2021, 3, 10));   // 1 March 2021 is a Monday
    EXPECT_EQ(m.CellOfDay(1), QPoint(0, 1));
    EXPECT_EQ(m.DayAt(0, 1), 1);
    EXPECT_EQ(m.DayAt(2, 5), 31);
    EXPECT_EQ(m.DayAt(3, 5), 0);
    m.SetCalendarDate(QDate(2026, 2, 10));   // 1 February 2026 is a Sunday
    EXPECT_EQ(m.CellOfDay(1), QPoint(6, 1));
    EXPECT_EQ(m.DayAt(5, 1), 0);
    EXPECT_EQ(m.DayAt(6, 1), 1);
    EXPECT_EQ(m.DayAt(6, 5), 0);    // 28 days: the 28th ends row 5 in column 5
    EXPECT_EQ(m.DayAt(5, 5), 28);
    // Week starting on Sunday moves it to column 0.
    m.SetStartOfWeek(dowSun);
    EXPECT_EQ(m.CellOfDay(1), QPoint(0, 1));
    EXPECT_EQ(m.DayNameAt(0), QString::fromUtf8("Вс"));
}

TEST_F(Calendar, WeekendColumns)
{
    TCalendarModel m;
    for (int c = 0; c < 7; ++c) EXPECT_EQ(m.IsWeekendColumn(c), c == 6) << c;
    EXPECT_EQ(m.DayNameAt(0), QString::fromUtf8("Пн"));
    EXPECT_EQ(m.DayNameAt(6), QString::fromUtf8("Вс"));
}

TEST_F(Calendar, MonthAndYearSteps)
{
    struct Case { QDate from; int months, years; QDate want; };
    const Case cases[] = {
        {QDate(2024, 1, 31), 1, 0, QDate(2024, 2, 29)},
        {QDate(2023, 1, 31), 1, 0, QDate(2023, 2, 28)},
        {QDate(2024, 3, 31), -1, 0, QDate(2024, 2, 29)},
        {QDate(2024, 12, 15), 1, 0, QDate(2025, 1, 15)},
        {QDate(2024, 1, 15), -1, 0, QDate(2023, 12, 15)},
        {QDate(2004, 2, 29), 0, 1, QDate(2005, 2, 28)},
        {QDate(2004, 2, 29), 0, -1, QDate(2003, 2, 28)},
        {QDate(2005, 3, 1), 0, 1, QDate(2006, 3, 1)},
    };
    for (const Case &c : cases) {
        TCalendarModel m;
        m.SetCalendarDate(c.from);
        for (int i = 0; i < qAbs(c.months); ++i) c.months > 0 ? m.NextMonth() : m.PrevMonth();
        for (int i = 0; i < qAbs(c.years); ++i) c.years > 0 ? m.NextYear() : m.PrevYear();
        EXPECT_EQ(m.CalendarDate(), c.want) << c.from.toString().toStdString();
    }
}

TEST_F(Calendar, LimitsHoldTheDate)
{
    TCalendarModel m;
    m.SetMinDate(QDate(2026, 2, 10));
    m.SetMaxDate(QDate(2026, 4, 20));
    m.SetCalendarDate(QDate(2026, 4, 20));
    m.NextDay();   // right arrow on the maximum
    EXPECT_EQ(m.CalendarDate(), QDate(2026, 4, 20));
    m.SetCalendarDate(QDate(2027, 1, 1));
    EXPECT_EQ(m.CalendarDate(), QDate(2026, 4, 20));
    m.SetMonth(2);   // the limit's month: the day comes up to the limit's
    EXPECT_EQ(m.CalendarDate(), QDate(2026, 2, 20));
    m.SetDay(5);
    EXPECT_EQ(m.CalendarDate(), QDate(2026, 2, 10));
    EXPECT_FALSE(m.CanPrevMonth());
    EXPECT_FALSE(m.CanPrevYear());
    EXPECT_TRUE(m.CanNextMonth());
    EXPECT_FALSE(m.CanNextYear());
    EXPECT_FALSE(m.CanSelect(0, 1));   // 2 February is before the minimum
    m.SetYear(2030);
    EXPECT_EQ(m.CalendarDate(), QDate(2026, 2, 10));   // limited to the limits' years
    m.SetMonth(13);
    EXPECT_EQ(m.Month(), 2);
}

TEST_F(Calendar, DaysAndTitle)
{
    TCalendarModel m;
    m.SetCalendarDate(QDate(2021, 3, 1));
    m.PrevDay();
    EXPECT_EQ(m.CalendarDate(), QDate(2021, 2, 28));
    m.NextDay();
    EXPECT_EQ(m.Title(), QString::fromUtf8("Март, 2021"));
    m.SetDay(31);
    m.SetMonth(4);   // past the end of April: its last day
    EXPECT_EQ(m.CalendarDate(), QDate(2021, 4, 30));
}

TEST_F(Calendar, DialogPlacement)
{
    const QSize dlg(222, 180), screen(1024, 768);
    EXPECT_EQ(SelectDatePlacement(QRect(100, 100, 150, 21), dlg, screen), QPoint(28, 120));   // right edges aligned
    // Near the bottom: above the edit.
    EXPECT_EQ(SelectDatePlacement(QRect(400, 700, 150, 21), dlg, screen), QPoint(328, 700 - 180 + 1));
    // Near the right edge: kept on the screen.
    EXPECT_EQ(SelectDatePlacement(QRect(1000, 100, 150, 21), dlg, screen), QPoint(1024 - 222, 120));
    // Near the left edge: the edit's left.
    EXPECT_EQ(SelectDatePlacement(QRect(10, 100, 60, 21), dlg, screen), QPoint(10, 120));
}

TEST_F(Calendar, DialogKeysAndResult)
{
    TSelectDateDlg dlg;
    dlg.Calendar()->Model().SetCalendarDate(QDate(2026, 1, 31));
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    auto *cal = dlg.findChild<TExCalendar *>("Calendar");
    ASSERT_NE(cal, nullptr);
    cal->setFocus();
    QTest::keyClick(cal, Qt::Key_Tab);
    EXPECT_EQ(cal->Model().CalendarDate(), QDate(2026, 2, 28));
    QTest::keyClick(cal, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(cal->Model().CalendarDate(), QDate(2027, 2, 28));
    QTest::keyClick(cal, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(cal->Model().CalendarDate(), QDate(2027, 1, 28));
    EXPECT_EQ(dlg.findChild<QLabel *>("TitleLabel")->text(), QString::fromUtf8("Январь, 2027"));
    QTest::keyClick(cal, Qt::Key_Right);
    EXPECT_EQ(cal->Model().CalendarDate(), QDate(2027, 1, 29));
    QTest::keyClick(cal, Qt::Key_T);
    EXPECT_EQ(cal->Model().CalendarDate(), QDate(2026, 3, 15));
    QTest::keyClick(cal, Qt::Key_Return);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
}

TEST_F(Calendar, RunDialogThroughTheEditsUiService)
{
    QDate d;   // null: starts at today
    QWidget edit;
    kv::test::FakeUi ui;
    kv::AttachUi(&edit, &ui);
    ui.onModal = [](QDialog &d) {
        auto &dlg = dynamic_cast<TSelectDateDlg &>(d);
        EXPECT_EQ(dlg.Calendar()->Model().CalendarDate(), QDate(2026, 3, 15));
        EXPECT_EQ(dlg.windowTitle(), QString::fromUtf8("Выбор даты"));
        dlg.Calendar()->Model().NextMonth();
        return int(QDialog::Accepted);
    };
    SelectDateOptions opt;
    EXPECT_TRUE(RunSelectDateDialog(&edit, d, opt));
    EXPECT_EQ(d, QDate(2026, 4, 15));
    ui.onModal = [](QDialog &) { return int(QDialog::Rejected); };
    EXPECT_FALSE(RunSelectDateDialog(&edit, d, opt));
    EXPECT_EQ(d, QDate(2026, 4, 15));
}

TEST_F(Calendar, PopupAcceptsTheClickedDay)
{
    QWidget edit;
    TPopupCalendar pop(&edit);
    pop.SetValueText("  .  .    ", "DD/MM/YYYY");
    EXPECT_EQ(pop.Value(), QDate(2026, 3, 15));
    pop.SetValueText("05.02.2026", "DD/MM/YYYY");
    EXPECT_EQ(pop.Value(), QDate(2026, 2, 5));
    pop.ShowAt(QPoint(10, 10));
    bool accepted = false;
    QObject::connect(&pop, &TPopupCalendar::CloseUp, [&](bool a) { accepted = a; });
    TLocCalendar *cal = pop.Calendar();
    const QRect cell = cal->CellRect(cal->Model().CellOfDay(20).x(), cal->Model().CellOfDay(20).y());
    QTest::mouseRelease(&pop, Qt::LeftButton, {}, cal->mapTo(&pop, cell.center()));
    EXPECT_TRUE(accepted);
    EXPECT_EQ(pop.Value(), QDate(2026, 2, 20));
    EXPECT_TRUE(pop.HandleKey(Qt::Key_PageUp, Qt::ControlModifier, QString()));
    EXPECT_EQ(pop.Value(), QDate(2025, 2, 20));
}

// A day outside the limits is drawn in the face colour, engraved (highlight
// below right, shadow on top) when the calendar itself is face-coloured.
TEST_F(Calendar, DaysOutsideTheLimitsAreGreyedOrEngraved)
{
    struct Case
    {
        bool faceColoured;
        QList<QColor> present, absent;
    };
    const QColor text = QColor(Qt::black);
    const Case cases[] = {
        {false, {kv::BtnFaceColor()}, {text}},
        {true, {kv::BtnHighlightColor(), kv::BtnShadowColor()}, {text}},
    };
    for (const Case &c : cases) {
        TExCalendar cal;
        QPalette pal = cal.palette();
        pal.setColor(QPalette::WindowText, text);
        if (c.faceColoured) pal.setColor(QPalette::Window, kv::BtnFaceColor());
        cal.setPalette(pal);
        cal.resize(220, 160);
        cal.Model().SetMinDate(QDate(2026, 3, 10));
        cal.Model().SetCalendarDate(QDate(2026, 3, 15));
        const QPoint at = cal.Model().CellOfDay(9);   // before the minimum, a Monday
        const QImage img = cal.grab().toImage();
        const QRect cell = cal.CellRect(at.x(), at.y()).adjusted(2, 2, -2, -2);
        QSet<QRgb> seen;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x) seen.insert(img.pixel(x, y) & 0xFFFFFF);
        // Smoothed letters: a colour counts as present when a pixel comes near it.
        for (const QColor &col : c.present) {
            bool near = false;
            for (QRgb px : seen)
                near = near || (std::abs(qRed(px) - col.red()) + std::abs(qGreen(px) - col.green()) +
                                std::abs(qBlue(px) - col.blue())) < 40;
            EXPECT_TRUE(near) << c.faceColoured << " " << col.name().toStdString();
        }
        for (const QColor &col : c.absent) {
            EXPECT_FALSE(seen.contains(col.rgb() & 0xFFFFFF)) << c.faceColoured << " " << col.name().toStdString();
        }
        // A day within the limits keeps the text colour.
        const QPoint in = cal.Model().CellOfDay(16);
        const QRect inCell = cal.CellRect(in.x(), in.y()).adjusted(2, 2, -2, -2);
        bool dark = false;
        for (int y = inCell.top(); y <= inCell.bottom() && !dark; ++y)
            for (int x = inCell.left(); x <= inCell.right() && !dark; ++x) dark = (img.pixel(x, y) & 0xFFFFFF) == (text.rgb() & 0xFFFFFF);
        EXPECT_TRUE(dark) << c.faceColoured;
    }
}
