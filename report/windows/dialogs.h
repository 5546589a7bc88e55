#pragma once
// The engine's small dialogs: the template password prompt, the display
// format editor of memos and the preview's text search.
#include <QDialog>
#include <QString>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class TrpReportBase;

// An engine text, or the given English text when the engine has none for
// that number (the dialogs' own texts that the string table lacks).
QString rpEngineText(int number, const char *fallback);

class TrpPasswForm : public QDialog
{
    Q_OBJECT
public:
    explicit TrpPasswForm(QWidget *parent = nullptr);
    QLabel *L1, *L2;
    QLineEdit *E1;
    QPushButton *OK, *Cancel;

protected:
    void showEvent(QShowEvent *e) override;
};

// Asks for a password through the user interface of `parent`; true with
// OK, the typed text in `typed`.
bool rpAskPassword(QString &typed, QWidget *parent = nullptr);
// Lets a report ask for the password of protected templates with the prompt.
void rpInstallPasswordPrompt(TrpReportBase &report);

class TrpFmtForm : public QDialog
{
    Q_OBJECT
public:
    explicit TrpFmtForm(QWidget *parent = nullptr);

    // Given before showing; read after OK.
    int Format = 0;
    QString FormatText;

    // Fills the lists from Format (what activation does).
    void Activate();
    // Packs the fields into Format and FormatText (what OK does).
    void Apply();

    QListWidget *CatLB, *TypeLB;
    QLabel *Label1, *Label2, *Label3;
    QLineEdit *DecEdit, *SplEdit, *FormatEdit;
    QPushButton *OkBtn, *CancelBtn;

public slots:
    void CatLBClick();
    void TypeLBClick();

protected:
    void showEvent(QShowEvent *e) override;
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    void fillTypes(int category);
    void updateFields();
    int selectedCategory() const;
    int selectedType() const;
    bool m_filling = false;
};

// Opens the editor on a format; true (and the new values) with OK.
bool rpEditFormat(int &format, QString &formatText, QWidget *parent = nullptr);

class TrpPreviewSearchForm : public QDialog
{
    Q_OBJECT
public:
    explicit TrpPreviewSearchForm(QWidget *parent = nullptr);
    QLabel *Label1;
    QLineEdit *Edit1;
    QGroupBox *GroupBox1, *GroupBox2;
    QCheckBox *CB1;
    QRadioButton *RB1, *RB2;
    QPushButton *Button1, *Button2;

protected:
    void showEvent(QShowEvent *e) override;
};
