#include "toolbars/positions.h"

#include "platform/error.h"
#include "platform/ini.h"
#include "toolbars/dock.h"

#include <algorithm>

namespace kv::tb {

namespace {
const QString kNameNotSet = QStringLiteral("Cannot save tool window's position because Name property is not set");
const QString kDockNameNotSet = QStringLiteral("Cannot save tool window's position because DockedTo's Name property not set");
} // namespace

std::vector<TDock *> DocksOfForm(QWidget *form)
{
    std::vector<TDock *> v;
    if (!form)
        return v;
    for (TDock *d : form->findChildren<TDock *>())
        v.push_back(d);
    std::stable_sort(v.begin(), v.end(), [](TDock *a, TDock *b) { return a->CreationOrder() < b->CreationOrder(); });
    return v;
}

std::vector<TCustomToolWindow *> ToolWindowsOfForm(QWidget *form)
{
    std::vector<TCustomToolWindow *> v;
    if (!form)
        return v;
    for (TCustomToolWindow *tw : TCustomToolWindow::AllToolWindows())
        if (tw->OwnerForm() == form)
            v.push_back(tw);
    std::stable_sort(v.begin(), v.end(), [](TCustomToolWindow *a, TCustomToolWindow *b) {
        return a->CreationOrder() < b->CreationOrder();
    });
    return v;
}

TDock *FindDockByName(QWidget *form, const QString &name)
{
    for (TDock *d : DocksOfForm(form))
        if (d->objectName() == name)
            return d;
    return nullptr;
}

void SaveToolWindowPositions(QWidget *form, const TPositionWriteIntProc &writeInt,
                             const TPositionWriteStringProc &writeString)
{
    // Rows left empty by bars that went away would come back as gaps.
    for (TDock *d : DocksOfForm(form))
        d->CompactRows();
    for (TCustomToolWindow *tw : ToolWindowsOfForm(form)) {
        const QString name = tw->objectName();
        if (name.isEmpty())
            throw kv::Error(kNameNotSet);
        QString dockedTo;
        if (TDock *d = tw->DockedTo()) {
            if (d->AllowDrag()) {
                if (d->objectName().isEmpty())
                    throw kv::Error(kDockNameNotSet);
                dockedTo = d->objectName();
            }
        } else {
            dockedTo = QStringLiteral("+");
        }
        writeInt(name, QStringLiteral("Rev"), 3);
        writeInt(name, QStringLiteral("Visible"), tw->Visible() ? 1 : 0);
        writeString(name, QStringLiteral("DockedTo"), dockedTo);
        writeString(name, QStringLiteral("LastDock"), tw->LastDock() ? tw->LastDock()->objectName() : QString());
        writeInt(name, QStringLiteral("DockRow"), tw->DockRow());
        writeInt(name, QStringLiteral("DockPos"), tw->DockPos());
        writeInt(name, QStringLiteral("FloatLeft"), tw->FloatingPosition().x());
        writeInt(name, QStringLiteral("FloatTop"), tw->FloatingPosition().y());
        tw->WriteExtraPositions(writeInt, writeString);
    }
}

void LoadToolWindowPositions(QWidget *form, const TPositionReadIntProc &readInt,
                             const TPositionReadStringProc &readString)
{
    const std::vector<TDock *> docks = DocksOfForm(form);
    for (TDock *d : docks)
        d->BeginArrangeUpdate();
    struct Resume {
        const std::vector<TDock *> &docks;
        ~Resume()
        {
            for (auto it = docks.rbegin(); it != docks.rend(); ++it)
                (*it)->EndArrangeUpdate(true);
        }
    } resume{docks};

    for (TCustomToolWindow *tw : ToolWindowsOfForm(form)) {
        const QString name = tw->objectName();
        if (name.isEmpty())
            throw kv::Error(kNameNotSet);
        const int rev = readInt(name, QStringLiteral("Rev"), 0);
        if (rev != 2 && rev != 3)
            continue;
        tw->setVisible(readInt(name, QStringLiteral("Visible"), tw->Visible() ? 1 : 0) != 0);
        const QString dockedTo = readString(name, QStringLiteral("DockedTo"), QString());
        if (dockedTo.isEmpty())
            continue;
        TDock *dock = nullptr;
        if (dockedTo != QLatin1String("+")) {
            dock = FindDockByName(form, dockedTo);
            if (!dock || !dock->AllowDrag())
                continue;
        }
        tw->SetDockRow(readInt(name, QStringLiteral("DockRow"), tw->DockRow()));
        tw->SetDockPos(readInt(name, QStringLiteral("DockPos"), tw->DockPos()));
        const int left = readInt(name, QStringLiteral("FloatLeft"), 0);
        const int top = readInt(name, QStringLiteral("FloatTop"), 0);
        tw->ReadExtraPositions(readInt, readString);
        tw->SetFloatingPosition(QPoint(left, top));
        if (dock) {
            tw->SetDockedTo(dock);
        } else {
            // Restoring does not consult DockMode: "+" floats even a bar that cannot float.
            tw->SetParentControl(form);
            tw->SetFloatingPosition(QPoint(left, top));
            tw->KeepOnScreen(true);
            if (rev == 3 && tw->UseLastDock()) {
                const QString last = readString(name, QStringLiteral("LastDock"), QString());
                if (TDock *ld = FindDockByName(form, last))
                    tw->SetLastDock(ld);
            }
        }
        tw->Relayout();
        tw->PositionsRestored(readInt, readString);
    }
}

void LoadToolWindowPositionsFromIni(QWidget *form, const QString &fileName, const QString &prefix)
{
    kv::TIniFile ini(fileName);
    LoadToolWindowPositions(
        form,
        [&](const QString &n, const QString &k, int def) { return ini.ReadInteger(prefix + n, k, def); },
        [&](const QString &n, const QString &k, const QString &def) { return ini.ReadString(prefix + n, k, def); });
}

void SaveToolWindowPositionsToIni(QWidget *form, const QString &fileName, const QString &prefix)
{
    kv::TIniFile ini(fileName);
    // Every tool bar's keys reach the file in one write.
    ini.Update([&] {
        SaveToolWindowPositions(
            form,
            [&](const QString &n, const QString &k, int v) { ini.WriteInteger(prefix + n, k, v); },
            [&](const QString &n, const QString &k, const QString &v) { ini.WriteString(prefix + n, k, v); });
    });
}

} // namespace kv::tb
