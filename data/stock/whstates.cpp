#include "data/stock/whstates.h"

#include "data/paths.h"
#include "platform/db/copytable.h"
#include "platform/error.h"
#include "platform/ini.h"
#include "platform/text.h"

#include <QFile>
#include <QFileInfo>

namespace kv {

namespace {

const QString kRoot = QStringLiteral("Root");
const QString kSections = QStringLiteral("Sections");

} // namespace

WareHouseStates::WareHouseStates(const Paths &paths) : m_paths(paths) {}

QList<int> WareHouseStates::Sections() const
{
    TIniFile ini(m_paths.WHSaveIniFile());
    QList<int> out;
    for (const QString &item : ini.ReadString(kRoot, kSections, QString()).split(QLatin1Char(','))) {
        bool ok = false;
        const int n = item.trimmed().toInt(&ok);
        if (ok && n > 0 && !out.contains(n)) out << n;
    }
    return out;
}

QList<WareHouseState> WareHouseStates::List() const
{
    TIniFile ini(m_paths.WHSaveIniFile());
    QList<WareHouseState> out;
    for (int n : Sections()) {
        const QString sec = QString::number(n);
        out << WareHouseState{n, ini.ReadString(sec, QStringLiteral("Date"), QString()),
                              ini.ReadString(sec, QStringLiteral("Time"), QString()),
                              ini.ReadString(sec, QStringLiteral("Remark"), QString())};
    }
    return out;
}

int WareHouseStates::NextNumber() const
{
    const QList<int> used = Sections();
    int n = 1;
    while (used.contains(n)) ++n;
    return n;
}

QString WareHouseStates::SheetsFile(int number) const
{
    return m_paths.WarehouseFolder() + QString::number(number) + QStringLiteral(".wh");
}

QString WareHouseStates::ScrapsFile(int number) const
{
    return m_paths.WarehouseFolder() + QString::number(number) + QStringLiteral("_.wh");
}

void WareHouseStates::writeSections(const QList<int> &list)
{
    QStringList items;
    for (int n : list) items << QString::number(n);
    TIniFile ini(m_paths.WHSaveIniFile());
    ini.WriteString(kRoot, kSections, items.join(QLatin1Char(',')));
}

int WareHouseStates::Save(const QString &remark, const QDateTime &when)
{
    QList<int> list = Sections();
    const int n = NextNumber();
    const QString sh = SheetsFile(n), sc = ScrapsFile(n);
    try {
        CopyTableFile(m_paths.SheetsTable(), sh);
        CopyTableFile(m_paths.ScrapsTable(), sc);
    } catch (const Error &) {
        QFile::remove(sh);
        QFile::remove(sc);
        throw Error(QStringLiteral("Ошибка сохранения состояния склада."));
    }
    list << n;
    TIniFile ini(m_paths.WHSaveIniFile());
    // The list and the state's section reach the index in one write.
    ini.Update([&] {
        writeSections(list);
        const QString sec = QString::number(n);
        ini.WriteString(sec, QStringLiteral("Date"), formatDate(when.date()));
        ini.WriteString(sec, QStringLiteral("Time"), when.time().toString(QStringLiteral("HH:mm:ss")));
        ini.WriteString(sec, QStringLiteral("Remark"), remark);
    });
    return n;
}

void WareHouseStates::SetRemark(int number, const QString &remark)
{
    TIniFile ini(m_paths.WHSaveIniFile());
    ini.WriteString(QString::number(number), QStringLiteral("Remark"), remark);
}

void WareHouseStates::Delete(int number)
{
    QList<int> list = Sections();
    list.removeAll(number);
    writeSections(list);
    TIniFile ini(m_paths.WHSaveIniFile());
    ini.EraseSection(QString::number(number));
    DeleteTableFile(SheetsFile(number));
    DeleteTableFile(ScrapsFile(number));
}

int SaveWareHouseState(StockService &stock, WareHouseStates &states, const StockAsk &ask,
                       const std::function<std::optional<QString>()> &askRemark)
{
    stock.PostSheets();
    stock.PostScraps();
    if (stock.SheetsDirty()) {
        switch (ask(QStringLiteral("Сохранить изменения в базе стандартных листов?"))) {
        case StockAnswer::Cancel: return 0;
        case StockAnswer::Yes: stock.SaveSheets(); break;
        case StockAnswer::No: break;
        }
    }
    if (stock.ScrapsDirty()) {
        switch (ask(QStringLiteral("Сохранить изменения в базе остатков?"))) {
        case StockAnswer::Cancel: return 0;
        case StockAnswer::Yes: stock.SaveScraps(); break;
        case StockAnswer::No: break;
        }
    }
    const std::optional<QString> remark = askRemark();
    if (!remark) return 0;
    return states.Save(*remark);
}

bool RestoreWareHouseState(StockService &stock, WareHouseStates &states, int number, const StockAsk &ask,
                           const std::function<std::optional<QString>()> &askRemark)
{
    switch (ask(QString::fromUtf8(kRestoreQuestion))) {
    case StockAnswer::Cancel: return false;
    case StockAnswer::Yes:
        // The user asked for a backup: no backup, no restore.
        if (SaveWareHouseState(stock, states, ask, askRemark) == 0) return false;
        break;
    case StockAnswer::No: break;
    }
    const QString sh = states.SheetsFile(number), sc = states.ScrapsFile(number);
    if (!QFileInfo::exists(sh) || !QFileInfo::exists(sc))
        throw Error(QStringLiteral("Файлы сохраненного состояния склада не найдены."));
    stock.RestoreFrom(sh, sc);
    return true;
}

} // namespace kv
