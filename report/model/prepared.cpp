#include "report/model/prepared.h"

#include "platform/error.h"
#include "report/core/utils.h"
#include "report/model/factory.h"
#include "report/model/memo.h"
#include "report/model/reportbase.h"
#include "report/model/views.h"

namespace {

constexpr quint8 kVersion = 25;

[[noreturn]] void damaged(const QString &what)
{
    throw kv::Error(QStringLiteral("The prepared report is damaged: %1").arg(what));
}

// Keeps the record version of a stream for the time it is read.
struct VersionScope
{
    int saved;
    explicit VersionScope(int v) : saved(rpObjects().Version) { rpObjects().Version = v; }
    ~VersionScope() { rpObjects().Version = saved; }
};

} // namespace

TrpEMFPages::~TrpEMFPages() = default;

TrpPreparedPage *TrpEMFPages::GetPage(int index) const
{
    if (index < 0 || index >= Count()) return nullptr;
    return m_pages[size_t(index)].get();
}

void TrpEMFPages::InsertPage(int index, const TrpPage &page)
{
    auto e = std::make_unique<TrpPreparedPage>();
    e->ObjectStream = QByteArray(1, char(kVersion));
    e->PaperSize = qint16(page.PaperSize);
    e->PaperWidth = page.PaperWidth;
    e->PaperHeight = page.PaperHeight;
    e->Orientation = page.Orientation;
    e->PaperBin = page.PaperBin;
    e->UseMargins = page.UseMargins;
    e->Margins[0] = page.MarginLeft;
    e->Margins[1] = page.MarginTop;
    e->Margins[2] = page.MarginRight;
    e->Margins[3] = page.MarginBottom;
    e->PageMetrics = page.PageMetrics;
    if (index < 0 || index >= Count()) m_pages.push_back(std::move(e));
    else m_pages.insert(m_pages.begin() + index, std::move(e));
}

void TrpEMFPages::AddPage(const TrpPage &page)
{
    InsertPage(Count(), page);
    if (OnBeginPage) OnBeginPage(Count());
}

void TrpEMFPages::DeletePage(int index)
{
    if (!GetPage(index)) throw kv::Error(QStringLiteral("There is no prepared page %1").arg(index + 1));
    m_pages.erase(m_pages.begin() + index);
}

void TrpEMFPages::AppendView(int index, TrpView &view)
{
    TrpPreparedPage *p = GetPage(index);
    if (!p) throw kv::Error(QStringLiteral("There is no prepared page %1").arg(index + 1));
    // One stream re-aimed at each page; a view printed while another is
    // being printed (from its script) gets a stream of its own.
    if (m_appending) {
        TrpMemoryStream own(&p->ObjectStream);
        view.Print(own);
        return;
    }
    m_appending = true;
    try {
        m_writer.attach(&p->ObjectStream);
        view.Print(m_writer);
    } catch (...) {
        m_appending = false;
        throw;
    }
    m_appending = false;
}

void TrpEMFPages::readPageRecords(const QByteArray &data, const std::function<void(std::unique_ptr<TrpView>)> &sink) const
{
    if (data.isEmpty()) damaged(QStringLiteral("a page without its version"));
    const int version = quint8(data[0]);
    if (version < 21 || version > kVersion) damaged(QStringLiteral("a page of version %1").arg(version));
    TrpMemoryStream buf(data.constData(), data.size());
    buf.seek(1);
    VersionScope vs(version);
    while (!buf.atEnd()) sink(ReadObject(buf, true));
}

TrpPage *TrpEMFPages::UnpackPage(int index)
{
    TrpPreparedPage *e = GetPage(index);
    if (!e) throw kv::Error(QStringLiteral("There is no prepared page %1").arg(index + 1));
    if (e->UnpackedPage) return e->UnpackedPage.get();
    auto page = std::make_unique<TrpPage>(e->PaperSize, e->PaperWidth, e->PaperHeight, e->PaperBin, e->Orientation);
    page->MarginLeft = e->Margins[0];
    page->MarginTop = e->Margins[1];
    page->MarginRight = e->Margins[2];
    page->MarginBottom = e->Margins[3];
    page->UseMargins = e->UseMargins;
    page->Report = m_report;
    TrpObjectState &st = rpObjects();
    TrpPage *savedPage = st.CurPage;
    st.CurPage = page.get();
    try {
        readPageRecords(e->ObjectStream, [&](std::unique_ptr<TrpView> v) {
            TrpView *view = page->AddView(std::move(v));
            // A memo that sizes itself gets its width from one drawing on the measuring canvas.
            if (view->TypeCode == rpgtMemo && (view->Flags & rpmfAutoWidth)) {
                const bool saved = st.DrawingPrepared;
                st.DrawingPrepared = true;
                view->Draw(&rpMeasuringCanvas());
                st.DrawingPrepared = saved;
            }
        });
    } catch (...) {
        st.CurPage = savedPage;
        throw;
    }
    st.CurPage = savedPage;
    e->UnpackedPage = std::move(page);
    return e->UnpackedPage.get();
}

void TrpEMFPages::PackPage(int index)
{
    TrpPreparedPage *e = GetPage(index);
    if (!e) throw kv::Error(QStringLiteral("There is no prepared page %1").arg(index + 1));
    if (!e->UnpackedPage) return;
    QByteArray out(1, char(kVersion));
    TrpMemoryStream buf(&out);
    for (const auto &v : e->UnpackedPage->Views()) {
        v->InPreparedPage = true;
        v->ExpandedMemo = v->Memo;
        try {
            v->WriteObject(buf);
        } catch (const kv::Error &err) {
            // A text too long for its record: the message names the object.
            v->InPreparedPage = false;
            throw kv::Error(QStringLiteral("Object \"%1\": %2").arg(v->Name, err.message()));
        }
        v->InPreparedPage = false;
    }
    e->ObjectStream = out;
}

void TrpEMFPages::ExportPage(int index)
{
    TrpPreparedPage *e = GetPage(index);
    if (!e) throw kv::Error(QStringLiteral("There is no prepared page %1").arg(index + 1));
    TrpPage page(e->PaperSize, e->PaperWidth, e->PaperHeight, e->PaperBin, e->Orientation);
    page.Report = m_report;
    TrpObjectState &st = rpObjects();
    TrpPage *savedPage = st.CurPage;
    st.CurPage = &page;
    try {
        readPageRecords(e->ObjectStream, [&](std::unique_ptr<TrpView> v) {
            v->OwnerPage = &page;
            v->ExportData();
        });
    } catch (...) {
        st.CurPage = savedPage;
        throw;
    }
    st.CurPage = savedPage;
}

bool TrpEMFPages::ObjectAt(int index, const QPoint &point, bool click, TrpHit &hit)
{
    hit = TrpHit();
    TrpPreparedPage *e = GetPage(index);
    if (!e) return false;
    TrpPage *page = UnpackPage(index);
    double kx = 1, ky = 1, ox = 0, oy = 0;
    if (!e->UseMargins) {
        const TrpPageMetrics &m = e->PageMetrics;
        if (m.Width > 0 && m.Height > 0) {
            kx = double(m.PrintableWidth - e->Margins[0] - e->Margins[2]) / m.Width;
            ky = double(m.PrintableHeight - e->Margins[1] - e->Margins[3]) / m.Height;
        }
        ox = e->Margins[0] + m.OffsetX;
        oy = e->Margins[1] + m.OffsetY;
    }
    TrpView *found = nullptr;
    for (int i = page->ViewCount() - 1; i >= 0 && !found; --i) {
        TrpView *v = page->View(i);
        const int l = rpRound(v->Left * kx + ox), t = rpRound(v->Top * ky + oy);
        const int r = rpRound((v->Left + v->Width) * kx + ox), b = rpRound((v->Top + v->Height) * ky + oy);
        if (point.x() >= l && point.x() < r && point.y() >= t && point.y() < b) found = v;
    }
    if (!found) return false;
    hit.View = found;
    bool result = false;
    const bool isUrl = found->Name.startsWith(QLatin1String("URL"), Qt::CaseInsensitive);
    if (click) {
        if (OnObjectClick) {
            OnObjectClick(found);
            result = true;
        }
        if (isUrl) {
            const QString link = found->Tag;
            if (rpIsOpenableLink(link)) hit.Link = link.trimmed();
            else if (link.contains(QLatin1Char('@'))) hit.Link = link;
            // Other addresses (files, programs) are never opened from a report.
            result = true;
        }
    } else {
        if (OnMouseOverObject) {
            OnMouseOverObject(found, hit.Cursor);
            result = true;
        }
        if (isUrl) {
            hit.Cursor = -21;
            hit.Link = found->Tag;
            result = true;
        }
    }
    return result;
}

// ---------------------------------------------------------------- the ".rpp" file

void TrpEMFPages::WritePreparedFile(QIODevice &s)
{
    if (!s.isOpen()) return;
    WriteStreamByte(s, kVersion);
    WriteStreamByte(s, 0);   // pages are not compressed
    WriteStreamString(s, PrinterName);
    WriteStreamInteger(s, Count());
    for (const auto &e : m_pages) {
        const qint64 at = s.pos();
        WriteStreamInteger(s, qint32(at));
        WriteStreamWord(s, e->PaperSize);
        WriteStreamInteger(s, e->PaperWidth);
        WriteStreamInteger(s, e->PaperHeight);
        WriteStreamByte(s, e->Orientation);
        WriteStreamInteger(s, e->PaperBin);
        WriteStreamBoolean(s, e->UseMargins);
        for (qint32 m : e->Margins) WriteStreamInteger(s, m);
        WriteStreamBytes(s, e->ObjectStream);
        const qint64 next = s.pos();
        if (next > 0x7FFFFFFF) throw kv::Error(QStringLiteral("The prepared report is too large to be saved"));
        s.seek(at);
        WriteStreamInteger(s, qint32(next));
        s.seek(next);
    }
    WriteStreamByte(s, m_report ? m_report->InfoByte : 88);
}

// The oldest layout: each page is one metafile, which becomes a picture view
// over the whole page.
void TrpEMFPages::readMetafilePages(QIODevice &s)
{
    s.seek(0);
    const QStringList lines = ReadStreamMemoOld(s);
    const QString printer = lines.isEmpty() ? QString() : lines.first();
    const qint64 size = s.size();
    const qint32 count = ReadStreamInteger(s);
    // Every page takes at least 16 bytes of header.
    if (count < 0 || qint64(count) * 16 > size - s.pos()) damaged(QStringLiteral("page count %1").arg(count));
    std::vector<std::unique_ptr<TrpPreparedPage>> pages;
    for (qint32 i = 0; i < count; ++i) {
        auto e = std::make_unique<TrpPreparedPage>();
        const qint64 start = s.pos();
        const qint32 next = ReadStreamInteger(s);
        if (next <= start || next > size) damaged(QStringLiteral("the position of page %1").arg(i + 1));
        e->PaperSize = quint16(ReadStreamWord(s));
        e->PaperWidth = ReadStreamInteger(s);
        e->PaperHeight = ReadStreamInteger(s);
        e->Orientation = ReadStreamByte(s);
        e->UseMargins = ReadStreamBoolean(s);
        e->PaperBin = -1;
        if (next < s.pos()) damaged(QStringLiteral("the position of page %1").arg(i + 1));
        TrpPaperRequest paper{e->PaperSize, e->PaperWidth, e->PaperHeight, e->PaperBin, e->Orientation};
        rpApplyPaper(paper, e->PageMetrics);
        TrpPictureView view;
        view.SetBounds(0, 0, e->PageMetrics.Width, e->PageMetrics.Height);
        view.FrameTyp = rpftNone;
        const QByteArray metafile = ReadStreamBytes(s, next - s.pos());
        if (!view.Picture.load(rppkMetafile, metafile) || view.Picture.Image.isNull())
            damaged(QStringLiteral("the picture of page %1").arg(i + 1));
        QByteArray objects(1, char(kVersion));
        {
            TrpMemoryStream out(&objects);
            out.seek(1);
            view.InPreparedPage = true;
            view.WriteObject(out);
        }
        e->ObjectStream = objects;
        pages.push_back(std::move(e));
        s.seek(next);
    }
    m_pages = std::move(pages);
    PrinterName = printer;
}

void TrpEMFPages::ReadPreparedFile(QIODevice &device)
{
    if (!device.isOpen()) return;
    // The file is read in one piece and parsed from memory; positions in it
    // are those of the device.
    const qint64 startPos = device.pos();
    if (!device.seek(0)) damaged(QStringLiteral("the file cannot be read"));
    const QByteArray whole = device.readAll();
    TrpMemoryStream s(whole.constData(), whole.size());
    s.seek(startPos);
    std::vector<std::unique_ptr<TrpPreparedPage>> pages;
    const qint64 size = s.size();
    int v = ReadStreamByte(s);
    if (v < 24 || v > 31) {
        v = 0;
        s.seek(0);
    }
    const int c = ReadStreamByte(s);
    if (c == 1 || c == 255)
        throw kv::Error(QStringLiteral("The prepared report is compressed and cannot be read"));
    if (c != 0) {
        readMetafilePages(s);
        device.seek(s.pos());
        return;
    }
    const QString printer = ReadStreamString(s);
    const qint32 count = ReadStreamInteger(s);
    // Every page takes at least 16 bytes of header.
    if (count < 0 || qint64(count) * 16 > size - s.pos()) damaged(QStringLiteral("page count %1").arg(count));
    for (qint32 i = 0; i < count; ++i) {
        auto e = std::make_unique<TrpPreparedPage>();
        const qint64 start = s.pos();
        const qint32 next = ReadStreamInteger(s);
        if (next <= start || next > size) damaged(QStringLiteral("the position of page %1").arg(i + 1));
        e->PaperSize = ReadStreamWord(s);
        e->PaperWidth = ReadStreamInteger(s);
        e->PaperHeight = ReadStreamInteger(s);
        e->Orientation = ReadStreamByte(s);
        e->PaperBin = v > 23 ? ReadStreamInteger(s) : -1;
        e->UseMargins = ReadStreamBoolean(s);
        if (v > 23)
            for (qint32 &m : e->Margins) m = rpCoord(ReadStreamInteger(s));
        if (next < s.pos()) damaged(QStringLiteral("the position of page %1").arg(i + 1));
        e->ObjectStream = ReadStreamBytes(s, next - s.pos());
        // Every record must read: a damaged page is refused now, not when it is shown.
        readPageRecords(e->ObjectStream, [](std::unique_ptr<TrpView>) {});
        TrpPaperRequest paper{e->PaperSize, e->PaperWidth, e->PaperHeight, e->PaperBin, e->Orientation};
        rpApplyPaper(paper, e->PageMetrics);
        pages.push_back(std::move(e));
        s.seek(next);
    }
    const quint8 info = ReadStreamByte(s);
    device.seek(s.pos());
    m_pages = std::move(pages);
    PrinterName = printer;
    if (m_report) m_report->InfoByte = info;
}
