#pragma once
// The base of every child window of the frame: the context, guarded slots,
// the layout kept in the settings file under the window's own section, the
// close question, and the answers to the frame's commands and refreshes.
#include "app/common/mainwindow.h"

#include <QWidget>

#include <functional>

class AppContext;
namespace kv {
class Ui;
}

class TMdiChild : public QWidget
{
    Q_OBJECT

public:
    // `className` is the window's class name ("TfrmRaskroyGroup"), kept in
    // the settings file's list of open windows.
    TMdiChild(AppContext &ctx, const QString &className, QWidget *parent = nullptr);
    ~TMdiChild() override;

    AppContext &Context() const { return m_ctx; }
    // The context's UI service; the window and what sits in it reach it.
    kv::Ui &ui() const;
    QString ClassName() const { return m_className; }
    // The settings section of the window's position and state, the one an
    // existing installation's file holds ("Detals_Group"); empty: the
    // window keeps its layout itself.
    virtual QString LayoutSection() const { return m_className; }

    virtual ChildKind Kind() const { return ChildKind::Other; }
    // The document shown (part-base header, map file); empty when untitled.
    virtual QString DocumentFileName() const { return {}; }

    // Asked before the window closes: false keeps it open.
    virtual bool CloseQuery() { return true; }
    // The close step, after an accepted close; never run for a window that
    // the frame destroys at shut-down.
    virtual void FormClose() {}

    virtual bool CommandEnabled(MainCommand) const { return false; }
    virtual void ExecuteCommand(MainCommand) {}

    virtual void RefreshGroup() {}
    virtual void RefreshSheets() {}
    virtual void RefreshMaterials() {}
    virtual void RefreshDetalNames() {}

    // Into the frame of the context (alone when there is none), the layout
    // of the settings file applied before it shows.
    void ShowChild();
    // Closes the sub-window that holds it (itself when it has none), so no
    // empty frame is left behind; the close question is asked as usual.
    void CloseChild();
    void LoadLayout();
    void StoreLayout();

    // The frame destroys its children at shut-down without their close step.
    void SetShuttingDown() { m_shuttingDown = true; }
    bool ShuttingDown() const { return m_shuttingDown; }

    // Runs `action`; an exception ends it with the system's message box.
    bool Guarded(const std::function<void()> &action);
    // A slot for connect() that runs a member through Guarded().
    template <class C>
    auto GuardedSlot(void (C::*member)())
    {
        return [this, member] { Guarded([this, member] { (static_cast<C *>(this)->*member)(); }); };
    }

    // What the content needs, and never a strip: a window squeezed or
    // stored below this is not usable.
    QSize minimumSizeHint() const override;
    static constexpr QSize kSmallest{240, 160};

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    AppContext &m_ctx;
    QString m_className;
    bool m_shuttingDown = false;
};
