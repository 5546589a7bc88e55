#pragma once
// The program's one way to the user: message boxes with the system's Russian
// captions and buttons, file and folder choosers, modal dialogs, the printer,
// font and colour dialogs, the desktop's application for a file, and the
// preview of a report. Windows get the service from their context; widgets
// of the lower libraries find it through the window they sit in (UiOf). Tests
// hand a fake (platform/testsupport/fakeui.h) to the context instead.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>

class QColor;
class QDialog;
class QFont;
class QPoint;
class QPrinter;
class QWidget;

namespace kv {

enum class MsgKind { Error, Warning, Confirmation, Information };

enum class MsgButtons { Ok, YesNo, YesNoCancel, RetryCancel, OkCancel };

// The answer of a box; None when it was closed without a button.
enum class ModalResult { None, Ok, Cancel, Yes, No, Retry };

// Caption of a kind: "Ошибка", "Предупреждение", "Подтверждение", "Информация".
QString MessageCaption(MsgKind kind);
// Texts of the buttons of a set, in the order shown ("Да", "Нет", "Отмена"...).
QStringList MessageButtonTexts(MsgButtons buttons);
// "\r" (and "\r\n") of the program's texts become line breaks.
QString MessageDisplayText(const QString &text);
// The answer when nobody can be asked: never the one that destroys something.
ModalResult SafestAnswer(MsgButtons buttons);

struct ShownMessage
{
    MsgKind kind;
    QString caption;
    QString text;       // as the caller passed it, "\r" kept
    MsgButtons buttons;
};

// An open or save dialog of the program.
struct FileChoice
{
    bool save = false;
    QString title;
    QString folder;       // first folder
    QString fileName;     // proposed name (may be empty)
    QString filter;       // the system's form: "Файлы баз деталей (*.kdx)|*.kdx|Все файлы|*.*"
    QString defaultExt;   // without the point: "kdx"
    // 1-based filter of `filter` shown first (0: the first); after OK, the
    // one the user left chosen.
    int filterIndex = 0;
};

// "A (*.x)|*.x|B|*.*" as Qt's "A (*.x);;B (*.*)".
QString QtFileFilter(const QString &systemFilter);

class Ui : public QObject
{
public:
    ~Ui() override;

    // A box; the button pressed, None when the box went without an answer.
    virtual ModalResult message(const ShownMessage &m, QWidget *parent) = 0;
    // True and the folder chosen, or false when cancelled. `root` (may be
    // empty) is where the chooser starts.
    virtual bool chooseFolder(const QString &title, const QString &root, QString &folder, QWidget *parent) = 0;
    // The path chosen as the dialog gave it, empty on Cancel; the filter
    // chosen goes back into `choice.filterIndex`.
    virtual QString chooseFileName(FileChoice &choice, QWidget *parent) = 0;
    // Runs a dialog made ready to show; its result (QDialog::Accepted,
    // Rejected or a dialog's own code). A dialog deleted while it runs gives
    // Rejected: callers hold what they use afterwards by QPointer.
    virtual int runModal(QDialog &dialog) = 0;
    // The printer dialog on `printer`: true after OK.
    virtual bool setupPrinter(QPrinter &printer, QWidget *parent) = 0;
    virtual bool chooseFont(QFont &font, QWidget *parent) = 0;
    // The font dialog with its effects: the font and its colour (the colour
    // combo "Цвет:" under the font's own choices).
    virtual bool chooseFontAndColor(QFont &font, QColor &color, QWidget *parent) = 0;
    virtual bool chooseColor(QColor &color, QWidget *parent) = 0;
    // The desktop's application for a file; false when nothing opened it.
    virtual bool openWithDesktop(const QString &path) = 0;
    // A web or mail address in the desktop's browser or mail program; false
    // when nothing opened it.
    virtual bool openLink(const QString &url) = 0;
    // A report ready to be built goes to its preview: `show` builds it and
    // opens the preview window (the report engine's own road), which reaches
    // this service through the report. False when nothing could be shown
    // (the build failed and said why).
    virtual bool showReport(QObject &report, const std::function<bool()> &show) = 0;
    // A window made a child of the main window's frame; false when there is
    // no frame to take it (the caller shows it on its own).
    virtual bool showInFrame(QWidget &window) = 0;
    // The pop-up help of a control (its help context) at a screen point.
    virtual void showHelp(QWidget &control, int helpContext, const QPoint &at) = 0;

    ModalResult ask(MsgKind kind, const QString &text, MsgButtons buttons, QWidget *parent = nullptr);
    void error(const QString &text, QWidget *parent = nullptr);
    void inform(const QString &text, QWidget *parent = nullptr);
    ModalResult warn(const QString &text, MsgButtons buttons = MsgButtons::YesNo, QWidget *parent = nullptr);
    ModalResult confirm(const QString &text, MsgButtons buttons = MsgButtons::YesNo, QWidget *parent = nullptr);
    // A caught exception as an error box: the message of kv::Error, else the
    // exception's own text.
    void exception(const std::exception &e, QWidget *parent = nullptr);
    // Runs `action`; an exception ends it with an error box instead of
    // leaving the event loop. False when the action failed.
    bool guarded(const std::function<void()> &action, QWidget *parent = nullptr);
    // The chosen path, empty when cancelled; the default extension is added
    // to a name typed without one.
    QString chooseFile(const FileChoice &choice, QWidget *parent = nullptr);
};

// The real boxes and dialogs. Without a widget application nothing can be
// shown: a box's text goes to stderr and the safest answer (Cancel, else No,
// else OK) is returned; choosers and dialogs are cancelled.
Ui &RealUi();

// A dialog at least as wide as the window manager needs to show its title
// whole (the title in bold and the frame's buttons); the real service does
// this for every dialog it runs.
void FitWindowTitle(QWidget &window);

// The service `object` or its nearest ancestor carries (AttachUi), else the
// real one.
Ui &UiOf(const QObject *object);
// `object` and everything beneath it reach `ui` through UiOf; null takes it
// off. The object only refers to `ui`: a service gone is no longer found.
void AttachUi(QObject *object, Ui *ui);

// A dialog made on the heap for one run, with its parent: a parent that dies
// inside the dialog's loop takes the dialog along, and this then holds null
// instead of freed memory. Deletes the dialog at the end of its scope.
//   kv::Owned<TfrmX> d(new TfrmX(this));
//   if (ui.runModal(*d) == QDialog::Accepted && d) use(d->Value());
template <class T>
class Owned
{
public:
    explicit Owned(T *object) : m_object(object) {}
    ~Owned() { delete m_object.data(); }
    Owned(const Owned &) = delete;
    Owned &operator=(const Owned &) = delete;

    T *get() const { return m_object.data(); }
    T *operator->() const { return m_object.data(); }
    T &operator*() const { return *m_object; }
    explicit operator bool() const { return !m_object.isNull(); }

private:
    QPointer<T> m_object;
};

// The boxes of a widget's window (UiOf(parent)), for the lower libraries.
ModalResult MessageBox(MsgKind kind, const QString &text, MsgButtons buttons, QWidget *parent = nullptr);
void ShowError(const QString &text, QWidget *parent = nullptr);
void ShowInformation(const QString &text, QWidget *parent = nullptr);
ModalResult ShowWarning(const QString &text, MsgButtons buttons = MsgButtons::YesNo, QWidget *parent = nullptr);
ModalResult ShowConfirmation(const QString &text, MsgButtons buttons = MsgButtons::YesNo, QWidget *parent = nullptr);
void ShowException(const std::exception &e, QWidget *parent = nullptr);
bool RunGuarded(const std::function<void()> &action, QWidget *parent = nullptr);
bool BrowseForFolder(const QString &title, const QString &root, QString &folder, QWidget *parent = nullptr);

// One wait cursor for the whole program; calls nest, only the outermost pair
// changes the cursor. EndBusyCursor without a Begin does nothing.
void BeginBusyCursor();
void EndBusyCursor();
int BusyCursorDepth();

// The wait cursor for a scope.
class BusyCursor
{
public:
    BusyCursor() { BeginBusyCursor(); }
    ~BusyCursor() { EndBusyCursor(); }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;
};

} // namespace kv
