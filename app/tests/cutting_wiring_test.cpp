// The main window makes results windows and edits the map colours through
// the cutting rooms' windows.
#include "app/common/optionform.h"
#include "app/results/formsheets.h"
#include "app/results/resultsdialogs.h"
#include "app/shell/mainform.h"
#include "app/shell/startup.h"
#include "app/shell/wiring.h"
#include "data/paths.h"
#include "platform/testsupport/fakeui.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kv;

TEST(CuttingWiring, ResultsWindowAndElementColours)
{
    QTemporaryDir tmp;
    PrepareProgramFolder(tmp.path());
    test::FakeUi ui;
    TMainForm form{Paths(tmp.path()), ui};
    WireShell(form);
    form.CreateDataModule();

    TMdiChild *w = form.CreateResultsWindow(true);
    ASSERT_TRUE(qobject_cast<TFormSheets *>(w));
    EXPECT_EQ(w->Kind(), ChildKind::Results);
    EXPECT_TRUE(form.Children().contains(w));

    TOptionForm *o = form.OptionForm();
    ASSERT_TRUE(o->EditColors);
    QList<int> five = {1, 2, 3, 4, 5};
    {
        ui.onModal = [](QDialog &d) {
            auto *adv = qobject_cast<TfrmAdvResult *>(&d);
            EXPECT_TRUE(adv);
            if (!adv)
                return int(QDialog::Rejected);
            EXPECT_EQ(adv->ElementColor(TfrmAdvResult::Mill), 3u);
            EXPECT_EQ(adv->ElementColor(TfrmAdvResult::LostScrap), 4u);
            adv->SetElementColor(TfrmAdvResult::Scrap, 0x00AA00);
            return int(QDialog::Accepted);
        };
        EXPECT_TRUE(o->EditColors(five));
    }
    EXPECT_EQ(five, (QList<int>{1, 2, 3, 4, 0x00AA00}));
}
