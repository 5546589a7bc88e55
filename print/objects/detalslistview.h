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

class TrpDetalsListView : public TrpView
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
    void DrawView();
    // Lines from the top-left (x, y) down to `bottom`; nothing is drawn
    // below `bottom` or right of `right`.
    void DrawList(int x, int y, int bottom, int right);
    void DrawBorderBox(int x, int &y, const TDetalsListRec &rec);

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
};

// The palette component that links the object into the program.
class TrpDetalsListObject : public QObject
{
public:
    using QObject::QObject;
};
