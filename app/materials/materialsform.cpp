#include "app/materials/materialsform.h"

#include "app/common/appcontext.h"
#include "controls/dbgrid.h"
#include "controls/winlayout.h"
#include "data/datamodule.h"
#include "data/materials/materials.h"
#include "data/messages.h"
#include "data/settings.h"
#include "platform/db/table.h"
#include "platform/ui.h"

#include <QAction>
#include <QLabel>
#include <QToolBar>
#include <QVBoxLayout>

using namespace kv;

namespace {

const char *const kSection = "Materials_Window";

QAction *action(QWidget *owner, const char *name, const QString &text)
{
    auto *a = new QAction(text, owner);
    a->setObjectName(QString::fromLatin1(name));
    return a;
}

} // namespace

TMaterialsForm::TMaterialsForm(AppContext &ctx, QWidget *parent)
    : QDialog(parent), m_ctx(ctx)
{
    kv::AttachUi(this, &ctx.ui());
    setObjectName(QStringLiteral("MaterialsForm"));
    setProperty("kvClassName", QStringLiteral("TMaterialsForm"));
    setWindowTitle(QStringLiteral("Материалы"));
    resize(400, 380);

    SaveAction = action(this, "SaveAction", QStringLiteral("&Сохранить"));
    OkAction = action(this, "OkAction", QStringLiteral("&Да"));
    CancelAction = action(this, "CancelAction", QStringLiteral("&Отмена"));
    DeleteAction = action(this, "DeleteAction", QStringLiteral("&Удалить"));
    CancelEditAction = action(this, "CancelEditAction", QStringLiteral("Отменить правку"));
    connect(SaveAction, &QAction::triggered, this, &TMaterialsForm::SaveActionExecute);
    connect(OkAction, &QAction::triggered, this, &TMaterialsForm::OkActionExecute);
    connect(CancelAction, &QAction::triggered, this, &TMaterialsForm::CancelActionExecute);
    connect(DeleteAction, &QAction::triggered, this, &TMaterialsForm::DeleteActionExecute);
    connect(CancelEditAction, &QAction::triggered, this, &TMaterialsForm::CancelEditActionExecute);

    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    ToolBar->addAction(SaveAction);
    ToolBar->addAction(DeleteAction);
    ToolBar->addAction(CancelEditAction);
    ToolBar->addSeparator();
    ToolBar->addAction(OkAction);
    ToolBar->addAction(CancelAction);

    lblExternal = new QLabel(this);
    lblExternal->setObjectName(QStringLiteral("lblExternal"));
    lblExternal->setWordWrap(true);
    lblExternal->setText(QStringLiteral("Внешняя база материалов открыта только для чтения.\n"
                                        "Список ведётся в файле ListMat.ini внешней базы."));
    lblExternal->hide();

    grdMaterials = new TExDBGrid(this);
    grdMaterials->setObjectName(QStringLiteral("grdMaterials"));

    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(2);
    lay->addWidget(ToolBar);
    lay->addWidget(lblExternal);
    lay->addWidget(grdMaterials, 1);
}

TMaterialsForm::~TMaterialsForm()
{
    if (m_shown && !m_closed) FormClose();
}

void TMaterialsForm::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (m_shown) return;
    m_shown = true;
    FormShow();
}

void TMaterialsForm::FormShow()
{
    MaterialsService &mats = m_ctx.materials();
    m_readOnly = mats.UsesExternalBase();
    if (m_readOnly)
        setWindowTitle(QStringLiteral("%1 (%2)").arg(QStringLiteral("Материалы"), QString::fromUtf8(mattext::External)));
    lblExternal->setVisible(m_readOnly);
    LoadFormGeometry(this, m_ctx.settings().Ini(), QString::fromLatin1(kSection), true, true);
    Table *t = m_ctx.module().Table;
    m_ctx.ui().guarded([&] { mats.OpenWorkingCopy(); }, this);
    grdMaterials->SetDataSource(m_ctx.module().DataSource);
    grdMaterials->ClearColumns();
    TColumn *name = grdMaterials->AddColumn(QStringLiteral("Material"), QStringLiteral("Материал"),
                                            m_ctx.settings().Get(key::MaterialsColWidth));
    name->TitleAlignment = Qt::AlignCenter;
    grdMaterials->SetReadOnly(m_readOnly);
    t->SetReadOnly(m_readOnly);
    connect(grdMaterials, &TExDBGrid::clicked, this, &TMaterialsForm::updateActions);
    updateActions();
}

void TMaterialsForm::updateActions()
{
    const bool open = m_ctx.module().Table->Active();
    SaveAction->setEnabled(open && !m_readOnly);
    DeleteAction->setEnabled(open && !m_readOnly);
    CancelEditAction->setEnabled(open && !m_readOnly);
}

void TMaterialsForm::save()
{
    m_ctx.materials().SaveWorkingCopy();
}

void TMaterialsForm::SaveActionExecute()
{
    m_ctx.ui().guarded([&] { save(); }, this);
}

void TMaterialsForm::OkActionExecute()
{
    const bool ok = m_ctx.ui().guarded([&] {
        // Saving tells every material view through MaterialsChanged.
        if (!m_readOnly) save();
    }, this);
    if (ok) accept();
}

void TMaterialsForm::CancelActionExecute()
{
    reject();
}

void TMaterialsForm::DeleteActionExecute()
{
    m_ctx.ui().guarded([&] {
        Table *t = m_ctx.module().Table;
        if (t->Active() && !t->IsEmpty()) t->Delete();
    }, this);
}

void TMaterialsForm::CancelEditActionExecute()
{
    m_ctx.ui().guarded([&] {
        Table *t = m_ctx.module().Table;
        if (t->Active()) t->Cancel();
    }, this);
}

void TMaterialsForm::done(int r)
{
    if (!m_closed && m_shown) FormClose();
    QDialog::done(r);
}

void TMaterialsForm::FormClose()
{
    m_closed = true;
    m_ctx.ui().guarded([&] {
        Table *t = m_ctx.module().Table;
        t->SetReadOnly(false);
        if (t->Active() && t->State() != DataSetState::Browse) t->Cancel();
        if (TColumn *c = grdMaterials->ColumnByField(QStringLiteral("Material")))
            m_ctx.settings().Set(key::MaterialsColWidth, c->Width());
        StoreFormGeometry(this, m_ctx.settings().Ini(), QString::fromLatin1(kSection));
        grdMaterials->SetDataSource(nullptr);
        m_ctx.materials().CloseWorkingCopy();
    }, this);
}

bool ExecuteMaterials(AppContext &ctx, QWidget *parent)
{
    kv::Owned<TMaterialsForm> f(new TMaterialsForm(ctx, parent));
    return ctx.ui().runModal(*f) == QDialog::Accepted;
}
