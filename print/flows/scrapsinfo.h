#pragma once
// The off-cut totals of a variant: one line per material with the areas of
// usable off-cuts and of waste that its maps leave ("Reports\ScrapsInfo.rpf").
#include "print/flows/printflow.h"

class QWidget;

void PrintScrapsInfo(kv::PrintContext ctx, const kv::MapDocument &doc, QWidget *parent);
