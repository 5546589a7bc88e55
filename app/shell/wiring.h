#pragma once
// Joins the windows, dialogs and commands of the other rooms to the main
// window's hooks: one wiring function per room in wiring.cpp.
class TMainForm;

namespace kv {
void WireShell(TMainForm &form);
}
