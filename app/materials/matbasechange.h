#pragma once
// The switch between the program's own materials base and an external one
// (a folder holding "ListMat.ini").
#include <QDialog>

class AppContext;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TComboEdit;

class TfrmMatBaseChange : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmMatBaseChange(AppContext &ctx, QWidget *parent = nullptr);

    QGroupBox *gbUse = nullptr;              // "Использовать"
    QRadioButton *rbLocalBase = nullptr;
    QRadioButton *rbExternalBase = nullptr;
    TComboEdit *cedPath = nullptr;   // its button browses for the folder
    QPushButton *bbOk = nullptr;
    QPushButton *bbCancel = nullptr;

    // The sibling product whose "Inbase\" folder is proposed.
    static constexpr const char *kSiblingKey = "\\Software\\Tamrelo\\Drumvel 2000\\5.00";
    static constexpr const char *kSiblingValue = "ProgPath";

public slots:
    void FormShow();
    void BrowseClick();
    void bbOkClick();
    void rbBaseClick();

private:
    AppContext &m_ctx;
};

// Shows the dialog; true on OK (the settings then hold the new choice).
bool ExecuteMatBaseChange(AppContext &ctx, QWidget *parent = nullptr);

// The main menu's "Переключение баз материалов": the dialog, then on OK the
// base connected anew (its MaterialsChanged refreshes every material view).
bool RunMatBaseChange(AppContext &ctx, QWidget *parent = nullptr);
