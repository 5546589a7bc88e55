#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <stdexcept>

#include "report/windows/progress.h"

TEST(ProgressWindow, WorkRunsInsideAndEndsWithOk)
{
    TrpProgressForm f;
    bool shownWhileWorking = false;
    int r = f.ShowForWork([&] {
        shownWhileWorking = f.isVisible() && rpCurrentProgressForm() == &f;
        f.SetLine(QStringLiteral("Processing page:  1"));
    }, [] {});
    EXPECT_TRUE(shownWhileWorking);
    EXPECT_EQ(r, QDialog::Accepted);
    EXPECT_EQ(f.Label1->text(), QStringLiteral("Processing page:  1"));
    EXPECT_EQ(f.Button1->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(rpCurrentProgressForm(), nullptr);
}

TEST(ProgressWindow, CancelSetsTheStopFlagAndTheWorkEnds)
{
    TrpProgressForm f;
    bool stop = false;
    int steps = 0;
    const int r = f.ShowForWork([&] {
        while (!stop && steps < 1000) {
            ++steps;
            if (steps == 3) QTest::mouseClick(f.Button1, Qt::LeftButton);
            f.SetLine(QString::number(steps));
        }
    }, [&] { stop = true; });
    EXPECT_EQ(r, QDialog::Rejected);
    EXPECT_TRUE(f.Cancelled());
    EXPECT_EQ(steps, 3);
}

TEST(ProgressWindow, FailureOfTheWorkComesOutAfterTheWindow)
{
    TrpProgressForm f;
    EXPECT_THROW(f.ShowForWork([] { throw std::runtime_error("broken"); }, [] {}), std::runtime_error);
    EXPECT_FALSE(f.isVisible());
}
