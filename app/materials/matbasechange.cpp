#include "app/materials/matbasechange.h"

#include "app/common/appcontext.h"
#include "controls/dateedit.h"
#include "data/materials/materials.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/registry.h"
#include "platform/ui.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace kv;

namespace {

bool hasListMat(const QString &folder)
{
    const QString f = Paths::ExternalMaterialsBase(NormalizeFolderPath(folder));
    return !f.isEmpty() && QFileInfo::exists(f);
}

} // namespace

TfrmMatBaseChange::TfrmMatBaseChange(AppContext &ctx, QWidget *parent)
    : QDialog(parent), m_ctx(ctx)
{
    kv::AttachUi(this, &ctx.ui());
    setObjectName(QStringLiteral("frmMatBaseChange"));
    setWindowTitle(QStringLiteral("Базы материалов"));

    gbUse = new QGroupBox(QStringLiteral("Использовать"), this);
    gbUse->setObjectName(QStringLiteral("gbUse"));
    rbLocalBase = new QRadioButton(QStringLiteral("локальную базу материалов"), gbUse);
    rbLocalBase->setObjectName(QStringLiteral("rbLocalBase"));
    rbLocalBase->setChecked(true);
    rbExternalBase = new QRadioButton(QStringLiteral("внешнюю базу материалов"), gbUse);
    rbExternalBase->setObjectName(QStringLiteral("rbExternalBase"));
    // The folder is chosen through the button only.
    cedPath = new TComboEdit(gbUse);
    cedPath->setObjectName(QStringLiteral("cedPath"));
    cedPath->setMinimumWidth(280);
    cedPath->setDirectInput(false);
    cedPath->setGlyph(TCustomComboEdit::EllipsisGlyph(cedPath->ButtonWidth()));
    cedPath->setNumGlyphs(1);

    auto *pathRow = new QHBoxLayout;
    pathRow->setContentsMargins(18, 0, 0, 0);
    pathRow->addWidget(cedPath, 1);
    auto *g = new QVBoxLayout(gbUse);
    g->addWidget(rbLocalBase);
    g->addWidget(rbExternalBase);
    g->addLayout(pathRow);

    bbOk = new QPushButton(QStringLiteral("&Да"), this);
    bbOk->setObjectName(QStringLiteral("bbOk"));
    bbOk->setDefault(true);
    bbCancel = new QPushButton(QStringLiteral("&Отмена"), this);
    bbCancel->setObjectName(QStringLiteral("bbCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(bbOk);
    buttons->addWidget(bbCancel);

    auto *lay = new QVBoxLayout(this);
    lay->addWidget(gbUse);
    lay->addLayout(buttons);

    connect(rbLocalBase, &QRadioButton::toggled, this, &TfrmMatBaseChange::rbBaseClick);
    connect(cedPath, &TCustomComboEdit::ButtonClick, this, &TfrmMatBaseChange::BrowseClick);
    connect(bbOk, &QPushButton::clicked, this, &TfrmMatBaseChange::bbOkClick);
    connect(bbCancel, &QPushButton::clicked, this, &QDialog::reject);

    FormShow();
}

void TfrmMatBaseChange::rbBaseClick()
{
    const bool ext = rbExternalBase->isChecked();
    cedPath->setEnabled(ext);
}

void TfrmMatBaseChange::FormShow()
{
    try {
        Settings &s = m_ctx.settings();
        (s.Get(key::BaseType) == 1 ? rbExternalBase : rbLocalBase)->setChecked(true);
        QString path = s.Get(key::BasePath);
        if (path.trimmed().isEmpty()) {
            const QString prog = Registry::ReadString(QString::fromLatin1(HKEY_LOCAL_MACHINE_NAME),
                                                      QString::fromLatin1(kSiblingKey),
                                                      QString::fromLatin1(kSiblingValue));
            if (!prog.isEmpty()) path = NormalizeFolderPath(NormalizeFolderPath(prog) + QStringLiteral("Inbase"));
        }
        cedPath->setText(path);
    } catch (const std::exception &) {
        m_ctx.ui().error(QStringLiteral("Ошибка загрузки данных о диалоговом окне."), this);
    }
    rbBaseClick();
}

void TfrmMatBaseChange::BrowseClick()
{
    for (;;) {
        QString folder;
        if (!m_ctx.ui().chooseFolder(QStringLiteral("Выберите папку c внешней базой материалов"), cedPath->text(), folder, this))
            return;
        if (hasListMat(folder)) {
            cedPath->setText(folder);
            return;
        }
        m_ctx.ui().error(QString::fromUtf8(mattext::BaseNotFound), this);
    }
}

void TfrmMatBaseChange::bbOkClick()
{
    const bool external = rbExternalBase->isChecked();
    if (external && !hasListMat(cedPath->text())) {
        m_ctx.ui().error(QString::fromUtf8(mattext::BaseNotFound), this);
        return;
    }
    try {
        Settings &s = m_ctx.settings();
        s.Set(key::BasePath, cedPath->text());
        s.Set(key::BaseType, external ? 1 : 0);
    } catch (const std::exception &) {
        m_ctx.ui().error(QStringLiteral("Ошибка сохранения данных о диалоговом окне."), this);
        return;
    }
    accept();
}

bool ExecuteMatBaseChange(AppContext &ctx, QWidget *parent)
{
    kv::Owned<TfrmMatBaseChange> f(new TfrmMatBaseChange(ctx, parent));
    return ctx.ui().runModal(*f) == QDialog::Accepted;
}

bool RunMatBaseChange(AppContext &ctx, QWidget *parent)
{
    if (!ExecuteMatBaseChange(ctx, parent)) return false;
    // Connecting tells every material view through MaterialsChanged.
    ctx.materials().ConnectMaterialsBase();
    return true;
}
