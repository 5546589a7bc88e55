#pragma once
// The standard-sheet chooser "Выбор из базы листов" and the used-up sheets
// dialog "Склад (стандартные листы)", and the run driver's dialogs built on
// them and on the program's message boxes.
#include "engine/driver.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <memory>

class AppContext;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class TExDBGrid;

class TFormSelectSheets : public QDialog
{
    Q_OBJECT

public:
    explicit TFormSelectSheets(AppContext &ctx, QWidget *parent = nullptr);
    ~TFormSelectSheets() override;

    // Shows the standard sheets of the material with Many > 0 from the
    // warehouse's working copy (the data module's one-material table).
    void Prepare(int code);
    int MaterialCode() const { return m_code; }
    int SheetLength() const { return m_length; }
    int SheetWidth() const { return m_width; }
    int SheetQuantity() const { return m_quantity; }

    QLabel *lblMaterialCaption = nullptr;   // "Материал"
    QLabel *lblMaterial = nullptr;
    TExDBGrid *grdSheets = nullptr;
    QPushButton *BBOk = nullptr;
    QPushButton *tbCancel = nullptr;

public slots:
    void FormShow();
    void BBOkClick();
    void tbCancelClick();
    void FormClose();

protected:
    void showEvent(QShowEvent *e) override;
    void done(int r) override;

private:
    AppContext &m_ctx;
    int m_code = 0;
    int m_length = 0, m_width = 0, m_quantity = 0;
};

class TfrmSheetsError : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmSheetsError(QWidget *parent = nullptr);

    // 0 end, 1 go on without counting, 2 another standard sheet.
    int ItemIndex() const;
    void SetItemIndex(int i);

    QLabel *lblMessage = nullptr;
    QGroupBox *rgVariants = nullptr;
    QPushButton *bbNext = nullptr;   // "&Далее"

private:
    QButtonGroup *m_group = nullptr;
};

// What the run driver asks of the user. The two windows are made once and
// reused for the whole job, as the choice in the used-up dialog stays.
class TRaskroyDialogs : public kv::engine::IRaskroyDialogs
{
public:
    using LeftoverFactory = std::function<kv::engine::ILeftoverBase *(const QString &caption)>;
    // `leftover` makes the untitled part base of the parts left over.
    TRaskroyDialogs(AppContext &ctx, LeftoverFactory leftover, QWidget *parent = nullptr);
    ~TRaskroyDialogs() override;

    void error(const std::string &text) override;
    bool warningYesNo(const std::string &text) override;
    bool confirmYesNo(const std::string &text) override;
    kv::engine::TUsedUpChoice usedUpChoice() override;
    bool chooseStdSheet(int32_t code, kv::engine::TChosenSheet &chosen) override;
    kv::engine::ILeftoverBase *createLeftoverBase(const std::string &caption) override;

    TFormSelectSheets &SelectSheets();
    TfrmSheetsError &SheetsError();

private:
    AppContext &m_ctx;
    LeftoverFactory m_leftover;
    QPointer<QWidget> m_parent;
    // Children of the parent: a parent that goes takes them along.
    QPointer<TFormSelectSheets> m_select;
    QPointer<TfrmSheetsError> m_error;
};
