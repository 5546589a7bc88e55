#pragma once
// The two report objects of the cutting maps in the engine's object table.
// Registered explicitly from main() and from test set-up: a static
// initialiser in a static library may be dropped by the linker.

// "Карта раскроя" (TrpRskMapView); false when it was there already.
bool RegisterRskMapObject();
void UnregisterRskMapObject();
// "Список деталей" (TrpDetalsListView).
bool RegisterDetalsListObject();
void UnregisterDetalsListObject();
// Both at once; harmless when repeated.
void RegisterPrintObjects();
