#include "memdata/tests/memtest.h"

#include "platform/error.h"

#include <gtest/gtest.h>

using namespace kv;

TEST(MemData, AppendedRecordsAreNumberedInOrder)
{
    TMemData md;
    makeCodeName(md);
    ASSERT_NE(md.RecIdField(), nullptr);
    EXPECT_FALSE(md.RecIdField()->Visible());
    EXPECT_EQ(md.Fields(0), md.RecIdField());
    addRow(md, 10, QStringLiteral("a"));
    addRow(md, 20, QStringLiteral("b"));
    addRow(md, 30, QStringLiteral("c"));
    EXPECT_EQ(column(md, QStringLiteral("RecId")), (QStringList{"1", "2", "3"}));

    // An explicit number above the counter moves it; the next record goes on from there.
    md.Append();
    md.FieldByName(QStringLiteral("RecId"))->SetValue(10);
    md.Post();
    addRow(md, 50, QStringLiteral("e"));
    EXPECT_EQ(column(md, QStringLiteral("RecId")), (QStringList{"1", "2", "3", "10", "11"}));

    // A new record shows its number before it is posted.
    md.Append();
    EXPECT_EQ(md.RecIdField()->AsInteger(), 12);
    md.Cancel();
}

TEST(MemData, AutoIncrementFieldsNumberThemselves)
{
    TMemData md;
    md.AddField(QStringLiteral("Id"), FieldType::AutoInc);
    md.AddField(QStringLiteral("Name"), FieldType::String, 10);
    md.Open();
    for (const char *n : {"a", "b"}) {
        md.Append();
        md.FieldByName(QStringLiteral("Name"))->SetValue(QString::fromLatin1(n));
        md.Post();
    }
    md.Append();
    md.FieldByName(QStringLiteral("Id"))->SetValue(1);   // not above the counter: renumbered
    md.Post();
    EXPECT_EQ(column(md, QStringLiteral("Id")), (QStringList{"1", "2", "3"}));
}

TEST(MemData, ReopeningEmptiesTheTable)
{
    TMemData md;
    makeCodeName(md);
    addRow(md, 1, QStringLiteral("x"));
    md.Close();
    md.Open();
    EXPECT_EQ(md.RecordCount(), 0);
    addRow(md, 2, QStringLiteral("y"));
    EXPECT_EQ(column(md, QStringLiteral("RecId")), (QStringList{"1"}));
}

TEST(MemData, InsertGoesBeforeTheCurrentRecordAndBookmarksHold)
{
    TMemData md;
    makeCodeName(md);
    addRow(md, 1, QStringLiteral("one"));
    addRow(md, 2, QStringLiteral("two"));
    addRow(md, 3, QStringLiteral("three"));
    md.First();
    const Bookmark first = md.GetBookmark();
    md.Next();
    const Bookmark second = md.GetBookmark();
    md.Insert();
    md.FieldByName(QStringLiteral("Code"))->SetValue(99);
    md.Post();
    EXPECT_EQ(column(md, QStringLiteral("Code")), (QStringList{"1", "99", "2", "3"}));
    EXPECT_EQ(md.RecNo(), 2);
    md.GotoBookmark(second);
    EXPECT_EQ(md.FieldByName(QStringLiteral("Code"))->AsInteger(), 2);
    md.GotoBookmark(first);
    EXPECT_EQ(md.FieldByName(QStringLiteral("Code"))->AsInteger(), 1);
}

TEST(MemData, LongStringKeepsTheFieldSize)
{
    TMemData md;
    md.AddField(QStringLiteral("Name"), FieldType::String, 5);
    md.Open();
    md.Append();
    md.FieldByName(QStringLiteral("Name"))->SetValue(QStringLiteral("Столешница"));
    md.Post();
    EXPECT_EQ(md.FieldByName(QStringLiteral("Name"))->AsString(), QStringLiteral("Столе"));
}

TEST(MemData, UnsupportedFieldTypeKeepsTheTableClosed)
{
    TMemData md;
    md.AddField(QStringLiteral("Odd"), FieldType::Unknown);
    try {
        md.Open();
        ADD_FAILURE() << "opened";
    } catch (const Error &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Unsupported field type: Odd"));
    }
    EXPECT_FALSE(md.Active());
}

TEST(MemData, SortedOrderOfTexts)
{
    const struct {
        TMemSortOptions options;
        QStringList expected;
    } cases[] = {
        {soCaseInsensitive, {"A", "a", "b"}},
        {soCaseInsensitive | soDesc, {"b", "a", "A"}},
        {{}, {"a", "A", "b"}},
        {soDesc, {"b", "A", "a"}},
    };
    for (const auto &c : cases) {
        TMemData md;
        makeCodeName(md);
        md.SetSortedField(QStringLiteral("Name"));
        md.SetSortOptions(c.options);
        addRow(md, 1, QStringLiteral("b"));
        addRow(md, 2, QStringLiteral("A"));
        addRow(md, 3, QStringLiteral("a"));
        EXPECT_EQ(column(md, QStringLiteral("Name")), c.expected) << int(c.options);
    }
}

TEST(MemData, CyrillicNamesSortWithoutRegardToCaseNullsFirst)
{
    TMemData md;
    makeCodeName(md);
    md.SetSortOptions(soCaseInsensitive);
    md.SetSortedField(QStringLiteral("Name"));
    for (const QVariant &n : {QVariant(QStringLiteral("шкаф")), QVariant(QStringLiteral("Ёмкость")), QVariant(),
                              QVariant(QStringLiteral("Дверь")), QVariant(QStringLiteral("ЕВРОВИНТ")),
                              QVariant(QStringLiteral("ящик")), QVariant(QStringLiteral("Шкаф"))})
        addRow(md, 1, n);
    EXPECT_EQ(column(md, QStringLiteral("Name")),
              (QStringList{"<null>", "Дверь", "ЕВРОВИНТ", "Ёмкость", "шкаф", "Шкаф", "ящик"}));
}

TEST(MemData, SortingKeepsNullsFirstAndFollowsEdits)
{
    TMemData md;
    makeCodeName(md);
    addRow(md, 5, QStringLiteral("e"));
    addRow(md, QVariant(), QStringLiteral("n"));
    addRow(md, 2, QStringLiteral("b"));
    md.SetSortedField(QStringLiteral("Code"));
    EXPECT_EQ(column(md, QStringLiteral("Code")), (QStringList{"<null>", "2", "5"}));
    // Editing the sort field moves the record, and the cursor goes with it.
    md.First();
    md.Edit();
    md.FieldByName(QStringLiteral("Code"))->SetValue(9);
    md.Post();
    EXPECT_EQ(column(md, QStringLiteral("Code")), (QStringList{"2", "5", "9"}));
    EXPECT_EQ(md.FieldByName(QStringLiteral("Name"))->AsString(), QStringLiteral("n"));
    EXPECT_EQ(md.RecNo(), 3);
    // A new minimum and a new maximum both find their place.
    addRow(md, -1, QStringLiteral("min"));
    addRow(md, 100, QStringLiteral("max"));
    EXPECT_EQ(column(md, QStringLiteral("Code")), (QStringList{"-1", "2", "5", "9", "100"}));
}

TEST(MemData, LocateScansAndLeavesTheCursorWhenNothingMatches)
{
    TMemData md;
    makeCodeName(md);
    addRow(md, 3, QStringLiteral("Лист"));
    addRow(md, 5, QStringLiteral("Кромка"));
    addRow(md, 5, QStringLiteral("Второй"));
    md.First();
    EXPECT_TRUE(md.Locate(QStringLiteral("Code"), 5));
    EXPECT_EQ(md.RecNo(), 2);
    EXPECT_FALSE(md.Locate(QStringLiteral("Code"), 7));
    EXPECT_EQ(md.RecNo(), 2);
    EXPECT_THROW(md.Locate(QStringLiteral("Nope"), 1), Error);
}

TEST(MemData, LocatePartialAndCaseInsensitive)
{
    const struct {
        const char *sortField;      // sorted or not, so both the search and the scan are used
        const char *key;
        bool partial, caseInsensitive;
        int recNo;                  // 0: not found
    } cases[] = {
        {"", "кро", true, false, 0},
        {"", "Кро", true, false, 2},
        {"", "кро", true, true, 2},
        {"", "Кро", false, false, 0},
        {"", "кромка", false, true, 2},
        {"Name", "кро", true, true, 1},
        {"Name", "Кро", true, false, 1},
        {"Name", "кромка", false, true, 1},
        {"Name", "Кромки", false, true, 0},
        {"Name", "Ли", true, true, 2},
        {"Name", "Я", true, true, 0},
    };
    for (const auto &c : cases) {
        TMemData md;
        makeCodeName(md);
        md.SetSortOptions(c.caseInsensitive ? TMemSortOptions(soCaseInsensitive) : TMemSortOptions());
        md.SetSortedField(QString::fromLatin1(c.sortField));
        addRow(md, 3, QStringLiteral("Лист"));
        addRow(md, 5, QStringLiteral("Кромка"));
        md.Last();
        const int before = md.RecNo();
        const bool found = md.Locate(QStringLiteral("Name"), QString::fromUtf8(c.key),
                                     {c.caseInsensitive, c.partial});
        EXPECT_EQ(found, c.recNo != 0) << c.sortField << " " << c.key;
        EXPECT_EQ(md.RecNo(), found ? c.recNo : before) << c.sortField << " " << c.key;
    }
}

TEST(MemData, LocateOnSeveralFieldsAndNulls)
{
    TMemData md;
    makeCodeName(md);
    addRow(md, 1, QStringLiteral("a"));
    addRow(md, 1, QVariant());
    addRow(md, 2, QStringLiteral("a"));
    EXPECT_TRUE(md.Locate(QStringLiteral("Code;Name"), QVariantList{2, QStringLiteral("a")}));
    EXPECT_EQ(md.RecNo(), 3);
    EXPECT_TRUE(md.Locate(QStringLiteral("Code;Name"), QVariantList{1, QVariant()}));
    EXPECT_EQ(md.RecNo(), 2);
    EXPECT_FALSE(md.Locate(QStringLiteral("Code"), QStringLiteral("not a number")));
}

TEST(MemData, LookupResults)
{
    TMemData md;
    md.AddField(QStringLiteral("Code"), FieldType::Integer);
    md.AddField(QStringLiteral("Material"), FieldType::String, 100);
    md.AddField(QStringLiteral("ShSquare"), FieldType::Float);
    md.Open();
    EXPECT_EQ(md.Lookup(QStringLiteral("Code"), 1, QStringLiteral("Material")), QVariant(QString()));
    md.AppendRecord({QVariant(), 1, QStringLiteral("ДСП"), 2.5});
    md.AppendRecord({QVariant(), 2, QStringLiteral("МДФ"), QVariant()});
    md.First();
    EXPECT_EQ(md.Lookup(QStringLiteral("Code"), 2, QStringLiteral("Material")), QVariant(QStringLiteral("МДФ")));
    EXPECT_EQ(md.Lookup(QStringLiteral("Code"), 1, QStringLiteral("ShSquare")), QVariant(2.5));
    EXPECT_FALSE(md.Lookup(QStringLiteral("Code"), 2, QStringLiteral("ShSquare")).isValid());
    EXPECT_EQ(md.Lookup(QStringLiteral("Code"), 3, QStringLiteral("Material")), QVariant(QString()));
    EXPECT_EQ(md.Lookup(QStringLiteral("Code"), 3, QStringLiteral("ShSquare")), QVariant(false));
    EXPECT_EQ(md.RecNo(), 1);   // Lookup does not move the cursor
}

TEST(MemData, LookupWhileARowIsBeingInserted)
{
    for (bool filtered : {false, true}) {
        TMemData md;
        makeCodeName(md, false);
        md.AddField(QStringLiteral("Label"), FieldType::String, 30, FieldKind::Calculated);
        md.OnCalcFields = [](DataSet &ds) {
            ds.FieldByName(QStringLiteral("Label"))->SetValue(
                QStringLiteral("#") + ds.FieldByName(QStringLiteral("Name"))->AsString());
        };
        md.Open();
        for (int c : {1, 3, 5}) addRow(md, c, QString::number(c));
        md.OnFilterRecord = [](DataSet &, bool &accept) { accept = true; };
        md.SetFiltered(filtered);
        md.SetRecNo(2);
        md.Insert();
        md.FieldByName(QStringLiteral("Code"))->SetValue(3);
        md.FieldByName(QStringLiteral("Name"))->SetValue(QStringLiteral("new"));
        EXPECT_EQ(md.Lookup(QStringLiteral("Code"), 3, QStringLiteral("Name")), QVariant(QStringLiteral("3"))) << filtered;
        EXPECT_EQ(md.Lookup(QStringLiteral("Code"), 5, QStringLiteral("Label")), QVariant(QStringLiteral("#5"))) << filtered;
        EXPECT_EQ(md.State(), DataSetState::Insert);
        md.Cancel();
    }
}

TEST(MemData, RecNoByFieldValueNeedsNoEditingAndFiresNothing)
{
    TMemData md;
    makeCodeName(md);
    addRow(md, 4, QStringLiteral("Фасад"));
    addRow(md, 8, QStringLiteral("фасад"));
    md.SetReadOnly(true);
    int events = 0;
    md.BeforeInsert = md.AfterCancel = md.OnNewRecord = [&](DataSet &) { ++events; };
    md.SetSortOptions(soCaseInsensitive);
    EXPECT_EQ(md.GetRecNoByFieldValue(QStringLiteral("8"), QStringLiteral("Code")), 2);
    EXPECT_EQ(md.GetRecNoByFieldValue(QStringLiteral("ФАСАД"), QStringLiteral("Name")), 1);
    EXPECT_EQ(md.GetRecNoByFieldValue(5, QStringLiteral("Code")), -1);
    EXPECT_EQ(md.GetRecNoByFieldValue(5, QStringLiteral("Nope")), -1);
    EXPECT_EQ(md.GetRecNoByFieldValue(QStringLiteral("x"), QStringLiteral("Code")), -1);
    EXPECT_EQ(events, 0);
    EXPECT_EQ(md.State(), DataSetState::Browse);
}

TEST(MemData, FilterThatAcceptsNothing)
{
    TMemData md;
    makeCodeName(md);
    addRow(md, 1, QStringLiteral("a"));
    addRow(md, 2, QStringLiteral("b"));
    md.OnFilterRecord = [](DataSet &, bool &accept) { accept = false; };
    md.SetFiltered(true);
    EXPECT_EQ(md.RecordCount(), 0);
    EXPECT_FALSE(md.Locate(QStringLiteral("Code"), 1));
}

TEST(MemData, RecordInsertedUnderAFilterKeepsRecordOrder)
{
    TMemData md;
    makeCodeName(md);
    for (int c : {1, 2, 3, 4, 5}) addRow(md, c, QString::number(c));
    md.OnFilterRecord = [](DataSet &ds, bool &accept) { accept = ds.FieldByName(QStringLiteral("Code"))->AsInteger() % 2 == 1; };
    md.SetFiltered(true);
    EXPECT_EQ(column(md, QStringLiteral("Code")), (QStringList{"1", "3", "5"}));
    md.SetRecNo(2);             // on 3
    md.Insert();
    md.FieldByName(QStringLiteral("Code"))->SetValue(7);
    md.Post();
    EXPECT_EQ(column(md, QStringLiteral("Code")), (QStringList{"1", "7", "3", "5"}));
    EXPECT_EQ(md.RecNo(), 2);
    md.SetRecNo(4);
    EXPECT_EQ(md.FieldByName(QStringLiteral("Code"))->AsInteger(), 5);
    md.SetRecNo(5);             // outside the filtered list: ignored
    EXPECT_EQ(md.RecNo(), 4);
    md.SetFiltered(false);
    EXPECT_EQ(column(md, QStringLiteral("Code")), (QStringList{"1", "2", "7", "3", "4", "5"}));
}

TEST(MemData, IndexFindsRecordsAndFollowsEdits)
{
    TMemData md;
    makeCodeName(md, false);
    TMemIndex *ix = md.Indexes().Add();
    ix->SetFieldName(QStringLiteral("code"));
    EXPECT_EQ(ix->FieldName(), QStringLiteral("Code"));
    md.Open();
    for (int c : {5, 3, 9, 3, 7}) addRow(md, c, QString::number(c));
    EXPECT_TRUE(md.Locate(QStringLiteral("Code"), 3));
    EXPECT_EQ(md.RecNo(), 2);             // the first of the equal ones
    EXPECT_FALSE(ix->NeedsRebuild());
    // An edit that keeps the index order keeps the index.
    md.SetRecNo(5);
    md.Edit();
    md.FieldByName(QStringLiteral("Code"))->SetValue(8);
    md.Post();
    EXPECT_FALSE(ix->NeedsRebuild());
    // One that breaks it makes it rebuild, and the search still finds the record.
    md.First();
    md.Edit();
    md.FieldByName(QStringLiteral("Code"))->SetValue(1);
    md.Post();
    EXPECT_TRUE(ix->NeedsRebuild());
    md.Last();
    EXPECT_TRUE(md.Locate(QStringLiteral("Code"), 1));
    EXPECT_EQ(md.RecNo(), 1);
    md.Delete();
    EXPECT_TRUE(md.Locate(QStringLiteral("Code"), 9));
    EXPECT_EQ(md.RecNo(), 2);
    EXPECT_FALSE(md.Locate(QStringLiteral("Code"), 1));
}

TEST(MemData, IndexEditThatTiesWithALaterRecordIsRebuilt)
{
    TMemData md;
    makeCodeName(md, false);
    TMemIndex *ix = md.Indexes().Add();
    ix->SetFieldName(QStringLiteral("Code"));
    md.Open();
    for (int c : {4, 5, 3}) addRow(md, c, QString::number(c));
    EXPECT_TRUE(md.Locate(QStringLiteral("Code"), 3));
    EXPECT_EQ(md.RecNo(), 3);
    md.First();
    md.Edit();
    md.FieldByName(QStringLiteral("Code"))->SetValue(3);   // now equal to the record after it
    md.Post();
    md.Last();
    EXPECT_TRUE(md.Locate(QStringLiteral("Code"), 3));
    EXPECT_EQ(md.RecNo(), 1);
}

TEST(MemData, IndexFollowsTheTableSortOptions)
{
    TMemData md;
    makeCodeName(md, false);
    md.Indexes().Add()->SetFieldName(QStringLiteral("Name"));
    md.Open();
    for (const char *n : {"b", "C", "a"}) addRow(md, 1, QString::fromLatin1(n));
    EXPECT_TRUE(md.Locate(QStringLiteral("Name"), QStringLiteral("C")));
    EXPECT_EQ(md.RecNo(), 2);
    // The index was built case-sensitive ascending; searching it after the
    // options change must not use that order.
    md.SetSortOptions(soCaseInsensitive | soDesc);
    EXPECT_TRUE(md.Locate(QStringLiteral("Name"), QStringLiteral("c"), {true, false}));
    EXPECT_EQ(md.RecNo(), 2);
    EXPECT_TRUE(md.Locate(QStringLiteral("Name"), QStringLiteral("A"), {true, false}));
    EXPECT_EQ(md.RecNo(), 3);
}

TEST(MemData, ReadOnlyTableRefusesEdits)
{
    TMemData md;
    makeCodeName(md);
    addRow(md, 1, QStringLiteral("a"));
    md.SetReadOnly(true);
    EXPECT_FALSE(md.CanModify());
    EXPECT_THROW(md.Append(), Error);
    EXPECT_THROW(md.Edit(), Error);
}
