#pragma once
// The observer through which the widgets tell each other about changes
// without knowing each other's classes.
#include <QList>
#include <functional>

class TgwChangeLink {
public:
    using Event = std::function<void(const void *sender)>;
    virtual ~TgwChangeLink() = default;

    Event OnChange;
    Event OnDown;
    Event OnOwnerLoaded;
    const void *Sender = nullptr;   // the source that fired last

    virtual void FireChange() { if (OnChange) OnChange(Sender); }
    virtual void FireDown() { if (OnDown) OnDown(Sender); }
    virtual void FireLoaded() { if (OnOwnerLoaded) OnOwnerLoaded(Sender); }
};

// The list a source keeps; it only refers to the links.
class TgwChangeLinkList {
public:
    void RegisterChanges(TgwChangeLink *link) { if (link) m_links.append(link); }
    void UnRegisterChanges(TgwChangeLink *link) { m_links.removeOne(link); }
    int Count() const { return int(m_links.size()); }
    bool Contains(TgwChangeLink *link) const { return m_links.contains(link); }

    void NotifyChange(const void *sender) const { fire(sender, &TgwChangeLink::FireChange); }
    void NotifyDown(const void *sender) const { fire(sender, &TgwChangeLink::FireDown); }
    void NotifyLoaded(const void *sender) const { fire(sender, &TgwChangeLink::FireLoaded); }

private:
    void fire(const void *sender, void (TgwChangeLink::*what)()) const
    {
        // A handler may unregister links: walk a copy.
        const QList<TgwChangeLink *> links = m_links;
        for (TgwChangeLink *l : links) {
            if (!m_links.contains(l))
                continue;
            l->Sender = sender;
            (l->*what)();
        }
    }
    QList<TgwChangeLink *> m_links;
};
