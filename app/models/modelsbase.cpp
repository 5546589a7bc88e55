#include "app/models/modelsbase.h"

#include "app/common/appcontext.h"
#include "app/common/navigator.h"
#include "app/common/smalldialogs.h"
#include "app/models/groupfill.h"
#include "app/models/modeldialogs.h"
#include "app/models/modelsprint.h"
#include "controls/spinedit.h"
#include "data/models/modelfiles.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/error.h"
#include "platform/ui.h"
#include "widgets/outlookbar.h"
#include "widgets/outlooklist.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }
const char *kSection = "ModelsBase";
constexpr int kModelRole = Qt::UserRole + 1;

QPushButton *button(QWidget *parent, const char *name, const char *text, const char *hint)
{
    auto *b = new QPushButton(u(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    if (hint) b->setToolTip(u(hint));
    return b;
}

} // namespace

TfrmModelsBase::TfrmModelsBase(AppContext &ctx, QWidget *parent)
    : TMdiChild(ctx, QStringLiteral("TfrmModelsBase"), parent), m_view(ctx.paths())
{
    setObjectName(QStringLiteral("frmModelsBase"));
    setWindowTitle(u("База моделей"));

    auto *root = new QHBoxLayout(this);
    m_bar = new TgwOutlookBar(this);
    kv::NavigatorBar nav;
    nav.caption = u("Разделы");
    m_navigator = kv::SetUpNavigatorBar(m_bar, nav, QStringLiteral("olSections"));
    m_bar->OutlookItems()->Page(0)->Button->setObjectName(QStringLiteral("bbSections"));
    // A click on the shown section reads it again.
    m_navigator->OnItemClick = [this](TgwCustomOutlookList *, TgwOutlookListItem *it) {
        if (!m_filling && it) Guarded([this, it] { ShowEntry(it->Index()); });
    };
    root->addWidget(m_bar);

    auto *right = new QVBoxLayout;
    auto *bar = new QHBoxLayout;
    auto *btnCreate = button(this, "btnCreate", "&Создать", "Создать базу деталей");
    m_btnQuantity = button(this, "btnQuantity", "&Кол-во", "Количество элементов");
    auto *btnSelection = button(this, "btnSelection", "&Выделение", nullptr);
    m_btnSections = button(this, "btnSections", "&Разделы", nullptr);
    m_btnModel = button(this, "btnModel", "&Модель", nullptr);
    auto *btnPrint = button(this, "btnPrint", "&Печать", "Печать списка выбранных моделей");
    m_btnExport = button(this, "btnExport", "&Экспорт", "Экспорт в INI - файл");
    auto *btnClose = button(this, "btnClose", "&Закрыть", nullptr);
    for (QPushButton *b : {btnCreate, m_btnQuantity, btnSelection, m_btnSections, m_btnModel, btnPrint, m_btnExport})
        bar->addWidget(b);
    bar->addStretch();
    bar->addWidget(btnClose);
    right->addLayout(bar);

    auto menuOf = [this](QPushButton *b, const QList<QPair<const char *, const char *>> &items,
                         QList<QAction *> *keep) {
        auto *menu = new QMenu(b);
        QList<QAction *> actions;
        for (const auto &it : items) {
            QAction *a = menu->addAction(u(it.second));
            a->setObjectName(QString::fromLatin1(it.first));
            actions << a;
        }
        b->setMenu(menu);
        if (keep) *keep = actions;
        return actions;
    };
    const auto sel = menuOf(btnSelection, {{"UncheckAction", "Разотметить"}, {"UncheckAllAction", "Разотметить все"}}, nullptr);
    menuOf(m_btnSections, {{"AddSectionAction", "Добавить новый раздел"},
                           {"RenameSectionAction", "Изменить название раздела"},
                           {"DeleteSectionAction", "Удалить раздел"}}, &m_sectionActions);
    menuOf(m_btnModel, {{"ModelPropsAction", "Изменить свойства модели"},
                        {"OpenModelAction", "Открыть базу деталей"},
                        {"DeleteModelAction", "Удалить модель"}}, &m_modelActions);

    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lvwElements"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({u("Название"), u("Количество")});
    m_list->setColumnWidth(0, 225);
    m_list->setColumnWidth(1, 75);
    m_list->setSortingEnabled(true);
    m_list->sortByColumn(0, Qt::AscendingOrder);
    m_list->installEventFilter(this);
    right->addWidget(m_list);
    root->addLayout(right, 1);

    connect(btnCreate, &QPushButton::clicked, this, GuardedSlot(&TfrmModelsBase::CreateGroupActionExecute));
    connect(m_btnQuantity, &QPushButton::clicked, this, GuardedSlot(&TfrmModelsBase::QuantityActionExecute));
    connect(sel[0], &QAction::triggered, this, GuardedSlot(&TfrmModelsBase::UncheckActionExecute));
    connect(sel[1], &QAction::triggered, this, GuardedSlot(&TfrmModelsBase::UncheckAllActionExecute));
    connect(m_sectionActions[0], &QAction::triggered, this, GuardedSlot(&TfrmModelsBase::AddSectionActionExecute));
    connect(m_sectionActions[1], &QAction::triggered, this, GuardedSlot(&TfrmModelsBase::RenameSectionActionExecute));
    connect(m_sectionActions[2], &QAction::triggered, this, GuardedSlot(&TfrmModelsBase::DeleteSectionActionExecute));
    connect(m_modelActions[0], &QAction::triggered, this, GuardedSlot(&TfrmModelsBase::ModelPropsActionExecute));
    connect(m_modelActions[1], &QAction::triggered, this, GuardedSlot(&TfrmModelsBase::OpenModelActionExecute));
    connect(m_modelActions[2], &QAction::triggered, this, GuardedSlot(&TfrmModelsBase::DeleteModelActionExecute));
    connect(btnPrint, &QPushButton::clicked, this, GuardedSlot(&TfrmModelsBase::PrintActionExecute));
    connect(m_btnExport, &QPushButton::clicked, this, GuardedSlot(&TfrmModelsBase::ExportActionExecute));
    connect(btnClose, &QPushButton::clicked, this, GuardedSlot(&TfrmModelsBase::CloseActionExecute));
    connect(m_list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *it, int col) { itemChanged(it, col); });
    connect(m_list, &QTreeWidget::itemDoubleClicked, this, GuardedSlot(&TfrmModelsBase::QuantityActionExecute));
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] { updateActions(); });

    resize(560, 380);
    readLayout();
    Guarded([this] { FormShow(); });
}

TfrmModelsBase::~TfrmModelsBase() = default;

QString TfrmModelsBase::LayoutSection() const { return QString::fromLatin1(kSection); }

// --- showing -------------------------------------------------------------------------

void TfrmModelsBase::FormShow()
{
    m_view.Load();
    FillNavigator(QString());
}

void TfrmModelsBase::readLayout()
{
    const kv::TIniFile &ini = Context().settings().Ini();
    m_bar->setFixedWidth(std::max(40, ini.ReadInteger(QString::fromLatin1(kSection), QStringLiteral("OutLook_Width"), 105)));
    for (int c = 0; c < 2; ++c)
        m_list->setColumnWidth(c, ini.ReadInteger(QString::fromLatin1(kSection), QStringLiteral("lvw_Width%1").arg(c),
                                                  c == 0 ? 225 : 75));
}

void TfrmModelsBase::writeLayout()
{
    kv::TIniFile &ini = Context().settings().Ini();
    ini.Update([&] {
        ini.WriteInteger(QString::fromLatin1(kSection), QStringLiteral("OutLook_Width"), m_bar->width());
        for (int c = 0; c < 2; ++c)
            ini.WriteInteger(QString::fromLatin1(kSection), QStringLiteral("lvw_Width%1").arg(c), m_list->columnWidth(c));
    });
}

int TfrmModelsBase::CurrentEntry() const
{
    TgwOutlookListItem *it = m_navigator->GetSelectedItem();
    return it ? it->Index() : -1;
}

kv::TmdlModelInfo *TfrmModelsBase::CurrentModel() const
{
    QTreeWidgetItem *it = m_list->currentItem();
    return it ? static_cast<kv::TmdlModelInfo *>(it->data(0, kModelRole).value<void *>()) : nullptr;
}

void TfrmModelsBase::FillNavigator(const QString &select)
{
    QString name = select;
    if (name.isEmpty() && m_navigator->GetSelectedItem()) name = m_navigator->GetSelectedItem()->Text();
    m_filling = true;
    m_navigator->Items()->Clear();
    int chosen = 0;
    for (int i = 0; i < m_view.Sections().Count(); ++i) {
        TgwOutlookListItem *it = m_navigator->Items()->Add();
        it->SetText(m_view.Sections()[i].Name);
        it->SetImageIndex(67);
        it->SetSeparation(2);
        it->SetTextAlignment(kv::gw::taLeftJustify);
        it->SetGlyphOffset(1);
        it->Tag = i;
        if (!name.isEmpty() && m_view.Sections()[i].Name == name) chosen = i;
    }
    m_filling = false;
    SelectEntry(chosen);
}

void TfrmModelsBase::SelectEntry(int entry)
{
    m_filling = true;
    if (TgwOutlookListItem *it = m_navigator->Items()->Item(entry)) {
        it->SetSelected(true);
        m_navigator->SetTopItem(m_navigator->Items()->Item(0));
        if (m_navigator->isVisible() && m_navigator->height() > 0) m_navigator->MakeVisible(it);
    }
    m_filling = false;
    ShowEntry(entry);
}

void TfrmModelsBase::ShowEntry(int entry)
{
    m_filling = true;
    m_list->setSortingEnabled(false);
    m_list->clear();
    for (kv::TmdlModelInfo *m : m_view.ModelsOf(entry)) {
        auto *it = new QTreeWidgetItem(m_list);
        it->setText(0, m->Name);
        it->setText(1, QString::number(m->Quantity));
        it->setData(0, kModelRole, QVariant::fromValue<void *>(m));
        it->setFlags(it->flags() | Qt::ItemIsUserCheckable);
        it->setCheckState(0, m->Quantity > 0 ? Qt::Checked : Qt::Unchecked);
    }
    m_list->setSortingEnabled(true);
    if (m_list->topLevelItemCount() > 0) m_list->setCurrentItem(m_list->topLevelItem(0));
    m_filling = false;
    updateActions();
}

void TfrmModelsBase::updateActions()
{
    // A section can be added from any entry, so an empty base on a fresh
    // installation gets its first; the two pseudo-sections keep their names.
    const bool section = CurrentEntry() > 1;
    for (QAction *a : m_sectionActions) a->setEnabled(section);
    m_sectionActions[0]->setEnabled(true);
    const bool row = m_list->currentItem() != nullptr;
    for (QAction *a : m_modelActions) a->setEnabled(row);
    m_btnExport->setEnabled(row);
    m_btnQuantity->setEnabled(row);
}

// --- quantities -----------------------------------------------------------------------

void TfrmModelsBase::setRowQuantity(QTreeWidgetItem *item, int quantity)
{
    auto *m = static_cast<kv::TmdlModelInfo *>(item->data(0, kModelRole).value<void *>());
    if (!m) return;
    m->Quantity = quantity;
    const bool was = m_filling;
    m_filling = true;
    item->setText(1, QString::number(quantity));
    item->setCheckState(0, quantity > 0 ? Qt::Checked : Qt::Unchecked);
    m_filling = was;
}

void TfrmModelsBase::itemChanged(QTreeWidgetItem *item, int column)
{
    if (m_filling || m_applying || column != 0) return;
    auto *m = static_cast<kv::TmdlModelInfo *>(item->data(0, kModelRole).value<void *>());
    if (!m) return;
    if (item->checkState(0) == Qt::Checked && m->Quantity == 0)
        setRowQuantity(item, 1);
    else if (item->checkState(0) == Qt::Unchecked && m->Quantity > 0)
        setRowQuantity(item, 0);
}

bool TfrmModelsBase::eventFilter(QObject *o, QEvent *e)
{
    if (o == m_list && e->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(e);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            Guarded([this] { QuantityActionExecute(); });
            return true;
        }
    }
    return TMdiChild::eventFilter(o, e);
}

void TfrmModelsBase::QuantityActionExecute()
{
    QTreeWidgetItem *item = m_list->currentItem();
    kv::TmdlModelInfo *m = CurrentModel();
    if (!item || !m) return;
    kv::Owned<TfrmChangeQuantity> dlg(new TfrmChangeQuantity(this));
    const QRect r = m_list->visualItemRect(item);
    dlg->move(m_list->viewport()->mapToGlobal(QPoint(r.left(), r.bottom())));
    dlg->SetQuantity(m->Quantity);
    // Gone with the window when it closes meanwhile; nothing to set then.
    if (ui().runModal(*dlg) != QDialog::Accepted || !dlg) return;
    setRowQuantity(item, std::max(0, dlg->Quantity()));
}

void TfrmModelsBase::UncheckActionExecute()
{
    m_view.ClearQuantities(CurrentEntry());
    ShowEntry(CurrentEntry());
}

void TfrmModelsBase::UncheckAllActionExecute()
{
    m_view.ClearAllQuantities();
    ShowEntry(CurrentEntry());
}

void TfrmModelsBase::ApplyModelLists(const QStringList &files, QStringList &notFound, QList<int> &counts)
{
    m_applying = true;
    try {
        m_view.ApplyModelLists(files, notFound, counts);
    } catch (...) {
        m_applying = false;
        throw;
    }
    m_applying = false;
    if (m_view.Sections().Count() > 1) SelectEntry(1);
}

void TfrmModelsBase::AddModel(const QString &storageName, const kv::TmdlModelInfo &model)
{
    m_view.AddModel(storageName, model);
    ShowEntry(CurrentEntry());
}

QList<QPair<QString, int>> TfrmModelsBase::PrintList()
{
    QList<QPair<QString, int>> out;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        auto *m = static_cast<kv::TmdlModelInfo *>(m_list->topLevelItem(i)->data(0, kModelRole).value<void *>());
        if (m && m->Quantity != 0) out << qMakePair(m->Name, m->Quantity);
    }
    return out;
}

// --- part base from models ---------------------------------------------------------------

void TfrmModelsBase::CreateGroupActionExecute()
{
    QStringList names, counts;
    QList<kv::ImportedPart> parts;
    QString mergeFailure;
    {
        BusyCursor busy;
        parts = kv::PartsFromModels(Context().paths(), m_view.Sections(), names, counts, &mergeFailure);
    }
    if (!mergeFailure.isEmpty())
        ui().error(mergeFailure, this);
    QList<QPair<QString, QString>> models;
    for (int i = 0; i < names.size(); ++i) models << qMakePair(names[i], counts[i]);
    NewGroupWindowWith(Context(), parts, models, QString());
}

// --- sections ----------------------------------------------------------------------------

QString TfrmModelsBase::askSectionName(const QString &start, int except)
{
    QString name = start;
    while (true) {
        QString text = name;
        if (!InputNameDialog(ui(), text, this)) return QString();
        if (!m_view.SectionNameTaken(text, except)) return text;
        ui().error(u("Раздел базы моделей с указанным названием уже существует.\r\rПовторите ввод еще раз."), this);
        name = text;
    }
}

void TfrmModelsBase::AddSectionActionExecute()
{
    const QString name = askSectionName(QString(), -1);
    if (name.isEmpty()) return;
    const int at = m_view.AddSection(name);
    FillNavigator(m_view.Sections()[at].Name);
}

void TfrmModelsBase::RenameSectionActionExecute()
{
    const int entry = CurrentEntry();
    if (entry <= 1) return;
    const QString name = askSectionName(m_view.Sections()[entry].Name, entry);
    if (name.isEmpty()) return;
    const int at = m_view.RenameSection(entry, name);
    FillNavigator(m_view.Sections()[at].Name);
}

void TfrmModelsBase::DeleteSectionActionExecute()
{
    const int entry = CurrentEntry();
    if (entry <= 1) return;
    if (ui().confirm(u("Удалить раздел базы моделей?"), kv::MsgButtons::YesNo, this) != kv::ModalResult::Yes)
        return;
    if (ui().warn(u("ВНИМАНИЕ!\r\rВсе данные в текущем разделе базы моделей будут уничтожены!\r\rПродолжить?"),
                        kv::MsgButtons::YesNo, this) != kv::ModalResult::Yes)
        return;
    m_view.DeleteSection(entry);
    FillNavigator(m_view.Sections()[0].Name);
}

// --- models ---------------------------------------------------------------------------------

void TfrmModelsBase::ModelPropsActionExecute()
{
    kv::TmdlModelInfo *m = CurrentModel();
    if (!m) return;
    const int from = m_view.SectionOf(m);
    QString name = m->Name;
    QString section = m_view.Sections()[from].Name;
    if (!ExecuteModelParams(Context(), nullptr, name, section, this)) return;
    const int shown = m_view.ChangeModel(m, name, section);
    if (shown == from && kv::FindSectionByName(m_view.Sections(), section) == from) {
        if (QTreeWidgetItem *it = m_list->currentItem()) {
            m_filling = true;
            it->setText(0, name);
            m_filling = false;
        }
        return;
    }
    SelectEntry(CurrentEntry() <= 1 ? CurrentEntry() : shown);
}

void TfrmModelsBase::OpenModelActionExecute()
{
    kv::TmdlModelInfo *m = CurrentModel();
    if (!m) return;
    OpenModelAsGroup(Context(), m->Name, m->PartsTable);
}

void TfrmModelsBase::DeleteModelActionExecute()
{
    kv::TmdlModelInfo *m = CurrentModel();
    if (!m) return;
    const QString name = m->Name;
    if (ui().confirm(u("Действительно удалить модель <%1>?").arg(name), kv::MsgButtons::YesNo, this)
        != kv::ModalResult::Yes)
        return;
    const int entry = CurrentEntry();
    const int section = m_view.SectionOf(m);
    m_view.DeleteModel(m, [](const QString &table) { return IsGroupTableOpen(table); });
    SelectEntry(entry <= 1 ? entry : section);
}

// --- print, export, close ----------------------------------------------------------------------

void TfrmModelsBase::PrintActionExecute() { PrintModelsList(Context(), PrintList(), this); }

void TfrmModelsBase::ExportActionExecute()
{
    kv::TmdlModelInfo *m = CurrentModel();
    if (!m) return;
    kv::FileChoice c;
    c.save = true;
    c.title = u("Экспорт карт раскроя в INI - файл");
    c.filter = u("INI - файлы (*.ini)|*.ini|Все файлы|*.*");
    c.defaultExt = QStringLiteral("ini");
    c.folder = Context().paths().ExportFolder();
    const QString file = ui().chooseFile(c, this);
    if (file.isEmpty()) return;
    BusyCursor busy;
    kv::ExportModelParts(kv::ModelTablePath(Context().paths(), m->PartsTable), file,
                         [this](int code) { return MaterialNameOf(Context(), code); });
}

void TfrmModelsBase::CloseActionExecute() { CloseChild(); }

void TfrmModelsBase::FormClose() { writeLayout(); }

// --- the one window --------------------------------------------------------------------------

TfrmModelsBase *FindModelsBaseWindow(AppContext &ctx)
{
    if (IMainWindow *frame = ctx.mainWindow())
        return qobject_cast<TfrmModelsBase *>(frame->FindChildOfKind(ChildKind::ModelsBase));
    return nullptr;
}

TfrmModelsBase *CreateModelsBaseWindow(AppContext &ctx)
{
    if (TfrmModelsBase *w = FindModelsBaseWindow(ctx)) return w;
    auto *w = new TfrmModelsBase(ctx);
    w->ShowChild();
    return w;
}
