#pragma once
// A fresh program folder with its settings file, data module and stock
// tables, and the fake UI service that answers the services' messages: the
// start of most data tests.
#include "data/datamodule.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/testsupport/fakeui.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class ProgramFolderTest : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    kv::test::FakeUi ui;
    std::unique_ptr<kv::Paths> paths;
    std::unique_ptr<kv::Settings> settings;
    std::unique_ptr<TModule> module;

    void SetUp() override
    {
        paths = std::make_unique<kv::Paths>(dir.path());
        paths->CreateFolders();
        settings = std::make_unique<kv::Settings>(paths->SettingsFile());
        module = std::make_unique<TModule>(paths.get(), settings.get());
        module->EnsureTables();
    }
};
