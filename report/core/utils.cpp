#include "report/core/utils.h"

#include <QHash>

#include "platform/text.h"

namespace {

TrpLocalizeHandler &localizeHandler()
{
    static TrpLocalizeHandler h;
    return h;
}

const QHash<int, QString> &engineTexts()
{
    static const QHash<int, QString> texts = [] {
        QHash<int, QString> t;
        auto add = [&t](int n, const char *s) { t.insert(n, QString::fromUtf8(s)); };
        add(53000, "Find text"); add(53001, "Text to &find"); add(53002, "Options");
        add(53003, "&Case sensitive"); add(53004, "Origin"); add(53005, "&1st page");
        add(53006, "Current &page");
        add(53020, "&Page width"); add(53021, "&Whole page"); add(53022, "&Two pages");
        add(53023, "Close preview"); add(53024, "Scale"); add(53025, "Open report");
        add(53026, "Save report"); add(53027, "Print report"); add(53028, "Find text");
        add(53029, "Edit page"); add(53030, "Add page"); add(53031, "Delete page");
        add(53032, "Show help");
        add(53040, "Print"); add(53041, "Printer"); add(53042, "Properties"); add(53043, "Copies");
        add(53044, "Page range"); add(53045, "&All"); add(53046, "Current pa&ge");
        add(53047, "&Pages:");
        add(53048, "Enter page numbers and/or page ranges, separated by commas. For example, 1,3,5-12");
        add(53049, "&Name:"); add(53050, "Number of &copies:"); add(53051, "Co&llate");
        add(53052, "P&rint"); add(53053, "All pages"); add(53054, "Odd pages"); add(53055, "Even pages");
        add(54800, "TXT export options"); add(54801, "&Kill empty lines"); add(54802, "Convert to &DOS");
        add(54803, "Export &frames"); add(54804, "Use DOS &pseudographic");
        add(54805, "Insert page &breaks"); add(54806, "Scaling factor");
        add(54810, "CSV export options"); add(54811, "&CSV delimiter");
        add(54820, "RTF export options"); add(54821, "Export &pictures"); add(54822, "Convert to &table");
        add(54830, "HTML export options");
        add(55000, "OK"); add(55001, "Cancel"); add(55004, "Page"); add(55007, "Virtual printer");
        const char *bands[] = {"Report title", "Report summary", "Page header", "Page footer",
                               "Master header", "Master data", "Master footer", "Detail header",
                               "Detail data", "Detail footer", "Subdetail header", "Subdetail data",
                               "Subdetail footer", "Overlay", "Column header", "Column footer",
                               "Group header", "Group footer", "Cross header", "Cross data",
                               "Cross footer", "Child", "None"};
        for (int i = 0; i < 23; ++i) add(55077 + i, bands[i]);
        add(55130, "Text"); add(55131, "Number"); add(55132, "Date"); add(55133, "Time");
        add(55134, "Boolean");
        add(55170, "0;1"); add(55171, "No;Yes"); add(55172, "_;x"); add(55173, "False;True");
        add(55175, "mm.dd.yy"); add(55176, "mm.dd.yyyy"); add(55177, "d mmm yyyy");
        add(55178, "d mmmm yyyy");
        add(55179, "hh:nn:ss"); add(55180, "h:nn:ss"); add(55181, "hh:nn"); add(55182, "h:nn");
        add(55199, "from"); add(55200, "An error occured during calculating");
        add(55201, "Report:"); add(55202, "Object:"); add(55203, "Preparing report");
        add(55204, "Performing 1st pass:"); add(55205, "Processing page:"); add(55206, "Error");
        add(55207, "Preview"); add(55208, "Printing page:"); add(55209, "Untitled");
        add(55210, "Printer selected is not valid"); add(55211, "Report file");
        add(55212, "ASCII Text file"); add(55218, "Rich Text file"); add(55219, "CSV File");
        add(55220, "HTML file"); add(55334, "Font..."); add(55345, "Unsupported RPF format");
        return t;
    }();
    return texts;
}

} // namespace

QString LoadEngineString(int number)
{
    if (const TrpLocalizeHandler &h = localizeHandler()) {
        QString text;
        if (h(number, text)) return text;
    }
    const QString text = engineTexts().value(number);
    // Band names, display formats and the virtual printer's name are read by
    // templates and scripts or stand in saved files: they stay as written;
    // every other text is shown in the program's language.
    const bool data = number == 55007 || (number >= 55077 && number <= 55099) || (number >= 55170 && number <= 55182);
    return data ? text : kv::uiText(text);
}

void SetEngineLocalizeHandler(TrpLocalizeHandler handler) { localizeHandler() = std::move(handler); }

QString UnquoteName(const QString &text)
{
    if (text.size() > 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        return text.mid(1, text.size() - 2);
    return text;
}

double StrToFloatAnySep(const QString &text)
{
    bool ok = false;
    const double v = kv::parseFloat(text, &ok);   // accepts "." and ","
    if (!ok) throw EConvertError(rpInvalidFloatText(text.trimmed()));
    return v;
}

QString NextListItem(const QString &text, int &pos)
{
    if (pos < 1) pos = 1;
    const qsizetype start = pos - 1;
    if (start >= text.size()) {
        pos = int(text.size()) + 1;
        return QString();
    }
    qsizetype end = text.indexOf(QLatin1Char(';'), start);
    if (end < 0) end = text.size();
    pos = int(end) + 2;
    return text.mid(start, end - start);
}

QStringList SplitList(const QString &text)
{
    QStringList out;
    int pos = 1;
    while (pos <= text.size()) out << NextListItem(text, pos);
    return out;
}

QString FieldNameIfPresent(const TrpFieldSource *source, const QString &name)
{
    if (!source || name.isEmpty() || !source->hasField(name)) return QString();
    return name;
}

void ResolveFieldReference(const QString &reference, TrpComponentHost *host,
                           TrpFieldSource *&source, QString &field)
{
    QStringList pieces;
    QString last;
    qsizetype start = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < reference.size(); ++i) {
        const QChar c = reference.at(i);
        if (c == QLatin1Char('"')) {
            last = reference.mid(i, 255);
            quoted = true;
            break;
        }
        if (c == QLatin1Char('.')) {
            pieces << reference.mid(start, i - start);
            start = i + 1;
        }
    }
    if (!quoted) last = reference.mid(start);

    field.clear();
    if (pieces.isEmpty()) {
        field = FieldNameIfPresent(source, UnquoteName(reference));
        return;
    }
    source = nullptr;
    if (pieces.size() > 3 || !host) return;
    source = host->findDataSource(pieces);
    if (!source) return;
    field = FieldNameIfPresent(source, UnquoteName(last));
}

bool FieldIsNull(const QString &reference, TrpFieldSource *defaultSource, TrpComponentHost *host)
{
    TrpFieldSource *source = defaultSource;
    QString field;
    ResolveFieldReference(reference, host, source, field);
    if (!source || field.isEmpty()) return true;
    return source->fieldValue(field).isNull();
}
