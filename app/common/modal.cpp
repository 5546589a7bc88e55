#include "app/common/modal.h"

static ModalHook &hookRef()
{
    static ModalHook h;
    return h;
}

ModalHook SetModalHook(ModalHook hook)
{
    ModalHook previous = std::move(hookRef());
    hookRef() = std::move(hook);
    return previous;
}

int ExecModal(QDialog &dialog)
{
    if (hookRef()) {
        const int r = hookRef()(dialog);
        dialog.setResult(r);
        dialog.hide();
        return r;
    }
    return dialog.exec();
}
