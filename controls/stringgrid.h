#pragma once
// A grid whose columns carry a data type, formats, alignments, colours and an
// edit mask, and whose cells hold typed values. Row 0 is the title row (the
// header, drawn from the columns' captions); data rows are 1..RowCount-1.
#include <QColor>
#include <QLineEdit>
#include <QString>
#include <QTableView>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class TColumnsStringGrid;
class ColumnsGridModel;

QString RemoveChar(QChar c, const QString &text);
// FormatFloat-style patterns: "0", "#", "." and "," (thousands), literal text
// in quotes, sections "positive;negative;zero". Empty: the shortest form.
QString GridFormatFloat(const QString &pattern, double v, QChar thousandSep = QLatin1Char(','),
                        QChar decimalSep = QLatin1Char('.'));

struct TColumnHeader
{
    enum TDataType { dtInteger = 0, dtFloat = 1, dtString = 2, dtDate = 3, dtTime = 4 };

    QString Caption;
    QColor TitleColor = QColor(0xC0, 0xC0, 0xC0);
    Qt::Alignment TitleAlignment = Qt::AlignLeft;
    int TitleLayout = 0;                 // 0 top, 1 centre, 2 bottom
    int DataType = dtInteger;
    QColor FontColor = QColor(0, 0, 0);  // copied into every new cell
    QColor Color = QColor(255, 255, 255);
    Qt::Alignment Alignment = Qt::AlignLeft;
    int Layout = 0;
    QString EditMask;
    QString FloatFormat;
    bool ReadOnly = false;
    int FrameStyle = 0;                  // 0 none, 1 bump, 2 etched, 3 raised, 4 sunken

    void SetCaption(const QString &c);
    void SetTitleAlignment(Qt::Alignment a);
    void SetDataType(int t);
    void SetAlignment(Qt::Alignment a);

    TColumnsStringGrid *grid = nullptr;
    int index = 0;
};

struct TCellData
{
    QVariant Value;
    QColor Color;
    QColor FontColor;
    bool ReadOnly = false;
    bool ShowText = true;
};

// The cell editor: one border, no frame of its own, characters filtered by
// the column's type.
class TColStrCellEdit : public QLineEdit
{
    Q_OBJECT
public:
    TColStrCellEdit(int dataType, QChar decimalSep, QChar dateSep, QWidget *parent);
    static bool AcceptsChar(int dataType, QChar c, QChar decimalSep, QChar dateSep);

protected:
    void keyPressEvent(QKeyEvent *e) override;

private:
    int m_type;
    QChar m_dec, m_dateSep;
};

class TColumnsStringGrid : public QTableView
{
    Q_OBJECT
public:
    explicit TColumnsStringGrid(QWidget *parent = nullptr);
    ~TColumnsStringGrid() override;

    int ColCount() const;
    void SetColCount(int n);
    int RowCount() const;                 // with the title row
    void SetRowCount(int n);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool v);
    bool WordWrap() const { return m_wordWrap; }
    void SetWordWrap(bool v);
    QChar ThousandSeparator() const { return m_thousand; }
    QChar DecimalSeparator() const { return m_decimal; }
    void SetSeparators(QChar thousand, QChar decimal);

    TColumnHeader *GetColumnHeader(int col);
    TCellData *GetCellData(int col, int row);          // nullptr for row <= 0
    // False (and nothing stored) for the title row or a cell outside the grid.
    bool SetCellValue(int col, int row, const QVariant &value);
    QVariant GetCellValue(int col, int row);
    QVariant DefaultCellValue(int col);
    QString GetCellText(int col, int row);
    void SetCellText(int col, int row, const QString &text);
    void SetColumnWidth(int col, int width);
    int GetColumnWidth(int col) const;
    int CalcRowHeight(int row);
    bool CanEditCell(int col, int row);

    // Commits an edited text: the value is parsed, OnAfterEdit may refuse it.
    void CommitText(int col, int row, const QString &text);
    QString EditText() const { return m_editText; }

    std::function<void(int col, int row)> OnBeforeEdit;
    std::function<void(int col, int row, const QVariant &old, bool &allow)> OnAfterEdit;

    // Draws a cell text as the grid does (2 px off the sides, 3 off the top).
    static void DrawColumnText(QPainter &p, const QRect &cell, const QString &text, Qt::Alignment align,
                               int layout, bool wordWrap);

signals:
    void AfterColWidthsChange(int col, int oldWidth, int newWidth);

private:
    friend class ColumnsGridModel;
    friend class ColumnsGridDelegate;
    friend struct TColumnHeader;
    void headerChanged(int col);
    void fitRow(int row);

    ColumnsGridModel *m_model;
    std::vector<std::unique_ptr<TColumnHeader>> m_columns;
    std::vector<std::vector<std::unique_ptr<TCellData>>> m_cells;   // [row-1][col]
    bool m_readOnly = false, m_wordWrap = false;
    QChar m_thousand = QLatin1Char(','), m_decimal = QLatin1Char('.');
    QString m_editText;
};
