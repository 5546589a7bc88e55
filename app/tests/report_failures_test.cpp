// A template that does not load or does not build, in every report road of
// the program: the user reads why in a box of the window's UI service, a
// protected template asks for its password, and no blank preview opens.
#include "app/common/printcontext.h"
#include "app/models/modelsprint.h"
#include "app/stock/stockprint.h"
#include "app/tests/appfixture.h"
#include "app/tests/scopedprinter.h"
#include "data/maps/mapdoc.h"
#include "platform/testsupport/fakeui.h"
#include "platform/testsupport/scoped.h"
#include "platform/ui.h"
#include "print/flows/fullstat.h"
#include "print/flows/labeldialogs.h"
#include "print/flows/maproad.h"
#include "print/flows/printsetup.h"
#include "print/flows/scrapsinfo.h"
#include "report/building/report.h"
#include "report/core/utils.h"
#include "report/model/memo.h"
#include "report/model/page.h"
#include "report/windows/dialogs.h"
#include "resources/reports.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace kv;

namespace {

MapTab oneMap()
{
    MapTab t;
    t.MaterialCode = 1;
    t.RealWidth = 2800, t.RealHeight = 2070, t.Quantity = 1;
    MapPart p;
    p.Title = QStringLiteral("Бок");
    p.RealWidth = 720, p.RealHeight = 560;
    t.Parts.push_back(p);
    MapScrap s;
    s.RealWidth = 1000, s.RealHeight = 600;
    s.ScrapType = stNormalScrap;
    s.ScrapName = QStringLiteral("Ост-1");
    t.Scraps.push_back(s);
    t.DetalsSquare = 720.0 * 560;
    t.ScrapSquare = 1000.0 * 600;
    t.LostSquare = double(t.SheetArea()) - t.ScrapSquare - t.DetalsSquare;
    t.TotalSquare = t.ScrapSquare + t.LostSquare;
    return t;
}

const QString kPassword = QStringLiteral("Цех-7");

// What is wrong with the template.
enum class Fault { Damaged, NewerVersion, UndefinedName, WrongPassword, PasswordCancelled, RightPassword };

void spoil(const QString &file, Fault fault)
{
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray bytes = f.readAll();
    switch (fault) {
    case Fault::Damaged:
        // an object entry cut in half
        bytes.truncate(bytes.size() * 2 / 3);
        break;
    case Fault::NewerVersion:
        bytes[0] = char(26);
        break;
    default: {
        f.close();
        TrpReport r;
        ASSERT_TRUE(r.LoadFromFile(file));
        if (fault == Fault::UndefinedName) {
            // every memo that prints a value prints one more, of a name nobody knows
            for (int p = 0; p < r.Pages().Count(); ++p)
                for (const auto &v : r.Pages().GetPage(p)->Views())
                    if (auto *m = dynamic_cast<TrpMemoView *>(v.get()); m && m->Memo.join(' ').contains('['))
                        m->Memo << QStringLiteral("[NOSUCHNAME]");
        } else {
            r.Info.Protected = true;
            r.Info.Password = kPassword;
        }
        r.SaveToFile(file);
        return;
    }
    }
    f.resize(0);
    f.seek(0);
    f.write(bytes);
}

class ReportFailures : public ::testing::Test
{
protected:
    const kv::test::ScopedEnginePrinter keepPrinter;
    AppFixture app{true};
    int previews = 0;
    QString typed;            // the password the user types; empty: Cancel
    int prompts = 0;

    void SetUp() override
    {
        WriteMissingReports(app.paths.ReportsFolder());
        app.ui.onReports<TrpReport>([this](TrpReport &r) {
            if (!r.Prepare()) return false;
            if (r.EMFPages().Count() > 0) ++previews;
            return true;
        });
    }

    // Dialogs the roads open: the print setup, the statistics window (which
    // prints), and the template's password prompt.
    int answer(QDialog &d)
    {
        if (auto *p = qobject_cast<TrpPasswForm *>(&d)) {
            ++prompts;
            if (typed.isEmpty()) return int(QDialog::Rejected);
            p->E1->setText(typed);
            return int(QDialog::Accepted);
        }
        if (auto *s = qobject_cast<TfrmPrintSetup *>(&d)) {
            s->bbOkClick();
            return d.result();
        }
        if (auto *w = qobject_cast<TfrmFullStat *>(&d)) {
            d.show();
            w->bbPrint->click();
            return int(QDialog::Accepted);
        }
        return int(QDialog::Rejected);
    }
};

struct Road
{
    const char *name;
    const char *file;
    std::function<void(ReportFailures &, AppFixture &)> print;
};

MapPrintLookups lookups()
{
    MapPrintLookups l;
    l.materialName = [](int) { return QStringLiteral("ДСП 16 мм"); };
    l.borderName = [](int code) { return QStringLiteral("Кромка %1").arg(code); };
    l.borderColor = [](int, qint32 def) { return def; };
    l.borderPripusk = [](int) { return 0; };
    l.isBorderCode = [](int code) { return code == 0; };
    return l;
}

const Road kRoads[] = {
    {"cutting maps", "RskMaps.rpf",
     [](ReportFailures &, AppFixture &app) {
         MapDocument doc;
         doc.Tabs.push_back(oneMap());
         MapPrintRequest rq;
         rq.doc = &doc;
         rq.settings = app.settings.get();
         rq.reportsFolder = app.paths.ReportsFolder();
         rq.lookups = lookups();
         rq.ui = &app.ui;
         PrintCuttingMaps(rq);
     }},
    {"part labels", "ScrapsLbl.rpf",
     [](ReportFailures &, AppFixture &app) {
         TfrmPrintDetalsLabel d(PrintContextOf(app.ctx));
         d.Lists().names << QStringLiteral("Бок");
         d.Lists().sizes << QStringLiteral("720 x 560");
         d.Lists().materials << QStringLiteral("ДСП 16 мм");
         d.Lists().comments << QString();
         d.Lists().edges << QString();
         d.show();
         d.bbPrint->click();
     }},
    {"statistics", "Statistic.rpf",
     [](ReportFailures &, AppFixture &app) {
         MapDocument doc;
         doc.Tabs.push_back(oneMap());
         ShowFullStatistics(PrintContextOf(app.ctx), doc, QStringLiteral("<все материалы>"), nullptr);
     }},
    {"off-cut totals", "ScrapsInfo.rpf",
     [](ReportFailures &, AppFixture &app) {
         MapDocument doc;
         doc.Tabs.push_back(oneMap());
         PrintScrapsInfo(PrintContextOf(app.ctx), doc, nullptr);
     }},
    {"warehouse list", "StdSheets.rpf",
     [](ReportFailures &, AppFixture &app) { PrintStockList(app.ctx, *app.stock, false, nullptr); }},
    {"models list", "ModelsList.rpf",
     [](ReportFailures &, AppFixture &app) {
         PrintModelsList(app.ctx, {{QStringLiteral("Шкаф"), 2}}, nullptr);
     }},
};

} // namespace

TEST_F(ReportFailures, EveryRoadSaysWhatIsWrongAndOpensNoBlankPreview)
{
    struct Case
    {
        const char *what;
        Fault fault;
        QString typed;
        QString message;   // the box expected; empty: none
        bool preview;
    };
    const QString unsupported = LoadEngineString(55345);
    const Case cases[] = {
        {"damaged template", Fault::Damaged, {}, unsupported, false},
        {"version above 25", Fault::NewerVersion, {}, unsupported, false},
        {"memo with an undefined name", Fault::UndefinedName, {}, QStringLiteral("NOSUCHNAME"), false},
        {"wrong password", Fault::WrongPassword, QStringLiteral("цех-7"), QStringLiteral("Неверный пароль"), false},
        {"password prompt cancelled", Fault::PasswordCancelled, {}, {}, false},
        {"right password", Fault::RightPassword, kPassword, {}, true},
    };
    for (const Road &road : kRoads) {
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(road.name) + ": " + c.what);
            const QString file = Paths::FileIn(app.paths.ReportsFolder(), QString::fromLatin1(road.file));
            QFile::remove(file);
            WriteMissingReports(app.paths.ReportsFolder());
            spoil(file, c.fault);
            previews = 0;
            prompts = 0;
            typed = c.typed;
            const auto modal = kv::test::ScopedSet(app.ui.onModal, [this](QDialog &d) { return answer(d); });
            kv::test::ScopedAnswers boxes(app.ui);
            road.print(*this, app);
            EXPECT_EQ(previews, c.preview ? 1 : 0);
            const bool asked = c.fault == Fault::WrongPassword || c.fault == Fault::PasswordCancelled
                || c.fault == Fault::RightPassword;
            EXPECT_EQ(prompts, asked ? 1 : 0);
            if (c.message.isEmpty()) {
                for (const ShownMessage &m : boxes.shown()) ADD_FAILURE() << m.text.toStdString();
                continue;
            }
            ASSERT_EQ(boxes.shown().size(), 1u);
            const ShownMessage &m = boxes.shown()[0];
            EXPECT_EQ(m.kind, MsgKind::Error);
            EXPECT_TRUE(m.text.contains(c.message)) << m.text.toStdString();
        }
    }
}
