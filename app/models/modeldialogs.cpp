#include "app/models/modeldialogs.h"

#include "app/common/appcontext.h"
#include "app/common/smalldialogs.h"
#include "app/models/modelsbase.h"
#include "data/models/modelbase.h"
#include "data/partbase/partbasedoc.h"
#include "data/paths.h"
#include "platform/db/copytable.h"
#include "platform/error.h"
#include "platform/ui.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QString u(const char *s) { return QString::fromUtf8(s); }

QPushButton *button(QWidget *parent, const char *name, const char *text)
{
    auto *b = new QPushButton(u(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}
} // namespace

// --- model properties --------------------------------------------------------------------

TfrmModelParams::TfrmModelParams(AppContext &ctx, kv::PartBaseDocument *group, const QString &modelName,
                                 const QString &sectionName, QWidget *parent)
    : QDialog(parent), m_ctx(ctx), m_group(group), m_adding(modelName.isEmpty())
{
    setObjectName(QStringLiteral("frmModelParams"));
    kv::AttachUi(this, &ctx.ui());
    setWindowTitle(u("Свойства модели"));
    auto *v = new QVBoxLayout(this);
    v->addWidget(new QLabel(u("Название раздела:"), this));
    m_sections = new QListWidget(this);
    m_sections->setObjectName(QStringLiteral("lbxSections"));
    v->addWidget(m_sections);
    v->addWidget(new QLabel(u("Название модели:"), this));
    m_name = new QLineEdit(modelName, this);
    m_name->setObjectName(QStringLiteral("edName"));
    v->addWidget(m_name);
    auto *h = new QHBoxLayout;
    m_ok = button(this, "bbOk", "&Да");
    auto *cancel = button(this, "bbCancel", "&Отмена");
    h->addStretch();
    h->addWidget(m_ok);
    h->addWidget(cancel);
    v->addLayout(h);
    connect(m_ok, &QPushButton::clicked, this, [this] { m_ctx.ui().guarded([this] { bbOkClick(); }, this); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    kv::OpenModelsBase(ctx.paths().ModelsBaseFile());
    kv::LoadSections(m_list, kv::ModelsRootStorage(), false);
    for (int i = 0; i < m_list.Count(); ++i) {
        m_sections->addItem(m_list[i].Name);
        if (kv::SameLatinText(m_list[i].Name, sectionName) && m_sections->currentRow() < 0) m_sections->setCurrentRow(i);
    }
    resize(320, 360);
}

QString TfrmModelParams::ModelName() const { return m_name->text().trimmed(); }

QString TfrmModelParams::SectionName() const
{
    const int row = m_sections->currentRow();
    return row >= 0 && row < m_list.Count() ? m_list[row].Name : QString();
}

void TfrmModelParams::bbOkClick()
{
    if (ModelName().isEmpty()) {
        m_ctx.ui().error(u("Необходимо указать название модели"), this);
        return;
    }
    if (m_sections->currentRow() < 0) {
        m_ctx.ui().error(u("Необходимо указать название раздела базы моделей"), this);
        return;
    }
    if (m_adding) addModel();
    accept();
}

void TfrmModelParams::addModel()
{
    const kv::Paths &paths = m_ctx.paths();
    const QString stem = kv::NextModelTableStem(paths);
    const QString table = kv::ModelTablePath(paths, stem);
    try {
        if (!m_group) throw kv::Error(QString());
        m_group->PostIfEditing();
        kv::PartBaseDocument::CopyPartsTable(m_group->table(), table, paths);
        kv::TmdlModelSection &section = m_list[m_sections->currentRow()];
        kv::LoadModels(section.Models, section.ModelsStorage());
        kv::TmdlModelInfo model;
        model.Name = ModelName();
        model.PartsTable = stem;
        model.StreamName = kv::NextModelStreamName(section.Models);
        model.CreateStream(section.ModelsStorage());
        section.Models.Add(model);
        if (TfrmModelsBase *w = FindModelsBaseWindow(m_ctx)) w->AddModel(section.StorageName, model);
    } catch (const std::exception &) {
        if (QFileInfo::exists(table)) {
            try { kv::DeleteTableFile(table); } catch (...) {}
        }
        throw kv::Error(u("Ошибка добавления в базу элементов!"));
    }
}

bool ExecuteModelParams(AppContext &ctx, kv::PartBaseDocument *group, QString &modelName, QString &sectionName,
                        QWidget *parent)
{
    kv::Owned<TfrmModelParams> dlg(new TfrmModelParams(ctx, group, modelName, sectionName, parent));
    if (ctx.ui().runModal(*dlg) != QDialog::Accepted || !dlg) return false;
    modelName = dlg->ModelName();
    sectionName = dlg->SectionName();
    return true;
}

void AddModelToGroup(AppContext &ctx, kv::PartBaseDocument *group, QWidget *parent)
{
    QString name, section;
    ExecuteModelParams(ctx, group, name, section, parent);
}

// --- sections of the older catalog -----------------------------------------------------------

TfrmElementSections::TfrmElementSections(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmElementSections"));
    kv::AttachUi(this, &ctx.ui());
    setWindowTitle(u("Разделы базы моделей"));
    m_edit = std::make_unique<kv::CatalogSectionsEdit>(ctx.paths());
    auto *v = new QVBoxLayout(this);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lvwSections"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({u("Название раздела")});
    v->addWidget(m_list);
    auto *h = new QHBoxLayout;
    auto *add = button(this, "btnAdd", "Д&обавить");
    auto *edit = button(this, "btnEdit", "&Изменить");
    auto *del = button(this, "btnDelete", "&Удалить");
    m_ok = button(this, "bbOk", "&Да");
    auto *cancel = button(this, "bbCancel", "&Отмена");
    for (QPushButton *b : {add, edit, del}) h->addWidget(b);
    h->addStretch();
    h->addWidget(m_ok);
    h->addWidget(cancel);
    v->addLayout(h);
    m_ok->setEnabled(false);
    auto guard = [this](void (TfrmElementSections::*m)()) {
        return [this, m] { m_ctx.ui().guarded([this, m] { (this->*m)(); }, this); };
    };
    connect(add, &QPushButton::clicked, this, guard(&TfrmElementSections::btnAddClick));
    connect(edit, &QPushButton::clicked, this, guard(&TfrmElementSections::btnEditClick));
    connect(del, &QPushButton::clicked, this, guard(&TfrmElementSections::btnDeleteClick));
    connect(m_ok, &QPushButton::clicked, this, guard(&TfrmElementSections::bbOkClick));
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(320, 300);
    m_list->setColumnWidth(0, m_list->viewport()->width() - 4);
    fill();
}

TfrmElementSections::~TfrmElementSections() = default;

void TfrmElementSections::fill(const QString &select)
{
    m_list->clear();
    for (const auto &line : m_edit->Sections()) {
        auto *it = new QTreeWidgetItem(m_list, {line.name});
        it->setData(0, Qt::UserRole, line.number);
        if (line.number == select) m_list->setCurrentItem(it);
    }
    if (!m_list->currentItem() && m_list->topLevelItemCount() > 0) m_list->setCurrentItem(m_list->topLevelItem(0));
    m_ok->setEnabled(m_edit->Changed());
}

void TfrmElementSections::btnAddClick()
{
    QString name;
    if (!InputNameDialog(m_ctx.ui(), name, this)) return;
    fill(m_edit->Add(name));
}

void TfrmElementSections::btnEditClick()
{
    QTreeWidgetItem *it = m_list->currentItem();
    if (!it) return;
    QString name = it->text(0);
    if (!InputNameDialog(m_ctx.ui(), name, this)) return;
    const QString number = it->data(0, Qt::UserRole).toString();
    m_edit->Rename(number, name);
    fill(number);
}

void TfrmElementSections::btnDeleteClick()
{
    QTreeWidgetItem *it = m_list->currentItem();
    if (!it) return;
    if (m_ctx.ui().confirm(u("Действительно удалить раздел базы моделей?"), kv::MsgButtons::YesNo, this)
        != kv::ModalResult::Yes)
        return;
    m_edit->Delete(it->data(0, Qt::UserRole).toString());
    fill();
}

void TfrmElementSections::bbOkClick()
{
    if (m_edit->DeletedCount() > 0) {
        const kv::ModalResult r = m_ctx.ui().confirm(
            u("ВНИМАНИЕ!\r\rБыло удалено %1 разделов базы моделей.\rПодтверждаете сделанные изменения?")
                .arg(m_edit->DeletedCount()),
            kv::MsgButtons::YesNoCancel, this);
        if (r == kv::ModalResult::Cancel || r == kv::ModalResult::None) return;
        if (r == kv::ModalResult::No) {
            reject();
            return;
        }
    }
    m_edit->Save();
    accept();
}

void ExecuteElementSections(AppContext &ctx, QWidget *parent)
{
    kv::Owned<TfrmElementSections> dlg(new TfrmElementSections(ctx, parent));
    ctx.ui().runModal(*dlg);
}
