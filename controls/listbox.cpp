#include "controls/listbox.h"

void TkvListBox::AddItemWithKey(int key, const QString &text)
{
    auto *item = new QListWidgetItem(text, this);
    item->setData(Qt::UserRole, key);   // the item owns its key
}

int TkvListBox::Key(int index) const
{
    const QListWidgetItem *it = item(index);
    return it ? it->data(Qt::UserRole).toInt() : 0;
}
