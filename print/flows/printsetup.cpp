#include "print/flows/printsetup.h"

#include "controls/spinedit.h"
#include "platform/colors.h"
#include "platform/ini.h"
#include "platform/ui.h"
#include "print/flows/printflow.h"
#include "print/flows/printsetupadv.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace kv {

bool ChoosePrintFont(Ui &ui, IniFont &font, QWidget *parent)
{
    QFont chosen = font.toQFont();
    const QColor was = PlatformColor(quint32(font.color));
    QColor color = was.isValid() ? was : QColor(Qt::black);
    if (!ui.chooseFontAndColor(chosen, color, parent)) return false;
    font.setFromQFont(chosen);
    // A system colour left as it was stays a system colour.
    if (color.isValid() && color.rgb() != was.rgb())
        font.color = int(quint32(color.red()) | quint32(color.green()) << 8 | quint32(color.blue()) << 16);
    return true;
}

void ShowFontSample(QLabel *panel, const IniFont &font)
{
    panel->setText(QStringLiteral("AaZzДдЯя"));
    panel->setFont(font.toQFont());
    const QColor c = PlatformColor(quint32(font.color));   // system colours too
    panel->setStyleSheet(c.isValid() ? QStringLiteral("color: %1;").arg(c.name()) : QString());
}

} // namespace kv

using namespace kv;

namespace {

int numberOr1(const QLineEdit *e)
{
    bool ok = false;
    const int v = e->text().trimmed().toInt(&ok);
    return ok ? v : 1;
}

QCheckBox *check(QWidget *parent, const char *name, const QString &text)
{
    auto *c = new QCheckBox(text, parent);
    c->setObjectName(QLatin1String(name));
    return c;
}

QRadioButton *radio(QWidget *parent, const char *name, const QString &text)
{
    auto *r = new QRadioButton(text, parent);
    r->setObjectName(QLatin1String(name));
    return r;
}

} // namespace

TfrmPrintSetup::TfrmPrintSetup(Ui &ui, TIniFile &settings, QWidget *parent)
    : QDialog(parent), m_ui(ui), m_ini(settings)
{
    setObjectName(QStringLiteral("frmPrintSetup"));
    AttachUi(this, &m_ui);
    setWindowTitle(QStringLiteral("Параметры печати раскроя"));
    auto *root = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    root->addLayout(top);

    auto *grbStatictics = new QGroupBox(QStringLiteral("Информация"), this);
    grbStatictics->setObjectName(QStringLiteral("grbStatictics"));
    auto *st = new QVBoxLayout(grbStatictics);
    cbxMillsStat = check(grbStatictics, "cbxMillsStat", QStringLiteral("Статистика резов"));
    cbxTotalWaste = check(grbStatictics, "cbxTotalWaste", QStringLiteral("Общая статистика остатков"));
    cbxUsefulWaste = check(grbStatictics, "cbxUsefulWaste", QStringLiteral("Статистика остатков"));
    cbxUselessWaste = check(grbStatictics, "cbxUselessWaste", QStringLiteral("Статистика отходов"));
    cbxDetalsStat = check(grbStatictics, "cbxDetalsStat", QStringLiteral("Статистика деталей"));
    chbDetalsList = check(grbStatictics, "chbDetalsList", QStringLiteral("Список деталей"));
    chbShowBorder = check(grbStatictics, "chbShowBorder", QStringLiteral("Изображать кромку"));
    cbBorderCodes = check(grbStatictics, "cbBorderCodes", QStringLiteral("Подписывать коды"));
    cbBordersStat = check(grbStatictics, "cbBordersStat", QStringLiteral("Статистика расхода"));
    cbBordersBlack = check(grbStatictics, "cbBordersBlack", QStringLiteral("Черный цвет"));
    for (QCheckBox *c : {cbxMillsStat, cbxTotalWaste, cbxUsefulWaste, cbxUselessWaste, cbxDetalsStat, chbDetalsList})
        st->addWidget(c);
    for (QCheckBox *c : {chbShowBorder, cbBorderCodes, cbBordersStat, cbBordersBlack}) {
        auto *row = new QHBoxLayout;
        row->addSpacing(c == chbShowBorder ? 16 : 32);
        row->addWidget(c);
        st->addLayout(row);
    }
    top->addWidget(grbStatictics);

    auto *right = new QVBoxLayout;
    top->addLayout(right);
    auto *grbPages = new QGroupBox(QStringLiteral("Карты раскроя"), this);
    grbPages->setObjectName(QStringLiteral("grbPages"));
    auto *pg = new QGridLayout(grbPages);
    rbAllPages = radio(grbPages, "rbAllPages", QStringLiteral("Все"));
    rbCurrentPage = radio(grbPages, "rbCurrentPage", QStringLiteral("Текущая"));
    rbNumberPages = radio(grbPages, "rbNumberPages", QStringLiteral("Номера"));
    lbBefore = new QLabel(QStringLiteral("от"), grbPages);
    lbBefore->setObjectName(QStringLiteral("lbBefore"));
    lbAfter = new QLabel(QStringLiteral("до"), grbPages);
    lbAfter->setObjectName(QStringLiteral("lbAfter"));
    edBeginPage = new QLineEdit(grbPages);
    edBeginPage->setObjectName(QStringLiteral("edBeginPage"));
    edEndPage = new QLineEdit(grbPages);
    edEndPage->setObjectName(QStringLiteral("edEndPage"));
    for (QLineEdit *e : {edBeginPage, edEndPage}) {
        e->setMaximumWidth(48);
        e->installEventFilter(this);
    }
    pg->addWidget(rbAllPages, 0, 0, 1, 5);
    pg->addWidget(rbCurrentPage, 1, 0, 1, 5);
    pg->addWidget(rbNumberPages, 2, 0);
    pg->addWidget(lbBefore, 2, 1);
    pg->addWidget(edBeginPage, 2, 2);
    pg->addWidget(lbAfter, 2, 3);
    pg->addWidget(edEndPage, 2, 4);
    rbAllPages->setChecked(true);
    right->addWidget(grbPages);

    auto *gbxMapsQuantity = new QGroupBox(QStringLiteral("Количество карт раскроя"), this);
    gbxMapsQuantity->setObjectName(QStringLiteral("gbxMapsQuantity"));
    auto *mq = new QGridLayout(gbxMapsQuantity);
    rbOneMap = radio(gbxMapsQuantity, "rbOneMap", QStringLiteral("по одной на листе"));
    rbTwoMap = radio(gbxMapsQuantity, "rbTwoMap", QStringLiteral("по две на листе"));
    rbOtherMap = radio(gbxMapsQuantity, "rbOtherMap", QStringLiteral("другое"));
    seMapQuantity = new TExSpinEdit(gbxMapsQuantity);
    seMapQuantity->setObjectName(QStringLiteral("seMapQuantity"));
    seMapQuantity->setMinValue(1);
    seMapQuantity->setMaxValue(5);
    seMapQuantity->setValue(1);
    seMapQuantity->setMaximumWidth(60);
    mq->addWidget(rbOneMap, 0, 0, 1, 2);
    mq->addWidget(rbTwoMap, 1, 0, 1, 2);
    mq->addWidget(rbOtherMap, 2, 0);
    mq->addWidget(seMapQuantity, 2, 1);
    rbOneMap->setChecked(true);
    right->addWidget(gbxMapsQuantity);

    auto *gbFont = new QGroupBox(QStringLiteral("Шрифт"), this);
    gbFont->setObjectName(QStringLiteral("gbFont"));
    auto *fl = new QHBoxLayout(gbFont);
    pnlFont = new QLabel(gbFont);
    pnlFont->setObjectName(QStringLiteral("pnlFont"));
    pnlFont->setFrameShape(QFrame::Panel);
    pnlFont->setFrameShadow(QFrame::Sunken);
    pnlFont->setAlignment(Qt::AlignCenter);
    pnlFont->setMinimumSize(110, 32);
    bbFont = new QPushButton(QStringLiteral("&Изменть шрифт"), gbFont);
    bbFont->setObjectName(QStringLiteral("bbFont"));
    fl->addWidget(pnlFont, 1);
    fl->addWidget(bbFont);
    right->addWidget(gbFont);
    ShowFontSample(pnlFont, m_font);

    auto *buttons = new QHBoxLayout;
    bbAdvanced = new QPushButton(QStringLiteral("Д&ополнительно"), this);
    bbAdvanced->setObjectName(QStringLiteral("bbAdvanced"));
    bbOk = new QPushButton(QStringLiteral("&Печать"), this);
    bbOk->setObjectName(QStringLiteral("bbOk"));
    bbOk->setDefault(true);
    bbCancel = new QPushButton(QStringLiteral("&Отмена"), this);
    bbCancel->setObjectName(QStringLiteral("bbCancel"));
    buttons->addWidget(bbAdvanced);
    buttons->addStretch(1);
    buttons->addWidget(bbOk);
    buttons->addWidget(bbCancel);
    root->addLayout(buttons);

    for (QRadioButton *r : {rbAllPages, rbCurrentPage, rbNumberPages})
        connect(r, &QRadioButton::clicked, this, &TfrmPrintSetup::UpdatePageRange);
    for (QRadioButton *r : {rbOneMap, rbTwoMap, rbOtherMap})
        connect(r, &QRadioButton::clicked, this, &TfrmPrintSetup::UpdateMapQuantity);
    connect(chbDetalsList, &QCheckBox::clicked, this, &TfrmPrintSetup::chbDetalsListClick);
    connect(chbShowBorder, &QCheckBox::clicked, this, &TfrmPrintSetup::chbDetalsListClick);
    connect(bbOk, &QPushButton::clicked, this, &TfrmPrintSetup::bbOkClick);
    connect(bbCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(bbFont, &QPushButton::clicked, this, &TfrmPrintSetup::bbFontClick);
    connect(bbAdvanced, &QPushButton::clicked, this, &TfrmPrintSetup::bbAdvancedClick);
}

bool TfrmPrintSetup::Execute()
{
    FormShow();
    return m_ui.runModal(*this) == QDialog::Accepted;
}

void TfrmPrintSetup::showEvent(QShowEvent *e) { QDialog::showEvent(e); }

void TfrmPrintSetup::FormShow()
{
    rbAllPages->setChecked(true);
    SetBeginPage(FirstMap);
    SetEndPage(LastMap);
    LoadSettings();
    UpdatePageRange();
    // Every control's state is right from the first look, not only after a click.
    chbDetalsListClick();
}

int TfrmPrintSetup::GetMapsPerPage() const
{
    if (rbOneMap->isChecked()) return 1;
    if (rbTwoMap->isChecked()) return 2;
    return seMapQuantity->IntValue();
}

int TfrmPrintSetup::GetBeginPage() const { return numberOr1(edBeginPage); }
int TfrmPrintSetup::GetEndPage() const { return numberOr1(edEndPage); }
void TfrmPrintSetup::SetBeginPage(int n) { edBeginPage->setText(QString::number(n)); }
void TfrmPrintSetup::SetEndPage(int n) { edEndPage->setText(QString::number(n)); }

MapPrintOptions TfrmPrintSetup::Options() const
{
    MapPrintOptions o;
    o.Position = rbTwoMap->isChecked() ? 1 : rbOtherMap->isChecked() ? 2 : 0;
    o.MapQuantity = seMapQuantity->IntValue();
    // Each box by the key it stands for.
    o.MillStat = cbxMillsStat->isChecked();
    o.TotalWStat = cbxTotalWaste->isChecked();
    o.UsefulWStat = cbxUsefulWaste->isChecked();
    o.UselessWStat = cbxUselessWaste->isChecked();
    o.DetalStat = cbxDetalsStat->isChecked();
    o.DetalsList = chbDetalsList->isChecked();
    o.ShowBorder = chbShowBorder->isChecked();
    o.BorderCodes = cbBorderCodes->isChecked();
    o.BorderStat = cbBordersStat->isChecked();
    o.BorderBlack = cbBordersBlack->isChecked();
    o.MapFont = m_font;
    return o;
}

void TfrmPrintSetup::LoadSettings()
{
    const MapPrintOptions o = ReadMapPrintOptions(m_ini);
    if (o.Position == 0) rbOneMap->setChecked(true);
    else if (o.Position == 1) rbTwoMap->setChecked(true);
    else if (o.Position == 2) rbOtherMap->setChecked(true);
    seMapQuantity->setValue(seMapQuantity->ClampValue(o.MapQuantity));
    UpdateMapQuantity();
    cbxMillsStat->setChecked(o.MillStat);
    cbxTotalWaste->setChecked(o.TotalWStat);
    cbxUsefulWaste->setChecked(o.UsefulWStat);
    cbxUselessWaste->setChecked(o.UselessWStat);
    cbxDetalsStat->setChecked(o.DetalStat);
    chbDetalsList->setChecked(o.DetalsList);
    chbShowBorder->setChecked(o.ShowBorder);
    cbBorderCodes->setChecked(o.BorderCodes);
    cbBordersStat->setChecked(o.BorderStat);
    cbBordersBlack->setChecked(o.BorderBlack);
    m_font = o.MapFont;
    ShowFontSample(pnlFont, m_font);
}

void TfrmPrintSetup::SaveSettings() { WriteMapPrintOptions(m_ini, Options()); }

void TfrmPrintSetup::UpdatePageRange()
{
    const bool on = rbNumberPages->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{lbBefore, lbAfter, edBeginPage, edEndPage}) w->setEnabled(on);
}

void TfrmPrintSetup::UpdateMapQuantity() { seMapQuantity->setEnabled(rbOtherMap->isChecked()); }

void TfrmPrintSetup::chbDetalsListClick()
{
    chbShowBorder->setEnabled(chbDetalsList->isChecked());
    cbBorderCodes->setEnabled(chbShowBorder->isEnabled() && chbShowBorder->isChecked());
    cbBordersStat->setEnabled(cbBorderCodes->isEnabled());
    cbBordersBlack->setEnabled(cbBorderCodes->isEnabled());
}

void TfrmPrintSetup::edBeginPageExit()
{
    if (GetBeginPage() < FirstMap || GetEndPage() < GetBeginPage()) SetBeginPage(FirstMap);
}

void TfrmPrintSetup::edEndPageExit()
{
    if (GetEndPage() > LastMap || GetEndPage() < GetBeginPage()) SetEndPage(LastMap);
}

bool TfrmPrintSetup::eventFilter(QObject *o, QEvent *e)
{
    if (e->type() == QEvent::FocusOut) {
        if (o == edBeginPage) edBeginPageExit();
        else if (o == edEndPage) edEndPageExit();
    }
    return QDialog::eventFilter(o, e);
}

void TfrmPrintSetup::bbOkClick()
{
    if (!TExSpinEdit::CheckRanges(this)) return;
    if (rbAllPages->isChecked()) {
        SetBeginPage(FirstMap);
        SetEndPage(LastMap);
    } else if (rbCurrentPage->isChecked()) {
        SetBeginPage(CurrentMap);
        SetEndPage(CurrentMap);
    } else {
        // Typed numbers are held to the maps there are, also when the edit
        // still has the focus.
        edBeginPageExit();
        edEndPageExit();
        if (GetBeginPage() < FirstMap) SetBeginPage(FirstMap);
    }
    accept();
}

void TfrmPrintSetup::bbFontClick()
{
    IniFont f = m_font;
    if (!ChoosePrintFont(m_ui, f, this)) return;
    m_font = f;
    ShowFontSample(pnlFont, m_font);
}

void TfrmPrintSetup::bbAdvancedClick()
{
    Owned<TfrmPrintSetupAdv> adv(new TfrmPrintSetupAdv(m_ui, m_ini, this));
    adv->Execute();
}

void TfrmPrintSetup::done(int r)
{
    // Written whatever the dialog was closed with.
    SaveSettings();
    QDialog::done(r);
}
