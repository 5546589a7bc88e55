#pragma once
// The print windows' view of the program: folder, settings and the
// material and edge-banding look-ups of the context.
#include "print/flows/printflow.h"

class AppContext;

kv::PrintContext PrintContextOf(AppContext &ctx);
