#include "data/stock/acceptedmaps.h"

#include "data/stock/accept.h"
#include "platform/ini.h"

#include <QCryptographicHash>
#include <QDir>

namespace kv {

namespace {

const QString kWhen = QStringLiteral("Date");
const QString kFile = QStringLiteral("File");
const QString kWhenFormat = QStringLiteral("dd.MM.yyyy HH:mm:ss");

} // namespace

QString AcceptedVariants::Checksum(const MapDocument &doc)
{
    QCryptographicHash h(QCryptographicHash::Sha256);
    auto num = [&](qint64 v) {
        h.addData(QByteArray::number(v));
        h.addData(",");
    };
    auto text = [&](const QString &s) {
        const QByteArray b = s.toUtf8();
        num(b.size());
        h.addData(b);
    };
    for (const MapTab &t : doc.Tabs) {
        h.addData("T");
        num(t.MaterialCode);
        num(t.RealWidth);
        num(t.RealHeight);
        num(t.IsScraps);
        text(t.SheetName);
        num(t.Quantity);
        for (const MapPart &p : t.Parts) {
            h.addData("P");
            text(p.Title);
            for (int32_t v : {p.RealLeft, p.RealTop, p.RealWidth, p.RealHeight}) num(v);
        }
        for (const MapScrap &s : t.Scraps) {
            h.addData("S");
            for (int32_t v : {s.RealLeft, s.RealTop, s.RealWidth, s.RealHeight}) num(v);
        }
    }
    for (const TUsingSheets::Entry &e : doc.UsingSheets.Entries()) {
        h.addData("U");
        for (int32_t v : {e.Code, e.Length, e.Width, e.Remaining, e.Initial}) num(v);
    }
    return QString::fromLatin1(h.result().toHex());
}

std::optional<AcceptedVariants::Entry> AcceptedVariants::Find(const MapDocument &doc) const
{
    const TIniFile ini(m_file);
    const QString sec = Checksum(doc);
    if (!ini.SectionExists(sec)) return std::nullopt;
    return Entry{QDateTime::fromString(ini.ReadString(sec, kWhen, QString()), kWhenFormat),
                 ini.ReadString(sec, kFile, QString())};
}

void AcceptedVariants::Add(const MapDocument &doc, const QString &fileName, const QDateTime &when)
{
    TIniFile ini(m_file);
    const QString sec = Checksum(doc);
    ini.Update([&] {
        ini.WriteString(sec, kWhen, when.toString(kWhenFormat));
        ini.WriteString(sec, kFile, fileName);
    });
}

QString AcceptedVariants::AgainQuestion(const Entry &e)
{
    QString when = e.when.isValid() ? e.when.toString(QStringLiteral("dd.MM.yyyy HH:mm")) : QString();
    QString text = QStringLiteral("ВНИМАНИЕ!\r\rЭтот вариант раскроя уже принят на склад");
    if (!when.isEmpty()) text += QLatin1Char(' ') + when;
    if (!e.fileName.isEmpty()) text += QStringLiteral(" (\"%1\")").arg(QDir::toNativeSeparators(e.fileName));
    text += QStringLiteral(".\rПовторное принятие ещё раз изменит склад.\r\r");
    return text + QString::fromUtf16(kAcceptQuestion);
}

} // namespace kv
