#pragma once
// Joins the windows, dialogs and commands of the other rooms to the main
// window's hooks. Each room adds its own lines to wiring.cpp.
class TMainForm;

namespace kv {
void WireShell(TMainForm &form);
}
