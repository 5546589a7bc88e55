#include "print/flows/fullstat.h"

#include "platform/ui.h"
#include "print/flows/bordersinfo.h"
#include "report/building/report.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace kv;

TfrmFullStat::TfrmFullStat(PrintContext ctx, QWidget *parent) : QDialog(parent), m_ctx(std::move(ctx))
{
    setObjectName(QStringLiteral("frmFullStat"));
    AttachUi(this, &m_ctx.ui);
    setWindowTitle(QStringLiteral("Статистика"));
    auto label = [this](const char *name, const QString &text, bool bold = false) {
        auto *l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        if (bold) {
            QFont f = l->font();
            f.setBold(true);
            l->setFont(f);
        }
        return l;
    };
    lbMaterial = label("lbMaterial", QStringLiteral("Материал:"), true);
    lbMatName = label("lbMatName", QString(), true);
    lbMatName->setStyleSheet(QStringLiteral("color: navy"));
    Label1 = label("Label1", QStringLiteral("Статистика:"), true);
    lb1 = label("lb1", QStringLiteral("Бесполезный отход:"));
    lbLostScraps = label("lbLostScraps", QString());
    lb2 = label("lb2", QStringLiteral("Полезный отход:"));
    lbScraps = label("lbScraps", QString());
    lb3 = label("lb3", QStringLiteral("Полный отход:"));
    lbTotalScraps = label("lbTotalScraps", QString());
    lb6 = label("lb6", QStringLiteral("Площадь деталей:"));
    lbDetalsSquare = label("lbDetalsSquare", QString());
    lb4 = label("lb4", QStringLiteral("Общее кол-во резов:"));
    lbMillCount = label("lbMillCount", QString());
    lb5 = label("lb5", QStringLiteral("Общая длина резов:"));
    lbMillLength = label("lbMillLength", QString());

    auto button = [this](const char *name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        return b;
    };
    bbPrint = button("bbPrint", QStringLiteral("&Печать"));
    bbBorders = button("bbBorders", QStringLiteral("&Кромки"));
    bbOk = button("bbOk", QStringLiteral("&Закрыть"));
    bbOk->setDefault(true);
    connect(bbPrint, &QPushButton::clicked, this, [this] { RunGuarded([this] { bbPrintClick(); }, this); });
    connect(bbBorders, &QPushButton::clicked, this, [this] { RunGuarded([this] { bbBordersClick(); }, this); });
    connect(bbOk, &QPushButton::clicked, this, &QDialog::accept);

    CreateExportFilters(this, ReportExports::Statistics);
    rpsrcStatistic = new TrpUserDataset(this);
    rpsrcStatistic->SetName(QStringLiteral("rpsrcStatistic"));
    rpsrcStatistic->OnFirst = [this](TrpDataset &) {
        m_record = 1;
        nextVisible(0);
    };
    rpsrcStatistic->OnNext = [this](TrpDataset &) {
        ++m_record;
        nextVisible(m_tab + 1);
    };
    rpsrcStatistic->OnCheckEOF = [this](TrpDataset &, bool &eof) {
        eof = !m_doc || m_tab >= int(m_doc->Tabs.size());
    };

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->addWidget(lbMaterial, 0, 0);
    grid->addWidget(lbMatName, 0, 1);
    grid->addWidget(Label1, 1, 0, 1, 2);
    const QList<QPair<QLabel *, QLabel *>> rows = {{lb1, lbLostScraps}, {lb2, lbScraps},     {lb3, lbTotalScraps},
                                                   {lb6, lbDetalsSquare}, {lb4, lbMillCount}, {lb5, lbMillLength}};
    for (int i = 0; i < rows.size(); ++i) {
        grid->addWidget(rows[i].first, i + 2, 0);
        grid->addWidget(rows[i].second, i + 2, 1);
    }
    grid->setColumnStretch(1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(bbPrint);
    buttons->addWidget(bbBorders);
    buttons->addStretch();
    buttons->addWidget(bbOk);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    setFixedSize(380, 260);
}

void TfrmFullStat::SetVariant(const MapDocument *doc, const QString &materialName, const BorderTotals &borders)
{
    m_doc = doc;
    m_borders = WithoutNoBorder(borders);
    lbMatName->setText(materialName);
    const VariantFigures f = FiguresOf(doc ? doc->Totals() : MapTotals());
    lbLostScraps->setText(f.lost);
    lbScraps->setText(f.scrap);
    lbTotalScraps->setText(f.total);
    lbDetalsSquare->setText(f.detals);
    lbMillCount->setText(f.millCount);
    lbMillLength->setText(f.millLength);
}

void TfrmFullStat::showEvent(QShowEvent *e)
{
    FormShow();
    QDialog::showEvent(e);
}

void TfrmFullStat::FormShow() { bbBorders->setEnabled(!m_borders.isEmpty()); }

void TfrmFullStat::bbBordersClick() { ShowBordersInfo(m_ctx, WithoutNoBorder(m_borders), this); }

void TfrmFullStat::nextVisible(int from)
{
    const int n = m_doc ? int(m_doc->Tabs.size()) : 0;
    m_tab = from;
    while (m_tab < n && !CountsInStatistics(m_doc->Tabs[size_t(m_tab)])) ++m_tab;
}

bool TfrmFullStat::repStatisticGetValue(const QString &name, TrpValue &value)
{
    if (!m_doc) return false;
    if (name == QLatin1String("TOTALDATA")) {
        value = TrpValue(TotalDataText(*m_doc, m_borders, m_ctx.lookups));
        return true;
    }
    if (m_tab < 0 || m_tab >= int(m_doc->Tabs.size())) return false;
    if (name == QLatin1String("NUMBER")) {
        value = TrpValue(m_record);
        return true;
    }
    if (name == QLatin1String("DETALSQUARE")) {
        value = TrpValue(QString());
        return true;
    }
    static const QStringList names = {QStringLiteral("SHEETINFO"),       QStringLiteral("LOSTSCRAP"),
                                      QStringLiteral("SCRAP"),           QStringLiteral("TOTALSCRAP"),
                                      QStringLiteral("MILLLINESCOUNT"),  QStringLiteral("MILLLINESLENGTH"),
                                      QStringLiteral("BORDERSLIST")};
    const int which = int(names.indexOf(name));
    if (which < 0) return false;
    const SheetReportTexts t = SheetTexts(m_doc->Tabs[size_t(m_tab)], m_ctx.lookups);
    const QString texts[] = {t.sheetInfo, t.lostScrap, t.scrap, t.totalScrap, t.millLinesCount, t.millLinesLength,
                             t.bordersList};
    value = TrpValue(texts[which]);
    return true;
}

void TfrmFullStat::bbPrintClick()
{
    TrpReport report(this);
    report.Host().Owner = this;
    if (!LoadReportTemplate(m_ctx.ui, report, m_ctx.paths, QStringLiteral("Statistic.rpf"), this)) return;
    report.Title = QStringLiteral("Статистика");
    report.SetDataset(rpsrcStatistic);
    int margins[4];
    PageMargins(m_ctx.settings, margins);
    SetReportPage(report, margins, true);
    report.OnGetValue = [this](const QString &name, TrpValue &value) { return repStatisticGetValue(name, value); };
    m_tab = 0;
    m_record = 0;
    PreviewReport(m_ctx.ui, report);
}

void ShowFullStatistics(PrintContext ctx, const MapDocument &doc, const QString &materialName, QWidget *parent)
{
    const BorderTotals borders = MapsBordersLength(doc, ctx.lookups);
    Ui &ui = ctx.ui;
    Owned<TfrmFullStat> w(new TfrmFullStat(std::move(ctx), parent));
    w->SetVariant(&doc, materialName, borders);
    ui.runModal(*w);
}
