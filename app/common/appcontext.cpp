#include "app/common/appcontext.h"

#include "platform/error.h"

AppContext::AppContext(kv::Paths &paths, kv::Settings &settings, TModule &module, kv::Ui &ui)
    : m_paths(paths), m_settings(settings), m_module(module), m_ui(ui)
{
}

kv::MaterialsService &AppContext::materials() const
{
    if (!m_materials) throw kv::Error(QStringLiteral("Справочник материалов не загружен."));
    return *m_materials;
}

kv::BordersService &AppContext::borders() const
{
    if (!m_borders) throw kv::Error(QStringLiteral("Справочник кромок не загружен."));
    return *m_borders;
}

kv::StockService &AppContext::stock() const
{
    if (!m_stock) throw kv::Error(QStringLiteral("Ошибка при обращении к складу!"));
    return *m_stock;
}
