#include "app/startup.h"

#include "app/mainform.h"
#include "controls/instance.h"
#include "data/datamodule.h"
#include "data/paths.h"
#include "data/settings.h"
#include "platform/error.h"
#include "platform/ui.h"

#include <QApplication>

#include <clocale>

namespace kv {

QString VersionText()
{
    return QStringLiteral("korvalt " KV_VERSION);
}

void PrepareProgramFolder(const QString &root)
{
    const Paths paths(root);
    paths.CreateFolders();
    TIniFile(paths.SettingsFile()).UpdateFile();
}

int RunApplication(QApplication &app)
{
    // Numbers are written and read with '.', whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    app.setApplicationName(QStringLiteral("korvalt"));
    app.setApplicationVersion(QStringLiteral(KV_VERSION));

    const QString root = Paths::DefaultRoot();
    try {
        PrepareProgramFolder(root);
    } catch (const Error &e) {
        ShowError(e.message());
        return 1;
    }
    // One running copy per program folder: a second start tells the user,
    // brings the first one forward and ends.
    TRunningInstance instance(root, QStringLiteral("TApplication"), TMainForm::ApplicationTitle());
    if (CheckRunningInstance(instance, [](const QString &text) { ShowInformation(text); }) == InstanceCheck::Quit)
        return 0;

    TMainForm form{Paths(root)};
    instance.SetWindow(&form);
    // The data module: missing templates and stock tables are made, and the
    // warehouse's working copies are taken, as at every start.
    TModule module(&form.Paths(), &form.Settings());
    try {
        module.EnsureTables();
        module.OpenSheetsCopy();
        module.OpenScrapsCopy();
    } catch (const Error &e) {
        ShowError(e.message());
        return 1;
    }
    form.show();
    const int rc = app.exec();
    RunGuarded([&] { form.Settings().Flush(); });
    return rc;
}

} // namespace kv
