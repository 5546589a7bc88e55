#pragma once
// The settings file "Korvalt.ini": its sections, keys and defaults, the
// accessors that read it on every call, the number formats it drives, the
// key families of fonts, pens, brushes and list-view columns, and the INI
// utilities. A missing key, or one that does not read as its type, gives
// the default, so a fresh installation needs no settings file.
#include "platform/ini.h"

#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>


namespace kv {

// --- Keys and defaults ----------------------------------------------------

struct IntKey { const char *section; const char *key; int def; };
struct BoolKey { const char *section; const char *key; bool def; };
struct StrKey { const char *section; const char *key; const char *def; };

namespace key {
// [Default]
inline constexpr IntKey LenDigits{"Default", "LenDigits", 2};
inline constexpr IntKey SqrDigits{"Default", "SqrDigits", 3};
inline constexpr IntKey DefMaterial{"Default", "DefMaterial", 0};
inline constexpr BoolKey PrintDetalBorders{"Default", "PrintDetalBorders", false};
inline constexpr BoolKey ShowName{"Default", "ShowName", true};
inline constexpr BoolKey ShowDim{"Default", "ShowDim", true};
inline constexpr BoolKey ShowBorder{"Default", "ShowBorder", true};
inline constexpr BoolKey ShowScrapsText{"Default", "ShowScrapsText", true};
inline constexpr BoolKey ShowHints{"Default", "ShowHints", true};
inline constexpr IntKey Mill{"Default", "Mill", 4};
inline constexpr IntKey LIndent{"Default", "LIndent", 10};
inline constexpr IntKey RIndent{"Default", "RIndent", 10};
inline constexpr IntKey TIndent{"Default", "TIndent", 10};
inline constexpr IntKey BIndent{"Default", "BIndent", 10};
inline constexpr IntKey SheetColor{"Default", "SheetColor", int(0x8000000Cu)};
inline constexpr IntKey DetalColor{"Default", "DetalColor", 0xFFFFFF};
inline constexpr IntKey MillColor{"Default", "MillColor", 0xFF0000};
inline constexpr IntKey LostColor{"Default", "LostColor", 0};
inline constexpr IntKey ScrapColor{"Default", "ScrapColor", 255};
inline constexpr IntKey BorderColor{"Default", "BorderColor", 0xFF00FF};
inline constexpr IntKey Technics{"Default", "Technics", 0};
inline constexpr IntKey PropilLen{"Default", "PropilLen", 0};
inline constexpr IntKey Optimization{"Default", "Optimization", 0};
inline constexpr BoolKey CheckStdSheetsQuantity{"Default", "CheckStdSheetsQuantity", false};
inline constexpr BoolKey AutoScrapsMark{"Default", "AutoScrapsMark", false};
inline constexpr IntKey SheetWidth{"Default", "SheetWidth", 2750};
inline constexpr IntKey SheetHeight{"Default", "SheetHeight", 2070};
inline constexpr BoolKey UseScraps{"Default", "UseScraps", false};
inline constexpr BoolKey Optim{"Default", "Optim", false};
inline constexpr BoolKey Standart{"Default", "Standart", false};
inline constexpr BoolKey OneDimOpt{"Default", "OneDimOpt", false};
inline constexpr IntKey Algorithm{"Default", "Algorithm", 0};
inline constexpr IntKey AlgorithmNumber{"Default", "AlgorithmNumber", 0};
inline constexpr IntKey ExSearch{"Default", "ExSearch", 500};
inline constexpr IntKey Version{"Default", "Version", 1};
// [Border]
inline constexpr IntKey LBorder{"Border", "LBorder", 0};
inline constexpr IntKey RBorder{"Border", "RBorder", 0};
inline constexpr IntKey TBorder{"Border", "TBorder", 0};
inline constexpr IntKey BBorder{"Border", "BBorder", 0};
inline constexpr IntKey DefBorder{"Border", "DefBorder", 0};
// [Rotate]
inline constexpr IntKey RotateDefault{"Rotate", "Default", 0};
// [SheetParams]
inline constexpr IntKey MillState{"SheetParams", "MillState", 0};
inline constexpr StrKey FontName{"SheetParams", "FontName", "MS Sans Serif"};
inline constexpr BoolKey FontBold{"SheetParams", "FontBold", false};
inline constexpr BoolKey FontItalic{"SheetParams", "FontItalic", false};
inline constexpr BoolKey FontUnderline{"SheetParams", "FontUnderline", false};
inline constexpr BoolKey FontStrikeOut{"SheetParams", "FontStrikeOut", false};
inline constexpr IntKey FontSize{"SheetParams", "FontSize", 8};
inline constexpr IntKey FontColor{"SheetParams", "FontColor", 0};
inline constexpr IntKey FontCharSet{"SheetParams", "FontCharSet", 204};
inline constexpr IntKey SheetOutLookWidth{"SheetParams", "OutLook_Width", 105};
// [PageParams]
inline constexpr IntKey PageLeft{"PageParams", "Left", 0};
inline constexpr IntKey PageRight{"PageParams", "Right", 0};
inline constexpr IntKey PageTop{"PageParams", "Top", 0};
inline constexpr IntKey PageBottom{"PageParams", "Bottom", 0};
// [MatBaseChange]
inline constexpr IntKey BaseType{"MatBaseChange", "BaseType", 0};
inline constexpr StrKey BasePath{"MatBaseChange", "BasePath", ""};
// [SelMatDlg], [Materials_Window], [ModelsBase]
inline constexpr IntKey SelMatDlgColumns{"SelMatDlg", "Columns", 1};
inline constexpr IntKey MaterialsColWidth{"Materials_Window", "ColWidth", 120};
inline constexpr IntKey ModelsOutLookWidth{"ModelsBase", "OutLook_Width", 105};
} // namespace key

namespace section {
inline constexpr const char *Default = "Default";
inline constexpr const char *Border = "Border";
inline constexpr const char *Rotate = "Rotate";
inline constexpr const char *SheetParams = "SheetParams";
inline constexpr const char *PageParams = "PageParams";
inline constexpr const char *MatBaseChange = "MatBaseChange";
inline constexpr const char *SelMatDlg = "SelMatDlg";
inline constexpr const char *MaterialsWindow = "Materials_Window";
inline constexpr const char *ModelsBase = "ModelsBase";
inline constexpr const char *Files = "Files";       // recent part bases "1".."n"
inline constexpr const char *Remarks = "Remarks";   // remarks list, any key names
} // namespace section

// "Material" followed by the material code: per-material options.
QString MaterialSection(int materialCode);
// Default width of a models base list-view column (ModelsBase lvw_Width<i>).
inline constexpr int kModelsColumnWidth = 65;

int ReadKey(const TIniFile &ini, const IntKey &k);
bool ReadKey(const TIniFile &ini, const BoolKey &k);
QString ReadKey(const TIniFile &ini, const StrKey &k);
void WriteKey(TIniFile &ini, const IntKey &k, int value);
void WriteKey(TIniFile &ini, const BoolKey &k, bool value);
void WriteKey(TIniFile &ini, const StrKey &k, const QString &value);

// --- Number formats -------------------------------------------------------

// The digit counts of lengths (metres) and areas (square metres), kept for
// the whole program; set from the file at start-up and when the options
// dialog closes with OK. Clamped to 0..18.
void SetNumberDigits(int lenDigits, int sqrDigits);
int LenDigitsValue();
int SqrDigitsValue();
inline constexpr int kPercentDigits = 2;

// "#0.00"-style: at least one integer digit, the digit count of decimals
// (halves away from zero on the decimal form), "." whatever the locale.
QString FormatLength(double v);
QString FormatSquare(double v);
QString FormatPercent(double v);
QString FormatWithDigits(double v, int digits);
// The decimal value of the text ("." or ","), 0 when it is not a number.
double StrToFloatOrZero(const QString &text);

// --- Key families of drawing objects ----------------------------------------

// Colours are the 32-bit values of the files (0x00BBGGRR, system colours
// 0x800000nn); styles the ordinals of the old style enumerations.
struct IniFont
{
    QString name = QStringLiteral("Arial");
    int color = 0;
    int size = 10;         // points
    int charset = 204;
    bool bold = false, italic = false, underline = false, strikeOut = false;

    QFont toQFont() const;
    void setFromQFont(const QFont &f);   // name, size and style; colour and charset stay
    bool operator==(const IniFont &) const = default;
};

struct IniPen
{
    int color = 0;
    int style = 0;   // 0 solid, 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot, 5 clear, 6 inside frame
    int width = 1;
    bool operator==(const IniPen &) const = default;
};

struct IniBrush
{
    int color = 0xFFFFFF;
    int style = 0;   // 0 solid, 1 clear, 2 horizontal, 3 vertical, 4 f-diagonal, 5 b-diagonal, 6 cross, 7 diag-cross
    bool operator==(const IniBrush &) const = default;
};

// Readers never fail: every key missing or malformed gives the family's
// default. The style of a font is cleared before the flags are read.
void ReadFontFromIni(const TIniFile &ini, const QString &section, const QString &prefix, IniFont &font);
void WriteFontToIni(TIniFile &ini, const QString &section, const QString &prefix, const IniFont &font);
void ReadPenFromIni(const TIniFile &ini, const QString &section, const QString &prefix, IniPen &pen);
void WritePenToIni(TIniFile &ini, const QString &section, const QString &prefix, const IniPen &pen);
void ReadBrushFromIni(const TIniFile &ini, const QString &section, const QString &prefix, IniBrush &brush);
void WriteBrushToIni(TIniFile &ini, const QString &section, const QString &prefix, const IniBrush &brush);

// List-view columns: <view>_Width<i>; the current width is the default.
void ReadListViewColumns(const TIniFile &ini, const QString &section, const QString &view, QList<int> &widths);
void WriteListViewColumns(TIniFile &ini, const QString &section, const QString &view, const QList<int> &widths);

// --- INI utilities --------------------------------------------------------

// Erases the section, then writes the name=value lines in order.
void WriteIniSectionValues(const QString &fileName, const QString &section, const QStringList &lines);
// The destination section becomes equal to the source section.
void CopyIniSection(const QString &srcFile, const QString &srcSection,
                    const QString &dstFile, const QString &dstSection);
// Copies key by key into the target without erasing it first: keys only the
// target holds stay. (The main window's variant, with its argument order.)
void CopyIniSectionKeys(const QString &srcFile, const QString &srcSection,
                        const QString &dstSection, const QString &dstFile);
// Writes `value` under the smallest positive number not yet a key; returns it.
int AddNumberedIniValue(const QString &fileName, const QString &section, const QString &value);
// Trims blanks and control characters and ends the path with a separator;
// "" stays "" (it used to become the root folder).
QString NormalizeFolderPath(const QString &path);

// --- A damaged settings file ---------------------------------------------

// Whether the bytes read cleanly as a settings file: text lines that are
// blank, comments, [sections] or key=value pairs, nothing else.
bool SettingsTextIsClean(const QByteArray &bytes);

// Whether the bytes are settings worth keeping as a backup: clean and
// holding at least one key (an empty file is no backup).
bool SettingsTextIsBackup(const QByteArray &bytes);

// Runs before the settings file is opened. A file that does not read cleanly
// is kept as `damagedCopy`; a backup that reads cleanly and holds settings
// takes its place, else (no backup, an empty or a damaged one) the lines that
// still read are kept and the rest is dropped. Returns what the user is told,
// which says which of these happened (empty when the file was sound or
// missing); never touches the backup. Throws kv::Error when the file cannot
// be repaired.
QString RepairSettingsFile(const QString &file, const QString &backupFile, const QString &damagedCopy);

// The backup takes the settings file as it is now when the file reads
// cleanly and holds settings (at a clean start and at the close); otherwise
// the backup is left as it was. True when the backup holds the file now.
// Throws kv::Error when the backup cannot be written.
bool RefreshSettingsBackup(const QString &file, const QString &backupFile);

// --- The settings file object -------------------------------------------

// The one open settings file of the program, with the accessors of the main
// window. Each accessor reads the file on every call.
class Settings
{
public:
    explicit Settings(const QString &fileName);

    TIniFile &Ini() { return m_ini; }
    const TIniFile &Ini() const { return m_ini; }
    QString FileName() const { return m_ini.FileName(); }

    int Get(const IntKey &k) const { return ReadKey(m_ini, k); }
    bool Get(const BoolKey &k) const { return ReadKey(m_ini, k); }
    QString Get(const StrKey &k) const { return ReadKey(m_ini, k); }
    void Set(const IntKey &k, int v) { WriteKey(m_ini, k, v); }
    void Set(const BoolKey &k, bool v) { WriteKey(m_ini, k, v); }
    void Set(const StrKey &k, const QString &v) { WriteKey(m_ini, k, v); }

    int GetDefaultLBorder() const { return Get(key::LBorder); }
    int GetDefaultRBorder() const { return Get(key::RBorder); }
    int GetDefaultTBorder() const { return Get(key::TBorder); }
    int GetDefaultBBorder() const { return Get(key::BBorder); }
    // A hand-edited mode out of 0..2 gives new parts the default 0.
    int GetDefaultRotate() const
    {
        const int r = Get(key::RotateDefault);
        return r >= 0 && r <= 2 ? r : 0;
    }
    int GetDefMaterial() const { return Get(key::DefMaterial); }
    bool IsLocalMaterialsBase() const { return Get(key::BaseType) == 0; }
    QString GetBasePath() const { return Get(key::BasePath); }

    // Page margins, millimetres: read on every call; the setters write the
    // key and keep the value for the printing code.
    int GetPageLeft() const { return Get(key::PageLeft); }
    int GetPageRight() const { return Get(key::PageRight); }
    int GetPageTop() const { return Get(key::PageTop); }
    int GetPageBottom() const { return Get(key::PageBottom); }
    void SetPageLeft(int v);
    void SetPageRight(int v);
    void SetPageTop(int v);
    void SetPageBottom(int v);
    int PageLeft() const { return m_pageLeft; }
    int PageRight() const { return m_pageRight; }
    int PageTop() const { return m_pageTop; }
    int PageBottom() const { return m_pageBottom; }

    // The font of the map texts ([SheetParams] Font*); a size of zero or
    // less reads as the default size.
    IniFont MapFont() const;
    void SetMapFont(const IniFont &font);

    // The current edge banding, the one the edge buttons apply.
    void LoadDefBorder() { m_defBorder = Get(key::DefBorder); }
    int DefBorder() const { return m_defBorder; }

    // Start-up: the digit counts into the number formats, page margins and
    // the current edge banding into their variables.
    void LoadProcessValues();
    // The digit counts alone (after the options dialog's OK).
    void LoadDigits();
    // The whole file on disk now (options dialog OK, end of the program).
    void Flush() { m_ini.UpdateFile(); }

private:
    TIniFile m_ini;
    int m_pageLeft = 0, m_pageRight = 0, m_pageTop = 0, m_pageBottom = 0;
    int m_defBorder = 0;
};

} // namespace kv
