// The print settings, drawing styles and page margins dialogs, offscreen,
// found by object name.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QScreen>
#include <QTest>

#include "controls/spinedit.h"
#include "platform/testsupport/userinput.h"
#include "data/settings.h"
#include "platform/ini.h"
#include "platform/testsupport/fakeui.h"
#include "print/flows/pageform.h"
#include "print/flows/printflow.h"
#include "print/flows/printsetup.h"
#include "print/flows/printsetupadv.h"
#include "widgets/colorcombo.h"
#include "widgets/outlooklist.h"

using namespace kv;
using kv::gw::Color;

namespace {

class Dialogs : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    std::unique_ptr<Settings> settings;
    kv::test::FakeUi ui;
    std::function<int(QDialog &)> answer = [](QDialog &d) { d.reject(); return d.result(); };

    void SetUp() override
    {
        settings = std::make_unique<Settings>(dir.filePath(QStringLiteral("Korvalt.ini")));
        ui.onModal = [this](QDialog &d) { return answer(d); };
    }
    TIniFile &ini() { return settings->Ini(); }

    template <class T>
    static T *child(QWidget &w, const char *name)
    {
        T *c = w.findChild<T *>(QLatin1String(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    static void shot(QWidget &w, const char *name)
    {
        if (qEnvironmentVariableIsSet("KV_DIALOG_SHOTS")) {
            w.adjustSize();
            w.grab().save(qEnvironmentVariable("KV_DIALOG_SHOTS") + QLatin1String(name) + QStringLiteral(".png"));
        }
    }
};

// The setup dialog as the print road opens it: maps 2 to 4 visible, the third current.
struct OpenedSetup
{
    TfrmPrintSetup d;
    OpenedSetup(Ui &ui, TIniFile &ini) : d(ui, ini)
    {
        d.FirstMap = 2, d.LastMap = 4, d.CurrentMap = 3;
        d.FormShow();
    }
};

} // namespace

TEST_F(Dialogs, PrintSetupOpensWithTheDefaultsAndEveryStateSet)
{
    OpenedSetup s(ui, ini());
    TfrmPrintSetup &d = s.d;
    shot(d, "printsetup");
    EXPECT_TRUE(child<QRadioButton>(d, "rbOneMap")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(d, "rbAllPages")->isChecked());
    for (const char *name : {"cbxMillsStat", "cbxTotalWaste", "cbxUsefulWaste", "cbxUselessWaste", "cbxDetalsStat",
                             "chbDetalsList", "chbShowBorder", "cbBorderCodes", "cbBordersStat"})
        EXPECT_TRUE(child<QCheckBox>(d, name)->isChecked()) << name;
    EXPECT_FALSE(child<QCheckBox>(d, "cbBordersBlack")->isChecked());
    EXPECT_EQ(d.MapFont(), IniFont());
    EXPECT_EQ(child<QLabel>(d, "pnlFont")->text(), QStringLiteral("AaZzДдЯя"));
    for (const char *name : {"edBeginPage", "edEndPage", "lbBefore", "lbAfter", "seMapQuantity"})
        EXPECT_FALSE(child<QWidget>(d, name)->isEnabled()) << name;
    EXPECT_EQ(d.GetBeginPage(), 2);
    EXPECT_EQ(d.GetEndPage(), 4);
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Параметры печати раскроя"));

    // A list switched off in the file: its sub-options are off from the first look.
    ini().WriteBool(kSheetPageParams, QStringLiteral("DetalsList"), false);
    OpenedSetup off(ui, ini());
    for (const char *name : {"chbShowBorder", "cbBorderCodes", "cbBordersStat", "cbBordersBlack"})
        EXPECT_FALSE(child<QWidget>(off.d, name)->isEnabled()) << name;
}

TEST_F(Dialogs, PrintSetupRangesAreHeldToTheVisibleMaps)
{
    struct Case
    {
        const char *what;
        const char *radio;
        QString begin, end;
        int first, last;
    };
    const Case cases[] = {
        {"all", "rbAllPages", "", "", 2, 4},
        {"current on the third tab", "rbCurrentPage", "", "", 3, 3},
        {"numbers as typed", "rbNumberPages", "3", "4", 3, 4},
        {"begin 0 falls back to the first", "rbNumberPages", "0", "3", 2, 3},
        {"text read as 1, below the first", "rbNumberPages", "abc", "3", 2, 3},
        {"end beyond the last visible", "rbNumberPages", "2", "9", 2, 4},
        {"end before begin", "rbNumberPages", "4", "3", 2, 3},
    };
    for (const Case &c : cases) {
        OpenedSetup s(ui, ini());
        TfrmPrintSetup &d = s.d;
        child<QRadioButton>(d, c.radio)->click();
        if (!c.begin.isEmpty()) {
            child<QLineEdit>(d, "edBeginPage")->setText(c.begin);
            child<QLineEdit>(d, "edEndPage")->setText(c.end);
        }
        // OK holds the numbers as well, without the edits losing the focus first.
        child<QPushButton>(d, "bbOk")->click();
        EXPECT_EQ(d.result(), QDialog::Accepted) << c.what;
        EXPECT_EQ(d.GetBeginPage(), c.first) << c.what;
        EXPECT_EQ(d.GetEndPage(), c.last) << c.what;
    }
}

TEST_F(Dialogs, PrintSetupWritesEachBoxUnderItsOwnKeyAlsoWhenCancelled)
{
    {
        OpenedSetup s(ui, ini());
        TfrmPrintSetup &d = s.d;
        for (QCheckBox *c : d.findChildren<QCheckBox *>()) c->setChecked(false);
        child<QCheckBox>(d, "cbxUsefulWaste")->setChecked(true);
        child<QRadioButton>(d, "rbOtherMap")->click();
        EXPECT_TRUE(child<QWidget>(d, "seMapQuantity")->isEnabled());
        child<TExSpinEdit>(d, "seMapQuantity")->setValue(4);
        EXPECT_EQ(d.GetMapsPerPage(), 4);
        child<QPushButton>(d, "bbCancel")->click();
    }
    EXPECT_TRUE(ini().ReadBool(kSheetPageParams, QStringLiteral("UsefulWStat"), false));
    EXPECT_FALSE(ini().ReadBool(kSheetPageParams, QStringLiteral("UselessWStat"), true));
    EXPECT_FALSE(ini().ReadBool(kSheetPageParams, QStringLiteral("MillStat"), true));
    EXPECT_EQ(ini().ReadInteger(kSheetPageParams, QStringLiteral("Position"), 0), 2);
    EXPECT_EQ(ini().ReadInteger(kSheetPageParams, QStringLiteral("MapQuantity"), 0), 4);
    // Read back into the same boxes: usable and useless off-cuts are not swapped.
    OpenedSetup again(ui, ini());
    EXPECT_TRUE(child<QCheckBox>(again.d, "cbxUsefulWaste")->isChecked());
    EXPECT_FALSE(child<QCheckBox>(again.d, "cbxUselessWaste")->isChecked());
    EXPECT_TRUE(child<QRadioButton>(again.d, "rbOtherMap")->isChecked());
    EXPECT_EQ(again.d.GetMapsPerPage(), 4);
}

TEST_F(Dialogs, PrintSetupListSwitchGovernsItsSubOptions)
{
    OpenedSetup s(ui, ini());
    TfrmPrintSetup &d = s.d;
    child<QCheckBox>(d, "chbDetalsList")->click();
    for (const char *name : {"chbShowBorder", "cbBorderCodes", "cbBordersStat", "cbBordersBlack"})
        EXPECT_FALSE(child<QWidget>(d, name)->isEnabled()) << name;
    child<QCheckBox>(d, "chbDetalsList")->click();
    child<QCheckBox>(d, "chbShowBorder")->click();   // edges off: codes and totals follow
    EXPECT_TRUE(child<QWidget>(d, "chbShowBorder")->isEnabled());
    for (const char *name : {"cbBorderCodes", "cbBordersStat", "cbBordersBlack"})
        EXPECT_FALSE(child<QWidget>(d, name)->isEnabled()) << name;
}

TEST_F(Dialogs, PrintSetupFontAndStylesButtons)
{
    OpenedSetup s(ui, ini());
    TfrmPrintSetup &d = s.d;
    ui.onFont = [](QFont &f) {
        f.setFamily(QStringLiteral("Liberation Serif"));
        f.setPointSize(14);
        return true;
    };
    child<QPushButton>(d, "bbFont")->click();
    EXPECT_EQ(d.MapFont().size, 14);
    bool advanced = false;
    answer = [&](QDialog &dlg) {
        advanced = qobject_cast<TfrmPrintSetupAdv *>(&dlg) != nullptr;
        dlg.reject();
        return dlg.result();
    };
    child<QPushButton>(d, "bbAdvanced")->click();
    EXPECT_TRUE(advanced);
    child<QPushButton>(d, "bbOk")->click();
    IniFont stored;
    ReadFontFromIni(ini(), kSheetPageParams, QStringLiteral("MapFont"), stored);
    EXPECT_EQ(stored.name, QStringLiteral("Liberation Serif"));
}

TEST_F(Dialogs, StylesDialogPagesAndDefaults)
{
    struct Case { int stored; const char *page; };
    for (const Case c : {Case{0, "tshDetals"}, Case{3, "tshLostScraps"}, Case{7, "tshDetals"}}) {
        ini().WriteInteger(kPrnSetupAdv, QStringLiteral("CurrentPage"), c.stored);
        TfrmPrintSetupAdv d(ui, ini());
        d.Execute();   // answered with Cancel
        EXPECT_EQ(d.PageControl->currentWidget()->objectName(), QLatin1String(c.page)) << c.stored;
        if (c.stored == 0) {
            shot(d, "printsetupadv");
            for (const char *name : {"cbDetalDraw", "cbMillDraw", "cbScrapDraw", "cbLostScrapDraw", "cbDetalTitle",
                                     "cbDetalDim", "cbDetalTruncText"})
                EXPECT_TRUE(child<QCheckBox>(d, name)->isChecked()) << name;
            EXPECT_EQ(child<TgwColorCombo>(d, "cbxDetalBrushColor")->SelectedColor(), 0xFFFFFFu);
            EXPECT_EQ(child<TgwColorCombo>(d, "cbxDetalPenColor")->SelectedColor(), 0u);
            // No colour is "<Нет>", first in every list of the dialog.
            for (TgwColorCombo *combo : d.findChildren<TgwColorCombo *>()) {
                EXPECT_EQ(combo->ColorList()->GetItemName(0), QStringLiteral("<Нет>")) << combo->objectName().toStdString();
                EXPECT_EQ(combo->ColorToName(kv::gw::clNone), QStringLiteral("<Нет>"));
            }
            EXPECT_EQ(child<QComboBox>(d, "cbxDetalBrushStyle")->currentIndex(), 0);
            EXPECT_EQ(child<QComboBox>(d, "cbxDetalBrushStyle")->count(), 8);
            EXPECT_EQ(child<QComboBox>(d, "cbxMillPenStyle")->count(), 6);
            EXPECT_EQ(child<TExSpinEdit>(d, "seMillPenWidth")->Value(), 1);
        }
    }
    // Clicking an item of the list shows its page.
    TfrmPrintSetupAdv d(ui, ini());
    d.Execute();
    d.OutlookListItemClick(d.OutlookList, d.OutlookList->Items()->Item(1));
    EXPECT_EQ(d.PageControl->currentWidget()->objectName(), QStringLiteral("tshMills"));
}

TEST_F(Dialogs, StylesDialogColoursArePickedWithTheMouseAndTheKeys)
{
    using namespace kv::test;
    Color brush = 0, pen = 0;
    answer = [&](QDialog &dlg) {
        dlg.show();
        dlg.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dlg));
        auto *fill = dlg.findChild<TgwColorCombo *>(QStringLiteral("cbxDetalBrushColor"));
        auto *border = dlg.findChild<TgwColorCombo *>(QStringLiteral("cbxDetalPenColor"));
        auto *fillStyle = dlg.findChild<QComboBox *>(QStringLiteral("cbxDetalBrushStyle"));
        // The mouse: the button opens the list, an item is taken.
        UserClick(fill->Button());
        EXPECT_TRUE(fill->IsDroppedDown());
        TgwCustomColorList *list = fill->ColorList();
        const int red = list->IndexOfName(QStringLiteral("Red"));
        list->scrollToItem(list->item(red));
        UserMouse(MouseAct::Click, list->viewport(), list->visualItemRect(list->item(red)).center());
        EXPECT_FALSE(fill->IsDroppedDown());
        brush = fill->SelectedColor();
        EXPECT_EQ(brush, 0x0000FFu);
        // The style samples take the new colour.
        const QImage solid = fillStyle->itemIcon(0).pixmap(fillStyle->iconSize()).toImage();
        EXPECT_EQ(solid.pixelColor(solid.width() / 2, solid.height() / 2), QColor(Qt::red));
        shot(dlg, "printsetupadv_picked");
        // The keys: Alt+Down opens, Down moves, Enter takes.
        border->setFocus();
        UserKey(border, Qt::Key_Down, Qt::AltModifier);
        EXPECT_TRUE(border->IsDroppedDown());
        if (qEnvironmentVariableIsSet("KV_DIALOG_SHOTS"))
            QApplication::primaryScreen()->grabWindow(0).save(qEnvironmentVariable("KV_DIALOG_SHOTS") +
                                                              QStringLiteral("printsetupadv_open.png"));
        UserKey(border, Qt::Key_Down);
        UserKey(border, Qt::Key_Return);
        EXPECT_FALSE(border->IsDroppedDown());
        pen = border->SelectedColor();
        EXPECT_NE(pen, 0u);
        UserClick(dlg.findChild<QPushButton *>(QStringLiteral("bbOk")));
        return dlg.result();
    };
    TfrmPrintSetupAdv d(ui, ini());
    EXPECT_TRUE(d.Execute());
    const MapPrintStyles s = ReadPrintStyles(ini());
    EXPECT_EQ(quint32(s.Detal.Brush.color), brush);
    EXPECT_EQ(quint32(s.Detal.Pen.color), pen);
}

TEST_F(Dialogs, StylesDialogNavigatorItemsCarryTheirPictures)
{
    TfrmPrintSetupAdv d(ui, ini());
    const kv::ImageList *images = d.OutlookList->Images();
    ASSERT_TRUE(images);
    EXPECT_EQ(images->size(), QSize(32, 32));
    QList<QImage> seen;
    for (int i = 0; i < 4; ++i) {
        const TgwOutlookListItem *item = d.OutlookList->Items()->Item(i);
        ASSERT_TRUE(item);
        EXPECT_EQ(item->ImageIndex(), i) << item->Text().toStdString();
        const QImage img = images->image(i);
        ASSERT_FALSE(img.isNull()) << i;
        EXPECT_FALSE(seen.contains(img)) << i;   // a picture of its own
        seen << img;
    }
}

TEST_F(Dialogs, StylesDialogEnablingFollowsTheSwitches)
{
    TfrmPrintSetupAdv d(ui, ini());
    d.Execute();
    child<QCheckBox>(d, "cbMillDraw")->click();
    for (const char *name : {"cbxMillPenColor", "cbxMillPenStyle", "seMillPenWidth"})
        EXPECT_FALSE(child<QWidget>(d, name)->isEnabled()) << name;
    child<QCheckBox>(d, "cbScrapTitle")->click();
    EXPECT_TRUE(child<QWidget>(d, "cbScrapTruncText")->isEnabled());
    child<QCheckBox>(d, "cbScrapDim")->click();
    EXPECT_FALSE(child<QWidget>(d, "cbScrapTruncText")->isEnabled());
    EXPECT_FALSE(child<QWidget>(d, "bbScrapFont")->isEnabled());
    child<QCheckBox>(d, "cbLostScrapDraw")->click();
    for (const char *name : {"cbxLostScrapBrushColor", "cbxLostScrapPenStyle", "cbLostScrapTitle", "bbLostScrapFont"})
        EXPECT_FALSE(child<QWidget>(d, name)->isEnabled()) << name;
    EXPECT_TRUE(child<QWidget>(d, "cbLostScrapDraw")->isEnabled());
}

TEST_F(Dialogs, StylesDialogWritesOnlyWithOkAndAreaPensStayOneWide)
{
    {
        TfrmPrintSetupAdv d(ui, ini());
        d.Execute();
        child<QCheckBox>(d, "cbDetalDraw")->setChecked(false);
        d.reject();
    }
    EXPECT_FALSE(ini().SectionExists(kPrnSetupAdv));
    answer = [](QDialog &dlg) {
        auto &d = static_cast<TfrmPrintSetupAdv &>(dlg);
        d.SetKindPen(d.Detal, IniPen{0xFF, 2, 5});
        d.SetKindPen(d.Mill, IniPen{0xFF00, 1, 3});
        d.SetKindBrush(d.Scrap, IniBrush{0xFFFFFF, 4});
        d.SetActivePage(2);
        d.findChild<QPushButton *>(QStringLiteral("bbOk"))->click();
        return dlg.result();
    };
    TfrmPrintSetupAdv d(ui, ini());
    EXPECT_TRUE(d.Execute());
    const MapPrintStyles s = ReadPrintStyles(ini());
    EXPECT_EQ(s.CurrentPage, 2);
    EXPECT_EQ(s.Detal.Pen, (IniPen{0xFF, 2, 1}));
    EXPECT_EQ(s.MillPen, (IniPen{0xFF00, 1, 3}));
    EXPECT_EQ(s.Scrap.Brush, (IniBrush{0xFFFFFF, 4}));
}

// Each kind's "&Шрифт" offers the colour with the font; the colour chosen is
// written under the kind's "…Font_Color" key, a cancelled choice leaves it.
TEST_F(Dialogs, StylesDialogFontButtonsChooseTheColourToo)
{
    struct Case
    {
        const char *kind;
        int page;
        bool confirm;
        int stored;
    };
    const Case cases[] = {
        {"Detal", 0, true, 0x0000FF},
        {"Scrap", 2, true, 0x008000},
        {"LostScrap", 3, true, 0xFF0000},
        {"Detal", 0, false, 0x0000FF},   // kept from the case before
    };
    for (const Case &c : cases) {
        const QString kind = QString::fromLatin1(c.kind);
        ui.onFontColor = [&](QFont &, QColor &col) {
            col = QColor(c.stored & 0xFF, (c.stored >> 8) & 0xFF, (c.stored >> 16) & 0xFF);
            return c.confirm;
        };
        answer = [&](QDialog &dlg) {
            auto &d = static_cast<TfrmPrintSetupAdv &>(dlg);
            d.SetActivePage(c.page);
            d.findChild<QPushButton *>("bb" + kind + "Font")->click();
            d.findChild<QPushButton *>(QStringLiteral("bbOk"))->click();
            return dlg.result();
        };
        TfrmPrintSetupAdv d(ui, ini());
        EXPECT_TRUE(d.Execute()) << c.kind;
        EXPECT_EQ(ini().ReadInteger(kPrnSetupAdv, kind + "Font_Color", -1), c.stored) << c.kind;
    }
    const MapPrintStyles s = ReadPrintStyles(ini());
    EXPECT_EQ(s.Scrap.Font.color, 0x008000);
}

TEST(StyleSamples, WhiteHatchesShowInBlackAndSolidWhiteStaysWhite)
{
    const QSize size(40, 14);
    const QImage solid = TfrmPrintSetupAdv::BrushSample(0, 0xFFFFFF, false, size);
    const QImage cross = TfrmPrintSetupAdv::BrushSample(4, 0xFFFFFF, false, size);
    auto blacks = [](const QImage &img) {
        int n = 0;
        for (int y = 2; y < img.height() - 2; ++y)
            for (int x = 2; x < img.width() - 2; ++x) n += QColor(img.pixel(x, y)) == QColor(Qt::black);
        return n;
    };
    EXPECT_EQ(blacks(solid), 0);
    EXPECT_GT(blacks(cross), 20);
    // A pen sample: a line across the middle in the pen's colour; "Нет" draws none.
    const QImage red = TfrmPrintSetupAdv::PenSample(0, 0x0000FF, false, size);
    EXPECT_EQ(QColor(red.pixel(20, 7)), QColor(Qt::red));
    const QImage none = TfrmPrintSetupAdv::PenSample(5, 0x0000FF, false, size);
    EXPECT_EQ(QColor(none.pixel(20, 7)), QColor(Qt::white));
}

TEST_F(Dialogs, PageMarginsComeBackOnlyWithOkAndStayWithinTheirLimit)
{
    TPageForm form(ui);
    shot(form, "pageform");
    int m[4] = {5, 6, 7, 8};
    answer = [](QDialog &d) {
        auto &f = static_cast<TPageForm &>(d);
        f.LeftFld->setText(QStringLiteral("250"));
        d.reject();
        return d.result();
    };
    EXPECT_FALSE(form.Edit(m));
    EXPECT_EQ(m[0], 5);
    EXPECT_EQ(m[3], 8);
    // A margin typed beyond its limit is refused at OK with the field's range;
    // corrected, it is taken.
    answer = [this](QDialog &d) {
        auto &f = static_cast<TPageForm &>(d);
        EXPECT_EQ(f.TopFld->Value(), 7);
        f.LeftFld->setText(QStringLiteral("250"));
        f.BottomFld->setText(QStringLiteral("12"));
        {
            kv::test::ScopedAnswers boxes(ui);
            f.BBOk->click();
            EXPECT_EQ(d.result(), QDialog::Rejected);
            EXPECT_EQ(boxes.shown().size(), 1u);
            if (!boxes.shown().empty()) {
                EXPECT_EQ(boxes.shown()[0].text, "Введите число от 0 до 100.");
            }
        }
        f.LeftFld->setText(QStringLiteral("100"));
        f.BBOk->click();
        return d.result();
    };
    EXPECT_TRUE(form.Edit(m));
    EXPECT_EQ(m[0], 100);
    EXPECT_EQ(m[1], 6);
    EXPECT_EQ(m[3], 12);
}
