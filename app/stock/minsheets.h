#pragma once
// "Минимум листов": the minimum stock of standard sheets per material, and
// the check that lists the sheets falling short ("Стандартные листы").
#include <QDialog>

#include <functional>
#include <memory>

class AppContext;
class QAction;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolBar;
class TExDBGrid;

namespace kv {
class DataSource;
class Table;
class Ui;
} // namespace kv

class TfrmMinSheetsQuantity : public QDialog
{
    Q_OBJECT

public:
    // Makes "Quantity.dbf" anew from the settings; a failure is shown and
    // leaves the dialog without a table (IsReady false).
    explicit TfrmMinSheetsQuantity(AppContext &ctx, QWidget *parent = nullptr);
    ~TfrmMinSheetsQuantity() override;

    bool IsReady() const;
    // Moves to the row of the material; false when there is none.
    bool GotoMaterial(int code);

    kv::Table *tblQuantity = nullptr;
    kv::DataSource *srcQuantity = nullptr;
    QToolBar *ToolBar = nullptr;
    TExDBGrid *grdQuantity = nullptr;
    QAction *OkAction = nullptr;         // "&Да"
    QAction *QuantityAction = nullptr;   // "&Количество"
    QAction *CancelAction = nullptr;     // "&Отмена"

public slots:
    void bbOkClick();
    void QuantityActionExecute();
    void QuantityActionUpdate();

private:
    AppContext &m_ctx;
    QString m_tableFile;
};

// Opens the dialog on the row of `code` and shows it modally.
void ExecuteMinSheetsQuantity(AppContext &ctx, int code, QWidget *parent = nullptr);

// "Стандартные листы": the short sheets in a memo under the warning.
class TfrmMinStdSheets : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmMinStdSheets(const QString &text, QWidget *parent = nullptr);

    QLabel *imgWarning = nullptr;
    QLabel *lblWarning = nullptr;
    QPlainTextEdit *mmSheets = nullptr;
    QPushButton *bbOk = nullptr;
};

void ExecuteMinStdSheets(kv::Ui &ui, const QString &text, QWidget *parent = nullptr);

// The check over the warehouse's working copy: the short sheets in the
// window, else (with `reportEnough`) "Стандартных листов на складе
// достаточно!". A table that cannot be read is reported. Returns whether
// any sheet is short.
bool CheckStdSheetsStock(AppContext &ctx, bool reportEnough, QWidget *parent = nullptr);
