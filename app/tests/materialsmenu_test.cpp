#include "app/common/materialsmenu.h"
#include "widgets/outlooklist.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

namespace {

TEST(MaterialsMenu, RebuiltFromTheNavigatorAndClicksIt)
{
    TgwOutlookList list;
    list.ClickStyle = kv::gw::csSelect;
    const struct { const char *text; int tag; } rows[] = {{"<все материалы>", 999}, {"ЛДСП Бук", 7}, {"ДВП", 2}};
    for (const auto &r : rows) {
        TgwOutlookListItem *it = list.Items()->Add();
        it->SetText(QString::fromUtf8(r.text));
        it->Tag = r.tag;
    }
    list.Items()->Item(1)->SetSelected(true);
    QList<int> clicked;
    list.OnItemClick = [&](TgwCustomOutlookList *, TgwOutlookListItem *item) { clicked << item->Tag; };

    QMenu *menu = AttachMaterialsMenu(&list);
    EXPECT_EQ(list.PopupMenu, menu);
    BuildMaterialsMenu(menu, &list);
    QStringList texts;
    QList<int> tags;
    QList<bool> checked;
    for (QAction *a : menu->actions()) {
        texts << a->text();
        tags << a->data().toInt();
        checked << a->isChecked();
    }
    EXPECT_EQ(texts, QStringList({"<все материалы>", "ЛДСП Бук", "ДВП"}));
    EXPECT_EQ(tags, QList<int>({999, 7, 2}));
    EXPECT_EQ(checked, QList<bool>({false, true, false}));

    menu->actions()[2]->trigger();
    EXPECT_EQ(clicked, QList<int>({2}));
    EXPECT_TRUE(list.Items()->Item(2)->GetSelected());
    EXPECT_FALSE(list.Items()->Item(1)->GetSelected());
    // Built again on the next opening, it follows the navigator.
    BuildMaterialsMenu(menu, &list);
    EXPECT_TRUE(menu->actions()[2]->isChecked());
    EXPECT_EQ(menu->actions().size(), 3);
}

} // namespace
