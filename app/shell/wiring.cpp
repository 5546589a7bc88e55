#include "app/shell/wiring.h"

#include "app/shell/mainform.h"

namespace kv {

// Each room joins its windows and commands here, one short block each:
//   form.hooks.groupWindow = [](AppContext &ctx, const QString &file) { ... };
//   form.hooks.commands["SaveWHStateAction"] = [&form] { ... };
// A command left unwired stays in its menu and does nothing; a command that
// acts on a child window is forwarded to it (TMdiChild::ExecuteCommand).
void WireShell(TMainForm &form)
{
    (void)form;
}

} // namespace kv
