#pragma once
// The side bar of the navigator windows (results, warehouse, part base,
// cutting options, models base): one outlook bar page with its button, and
// a list set up the same way in every one of them.
#include <QString>

#include <functional>

class TgwOutlookBar;
class TgwOutlookList;
class TgwCustomOutlookList;

namespace kv {

struct NavigatorBar {
    QString caption;                 // the page button's caption
    int width = 85;                  // the bar's width
    bool autoBold = false;           // the pressed page button's caption in bold
    std::function<void()> onButton;  // the page button's click; none when empty
    bool materialsMenu = true;       // the materials pop-up menu on the list
};

// Adds the one page to `bar` and sets up the bar, its button and its list;
// returns the list, named `listName`.
TgwOutlookList *SetUpNavigatorBar(TgwOutlookBar *bar, const NavigatorBar &setup, const QString &listName);

// The settings every navigator list shares (glyph left of the text in the
// program's pictures, item spacing 22, no border, whole-item hot track).
void SetUpNavigatorList(TgwCustomOutlookList *list);

} // namespace kv
