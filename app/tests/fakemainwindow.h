#pragma once
// A frame for window tests: a real MDI area, children in creation order,
// and a record of what the windows asked of it.
#include "app/common/appcontext.h"
#include "app/common/mainwindow.h"
#include "app/common/mdichild.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QStringList>

#include <functional>

class FakeMainWindow : public IMainWindow
{
public:
    explicit FakeMainWindow(AppContext &ctx) : m_ctx(ctx) { ctx.setMainWindow(this); area.resize(800, 600); }
    ~FakeMainWindow() override
    {
        if (m_ctx.mainWindow() == this) m_ctx.setMainWindow(nullptr);
    }

    QMdiArea area;
    QStringList calls;          // "RefreshGroupWindows", "AddRecentFile:<path>"...
    bool busy = false;
    // Factories a test may set; null answers otherwise.
    std::function<TMdiChild *(const QString &fileName)> makeGroup;
    std::function<TMdiChild *(bool withProgress)> makeResults;

    QWidget *Frame() override { return &area; }
    void AddChild(TMdiChild *child) override
    {
        QMdiSubWindow *sub = area.addSubWindow(child);
        sub->setAttribute(Qt::WA_DeleteOnClose);
        m_children.append(child);
        child->LoadLayout();
        child->show();
    }
    QList<TMdiChild *> Children() const override
    {
        QList<TMdiChild *> out;
        for (const QPointer<TMdiChild> &c : m_children)
            if (c) out.append(c.data());
        return out;
    }
    TMdiChild *ActiveChild() const override
    {
        QMdiSubWindow *sub = area.activeSubWindow();
        return sub ? qobject_cast<TMdiChild *>(sub->widget()) : nullptr;
    }
    TMdiChild *NewGroupWindow() override { return OpenGroupWindow(QString()); }
    TMdiChild *OpenGroupWindow(const QString &fileName) override
    {
        calls << "OpenGroupWindow:" + fileName;
        return makeGroup ? makeGroup(fileName) : nullptr;
    }
    TMdiChild *FindGroupWindow(const QString &fileName) const override
    {
        for (TMdiChild *c : Children())
            if (c->Kind() == ChildKind::PartBase && c->DocumentFileName() == fileName) return c;
        return nullptr;
    }
    TMdiChild *CreateResultsWindow(bool withProgress) override
    {
        calls << QStringLiteral("CreateResultsWindow:%1").arg(withProgress);
        return makeResults ? makeResults(withProgress) : nullptr;
    }
    TMdiChild *ShowWarehouseWindow() override { calls << "ShowWarehouseWindow"; return FindChildOfKind(ChildKind::Warehouse); }
    TMdiChild *ShowModelsBaseWindow() override { calls << "ShowModelsBaseWindow"; return FindChildOfKind(ChildKind::ModelsBase); }
    void RefreshGroupWindows() override { calls << "RefreshGroupWindows"; }
    void RefreshSheetsWindows() override { calls << "RefreshSheetsWindows"; }
    void RefreshMaterialViews() override { calls << "RefreshMaterialViews"; }
    void RefreshDetalNames() override { calls << "RefreshDetalNames"; }
    bool EditDefaultOptions(bool allPages) override
    {
        calls << QStringLiteral("EditDefaultOptions:%1").arg(allPages);
        return false;
    }
    bool RaskroyBusy() const override { return busy; }
    void SetRaskroyBusy(bool b) override { busy = b; }
    void AddRecentFile(const QString &path) override { calls << "AddRecentFile:" + path; }
    QStringList remarks;
    QStringList statusTexts;    // every text the status line was given
    QStringList &MaterialRemarks() override { return remarks; }
    void SetStatusText(const QString &text) override { statusTexts << text; }

private:
    AppContext &m_ctx;
    QList<QPointer<TMdiChild>> m_children;
};
