#include "app/cutting/joboptions.h"

#include "data/matoptions.h"
#include "data/settings.h"

#include <algorithm>
#include <climits>

namespace kv {

void PrepareJobFile(const TIniFile &settings, TIniFile &job, const QStringList &codes, const QStringList &remarks)
{
    for (const QString &code : codes) {
        const QString section = MaterialSection(code.toInt());
        TOptimSettings o = UnpackOptimSettings(settings, section);
        o.Remark.clear();
        const QString prefix = code + QLatin1Char('=');
        for (const QString &line : remarks)
            if (line.startsWith(prefix))
                o.Remark = line.mid(prefix.size());
        o.DefQuantity = 0;
        PackOptimSettings(job, section, o);
    }
}

void CopyJobToSettings(const TIniFile &job, TIniFile &settings)
{
    // The options of every material of the job reach the settings in one write.
    settings.Update([&] {
        for (const QString &section : job.ReadSections())
            for (const QString &key : job.ReadSection(section))
                settings.WriteString(section, key, job.ReadString(section, key, QString()));
    });
}

void AutoBounds(TIniFile &job, const QStringList &codes, const StdSheetsOf &sheetsOf)
{
    for (const QString &code : codes) {
        const QList<StdSheetRow> rows = sheetsOf ? sheetsOf(code.toInt()) : QList<StdSheetRow>();
        const QString section = MaterialSection(code.toInt());
        const int l = rows.isEmpty() ? 0 : int(rows.first().length);
        const int w = rows.isEmpty() ? 0 : int(rows.first().width);
        SetOptimSheetSize(job, section, l, w);
        SetOptimStandart(job, section, true);
    }
}

QString CheckJobStock(TIniFile &job, const QStringList &codes, const QStringList &names, const StdSheetsOf &sheetsOf)
{
    for (int i = 0; i < codes.size(); ++i) {
        const int code = codes[i].toInt();
        const QString section = MaterialSection(code);
        const TOptimSettings o = UnpackOptimSettings(job, section);
        if (!o.Enabled || !o.Standart)
            continue;
        bool found = false;
        qint64 many = 0;
        for (const StdSheetRow &r : sheetsOf ? sheetsOf(code) : QList<StdSheetRow>())
            if (r.length == o.SheetWidth && r.width == o.SheetHeight) {
                found = true;
                many += std::max<qint64>(0, r.quantity);
            }
        if (!found || many <= 0)
            return QStringLiteral("ВНИМАНИЕ!\rРазложение невозможно!\r\rЛисты <%1> размером %2x%3 на складе отсутствуют.")
                .arg(i < names.size() ? names[i] : QString())
                .arg(o.SheetWidth)
                .arg(o.SheetHeight);
        SetOptimDefQuantity(job, section, int(std::min<qint64>(many, INT32_MAX)));
    }
    return QString();
}

} // namespace kv
