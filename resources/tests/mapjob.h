#pragma once
// The engine's golden mixed job in a program folder of its own, with the
// report templates written and the look-ups the map report asks, printed
// through the map road to whatever the test does with the built report.
#include "data/maps/mapdoc.h"
#include "data/paths.h"
#include "data/settings.h"
#include "print/flows/maproad.h"
#include "print/objects/registration.h"
#include "resources/reports.h"
#include "data/testsupport/mixedjob.h"
#include "platform/testsupport/fakeui.h"
#include "report/building/report.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace kvtest {

inline kv::MapPrintLookups MapJobLookups()
{
    kv::MapPrintLookups l;
    l.materialName = [](int) { return QStringLiteral("ЛДСП Бук 16"); };
    l.borderName = [](int code) { return QStringLiteral("ПВХ-%1").arg(code); };
    l.borderColor = [](int, qint32 def) { return def; };
    l.borderPripusk = [](int) { return 0; };
    l.isBorderCode = [](int code) { return code >= 0 && code <= 4; };
    return l;
}

struct MapJob
{
    QTemporaryDir dir;
    kv::Paths paths{dir.path()};
    std::unique_ptr<kv::Settings> settings;
    kv::MapDocument doc = MixedJobDocument();
    // Takes the report in place of its preview.
    kv::test::FakeUi ui;

    MapJob()
    {
        RegisterPrintObjects();
        paths.CreateFolders();
        kv::WriteMissingReports(paths.ReportsFolder());
        settings = std::make_unique<kv::Settings>(dir.filePath(QStringLiteral("Korvalt.ini")));
        kv::SetNumberDigits(2, 3);
    }

    // The maps report, `mapsPerPage` maps a page, built and handed to `preview`.
    void PrintMaps(int mapsPerPage, const std::function<void(TrpReport &)> &preview)
    {
        ui.onReports<TrpReport>([preview](TrpReport &r) {
            ASSERT_TRUE(r.Prepare()) << r.LastBuildError.toStdString();
            preview(r);
        });
        kv::TMapsPrinter printer(doc, MapJobLookups());
        printer.Options.Position = 2;
        printer.Options.MapQuantity = mapsPerPage;
        kv::MapPrintRequest rq;
        rq.doc = &doc;
        rq.settings = settings.get();
        rq.reportsFolder = paths.ReportsFolder();
        rq.lookups = MapJobLookups();
        rq.ui = &ui;
        kv::PrintMapsReport(printer, rq);
        ui.onReport = nullptr;
    }
};

} // namespace kvtest
