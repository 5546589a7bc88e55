#include "print/flows/bordersinfo.h"

#include "controls/stringgrid.h"
#include "data/settings.h"
#include "platform/ini.h"
#include "platform/ui.h"

#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

using namespace kv;

namespace {
const QString kSection = QStringLiteral("BorderInfo_Window");
}

TfrmBordersInfo::TfrmBordersInfo(PrintContext ctx, QWidget *parent) : QDialog(parent), m_ctx(std::move(ctx))
{
    setObjectName(QStringLiteral("frmBordersInfo"));
    AttachUi(this, &m_ctx.ui);
    setWindowTitle(QStringLiteral("Статиска кромок"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(300, 240);

    Grid = new TColumnsStringGrid(this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->SetColCount(2);
    Grid->SetRowCount(2);
    Grid->SetReadOnly(true);
    Grid->SetWordWrap(true);
    Grid->verticalHeader()->setDefaultSectionSize(18);
    Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    const struct { const char *title; Qt::Alignment align; } cols[] = {{"Название", Qt::AlignLeft},
                                                                         {"Длина (м)", Qt::AlignRight}};
    for (int i = 0; i < 2; ++i) {
        TColumnHeader *h = Grid->GetColumnHeader(i);
        h->SetCaption(QString::fromUtf8(cols[i].title));
        h->SetDataType(TColumnHeader::dtString);
        h->SetAlignment(cols[i].align);
        h->SetTitleAlignment(Qt::AlignHCenter);
    }
    bbOk = new QPushButton(QStringLiteral("&Да"), this);
    bbOk->setObjectName(QStringLiteral("bbOk"));
    bbOk->setDefault(true);
    connect(bbOk, &QPushButton::clicked, this, &QDialog::accept);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Grid, 1);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(bbOk);
    layout->addLayout(row);
}

void TfrmBordersInfo::showEvent(QShowEvent *e)
{
    FormShow();
    QDialog::showEvent(e);
}

void TfrmBordersInfo::done(int r)
{
    FormClose();
    QDialog::done(r);
}

void TfrmBordersInfo::FormShow()
{
    const auto &lines = m_list.lines();
    Grid->SetRowCount(lines.isEmpty() ? 2 : int(lines.size()) + 1);
    Grid->SetCellText(0, 1, QString());
    Grid->SetCellText(1, 1, QStringLiteral("0"));
    for (int i = 0; i < lines.size(); ++i) {
        Grid->SetCellText(0, i + 1, m_ctx.lookups.BorderName(lines[i].first));
        Grid->SetCellText(1, i + 1, FormatLength(double(lines[i].second) / 1000.0));
    }
    const TIniFile &ini = m_ctx.settings.Ini();
    Grid->SetColumnWidth(0, ini.ReadInteger(kSection, QStringLiteral("ColWidth0"), 60));
    Grid->SetColumnWidth(1, ini.ReadInteger(kSection, QStringLiteral("ColWidth1"), 60));
}

void TfrmBordersInfo::FormClose()
{
    TIniFile &ini = m_ctx.settings.Ini();
    ini.Update([&] {
        ini.WriteInteger(kSection, QStringLiteral("ColWidth0"), Grid->GetColumnWidth(0));
        ini.WriteInteger(kSection, QStringLiteral("ColWidth1"), Grid->GetColumnWidth(1));
    });
}

void ShowBordersInfo(PrintContext ctx, const BorderTotals &list, QWidget *parent)
{
    Ui &ui = ctx.ui;
    Owned<TfrmBordersInfo> w(new TfrmBordersInfo(std::move(ctx), parent));
    w->SetList(list);
    ui.runModal(*w);
}
