#include <gtest/gtest.h>

#include <random>

#include "report/script/scriptengine.h"

// Broken template text must end in a value or a clear error: never a crash or a hang.
TEST(Robustness, RandomExpressionsAndScriptsFailCleanly)
{
    TrpEngine engine;
    engine.Variables().SetValue("A", TrpValue(1.0));
    const QStringList pieces = {
        "1", "2.5", ",", "'", "''", "'x'", "[", "]", "[A]", "(", ")", "+", "-", "*", "/", "<", ">", "=",
        "<=", "<>", " ", "\r", "%", "\"", "A", "B", "mod", "and", "or", "not", "int", "round", "str",
        "IF(", "COPY(", "SUM(", "SETARRAY(", "GETARRAY(", "A[", "begin", "end", ";", ":=", "if", "then",
        "else", "while", "do", "for", "to", "repeat", "until", "goto", "1:", "{", "}", "//", "exit", "Лист"};
    std::mt19937 rng(12345);
    std::uniform_int_distribution<int> pick(0, int(pieces.size()) - 1), len(1, 12);
    TInterpretator &interp = engine.Interpreter();
    interp.StepLimit = 2000;
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int n = len(rng);
        for (int i = 0; i < n; ++i) text += pieces[pick(rng)];
        try {
            engine.Calculate(text);
        } catch (const kv::Error &) {
        }
        TrpCompiledScript compiled;
        QStringList errors;
        if (interp.Compile({text}, compiled, errors)) {
            try {
                interp.Run(compiled);
            } catch (const kv::Error &) {
            }
        } else {
            ASSERT_EQ(errors.size(), 1);
            EXPECT_TRUE(errors[0].startsWith("Line ")) << errors[0].toStdString();
        }
    }
}
