// Expressions and scripts as templates carry them: the text is evaluated
// and run by the engine on its own, then put into a small report as a
// memo's text, its script, its highlight condition, a band's script and a
// group's condition, and the report is built over three records. Seeds: the
// texts and scripts of the templates our program writes and of the
// report tests' template.
#include "fuzz/report_fuzz.h"

#include "platform/text.h"
#include "report/building/band.h"
#include "report/model/memo.h"
#include "report/model/views.h"

namespace {

TrpBandView *addBand(TrpPage *page, int kind, int top, int height, const QString &name, const QString &source)
{
    auto v = std::make_unique<TrpBandView>();
    v->SetBandType(kind);
    v->Name = name;
    v->SetBounds(0, top, 560, height);
    v->DisplayFormatText = source;
    return static_cast<TrpBandView *>(page->AddView(std::move(v)));
}

TrpMemoView *addMemo(TrpPage *page, const QString &name, int left, int top, const QStringList &text)
{
    auto v = std::make_unique<TrpMemoView>();
    v->Name = name;
    v->SetBounds(left, top, 200, 20);
    v->Memo = text;
    return static_cast<TrpMemoView *>(page->AddView(std::move(v)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size > 4096) return 0;   // scripts of templates are short; longer texts only slow the search
    const QString text = kv::fromCp1251(kvfuzz::bytesOf(data, size));
    const QStringList lines = text.split(QLatin1Char('\n'));

    TrpEngine &engine = rpEngine();
    try {
        engine.Calculate(text);
    } catch (const kv::Error &) {
    }
    TrpCompiledScript compiled;
    QStringList errors;
    if (engine.Interpreter().Compile(lines, compiled, errors)) {
        try {
            engine.Interpreter().Run(compiled);
        } catch (const kv::Error &) {
        }
    }

    kvfuzz::FuzzReport r;
    TrpReport &report = r.report;
    report.Pages().Clear();
    TrpPage *page = report.Pages().Add();
    page->Name = QStringLiteral("Page1");
    page->SetPaper(9, 2100, 2970, -1, 0);
    addBand(page, btReportTitle, 0, 30, QStringLiteral("Title"), QString())->PrintScript = lines;
    addBand(page, btGroupHeader, 40, 20, QStringLiteral("Group"), lines.first());
    addBand(page, btMasterData, 70, 20, QStringLiteral("Data"), QStringLiteral("rpsrcRows"))->PrintScript = lines;
    addBand(page, btGroupFooter, 100, 20, QStringLiteral("GroupFooter"), QString());
    addBand(page, btReportSummary, 130, 20, QStringLiteral("Summary"), QString());
    addMemo(page, QStringLiteral("Memo1"), 0, 0, lines);
    TrpMemoView *dataMemo = addMemo(page, QStringLiteral("Memo2"), 0, 70, lines);
    dataMemo->PrintScript = lines;
    dataMemo->HighlightCondition = lines.first();
    addMemo(page, QStringLiteral("Memo3"), 0, 100, {QStringLiteral("[SUM([LENGTH])] [") + lines.first() + "]"});
    addMemo(page, QStringLiteral("Memo4"), 0, 130, {QStringLiteral("[COUNT()] [MAX(") + lines.first() + ")]"});
    report.Prepare();
    return 0;
}
