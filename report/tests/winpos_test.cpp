#include <gtest/gtest.h>

#include <QSettings>
#include <QTemporaryDir>
#include <QWidget>

#include "report/windows/winpos.h"

namespace {

class TrpPositionedForm : public QWidget
{
    Q_OBJECT
};

struct WindowPositions : ::testing::Test
{
    QTemporaryDir dir;
    void SetUp() override { rpSetWindowPositionStore(dir.filePath(QStringLiteral("pos.ini"))); }
    void TearDown() override { rpSetWindowPositionStore(QString()); }
};

} // namespace

TEST_F(WindowPositions, PositionsGoUnderTheClassName)
{
    TrpPositionedForm w;
    w.setGeometry(40, 50, 300, 200);
    SaveFormPosition(&w);
    QSettings s(dir.filePath(QStringLiteral("pos.ini")), QSettings::IniFormat);
    s.beginGroup(QStringLiteral("Form/TrpPositionedForm"));
    EXPECT_EQ(s.value(QStringLiteral("XPosition")).toInt(), 40);
    EXPECT_EQ(s.value(QStringLiteral("YPosition")).toInt(), 50);
    EXPECT_EQ(s.value(QStringLiteral("Width")).toInt(), 300);
    EXPECT_EQ(s.value(QStringLiteral("Height")).toInt(), 200);
    EXPECT_FALSE(s.value(QStringLiteral("Maximized")).toBool());

    TrpPositionedForm again;
    again.setGeometry(1, 1, 100, 100);
    RestoreFormPosition(&again);
    EXPECT_FALSE(again.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(again.geometry(), QRect(40, 50, 300, 200));
}

TEST_F(WindowPositions, WithoutValuesTheWindowIsMaximizedWithItsOwnBounds)
{
    TrpPositionedForm w;
    w.setGeometry(10, 20, 330, 220);
    RestoreFormPosition(&w);
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(w.geometry(), QRect(10, 20, 330, 220));
}

TEST_F(WindowPositions, MaximizedWhenClosedOpensMaximizedAgain)
{
    {
        QSettings s(dir.filePath(QStringLiteral("pos.ini")), QSettings::IniFormat);
        s.setValue(QStringLiteral("Form/TrpPositionedForm/Maximized"), true);
        s.setValue(QStringLiteral("Form/TrpPositionedForm/Width"), QStringLiteral("wide"));   // unreadable: default
    }
    TrpPositionedForm w;
    w.setGeometry(10, 20, 330, 220);
    RestoreFormPosition(&w);
    EXPECT_TRUE(w.windowState() & Qt::WindowMaximized);
    EXPECT_EQ(w.geometry().width(), 330);
}

#include "winpos_test.moc"
