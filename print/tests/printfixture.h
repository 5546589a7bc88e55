#pragma once
// The engine's golden mixed job (data/tests) with the look-ups and the
// program folder a print needs.
#include "data/maps/mapdoc.h"
#include "data/paths.h"
#include "data/settings.h"
#include "data/testsupport/mixedjob.h"
#include "print/flows/mapprint.h"

#include <QTemporaryDir>

#include <memory>

namespace kvtest {

inline kv::MapPrintLookups Lookups()
{
    kv::MapPrintLookups l;
    l.materialName = [](int code) { return code == 7 ? QStringLiteral("ЛДСП Бук 16") : QString(); };
    l.borderName = [](int code) { return QStringLiteral("Кромка %1").arg(code); };
    l.borderColor = [](int code, qint32 def) { return code == 3 ? qint32(0x0000FF) : code == 4 ? qint32(0xFF0000) : def; };
    l.borderPripusk = [](int code) { return code == 3 ? 20 : 0; };
    l.isBorderCode = [](int code) { return code >= 0 && code <= 4; };
    return l;
}

} // namespace kvtest
