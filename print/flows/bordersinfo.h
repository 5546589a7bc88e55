#pragma once
// The edge-banding consumption window: one row per banding, its name and its
// length in metres, for the list its caller hands it (the whole variant or
// one map). Column widths are kept in [BorderInfo_Window].
#include "data/materials/borders.h"
#include "print/flows/printflow.h"

#include <QDialog>

class QPushButton;
class TColumnsStringGrid;

class TfrmBordersInfo : public QDialog
{
    Q_OBJECT
public:
    TfrmBordersInfo(kv::PrintContext ctx, QWidget *parent = nullptr);

    // Lines code = length in mm, shown as they stand.
    void SetList(const kv::BorderTotals &list) { m_list = list; }
    const kv::BorderTotals &List() const { return m_list; }

    TColumnsStringGrid *Grid;
    QPushButton *bbOk;

public slots:
    void FormShow();
    void FormClose();

protected:
    void showEvent(QShowEvent *e) override;
    void done(int r) override;

private:
    kv::PrintContext m_ctx;
    kv::BorderTotals m_list;
};

// Shows the window modally over a list.
void ShowBordersInfo(kv::PrintContext ctx, const kv::BorderTotals &list, QWidget *parent);
