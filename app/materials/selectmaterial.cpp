#include "app/materials/selectmaterial.h"

#include "app/common/appcontext.h"
#include "controls/lookuplist.h"
#include "controls/spinedit.h"
#include "controls/winlayout.h"
#include "data/materials/materials.h"
#include "data/settings.h"
#include "platform/db/query.h"
#include "platform/ui.h"

#include <QAction>
#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace kv;

namespace {

QPushButton *button(QWidget *owner, const char *name, const QString &text)
{
    auto *b = new QPushButton(text, owner);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

void selectCode(QListWidget *list, int code)
{
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->data(Qt::UserRole).toInt() == code) {
            list->setCurrentRow(i);
            return;
        }
    }
}

int codeOf(const QListWidget *list)
{
    const QListWidgetItem *it = list->currentItem();
    return it && it->isSelected() ? it->data(Qt::UserRole).toInt() : -1;
}

} // namespace

// --- TfrmSelectMaterial ---------------------------------------------------------

TfrmSelectMaterial::TfrmSelectMaterial(AppContext &ctx, QWidget *parent)
    : QDialog(parent), m_ctx(ctx)
{
    kv::AttachUi(this, &ctx.ui());
    setObjectName(QStringLiteral("frmSelectMaterial"));
    setWindowTitle(QStringLiteral("Выбор материала"));
    resize(320, 360);

    lblCurrentCaption = new QLabel(QStringLiteral("Текущий материал:"), this);
    lblCurrentCaption->setObjectName(QStringLiteral("lblCurrentCaption"));
    lblCurrent = new QLabel(this);
    lblCurrent->setObjectName(QStringLiteral("lblCurrent"));
    QFont bold = lblCurrent->font();
    bold.setBold(true);
    lblCurrent->setFont(bold);
    dblMaterials = new TExDBLookupList(this);
    dblMaterials->setObjectName(QStringLiteral("dblMaterials"));
    dblMaterials->SetLookupField(QStringLiteral("Code"));
    dblMaterials->SetLookupDisplay(QStringLiteral("Material"));
    dblMaterials->SetIndexSwitch(false);
    ReplaceAction = new QAction(QStringLiteral("&Заменить"), this);
    ReplaceAction->setObjectName(QStringLiteral("ReplaceAction"));
    bbReplace = button(this, "bbReplace", ReplaceAction->text());
    bbCancel = button(this, "bbCancel", QStringLiteral("&Отмена"));

    auto *top = new QHBoxLayout;
    top->addWidget(lblCurrentCaption);
    top->addWidget(lblCurrent, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bbReplace);
    buttons->addWidget(bbCancel);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(dblMaterials, 1);
    lay->addLayout(buttons);

    connect(ReplaceAction, &QAction::triggered, this, &TfrmSelectMaterial::ReplaceActionExecute);
    connect(ReplaceAction, &QAction::changed, this, [this] { bbReplace->setEnabled(ReplaceAction->isEnabled()); });
    connect(bbReplace, &QPushButton::clicked, ReplaceAction, &QAction::trigger);
    connect(bbCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(dblMaterials, &TExLookupControl::NotifyChange, this, &TfrmSelectMaterial::ReplaceActionUpdate);
    connect(dblMaterials, &TExLookupControl::Click, this, &TfrmSelectMaterial::ReplaceActionUpdate);
    connect(dblMaterials, &TExLookupControl::DblClick, ReplaceAction, &QAction::trigger);
    ReplaceActionUpdate();
}

TfrmSelectMaterial::~TfrmSelectMaterial()
{
    // The list lets go of the query before the query goes.
    dblMaterials->SetLookupSource(nullptr);
}

bool TfrmSelectMaterial::Prepare(int code, const QString &currentText)
{
    lblCurrent->setText(currentText);
    dblMaterials->SetLookupSource(nullptr);
    m_source.SetDataSet(nullptr);
    m_query = std::make_unique<Query>();
    try {
        m_query->AddSQL(QStringLiteral("select * from %1 m").arg(Query::QuotePath(m_ctx.materials().MaterialsTable())));
        m_query->AddSQL(QStringLiteral("order by m.\"Material\""));
        m_query->Open();
        m_source.SetDataSet(m_query.get());
        dblMaterials->SetLookupSource(&m_source);
    } catch (const std::exception &) {
        dblMaterials->SetLookupSource(nullptr);
        m_source.SetDataSet(nullptr);
        m_query.reset();
        m_ctx.ui().error(QString::fromUtf8(mattext::OpenFailed), this);
        return false;
    }
    dblMaterials->SetLookupValue(QString::number(code));
    // A code the base does not hold preselects nothing: it is no choice.
    Field *key = dblMaterials->KeyField();
    if (!key || key->AsString() != dblMaterials->LookupValue()) dblMaterials->SetLookupValue(QString());
    ReplaceActionUpdate();
    return true;
}

int TfrmSelectMaterial::SelectedCode() const
{
    bool ok = false;
    const int code = dblMaterials->LookupValue().toInt(&ok);
    return ok ? code : -1;
}

void TfrmSelectMaterial::ReplaceActionUpdate()
{
    ReplaceAction->setEnabled(SelectedCode() >= 0);
    bbReplace->setEnabled(ReplaceAction->isEnabled());
}

void TfrmSelectMaterial::ReplaceActionExecute()
{
    if (SelectedCode() >= 0) accept();
}

bool ExecuteSelectMaterial(AppContext &ctx, int &code, const QString &currentText, QWidget *parent)
{
    kv::Owned<TfrmSelectMaterial> f(new TfrmSelectMaterial(ctx, parent));
    if (!f->Prepare(code, currentText)) return false;
    if (ctx.ui().runModal(*f) != QDialog::Accepted || !f) return false;
    code = f->SelectedCode();
    return true;
}

// --- TfrmSelectMaterialDlg ------------------------------------------------------

TfrmSelectMaterialDlg::TfrmSelectMaterialDlg(AppContext &ctx, QWidget *parent)
    : QDialog(parent), m_ctx(ctx)
{
    kv::AttachUi(this, &ctx.ui());
    setObjectName(QStringLiteral("SelMatDlg"));
    setProperty("kvClassName", QStringLiteral("SelMatDlg"));
    setWindowTitle(QStringLiteral("Выбор материала"));
    resize(420, 360);

    lbxMaterials = new QListWidget(this);
    lbxMaterials->setObjectName(QStringLiteral("lbxMaterials"));
    lbxMaterials->setFlow(QListView::TopToBottom);
    lbxMaterials->setWrapping(true);
    lbxMaterials->setResizeMode(QListView::Adjust);
    lbxMaterials->setUniformItemSizes(true);
    m_itemHeight = int(QFontMetrics(lbxMaterials->font()).height() * 1.2);
    lbxMaterials->viewport()->installEventFilter(this);
    lblColumns = new QLabel(QStringLiteral("Столбцов: "), this);
    lblColumns->setObjectName(QStringLiteral("lblColumns"));
    seColumns = new TExSpinEdit(this);
    seColumns->setObjectName(QStringLiteral("seColumns"));
    seColumns->setMinValue(1);
    seColumns->setMaxValue(20);
    // Changed by its buttons and arrow keys only, and passed over by Tab.
    seColumns->setEditorEnabled(false);
    seColumns->setFocusPolicy(Qt::ClickFocus);
    lblColumns->setBuddy(seColumns);
    bbOk = button(this, "bbOk", QStringLiteral("&Да"));
    bbOk->setDefault(true);
    bbCancel = button(this, "bbCancel", QStringLiteral("&Отмена"));

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(lblColumns);
    bottom->addWidget(seColumns);
    bottom->addStretch(1);
    bottom->addWidget(bbOk);
    bottom->addWidget(bbCancel);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(lbxMaterials, 1);
    lay->addLayout(bottom);

    connect(seColumns, &TExSpinEdit::Change, this, &TfrmSelectMaterialDlg::seColumnsChange);
    connect(bbOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(bbCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(lbxMaterials, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    Settings &s = m_ctx.settings();
    LoadFormGeometry(this, s.Ini(), QString::fromLatin1(section::SelMatDlg), true, true);
    seColumns->setValue(std::max(1, s.Get(key::SelMatDlgColumns)));
    layoutColumns();
}

TfrmSelectMaterialDlg::~TfrmSelectMaterialDlg()
{
    m_ctx.ui().guarded([&] {
        Settings &s = m_ctx.settings();
        s.Set(key::SelMatDlgColumns, seColumns->IntValue());
        StoreFormGeometry(this, s.Ini(), QString::fromLatin1(section::SelMatDlg));
    });
}

void TfrmSelectMaterialDlg::Prepare(int code)
{
    lbxMaterials->clear();
    for (const MaterialItem &m : m_ctx.materials().MaterialItems(false)) {
        auto *it = new QListWidgetItem(m.name, lbxMaterials);
        it->setData(Qt::UserRole, m.code);
    }
    selectCode(lbxMaterials, code);
    layoutColumns();
}

int TfrmSelectMaterialDlg::SelectedCode() const
{
    return codeOf(lbxMaterials);
}

void TfrmSelectMaterialDlg::seColumnsChange()
{
    layoutColumns();
}

bool TfrmSelectMaterialDlg::eventFilter(QObject *o, QEvent *e)
{
    if (o == lbxMaterials->viewport() && e->type() == QEvent::Resize) layoutColumns();
    return QDialog::eventFilter(o, e);
}

void TfrmSelectMaterialDlg::layoutColumns()
{
    const int cols = std::max(1, seColumns->IntValue());
    const int width = std::max(20, lbxMaterials->viewport()->width() / cols);
    lbxMaterials->setGridSize(QSize(width, m_itemHeight));
}

int ExecuteSelectMaterialDlg(AppContext &ctx, int code, QWidget *parent)
{
    kv::Owned<TfrmSelectMaterialDlg> f(new TfrmSelectMaterialDlg(ctx, parent));
    ctx.ui().guarded([&] { f->Prepare(code); }, parent);
    return ctx.ui().runModal(*f) == QDialog::Accepted && f ? f->SelectedCode() : -1;
}
