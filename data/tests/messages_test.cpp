#include "data/messages.h"

#include "platform/text.h"

#include <gtest/gtest.h>

#include <set>

using namespace kv;

namespace {

TEST(Messages, TheNumberedSet)
{
    std::set<int> numbers;
    for (const MessageEntry &e : kMessages) {
        EXPECT_TRUE(numbers.insert(e.number).second) << "twice: " << e.number;
        const QString text = LoadMessage(e.number);
        EXPECT_FALSE(text.isEmpty()) << e.number;
        // Every text must survive the code page of the files and reports.
        EXPECT_EQ(fromCp1251(toCp1251(text)), text) << e.number;
    }
    std::set<int> want;
    for (int n = 65056; n <= 65183; ++n)
        if (!(n >= 65069 && n <= 65071) && !(n >= 65168 && n <= 65170)) want.insert(n);
    EXPECT_EQ(numbers, want);
    EXPECT_TRUE(LoadMessage(65069).isEmpty());
}

TEST(Messages, TextsAsWritten)
{
    EXPECT_EQ(Msg<65060>(), "Карты раскроя \"%s\" были изменеы.\rСохранить?");
    EXPECT_EQ(Msg<65123>(), "Ошибка ввода даты!\r\rПовторите ввод ещё раз.");
    EXPECT_EQ(Msg<65171>(), "Приложение 2D-KORVALT уже выполняется!");
    EXPECT_EQ(Msg<65177>(), "ВНИМАНИЕ!\r\rПри слиянии баз деталей изменяется и сохраняется содержимое \r"
                            "текущей базы деталей.\r\rПродолжить?");
    EXPECT_EQ(Msg<65134>(), " мм");
}

TEST(Messages, Formatting)
{
    EXPECT_EQ(FormatMsg<65137>({3}),
              "ВНИМАНИЕ!\r\rБыло удалено 3 разделов базы моделей.\rПодтверждаете сделанные изменения?");
    EXPECT_EQ(QString::number(5) + Msg<65128>(), "5 шт");
    EXPECT_EQ(FormatMsg<65172>({"ЛДСП 16", 2750, 1830}),
              "ВНИМАНИЕ!\rРазложение невозможно!\r\rЛисты <ЛДСП 16> размером 2750x1830 на складе отсутствуют.");
    EXPECT_EQ(FormatText("100%% of %s", {"x"}), "100% of x");
    EXPECT_EQ(FormatText("%s and %s", {"a"}), "a and %s");
}

} // namespace
