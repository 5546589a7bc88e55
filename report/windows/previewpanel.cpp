#include "report/windows/previewpanel.h"

#include <QEvent>
#include <QMenu>
#include <QScrollBar>
#include <QWheelEvent>

#include "report/building/report.h"

TrpPreview::TrpPreview(QWidget *parent) : QFrame(parent), m_form(new TrpPreviewForm)
{
    setObjectName(QStringLiteral("TrpPreview"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);   // outer bevel lowered, no inner one
    setLineWidth(1);
    m_form->setObjectName(QStringLiteral("TrpPreviewForm"));
    m_form->OnPageChanged = [this] {
        const int page = Page();
        if (page == m_lastPage) return;
        m_lastPage = page;
        if (OnPageChanged) OnPageChanged(*this);
    };
    m_form->Embed(this, m_showToolbar);
}

TrpPreview::~TrpPreview()
{
    if (m_wheelWindow) m_wheelWindow->removeEventFilter(this);
    m_form->OnPageChanged = nullptr;
    // The borrowed pieces go home first, so each widget has one owner.
    m_form->Embed(nullptr, false);
    delete m_form;
}

int TrpPreview::Page() const { return m_form->Report() ? m_form->CurPage() : 0; }

void TrpPreview::Connect(TrpReport &report, const TrpPreviewSettings &settings)
{
    m_form->PopupMenu = PopupMenu;
    m_form->Embed(this, m_showToolbar);
    m_form->Connect(report, settings);
    routeWheel();
}

void TrpPreview::Disconnect()
{
    m_form->ReleaseReport();
    m_form->FormResize();
}

void TrpPreview::SetScrollBars(TrpScrollBars value)
{
    m_scrollBars = value;
    m_form->RPanel->setVisible(value == ssVertical || value == ssBoth);
    m_form->BPanel->setVisible(value == ssHorizontal || value == ssBoth);
    m_form->FormResize();
}

void TrpPreview::SetShowToolbar(bool value)
{
    if (m_showToolbar == value) return;
    m_showToolbar = value;
    m_form->Embed(this, value);
}

void TrpPreview::resizeEvent(QResizeEvent *e)
{
    QFrame::resizeEvent(e);
    m_form->FormResize();
}

void TrpPreview::moveEvent(QMoveEvent *e)
{
    QFrame::moveEvent(e);
    m_form->FormResize();
}

void TrpPreview::routeWheel()
{
    QWidget *w = window();
    if (w == m_wheelWindow) return;
    if (m_wheelWindow) m_wheelWindow->removeEventFilter(this);
    m_wheelWindow = w;
    if (w && w != this) w->installEventFilter(this);
}

bool TrpPreview::eventFilter(QObject *o, QEvent *e)
{
    // A turn of the wheel that nothing else in the window took scrolls the pages.
    if (o == m_wheelWindow && e->type() == QEvent::Wheel && m_form->Report()) {
        const auto *we = static_cast<QWheelEvent *>(e);
        QScrollBar *v = m_form->VScrollBar;
        const int step = v->singleStep() * m_form->WheelMultiplier();
        v->setValue(v->value() + (we->angleDelta().y() > 0 ? -step : step));
        return true;
    }
    return QFrame::eventFilter(o, e);
}
