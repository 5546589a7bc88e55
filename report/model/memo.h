#pragma once
// The text object: lines with bracketed expressions, laid out with a font,
// alignment, spacing, wrapping with Russian hyphenation, vertical text,
// highlight, suppression of repeats and underlines; it measures itself for
// stretching and splits across pages.
#include <QString>
#include <QStringList>
#include <functional>

#include "report/model/object.h"

// Memo flag bits.
enum {
    rpmfStretched = 1, rpmfWordWrap = 2, rpmfWordBreak = 4, rpmfAutoWidth = 8, rpmfTextOnly = 16,
    rpmfSuppress = 32, rpmfHideZeros = 64, rpmfUnderlines = 128, rpmfRTLReading = 256
};
// Alignment.
enum {
    rptaLeft = 0, rptaRight = 1, rptaCenter = 2, rptaJustify = 3, rptaVertical = 4,
    rptaMiddle = 8, rptaDown = 16
};

// Width of a text in the layout's font, with character extra (pixels).
using TrpTextWidth = std::function<int(const QString &text)>;

// Hyphenation points of a Russian word: 1-based positions after which it may break.
QList<int> HyphenPoints(const QString &word);

class TrpMemoView : public TrpStretcheable
{
public:
    TrpMemoView();
    QString ClassName() const override { return QStringLiteral("TrpMemoView"); }
    std::unique_ptr<TrpView> Create() const override { return std::make_unique<TrpMemoView>(); }

    void SetProperty(const QString &name, const TrpValue &value) override;
    TrpValue GetProperty(const QString &name) override;
    TrpValue CallMethod(const QString &name, const TrpValue &p1, const TrpValue &p2, const TrpValue &p3) override;
    void BuildPropertyTable() override;
    void GetBlob(TrpFieldSource *source, const QString &field) override;
    void Draw(TrpCanvas *canvas) override;
    void Print(QIODevice &stream) override;
    void ExportData() override;
    void LoadFromStream(QIODevice &stream) override;
    void SaveToStream(QIODevice &stream) override;
    int CalcHeight() override;
    int MinHeight() override;
    int RemainHeight() override;

    void SetFont(const TrpFont &font) { Font = font; }
    void ExpandMemo();
    // Lays ExpandedMemo out at scale 1 into the laid-out lines (each
    // paragraph's last line ends with "\001") and sets TextHeight and LineHeight.
    QStringList LayoutText();
    // Wrapped lines of one paragraph within `width` pixels.
    QStringList WrapLine(const QString &text, int width) const;
    // Width that holds the lines: measured on `canvas` at the drawing's scale
    // and given in page units; without a canvas at scale 1 on the measuring canvas.
    int CalcAutoWidth(const QStringList &lines, TrpCanvas *canvas = nullptr);

    // How texts are measured; without one, the measuring canvas.
    TrpTextWidth Measure;

    TrpFont Font;
    QString LastValue;
    bool PreWrapped = false;
    int TextHeight = 0;
    bool StopAtBottom = false;
    bool Written = false;
    // Where an auto-width memo was put when its page was read: its edges stay
    // there at every scale.
    bool AutoAnchored = false;
    int AutoLeft = 0, AutoRight = 0;   // the last Print wrote a record (not suppressed, visible)
    int LineHeight = 0;
    int LinesDrawn = 0;
    bool ExportMode = false;
    qint32 Alignment = rptaLeft;
    int HighlightFontStyle = 2;     // stream style bits
    qint32 HighlightFontColor = rpClBlack;
    qint32 HighlightFillColor = rpClWhite;
    QString HighlightCondition;
    qint32 LineSpacing = 2;
    qint32 CharSpacing = 0;

    static QStringList &SharedLines();

private:
    int textWidth(const QString &text) const;
    void drawText();
    void drawUnderlines();
    void applyHighlight(TrpFont &savedFont, qint32 &savedFill);
    void runBeforePrint();
};
