#pragma once
// The variants already taken into the warehouse. Acceptance is once per
// results window, but a map file saved after it and opened again would take
// the same stock out a second time; so every accepted variant is noted by a
// checksum of what acceptance reads from its maps (sheets, parts, off-cuts,
// standard sheets used), with when and from which file, in "Accepted.ini"
// of the program folder. The map files themselves are not changed.
#include "data/maps/mapdoc.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace kv {

class AcceptedVariants
{
public:
    explicit AcceptedVariants(const QString &file) : m_file(file) {}

    // Equal for a variant and the same variant saved and opened again: the
    // display (colours, fonts, switches, captions) and the codes given to
    // off-cuts at acceptance do not count.
    static QString Checksum(const MapDocument &doc);

    struct Entry
    {
        QDateTime when;
        QString fileName;   // the map file or the window's caption then
    };
    std::optional<Entry> Find(const MapDocument &doc) const;
    // Notes the variant as accepted now (one write of the file).
    void Add(const MapDocument &doc, const QString &fileName, const QDateTime &when);

    // The question asked before a variant is accepted again, with the
    // acceptance question itself.
    static QString AgainQuestion(const Entry &e);

private:
    QString m_file;
};

} // namespace kv
