#include "app/common/navigator.h"

#include "app/common/materialsmenu.h"
#include "app/common/programimages.h"
#include "widgets/outlookbar.h"
#include "widgets/outlooklist.h"
#include "widgets/shapebtn.h"

#include <QFont>

namespace kv {

void SetUpNavigatorList(TgwCustomOutlookList *list)
{
    list->SetBorderStyle(gw::bsNone);
    list->ClickStyle = gw::csSelect;
    list->SetColor(gw::clBtnShadow);
    list->SetFontColor(gw::clWhite);
    list->HotTrackStyle = gw::hsItemHilite;
    list->SetImages(&ProgramImages());
    list->SetItemHighlightColor(gw::clBtnFace);
    list->ItemHotTrackColor = gw::clBtnShadow;
    list->SetItemLayout(gw::blGlyphLeft);
    list->SetItemShadowColor(gw::clBtnText);
    list->ItemSelectedDitherColor = gw::clBtnHighlight;
    list->SetItemSpacing(22);
    list->SetItemsWidth(0);
    list->SetLayout(gw::loVertical);
    list->SetScrollButtonsVisible(true);
    list->ScrollInterval = 250;
    list->SetTransparent(false);
}

TgwOutlookList *SetUpNavigatorBar(TgwOutlookBar *bar, const NavigatorBar &setup, const QString &listName)
{
    bar->setObjectName(QStringLiteral("OutlookBar"));
    bar->SetBorderStyle(gw::bsSingle);
    bar->SetButtonSize(20);
    bar->Animation = TgwAnimation{true, 1, 7};
    bar->SetAutoBold(setup.autoBold);
    bar->setFixedWidth(setup.width);
    TgwOutlookPage *page = bar->AddPage();
    TgwCustomBitBtn *button = page->Button;
    button->SetCaption(setup.caption);
    button->SetGroupIndex(1);
    button->SetShadeStyle(gw::fbsHighlight);
    button->SetColor(gw::clBtnFace);
    if (auto *shape = page->ShapeButton()) {
        shape->SetDitherColor(gw::clWhite);
        shape->SetRoundRectBias(25);
    }
    button->TextOptions().Alignment = gw::taCenter;
    button->TextOptions().VAlignment = gw::vaVCenter;
    QFont f = button->font();
    f.setBold(true);
    button->setFont(f);
    button->SetDown(true);
    if (setup.onButton) {
        auto click = setup.onButton;
        button->OnClick = [click](TgwCustomBitBtn *) { click(); };
    }
    TgwOutlookList *list = page->List;
    list->setObjectName(listName);
    SetUpNavigatorList(list);
    if (setup.materialsMenu)
        AttachMaterialsMenu(list);
    return list;
}

} // namespace kv
