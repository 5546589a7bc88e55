#include <gtest/gtest.h>

#include "report/script/scriptengine.h"

namespace {

class Scripts : public ::testing::Test
{
protected:
    TrpEngine engine;
    TInterpretator &interp = engine.Interpreter();

    TrpValue var(const char *name) { return engine.Variables().GetValue(name); }

    // Compiles and runs; the error line when compiling fails, else "".
    QString run(const QStringList &source)
    {
        TrpCompiledScript compiled;
        QStringList errors;
        if (!interp.Compile(source, compiled, errors)) {
            EXPECT_EQ(errors.size(), 1);
            EXPECT_TRUE(compiled.isEmpty());
            return errors.value(0);
        }
        EXPECT_TRUE(errors.isEmpty());
        interp.Run(compiled);
        return QString();
    }
};

} // namespace

TEST_F(Scripts, Statements)
{
    engine.Variables().SetValue("A", TrpValue(0.0));
    const struct { QStringList source; const char *name; TrpValue expected; } cases[] = {
        {{"begin i := 0; while i < 3 do i := i + 1 end"}, "I", TrpValue(3.0)},
        {{"begin x := 0; for i := 1 to 0 do x := 1 end"}, "X", TrpValue(0.0)},
        {{"begin n := 3; s := 0;", "for i := 1 to n do begin s := s + i; n := 1 end end"}, "S", TrpValue(1.0)},
        {{"begin s := 0; for i := 1 to 4 do s := s + i end"}, "S", TrpValue(10.0)},
        {{"if [A] > 0 then B := 1 else B := 2"}, "B", TrpValue(2.0)},
        {{"if [A] = 0 then B := 1 else B := 2"}, "B", TrpValue(1.0)},
        {{"begin i := 10; repeat i := i + 1 until i >= 5 end"}, "I", TrpValue(11.0)},
        {{"begin i := 0; repeat i := i + 1; j := i until i >= 5 end"}, "J", TrpValue(5.0)},
        {{"begin x := 1; exit; x := 2 end"}, "X", TrpValue(1.0)},
        {{"begin x := 1; EXIT(0); x := 2 end"}, "X", TrpValue(1.0)},
        {{"begin a[1] := 'z'; b := a[1] + '!' end"}, "B", TrpValue("z!")},
        {{"begin k := 2; arr[k + 1] := 7 end"}, "Arr_arr_3", TrpValue(7.0)},
        {{"NEWVAR := 'new'"}, "NEWVAR", TrpValue("new")},
        {{"begin i := 0;", "1: i := i + 1;", "if i < 3 then goto 1", "end"}, "I", TrpValue(3.0)},
        {{"begin { a comment; with x := 5 }", "  x := 1; // y := 2", "  y := 'a{b}//c'", "end"}, "Y", TrpValue("a{b}//c")},
        {{"begin i := 1; inc(i); inc(i); dec(i) end"}, "I", TrpValue(2.0)},
        {{"begin x := 1; if x = 1 then begin end; y := 3; end"}, "Y", TrpValue(3.0)},
        {{"BEGIN\tX := COPY('abc', 2, 1) END"}, "X", TrpValue("b")},
        // statements after the first run too, with or without a block
        {{"begin x := 1 end; x := 2"}, "X", TrpValue(2.0)},
        {{"x := 1; y := x + 1;", "z := y * 10;"}, "Z", TrpValue(20.0)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.source.join(" | ").toStdString());
        engine.Variables().Clear();
        engine.Variables().SetValue("A", TrpValue(0.0));
        EXPECT_EQ(run(c.source), "");
        EXPECT_EQ(var(c.name), c.expected) << var(c.name).toText().toStdString();
    }
}

TEST_F(Scripts, ExistingVariablesAreSetNotDuplicated)
{
    engine.Variables().SetValue("Total", TrpValue(1.0));
    run({"total := total + 1"});
    EXPECT_EQ(engine.Variables().Count(), 1);
    EXPECT_EQ(var("TOTAL"), TrpValue(2.0));
}

TEST_F(Scripts, CompileErrors)
{
    const struct { QStringList source; const char *error; } cases[] = {
        {{"x = 1"}, "Line 1/3: Need \":=\" here"},
        {{"if a > 0 then"}, "Line 1/14: Need \":=\" here"},
        {{"begin", "  x := 1", "  y := 2", "end"}, "Line 3/3: Need \";\" or \"end\" here"},
        {{"if a x := 1"}, "Line 1/6: Need \"then\" here"},
        {{"repeat x := 1 x := 2 until 1"}, "Line 1/15: Need \";\" or \"until\" here"},
        {{"while a x := 1"}, "Line 1/9: Need \"do\" here"},
        {{"for i := 1 downto 3 do x := 1"}, "Line 1/12: Need \"to\" here"},
        {{"for i = 1 to 3 do x := 1"}, "Line 1/7: Need \":=\" here"},
        {{"goto x"}, "Line 1/6: \"goto\" label must be a number"},
        {{"x := (1 + 2"}, "Line 1/12: Need \")\" here"},
        {{"x := a[1"}, "Line 1/9: Need \"]\" here"},
        {{"x := [a"}, "Line 1/8: Need \"]\" here"},
        {{"f(1 2)"}, "Line 1/5: Need \",\" or \")\" here"},
        {{"{ comment", "  }  x = 1"}, "Line 2/8: Need \":=\" here"},
        {{"x := * 2"}, "Line 1/6: Need expression here"},
        {{"goto 5"}, "Line 1/1: Label \"5\" is not defined"},
        // text that is no statement after the script is refused, not dropped
        {{"x := 1 y := 2"}, "Line 1/8: Need \";\" or \"end\" here"},
        {{"begin x := 1 end", "end"}, "Line 2/1: Need \";\" or \"end\" here"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.source.join(" | ").toStdString());
        EXPECT_EQ(run(c.source), QString::fromUtf8(c.error));
    }
    QStringList big;
    for (int i = 0; i < 1000; ++i) big << "x := 1234567890123456789012345678901234;";
    EXPECT_EQ(run(big), "Line 1/1: Script is too long");
}

TEST_F(Scripts, EmptySourceRunsNothing)
{
    TrpCompiledScript compiled;
    QStringList errors;
    EXPECT_TRUE(interp.Compile({}, compiled, errors));
    EXPECT_TRUE(compiled.isEmpty());
    EXPECT_TRUE(interp.Compile({"", "  { nothing }"}, compiled, errors));
    EXPECT_TRUE(compiled.isEmpty());
    interp.Run(compiled);
}

TEST_F(Scripts, CompiledLinesAreJumpsCallsAndAssignments)
{
    TrpCompiledScript c;
    QStringList errors;
    ASSERT_TRUE(interp.Compile({"while i < 3 do i := i + 1"}, c, errors));
    ASSERT_EQ(c.size(), 3);
    EXPECT_EQ(c[0].kind, TrpCompiledLine::CondJump);
    EXPECT_EQ(c[0].target, 3);
    EXPECT_EQ(c[1].kind, TrpCompiledLine::Assign);
    EXPECT_EQ(c[1].name, "i");
    EXPECT_EQ(c[1].expression, TrpParser::ToPostfix("i + 1"));
    EXPECT_EQ(c[2].kind, TrpCompiledLine::Jump);
    EXPECT_EQ(c[2].target, 0);
}

TEST_F(Scripts, RunawayLoopsStop)
{
    TrpCompiledScript compiled;
    QStringList errors;
    ASSERT_TRUE(interp.Compile({"begin 1: x := 1; goto 1 end"}, compiled, errors));
    interp.StepLimit = 10000;
    EXPECT_THROW(interp.Run(compiled), EParserError);

    // A cancelled build stops the script quietly.
    struct Stopping : TrpReportHooks {
        int calls = 0;
        bool IsStopped() const override { return calls > 50; }
        bool SetReportValue(const QString &, const TrpValue &) override { ++calls; return true; }
    } report;
    engine.SetReport(&report);
    engine.Variables().Clear();
    ASSERT_TRUE(interp.Compile({"while 1 do y := 1"}, compiled, errors));
    interp.Run(compiled);
    EXPECT_EQ(report.calls, 51);
    engine.SetReport(nullptr);
}

TEST_F(Scripts, RunErrorsReachTheCaller)
{
    TrpCompiledScript compiled;
    QStringList errors;
    ASSERT_TRUE(interp.Compile({"x := [UNKNOWN] + 1"}, compiled, errors));
    try {
        interp.Run(compiled);
        FAIL();
    } catch (const EParserError &e) {
        EXPECT_EQ(e.message(), "Undefined symbol \"UNKNOWN\"");
    }
}

TEST_F(Scripts, SplitExpressionsFindsAggregates)
{
    TrpCompiledScript compiled;
    QStringList errors, found;
    ASSERT_TRUE(interp.Compile({"begin x := SUM([Price]) + 1;",
                                "if COUNT(Band1) > 0 then y := AVG([Q], Band1) end"},
                               compiled, errors));
    interp.SplitExpressions(compiled, {"AVG", "COUNT", "MAX", "MIN", "SUM"}, nullptr, found);
    EXPECT_EQ(found, QStringList({"SUM([Price])", "COUNT(Band1)", "AVG([Q], Band1)"}));
}
