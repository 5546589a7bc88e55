#pragma once
// Spreadsheet output: a sheet filled cell by cell (rows and columns counted
// from 1), written as an ".xlsx" file with libxlsxwriter, or kept in memory
// for tests. Opening the file is left to the desktop's application.
#include <QMap>
#include <QPair>
#include <QString>
#include <QVariant>

#include <memory>

namespace kv {

class SpreadsheetSink
{
public:
    virtual ~SpreadsheetSink() = default;
    // A number is written as a number, anything else as text.
    virtual void SetCell(int row, int col, const QVariant &value) = 0;
    // Finishes the sheet (the file is written); raises kv::Error on failure.
    virtual void Close() = 0;
};

// The cells in memory.
class MemorySpreadsheet : public SpreadsheetSink
{
public:
    void SetCell(int row, int col, const QVariant &value) override { cells[{row, col}] = value; }
    void Close() override { closed = true; }
    QVariant Cell(int row, int col) const { return cells.value({row, col}); }
    QMap<QPair<int, int>, QVariant> cells;
    bool closed = false;
};

// One sheet of an ".xlsx" workbook. The file is written at Close through a
// temporary name, so a failure leaves any older file of that name.
class XlsxSpreadsheet : public SpreadsheetSink
{
public:
    explicit XlsxSpreadsheet(const QString &fileName, const QString &sheetName = QString());
    ~XlsxSpreadsheet() override;
    void SetCell(int row, int col, const QVariant &value) override;
    void Close() override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Opens a file with the desktop's application; false when nothing opened it.
bool OpenWithDesktop(const QString &fileName);

} // namespace kv
