#include "report/windows/reportui.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ui.h"
#include "report/building/report.h"
#include "report/core/utils.h"
#include "report/model/object.h"
#include "report/script/scriptengine.h"
#include "report/windows/dialogs.h"

namespace {

// The user interface of the report being built (the one a script runs in).
kv::Ui &currentUi()
{
    auto *report = dynamic_cast<QObject *>(rpObjects().Report);
    return kv::UiOf(report);
}

QWidget *widgetOf(QObject *o)
{
    for (; o; o = o->parent())
        if (auto *w = qobject_cast<QWidget *>(o)) return w;
    return nullptr;
}

// Message-box constants of the scripts: the low four bits choose the
// buttons, the next four the icon; the answers are the button codes.
enum { idOk = 1, idCancel = 2, idAbort = 3, idRetry = 4, idYes = 6, idNo = 7 };

class UiDialogs : public TrpDialogs
{
public:
    QString InputBox(const QString &caption, const QString &prompt, const QString &defaultText) override
    {
        kv::Ui &ui = currentUi();
        kv::Owned<QDialog> d(new QDialog(widgetOf(dynamic_cast<QObject *>(rpObjects().Report))));
        d->setObjectName(QStringLiteral("rpInputBox"));
        d->setWindowTitle(caption);
        auto *v = new QVBoxLayout(d.get());
        auto *label = new QLabel(prompt, d.get());
        label->setObjectName(QStringLiteral("Label1"));
        auto *edit = new QLineEdit(defaultText, d.get());
        edit->setObjectName(QStringLiteral("E1"));
        edit->selectAll();
        auto *buttons = new QDialogButtonBox(d.get());
        QPushButton *ok = buttons->addButton(LoadEngineString(55000), QDialogButtonBox::AcceptRole);
        ok->setObjectName(QStringLiteral("OK"));
        ok->setDefault(true);
        buttons->addButton(LoadEngineString(55001), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("Cancel"));
        QObject::connect(buttons, &QDialogButtonBox::accepted, d.get(), &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, d.get(), &QDialog::reject);
        v->addWidget(label);
        v->addWidget(edit);
        v->addWidget(buttons);
        // Cancel keeps the default, as the platform's input box does.
        if (ui.runModal(*d) != QDialog::Accepted || !d) return defaultText;
        return edit->text();
    }

    int MessageBox(const QString &text, const QString &caption, int flags) override
    {
        kv::MsgButtons buttons = kv::MsgButtons::Ok;
        switch (flags & 0x0F) {
        case 1: buttons = kv::MsgButtons::OkCancel; break;
        case 2:   // abort, retry, ignore: Retry and Cancel (as Abort) stand for it
        case 5: buttons = kv::MsgButtons::RetryCancel; break;
        case 3: buttons = kv::MsgButtons::YesNoCancel; break;
        case 4: buttons = kv::MsgButtons::YesNo; break;
        default: break;
        }
        kv::MsgKind kind = kv::MsgKind::Information;
        switch (flags & 0xF0) {
        case 0x10: kind = kv::MsgKind::Error; break;
        case 0x20: kind = kv::MsgKind::Confirmation; break;
        case 0x30: kind = kv::MsgKind::Warning; break;
        default: break;
        }
        const kv::ModalResult r = currentUi().message({kind, caption, text, buttons},
                                                      widgetOf(dynamic_cast<QObject *>(rpObjects().Report)));
        switch (r) {
        case kv::ModalResult::Ok: return idOk;
        case kv::ModalResult::Yes: return idYes;
        case kv::ModalResult::No: return idNo;
        case kv::ModalResult::Retry: return idRetry;
        case kv::ModalResult::Cancel: return (flags & 0x0F) == 2 ? idAbort : idCancel;
        case kv::ModalResult::None: break;
        }
        // A box closed without a button answers as its Cancel, or OK when it has none.
        if (buttons == kv::MsgButtons::Ok) return idOk;
        if (buttons == kv::MsgButtons::YesNo) return idNo;
        return (flags & 0x0F) == 2 ? idAbort : idCancel;
    }
};

UiDialogs &uiDialogs()
{
    static UiDialogs d;
    return d;
}

} // namespace

void rpConnectUi(TrpReport &report, kv::Ui &ui, QWidget *parent)
{
    kv::AttachUi(&report, &ui);
    QPointer<QWidget> window(parent);
    QPointer<TrpReport> self(&report);
    report.ErrorHook = [self, window](const QString &text) {
        kv::UiOf(self).message({kv::MsgKind::Error, LoadEngineString(55206), text, kv::MsgButtons::Ok},
                               window ? window.data() : widgetOf(self));
    };
    rpInstallPasswordPrompt(report);
    rpEngine().SetDialogs(&uiDialogs());
}

TrpLoadResult rpLoadTemplate(TrpReport &report, const QString &fileName)
{
    if (!QFileInfo(fileName).isFile()) return TrpLoadResult::Missing;
    // What the engine says while loading, and how the password prompt was
    // answered, tell a failed load from a whole one.
    bool said = false;
    bool typed = false;
    auto hook = report.ErrorHook;
    auto prompt = report.PasswordDialog;
    report.ErrorHook = [&](const QString &text) {
        said = true;
        if (hook) hook(text);
    };
    report.PasswordDialog = [&](QString &text) {
        typed = prompt && prompt(text);
        return typed;
    };
    struct Restore
    {
        TrpReport &r;
        std::function<void(const QString &)> hook;
        std::function<bool(QString &)> prompt;
        ~Restore()
        {
            r.ErrorHook = hook;
            r.PasswordDialog = prompt;
        }
    } restore{report, hook, prompt};
    const bool loaded = report.LoadFromFile(fileName) && report.LoadedWhole();
    if (loaded && !said) return TrpLoadResult::Loaded;
    if (!said && typed)
        kv::UiOf(&report).error(QStringLiteral("Неверный пароль шаблона отчета \"%1\".")
                                    .arg(QFileInfo(fileName).fileName()),
                                widgetOf(&report));
    return TrpLoadResult::Failed;
}
