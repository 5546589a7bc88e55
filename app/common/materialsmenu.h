#pragma once
// The materials pop-up menu shared by the navigators of the part-base,
// warehouse and results windows: rebuilt from the navigator on every
// opening; choosing an item clicks it in the navigator.
class QMenu;
class TgwCustomOutlookList;

// One checkable item per navigator item (its text, its tag as data),
// checked when that item is selected.
void BuildMaterialsMenu(QMenu *menu, TgwCustomOutlookList *list);
// Makes the menu the navigator's pop-up menu; the navigator owns it.
QMenu *AttachMaterialsMenu(TgwCustomOutlookList *list);
