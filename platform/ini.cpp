#include "platform/ini.h"

#include "platform/error.h"
#include "platform/savefile.h"
#include "platform/text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <sys/stat.h>

#include <cmath>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace kv {

namespace {

// What the file on disk looked like when we last read or wrote it; a change
// (another program, a restored backup) makes the next call read it again.
struct DiskStamp
{
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = 0;
    long long mtimeSec = 0;
    long long mtimeNsec = 0;

    bool operator==(const DiskStamp &) const = default;
};

DiskStamp stampOf(const QString &path)
{
    DiskStamp s;
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        s.exists = true;
        s.dev = st.st_dev;
        s.ino = st.st_ino;
        s.size = st.st_size;
        s.mtimeSec = st.st_mtim.tv_sec;
        s.mtimeNsec = st.st_mtim.tv_nsec;
    }
    return s;
}

enum class LineKind { Key, Other };

struct IniLine
{
    LineKind kind = LineKind::Other;
    QString key;    // as written in the file
    QString fold;   // upper-cased, for lookups
    QString value;  // raw value, blanks trimmed
    QString raw;    // the whole line, for comments and blank lines
};

struct IniSection
{
    QString name;
    QString fold;
    std::vector<IniLine> lines;

    const IniLine *find(const QString &keyFold) const
    {
        for (const IniLine &l : lines)
            if (l.kind == LineKind::Key && l.fold == keyFold) return &l;
        return nullptr;
    }
    IniLine *find(const QString &keyFold)
    {
        for (IniLine &l : lines)
            if (l.kind == LineKind::Key && l.fold == keyFold) return &l;
        return nullptr;
    }
};

struct IniContent
{
    std::vector<QString> preamble;   // lines before the first section
    std::vector<IniSection> sections;

    // A file of many sections read section by section (a designer-module
    // list holds one per part) finds each in constant time: an index by
    // folded name, the first of equal names, rebuilt when the count changes.
    // A hit is checked against the section itself, and a miss is confirmed
    // by the plain search, so a stale index never gives a wrong answer.
    const IniSection *find(const QString &fold) const
    {
        if (m_indexed != sections.size()) reindex();
        const auto it = m_index.constFind(fold);
        if (it != m_index.cend() && *it < sections.size() && sections[*it].fold == fold) return &sections[*it];
        for (const IniSection &s : sections)
            if (s.fold == fold) {
                reindex();
                return &s;
            }
        return nullptr;
    }
    IniSection *find(const QString &fold) { return const_cast<IniSection *>(std::as_const(*this).find(fold)); }

private:
    void reindex() const
    {
        m_index.clear();
        for (size_t i = 0; i < sections.size(); ++i)
            if (!m_index.contains(sections[i].fold)) m_index.insert(sections[i].fold, i);
        m_indexed = sections.size();
    }
    mutable QHash<QString, size_t> m_index;
    mutable size_t m_indexed = size_t(-1);
};

// Blanks and control characters only: a no-break space is part of the text.
QString trimBlanks(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s.at(b).unicode() <= ' ') ++b;
    while (e > b && s.at(e - 1).unicode() <= ' ') --e;
    return s.mid(b, e - b);
}

// A line break inside a name or value would split the line in the file.
QString singleLine(const QString &s)
{
    if (!s.contains(QLatin1Char('\r')) && !s.contains(QLatin1Char('\n'))) return s;
    QString t = s;
    for (QChar &c : t)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) c = QLatin1Char(' ');
    return t;
}

// A lone carriage return in a name read from a file is a blank, as it is
// in a name written: the name reads, writes and reads back as one.
QString foldName(const QString &s)
{
    return upperCase(trimBlanks(singleLine(s)));
}

IniContent parseIni(const QByteArray &bytes)
{
    IniContent c;
    const QString text = fromCp1251(bytes);
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    // Sections and keys seen so far, by folded name: a file of many sections
    // or keys reads in time linear in its size.
    QHash<QString, size_t> sectionAt;
    std::vector<QSet<QString>> keysOf;
    IniSection *cur = nullptr;
    QSet<QString> *curKeys = nullptr;
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        const QString t = trimBlanks(line);
        if (t.startsWith(QLatin1Char('['))) {
            qsizetype close = t.indexOf(QLatin1Char(']'));
            const QString name = trimBlanks(singleLine(close < 0 ? t.mid(1) : t.mid(1, close - 1)));
            const QString fold = upperCase(name);
            auto at = sectionAt.constFind(fold);
            if (at == sectionAt.constEnd()) {
                at = sectionAt.insert(fold, c.sections.size());
                c.sections.push_back(IniSection{name, fold, {}});
                keysOf.emplace_back();
            }
            cur = &c.sections[*at];
            curKeys = &keysOf[*at];
            continue;
        }
        IniLine l;
        l.raw = line;
        const qsizetype eq = t.indexOf(QLatin1Char('='));
        if (eq > 0 && !t.startsWith(QLatin1Char(';'))) {
            l.kind = LineKind::Key;
            l.key = trimBlanks(singleLine(t.left(eq)));
            l.fold = upperCase(l.key);
            l.value = trimBlanks(t.mid(eq + 1));
        }
        if (!cur) {
            c.preamble.push_back(line);
            continue;
        }
        // The first of two equal keys is the one that counts.
        if (l.kind == LineKind::Key) {
            const qsizetype before = curKeys->size();
            curKeys->insert(l.fold);
            if (curKeys->size() == before) l.kind = LineKind::Other;
        }
        cur->lines.push_back(std::move(l));
    }
    return c;
}

QByteArray serializeIni(const IniContent &c)
{
    QString out;
    const QString crlf = QStringLiteral("\r\n");
    for (const QString &l : c.preamble) out += l + crlf;
    for (const IniSection &s : c.sections) {
        out += QLatin1Char('[') + s.name + QLatin1Char(']') + crlf;
        for (const IniLine &l : s.lines) {
            if (l.kind == LineKind::Key)
                out += l.key + QLatin1Char('=') + l.value + crlf;
            else
                out += l.raw + crlf;
        }
    }
    return toCp1251(out);
}

// The value as the program sees it: one pair of enclosing quotes is removed.
QString unquote(const QString &v)
{
    if (v.size() >= 2) {
        const QChar f = v.front();
        if ((f == QLatin1Char('"') || f == QLatin1Char('\'')) && v.back() == f)
            return v.mid(1, v.size() - 2);
    }
    return v;
}

QString canonicalPath(const QString &fileName)
{
    QFileInfo fi(fileName);
    if (fi.exists()) {
        const QString c = fi.canonicalFilePath();
        if (!c.isEmpty()) return c;
    }
    const QString dir = QFileInfo(fi.absolutePath()).canonicalFilePath();
    if (!dir.isEmpty()) return QDir(dir).filePath(fi.fileName());
    return QDir::cleanPath(fi.absoluteFilePath());
}

std::mutex &registryMutex()
{
    static std::mutex m;
    return m;
}

} // namespace

struct IniData
{
    QString path;
    IniContent content;
    DiskStamp stamp;
    bool loaded = false;
    // Inside Update: writes stay here until the outermost one ends.
    int batch = 0;
    bool pending = false;
    // Inside Read: the disk was looked at when it began.
    int reading = 0;

    // Reads the file again when it changed on disk since we last saw it.
    void refresh()
    {
        // Writes not yet on disk are what the readers see.
        if (pending) return;
        const DiskStamp now = stampOf(path);
        if (loaded && now == stamp) return;
        content = IniContent();
        if (now.exists) {
            QFile f(path);
            if (f.open(QIODevice::ReadOnly)) content = parseIni(f.readAll());
        }
        stamp = now;
        loaded = true;
    }

    // A write always starts from what is on disk; a read inside Read from
    // what was there when it began.
    void refreshForRead()
    {
        if (reading > 0 && loaded) return;
        refresh();
    }

    // Writes `next` to disk through a temporary file; keeps it only on success.
    void commit(IniContent next)
    {
        if (batch > 0) {
            content = std::move(next);
            pending = true;
            return;
        }
        QString reason;
        if (!SaveFileAtomically(path, serializeIni(next), &reason))
            throw Error(QStringLiteral("Ошибка записи в файл \"%1\".\r%2").arg(QDir::toNativeSeparators(path), reason), reason);
        content = std::move(next);
        stamp = stampOf(path);
    }
};

namespace {

std::map<QString, std::weak_ptr<IniData>> &registry()
{
    static std::map<QString, std::weak_ptr<IniData>> r;
    return r;
}

} // namespace

// All access goes through one lock: objects on one path share their data.
#define KV_INI_LOCK std::lock_guard<std::mutex> lock_(registryMutex())

TIniFile::TIniFile(const QString &fileName)
    : m_fileName(fileName)
{
    KV_INI_LOCK;
    const QString key = canonicalPath(fileName);
    auto &reg = registry();
    auto it = reg.find(key);
    if (it != reg.end()) d = it->second.lock();
    if (!d) {
        d = std::make_shared<IniData>();
        d->path = key;
        reg[key] = d;
    }
    // Forget entries whose objects are all gone.
    for (auto i = reg.begin(); i != reg.end();) {
        if (i->second.expired()) i = reg.erase(i);
        else ++i;
    }
}

TIniFile::~TIniFile() = default;

QString TIniFile::FileName() const
{
    return m_fileName;
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &def) const
{
    KV_INI_LOCK;
    d->refreshForRead();
    const IniSection *s = d->content.find(foldName(section));
    if (!s) return def;
    const IniLine *l = s->find(foldName(key));
    if (!l) return def;
    return unquote(l->value);
}

std::optional<int> TIniFile::parseInteger(const QString &text)
{
    QString t = trimBlanks(text);
    if (t.isEmpty()) return std::nullopt;
    bool neg = false;
    if (t.front() == QLatin1Char('-') || t.front() == QLatin1Char('+')) {
        neg = t.front() == QLatin1Char('-');
        t.remove(0, 1);
    }
    bool hex = false;
    if (t.startsWith(QLatin1Char('$'))) {
        hex = true;
        t.remove(0, 1);
    } else if (t.size() > 2 && t.front() == QLatin1Char('0')
               && (t.at(1) == QLatin1Char('x') || t.at(1) == QLatin1Char('X'))) {
        hex = true;
        t.remove(0, 2);
    }
    if (t.isEmpty()) return std::nullopt;
    unsigned long long v = 0;
    for (QChar c : t) {
        int digit;
        const char16_t u = c.unicode();
        if (u >= '0' && u <= '9') digit = u - '0';
        else if (hex && u >= 'a' && u <= 'f') digit = u - 'a' + 10;
        else if (hex && u >= 'A' && u <= 'F') digit = u - 'A' + 10;
        else return std::nullopt;
        v = v * (hex ? 16 : 10) + unsigned(digit);
        if (v > 0xFFFFFFFFull) return std::nullopt;
    }
    if (hex) {
        // Hexadecimal covers the full 32 bits (colours such as $8000000C).
        const auto u = static_cast<quint32>(v);
        const auto i = static_cast<qint32>(u);
        return neg ? static_cast<int>(0u - u) : i;
    }
    if (neg) {
        if (v > 2147483648ull) return std::nullopt;
        return static_cast<int>(-static_cast<long long>(v));
    }
    if (v > 2147483647ull) return std::nullopt;
    return static_cast<int>(v);
}

int TIniFile::ReadInteger(const QString &section, const QString &key, int def) const
{
    return parseInteger(ReadString(section, key, QString())).value_or(def);
}

bool TIniFile::ReadBool(const QString &section, const QString &key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

double TIniFile::ReadFloat(const QString &section, const QString &key, double def) const
{
    const QString s = ReadString(section, key, QString());
    if (s.isEmpty()) return def;
    bool ok = false;
    const double v = parseFloat(s, &ok);
    return ok && std::isfinite(v) ? v : def;
}

void TIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    KV_INI_LOCK;
    d->refresh();
    IniContent next = d->content;
    const QString secName = trimBlanks(singleLine(section));
    const QString keyName = trimBlanks(singleLine(key));
    const QString val = trimBlanks(singleLine(value));
    IniSection *s = next.find(upperCase(secName));
    if (!s) {
        if (!next.sections.empty() || !next.preamble.empty()) {
            // Keep a blank line between sections, as the file is read by people too.
            if (!next.sections.empty()) {
                auto &pl = next.sections.back().lines;
                const bool endsBlank = !pl.empty() && pl.back().kind == LineKind::Other
                                       && trimBlanks(pl.back().raw).isEmpty();
                if (!endsBlank) pl.push_back(IniLine());
            } else if (!trimBlanks(next.preamble.back()).isEmpty()) {
                next.preamble.push_back(QString());
            }
        }
        next.sections.push_back(IniSection{secName, upperCase(secName), {}});
        s = &next.sections.back();
    }
    const QString kf = upperCase(keyName);
    if (IniLine *old = s->find(kf)) {
        old->value = val;
    } else {
        IniLine l;
        l.kind = LineKind::Key;
        l.key = keyName;
        l.fold = kf;
        l.value = val;
        // New keys go after the last non-blank line of the section.
        auto pos = s->lines.end();
        while (pos != s->lines.begin()) {
            auto prev = pos - 1;
            if (prev->kind == LineKind::Other && trimBlanks(prev->raw).isEmpty()) pos = prev;
            else break;
        }
        s->lines.insert(pos, std::move(l));
    }
    d->commit(std::move(next));
}

void TIniFile::WriteInteger(const QString &section, const QString &key, int value)
{
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString &section, const QString &key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

QString TIniFile::formatFloat(double value)
{
    // Fifteen significant digits, as floats have always been written here.
    if (!std::isfinite(value)) return formatShortest(value);
    QString s = QString::number(value, 'g', 15);
    if (s.contains(QLatin1Char('e'))) {
        // 1e+20 -> 1E20, 1.5e-07 -> 1.5E-7
        const qsizetype e = s.indexOf(QLatin1Char('e'));
        QString mant = s.left(e);
        QString exp = s.mid(e + 1);
        bool neg = exp.startsWith(QLatin1Char('-'));
        if (exp.startsWith(QLatin1Char('+')) || neg) exp.remove(0, 1);
        while (exp.size() > 1 && exp.front() == QLatin1Char('0')) exp.remove(0, 1);
        s = mant + QLatin1Char('E') + (neg ? QStringLiteral("-") : QString()) + exp;
    }
    return s;
}

void TIniFile::WriteFloat(const QString &section, const QString &key, double value)
{
    WriteString(section, key, formatFloat(value));
}

QStringList TIniFile::ReadSection(const QString &section) const
{
    KV_INI_LOCK;
    d->refreshForRead();
    QStringList out;
    if (const IniSection *s = d->content.find(foldName(section)))
        for (const IniLine &l : s->lines)
            if (l.kind == LineKind::Key) out << l.key;
    return out;
}

QStringList TIniFile::ReadSections() const
{
    KV_INI_LOCK;
    d->refreshForRead();
    QStringList out;
    for (const IniSection &s : d->content.sections) out << s.name;
    return out;
}

QStringList TIniFile::ReadSectionValues(const QString &section) const
{
    KV_INI_LOCK;
    d->refreshForRead();
    QStringList out;
    if (const IniSection *s = d->content.find(foldName(section)))
        for (const IniLine &l : s->lines)
            if (l.kind == LineKind::Key) out << l.key + QLatin1Char('=') + unquote(l.value);
    return out;
}

void TIniFile::EraseSection(const QString &section)
{
    KV_INI_LOCK;
    d->refresh();
    const QString fold = foldName(section);
    IniContent next = d->content;
    bool found = false;
    for (auto it = next.sections.begin(); it != next.sections.end(); ++it) {
        if (it->fold == fold) {
            next.sections.erase(it);
            found = true;
            break;
        }
    }
    if (found) d->commit(std::move(next));
}

void TIniFile::DeleteKey(const QString &section, const QString &key)
{
    KV_INI_LOCK;
    d->refresh();
    IniContent next = d->content;
    IniSection *s = next.find(foldName(section));
    if (!s) return;
    const QString kf = foldName(key);
    for (auto it = s->lines.begin(); it != s->lines.end(); ++it) {
        if (it->kind == LineKind::Key && it->fold == kf) {
            s->lines.erase(it);
            d->commit(std::move(next));
            return;
        }
    }
}

bool TIniFile::SectionExists(const QString &section) const
{
    // A section counts only when it holds at least one key.
    return !ReadSection(section).isEmpty();
}

bool TIniFile::ValueExists(const QString &section, const QString &key) const
{
    KV_INI_LOCK;
    d->refreshForRead();
    const IniSection *s = d->content.find(foldName(section));
    return s && s->find(foldName(key));
}

void TIniFile::UpdateFile()
{
    KV_INI_LOCK;
    d->refresh();
    // Every write is already on disk; only a file that is still missing is created.
    if (!stampOf(d->path).exists) d->commit(d->content);
}

void TIniFile::Update(const std::function<void()> &change)
{
    {
        KV_INI_LOCK;
        d->refresh();
        ++d->batch;
    }
    try {
        change();
    } catch (...) {
        KV_INI_LOCK;
        if (--d->batch == 0 && d->pending) {
            d->pending = false;
            d->loaded = false;   // the next call reads what is on disk
        }
        throw;
    }
    KV_INI_LOCK;
    if (--d->batch > 0 || !d->pending) return;
    d->pending = false;
    try {
        d->commit(d->content);
    } catch (...) {
        d->loaded = false;
        throw;
    }
}

void TIniFile::Read(const std::function<void()> &reads) const
{
    {
        KV_INI_LOCK;
        d->refresh();
        ++d->reading;
    }
    struct Done
    {
        IniData *data;
        ~Done()
        {
            KV_INI_LOCK;
            --data->reading;
        }
    } done{d.get()};
    reads();
}

void TIniFile::ClearCache()
{
    KV_INI_LOCK;
    for (auto &[path, weak] : registry())
        if (auto data = weak.lock()) data->loaded = false;
}

} // namespace kv
