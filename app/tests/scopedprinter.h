#pragma once
// The engine printer is one for the whole process and printing moves it to
// each template's paper: a test that prints puts back the printer, paper,
// orientation, bin and canvas font it found, also when an ASSERT leaves it
// early.
#include "report/output/printer.h"

namespace kv::test {

class [[nodiscard]] ScopedEnginePrinter
{
public:
    ScopedEnginePrinter()
        : m_index(rpPrinter().PrinterIndex()), m_size(rpPrinter().PaperSize), m_width(rpPrinter().PaperWidth),
          m_height(rpPrinter().PaperHeight), m_orientation(rpPrinter().Orientation), m_bin(rpPrinter().Bin),
          m_font(rpPrinter().CanvasFont)
    {
    }
    ~ScopedEnginePrinter()
    {
        TrpPrinter &p = rpPrinter();
        if (p.PrinterIndex() != m_index) p.SetPrinterIndex(m_index);
        p.SetPrinterInfo(m_size, m_width, m_height, m_orientation, m_bin, true);
        p.CanvasFont = m_font;
    }
    ScopedEnginePrinter(const ScopedEnginePrinter &) = delete;
    ScopedEnginePrinter &operator=(const ScopedEnginePrinter &) = delete;

private:
    int m_index, m_size, m_width, m_height, m_orientation, m_bin;
    TrpCanvasFont m_font;
};

} // namespace kv::test
