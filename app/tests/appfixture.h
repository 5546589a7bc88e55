#pragma once
// A temporary program folder with its folders, settings file, data module
// (templates and stock tables made), the materials, edge-banding and stock services,
// the fake UI service that answers the boxes and dialogs, and the context a
// window takes, so a window test starts from one line:
//     AppFixture app;  TfrmSomething w(app.ctx);
#include "app/common/appcontext.h"
#include "data/datamodule.h"
#include "data/materials/borders.h"
#include "data/materials/materials.h"
#include "data/paths.h"
#include "data/settings.h"
#include "data/stock/stock.h"
#include "platform/ini.h"
#include "platform/testsupport/fakeui.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

struct AppFixture
{
    QTemporaryDir dir;
    kv::Paths paths;
    kv::test::FakeUi ui;   // before the services that keep it
    std::unique_ptr<kv::Settings> settings;
    std::unique_ptr<TModule> module;
    std::unique_ptr<kv::MaterialsService> materials;
    std::unique_ptr<kv::BordersService> borders;
    std::unique_ptr<kv::StockService> stock;
    std::unique_ptr<AppContext> ctxHolder;
    AppContext &ctx;

    // `openStock` also takes the warehouse's working copies, as the start does.
    explicit AppFixture(bool openStock = false)
        : paths(dir.path()), settings(prepare(paths)),
          module(std::make_unique<TModule>(&paths, settings.get())),
          materials(std::make_unique<kv::MaterialsService>(paths, *settings, ui, module.get())),
          borders(std::make_unique<kv::BordersService>(paths, *settings)),
          stock(std::make_unique<kv::StockService>(*module, *settings)),
          ctxHolder(std::make_unique<AppContext>(paths, *settings, *module, ui)), ctx(*ctxHolder)
    {
        module->EnsureTables();
        ctx.setMaterials(materials.get());
        ctx.setBorders(borders.get());
        ctx.setStock(stock.get());
        if (openStock) {
            module->OpenSheetsCopy();
            module->OpenScrapsCopy();
        }
    }

    QString root() const { return paths.ProgramFolder(); }
    kv::TIniFile &ini() { return settings->Ini(); }

private:
    static std::unique_ptr<kv::Settings> prepare(const kv::Paths &p)
    {
        p.CreateFolders();
        kv::TIniFile(p.SettingsFile()).UpdateFile();
        return std::make_unique<kv::Settings>(p.SettingsFile());
    }
};

// For tests that want the fixture as a gtest fixture: TEST_F(AppTest, ...).
class AppTest : public ::testing::Test
{
protected:
    AppFixture app;
};
