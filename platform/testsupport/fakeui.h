#pragma once
// The UI service of tests: boxes answered from a queue, dialogs, choosers and
// previews handed to the test's handlers, everything recorded. A test gives
// it to the context (or attaches it to the widget it drives); nothing is
// shown and nothing waits, unless `realMessages` lets real boxes run.
//   kv::test::FakeUi ui;
//   ui.onModal = [](QDialog &d) { ...; return int(QDialog::Accepted); };
//   kv::test::ScopedAnswers answers(ui, {kv::ModalResult::Yes});
#include "platform/testsupport/scoped.h"
#include "platform/ui.h"

#include <QColor>
#include <QDialog>
#include <QFont>
#include <QPointer>
#include <QPrinter>
#include <QStringList>

#include <deque>
#include <functional>
#include <type_traits>
#include <vector>

namespace kv::test {

class FakeUi : public Ui
{
public:
    // Every box, in order.
    std::vector<ShownMessage> shown;
    // The answers of the next boxes, then `otherwise`.
    std::deque<ModalResult> answers;
    ModalResult otherwise = ModalResult::Ok;
    // Answers a box instead of the queue when set.
    std::function<ModalResult(const ShownMessage &)> onMessage;
    // Real boxes (for tests of nested loops); still recorded.
    bool realMessages = false;

    // Each gets what the program asks and answers in place of the user; an
    // unset one cancels (and the dialog's name goes to `unanswered`).
    std::function<int(QDialog &)> onModal;
    // May set `filterIndex` to the filter the user picks.
    std::function<QString(FileChoice &)> onFile;
    std::function<bool(const QString &title, const QString &root, QString &folder)> onFolder;
    std::function<bool(QPrinter &)> onPrinter;
    std::function<bool(QFont &)> onFont;
    // The font dialog with the colour; without it onFont answers (the colour stays).
    std::function<bool(QFont &, QColor &)> onFontColor;
    std::function<bool(QColor &)> onColor;
    // Unset: the file or address counts as opened.
    std::function<bool(const QString &path)> onOpen;
    std::function<bool(const QString &url)> onLink;
    // The report ready to be built, instead of its preview: true when it
    // counts as shown. Unset: nothing is shown, unless `realReports` lets
    // the real preview road run.
    std::function<bool(QObject &report)> onReport;
    bool realReports = false;
    // A window the program puts into the main window's frame: true when it
    // was taken. Unset: there is no frame.
    std::function<bool(QWidget &window)> onFrame;

    std::vector<FileChoice> files;   // every file dialog asked for
    QStringList opened;              // every file handed to the desktop
    QStringList links;               // every address handed to the desktop
    QStringList unanswered;          // dialogs and choosers no handler took
    std::vector<int> helpShown;      // the help context of every pop-up help

    // The report handler for one report class: `f(report)` for a `Report`;
    // an `f` that returns nothing has always shown it.
    template <class Report, class F>
    void onReports(F f)
    {
        onReport = [f](QObject &o) -> bool {
            auto *r = dynamic_cast<Report *>(&o);
            if (!r) return false;
            if constexpr (std::is_void_v<std::invoke_result_t<F &, Report &>>) {
                f(*r);
                return true;
            } else {
                return f(*r);
            }
        };
    }

    ModalResult message(const ShownMessage &m, QWidget *parent) override
    {
        shown.push_back(m);
        if (onMessage) return onMessage(m);
        if (realMessages) return RealUi().message(m, parent);
        if (answers.empty()) return otherwise;
        const ModalResult r = answers.front();
        answers.pop_front();
        return r;
    }
    bool chooseFolder(const QString &title, const QString &root, QString &folder, QWidget *) override
    {
        if (!onFolder) return unanswer(QStringLiteral("folder:") + title);
        return onFolder(title, root, folder);
    }
    QString chooseFileName(FileChoice &choice, QWidget *) override
    {
        files.push_back(choice);
        if (!onFile) return unanswer(QStringLiteral("file:") + choice.title), QString();
        return onFile(choice);
    }
    int runModal(QDialog &dialog) override
    {
        if (!onModal) return unanswer(dialog.objectName()), int(QDialog::Rejected);
        // As the real one: a dialog its handler deleted gives Rejected.
        QPointer<QDialog> guard(&dialog);
        const int r = onModal(dialog);
        if (!guard) return int(QDialog::Rejected);
        dialog.setResult(r);
        dialog.hide();
        return r;
    }
    bool setupPrinter(QPrinter &printer, QWidget *) override
    {
        return onPrinter ? onPrinter(printer) : unanswer(QStringLiteral("printer"));
    }
    bool chooseFont(QFont &font, QWidget *) override { return onFont ? onFont(font) : unanswer(QStringLiteral("font")); }
    bool chooseFontAndColor(QFont &font, QColor &color, QWidget *) override
    {
        if (onFontColor) return onFontColor(font, color);
        return onFont ? onFont(font) : unanswer(QStringLiteral("font"));
    }
    bool chooseColor(QColor &color, QWidget *) override
    {
        return onColor ? onColor(color) : unanswer(QStringLiteral("color"));
    }
    bool openWithDesktop(const QString &path) override
    {
        opened << path;
        return onOpen ? onOpen(path) : true;
    }
    bool openLink(const QString &url) override
    {
        links << url;
        return onLink ? onLink(url) : true;
    }
    bool showReport(QObject &report, const std::function<bool()> &show) override
    {
        if (onReport) return onReport(report);
        if (!realReports) return false;
        AttachUi(&report, this);
        return show();
    }
    bool showInFrame(QWidget &window) override { return onFrame && onFrame(window); }
    void showHelp(QWidget &, int helpContext, const QPoint &) override { helpShown.push_back(helpContext); }

private:
    bool unanswer(const QString &what)
    {
        unanswered << what;
        return false;
    }
};

// A modal handler for dialogs a test works like a user: the dialog is shown
// (not modally), `steps` set its controls and press its buttons, and its
// result comes back (Rejected when the steps left it open).
inline std::function<int(QDialog &)> AsShown(std::function<void(QDialog &)> steps)
{
    return [steps = std::move(steps)](QDialog &d) {
        d.setResult(QDialog::Rejected);
        d.show();
        steps(d);
        if (d.isVisible()) d.reject();
        return d.result();
    };
}

// Answers the boxes of `ui` from a queue (then with a default) and records
// them while it lives; the answers before it come back at its end.
class [[nodiscard]] ScopedAnswers
{
public:
    explicit ScopedAnswers(FakeUi &ui, std::vector<ModalResult> answers = {}, ModalResult otherwise = ModalResult::Ok)
        : m_ui(ui), m_previous(std::move(ui.onMessage)), m_answers(answers.begin(), answers.end()),
          m_otherwise(otherwise)
    {
        ui.onMessage = [this](const ShownMessage &m) {
            m_shown.push_back(m);
            if (m_answers.empty()) return m_otherwise;
            const ModalResult r = m_answers.front();
            m_answers.pop_front();
            return r;
        };
    }
    ~ScopedAnswers() { m_ui.onMessage = std::move(m_previous); }
    ScopedAnswers(const ScopedAnswers &) = delete;
    ScopedAnswers &operator=(const ScopedAnswers &) = delete;

    const std::vector<ShownMessage> &shown() const { return m_shown; }
    void answerNext(ModalResult r) { m_answers.push_back(r); }

private:
    FakeUi &m_ui;
    std::function<ModalResult(const ShownMessage &)> m_previous;
    std::vector<ShownMessage> m_shown;
    std::deque<ModalResult> m_answers;
    ModalResult m_otherwise;
};

} // namespace kv::test
