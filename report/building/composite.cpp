#include "report/building/composite.h"

#include <QBuffer>

#include "platform/error.h"
#include "report/core/stream.h"
#include "report/core/utils.h"

namespace {

// One prepared page as the ".rpp" file holds it, after its position field.
QByteArray pageRecord(const TrpPreparedPage &e)
{
    QByteArray out;
    QBuffer b(&out);
    b.open(QIODevice::WriteOnly);
    WriteStreamWord(b, e.PaperSize);
    WriteStreamInteger(b, e.PaperWidth);
    WriteStreamInteger(b, e.PaperHeight);
    WriteStreamByte(b, e.Orientation);
    WriteStreamInteger(b, e.PaperBin);
    WriteStreamBoolean(b, e.UseMargins);
    for (qint32 m : e.Margins) WriteStreamInteger(b, m);
    WriteStreamBytes(b, e.ObjectStream);
    return out;
}

} // namespace

TrpCompositeReport::TrpCompositeReport(QObject *owner) : TrpReport(owner) {}

bool TrpCompositeReport::buildRound(bool keep, int &pageOffset, int totalPages, QList<QByteArray> &pages,
                                    QString &printer)
{
    for (int n = 0; n < Reports.size(); ++n) {
        TrpReport *r = Reports[n];
        if (!r) continue;
        BuildOrder.append(n);
        // The member's page numbers continue those of the members before it.
        const int offset = pageOffset;
        auto userValue = r->OnGetValue;
        r->OnGetValue = [r, offset, totalPages, userValue](const QString &name, TrpValue &value) {
            if (userValue && userValue(name, value)) return true;
            if (name == QLatin1String("PAGE#")) {
                value = TrpValue(offset + r->PageNo + 1);
                return true;
            }
            if (totalPages > 0 && name == QLatin1String("TOTALPAGES")) {
                value = TrpValue(totalPages);
                return true;
            }
            return false;
        };
        const bool userShowProgress = r->ShowProgress;
        r->ShowProgress = false;
        auto userProgress = r->OnProgress;
        // Progress goes to the composite, and its stop reaches the member being built.
        r->OnProgress = [this, r, offset](int number) {
            Progress(offset + number);
            if (m_cancelled) r->Stop();
        };
        const bool built = r->Prepare();
        r->OnGetValue = userValue;
        r->OnProgress = userProgress;
        r->ShowProgress = userShowProgress;
        if (m_cancelled || r->Stopped()) return false;
        if (!built && !r->LastBuildError.isEmpty()) {
            LastBuildError = r->LastBuildError;
            return false;
        }
        TrpEMFPages &src = r->EMFPages();
        if (printer.isEmpty()) printer = src.PrinterName;
        pageOffset += src.Count();
        if (keep)
            for (int i = 0; i < src.Count(); ++i) pages.append(pageRecord(*src.GetPage(i)));
    }
    return true;
}

bool TrpCompositeReport::Prepare()
{
    BuildOrder.clear();
    m_cancelled = false;
    EMFPages().Clear();
    LastBuildError.clear();
    QList<QByteArray> pages;
    QString printer;
    bool ok = true;
    int total = 0;
    auto rounds = [&](bool keep, int totalPages) {
        int offset = 0;
        TrpDataset *ds = Dataset();
        if (ds) {
            ds->Init();
            ds->First();
            while (!ds->Eof() && ok) {
                ok = buildRound(keep, offset, totalPages, pages, printer);
                ds->Next();
            }
            ds->Exit();
        } else {
            ok = buildRound(keep, offset, totalPages, pages, printer);
        }
        return offset;
    };
    try {
        if (DoublePassReport) total = rounds(false, 0);
        if (ok) rounds(true, total);
    } catch (const kv::Error &e) {
        ShowError(e.message());
        return false;
    }
    if (!ok || pages.isEmpty()) {
        if (!LastBuildError.isEmpty()) ShowError(LastBuildError);
        return false;
    }
    // The pages go in as one prepared report.
    QByteArray bytes;
    QBuffer b(&bytes);
    b.open(QIODevice::WriteOnly);
    WriteStreamByte(b, 25);
    WriteStreamByte(b, 0);
    WriteStreamString(b, printer);
    WriteStreamInteger(b, qint32(pages.size()));
    for (const QByteArray &p : pages) {
        WriteStreamInteger(b, qint32(b.pos() + 4 + p.size()));
        WriteStreamBytes(b, p);
    }
    WriteStreamByte(b, InfoByte);
    b.close();
    b.open(QIODevice::ReadOnly);
    try {
        EMFPages().ReadPreparedFile(b);
    } catch (const kv::Error &e) {
        ShowError(e.message());
        EMFPages().Clear();
        return false;
    }
    TotalPages = EMFPages().Count();
    return true;
}
