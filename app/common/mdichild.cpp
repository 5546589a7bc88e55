#include "app/common/mdichild.h"

#include <QPointer>

#include "app/common/appcontext.h"
#include "controls/winlayout.h"
#include "data/settings.h"
#include "platform/ui.h"

#include <QCloseEvent>
#include <QMdiSubWindow>

TMdiChild *IMainWindow::FindChildOfKind(ChildKind kind) const
{
    for (TMdiChild *c : Children())
        if (c->Kind() == kind) return c;
    return nullptr;
}

TMdiChild::TMdiChild(AppContext &ctx, const QString &className, QWidget *parent)
    : QWidget(parent), m_ctx(ctx), m_className(className)
{
    setProperty("kvClassName", className);
    kv::AttachUi(this, &ctx.ui());
    setAttribute(Qt::WA_DeleteOnClose);
}

TMdiChild::~TMdiChild() = default;

kv::Ui &TMdiChild::ui() const
{
    return m_ctx.ui();
}

void TMdiChild::ShowChild()
{
    if (IMainWindow *frame = m_ctx.mainWindow()) {
        frame->AddChild(this);
        return;
    }
    LoadLayout();
    show();
}

void TMdiChild::CloseChild()
{
    QWidget *frame = qobject_cast<QMdiSubWindow *>(parentWidget()) ? parentWidget() : this;
    frame->close();
}

QSize TMdiChild::minimumSizeHint() const
{
    return QWidget::minimumSizeHint().expandedTo(kSmallest);
}

void TMdiChild::LoadLayout()
{
    const QString section = LayoutSection();
    if (!section.isEmpty()) Guarded([&] { kv::LoadFormGeometry(this, m_ctx.settings().Ini(), section); });
}

void TMdiChild::StoreLayout()
{
    const QString section = LayoutSection();
    if (!section.isEmpty()) Guarded([&] { kv::StoreFormGeometry(this, m_ctx.settings().Ini(), section); });
}

bool TMdiChild::Guarded(const std::function<void()> &action)
{
    return ui().guarded(action, this);
}

void TMdiChild::closeEvent(QCloseEvent *event)
{
    bool ok = true;
    // The question may run a nested loop in which this window is deleted.
    const QPointer<TMdiChild> self(this);
    if (!m_shuttingDown && !Guarded([&] { ok = CloseQuery(); })) ok = false;
    if (!self) return;
    if (!ok) {
        event->ignore();
        return;
    }
    StoreLayout();
    if (!m_shuttingDown) Guarded([this] { FormClose(); });
    event->accept();
}
