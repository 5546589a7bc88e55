#pragma once
// The edge-banding base "Sheets/Borders.dbf" (CODE, NAME, COLOR, PRIPUSK):
// the four lists every window looks bandings up in, the code rules, and the
// accounting of banding length for a part base and for the maps of a job.
// Lengths are whole millimetres held in 64 bits; sums saturate instead of
// wrapping.
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <QStringList>

#include <cstdint>

namespace kv {

class DataSet;
class MapDocument;
class Paths;
class Settings;

// The platform's button-face colour: the colour of "<нет>".
inline constexpr quint32 kNoBorderColor = 0x8000000Fu;
inline constexpr const char *kNoBorderName = "<нет>";
// Largest code a user may type (the table's small integer column).
inline constexpr int kMaxBorderCode = 32767;

namespace bordertext {
inline constexpr const char *NotInteger = "Ошибка ввода кода кромки.\rКод кромки должен быть целым числом.";
inline constexpr const char *InUse = "Ошибка ввода кода кромки.\rВведеный код уже используется.";
inline constexpr const char *OutOfRange = "Ошибка ввода кода кромки.\rКод кромки должен быть от 1 до 32767.";
} // namespace bordertext

struct BorderEntry
{
    int code = 0;
    quint32 color = kNoBorderColor;
    QString name;
    int pripusk = 0;   // allowance, mm
    bool operator==(const BorderEntry &) const = default;
};

// Totals per banding code, in the order codes first appeared: the lines
// "code=total" of the original.
class BorderTotals
{
public:
    void add(int code, qint64 mm);   // saturating
    qint64 total(int code) const;    // 0 when the code has no line
    bool contains(int code) const;
    const QList<QPair<int, qint64>> &lines() const { return m_lines; }
    bool isEmpty() const { return m_lines.isEmpty(); }
    QStringList toStrings() const;   // "code=total"
    bool operator==(const BorderTotals &) const = default;

private:
    QList<QPair<int, qint64>> m_lines;
};

// A part laid out on a map, as the banding accounting sees it: its real
// size on the map and the codes of its four edges.
struct BandedPart
{
    qint64 width = 0;    // along X
    qint64 height = 0;   // along Y
    int top = 0, bottom = 0, left = 0, right = 0;
};

struct BandedMap
{
    qint64 sheets = 1;   // sheets cut by this map
    QList<BandedPart> parts;
};

// Saturating 64-bit arithmetic of the accounting.
qint64 SatAdd(qint64 a, qint64 b);
qint64 SatMul(qint64 a, qint64 b);

class BordersService : public QObject
{
    Q_OBJECT

public:
    BordersService(Paths &paths, Settings &settings, QObject *parent = nullptr);

    QString BordersTable() const;

    // Rebuilds the lists: entry 0 "<нет>", then the table's rows ordered by
    // name. A table that cannot be read leaves entry 0 alone and raises.
    void LoadBorders();
    const QList<BorderEntry> &Entries() const { return m_entries; }
    // The four parallel lists of the main window (decimal text).
    QStringList Codes() const;
    QStringList Colors() const;
    QStringList Names() const;
    QStringList Pripusks() const;

    QString GetBorderName(int code) const;                   // empty when unknown
    quint32 GetBorderColor(int code, quint32 def) const;     // `def` when unknown
    int GetBorderPripusk(int code) const;                    // 0 when unknown
    qint64 AddBorderPripusk(qint64 length, int code) const;
    // "code=name" of every row ordered by name, read from the table.
    QStringList GetBordersList() const;

    // The current edge banding ([Border] DefBorder).
    void LoadDefBorder();
    int DefBorder() const;

    // count x (length + allowance of code) onto the code's line.
    void AddBorderLength(BorderTotals &totals, qint64 length, int code, qint64 count) const;
    // A part base's parts table (Many, Length, Width, TBorder, BBorder,
    // LBorder, RBorder): top and bottom count the length, left and right the
    // width. Closed or empty: no lines. The position is kept.
    BorderTotals GetGroupBordersLength(DataSet &parts) const;
    // Parts on maps, each map counted as often as it is cut.
    BorderTotals GetMapsBordersLength(const QList<BandedMap> &maps) const;
    // The visible tabs of a results window's map document.
    BorderTotals GetMapsBordersLength(const MapDocument &doc) const;
    static QList<BandedMap> BandedMapsOf(const MapDocument &doc);
    // "name: 4.16 м" for every line whose code is not 0.
    QStringList FormatBordersLength(const BorderTotals &totals) const;

    // Code rules of the table.
    static int NextBorderCode(const QList<int> &used);   // smallest positive unused
    // The message that refuses a typed code, empty when it is accepted.
    static QString CheckBorderCode(const QString &text, int currentCode, const QList<int> &used, int *code = nullptr);
    // A code 1..limit-1 not yet present in the field; raises when none is left.
    static int RandomUnusedCode(const QString &tablePath, const QString &fieldName, int limit);

signals:
    void BordersChanged();

private:
    const BorderEntry *find(int code) const;

    Paths &m_paths;
    Settings &m_settings;
    QList<BorderEntry> m_entries;
};

} // namespace kv
