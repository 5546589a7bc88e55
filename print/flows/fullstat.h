#pragma once
// The statistics window of a cutting variant: waste, usable off-cuts, total
// waste, parts area, cut count and length; the edge-banding consumption of
// the variant; and the printed statistics, one section per map.
#include "print/flows/printflow.h"

#include <QDialog>

class QLabel;
class QPushButton;
class TrpUserDataset;
class TrpValue;

class TfrmFullStat : public QDialog
{
    Q_OBJECT
public:
    TfrmFullStat(kv::PrintContext ctx, QWidget *parent = nullptr);

    // The variant counted (not owned), the material the results window
    // shows, and the edge banding of the variant (code 0 is dropped here).
    void SetVariant(const kv::MapDocument *doc, const QString &materialName, const kv::BorderTotals &borders);
    const kv::BorderTotals &Borders() const { return m_borders; }

    QLabel *lbMaterial, *lbMatName, *Label1;
    QLabel *lb1, *lbLostScraps, *lb2, *lbScraps, *lb3, *lbTotalScraps, *lb6, *lbDetalsSquare, *lb4, *lbMillCount,
        *lb5, *lbMillLength;
    QPushButton *bbPrint, *bbBorders, *bbOk;
    TrpUserDataset *rpsrcStatistic;

    // The report's variables; false for a name it leaves to the engine.
    bool repStatisticGetValue(const QString &name, TrpValue &value);

public slots:
    void FormShow();
    void bbBordersClick();
    void bbPrintClick();

protected:
    void showEvent(QShowEvent *e) override;

private:
    void nextVisible(int from);

    kv::PrintContext m_ctx;
    const kv::MapDocument *m_doc = nullptr;
    kv::BorderTotals m_borders;
    int m_tab = 0;      // current tab of the report pass
    int m_record = 0;   // record number
};

// The results window's statistics command: fills the window from the
// document and shows it modally.
void ShowFullStatistics(kv::PrintContext ctx, const kv::MapDocument &doc, const QString &materialName,
                        QWidget *parent);
