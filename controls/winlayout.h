#pragma once
// Window position, size and state, grid column widths and the list of open
// MDI children, kept in a section of the settings file. The keys and their
// order are those of the program's settings files: Flags, ShowCmd,
// PixelsPerInch, MinMaxPos(WxH), MinMaxPos, NormPos(WxH), NormPos.
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class QHeaderView;
class QObject;
class QSettings;
class QTableView;
class QWidget;

namespace kv {

class TIniFile;

// Where the layout routines read and write: an INI file, a registry-like
// store, or any other object (which reads defaults and writes nothing).
class LayoutStorage
{
public:
    enum class Kind { IniFile, Registry, Other };
    virtual ~LayoutStorage() = default;
    virtual Kind kind() const = 0;
    virtual QString readString(const QString &section, const QString &key, const QString &def) const = 0;
    virtual void writeString(const QString &section, const QString &key, const QString &value) = 0;
    virtual int readInteger(const QString &section, const QString &key, int def) const;
    virtual void writeInteger(const QString &section, const QString &key, int value);
    virtual void eraseSection(const QString &section) = 0;
};

// The settings file.
class IniLayoutStorage : public LayoutStorage
{
public:
    explicit IniLayoutStorage(TIniFile &ini) : m_ini(ini) {}
    Kind kind() const override { return Kind::IniFile; }
    QString readString(const QString &section, const QString &key, const QString &def) const override;
    void writeString(const QString &section, const QString &key, const QString &value) override;
    int readInteger(const QString &section, const QString &key, int def) const override;
    void writeInteger(const QString &section, const QString &key, int value) override;
    void eraseSection(const QString &section) override;

private:
    TIniFile &m_ini;
};

// An INI held in memory: names without regard to case, order kept, one pair
// of enclosing quotes removed on reading, as the file does.
class MemIniStorage : public LayoutStorage
{
public:
    Kind kind() const override { return Kind::IniFile; }
    QString readString(const QString &section, const QString &key, const QString &def) const override;
    void writeString(const QString &section, const QString &key, const QString &value) override;
    void eraseSection(const QString &section) override;
    QStringList keys(const QString &section) const;      // in order of writing
    QString raw(const QString &section, const QString &key) const;
    bool sectionExists(const QString &section) const;

private:
    struct Section { QString name; std::vector<std::pair<QString, QString>> values; };
    std::vector<Section> m_sections;
    const Section *find(const QString &s) const;
};

// A registry key (kept by QSettings).
class SettingsLayoutStorage : public LayoutStorage
{
public:
    explicit SettingsLayoutStorage(QSettings &s) : m_s(s) {}
    Kind kind() const override { return Kind::Registry; }
    QString readString(const QString &section, const QString &key, const QString &def) const override;
    void writeString(const QString &section, const QString &key, const QString &value) override;
    void eraseSection(const QString &section) override;

private:
    QSettings &m_s;
};

// What the routines know of the screen; tests set their own.
struct LayoutScreen
{
    QSize size;                 // primary screen in pixels
    int pixelsPerInch = 96;
    QList<QRect> workAreas;     // available area of every screen
};
LayoutScreen CurrentLayoutScreen();
void SetLayoutScreenOverride(const LayoutScreen *screen);   // nullptr: the real screens

QString ScreenSizeSuffix();   // "(1024x768)"

QString LayoutReadString(const LayoutStorage &s, const QString &section, const QString &key, const QString &def);
void LayoutWriteString(LayoutStorage &s, const QString &section, const QString &key, const QString &value);
int LayoutReadInt(const LayoutStorage &s, const QString &section, const QString &key, int def);
void LayoutWriteInt(LayoutStorage &s, const QString &section, const QString &key, int value);
void LayoutEraseSection(LayoutStorage &s, const QString &section);
QString ReadSizedKey(const LayoutStorage &s, const QString &section, const QString &key);
void WriteSizedKey(LayoutStorage &s, const QString &section, const QString &key, const QString &value);

// The program's main window (for the minimised and MDI-frame rules).
void SetMainForm(QWidget *w);
QWidget *MainForm();
// The class name a window is known by in the settings file: the property
// "kvClassName" when set, else the C++ class name.
QString FormClassName(const QObject *o);
QString DefaultSectionOf(const QObject *component);

// Moves a rectangle that lies off every work area onto the nearest one.
QRect KeepOnScreen(const QRect &r, const QList<QRect> &workAreas);

// The smallest size a window is usable at: what its content needs (its
// minimum size hint), and its minimum size; whether a size is that large.
QSize SmallestUsableSize(const QWidget *window);
bool UsableSize(const QWidget *window, const QSize &size);

// Notes the rectangle of an MDI sub-window in the normal state and keeps
// noting it, so that a maximised one stores the size it restores to.
void NoteNormalGeometry(QWidget *subWindow);
// Its rectangle in the normal state (the one noted while it is maximised or
// minimised).
QRect NormalGeometry(const QWidget *subWindow);

// A rectangle smaller than the window's minimum size hint is neither
// stored nor restored.
void StoreFormGeometry(QWidget *form, LayoutStorage &s, const QString &section);
void LoadFormGeometry(QWidget *form, const LayoutStorage &s, const QString &section, bool loadState,
                      bool loadPosition);
void StoreFormGeometry(QWidget *form, TIniFile &ini, const QString &section);
void LoadFormGeometry(QWidget *form, TIniFile &ini, const QString &section, bool loadState = true,
                      bool loadPosition = true);

// Column widths under the grid's default section, "Item0".."Item<n-1>".
void StoreGridColWidths(QTableView *grid, LayoutStorage &s);
void LoadGridColWidths(QTableView *grid, const LayoutStorage &s);
void StoreGridColWidths(QTableView *grid, TIniFile &ini);
void LoadGridColWidths(QTableView *grid, TIniFile &ini);
void StoreColWidths(const QString &section, const QList<int> &widths, LayoutStorage &s);
QList<int> LoadColWidths(const QString &section, const QList<int> &current, const LayoutStorage &s);
// A list view's column widths as the settings keep them (data/settings'
// ReadListViewColumns/WriteListViewColumns); a negative width leaves its column.
QList<int> HeaderSectionSizes(const QHeaderView *header);
void ApplyHeaderSectionSizes(QHeaderView *header, const QList<int> &widths);

// Windows that can be reopened by class name.
using FormFactory = std::function<QWidget *()>;
void RegisterFormClass(const QString &className, FormFactory factory);
void UnregisterFormClass(const QString &className);

// Section "MDI Children". Both raise kv::Error "Не могу создать форму. Нет
// активных MDI форм" when the window is no MDI frame.
void StoreMDIChildList(QWidget *frame, LayoutStorage &s);
void RestoreMDIChildList(QWidget *frame, const LayoutStorage &s);
void StoreMDIChildList(QWidget *frame, TIniFile &ini);
void RestoreMDIChildList(QWidget *frame, TIniFile &ini);
QWidget *ShowFormOfClass(QWidget *frame, const QString &className, const QString &caption,
                         bool restoreFromMinimized);

} // namespace kv
