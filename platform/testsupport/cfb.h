#pragma once
// A small reader and writer of compound files written from the format's
// description alone (512-byte sectors, version 3), independent of the library
// the program uses, so tests can check the program's files against another
// implementation. Test-only: no care for speed; malformed input raises.
#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace cfbtest {

struct Entry
{
    QString name;
    bool storage = true;
    QByteArray data;
    std::vector<Entry> children;   // in the tree's in-order walk
    const Entry *child(const QString &n) const
    {
        for (const Entry &c : children)
            if (c.name == n) return &c;
        return nullptr;
    }
};

constexpr quint32 kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF, kFatSect = 0xFFFFFFFD, kNone = 0xFFFFFFFF;

inline quint32 u32(const QByteArray &b, qsizetype at)
{
    if (at < 0 || at + 4 > b.size()) throw std::runtime_error("cfb: read past the end");
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 | quint32(quint8(b[at + 2])) << 16
           | quint32(quint8(b[at + 3])) << 24;
}
inline quint16 u16(const QByteArray &b, qsizetype at)
{
    if (at < 0 || at + 2 > b.size()) throw std::runtime_error("cfb: read past the end");
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

inline Entry read(const QByteArray &f)
{
    static const char sig[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    if (f.size() < 512 || f.left(8) != QByteArray(sig, 8)) throw std::runtime_error("cfb: no signature");
    if (u16(f, 30) != 9 || u16(f, 32) != 6) throw std::runtime_error("cfb: only 512-byte sectors");
    auto sector = [&](quint32 s) { return qsizetype(s + 1) * 512; };
    // FAT sectors from the header's list and the extra list chain.
    std::vector<quint32> fatSectors;
    const quint32 nFat = u32(f, 44);
    for (int i = 0; i < 109 && fatSectors.size() < nFat; ++i) fatSectors.push_back(u32(f, 76 + 4 * i));
    for (quint32 d = u32(f, 68); d != kEnd && d != kFree && fatSectors.size() < nFat;) {
        for (int i = 0; i < 127 && fatSectors.size() < nFat; ++i) fatSectors.push_back(u32(f, sector(d) + 4 * i));
        d = u32(f, sector(d) + 508);
    }
    std::vector<quint32> fat;
    for (quint32 s : fatSectors)
        for (int i = 0; i < 128; ++i) fat.push_back(u32(f, sector(s) + 4 * i));
    auto chain = [&](quint32 start) {
        QByteArray out;
        size_t guard = 0;
        for (quint32 s = start; s != kEnd; s = fat.at(s)) {
            if (++guard > fat.size()) throw std::runtime_error("cfb: FAT loop");
            if (sector(s) + 512 > f.size()) throw std::runtime_error("cfb: sector past the end");
            out += f.mid(sector(s), 512);
        }
        return out;
    };
    const QByteArray dir = chain(u32(f, 48));
    const quint32 cutoff = u32(f, 56);
    const QByteArray miniFatBytes = u32(f, 64) ? chain(u32(f, 60)) : QByteArray();
    std::vector<quint32> miniFat;
    for (qsizetype i = 0; i + 4 <= miniFatBytes.size(); i += 4) miniFat.push_back(u32(miniFatBytes, i));
    const QByteArray miniStream = chain(u32(dir, 116)) ;
    auto dataOf = [&](qsizetype e) {
        const quint32 start = u32(dir, e + 116), size = u32(dir, e + 120);
        QByteArray out;
        if (size == 0) return out;
        if (size < cutoff) {
            size_t guard = 0;
            for (quint32 s = start; s != kEnd; s = miniFat.at(s)) {
                if (++guard > miniFat.size()) throw std::runtime_error("cfb: mini FAT loop");
                out += miniStream.mid(qsizetype(s) * 64, 64);
            }
        } else {
            out = chain(start);
        }
        if (out.size() < qsizetype(size)) throw std::runtime_error("cfb: stream shorter than its size");
        return out.left(size);
    };
    std::function<Entry(quint32)> entry;
    std::function<void(quint32, std::vector<Entry> &, int)> walk = [&](quint32 id, std::vector<Entry> &out, int depth) {
        if (id == kNone) return;
        if (depth > 1000) throw std::runtime_error("cfb: directory loop");
        const qsizetype e = qsizetype(id) * 128;
        walk(u32(dir, e + 68), out, depth + 1);
        out.push_back(entry(id));
        walk(u32(dir, e + 72), out, depth + 1);
    };
    entry = [&](quint32 id) {
        const qsizetype e = qsizetype(id) * 128;
        Entry out;
        const int len = std::max(0, u16(dir, e + 64) / 2 - 1);
        out.name = QString::fromUtf16(reinterpret_cast<const char16_t *>(dir.constData() + e), std::min(len, 31));
        const int type = quint8(dir.at(e + 66));
        out.storage = type == 1 || type == 5;
        if (out.storage)
            walk(u32(dir, e + 76), out.children, 0);
        else
            out.data = dataOf(e);
        return out;
    };
    return entry(0);
}

// Writes `root` (a storage) with every stream in the mini stream (each must
// be shorter than 4096 bytes). Siblings form a balanced tree in the format's
// name order.
inline QByteArray write(const Entry &root)
{
    struct Flat { const Entry *e; quint32 left = kNone, right = kNone, child = kNone, start = kEnd; };
    std::vector<Flat> flat;
    QByteArray mini;
    std::vector<quint32> miniFat;
    std::function<quint32(const Entry &)> add = [&](const Entry &e) {
        const quint32 id = quint32(flat.size());
        flat.push_back({&e});
        if (!e.storage && !e.data.isEmpty()) {
            if (e.data.size() >= 4096) throw std::runtime_error("cfb: stream too big for this writer");
            const quint32 first = quint32(mini.size() / 64);
            const int n = int((e.data.size() + 63) / 64);
            for (int i = 0; i < n; ++i) miniFat.push_back(i + 1 < n ? first + i + 1 : kEnd);
            mini += e.data;
            mini += QByteArray(n * 64 - e.data.size(), '\0');
            flat[id].start = first;
        }
        if (e.storage) {
            std::vector<const Entry *> kids;
            for (const Entry &c : e.children) kids.push_back(&c);
            std::sort(kids.begin(), kids.end(), [](const Entry *a, const Entry *b) {
                if (a->name.size() != b->name.size()) return a->name.size() < b->name.size();
                return a->name.toUpper() < b->name.toUpper();
            });
            std::vector<quint32> ids;
            for (const Entry *c : kids) ids.push_back(add(*c));
            std::function<quint32(int, int)> tree = [&](int lo, int hi) -> quint32 {
                if (lo >= hi) return kNone;
                const int mid = (lo + hi) / 2;
                flat[ids[mid]].left = tree(lo, mid);
                flat[ids[mid]].right = tree(mid + 1, hi);
                return ids[mid];
            };
            flat[id].child = tree(0, int(ids.size()));
        }
        return id;
    };
    add(root);
    // Layout: sector 0 FAT, then directory, mini FAT, mini stream.
    const quint32 dirSectors = quint32((flat.size() + 3) / 4);
    const quint32 miniFatSectors = quint32((miniFat.size() + 127) / 128);
    const quint32 miniSectors = quint32((mini.size() + 511) / 512);
    const quint32 total = 1 + dirSectors + miniFatSectors + miniSectors;
    if (total > 128) throw std::runtime_error("cfb: too big for this writer");
    std::vector<quint32> fat(128, kFree);
    fat[0] = kFatSect;
    quint32 s = 1;
    auto run = [&](quint32 count) {
        const quint32 first = count ? s : kEnd;
        for (quint32 i = 0; i < count; ++i, ++s) fat[s] = i + 1 < count ? s + 1 : kEnd;
        return first;
    };
    const quint32 dirStart = run(dirSectors), miniFatStart = run(miniFatSectors), miniStart = run(miniSectors);
    QByteArray out(512 * (total + 1), '\0');
    auto put32 = [&](qsizetype at, quint32 v) { qToLittleEndian<quint32>(v, out.data() + at); };
    auto put16 = [&](qsizetype at, quint16 v) { qToLittleEndian<quint16>(v, out.data() + at); };
    out.replace(0, 8, QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    put16(24, 0x3E); put16(26, 3); put16(28, 0xFFFE); put16(30, 9); put16(32, 6);
    put32(44, 1); put32(48, dirStart); put32(56, 4096);
    put32(60, miniFatStart); put32(64, miniFatSectors); put32(68, kEnd); put32(72, 0);
    for (int i = 0; i < 109; ++i) put32(76 + 4 * i, i == 0 ? 0 : kFree);
    for (int i = 0; i < 128; ++i) put32(512 + 4 * i, fat[i]);
    const qsizetype dirAt = qsizetype(dirStart + 1) * 512;
    for (quint32 i = 0; i < dirSectors * 4; ++i) {   // unused entries stay empty
        const qsizetype e = dirAt + qsizetype(i) * 128;
        put32(e + 68, kNone); put32(e + 72, kNone); put32(e + 76, kNone);
    }
    for (size_t i = 0; i < flat.size(); ++i) {
        const qsizetype e = dirAt + qsizetype(i) * 128;
        const Flat &x = flat[i];
        const QString name = i == 0 ? QStringLiteral("Root Entry") : x.e->name;
        for (int k = 0; k < name.size(); ++k) put16(e + 2 * k, name.at(k).unicode());
        put16(e + 64, quint16(2 * (name.size() + 1)));
        out[e + 66] = char(i == 0 ? 5 : x.e->storage ? 1 : 2);
        out[e + 67] = 1;   // black
        put32(e + 68, x.left); put32(e + 72, x.right); put32(e + 76, x.child);
        if (i == 0) {
            put32(e + 116, miniStart); put32(e + 120, quint32(mini.size()));
        } else if (!x.e->storage) {
            put32(e + 116, x.start); put32(e + 120, quint32(x.e->data.size()));
        }
    }
    const qsizetype mfAt = qsizetype(miniFatStart + 1) * 512;
    for (quint32 i = 0; i < miniFatSectors * 128; ++i) put32(mfAt + 4 * i, i < miniFat.size() ? miniFat[i] : kFree);
    if (miniSectors) out.replace(qsizetype(miniStart + 1) * 512, mini.size(), mini);
    return out;
}

} // namespace cfbtest
