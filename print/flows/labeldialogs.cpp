#include "print/flows/labeldialogs.h"

#include "controls/spinedit.h"
#include "data/settings.h"
#include "platform/error.h"
#include "platform/ini.h"
#include "platform/ui.h"
#include "print/flows/pageform.h"
#include "report/building/report.h"
#include "report/core/canvas.h"
#include "report/model/memo.h"
#include "report/model/page.h"
#include "report/model/views.h"
#include "report/script/scriptengine.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QVBoxLayout>

#include <cmath>

using namespace kv;


namespace {

const char *const kMarginKeys[4] = {"Left", "Right", "Top", "Bottom"};

void readMargins(const TIniFile &ini, int m[4])
{
    for (int i = 0; i < 4; ++i) m[i] = ini.ReadInteger(kLabelPageSection, QString::fromLatin1(kMarginKeys[i]), 0);
}

TExSpinEdit *spin(QWidget *parent, const char *name, double max)
{
    auto *e = new TExSpinEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setValueType(TExSpinEdit::vtInteger);
    e->setMinValue(0);
    e->setMaxValue(max);
    e->setCheckMinValue(true);
    e->setCheckMaxValue(true);
    return e;
}

// The smallest text a sticker takes; below it the lines are cut where they show.
constexpr int kLeastLabelFont = 6;

// The largest size from `size` down to the least at which the text of every
// sticker stands whole in `memo`, by its width, height and wrapping, as the
// memo lays it out; 0 when none does.
int fittedLabelFont(TrpMemoView &memo, const QStringList &texts, int size)
{
    TrpCanvas &c = rpMeasuringCanvas();
    const TrpCanvasFont keep = c.Font;
    const int room = memo.Width - 2 * memo.GapX;
    const int keepSize = memo.Font.size;
    int fitted = 0;
    for (int s = std::max(size, kLeastLabelFont); s >= kLeastLabelFont && !fitted; --s) {
        memo.Font.size = s;
        c.SetFont(memo.Font);
        bool fits = true;
        for (QString t : texts) {
            // The line break that ends the last line leaves nothing to hold.
            while (t.endsWith(QLatin1Char('\r'))) t.chop(1);
            memo.ExpandedMemo = TrpView::SplitLines(t);
            for (QString line : memo.LayoutText()) {
                line.remove(QChar(1));
                if (c.TextWidth(line) > room) fits = false;
            }
            if (!fits || memo.TextHeight > memo.Height) {
                fits = false;
                break;
            }
        }
        if (fits) fitted = s;
    }
    memo.Font.size = keepSize;
    memo.ExpandedMemo.clear();
    c.Font = keep;
    return fitted;
}

// `text` cut to what a sticker of `memo` holds at its font: the lines that
// stand whole, each no wider than the sticker; a line shortened or followed
// by lines that do not fit ends in "…", so the cut shows on the sticker.
QString cutLabelText(TrpMemoView &memo, QString text)
{
    TrpCanvas &c = rpMeasuringCanvas();
    const TrpCanvasFont keep = c.Font;
    c.SetFont(memo.Font);
    const int room = memo.Width - 2 * memo.GapX;
    while (text.endsWith(QLatin1Char('\r'))) text.chop(1);
    memo.ExpandedMemo = TrpView::SplitLines(text);
    const QStringList lines = memo.LayoutText();
    const int fit = memo.LineHeight > 0 ? std::max(0, (memo.Height - 2 * memo.GapY) / memo.LineHeight) : 0;
    const QString more = QStringLiteral("\u2026");
    QStringList out;
    for (int i = 0; i < lines.size() && i < fit; ++i) {
        QString line = lines[i];
        line.remove(QChar(1));
        const bool last = i == fit - 1 && lines.size() > fit;
        if (last || c.TextWidth(line) > room) {
            while (!line.isEmpty() && c.TextWidth(line + more) > room) line.chop(1);
            line += more;
        }
        out << line;
    }
    if (out.isEmpty() && !lines.isEmpty()) out << more;
    memo.ExpandedMemo.clear();
    c.Font = keep;
    return out.join(QLatin1Char('\r'));
}

} // namespace

TfrmPrintLabel::TfrmPrintLabel(PrintContext ctx, bool parts, QWidget *parent)
    : QDialog(parent), m_ctx(std::move(ctx)), m_parts(parts), m_section(parts ? kDetalsLabelSection : kScrapsLabelSection)
{
    setWindowTitle(parts ? QStringLiteral("Печать ярлычков деталей") : QStringLiteral("Печать ярлычков остатков"));
    AttachUi(this, &m_ctx.ui);
    auto button = [this](const char *name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    bbPrint = button("bbPrint", QStringLiteral("&Печать"));
    bbPrint->setDefault(true);
    bbCancel = button("bbCancel", QStringLiteral("&Закрыть"));
    bbFont = button("bbFont", QStringLiteral("Параметры &шрифта"));
    bbPageParams = button("bbPageParams", QStringLiteral("Параметры &страницы"));
    connect(bbPrint, &QPushButton::clicked, this, [this] { RunGuarded([this] { bbPrintClick(); }, this); });
    connect(bbCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(bbFont, &QPushButton::clicked, this, [this] { RunGuarded([this] { bbFontClick(); }, this); });
    connect(bbPageParams, &QPushButton::clicked, this, [this] { RunGuarded([this] { bbPageParamsClick(); }, this); });

    gbxDim = new QGroupBox(QStringLiteral("Размер ярлычка"), this);
    gbxDim->setObjectName(QStringLiteral("gbxDim"));
    seWidth = spin(gbxDim, "seWidth", 1000);
    seHeight = spin(gbxDim, "seHeight", 1000);
    auto *dim = new QGridLayout(gbxDim);
    dim->addWidget(new QLabel(QStringLiteral("Длина"), gbxDim), 0, 0);
    dim->addWidget(seWidth, 0, 1);
    dim->addWidget(new QLabel(QStringLiteral("мм"), gbxDim), 0, 2);
    dim->addWidget(new QLabel(QStringLiteral("Высота"), gbxDim), 1, 0);
    dim->addWidget(seHeight, 1, 1);
    dim->addWidget(new QLabel(QStringLiteral("мм"), gbxDim), 1, 2);

    gbxText = new QGroupBox(QStringLiteral("Текст"), this);
    gbxText->setObjectName(QStringLiteral("gbxText"));
    auto check = [](QWidget *parent, const char *name, const QString &text) {
        auto *c = new QCheckBox(text, parent);
        c->setObjectName(QString::fromLatin1(name));
        return c;
    };
    cbxName = check(gbxText, "cbxName", parts ? QStringLiteral("Шифр детали") : QStringLiteral("Шифр остатка"));
    cbxDim = check(gbxText, "cbxDim", parts ? QStringLiteral("Размер детали") : QStringLiteral("Размер остатка"));
    cbxMaterial = check(gbxText, "cbxMaterial", QStringLiteral("Название материала"));
    cbxComment = check(gbxText, "cbxComment", QStringLiteral("Комментарий"));
    cbxBorders = parts ? check(gbxText, "cbxBorders", QStringLiteral("Кромки")) : nullptr;
    auto *text = new QVBoxLayout(gbxText);
    for (QCheckBox *c : {cbxName, cbxDim, cbxMaterial, cbxComment, cbxBorders})
        if (c) text->addWidget(c);

    rgrAlignment = new QGroupBox(QStringLiteral("Выравнивание"), this);
    rgrAlignment->setObjectName(QStringLiteral("rgrAlignment"));
    auto *align = new QVBoxLayout(rgrAlignment);
    const char *items[3] = {"по левому краю", "по правому краю", "по центру"};
    for (int i = 0; i < 3; ++i) {
        rbAlignment[i] = new QRadioButton(QString::fromUtf8(items[i]), rgrAlignment);
        rbAlignment[i]->setObjectName(QStringLiteral("rgrAlignment%1").arg(i));
        align->addWidget(rbAlignment[i]);
    }
    cbDrawBorder = check(this, "cbDrawBorder", QStringLiteral("Рисовать рамку"));
    cbxWordWrap = check(this, "cbxWordWrap", QStringLiteral("Переносить текст"));

    rpsrcLabels = new TrpUserDataset(this);
    rpsrcLabels->SetName(QStringLiteral("rpsrcLabels"));
    rpsrcLabels->OnFirst = [this](TrpDataset &) { m_index = 0; };
    rpsrcLabels->OnNext = [this](TrpDataset &) { ++m_index; };
    rpsrcLabels->OnCheckEOF = [this](TrpDataset &, bool &eof) { eof = m_index >= StickerCount(); };

    auto *left = new QVBoxLayout;
    left->addWidget(gbxDim);
    left->addWidget(rgrAlignment);
    left->addWidget(cbDrawBorder);
    left->addWidget(cbxWordWrap);
    left->addStretch();
    auto *right = new QVBoxLayout;
    right->addWidget(gbxText);
    right->addWidget(bbFont);
    right->addWidget(bbPageParams);
    right->addStretch();
    auto *columns = new QHBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bbPrint);
    buttons->addWidget(bbCancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addLayout(buttons);
    ApplySettings(LabelSettings());
}

int TfrmPrintLabel::AlignmentIndex() const
{
    for (int i = 0; i < 3; ++i)
        if (rbAlignment[i]->isChecked()) return i;
    return -1;
}

LabelSettings TfrmPrintLabel::CurrentSettings() const
{
    LabelSettings s;
    s.width = seWidth->IntValue();
    s.height = seHeight->IntValue();
    s.name = cbxName->isChecked();
    s.dim = cbxDim->isChecked();
    s.material = cbxMaterial->isChecked();
    s.comment = cbxComment->isChecked();
    s.borders = cbxBorders ? cbxBorders->isChecked() : false;
    s.drawBorder = cbDrawBorder->isChecked();
    s.wordWrap = cbxWordWrap->isChecked();
    s.alignment = std::max(AlignmentIndex(), 0);
    s.fontName = m_font.family();
    s.fontSize = m_font.pointSize() > 0 ? m_font.pointSize() : 10;
    s.bold = m_font.bold();
    s.italic = m_font.italic();
    s.charset = m_charset;
    return s;
}

void TfrmPrintLabel::ApplySettings(const LabelSettings &s)
{
    seWidth->setValue(s.width);
    seHeight->setValue(s.height);
    cbxName->setChecked(s.name);
    cbxDim->setChecked(s.dim);
    cbxMaterial->setChecked(s.material);
    cbxComment->setChecked(s.comment);
    if (cbxBorders) cbxBorders->setChecked(s.borders);
    cbDrawBorder->setChecked(s.drawBorder);
    cbxWordWrap->setChecked(s.wordWrap);
    rbAlignment[s.alignment >= 0 && s.alignment <= 2 ? s.alignment : 0]->setChecked(true);
    m_font = QFont(s.fontName, s.fontSize);
    m_font.setBold(s.bold);
    m_font.setItalic(s.italic);
    m_charset = s.charset;
}

void TfrmPrintLabel::showEvent(QShowEvent *e)
{
    FormShow();
    QDialog::showEvent(e);
}

void TfrmPrintLabel::done(int r)
{
    FormClose();
    QDialog::done(r);
}

void TfrmPrintLabel::FormShow() { ApplySettings(ReadLabelSettings(m_ctx.settings.Ini(), m_section, m_parts)); }

void TfrmPrintLabel::FormClose()
{
    ClearLists();
    WriteLabelSettings(m_ctx.settings.Ini(), m_section, m_parts, CurrentSettings());
}

void TfrmPrintLabel::bbFontClick()
{
    QFont f = m_font;
    if (m_ctx.ui.chooseFont(f, this)) m_font = f;
}

void TfrmPrintLabel::bbPageParamsClick()
{
    TIniFile &ini = m_ctx.settings.Ini();
    int m[4];
    readMargins(ini, m);
    Owned<TPageForm> margins(new TPageForm(m_ctx.ui, this));
    if (!margins->Edit(m)) return;
    ini.Update([&] {
        for (int i = 0; i < 4; ++i) ini.WriteInteger(kLabelPageSection, QString::fromLatin1(kMarginKeys[i]), m[i]);
    });
}

bool TfrmPrintLabel::repLabelsGetValue(const QString &name, TrpValue &value)
{
    if (name != QLatin1String("DATA")) return false;
    const QString text = StickerText(m_index, m_printing);
    value = TrpValue(m_cut.value(text, text));
    return true;
}

void TfrmPrintLabel::bbPrintClick()
{
    if (!TExSpinEdit::CheckRanges(this)) return;
    int m[4];
    readMargins(m_ctx.settings.Ini(), m);
    m_printing = CurrentSettings();
    TrpReport report(this);
    report.Host().Owner = this;
    if (!LoadReportTemplate(m_ctx.ui, report, m_ctx.paths, QStringLiteral("ScrapsLbl.rpf"), this)) return;
    report.Title = QStringLiteral("Ярлычки отходов");
    report.SetDataset(rpsrcLabels);

    TrpVariables &vars = rpEngine().Variables();
    vars.SetValue(QStringLiteral("CELLHEIGHT"), TrpValue(LabelUnits(m_printing.height)));
    vars.SetValue(QStringLiteral("CELLWIDTH"), TrpValue(LabelUnits(m_printing.width)));
    vars.SetValue(QStringLiteral("FRAMETYPE"), TrpValue(m_printing.drawBorder ? 15 : 0));
    if (AlignmentIndex() >= 0) vars.SetValue(QStringLiteral("TEXTALIGNMENT"), TrpValue(AlignmentIndex()));

    auto *memo = dynamic_cast<TrpMemoView *>(report.FindView(QStringLiteral("Memo1")));
    TrpPage *page = report.Pages().GetPage(0);
    TrpBandView *band = nullptr;
    if (page)
        for (int i = 0; i < page->ViewCount() && !band; ++i) {
            auto *b = dynamic_cast<TrpBandView *>(page->View(i));
            if (b && memo && memo->Top >= b->Top && memo->Top < b->Top + b->Height) band = b;
        }
    if (!memo || !band)
        throw Error(QStringLiteral("В шаблоне отчета \"ScrapsLbl.rpf\" нет текста ярлычка \"Memo1\"."));

    TrpFont font;
    font.name = m_printing.fontName;
    font.size = m_printing.fontSize;
    font.style = (m_printing.bold ? TrpFont::Bold : 0) | (m_printing.italic ? TrpFont::Italic : 0);
    font.charset = m_printing.charset;
    memo->SetFont(font);
    if (m_printing.wordWrap) memo->Flags |= rpmfWordWrap;
    memo->FrameTyp = quint16(m_printing.drawBorder ? 15 : 0);
    const int aligns[3] = {rptaLeft, rptaRight, rptaCenter};
    memo->Alignment = aligns[m_printing.alignment] | (memo->Alignment & ~0x7);

    SetReportPage(report, m, true);
    // The stickers are laid out below for the margins in force.
    page->TakeMarginsAsDesigned();
    const LabelGrid grid = LabelLayout(m_printing.width, m_printing.height, page->RightEdge() - page->LeftMarginUsed(),
                                       page->BottomEdgeOfPaper() - page->TopMarginUsed());
    if (!grid.ok()) {
        m_ctx.ui.error(grid.error, this);
        return;
    }
    // The stickers tile the page: the data band is one sticker high and
    // prints as many columns as whole stickers fit across.
    band->Height = grid.cellHeight;
    band->Columns = grid.columns;
    band->ColumnWidth = grid.cellWidth;
    band->ColumnGap = 0;
    memo->SetBounds(page->LeftMarginUsed(), band->Top, grid.cellWidth, grid.cellHeight);
    // Every sticker holds all its lines: the text gives way to the sticker
    // with the most, down to the least size; what even that cannot hold is
    // cut on the sticker where it shows, and the stickers still print.
    QSet<QString> texts;
    for (int i = 0; i < StickerCount(); ++i) texts.insert(StickerText(i, m_printing));
    const int size = fittedLabelFont(*memo, texts.values(), font.size);
    font.size = size > 0 ? size : kLeastLabelFont;
    memo->SetFont(font);
    m_cut.clear();
    if (size == 0)
        for (const QString &t : texts) m_cut.insert(t, cutLabelText(*memo, t));

    report.OnGetValue = [this](const QString &name, TrpValue &value) { return repLabelsGetValue(name, value); };
    m_index = 0;
    PreviewReport(m_ctx.ui, report);
}

TfrmPrintDetalsLabel::TfrmPrintDetalsLabel(PrintContext ctx, QWidget *parent) : TfrmPrintLabel(std::move(ctx), true, parent)
{
    setObjectName(QStringLiteral("frmPrintDetalsLabel"));
}

TfrmPrintScrapsLabel::TfrmPrintScrapsLabel(PrintContext ctx, QWidget *parent) : TfrmPrintLabel(std::move(ctx), false, parent)
{
    setObjectName(QStringLiteral("frmPrintScrapsLabel"));
}

void ExecuteDetalsLabels(PrintContext ctx, const std::function<void(DetalLabelLists &)> &fill, QWidget *parent)
{
    Ui &ui = ctx.ui;
    Owned<TfrmPrintDetalsLabel> d(new TfrmPrintDetalsLabel(std::move(ctx), parent));
    if (fill) fill(d->Lists());
    ui.runModal(*d);
    if (d) d->Lists().clear();
}

void ExecuteScrapsLabels(PrintContext ctx, const std::function<void(ScrapsLabelLists &)> &fill, QWidget *parent)
{
    Ui &ui = ctx.ui;
    Owned<TfrmPrintScrapsLabel> d(new TfrmPrintScrapsLabel(std::move(ctx), parent));
    if (fill) fill(d->Lists());
    ui.runModal(*d);
    if (d) d->Lists().clear();
}
