#pragma once
// "Параметры разложения": the cutting options of each material of a job,
// edited in the per-job file "Korvalt.tmp" and copied into the settings
// file on OK.
#include "app/cutting/joboptions.h"
#include "data/matoptions.h"

#include <QDialog>

#include <functional>
#include <memory>

class AppContext;
class QAction;
class QCheckBox;
class QLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class TExSpinEdit;
class TgwOutlookList;
class TgwOutlookListItem;
class TgwCustomOutlookList;

class TfrmRaskroyOptions : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmRaskroyOptions(AppContext &ctx, QWidget *parent = nullptr);
    ~TfrmRaskroyOptions() override;

    // The job's materials (codes and names, parallel) and remarks
    // ("code=remark"); set before showing.
    void SetJob(const QStringList &codes, const QStringList &names, const QStringList &remarks);
    // Shows it modally through the context's UI service.
    int Execute();

    // The standard sheets of a material in stock (tests replace the table).
    kv::StdSheetsOf SheetsOf;

    int ShownCode() const { return m_shown; }
    TgwOutlookList *OutlookList;
    QCheckBox *chbEnabled, *chbUseScraps, *chbStandart, *cbxOneDimOptimization;
    QLineEdit *edSheetWidth, *edSheetHeight, *edRemark;
    TExSpinEdit *seExSearch;
    QRadioButton *rbAlgorithm1, *rbAlgorithm2, *rbQuick, *rbFull;
    QAction *OkAction, *CancelAction, *BaseSheetAction, *RemarkAllAction, *SearchModeAllAction, *DepthAllAction,
        *AlgorithmAllAction;
    QPushButton *bbAutoBounds, *bbOptions;

public slots:
    void FormShow();
    void OutlookListItemClick(TgwCustomOutlookList *list, TgwOutlookListItem *item);
    void ShowMaterial(int code);
    void OkActionExecute();
    void CancelActionExecute();
    void BaseSheetActionExecute();
    void bbAutoBoundsClick();
    void bbOptionsClick();
    void RemarkAllActionExecute();
    void SearchModeAllActionExecute();
    void DepthAllActionExecute();
    void AlgorithmAllActionExecute();
    void chbEnabledClick();

private:
    // The steps of building the dialog.
    void createActions();
    QWidget *buildNavigator();
    void bbMaterialsClick();
    QLayout *buildOptions();
    QLayout *buildButtons();

    void saveShown();
    void loadShown();
    void updateEnabling();
    TgwOutlookListItem *itemOf(int code) const;
    template <class F>
    void guarded(F f);

    AppContext &m_ctx;
    QStringList m_codes, m_names, m_remarks;
    std::unique_ptr<kv::TIniFile> m_job;
    int m_shown = -1;   // code of the material shown, -1 none
    bool m_loading = false;
};
