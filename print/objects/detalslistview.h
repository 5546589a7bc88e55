#pragma once
// The parts-list report object: beside a cutting map, the parts cut from the
// sheet with a small edge-banding sketch under each banded part, and the
// edge-banding consumption of the sheet. It holds plain records that the print
// road fills just before the engine prints it; saving empties them.
#include "report/model/object.h"

#include <QByteArray>
#include <QObject>

#include <vector>

// One line of the list; 65 bytes packed, as stored.
struct TDetalsListRec
{
    QString Name;            // at most 20 characters (cp1251)
    qint32 Width = 0, Height = 0, Count = 0;
    qint32 LeftCode = 0, RightCode = 0, TopCode = 0, BottomCode = 0;   // sides of the sketch; below 1 none
    qint32 LeftColor = 0, RightColor = 0, TopColor = 0, BottomColor = 0;
    bool operator==(const TDetalsListRec &) const = default;

    static constexpr int kSize = 65;
    QByteArray Pack() const;
    // Refuses a length byte above 20.
    static TDetalsListRec Unpack(const QByteArray &bytes);
    bool HasBorder() const { return LeftCode > 0 || RightCode > 0 || TopCode > 0 || BottomCode > 0; }
};

// One edge-banding total; 29 bytes packed.
struct TBorderTotalRec
{
    QString Name;            // at most 20 characters
    qint32 Length = 0;       // mm
    qint32 Code = 0;
    bool operator==(const TBorderTotalRec &) const = default;

    static constexpr int kSize = 29;
    QByteArray Pack() const;
    static TBorderTotalRec Unpack(const QByteArray &bytes);
};

// The name field of both records: a length byte and up to 20 characters.
constexpr int kListNameChars = 20;

// The list grows with its lines: a stretching band gives it the height of
// all of them, and a list longer than the page goes on at the top of the
// next one, cut between two lines (each piece under its own heading), so
// that no part and no total is ever lost from the paper.
class TrpDetalsListView : public TrpStretcheable
{
public:
    TrpDetalsListView();

    QString ClassName() const override { return QStringLiteral("TrpDetalsListView"); }
    std::unique_ptr<TrpView> Create() const override { return std::make_unique<TrpDetalsListView>(); }

    void Draw(TrpCanvas *canvas) override;
    // The lines go to an export as texts at their places.
    void ExportData() override;
    // Counts the stream cannot hold and bad name lengths raise kv::Error.
    void LoadFromStream(QIODevice &stream) override;
    // Writes both lists and then empties them.
    void SaveToStream(QIODevice &stream) override;
    // The height of every line, in page units; fills the lists through the
    // report's before-print event as printing does.
    int CalcHeight() override;
    // The heading and the first line.
    int MinHeight() override;
    // After a piece of a split list: the room it left unused plus the heading
    // the next piece repeats.
    int RemainHeight() override { return m_remain; }
    // After CalcHeight the lists it filled; a piece of a split list takes the
    // lines that fit its height and keeps the rest for the next piece.
    void Print(QIODevice &stream) override;

    // Line heights of the list in page units.
    struct Metrics
    {
        int line = 1;     // height of "A" in the list font
        int sketch = 1;   // height of "A" in the sketches' smaller font
    };
    // The list's lines at scale 1 on the engine's measuring canvas, where the
    // band measured them: drawing on any device keeps the same places.
    Metrics MeasureLines() const;
    // Height in page units of the first `detals` part lines and the first
    // `totals` edge-banding lines with their headings.
    int ContentHeight(size_t detals, size_t totals, const Metrics &m) const;

    void DrawView();
    // Lines from the top-left (x, y) down to `bottom`; nothing is drawn
    // below `bottom` or right of `right`.
    void DrawList(int x, int y, int bottom, int right);
    // The sketch of one part, `s` device pixels a letter (3 wide, 2 high);
    // moves `y` to its bottom line.
    void DrawBorderBox(int x, int &y, const TDetalsListRec &rec, int s);

    TrpFont ListFont;
    bool ShowBorder = false;
    bool BorderCodes = false;
    bool BorderStat = false;
    std::vector<TDetalsListRec> Detals;
    std::vector<TBorderTotalRec> Totals;

    // The texts of a line (shared with the tests and the text export).
    static QString DetalLine(const TDetalsListRec &r);
    static QString TotalLine(const TBorderTotalRec &r, bool withCode);

private:
    bool m_exporting = false;
    int m_remain = 0;
};

// The palette component that links the object into the program.
class TrpDetalsListObject : public QObject
{
public:
    using QObject::QObject;
};
