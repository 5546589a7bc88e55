#include "platform/ui.h"

#include "platform/error.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWhatsThis>

#include <algorithm>
#include <cstdio>
#include <type_traits>

namespace kv {

namespace {

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
    case MsgButtons::OkCancel: return {ok, cancel};
    }
    return {ok};
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

bool widgetsRun()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr;
}

// A wait cursor must not stay on while the user reads a box or fills a dialog.
class ArrowWhileAsking
{
public:
    ArrowWhileAsking() : m_busy(QApplication::overrideCursor() != nullptr)
    {
        if (m_busy) QApplication::setOverrideCursor(Qt::ArrowCursor);
    }
    ~ArrowWhileAsking()
    {
        if (m_busy) QApplication::restoreOverrideCursor();
    }
    ArrowWhileAsking(const ArrowWhileAsking &) = delete;
    ArrowWhileAsking &operator=(const ArrowWhileAsking &) = delete;

private:
    bool m_busy;
};

// Runs a dialog of our own making. It lives on the heap with its parent, so
// a parent deleted inside the dialog's loop takes the dialog along instead
// of freeing a stack object; the dialog is gone then and null comes back.
// The dialog's answer is read only while it still exists.
template <class D, class Read>
auto runOwned(D *dialog, Read &&read)
{
    QPointer<D> guard(dialog);
    const int code = dialog->exec();
    using Result = std::invoke_result_t<Read, D &, int>;
    if (!guard) return Result{};
    Result result = read(*dialog, code);
    delete dialog;
    return result;
}

// The sixteen colours a font dialog with effects offers.
struct NamedColor
{
    QRgb rgb;
    const char *name;
};
const NamedColor kFontColors[] = {
    {0x000000, "Черный"},     {0x800000, "Бордовый"},  {0x008000, "Зеленый"},    {0x808000, "Оливковый"},
    {0x000080, "Темно-синий"}, {0x800080, "Фиолетовый"}, {0x008080, "Сине-зеленый"}, {0x808080, "Серый"},
    {0xC0C0C0, "Серебряный"}, {0xFF0000, "Красный"},   {0x00FF00, "Лайм"},       {0xFFFF00, "Желтый"},
    {0x0000FF, "Синий"},      {0xFF00FF, "Фуксия"},    {0x00FFFF, "Морская волна"}, {0xFFFFFF, "Белый"},
};

QIcon colorSwatch(const QColor &c)
{
    QPixmap pm(24, 14);
    pm.fill(c);
    QPainter p(&pm);
    p.setPen(Qt::black);
    p.drawRect(0, 0, pm.width() - 1, pm.height() - 1);
    return QIcon(pm);
}

// Qt's font dialog (its own widgets, embedded) with the colour under it.
class FontColorDialog : public QDialog
{
public:
    FontColorDialog(const QFont &font, const QColor &color, QWidget *parent) : QDialog(parent)
    {
        setObjectName(QStringLiteral("FontDialog"));
        setWindowTitle(QStringLiteral("Шрифт"));
        m_font = new QFontDialog(font, this);
        m_font->setObjectName(QStringLiteral("FontChooser"));
        m_font->setWindowFlags(Qt::Widget);
        m_font->setOptions(QFontDialog::DontUseNativeDialog | QFontDialog::NoButtons);
        m_color = new QComboBox(this);
        m_color->setObjectName(QStringLiteral("cbColor"));
        for (const NamedColor &c : kFontColors)
            m_color->addItem(colorSwatch(QColor(c.rgb)), QString::fromUtf8(c.name), QColor(c.rgb));
        int at = m_color->findData(QColor(color.rgb()));
        if (at < 0 && color.isValid()) {
            // A colour of the settings outside the sixteen stays on offer.
            m_color->addItem(colorSwatch(color), QStringLiteral("Другой"), QColor(color.rgb()));
            at = m_color->count() - 1;
        }
        m_color->setCurrentIndex(std::max(0, at));
        auto *label = new QLabel(QStringLiteral("&Цвет:"), this);
        label->setBuddy(m_color);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ОК"));
        buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto *colorRow = new QHBoxLayout;
        colorRow->addWidget(label);
        colorRow->addWidget(m_color, 1);
        colorRow->addStretch(2);
        auto *lay = new QVBoxLayout(this);
        lay->addWidget(m_font, 1);
        lay->addLayout(colorRow);
        lay->addWidget(buttons);
    }
    QFont selectedFont() const { return m_font->currentFont(); }
    QColor selectedColor() const { return m_color->currentData().value<QColor>(); }

private:
    QFontDialog *m_font;
    QComboBox *m_color;
};

class QtUi final : public Ui
{
public:
    ModalResult message(const ShownMessage &msg, QWidget *parent) override
    {
        if (!widgetsRun()) {
            std::fprintf(stderr, "%s: %s\n", msg.caption.toLocal8Bit().constData(),
                         MessageDisplayText(msg.text).toLocal8Bit().constData());
            return SafestAnswer(msg.buttons);
        }
        auto *box = new QMessageBox(iconOf(msg.kind), msg.caption, MessageDisplayText(msg.text), QMessageBox::NoButton,
                                    parent);
        box->setObjectName(QStringLiteral("MessageBox"));
        box->setTextFormat(Qt::PlainText);
        const std::vector<ButtonDef> defs = buttonDefs(msg.buttons);
        std::vector<std::pair<QAbstractButton *, ModalResult>> map;
        for (size_t i = 0; i < defs.size(); ++i) {
            QPushButton *b = box->addButton(QString::fromUtf8(defs[i].text), defs[i].role);
            map.emplace_back(b, defs[i].result);
            if (i == 0) box->setDefaultButton(b);
        }
        // Escape gives the Cancel or No answer; a lone OK also closes on Escape.
        for (auto &[b, r] : map)
            if (r == SafestAnswer(msg.buttons)) box->setEscapeButton(b);
        const ArrowWhileAsking arrow;
        return runOwned(box, [&](QMessageBox &b, int) {
            QAbstractButton *clicked = b.clickedButton();
            for (auto &[button, r] : map)
                if (button == clicked) return r;
            return ModalResult::None;
        });
    }

    bool chooseFolder(const QString &title, const QString &root, QString &folder, QWidget *parent) override
    {
        folder.clear();
        if (!widgetsRun()) return false;
        auto *dlg = new QFileDialog(parent, title, root);
        dlg->setFileMode(QFileDialog::Directory);
        dlg->setOption(QFileDialog::ShowDirsOnly);
        folder = runOwned(dlg, [](QFileDialog &d, int code) {
            return code == QDialog::Accepted && !d.selectedFiles().isEmpty() ? d.selectedFiles().constFirst()
                                                                                 : QString();
        });
        return !folder.isEmpty();
    }

    QString chooseFileName(FileChoice &choice, QWidget *parent) override
    {
        if (!widgetsRun()) return QString();
        const QString filters = QtFileFilter(choice.filter);
        const QStringList names = filters.split(QStringLiteral(";;"));
        auto *dlg = new QFileDialog(parent, choice.title, choice.folder, filters);
        dlg->setObjectName(choice.save ? QStringLiteral("SaveDialog") : QStringLiteral("OpenDialog"));
        dlg->setAcceptMode(choice.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dlg->setFileMode(choice.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        dlg->setDefaultSuffix(choice.defaultExt);
        if (choice.filterIndex >= 1 && choice.filterIndex <= names.size())
            dlg->selectNameFilter(names[choice.filterIndex - 1]);
        if (!choice.fileName.isEmpty()) dlg->selectFile(choice.fileName);
        return runOwned(dlg, [&](QFileDialog &d, int code) {
            if (code != QDialog::Accepted || d.selectedFiles().isEmpty()) return QString();
            choice.filterIndex = int(names.indexOf(d.selectedNameFilter())) + 1;
            return d.selectedFiles().constFirst();
        });
    }

    int runModal(QDialog &dialog) override
    {
        if (!widgetsRun()) return QDialog::Rejected;
        const ArrowWhileAsking arrow;
        QPointer<QDialog> guard(&dialog);
        FitWindowTitle(dialog);
        const int r = dialog.exec();
        return guard ? r : int(QDialog::Rejected);
    }

    bool setupPrinter(QPrinter &printer, QWidget *parent) override
    {
        if (!widgetsRun()) return false;
        return runOwned(new QPrintDialog(&printer, parent),
                        [](QPrintDialog &, int code) { return code == QDialog::Accepted; });
    }

    bool chooseFont(QFont &font, QWidget *parent) override
    {
        if (!widgetsRun()) return false;
        auto *dlg = new QFontDialog(font, parent);
        dlg->setOption(QFontDialog::DontUseNativeDialog);
        return runOwned(dlg, [&font](QFontDialog &d, int code) {
            if (code != QDialog::Accepted) return false;
            font = d.selectedFont();
            return true;
        });
    }

    bool chooseFontAndColor(QFont &font, QColor &color, QWidget *parent) override
    {
        if (!widgetsRun()) return false;
        return runOwned(new FontColorDialog(font, color, parent), [&](FontColorDialog &d, int code) {
            if (code != QDialog::Accepted) return false;
            font = d.selectedFont();
            color = d.selectedColor();
            return true;
        });
    }

    bool chooseColor(QColor &color, QWidget *parent) override
    {
        if (!widgetsRun()) return false;
        const QColor chosen = runOwned(new QColorDialog(color, parent), [](QColorDialog &d, int code) {
            return code == QDialog::Accepted ? d.selectedColor() : QColor();
        });
        if (!chosen.isValid()) return false;
        color = chosen;
        return true;
    }

    bool openWithDesktop(const QString &path) override
    {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }

    bool openLink(const QString &url) override { return QDesktopServices::openUrl(QUrl(url, QUrl::StrictMode)); }

    bool showReport(QObject &report, const std::function<bool()> &show) override
    {
        AttachUi(&report, this);
        return show();
    }

    // The platform knows no main window: the window stays one of its own.
    bool showInFrame(QWidget &) override { return false; }

    void showHelp(QWidget &control, int, const QPoint &at) override
    {
        if (widgetsRun() && !control.toolTip().isEmpty()) QWhatsThis::showText(at, control.toolTip(), &control);
    }
};

// Says which service a window and what lies beneath it reach.
class UiLink : public QObject
{
public:
    UiLink(QObject *owner, Ui *ui) : QObject(owner), ui(ui) { setObjectName(QStringLiteral("kvUiLink")); }
    QPointer<Ui> ui;
};

UiLink *linkOf(const QObject *o)
{
    for (QObject *c : o->children())
        if (auto *l = dynamic_cast<UiLink *>(c)) return l;
    return nullptr;
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

ModalResult SafestAnswer(MsgButtons buttons)
{
    switch (buttons) {
    case MsgButtons::Ok: return ModalResult::Ok;
    case MsgButtons::YesNo: return ModalResult::No;
    case MsgButtons::YesNoCancel:
    case MsgButtons::OkCancel:
    case MsgButtons::RetryCancel: return ModalResult::Cancel;
    }
    return ModalResult::Cancel;
}

QString QtFileFilter(const QString &systemFilter)
{
    const QStringList parts = systemFilter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString name = parts[i], mask = QString(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
        out << (name.contains(QLatin1Char('(')) ? name : name + QStringLiteral(" (") + mask + QLatin1Char(')'));
    }
    return out.join(QStringLiteral(";;"));
}

Ui::~Ui() = default;

ModalResult Ui::ask(MsgKind kind, const QString &text, MsgButtons buttons, QWidget *parent)
{
    return message(ShownMessage{kind, MessageCaption(kind), text, buttons}, parent);
}

void Ui::error(const QString &text, QWidget *parent)
{
    ask(MsgKind::Error, text, MsgButtons::Ok, parent);
}

void Ui::inform(const QString &text, QWidget *parent)
{
    ask(MsgKind::Information, text, MsgButtons::Ok, parent);
}

ModalResult Ui::warn(const QString &text, MsgButtons buttons, QWidget *parent)
{
    return ask(MsgKind::Warning, text, buttons, parent);
}

ModalResult Ui::confirm(const QString &text, MsgButtons buttons, QWidget *parent)
{
    return ask(MsgKind::Confirmation, text, buttons, parent);
}

void Ui::exception(const std::exception &e, QWidget *parent)
{
    if (const auto *err = dynamic_cast<const Error *>(&e))
        error(err->message(), parent);
    else
        error(QString::fromLocal8Bit(e.what()), parent);
}

bool Ui::guarded(const std::function<void()> &action, QWidget *parent)
{
    try {
        action();
        return true;
    } catch (const std::exception &e) {
        exception(e, parent);
    } catch (...) {
        error(QStringLiteral("Внутренняя ошибка."), parent);
    }
    return false;
}

QString Ui::chooseFile(const FileChoice &choice, QWidget *parent)
{
    FileChoice asked = choice;
    QString path = chooseFileName(asked, parent);
    if (!path.isEmpty() && !choice.defaultExt.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + choice.defaultExt;
    return path;
}

Ui &RealUi()
{
    // Holds no state of a test or a window: the same boxes for everyone.
    static QtUi ui;
    return ui;
}

void FitWindowTitle(QWidget &window)
{
    const QString title = window.windowTitle();
    if (title.isEmpty()) return;
    QFont bold = window.font();
    bold.setBold(true);
    // The frame's icon, buttons and margins beside the title (a window
    // manager's title of about the dialog's size; openbox cuts it narrower).
    const int need = QFontMetrics(bold).horizontalAdvance(title) + 150;
    if (window.minimumWidth() >= need) return;
    if (window.minimumWidth() > 0 && window.minimumWidth() == window.maximumWidth()) window.setFixedWidth(need);
    else window.setMinimumWidth(need);
}

Ui &UiOf(const QObject *object)
{
    for (const QObject *o = object; o; o = o->parent())
        if (UiLink *l = linkOf(o); l && l->ui) return *l->ui;
    return RealUi();
}

void AttachUi(QObject *object, Ui *ui)
{
    if (!object) return;
    UiLink *l = linkOf(object);
    if (!ui) {
        delete l;
        return;
    }
    if (l) l->ui = ui;
    else new UiLink(object, ui);
}

ModalResult MessageBox(MsgKind kind, const QString &text, MsgButtons buttons, QWidget *parent)
{
    return UiOf(parent).ask(kind, text, buttons, parent);
}

void ShowError(const QString &text, QWidget *parent)
{
    UiOf(parent).error(text, parent);
}

void ShowInformation(const QString &text, QWidget *parent)
{
    UiOf(parent).inform(text, parent);
}

ModalResult ShowWarning(const QString &text, MsgButtons buttons, QWidget *parent)
{
    return UiOf(parent).warn(text, buttons, parent);
}

ModalResult ShowConfirmation(const QString &text, MsgButtons buttons, QWidget *parent)
{
    return UiOf(parent).confirm(text, buttons, parent);
}

void ShowException(const std::exception &e, QWidget *parent)
{
    UiOf(parent).exception(e, parent);
}

bool RunGuarded(const std::function<void()> &action, QWidget *parent)
{
    return UiOf(parent).guarded(action, parent);
}

bool BrowseForFolder(const QString &title, const QString &root, QString &folder, QWidget *parent)
{
    folder.clear();
    const bool chosen = UiOf(parent).chooseFolder(title, root, folder, parent);
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
