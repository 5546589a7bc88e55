#include "report/windows/preview.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QMenu>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QStandardPaths>
#include <cmath>

#include "platform/error.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "report/building/composite.h"
#include "report/building/report.h"
#include "report/core/utils.h"
#include "report/output/exportfilter.h"
#include "report/output/printer.h"
#include "report/windows/dialogs.h"
#include "report/windows/enginectl.h"
#include "report/windows/exportdialogs.h"
#include "report/windows/previewpanel.h"
#include "report/windows/printdialog.h"
#include "report/windows/progress.h"
#include "report/windows/winpos.h"

namespace {

constexpr int kSmallChange = 10;
constexpr int kLargeChange = 200;

int roundInt(double v) { return int(std::lround(v)); }

// The ".rpp" filter and the export filters in registration order, as the
// save dialog lists them ("description|mask" pairs joined by "|").
QString saveFilterText()
{
    QString f = LoadEngineString(55211) + QStringLiteral(" (*.rpp)|*.rpp");
    for (const TrpExportFilterInfo &i : rpExportFilters()) f += QLatin1Char('|') + i.Description + QLatin1Char('|') + i.Mask;
    return f;
}

// An open or save dialog of the preview: the name chosen, "" for Cancel;
// `index` (1-based) is the filter shown first and comes back as the chosen one.
QString runFileDialog(kv::Ui &ui, QWidget *parent, bool save, const QString &filter, int &index,
                      const QString &suggested = {})
{
    kv::FileChoice choice;
    choice.save = save;
    choice.filter = filter;
    choice.filterIndex = index;
    choice.fileName = suggested;
    const QString name = ui.chooseFileName(choice, parent);
    if (!name.isEmpty()) index = choice.filterIndex;
    return name;
}

// The report's title as a file name in the user's documents (else home).
QString suggestedPdf(const QString &title)
{
    QString name = title.isEmpty() ? LoadEngineString(55209) : title;
    for (QChar &c : name)
        if (QStringLiteral("/\\:*?\"<>|").contains(c) || c.unicode() < 32) c = QLatin1Char('_');
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    return QDir(folder).filePath(name + QStringLiteral(".pdf"));
}

} // namespace

TrpPreviewZoom &rpPreviewZoom()
{
    static TrpPreviewZoom z;
    return z;
}

// ---------------------------------------------------------------- page area

TrpPBox::TrpPBox(TrpPreviewForm *form, QWidget *parent) : QWidget(parent), m_form(form)
{
    setObjectName(QStringLiteral("TrpPBox"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void TrpPBox::paintEvent(QPaintEvent *e)
{
    QPainter p(this);
    m_form->paintPages(p, e->rect());
}

void TrpPBox::mousePressEvent(QMouseEvent *e) { m_form->boxMousePress(e); }
void TrpPBox::mouseMoveEvent(QMouseEvent *e) { m_form->boxMouseMove(e); }
void TrpPBox::mouseReleaseEvent(QMouseEvent *e) { m_form->boxMouseRelease(e); }

void TrpPBox::mouseDoubleClickEvent(QMouseEvent *)
{
    m_form->m_skipPress = true;
    if (m_form->m_lastClickedPage > 0) m_form->m_curPage = m_form->m_lastClickedPage;
    m_form->showPageNum();
    // Editing prepared pages needs a designer, which this system does not have.
}

void TrpPBox::wheelEvent(QWheelEvent *e)
{
    const int step = kSmallChange * m_form->m_wheelMultiplier;
    QScrollBar *v = m_form->VScrollBar;
    v->setValue(v->value() + (e->angleDelta().y() > 0 ? -step : step));
    e->accept();
}

void TrpPBox::resizeEvent(QResizeEvent *) { m_form->FormResize(); }

// ---------------------------------------------------------------- window

TrpPreviewForm::TrpPreviewForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TrpPreviewForm"));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    setWindowFlag(Qt::WindowMinimizeButtonHint);
    resize(640, 480);
    buildWindow();
    applyTexts();
    const TrpPreviewZoom &z = rpPreviewZoom();
    m_factor = z.Factor;
    m_mode = z.Mode;
    qApp->installEventFilter(this);
}

TrpPreviewForm::~TrpPreviewForm() { qApp->removeEventFilter(this); }

void TrpPreviewForm::buildWindow()
{
    auto named = [](auto *w, const char *name) {
        w->setObjectName(QLatin1String(name));
        return w;
    };
    Panel1 = named(new QWidget(this), "Panel1");
    rpSetPanelAlign(Panel1, raTop);
    Panel1->setAutoFillBackground(true);
    auto button = [&](const char *name, const char *caption, int tag) {
        auto *b = named(new TrpTBButton(Panel1), name);
        b->SetCaption(kv::uiText(caption));
        b->setProperty("HelpContext", tag);
        // Wide enough for the caption in the program's language.
        b->resize(caption[0] ? std::max(50, b->fontMetrics().horizontalAdvance(b->Caption()) + 12) : 26, 26);
        return b;
    };
    ZoomBtn = button("ZoomBtn", "200%", 200);
    ZoomBtn->resize(50, 26);
    rpTBSeparator1 = named(new TrpTBSeparator(Panel1), "rpTBSeparator1");
    LoadBtn = button("LoadBtn", "Open", 201);
    SaveBtn = button("SaveBtn", "Save", 202);
    PrintBtn = button("PrintBtn", "Print", 203);
    PageSetupBtn = button("PageSetupBtn", "Setup", 203);
    rpTBSeparator2 = named(new TrpTBSeparator(Panel1), "rpTBSeparator2");
    FindBtn = button("FindBtn", "Find", 204);
    HelpBtn = button("HelpBtn", "?", 0);
    HelpBtn->resize(26, 26);
    rpTBSeparator3 = named(new TrpTBSeparator(Panel1), "rpTBSeparator3");
    ExitBtn = button("ExitBtn", "Close", 205);
    for (TrpTBButton *b : {ZoomBtn, LoadBtn, SaveBtn, PrintBtn, PageSetupBtn, FindBtn, HelpBtn, ExitBtn})
        b->setFocusPolicy(Qt::NoFocus);

    ScrollBox1 = named(new QWidget(this), "ScrollBox1");
    PBox = new TrpPBox(this, ScrollBox1);
    RPanel = named(new QWidget(this), "RPanel");
    VScrollBar = named(new QScrollBar(Qt::Vertical, RPanel), "VScrollBar");
    PgUp = named(new TrpTBButton(RPanel), "PgUp");
    PgDown = named(new TrpTBButton(RPanel), "PgDown");
    PgUp->SetCaption(QStringLiteral("\u25B2"));
    PgDown->SetCaption(QStringLiteral("\u25BC"));
    BPanel = named(new QWidget(this), "BPanel");
    Label1 = named(new QLabel(BPanel), "Label1");
    Label2 = named(new QLabel(BPanel), "Label2");
    HScrollBar = named(new QScrollBar(Qt::Horizontal, BPanel), "HScrollBar");
    for (QScrollBar *s : {VScrollBar, HScrollBar}) {
        s->setRange(0, 32000);
        s->setSingleStep(kSmallChange);
        s->setPageStep(kLargeChange);
        s->setFocusPolicy(Qt::NoFocus);
    }
    PgUp->setFocusPolicy(Qt::NoFocus);
    PgDown->setFocusPolicy(Qt::NoFocus);
    connect(VScrollBar, &QScrollBar::valueChanged, this, &TrpPreviewForm::vScrolled);
    connect(HScrollBar, &QScrollBar::valueChanged, this, &TrpPreviewForm::hScrolled);
    PgUp->OnClick = [this] { PgUpClick(); };
    PgDown->OnClick = [this] { PgDownClick(); };
    ZoomBtn->OnClick = [this] { ZoomBtnClick(); };
    LoadBtn->OnClick = [this] { LoadBtnClick(); };
    SaveBtn->OnClick = [this] { SaveBtnClick(); };
    PrintBtn->OnClick = [this] { PrintBtnClick(); };
    PageSetupBtn->OnClick = [this] { PageSetupBtnClick(); };
    FindBtn->OnClick = [this] { FindBtnClick(); };
    ExitBtn->OnClick = [this] { ExitBtnClick(); };
    HelpBtn->OnClick = [this] { HelpBtnClick(); };
    Label1->setProperty("HelpContext", 206);
    Label2->setProperty("HelpContext", 206);
    PBox->setProperty("HelpContext", 207);

    ProcMenu = named(new QMenu(this), "ProcMenu");
    auto *group = new QActionGroup(ProcMenu);
    auto item = [&](const char *name, const char *caption, int tag) {
        QAction *a = ProcMenu->addAction(QString::fromUtf8(caption));
        a->setObjectName(QLatin1String(name));
        a->setData(tag);
        a->setCheckable(true);
        group->addAction(a);
        connect(a, &QAction::triggered, this, [this, tag] { SetZoom(tag); });
        return a;
    };
    N2001 = item("N2001", "200%", 200);
    N1501 = item("N1501", "150%", 150);
    N1001 = item("N1001", "100%", 100);
    N751 = item("N751", "75%", 75);
    N501 = item("N501", "50%", 50);
    N251 = item("N251", "25%", 25);
    N101 = item("N101", "10%", 10);
    N1 = item("N1", "", 1);
    N2 = item("N2", "", 2);
    N3 = item("N3", "", 3);
    N1001->setChecked(true);
    N4 = ProcMenu->addSeparator();
    N4->setObjectName(QStringLiteral("N4"));
    auto plain = [&](const char *name) {
        QAction *a = ProcMenu->addAction(QString());
        a->setObjectName(QLatin1String(name));
        a->setVisible(false);
        return a;
    };
    N5 = plain("N5");
    N6 = plain("N6");
    N7 = plain("N7");
    N4->setVisible(false);
}

void TrpPreviewForm::applyTexts()
{
    N1->setText(LoadEngineString(53020));
    N2->setText(LoadEngineString(53021));
    N3->setText(LoadEngineString(53022));
    N5->setText(LoadEngineString(53029));
    N6->setText(LoadEngineString(53030));
    N7->setText(LoadEngineString(53031));
    ZoomBtn->setToolTip(LoadEngineString(53024));
    LoadBtn->setToolTip(LoadEngineString(53025));
    SaveBtn->setToolTip(LoadEngineString(53026));
    PrintBtn->setToolTip(LoadEngineString(53027));
    FindBtn->setToolTip(LoadEngineString(53028));
    HelpBtn->setToolTip(LoadEngineString(53032));
    ExitBtn->setToolTip(LoadEngineString(53023));
}

TrpEMFPages *TrpPreviewForm::Pages() const { return m_report ? &m_report->EMFPages() : nullptr; }
int TrpPreviewForm::PageCount() const { return m_report ? m_report->EMFPages().Count() : 0; }

kv::Ui &TrpPreviewForm::ui() const
{
    // Borrowed by a panel, the pages ask through the window they are shown in.
    return kv::UiOf(m_host ? static_cast<const QObject *>(m_host) : this);
}

bool TrpPreviewForm::hasPrinter() const
{
    if (m_settings.HasPrinter) return m_settings.HasPrinter();
    // The virtual printer (a PDF file) is always there.
    return !rpPrinter().Printers().isEmpty();
}

void TrpPreviewForm::Connect(TrpReport &report, const TrpPreviewSettings &settings)
{
    if (m_report) disconnect(m_report, &QObject::destroyed, this, nullptr);
    m_report = &report;
    // A modeless preview may outlive its report: it then shows no pages.
    connect(&report, &QObject::destroyed, this, [this] {
        m_report = nullptr;
        m_found = false;
        showPageNum();
        PBox->update();
    });
    m_settings = settings;
    applyButtons();
    resetView(true);
}

void TrpPreviewForm::ShowReport(TrpReport &report, const TrpPreviewSettings &settings)
{
    Connect(report, settings);
    if (!m_settings.ModalPreview) {
        show();
        return;
    }
    QPointer<TrpPreviewForm> self(this);
    ui().runModal(*this);
    // A window to be freed when closed that ended without a close (a user
    // interface that only hid it) is freed all the same.
    if (self && testAttribute(Qt::WA_DeleteOnClose) && isHidden()) deleteLater();
}

void TrpPreviewForm::applyButtons()
{
    const int b = m_settings.PreviewButtons;
    ZoomBtn->setVisible(b & pbZoom);
    LoadBtn->setVisible(b & pbLoad);
    SaveBtn->setVisible(b & pbSave);
    PrintBtn->setVisible(b & pbPrint);
    FindBtn->setVisible(b & pbFind);
    // Help and exit belong to a window of its own, not to a panel's toolbar.
    const bool ownToolbar = Panel1->parentWidget() == this;
    HelpBtn->setVisible((b & pbHelp) && ownToolbar);
    ExitBtn->setVisible((b & pbExit) && ownToolbar);
    PageSetupBtn->setVisible(b & pbPageSetup);
    rpTBSeparator1->setVisible(b & pbZoom);
    rpTBSeparator3->setVisible(FindBtn->isVisibleTo(Panel1) || HelpBtn->isVisibleTo(Panel1));
    PrintBtn->setEnabled(hasPrinter());
    PageSetupBtn->setEnabled(PrintBtn->isEnabled());
    // Prepared pages are edited in a designer, which this system has not.
    for (QAction *a : {N4, N5, N6, N7}) a->setVisible(false);
    switch (m_settings.InitialZoom) {
    case pzPageWidth: rpPreviewZoom().Mode = 1; break;
    case pzOnePage: rpPreviewZoom().Mode = 2; break;
    case pzTwoPages: rpPreviewZoom().Mode = 3; break;
    case pzDefault: break;
    }
    for (TrpTBButton *btn : {ZoomBtn, LoadBtn, SaveBtn, PrintBtn, PageSetupBtn, FindBtn, HelpBtn, ExitBtn})
        btn->SetGrayedInactive(m_settings.GrayedButtons);
    rpLayoutToolbar(Panel1);
}

void TrpPreviewForm::checkZoomItem()
{
    for (QAction *a : ProcMenu->actions()) {
        if (!a->isCheckable()) continue;
        const int tag = a->data().toInt();
        if (m_mode != 0) a->setChecked(tag == m_mode);
        else if (tag > 3 && tag == roundInt(m_factor * 100)) a->setChecked(true);
    }
    if (m_mode == 0 && ProcMenu->actions().size() > 0) {
        bool any = false;
        for (QAction *a : ProcMenu->actions())
            if (a->isCheckable() && a->data().toInt() > 3 && a->data().toInt() == roundInt(m_factor * 100)) any = true;
        if (!any)
            for (QAction *a : ProcMenu->actions())
                if (a->isCheckable()) a->setChecked(false);
    }
}

void TrpPreviewForm::resetView(bool resetPage)
{
    const TrpPreviewZoom &z = rpPreviewZoom();
    m_factor = z.Factor;
    m_mode = z.Mode;
    checkZoomItem();
    if (resetPage) {
        m_curPage = 1;
        m_ofsX = m_ofsY = 0;
        HScrollBar->setValue(0);
        VScrollBar->setValue(0);
        m_found = false;
    }
    showPageNum();
    layoutPages();
    if (TrpEMFPages *pages = Pages())
        for (int i = 0; i < pages->Count(); ++i) {
            pages->GetPage(i)->Visible = false;
            pages->GetPage(i)->UnpackedPage.reset();
        }
    N7->setEnabled(PageCount() > 1);
    PBox->update();
}

void TrpPreviewForm::showPageNum()
{
    Label1->setText(LoadEngineString(55004) + QLatin1Char(' ') + QString::number(m_curPage) + QLatin1Char('/')
                    + QString::number(PageCount()));
    if (OnPageChanged) OnPageChanged();
}

TrpRect TrpPreviewForm::PageRect(int index) const
{
    TrpEMFPages *pages = Pages();
    const TrpPreparedPage *p = pages ? pages->GetPage(index) : nullptr;
    return p ? p->ScreenRect : TrpRect();
}

void TrpPreviewForm::FormResize()
{
    layoutPages();
    PBox->update();
}

void TrpPreviewForm::layoutPages()
{
    // Panels: toolbar on top, status at the bottom, page buttons on the right,
    // in this window or in the panel that borrowed them.
    QWidget *host = m_host ? m_host : this;
    const QRect area = host->contentsRect();
    const int x0 = area.left(), y0 = area.top(), hostW = area.width(), hostH = area.height();
    const bool toolbarHere = Panel1->parentWidget() == host;
    const int tbH = toolbarHere && !Panel1->isHidden() ? 26 : 0;
    const int rW = 16, bH = 18;
    if (toolbarHere) Panel1->setGeometry(x0, y0, hostW, 26);
    else Panel1->setGeometry(0, 0, width(), 26);
    rpLayoutToolbar(Panel1);
    const bool rVisible = !RPanel->isHidden();
    const bool bVisible = !BPanel->isHidden();
    RPanel->setGeometry(x0 + hostW - rW, y0 + tbH, rW, std::max(0, hostH - tbH - (bVisible ? bH : 0)));
    BPanel->setGeometry(x0, y0 + hostH - bH, hostW, bH);
    ScrollBox1->setGeometry(x0, y0 + tbH, std::max(0, hostW - (rVisible ? rW : 0)),
                            std::max(0, hostH - tbH - (bVisible ? bH : 0)));
    if (PBox->geometry() != ScrollBox1->rect()) {
        const QSignalBlocker b(this);
        PBox->setGeometry(ScrollBox1->rect());
    }
    PgDown->setGeometry(0, RPanel->height() - 16, rW, 16);
    PgUp->setGeometry(0, RPanel->height() - 32, rW, 16);
    VScrollBar->setGeometry(0, 0, rW, std::max(0, RPanel->height() - 32));
    Label1->setGeometry(2, 0, 100, bH);
    Label2->setGeometry(104, 0, 200, bH);
    HScrollBar->setGeometry(306, 0, std::max(0, hostW - 306 - (rVisible ? rW : 0)), bH);

    TrpEMFPages *pages = Pages();
    if (!pages || pages->Count() == 0) return;
    const int boxW = PBox->width(), boxH = PBox->height();
    const TrpPreparedPage *cur = pages->GetPage(std::clamp(m_curPage, 1, pages->Count()) - 1);
    const int pw = std::max(1, cur->PageMetrics.Width), ph = std::max(1, cur->PageMetrics.Height);
    switch (m_mode) {
    case 1: m_factor = double(boxW - 20) / pw; break;
    case 2: m_factor = double(boxH - 20) / ph; break;
    case 3: m_factor = double(boxW - 30) / (2.0 * pw); break;
    default: checkZoomItem(); break;
    }
    if (m_factor <= 0) m_factor = 0.01;
    ZoomBtn->SetCaption(QString::number(roundInt(m_factor * 100)) + QLatin1Char('%'));

    // Pages per row: the largest run that fits the box.
    int perRow = 0, count = 0, edge = 10;
    for (int i = 0; i < pages->Count(); ++i) {
        const int w = roundInt(pages->GetPage(i)->PageMetrics.Width * m_factor);
        const int next = w + edge + 10;
        if (next > boxW) {
            perRow = std::max(perRow, count);
            edge = 10;
            count = 0;
        } else {
            edge = next;
            ++count;
        }
        if (i == pages->Count() - 1) perRow = std::max(perRow, count);
    }
    perRow = std::max(1, perRow);
    if (m_mode == 2) perRow = 1;
    if (m_mode == 3) perRow = 2;
    m_perRow = perRow;

    int top = 10, right = 0, bottom = 0;
    for (int i = 0; i < pages->Count();) {
        int x = 10, rowH = 0;
        for (int k = 0; k < perRow && i < pages->Count(); ++k, ++i) {
            TrpPreparedPage *p = pages->GetPage(i);
            const int w = roundInt(p->PageMetrics.Width * m_factor), h = roundInt(p->PageMetrics.Height * m_factor);
            int left = x;
            if (perRow == 1 && w < boxW) left = (boxW - w) / 2;
            p->ScreenRect = TrpRect{left, top, left + w, top + h};
            x = left + w + 10;
            rowH = std::max(rowH, h);
            right = std::max(right, left + w);
            bottom = std::max(bottom, top + h);
        }
        top += rowH + 10;
    }
    const int hMax = right >= boxW ? right - boxW + 10 : 0;
    const int vMax = bottom >= boxH ? bottom - boxH + 10 : 0;
    {
        const QSignalBlocker bh(HScrollBar), bv(VScrollBar);
        HScrollBar->setRange(0, hMax);
        VScrollBar->setRange(0, vMax);
        m_ofsX = -HScrollBar->value();
        m_ofsY = -VScrollBar->value();
    }
    HScrollBar->setEnabled(hMax > 0);
    VScrollBar->setEnabled(vMax > 0);
    scrollToPage();
}

void TrpPreviewForm::scrollToPage()
{
    TrpEMFPages *pages = Pages();
    const TrpPreparedPage *p = pages ? pages->GetPage(m_curPage - 1) : nullptr;
    if (!p) return;
    const QSignalBlocker b(VScrollBar);
    VScrollBar->setValue(p->ScreenRect.Top - 10);
    m_ofsY = -VScrollBar->value();
    PBox->update();
}

void TrpPreviewForm::vScrolled(int value)
{
    m_ofsY = -value;
    // The current page is the one the view shows most of: a page scrolled in
    // by Page Down counts once it fills more of the view than the one above.
    if (TrpEMFPages *pages = Pages()) {
        const int top = value, bottom = value + std::max(PBox->height(), 12);
        int most = 0;
        for (int i = 0; i < pages->Count(); ++i) {
            const TrpRect &r = pages->GetPage(i)->ScreenRect;
            const int shown = std::min(r.Bottom, bottom) - std::max(r.Top, top);
            if (shown > most) {
                most = shown;
                m_curPage = i + 1;
            }
        }
    }
    showPageNum();
    PBox->update();
}

void TrpPreviewForm::hScrolled(int value)
{
    m_ofsX = -value;
    PBox->update();
}

void TrpPreviewForm::GoToPage(int page)
{
    if (page < 1 || page > PageCount()) return;
    m_curPage = page;
    showPageNum();
    scrollToPage();
}

void TrpPreviewForm::PgUpClick()
{
    if (m_curPage > 1) --m_curPage;
    showPageNum();
    scrollToPage();
}

void TrpPreviewForm::PgDownClick()
{
    if (m_curPage < PageCount()) ++m_curPage;
    showPageNum();
    scrollToPage();
}

void TrpPreviewForm::storeZoom()
{
    rpPreviewZoom().Factor = m_factor;
    rpPreviewZoom().Mode = m_mode;
}

void TrpPreviewForm::SetZoom(int tag)
{
    if (PageCount() == 0) return;
    m_ofsX = 0;
    if (tag >= 1 && tag <= 3) {
        m_mode = tag;
    } else {
        m_mode = 0;
        m_factor = tag / 100.0;
    }
    for (QAction *a : ProcMenu->actions())
        if (a->isCheckable() && a->data().toInt() == tag) a->setChecked(true);
    HScrollBar->setValue(0);
    layoutPages();
    storeZoom();
    PBox->update();
}

void TrpPreviewForm::ZoomBtnClick()
{
    for (QAction *a : {N4, N5, N6, N7}) a->setVisible(false);
    ProcMenu->popup(ZoomBtn->mapToGlobal(QPoint(0, ZoomBtn->height())));
}

// ---------------------------------------------------------------- painting

void TrpPreviewForm::paintPages(QPainter &p, const QRect &region)
{
    TrpEMFPages *pages = Pages();
    if (!pages || pages->Count() == 0) {
        p.fillRect(PBox->rect(), rpToQColor(clBtnFace));
        return;
    }
    p.fillRect(region, QColor(128, 128, 128));
    for (int i = 0; i < pages->Count(); ++i) {
        TrpPreparedPage *pg = pages->GetPage(i);
        const QRect r = pg->ScreenRect.toQRect().translated(m_ofsX, m_ofsY);
        pg->Visible = !(r.top() > 2000 + PBox->height() || r.bottom() < 0) && r.intersects(region);
        if (!pg->Visible) {
            if (pg->UnpackedPage) pages->DrawPage(i, nullptr, QRect());
            pg->UnpackedPage.reset();
            continue;
        }
        p.fillRect(r, Qt::white);
        p.setPen(Qt::black);
        p.drawRect(r.adjusted(0, 0, -1, -1));
        p.drawLine(r.left() + 1, r.bottom() + 1, r.right() + 1, r.bottom() + 1);
        p.drawLine(r.right() + 1, r.bottom() + 1, r.right() + 1, r.top() + 1);
        QRect target = r;
        if (!pg->UseMargins) {
            const TrpPageMetrics &m = pg->PageMetrics;
            target = QRect(r.left() + roundInt((m.OffsetX + pg->Margins[0]) * m_factor),
                           r.top() + roundInt((m.OffsetY + pg->Margins[1]) * m_factor),
                           roundInt((m.PrintableWidth - pg->Margins[0] - pg->Margins[2]) * m_factor),
                           roundInt((m.PrintableHeight - pg->Margins[1] - pg->Margins[3]) * m_factor));
        }
        try {
            p.save();
            p.setClipRect(r.adjusted(1, 1, -1, -1));
            TrpCanvas canvas(&p, TrpCanvasKind::Screen);
            canvas.SetClipRect(TrpRect::fromQRect(r.adjusted(1, 1, -1, -1)));
            pages->DrawPage(i, &canvas, target);
            p.restore();
        } catch (const kv::Error &e) {
            p.restore();
            p.setPen(Qt::red);
            p.drawText(r.adjusted(8, 8, -8, -8), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, e.message());
        }
        // The last find, inverted.
        if (m_found && m_findPage == i) {
            const QRect fr(r.left() + roundInt(m_foundRect.Left * m_factor), r.top() + roundInt(m_foundRect.Top * m_factor),
                           roundInt(m_foundRect.width() * m_factor), roundInt(m_foundRect.height() * m_factor) + 1);
            p.save();
            p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p.fillRect(fr, Qt::white);
            p.restore();
        }
    }
}

// ---------------------------------------------------------------- mouse

int TrpPreviewForm::pageAt(const QPoint &pt) const
{
    TrpEMFPages *pages = Pages();
    if (!pages) return -1;
    for (int i = 0; i < pages->Count(); ++i)
        if (pages->GetPage(i)->ScreenRect.contains(pt.x() - m_ofsX, pt.y() - m_ofsY)) return i;
    return -1;
}

bool TrpPreviewForm::FollowLink(const QString &link)
{
    if (rpIsOpenableLink(link)) {
        rpOpenLink(ui(), link);
        return true;
    }
    const int at = link.indexOf(QLatin1Char('@'));
    if (at < 0 || at + 1 >= link.size()) return false;
    // A link that is no page number is ignored rather than ending in an error.
    bool ok = false;
    int n = link.mid(at + 1).trimmed().toInt(&ok);
    if (!ok) return true;
    if (n < 1) n = 1;
    if (n <= PageCount()) GoToPage(n);
    return true;
}

void TrpPreviewForm::boxMousePress(QMouseEvent *e)
{
    if (e->button() == Qt::RightButton) {
        (PopupMenu ? PopupMenu.data() : ProcMenu)->popup(e->globalPosition().toPoint());
        return;
    }
    if (e->button() != Qt::LeftButton) return;
    if (m_skipPress) {
        m_skipPress = false;
        return;
    }
    const QPoint pt = e->position().toPoint();
    const int i = pageAt(pt);
    bool answered = false;
    if (i >= 0) {
        m_curPage = i + 1;
        m_lastClickedPage = i + 1;
        showPageNum();
        const TrpRect &r = Pages()->GetPage(i)->ScreenRect;
        const QPoint pagePt(roundInt((pt.x() - m_ofsX - r.Left) / m_factor), roundInt((pt.y() - m_ofsY - r.Top) / m_factor));
        TrpHit hit;
        try {
            answered = Pages()->ObjectAt(i, pagePt, true, hit);
        } catch (const kv::Error &err) {
            kv::ShowError(err.message(), this);
            return;
        }
        if (answered && !hit.Link.isEmpty()) FollowLink(hit.Link);
    }
    if (!answered) {
        m_dragging = true;
        m_dragPos = e->globalPosition().toPoint();
    }
}

void TrpPreviewForm::boxMouseMove(QMouseEvent *e)
{
    if (m_dragging) {
        const QPoint g = e->globalPosition().toPoint();
        const QPoint d = g - m_dragPos;
        m_dragPos = g;
        HScrollBar->setValue(HScrollBar->value() - d.x());
        VScrollBar->setValue(VScrollBar->value() - d.y());
        return;
    }
    const QPoint pt = e->position().toPoint();
    const int i = pageAt(pt);
    QString text;
    Qt::CursorShape cursor = Qt::ArrowCursor;
    if (i >= 0) {
        const TrpRect &r = Pages()->GetPage(i)->ScreenRect;
        const QPoint pagePt(roundInt((pt.x() - m_ofsX - r.Left) / m_factor), roundInt((pt.y() - m_ofsY - r.Top) / m_factor));
        TrpHit hit;
        try {
            if (Pages()->ObjectAt(i, pagePt, false, hit)) {
                text = hit.Link;
                if (hit.Cursor != 0) cursor = Qt::PointingHandCursor;
                const int at = text.indexOf(QLatin1Char('@'));
                if (at >= 0 && at + 1 < text.size()) {
                    bool ok = false;
                    const int n = text.mid(at + 1).trimmed().toInt(&ok);
                    if (ok) text = LoadEngineString(55004) + QLatin1Char(' ') + QString::number(n);
                }
            }
        } catch (const kv::Error &) {
        }
    }
    PBox->setCursor(cursor);
    Label2->setText(text);
}

void TrpPreviewForm::boxMouseRelease(QMouseEvent *) { m_dragging = false; }

// ---------------------------------------------------------------- keys

bool TrpPreviewForm::eventFilter(QObject *o, QEvent *e)
{
    if (m_helpMode && e->type() == QEvent::MouseButtonPress && o->isWidgetType()) {
        endHelpMode(static_cast<QWidget *>(o), static_cast<QMouseEvent *>(e));
        return true;
    }
    if (e->type() != QEvent::KeyPress && e->type() != QEvent::ShortcutOverride) return false;
    auto *w = qobject_cast<QWidget *>(o);
    if (!w) return false;
    // Keys reach the pages where they are shown: this window, or the panel that borrowed them.
    const bool mine = m_host ? (w == m_host || m_host->isAncestorOf(w)) && m_host->isVisible()
                             : w->window() == this && isVisible();
    if (!mine) return false;
    if (e->type() == QEvent::ShortcutOverride) {
        // The window's own keys are not taken as shortcuts elsewhere.
        e->accept();
        return false;
    }
    return handleKey(static_cast<QKeyEvent *>(e));
}

bool TrpPreviewForm::handleKey(QKeyEvent *e)
{
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    QScrollBar *v = VScrollBar, *h = HScrollBar;
    switch (e->key()) {
    case Qt::Key_Up: v->setValue(v->value() - kSmallChange); return true;
    case Qt::Key_Down: v->setValue(v->value() + kSmallChange); return true;
    case Qt::Key_Left: h->setValue(h->value() - kSmallChange); return true;
    case Qt::Key_Right: h->setValue(h->value() + kSmallChange); return true;
    case Qt::Key_PageUp:
        if (ctrl) PgUpClick();
        else v->setValue(v->value() - kLargeChange);
        return true;
    case Qt::Key_PageDown:
        if (ctrl) PgDownClick();
        else v->setValue(v->value() + kLargeChange);
        return true;
    case Qt::Key_Home:
        if (ctrl) {
            v->setValue(0);
            return true;
        }
        break;
    case Qt::Key_End:
        if (ctrl) {
            GoToPage(PageCount());
            return true;
        }
        break;
    case Qt::Key_Space: ZoomBtnClick(); return true;
    case Qt::Key_Escape: ExitBtnClick(); return true;
    case Qt::Key_F3:
        if (!ctrl) {
            if (!m_findText.isEmpty()) FindNext();
            return true;
        }
        break;
    case Qt::Key_O:
        if (ctrl) {
            LoadBtnClick();
            return true;
        }
        break;
    case Qt::Key_S:
        if (ctrl) {
            SaveBtnClick();
            return true;
        }
        break;
    case Qt::Key_P:
        if (ctrl) {
            if (PrintBtn->isEnabled()) PrintBtnClick();
            return true;
        }
        break;
    case Qt::Key_F:
        if (ctrl) {
            FindBtnClick();
            return true;
        }
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return true;
    default: break;
    }
    return ctrl;
}

// ---------------------------------------------------------------- search

void TrpPreviewForm::FindBtnClick()
{
    kv::Owned<TrpPreviewSearchForm> f(new TrpPreviewSearchForm(this));
    f->Edit1->setText(m_findText);
    f->CB1->setChecked(m_caseSensitive);
    if (ui().runModal(*f) != QDialog::Accepted || !f) return;
    StartSearch(f->Edit1->text(), f->CB1->isChecked(), f->RB2->isChecked());
}

void TrpPreviewForm::StartSearch(const QString &text, bool caseSensitive, bool fromCurrentPage)
{
    m_caseSensitive = caseSensitive;
    m_findText = caseSensitive ? text : text.toUpper();
    if (!fromCurrentPage) {
        m_findPage = 0;
        m_findRecord = 0;
    } else if (m_findPage != m_curPage - 1) {
        m_findPage = m_curPage - 1;
        m_findRecord = 0;
    }
    // The origin chosen holds: the first page is searched whatever page is shown.
    if (!m_findText.isEmpty()) searchFrom();
}

bool TrpPreviewForm::FindNext()
{
    if (m_findText.isEmpty()) return false;
    if (m_findPage != m_curPage - 1) {
        m_findPage = m_curPage - 1;
        m_findRecord = 0;
    }
    return searchFrom();
}

bool TrpPreviewForm::searchFrom()
{
    TrpEMFPages *pages = Pages();
    if (!pages) return false;
    m_found = false;
    for (; m_findPage < pages->Count(); ++m_findPage) {
        TrpPreparedPage *pg = pages->GetPage(m_findPage);
        // The page drawn on a recording canvas: its texts in drawing order.
        TrpCanvas rec;
        try {
            pages->DrawPage(m_findPage, &rec, QRect(0, 0, pg->PageMetrics.Width, pg->PageMetrics.Height));
        } catch (const kv::Error &e) {
            ui().error(e.message(), this);
            return false;
        }
        const QList<TrpCanvasRecord> &records = rec.Records();
        for (int n = m_findRecord; n < records.size(); ++n) {
            const TrpCanvasRecord &r = records[n];
            if (r.Kind != TrpCanvasRecord::Text) continue;
            const QString s = m_caseSensitive ? r.Str : r.Str.toUpper();
            if (!s.contains(m_findText)) continue;
            m_found = true;
            m_foundRect = r.Rect;
            m_findRecord = n + 1;
            m_curPage = m_findPage + 1;
            showPageNum();
            // Page top 10 pixels below the view's top; further when the find would lie below the view.
            const TrpRect &sr = pg->ScreenRect;
            int vy = sr.Top - 10;
            const int fb = sr.Top + roundInt(m_foundRect.Bottom * m_factor);
            if (fb - vy > PBox->height()) vy = fb - PBox->height();
            int hx = sr.Left - 10;
            const int fr = sr.Left + roundInt(m_foundRect.Right * m_factor);
            if (fr - hx > PBox->width()) hx = fr - PBox->width();
            {
                const QSignalBlocker b(VScrollBar);
                VScrollBar->setValue(vy);
                m_ofsY = -VScrollBar->value();
            }
            HScrollBar->setValue(std::max(0, hx));
            PBox->update();
            return true;
        }
        m_findRecord = 0;
    }
    m_findPage = std::max(0, pages->Count() - 1);
    m_findRecord = INT_MAX / 2;
    PBox->update();
    return false;
}

// ---------------------------------------------------------------- files

void TrpPreviewForm::LoadBtnClick()
{
    if (!m_report || PageCount() == 0) return;
    int index = 1;
    const QString name = runFileDialog(ui(), this, false, LoadEngineString(55211) + QStringLiteral(" (*.rpp)|*.rpp"), index);
    if (name.isEmpty()) return;
    ui().guarded([&] { m_report->LoadPrepared(name); }, this);
    resetView(true);
}

void TrpPreviewForm::SaveBtnClick()
{
    if (!m_report || PageCount() == 0) return;
    const QList<TrpExportFilterInfo> &filters = rpExportFilters();
    int index = 1;
    for (int i = 0; i < filters.size(); ++i)
        if (filters[i].Filter && filters[i].Filter->Default) {
            index = i + 2;
            break;
        }
    QString name = runFileDialog(ui(), this, true, saveFilterText(), index);
    if (name.isEmpty()) return;
    if (index <= 1 || index - 2 >= filters.size()) {
        name = QFileInfo(name).path() + QLatin1Char('/') + QFileInfo(name).completeBaseName() + QStringLiteral(".rpp");
        ui().guarded([&] { m_report->SavePrepared(name); }, this);
        return;
    }
    const TrpExportFilterInfo &f = filters[index - 2];
    const QString ext = f.Mask.mid(1);
    name = QFileInfo(name).path() + QLatin1Char('/') + QFileInfo(name).completeBaseName() + ext;
    if (!f.Filter->OptionsDialog) f.Filter->OptionsDialog = rpExportOptionsDialog;
    QWidget *shown = m_host ? m_host : this;
    ui().guarded([&] { rpExportWithProgress(*m_report, *f.Filter, name, shown); }, this);
    FormResize();
}

// ---------------------------------------------------------------- printing

void TrpPreviewForm::PrintBtnClick()
{
    if (!m_report || PageCount() == 0 || !PrintBtn->isEnabled()) return;
    TrpPrintOptions options;
    options.Copies = std::max(1, m_report->DefaultCopies);
    options.Collate = m_report->DefaultCollate;
    TrpPrinter &engine = rpPrinter();
    const int printerBefore = engine.PrinterIndex();
    if (m_settings.ShowPrintDialog) {
        // Made with this window: a window closed inside the dialog's loop takes it along.
        kv::Owned<TrpPrintForm> f(new TrpPrintForm(this));
        f->E1->setText(QString::number(options.Copies));
        f->CollateCB->setChecked(options.Collate);
        if (ui().runModal(*f) != QDialog::Accepted || !f || !m_report) return;
        options = f->Options(m_curPage);
    }
    const bool changed = engine.PrinterIndex() != printerBefore;
    if (m_settings.RebuildPrinter && changed && !m_report->PreparedFromFile) {
        // Pages built for one printer are built again for the other.
        if (!m_report->SetPrinterIndex(printerBefore, engine.PrinterIndex())) return;
        bool built = false;
        ui().guarded([&] { built = rpPrepareWithProgress(*m_report); }, this);
        resetView(true);
        if (!built || PageCount() == 0) return;
    }
    QPrinter printer(QPrinter::HighResolution);
    // The virtual printer writes a PDF file that the user names.
    QString pdf;
    if (engine.IsVirtual()) {
        int index = 1;
        pdf = runFileDialog(ui(), this, true, kv::uiText("PDF file") + QStringLiteral(" (*.pdf)|*.pdf"), index, suggestedPdf(m_report->Title));
        if (pdf.isEmpty() || !m_report) return;
        if (QFileInfo(pdf).suffix().compare(QLatin1String("pdf"), Qt::CaseInsensitive) != 0)
            pdf += QStringLiteral(".pdf");
    }
    rpTargetPrinter(printer, pdf);
    ui().guarded([&] { rpPrintWithProgress(*m_report, printer, options); }, this);
    FormResize();
}

void TrpPreviewForm::rebuildAndReset()
{
    if (m_report) rpPrepareWithProgress(*m_report);
    resetView(true);
}

void TrpPreviewForm::PageSetupBtnClick()
{
    TrpEMFPages *pages = Pages();
    if (!m_report || !pages || pages->Count() == 0) return;
    const TrpPreparedPage *first = pages->GetPage(0);
    QPrinter printer(QPrinter::HighResolution);
    rpTargetPrinter(printer);
    printer.setPageSize(rpQtPageSize(first->PaperSize, first->PaperWidth, first->PaperHeight, first->Orientation));
    printer.setPageOrientation(first->Orientation ? QPageLayout::Landscape : QPageLayout::Portrait);
    // Margins: page units to millimetres (x 5 / 18 tenths).
    printer.setPageMargins(QMarginsF(first->Margins[0] * 0.5 / 1.8, first->Margins[1] * 0.5 / 1.8,
                                     first->Margins[2] * 0.5 / 1.8, first->Margins[3] * 0.5 / 1.8),
                           QPageLayout::Millimeter);
    {
        kv::Owned<QPageSetupDialog> d(new QPageSetupDialog(&printer, this));
        d->setObjectName(QStringLiteral("PageSetupDialog"));
        if (ui().runModal(*d) != QDialog::Accepted || !d || !m_report) return;
    }
    const QMarginsF mm = printer.pageLayout().margins(QPageLayout::Millimeter);
    // The printer and paper chosen become the engine printer's, and the pages take
    // what the printer then answers.
    rpTakePrinterChoice(printer);
    TrpPrinter &engine = rpPrinter();
    auto toUnits = [](double m) { return rpRound(m * 100 * 18 / 500); };
    for (int i = 0; i < m_report->Pages().Count(); ++i) {
        TrpPage *page = m_report->Pages().GetPage(i);
        if (page->PageType != ptReport) continue;
        // The build moves the page's objects with the margins.
        page->SetMargins(toUnits(mm.left()), toUnits(mm.top()), toUnits(mm.right()), toUnits(mm.bottom()));
        page->SetPaper(engine.PaperSize, engine.PaperWidth, engine.PaperHeight, engine.Bin, engine.Orientation);
    }
    rebuildAndReset();
}

// ---------------------------------------------------------------- window life

void TrpPreviewForm::HelpBtnClick()
{
    if (m_helpMode) return;
    m_helpMode = true;
    QApplication::setOverrideCursor(Qt::WhatsThisCursor);
}

void TrpPreviewForm::endHelpMode(QWidget *w, QMouseEvent *e)
{
    m_helpMode = false;
    QApplication::restoreOverrideCursor();
    // The control under the mouse, or the nearest one around it that has a help context.
    while (w && w->property("HelpContext").toInt() <= 0 && w != HelpBtn) w = w->parentWidget();
    if (!w || w == HelpBtn) return;
    const int context = w->property("HelpContext").toInt();
    ui().showHelp(*w, context, e->globalPosition().toPoint());
}

void TrpPreviewForm::ReleaseReport()
{
    if (m_report) disconnect(m_report, &QObject::destroyed, this, nullptr);
    m_report = nullptr;
    m_found = false;
    showPageNum();
    PBox->update();
}

void TrpPreviewForm::Embed(QWidget *host, bool withToolbar)
{
    QWidget *areaHome = host ? host : this;
    for (QWidget *w : {ScrollBox1, RPanel, BPanel}) {
        const bool hidden = w->isHidden();
        w->setParent(areaHome);
        w->setVisible(!hidden);
    }
    Panel1->setParent(host && withToolbar ? host : this);
    Panel1->show();
    m_host = host;
    m_wheelMultiplier = host ? 3 : 1;
    applyButtons();
    FormResize();
}

void TrpPreviewForm::ExitBtnClick()
{
    if (m_host) return;   // a panel is closed with its window
    if (isModal()) accept();
    else close();
}

void TrpPreviewForm::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    if (!m_ready) {
        m_ready = true;
        if (!parentWidget() || isWindow()) RestoreFormPosition(this);
    }
    PBox->setFocus();
    FormResize();
}

// The page area follows the window (maximised on show, resized by the user);
// a panel that borrowed it lays it out on its own resizes.
void TrpPreviewForm::resizeEvent(QResizeEvent *e)
{
    QDialog::resizeEvent(e);
    if (!m_host) FormResize();
}

void TrpPreviewForm::closeEvent(QCloseEvent *e)
{
    SaveFormPosition(this);
    QDialog::closeEvent(e);
}

void TrpPreviewForm::done(int r)
{
    SaveFormPosition(this);
    QDialog::done(r);
}

void rpShowPreview(TrpReport &report, const TrpPreviewSettings &settings)
{
    if (settings.Preview) {
        settings.Preview->Connect(report, settings);
        return;
    }
    auto *f = new TrpPreviewForm;
    f->setAttribute(Qt::WA_DeleteOnClose);
    // The window asks the user through whatever its report was shown by.
    kv::Ui &ui = kv::UiOf(&report);
    kv::AttachUi(f, &ui);
    QString caption = LoadEngineString(55207);
    if (!report.Title.isEmpty()) caption += QStringLiteral(" - ") + report.Title;
    f->setWindowTitle(caption);
    if (settings.MDIPreview) {
        // A child window of the main window is never modal.
        f->Connect(report, settings);
        if (ui.showInFrame(*f)) return;
    }
    f->ShowReport(report, settings);
}

void rpInstallPreview(TrpReport &report, const TrpPreviewSettings &settings)
{
    report.OnShowPrepared = [settings](TrpReport &r) { rpShowPreview(r, settings); };
}

bool rpShowReport(TrpReport &report, const TrpPreviewSettings &settings)
{
    if (!rpPrepareWithProgress(report) || report.EMFPages().Count() == 0) return false;
    rpShowPreview(report, settings);
    return true;
}
