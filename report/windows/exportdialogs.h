#pragma once
// Options dialogs of the export filters. Component names are those of the
// original windows; the values are read back whatever button closes them.
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class TrpTextExport;
class TrpHTMExport;
class TrpCSVExport;
class TrpRTFExport;

// A scale field's value: "," and "." both decimal separators; no number, or
// a number not above 0, gives 1.0.
double rpScaleFromText(const QString &text);

class TrpExportFormBase : public QDialog
{
    Q_OBJECT
public:
    explicit TrpExportFormBase(QWidget *parent);
    QPushButton *OkButton;
    QPushButton *CancelButton;

protected:
    QCheckBox *addCheck(const char *name, int text);
    QLineEdit *addEdit(const char *name, int label);
    void finish();
    class QVBoxLayout *m_layout;
};

class TrpTXTExportForm : public TrpExportFormBase
{
    Q_OBJECT
public:
    explicit TrpTXTExportForm(QWidget *parent = nullptr);
    void Load(const TrpTextExport &f);
    void Store(TrpTextExport &f) const;
    QCheckBox *CB1, *CB2, *CB3, *CB4, *CB5;
    QLineEdit *E1, *E2;
public slots:
    void CB3Click();
};

class TrpHTMExportForm : public TrpExportFormBase
{
    Q_OBJECT
public:
    explicit TrpHTMExportForm(QWidget *parent = nullptr);
    void Load(const TrpHTMExport &f);
    void Store(TrpHTMExport &f) const;
    QCheckBox *CB1, *CB2;
    QLineEdit *E2;
};

class TrpCSVExportForm : public TrpExportFormBase
{
    Q_OBJECT
public:
    explicit TrpCSVExportForm(QWidget *parent = nullptr);
    void Load(const TrpCSVExport &f);
    void Store(TrpCSVExport &f) const;
    QCheckBox *CB1, *CB2;
    QLineEdit *E1, *E2, *E3;
};

class TrpRTFExportForm : public TrpExportFormBase
{
    Q_OBJECT
public:
    explicit TrpRTFExportForm(QWidget *parent = nullptr);
    void Load(const TrpRTFExport &f);
    void Store(TrpRTFExport &f) const;
    QCheckBox *CB1, *CB2, *CB3, *CB5;
    QLineEdit *E1, *E2;
};

// The options dialog of a filter of this engine (text, HTML, delimited, RTF),
// run modally and read back whatever button closes it: 1 OK, 2 Cancel; 1 for
// a filter without a dialog. Plugged into TrpExportFilter::OptionsDialog.
class TrpExportFilter;
int rpExportOptionsDialog(TrpExportFilter &filter, QWidget *parent);
