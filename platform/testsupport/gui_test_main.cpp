// Test main for suites that need widgets: a QApplication on the offscreen
// platform, with the project's font set so text measures the same everywhere.
#include <gtest/gtest.h>
#include <QApplication>
#include <QByteArray>
#include <clocale>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef KV_FONTS_CONF
    if (qEnvironmentVariableIsEmpty("FONTCONFIG_FILE"))
        qputenv("FONTCONFIG_FILE", KV_FONTS_CONF);
#endif
    QApplication app(argc, argv);
    std::setlocale(LC_ALL, "C");
    std::setlocale(LC_NUMERIC, "C");
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
