#include "app/stock/statesview.h"

#include "app/common/appcontext.h"
#include "app/stock/stockdialogs.h"
#include "controls/winlayout.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/ui.h"

#include <QAction>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace kv;

namespace {

const QString kSection = QStringLiteral("ViewWHs");
const QString kList = QStringLiteral("lvwWHs");

} // namespace

TfrmSaveWareHouse::TfrmSaveWareHouse(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSaveWareHouse"));
    setWindowTitle(QStringLiteral("Сохрание состояния склада"));
    edRemark = new QLineEdit(this);
    edRemark->setObjectName(QStringLiteral("edRemark"));
    edRemark->setMinimumWidth(320);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Описание"), edRemark);
    auto *bbOk = new QPushButton(QStringLiteral("&Да"), this);
    bbOk->setObjectName(QStringLiteral("bbOk"));
    bbOk->setDefault(true);
    auto *bbCancel = new QPushButton(QStringLiteral("&Отмена"), this);
    bbCancel->setObjectName(QStringLiteral("bbCancel"));
    connect(bbOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(bbCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(bbOk);
    buttons->addWidget(bbCancel);
    auto *v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addLayout(buttons);
    edRemark->setFocus();
}

std::optional<QString> TfrmSaveWareHouse::Ask(Ui &ui, const QString &preset, QWidget *parent)
{
    Owned<TfrmSaveWareHouse> d(new TfrmSaveWareHouse(parent));
    d->edRemark->setText(preset);
    if (ui.runModal(*d) != QDialog::Accepted || !d) return std::nullopt;
    return d->edRemark->text();
}

StockAnswer AskStockQuestion(Ui &ui, const QString &question, bool confirmation, QWidget *parent)
{
    const ModalResult r = confirmation ? ui.confirm(question, MsgButtons::YesNoCancel, parent)
                                       : ui.warn(question, MsgButtons::YesNoCancel, parent);
    return r == ModalResult::Yes ? StockAnswer::Yes : r == ModalResult::No ? StockAnswer::No : StockAnswer::Cancel;
}

bool StockCloseQuery(StockService &stock, Ui &ui, QWidget *parent)
{
    return stock.CloseQuery([&](const QString &q) { return AskStockQuestion(ui, q, false, parent); },
                            [&](const QString &msg) { ui.error(msg, parent); });
}

TfrmViewWareHouses::TfrmViewWareHouses(AppContext &ctx, StockService &stock, QWidget *parent)
    : QDialog(parent), m_ctx(ctx), m_stock(stock), m_states(ctx.paths())
{
    AttachUi(this, &ctx.ui());
    setObjectName(QStringLiteral("frmViewWareHouses"));
    setWindowTitle(QStringLiteral("Просмотр состояний склада"));
    lvwWHs = new QTreeWidget(this);
    lvwWHs->setObjectName(kList);
    lvwWHs->setRootIsDecorated(false);
    lvwWHs->setColumnCount(3);
    lvwWHs->setHeaderLabels({QStringLiteral("Дата"), QStringLiteral("Время"), QStringLiteral("Описание")});
    lvwWHs->header()->resizeSection(2, 240);

    auto makeAction = [this](const char *name, const char *text) {
        auto *a = new QAction(QString::fromUtf8(text), this);
        a->setObjectName(QString::fromLatin1(name));
        auto *b = new QPushButton(a->text(), this);
        b->setObjectName(QStringLiteral("btn") + a->objectName());
        connect(b, &QPushButton::clicked, a, &QAction::trigger);
        connect(a, &QAction::changed, b, [a, b] { b->setEnabled(a->isEnabled()); });
        return std::make_pair(a, b);
    };
    auto [edit, bEdit] = makeAction("EditAction", "Изменить");
    auto [del, bDel] = makeAction("DeleteAction", "Удалить");
    auto [restore, bRestore] = makeAction("RestoreAction", "Восстановить");
    auto [close, bClose] = makeAction("CloseAction", "Закрыть");
    EditAction = edit, DeleteAction = del, RestoreAction = restore, CloseAction = close;
    auto guarded = [this](void (TfrmViewWareHouses::*slot)()) {
        return [this, slot] { m_ctx.ui().guarded([this, slot] { (this->*slot)(); }, this); };
    };
    connect(EditAction, &QAction::triggered, this, guarded(&TfrmViewWareHouses::EditActionExecute));
    connect(DeleteAction, &QAction::triggered, this, guarded(&TfrmViewWareHouses::DeleteActionExecute));
    connect(RestoreAction, &QAction::triggered, this, guarded(&TfrmViewWareHouses::RestoreActionExecute));
    connect(CloseAction, &QAction::triggered, this, &QDialog::accept);
    connect(lvwWHs, &QTreeWidget::itemSelectionChanged, this, &TfrmViewWareHouses::UpdateActions);
    connect(lvwWHs, &QTreeWidget::itemDoubleClicked, EditAction, &QAction::trigger);

    auto *buttons = new QVBoxLayout;
    for (QPushButton *b : {bEdit, bDel, bRestore}) buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(bClose);
    auto *h = new QHBoxLayout(this);
    h->addWidget(lvwWHs, 1);
    h->addLayout(buttons);
    resize(520, 300);
    UpdateActions();
}

TfrmViewWareHouses::~TfrmViewWareHouses()
{
    m_ctx.ui().guarded([this] {
        TIniFile &ini = m_ctx.settings().Ini();
        StoreFormGeometry(this, ini, kSection);
        WriteListViewColumns(ini, kSection, kList, HeaderSectionSizes(lvwWHs->header()));
    });
}

void TfrmViewWareHouses::showEvent(QShowEvent *e)
{
    m_ctx.ui().guarded([this] {
        TIniFile &ini = m_ctx.settings().Ini();
        LoadFormGeometry(this, ini, kSection, true, true);
        QList<int> widths = HeaderSectionSizes(lvwWHs->header());
        ReadListViewColumns(ini, kSection, kList, widths);
        ApplyHeaderSectionSizes(lvwWHs->header(), widths);
        FillList();
    }, this);
    QDialog::showEvent(e);
}

void TfrmViewWareHouses::keyPressEvent(QKeyEvent *e)
{
    if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && lvwWHs->hasFocus()) {
        EditAction->trigger();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TfrmViewWareHouses::FillList()
{
    lvwWHs->clear();
    for (const WareHouseState &s : m_states.List()) {
        auto *item = new QTreeWidgetItem(lvwWHs, {s.date, s.time, s.remark});
        item->setData(0, Qt::UserRole, s.number);
    }
    UpdateActions();
}

int TfrmViewWareHouses::selectedNumber() const
{
    QTreeWidgetItem *item = lvwWHs->currentItem();
    return item && item->isSelected() ? item->data(0, Qt::UserRole).toInt() : 0;
}

void TfrmViewWareHouses::UpdateActions()
{
    const bool on = selectedNumber() > 0;
    for (QAction *a : {EditAction, DeleteAction, RestoreAction}) a->setEnabled(on);
}

void TfrmViewWareHouses::EditActionExecute()
{
    QTreeWidgetItem *item = lvwWHs->currentItem();
    const int n = selectedNumber();
    if (!n) return;
    const std::optional<QString> text = TfrmSaveWareHouse::Ask(m_ctx.ui(), item->text(2), this);
    if (!text) return;
    m_states.SetRemark(n, *text);
    item->setText(2, *text);
}

void TfrmViewWareHouses::DeleteActionExecute()
{
    const int n = selectedNumber();
    if (!n) return;
    if (m_ctx.ui().confirm(QStringLiteral("Действительно удалить сохраненное состояние склада?"), MsgButtons::YesNo, this)
        != ModalResult::Yes)
        return;
    m_states.Delete(n);
    delete lvwWHs->currentItem();
    UpdateActions();
}

void TfrmViewWareHouses::RestoreActionExecute()
{
    const int n = selectedNumber();
    if (!n) return;
    const bool restored = RestoreWareHouseState(
        m_stock, m_states, n,
        [this](const QString &q) {
            return AskStockQuestion(m_ctx.ui(), q, q == QString::fromUtf8(kRestoreQuestion), this);
        },
        [this] { return TfrmSaveWareHouse::Ask(m_ctx.ui(), QString(), this); });
    if (restored) accept();
    else FillList();
}
