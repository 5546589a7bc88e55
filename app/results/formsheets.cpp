#include "app/results/formsheets.h"

#include "app/common/appcontext.h"
#include "app/common/materialsmenu.h"
#include "app/common/navigator.h"
#include "app/cutting/raskroyjob.h"
#include "app/materials/findmaterial.h"
#include "app/results/mapcommands.h"
#include "app/results/resultsdialogs.h"
#include "data/materials/borders.h"
#include "data/materials/materials.h"
#include "data/settings.h"
#include "platform/ui.h"
#include "widgets/outlookbar.h"
#include "widgets/outlooklist.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QResizeEvent>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace kv;

namespace {
const char *const kMillModeCaptions[] = {"Не рисовать", "Рисовать", "Последний лист"};
}

// --- status bars and pages ----------------------------------------------------

TMapStatusBar::TMapStatusBar(int panels, QWidget *parent) : QWidget(parent)
{
    for (int i = 0; i < panels; ++i) {
        auto *l = new QLabel(this);
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        l->setObjectName(QStringLiteral("Panel%1").arg(i));
        m_panels << l;
    }
    setFixedHeight(fontMetrics().height() + 8);
}

void TMapStatusBar::SetTexts(const QStringList &texts)
{
    for (int i = 0; i < m_panels.size(); ++i) m_panels[i]->setText(i < texts.size() ? texts[i] : QString());
    placePanels();
}

// Each panel as wide as its text and 8 pixels, left to right; in a narrow
// window the last ones are cut at the edge (a layout laid them over each other).
void TMapStatusBar::placePanels()
{
    int x = 0;
    for (QLabel *l : m_panels) {
        const int w = l->fontMetrics().horizontalAdvance(l->text()) + 8;
        l->setGeometry(x, 1, w, height() - 2);
        x += w + 2;
    }
}

void TMapStatusBar::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    placePanels();
}

QString TMapStatusBar::PanelText(int i) const { return i >= 0 && i < m_panels.size() ? m_panels[i]->text() : QString(); }

TMapPage::TMapPage(MapDocument &doc, int tab, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabSheet%1").arg(tab + 1));
    m_bar4 = new TMapStatusBar(4, this);
    m_bar4->setObjectName(QStringLiteral("StatusBar1"));
    m_bar5 = new TMapStatusBar(5, this);
    m_bar5->setObjectName(QStringLiteral("StatusBar2"));
    m_sheet = new TSheetCtrl(doc, tab, this);
}

int TMapPage::BarHeight() const { return m_bar5->height(); }

void TMapPage::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    const int h = BarHeight();
    m_bar5->setGeometry(0, height() - h, width(), h);
    m_bar4->setGeometry(0, height() - 2 * h, width(), h);
    emit Resized();
}

// --- window ---------------------------------------------------------------------

TFormSheets::TFormSheets(AppContext &ctx, QWidget *parent) : TMdiChild(ctx, QStringLiteral("TFormSheets"), parent)
{
    setObjectName(QStringLiteral("FormSheets"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(760, 520);

    createActions();
    buildToolBar();
    buildPopupMenus();
    buildNavigatorAndPages();

    auto *body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(2);
    body->addWidget(m_navPanel);
    body->addWidget(m_pages, 1);
    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->setSpacing(0);
    lay->addWidget(m_toolBar);
    lay->addLayout(body, 1);
    lay->addWidget(m_runBar);

    // Creation: switches off, colours read.
    m_doc.Display.Colors = ReadMapColors(ctx.settings().Ini());
    SetShowBorders(false);
    SetShowScrapsText(false);
    SetShowHints(false);
    SetMillLinesMode(0);
    SetMapsCaption(QString());
}

void TFormSheets::createActions()
{
    auto act = [this](const char *name, const QString &text, const QString &hint, bool checkable = false) {
        auto *a = new QAction(text, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setToolTip(hint);
        a->setCheckable(checkable);
        return a;
    };
    SaveAction = act("SaveAction", QStringLiteral("Сохранить"), QStringLiteral("Сохранить карты раскроя"));
    PrintAction = act("PrintAction", QStringLiteral("Печать"), QStringLiteral("Печать карт раскроя"));
    FontAction = act("FontAction", QStringLiteral("Шрифт"), QStringLiteral("Шрифт"));
    ApplyAction = act("ApplyAction", QStringLiteral("П&ринять"), QStringLiteral("Применить раскрой"));
    BorderAction = act("BorderAction", QStringLiteral("Кромка"), QStringLiteral("Кромка"), true);
    ScrapsAction = act("ScrapsAction", QStringLiteral("Остатки"), QStringLiteral("Остатки"), true);
    StatisticAction = act("StatisticAction", QStringLiteral("Статистика"), QStringLiteral("Статистика"));
    ShowHintAction = act("ShowHintAction", QStringLiteral("Подсказки"), QStringLiteral("Подсказки"), true);
    BordersInfoAction = act("BordersInfoAction", QStringLiteral("Расход кромки"), QStringLiteral("Расход кромки"));
    AbortRaskroyAction = act("AbortRaskroyAction", QStringLiteral("Прервать"), QStringLiteral("Прервать разложение"));

    connect(SaveAction, &QAction::triggered, this, GuardedSlot(&TFormSheets::tbSaveClick));
    connect(PrintAction, &QAction::triggered, this, GuardedSlot(&TFormSheets::tbPrintClick));
    connect(FontAction, &QAction::triggered, this, GuardedSlot(&TFormSheets::FontActionExecute));
    connect(ApplyAction, &QAction::triggered, this, GuardedSlot(&TFormSheets::tbAddToScrapsClick));
    connect(BorderAction, &QAction::triggered, this, GuardedSlot(&TFormSheets::BorderActionExecute));
    connect(ScrapsAction, &QAction::triggered, this, GuardedSlot(&TFormSheets::ScrapsActionExecute));
    connect(StatisticAction, &QAction::triggered, this, GuardedSlot(&TFormSheets::tbStatisticClick));
    connect(ShowHintAction, &QAction::triggered, this, GuardedSlot(&TFormSheets::ShowHintActionExecute));
    connect(BordersInfoAction, &QAction::triggered, this, GuardedSlot(&TFormSheets::tbBordersInfoClick));
    connect(AbortRaskroyAction, &QAction::triggered, this, GuardedSlot(&TFormSheets::AbortRaskroyActionExecute));
}

void TFormSheets::buildToolBar()
{
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    tbSave = new QToolButton(m_toolBar);
    tbSave->setObjectName(QStringLiteral("tbSave"));
    tbSave->setDefaultAction(SaveAction);
    m_toolBar->addWidget(tbSave);
    auto addButton = [this](QAction *a, const char *name) {
        m_toolBar->addAction(a);
        if (QWidget *w = m_toolBar->widgetForAction(a))
            w->setObjectName(QString::fromLatin1(name));
    };
    addButton(PrintAction, "tbPrint");
    addButton(ApplyAction, "tbApply");
    // The button has a hint of its own, which a change of the action (its
    // enabling) would replace by the action's.
    if (QWidget *b = m_toolBar->widgetForAction(ApplyAction)) {
        const QString hint = QStringLiteral("Принять раскрой");
        b->setToolTip(hint);
        connect(ApplyAction, &QAction::changed, b, [b, hint] { b->setToolTip(hint); });
    }
    m_toolBar->addSeparator();
    addButton(StatisticAction, "tbStatistic");
    addButton(BordersInfoAction, "tbBordersInfo");
    m_toolBar->addSeparator();
    addButton(BorderAction, "tbBorder");
    addButton(ScrapsAction, "tbScraps");
    addButton(ShowHintAction, "tbHints");
    addButton(FontAction, "tbFont");

    pmMillLines = new QMenu(this);
    pmMillLines->setObjectName(QStringLiteral("pmMillLines"));
    auto *modes = new QActionGroup(this);
    for (int i = 0; i < 3; ++i) {
        QAction *a = pmMillLines->addAction(QString::fromUtf8(kMillModeCaptions[i]));
        a->setObjectName(QStringLiteral("miMillLines%1").arg(i));
        a->setCheckable(true);
        modes->addAction(a);
        m_millModes << a;
        connect(a, &QAction::triggered, this, [this, i] { Guarded([this, i] { SetMillLinesMode(i); }); });
    }
    tbMillLines = new QToolButton(m_toolBar);
    tbMillLines->setObjectName(QStringLiteral("tbMillLines"));
    tbMillLines->setMenu(pmMillLines);
    tbMillLines->setPopupMode(QToolButton::InstantPopup);
    m_toolBar->addWidget(tbMillLines);

    // A run's progress and count sit in a line of their own under the
    // tabs: at the end of the tool bar they fell into its overflow.
    m_runBar = new QWidget(this);
    m_runBar->setObjectName(QStringLiteral("RunBar"));
    auto *run = new QHBoxLayout(m_runBar);
    run->setContentsMargins(4, 2, 4, 2);
    m_progress = new QProgressBar(m_runBar);
    m_progress->setObjectName(QStringLiteral("ProgressBar"));
    m_progress->setFixedWidth(200);
    m_progress->setTextVisible(false);
    m_progress->setVisible(false);
    run->addWidget(m_progress);
    m_status = new QLabel(m_runBar);
    m_status->setObjectName(QStringLiteral("lbStatus"));
    run->addWidget(m_status, 1);
    m_runBar->setVisible(false);
}

void TFormSheets::updateRunBar()
{
    m_runBar->setVisible(!m_progress->isHidden() || !m_status->text().isEmpty());
}

// The pop-up menus of the map: of a part, an off-cut, a saw cut, the sheet.
void TFormSheets::buildPopupMenus()
{
    auto menu = [this](const char *name) {
        auto *m = new QMenu(this);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    ppmDetal = menu("ppmDetal");
    QAction *a = ppmDetal->addAction(QStringLiteral("Информация"));
    a->setObjectName(QStringLiteral("miDetalInfo"));
    connect(a, &QAction::triggered, this, [this] { popupAction([this](int t, int i) { DetalInfo(t, i); }); });
    ppmScrap = menu("ppmScrap");
    a = ppmScrap->addAction(QStringLiteral("Информация"));
    a->setObjectName(QStringLiteral("miScrapInfo"));
    connect(a, &QAction::triggered, this, [this] { popupAction([this](int t, int i) { ScrapInfo(t, i); }); });
    a = ppmScrap->addAction(QStringLiteral("Изменить шифр"));
    a->setObjectName(QStringLiteral("miChangeScrapName"));
    connect(a, &QAction::triggered, this, [this] { popupAction([this](int t, int i) { ChangeScrapName(t, i); }); });
    a = ppmScrap->addAction(QStringLiteral("Остаток"));
    a->setObjectName(QStringLiteral("miScrapNormal"));
    a->setCheckable(true);
    connect(a, &QAction::triggered, this, [this] { popupAction([this](int t, int i) { ToggleScrapNormal(t, i); }); });
    ppmMillLine = menu("ppmMillLine");
    a = ppmMillLine->addAction(QStringLiteral("Информация"));
    a->setObjectName(QStringLiteral("miMillLineInfo"));
    connect(a, &QAction::triggered, this, [this] { popupAction([this](int t, int i) { MillLineInfo(t, i); }); });
    ppmRaskroyMap = menu("ppmRaskroyMap");
    a = ppmRaskroyMap->addAction(QStringLiteral("Информация"));
    a->setObjectName(QStringLiteral("miMapInfo"));
    connect(a, &QAction::triggered, this, [this] { popupAction([this](int t, int) { MapInfo(t); }); });
}

// The materials on the left, a tab a map on the right.
void TFormSheets::buildNavigatorAndPages()
{
    m_navPanel = new TgwOutlookBar(this);
    NavigatorBar nav;
    nav.caption = QStringLiteral("Материалы");
    nav.onButton = [this] { Guarded([this] { bbMaterialsClick(); }); };
    m_navigator = SetUpNavigatorBar(m_navPanel, nav, QStringLiteral("OutlookList"));
    m_navPanel->OutlookItems()->Page(0)->Button->setObjectName(QStringLiteral("bbMaterials"));
    m_navigator->OnItemClick = [this](TgwCustomOutlookList *l, TgwOutlookListItem *it) {
        Guarded([&] { OutlookListItemClick(l, it); });
    };
    m_navPanel->setFixedWidth(ReadKey(Context().settings().Ini(), key::SheetOutLookWidth));

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("PageControl"));
    m_pages->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pages, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        int tab = m_pages->tabBar()->tabAt(m_pages->tabBar()->mapFrom(m_pages, pos));
        // Anywhere on the page below the header is the shown tab's.
        if (tab < 0 && m_pages->currentWidget() &&
            m_pages->currentWidget()->rect().contains(m_pages->currentWidget()->mapFrom(m_pages, pos)))
            tab = m_pages->currentIndex();
        if (tab >= 0)
            onItemMenu(nullptr, {MapItemKind::Sheet, tab}, m_pages->mapToGlobal(pos));
    });
}

TFormSheets::~TFormSheets()
{
    // A job still attached ends without its window.
    if (m_job)
        m_job->CloseRequested();
}

void TFormSheets::showEvent(QShowEvent *e)
{
    TMdiChild::showEvent(e);
    if (!m_shown) {
        m_shown = true;
        Guarded([this] { FormShow(); });
    }
}

void TFormSheets::FormShow()
{
    const TIniFile &ini = Context().settings().Ini();
    m_navPanel->setFixedWidth(std::clamp(ReadKey(ini, key::SheetOutLookWidth), 20, 1000));
    if (m_fromFile) {
        // A map file brought its own cut-line mode and font.
        FillMaterialsList();
        syncSheets();
        return;
    }
    SetMillLinesMode(ReadKey(ini, key::MillState));
    m_doc.Display.Font = Context().settings().MapFont();
    FillMaterialsList();
    syncSheets();
}

bool TFormSheets::CloseQuery()
{
    if (m_forceClose)
        return true;
    if (m_job) {
        // The run ends after the current variant and closes the window.
        m_job->CloseRequested();
        return false;
    }
    if (TRaskroyJob::Busy())
        return false;
    // A job that laid nothing out has no maps to keep.
    if (!m_doc.Modified || m_doc.Tabs.empty())
        return true;
    const QString caption = m_doc.Caption.isEmpty() ? windowTitle() : m_doc.Caption;
    const QPointer<TFormSheets> self(this);
    const ModalResult answer = ui().warn(QStringLiteral("Карты раскроя \"%1\" были изменеы.\rСохранить?").arg(caption),
                                         MsgButtons::YesNoCancel, this);
    // Deleted inside the box's loop: nothing left to keep or to close.
    if (!self)
        return false;
    switch (answer) {
    case ModalResult::Yes:
        // A save cancelled or failed keeps the window and its maps.
        Guarded([this] { tbSaveClick(); });
        return !m_doc.Modified;
    case ModalResult::No:
        return true;
    default:
        return false;
    }
}

QString TFormSheets::LayoutSection() const { return QString::fromLatin1(section::SheetParams); }

void TFormSheets::FormClose()
{
    Settings &s = Context().settings();
    s.Set(key::SheetOutLookWidth, m_navPanel->width());
}

bool TFormSheets::CommandEnabled(MainCommand c) const
{
    // The navigator works during a run too.
    if (c == MainCommand::AllMaterials)
        return true;
    if (m_job)
        return false;
    switch (c) {
    case MainCommand::SaveMaps:
    case MainCommand::ExportMapsIni:
    case MainCommand::PrintStatistics:
    case MainCommand::PrintScrapsLabels:
    case MainCommand::PrintDetalsLabels:
        return true;
    default:
        return false;
    }
}

void TFormSheets::ExecuteCommand(MainCommand c)
{
    if (c == MainCommand::AllMaterials) {
        if (TgwOutlookListItem *first = m_navigator->Items()->Item(0)) {
            OutlookListItemClick(m_navigator, first);
            first->SetSelected(true);
            m_navigator->MakeVisible(first);
        }
        return;
    }
    if (m_job)
        return;
    switch (c) {
    case MainCommand::SaveMaps:
        tbSaveClick();
        break;
    case MainCommand::ExportMapsIni:
        ExportMapsToIniDialog(*this);
        break;
    case MainCommand::PrintStatistics:
        PrintScrapsInfoCommand(*this);
        break;
    case MainCommand::PrintScrapsLabels:
        ScrapsLabelsCommand(*this);
        break;
    case MainCommand::PrintDetalsLabels:
        DetalsLabelsCommand(*this);
        break;
    default:
        break;
    }
}

void TFormSheets::RefreshSheets()
{
    if (m_doc.Tabs.empty())
        return;
    ColorizeMaps();
}

// --- switches -------------------------------------------------------------------

void TFormSheets::SetShowBorders(bool on)
{
    m_doc.SetShowBorders(on);
    BorderAction->setChecked(on);
    syncSheets();
}

void TFormSheets::SetShowScrapsText(bool on)
{
    m_doc.SetShowScrapsText(on);
    ScrapsAction->setChecked(on);
    syncSheets();
}

void TFormSheets::SetShowHints(bool on)
{
    m_doc.Display.ShowHints = on;
    ShowHintAction->setChecked(on);
}

void TFormSheets::SetMillLinesMode(int mode)
{
    m_doc.SetMillLinesMode(mode);
    const int m = m_doc.Display.MillLinesMode;
    m_millModes[m]->setChecked(true);
    tbMillLines->setText(QStringLiteral("Резы: ") + m_millModes[m]->text());
    syncSheets();
}

void TFormSheets::ShowMaterial(int code)
{
    if (code == m_doc.CurrentMaterial)
        return;
    m_doc.ShowMaterial(code);
    for (int i = 0; i < PageCount(); ++i)
        m_pages->setTabVisible(i, m_doc.Tabs[size_t(i)].Visible);
    syncSheets();
}

void TFormSheets::SetToolsEnabled(bool on)
{
    for (QAction *a : {SaveAction, ApplyAction, StatisticAction, BorderAction, ScrapsAction, FontAction, PrintAction,
                       ShowHintAction, BordersInfoAction})
        a->setEnabled(on);
    ApplyAction->setEnabled(on && !m_accepted);
    tbMillLines->setEnabled(on);
}

void TFormSheets::SetFileCaption(const QString &fileName)
{
    m_doc.FileName = fileName;
    const QString bare = fileName.mid(std::max(fileName.lastIndexOf('/'), fileName.lastIndexOf('\\')) + 1);
    setWindowTitle(QStringLiteral("%1: %2").arg(QStringLiteral("Карты раскроя"), bare));
}

void TFormSheets::SetMapsCaption(const QString &caption)
{
    m_doc.Caption = caption;
    setWindowTitle(caption.isEmpty() ? QStringLiteral("<без названия>") : caption);
}

// --- tabs -----------------------------------------------------------------------

int TFormSheets::PageCount() const { return m_pages->count(); }

TMapPage *TFormSheets::Page(int i) const { return qobject_cast<TMapPage *>(m_pages->widget(i)); }

int TFormSheets::ActivePage() const { return m_pages->currentIndex(); }

QString TFormSheets::materialName(int code) const
{
    if (Context().hasMaterials())
        return Context().materials().GetMaterialName(code);
    return QString();
}

MapEnvironment TFormSheets::environment() const
{
    MapEnvironment env;
    const TIniFile *ini = &Context().settings().Ini();
    env.scrapLimits = [ini](int32_t code) { return ScrapLimitsOf(*ini, code); };
    env.colors = [ini] { return ReadMapColors(*ini); };
    if (Context().hasBorders()) {
        BordersService *b = &Context().borders();
        env.borderColor = [b](int32_t code, MapColor def) { return MapColor(b->GetBorderColor(code, def)); };
    }
    return env;
}

void TFormSheets::buildPage(int tab)
{
    auto *page = new TMapPage(m_doc, tab, m_pages);
    // The pages take their size after the window's own resize event, so the
    // scale follows the page shown (a maximised window kept its small maps).
    connect(page, &TMapPage::Resized, this, [this, page] {
        if (m_pages->currentWidget() == page) Guarded([this] { FormResize(); });
    });
    page->Sheet()->OnItemMenu = [this](TSheetCtrl *s, const MapHit &h, const QPoint &g) { onItemMenu(s, h, g); };
    m_pages->addTab(page, m_doc.Tabs[size_t(tab)].Caption);
    m_pages->setTabVisible(tab, m_doc.Tabs[size_t(tab)].Visible);
}

void TFormSheets::AddMapTab(const QString &caption, int code, const kv::engine::TSheetsList &map,
                   const kv::engine::TDetalsList &parts,
                            int kerf, const QString &remark)
{
    const int mode = m_doc.Display.MillLinesMode;
    m_doc.AddMapTab(caption, code, map, parts, kerf, remark);
    const int tab = int(m_doc.Tabs.size()) - 1;
    buildPage(tab);
    HideProgress();
    // Recolouring and the cut-line mode never stop a tab from being shown.
    try {
        kv::ColorizeMaps(m_doc, environment());
        m_doc.SetMillLinesMode(mode);
    } catch (...) {
    }
    FormResize();
    if (m_doc.Tabs[size_t(tab)].Visible)
        m_pages->setCurrentIndex(tab);
    RefreshStatusBars();
    syncSheets();
}

void TFormSheets::RebuildTabs()
{
    while (m_pages->count() > 0) {
        QWidget *w = m_pages->widget(0);
        m_pages->removeTab(0);
        delete w;
    }
    for (int i = 0; i < int(m_doc.Tabs.size()); ++i)
        buildPage(i);
    SetMillLinesMode(m_doc.Display.MillLinesMode);
    BorderAction->setChecked(m_doc.Display.ShowBorders);
    ScrapsAction->setChecked(m_doc.Display.ShowScrapsText);
    ShowHintAction->setChecked(m_doc.Display.ShowHints);
    FormResize();
    RefreshStatusBars();
    if (m_shown)
        FillMaterialsList();
    syncSheets();
}

void TFormSheets::LoadDocument(MapDocument doc, const QString &fileName, bool recolour)
{
    m_fromFile = true;
    m_doc = std::move(doc);
    if (recolour)
        kv::ColorizeMaps(m_doc, environment());
    m_doc.Modified = false;
    SetFileCaption(fileName);
    RebuildTabs();
}

void TFormSheets::SyncFromDocument()
{
    RefreshStatusBars();
    syncSheets();
}

void TFormSheets::MarkAccepted()
{
    m_accepted = true;
    ApplyAction->setEnabled(false);
}

void TFormSheets::ColorizeMaps()
{
    kv::ColorizeMaps(m_doc, environment());
    RefreshStatusBars();
    syncSheets();
}

void TFormSheets::refreshBars(int tab)
{
    TMapPage *p = Page(tab);
    if (!p)
        return;
    const MapTab &t = m_doc.Tabs[size_t(tab)];
    const MapStatusTexts s = StatusTexts(t, materialName(t.MaterialCode));
    p->Bar4()->SetTexts(s.Four);
    p->Bar5()->SetTexts(s.Five);
}

void TFormSheets::RefreshStatusBars()
{
    for (int i = 0; i < PageCount(); ++i)
        refreshBars(i);
}

void TFormSheets::syncSheets()
{
    for (int i = 0; i < PageCount(); ++i)
        Page(i)->Sheet()->SyncFromDocument();
}

void TFormSheets::FormResize()
{
    int32_t maxW = 0, maxH = 0;
    m_doc.MaxSheetSize(maxW, maxH);
    QWidget *ref = m_pages->currentWidget();
    if (!ref && PageCount() > 0)
        ref = m_pages->widget(0);
    if (!ref)
        return;
    QSize size = ref->size();
    // Pages not laid out yet take the size of the page area.
    if (size.width() < 40 || size.height() < 40) {
        const QRect area = m_pages->contentsRect();
        size = QSize(area.width() - 4, area.height() - m_pages->tabBar()->sizeHint().height() - 4);
    }
    const int barH = Page(0) ? Page(0)->BarHeight() : 0;
    m_scale = MapScale(size.width(), size.height(), 2 * barH, maxW, maxH);
    for (int i = 0; i < PageCount(); ++i)
        Page(i)->Sheet()->SetRatio(m_scale);
}

void TFormSheets::resizeEvent(QResizeEvent *e)
{
    TMdiChild::resizeEvent(e);
    FormResize();
}

// --- navigator ------------------------------------------------------------------

void TFormSheets::FillMaterialsList()
{
    QList<MaterialItem> items;
    if (Context().hasMaterials())
        items = Context().materials().MaterialItems(true);
    if (items.isEmpty() || items.first().code != kMapAllMaterials)
        items.prepend({kMapAllMaterials, QStringLiteral("<все материалы>")});
    // Materials of the document the base does not know still get an item.
    for (int code : m_doc.MaterialCodes) {
        bool known = false;
        for (const MaterialItem &it : items)
            known = known || it.code == code;
        if (!known)
            items.append({code, QString::number(code)});
    }
    m_navigator->Items()->Clear();
    for (int i = 0; i < items.size(); ++i) {
        const MaterialItem &m = items[i];
        if (i > 0 && std::find(m_doc.MaterialCodes.begin(), m_doc.MaterialCodes.end(), m.code) ==
                         m_doc.MaterialCodes.end())
            continue;
        TgwOutlookListItem *it = m_navigator->Items()->Add();
        it->SetImageIndex(53);
        it->Tag = m.code;
        it->SetText(m.name);
        it->SetSeparation(2);
        it->SetTextAlignment(gw::taLeftJustify);
        it->SetGlyphOffset(1);
    }
    if (m_navigator->Items()->Count() > 0) {
        TgwOutlookListItem *first = m_navigator->Items()->Item(0);
        first->SetSelected(true);
        OutlookListItemClick(m_navigator, first);
    }
}

void TFormSheets::OutlookListItemClick(TgwCustomOutlookList *, TgwOutlookListItem *item)
{
    if (item)
        ShowMaterial(item->Tag);
}

void TFormSheets::bbMaterialsClick()
{
    QList<MaterialItem> items;
    for (int i = 0; i < m_navigator->Items()->Count(); ++i) {
        TgwOutlookListItem *it = m_navigator->Items()->Item(i);
        items.append({it->Tag, it->Text()});
    }
    TgwOutlookListItem *sel = m_navigator->GetSelectedItem();
    const int chosen = ExecuteFindMaterial(ui(), items, sel ? sel->Index() : 0, this);
    if (chosen < 0 || chosen >= m_navigator->Items()->Count())
        return;
    TgwOutlookListItem *it = m_navigator->Items()->Item(chosen);
    it->SetSelected(true);
    m_navigator->MakeVisible(it);
    OutlookListItemClick(m_navigator, it);
}

// --- pop-up menus ---------------------------------------------------------------

void TFormSheets::onItemMenu(TSheetCtrl *sheet, const MapHit &hit, const QPoint &globalPos)
{
    const int tab = sheet ? sheet->TabIndex() : hit.index;
    if (QMenu *m = PreparePopup(tab, hit))
        m->popup(globalPos);
}

QMenu *TFormSheets::PreparePopup(int tab, const MapHit &hit)
{
    if (tab < 0 || tab >= int(m_doc.Tabs.size()))
        return nullptr;
    m_menuTab = tab;
    m_menuHit = hit;
    switch (hit.kind) {
    case MapItemKind::Detal:
        return ppmDetal;
    case MapItemKind::Scrap: {
        const bool usable = m_doc.Tabs[size_t(tab)].Scraps[size_t(hit.index)].ScrapType == stNormalScrap;
        QAction *change = ppmScrap->findChild<QAction *>(QStringLiteral("miChangeScrapName"));
        QAction *normal = ppmScrap->findChild<QAction *>(QStringLiteral("miScrapNormal"));
        change->setVisible(usable);
        change->setEnabled(!m_job);
        normal->setChecked(usable);
        normal->setEnabled(!m_job);
        return ppmScrap;
    }
    case MapItemKind::MillLine:
        return ppmMillLine;
    case MapItemKind::Sheet:
        return ppmRaskroyMap;
    default:
        return nullptr;
    }
}

void TFormSheets::popupAction(const std::function<void(int, int)> &f)
{
    const int tab = m_menuTab;
    const int index = m_menuHit.index;
    Guarded([&] { f(tab, index); });
}

void TFormSheets::DetalInfo(int tab, int index)
{
    ui().inform(DetalHint(m_doc.Tabs.at(size_t(tab)).Parts.at(size_t(index))), this);
}

void TFormSheets::ScrapInfo(int tab, int index)
{
    ui().inform(ScrapHint(m_doc.Tabs.at(size_t(tab)).Scraps.at(size_t(index))), this);
}

void TFormSheets::MillLineInfo(int tab, int index)
{
    ui().inform(MillHint(m_doc.Tabs.at(size_t(tab)).Cuts.at(size_t(index))), this);
}

void TFormSheets::ChangeScrapName(int tab, int index)
{
    if (m_job)
        return;
    QString name = m_doc.Tabs.at(size_t(tab)).Scraps.at(size_t(index)).ScrapName;
    if (!TfrmChangeScrapName::Execute(ui(), this, name))
        return;
    m_doc.RenameScrap(tab, index, name);
    syncSheets();
}

void TFormSheets::ToggleScrapNormal(int tab, int index)
{
    if (m_job)
        return;
    const bool usable = m_doc.Tabs.at(size_t(tab)).Scraps.at(size_t(index)).ScrapType == stNormalScrap;
    m_doc.Display.Colors = ReadMapColors(Context().settings().Ini());
    m_doc.SetScrapUsable(tab, index, !usable);
    refreshBars(tab);
    syncSheets();
}

QString TFormSheets::MapInfoText(int tab) const
{
    TMapPage *p = Page(tab);
    if (!p)
        return QString();
    MapStatusTexts s;
    for (int i = 0; i < p->Bar4()->PanelCount(); ++i)
        s.Four << p->Bar4()->PanelText(i);
    for (int i = 0; i < p->Bar5()->PanelCount(); ++i)
        s.Five << p->Bar5()->PanelText(i);
    return TabInfo(s);
}

void TFormSheets::MapInfo(int tab)
{
    const QString text = MapInfoText(tab);
    if (!text.isEmpty())
        ui().inform(text, this);
}

// --- tool actions ---------------------------------------------------------------

void TFormSheets::tbSaveClick()
{
    if (m_job)
        return;
    if (SaveMapsWithDialog(*this))
        m_doc.Modified = false;
}

void TFormSheets::tbPrintClick()
{
    if (!m_job)
        PrintMapsCommand(*this);
}

void TFormSheets::FontActionExecute()
{
    QFont f = m_doc.Display.Font.toQFont();
    if (!ui().chooseFont(f, this))
        return;
    m_doc.Display.Font.setFromQFont(f);
    syncSheets();
}

void TFormSheets::tbAddToScrapsClick()
{
    if (!m_job)
        AcceptVariantCommand(*this);
}

void TFormSheets::BorderActionExecute() { SetShowBorders(BorderAction->isChecked()); }

void TFormSheets::ScrapsActionExecute() { SetShowScrapsText(ScrapsAction->isChecked()); }

void TFormSheets::ShowHintActionExecute() { SetShowHints(ShowHintAction->isChecked()); }

void TFormSheets::tbStatisticClick()
{
    if (!m_job)
        StatisticsCommand(*this);
}

void TFormSheets::tbBordersInfoClick()
{
    if (!m_job)
        BordersInfoCommand(*this);
}

void TFormSheets::AbortRaskroyActionExecute()
{
    if (m_job)
        m_job->AbortRaskroy();
}

// --- the running job ------------------------------------------------------------

void TFormSheets::AttachJob(TRaskroyJob *job) { m_job = job; }

void TFormSheets::BeginRun(int code, const engine::TDisplaySwitches &switches)
{
    SetToolsEnabled(false);
    // A tool button offers every action it holds beyond its default one as
    // a drop-down: it holds one at a time.
    tbSave->removeAction(SaveAction);
    tbSave->setDefaultAction(AbortRaskroyAction);
    AbortRaskroyAction->setEnabled(true);
    Q_UNUSED(code); // the navigator keeps the user's choice
    ShowProgress();
    setWindowTitle(QStringLiteral("Пожалуйста подождите ..."));
    m_doc.Display.ShowTitles = switches.ShowName;
    m_doc.Display.ShowDims = switches.ShowDim;
    SetShowScrapsText(switches.ShowScrapsText);
    SetShowHints(switches.ShowHints);
    SetShowBorders(switches.ShowBorder);
}

void TFormSheets::EndRun()
{
    tbSave->removeAction(AbortRaskroyAction);
    tbSave->setDefaultAction(SaveAction);
    SetToolsEnabled(true);
    HideProgress();
    SetStatusText(QString());
    FormResize();
    SetMapsCaption(m_doc.Caption);
}

void TFormSheets::ShowProgress()
{
    m_progress->setValue(0);
    m_progress->setVisible(true);
    updateRunBar();
    m_progress->repaint();
}

void TFormSheets::HideProgress()
{
    m_progress->setVisible(false);
    updateRunBar();
}

void TFormSheets::SetProgress(int64_t done, int64_t total)
{
    if (total <= 0)
        total = 1;
    m_progress->setMaximum(1000);
    m_progress->setValue(int(std::clamp<int64_t>(done * 1000 / total, 0, 1000)));
}

void TFormSheets::SetStatusText(const QString &text)
{
    m_status->setText(text);
    updateRunBar();
}

void TFormSheets::CloseWindow()
{
    m_job = nullptr;
    m_forceClose = true;
    CloseChild();
}

void TFormSheets::SetJobMaterials(const std::vector<int> &codes)
{
    m_doc.MaterialCodes.assign(codes.begin(), codes.end());
    if (m_shown)
        FillMaterialsList();
}

void TFormSheets::ShowStatistics() { tbStatisticClick(); }
