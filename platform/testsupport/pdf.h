#pragma once
// What a reader of a PDF file sees: its pages, its title and its text, read
// by poppler's tools (pdfinfo, pdftotext). Without them the text and title
// come back null, and the test says it cannot look.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace kv::test {

inline bool HavePdfTools()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty();
}

// Output of a tool in UTF-8; null when it cannot run or fails.
inline QString RunPdfTool(const QString &tool, const QStringList &args)
{
    if (QStandardPaths::findExecutable(tool).isEmpty()) return QString();
    QProcess p;
    p.start(tool, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline QString PdfText(const QString &file)
{
    return RunPdfTool(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), file,
                                                   QStringLiteral("-")});
}

// A field of the document information ("Title", "Pages"...).
inline QString PdfInfo(const QString &file, const QString &field)
{
    const QString info = RunPdfTool(QStringLiteral("pdfinfo"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), file});
    if (info.isNull()) return QString();
    const QRegularExpression re(QStringLiteral("^%1:\\s*(.*)$").arg(QRegularExpression::escape(field)),
                                QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = re.match(info);
    return m.hasMatch() ? m.captured(1).trimmed() : QStringLiteral("");
}

// Pages of a PDF written by Qt, counted in the file itself.
inline int PdfPageCount(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QString text = QString::fromLatin1(f.readAll());
    return int(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

} // namespace kv::test
