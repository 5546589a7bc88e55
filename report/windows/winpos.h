#pragma once
// Where the report engine's windows were last: kept per window class in the
// user's settings store, under "Form\<class name>".
#include <QString>
#include <memory>

class QSettings;
class QWidget;

// The store of the positions. By default the user's own settings of
// "ReportEngine"; tests point it at a file of their own (an INI file), and an
// empty name goes back to the default.
void rpSetWindowPositionStore(const QString &iniFileName);
std::unique_ptr<QSettings> rpWindowPositionStore();
// The settings group of a window: "Form/" and its class name.
QString rpWindowPositionSection(const QWidget *window);

// Writes "XPosition", "YPosition", "Width", "Height" (of the normal bounds)
// and "Maximized".
void SaveFormPosition(QWidget *window);
// Bounds from the store (each defaulting to the current one); the window is
// maximized unless "Maximized" reads false.
void RestoreFormPosition(QWidget *window);
