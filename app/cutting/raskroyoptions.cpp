#include "app/cutting/raskroyoptions.h"

#include "app/common/appcontext.h"
#include "app/common/mainwindow.h"
#include "app/common/navigator.h"
#include "app/materials/findmaterial.h"
#include "app/stock/selectsheets.h"
#include "controls/spinedit.h"
#include "data/datamodule.h"
#include "data/paths.h"
#include "data/settings.h"
#include "engine/driver.h"
#include "platform/db/table.h"
#include "platform/ui.h"
#include "widgets/outlookbar.h"
#include "widgets/outlooklist.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <climits>

using namespace kv;

namespace {
int WholeOrZero(const QString &text)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    return ok ? v : 0;
}

// A tool button shows an action's icon text, which drops a trailing "...":
// the buttons "..." came out blank.
QToolButton *toolFor(QWidget *parent, QAction *a, const char *name)
{
    a->setIconText(a->text());
    auto *b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setDefaultAction(a);
    return b;
}
} // namespace

template <class F>
void TfrmRaskroyOptions::guarded(F f)
{
    m_ctx.ui().guarded(f, this);
}

TfrmRaskroyOptions::TfrmRaskroyOptions(AppContext &ctx, QWidget *parent) : QDialog(parent), m_ctx(ctx)
{
    setObjectName(QStringLiteral("frmRaskroyOptions"));
    setWindowTitle(QStringLiteral("Параметры разложения"));
    AttachUi(this, &ctx.ui());
    const QString tmp = ctx.paths().TempSheetsTable();
    SheetsOf = [tmp](int code) { return StdSheetsOfMaterial(tmp, code); };

    createActions();
    QWidget *nav = buildNavigator();
    QLayout *opts = buildOptions();
    QLayout *buttons = buildButtons();

    auto *top = new QHBoxLayout;
    top->addWidget(nav);
    top->addLayout(opts, 1);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(top, 1);
    lay->addLayout(buttons);
}

void TfrmRaskroyOptions::createActions()
{
    auto action = [this](const char *name, const QString &text, const QString &hint = QString()) {
        auto *a = new QAction(text, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setToolTip(hint.isEmpty() ? text : hint);
        addAction(a);
        return a;
    };
    OkAction = action("OkAction", QStringLiteral("&Да"));
    CancelAction = action("CancelAction", QStringLiteral("&Отмена"));
    BaseSheetAction = action("BaseSheetAction", QStringLiteral("&База листов"));
    RemarkAllAction = action("RemarkAllAction", QStringLiteral("..."),
                             QStringLiteral("Комментарий установить\r\nдля всех материалов"));
    SearchModeAllAction = action("SearchModeAllAction", QStringLiteral("..."),
                                 QStringLiteral("Способ перебора установить\r\nдля всех материалов"));
    DepthAllAction = action("DepthAllAction", QStringLiteral("..."),
                            QStringLiteral("Глубину перебора установить\r\nдля всех материалов"));
    AlgorithmAllAction = action("AlgorithmAllAction", QStringLiteral("..."),
                                QStringLiteral("Вид алгоритма установить\r\nдля всех материалов"));
    connect(OkAction, &QAction::triggered, this, [this] { guarded([this] { OkActionExecute(); }); });
    connect(CancelAction, &QAction::triggered, this, [this] { guarded([this] { CancelActionExecute(); }); });
    connect(BaseSheetAction, &QAction::triggered, this, [this] { guarded([this] { BaseSheetActionExecute(); }); });
    connect(RemarkAllAction, &QAction::triggered, this, [this] { guarded([this] { RemarkAllActionExecute(); }); });
    connect(SearchModeAllAction, &QAction::triggered, this,
            [this] { guarded([this] { SearchModeAllActionExecute(); }); });
    connect(DepthAllAction, &QAction::triggered, this, [this] { guarded([this] { DepthAllActionExecute(); }); });
    connect(AlgorithmAllAction, &QAction::triggered, this,
            [this] { guarded([this] { AlgorithmAllActionExecute(); }); });
}

// The materials of the job, on the left.
QWidget *TfrmRaskroyOptions::buildNavigator()
{
    auto *nav = new TgwOutlookBar(this);
    NavigatorBar setup;
    setup.caption = QStringLiteral("Материалы");
    setup.width = 105;
    setup.autoBold = true;
    setup.onButton = [this] { bbMaterialsClick(); };
    OutlookList = SetUpNavigatorBar(nav, setup, QStringLiteral("OutlookList"));
    nav->OutlookItems()->Page(0)->Button->setObjectName(QStringLiteral("bbMaterials"));
    OutlookList->OnItemClick = [this](TgwCustomOutlookList *l, TgwOutlookListItem *it) {
        guarded([&] { OutlookListItemClick(l, it); });
    };
    return nav;
}

// The page button: the materials' finder, the chosen one selected.
void TfrmRaskroyOptions::bbMaterialsClick()
{
    guarded([this] {
        QList<MaterialItem> items;
        for (int i = 0; i < OutlookList->Items()->Count(); ++i)
            items.append({OutlookList->Items()->Item(i)->Tag, OutlookList->Items()->Item(i)->Text()});
        TgwOutlookListItem *sel = OutlookList->GetSelectedItem();
        const int chosen = ExecuteFindMaterial(m_ctx.ui(), items, sel ? sel->Index() : 0, this);
        if (chosen < 0 || chosen >= OutlookList->Items()->Count())
            return;
        TgwOutlookListItem *it = OutlookList->Items()->Item(chosen);
        it->SetSelected(true);
        OutlookList->MakeVisible(it);
        OutlookListItemClick(OutlookList, it);
    });
}

// The options of the chosen material.
QLayout *TfrmRaskroyOptions::buildOptions()
{
    chbEnabled = new QCheckBox(QStringLiteral("Разложить"), this);
    chbEnabled->setObjectName(QStringLiteral("chbEnabled"));
    connect(chbEnabled, &QCheckBox::clicked, this, [this] { guarded([this] { chbEnabledClick(); }); });

    auto *gbSheet = new QGroupBox(QStringLiteral("Лист"), this);
    gbSheet->setObjectName(QStringLiteral("gbSheet"));
    auto *sheetLay = new QGridLayout(gbSheet);
    edSheetWidth = new QLineEdit(gbSheet);
    edSheetWidth->setObjectName(QStringLiteral("edSheetWidth"));
    edSheetHeight = new QLineEdit(gbSheet);
    edSheetHeight->setObjectName(QStringLiteral("edSheetHeight"));
    sheetLay->addWidget(new QLabel(QStringLiteral("Длина"), gbSheet), 0, 0);
    sheetLay->addWidget(edSheetWidth, 0, 1);
    sheetLay->addWidget(new QLabel(QStringLiteral("Ширина"), gbSheet), 1, 0);
    sheetLay->addWidget(edSheetHeight, 1, 1);
    auto *bbBaseSheet = new QPushButton(gbSheet);
    bbBaseSheet->setObjectName(QStringLiteral("bbBaseSheet"));
    bbBaseSheet->setText(BaseSheetAction->text());
    connect(bbBaseSheet, &QPushButton::clicked, BaseSheetAction, &QAction::trigger);
    connect(BaseSheetAction, &QAction::changed, bbBaseSheet,
            [this, bbBaseSheet] { bbBaseSheet->setEnabled(BaseSheetAction->isEnabled()); });
    sheetLay->addWidget(bbBaseSheet, 0, 2, 2, 1);
    chbStandart = new QCheckBox(QStringLiteral("Контроль количества листов"), gbSheet);
    chbStandart->setObjectName(QStringLiteral("chbStandart"));
    sheetLay->addWidget(chbStandart, 2, 0, 1, 3);

    chbUseScraps = new QCheckBox(QStringLiteral("Использовать базу остатков"), this);
    chbUseScraps->setObjectName(QStringLiteral("chbUseScraps"));

    seExSearch = new TExSpinEdit(this);
    seExSearch->setObjectName(QStringLiteral("seExSearch"));
    seExSearch->setMaxValue(2147483647.0);
    seExSearch->setValue(1000);
    auto *depthRow = new QHBoxLayout;
    depthRow->addWidget(new QLabel(QStringLiteral("Глубина перебора"), this));
    depthRow->addWidget(seExSearch, 1);
    depthRow->addWidget(toolFor(this, DepthAllAction, "bbDepthAll"));

    auto *gbAlg = new QGroupBox(QStringLiteral("Выбор алгоритма"), this);
    gbAlg->setObjectName(QStringLiteral("gbAlgorithm"));
    auto *algLay = new QVBoxLayout(gbAlg);
    rbAlgorithm1 = new QRadioButton(QStringLiteral("Алгоритм 1"), gbAlg);
    rbAlgorithm1->setObjectName(QStringLiteral("rbAlgorithm1"));
    rbAlgorithm2 = new QRadioButton(QStringLiteral("Алгоритм 2"), gbAlg);
    rbAlgorithm2->setObjectName(QStringLiteral("rbAlgorithm2"));
    cbxOneDimOptimization = new QCheckBox(QStringLiteral("Оптимизировать одноразмерные"), gbAlg);
    cbxOneDimOptimization->setObjectName(QStringLiteral("cbxOneDimOptimization"));
    algLay->addWidget(rbAlgorithm1);
    algLay->addWidget(rbAlgorithm2);
    algLay->addWidget(cbxOneDimOptimization);
    algLay->addWidget(toolFor(this, AlgorithmAllAction, "bbAlgorithmAll"), 0, Qt::AlignRight);

    auto *gbMode = new QGroupBox(QStringLiteral("Способ перебора"), this);
    gbMode->setObjectName(QStringLiteral("gbSearchMode"));
    auto *modeLay = new QVBoxLayout(gbMode);
    rbQuick = new QRadioButton(QStringLiteral("Быстрый"), gbMode);
    rbQuick->setObjectName(QStringLiteral("rbQuick"));
    rbFull = new QRadioButton(QStringLiteral("Полный"), gbMode);
    rbFull->setObjectName(QStringLiteral("rbFull"));
    modeLay->addWidget(rbQuick);
    modeLay->addWidget(rbFull);
    modeLay->addWidget(toolFor(this, SearchModeAllAction, "bbSearchModeAll"), 0, Qt::AlignRight);

    edRemark = new QLineEdit(this);
    edRemark->setObjectName(QStringLiteral("edRemark"));
    auto *remarkRow = new QHBoxLayout;
    remarkRow->addWidget(new QLabel(QStringLiteral("Комментарий"), this));
    remarkRow->addWidget(edRemark, 1);
    remarkRow->addWidget(toolFor(this, RemarkAllAction, "bbRemarkAll"));

    auto *groups = new QHBoxLayout;
    groups->addWidget(gbAlg);
    groups->addWidget(gbMode);

    auto *opts = new QVBoxLayout;
    opts->addWidget(chbEnabled);
    opts->addWidget(gbSheet);
    opts->addWidget(chbUseScraps);
    opts->addLayout(depthRow);
    opts->addLayout(groups);
    opts->addLayout(remarkRow);
    opts->addStretch(1);
    return opts;
}

QLayout *TfrmRaskroyOptions::buildButtons()
{
    auto button = [this](const char *name, const QString &text) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    auto *bbOk = button("bbOk", OkAction->text());
    bbOk->setDefault(true);
    connect(bbOk, &QPushButton::clicked, OkAction, &QAction::trigger);
    auto *bbCancel = button("bbCancel", CancelAction->text());
    connect(bbCancel, &QPushButton::clicked, CancelAction, &QAction::trigger);
    bbAutoBounds = button("bbAutoBounds", QStringLiteral("&Авто - размер листов"));
    connect(bbAutoBounds, &QPushButton::clicked, this, [this] { guarded([this] { bbAutoBoundsClick(); }); });
    bbOptions = button("bbOptions", QStringLiteral("&Параметры"));
    connect(bbOptions, &QPushButton::clicked, this, [this] { guarded([this] { bbOptionsClick(); }); });
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(bbOptions);
    buttons->addWidget(bbAutoBounds);
    buttons->addStretch(1);
    buttons->addWidget(bbOk);
    buttons->addWidget(bbCancel);
    return buttons;
}

TfrmRaskroyOptions::~TfrmRaskroyOptions() = default;

void TfrmRaskroyOptions::SetJob(const QStringList &codes, const QStringList &names, const QStringList &remarks)
{
    m_codes = codes;
    m_names = names;
    m_remarks = remarks;
}

int TfrmRaskroyOptions::Execute()
{
    FormShow();
    const int r = m_ctx.ui().runModal(*this);
    // The file object goes; the file stays for the job.
    m_job.reset();
    return r;
}

void TfrmRaskroyOptions::FormShow()
{
    m_shown = -1;
    const QString file = m_ctx.paths().JobOptionsFile();
    m_job.reset();
    TIniFile::ClearCache();
    QFile::remove(file);
    m_job = std::make_unique<TIniFile>(file);
    PrepareJobFile(m_ctx.settings().Ini(), *m_job, m_codes, m_remarks);

    OutlookList->Items()->Clear();
    for (int i = 0; i < m_codes.size(); ++i) {
        const int code = m_codes[i].toInt();
        TgwOutlookListItem *it = OutlookList->Items()->Add();
        it->SetText(i < m_names.size() ? m_names[i] : QString());
        it->Tag = code;
        it->SetImageIndex(GetOptimEnabled(*m_job, MaterialSection(code)) ? 48 : 49);
        it->SetSeparation(2);
        it->SetTextAlignment(gw::taLeftJustify);
        it->SetGlyphOffset(1);
    }
    if (OutlookList->Items()->Count() > 0) {
        TgwOutlookListItem *first = OutlookList->Items()->Item(0);
        first->SetSelected(true);
        ShowMaterial(first->Tag);
    }
    updateEnabling();
}

TgwOutlookListItem *TfrmRaskroyOptions::itemOf(int code) const
{
    for (int i = 0; i < OutlookList->Items()->Count(); ++i)
        if (OutlookList->Items()->Item(i)->Tag == code)
            return OutlookList->Items()->Item(i);
    return nullptr;
}

void TfrmRaskroyOptions::OutlookListItemClick(TgwCustomOutlookList *, TgwOutlookListItem *item)
{
    if (item)
        ShowMaterial(item->Tag);
}

void TfrmRaskroyOptions::ShowMaterial(int code)
{
    if (!m_job)
        return;
    saveShown();
    m_shown = code;
    loadShown();
}

void TfrmRaskroyOptions::saveShown()
{
    if (m_shown < 0 || !m_job)
        return;
    const QString section = MaterialSection(m_shown);
    TOptimSettings o;
    o.Enabled = chbEnabled->isChecked();
    o.SheetWidth = WholeOrZero(edSheetWidth->text());
    o.SheetHeight = WholeOrZero(edSheetHeight->text());
    o.UseScraps = chbUseScraps->isChecked();
    o.Standart = chbStandart->isChecked();
    o.ExSearch = seExSearch->IntValue();
    o.AlgorithmNumber = rbAlgorithm2->isChecked() ? 1 : 0;
    o.DefQuantity = 0;
    o.Algorithm = rbFull->isChecked();
    o.Remark = edRemark->text();
    o.OneDimOpt = cbxOneDimOptimization->isChecked();
    PackOptimSettings(*m_job, section, o);
}

void TfrmRaskroyOptions::loadShown()
{
    const TOptimSettings o = UnpackOptimSettings(*m_job, MaterialSection(m_shown));
    m_loading = true;
    chbEnabled->setChecked(o.Enabled);
    edSheetWidth->setText(QString::number(o.SheetWidth));
    edSheetHeight->setText(QString::number(o.SheetHeight));
    chbUseScraps->setChecked(o.UseScraps);
    chbStandart->setChecked(o.Standart);
    seExSearch->setValue(o.ExSearch);
    if (o.AlgorithmNumber == 0)
        rbAlgorithm1->setChecked(true);
    else if (o.AlgorithmNumber == 1)
        rbAlgorithm2->setChecked(true);
    if (o.Algorithm)
        rbFull->setChecked(true);
    else
        rbQuick->setChecked(true);
    edRemark->setText(o.Remark);
    cbxOneDimOptimization->setChecked(o.OneDimOpt);
    m_loading = false;
    updateEnabling();
}

void TfrmRaskroyOptions::updateEnabling()
{
    const bool on = chbEnabled->isChecked() && m_shown >= 0;
    for (QWidget *w : std::initializer_list<QWidget *>{edSheetWidth, edSheetHeight, chbUseScraps, chbStandart,
                                                        seExSearch, rbAlgorithm1, rbAlgorithm2, rbQuick, rbFull,
                                                        edRemark, cbxOneDimOptimization})
        w->setEnabled(on);
    for (QAction *a : {BaseSheetAction, RemarkAllAction, SearchModeAllAction, DepthAllAction, AlgorithmAllAction})
        a->setEnabled(on);
}

void TfrmRaskroyOptions::chbEnabledClick()
{
    if (TgwOutlookListItem *it = itemOf(m_shown))
        it->SetImageIndex(chbEnabled->isChecked() ? 48 : 49);
    updateEnabling();
}

void TfrmRaskroyOptions::BaseSheetActionExecute()
{
    if (m_shown < 0)
        return;
    struct Closer
    {
        Table *t;
        ~Closer()
        {
            try {
                t->Close();
            } catch (...) {
                // A destructor: closing a read-only view loses nothing.
            }
        }
    } closer{m_ctx.module().tblSheets2};
    Owned<TFormSelectSheets> f(new TFormSelectSheets(m_ctx, this));
    f->Prepare(m_shown);
    if (m_ctx.ui().runModal(*f) != QDialog::Accepted || !f)
        return;
    edSheetWidth->setText(QString::number(f->SheetLength()));
    edSheetHeight->setText(QString::number(f->SheetWidth()));
    chbStandart->setEnabled(true);
    chbStandart->setChecked(true);
}

void TfrmRaskroyOptions::bbAutoBoundsClick()
{
    if (!m_job)
        return;
    saveShown();
    AutoBounds(*m_job, m_codes, SheetsOf);
    if (m_shown >= 0) {
        int w = 0, h = 0;
        GetOptimSheetSize(*m_job, MaterialSection(m_shown), w, h);
        edSheetWidth->setText(QString::number(w));
        edSheetHeight->setText(QString::number(h));
        chbStandart->setChecked(true);
    }
}

void TfrmRaskroyOptions::bbOptionsClick()
{
    if (IMainWindow *frame = m_ctx.mainWindow())
        frame->EditDefaultOptions(false);
}

void TfrmRaskroyOptions::RemarkAllActionExecute()
{
    for (const QString &c : m_codes)
        SetOptimRemark(*m_job, MaterialSection(c.toInt()), edRemark->text());
}

void TfrmRaskroyOptions::SearchModeAllActionExecute()
{
    for (const QString &c : m_codes)
        SetOptimAlgorithm(*m_job, MaterialSection(c.toInt()), rbFull->isChecked());
}

void TfrmRaskroyOptions::DepthAllActionExecute()
{
    const int depth = seExSearch->IntValue();
    for (const QString &c : m_codes)
        SetOptimExSearch(*m_job, MaterialSection(c.toInt()), depth);
}

void TfrmRaskroyOptions::AlgorithmAllActionExecute()
{
    for (const QString &c : m_codes) {
        SetOptimAlgorithmNumber(*m_job, MaterialSection(c.toInt()), rbAlgorithm2->isChecked() ? 1 : 0);
        SetOptimOneDimOpt(*m_job, MaterialSection(c.toInt()), cbxOneDimOptimization->isChecked());
    }
}

void TfrmRaskroyOptions::OkActionExecute()
{
    if (!m_job || !TExSpinEdit::CheckRanges(this))
        return;
    saveShown();
    CopyJobToSettings(*m_job, m_ctx.settings().Ini());
    const QString error = CheckJobStock(*m_job, m_codes, m_names, SheetsOf);
    if (!error.isEmpty()) {
        m_ctx.ui().error(error, this);
        return;
    }
    accept();
}

void TfrmRaskroyOptions::CancelActionExecute() { reject(); }
