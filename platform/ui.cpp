#include "platform/ui.h"

#include "platform/error.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>

namespace kv {

namespace {

MessageHook &messageHook()
{
    static MessageHook h;
    return h;
}

FolderHook &folderHook()
{
    static FolderHook h;
    return h;
}

struct ButtonDef
{
    ModalResult result;
    const char *text;
    QMessageBox::ButtonRole role;
};

std::vector<ButtonDef> buttonDefs(MsgButtons buttons)
{
    const ButtonDef yes{ModalResult::Yes, "Да", QMessageBox::YesRole};
    const ButtonDef no{ModalResult::No, "Нет", QMessageBox::NoRole};
    const ButtonDef cancel{ModalResult::Cancel, "Отмена", QMessageBox::RejectRole};
    const ButtonDef ok{ModalResult::Ok, "ОК", QMessageBox::AcceptRole};
    const ButtonDef retry{ModalResult::Retry, "Повторить", QMessageBox::AcceptRole};
    switch (buttons) {
    case MsgButtons::Ok: return {ok};
    case MsgButtons::YesNo: return {yes, no};
    case MsgButtons::YesNoCancel: return {yes, no, cancel};
    case MsgButtons::RetryCancel: return {retry, cancel};
    }
    return {ok};
}

// The answer when nobody can be asked: never the one that destroys something.
ModalResult safestAnswer(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok: return ModalResult::Ok;
    case MsgButtons::YesNo: return ModalResult::No;
    case MsgButtons::YesNoCancel:
    case MsgButtons::RetryCancel: return ModalResult::Cancel;
    }
    return ModalResult::Cancel;
}

QMessageBox::Icon iconOf(MsgKind kind)
{
    switch (kind) {
    case MsgKind::Error: return QMessageBox::Critical;
    case MsgKind::Warning: return QMessageBox::Warning;
    case MsgKind::Confirmation: return QMessageBox::Question;
    case MsgKind::Information: return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QString MessageCaption(MsgKind kind)
{
    switch (kind) {
    case MsgKind::Error: return QStringLiteral("Ошибка");
    case MsgKind::Warning: return QStringLiteral("Предупреждение");
    case MsgKind::Confirmation: return QStringLiteral("Подтверждение");
    case MsgKind::Information: return QStringLiteral("Информация");
    }
    return QString();
}

QStringList MessageButtonTexts(MsgButtons buttons)
{
    QStringList out;
    for (const ButtonDef &b : buttonDefs(buttons)) out << QString::fromUtf8(b.text);
    return out;
}

QString MessageDisplayText(const QString &text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

MessageHook SetMessageHook(MessageHook hook)
{
    MessageHook old = std::move(messageHook());
    messageHook() = std::move(hook);
    return old;
}

ModalResult MessageBox(MsgKind kind, const QString &text, MsgButtons buttons, QWidget *parent)
{
    const ShownMessage msg{kind, MessageCaption(kind), text, buttons};
    if (messageHook()) return messageHook()(msg);

    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        std::fprintf(stderr, "%s: %s\n", msg.caption.toLocal8Bit().constData(),
                     MessageDisplayText(text).toLocal8Bit().constData());
        return safestAnswer(buttons);
    }

    QMessageBox box(iconOf(kind), msg.caption, MessageDisplayText(text), QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setTextFormat(Qt::PlainText);
    const std::vector<ButtonDef> defs = buttonDefs(buttons);
    std::vector<std::pair<QAbstractButton *, ModalResult>> map;
    for (size_t i = 0; i < defs.size(); ++i) {
        QPushButton *b = box.addButton(QString::fromUtf8(defs[i].text), defs[i].role);
        map.emplace_back(b, defs[i].result);
        if (i == 0) box.setDefaultButton(b);
    }
    // Escape gives the Cancel or No answer; a lone OK also closes on Escape.
    for (auto &[b, r] : map)
        if (r == safestAnswer(buttons)) box.setEscapeButton(b);
    // A wait cursor must not stay on while the user reads the box.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (busy) QApplication::restoreOverrideCursor();
    QAbstractButton *clicked = box.clickedButton();
    for (auto &[b, r] : map)
        if (b == clicked) return r;
    return ModalResult::None;
}

void ShowError(const QString &text, QWidget *parent)
{
    MessageBox(MsgKind::Error, text, MsgButtons::Ok, parent);
}

void ShowInformation(const QString &text, QWidget *parent)
{
    MessageBox(MsgKind::Information, text, MsgButtons::Ok, parent);
}

ModalResult ShowWarning(const QString &text, MsgButtons buttons, QWidget *parent)
{
    return MessageBox(MsgKind::Warning, text, buttons, parent);
}

ModalResult ShowConfirmation(const QString &text, MsgButtons buttons, QWidget *parent)
{
    return MessageBox(MsgKind::Confirmation, text, buttons, parent);
}

void ShowException(const std::exception &e, QWidget *parent)
{
    if (const auto *err = dynamic_cast<const Error *>(&e))
        ShowError(err->message(), parent);
    else
        ShowError(QString::fromLocal8Bit(e.what()), parent);
}

bool RunGuarded(const std::function<void()> &action, QWidget *parent)
{
    try {
        action();
        return true;
    } catch (const std::exception &e) {
        ShowException(e, parent);
    } catch (...) {
        ShowError(QStringLiteral("Внутренняя ошибка."), parent);
    }
    return false;
}

ScopedMessageAnswers::ScopedMessageAnswers(std::vector<ModalResult> answers, ModalResult otherwise)
    : m_answers(std::move(answers)), m_otherwise(otherwise)
{
    m_previous = SetMessageHook([this](const ShownMessage &m) {
        m_shown.push_back(m);
        if (m_answers.empty()) return m_otherwise;
        const ModalResult r = m_answers.front();
        m_answers.erase(m_answers.begin());
        return r;
    });
}

ScopedMessageAnswers::~ScopedMessageAnswers()
{
    SetMessageHook(std::move(m_previous));
}

FolderHook SetFolderHook(FolderHook hook)
{
    FolderHook old = std::move(folderHook());
    folderHook() = std::move(hook);
    return old;
}

bool BrowseForFolder(const QString &title, const QString &root, QString &folder, QWidget *parent)
{
    folder.clear();
    bool chosen = false;
    if (folderHook()) {
        chosen = folderHook()(title, root, folder);
    } else if (qobject_cast<QApplication *>(QCoreApplication::instance())) {
        folder = QFileDialog::getExistingDirectory(parent, title, root, QFileDialog::ShowDirsOnly);
        chosen = !folder.isEmpty();
    }
    if (!chosen) folder.clear();
    return chosen;
}

namespace {
int g_busyCount = 0;
}

void BeginBusyCursor()
{
    if (g_busyCount == 0 && qobject_cast<QApplication *>(QCoreApplication::instance()))
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    ++g_busyCount;
}

void EndBusyCursor()
{
    if (g_busyCount <= 0) return;
    --g_busyCount;
    if (g_busyCount == 0 && qobject_cast<QApplication *>(QCoreApplication::instance()))
        QApplication::restoreOverrideCursor();
}

int BusyCursorDepth()
{
    return g_busyCount;
}

} // namespace kv
