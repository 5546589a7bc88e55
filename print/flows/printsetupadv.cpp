#include "print/flows/printsetupadv.h"

#include "controls/spinedit.h"
#include "platform/ini.h"
#include "platform/ui.h"
#include "print/flows/printflow.h"
#include "print/flows/printsetup.h"
#include "report/core/canvas.h"
#include "widgets/colorcombo.h"
#include "widgets/outlookbar.h"
#include "widgets/outlooklist.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <cmath>

using namespace kv;

namespace {

const QStringList &brushStyleNames()
{
    static const QStringList n = {QStringLiteral("Сплошная"), QStringLiteral("Без заливки"),
                                  QStringLiteral("Диагональная 1"), QStringLiteral("Диагональная 2"),
                                  QStringLiteral("Сетка"), QStringLiteral("Диаг. сетка"),
                                  QStringLiteral("Горизонтальная"), QStringLiteral("Вертикальная")};
    return n;
}

const QStringList &penStyleNames()
{
    static const QStringList n = {QStringLiteral("Сплошная"), QStringLiteral("Пунктирная"), QStringLiteral("Точки"),
                                  QStringLiteral("Пунктир - точка"), QStringLiteral("Пунктир - точка - точка"),
                                  QStringLiteral("Нет")};
    return n;
}

Qt::BrushStyle qtBrush(int style)
{
    static const Qt::BrushStyle s[] = {Qt::SolidPattern, Qt::NoBrush, Qt::BDiagPattern, Qt::FDiagPattern,
                                       Qt::CrossPattern, Qt::DiagCrossPattern, Qt::HorPattern, Qt::VerPattern};
    return style >= 0 && style < 8 ? s[style] : Qt::SolidPattern;
}

Qt::PenStyle qtPen(int style)
{
    static const Qt::PenStyle s[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine, Qt::DashDotDotLine,
                                     Qt::NoPen};
    return style >= 0 && style < 6 ? s[style] : Qt::SolidLine;
}

TgwColorCombo *colorCombo(QWidget *parent, const QString &name)
{
    auto *c = new TgwColorCombo(parent);
    c->setObjectName(name);
    TgwColorListOptions o = c->ColorListOptions();
    o.NoneString = QStringLiteral("<Нет>");
    o.Options = gw::ccoShowSystemColors | gw::ccoShowColorNone | gw::ccoShowCustomColors |
                gw::ccoShowStandardColors | gw::ccoShowColorNames | gw::ccoShowGreyScale | gw::ccoGroupSystemColors;
    c->SetColorListOptions(o);
    c->ShowMatchText = false;
    c->ColorDialogOptions = gw::cdoEnabled | gw::cdoPreventFullOpen | gw::cdoFullOpen | gw::cdoSolidColor |
                            gw::cdoAnyColor;
    c->setMinimumWidth(150);
    return c;
}

QComboBox *styleCombo(QWidget *parent, const QString &name, const QStringList &items, int tag)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(name);
    c->addItems(items);
    c->setProperty("Tag", tag);
    c->setIconSize(QSize(40, 12));
    c->setCurrentIndex(0);
    return c;
}

QLabel *label(QWidget *parent, const QString &text)
{
    return new QLabel(text, parent);
}

// The 32 x 32 pictures of the four kinds, in the navigator's order: a part
// on the sheet, the saw's cuts, a usable off-cut, waste.
kv::ImageList *kindPictures(QObject *parent)
{
    auto *list = new kv::ImageList(32, 32, parent);
    const QColor sheet(0xE9, 0xCB, 0x8F), edge(0x8A, 0x5A, 0x2B), frame(0x33, 0x33, 0x33);
    const QColor cut(0x10, 0x30, 0xE0), scrap(0xE0, 0x20, 0x20), waste(0x80, 0x80, 0x80);
    auto picture = [&](auto &&draw) {
        QImage img(32, 32, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing, false);
        p.fillRect(2, 4, 28, 24, sheet);
        p.setPen(edge);
        p.drawRect(2, 4, 27, 23);
        draw(p);
        p.end();
        list->add(img);
    };
    picture([&](QPainter &p) {   // Детали
        p.setPen(frame);
        p.fillRect(5, 7, 13, 18, Qt::white);
        p.drawRect(5, 7, 12, 17);
        p.fillRect(20, 7, 7, 10, Qt::white);
        p.drawRect(20, 7, 6, 9);
    });
    picture([&](QPainter &p) {   // Резы
        p.setPen(QPen(cut, 2));
        p.drawLine(3, 17, 28, 17);
        p.drawLine(12, 5, 12, 17);
        p.drawLine(21, 17, 21, 26);
    });
    picture([&](QPainter &p) {   // Остатки
        p.setPen(frame);
        p.fillRect(5, 7, 10, 18, Qt::white);
        p.drawRect(5, 7, 9, 17);
        p.fillRect(17, 7, 10, 18, QBrush(scrap, Qt::SolidPattern));
        p.drawRect(17, 7, 9, 17);
    });
    picture([&](QPainter &p) {   // Отходы
        p.setPen(frame);
        p.fillRect(5, 7, 18, 18, Qt::white);
        p.drawRect(5, 7, 17, 17);
        p.fillRect(24, 7, 4, 18, QBrush(waste, Qt::BDiagPattern));
        p.fillRect(5, 25, 23, 2, waste);
    });
    return list;
}

qint32 colorOf(const TgwColorCombo *c)
{
    const gw::Color col = c->SelectedColor();
    return col == gw::clNoColorSelected ? clNone : qint32(col);
}

} // namespace

QImage TfrmPrintSetupAdv::BrushSample(int style, qint32 color, bool selected, QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    QRect r(1, 1, size.width() - 2, size.height() - 2);
    // Hatches of a white brush would not show: they are drawn in black.
    if (rpColorToRGB(color) == 0xFFFFFF && style != 0) color = 0;
    const QColor c = rpToQColor(color);
    p.setPen(selected ? rpToQColor(qint32(0x8000000Du)) : QColor(Qt::white));
    if (c.isValid()) p.setBrush(QBrush(c, qtBrush(style)));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    return img;
}

QImage TfrmPrintSetupAdv::PenSample(int style, qint32 color, bool selected, QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    const QRect r(1, 1, size.width() - 2, size.height() - 2);
    p.setPen(selected ? rpToQColor(qint32(0x8000000Du)) : QColor(Qt::white));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    const QColor c = rpToQColor(color);
    if (c.isValid() && style != 5) {
        p.setPen(QPen(c, 1, qtPen(style)));
        const int y = r.top() + r.height() / 2;
        p.drawLine(r.left(), y, r.right(), y);
    }
    return img;
}

TfrmPrintSetupAdv::TfrmPrintSetupAdv(Ui &ui, TIniFile &settings, QWidget *parent)
    : QDialog(parent), m_ui(ui), m_ini(settings)
{
    setObjectName(QStringLiteral("frmPrintSetupAdv"));
    AttachUi(this, &m_ui);
    setWindowTitle(QStringLiteral("Дополнительные параметры печати"));
    auto *root = new QVBoxLayout(this);
    auto *body = new QHBoxLayout;
    root->addLayout(body, 1);

    OutlookBar = new TgwOutlookBar(this);
    OutlookBar->setObjectName(QStringLiteral("gwOutlookBar1"));
    TgwOutlookPage *page = OutlookBar->AddPage();
    page->Button->SetCaption(QStringLiteral("Настройка"));
    OutlookBar->SetShowButtons(false);
    OutlookList = page->List;
    OutlookList->setObjectName(QStringLiteral("OutlookList"));
    OutlookList->ClickStyle = gw::csSelect;
    OutlookList->HotTrackStyle = gw::hsItemHilite;
    OutlookList->SetItemSpacing(6);
    OutlookList->SetImages(kindPictures(this));
    int image = 0;
    for (const QString &t : {QStringLiteral("Детали"), QStringLiteral("Резы"), QStringLiteral("Остатки"),
                             QStringLiteral("Отходы")}) {
        TgwOutlookListItem *item = OutlookList->Items()->Add();
        item->SetText(t);
        item->SetImageIndex(image++);
    }
    OutlookList->OnItemClick = [this](TgwCustomOutlookList *l, TgwOutlookListItem *i) { OutlookListItemClick(l, i); };
    OutlookBar->setFixedWidth(121);
    // The four pictured items without scrolling.
    int itemsHeight = 2 * OutlookList->ItemSpacing();
    for (int i = 0; i < OutlookList->Items()->Count(); ++i)
        itemsHeight += OutlookList->Items()->Item(i)->GetSize() + OutlookList->ItemSpacing();
    OutlookBar->setMinimumHeight(itemsHeight + 8);
    body->addWidget(OutlookBar);

    PageControl = new QStackedWidget(this);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    buildAreaPage(Detal, QStringLiteral("Detal"), QStringLiteral("детали"), 1);
    buildMillPage();
    buildAreaPage(Scrap, QStringLiteral("Scrap"), QStringLiteral("остатка"), 2);
    buildAreaPage(LostScrap, QStringLiteral("LostScrap"), QStringLiteral("отхода"), 3);
    Detal.page->setObjectName(QStringLiteral("tshDetals"));
    Mill.page->setObjectName(QStringLiteral("tshMills"));
    Scrap.page->setObjectName(QStringLiteral("tshScraps"));
    LostScrap.page->setObjectName(QStringLiteral("tshLostScraps"));
    for (Kind *k : {&Detal, &Mill, &Scrap, &LostScrap}) PageControl->addWidget(k->page);
    body->addWidget(PageControl, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    bbOk = new QPushButton(QStringLiteral("&Да"), this);
    bbOk->setObjectName(QStringLiteral("bbOk"));
    bbOk->setDefault(true);
    bbCancel = new QPushButton(QStringLiteral("&Отмена"), this);
    bbCancel->setObjectName(QStringLiteral("bbCancel"));
    buttons->addWidget(bbOk);
    buttons->addWidget(bbCancel);
    root->addLayout(buttons);
    connect(bbOk, &QPushButton::clicked, this, &TfrmPrintSetupAdv::bbOkClick);
    connect(bbCancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(580, 400);
}

void TfrmPrintSetupAdv::buildAreaPage(Kind &k, const QString &name, const QString &what, int tag)
{
    k.page = new QWidget(this);
    auto *v = new QVBoxLayout(k.page);
    const QString drawText = tag == 1 ? QStringLiteral("Рисовать детали")
                             : tag == 2 ? QStringLiteral("Рисовать остатки")
                                        : QStringLiteral("Рисовать отходы");
    k.draw = new QCheckBox(drawText, k.page);
    k.draw->setObjectName(QStringLiteral("cb%1Draw").arg(name));
    v->addWidget(k.draw);
    auto *row = new QHBoxLayout;
    v->addLayout(row);

    auto *brush = new QGroupBox(QStringLiteral("Заливка"), k.page);
    brush->setObjectName(QStringLiteral("gbx%1Brush").arg(name));
    auto *bg = new QGridLayout(brush);
    k.brushColor = colorCombo(brush, QStringLiteral("cbx%1BrushColor").arg(name));
    k.brushStyle = styleCombo(brush, QStringLiteral("cbx%1BrushStyle").arg(name), brushStyleNames(), tag);
    bg->addWidget(label(brush, QStringLiteral("Цвет заливки")), 0, 0);
    bg->addWidget(k.brushColor, 0, 1);
    bg->addWidget(label(brush, QStringLiteral("Стиль заливки")), 1, 0);
    bg->addWidget(k.brushStyle, 1, 1);
    row->addWidget(brush);

    auto *title = new QGroupBox(QStringLiteral("Надписи"), k.page);
    title->setObjectName(QStringLiteral("gbx%1Title").arg(name));
    auto *tg = new QVBoxLayout(title);
    k.title = new QCheckBox(QStringLiteral("Подписать название %1").arg(what), title);
    k.title->setObjectName(QStringLiteral("cb%1Title").arg(name));
    k.dim = new QCheckBox(QStringLiteral("Подписать размер %1").arg(what), title);
    k.dim->setObjectName(QStringLiteral("cb%1Dim").arg(name));
    k.trunc = new QCheckBox(QStringLiteral("Обрезать текст"), title);
    k.trunc->setObjectName(QStringLiteral("cb%1TruncText").arg(name));
    auto *fontRow = new QHBoxLayout;
    k.fontPanel = new QLabel(title);
    k.fontPanel->setObjectName(QStringLiteral("pnl%1Font").arg(name));
    k.fontPanel->setFrameShape(QFrame::Panel);
    k.fontPanel->setFrameShadow(QFrame::Sunken);
    k.fontPanel->setAlignment(Qt::AlignCenter);
    k.fontPanel->setMinimumSize(90, 28);
    k.fontButton = new QPushButton(QStringLiteral("&Шрифт"), title);
    k.fontButton->setObjectName(QStringLiteral("bb%1Font").arg(name));
    fontRow->addWidget(k.fontPanel, 1);
    fontRow->addWidget(k.fontButton);
    // The captions stay whole however wide the colour names beside them are.
    for (QCheckBox *c : {k.title, k.dim, k.trunc}) {
        c->setMinimumWidth(c->sizeHint().width());
        tg->addWidget(c);
    }
    tg->addLayout(fontRow);
    row->addWidget(title);

    auto *pen = new QGroupBox(QStringLiteral("Граница"), k.page);
    pen->setObjectName(QStringLiteral("gbx%1Pen").arg(name));
    auto *pg = new QGridLayout(pen);
    k.penColor = colorCombo(pen, QStringLiteral("cbx%1PenColor").arg(name));
    k.penStyle = styleCombo(pen, QStringLiteral("cbx%1PenStyle").arg(name), penStyleNames(), tag);
    pg->addWidget(label(pen, QStringLiteral("Цвет границы")), 0, 0);
    pg->addWidget(k.penColor, 0, 1);
    pg->addWidget(label(pen, QStringLiteral("Стиль границы")), 1, 0);
    pg->addWidget(k.penStyle, 1, 1);
    v->addWidget(pen);
    v->addStretch(1);
    ShowFontSample(k.fontPanel, k.font);

    auto update = [this, tag] {
        if (tag == 1) UpdateDetalControls();
        else if (tag == 2) UpdateScrapControls();
        else UpdateLostScrapControls();
    };
    for (QCheckBox *c : {k.draw, k.title, k.dim}) connect(c, &QCheckBox::clicked, this, update);
    connect(k.fontButton, &QPushButton::clicked, this, &TfrmPrintSetupAdv::bbFontClick);
    k.fontButton->setProperty("Tag", tag);
    Kind *kp = &k;
    // A new colour shows in the samples of its style combo.
    auto repaintBrush = [this, kp](TgwCustomColorCombo *) { SetKindBrush(*kp, GetKindBrush(*kp)); };
    auto repaintPen = [this, kp](TgwCustomColorCombo *) { SetKindPen(*kp, GetKindPen(*kp)); };
    k.brushColor->OnChange = repaintBrush;
    k.penColor->OnChange = repaintPen;
}

void TfrmPrintSetupAdv::buildMillPage()
{
    Kind &k = Mill;
    k.page = new QWidget(this);
    auto *v = new QVBoxLayout(k.page);
    k.draw = new QCheckBox(QStringLiteral("Рисовать резы"), k.page);
    k.draw->setObjectName(QStringLiteral("cbMillDraw"));
    v->addWidget(k.draw);
    auto *g = new QGridLayout;
    k.penColor = colorCombo(k.page, QStringLiteral("cbxMillPenColor"));
    k.penStyle = styleCombo(k.page, QStringLiteral("cbxMillPenStyle"), penStyleNames(), 4);
    k.width = new TExSpinEdit(k.page);
    k.width->setObjectName(QStringLiteral("seMillPenWidth"));
    k.width->setMinValue(1);
    k.width->setMaxValue(10);
    k.width->setValue(1);
    k.width->setMaximumWidth(60);
    g->addWidget(label(k.page, QStringLiteral("Цвет линий реза")), 0, 0);
    g->addWidget(k.penColor, 0, 1);
    g->addWidget(label(k.page, QStringLiteral("Стиль линий реза")), 1, 0);
    g->addWidget(k.penStyle, 1, 1);
    g->addWidget(label(k.page, QStringLiteral("Толщина линий реза")), 2, 0);
    g->addWidget(k.width, 2, 1, Qt::AlignLeft);
    v->addLayout(g);
    v->addStretch(1);
    connect(k.draw, &QCheckBox::clicked, this, &TfrmPrintSetupAdv::UpdateMillControls);
    k.penColor->OnChange = [this](TgwCustomColorCombo *) { SetKindPen(Mill, GetKindPen(Mill)); };
}

bool TfrmPrintSetupAdv::Execute()
{
    LoadSettings();
    UpdateDetalControls();
    UpdateMillControls();
    UpdateScrapControls();
    UpdateLostScrapControls();
    return m_ui.runModal(*this) == QDialog::Accepted;
}

IniPen TfrmPrintSetupAdv::GetKindPen(const Kind &k) const
{
    IniPen p;
    p.color = colorOf(k.penColor);
    p.style = std::max(0, k.penStyle->currentIndex());
    p.width = k.width ? k.width->IntValue() : 1;
    return p;
}

void TfrmPrintSetupAdv::SetKindPen(Kind &k, const IniPen &p)
{
    k.penColor->SetSelectedColor(gw::Color(p.color));
    const int style = p.style >= 0 && p.style < k.penStyle->count() ? p.style : 0;
    for (int i = 0; i < k.penStyle->count(); ++i)
        k.penStyle->setItemIcon(i, QPixmap::fromImage(PenSample(i, p.color, false, k.penStyle->iconSize())));
    k.penStyle->setCurrentIndex(style);
    if (k.width) k.width->setValue(k.width->ClampValue(p.width));
}

IniBrush TfrmPrintSetupAdv::GetKindBrush(const Kind &k) const
{
    IniBrush b;
    b.color = colorOf(k.brushColor);
    b.style = std::max(0, k.brushStyle->currentIndex());
    return b;
}

void TfrmPrintSetupAdv::SetKindBrush(Kind &k, const IniBrush &b)
{
    k.brushColor->SetSelectedColor(gw::Color(b.color));
    const int style = b.style >= 0 && b.style < k.brushStyle->count() ? b.style : 0;
    for (int i = 0; i < k.brushStyle->count(); ++i)
        k.brushStyle->setItemIcon(i, QPixmap::fromImage(BrushSample(i, b.color, false, k.brushStyle->iconSize())));
    k.brushStyle->setCurrentIndex(style);
}

int TfrmPrintSetupAdv::GetActivePage() const { return PageControl->currentIndex(); }

void TfrmPrintSetupAdv::SetActivePage(int i)
{
    if (i < 0 || i >= PageControl->count()) i = 0;
    PageControl->setCurrentIndex(i);
}

void TfrmPrintSetupAdv::OutlookListItemClick(TgwCustomOutlookList *, TgwOutlookListItem *item)
{
    if (item) SetActivePage(item->Index());
}

void TfrmPrintSetupAdv::loadKind(Kind &k, const MapKindStyle &s)
{
    k.draw->setChecked(s.Draw);
    k.font = s.Font;
    ShowFontSample(k.fontPanel, k.font);
    SetKindBrush(k, s.Brush);
    SetKindPen(k, s.Pen);
    k.title->setChecked(s.Title);
    k.dim->setChecked(s.Dim);
    k.trunc->setChecked(s.TruncText);
}

MapKindStyle TfrmPrintSetupAdv::kindStyle(const Kind &k) const
{
    MapKindStyle s;
    s.Draw = k.draw->isChecked();
    s.Font = k.font;
    s.Brush = GetKindBrush(k);
    s.Pen = GetKindPen(k);
    s.Pen.width = 1;
    s.Title = k.title->isChecked();
    s.Dim = k.dim->isChecked();
    s.TruncText = k.trunc->isChecked();
    return s;
}

MapPrintStyles TfrmPrintSetupAdv::Styles() const
{
    MapPrintStyles s;
    s.CurrentPage = GetActivePage();
    s.Detal = kindStyle(Detal);
    s.MillDraw = Mill.draw->isChecked();
    s.MillPen = GetKindPen(Mill);
    s.Scrap = kindStyle(Scrap);
    s.LostScrap = kindStyle(LostScrap);
    return s;
}

void TfrmPrintSetupAdv::LoadSettings()
{
    const MapPrintStyles s = ReadPrintStyles(m_ini);   // a page outside 0..3 comes back as 0
    SetActivePage(s.CurrentPage);
    if (TgwOutlookListItem *item = OutlookList->Items()->Item(s.CurrentPage)) {
        OutlookListItemClick(OutlookList, item);
        item->SetSelected(true);
    }
    loadKind(Detal, s.Detal);
    Mill.draw->setChecked(s.MillDraw);
    SetKindPen(Mill, s.MillPen);
    loadKind(Scrap, s.Scrap);
    loadKind(LostScrap, s.LostScrap);
}

void TfrmPrintSetupAdv::SaveSettings() { WritePrintStyles(m_ini, Styles()); }

void TfrmPrintSetupAdv::EnableChildren(Kind &k)
{
    const bool on = k.draw->isChecked();
    for (QWidget *w : k.page->findChildren<QWidget *>())
        if (w != k.draw) w->setEnabled(on);
    if (!k.trunc) return;
    k.trunc->setEnabled(on && (k.title->isChecked() || k.dim->isChecked()));
    k.fontButton->setEnabled(k.trunc->isEnabled());
}

void TfrmPrintSetupAdv::UpdateDetalControls() { EnableChildren(Detal); }
void TfrmPrintSetupAdv::UpdateMillControls() { EnableChildren(Mill); }
void TfrmPrintSetupAdv::UpdateScrapControls() { EnableChildren(Scrap); }
void TfrmPrintSetupAdv::UpdateLostScrapControls() { EnableChildren(LostScrap); }

void TfrmPrintSetupAdv::bbOkClick()
{
    if (!TExSpinEdit::CheckRanges(this)) return;
    SaveSettings();
    accept();
}

void TfrmPrintSetupAdv::bbFontClick()
{
    const int tag = sender() ? sender()->property("Tag").toInt() : 0;
    Kind *k = tag == 1 ? &Detal : tag == 2 ? &Scrap : tag == 3 ? &LostScrap : nullptr;
    if (!k) return;
    IniFont f = k->font;
    if (!ChoosePrintFont(m_ui, f, this)) return;
    k->font = f;
    ShowFontSample(k->fontPanel, k->font);
}
