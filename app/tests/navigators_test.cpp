// The side bars of the six windows that hold one: the page button, the list
// set up alike, and the pictures the lists draw.
#include "app/common/programimages.h"
#include "app/cutting/raskroyoptions.h"
#include "app/models/modelsbase.h"
#include "app/partbase/raskroygroup.h"
#include "app/results/formsheets.h"
#include "app/stock/warehouse.h"
#include "app/tests/appfixture.h"
#include "data/matoptions.h"
#include "data/settings.h"
#include "platform/testsupport/scoped.h"
#include "print/flows/printsetupadv.h"
#include "widgets/imagelist.h"
#include "widgets/outlookbar.h"
#include "widgets/outlooklist.h"
#include "widgets/shapebtn.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDialog>

#include <functional>
#include <memory>

using namespace kv;

namespace {

// An image with more than one colour in it: something is drawn there.
bool HasPicture(const QImage &image)
{
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != first) return true;
    return false;
}

// The visible items of a list, each with its glyph drawn.
void ExpectGlyphsDrawn(TgwCustomOutlookList *list, const char *window)
{
    ASSERT_GT(list->Items()->Count(), 0) << window;
    list->resize(120, 400);
    list->UpdateHitRects();
    const QImage shot = list->grab().toImage();
    for (int i = 0; i < list->Items()->Count(); ++i) {
        TgwOutlookListItem *it = list->Items()->Item(i);
        const QRect glyph = list->GetItemRect(it, 1);
        if (glyph.bottom() >= shot.height()) break;
        EXPECT_TRUE(list->Images()->isValidIndex(it->ImageIndex())) << window << " " << i;
        EXPECT_TRUE(HasPicture(list->Images()->image(it->ImageIndex()))) << window << " " << i;
        EXPECT_TRUE(HasPicture(shot.copy(glyph))) << window << " " << i;
    }
}

} // namespace

TEST(Navigators, FiveWindowsSetTheirBarAndListUpAlike)
{
    AppFixture app(true);
    TOptimSettings off;
    off.Enabled = false;
    PackOptimSettings(app.ini(), MaterialSection(2), off);
    const struct {
        const char *window;
        std::function<QWidget *()> make;
        const char *list;
        const char *caption;
        bool autoBold;
        bool pageClick;
    } cases[] = {
        {"results", [&] { return new TFormSheets(app.ctx); }, "OutlookList", "Материалы", false, true},
        {"warehouse", [&] { return new TfrmWareHouse(app.ctx); }, "olMaterials", "Материалы", true, true},
        {"part base", [&] { return new TfrmRaskroyGroup(app.ctx); }, "OutlookList", "Материалы", true, true},
        {"cutting options",
         [&] {
             auto *d = new TfrmRaskroyOptions(app.ctx);
             d->SetJob({"1", "2"}, {"ДСП", "МДФ"}, {});
             return d;
         },
         "OutlookList", "Материалы", true, true},
        {"models base", [&] { return new TfrmModelsBase(app.ctx); }, "olSections", "Разделы", false, false},
    };
    for (const auto &c : cases) {
        std::unique_ptr<QWidget> w(c.make());
        auto *bar = w->findChild<TgwOutlookBar *>(QStringLiteral("OutlookBar"));
        ASSERT_NE(bar, nullptr) << c.window;
        EXPECT_EQ(bar->AutoBold(), c.autoBold) << c.window;
        EXPECT_TRUE(bar->ShowButtons()) << c.window;
        EXPECT_EQ(bar->ButtonSize(), 20) << c.window;
        ASSERT_EQ(bar->OutlookItems()->Count(), 1) << c.window;
        TgwOutlookPage *page = bar->OutlookItems()->Page(0);
        TgwShapeBtn *button = page->ShapeButton();
        ASSERT_NE(button, nullptr) << c.window;
        EXPECT_EQ(button->Caption(), QString::fromUtf8(c.caption)) << c.window;
        EXPECT_TRUE(button->Down()) << c.window;
        EXPECT_EQ(button->GroupIndex(), 1) << c.window;
        EXPECT_TRUE(button->font().bold()) << c.window;
        EXPECT_EQ(button->DitherColor(), gw::clWhite) << c.window;
        EXPECT_EQ(bool(button->OnClick), c.pageClick) << c.window;

        TgwOutlookList *list = page->List;
        ASSERT_NE(list, nullptr) << c.window;
        EXPECT_EQ(list->objectName(), QString::fromLatin1(c.list)) << c.window;
        EXPECT_EQ(list->ItemSpacing(), 22) << c.window;
        EXPECT_EQ(list->BorderStyle(), gw::bsNone) << c.window;
        EXPECT_EQ(list->HotTrackStyle, gw::hsItemHilite) << c.window;
        EXPECT_EQ(list->ClickStyle, gw::csSelect) << c.window;
        EXPECT_EQ(list->ItemLayout(), gw::blGlyphLeft) << c.window;
        EXPECT_EQ(list->Images(), &ProgramImages()) << c.window;
        EXPECT_NE(list->PopupMenu, nullptr) << c.window;
        EXPECT_TRUE(bool(list->OnItemClick)) << c.window;
        EXPECT_FALSE(bool(list->OnItemChange)) << c.window;
    }
}

TEST(Navigators, TheDrawingStylesDialogKeepsItsOwnChooser)
{
    AppFixture app;
    TfrmPrintSetupAdv d(app.ui, app.ini());
    auto *bar = d.findChild<TgwOutlookBar *>(QStringLiteral("gwOutlookBar1"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->width(), 121);
    EXPECT_FALSE(bar->ShowButtons());
    TgwOutlookPage *page = bar->OutlookItems()->Page(0);
    EXPECT_EQ(page->Button->Caption(), QStringLiteral("Настройка"));
    EXPECT_TRUE(page->Button->isHidden());
    TgwOutlookList *list = page->List;
    EXPECT_EQ(list->ItemSpacing(), 6);
    EXPECT_EQ(list->BorderStyle(), gw::bsNone);
    EXPECT_EQ(list->HotTrackStyle, gw::hsItemHilite);
    EXPECT_EQ(list->ItemLayout(), gw::blGlyphTop);
    EXPECT_EQ(list->PopupMenu, nullptr);
    ExpectGlyphsDrawn(list, "drawing styles");
}

TEST(Navigators, TheListsDrawTheirPictures)
{
    AppFixture app(true);
    TfrmWareHouse stock(app.ctx);
    stock.show();
    ExpectGlyphsDrawn(stock.findChild<TgwOutlookList *>(QStringLiteral("olMaterials")), "warehouse");
}

TEST(Navigators, CuttingOptionsShowWhichMaterialsAreOn)
{
    AppFixture app;
    TOptimSettings off;
    off.Enabled = false;
    PackOptimSettings(app.ini(), MaterialSection(3), off);
    TfrmRaskroyOptions d(app.ctx);
    d.SetJob({"1", "2", "3"}, {"ДСП", "МДФ", "ХДФ"}, {});
    bool checked = false;
    const auto hook = kv::test::ScopedSet(app.ui.onModal, [&](QDialog &dialog) {
        auto &f = dynamic_cast<TfrmRaskroyOptions &>(dialog);
        TgwOutlookList *list = f.OutlookList;
        EXPECT_EQ(list->Items()->Item(1)->ImageIndex(), img::MaterialOn);
        EXPECT_EQ(list->Items()->Item(2)->ImageIndex(), img::MaterialOff);
        ExpectGlyphsDrawn(list, "cutting options");
        // Items 1 and 2 are neither selected nor hot: only the picture differs.
        const QImage shot = list->grab().toImage();
        const QImage on = shot.copy(list->GetItemRect(list->Items()->Item(1), 1));
        const QImage off = shot.copy(list->GetItemRect(list->Items()->Item(2), 1));
        EXPECT_EQ(on.size(), off.size());
        EXPECT_NE(on, off);
        // Switching a material off changes its picture at once.
        f.ShowMaterial(2);
        f.chbEnabled->click();
        EXPECT_EQ(list->Items()->Item(1)->ImageIndex(), img::MaterialOff);
        checked = true;
        return int(QDialog::Rejected);
    });
    d.Execute();
    EXPECT_TRUE(checked);
}
