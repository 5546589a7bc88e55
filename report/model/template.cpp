// The ".rpf" template file and the report's template state.
#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cstring>

#include "platform/error.h"
#include "platform/text.h"
#include "report/core/clock.h"
#include "report/core/format.h"
#include "report/core/utils.h"
#include "report/model/factory.h"
#include "report/model/memo.h"
#include "report/model/reportbase.h"

namespace {

constexpr quint8 kVersion = 25;
constexpr quint8 kTagPage = 255, kTagDictionary = 254, kTagExtension = 253, kTagEnd = 252;

class EBadTemplate : public kv::Error
{
public:
    using kv::Error::Error;
};

[[noreturn]] void badTemplate() { throw EBadTemplate(LoadEngineString(55345)); }

struct VersionScope
{
    int saved;
    explicit VersionScope(int v) : saved(rpObjects().Version) { rpObjects().Version = v; }
    ~VersionScope() { rpObjects().Version = saved; }
};

struct ReportScope
{
    TrpReportLink *saved;
    explicit ReportScope(TrpReportLink *r) : saved(rpObjects().Report) { rpObjects().Report = r; }
    ~ReportScope() { rpObjects().Report = saved; }
};

QString readInfoText(QIODevice &s)
{
    const quint16 n = quint16(ReadStreamWord(s));
    if (n > s.bytesAvailable()) badTemplate();
    return kv::fromCp1251(ReadStreamBytes(s, n));
}

void writeInfoText(QIODevice &s, const QString &text)
{
    const QByteArray b = kv::toCp1251(text);
    if (b.size() > 65535) throw kv::Error(QStringLiteral("A text of the document information is too long to be saved"));
    WriteStreamWord(s, qint16(quint16(b.size())));
    WriteStreamBytes(s, b);
}

double readDouble(QIODevice &s)
{
    const QByteArray b = ReadStreamBytes(s, 8);
    quint64 bits = 0;
    for (int i = 0; i < 8; ++i) bits |= quint64(quint8(b[i])) << (8 * i);
    double d;
    std::memcpy(&d, &bits, 8);
    return d;
}

void writeDouble(QIODevice &s, double d)
{
    quint64 bits;
    std::memcpy(&bits, &d, 8);
    QByteArray b(8, '\0');
    for (int i = 0; i < 8; ++i) b[i] = char((bits >> (8 * i)) & 0xFF);
    WriteStreamBytes(s, b);
}


} // namespace

// ---------------------------------------------------------------- the report's template state

TrpReportBase::TrpReportBase()
    : Now(rpNowAsDays), m_pages(this), m_emfPages(std::make_unique<TrpEMFPages>(this))
{
    FileName = LoadEngineString(55209);
    ResetDocumentInfo();
    m_pages.Add();
    m_pages.GetPage(0)->Name = m_pages.UniquePageName();
}

TrpReportBase::~TrpReportBase()
{
    TrpObjectState &st = rpObjects();
    if (st.Report == this) st.Report = nullptr;
    m_emfPages.reset();
    m_pages.Clear();
}

void TrpReportBase::ResetDocumentInfo()
{
    Info = TrpDocumentInfo();
    Info.CreationDate = Info.LastChange = Now ? Now() : 0;
}

void TrpReportBase::ClearTemplate()
{
    m_pages.Clear();
    m_dictionary.Clear();
    DoublePassReport = false;
    PrintToDefault = true;
}

void TrpReportBase::ShowError(const QString &text)
{
    LastError = text;
    if (ErrorHook) ErrorHook(text);
}

TrpView *TrpReportBase::FindObject(const QString &name)
{
    for (int i = 0; i < m_pages.Count(); ++i)
        if (TrpView *v = m_pages.GetPage(i)->FindView(name)) return v;
    return nullptr;
}

// ---------------------------------------------------------------- reading

void TrpReportBase::readPagesBlock(QIODevice &s, int version, QStringList &missing, QStringList &damaged)
{
    const qint64 size = s.size();
    // Tags are read while the stream has bytes: a template without the end
    // tag (and the document information after it) is whole.
    while (!s.atEnd()) {
        const quint8 tag = ReadStreamByte(s);
        if (tag == kTagEnd) return;
        if (tag == kTagPage) {
            TrpPage *page = m_pages.Add();
            page->ReadTemplateRecord(s, version);
            if (page->Name.isEmpty()) page->Name = m_pages.UniquePageName();
            continue;
        }
        if (tag == kTagDictionary) {
            m_dictionary.LoadFromStream(s, version);
            continue;
        }
        if (tag == kTagExtension) {
            // No extension hook here: the block is empty, the end tag after it
            // is consumed and the pages block ends.
            if (!s.atEnd()) ReadStreamByte(s);
            return;
        }
        if (tag > 10) badTemplate();

        int type = tag;
        QString className;
        if (type == rpgtAddIn) className = ReadStreamString(s, version);
        bool framedMemo = false;
        const QString upperName = kv::upperCase(className);
        if (upperName == QLatin1String("TRPBDELOOKUPCONTROL") || upperName == QLatin1String("TRPIBXLOOKUPCONTROL"))
            className = QStringLiteral("TrpDBLookupControl");
        else if (upperName == QLatin1String("TRPFRAMEDMEMOVIEW")) {
            type = rpgtMemo;
            framedMemo = true;
        }
        const int pageNo = ReadStreamByte(s);
        TrpPage *page = m_pages.GetPage(pageNo);
        if (!page) badTemplate();
        rpObjects().CurPage = page;
        TrpView *view = nullptr;
        try {
            if (std::unique_ptr<TrpView> created = CreateObject(type, className)) view = page->AddView(std::move(created));
        } catch (const EClassNotFound &) {
            missing << className;
            // Before version 24 the record's length is unknown: what follows cannot be
            // read, so the pages block ends here and what was read so far stays.
            if (version < 24) return;
        }
        qint64 end = -1;
        if (version >= 24) {
            end = ReadStreamInteger(s);
            // Without a sound end position nothing after this entry can be found.
            if (end <= s.pos() || end > size) badTemplate();
        }
        if (!view) {
            // Types 5 to 9 and unknown classes: nothing to read.
            if (end >= 0) s.seek(end);
            continue;
        }
        try {
            view->LoadFromStream(s);
            if (framedMemo) ReadStreamBytes(s, 8);
        } catch (const kv::Error &) {
            // The damaged object stays on its page under its name; the load says so once.
            if (view->Name.isEmpty()) view->CreateUniqueName();
            damaged << view->Name;
        }
        view->SetProperty(QStringLiteral("Name"), view->Name);
        if (end >= 0 && s.pos() != end) s.seek(end);
    }
}

bool TrpReportBase::LoadFromStream(QIODevice &s, bool memoryStream)
{
    ReportScope rs(this);
    TrpObjectState &st = rpObjects();
    m_dictionary.Clear();
    if (s.atEnd()) return false;
    const qint64 start = s.pos();
    int version = ReadStreamByte(s);
    if (version < 21) {
        version = 21;
        s.seek(start);
    }
    st.ErrorFlag = false;
    st.PendingErrorText.clear();
    if (version > kVersion) {
        ShowError(LoadEngineString(55345));
        return false;
    }
    VersionScope vs(version);
    QStringList missing, damaged;
    // A template read back after a build keeps the margins its views were laid out for.
    std::vector<std::optional<std::array<qint32, 4>>> designed;
    if (memoryStream)
        for (int p = 0; p < m_pages.Count(); ++p) designed.push_back(m_pages.GetPage(p)->DesignedMargins);
    try {
        ClearTemplate();
        PrintToDefault = ReadStreamWord(s) != 0;
        DoublePassReport = ReadStreamWord(s) != 0;
        QString printer = ReadStreamString(s, version);
        if (printer == QString(QChar(1))) printer = LoadEngineString(55007);
        ChangePrinter(printer);
        readPagesBlock(s, version, missing, damaged);
        if (!missing.isEmpty()) {
            QString text = QStringLiteral("Report contains the following non-plugged components:\r");
            for (const QString &n : missing) text += n + QLatin1Char('\r');
            text += QStringLiteral("You must include these components into your project.");
            st.PendingErrorText.clear();
            if (m_pages.Count() == 0) m_pages.Add();
            ShowError(text);
            return false;
        }
        for (int p = 0; p < m_pages.Count(); ++p)
            for (const auto &v : m_pages.GetPage(p)->Views()) v->Loaded();
        if (!damaged.isEmpty()) {
            QString text = LoadEngineString(55345) + QLatin1Char('\r');
            for (const QString &n : damaged) text += n + QLatin1Char('\r');
            ShowError(text);
        }
        if (!s.atEnd()) {
            TrpDocumentInfo info;
            info.Comment = readInfoText(s);
            info.Name = readInfoText(s);
            info.Author = readInfoText(s);
            info.VMajor = readInfoText(s);
            info.VMinor = readInfoText(s);
            info.VRelease = readInfoText(s);
            info.VBuild = readInfoText(s);
            info.Password = kv::fromCp1251(FromHexText(readInfoText(s)));
            info.Marker = ReadStreamByte(s);
            info.Protected = ReadStreamByte(s) != 0;
            info.CreationDate = readDouble(s);
            info.LastChange = readDouble(s);
            Info = info;
        } else {
            ResetDocumentInfo();
        }
    } catch (const kv::Error &) {
        m_pages.Clear();
        m_pages.Add()->Name = m_pages.UniquePageName();
        ShowError(LoadEngineString(55345));
        return false;
    }
    if (m_pages.Count() == 0) m_pages.Add()->Name = m_pages.UniquePageName();
    for (int p = 0; p < m_pages.Count() && p < int(designed.size()); ++p)
        m_pages.GetPage(p)->DesignedMargins = designed[size_t(p)];
    if (Info.Protected && !memoryStream) {
        QString typed;
        const bool ok = PasswordDialog && PasswordDialog(typed);
        if (!ok || typed != Info.Password) {
            ResetDocumentInfo();
            FileName = LoadEngineString(55209);
            m_pages.Clear();
            m_pages.Add()->Name = m_pages.UniquePageName();
            return false;
        }
    }
    return true;
}

bool TrpReportBase::LoadFromFile(const QString &fileName)
{
    if (!QFileInfo(fileName).isFile()) return false;
    QFile f(fileName);
    m_loadedWhole = false;
    if (!f.open(QIODevice::ReadOnly)) {
        ShowError(QStringLiteral("Cannot open file \"%1\"").arg(fileName));
        return false;
    }
    // Named before reading: a refused password renames the report "Untitled".
    FileName = fileName;
    m_loadedWhole = LoadFromStream(f);
    return true;
}

// ---------------------------------------------------------------- writing

void TrpReportBase::writePagesBlock(QIODevice &s)
{
    // A page number is one byte in an object entry.
    if (m_pages.Count() > 256)
        throw kv::Error(QStringLiteral("A report of more than 256 pages cannot be saved"));
    for (int p = 0; p < m_pages.Count(); ++p) {
        WriteStreamByte(s, kTagPage);
        m_pages.GetPage(p)->WriteTemplateRecord(s);
    }
    for (int p = 0; p < m_pages.Count(); ++p) {
        for (const auto &v : m_pages.GetPage(p)->Views()) {
            WriteStreamByte(s, v->TypeCode);
            if (v->TypeCode == rpgtAddIn) WriteStreamString(s, v->ClassName());
            WriteStreamByte(s, quint8(p));
            const qint64 at = s.pos();
            WriteStreamInteger(s, 0);
            const bool wasPrepared = v->InPreparedPage;
            v->InPreparedPage = false;
            try {
                v->SaveToStream(s);
            } catch (const kv::Error &err) {
                v->InPreparedPage = wasPrepared;
                throw kv::Error(QStringLiteral("Object \"%1\": %2").arg(v->Name, err.message()));
            }
            v->InPreparedPage = wasPrepared;
            const qint64 end = s.pos();
            if (end > 0x7FFFFFFF) throw kv::Error(QStringLiteral("The report is too large to be saved"));
            s.seek(at);
            WriteStreamInteger(s, qint32(end));
            s.seek(end);
        }
    }
}

void TrpReportBase::SaveToStream(QIODevice &s)
{
    ReportScope rs(this);
    VersionScope vs(kVersion);
    WriteStreamByte(s, kVersion);
    WriteStreamWord(s, PrintToDefault ? -1 : 0);
    WriteStreamWord(s, DoublePassReport ? -1 : 0);
    WriteStreamString(s, PrinterName == LoadEngineString(55007) ? QString(QChar(1)) : PrinterName);
    writePagesBlock(s);
    WriteStreamByte(s, kTagDictionary);
    m_dictionary.SaveToStream(s);
    WriteStreamByte(s, kTagEnd);
    writeInfoText(s, Info.Comment);
    writeInfoText(s, Info.Name);
    writeInfoText(s, Info.Author);
    writeInfoText(s, Info.VMajor);
    writeInfoText(s, Info.VMinor);
    writeInfoText(s, Info.VRelease);
    writeInfoText(s, Info.VBuild);
    writeInfoText(s, ToHexText(kv::toCp1251(Info.Password)));
    WriteStreamByte(s, 88);
    WriteStreamByte(s, Info.Protected ? 1 : 0);
    writeDouble(s, Info.CreationDate);
    Info.LastChange = Now ? Now() : 0;
    writeDouble(s, Info.LastChange);
}

void TrpReportBase::SaveToFile(const QString &fileName)
{
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    SaveToStream(buf);
    QSaveFile f(fileName);
    if (!f.open(QIODevice::WriteOnly) || f.write(buf.data()) != buf.data().size() || !f.commit())
        throw kv::Error(QStringLiteral("Cannot write file \"%1\"").arg(fileName));
    FileName = fileName;
}

// ---------------------------------------------------------------- prepared files

void TrpReportBase::LoadPrepared(const QString &fileName)
{
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly)) throw kv::Error(QStringLiteral("Cannot open file \"%1\"").arg(fileName));
    ReportScope rs(this);
    m_emfPages->ReadPreparedFile(f);
    PreparedFromFile = true;
    if (!m_emfPages->PrinterName.isEmpty()) ChangePrinter(m_emfPages->PrinterName);
}

void TrpReportBase::SavePrepared(const QString &fileName)
{
    ReportScope rs(this);
    m_emfPages->PrinterName = PrinterName;
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    m_emfPages->WritePreparedFile(buf);
    QSaveFile f(fileName);
    if (!f.open(QIODevice::WriteOnly) || f.write(buf.data()) != buf.data().size() || !f.commit())
        throw kv::Error(QStringLiteral("Cannot write file \"%1\"").arg(fileName));
}
