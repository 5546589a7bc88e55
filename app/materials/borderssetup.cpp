#include "app/materials/borderssetup.h"

#include "app/common/appcontext.h"
#include "controls/dbgrid.h"
#include "data/materials/borders.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/db/table.h"
#include "platform/error.h"
#include "platform/ui.h"
#include "widgets/gwcolors.h"

#include <QAction>
#include <QCloseEvent>
#include <QToolBar>
#include <QVBoxLayout>

using namespace kv;

namespace {

QAction *action(QWidget *owner, const char *name, const QString &text, const QString &hint)
{
    auto *a = new QAction(text, owner);
    a->setObjectName(QString::fromLatin1(name));
    a->setToolTip(MessageDisplayText(hint));
    return a;
}

} // namespace

TfrmBordersSetup::TfrmBordersSetup(AppContext &ctx, QWidget *parent)
    : QDialog(parent), m_ctx(ctx)
{
    kv::AttachUi(this, &ctx.ui());
    setObjectName(QStringLiteral("frmBordersSetup"));
    setWindowTitle(QStringLiteral("Настройка кромок"));
    resize(460, 320);

    tblBorders = new Table(this);
    tblBorders->setObjectName(QStringLiteral("tblBorders"));
    tblBorders->SetCachedUpdates(true);
    defineFields();
    srcBorders = new DataSource(this);
    srcBorders->setObjectName(QStringLiteral("srcBorders"));
    srcBorders->SetDataSet(tblBorders);

    ColorAction = action(this, "ColorAction", QStringLiteral("&Цвет"), QStringLiteral("Изменить цвет\r\nобозначения кромки"));
    DeleteAction = action(this, "DeleteAction", QStringLiteral("&Удалить"), QStringLiteral("Удалить запись"));
    SaveAction = action(this, "SaveAction", QStringLiteral("&Сохранить"), QStringLiteral("Сохранить базу кромок"));
    OkAction = action(this, "OkAction", QStringLiteral("&Да"), QStringLiteral("Сохранить изменения и\r\nзакрыть окно"));
    CancelAction = action(this, "CancelAction", QStringLiteral("&Отмена"), QStringLiteral("Закрыть окно"));
    connect(ColorAction, &QAction::triggered, this, &TfrmBordersSetup::ColorActionExecute);
    connect(DeleteAction, &QAction::triggered, this, &TfrmBordersSetup::DeleteActionExecute);
    connect(SaveAction, &QAction::triggered, this, &TfrmBordersSetup::SaveActionExecute);
    connect(OkAction, &QAction::triggered, this, &TfrmBordersSetup::OkActionExecute);
    connect(CancelAction, &QAction::triggered, this, &TfrmBordersSetup::CancelActionExecute);

    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (QAction *a : {ColorAction, DeleteAction, SaveAction}) ToolBar->addAction(a);
    ToolBar->addSeparator();
    ToolBar->addAction(OkAction);
    ToolBar->addAction(CancelAction);

    grdBorders = new TExDBGrid(this);
    grdBorders->setObjectName(QStringLiteral("grdBorders"));
    grdBorders->SetDataSource(srcBorders);
    grdBorders->AddColumn(QStringLiteral("CODE"), QStringLiteral("Код"), 50);
    grdBorders->AddColumn(QStringLiteral("NAME"), QStringLiteral("Название"), 195);
    grdBorders->AddColumn(QStringLiteral("COLOR"), QString(), 60)->SetVisible(false);
    const QString allowance = QStringLiteral("Припуск (мм)");
    grdBorders->AddColumn(QStringLiteral("PRIPUSK"), allowance,
                          std::max(79, grdBorders->fontMetrics().horizontalAdvance(allowance) + 16));
    TColumn *color = grdBorders->AddColumn(QStringLiteral("COLOR2"), QStringLiteral("Цвет"), 75);
    color->ButtonStyle = TColumnButtonStyle::cbsEllipsis;
    grdBorders->OnGetCellParams = [](TExDBGrid &g, Field *f, QFont &, QColor &, QColor &background, bool highlight) {
        if (highlight || !f || f->FieldName() != QLatin1String("COLOR2")) return;
        Field *c = g.DataSet()->FindField(QStringLiteral("COLOR"));
        if (c && !c->IsNull()) background = gw::toQColor(gw::Color(quint32(qint64(c->AsFloat()) & 0xFFFFFFFF)));
    };
    grdBorders->OnEditButtonClick = [this](TExDBGrid &) { ColorActionExecute(); };

    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(2);
    lay->addWidget(ToolBar);
    lay->addWidget(grdBorders, 1);

    // Code rules: typed codes are checked, new rows get the smallest free one.
    tblBorders->OnNewRecord = [this](DataSet &ds) {
        m_modified = true;
        ds.FieldByName(QStringLiteral("CODE"))->SetAsInteger(BordersService::NextBorderCode(m_codes));
    };
    tblBorders->FieldByName(QStringLiteral("CODE"))->OnSetText = [this](Field &f, const QString &text) {
        int code = 0;
        const QString msg = BordersService::CheckBorderCode(text, f.IsNull() ? 0 : f.AsInteger(), m_codes, &code);
        if (!msg.isEmpty()) throw Error(msg);
        f.SetAsInteger(code);
    };
    tblBorders->BeforePost = [](DataSet &ds) {
        // A code put in any other way than typing still keeps to the range.
        Field *f = ds.FieldByName(QStringLiteral("CODE"));
        if (f->IsNull()) return;   // given a free code when the base is saved
        const QString msg = BordersService::CheckBorderCode(QString::number(f->AsInteger()), -1, {});
        if (!msg.isEmpty()) throw Error(msg);
    };
    auto changed = [this](DataSet &) {
        m_modified = true;
        collectCodes();
    };
    tblBorders->AfterPost = changed;
    tblBorders->AfterDelete = changed;
    tblBorders->AfterInsert = [this](DataSet &) { m_modified = true; };
}

TfrmBordersSetup::~TfrmBordersSetup()
{
    grdBorders->SetDataSource(nullptr);
    tblBorders->Close();
}

void TfrmBordersSetup::defineFields()
{
    tblBorders->AddField(QStringLiteral("CODE"), FieldType::Integer);
    tblBorders->AddField(QStringLiteral("NAME"), FieldType::String, 20);
    tblBorders->AddField(QStringLiteral("COLOR"), FieldType::Float);
    tblBorders->AddField(QStringLiteral("PRIPUSK"), FieldType::Float);
    Field *c2 = tblBorders->AddField(QStringLiteral("COLOR2"), FieldType::String, 1, FieldKind::Calculated);
    c2->SetReadOnly(true);
    tblBorders->OnCalcFields = [](DataSet &ds) { ds.FieldByName(QStringLiteral("COLOR2"))->SetAsString(QString()); };
}

void TfrmBordersSetup::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (m_shown) return;
    m_shown = true;
    FormShow();
}

void TfrmBordersSetup::FormShow()
{
    tblBorders->Close();
    try {
        const QString path = m_ctx.borders().BordersTable();
        tblBorders->SetFile(path);
        tblBorders->Open();
        collectCodes();
        tblBorders->First();
    } catch (const std::exception &) {
        tblBorders->Close();
    }
    m_modified = false;
}

void TfrmBordersSetup::collectCodes()
{
    m_codes.clear();
    if (!tblBorders->Active()) return;
    Field *f = tblBorders->FieldByName(QStringLiteral("CODE"));
    for (int row = 0; row < tblBorders->ViewRowCount(); ++row) {
        const QVariant v = tblBorders->ViewValue(row, f->Index());
        if (v.isValid() && !v.isNull()) m_codes << v.toInt();
    }
}

void TfrmBordersSetup::postPending()
{
    if (tblBorders->Active()) tblBorders->CheckBrowseMode();
}

void TfrmBordersSetup::ColorActionExecute()
{
    m_ctx.ui().guarded([&] {
        if (!tblBorders->Active() || tblBorders->IsEmpty()) return;
        Field *f = tblBorders->FieldByName(QStringLiteral("COLOR"));
        gw::Color color = f->IsNull() ? 0 : gw::Color(qint64(f->AsFloat()) & 0xFFFFFFFF);
        if (!gw::ChooseColor(m_ctx.ui(), color, this)) return;
        tblBorders->Edit();
        f->SetAsFloat(double(quint32(color)));
        tblBorders->Post();
    }, this);
}

void TfrmBordersSetup::DeleteActionExecute()
{
    m_ctx.ui().guarded([&] {
        if (!tblBorders->Active() || tblBorders->IsEmpty()) return;
        if (m_ctx.ui().confirm(QStringLiteral("Действительно удалить запись?"), MsgButtons::YesNo, this) == ModalResult::Yes)
            tblBorders->Delete();
    }, this);
}

void TfrmBordersSetup::SaveActionExecute()
{
    m_ctx.ui().guarded([&] {
        postPending();
        if (m_ctx.ui().confirm(QStringLiteral("Действительно сохранить изменения базы кромок?"), MsgButtons::YesNo, this) ==
            ModalResult::Yes)
            ApplyChanges();
    }, this);
}

void TfrmBordersSetup::ApplyChanges()
{
    if (tblBorders->Active()) {
        postPending();
        tblBorders->ApplyUpdates();
        tblBorders->CommitUpdates();
        tblBorders->SetCachedUpdates(false);
        // Rows left without a code (cleared by the user) get a free one.
        Field *code = tblBorders->FieldByName(QStringLiteral("CODE"));
        for (tblBorders->First(); !tblBorders->Eof(); tblBorders->Next()) {
            if (!code->IsNull()) continue;
            tblBorders->Edit();
            code->SetAsInteger(BordersService::RandomUnusedCode(tblBorders->FullPath(), QStringLiteral("Code"), 999));
            tblBorders->Post();
        }
        tblBorders->SetCachedUpdates(true);
        tblBorders->First();
        collectCodes();
    }
    m_modified = false;
}

void TfrmBordersSetup::OkActionExecute()
{
    const bool ok = m_ctx.ui().guarded([&] {
        postPending();
        if (m_modified) ApplyChanges();
        m_ctx.borders().LoadBorders();
        m_ctx.borders().LoadDefBorder();
    }, this);
    if (!ok) return;
    m_closing = true;
    accept();
}

void TfrmBordersSetup::CancelActionExecute()
{
    reject();
}

bool TfrmBordersSetup::closeQuery()
{
    if (m_closing || !m_modified) return true;
    bool ok = true;
    m_ctx.ui().guarded([&] {
        switch (m_ctx.ui().warn(QStringLiteral("Сохранить изменения в базе кромок?"), MsgButtons::YesNoCancel, this)) {
        case ModalResult::Yes:
            ApplyChanges();
            m_ctx.borders().LoadBorders();
            break;
        case ModalResult::No:
            break;
        default:
            ok = false;
        }
    }, this);
    return ok;
}

void TfrmBordersSetup::closeTable()
{
    if (tblBorders->Active()) {
        if (tblBorders->State() != DataSetState::Browse) tblBorders->Cancel();
        tblBorders->CancelUpdates();
    }
    tblBorders->Close();
    m_codes.clear();
}

void TfrmBordersSetup::closeEvent(QCloseEvent *e)
{
    if (!closeQuery()) {
        e->ignore();
        return;
    }
    m_closing = true;
    QDialog::closeEvent(e);
}

void TfrmBordersSetup::done(int r)
{
    if (!m_closing && !closeQuery()) return;
    m_closing = false;
    closeTable();
    m_shown = false;
    QDialog::done(r);
}

bool ExecuteBordersSetup(AppContext &ctx, QWidget *parent)
{
    kv::Owned<TfrmBordersSetup> f(new TfrmBordersSetup(ctx, parent));
    return ctx.ui().runModal(*f) == QDialog::Accepted;
}
