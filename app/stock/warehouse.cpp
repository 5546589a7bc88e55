#include "app/stock/warehouse.h"

#include "app/common/appcontext.h"
#include "app/common/materialsmenu.h"
#include "app/common/navigator.h"
#include "app/materials/findmaterial.h"
#include "app/stock/minsheets.h"
#include "app/stock/statesview.h"
#include "app/stock/stockprint.h"
#include "app/stock/stockdialogs.h"
#include "controls/dbgrid.h"
#include "controls/winlayout.h"
#include "data/datamodule.h"
#include "data/materials/materials.h"
#include "data/paths.h"
#include "data/settings.h"
#include "data/stock/minsheets.h"
#include "data/stock/whstates.h"
#include "platform/db/copytable.h"
#include "platform/error.h"
#include "platform/ui.h"
#include "widgets/outlookbar.h"
#include "widgets/outlooklist.h"
#include "platform/clock.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

using namespace kv;

namespace {

const QString kSheetsSection = QStringLiteral("Sheets_Window");
const QString kScrapsSection = QStringLiteral("Scraps_Window");
const int kSheetCols = 3;
const int kScrapCols = 6;

} // namespace

TfrmWareHouse::TfrmWareHouse(AppContext &ctx, QWidget *parent)
    : TMdiChild(ctx, QStringLiteral("TfrmWareHouse"), parent),
      m_stock(&ctx.stock())
{
    setObjectName(QStringLiteral("frmWareHouse"));
    setWindowTitle(QStringLiteral("Склад"));
    // The window lives for the whole run; a close only minimises it.
    setAttribute(Qt::WA_DeleteOnClose, false);
    TModule &mod = ctx.module();
    // The dirty flags stay as the stock service left them: a variant
    // accepted before the window was made is still to be saved.
    mod.FindNameByCode = [this](int code) { return MaterialName(code); };

    splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("splitter"));
    OutlookBar = new TgwOutlookBar(splitter);
    NavigatorBar nav;
    nav.caption = QStringLiteral("Материалы");
    nav.autoBold = true;
    nav.onButton = [this] { Guarded([this] { bbMaterialsClick(); }); };
    olMaterials = SetUpNavigatorBar(OutlookBar, nav, QStringLiteral("olMaterials"));
    OutlookBar->OutlookItems()->Page(0)->Button->setObjectName(QStringLiteral("bbMaterials"));
    // The splitter sizes the bar (its width is kept in the settings).
    OutlookBar->setMinimumWidth(85);
    OutlookBar->setMaximumWidth(QWIDGETSIZE_MAX);
    olMaterials->OnItemClick = [this](TgwCustomOutlookList *l, TgwOutlookListItem *i) { olMaterialsItemClick(l, i); };

    pcWareHouse = new QTabWidget(splitter);
    pcWareHouse->setObjectName(QStringLiteral("pcWareHouse"));
    splitter->setStretchFactor(1, 1);
    splitter->setCollapsible(0, false);

    // Standard sheets.
    tsSheets = new QWidget;
    tsSheets->setObjectName(QStringLiteral("tsSheets"));
    auto *sheetsBar = new QHBoxLayout;
    for (QPushButton *b : {button("tbAddSheet", "Добавить", &TfrmWareHouse::AddSheetActionExecute, tsSheets),
                           button("tbDelSheet", "Удалить", &TfrmWareHouse::DeleteSheetActionExecute, tsSheets),
                           button("tbSaveSheets", "Сохранить", &TfrmWareHouse::SaveSheetsActionExecute, tsSheets),
                           button("tbPrintSheets", "Печать", &TfrmWareHouse::PrintSheetsActionExecute, tsSheets),
                           button("tbMinSheets", "Минимум", &TfrmWareHouse::MinSheetsActionExecute, tsSheets),
                           button("tbCheckSheets", "Проверить", &TfrmWareHouse::CheckSheetsActionExecute, tsSheets)})
        sheetsBar->addWidget(b);
    sheetsBar->addStretch();
    dbgSheets = new TExDBGrid(tsSheets);
    dbgSheets->setObjectName(QStringLiteral("dbgSheets"));
    dbgSheets->SetDataSource(mod.srcSheets);
    dbgSheets->AddColumn(QStringLiteral("LENGTH"), QStringLiteral("Длина"), 120);
    dbgSheets->AddColumn(QStringLiteral("WIDTH"), QStringLiteral("Ширина"), 120);
    dbgSheets->AddColumn(QStringLiteral("MANY"), QStringLiteral("Количество"), 120);
    dbgSheets->AddColumn(QStringLiteral("MatName"), QStringLiteral("Материал"), 160)->ReadOnly = true;
    auto *sv = new QVBoxLayout(tsSheets);
    sv->addLayout(sheetsBar);
    sv->addWidget(dbgSheets, 1);
    pcWareHouse->addTab(tsSheets, QStringLiteral("Стандартные листы"));

    // Off-cuts.
    tsScraps = new QWidget;
    tsScraps->setObjectName(QStringLiteral("tsScraps"));
    auto *scrapsBar = new QHBoxLayout;
    for (QPushButton *b :
         {button("tbDelScrap", "Удалить", &TfrmWareHouse::DeleteScrapActionExecute, tsScraps),
          button("tbSaveScraps", "Сохранить", &TfrmWareHouse::SaveScrapsActionExecute, tsScraps),
          button("tbPrintScraps", "Печать", &TfrmWareHouse::PrintScrapsActionExecute, tsScraps),
          button("tbScrapsParams", "Параметры", &TfrmWareHouse::ScrapsParamsActionExecute, tsScraps),
          button("tbClearScraps", "Очистить", &TfrmWareHouse::ClearScrapsActionExecute, tsScraps),
          button("tbMarkScraps", "Маркировать", &TfrmWareHouse::MarkScrapsActionExecute, tsScraps),
          button("tbFilterScraps", "Задать фильтр", &TfrmWareHouse::FilterScrapsActionExecute, tsScraps)})
        scrapsBar->addWidget(b);
    scrapsBar->addStretch();
    dbgScraps = new TExDBGrid(tsScraps);
    dbgScraps->setObjectName(QStringLiteral("dbgScraps"));
    dbgScraps->SetDataSource(mod.srcScraps);
    dbgScraps->AddColumn(QStringLiteral("NAME"), QStringLiteral("Шифр"), 120);
    dbgScraps->AddColumn(QStringLiteral("LENGTH"), QStringLiteral("Длина"), 120);
    dbgScraps->AddColumn(QStringLiteral("WIDTH"), QStringLiteral("Ширина"), 120);
    dbgScraps->AddColumn(QStringLiteral("MANY"), QStringLiteral("Количество"), 120);
    dbgScraps->AddColumn(QStringLiteral("DATE"), QStringLiteral("Дата"), 120)->ButtonStyle = TColumnButtonStyle::cbsEllipsis;
    dbgScraps->AddColumn(QStringLiteral("MatName"), QStringLiteral("Материал"), 160)->ReadOnly = true;
    dbgScraps->OnEditButtonClick = [this](TExDBGrid &) { Guarded([this] { dbgScrapsEditButtonClick(); }); };
    sbScraps = new QStatusBar(tsScraps);
    sbScraps->setObjectName(QStringLiteral("sbScraps"));
    sbScraps->setSizeGripEnabled(false);
    auto *cv = new QVBoxLayout(tsScraps);
    cv->addLayout(scrapsBar);
    cv->addWidget(dbgScraps, 1);
    cv->addWidget(sbScraps);
    pcWareHouse->addTab(tsScraps, QStringLiteral("Остатки"));

    // The sort pop-up of both grids.
    pmSort = new QMenu(this);
    pmSort->setObjectName(QStringLiteral("pmSort"));
    auto *orders = new QActionGroup(pmSort);
    const struct { const char *name, *text; SortOrder order; } items[] = {
        {"miNoSort", "Без сортировки", soNone},
        {"miSortName", "По имени", soName},
        {"miSortLength", "По длине", soLength},
        {"miSortWidth", "По ширине", soWidth},
    };
    for (const auto &it : items) {
        QAction *a = pmSort->addAction(QString::fromUtf8(it.text));
        a->setObjectName(QString::fromLatin1(it.name));
        a->setCheckable(true);
        orders->addAction(a);
        const SortOrder order = it.order;
        connect(a, &QAction::triggered, this, [this, order] { Guarded([this, order] { SetSortOrder(m_sortScraps, order); }); });
    }
    for (TExDBGrid *g : {dbgSheets, dbgScraps}) {
        g->setContextMenuPolicy(Qt::CustomContextMenu);
        const bool scraps = g == dbgScraps;
        connect(g, &QWidget::customContextMenuRequested, this, [this, g, scraps](const QPoint &pos) {
            Guarded([&] { PrepareSortMenu(scraps)->popup(g->mapToGlobal(pos)); });
        });
    }

    // A row is typed as in the part base, Tab from cell to cell: leaving the
    // grid on Tab sent the rest of the row to the buttons and back into the
    // code cell.
    for (TExDBGrid *g : {dbgSheets, dbgScraps}) g->SetOptions(g->Options() | dgTabs);

    // A grid that loses the focus posts its pending edit.
    dbgSheets->installEventFilter(this);
    dbgScraps->installEventFilter(this);

    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(splitter);
    resize(400, 300);

    // An accepted variant changed the working copies under the grids.
    connect(m_stock, &StockService::Changed, this, &TfrmWareHouse::stockChanged);
}

void TfrmWareHouse::stockChanged()
{
    if (!m_shown) return;
    try {
        SetCurrentMaterial(CurrentMaterial());
    } catch (const std::exception &) {
        ui().error(QStringLiteral("Внутренняя ошибка при обновлении данных."), this);
    }
}

TfrmWareHouse::~TfrmWareHouse()
{
    TModule &mod = Context().module();
    if (m_shown) ui().guarded([this] { storeLayout(); });
    ui().guarded([&] {
        for (Table *t : {mod.tblSheets, mod.tblScraps}) {
            if (t->Active() && t->State() != DataSetState::Browse) t->Cancel();
            t->Close();
        }
    });
    mod.FindNameByCode = nullptr;
    if (m_shown) {
        ui().guarded([&] {
            DeleteTableFile(Context().paths().TempSheetsTable());
            DeleteTableFile(Context().paths().TempScrapsTable());
        });
        // The service outlives the window: no unsaved change is left in
        // copies that are gone.
        mod.SheetsModified = mod.ScrapsModified = false;
    }
}

QPushButton *TfrmWareHouse::button(const char *name, const char *text, void (TfrmWareHouse::*slot)(), QWidget *parent)
{
    auto *b = new QPushButton(QString::fromUtf8(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setFocusPolicy(Qt::NoFocus);
    connect(b, &QPushButton::clicked, this, GuardedSlot(slot));
    return b;
}

namespace {
// Ties are broken by the other size, so equal lengths come in width order.
const char *const kSortFields[] = {"", "NAME;LENGTH;WIDTH", "LENGTH;WIDTH", "WIDTH;LENGTH"};
} // namespace

TfrmWareHouse::SortOrder TfrmWareHouse::CurrentSortOrder(bool scraps) const
{
    const Table *t = scraps ? Context().module().tblScraps : Context().module().tblSheets;
    for (int i = soName; i <= soWidth; ++i)
        if (t->IndexFieldNames() == QLatin1String(kSortFields[i])) return SortOrder(i);
    return soNone;
}

QMenu *TfrmWareHouse::PrepareSortMenu(bool scraps)
{
    m_sortScraps = scraps;
    pmSort->findChild<QAction *>(QStringLiteral("miSortName"))->setVisible(scraps);
    const char *const names[] = {"miNoSort", "miSortName", "miSortLength", "miSortWidth"};
    pmSort->findChild<QAction *>(QString::fromLatin1(names[CurrentSortOrder(scraps)]))->setChecked(true);
    return pmSort;
}

void TfrmWareHouse::SetSortOrder(bool scraps, SortOrder order)
{
    if (scraps) PostScraps();
    else PostSheets();
    Table *t = scraps ? Context().module().tblScraps : Context().module().tblSheets;
    if (!scraps && order == soName) order = soNone;
    t->SetIndexFieldNames(QString::fromLatin1(kSortFields[order]));
}

QString TfrmWareHouse::MaterialName(int code) const
{
    return MaterialsService::FindNameByCode(code, m_codes, m_names);
}

// ---- show, layout, navigator

void TfrmWareHouse::showEvent(QShowEvent *e)
{
    TMdiChild::showEvent(e);
    if (!m_shown) FormShow();
}

void TfrmWareHouse::FormShow()
{
    if (m_shown) return;
    m_shown = true;
    for (const QString &err : m_stock->OpenCopies()) ui().error(err, this);
    Guarded([this] { loadLayout(); });
    Guarded([this] { buildNavigator(); });
    const int stored = Context().settings().Ini().ReadInteger(kScrapsSection, QStringLiteral("Material"), 0);
    SetCurrentMaterial(m_codes.contains(QString::number(stored)) ? stored
                       : m_codes.isEmpty()                       ? kAllMaterials
                                                                 : m_codes.first().toInt());
}

void TfrmWareHouse::loadLayout()
{
    TIniFile &ini = Context().settings().Ini();
    for (int i = 0; i < kSheetCols; ++i)
        dbgSheets->Columns(i)->SetWidth(ini.ReadInteger(kSheetsSection, QStringLiteral("ColWidth%1").arg(i), 120));
    for (int i = 0; i < kScrapCols; ++i)
        dbgScraps->Columns(i)->SetWidth(ini.ReadInteger(kScrapsSection, QStringLiteral("ColWidth%1").arg(i), 120));
    QWidget *frame = qobject_cast<QMdiSubWindow *>(parentWidget()) ? parentWidget() : this;
    // Without a stored size the window keeps the one it opened with, which
    // fits its buttons; a stored one too small for them is not taken.
    const QSize stored(ini.ReadInteger(kScrapsSection, QStringLiteral("Width"), frame->width()),
                       ini.ReadInteger(kScrapsSection, QStringLiteral("Height"), frame->height()));
    if (UsableSize(frame, stored)) frame->resize(stored);
    if (ini.ReadInteger(kScrapsSection, QStringLiteral("WinState"), 0) == 2) frame->showMaximized();
    const int panel = ini.ReadInteger(kScrapsSection, QStringLiteral("PanelWidth"), 100);
    splitter->setSizes({panel, std::max(100, frame->width() - panel)});
}

void TfrmWareHouse::storeLayout()
{
    TIniFile &ini = Context().settings().Ini();
    ini.Update([&] {
        for (int i = 0; i < kSheetCols; ++i)
            ini.WriteInteger(kSheetsSection, QStringLiteral("ColWidth%1").arg(i), dbgSheets->Columns(i)->Width());
        for (int i = 0; i < kScrapCols; ++i)
            ini.WriteInteger(kScrapsSection, QStringLiteral("ColWidth%1").arg(i), dbgScraps->Columns(i)->Width());
        QWidget *frame = qobject_cast<QMdiSubWindow *>(parentWidget()) ? parentWidget() : this;
        const int state = frame->isMaximized() ? 2 : frame->isMinimized() ? 1 : 0;
        if (state == 0 && UsableSize(frame, frame->size())) {
            ini.WriteInteger(kScrapsSection, QStringLiteral("Width"), frame->width());
            ini.WriteInteger(kScrapsSection, QStringLiteral("Height"), frame->height());
        }
        ini.WriteInteger(kScrapsSection, QStringLiteral("WinState"), state);
        ini.WriteInteger(kScrapsSection, QStringLiteral("Material"), CurrentMaterial());
        ini.WriteInteger(kScrapsSection, QStringLiteral("PanelWidth"), OutlookBar->width());
    });
}

void TfrmWareHouse::buildNavigator()
{
    olMaterials->Items()->Clear();
    m_names.clear();
    m_codes.clear();
    if (!Context().hasMaterials()) return;
    Context().materials().LoadMaterialsLists(m_names, m_codes, true);
    for (int i = 0; i < m_names.size(); ++i) {
        TgwOutlookListItem *item = olMaterials->Items()->Add();
        item->SetText(m_names[i]);
        item->Tag = m_codes[i].toInt();
        item->SetImageIndex(53);
        item->SetSeparation(2);
        item->SetTextAlignment(gw::taLeftJustify);
        item->SetGlyphOffset(1);
    }
}

void TfrmWareHouse::RefreshMaterials()
{
    Guarded([this] {
        const int code = CurrentMaterial();
        buildNavigator();
        SetCurrentMaterial(m_codes.contains(QString::number(code)) ? code
                           : m_codes.isEmpty()                     ? kAllMaterials
                                                                   : m_codes.first().toInt());
    });
}

// The page button: the materials' finder, the chosen one shown.
void TfrmWareHouse::bbMaterialsClick()
{
    QList<MaterialItem> items;
    for (int i = 0; i < olMaterials->Items()->Count(); ++i)
        items.append({olMaterials->Items()->Item(i)->Tag, olMaterials->Items()->Item(i)->Text()});
    TgwOutlookListItem *sel = olMaterials->GetSelectedItem();
    const int chosen = ExecuteFindMaterial(Context().ui(), items, sel ? sel->Index() : 0, this);
    if (chosen < 0 || chosen >= olMaterials->Items()->Count()) return;
    TgwOutlookListItem *it = olMaterials->Items()->Item(chosen);
    it->SetSelected(true);
    olMaterials->MakeVisible(it);
    olMaterialsItemClick(olMaterials, it);
}

void TfrmWareHouse::olMaterialsItemClick(TgwCustomOutlookList *, TgwOutlookListItem *item)
{
    if (item) SetCurrentMaterial(item->Tag);
}

void TfrmWareHouse::SetCurrentMaterial(int code)
{
    auto select = [this](int c) {
        for (int i = 0; i < olMaterials->Items()->Count(); ++i) {
            TgwOutlookListItem *item = olMaterials->Items()->Item(i);
            if (item->Tag != c) continue;
            if (!item->GetSelected()) item->SetSelected(true);
            olMaterials->MakeVisible(item);
            break;
        }
    };
    try {
        PostSheets();
        PostScraps();
    } catch (const Error &e) {
        // A row that cannot go in says why, and its material stays shown.
        ui().error(e.message(), this);
        select(CurrentMaterial());
        return;
    }
    try {
        m_stock->SetCurrentMaterial(code);
    } catch (const std::exception &) {
        ui().error(QStringLiteral("Ошибка при обращении к складу!"), this);
        return;
    }
    const bool all = code == kAllMaterials;
    dbgSheets->ColumnByField(QStringLiteral("MatName"))->SetVisible(all);
    dbgScraps->ColumnByField(QStringLiteral("MatName"))->SetVisible(all);
    select(code);
    updateStatus();
}

void TfrmWareHouse::updateStatus()
{
    sbScraps->showMessage(m_stock->Filter().StatusText());
}

void TfrmWareHouse::PostSheets()
{
    m_stock->PostSheets();
}

void TfrmWareHouse::PostScraps()
{
    m_stock->PostScraps();
}

bool TfrmWareHouse::eventFilter(QObject *o, QEvent *e)
{
    if (e->type() == QEvent::FocusOut) {
        auto *fe = static_cast<QFocusEvent *>(e);
        // The grid's own in-place editor takes the focus without leaving it.
        QWidget *grid = qobject_cast<QWidget *>(o);
        QWidget *to = QApplication::focusWidget();
        // A box opened over the window (the message of a row just refused)
        // is not the user leaving the row: posting again would repeat it.
        const bool boxOpened = QApplication::activeModalWidget() != nullptr;
        if (fe->reason() != Qt::PopupFocusReason && !boxOpened && !(to && grid && grid->isAncestorOf(to)))
            ui().guarded([&] { o == dbgSheets ? PostSheets() : PostScraps(); }, this);
    }
    return TMdiChild::eventFilter(o, e);
}

// ---- closing

bool TfrmWareHouse::CloseQuery()
{
    return StockCloseQuery(*m_stock, ui(), this);
}

void TfrmWareHouse::closeEvent(QCloseEvent *e)
{
    if (ShuttingDown()) {
        TMdiChild::closeEvent(e);
        return;
    }
    bool ok = false;
    Guarded([&] { ok = CloseQuery(); });
    e->ignore();
    if (!ok) return;
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget())) sub->showMinimized();
    else showMinimized();
}

// ---- commands of the main window

bool TfrmWareHouse::CommandEnabled(MainCommand cmd) const
{
    TModule &mod = Context().module();
    switch (cmd) {
    case MainCommand::AllMaterials: return true;
    case MainCommand::PrintScrapsLabels: return true;   // carried out by the print room
    case MainCommand::DeleteSheet: return mod.tblSheets->Active() && !mod.tblSheets->IsEmpty();
    case MainCommand::DeleteScrap: return mod.tblScraps->Active() && !mod.tblScraps->IsEmpty();
    default: return false;
    }
}

void TfrmWareHouse::ExecuteCommand(MainCommand cmd)
{
    switch (cmd) {
    case MainCommand::AllMaterials: SetCurrentMaterial(kAllMaterials); break;
    case MainCommand::DeleteSheet: DeleteSheetActionExecute(); break;
    case MainCommand::DeleteScrap: DeleteScrapActionExecute(); break;
    default: break;
    }
}

// ---- standard sheets

void TfrmWareHouse::AddSheetActionExecute()
{
    PostSheets();
    Owned<TfrmAddSheets> d(new TfrmAddSheets(this));
    MaterialList list;
    for (int i = 0; i < m_codes.size(); ++i) list << qMakePair(m_codes[i].toInt(), m_names[i]);
    d->SetMaterials(list, CurrentMaterial());
    if (ui().runModal(*d) != QDialog::Accepted || !d) return;
    m_stock->AddSheets(d->SheetLength(), d->SheetWidth(), d->Quantity(), d->MaterialCode());
}

void TfrmWareHouse::SaveSheetsActionExecute()
{
    m_stock->SaveSheets();
}

void TfrmWareHouse::MinSheetsActionExecute()
{
    PostSheets();
    if (olMaterials->GetSelectedItem()) ExecuteMinSheetsQuantity(Context(), CurrentMaterial(), this);
}

void TfrmWareHouse::CheckSheetsActionExecute()
{
    PostSheets();
    CheckStdSheetsStock(Context(), true, this);
}

void TfrmWareHouse::DeleteSheetActionExecute()
{
    Table &t = *Context().module().tblSheets;
    if (!t.Active() || t.IsEmpty()) return;
    if (ui().confirm(QStringLiteral("Действительно удалить запись\rиз базы стандартных листов?"), MsgButtons::YesNo,
                         this)
        != ModalResult::Yes)
        return;
    try {
        t.Delete();
    } catch (const std::exception &) {
        ui().error(QStringLiteral("Ошибка удаления из базы стандартных листов."), this);
    }
}

// ---- off-cuts

void TfrmWareHouse::SaveScrapsActionExecute()
{
    m_stock->SaveScraps();
}

void TfrmWareHouse::DeleteScrapActionExecute()
{
    Table &t = *Context().module().tblScraps;
    if (!t.Active() || t.IsEmpty()) return;
    if (ui().confirm(QStringLiteral("Действительно удалить запись\rиз базы отходов?"), MsgButtons::YesNo, this)
        != ModalResult::Yes)
        return;
    try {
        t.Delete();
    } catch (const std::exception &) {
        ui().error(QStringLiteral("Ошибка удаления из базы отходов."), this);
    }
}

void TfrmWareHouse::ClearScrapsActionExecute()
{
    PostScraps();
    const int code = CurrentMaterial();
    if (code < 0) return;
    const QString q = code == kAllMaterials
                          ? QStringLiteral("ВНИМАНИЕ!\r\rДействительно очистить ВСЮ базу остатков?")
                          : QStringLiteral("ВНИМАНИЕ!\r\rДействительно очистить базу остатков текущего материала?");
    if (ui().confirm(q, MsgButtons::YesNo, this) != ModalResult::Yes) return;
    m_stock->ClearScraps(code);
}

void TfrmWareHouse::ScrapsParamsActionExecute()
{
    PostScraps();
    try {
        m_stock->MergeEqualScraps();
    } catch (const std::exception &) {
        ui().error(QStringLiteral("Внутренняя ошибка при подсчёте отходов\rодинакового размера!"), this);
    }
    const int code = CurrentMaterial();
    TIniFile &ini = Context().settings().Ini();
    Owned<TfmClearScraps> d(new TfmClearScraps(this));
    d->SetMaterialName(MaterialName(code));
    // "<все материалы>" keeps options of its own under its code 999.
    d->Load(UnpackScrapSettings(ini, MaterialSection(code)));
    if (ui().runModal(*d) != QDialog::Accepted || !d) return;
    const TScrapSettings s = d->Read();
    QList<int> codes;
    if (code == kAllMaterials)
        for (const QString &c : m_codes) codes << c.toInt();
    else
        codes << code;
    QStringList failures;
    for (int c : codes) {
        PackScrapSettings(ini, MaterialSection(c), s);
        if (!s.DeleteWaste) continue;
        try {
            m_stock->DeleteWaste(c, s);
        } catch (const Error &e) {
            failures << e.message();
        }
    }
    Context().module().ScrapsModified = true;
    if (!failures.isEmpty()) ui().error(failures.join(QLatin1Char('\r')), this);
}

void TfrmWareHouse::MarkScrapsActionExecute()
{
    PostScraps();
    const int code = CurrentMaterial();
    TIniFile &ini = Context().settings().Ini();
    Owned<TfrmInputMarkerData> d(new TfrmInputMarkerData(this));
    d->Load(UnpackMarkSettings(ini, MaterialSection(code)));
    if (ui().runModal(*d) != QDialog::Accepted || !d) return;
    const TMarkSettings m = d->Read();
    PackMarkSettings(ini, MaterialSection(code), m);
    m_stock->MarkScraps(m, code);
}

void TfrmWareHouse::FilterScrapsActionExecute()
{
    PostScraps();
    Owned<TfrmInputDateFilter> d(new TfrmInputDateFilter(this));
    const QDate today = kv::Today();
    d->SetRange(m_stock->Filter().dates.value_or(DateRange{today, today}));
    if (ui().runModal(*d) != QDialog::Accepted || !d) return;
    if (d->ShowAll()) m_stock->SetDateFilter(std::nullopt);
    else m_stock->SetDateFilter(d->Range());
    updateStatus();
}

void TfrmWareHouse::dbgScrapsEditButtonClick()
{
    Table &t = *Context().module().tblScraps;
    if (!t.Active()) return;
    Field *f = t.FieldByName(QStringLiteral("DATE"));
    QDate date = t.IsEmpty() || f->IsNull() ? kv::Today() : f->AsDate();
    if (!m_selectDate) m_selectDate = new TfrmSelectDate(this);
    if (!m_selectDate->Execute(ui(), date)) return;
    if (t.State() == DataSetState::Browse) {
        if (t.IsEmpty()) t.Append();
        else t.Edit();
    }
    t.FieldByName(QStringLiteral("DATE"))->SetAsDate(date);
}

void TfrmWareHouse::FillScrapsLabelLists(QStringList &names, QStringList &sizes, QStringList &materials,
                                         QStringList &remarks)
{
    names.clear();
    sizes.clear();
    materials.clear();
    remarks.clear();
    try {
        const ScrapLabelLists l = m_stock->FillScrapsLabelLists([this](int code) {
            const QString n = MaterialName(code);
            return n.isEmpty() ? UnknownMaterialName(code) : n;
        });
        names = l.names;
        sizes = l.sizes;
        materials = l.materials;
        remarks = l.remarks;
    } catch (const std::exception &) {
        names.clear();
        sizes.clear();
        materials.clear();
        ui().error(QStringLiteral("Ошибка создания списка остатков."), this);
    }
}

// ---- saved states

void TfrmWareHouse::SaveWareHouseState()
{
    WareHouseStates states(Context().paths());
    kv::SaveWareHouseState(*m_stock, states, [this](const QString &q) { return AskStockQuestion(ui(), q, false, this); },
                       [this] { return TfrmSaveWareHouse::Ask(ui(), QString(), this); });
}

void TfrmWareHouse::ViewWareHouseStates()
{
    Owned<TfrmViewWareHouses> v(new TfrmViewWareHouses(Context(), *m_stock, this));
    ui().runModal(*v);
}

// ---- printing

void TfrmWareHouse::PrintSheetsActionExecute()
{
    printList(false);
}

void TfrmWareHouse::PrintScrapsActionExecute()
{
    printList(true);
}

void TfrmWareHouse::printList(bool scraps)
{
    PrintStockList(Context(), *m_stock, scraps, this);
}

void TfrmWareHouse::ShowWareHouseInfo()
{
    Guarded([this] { PrintWareHouseInfo(Context(), *m_stock, this); });
}
