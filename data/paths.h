#pragma once
// Every folder and fixed file of the program, derived once from the program
// folder. No other code builds a path from the program folder itself.
// Folder names end in "/". Names that old files hold ("Sheets\Types.dbf")
// are accepted with "\" and found without regard to case.
#include <QString>
#include <QStringList>

namespace kv {

class Paths
{
public:
    // `root` is the program folder; a trailing "/" is added when missing.
    explicit Paths(const QString &root);

    // $KORVALT_HOME when set, else ~/.local/share/korvalt, with a trailing "/".
    static QString DefaultRoot();

    QString ProgramFolder() const { return m_root; }

    QString PatternFolder() const { return m_pattern; }         // empty templates
    QString CatalogFolder() const { return m_catalog; }         // parts tables of the models base
    QString SheetsFolder() const { return m_sheets; }           // stock tables
    QString DetalsFolder() const { return m_detals; }           // imports of versions 1.x and 2.x
    QString GroupsFolder() const { return m_groups; }           // part-base documents
    QString MapsFolder() const { return m_maps; }               // cutting-map files
    QString ExportFolder() const { return m_export; }           // text and INI exports
    QString TempFolder() const { return m_temp; }               // working copies, untitled part bases
    QString ConstructorFolder() const { return m_constructor; } // designer-module part lists
    QString WarehouseFolder() const { return m_warehouse; }     // saved warehouse states
    QString AutoRunFolder() const { return m_autorun; }         // imported at start-up
    QString ReportsFolder() const { return m_reports; }         // report templates

    QStringList AllFolders() const;
    // Creates the program folder and every folder beneath it; throws kv::Error
    // naming the folder that could not be made.
    void CreateFolders() const;

    // Fixed files.
    QString SettingsFile() const;           // "Korvalt.ini"
    QString SettingsBackupFile() const;     // "Korvalt.~ini"
    QString SettingsDamagedFile() const;    // "Korvalt.ini.bad": a damaged settings file kept
    QString JobOptionsFile() const;         // "Korvalt.tmp"
    QString CatalogIniFile() const;         // "Catalog.ini"
    QString ModelsBaseFile() const;         // "Models.dat"
    QString ModelsTemplateFile() const;     // "Pattern/Models.dat"
    QString ModelsBackupFile() const;       // "Temp/Models.dat"
    QString GroupTemplateFile() const;      // "Pattern/Group.dbf"
    QString SheetsTable() const;            // "Sheets/Sheets.dbf"
    QString BordersTable() const;           // "Sheets/Borders.dbf"
    QString ScrapsTable() const;            // "Sheets/Scraps.dbf"
    QString OwnMaterialsTable() const;      // "Sheets/Types.dbf"
    QString ExternalMaterialsCopy() const;  // "Sheets/Materials.dbf"
    QString WHSaveIniFile() const;          // "Warehouse/WHSave.ini"
    QString AcceptedMapsFile() const;       // "Accepted.ini": the variants taken into the warehouse
    QString TempSheetsTable() const;        // "Temp/TempSh.dbf"
    QString TempTypesTable() const;         // "Temp/TempTp.dbf"
    QString TempScrapsTable() const;        // "Temp/TempSc.dbf"
    // "ListMat.ini" in the folder of the external materials base.
    static QString ExternalMaterialsBase(const QString &baseFolder);

    // The materials table every material-name lookup reads: the own table
    // until the materials base switches to the external copy.
    QString MaterialsTable() const;
    void UseExternalMaterials(bool external) { m_externalMaterials = external; }
    bool UsesExternalMaterials() const { return m_externalMaterials; }

    // A file of `folder` by its name: the existing entry whose name matches
    // without regard to case, else the name as given.
    static QString FileIn(const QString &folder, const QString &name);
    // Whether a name read from a file names a file of the folder it is taken
    // in: not empty, no folder part ("/" or a backslash), no drive, not "." or "..".
    // A name that fails leads nowhere: its reader refuses it.
    static bool IsBareFileName(const QString &name);
    // FileIn for a name read from a file; empty when it is not a bare name.
    static QString BareFileIn(const QString &folder, const QString &name);
    // A path from an old file: "\" read as "/", a relative path taken from the
    // program folder, every part found without regard to case where it exists.
    QString Resolve(const QString &oldPath) const;

private:
    QString folder(const QString &name) const;

    QString m_root;
    QString m_pattern, m_catalog, m_sheets, m_detals, m_groups, m_maps, m_export, m_temp,
        m_constructor, m_warehouse, m_autorun, m_reports;
    bool m_externalMaterials = false;
};

} // namespace kv
