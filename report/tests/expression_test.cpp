#include <gtest/gtest.h>

#include <QMap>

#include "report/script/scriptengine.h"

namespace {

// A report that offers dictionary variables (expressions) and counts lookups.
class FakeReport : public TrpReportHooks
{
public:
    QMap<QString, QString> dictionary;
    QStringList asked;
    bool GetReportValue(const QString &name, TrpValue &value) override
    {
        asked << name;
        const auto it = dictionary.constFind(name.toUpper());
        if (it == dictionary.cend()) return false;
        value = engine->EvaluateNamed(name, it.value());
        return true;
    }
    TrpEngine *engine = nullptr;
};

struct Expect
{
    enum Kind { Value, Error } kind;
    TrpValue value;
    QString error;
};
Expect val(const TrpValue &v) { return {Expect::Value, v, {}}; }
Expect err(const QString &message) { return {Expect::Error, {}, message}; }

class Expressions : public ::testing::Test
{
protected:
    TrpEngine engine;
    FakeReport report;
    void SetUp() override
    {
        report.engine = &engine;
        engine.SetReport(&report);
        engine.Variables().SetValue("A", TrpValue(5.0));
        engine.Variables().SetValue("B", TrpValue(2.0));
        engine.Variables().SetValue("Arr_list_1", TrpValue("first"));
        engine.Variables().SetValue("Имя", TrpValue("Лист"));
    }
    void check(const char *text, const Expect &e)
    {
        SCOPED_TRACE(text);
        try {
            const TrpValue v = engine.Calculate(QString::fromUtf8(text));
            ASSERT_EQ(e.kind, Expect::Value) << "got " << v.toText().toStdString();
            EXPECT_EQ(v, e.value) << v.toText().toStdString() << " type " << v.type();
        } catch (const kv::Error &x) {
            ASSERT_EQ(e.kind, Expect::Error) << x.message().toStdString();
            EXPECT_EQ(x.message(), e.error);
        }
    }
};

} // namespace

TEST_F(Expressions, Table)
{
    const struct { const char *text; Expect expected; } cases[] = {
        {"2+3*4", val(14.0)},
        {"(2+3)*4", val(20.0)},
        {"-2*3", val(-6.0)},
        {"2*-3", val(-6.0)},
        {"2*-3+1", val(-5.0)},
        {"a - -1", val(6.0)},
        {"a - +1", val(4.0)},
        {"1 * NOT 0", val(1.0)},
        {"NOT 0", val(qint64(1))},
        {"NOT (1 = 1)", val(qint64(0))},
        {"10/0", val(0.0)},
        {"7 mod 3", val(qint64(1))},
        {"7 mod 0", val(qint64(0))},
        {"1e300 mod 2", err("Could not convert variant of type (Double) into type (Integer)")},
        {"INT(2.9999999999999)", val(3.0)},
        {"INT(-2.5)", val(-2.0)},
        {"FRAC(-1.25)", val(-0.25)},
        {"ROUND(2.5)", val(2.0)},
        {"ROUND(3.5)", val(4.0)},
        {"INT 2.5 + 1", val(3.0)},
        {"STR(5) + 'x'", val("5x")},
        {"STR(Null)", val("")},
        {"Null + 1", val(TrpValue::null())},
        {"1 = 1", val(qint64(1))},
        {"1 <> 1", val(qint64(0))},
        {"2 >= 3", val(qint64(0))},
        {"TRUE", val(true)},
        {"false", val(false)},
        {"COPY('abcdef', 2, 3)", val("bcd")},
        {"COPY('abc', 0, 2)", val("ab")},
        {"COPY('abc', 5, 2)", val("")},
        {"COPY('abc', 1, 1e12)", err("Could not convert variant of type (Double) into type (Integer)")},
        {"'It''s'", val("It's")},
        {"'a,(b'", val("a,(b")},
        {"1,5 + 1.5", val(3.0)},
        {"IF(1>2, [Q], 5)", val(5.0)},
        {"IF(a = 5, 'yes', 'no')", val("yes")},
        {"IF('abc', 1, 2)", err("'abc' is not a valid floating point value")},
        {"['a]b']", val("a]b")},
        {"[2*3]", val(6.0)},
        {"[Имя] + '!'", val("Лист!")},
        {"[a] + [b]", val(7.0)},
        {"list[1]", val("first")},
        {"list[2]", val(TrpValue::null())},
        {"clRed + 0", val(255.0)},
        {"clRed", val(qint64(255))},
        {"CRLF", val("\r\n")},
        {"FOO(1)", val("0")},
        {"2 3", val(2.0)},
        {"", val(TrpValue())},
        {"2*(3", val(6.0)},
        {"FOO(1", err("Missing \")\" in expression \"FOO(1\"")},
        {"1 +", err("Missing operand in expression")},
        {"'a' - 1", err("'a' is not a valid floating point value")},
        {"1.2.3 + 1", err("'1.2.3' is not a valid floating point value")},
        {"STRTODATE('03.05.2024') + 1", val(TrpValue::dateTime(rpEncodeDate(2024, 5, 4)))},
        {"STRTODATE('31.02.2024')", err("'31.02.2024' is not a valid date")},
        {"Q", err("Undefined symbol \"Q\"")},
        {"[q]", err("Undefined symbol \"Q\"")},
        {"1 + 1; 5", val(2.0)},
    };
    for (const auto &c : cases) check(c.text, c.expected);
}

TEST_F(Expressions, IfEvaluatesOnlyTheBranchTaken)
{
    report.asked.clear();
    EXPECT_EQ(engine.Calculate("IF(1>2, [Q], 5)"), TrpValue(5.0));
    EXPECT_FALSE(report.asked.contains("Q"));
    EXPECT_THROW(engine.Calculate("IF(1<2, [Q], 5)"), EParserError);
}

TEST_F(Expressions, AndOrBindLikeMultiplication)
{
    // a > 1 and b < 2 means a > (1 and b) < 2.
    const QString postfix = TrpParser::ToPostfix("a > 1 and b < 2");
    EXPECT_EQ(postfix, QString("a 1 b ") + QChar(TrpOp::And) + " > 2 < ");
    engine.Variables().SetValue("A", TrpValue(0.0));
    engine.Variables().SetValue("B", TrpValue(5.0));
    EXPECT_EQ(engine.Calculate("a > 1 and b < 2"), TrpValue(qint64(1)));
    EXPECT_EQ(engine.Calculate("(a > 1) and (b < 2)"), TrpValue(qint64(0)));
}

TEST_F(Expressions, StackLimitIsChecked)
{
    QString deep = "1";
    for (int i = 0; i < 31; ++i) deep = "1+(" + deep + ")";
    EXPECT_EQ(engine.Calculate(deep), TrpValue(32.0));
    deep = "1+(" + deep + ")";
    EXPECT_THROW(engine.Calculate(deep), EParserError);
    // Runaway nesting of calls is refused, not a crash.
    QString nested = "1";
    for (int i = 0; i < 300; ++i) nested = "IF(1, " + nested + ", 0)";
    EXPECT_THROW(engine.Calculate(nested), EParserError);
}

TEST_F(Expressions, SelfReferenceIsAnUndefinedSymbol)
{
    report.dictionary["X"] = "[X]";
    report.dictionary["P"] = "[R] + 1";
    report.dictionary["R"] = "[P]";
    report.dictionary["Y"] = "[Z] + 1";
    report.dictionary["Z"] = "2";
    EXPECT_EQ(engine.Calculate("[Y] + [Y]"), TrpValue(6.0));
    for (const char *text : {"[X]", "[P]", "X + 1"}) {
        try {
            engine.Calculate(text);
            ADD_FAILURE() << text;
        } catch (const EParserError &e) {
            EXPECT_TRUE(e.message().startsWith("Undefined symbol \"")) << e.message().toStdString();
        }
    }
    // After an error the engine is clean: the names can be used again.
    EXPECT_EQ(engine.Calculate("[Y]"), TrpValue(3.0));
    engine.ErrorTolerant = true;
    EXPECT_EQ(engine.Calculate("[Q]"), TrpValue(0));
}

TEST(ScanBracketedPart, QuotesAndNesting)
{
    int end = 0;
    EXPECT_EQ(ScanBracketedPart("x[a[b]c]y", 2, end), "a[b]c");
    EXPECT_EQ(end, 8);
    EXPECT_EQ(ScanBracketedPart("['a]' + \"b]\"]", 1, end), "'a]' + \"b]\"");
    EXPECT_EQ(ScanBracketedPart("[it\"s']", 1, end), "it\"s']");   // a quote inside the other kind does not count
    EXPECT_EQ(end, 8);
    EXPECT_EQ(ScanBracketedPart("abc", 2, end), "");
    EXPECT_EQ(ScanBracketedPart("abc", 9, end), "");
    EXPECT_EQ(rpSplitArguments("a, 'b,c', f(1, 2), [x, y]"),
              QStringList({"a", "'b,c'", "f(1, 2)", "[x, y]"}));
}

TEST(FunctionSplitter, FindsCallsThroughBracketsAndVariables)
{
    TrpVariables vars;
    vars.SetValue("TOTAL", TrpValue("SUM([Price] * [Many])"));
    vars.SetValue("LOOP", TrpValue("[LOOP] + COUNT(Data)"));
    QStringList found;
    TrpFunctionSplitter s({"AVG", "COUNT", "MAX", "MIN", "SUM"}, &vars, found);
    s.Split("[TOTAL] / MAX(IF(1, MIN([x]), 0), Band1) + 'SUM(no)'");
    EXPECT_EQ(found, QStringList({"SUM([Price] * [Many])", "MIN([x])", "MAX(IF(1, MIN([x]), 0), Band1)"}));
    found.clear();
    s.Split("[LOOP]");
    EXPECT_EQ(found, QStringList({"COUNT(Data)"}));
    found.clear();
    s.Split("'SUM(x)'");
    EXPECT_TRUE(found.isEmpty());
}
