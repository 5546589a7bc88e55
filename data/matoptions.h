#pragma once
// Per-material options: the packed keys Mark, Scrap, Optim and WH of the
// sections "Material" + code. Each key is a comma-text list of items. The same
// routines serve the settings file and the per-job options file. A missing
// item, or one that is not a number where a number belongs, reads as the
// item's default.
#include "engine/driver.h"
#include "platform/ini.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace kv {

namespace matkey {
inline constexpr const char *Mark = "Mark";
inline constexpr const char *Scrap = "Scrap";
inline constexpr const char *Optim = "Optim";
inline constexpr const char *WH = "WH";
} // namespace matkey

// Automatic codes of off-cuts.
struct TMarkSettings
{
    bool MarkNumbering = false;
    QString MarkPrefix;
    QString MarkSuffix;
    int MarkMaxNumber = 0;
    bool operator==(const TMarkSettings &) const = default;
};

// When an off-cut counts as usable: the engine's own description of the
// limits, so the settings and the run share one.
using TScrapSettings = engine::TScrapOptions;

// Cutting options of the material.
struct TOptimSettings
{
    bool Enabled = true;
    int SheetWidth = 0;    // length along X of the standard sheet
    int SheetHeight = 0;   // width along Y
    bool UseScraps = false;
    bool Standart = false;
    int ExSearch = 0;
    int AlgorithmNumber = 0;
    int DefQuantity = 0;
    bool Algorithm = false;
    QString Remark;
    bool OneDimOpt = false;
    bool operator==(const TOptimSettings &) const = default;
};

inline constexpr int kMarkItems = 4;
inline constexpr int kScrapItems = 12;
inline constexpr int kOptimItems = 11;

// Item indexes of Optim.
namespace optim {
enum : int {
    Enabled = 0, SheetWidth, SheetHeight, UseScraps, Standart, ExSearch,
    AlgorithmNumber, DefQuantity, Algorithm, Remark, OneDimOpt
};
} // namespace optim

// Comma text of a key <-> the typed items.
QString PackMark(const TMarkSettings &m);
TMarkSettings UnpackMark(const QString &text);
QString PackScrap(const TScrapSettings &s);
TScrapSettings UnpackScrap(const QString &text);
QString PackOptim(const TOptimSettings &o);
TOptimSettings UnpackOptim(const QString &text);
QString PackWH(int count);
int UnpackWH(const QString &text);

// The keys in a section of an INI file.
void PackMarkSettings(TIniFile &ini, const QString &section, const TMarkSettings &m);
TMarkSettings UnpackMarkSettings(const TIniFile &ini, const QString &section);
void PackScrapSettings(TIniFile &ini, const QString &section, const TScrapSettings &s);
TScrapSettings UnpackScrapSettings(const TIniFile &ini, const QString &section);
void PackOptimSettings(TIniFile &ini, const QString &section, const TOptimSettings &o);
TOptimSettings UnpackOptimSettings(const TIniFile &ini, const QString &section);
void PackWHSettings(TIniFile &ini, const QString &section, int count);
int UnpackWHSettings(const TIniFile &ini, const QString &section);

// Optim unpacked with its defaults and written back with all its items.
void NormalizeOptimSettings(TIniFile &ini, const QString &section);

void GetOptimSheetSize(const TIniFile &ini, const QString &section, int &width, int &height);
bool GetOptimStandart(const TIniFile &ini, const QString &section);
bool GetOptimEnabled(const TIniFile &ini, const QString &section);

// Each setter changes its items and keeps every other item as it stands;
// a key too short for the item is normalized first.
void SetOptimSheetSize(TIniFile &ini, const QString &section, int width, int height);
void SetOptimStandart(TIniFile &ini, const QString &section, bool value);
void SetOptimExSearch(TIniFile &ini, const QString &section, int value);
void SetOptimAlgorithmNumber(TIniFile &ini, const QString &section, int value);
void SetOptimDefQuantity(TIniFile &ini, const QString &section, int value);
void SetOptimAlgorithm(TIniFile &ini, const QString &section, bool value);
void SetOptimRemark(TIniFile &ini, const QString &section, const QString &value);
void SetOptimOneDimOpt(TIniFile &ini, const QString &section, bool value);

// Scrap of the material's section of the settings file into the engine's
// off-cut parameters.
void LoadScrapLimits(const TIniFile &settings, int materialCode, engine::TRaskroyParams &p);

// Settings files of version 1 kept every option as a key of its own. When
// [Default] Version is 1 or less, the file is copied to `backupFile`, every
// material section gets the four packed keys instead, and Version becomes 2.
// Returns whether it migrated. Throws kv::Error, leaving the file as it was,
// when the backup cannot be made.
bool UpgradeSettingsFile(TIniFile &ini, const QString &backupFile);

inline constexpr int kScrapNameSize = 20;   // NAME of the off-cut table

// The next automatic off-cut code after `mark`'s last number: prefix + number
// + suffix, the first one `taken` does not know; `mark` keeps that number.
// Throws kv::Error when the numbers run out or the code is longer than the
// off-cut table keeps (a cut code would no longer match the one looked for).
QString NextScrapMark(TMarkSettings &mark, const std::function<bool(const QString &)> &taken);

// The automatic code of a new off-cut of the material: NextScrapMark from the
// last number given (from 0 when numbering is off). With numbering on, the
// number is kept as the last one given.
QString NewScrapMark(TIniFile &settings, int materialCode, const std::function<bool(const QString &)> &inStock);

} // namespace kv
