#pragma once
// Saving and restoring where every toolbar of a form was, one settings
// section per tool window: a generic layer over four storage callbacks and
// an INI layer on the settings file.
#include "toolbars/toolwindow.h"

#include <QString>

class TDock;

namespace kv::tb {

void LoadToolWindowPositions(QWidget *form, const TPositionReadIntProc &readInt,
                             const TPositionReadStringProc &readString);
void SaveToolWindowPositions(QWidget *form, const TPositionWriteIntProc &writeInt,
                             const TPositionWriteStringProc &writeString);

// Sections are named sectionNamePrefix + the tool window's objectName.
void LoadToolWindowPositionsFromIni(QWidget *form, const QString &fileName, const QString &sectionNamePrefix);
void SaveToolWindowPositionsToIni(QWidget *form, const QString &fileName, const QString &sectionNamePrefix);

// The first dock of the form, in creation order, whose name matches exactly.
TDock *FindDockByName(QWidget *form, const QString &name);

// Docks and tool windows of a form, in creation order.
std::vector<TDock *> DocksOfForm(QWidget *form);
std::vector<TCustomToolWindow *> ToolWindowsOfForm(QWidget *form);

} // namespace kv::tb
