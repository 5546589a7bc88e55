#pragma once
// The part-base window: a grid of parts filtered by the materials
// navigator, the edge-banding buttons and the rotation choice of the
// current part, the command buttons and the running totals. The document
// (header, table, save, merge) is kv::PartBaseDocument; the window shows and
// edits it and asks the user's questions.
#include "app/common/mdichild.h"
#include "data/partbase/partbasedoc.h"
#include "print/stats/labels.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QAction;
class QButtonGroup;
class QLabel;
class QMenu;
class QStatusBar;
class QTimer;
class QToolButton;
class TExDBGrid;
class TgwCustomOutlookList;
class TgwOutlookBar;
class TgwOutlookListItem;

namespace kv {
class DataSource;
}

class TfrmRaskroyGroup : public TMdiChild
{
    Q_OBJECT

public:
    explicit TfrmRaskroyGroup(AppContext &ctx, QWidget *parent = nullptr);
    ~TfrmRaskroyGroup() override;

    kv::PartBaseDocument &Document() { return *m_doc; }

    ChildKind Kind() const override { return ChildKind::PartBase; }
    QString LayoutSection() const override { return QStringLiteral("Detals_Group"); }
    // The header of a titled part base that is not a model; empty otherwise.
    QString DocumentFileName() const override;
    bool CloseQuery() override;
    void FormClose() override;
    bool CommandEnabled(MainCommand command) const override;
    void ExecuteCommand(MainCommand command) override;
    void RefreshGroup() override;
    void RefreshMaterials() override { ReloadMaterials(); }
    // Wide enough for every column of the grid.
    QSize sizeHint() const override;
    void RefreshDetalNames() override { LoadDetalNames(); }

    // ---- document
    bool NewGroup();
    bool LoadFromFile(const QString &headerPath);
    // Asks for a name when needed; false when cancelled or failed (shown).
    bool SaveToFile(bool saveAs);
    void SetModelName(const QString &name);
    void SetFileName();   // the caption
    bool Merge();

    // ---- record controls, filter, totals
    void SetMaterialFilter(int code);
    int FilterCode() const { return m_doc->FilterCode(); }
    void UpdateRecordControls();
    void StoreRecordControls();
    void SetEdgeButtons(int left, int right, int top, int bottom);
    int EdgeCode(int edge) const { return m_edgeCodes[edge]; }   // 0 left, 1 right, 2 top, 3 bottom
    void UpdateTotals();
    void ReloadMaterials();
    void LoadDetalNames();
    void PostIfEditing();
    // The material lists a part may get (no "<все материалы>").
    const QStringList &MaterialNames() const { return m_matNames; }
    const QList<int> &MaterialCodes() const { return m_matCodes; }
    kv::PartBaseTotals Totals() const;
    QString StatusText(int panel) const;
    // The edge-banding name of a code; empty when the code is unknown.
    QString BorderName(int code) const;
    // The stickers of the parts the window shows, one per copy; false
    // (lists empty, the error shown) when the table cannot be read.
    bool GetDetalsLabels(kv::DetalLabelLists &lists);

    // The grid of the parts (the spreadsheet export writes its shown columns).
    TExDBGrid *Grid() const { return m_grid; }

signals:
    // "Разложить": the cutting launch; whoever made the window runs it.
    void RaskroyRequested();

public slots:
    void DeleteActionExecute();
    void SaveActionExecute();
    void MergeActionExecute();
    void CopyActionExecute();
    void AllBordersActionExecute();
    void NoBordersActionExecute();
    void ChangeMaterialActionExecute();
    void RaskroyActionExecute();
    void ExcelActionExecute();
    void PrintListExecute();
    void PrintGroupedExecute();
    void PrintModelsListExecute();
    void UpdateActions();
    // "Материалы": the find-material dialog over the navigator.
    void bbMaterialsClick();

protected:
    void showEvent(QShowEvent *e) override;
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    class GroupLink;
    void buildUi();
    QWidget *buildCommandRow();
    QWidget *buildEdges();
    void buildGrid();
    void applyFilterItem(TgwOutlookListItem *item);
    void OutlookListItemClick(TgwCustomOutlookList *list, TgwOutlookListItem *item);
    void edgeClicked(int edge);
    void showEdgeMenu(int edge);
    void rotateClicked(int id);
    // The right mouse button on "Материал" opens the material chooser; the
    // keyboard's context menu there, and both on "Поворот", the pop-up menus.
    void gridContextMenu(const QPoint &pos, bool byMouse);
    void gridExit();
    void fieldChanged(kv::Field &field);
    void fillMaterials();
    void loadLayout();
    void saveLayout();
    bool tableHasRows() const;
    // Posts the row being typed once its sizes and quantity are all sound; a
    // value just typed into `typedField` that cannot be right is refused with
    // its message. False: not yet.
    bool postTypedRow(const QString &typedField = QString());
    void run(const std::function<void()> &action) { Guarded(action); }

    std::unique_ptr<kv::PartBaseDocument> m_doc;
    kv::DataSource *m_source = nullptr;
    std::unique_ptr<GroupLink> m_link;

    TgwOutlookBar *m_bar = nullptr;
    TgwCustomOutlookList *m_list = nullptr;
    TExDBGrid *m_grid = nullptr;
    QToolButton *m_edges[4] = {};
    int m_edgeCodes[4] = {0, 0, 0, 0};
    QButtonGroup *m_rotate = nullptr;
    QStatusBar *m_status = nullptr;
    QLabel *m_panels[5] = {};
    QMenu *m_printMenu = nullptr;
    QTimer *m_postTimer = nullptr;   // posts a typed code, size or quantity
    QString m_typedField;            // the column it was typed into

    QAction *DeleteAction = nullptr, *SaveAction = nullptr, *MergeAction = nullptr, *PrintAction = nullptr,
            *ExcelAction = nullptr, *CopyAction = nullptr, *RaskroyAction = nullptr, *AllBordersAction = nullptr,
            *NoBordersAction = nullptr, *ChangeMaterialAction = nullptr;

    QStringList m_matNames;
    QList<int> m_matCodes;
    bool m_inChange = false;   // a field-change handler runs
    bool m_updating = false;   // the controls are being set from the record
    bool m_shown = false;
    int m_barWidth = 105;
};
