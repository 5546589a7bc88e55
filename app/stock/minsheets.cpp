#include "app/stock/minsheets.h"

#include "app/common/appcontext.h"
#include "app/stock/stockdialogs.h"
#include "controls/dbgrid.h"
#include "controls/vclutils.h"
#include "data/materials/materials.h"
#include "data/paths.h"
#include "data/settings.h"
#include "data/stock/minsheets.h"
#include "platform/db/copytable.h"
#include "platform/db/table.h"
#include "platform/error.h"
#include "platform/ui.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>

using namespace kv;

namespace {

const char *const kSection = "TfrmMinSheetsQuantity";

} // namespace

// --- TfrmMinSheetsQuantity ------------------------------------------------------

TfrmMinSheetsQuantity::TfrmMinSheetsQuantity(AppContext &ctx, QWidget *parent)
    : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmMinSheetsQuantity"));
    AttachUi(this, &ctx.ui());
    setProperty("kvClassName", QString::fromLatin1(kSection));
    setWindowTitle(QStringLiteral("Минимум листов"));
    resize(380, 360);

    tblQuantity = new Table(this);
    tblQuantity->setObjectName(QStringLiteral("tblQuantity"));
    srcQuantity = new DataSource(this);
    srcQuantity->setObjectName(QStringLiteral("srcQuantity"));
    srcQuantity->SetDataSet(tblQuantity);

    OkAction = new QAction(QStringLiteral("&Да"), this);
    OkAction->setObjectName(QStringLiteral("OkAction"));
    QuantityAction = new QAction(QStringLiteral("&Количество"), this);
    QuantityAction->setObjectName(QStringLiteral("QuantityAction"));
    CancelAction = new QAction(QStringLiteral("&Отмена"), this);
    CancelAction->setObjectName(QStringLiteral("CancelAction"));
    connect(OkAction, &QAction::triggered, this, &TfrmMinSheetsQuantity::bbOkClick);
    connect(QuantityAction, &QAction::triggered, this, &TfrmMinSheetsQuantity::QuantityActionExecute);
    connect(CancelAction, &QAction::triggered, this, &QDialog::reject);

    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ToolBar->addAction(QuantityAction);
    ToolBar->addSeparator();
    ToolBar->addAction(OkAction);
    ToolBar->addAction(CancelAction);

    grdQuantity = new TExDBGrid(this);
    grdQuantity->setObjectName(QStringLiteral("Grid"));   // the layout's keys are "Grid.<field>"
    grdQuantity->SetOptions(grdQuantity->Options() | dgMultiSelect);
    grdQuantity->SetMultiSelect(true);
    // Rows are the materials of the base: none is added or deleted here.
    grdQuantity->OnKeyDown = [](TExDBGrid &g, int &key, Qt::KeyboardModifiers mods) {
        DataSet *ds = g.DataSet();
        if (key == Qt::Key_Insert || (key == Qt::Key_Delete && (mods & Qt::ControlModifier)))
            key = 0;
        else if (key == Qt::Key_Down && ds && ds->Active() && ds->ViewCurrentRow() >= ds->ViewRowCount() - 1)
            key = 0;
    };

    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(2);
    lay->addWidget(ToolBar);
    lay->addWidget(grdQuantity, 1);

    try {
        m_tableFile = MakeMinSheetsTable(ctx.paths(), ctx.materials(), ctx.settings());
        tblQuantity->SetFile(m_tableFile);
        tblQuantity->Open();
        tblQuantity->FieldByName(QStringLiteral("Name"))->SetReadOnly(true);
        tblQuantity->BeforeInsert = [](DataSet &) { throw Error(QStringLiteral("Добавление записей запрещено.")); };
        tblQuantity->BeforeDelete = [](DataSet &) { throw Error(QStringLiteral("Удаление записей запрещено.")); };
        grdQuantity->SetDataSource(srcQuantity);
        grdQuantity->AddColumn(QStringLiteral("Material"), QStringLiteral("Код"), 50)->ReadOnly = true;
        grdQuantity->AddColumn(QStringLiteral("Name"), QStringLiteral("Материал"), 200)->ReadOnly = true;
        grdQuantity->AddColumn(QStringLiteral("Quantity"), QStringLiteral("Количество"), 80);
        grdQuantity->LoadColumnLayout(ctx.settings().Ini());   // [TfrmMinSheetsQuantityGrid]
        tblQuantity->First();
    } catch (const std::exception &e) {
        m_ctx.ui().exception(e, this);
    }
    connect(grdQuantity, &TExDBGrid::clicked, this, &TfrmMinSheetsQuantity::QuantityActionUpdate);
    QuantityActionUpdate();
}

TfrmMinSheetsQuantity::~TfrmMinSheetsQuantity()
{
    grdQuantity->SetDataSource(nullptr);
    tblQuantity->Close();
    if (!m_tableFile.isEmpty()) {
        try {
            DeleteTableFile(m_tableFile);
        } catch (const std::exception &) {
            // The table is made anew at the next opening anyway.
        }
    }
}

bool TfrmMinSheetsQuantity::IsReady() const
{
    return tblQuantity->Active();
}

bool TfrmMinSheetsQuantity::GotoMaterial(int code)
{
    if (!IsReady()) return false;
    return tblQuantity->Locate(QStringLiteral("Material"), code);
}

void TfrmMinSheetsQuantity::QuantityActionUpdate()
{
    QuantityAction->setEnabled(IsReady() && !tblQuantity->IsEmpty());
}

void TfrmMinSheetsQuantity::QuantityActionExecute()
{
    m_ctx.ui().guarded([&] {
        if (!IsReady() || tblQuantity->IsEmpty()) return;
        tblQuantity->CheckBrowseMode();
        TBookmarkList &sel = grdQuantity->SelectedRows();
        Field *q = tblQuantity->FieldByName(QStringLiteral("Quantity"));
        const int start = sel.Count() <= 1 ? int(q->IsNull() ? 0 : q->AsFloat()) : 0;
        const int value = ExecuteChangeSheetsQuantity(m_ctx.ui(), start, this);
        if (value < 0) return;
        DataSet::ControlsLock lock(*tblQuantity);
        if (sel.Count() == 0) {
            tblQuantity->Edit();
            q->SetAsInteger(value);
            tblQuantity->Post();
            return;
        }
        for (int i = 0; i < sel.Count(); ++i) {
            tblQuantity->GotoBookmark(sel.Items(i));
            tblQuantity->Edit();
            q->SetAsInteger(value);
            tblQuantity->Post();
        }
    }, this);
}

void TfrmMinSheetsQuantity::bbOkClick()
{
    const bool ok = m_ctx.ui().guarded([&] {
        kv::BusyCursor busy;
        grdQuantity->SaveColumnLayout(m_ctx.settings().Ini());
        if (IsReady()) {
            tblQuantity->CheckBrowseMode();
            StoreMinSheetsTable(m_tableFile, m_ctx.settings());
        }
    }, this);
    if (ok) accept();
}

void ExecuteMinSheetsQuantity(AppContext &ctx, int code, QWidget *parent)
{
    Owned<TfrmMinSheetsQuantity> f(new TfrmMinSheetsQuantity(ctx, parent));
    f->GotoMaterial(code);
    ctx.ui().runModal(*f);
}

// --- TfrmMinStdSheets -----------------------------------------------------------

TfrmMinStdSheets::TfrmMinStdSheets(const QString &text, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmMinStdSheets"));
    setWindowTitle(QStringLiteral("Стандартные листы"));
    resize(380, 300);
    imgWarning = new QLabel(this);
    imgWarning->setObjectName(QStringLiteral("imgWarning"));
    imgWarning->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    lblWarning = new QLabel(MessageDisplayText(QString::fromUtf8(minsheetstext::Warning)), this);
    lblWarning->setObjectName(QStringLiteral("lblWarning"));
    mmSheets = new QPlainTextEdit(this);
    mmSheets->setObjectName(QStringLiteral("mmSheets"));
    mmSheets->setReadOnly(true);
    mmSheets->setPlainText(text);
    bbOk = new QPushButton(QStringLiteral("&Да"), this);
    bbOk->setObjectName(QStringLiteral("bbOk"));
    bbOk->setDefault(true);
    connect(bbOk, &QPushButton::clicked, this, &QDialog::accept);

    auto *top = new QHBoxLayout;
    top->addWidget(imgWarning, 0, Qt::AlignTop);
    top->addWidget(lblWarning, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bbOk);
    buttons->addStretch(1);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(mmSheets, 1);
    lay->addLayout(buttons);
}

void ExecuteMinStdSheets(Ui &ui, const QString &text, QWidget *parent)
{
    Owned<TfrmMinStdSheets> f(new TfrmMinStdSheets(text, parent));
    ui.runModal(*f);
}

bool CheckStdSheetsStock(AppContext &ctx, bool reportEnough, QWidget *parent)
{
    QStringList lines;
    const bool ok = ctx.ui().guarded([&] {
        lines = CheckStdSheetsLines(ctx.materials(), ctx.settings(), ctx.paths().TempSheetsTable());
    }, parent);
    if (!ok) return false;
    if (!lines.isEmpty()) {
        ExecuteMinStdSheets(ctx.ui(), lines.join(QLatin1Char('\n')), parent);
        return true;
    }
    if (reportEnough) ctx.ui().inform(QString::fromUtf8(minsheetstext::Enough), parent);
    return false;
}
