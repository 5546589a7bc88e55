// The report engine's windows and the colour combos are written in English
// in the code and shown in Russian through the program's translation file;
// without it the code's own texts stand.
#include "app/shell/startup.h"
#include "platform/text.h"
#include "report/core/utils.h"
#include "report/output/textexports.h"
#include "report/windows/enginectl.h"
#include "report/windows/preview.h"
#include "widgets/colorcombo.h"

#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QRegularExpression>
#include <QTranslator>

#include <gtest/gtest.h>

#include <functional>

namespace {

// The program's translation installed for the life of the object.
struct Russian
{
    QTranslator translator;
    bool loaded = kv::LoadProgramTranslation(translator);
    Russian() { if (loaded) QCoreApplication::installTranslator(&translator); }
    ~Russian() { QCoreApplication::removeTranslator(&translator); }
};

QString previewButton(const char *name)
{
    TrpPreviewForm form;
    auto *b = form.findChild<TrpTBButton *>(QLatin1String(name));
    return b ? b->Caption() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

QString previewMenu(const char *name)
{
    TrpPreviewForm form;
    auto *a = form.findChild<QAction *>(QLatin1String(name));
    return a ? a->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

bool colourListHas(const QString &name)
{
    TgwCustomColorList list;
    list.SetOptions(kv::gw::ccoShowStandardColors | kv::gw::ccoShowSystemColors | kv::gw::ccoShowColorNames |
                    kv::gw::ccoShowColorNone);
    return list.IndexOfName(name) >= 0;
}

} // namespace

TEST(Translation, EngineWindowsAndColoursInEnglishAsWrittenAndInRussianWithTheProgramsFile)
{
    struct Case { const char *what; std::function<QString()> text; const char *english, *russian; };
    const Case cases[] = {
        {"preview caption", [] { return LoadEngineString(55207); }, "Preview", "Просмотр"},
        {"open", [] { return previewButton("LoadBtn"); }, "Open", "Открыть"},
        {"save", [] { return previewButton("SaveBtn"); }, "Save", "Сохранить"},
        {"print", [] { return previewButton("PrintBtn"); }, "Print", "Печать"},
        {"find", [] { return previewButton("FindBtn"); }, "Find", "Найти"},
        {"close", [] { return previewButton("ExitBtn"); }, "Close", "Закрыть"},
        {"zoom menu", [] { return previewMenu("N1"); }, "&Page width", "По &ширине страницы"},
        {"page counter", [] { return LoadEngineString(55004); }, "Page", "Стр."},
        {"print dialog", [] { return LoadEngineString(53040); }, "Print", "Печать"},
        {"copies", [] { return LoadEngineString(53050); }, "Number of &copies:", "&Число копий:"},
        {"search dialog", [] { return LoadEngineString(53000); }, "Find text", "Поиск текста"},
        {"progress", [] { return LoadEngineString(55203); }, "Preparing report", "Построение отчёта"},
        {"text filter", [] { return TrpTextExport().Description(); }, "ASCII Text file (*.txt)", "Текстовый файл (*.txt)"},
        {"RTF filter", [] { return TrpRTFExport().Description(); }, "Rich Text file (*.rtf)", "Файл RTF (*.rtf)"},
        {"CSV filter", [] { return TrpCSVExport().Description(); }, "CSV File (*.csv)", "Файл CSV (*.csv)"},
        {"HTML filter", [] { return TrpHTMExport().Description(); }, "HTML file (*.htm)", "Файл HTML (*.htm)"},
        {"PDF filter", [] { return kv::uiText("PDF file") + QStringLiteral(" (*.pdf)"); }, "PDF file (*.pdf)", "Файл PDF (*.pdf)"},
        {"white", [] { return QString::number(colourListHas(QStringLiteral("White"))) + QString::number(colourListHas(QStringLiteral("Белый"))); }, "10", "01"},
        {"sky blue", [] { return QString::number(colourListHas(QStringLiteral("SkyBlue"))) + QString::number(colourListHas(QStringLiteral("Небесно-голубой"))); }, "10", "01"},
        // What templates and scripts read stays as written.
        {"boolean format", [] { return LoadEngineString(55171); }, "No;Yes", "No;Yes"},
        {"band name", [] { return LoadEngineString(55082); }, "Master data", "Master data"},
        {"virtual printer", [] { return LoadEngineString(55007); }, "Virtual printer", "Virtual printer"},
    };
    for (const Case &c : cases) EXPECT_EQ(c.text(), QString::fromUtf8(c.english)) << c.what;
    Russian ru;
    ASSERT_TRUE(ru.loaded);
    for (const Case &c : cases) EXPECT_EQ(c.text(), QString::fromUtf8(c.russian)) << c.what;
}

// Every text the engine shows and every colour name has its Russian line:
// the engine's numbered texts, the English literals its windows and the
// widgets name in the code, and the colours of the lists.
TEST(Translation, EveryEngineTextHasARussianTranslation)
{
    QMap<QString, QString> english;   // what -> text
    for (int n = 53000; n < 56000; ++n)
        if (const QString t = LoadEngineString(n); !t.isEmpty()) english.insert(QStringLiteral("text %1").arg(n), t);
    static const QRegularExpression literal(QStringLiteral("(?:uiText|rpEngineText)\\((?:[0-9]+, )?\"([^\"]+)\"\\)"));
    for (const char *folder : {"report", "widgets"}) {
        QDirIterator it(QStringLiteral(KV_SOURCE_DIR "/") + QLatin1String(folder), {QStringLiteral("*.cpp")},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            if (f.fileName().contains(QLatin1String("/tests/")) || !f.open(QIODevice::ReadOnly)) continue;
            const QString code = QString::fromUtf8(f.readAll());
            for (auto m = literal.globalMatch(code); m.hasNext();) {
                const QString t = m.next().captured(1);
                english.insert(QStringLiteral("%1: %2").arg(QFileInfo(f.fileName()).fileName(), t), t);
            }
        }
    }
    for (const auto &id : kv::gw::ColorIdents()) english.insert(QStringLiteral("colour ") + id.first, id.first.mid(2));
    ASSERT_GT(english.size(), 100);
    // The captions of the preview's tool buttons.
    QMap<QString, QString> buttons;
    {
        TrpPreviewForm form;
        static const QRegularExpression word(QStringLiteral("[A-Za-z]"));
        for (auto *b : form.findChildren<TrpTBButton *>())
            if (b->Caption().contains(word)) buttons.insert(b->objectName(), b->Caption());
    }
    ASSERT_GE(buttons.size(), 6);
    Russian ru;
    ASSERT_TRUE(ru.loaded);
    QStringList missing;
    {
        TrpPreviewForm form;
        for (auto it = buttons.constBegin(); it != buttons.constEnd(); ++it)
            if (auto *b = form.findChild<TrpTBButton *>(it.key()); !b || b->Caption() == it.value())
                missing << QStringLiteral("preview button ") + it.key();
    }
    for (auto it = english.constBegin(); it != english.constEnd(); ++it) {
        const bool numbered = it.key().startsWith(QLatin1String("text "));
        const int n = numbered ? it.key().mid(5).toInt() : 0;
        const bool readByTemplates = n == 55007 || (n >= 55077 && n <= 55099) || (n >= 55170 && n <= 55182);
        const QString shown = numbered ? LoadEngineString(n) : kv::uiText(it.value());
        if (readByTemplates) {
            EXPECT_EQ(shown, it.value()) << it.key().toStdString();
        } else if (shown == it.value()) {
            missing << it.key() + QStringLiteral(" \"") + it.value() + QLatin1Char('"');
        }
    }
    EXPECT_TRUE(missing.isEmpty()) << missing.join(QLatin1Char('\n')).toStdString();
}
