#include "app/common/optionform.h"

#include "app/common/detalnames.h"
#include "controls/spinedit.h"
#include "platform/ui.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

QRadioButton *radio(QWidget *parent, QLayout *lay, const char *name, const QString &text)
{
    auto *r = new QRadioButton(text, parent);
    if (name) r->setObjectName(QString::fromLatin1(name));
    lay->addWidget(r);
    return r;
}

QCheckBox *check(QWidget *parent, QLayout *lay, const char *name, const QString &text)
{
    auto *c = new QCheckBox(text, parent);
    c->setObjectName(QString::fromLatin1(name));
    lay->addWidget(c);
    return c;
}

// Checks button `index` of a group, or none when it is out of range.
void checkOne(QRadioButton *const *buttons, int count, int index)
{
    for (int i = 0; i < count; ++i) buttons[i]->setAutoExclusive(false);
    for (int i = 0; i < count; ++i) buttons[i]->setChecked(i == index);
    for (int i = 0; i < count; ++i) buttons[i]->setAutoExclusive(true);
}

int checkedIndex(QRadioButton *const *buttons, int count)
{
    for (int i = 0; i < count; ++i)
        if (buttons[i]->isChecked()) return i;
    return -1;
}

} // namespace

TOptionForm::TOptionForm(kv::Ui &ui, kv::Settings &settings, QWidget *parent)
    : QDialog(parent), m_ui(ui), m_settings(settings)
{
    setObjectName(QStringLiteral("OptionForm"));
    setProperty("kvClassName", QStringLiteral("TOptionForm"));
    kv::AttachUi(this, &ui);
    setWindowTitle(QStringLiteral("Параметры по умолчанию"));
    auto *lay = new QVBoxLayout(this);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("pcOptions"));
    m_tsCommon = pageCommon();
    m_tsBorder = pageBorder();
    m_tsResults = pageResults();
    m_tsTechnology = pageTechnology();
    m_pages->addTab(m_tsCommon, QStringLiteral("Общее"));
    m_pages->addTab(m_tsBorder, QStringLiteral("Кромка и поворот"));
    m_pages->addTab(m_tsResults, QStringLiteral("Результаты раскроя"));
    m_pages->addTab(m_tsTechnology, QStringLiteral("Технологические параметры"));
    lay->addWidget(m_pages);
    auto *buttons = new QHBoxLayout;
    auto *ok = new QPushButton(QStringLiteral("&Да"), this);
    ok->setObjectName(QStringLiteral("bbOk"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(QStringLiteral("&Отмена"), this);
    cancel->setObjectName(QStringLiteral("bbCancel"));
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    lay->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &TOptionForm::bbOkClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::finished, this, [this] {
        m_materials.clear();
        m_cbxMaterial->clear();
    });
    for (int i = 0; i < kColorCount; ++i) m_colors.append(0);
    resize(640, 540);
}

TExSpinEdit *TOptionForm::spin(QWidget *parent, const char *name, double min, double max)
{
    auto *s = new TExSpinEdit(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setMinValue(min);
    s->setMaxValue(max);
    s->setCheckMinValue(true);
    s->setCheckMaxValue(true);
    return s;
}

QWidget *TOptionForm::pageCommon()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsCommon"));
    auto *lay = new QVBoxLayout(page);
    auto *digits = new QGroupBox(QStringLiteral("Количество знаков после запятой"), page);
    auto *g = new QGridLayout(digits);
    m_seLenDigits = spin(digits, "seLenDigits", 0, 10);
    m_seSqrDigits = spin(digits, "seSqrDigits", 0, 10);
    g->addWidget(new QLabel(QStringLiteral("в длине"), digits), 0, 0);
    g->addWidget(m_seLenDigits, 0, 1);
    g->addWidget(new QLabel(QStringLiteral("в площаде"), digits), 1, 0);
    g->addWidget(m_seSqrDigits, 1, 1);
    lay->addWidget(digits);
    m_cbxPrintDetalBorders =
        check(page, lay, "cbxPrintDetalBorders", QStringLiteral("Выводить информацию по кромкам при печати списка деталей"));
    lay->addStretch();
    return page;
}

QToolButton *TOptionForm::edgeButton(QWidget *parent, const char *name, const QString &hint)
{
    auto *b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setCheckable(true);
    b->setToolTip(hint);
    connect(b, &QToolButton::clicked, this, &TOptionForm::BorderButtonClick);
    return b;
}

QWidget *TOptionForm::pageBorder()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsBorder"));
    auto *lay = new QVBoxLayout(page);
    lay->addWidget(new QLabel(QStringLiteral("Текущая кромка"), page));
    m_cbBorders = new QComboBox(page);
    m_cbBorders->setObjectName(QStringLiteral("cbBorders"));
    lay->addWidget(m_cbBorders);
    connect(m_cbBorders, &QComboBox::activated, this, &TOptionForm::cbBordersChange);

    // The four edges around a part.
    auto *part = new QWidget(page);
    auto *g = new QGridLayout(part);
    m_edges[0] = edgeButton(part, "LeftBorder", QStringLiteral("Левая кромка"));
    m_edges[1] = edgeButton(part, "RightBorder", QStringLiteral("Правая кромка"));
    m_edges[2] = edgeButton(part, "TopBorder", QStringLiteral("Верхняя кромка"));
    m_edges[3] = edgeButton(part, "BottomBorder", QStringLiteral("Нижняя кромка"));
    m_edges[0]->setFixedSize(14, 60);
    m_edges[1]->setFixedSize(14, 60);
    m_edges[2]->setFixedSize(100, 14);
    m_edges[3]->setFixedSize(100, 14);
    auto *body = new QLabel(part);
    body->setFrameShape(QFrame::Box);
    body->setFixedSize(100, 60);
    g->addWidget(m_edges[2], 0, 1);
    g->addWidget(m_edges[0], 1, 0);
    g->addWidget(body, 1, 1);
    g->addWidget(m_edges[1], 1, 2);
    g->addWidget(m_edges[3], 2, 1);
    // A banded edge is a dark bar beside the part, a free one a light frame:
    // the styles' own look of a pressed 14-pixel button is hardly different.
    part->setStyleSheet(QStringLiteral("QToolButton { background: #f4f4f4; border: 1px solid #a0a0a0; }"
                                       "QToolButton:checked { background: #000080; border: 1px solid #000040; }"));
    lay->addWidget(part, 0, Qt::AlignHCenter);

    lay->addWidget(new QLabel(QStringLiteral("Материал детали"), page));
    m_cbxMaterial = new QComboBox(page);
    m_cbxMaterial->setObjectName(QStringLiteral("cbxMaterial"));
    lay->addWidget(m_cbxMaterial);
    auto *rotate = new QGroupBox(QStringLiteral("Поворот"), page);
    rotate->setObjectName(QStringLiteral("RGRotate"));
    auto *rl = new QVBoxLayout(rotate);
    m_rotate[0] = radio(rotate, rl, "RGRotate0", QStringLiteral("Поворачивать"));
    m_rotate[1] = radio(rotate, rl, "RGRotate1", QStringLiteral("Не поворачивать"));
    m_rotate[2] = radio(rotate, rl, "RGRotate2", QStringLiteral("Один для всех"));
    lay->addWidget(rotate);
    lay->addStretch();
    return page;
}

QWidget *TOptionForm::pageResults()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsResults"));
    auto *lay = new QVBoxLayout(page);
    auto *fontRow = new QHBoxLayout;
    auto *font = new QPushButton(QStringLiteral("Изменить"), page);
    font->setObjectName(QStringLiteral("bbFont"));
    m_lbExample = new QLabel(QStringLiteral("АаЯяAaZz"), page);
    m_lbExample->setObjectName(QStringLiteral("lbExample"));
    fontRow->addWidget(m_lbExample, 1);
    fontRow->addWidget(font);
    lay->addLayout(fontRow);
    connect(font, &QPushButton::clicked, this, [this] { m_ui.guarded([this] { bbFontClick(); }, this); });

    auto *mill = new QGroupBox(QStringLiteral("Рисовать резы"), page);
    mill->setObjectName(QStringLiteral("rgMillLines"));
    auto *ml = new QVBoxLayout(mill);
    m_mill[0] = radio(mill, ml, "rgMillLines0", QStringLiteral("Никогда"));
    m_mill[1] = radio(mill, ml, "rgMillLines1", QStringLiteral("Всегда"));
    m_mill[2] = radio(mill, ml, "rgMillLines2", QStringLiteral("Последний лист"));
    lay->addWidget(mill);

    auto *look = new QGroupBox(QStringLiteral("Оформление"), page);
    auto *ll = new QVBoxLayout(look);
    m_CBShowName = check(look, ll, "CBShowName", QStringLiteral("Проставлять шифр"));
    m_CBShowDim = check(look, ll, "CBShowDim", QStringLiteral("Проставлять размеры"));
    m_cbDrawBorder = check(look, ll, "cbDrawBorder", QStringLiteral("Показывать кромку"));
    m_cbScrapsText = check(look, ll, "cbScrapsText", QStringLiteral("Подписывать остатки"));
    m_cbxShowHints = check(look, ll, "cbxShowHints", QStringLiteral("Всплывающие подсказки"));
    lay->addWidget(look);
    auto *colors = new QPushButton(QStringLiteral("&Цвета элементов"), page);
    colors->setObjectName(QStringLiteral("bbColors"));
    lay->addWidget(colors, 0, Qt::AlignLeft);
    connect(colors, &QPushButton::clicked, this, [this] { m_ui.guarded([this] { bbColorsClick(); }, this); });
    lay->addStretch();
    return page;
}

QWidget *TOptionForm::pageTechnology()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("tsTechnology"));
    auto *lay = new QVBoxLayout(page);
    auto *millRow = new QHBoxLayout;
    m_seMill = spin(page, "seMill", 0, 1000);
    m_seMill->setValueType(TExSpinEdit::vtFloat);
    m_seMill->setDecimal(1);
    millRow->addWidget(new QLabel(QStringLiteral("Толщина фрезы"), page));
    millRow->addWidget(m_seMill);
    millRow->addWidget(new QLabel(QStringLiteral("мм"), page));
    millRow->addStretch();
    lay->addLayout(millRow);

    auto *indent = new QGroupBox(QStringLiteral("Отступ от края листа"), page);
    auto *g = new QGridLayout(indent);
    m_indents[0] = spin(indent, "LeftIndent", 0, 1000);
    m_indents[1] = spin(indent, "RightIndent", 0, 1000);
    m_indents[2] = spin(indent, "TopIndent", 0, 1000);
    m_indents[3] = spin(indent, "BottomIndent", 0, 1000);
    auto *sheet = new QLabel(indent);
    sheet->setFrameShape(QFrame::Box);
    sheet->setFixedSize(90, 50);
    g->addWidget(m_indents[2], 0, 1);
    g->addWidget(m_indents[0], 1, 0);
    g->addWidget(sheet, 1, 1);
    g->addWidget(m_indents[1], 1, 2);
    g->addWidget(m_indents[3], 2, 1);
    g->addWidget(new QLabel(QStringLiteral("мм"), indent), 2, 2);
    lay->addWidget(indent);

    auto *limits = new QGroupBox(QStringLiteral("Ограничения"), page);
    auto *tl = new QVBoxLayout(limits);
    m_tech[0] = radio(limits, tl, "RBTechNotUsed", QStringLiteral("Без ограничений"));
    m_tech[1] = radio(limits, tl, "RBPropilLen", QStringLiteral("Максимальная длина пропила"));
    auto *propil = new QHBoxLayout;
    m_EditPropilLen = new QLineEdit(QStringLiteral("0"), limits);
    m_EditPropilLen->setObjectName(QStringLiteral("EditPropilLen"));
    m_lbPropilMm = new QLabel(QStringLiteral("мм"), limits);
    m_lbPropilMm->setObjectName(QStringLiteral("lbPropilLenMm"));
    propil->addSpacing(20);
    propil->addWidget(m_EditPropilLen);
    propil->addWidget(m_lbPropilMm);
    propil->addStretch();
    tl->addLayout(propil);
    m_tech[2] = radio(limits, tl, "RBMultyMill", QStringLiteral("Многопильный станок"));
    for (QRadioButton *r : m_tech) connect(r, &QRadioButton::toggled, this, &TOptionForm::RBTechClick);
    lay->addWidget(limits);

    auto *optim = new QGroupBox(QStringLiteral("Дополнительная оптимизация"), page);
    optim->setObjectName(QStringLiteral("rgpOptimization"));
    auto *ol = new QVBoxLayout(optim);
    m_optim[0] = radio(optim, ol, "rgpOptimization0", QStringLiteral("по максимальной площади отхода"));
    m_optim[1] = radio(optim, ol, "rgpOptimization1", QStringLiteral("по максимальной длине отхода"));
    m_optim[2] = radio(optim, ol, "rgpOptimization2", QStringLiteral("по минимальной длине резов"));
    lay->addWidget(optim);
    lay->addStretch();
    return page;
}

void TOptionForm::SetAllPages(bool all)
{
    m_pages->setTabVisible(m_pages->indexOf(m_tsCommon), all);
    m_pages->setTabVisible(m_pages->indexOf(m_tsBorder), all);
}

bool TOptionForm::Execute(bool allPages)
{
    SetAllPages(allPages);
    FormShow();
    const bool ok = m_ui.runModal(*this) == QDialog::Accepted;
    SetAllPages(true);
    return ok;
}

void TOptionForm::FormShow()
{
    using namespace kv;
    const Settings &s = m_settings;
    m_pages->setCurrentWidget(m_pages->isTabVisible(m_pages->indexOf(m_tsCommon)) ? m_tsCommon : m_tsResults);

    m_seLenDigits->setValue(LenDigitsValue());
    m_seSqrDigits->setValue(SqrDigitsValue());
    m_cbxPrintDetalBorders->setChecked(s.Get(key::PrintDetalBorders));
    m_CBShowName->setChecked(s.Get(key::ShowName));
    m_CBShowDim->setChecked(s.Get(key::ShowDim));
    m_cbDrawBorder->setChecked(s.Get(key::ShowBorder));
    m_cbScrapsText->setChecked(s.Get(key::ShowScrapsText));
    m_cbxShowHints->setChecked(s.Get(key::ShowHints));
    m_seMill->setValue(s.Get(key::Mill));
    m_indents[0]->setValue(s.Get(key::LIndent));
    m_indents[1]->setValue(s.Get(key::RIndent));
    m_indents[2]->setValue(s.Get(key::TIndent));
    m_indents[3]->setValue(s.Get(key::BIndent));
    m_colors[clSheet] = s.Get(key::SheetColor);
    m_colors[clDetal] = s.Get(key::DetalColor);
    m_colors[clMill] = s.Get(key::MillColor);
    m_colors[clLost] = s.Get(key::LostColor);
    m_colors[clScrap] = s.Get(key::ScrapColor);
    m_colors[clBorder] = s.Get(key::BorderColor);
    const int technics = s.Get(key::Technics);
    checkOne(m_tech, 3, technics >= 0 && technics <= 2 ? technics : -1);
    const int optimization = s.Get(key::Optimization);
    checkOne(m_optim, 3, optimization >= 0 && optimization <= 2 ? optimization : 0);
    m_EditPropilLen->setText(QString::number(s.Get(key::PropilLen)));
    // A hand-edited value out of range shows the first item, and OK writes it.
    const int rotate = s.Get(key::RotateDefault);
    checkOne(m_rotate, 3, rotate >= 0 && rotate <= 2 ? rotate : 0);
    const int mill = s.Get(key::MillState);
    checkOne(m_mill, 3, mill >= 0 && mill <= 2 ? mill : 0);

    // Edge banding: "<нет>" first, then the list; the current one selected.
    m_borders = {CodeName{0, QStringLiteral("<нет>")}};
    if (BorderList) m_borders += BorderList();
    m_cbBorders->clear();
    for (const CodeName &b : m_borders) m_cbBorders->addItem(b.name);
    int current = 0;
    for (int i = 1; i < m_borders.size(); ++i)
        if (m_borders[i].code == m_settings.DefBorder()) current = i;
    m_cbBorders->setCurrentIndex(current);
    const int edgeKeys[4] = {s.Get(key::LBorder), s.Get(key::RBorder), s.Get(key::TBorder), s.Get(key::BBorder)};
    for (int i = 0; i < 4; ++i) {
        m_edgeCodes[i] = current == 0 ? 0 : edgeKeys[i];
        m_edges[i]->setChecked(m_edgeCodes[i] > 0);
    }

    m_font = s.MapFont();
    m_lbExample->setFont(m_font.toQFont());

    m_materials = MaterialList ? MaterialList() : QList<CodeName>();
    std::stable_sort(m_materials.begin(), m_materials.end(),
                     [](const CodeName &a, const CodeName &b) { return DetalNameLess(a.name, b.name); });
    m_cbxMaterial->clear();
    for (const CodeName &m : m_materials) m_cbxMaterial->addItem(m.name);
    const QString defMaterial = m_settings.Ini().ReadString(QStringLiteral("Default"), QStringLiteral("DefMaterial"),
                                                            QStringLiteral("0"));
    int mat = -1;
    for (int i = 0; i < m_materials.size(); ++i)
        if (QString::number(m_materials[i].code) == defMaterial) mat = i;
    m_cbxMaterial->setCurrentIndex(mat);
    RBTechClick();
}

void TOptionForm::RBTechClick()
{
    const bool on = m_tech[1]->isChecked();
    m_EditPropilLen->setEnabled(on);
    m_lbPropilMm->setEnabled(on);
}

int TOptionForm::selectedBorderCode() const
{
    const int i = m_cbBorders->currentIndex();
    return i > 0 && i < m_borders.size() ? m_borders[i].code : 0;
}

void TOptionForm::cbBordersChange()
{
    const int code = selectedBorderCode();
    for (int i = 0; i < 4; ++i) {
        if (code == 0) {
            m_edges[i]->setChecked(false);
            m_edgeCodes[i] = 0;
        } else if (m_edges[i]->isChecked()) {
            m_edgeCodes[i] = code;
        }
    }
}

void TOptionForm::BorderButtonClick()
{
    for (int i = 0; i < 4; ++i) {
        if (sender() != m_edges[i]) continue;
        const int code = selectedBorderCode();
        if (code == 0) {
            m_edges[i]->setChecked(false);
            m_edgeCodes[i] = 0;
        } else {
            m_edgeCodes[i] = m_edges[i]->isChecked() ? code : 0;
        }
    }
}

void TOptionForm::bbFontClick()
{
    QFont f = m_font.toQFont();
    if (!m_ui.chooseFont(f, this)) return;
    m_font.setFromQFont(f);
    m_lbExample->setFont(m_font.toQFont());
}

void TOptionForm::bbColorsClick()
{
    if (!EditColors) return;
    QList<int> five = {m_colors[clSheet], m_colors[clDetal], m_colors[clMill], m_colors[clLost], m_colors[clScrap]};
    if (!EditColors(five) || five.size() < 5) return;
    for (int i = 0; i < 5; ++i) m_colors[i] = five[i];
}

bool TOptionForm::ValidateValues()
{
    if (TExSpinEdit *e = TExSpinEdit::FirstOutOfRange(this)) {
        for (QWidget *w = e->parentWidget(); w; w = w->parentWidget())
            if (m_pages->indexOf(w) >= 0) m_pages->setCurrentWidget(w);
        return TExSpinEdit::CheckRanges(this);
    }
    // A limit typed as text would be stored as it stands and read back as 0.
    bool ok = false;
    const int v = m_EditPropilLen->text().trimmed().toInt(&ok);
    if (!ok || v < 0) {
        m_pages->setCurrentWidget(m_tsTechnology);
        m_EditPropilLen->setFocus();
        m_ui.error(QStringLiteral("Максимальная длина пропила должна быть целым неотрицательным числом (мм)."), this);
        return false;
    }
    return true;
}

void TOptionForm::SaveValues()
{
    using namespace kv;
    Settings &s = m_settings;
    const int len = m_seLenDigits->IntValue(), sqr = m_seSqrDigits->IntValue();
    // Every option reaches the file in one write: a kill or a full disk
    // leaves the options before OK or after it, never half of them.
    s.Ini().Update([&] {
        s.Set(key::LenDigits, len);
        s.Set(key::SqrDigits, sqr);
        s.Set(key::LBorder, m_edgeCodes[0]);
        s.Set(key::RBorder, m_edgeCodes[1]);
        s.Set(key::TBorder, m_edgeCodes[2]);
        s.Set(key::BBorder, m_edgeCodes[3]);
        s.Set(key::DefBorder, selectedBorderCode());
        s.Set(key::RotateDefault, std::max(0, checkedIndex(m_rotate, 3)));
        s.Set(key::MillState, std::max(0, checkedIndex(m_mill, 3)));
        s.SetMapFont(m_font);
        s.Set(key::SheetColor, m_colors[clSheet]);
        s.Set(key::DetalColor, m_colors[clDetal]);
        s.Set(key::MillColor, m_colors[clMill]);
        s.Set(key::LostColor, m_colors[clLost]);
        s.Set(key::ScrapColor, m_colors[clScrap]);
        s.Set(key::BorderColor, m_colors[clBorder]);
        s.Set(key::ShowName, m_CBShowName->isChecked());
        s.Set(key::ShowDim, m_CBShowDim->isChecked());
        s.Set(key::ShowBorder, m_cbDrawBorder->isChecked());
        s.Set(key::ShowScrapsText, m_cbScrapsText->isChecked());
        s.Set(key::ShowHints, m_cbxShowHints->isChecked());
        s.Set(key::Mill, m_seMill->IntValue());
        s.Set(key::LIndent, m_indents[0]->IntValue());
        s.Set(key::RIndent, m_indents[1]->IntValue());
        s.Set(key::TIndent, m_indents[2]->IntValue());
        s.Set(key::BIndent, m_indents[3]->IntValue());
        s.Set(key::Optimization, std::max(0, checkedIndex(m_optim, 3)));
        s.Set(key::PrintDetalBorders, m_cbxPrintDetalBorders->isChecked());
        const int technics = checkedIndex(m_tech, 3);
        if (technics >= 0) s.Set(key::Technics, technics);
        s.Set(key::PropilLen, m_EditPropilLen->text().trimmed().toInt());
        const int mat = m_cbxMaterial->currentIndex();
        s.Set(key::DefMaterial, mat >= 0 && mat < m_materials.size() ? m_materials[mat].code : 0);
    });
    SetNumberDigits(len, sqr);
    s.Flush();
    s.LoadDefBorder();
}

void TOptionForm::bbOkClick()
{
    if (!ValidateValues()) return;
    if (m_ui.guarded([this] { SaveValues(); }, this)) accept();
}
