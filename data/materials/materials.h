#pragma once
// The materials base and its look-ups. The table in use is the program's own
// "Sheets/Types.dbf", or "Sheets/Materials.dbf" rebuilt from the "ListMat.ini"
// of an external base when the settings switch to it. Every list, name and
// navigator of the program reads materials through this service.
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class TModule;

namespace kv {

class Paths;
class Settings;
class Ui;

// 999 stands for all materials in every list and filter.
inline constexpr int kAllMaterialsCode = 999;
inline constexpr const char *kAllMaterialsName = "<все материалы>";

struct MaterialItem
{
    int code = 0;
    QString name;
    bool operator==(const MaterialItem &) const = default;
};

namespace mattext {
inline constexpr const char *BaseNotFound = "По указанному пути база материалов не найдена!";
inline constexpr const char *ImportFailed = "Ошибка экспорта внешней базы материалов.";
inline constexpr const char *OpenFailed = "Ошибка открытия базы материалов.";
inline constexpr const char *External = "внешняя база";
} // namespace mattext

class MaterialsService : public QObject
{
    Q_OBJECT

public:
    // `module` (may be null) is the data module whose general table the
    // materials window edits; `ui` says what went wrong on a connect.
    MaterialsService(Paths &paths, Settings &settings, Ui &ui, TModule *module = nullptr, QObject *parent = nullptr);

    Paths &paths() { return m_paths; }
    Settings &settings() { return m_settings; }
    TModule *module() const { return m_module; }
    void setModule(TModule *module) { m_module = module; }

    // The full path of the table in use.
    QString MaterialsTable() const;

    // Names and codes (decimal text) ordered by name; with `withAll`,
    // "<все материалы>"/"999" first. Both lists are replaced. Raises kv::Error
    // when the table cannot be read.
    void LoadMaterialsLists(QStringList &names, QStringList &codes, bool withAll) const;
    // The same as (code, name) pairs, for navigators and choosers.
    QList<MaterialItem> MaterialItems(bool withAll) const;
    // The name of a code; empty when the code is not in the base (or the
    // table cannot be read).
    QString GetMaterialName(int code) const;
    // The name at the index where `codes` holds the code's text; empty when absent.
    static QString FindNameByCode(int code, const QStringList &codes, const QStringList &names);

    bool IsLocalMaterialsBase() const;
    QString GetBasePath() const;

    // Chooses the table in use from the settings: the own table, or the
    // external list imported into "Materials.dbf". A missing or broken
    // external base shows its error and falls back to the own table.
    // Returns whether the external base is in use. Emits MaterialsChanged.
    bool ConnectMaterialsBase();
    // Start-up: connects only when the external base is switched on and its
    // file exists (nothing is shown otherwise).
    void ConnectAtStartup();
    // "Materials.dbf" made anew from the template and filled from the
    // [Materials] section of the file: one row per key that is a decimal
    // integer >= 0. Names go in as bound values, quotes and commas intact.
    // A failure shows "Ошибка экспорта внешней базы материалов." and gives
    // false; rows inserted before it stay.
    bool ImportExternalMaterials(const QString &listMatFile);
    // The valid lines of a "ListMat.ini" (for the import and its tests).
    static QList<MaterialItem> ReadListMat(const QString &listMatFile);
    bool UsesExternalBase() const;

    // The materials window's working copy "Temp/TempTp.dbf": made from the
    // table in use and bound to the data module's general table (opened).
    void OpenWorkingCopy();
    // Posts a pending edit and copies the working copy over the table in
    // use; emits MaterialsChanged. Refused (kv::Error) while the external
    // base is in use: its list lives in "ListMat.ini".
    void SaveWorkingCopy();
    // Closes the general table and deletes the working copy.
    void CloseWorkingCopy();

    // The index of `names` the find dialog selects for a typed text: the
    // first name sharing the longest prefix with the text (Latin a-z folded
    // to upper case, every other letter compared as it stands), else 0;
    // -1 for an empty list.
    static int FindByPrefix(const QStringList &names, const QString &text);

signals:
    // The base was connected anew or saved: lists and navigators refresh.
    void MaterialsChanged();

public:
    // Tells every listener the materials changed (after edits made elsewhere).
    void NotifyChanged() { emit MaterialsChanged(); }

private:
    Paths &m_paths;
    Settings &m_settings;
    Ui &m_ui;
    TModule *m_module;
};

} // namespace kv
