#pragma once
// What the tests of templates and their records share: bytes written as hex,
// pages measured on the virtual paper, a report with a fixed clock that keeps
// its errors, and a report written to and read back from memory.
#include <QBuffer>
#include <QByteArray>
#include <QStringList>

#include "report/model/page.h"
#include "report/model/reportbase.h"

namespace kvtest {

inline QByteArray fromHex(const char *hex) { return QByteArray::fromHex(QByteArray(hex).replace(' ', "")); }

struct VirtualPaper
{
    VirtualPaper()
    {
        SetPaperHandler([](TrpPaperRequest &p, TrpPageMetrics &m) { m = rpVirtualMetrics(p.Width, p.Height); });
    }
    ~VirtualPaper() { SetPaperHandler({}); }
    VirtualPaper(const VirtualPaper &) = delete;
    VirtualPaper &operator=(const VirtualPaper &) = delete;
};

class TestReport : public TrpReportBase
{
public:
    TestReport()
    {
        Now = [] { return 45000.5; };
        ErrorHook = [this](const QString &t) { Errors << t; };
    }
    QStringList Errors;
};

inline QByteArray save(TrpReportBase &r)
{
    QBuffer b;
    b.open(QIODevice::WriteOnly);
    r.SaveToStream(b);
    return b.data();
}

// False when the template is refused; `memory` as LoadFromStream takes it.
inline bool load(TrpReportBase &r, QByteArray bytes, bool memory = true)
{
    QBuffer b(&bytes);
    b.open(QIODevice::ReadOnly);
    return r.LoadFromStream(b, memory);
}

} // namespace kvtest
