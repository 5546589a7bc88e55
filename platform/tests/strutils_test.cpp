#include "platform/strutils.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace kv;

namespace {

TEST(StrUtils, Words)
{
    const QString delims = " ,";
    struct Case { int n; const char *text; int start; const char *word; } cases[] = {
        {1, " ,12,34", 3, "12"}, {2, " ,12,34", 6, "34"}, {3, "1,2", 0, ""},
        {1, "", 0, ""}, {1, " , ", 0, ""}, {2, "a  b", 4, "b"}, {0, "a", 0, ""},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(NthWordStart(c.n, c.text, delims), c.start) << c.text << " " << c.n;
        EXPECT_EQ(NthWord(c.n, c.text, delims), c.word) << c.text << " " << c.n;
    }
}

TEST(StrUtils, SubstituteRepeatConsist)
{
    EXPECT_EQ(SubstituteAll("aaa", "aa", "b"), "ba");
    EXPECT_EQ(SubstituteAll("a.b.c", ".", ""), "abc");
    EXPECT_EQ(SubstituteAll("ab", "", "x"), "ab");
    EXPECT_EQ(SubstituteAll("xa", "a", "aa"), "xaa");
    EXPECT_EQ(RepeatChar('M', 3), "MMM");
    EXPECT_EQ(RepeatChar('M', 0), "");
    EXPECT_EQ(RepeatChar('M', -2), "");
    EXPECT_TRUE(ConsistsOnlyOf("", "0 "));
    EXPECT_TRUE(ConsistsOnlyOf("0 .0", "0 ._"));
    EXPECT_FALSE(ConsistsOnlyOf("01", "0 "));
}

TEST(StrUtils, TrailingSeparator)
{
    struct Case { const char *in, *out; } cases[] = {
        {"", ""}, {"/home/u", "/home/u/"}, {"/home/u/", "/home/u/"}, {"Sheets", "Sheets/"},
        {"C:\\Data", "C:\\Data\\"}, {"C:\\Data\\", "C:\\Data\\"}, {"C:", "C:"}, {"C", "C/"},
    };
    for (const Case &c : cases) EXPECT_EQ(WithTrailingBackslash(c.in), c.out) << c.in;
}

TEST(StrUtils, FindFreeFileName)
{
    QTemporaryDir dir;
    EXPECT_EQ(FindFreeFileName(dir.path(), "mdl%d.dbf"), "mdl0.dbf");
    for (const char *name : {"mdl0.dbf", "MDL1.DBF", "mdl3.dbf"}) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(FindFreeFileName(dir.path(), "mdl%d.dbf"), "mdl2.dbf");
    EXPECT_EQ(FindFreeFileName(dir.path() + "/", "tmp%d.kmx"), "tmp0.kmx");
    EXPECT_EQ(FindFreeFileName(dir.path(), "100%%_%d.txt"), "100%_0.txt");
    // A pattern without its number would never change: refused.
    EXPECT_EQ(FindFreeFileName(dir.path(), "fixed.dbf"), "");
    EXPECT_EQ(FindFreeFileName(dir.path(), "a%d%d.dbf"), "");
    EXPECT_EQ(FindFreeFileName(dir.path(), "a%s.dbf"), "");
    // Bounded: gives up when every name tried is taken.
    EXPECT_EQ(FindFreeFileName(dir.path(), "mdl%d.dbf", 2), "");
}

} // namespace
