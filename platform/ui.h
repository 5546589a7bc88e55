#pragma once
// The message boxes of the program (error, warning, confirmation, information
// with their Russian captions and buttons), the folder chooser and the
// program-wide wait cursor. Tests answer the boxes and the chooser through
// hooks, so no display is needed.
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <vector>

class QWidget;

namespace kv {

enum class MsgKind { Error, Warning, Confirmation, Information };

enum class MsgButtons { Ok, YesNo, YesNoCancel, RetryCancel };

// The answer of a box; None when it was closed without a button.
enum class ModalResult { None, Ok, Cancel, Yes, No, Retry };

// Caption of a kind: "Ошибка", "Предупреждение", "Подтверждение", "Информация".
QString MessageCaption(MsgKind kind);
// Texts of the buttons of a set, in the order shown ("Да", "Нет", "Отмена"...).
QStringList MessageButtonTexts(MsgButtons buttons);
// "\r" (and "\r\n") of the program's texts become line breaks.
QString MessageDisplayText(const QString &text);

struct ShownMessage
{
    MsgKind kind;
    QString caption;
    QString text;       // as the caller passed it, "\r" kept
    MsgButtons buttons;
};

using MessageHook = std::function<ModalResult(const ShownMessage &)>;
// Installs a hook that answers every box instead of the user; returns the
// previous hook. An empty hook restores the real boxes.
MessageHook SetMessageHook(MessageHook hook);

// Shows a box and returns the button pressed. Without a hook and without a
// widget application the box cannot be shown: the text goes to stderr and the
// safest answer (Cancel, else No, else OK) is returned.
ModalResult MessageBox(MsgKind kind, const QString &text, MsgButtons buttons, QWidget *parent = nullptr);

void ShowError(const QString &text, QWidget *parent = nullptr);
void ShowInformation(const QString &text, QWidget *parent = nullptr);
ModalResult ShowWarning(const QString &text, MsgButtons buttons = MsgButtons::YesNo, QWidget *parent = nullptr);
ModalResult ShowConfirmation(const QString &text, MsgButtons buttons = MsgButtons::YesNo, QWidget *parent = nullptr);

// Shows a caught exception as an error box: the message of kv::Error, else
// the exception's own text.
void ShowException(const std::exception &e, QWidget *parent = nullptr);

// Runs `action`; an exception ends it with an error box instead of leaving the
// event loop. Returns false when the action failed.
bool RunGuarded(const std::function<void()> &action, QWidget *parent = nullptr);

// Records every box and answers them from a queue (then with a default) while
// it lives. For tests.
class ScopedMessageAnswers
{
public:
    explicit ScopedMessageAnswers(std::vector<ModalResult> answers = {},
                                  ModalResult otherwise = ModalResult::Ok);
    ~ScopedMessageAnswers();
    ScopedMessageAnswers(const ScopedMessageAnswers &) = delete;
    ScopedMessageAnswers &operator=(const ScopedMessageAnswers &) = delete;

    const std::vector<ShownMessage> &shown() const { return m_shown; }
    void answerNext(ModalResult r) { m_answers.push_back(r); }

private:
    std::vector<ShownMessage> m_shown;
    std::vector<ModalResult> m_answers;
    ModalResult m_otherwise;
    MessageHook m_previous;
};

// The folder chooser: true and the chosen folder in `folder`, or false and an
// empty `folder` when the user cancels. `root` (may be empty) is where it starts.
using FolderHook = std::function<bool(const QString &title, const QString &root, QString &folder)>;
FolderHook SetFolderHook(FolderHook hook);
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
