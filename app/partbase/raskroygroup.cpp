#include "app/partbase/raskroygroup.h"

#include "app/common/appcontext.h"
#include "app/common/materialsmenu.h"
#include "app/common/navigator.h"
#include "app/common/programimages.h"
#include "app/common/smalldialogs.h"
#include "app/materials/findmaterial.h"
#include "app/materials/selectmaterial.h"
#include "app/partbase/groupprint.h"
#include "controls/dbgrid.h"
#include "data/materials/borders.h"
#include "data/materials/materials.h"
#include "data/partbase/partbaseprint.h"
#include "data/paths.h"
#include "data/rowchecks.h"
#include "data/settings.h"
#include "platform/colors.h"
#include "platform/error.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "widgets/outlookbar.h"
#include "widgets/outlooklist.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QScrollBar>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QRadioButton>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

using kv::PartBaseDocument;


namespace {

const QString kGroupsFilter = QStringLiteral("Файлы баз деталей (*.kdx)|*.kdx");
const QString kOpenFilter = QStringLiteral("Файлы баз деталей (*.kdx)|*.kdx|Все файлы|*.*");
const char *const kEdgeNames[4] = {"sbLBorder", "sbRBorder", "sbTBorder", "sbBBorder"};
const char *const kEdgeFields[4] = {"LBORDER", "RBORDER", "TBORDER", "BBORDER"};

QIcon colorStrip(const QColor &c)
{
    QPixmap pm(14, 14);
    pm.fill(c);
    QPainter p(&pm);
    p.setPen(Qt::darkGray);
    p.drawRect(0, 0, 13, 13);
    return QIcon(pm);
}

} // namespace

// Tells the window about its table: rows changed, cursor moved, state changed.
class TfrmRaskroyGroup::GroupLink : public kv::DataLink
{
public:
    explicit GroupLink(TfrmRaskroyGroup &w) : m_w(w) {}
    void ActiveChanged() override { changed(); }
    void DataSetChanged() override { changed(); }
    void DataSetScrolled(int) override
    {
        m_w.UpdateRecordControls();
        m_w.UpdateActions();
    }
    void EditingChanged() override { m_w.UpdateActions(); }

private:
    void changed()
    {
        m_w.UpdateRecordControls();
        m_w.UpdateTotals();
        m_w.UpdateActions();
    }
    TfrmRaskroyGroup &m_w;
};

TfrmRaskroyGroup::TfrmRaskroyGroup(AppContext &ctx, QWidget *parent)
    : TMdiChild(ctx, QStringLiteral("TfrmRaskroyGroup"), parent),
      m_doc(std::make_unique<PartBaseDocument>(ctx.paths(), &ctx.settings()))
{
    setObjectName(QStringLiteral("frmRaskroyGroup"));
    m_doc->MaterialName = [this](int code) {
        const int i = int(m_matCodes.indexOf(code));
        return i >= 0 ? m_matNames.value(i) : QString();
    };
    m_doc->OnWarning = [this](const QString &text) { ui().warn(text, kv::MsgButtons::Ok, this); };
    m_source = new kv::DataSource(this);
    m_source->setObjectName(QStringLiteral("srcGroup"));
    m_source->SetDataSet(&m_doc->table());
    buildUi();
    m_link = std::make_unique<GroupLink>(*this);
    // The window's own save button follows a post at once, as the frame's does.
    m_doc->OnModified = [this] { UpdateActions(); };
    m_link->SetDataSource(m_source);
    fillMaterials();
    loadLayout();
    LoadDetalNames();
    m_doc->Modified = false;
    SetFileName();
    UpdateActions();
}

QSize TfrmRaskroyGroup::sizeHint() const
{
    // The column of the grid widens by what the grid needs beyond what
    // the column asks for already (its command row may be the wider).
    QSize s = TMdiChild::sizeHint();
    QWidget *column = m_grid->parentWidget();
    const QMargins m = column->layout() ? column->layout()->contentsMargins() : QMargins();
    const int grid = m_grid->verticalHeader()->sizeHint().width() + m_grid->horizontalHeader()->length() +
                     2 * m_grid->frameWidth() + m_grid->verticalScrollBar()->sizeHint().width();
    s.rwidth() += std::max(0, grid + m.left() + m.right() - column->sizeHint().width());
    return s;
}

TfrmRaskroyGroup::~TfrmRaskroyGroup()
{
    Guarded([this] { saveLayout(); });
    m_doc->OnModified = nullptr;
    m_link.reset();
}

// ---- building -------------------------------------------------------------

void TfrmRaskroyGroup::buildUi()
{
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    auto *body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(2);
    root->addLayout(body, 1);

    m_bar = new TgwOutlookBar(this);
    kv::NavigatorBar nav;
    nav.caption = QStringLiteral("Материалы");
    nav.width = 105;
    nav.autoBold = true;
    nav.onButton = [this] { Guarded([this] { bbMaterialsClick(); }); };
    m_list = kv::SetUpNavigatorBar(m_bar, nav, QStringLiteral("OutlookList"));
    m_bar->OutlookItems()->Page(0)->Button->setObjectName(QStringLiteral("bbMaterials"));
    m_list->OnItemClick = [this](TgwCustomOutlookList *l, TgwOutlookListItem *item) { OutlookListItemClick(l, item); };
    body->addWidget(m_bar);

    auto *right = new QWidget(this);
    auto *col = new QVBoxLayout(right);
    col->setContentsMargins(2, 2, 2, 0);
    // The command row is cut at the right edge of a narrow window rather
    // than widening it: a stored rectangle narrower than the row still holds.
    auto *rowHolder = new QScrollArea(right);
    rowHolder->setObjectName(QStringLiteral("sbCommands"));
    rowHolder->setFrameShape(QFrame::NoFrame);
    rowHolder->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    rowHolder->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    rowHolder->setWidgetResizable(true);
    rowHolder->setWidget(buildCommandRow());
    rowHolder->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    rowHolder->setFixedHeight(rowHolder->widget()->sizeHint().height());
    col->addWidget(rowHolder);
    buildGrid();
    col->addWidget(m_grid, 1);
    body->addWidget(right, 1);

    m_status = new QStatusBar(this);
    m_status->setObjectName(QStringLiteral("StatusBar"));
    m_status->setSizeGripEnabled(false);
    const int widths[5] = {120, 140, 120, 120, 50};
    for (int i = 0; i < 5; ++i) {
        m_panels[i] = new QLabel(m_status);
        m_panels[i]->setObjectName(QStringLiteral("Panel%1").arg(i));
        m_panels[i]->setFrameShape(QFrame::Panel);
        m_panels[i]->setFrameShadow(QFrame::Sunken);
        m_panels[i]->setMinimumWidth(widths[i]);
        m_status->addWidget(m_panels[i], i == 4 ? 1 : 0);
    }
    root->addWidget(m_status);
}

QWidget *TfrmRaskroyGroup::buildCommandRow()
{
    auto *row = new QWidget(this);
    row->setObjectName(QStringLiteral("pnlCommands"));
    auto *h = new QHBoxLayout(row);
    h->setContentsMargins(0, 0, 0, 0);
    auto action = [this](QAction *&a, const char *name, const QString &caption, void (TfrmRaskroyGroup::*slot)()) {
        a = new QAction(caption, this);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [this, slot] { Guarded([this, slot] { (this->*slot)(); }); });
        return a;
    };
    action(DeleteAction, "DeleteAction", QStringLiteral("&Удалить"), &TfrmRaskroyGroup::DeleteActionExecute);
    action(SaveAction, "SaveAction", QStringLiteral("&Сохранить"), &TfrmRaskroyGroup::SaveActionExecute);
    action(MergeAction, "MergeAction", QStringLiteral("С&лияние"), &TfrmRaskroyGroup::MergeActionExecute);
    PrintAction = new QAction(QStringLiteral("&Печать"), this);
    PrintAction->setObjectName(QStringLiteral("PrintAction"));
    action(ExcelAction, "ExcelAction", QStringLiteral("&MS Excel"), &TfrmRaskroyGroup::ExcelActionExecute);
    action(CopyAction, "CopyAction", QStringLiteral("&Копировать"), &TfrmRaskroyGroup::CopyActionExecute);
    action(RaskroyAction, "RaskroyAction", QStringLiteral("&Разложить"), &TfrmRaskroyGroup::RaskroyActionExecute);
    action(AllBordersAction, "AllBordersAction", QStringLiteral("Всё"), &TfrmRaskroyGroup::AllBordersActionExecute);
    action(NoBordersAction, "NoBordersAction", QStringLiteral("Ничего"), &TfrmRaskroyGroup::NoBordersActionExecute);
    action(ChangeMaterialAction, "ChangeMaterialAction", QStringLiteral("З&аменить"),
           &TfrmRaskroyGroup::ChangeMaterialActionExecute);

    m_printMenu = new QMenu(this);
    m_printMenu->setObjectName(QStringLiteral("ppmPrint"));
    QAction *list = m_printMenu->addAction(QStringLiteral("список"));
    list->setObjectName(QStringLiteral("miPrintList"));
    connect(list, &QAction::triggered, this, [this] { Guarded([this] { PrintListExecute(); }); });
    QAction *grouped = m_printMenu->addAction(QStringLiteral("группировка по материалам"));
    grouped->setObjectName(QStringLiteral("miPrintGrouped"));
    connect(grouped, &QAction::triggered, this, [this] { Guarded([this] { PrintGroupedExecute(); }); });

    auto *buttons = new QGridLayout;
    buttons->setSpacing(2);
    h->addLayout(buttons);
    int at = 0;
    auto button = [&](QAction *a, const char *name) {
        auto *b = new QToolButton(row);
        b->setObjectName(QString::fromLatin1(name));
        b->setDefaultAction(a);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        buttons->addWidget(b, at / 4, at % 4);
        ++at;
        return b;
    };
    button(DeleteAction, "bbDelete");
    button(SaveAction, "bbSave");
    button(MergeAction, "bbMerge");
    QToolButton *print = button(PrintAction, "bbPrint");
    print->setMenu(m_printMenu);
    print->setPopupMode(QToolButton::InstantPopup);
    button(ExcelAction, "bbExcel");
    button(CopyAction, "bbCopy");
    button(RaskroyAction, "bbRaskroy");
    button(ChangeMaterialAction, "bbChangeMaterial");
    h->addSpacing(8);
    h->addWidget(buildEdges());

    auto *rg = new QGroupBox(QStringLiteral("Поворот"), row);
    rg->setObjectName(QStringLiteral("rgRotate"));
    auto *rgl = new QVBoxLayout(rg);
    rgl->setContentsMargins(4, 2, 4, 2);
    rgl->setSpacing(0);
    m_rotate = new QButtonGroup(rg);
    const QString names[3] = {QStringLiteral("Поворачивать"), QStringLiteral("Не поворачивать"),
                              QStringLiteral("Один для всех")};
    for (int i = 0; i < 3; ++i) {
        auto *r = new QRadioButton(names[i], rg);
        r->setObjectName(QStringLiteral("rbRotate%1").arg(i));
        m_rotate->addButton(r, i);
        rgl->addWidget(r);
    }
    connect(m_rotate, &QButtonGroup::idClicked, this, [this](int id) { Guarded([this, id] { rotateClicked(id); }); });
    h->addWidget(rg);
    h->addStretch(1);
    return row;
}

QWidget *TfrmRaskroyGroup::buildEdges()
{
    auto *box = new QWidget(this);
    box->setObjectName(QStringLiteral("pnlBorders"));
    auto *g = new QGridLayout(box);
    g->setContentsMargins(0, 0, 0, 0);
    g->setSpacing(1);
    const int pos[4][2] = {{1, 0}, {1, 2}, {0, 1}, {2, 1}};
    const QString captions[4] = {QStringLiteral("Л"), QStringLiteral("П"), QStringLiteral("В"), QStringLiteral("Н")};
    for (int e = 0; e < 4; ++e) {
        auto *b = new QToolButton(box);
        b->setObjectName(QString::fromLatin1(kEdgeNames[e]));
        b->setCheckable(true);
        b->setText(captions[e]);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(b, &QToolButton::clicked, this, [this, e] { Guarded([this, e] { edgeClicked(e); }); });
        connect(b, &QToolButton::customContextMenuRequested, this, [this, e] { Guarded([this, e] { showEdgeMenu(e); }); });
        g->addWidget(b, pos[e][0], pos[e][1]);
        m_edges[e] = b;
    }
    auto *part = new QLabel(box);
    part->setObjectName(QStringLiteral("shpDetal"));
    part->setFrameShape(QFrame::Box);
    part->setMinimumSize(36, 20);
    g->addWidget(part, 1, 1);
    auto *all = new QToolButton(box);
    all->setObjectName(QStringLiteral("bbAllBorders"));
    all->setDefaultAction(AllBordersAction);
    g->addWidget(all, 0, 3);
    auto *none = new QToolButton(box);
    none->setObjectName(QStringLiteral("bbNoBorders"));
    none->setDefaultAction(NoBordersAction);
    g->addWidget(none, 2, 3);
    return box;
}

void TfrmRaskroyGroup::buildGrid()
{
    m_grid = new TExDBGrid(this);
    m_grid->setObjectName(QStringLiteral("DBGrid"));
    m_grid->SetOptions(m_grid->Options() | dgTabs);
    m_grid->SetDataSource(m_source);
    m_grid->AddColumn(QStringLiteral("NAME"), QStringLiteral("Шифр"), 95);
    m_grid->AddColumn(QStringLiteral("LENGTH"), QStringLiteral("Длина"));
    m_grid->AddColumn(QStringLiteral("WIDTH"), QStringLiteral("Ширина"));
    m_grid->AddColumn(QStringLiteral("MANY"), QStringLiteral("Количество"));
    for (const char *hidden : {"ROTATE", "LBORDER", "RBORDER", "TBORDER", "BBORDER"})
        m_grid->AddColumn(QString::fromLatin1(hidden))->SetVisible(false);
    TColumn *mat = m_grid->AddColumn(QStringLiteral("MatName"), QStringLiteral("Материал"), 75);
    mat->ReadOnly = true;
    mat->Color = QColor(0xFF, 0xFF, 0xE1);   // the info-tip colour
    TColumn *rot = m_grid->AddColumn(QStringLiteral("RotateName"), QStringLiteral("Поворот"), 85);
    rot->ReadOnly = true;
    // Mouse context menus reach the viewport, keyboard ones the grid.
    m_grid->installEventFilter(this);
    m_grid->viewport()->installEventFilter(this);
    m_grid->OnExit = [this](TExDBGrid &) { gridExit(); };
    // A typed code, size or quantity is posted at once.
    m_postTimer = new QTimer(this);
    m_postTimer->setSingleShot(true);
    m_postTimer->setInterval(0);
    connect(m_postTimer, &QTimer::timeout, this, [this] {
        Guarded([this] {
            if (!m_doc->HasTable()) return;
            kv::Table &t = m_doc->table();
            if (t.State() != kv::DataSetState::Edit && t.State() != kv::DataSetState::Insert) return;
            if (m_grid->EditorMode()) return;
            m_inChange = true;
            try {
                postTypedRow(m_typedField);
            } catch (...) {
                m_inChange = false;
                throw;
            }
            m_inChange = false;
        });
    });
    kv::Table &t = m_doc->table();
    t.AfterOpen = [this](kv::DataSet &ds) {
        for (const char *f : {"NAME", "LENGTH", "WIDTH", "MANY"})
            if (kv::Field *field = ds.FindField(QString::fromLatin1(f)))
                field->OnChange = [this](kv::Field &fld) { fieldChanged(fld); };
    };
}

// ---- layout ------------------------------------------------------------------

void TfrmRaskroyGroup::loadLayout()
{
    const kv::TIniFile &ini = Context().settings().Ini();
    const QString section = LayoutSection();
    m_barWidth = std::max(40, ini.ReadInteger(section, QStringLiteral("OutLook_Width"), 105));
    m_bar->setFixedWidth(m_barWidth);
    for (int i = 0; i < m_grid->ColumnCount() && i < 11; ++i) {
        const int w = ini.ReadInteger(section, QStringLiteral("ColWidth%1").arg(i), 120);
        if (w > 0) m_grid->Columns(i)->SetWidth(w);
    }
}

void TfrmRaskroyGroup::showEvent(QShowEvent *e)
{
    TMdiChild::showEvent(e);
    if (m_shown) return;
    m_shown = true;
    m_bar->setFixedWidth(m_barWidth);
    // Typing starts in the grid, and Tab goes from cell to cell there.
    m_grid->setFocus(Qt::OtherFocusReason);
}

void TfrmRaskroyGroup::saveLayout()
{
    kv::TIniFile &ini = Context().settings().Ini();
    ini.Update([&] {
        const QString section = LayoutSection();
        ini.WriteInteger(section, QStringLiteral("OutLook_Width"), m_shown ? m_bar->width() : m_barWidth);
        for (int i = 0; i < m_grid->ColumnCount() && i < 11; ++i)
            ini.WriteInteger(section, QStringLiteral("ColWidth%1").arg(i), m_grid->Columns(i)->Width());
    });
}

// ---- materials ---------------------------------------------------------------

void TfrmRaskroyGroup::fillMaterials()
{
    QList<kv::MaterialItem> items;
    if (Context().hasMaterials()) {
        try {
            items = Context().materials().MaterialItems(true);
        } catch (const kv::Error &) {
            items.clear();
        }
    }
    if (items.isEmpty() || items.front().code != PartBaseDocument::kAllMaterials)
        items.prepend({PartBaseDocument::kAllMaterials, QString::fromUtf8(kv::kAllMaterialsName)});
    m_list->Items()->Clear();
    for (const kv::MaterialItem &m : items) {
        TgwOutlookListItem *it = m_list->Items()->Add();
        it->SetText(m.name);
        it->SetImageIndex(kv::img::Material);   // the materials' picture of the other navigators
        it->SetSeparation(2);
        it->SetTextAlignment(kv::gw::taLeftJustify);
        it->SetGlyphOffset(1);
        it->Tag = m.code;
    }
    m_matNames.clear();
    m_matCodes.clear();
    for (const kv::MaterialItem &m : items) {
        if (m.code == PartBaseDocument::kAllMaterials) continue;
        m_matNames << m.name;
        m_matCodes << m.code;
    }
}

static int itemCode(const TgwOutlookListItem *item)
{
    return item ? item->Tag : PartBaseDocument::kAllMaterials;
}

void TfrmRaskroyGroup::ReloadMaterials()
{
    const int filter = m_doc->FilterCode();
    fillMaterials();
    TgwOutlookListItem *pick = nullptr;
    for (int i = 0; i < m_list->Items()->Count(); ++i)
        if (itemCode(m_list->Items()->Item(i)) == filter) pick = m_list->Items()->Item(i);
    if (!pick && m_list->Items()->Count() > 0) pick = m_list->Items()->Item(0);
    applyFilterItem(pick);
    if (m_doc->HasTable()) m_doc->table().Refresh();
}

void TfrmRaskroyGroup::applyFilterItem(TgwOutlookListItem *item)
{
    if (item) {
        item->SetSelected(true);
        m_list->MakeVisible(item);
    }
    SetMaterialFilter(itemCode(item));
}

void TfrmRaskroyGroup::OutlookListItemClick(TgwCustomOutlookList *, TgwOutlookListItem *item)
{
    Guarded([&] {
        PostIfEditing();
        SetMaterialFilter(itemCode(item));
        UpdateRecordControls();
    });
}

void TfrmRaskroyGroup::bbMaterialsClick()
{
    QList<kv::MaterialItem> items;
    for (int i = 0; i < m_list->Items()->Count(); ++i) {
        TgwOutlookListItem *it = m_list->Items()->Item(i);
        items.append({it->Tag, it->Text()});
    }
    TgwOutlookListItem *sel = m_list->GetSelectedItem();
    const int chosen = ExecuteFindMaterial(ui(), items, sel ? sel->Index() : 0, this);
    if (chosen < 0 || chosen >= m_list->Items()->Count()) return;
    TgwOutlookListItem *it = m_list->Items()->Item(chosen);
    it->SetSelected(true);
    m_list->MakeVisible(it);
    OutlookListItemClick(m_list, it);
}

void TfrmRaskroyGroup::SetMaterialFilter(int code)
{
    m_doc->SetMaterialFilter(code);
    UpdateTotals();
    UpdateActions();
}

void TfrmRaskroyGroup::LoadDetalNames()
{
    const kv::TIniFile &ini = Context().settings().Ini();
    QStringList names;
    for (const QString &line : ini.ReadSectionValues(QStringLiteral("Detal_Name")))
        names << line.mid(line.indexOf(QLatin1Char('=')) + 1);
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) { return kv::compareText(a, b) < 0; });
    if (TColumn *c = m_grid->ColumnByField(QStringLiteral("NAME"))) c->PickList = names;
}

// ---- document ----------------------------------------------------------------

QString TfrmRaskroyGroup::DocumentFileName() const
{
    return m_doc->Untitled || !m_doc->ModelName.isEmpty() ? QString() : m_doc->DocumentName;
}

void TfrmRaskroyGroup::SetFileName()
{
    setWindowTitle(m_doc->Caption());
}

bool TfrmRaskroyGroup::NewGroup()
{
    const bool ok = Guarded([this] { m_doc->NewGroup(); });
    // Before the first filter the navigator's first item decides.
    if (ok && m_list->Items()->Count() >= 2) applyFilterItem(m_list->Items()->Item(0));
    SetFileName();
    UpdateRecordControls();
    UpdateTotals();
    UpdateActions();
    return ok;
}

bool TfrmRaskroyGroup::LoadFromFile(const QString &headerPath)
{
    const bool ok = Guarded([&] { m_doc->LoadFromFile(headerPath); });
    // As for a new part base: the navigator shows which material it filters.
    if (ok && m_list->Items()->Count() >= 2) applyFilterItem(m_list->Items()->Item(0));
    SetFileName();
    UpdateRecordControls();
    UpdateTotals();
    UpdateActions();
    return ok;
}

void TfrmRaskroyGroup::SetModelName(const QString &name)
{
    m_doc->ModelName = name;
    SetFileName();
}

bool TfrmRaskroyGroup::SaveToFile(bool saveAs)
{
    if (!m_doc->HasTable()) return false;
    PostIfEditing();
    QString name;
    if (m_doc->NeedsName(saveAs)) {
        kv::FileChoice spec;
        spec.save = true;
        spec.title = QStringLiteral("Сохранение базы деталей");
        spec.folder = Context().paths().GroupsFolder();
        spec.fileName = m_doc->ProposedName(saveAs);
        spec.filter = kGroupsFilter;
        spec.defaultExt = QStringLiteral("kdx");
        name = ui().chooseFile(spec, this);
        if (name.isEmpty()) return false;
    }
    const bool ok = Guarded([&] { m_doc->SaveToFile(name); });
    SetFileName();
    UpdateActions();
    return ok;
}

bool TfrmRaskroyGroup::Merge()
{
    using kv::ModalResult;
    if (ui().confirm(QStringLiteral("ВНИМАНИЕ!\r\rПри слиянии баз деталей изменяется и сохраняется "
                                            "содержимое \rтекущей базы деталей.\r\rПродолжить?"),
                             kv::MsgButtons::YesNo, this) != ModalResult::Yes)
        return false;
    if (m_doc->Modified &&
        ui().confirm(QStringLiteral("ВНИМАНИЕ!\r\rПеред слиянием необходимо сохранить\rтекущую базу "
                                            "деталей.\r\rПродолжить?"),
                             kv::MsgButtons::YesNo, this) != ModalResult::Yes)
        return false;
    m_doc->ApplyUpdates();
    kv::FileChoice spec;
    spec.title = QStringLiteral("Открыть базу деталей");
    spec.folder = Context().paths().GroupsFolder();
    spec.filter = kOpenFilter;
    spec.defaultExt = QStringLiteral("kdx");
    const QString other = ui().chooseFile(spec, this);
    if (other.isEmpty()) return false;
    kv::Owned<TMergeForm> dlg(new TMergeForm(this));
    dlg->SetCount(1);
    ui().runModal(*dlg);
    if (!dlg || !dlg->Confirmed()) return false;
    const int count = dlg->Count();
    try {
        m_doc->Merge(other, count);
    } catch (const kv::Error &e) {
        m_doc->Modified = m_doc->Untitled;
        UpdateRecordControls();
        UpdateTotals();
        throw;
    }
    m_doc->Modified = m_doc->Untitled;
    UpdateRecordControls();
    UpdateTotals();
    UpdateActions();
    return true;
}

bool TfrmRaskroyGroup::CloseQuery()
{
    if (IMainWindow *main = Context().mainWindow(); main && main->RaskroyBusy()) return false;
    PostIfEditing();
    if (!m_doc->Modified) return true;
    const kv::ModalResult r =
        ui().warn(QStringLiteral("Сохранить изменения в документе \r") + windowTitle() + QStringLiteral(" ?"),
                        kv::MsgButtons::YesNoCancel, this);
    if (r == kv::ModalResult::No) return true;
    if (r != kv::ModalResult::Yes) return false;
    // A save cancelled in its dialog, or failed, keeps the window: nothing is lost.
    return SaveToFile(false);
}

void TfrmRaskroyGroup::FormClose()
{
    if (m_doc->Untitled || !m_doc->ModelName.isEmpty() || m_doc->DocumentName.isEmpty()) return;
    if (IMainWindow *main = Context().mainWindow()) main->AddRecentFile(m_doc->DocumentName);
}

void TfrmRaskroyGroup::PostIfEditing()
{
    if (m_grid && m_grid->EditorMode()) m_grid->HideEditor(true);
    if (m_postTimer) m_postTimer->stop();   // posted here and now
    m_doc->PostIfEditing();
}

// ---- record controls ---------------------------------------------------------

bool TfrmRaskroyGroup::tableHasRows() const
{
    return m_doc->HasTable() && !m_doc->table().IsEmpty();
}

QString TfrmRaskroyGroup::BorderName(int code) const
{
    // Entry 0 is the lists' "<нет>", not a banding: a side without one has no name.
    if (code <= 0 || !Context().hasBorders()) return QString();
    for (const kv::BorderEntry &e : Context().borders().Entries())
        if (e.code == code) return e.name;
    return QString();
}

bool TfrmRaskroyGroup::GetDetalsLabels(kv::DetalLabelLists &lists)
{
    lists.clear();
    try {
        PostIfEditing();
        kv::StatLookups l;
        l.materialName = [this](int code) { return m_doc->MaterialName ? m_doc->MaterialName(code) : QString(); };
        l.borderName = [this](int code) { return BorderName(code); };
        lists = kv::PartBaseLabels(m_doc->table(), l);
        return true;
    } catch (const std::exception &) {
        lists.clear();
        ui().error(QString::fromUtf8(kv::labeltext::ListError), this);
        return false;
    }
}

void TfrmRaskroyGroup::SetEdgeButtons(int left, int right, int top, int bottom)
{
    const int codes[4] = {left, right, top, bottom};
    for (int e = 0; e < 4; ++e) {
        int code = codes[e];
        const kv::BorderEntry *entry = nullptr;
        if (Context().hasBorders())
            for (const kv::BorderEntry &b : Context().borders().Entries())
                if (b.code == code) entry = &b;
        if (code != 0 && !entry) code = 0;
        m_edgeCodes[e] = code;
        QSignalBlocker block(m_edges[e]);
        m_edges[e]->setChecked(code != 0);
        m_edges[e]->setToolTip(code != 0 && entry ? entry->name : QString::fromUtf8(kv::kNoBorderName));
        m_edges[e]->setIcon(colorStrip(kv::PlatformColor(code != 0 && entry ? entry->color : kv::kNoBorderColor)));
    }
}

void TfrmRaskroyGroup::UpdateRecordControls()
{
    if (m_updating || !m_doc->HasTable()) return;
    m_updating = true;
    kv::Table &t = m_doc->table();
    auto val = [&](const char *f) { return t.IsEmpty() && t.State() == kv::DataSetState::Browse ? 0 : t.FieldByName(QString::fromLatin1(f))->AsInteger(); };
    SetEdgeButtons(val("LBORDER"), val("RBORDER"), val("TBORDER"), val("BBORDER"));
    const int rot = val("ROTATE");
    QSignalBlocker block(m_rotate);
    if (QAbstractButton *b = m_rotate->button(rot)) b->setChecked(true);
    m_updating = false;
}

bool TfrmRaskroyGroup::postTypedRow(const QString &typedField)
{
    const kv::PositiveFieldsCheck &check = m_doc->RowChecks();
    if (const kv::Field *typed = typedField.isEmpty() ? nullptr : m_doc->table().FindField(typedField))
        if (const kv::RowProblem p = check.Problem(false, typed)) throw kv::Error(p.message);
    // Sizes still to come, or a wrong one already told: the row waits, and
    // leaving it posts it or says what is wrong.
    if (check.Problem(true)) return false;
    m_doc->table().Post();
    return true;
}

void TfrmRaskroyGroup::StoreRecordControls()
{
    if (!tableHasRows()) return;
    kv::Table &t = m_doc->table();
    // A row the user is typing keeps what was typed when it cannot be posted yet.
    const bool typing = t.State() != kv::DataSetState::Browse;
    m_updating = true;
    try {
        t.Edit();
        for (int e = 0; e < 4; ++e) t.FieldByName(QString::fromLatin1(kEdgeFields[e]))->SetAsInteger(m_edgeCodes[e]);
        t.FieldByName(QStringLiteral("ROTATE"))->SetAsInteger(std::max(0, m_rotate->checkedId()));
        postTypedRow();
    } catch (...) {
        m_updating = false;
        if (!typing && t.State() != kv::DataSetState::Browse) t.Cancel();
        throw;
    }
    m_updating = false;
    UpdateRecordControls();
    UpdateTotals();
    UpdateActions();
}

void TfrmRaskroyGroup::edgeClicked(int edge)
{
    if (!tableHasRows()) {
        SetEdgeButtons(m_edgeCodes[0], m_edgeCodes[1], m_edgeCodes[2], m_edgeCodes[3]);
        return;
    }
    const int def = Context().hasBorders() ? Context().borders().DefBorder() : Context().settings().DefBorder();
    m_edgeCodes[edge] = (def != 0 && m_edges[edge]->isChecked()) ? def : 0;
    if (def == 0) m_edges[edge]->setChecked(false);
    StoreRecordControls();
}

void TfrmRaskroyGroup::showEdgeMenu(int edge)
{
    if (!tableHasRows() || !Context().hasBorders()) return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("ppmBorders"));
    const QList<kv::BorderEntry> &entries = Context().borders().Entries();
    int checked = 0;
    for (int i = 0; i < entries.size(); ++i)
        if (entries[i].code == m_edgeCodes[edge]) checked = i;
    for (int i = 0; i < entries.size(); ++i) {
        QAction *a = menu.addAction(entries[i].name);
        a->setCheckable(true);
        a->setChecked(i == checked);
        a->setData(entries[i].code);
    }
    QAction *chosen = menu.exec(m_edges[edge]->mapToGlobal(QPoint(0, m_edges[edge]->height())));
    if (!chosen) return;
    m_edgeCodes[edge] = chosen->data().toInt();
    StoreRecordControls();
}

void TfrmRaskroyGroup::rotateClicked(int)
{
    if (m_updating) return;
    StoreRecordControls();
}

void TfrmRaskroyGroup::fieldChanged(kv::Field &field)
{
    if (m_inChange || m_updating) return;
    // Posted once the grid has finished writing the value.
    m_typedField = field.FieldName();
    m_postTimer->start();
}

void TfrmRaskroyGroup::gridExit()
{
    // A dialog or pop-up opened over the grid is no leave: its own answer
    // decides what is posted.
    if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) return;
    Guarded([this] { PostIfEditing(); });
}

bool TfrmRaskroyGroup::eventFilter(QObject *o, QEvent *e)
{
    if (m_grid && (o == m_grid || o == m_grid->viewport()) && e->type() == QEvent::ContextMenu) {
        auto *ce = static_cast<QContextMenuEvent *>(e);
        QPoint pos = ce->pos();
        if (o == m_grid) pos = m_grid->viewport()->mapFrom(m_grid, pos);
        const bool byMouse = ce->reason() == QContextMenuEvent::Mouse;
        Guarded([&] { gridContextMenu(pos, byMouse); });
        return true;
    }
    return TMdiChild::eventFilter(o, e);
}

void TfrmRaskroyGroup::gridContextMenu(const QPoint &pos, bool byMouse)
{
    if (!tableHasRows()) return;
    kv::Field *f = m_grid->SelectedField();
    if (!f) return;
    kv::Table &t = m_doc->table();
    // From the keyboard the menu opens below the current cell.
    const QPoint at = byMouse ? pos : m_grid->visualRect(m_grid->currentIndex()).bottomLeft();
    QMenu menu(this);
    const bool material = f->FieldName().compare(QLatin1String("MatName"), Qt::CaseInsensitive) == 0;
    if (material && byMouse) {
        PostIfEditing();
        const int code = ExecuteSelectMaterialDlg(Context(), t.FieldByName(QStringLiteral("MATERIAL"))->AsInteger(), this);
        if (code < 0) return;
        t.Edit();
        t.FieldByName(QStringLiteral("MATERIAL"))->SetAsInteger(code);
        t.Post();
        UpdateActions();
    } else if (material) {
        menu.setObjectName(QStringLiteral("ppmMaterials"));
        const int current = t.FieldByName(QStringLiteral("MATERIAL"))->AsInteger();
        for (int i = 0; i < m_matNames.size(); ++i) {
            QAction *a = menu.addAction(m_matNames[i]);
            a->setCheckable(true);
            a->setChecked(m_matCodes[i] == current);
            a->setData(m_matCodes[i]);
        }
        QAction *chosen = menu.exec(m_grid->viewport()->mapToGlobal(at));
        if (!chosen) return;
        t.Edit();
        t.FieldByName(QStringLiteral("MATERIAL"))->SetAsInteger(chosen->data().toInt());
        postTypedRow();
    } else if (f->FieldName().compare(QLatin1String("RotateName"), Qt::CaseInsensitive) == 0) {
        menu.setObjectName(QStringLiteral("ppmRotate"));
        const int current = t.FieldByName(QStringLiteral("ROTATE"))->AsInteger();
        for (int i = 0; i < 3; ++i) {
            QAction *a = menu.addAction(PartBaseDocument::GetRotateName(i));
            a->setCheckable(true);
            a->setChecked(i == current);
            a->setData(i);
        }
        QAction *chosen = menu.exec(m_grid->viewport()->mapToGlobal(at));
        if (!chosen) return;
        if (QAbstractButton *b = m_rotate->button(chosen->data().toInt())) b->setChecked(true);
        StoreRecordControls();
    }
}

// ---- totals ------------------------------------------------------------------

kv::PartBaseTotals TfrmRaskroyGroup::Totals() const
{
    const kv::BordersService *borders = Context().hasBorders() ? &Context().borders() : nullptr;
    return m_doc->Totals([borders](int code) -> std::optional<int> {
        if (code == 0) return 0;
        if (!borders) return std::nullopt;
        for (const kv::BorderEntry &e : borders->Entries())
            if (e.code == code) return e.pripusk;
        return std::nullopt;
    });
}

QString TfrmRaskroyGroup::StatusText(int panel) const
{
    return panel >= 0 && panel < 5 ? m_panels[panel]->text() : QString();
}

void TfrmRaskroyGroup::UpdateTotals()
{
    if (!m_status) return;
    const kv::PartBaseTotalsText t = kv::FormatTotals(Totals());
    const QString texts[4] = {QStringLiteral("Количество: ") + t.quantity + QStringLiteral(" шт"),
                              QStringLiteral("Площадь: ") + t.square + QStringLiteral(" кв м"),
                              QStringLiteral("Периметр: ") + t.perimeter + QStringLiteral(" м"),
                              QStringLiteral("Кромка: ") + t.edge + QStringLiteral(" м")};
    for (int i = 0; i < 4; ++i) {
        m_panels[i]->setText(texts[i]);
        m_panels[i]->setMinimumWidth(m_panels[i]->fontMetrics().horizontalAdvance(texts[i]) + 8);
    }
}

void TfrmRaskroyGroup::RefreshGroup()
{
    UpdateRecordControls();
    UpdateTotals();
}

// ---- actions -----------------------------------------------------------------

void TfrmRaskroyGroup::UpdateActions()
{
    if (!DeleteAction) return;
    const bool rows = tableHasRows();
    DeleteAction->setEnabled(rows);
    SaveAction->setEnabled(m_doc->Modified);
    MergeAction->setEnabled(true);
    PrintAction->setEnabled(rows);
    ExcelAction->setEnabled(rows);
    CopyAction->setEnabled(rows);
    RaskroyAction->setEnabled(rows);
    AllBordersAction->setEnabled(rows);
    NoBordersAction->setEnabled(rows);
    ChangeMaterialAction->setEnabled(rows);
}

bool TfrmRaskroyGroup::CommandEnabled(MainCommand command) const
{
    const bool rows = tableHasRows();
    switch (command) {
    case MainCommand::Save: return m_doc->Modified;
    case MainCommand::SaveAs:
    case MainCommand::Merge:
    case MainCommand::AllMaterials:
    case MainCommand::AddModel:       // carried out by the models room
    case MainCommand::PrintDetalsLabels:   // carried out by the print room
    case MainCommand::PrintExcel:     // an empty base exports nothing
    case MainCommand::ExportText: return true;
    case MainCommand::PrintList:
    case MainCommand::PrintGrouped:
    case MainCommand::ReplaceMaterial:
    case MainCommand::Cutting: return rows;
    case MainCommand::PrintModelsList: return !m_doc->Models.isEmpty();
    default: return false;
    }
}

void TfrmRaskroyGroup::ExecuteCommand(MainCommand command)
{
    Guarded([&] {
        switch (command) {
        case MainCommand::Save: PostIfEditing(); SaveToFile(false); break;
        case MainCommand::SaveAs: PostIfEditing(); SaveToFile(true); break;
        case MainCommand::Merge: Merge(); break;
        case MainCommand::PrintList: PrintListExecute(); break;
        case MainCommand::PrintGrouped: PrintGroupedExecute(); break;
        case MainCommand::PrintExcel: ExcelActionExecute(); break;
        case MainCommand::ReplaceMaterial: ChangeMaterialActionExecute(); break;
        case MainCommand::Cutting: RaskroyActionExecute(); break;
        case MainCommand::PrintModelsList: PrintModelsListExecute(); break;
        case MainCommand::AllMaterials:
            if (m_list->Items()->Count() > 0) applyFilterItem(m_list->Items()->Item(0));
            UpdateRecordControls();
            break;
        default: break;
        }
    });
}

void TfrmRaskroyGroup::DeleteActionExecute()
{
    PostIfEditing();
    if (!tableHasRows()) return;
    if (ui().confirm(QStringLiteral("Действительно удалить запись?"), kv::MsgButtons::YesNo, this) !=
        kv::ModalResult::Yes)
        return;
    m_doc->table().Delete();
    m_doc->Modified = true;
    UpdateActions();
}

void TfrmRaskroyGroup::SaveActionExecute()
{
    SaveToFile(false);
}

void TfrmRaskroyGroup::MergeActionExecute()
{
    Merge();
}

void TfrmRaskroyGroup::CopyActionExecute()
{
    PostIfEditing();
    m_inChange = true;
    try {
        m_doc->CopyCurrentRecord();
    } catch (...) {
        m_inChange = false;
        throw;
    }
    m_inChange = false;
}

void TfrmRaskroyGroup::AllBordersActionExecute()
{
    if (!tableHasRows()) return;
    PostIfEditing();
    const int def = Context().hasBorders() ? Context().borders().DefBorder() : Context().settings().DefBorder();
    SetEdgeButtons(def, def, def, def);
    StoreRecordControls();
}

void TfrmRaskroyGroup::NoBordersActionExecute()
{
    if (!tableHasRows()) return;
    PostIfEditing();
    SetEdgeButtons(0, 0, 0, 0);
    StoreRecordControls();
}

void TfrmRaskroyGroup::ChangeMaterialActionExecute()
{
    if (!tableHasRows()) return;
    PostIfEditing();
    TgwOutlookListItem *item = m_list->GetSelectedItem();
    const int from = itemCode(item);
    const QString label = item ? item->Text() : QString();
    int to = from;
    if (!ExecuteSelectMaterial(Context(), to, label, this)) return;   // cancelled: a silent end
    if (to == from) return;
    // Failures of the change end it without a message.
    try {
        m_doc->ReplaceMaterial(from, to);
    } catch (const kv::Error &) {
    }
    m_doc->table().Refresh();
    UpdateRecordControls();
    UpdateTotals();
}

void TfrmRaskroyGroup::RaskroyActionExecute()
{
    PostIfEditing();
    emit RaskroyRequested();
}

void TfrmRaskroyGroup::ExcelActionExecute()
{
    GroupPrinting::ExportToSpreadsheet(*this, *m_grid);
}

void TfrmRaskroyGroup::PrintListExecute()
{
    GroupPrinting::PrintPartBase(*this, false);
}

void TfrmRaskroyGroup::PrintGroupedExecute()
{
    GroupPrinting::PrintPartBase(*this, true);
}

void TfrmRaskroyGroup::PrintModelsListExecute()
{
    if (m_doc->Models.isEmpty()) return;
    GroupPrinting::PrintModelsList(*this);
}
