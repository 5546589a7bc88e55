#include "app/stock/selectsheets.h"

#include "app/common/appcontext.h"
#include "controls/dbgrid.h"
#include "data/datamodule.h"
#include "data/materials/materials.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/db/table.h"
#include "platform/ui.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace kv;

namespace {

const char *const kSection = "SelectSheet";

QString fromUtf8(const std::string &s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

int wholeOf(const Field *f)
{
    if (!f || f->IsNull()) return 0;
    const double v = f->AsFloat();
    return std::isfinite(v) && std::abs(v) < 2147483647.0 ? int(std::nearbyint(v)) : 0;
}

} // namespace

// --- TFormSelectSheets ----------------------------------------------------------

TFormSelectSheets::TFormSelectSheets(AppContext &ctx, QWidget *parent)
    : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("FormSelectSheets"));
    setWindowTitle(QStringLiteral("Выбор из базы листов"));
    resize(400, 300);

    lblMaterialCaption = new QLabel(QStringLiteral("Материал"), this);
    lblMaterialCaption->setObjectName(QStringLiteral("lblMaterialCaption"));
    lblMaterial = new QLabel(this);
    lblMaterial->setObjectName(QStringLiteral("lblMaterial"));
    QFont bold = lblMaterial->font();
    bold.setBold(true);
    lblMaterial->setFont(bold);
    grdSheets = new TExDBGrid(this);
    grdSheets->setObjectName(QStringLiteral("grdSheets"));
    grdSheets->SetReadOnly(true);
    grdSheets->SetOptions((grdSheets->Options() | dgRowSelect) & ~dgEditing);
    grdSheets->SetDataSource(ctx.module().srcSheets2);
    grdSheets->AddColumn(QStringLiteral("LENGTH"), QStringLiteral("Длина"), 120);
    grdSheets->AddColumn(QStringLiteral("WIDTH"), QStringLiteral("Ширина"), 120);
    grdSheets->AddColumn(QStringLiteral("MANY"), QStringLiteral("Количество"), 120);
    grdSheets->AddColumn(QStringLiteral("CODE"))->SetVisible(false);
    grdSheets->OnDblClick = [this](TExDBGrid &) { BBOkClick(); };
    BBOk = new QPushButton(QStringLiteral("&Да"), this);
    BBOk->setObjectName(QStringLiteral("BBOk"));
    BBOk->setDefault(true);
    tbCancel = new QPushButton(QStringLiteral("&Отмена"), this);
    tbCancel->setObjectName(QStringLiteral("tbCancel"));
    connect(BBOk, &QPushButton::clicked, this, &TFormSelectSheets::BBOkClick);
    connect(tbCancel, &QPushButton::clicked, this, &TFormSelectSheets::tbCancelClick);

    auto *top = new QHBoxLayout;
    top->addWidget(lblMaterialCaption);
    top->addWidget(lblMaterial, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BBOk);
    buttons->addWidget(tbCancel);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(grdSheets, 1);
    lay->addLayout(buttons);
}

TFormSelectSheets::~TFormSelectSheets()
{
    grdSheets->SetDataSource(nullptr);
}

void TFormSelectSheets::Prepare(int code)
{
    m_code = code;
    m_length = m_width = m_quantity = 0;
    Table *t = m_ctx.module().tblSheets2;
    // The run driver may hold counted sheets in this table's cache: it is
    // refiltered, never reopened, while it stands on the working copy.
    const QString work = m_ctx.paths().TempSheetsTable();
    if (!t->Active() || QFileInfo(t->FullPath()) != QFileInfo(work)) {
        t->Close();
        t->SetFile(work);
        t->SetFilter(QStringLiteral("Code=%1 and Many>0").arg(code));
        t->SetFiltered(true);
        t->Open();
    } else {
        t->SetFilter(QStringLiteral("Code=%1 and Many>0").arg(code));
        t->SetFiltered(true);
    }
    t->First();
}

void TFormSelectSheets::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    FormShow();
}

void TFormSelectSheets::FormShow()
{
    const QString name = m_ctx.materials().GetMaterialName(m_code);
    lblMaterial->setText(name.isEmpty() ? QStringLiteral("<нет данных>") : name);
    TIniFile &ini = m_ctx.settings().Ini();
    const QString sec = QString::fromLatin1(kSection);
    for (int i = 0; i < 3; ++i)
        grdSheets->Columns(i)->SetWidth(ini.ReadInteger(sec, QStringLiteral("ColWidth%1").arg(i), 120));
    resize(ini.ReadInteger(sec, QStringLiteral("Width"), 400), ini.ReadInteger(sec, QStringLiteral("Height"), 300));
    if (ini.ReadInteger(sec, QStringLiteral("WinState"), 0) == 2) setWindowState(windowState() | Qt::WindowMaximized);
}

void TFormSelectSheets::BBOkClick()
{
    Table *t = m_ctx.module().tblSheets2;
    if (!t->Active() || t->IsEmpty()) {
        m_ctx.ui().error(QStringLiteral("Выбрать стандартный лист невозможно.\rБаза листов материала <%1> пустая.")
                      .arg(m_ctx.materials().GetMaterialName(m_code)),
                  this);
        return;
    }
    m_length = wholeOf(t->FindField(QStringLiteral("LENGTH")));
    m_width = wholeOf(t->FindField(QStringLiteral("WIDTH")));
    m_quantity = wholeOf(t->FindField(QStringLiteral("MANY")));
    accept();
}

void TFormSelectSheets::tbCancelClick()
{
    reject();
}

void TFormSelectSheets::done(int r)
{
    FormClose();
    QDialog::done(r);
}

void TFormSelectSheets::FormClose()
{
    m_ctx.ui().guarded([&] {
        TIniFile &ini = m_ctx.settings().Ini();
        const QString sec = QString::fromLatin1(kSection);
        ini.Update([&] {
            for (int i = 0; i < 3; ++i)
                ini.WriteInteger(sec, QStringLiteral("ColWidth%1").arg(i), grdSheets->Columns(i)->Width());
            const bool maximized = windowState() & Qt::WindowMaximized;
            if (!maximized) {
                ini.WriteInteger(sec, QStringLiteral("Width"), width());
                ini.WriteInteger(sec, QStringLiteral("Height"), height());
            }
            ini.WriteInteger(sec, QStringLiteral("WinState"), maximized ? 2 : 0);
        });
    }, this);
}

// --- TfrmSheetsError ------------------------------------------------------------

TfrmSheetsError::TfrmSheetsError(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSheetsError"));
    setWindowTitle(QStringLiteral("Склад (стандартные листы)"));
    lblMessage = new QLabel(QStringLiteral("На складе закончились стандартные листы ."), this);
    lblMessage->setObjectName(QStringLiteral("lblMessage"));
    rgVariants = new QGroupBox(QStringLiteral("Варианты продолжения"), this);
    rgVariants->setObjectName(QStringLiteral("rgVariants"));
    m_group = new QButtonGroup(this);
    auto *g = new QVBoxLayout(rgVariants);
    const QString items[] = {QStringLiteral("Завершить разложение"),
                             QStringLiteral("Продолжить разложение на листах текущего размера"),
                             QStringLiteral("Продолжить разложение на листах другого размера")};
    for (int i = 0; i < 3; ++i) {
        auto *rb = new QRadioButton(items[i], rgVariants);
        rb->setObjectName(QStringLiteral("rgVariantsItem%1").arg(i));
        m_group->addButton(rb, i);
        g->addWidget(rb);
    }
    SetItemIndex(0);
    bbNext = new QPushButton(QStringLiteral("&Далее"), this);
    bbNext->setObjectName(QStringLiteral("bbNext"));
    bbNext->setDefault(true);
    connect(bbNext, &QPushButton::clicked, this, &QDialog::accept);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bbNext);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(lblMessage);
    lay->addWidget(rgVariants);
    lay->addLayout(buttons);
}

int TfrmSheetsError::ItemIndex() const
{
    return m_group->checkedId();
}

void TfrmSheetsError::SetItemIndex(int i)
{
    if (QAbstractButton *b = m_group->button(i)) b->setChecked(true);
}

// --- TRaskroyDialogs ------------------------------------------------------------

TRaskroyDialogs::TRaskroyDialogs(AppContext &ctx, LeftoverFactory leftover, QWidget *parent)
    : m_ctx(ctx), m_leftover(std::move(leftover)), m_parent(parent)
{
}

TRaskroyDialogs::~TRaskroyDialogs()
{
    delete m_select.data();
    delete m_error.data();
}

TFormSelectSheets &TRaskroyDialogs::SelectSheets()
{
    if (!m_select) m_select = new TFormSelectSheets(m_ctx, m_parent);
    return *m_select;
}

TfrmSheetsError &TRaskroyDialogs::SheetsError()
{
    if (!m_error) m_error = new TfrmSheetsError(m_parent);
    return *m_error;
}

void TRaskroyDialogs::error(const std::string &text)
{
    m_ctx.ui().error(fromUtf8(text), m_parent);
}

bool TRaskroyDialogs::warningYesNo(const std::string &text)
{
    return m_ctx.ui().warn(fromUtf8(text), MsgButtons::YesNo, m_parent) == ModalResult::Yes;
}

bool TRaskroyDialogs::confirmYesNo(const std::string &text)
{
    return m_ctx.ui().confirm(fromUtf8(text), MsgButtons::YesNo, m_parent) == ModalResult::Yes;
}

kv::engine::TUsedUpChoice TRaskroyDialogs::usedUpChoice()
{
    QPointer<TfrmSheetsError> f(&SheetsError());
    m_ctx.ui().runModal(*f);
    // The dialog's radio items stand in the order of the answers; a dialog
    // gone with its window ends the job.
    return f ? kv::engine::TUsedUpChoice(f->ItemIndex()) : kv::engine::TUsedUpChoice::End;
}

bool TRaskroyDialogs::chooseStdSheet(int32_t code, engine::TChosenSheet &chosen)
{
    QPointer<TFormSelectSheets> f(&SelectSheets());
    bool ok = false;
    m_ctx.ui().guarded([&] {
        f->Prepare(code);
        ok = m_ctx.ui().runModal(*f) == QDialog::Accepted;
    }, m_parent);
    if (!ok || !f) return false;
    chosen.Length = f->SheetLength();
    chosen.Width = f->SheetWidth();
    chosen.Quantity = f->SheetQuantity();
    return true;
}

engine::ILeftoverBase *TRaskroyDialogs::createLeftoverBase(const std::string &caption)
{
    return m_leftover ? m_leftover(fromUtf8(caption)) : nullptr;
}
