#include "app/shell/startup.h"

#include "app/common/appicon.h"
#include "app/common/mdichild.h"
#include "app/shell/mainform.h"
#include "app/shell/splash.h"
#include "app/shell/startupstages.h"
#include "app/shell/wiring.h"
#include "controls/instance.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/error.h"
#include "platform/savefile.h"
#include "platform/termination.h"
#include "platform/ui.h"

#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QSessionManager>
#include <QTimer>

#include <clocale>
#include <functional>
#include <memory>

namespace kv {

namespace {
constexpr int kModalRetryMs = 250;
}

QString VersionText()
{
    return QStringLiteral("korvalt " KV_VERSION);
}

bool LoadQtTranslation(QTranslator &translator, const QString &folder)
{
    return translator.load(QStringLiteral("qtbase_ru"),
                           folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder);
}

bool LoadProgramTranslation(QTranslator &translator)
{
    return translator.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("korvalt"), QStringLiteral("_"),
                           QStringLiteral(":/i18n"));
}

void PrepareProgramFolder(const QString &root)
{
    const Paths paths(root);
    paths.CreateFolders();
    TIniFile(paths.SettingsFile()).UpdateFile();
}

int RemoveProgramLeftovers(const Paths &paths)
{
    int removed = RemoveSaveLeftoversIn(paths.ProgramFolder());
    for (const QString &folder : paths.AllFolders()) removed += RemoveSaveLeftoversIn(folder);
    return removed;
}

int RunApplication(QApplication &app, const StartOptions &options)
{
    std::setlocale(LC_NUMERIC, "C");
    app.setApplicationName(QStringLiteral("korvalt"));
    app.setApplicationVersion(QStringLiteral(KV_VERSION));
    // The desktop entry "korvalt.desktop" and the same icon as its own.
    QGuiApplication::setDesktopFileName(QStringLiteral("korvalt"));
    QApplication::setWindowIcon(KorvaltIcon());

    // Qt's own texts (the file dialogs, the edit fields' menus) in the
    // program's language, from Debian's qt6-translations-l10n; without the
    // files they stay English and nothing else changes.
    QTranslator qtTexts;
    if (LoadQtTranslation(qtTexts)) app.installTranslator(&qtTexts);
    // The report engine's and the widgets' texts, written in English in the code.
    QTranslator ownTexts;
    if (LoadProgramTranslation(ownTexts)) app.installTranslator(&ownTexts);

    Ui &ui = options.ui ? *options.ui : RealUi();
    const QString root = options.root.isEmpty() ? Paths::DefaultRoot() : options.root;
    try {
        PrepareProgramFolder(root);
    } catch (const Error &e) {
        ui.error(e.message());
        return 1;
    }
    // One running copy per program folder: a second start tells the user,
    // brings the first one forward and ends.
    TRunningInstance instance(root, QStringLiteral("TApplication"), TMainForm::ApplicationTitle());
    const InstanceCheck check =
        CheckRunningInstance(instance, [&ui, &options](const QString &text) {
            QTimer closer;
            closer.setSingleShot(true);
            QObject::connect(&closer, &QTimer::timeout, [] {
                if (QWidget *box = QApplication::activeModalWidget()) box->close();
            });
            closer.start(options.noticeTimeoutMs);
            ui.inform(text);
        });
    StartupStep(QStringLiteral("instance"));
    if (check == InstanceCheck::NoAccess) {
        ui.error(FolderNotWritableText(root, instance.FolderProblem()));
        return 1;
    }
    if (check == InstanceCheck::Quit) return 0;
    // The only copy on this folder now: what a killed write left is no one's.
    RemoveProgramLeftovers(Paths(root));

    // The application's title is the main window's own: no display name, which
    // Qt would append to every window's title (the frame's a second time,
    // and the small dialogs' cut by the window manager).
    StartupStep(QStringLiteral("title"));

    // From here an outside request to end (SIGTERM) waits for the loop and
    // then closes the window as the user would.
    TerminationWatcher ending;
    TMainForm form{Paths(root), ui};
    instance.SetWindow(&form);
    form.CommandLineFiles = options.arguments;
    if (options.wire) options.wire(form);
    else WireShell(form);

    try {
        form.CreateDataModule();
    } catch (const Error &e) {
        ui.error(e.message());
        return 1;
    }
    StartupStep(QStringLiteral("data module"));
    StartupStep(QStringLiteral("missing models dialog"));

    {
        auto splash = std::make_unique<TfrmStart>();
        splash->show();
        splash->SetStage(QStringLiteral("Подключение внешней базы материалов"));
        ui.guarded([&] { form.ConnectExternalMaterials(); });

        splash->SetStage(QStringLiteral("Инициализация склада"));
        if (form.hooks.warehouseWindow) ui.guarded([&] { form.hooks.warehouseWindow(form.Context()); });

        splash->SetStage(QStringLiteral("Инициализация программных модулей"));
        form.WaitForm();
        if (form.hooks.createDialogs) ui.guarded([&] { form.hooks.createDialogs(form); });
        splash->SetStage(QStringLiteral("Инициализация программных модулей"));
        form.OptionForm();

        splash->SetStage(QStringLiteral("Старт программы"));
        splash->hide();
    }
    StartupStep(QStringLiteral("splash freed"));

    form.LoadPosition();
    form.show();
    bool closing = false;
    std::function<void()> endRequested = [&form, &closing, &endRequested] {
        // A second request while the first one's questions are open adds nothing.
        if (closing) return;
        // An open dialog is finished by the user first: the window is not
        // closed from under it.
        if (QApplication::activeModalWidget()) {
            QTimer::singleShot(kModalRetryMs, &form, endRequested);
            return;
        }
        closing = true;
        form.close();
        closing = false;
    };
    QObject::connect(&ending, &TerminationWatcher::requested, &form, endRequested, Qt::QueuedConnection);
    ending.setEnabled(true);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form, [&form](QSessionManager &session) {
        const bool canAsk = session.allowsInteraction();
        const bool ended = form.EndSession(canAsk);
        if (canAsk) session.release();
        if (!ended) session.cancel();
    });
    int rc = 0;
    if (options.instead) {
        options.instead(form);
        form.close();
    } else {
        rc = app.exec();
    }
    StartupStep(QStringLiteral("loop ended"));
    return rc;
}

} // namespace kv
