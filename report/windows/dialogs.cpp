#include "report/windows/dialogs.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/text.h"
#include "platform/ui.h"
#include "report/core/display_format.h"
#include "report/core/utils.h"
#include "report/model/reportbase.h"

QString rpEngineText(int number, const char *fallback)
{
    const QString t = LoadEngineString(number);
    return t.isEmpty() ? kv::uiText(fallback) : t;
}

namespace {

QPushButton *makeButton(QWidget *parent, const char *name, const QString &text)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

template <class T> T *named(T *w, const char *name)
{
    w->setObjectName(QLatin1String(name));
    return w;
}

// Texts of the format types (engine texts 55150 + category x 5 + type) that
// the string table may lack.
const char *typeFallback(int number)
{
    switch (number) {
    case 55150: return "[None]";
    case 55155: return "1234,5";
    case 55156: return "1234,50";
    case 55157: return "1 234,5";
    case 55158: return "1 234,50";
    case 55159: return "Custom";
    case 55160: return "11.15.98";
    case 55161: return "11.15.1998";
    case 55162: return "15 nov 1998";
    case 55163: return "15 november 1998";
    case 55164: return "Custom";
    case 55165: return "02:43:35";
    case 55166: return "2:43:35";
    case 55167: return "02:43";
    case 55168: return "2:43";
    case 55169: return "Custom";
    case 55170: return "0;1";
    case 55171: return "No;Yes";
    case 55172: return "_;x";
    case 55173: return "False;True";
    case 55174: return "Custom";
    default: return "";
    }
}

} // namespace

// ---------------------------------------------------------------- password

TrpPasswForm::TrpPasswForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TrpPasswForm"));
    L1 = named(new QLabel(rpEngineText(55654, "Enter password for opening report"), this), "L1");
    L2 = named(new QLabel(rpEngineText(55655, "Retype password for validate"), this), "L2");
    L2->hide();
    E1 = named(new QLineEdit(this), "E1");
    E1->setEchoMode(QLineEdit::Password);
    OK = makeButton(this, "OK", LoadEngineString(55000));
    Cancel = makeButton(this, "Cancel", LoadEngineString(55001));
    OK->setDefault(true);
    setWindowTitle(rpEngineText(55653, "Password"));
    auto *v = new QVBoxLayout(this);
    v->addWidget(L1);
    v->addWidget(E1);
    v->addWidget(L2);
    auto *h = new QHBoxLayout;
    h->addStretch();
    h->addWidget(OK);
    h->addWidget(Cancel);
    v->addLayout(h);
    connect(OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TrpPasswForm::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    E1->setFocus();
}

namespace {

bool askPassword(kv::Ui &ui, QString &typed, QWidget *parent)
{
    kv::Owned<TrpPasswForm> f(new TrpPasswForm(parent));
    if (ui.runModal(*f) != QDialog::Accepted || !f) return false;
    typed = f->E1->text();
    return true;
}

} // namespace

bool rpAskPassword(QString &typed, QWidget *parent)
{
    return askPassword(kv::UiOf(parent), typed, parent);
}

void rpInstallPasswordPrompt(TrpReportBase &report)
{
    // A report that is an object asks through the user interface it reaches.
    QPointer<QObject> owner(dynamic_cast<QObject *>(&report));
    report.PasswordDialog = [owner](QString &typed) { return askPassword(kv::UiOf(owner), typed, nullptr); };
}

// ---------------------------------------------------------------- format editor

TrpFmtForm::TrpFmtForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TrpFmtForm"));
    setWindowTitle(rpEngineText(53420, "Variable formatting"));
    CatLB = named(new QListWidget(this), "CatLB");
    TypeLB = named(new QListWidget(this), "TypeLB");
    Label1 = named(new QLabel(rpEngineText(53421, "Decimal digits"), this), "Label1");
    Label2 = named(new QLabel(rpEngineText(53422, "Frac delimiter"), this), "Label2");
    Label3 = named(new QLabel(rpEngineText(53423, "Format"), this), "Label3");
    DecEdit = named(new QLineEdit(this), "DecEdit");
    SplEdit = named(new QLineEdit(this), "SplEdit");
    FormatEdit = named(new QLineEdit(this), "FormatEdit");
    OkBtn = makeButton(this, "Button1", LoadEngineString(55000));
    CancelBtn = makeButton(this, "Button2", LoadEngineString(55001));
    OkBtn->setDefault(true);
    SplEdit->installEventFilter(this);

    auto *g = new QGridLayout(this);
    g->addWidget(CatLB, 0, 0, 1, 2);
    g->addWidget(TypeLB, 0, 2, 1, 2);
    g->addWidget(Label1, 1, 0);
    g->addWidget(DecEdit, 1, 1);
    g->addWidget(Label2, 1, 2);
    g->addWidget(SplEdit, 1, 3);
    g->addWidget(Label3, 2, 0);
    g->addWidget(FormatEdit, 2, 1, 1, 3);
    auto *h = new QHBoxLayout;
    h->addStretch();
    h->addWidget(OkBtn);
    h->addWidget(CancelBtn);
    g->addLayout(h, 3, 0, 1, 4);
    connect(CatLB, &QListWidget::currentRowChanged, this, [this] { CatLBClick(); });
    connect(TypeLB, &QListWidget::currentRowChanged, this, [this] { TypeLBClick(); });
    connect(OkBtn, &QPushButton::clicked, this, [this] {
        Apply();
        accept();
    });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TrpFmtForm::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    Activate();
}

bool TrpFmtForm::eventFilter(QObject *o, QEvent *e)
{
    if (o == SplEdit && e->type() == QEvent::FocusIn) QTimer::singleShot(0, SplEdit, [this] { SplEdit->selectAll(); });
    return QDialog::eventFilter(o, e);
}

int TrpFmtForm::selectedCategory() const { return std::max(0, CatLB->currentRow()); }

int TrpFmtForm::selectedType() const
{
    const QListWidgetItem *it = TypeLB->currentItem();
    return it ? it->data(Qt::UserRole).toInt() : 0;
}

void TrpFmtForm::fillTypes(int category)
{
    m_filling = true;
    TypeLB->clear();
    for (int t = 0; t < 5; ++t) {
        const int n = 55150 + category * 5 + t;
        const QString text = rpEngineText(n, typeFallback(n));
        if (text.isEmpty()) continue;
        auto *it = new QListWidgetItem(text, TypeLB);
        it->setData(Qt::UserRole, t);
    }
    if (TypeLB->count() > 0) TypeLB->setCurrentRow(0);
    m_filling = false;
}

void TrpFmtForm::Activate()
{
    m_filling = true;
    CatLB->clear();
    for (int c = 0; c < 5; ++c) CatLB->addItem(LoadEngineString(55130 + c));
    const int cat = rpFormatCategory(Format);
    CatLB->setCurrentRow(cat < 5 ? cat : 0);
    m_filling = false;
    fillTypes(selectedCategory());
    const int type = rpFormatSubFormat(Format);
    for (int i = 0; i < TypeLB->count(); ++i)
        if (TypeLB->item(i)->data(Qt::UserRole).toInt() == type) TypeLB->setCurrentRow(i);
    updateFields();
}

void TrpFmtForm::CatLBClick()
{
    if (m_filling) return;
    fillTypes(selectedCategory());
    updateFields();
}

void TrpFmtForm::TypeLBClick()
{
    if (m_filling) return;
    updateFields();
}

void TrpFmtForm::updateFields()
{
    const bool number = selectedCategory() == rpfcNumber;
    const bool custom = selectedType() == rpfsCustom;
    auto style = [](QWidget *w, bool on, bool field) {
        w->setEnabled(on);
        QPalette p = w->palette();
        if (field) p.setColor(QPalette::Base, on ? QColor(Qt::white) : QColor(0xD4, 0xD0, 0xC8));
        else p.setColor(QPalette::WindowText, on ? QColor(Qt::black) : QColor(0x80, 0x80, 0x80));
        w->setPalette(p);
    };
    style(Label1, number, false);
    style(Label2, number, false);
    style(DecEdit, number, true);
    style(SplEdit, number, true);
    style(Label3, custom, false);
    style(FormatEdit, custom, true);
    if (number) {
        DecEdit->setText(QString::number(rpFormatDecimals(Format)));
        SplEdit->setText(QString(rpFormatSeparator(Format)));
    } else {
        DecEdit->clear();
        SplEdit->clear();
    }
    FormatEdit->setText(custom ? FormatText : QString());
}

void TrpFmtForm::Apply()
{
    bool ok = false;
    int dec = DecEdit->text().trimmed().toInt(&ok);
    if (!ok || dec < 0 || dec > 255) dec = 0;
    const QString sep = SplEdit->text();
    // The separator is one byte of the code; characters beyond Latin-1 cannot be kept.
    char sepChar = ',';
    if (!sep.isEmpty() && sep.at(0).unicode() > 0 && sep.at(0).unicode() < 256) sepChar = char(sep.at(0).unicode());
    Format = rpMakeFormatCode(selectedCategory(), selectedType(), dec, sepChar);
    if (FormatEdit->isEnabled()) FormatText = FormatEdit->text();
}

bool rpEditFormat(int &format, QString &formatText, QWidget *parent)
{
    kv::Owned<TrpFmtForm> f(new TrpFmtForm(parent));
    f->Format = format;
    f->FormatText = formatText;
    if (kv::UiOf(parent).runModal(*f) != QDialog::Accepted || !f) return false;
    format = f->Format;
    formatText = f->FormatText;
    return true;
}

// ---------------------------------------------------------------- search

TrpPreviewSearchForm::TrpPreviewSearchForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TrpPreviewSearchForm"));
    setWindowTitle(LoadEngineString(53000));
    Label1 = named(new QLabel(LoadEngineString(53001), this), "Label1");
    Edit1 = named(new QLineEdit(this), "Edit1");
    Label1->setBuddy(Edit1);
    GroupBox1 = named(new QGroupBox(LoadEngineString(53002), this), "GroupBox1");
    CB1 = named(new QCheckBox(LoadEngineString(53003), GroupBox1), "CB1");
    GroupBox2 = named(new QGroupBox(LoadEngineString(53004), this), "GroupBox2");
    RB1 = named(new QRadioButton(LoadEngineString(53005), GroupBox2), "RB1");
    RB2 = named(new QRadioButton(LoadEngineString(53006), GroupBox2), "RB2");
    RB1->setChecked(true);
    Button1 = makeButton(this, "Button1", LoadEngineString(55000));
    Button2 = makeButton(this, "Button2", LoadEngineString(55001));
    Button1->setDefault(true);
    auto *g1 = new QVBoxLayout(GroupBox1);
    g1->addWidget(CB1);
    auto *g2 = new QVBoxLayout(GroupBox2);
    g2->addWidget(RB1);
    g2->addWidget(RB2);
    auto *v = new QVBoxLayout(this);
    v->addWidget(Label1);
    v->addWidget(Edit1);
    auto *h = new QHBoxLayout;
    h->addWidget(GroupBox1);
    h->addWidget(GroupBox2);
    v->addLayout(h);
    auto *hb = new QHBoxLayout;
    hb->addStretch();
    hb->addWidget(Button1);
    hb->addWidget(Button2);
    v->addLayout(hb);
    connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

void TrpPreviewSearchForm::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    Edit1->setFocus();
    Edit1->selectAll();
}
