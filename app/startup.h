#pragma once
// Start of the program: the program folder with its folders, the settings
// file, the main window.
#include <QString>

class QApplication;

namespace kv {

// "korvalt <version>", what --version prints.
QString VersionText();

// Makes the program folder `root` with every folder beneath it and creates
// the settings file when it is missing. Throws kv::Error with the reason.
void PrepareProgramFolder(const QString &root);

// Runs the program on an existing QApplication; returns the exit code.
int RunApplication(QApplication &app);

} // namespace kv
