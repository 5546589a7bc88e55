#pragma once
// Start of the program and its end: the running-instance check, the main
// window, the data module, the splash stages, the message loop.
#include <QString>
#include <QStringList>

#include <functional>

class QApplication;
class QTranslator;
class TMainForm;

namespace kv {
class Paths;
class Ui;

// "korvalt <version>", what --version prints.
QString VersionText();

// Makes the program folder `root` with every folder beneath it and creates
// the settings file when it is missing. Throws kv::Error with the reason.
void PrepareProgramFolder(const QString &root);

// Removes the temporary files that killed writes left in the program's
// folders (run once no other copy works on them); the number removed.
int RemoveProgramLeftovers(const Paths &paths);

// Qt's Russian texts ("qtbase_ru") from `folder`, by default Qt's own
// translations folder; false when they are not there.
bool LoadQtTranslation(QTranslator &translator, const QString &folder = QString());
// The program's own Russian texts (the report engine's windows, the colour
// names), built with the program.
bool LoadProgramTranslation(QTranslator &translator);

struct StartOptions
{
    QString root;                 // empty: Paths::DefaultRoot()
    QStringList arguments;        // part bases to open
    // Tests: what runs instead of the message loop (the form is closed after it).
    std::function<void(TMainForm &)> instead;
    // Tests: fill the main window's hooks instead of the real wiring.
    std::function<void(TMainForm &)> wire;
    // Tests: who answers the boxes and dialogs; null: the user.
    Ui *ui = nullptr;
    // How long the notice of a copy already running waits for a click:
    // nobody may be at the screen (a start from a script or a restored
    // session), and the second copy must end anyway.
    int noticeTimeoutMs = 15000;
};

// Runs the program on an existing QApplication; returns the exit code.
int RunApplication(QApplication &app, const StartOptions &options = {});

} // namespace kv
