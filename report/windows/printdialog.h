#pragma once
// The print dialog: printer, copies with collation, page range and odd or
// even pages. Component names are those of the original window.
#include <QDialog>

#include "report/output/printer.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QPushButton;
class QLabel;
class QWidget;

class TrpPrintForm : public QDialog
{
    Q_OBJECT
public:
    explicit TrpPrintForm(QWidget *parent = nullptr);

    // The options as the dialog holds them; currentPage fills "Current page".
    TrpPrintOptions Options(int currentPage) const;

    QComboBox *CB1;          // printers
    QPushButton *PropButton;
    QLineEdit *E1;           // copies
    QPushButton *UpButton, *DownButton;
    QCheckBox *CollateCB;
    QWidget *PB1;            // collation picture
    QRadioButton *RB1, *RB2, *RB3;
    QLineEdit *E2;           // pages
    QComboBox *CB2;          // all / odd / even

public slots:
    void CB1Click();
    void PropButtonClick();
    void UpClick();
    void DownClick();
    void FormClose();

protected:
    void done(int r) override;

private:
    int m_oldIndex = 0;
};
