#include "toolbars/tests/fixture.h"

#include "platform/error.h"
#include "platform/ini.h"
#include "toolbars/positions.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QMap>
#include <QTemporaryDir>

using namespace kv::tb;

namespace {

// Settings held in memory, behind the generic layer's callbacks.
struct MemoryStore {
    QMap<QString, QMap<QString, QString>> sections;
    QStringList order;   // "section/key" as written

    TPositionReadIntProc readInt()
    {
        return [this](const QString &n, const QString &k, int def) {
            if (!sections.value(n).contains(k))
                return def;
            bool ok = false;
            int v = sections[n][k].toInt(&ok);
            return ok ? v : def;
        };
    }
    TPositionReadStringProc readString()
    {
        return [this](const QString &n, const QString &k, const QString &def) {
            return sections.value(n).contains(k) ? sections[n][k] : def;
        };
    }
    TPositionWriteIntProc writeInt()
    {
        return [this](const QString &n, const QString &k, int v) {
            sections[n][k] = QString::number(v);
            order << n + '/' + k;
        };
    }
    TPositionWriteStringProc writeString()
    {
        return [this](const QString &n, const QString &k, const QString &v) {
            sections[n][k] = v;
            order << n + '/' + k;
        };
    }
};

QString readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(f.readAll());
}

} // namespace

TEST(ToolbarPositions, IniTextOfTheMainToolbar)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Korvalt.ini"));
    MainToolbarForm f;
    SaveToolWindowPositionsToIni(f.form.get(), ini, QString());
    EXPECT_EQ(readFile(ini), QStringLiteral("[tbarStandart]\r\nRev=3\r\nVisible=1\r\nDockedTo=Dock1\r\nLastDock=Dock1\r\n"
                                            "DockRow=0\r\nDockPos=0\r\nFloatLeft=0\r\nFloatTop=0\r\nFloatRightX=0\r\n"));
    kv::TIniFile::ClearCache();
}

TEST(ToolbarPositions, KeysInOrderAndFloatingValues)
{
    MainToolbarForm f;
    f.tbar->SetFloatingRightX(200);
    f.tbar->SetFloatingPosition(QPoint(120, 90));
    f.tbar->SetParentControl(f.form.get());
    MemoryStore s;
    SaveToolWindowPositions(f.form.get(), s.writeInt(), s.writeString());
    EXPECT_EQ(s.order, QStringList({"tbarStandart/Rev", "tbarStandart/Visible", "tbarStandart/DockedTo",
                                    "tbarStandart/LastDock", "tbarStandart/DockRow", "tbarStandart/DockPos",
                                    "tbarStandart/FloatLeft", "tbarStandart/FloatTop", "tbarStandart/FloatRightX"}));
    const auto &sec = s.sections["tbarStandart"];
    EXPECT_EQ(sec["DockedTo"], "+");
    EXPECT_EQ(sec["LastDock"], "Dock1");
    EXPECT_EQ(sec["FloatLeft"], "120");
    EXPECT_EQ(sec["FloatTop"], "90");
    EXPECT_EQ(sec["FloatRightX"], "200");
}

TEST(ToolbarPositions, DockWithoutDraggingSavesEmptyDockedTo)
{
    MainToolbarForm f;
    f.dock1->SetAllowDrag(false);
    MemoryStore s;
    SaveToolWindowPositions(f.form.get(), s.writeInt(), s.writeString());
    EXPECT_EQ(s.sections["tbarStandart"]["DockedTo"], "");
}

TEST(ToolbarPositions, NamesMustBeSet)
{
    MainToolbarForm f;
    MemoryStore s;
    f.dock1->setObjectName(QString());
    try {
        SaveToolWindowPositions(f.form.get(), s.writeInt(), s.writeString());
        FAIL();
    } catch (const kv::Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot save tool window's position because DockedTo's Name property not set"));
    }
    f.tbar->setObjectName(QString());
    try {
        LoadToolWindowPositions(f.form.get(), s.readInt(), s.readString());
        FAIL();
    } catch (const kv::Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot save tool window's position because Name property is not set"));
    }
    // The docks were resumed despite the error.
    EXPECT_FALSE(f.dock1->ArrangeSuspended());
}

struct RestoreCase {
    const char *name;
    QMap<QString, QString> section;
    const char *dock;         // expected dock, or "+" for floating
    bool visible;
    const char *lastDock;
};

class RestoreTable : public testing::TestWithParam<RestoreCase> {};

TEST_P(RestoreTable, Restores)
{
    const RestoreCase &c = GetParam();
    MainToolbarForm f;
    f.form->activateWindow();
    (void)QTest::qWaitForWindowActive(f.form.get(), 1000);
    MemoryStore s;
    s.sections["tbarStandart"] = c.section;
    LoadToolWindowPositions(f.form.get(), s.readInt(), s.readString());
    if (QString::fromLatin1(c.dock) == "+") {
        EXPECT_TRUE(f.tbar->Floating()) << c.name;
        EXPECT_EQ(f.tbar->DockedTo(), nullptr) << c.name;
    } else {
        ASSERT_NE(f.tbar->DockedTo(), nullptr) << c.name;
        EXPECT_EQ(f.tbar->DockedTo()->objectName(), QString::fromLatin1(c.dock)) << c.name;
    }
    EXPECT_EQ(f.tbar->Visible(), c.visible) << c.name;
    EXPECT_EQ(f.tbar->LastDock() ? f.tbar->LastDock()->objectName() : QString(), QString::fromLatin1(c.lastDock))
        << c.name;
}

using Sec = QMap<QString, QString>;
INSTANTIATE_TEST_SUITE_P(
    Cases, RestoreTable,
    testing::Values(
        RestoreCase{"no_rev", Sec{{"Visible", "0"}, {"DockedTo", "Dock3"}}, "Dock1", true, "Dock1"},
        RestoreCase{"rev_1", Sec{{"Rev", "1"}, {"Visible", "0"}, {"DockedTo", "Dock3"}}, "Dock1", true, "Dock1"},
        RestoreCase{"rev_2_docked", Sec{{"Rev", "2"}, {"Visible", "1"}, {"DockedTo", "Dock3"}}, "Dock3", true, "Dock3"},
        RestoreCase{"rev_2_float_ignores_last_dock",
                    Sec{{"Rev", "2"}, {"DockedTo", "+"}, {"LastDock", "Dock2"}, {"FloatLeft", "100"}}, "+", true,
                    "Dock1"},
        RestoreCase{"rev_3_float_reads_last_dock",
                    Sec{{"Rev", "3"}, {"DockedTo", "+"}, {"LastDock", "Dock2"}, {"FloatLeft", "100"}}, "+", true,
                    "Dock2"},
        RestoreCase{"empty_docked_to", Sec{{"Rev", "3"}, {"Visible", "0"}, {"DockedTo", ""}}, "Dock1", false, "Dock1"},
        RestoreCase{"unknown_dock", Sec{{"Rev", "3"}, {"Visible", "0"}, {"DockedTo", "Dock9"}}, "Dock1", false, "Dock1"},
        RestoreCase{"case_differs", Sec{{"Rev", "3"}, {"DockedTo", "dock3"}}, "Dock1", true, "Dock1"},
        RestoreCase{"not_a_number", Sec{{"Rev", "3"}, {"Visible", "x"}, {"DockedTo", "Dock4"}, {"DockRow", "?"}},
                    "Dock4", true, "Dock4"}),
    [](const testing::TestParamInfo<RestoreCase> &i) { return std::string(i.param.name); });

TEST(ToolbarPositions, DockThatForbidsDraggingIsNotRestoredInto)
{
    MainToolbarForm f;
    f.dock3->SetAllowDrag(false);
    MemoryStore s;
    s.sections["tbarStandart"] = Sec{{"Rev", "3"}, {"DockedTo", "Dock3"}};
    LoadToolWindowPositions(f.form.get(), s.readInt(), s.readString());
    EXPECT_EQ(f.tbar->DockedTo(), f.dock1);
}

TEST(ToolbarPositions, FloatingSpotOnAMissingMonitorComesBack)
{
    MainToolbarForm f;
    MemoryStore s;
    s.sections["tbarStandart"] = Sec{{"Rev", "3"}, {"DockedTo", "+"}, {"FloatLeft", "-5000"}, {"FloatTop", "-4000"}};
    LoadToolWindowPositions(f.form.get(), s.readInt(), s.readString());
    ASSERT_TRUE(f.tbar->Floating());
    const QRect wa = GetWorkAreaOfRect(f.tbar->ScreenRect());
    EXPECT_EQ(f.tbar->ScreenRect().topLeft(), wa.topLeft());
    // Partly on the screen: stays where it was.
    s.sections["tbarStandart"] = Sec{{"Rev", "3"}, {"DockedTo", "+"}, {"FloatLeft", "-50"}, {"FloatTop", "20"}};
    LoadToolWindowPositions(f.form.get(), s.readInt(), s.readString());
    EXPECT_EQ(f.tbar->ScreenRect().topLeft(), QPoint(-50, 20));
}

TEST(ToolbarPositions, SaveThenRestoreInANewWindow)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("Korvalt.ini"));
    {
        MainToolbarForm f;
        f.tbar->SetDockedTo(f.dock4);
        f.tbar->SetFloatingRightX(150);
        SaveToolWindowPositionsToIni(f.form.get(), ini, QString());
    }
    kv::TIniFile::ClearCache();
    MainToolbarForm g;
    LoadToolWindowPositionsFromIni(g.form.get(), ini, QString());
    EXPECT_EQ(g.tbar->DockedTo(), g.dock4);
    EXPECT_EQ(g.tbar->FloatingRightX(), 150);
    EXPECT_EQ(g.dock1->height(), 0);
    EXPECT_EQ(g.dock4->width(), 85 + 4 + 1);
    EXPECT_EQ(g.find("tbNewGroup")->geometry(), QRect(14, 11, 60, 35));
    // With a prefix the sections are apart.
    SaveToolWindowPositionsToIni(g.form.get(), ini, QStringLiteral("Main."));
    kv::TIniFile check(ini);
    EXPECT_EQ(check.ReadString(QStringLiteral("Main.tbarStandart"), QStringLiteral("DockedTo"), QString()),
              QStringLiteral("Dock4"));
    kv::TIniFile::ClearCache();
}

TEST(ToolbarPositions, EmptyRowsAreCompactedBeforeSaving)
{
    MainToolbarForm f;
    auto *second = new TToolbar(f.dock2);
    second->setObjectName(QStringLiteral("tbarSecond"));
    auto *b = new TToolbarButton(second);
    b->resize(30, 22);
    second->Relayout();
    // Hidden, so the dock has no shown bar and does not arrange its rows.
    second->setVisible(false);
    second->SetDockRow(3);
    MemoryStore s;
    SaveToolWindowPositions(f.form.get(), s.writeInt(), s.writeString());
    EXPECT_EQ(s.sections["tbarSecond"]["DockRow"], "0");
    EXPECT_EQ(s.sections["tbarSecond"]["Visible"], "0");
    EXPECT_EQ(s.sections["tbarSecond"]["DockedTo"], "Dock2");
}

TEST(ToolbarPositions, TwoBarsInOneRowRoundTrip)
{
    MainToolbarForm f;
    f.tbar->SetFullSize(false);
    auto *second = new TToolbar(f.dock1);
    second->setObjectName(QStringLiteral("tbarSecond"));
    auto *b = new TToolbarButton(second);
    b->resize(30, 22);
    second->Relayout();
    second->SetDockRow(0);
    second->SetDockPos(620);
    f.dock1->ArrangeBars(true);
    EXPECT_EQ(f.tbar->DockRow(), 0);
    EXPECT_EQ(second->DockRow(), 0);
    MemoryStore s;
    SaveToolWindowPositions(f.form.get(), s.writeInt(), s.writeString());
    const int pos = s.sections["tbarSecond"]["DockPos"].toInt();
    EXPECT_GE(pos, 595 + 13);
    MainToolbarForm g;
    g.tbar->SetFullSize(false);
    auto *second2 = new TToolbar(g.dock2);
    second2->setObjectName(QStringLiteral("tbarSecond"));
    auto *b2 = new TToolbarButton(second2);
    b2->resize(30, 22);
    second2->Relayout();
    LoadToolWindowPositions(g.form.get(), s.readInt(), s.readString());
    EXPECT_EQ(second2->DockedTo(), g.dock1);
    EXPECT_EQ(second2->DockRow(), 0);
    EXPECT_EQ(second2->DockPos(), pos);
    EXPECT_EQ(g.dock1->height(), 40);
}
