#pragma once
// Small dialogs shared by the windows: the merge count, the wait window,
// the name input, the quantity input and the missing-models notice.
#include <QDialog>
#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QPlainTextEdit;
class TExSpinEdit;
namespace kv {
class Ui;
}

// "Слияние": how many times the chosen part base joins the current one.
class TMergeForm : public QDialog
{
    Q_OBJECT

public:
    explicit TMergeForm(QWidget *parent = nullptr);
    TExSpinEdit *seCount() const { return m_count; }
    int Count() const;
    void SetCount(int n);
    // Yes when "&Да" was pressed.
    bool Confirmed() const { return m_yes; }

protected:
    void showEvent(QShowEvent *e) override;

private:
    TExSpinEdit *m_count;
    bool m_yes = false;
};

// "Пожалуйста подождите ...": not modal, borderless, on top, centred; the
// animation runs only while it is shown.
class TfrmWait : public QWidget
{
    Q_OBJECT

public:
    explicit TfrmWait(QWidget *parent = nullptr);
    bool Animating() const;

protected:
    void showEvent(QShowEvent *e) override;
    void hideEvent(QHideEvent *e) override;
    void timerEvent(QTimerEvent *e) override;
    void paintEvent(QPaintEvent *e) override;

private:
    int m_timer = 0;
    int m_frame = 0;
};

// "Ввод названия": the trimmed text on "&Да".
class TInputNameForm : public QDialog
{
    Q_OBJECT

public:
    explicit TInputNameForm(const QString &text, QWidget *parent = nullptr);
    QLineEdit *edName() const { return m_edit; }
    QPushButton *bbOk() const { return m_ok; }

public slots:
    void edNameChange();

private:
    QLineEdit *m_edit;
    QPushButton *m_ok;
};
// True and `text` trimmed after "&Да"; false and `text` unchanged otherwise.
bool InputNameDialog(kv::Ui &ui, QString &text, QWidget *parent = nullptr);

// "Изменение количества": borderless panel with a quantity.
class TfrmChangeQuantity : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmChangeQuantity(QWidget *parent = nullptr);
    TExSpinEdit *seQuantity() const { return m_spin; }
    int Quantity() const;
    void SetQuantity(int n);

protected:
    void showEvent(QShowEvent *e) override;

private:
    TExSpinEdit *m_spin;
};

// "Модели": the models without information, each name once; the list file
// is written into `autoRunFolder` when the user asks for it.
class TfrmNotPresentModels : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmNotPresentModels(QWidget *parent = nullptr);
    void SetModels(const QStringList &names);
    QPlainTextEdit *mmModels() const { return m_memo; }
    QRadioButton *rbIgnore() const { return m_ignore; }
    QRadioButton *rbCreateFile() const { return m_create; }

private:
    QPlainTextEdit *m_memo;
    QRadioButton *m_ignore;
    QRadioButton *m_create;
};

// Names equal without regard to case count once, in first-occurrence order.
QStringList DistinctModelNames(const QStringList &names);
// "tmp<n>.kmx" with the first free n in the folder: [MODELS] COUNT and one
// entry per given name with its count (duplicates included). Returns the file.
QString WriteNotPresentModelsFile(const QString &autoRunFolder, const QStringList &names, const QList<int> &counts);
// Shows the notice and writes the list file when asked; the file or "".
QString ShowNotPresentModels(kv::Ui &ui, const QStringList &names, const QList<int> &counts,
                             const QString &autoRunFolder, QWidget *parent = nullptr);
