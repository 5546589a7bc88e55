// Every control of the library on one window. Set KV_GALLERY_PNG to a file
// name to keep a picture of it.
#include "controls/calendar.h"
#include "controls/dateedit.h"
#include "controls/exlabel.h"
#include "controls/listbox.h"
#include "controls/speedbutton.h"
#include "controls/spinedit.h"
#include "controls/stringgrid.h"
#include "platform/clock.h"
#include "platform/testsupport/scoped.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QMenu>
#include <QTest>

static QImage gallerySheet()
{
    QImage img(32, 16, QImage::Format_RGB32);
    img.fill(QColor(0xFF, 0x00, 0xFF));
    for (int k = 0; k < 2; ++k)
        for (int y = 2; y < 14; ++y)
            for (int x = 3; x < 13; ++x)
                img.setPixel(k * 16 + x, y, (x == 3 || x == 12 || y == 2 || y == 13) ? qRgb(0, 0, 0)
                                                                   : (k ? qRgb(0xC0, 0xC0, 0xC0) : qRgb(0xFF, 0xFF, 0x80)));
    return img;
}

TEST(Gallery, ShowsEveryControl)
{
    const kv::FixedClock today(QDateTime(QDate(2026, 3, 15), QTime(12, 0)));
    QWidget w;
    w.setObjectName("Gallery");
    w.setWindowTitle(QString::fromUtf8("Элементы управления"));
    w.resize(640, 420);
    w.setAutoFillBackground(true);
    QPalette pal = w.palette();
    pal.setColor(QPalette::Window, kv::BtnFaceColor());
    w.setPalette(pal);

    auto caption = [&](const char *text, int x, int y) {
        auto *l = new QLabel(QString::fromUtf8(text), &w);
        l->move(x, y);
    };
    caption("Кнопки", 10, 5);
    auto *b1 = new TExSpeedButton(&w);
    b1->setObjectName("tbOpen");
    b1->setGlyph(gallerySheet());
    b1->setGeometry(10, 25, 25, 25);
    auto *b2 = new TExSpeedButton(&w);
    b2->setObjectName("tbPrint");
    b2->setGlyph(gallerySheet());
    b2->setCaption(QString::fromUtf8("Печать"));
    b2->setButtonLayout(TExSpeedButton::blGlyphLeft);
    b2->setSpacing(0);
    QMenu menu;
    menu.addAction(QString::fromUtf8("Карты"));
    b2->setDropDownMenu(&menu);
    b2->setGeometry(40, 25, 90, 25);
    auto *b3 = new TExSpeedButton(&w);
    b3->setObjectName("tbMill");
    b3->setGlyph(gallerySheet());
    b3->setGroupIndex(1);
    b3->setAllowAllUp(true);
    b3->setDown(true);
    b3->setGeometry(135, 25, 25, 25);
    auto *b4 = new TExSpeedButton(&w);
    b4->setObjectName("tbDisabled");
    b4->setGlyph(gallerySheet());
    b4->setEnabled(false);
    b4->setGeometry(165, 25, 25, 25);
    auto *b5 = new TExSpeedButton(&w);
    b5->setObjectName("tbFlat");
    b5->setGlyph(gallerySheet());
    b5->setFlat(true);
    b5->setGeometry(195, 25, 25, 25);

    caption("Числа", 10, 60);
    auto *se = new TExSpinEdit(&w);
    se->setObjectName("seKerf");
    se->setMaxValue(1000);
    se->setValue(4);
    se->setGeometry(10, 80, 90, 22);
    auto *sf = new TExSpinEdit(&w);
    sf->setObjectName("seArea");
    sf->setValueType(TExSpinEdit::vtFloat);
    sf->setValue(2.5);
    sf->setButtonKind(TExSpinEdit::bkClassic);
    sf->setGeometry(110, 80, 90, 22);

    caption("Дата", 10, 110);
    auto *de = new TDateEdit(&w);
    de->setObjectName("dtFrom");
    de->SetDate(QDate(2026, 3, 15));
    de->setGeometry(10, 130, 110, 22);
    auto *ce = new TComboEdit(&w);
    ce->setObjectName("cedPath");
    ce->setGlyphKind(TCustomComboEdit::gkEllipsis);
    ce->setText("/home/korvalt/ListMat");
    ce->setGeometry(130, 130, 150, 22);

    auto *lbl = new TExLabel(&w);
    lbl->setObjectName("lblAbout");
    QFont bold = lbl->font();
    bold.setBold(true);
    bold.setPointSize(14);
    lbl->setFont(bold);
    QPalette lp = lbl->palette();
    lp.setColor(QPalette::WindowText, QColor(0, 0, 0x80));
    lbl->setPalette(lp);
    lbl->SetShadowPos(TExLabel::spRightTop);
    lbl->SetTransparent(true);
    lbl->move(10, 165);
    lbl->SetCaption(QString::fromUtf8("Раскрой листового материала"));

    auto *cal = new TExCalendar(&w);
    cal->setObjectName("Calendar");
    cal->setGeometry(300, 10, 200, 150);
    cal->Model().SetCalendarDate(QDate(2026, 3, 15));

    auto *grid = new TColumnsStringGrid(&w);
    grid->setObjectName("Grid");
    grid->SetColCount(2);
    grid->SetRowCount(4);
    grid->GetColumnHeader(0)->SetCaption(QString::fromUtf8("Кромка"));
    grid->GetColumnHeader(0)->SetDataType(TColumnHeader::dtString);
    grid->GetColumnHeader(1)->SetCaption(QString::fromUtf8("Длина, м"));
    grid->GetColumnHeader(1)->SetDataType(TColumnHeader::dtFloat);
    grid->GetColumnHeader(1)->FloatFormat = "#,##0.00";
    grid->GetColumnHeader(1)->SetAlignment(Qt::AlignRight);
    grid->SetCellValue(0, 1, QString::fromUtf8("ПВХ 0.4 мм"));
    grid->SetCellValue(1, 1, 1234.5);
    grid->SetCellValue(0, 2, QString::fromUtf8("ПВХ 2 мм"));
    grid->SetCellValue(1, 2, 87.25);
    grid->setGeometry(10, 210, 280, 110);

    auto *lb = new TkvListBox(&w);
    lb->setObjectName("lbMaterials");
    lb->AddItemWithKey(999, QString::fromUtf8("<все материалы>"));
    lb->AddItemWithKey(1, QString::fromUtf8("ДСП 16 мм"));
    lb->AddItemWithKey(2, QString::fromUtf8("МДФ 19 мм"));
    lb->setCurrentRow(1);
    lb->setGeometry(300, 210, 200, 110);

    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    for (const char *name : {"tbOpen", "tbPrint", "tbMill", "seKerf", "seArea", "dtFrom", "cedPath", "lblAbout",
                             "Calendar", "Grid", "lbMaterials"})
        EXPECT_NE(w.findChild<QWidget *>(name), nullptr) << name;
    const QImage shot = w.grab().toImage();
    EXPECT_FALSE(shot.isNull());
    // The two calendars of the date edit.
    TSelectDateDlg dlg;
    dlg.Calendar()->Model().SetCalendarDate(QDate(2026, 3, 15));
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    EXPECT_NE(dlg.findChild<QWidget *>("PrevYearBtn"), nullptr);
    TPopupCalendar pop(de);
    pop.SetValue(QDate(2026, 3, 15));
    pop.ShowAt(QPoint(0, 0));
    const QByteArray out = qgetenv("KV_GALLERY_PNG");
    if (!out.isEmpty()) {
        const QString base = QString::fromLocal8Bit(out);
        shot.save(base);
        dlg.grab().toImage().save(base + QStringLiteral(".dialog.png"));
        pop.grab().toImage().save(base + QStringLiteral(".popup.png"));
    }
}
