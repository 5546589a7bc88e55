#pragma once
// What every window of the program is handed: the program folder, the
// settings file, the data module, the materials and edge-banding look-ups,
// the warehouse's stock service, the UI service (boxes, dialogs, choosers)
// and the frame it lives in.
// Windows never reach a global main window.
#include <QString>

class IMainWindow;
class TModule;

namespace kv {
class Paths;
class Settings;
class Ui;
class MaterialsService;
class BordersService;
class StockService;
} // namespace kv

class AppContext
{
public:
    AppContext(kv::Paths &paths, kv::Settings &settings, TModule &module, kv::Ui &ui);

    kv::Paths &paths() const { return m_paths; }
    kv::Settings &settings() const { return m_settings; }
    TModule &module() const { return m_module; }
    // Every box, dialog and chooser of the windows goes through it.
    kv::Ui &ui() const { return m_ui; }

    // The look-up services are made by the start-up after the data module;
    // asking before then raises kv::Error.
    kv::MaterialsService &materials() const;
    kv::BordersService &borders() const;
    bool hasMaterials() const { return m_materials != nullptr; }
    bool hasBorders() const { return m_borders != nullptr; }
    void setMaterials(kv::MaterialsService *s) { m_materials = s; }
    void setBorders(kv::BordersService *s) { m_borders = s; }
    // The warehouse's stock, made with the look-ups and kept for the whole
    // run; asking without one raises "Ошибка при обращении к складу!".
    kv::StockService &stock() const;
    bool hasStock() const { return m_stock != nullptr; }
    void setStock(kv::StockService *s) { m_stock = s; }

    // The frame; null for windows shown on their own (tests).
    IMainWindow *mainWindow() const { return m_main; }
    void setMainWindow(IMainWindow *w) { m_main = w; }

private:
    kv::Paths &m_paths;
    kv::Settings &m_settings;
    TModule &m_module;
    kv::Ui &m_ui;
    kv::MaterialsService *m_materials = nullptr;
    kv::BordersService *m_borders = nullptr;
    kv::StockService *m_stock = nullptr;
    IMainWindow *m_main = nullptr;
};
