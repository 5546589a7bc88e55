// The registry values kept with QSettings.
#include "platform/registry.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kv;

TEST(Registry, ValuesByKeyPathWhicheverSlash)
{
    QTemporaryDir dir;
    Registry::SetStoreFile(dir.filePath("registry.ini"));
    bool found = true;
    EXPECT_EQ(Registry::ReadString(HKEY_LOCAL_MACHINE_NAME, "\\Software\\Tamrelo\\Drumvel 2000\\5.00", "ProgPath",
                                   &found), "");
    EXPECT_FALSE(found);
    Registry::WriteString(HKEY_LOCAL_MACHINE_NAME, "/Software/Tamrelo/Drumvel 2000/5.00/", "ProgPath", "/opt/Дрюмвель");
    EXPECT_EQ(Registry::ReadString(HKEY_LOCAL_MACHINE_NAME, "\\Software\\Tamrelo\\Drumvel 2000\\5.00", "ProgPath",
                                   &found), "/opt/Дрюмвель");
    EXPECT_TRUE(found);
    // Another root is another value.
    EXPECT_EQ(Registry::ReadString(HKEY_CURRENT_USER_NAME, "\\Software\\Tamrelo\\Drumvel 2000\\5.00", "ProgPath"), "");
    Registry::SetStoreFile(QString());
}
