#include "app/common/materialsmenu.h"

#include "widgets/outlooklist.h"

#include <QAction>
#include <QMenu>
#include <QPointer>

void BuildMaterialsMenu(QMenu *menu, TgwCustomOutlookList *list)
{
    menu->clear();
    TgwOutlookListItems *items = list->Items();
    for (int i = 0; i < items->Count(); ++i) {
        TgwOutlookListItem *item = items->Item(i);
        QAction *a = menu->addAction(item->Text());
        a->setCheckable(true);
        a->setChecked(item->GetSelected());
        a->setData(item->Tag);
        QPointer<TgwCustomOutlookList> guard(list);
        QObject::connect(a, &QAction::triggered, list, [guard, i] {
            // The navigator may have been rebuilt meanwhile: find by index again.
            if (!guard) return;
            TgwOutlookListItem *it = guard->Items()->Item(i);
            if (!it) return;
            guard->ItemClicked(it);
            it->SetSelected(true);
            guard->MakeVisible(it);
        });
    }
}

QMenu *AttachMaterialsMenu(TgwCustomOutlookList *list)
{
    auto *menu = new QMenu(list);
    menu->setObjectName(QStringLiteral("pmMaterials"));
    QObject::connect(menu, &QMenu::aboutToShow, list, [menu, list] { BuildMaterialsMenu(menu, list); });
    list->PopupMenu = menu;
    return menu;
}
