#include "app/common/smalldialogs.h"

#include "controls/spinedit.h"
#include "data/models/modelfiles.h"
#include "platform/strutils.h"
#include "platform/error.h"
#include "platform/ini.h"
#include "platform/text.h"
#include "platform/ui.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTimerEvent>
#include <QVBoxLayout>

#include <limits>

namespace {

QPushButton *button(QWidget *parent, const char *name, const QString &text)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

TExSpinEdit *spin(QWidget *parent, const char *name, double min, double max)
{
    auto *s = new TExSpinEdit(parent);
    s->setObjectName(QString::fromLatin1(name));
    s->setMinValue(min);
    s->setMaxValue(max);
    s->setCheckMinValue(true);
    s->setCheckMaxValue(true);
    return s;
}

} // namespace

// ---------------------------------------------------------------- merge

TMergeForm::TMergeForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("MergeForm"));
    setWindowTitle(QStringLiteral("Слияние"));
    auto *lay = new QVBoxLayout(this);
    auto *row = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("Количество"), this);
    label->setObjectName(QStringLiteral("Label1"));
    m_count = spin(this, "seCount", 1, 100);
    m_count->setValue(1);
    row->addWidget(label);
    row->addWidget(m_count);
    lay->addLayout(row);
    auto *buttons = new QHBoxLayout;
    QPushButton *yes = button(this, "bbYes", QStringLiteral("&Да"));
    yes->setDefault(true);
    QPushButton *cancel = button(this, "bbCancel", QStringLiteral("&Отмена"));
    buttons->addStretch();
    buttons->addWidget(yes);
    buttons->addWidget(cancel);
    lay->addLayout(buttons);
    connect(yes, &QPushButton::clicked, this, [this] {
        if (!TExSpinEdit::CheckRanges(this)) return;
        m_yes = true;
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

int TMergeForm::Count() const
{
    return m_count->IntValue();
}

void TMergeForm::SetCount(int n)
{
    m_count->setValue(n);
}

void TMergeForm::showEvent(QShowEvent *e)
{
    m_yes = false;
    QDialog::showEvent(e);
    m_count->setFocus();
}

// ---------------------------------------------------------------- wait

TfrmWait::TfrmWait(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmWait"));
    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(12, 48, 12, 12);
    auto *label = new QLabel(QStringLiteral("Пожалуйста подождите ..."), this);
    label->setObjectName(QStringLiteral("lbWait"));
    label->setAlignment(Qt::AlignCenter);
    lay->addWidget(label);
    resize(260, 90);
}

bool TfrmWait::Animating() const
{
    return m_timer != 0;
}

void TfrmWait::showEvent(QShowEvent *e)
{
    if (QScreen *s = QApplication::primaryScreen()) move(s->availableGeometry().center() - rect().center());
    if (!m_timer) m_timer = startTimer(100);
    QWidget::showEvent(e);
}

void TfrmWait::hideEvent(QHideEvent *e)
{
    if (m_timer) killTimer(m_timer);
    m_timer = 0;
    QWidget::hideEvent(e);
}

void TfrmWait::timerEvent(QTimerEvent *e)
{
    if (e->timerId() != m_timer) return QWidget::timerEvent(e);
    m_frame = (m_frame + 1) % 8;
    update();
}

void TfrmWait::paintEvent(QPaintEvent *)
{
    // A magnifier sweeping over a sheet: the find-file picture.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    const QRect sheet(width() / 2 - 30, 8, 60, 32);
    p.fillRect(sheet, Qt::white);
    p.drawRect(sheet);
    const int x = sheet.left() + 6 + (m_frame < 4 ? m_frame : 8 - m_frame) * 10;
    p.drawEllipse(QPoint(x + 6, 22), 7, 7);
    p.drawLine(x + 11, 27, x + 16, 34);
}

// ---------------------------------------------------------------- name input

TInputNameForm::TInputNameForm(const QString &text, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("InputNameForm"));
    setWindowTitle(QStringLiteral("Ввод названия"));
    auto *lay = new QVBoxLayout(this);
    auto *label = new QLabel(QStringLiteral("Название раздела"), this);
    label->setObjectName(QStringLiteral("Label1"));
    m_edit = new QLineEdit(text, this);
    m_edit->setObjectName(QStringLiteral("edName"));
    lay->addWidget(label);
    lay->addWidget(m_edit);
    auto *buttons = new QHBoxLayout;
    m_ok = button(this, "bbOk", QStringLiteral("&Да"));
    m_ok->setDefault(true);
    QPushButton *cancel = button(this, "bbCancel", QStringLiteral("&Отмена"));
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);
    lay->addLayout(buttons);
    connect(m_edit, &QLineEdit::textChanged, this, &TInputNameForm::edNameChange);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    edNameChange();
    resize(320, height());
}

void TInputNameForm::edNameChange()
{
    m_ok->setEnabled(!m_edit->text().trimmed().isEmpty());
}

bool InputNameDialog(kv::Ui &ui, QString &text, QWidget *parent)
{
    kv::Owned<TInputNameForm> dlg(new TInputNameForm(text, parent));
    if (ui.runModal(*dlg) != QDialog::Accepted || !dlg) return false;
    const QString name = dlg->edName()->text().trimmed();
    if (name.isEmpty()) return false;
    text = name;
    return true;
}

// ---------------------------------------------------------------- quantity

TfrmChangeQuantity::TfrmChangeQuantity(QWidget *parent) : QDialog(parent, Qt::Popup | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmChangeQuantity"));
    setWindowTitle(QStringLiteral("Изменение количества"));
    auto *frame = new QFrame(this);
    frame->setFrameShape(QFrame::Panel);
    frame->setFrameShadow(QFrame::Raised);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    auto *lay = new QHBoxLayout(frame);
    auto *label = new QLabel(QStringLiteral("Количество:"), frame);
    label->setObjectName(QStringLiteral("Label1"));
    m_spin = spin(frame, "seQuantity", 0, std::numeric_limits<int>::max());
    QPushButton *ok = button(frame, "bbOk", QStringLiteral("&Да"));
    ok->setDefault(true);
    lay->addWidget(label);
    lay->addWidget(m_spin);
    lay->addWidget(ok);
    connect(ok, &QPushButton::clicked, this, [this] {
        if (TExSpinEdit::CheckRanges(this)) accept();
    });
}

int TfrmChangeQuantity::Quantity() const
{
    return m_spin->IntValue();
}

void TfrmChangeQuantity::SetQuantity(int n)
{
    m_spin->setValue(n);
}

void TfrmChangeQuantity::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    m_spin->setFocus();
    m_spin->selectAll();
}

// ---------------------------------------------------------------- missing models

TfrmNotPresentModels::TfrmNotPresentModels(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmNotPresentModels"));
    setWindowTitle(QStringLiteral("Модели"));
    auto *lay = new QVBoxLayout(this);
    auto *top = new QHBoxLayout;
    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("imgIcon"));
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(32, 32));
    auto *text = new QLabel(QStringLiteral("ВНИМАНИЕ!\nОтсутствует информация для следующих моделей"), this);
    text->setObjectName(QStringLiteral("lbText"));
    top->addWidget(icon);
    top->addWidget(text, 1);
    lay->addLayout(top);
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("mmModels"));
    m_memo->setReadOnly(true);
    lay->addWidget(m_memo);
    m_ignore = new QRadioButton(QStringLiteral("Проигнорировать"), this);
    m_ignore->setObjectName(QStringLiteral("rbIgnore"));
    m_ignore->setChecked(true);
    m_create = new QRadioButton(QStringLiteral("Создать файл со списком моделей"), this);
    m_create->setObjectName(QStringLiteral("rbCreateFile"));
    lay->addWidget(m_ignore);
    lay->addWidget(m_create);
    auto *buttons = new QHBoxLayout;
    QPushButton *ok = button(this, "bbOk", QStringLiteral("&Да"));
    ok->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addStretch();
    lay->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    resize(360, 300);
}

void TfrmNotPresentModels::SetModels(const QStringList &names)
{
    m_memo->setPlainText(DistinctModelNames(names).join(QLatin1Char('\n')));
}

QStringList DistinctModelNames(const QStringList &names)
{
    QStringList out;
    for (const QString &n : names) {
        bool seen = false;
        for (const QString &o : out)
            if (o.compare(n, Qt::CaseInsensitive) == 0) seen = true;
        if (!seen) out.append(n);
    }
    return out;
}

QString WriteNotPresentModelsFile(const QString &autoRunFolder, const QStringList &names, const QList<int> &counts)
{
    const QString name = kv::FindFreeFileName(autoRunFolder, QStringLiteral("tmp%d.kmx"));
    if (name.isEmpty()) throw kv::Error(QStringLiteral("Ошибка создания файла со списком моделей."));
    QList<kv::ModelListEntry> entries;
    for (int i = 0; i < names.size(); ++i) entries << kv::ModelListEntry{names[i], i < counts.size() ? counts[i] : 0};
    const QString file = QDir(autoRunFolder).filePath(name);
    try {
        kv::WriteModelListFile(file, entries);
    } catch (const kv::Error &e) {
        throw kv::Error(QStringLiteral("Ошибка создания файла со списком моделей.\r%1").arg(e.message()));
    }
    return file;
}

QString ShowNotPresentModels(kv::Ui &ui, const QStringList &names, const QList<int> &counts,
                             const QString &autoRunFolder, QWidget *parent)
{
    kv::Owned<TfrmNotPresentModels> dlg(new TfrmNotPresentModels(parent));
    dlg->SetModels(names);
    ui.runModal(*dlg);
    if (!dlg || !dlg->rbCreateFile()->isChecked()) return {};
    return WriteNotPresentModelsFile(autoRunFolder, names, counts);
}
