#include <gtest/gtest.h>

#include "report/script/scriptengine.h"

namespace {

const char *kindName(TrpAggregateKind kind)
{
    switch (kind) {
    case TrpAggregateKind::Sum: return "SUM";
    case TrpAggregateKind::Min: return "MIN";
    case TrpAggregateKind::Max: return "MAX";
    case TrpAggregateKind::Avg: return "AVG";
    case TrpAggregateKind::Count: return "COUNT";
    }
    return "?";
}

class RecordingReport : public TrpReportHooks
{
public:
    QStringList calls;
    TrpValue aggregateResult = TrpValue(42.0);
    bool Aggregate(TrpAggregateKind kind, const QString &expression, const QString &band, const QString &flags,
                   TrpValue &value) override
    {
        calls << QStringLiteral("%1|%2|%3|%4").arg(kindName(kind), expression, band, flags);
        value = aggregateResult;
        return true;
    }
    bool CallReportFunction(const QString &name, const QString &p1, const QString &, const QString &,
                            TrpValue &value) override
    {
        if (name != "STOPREPORT" && name != "SHOWBAND") return false;
        calls << name + "(" + p1 + ")";
        value = TrpValue();
        return true;
    }
    bool FieldIsNull(const QString &reference) override
    {
        calls << "null?" + reference;
        return reference != "Parts.Name";
    }
    bool SetIndexProperty(const QString &objProp, const TrpValue &index, const TrpValue &value) override
    {
        calls << "set " + objProp + "[" + index.toText() + "]=" + value.toText();
        return true;
    }
};

class FakeDialogs : public TrpDialogs
{
public:
    QString asked;
    QString InputBox(const QString &caption, const QString &prompt, const QString &def) override
    {
        asked = caption + "|" + prompt + "|" + def;
        return "typed";
    }
    int MessageBox(const QString &text, const QString &caption, int flags) override
    {
        asked = text + "|" + caption + "|" + QString::number(flags);
        return 7;
    }
};

} // namespace

TEST(Functions, StandardLibrary)
{
    TrpEngine engine;
    engine.Variables().SetValue("D", TrpValue::dateTime(rpEncodeDate(2024, 5, 3)));
    const struct { const char *text; TrpValue expected; } cases[] = {
        {"DAYOF(D)", TrpValue(qint64(3))},
        {"DAYOF('03.05.2024')", TrpValue(qint64(3))},
        {"MONTHOF(D)", TrpValue(qint64(5))},
        {"YEAROF(D)", TrpValue(qint64(2024))},
        {"YEAROF(STRTODATE('1.1.0987'))", TrpValue(qint64(987))},
        {"NAMECASE('ИВАНОВ')", TrpValue("Иванов")},
        {"NAMECASE('')", TrpValue("")},
        {"POS('z', 'abc')", TrpValue(qint64(0))},
        {"POS('c', 'abcabc')", TrpValue(qint64(3))},
        {"POS('', 'abc')", TrpValue(qint64(0))},
        {"MAXNUM(2, 3)", TrpValue(3.0)},
        {"MAXNUM(5, 3)", TrpValue(5.0)},
        {"MAXNUM(3, '3')", TrpValue("3")},
        {"MINNUM(2, 3)", TrpValue(2.0)},
        {"LENGTH('Лист')", TrpValue(qint64(4))},
        {"LOWERCASE('АБВ Q')", TrpValue("абв q")},
        {"UPPERCASE('ёлка')", TrpValue("ЁЛКА")},
        {"TRIM('  a b \t')", TrpValue("a b")},
        {"FORMATFLOAT('0.00', 2)", TrpValue("2.00")},
        {"FORMATFLOAT('#,##0', 12345)", TrpValue(QString("12") + QChar(0xA0) + "345")},
        {"FORMATDATETIME('dd.mm.yyyy', D)", TrpValue("03.05.2024")},
        {"FORMATDATETIME('d mmmm', '03.05.2024')", TrpValue("3 Май")},
        {"FORMATTEXT('000-000', '123456')", TrpValue("123-456")},
        {"FIELDISNULL('Parts.Name')", TrpValue(true)},
        {"SUM([Price])", TrpValue()},
        {"UNKNOWNFUNC(1, 2)", TrpValue("0")},
        {"INPUT('Сколько?', 5)", TrpValue("5")},
        {"MESSAGEBOX('Удалить?', 'Вопрос', mb_YesNo)", TrpValue(qint64(6))},
        {"MESSAGEBOX('Готово', '', mb_Ok)", TrpValue(qint64(1))},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        const TrpValue v = engine.Calculate(QString::fromUtf8(c.text));
        EXPECT_EQ(v, c.expected) << v.toText().toStdString();
    }
    EXPECT_THROW(engine.Calculate("DAYOF('31.02.2024')"), EConvertError);
    EXPECT_THROW(engine.Calculate("DAYOF(Null)"), EConvertError);
}

TEST(Functions, DialogsGoThroughTheInjectedHooks)
{
    TrpEngine engine;
    FakeDialogs dialogs;
    engine.SetDialogs(&dialogs);
    EXPECT_EQ(engine.Calculate("INPUT('Сколько?', 5)"), TrpValue("typed"));
    EXPECT_EQ(dialogs.asked, "|Сколько?|5");
    EXPECT_EQ(engine.Calculate("MESSAGEBOX('Удалить?', 'Вопрос', mb_YesNo + mb_IconQuestion)"), TrpValue(qint64(7)));
    EXPECT_EQ(dialogs.asked, "Удалить?|Вопрос|36");
}

TEST(Functions, AggregatesAndReportCallsGoToTheReport)
{
    TrpEngine engine;
    RecordingReport report;
    engine.SetReport(&report);
    EXPECT_EQ(engine.Calculate("SUM([Price] * 2, Band1)"), TrpValue(42.0));
    EXPECT_EQ(engine.Calculate("COUNT(Band1, 1)"), TrpValue(42.0));
    engine.Calculate("MIN([x])");
    engine.Calculate("MAX([x], , 1)");
    engine.Calculate("AVG([x], B, 0)");
    EXPECT_EQ(report.calls, QStringList({"SUM|[Price] * 2|Band1|", "COUNT||Band1|1", "MIN|[x]||", "MAX|[x]||1",
                                         "AVG|[x]|B|0"}));
    report.calls.clear();
    EXPECT_EQ(engine.Calculate("FIELDISNULL('Parts.' + 'Name')"), TrpValue(false));
    EXPECT_EQ(engine.Calculate("STOPREPORT(0)"), TrpValue());
    engine.Calculate("SHOWBAND(Band2)");
    engine.Calculate("SETARRAY(Memo1.Lines, 1 + 1, 'x')");
    EXPECT_EQ(report.calls, QStringList({"null?Parts.Name", "STOPREPORT(0)", "SHOWBAND(Band2)",
                                         "set Memo1.Lines[2]=x"}));
    // A plain name that is no function is a name, not a call.
    report.calls.clear();
    EXPECT_THROW(engine.Calculate("STOPREPORTX"), EParserError);
}

TEST(Functions, ArraysAndCounters)
{
    TrpEngine engine;
    engine.Calculate("SETARRAY(Sizes, 0, 100)");
    engine.Calculate("SETARRAY(Sizes, 'w', 'wide')");
    EXPECT_EQ(engine.Variables().GetValue("Arr_Sizes_0"), TrpValue(100.0));
    EXPECT_EQ(engine.Variables().GetValue("Arr_Sizes_w"), TrpValue("wide"));
    EXPECT_EQ(engine.Calculate("GETARRAY(Sizes, 1 - 1)"), TrpValue(100.0));
    EXPECT_EQ(engine.Calculate("Sizes['w']"), TrpValue("wide"));
    engine.Variables().SetValue("N", TrpValue(qint64(1)));
    engine.Calculate("INC(N)");
    EXPECT_EQ(engine.Variables().GetValue("N"), TrpValue(qint64(2)));
}

TEST(Functions, LibrariesAndTheirDescriptions)
{
    TrpEngine engine;
    EXPECT_EQ(engine.LibraryCount(), 2);
    const TrpInstalledFunctions &installed = engine.InstalledFunctions();
    EXPECT_EQ(installed.Items().size(), 22);
    const int i = installed.IndexOf("fieldisnull");
    ASSERT_GE(i, 0);
    EXPECT_EQ(installed.Items()[i].category, "Database");
    EXPECT_EQ(installed.Items()[i].description, "FIELDISNULL(<FieldName>)/Returns 'true' if DB-field is null");
    // A library class is registered once.
    EXPECT_FALSE(engine.RegisterLibrary(std::make_unique<TDatabaseFunctionLibrary>(engine)));
    EXPECT_EQ(engine.LibraryCount(), 2);
    EXPECT_EQ(installed.Items().size(), 22);
    engine.UnregisterLibrary(typeid(TDatabaseFunctionLibrary));
    EXPECT_EQ(engine.LibraryCount(), 1);
    EXPECT_EQ(installed.IndexOf("FIELDISNULL"), -1);
    EXPECT_EQ(engine.Calculate("FIELDISNULL('x')"), TrpValue("0"));
}

TEST(Functions, EngineStartsWithItsListsAndTexts)
{
    rpEngineEnd();
    TrpEngine &e = rpEngine();
    EXPECT_TRUE(e.Variables().Sorted());
    EXPECT_TRUE(e.Constants().Sorted());
    EXPECT_EQ(e.Constants().GetValue("clInfoBk"), TrpValue(qint64(0x80000018)));
    EXPECT_EQ(e.Constants().GetValue("CLTRANSPARENT"), TrpValue(qint64(0x1FFFFFFF)));
    EXPECT_EQ(e.Constants().GetValue("mb_IconWarning"), TrpValue(qint64(48)));
    EXPECT_EQ(e.Constants().Count(), 17 + 25 + 42 + 2);
    EXPECT_EQ(e.BooleanFormats, QStringList({"0;1", "No;Yes", "_;x", "False;True"}));
    EXPECT_EQ(e.DateFormats.value(3), "d mmmm yyyy");
    EXPECT_EQ(e.TimeFormats.value(0), "hh:nn:ss");
    EXPECT_EQ(e.BandNames.size(), 23);
    EXPECT_EQ(&rpEngine(), &e);
    rpEngineEnd();
}

TEST(Functions, AggregateSplitterReadsMemosAndScripts)
{
    TrpEngine engine;
    TrpVariables dictionary;
    dictionary.SetValue("Total", TrpValue("SUM([Price], MasterData1)"));
    QStringList found;
    TAggregateFunctionsSplitter splitter(&dictionary, found);
    splitter.SplitMemo({"Итого: [Total] руб.", "SUM(no) [COUNT(MasterData1) #N0] [MAX([Len])]"});
    EXPECT_EQ(found, QStringList({"SUM([Price], MasterData1)", "COUNT(MasterData1)", "MAX([Len])"}));
    found.clear();
    EXPECT_TRUE(splitter.SplitScript(engine.Interpreter(), {"if MIN([W]) > 0 then x := [Total]"}));
    EXPECT_EQ(found, QStringList({"MIN([W])", "SUM([Price], MasterData1)"}));
    EXPECT_FALSE(splitter.SplitScript(engine.Interpreter(), {"x = 1"}));
}
