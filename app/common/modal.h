#pragma once
// Modal dialogs of the windows are run through ExecModal, so that tests
// answer them through a hook instead of waiting for a user.
#include <QDialog>

#include <functional>

// The hook gets the dialog ready to show and returns its result
// (QDialog::Accepted, QDialog::Rejected or a dialog's own code).
using ModalHook = std::function<int(QDialog &dialog)>;
// Installs a hook; returns the previous one. An empty hook shows for real.
ModalHook SetModalHook(ModalHook hook);
int ExecModal(QDialog &dialog);

// Installs a hook while it lives.
class ScopedModalHook
{
public:
    explicit ScopedModalHook(ModalHook hook) : m_previous(SetModalHook(std::move(hook))) {}
    ~ScopedModalHook() { SetModalHook(std::move(m_previous)); }
    ScopedModalHook(const ScopedModalHook &) = delete;
    ScopedModalHook &operator=(const ScopedModalHook &) = delete;

private:
    ModalHook m_previous;
};
