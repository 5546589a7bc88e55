#pragma once
// What a child window may ask of the frame it lives in. The frame builds
// the windows of the other rooms through this interface, so no window
// includes the main window.
#include <QList>
#include <QString>
#include <QStringList>

class QWidget;
class TMdiChild;

// The kinds of child windows the frame's commands look for.
enum class ChildKind { Other, PartBase, Results, Warehouse, ModelsBase };

// The main window's commands that act on a child window. The child says
// whether it takes one now and does the work; the frame only enables and
// forwards.
enum class MainCommand {
    Save,               // "Сохранить"
    SaveAs,             // "Сохранить как ..."
    Merge,              // "Слияние"
    PrintList,          // "Печать на принтер" / "список"
    PrintGrouped,       // "Печать на принтер" / "группировка по материалам"
    PrintExcel,         // "Печать в Excel"
    ExportText,         // "Экспорт ..." / "... в файл с разделителями табуляциями"
    Cutting,            // "Разложить детали"
    PrintDetalsLabels,  // "Печать ярлычков деталей"
    PrintScrapsLabels,  // "Печать ярлычков остатков"
    AddModel,           // "Добавить модель"
    AllMaterials,       // "Все материалы"
    ReplaceMaterial,    // "Заменить материал"
    PrintModelsList,    // "Печать списка моделей"
    SaveMaps,           // "Сохранить карты раскроя"
    ExportMapsIni,      // "Экспорт карт раскроя" / "... в INI - файл"
    PrintStatistics,    // "Печать статистики по расходу материалов"
    DeleteSheet,        // the warehouse's delete of a standard sheet
    DeleteScrap,        // the warehouse's delete of an off-cut
};

class IMainWindow
{
public:
    virtual ~IMainWindow() = default;

    // Parent of the dialogs a child opens.
    virtual QWidget *Frame() = 0;

    // Puts a child into the frame, in the window list, and shows it active:
    // sized and placed, with its stored layout (TMdiChild::LoadLayout), before
    // it is shown.
    virtual void AddChild(TMdiChild *child) = 0;
    // Every child in order of creation; the active one (null while none or
    // while a dialog has the focus).
    virtual QList<TMdiChild *> Children() const = 0;
    virtual TMdiChild *ActiveChild() const = 0;
    // The first child of a kind, or null.
    TMdiChild *FindChildOfKind(ChildKind kind) const;

    // Part-base windows: a new untitled one; one with the document of
    // `fileName` (null after a shown failure); the one holding it.
    virtual TMdiChild *NewGroupWindow() = 0;
    virtual TMdiChild *OpenGroupWindow(const QString &fileName) = 0;
    virtual TMdiChild *FindGroupWindow(const QString &fileName) const = 0;
    // A new results window, with or without its progress bar.
    virtual TMdiChild *CreateResultsWindow(bool withProgress) = 0;
    // The warehouse and models base windows brought to the front, made
    // when there is none.
    virtual TMdiChild *ShowWarehouseWindow() = 0;
    virtual TMdiChild *ShowModelsBaseWindow() = 0;

    // After options: part-base windows show their record and totals again.
    virtual void RefreshGroupWindows() = 0;
    // After options: results windows redraw.
    virtual void RefreshSheetsWindows() = 0;
    // After a switch of the materials base.
    virtual void RefreshMaterialViews() = 0;
    // After the part names dialog.
    virtual void RefreshDetalNames() = 0;

    // The default options dialog the frame keeps: all its pages, or the
    // two of the cutting options; true after OK.
    virtual bool EditDefaultOptions(bool allPages) = 0;

    // A cutting run is going on: the frame refuses to close.
    virtual bool RaskroyBusy() const = 0;
    virtual void SetRaskroyBusy(bool busy) = 0;

    // A titled part base that closed.
    virtual void AddRecentFile(const QString &path) = 0;

    // The remarks of the materials' cutting options ("code=remark" lines):
    // read from the settings at start-up, offered and updated by every job,
    // written back at shut-down.
    virtual QStringList &MaterialRemarks() = 0;
    // The frame's status line; empty clears it.
    virtual void SetStatusText(const QString &text) = 0;
};
