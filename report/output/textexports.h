#pragma once
// The text-based export filters: plain text, HTML table, delimited text and
// RTF. All collect the texts of a page into line slots by their vertical
// position and write the page when it ends.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "report/output/exportfilter.h"

class TrpTextExport : public TrpExportFilter
{
public:
    explicit TrpTextExport(QObject *parent = nullptr);

    // Scales must be positive finite numbers; anything else is refused
    // (false, the value stays).
    double ScaleX() const { return m_scaleX; }
    double ScaleY() const { return m_scaleY; }
    bool SetScaleX(double v);
    bool SetScaleY(double v);

    bool KillEmptyLines = true;
    bool ConvertToOEM = false;
    bool ExportFrames = false;
    bool UsePseudographic = false;
    bool PageBreaks = true;

    void BeginDocument() override;
    void BeginPage() override;
    void EndPage() override;
    void ExportText(const TrpRect &rect, int x, int y, const TrpExportObject &object, int frameTyp,
                    const QString &text) override;

    // The line slot of a vertical position: round(y / (14 / ScaleY)).
    int SlotOf(int y) const;

protected:
    TrpTextExport(QObject *parent, bool registerSelf);
    // Text in the file's code page (cp1251, or cp866 with ConvertToOEM).
    QByteArray Encode(const QString &text) const;

    double m_scaleX = 1.0;
    double m_scaleY = 1.0;
};

class TrpHTMExport : public TrpTextExport
{
public:
    explicit TrpHTMExport(QObject *parent = nullptr);

    bool ExportPictures = false;

    void BeginDocument() override;
    void EndDocument() override;
    void EndPage() override;
    void ExportObject(int x, int y, const TrpExportObject &object) override;

    // Text with &, <, >, " escaped and characters outside code page 1251 as
    // numeric references.
    static QByteArray Escape(const QString &text);
    // The cell of a text item.
    static QByteArray TextCell(const TrpExportTextItem &item);

private:
    struct Kept { int x, y, w, h; bool jpeg; QImage image; QByteArray jpegData; };
    QList<Kept> m_pictures;
    int m_counter = 0;
};

class TrpCSVExport : public TrpTextExport
{
public:
    explicit TrpCSVExport(QObject *parent = nullptr);

    QChar Delimiter = QLatin1Char(';');

    void EndPage() override;
};

class TrpRTFExport : public TrpTextExport
{
public:
    explicit TrpRTFExport(QObject *parent = nullptr);

    bool ExportBitmaps = false;
    bool ConvertToTable = false;

    void BeginDocument() override;
    void EndDocument() override;
    void EndPage() override;
    void ExportObject(int x, int y, const TrpExportObject &object) override;

    // \, { and } escaped; other characters as \'xx in code page 1251, or \uN?
    // when the code page lacks them.
    static QByteArray Escape(const QString &text);

private:
    int twips(int x) const;
    int fontIndex(const QString &name);
    int colorIndex(TrpColor color);

    struct Kept { int x, y, w, h, pw, ph; QByteArray bmp; };
    QList<Kept> m_pictures;
    QByteArray m_body;
    QStringList m_fonts;
    QList<TrpColor> m_colors;
    bool m_pageWritten = false;
};
