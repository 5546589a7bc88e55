// Renders the outlook bar with a materials list, the shape buttons and the
// colour combo offscreen into PNG files, so the look can be judged.
//   kv_widgets_gallery <output folder>
#include "widgets/outlookbar.h"
#include "widgets/shapebtn.h"
#include "widgets/colorcombo.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <cstdio>

using namespace kv::gw;

namespace {
QImage sheetGlyphs()
{
    // 54 cells of 16 x 16; cell 53 is a small stack of sheets on fuchsia.
    QImage strip(16 * 54, 16, QImage::Format_RGB32);
    strip.fill(QColor(255, 0, 255));
    QPainter p(&strip);
    const int x = 16 * 53;
    p.fillRect(x + 2, 7, 12, 6, QColor(200, 160, 100));
    p.fillRect(x + 3, 4, 12, 6, QColor(230, 190, 130));
    p.setPen(QColor(120, 80, 40));
    p.drawRect(x + 3, 4, 11, 5);
    p.drawRect(x + 2, 7, 11, 5);
    return strip;
}

bool save(QWidget &w, const QString &path)
{
    const bool ok = w.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(out);

    kv::ImageList images(16, 16);
    images.addStrip(sheetGlyphs(), QColor(255, 0, 255));

    QWidget window;
    window.resize(300, 260);
    window.setAutoFillBackground(true);
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(11);
    window.setFont(f);

    auto *bar = new TgwOutlookBar(&window);
    bar->setObjectName(QStringLiteral("OutlookBar"));
    bar->setGeometry(0, 0, 105, 260);
    bar->Animation = {true, 1, 7};
    TgwOutlookPage *page = bar->AddPage();
    auto *btn = page->ShapeButton();
    btn->SetCaption(QStringLiteral("Материалы"));
    btn->SetDitherColor(clWhite);
    btn->TextOptions().Alignment = taCenter;
    QFont bold = f;
    bold.setBold(true);
    btn->setFont(bold);
    TgwOutlookList *list = page->List;
    list->ClickStyle = csSelect;
    list->HotTrackStyle = hsItemHilite;
    list->SetImages(&images);
    list->SetItemLayout(blGlyphLeft);
    list->SetItemSpacing(22);
    const QStringList names{QStringLiteral("<все материалы>"), QStringLiteral("ДСП 16 мм белое"),
                            QStringLiteral("ДСП 16 мм бук"), QStringLiteral("МДФ 19 мм"),
                            QStringLiteral("ДВП 3,2 мм"), QStringLiteral("Фанера 10 мм"),
                            QStringLiteral("ЛДСП 18 мм орех"), QStringLiteral("ХДФ 6 мм")};
    const int codes[] = {999, 1, 2, 3, 4, 5, 6, 7};
    for (int i = 0; i < names.size(); ++i) {
        TgwOutlookListItem *it = list->Items()->Add();
        it->SetSeparation(2);
        it->SetTextAlignment(taLeftJustify);
        it->SetGlyphOffset(1);
        it->SetImageIndex(53);
        it->SetText(names[i]);
        it->Tag = codes[i];
    }
    list->Items()->Item(2)->SetSelected(true);

    // Shape buttons beside the bar.
    const TgwButtonShape shapes[] = {bsRoundRect, bsEllipse, bsTriangle, bsArrow, bsDiamond, bsStar, bsTrapezoid, bsRect};
    for (int i = 0; i < 8; ++i) {
        auto *s = new TgwShapeBtn(&window);
        s->setGeometry(115 + (i % 4) * 46, 10 + (i / 4) * 50, 42, 42);
        s->SetShape(shapes[i]);
        if (i == 3)
            s->SetOrientation(soRight);
        s->SetCaption(QString::number(i + 1));
        s->setFont(f);
    }
    // Colour combos: a plain one and one set up as the drawing-styles dialog does.
    auto *plain = new TgwColorCombo(&window);
    plain->setGeometry(115, 120, 175, 21);
    plain->SetSelectedColor(clRed);
    auto *styled = new TgwColorCombo(&window);
    styled->setGeometry(115, 150, 175, 21);
    styled->SetButtonStyle(cbsEllipsis);
    styled->ShowMatchText = false;
    TgwColorListOptions o;
    o.Font = f;
    o.ColorWidth = 200;
    o.NoneString = QStringLiteral("<Нет>");
    o.Options = ccoShowSystemColors | ccoShowColorNone | ccoShowCustomColors | ccoShowStandardColors |
                ccoShowColorNames | ccoShowGreyScale | ccoGroupSystemColors;
    styled->SetColorListOptions(o);
    styled->SetSelectedColor(rgb(0, 128, 192));
    auto *none = new TgwColorCombo(&window);
    none->setGeometry(115, 180, 175, 21);
    TgwColorListOptions o2;
    o2.Font = f;
    o2.NoneString = QStringLiteral("<Нет>");
    o2.Options = ccoShowColorNone | ccoShowStandardColors | ccoShowColorNames;
    none->SetColorListOptions(o2);
    none->SetSelectedColor(clNone);

    window.show();
    app.processEvents();
    bool ok = save(window, out + QStringLiteral("/outlookbar.png"));

    // The category chooser of the drawing-styles dialog: no page button,
    // 32 x 32 glyphs above the captions.
    QWidget dialog;
    dialog.resize(121, 300);
    dialog.setFont(f);
    kv::ImageList big(32, 32);
    {
        QImage strip(32 * 4, 32, QImage::Format_RGB32);
        strip.fill(QColor(255, 0, 255));
        QPainter p(&strip);
        const QColor cols[4] = {QColor(230, 190, 130), QColor(200, 0, 0), QColor(120, 200, 120), QColor(150, 150, 150)};
        for (int i = 0; i < 4; ++i) {
            p.fillRect(32 * i + 4, 6, 24, 20, cols[i]);
            p.setPen(Qt::black);
            p.drawRect(32 * i + 4, 6, 23, 19);
        }
        p.end();
        big.addStrip(strip, QColor(255, 0, 255));
    }
    auto *bar2 = new TgwOutlookBar(&dialog);
    bar2->setObjectName(QStringLiteral("gwOutlookBar1"));
    bar2->setGeometry(0, 0, 121, 300);
    TgwOutlookPage *page2 = bar2->AddPage();
    page2->Button->SetCaption(QStringLiteral("Настройка"));
    page2->Button->hide();
    bar2->SetShowButtons(false);
    TgwOutlookList *cats = page2->List;
    cats->setObjectName(QStringLiteral("OutlookList"));
    cats->ClickStyle = csSelect;
    cats->HotTrackStyle = hsItemHilite;
    cats->SetImages(&big);
    cats->SetItemLayout(blGlyphTop);
    cats->SetItemSpacing(6);
    int n = 0;
    for (const QString &c : {QStringLiteral("Детали"), QStringLiteral("Резы"), QStringLiteral("Остатки"), QStringLiteral("Отходы")}) {
        TgwOutlookListItem *it = cats->Items()->Add();
        it->SetText(c);
        it->SetImageIndex(n++);
    }
    cats->Items()->Item(1)->SetSelected(true);
    dialog.show();
    app.processEvents();
    ok = save(dialog, out + QStringLiteral("/categories.png")) && ok;

    // The drop-down list of the plain combo.
    TgwCustomColorList *list2 = plain->ColorList();
    list2->ApplyOptions(TgwColorListOptions{clWindow, 0, f, 10, true, 16, QStringLiteral("None"),
                                            ccoShowStandardColors | ccoShowColorNames | ccoShowColorNone, csoByRGB});
    list2->SetSelectedColor(clRed);
    list2->resize(175, 16 * 12 + 4);
    ok = save(*list2, out + QStringLiteral("/colorlist.png")) && ok;
    return ok ? 0 : 1;
}
