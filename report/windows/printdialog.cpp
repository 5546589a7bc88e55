#include "report/windows/printdialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/error.h"
#include "platform/ui.h"
#include "report/core/utils.h"

namespace {

// The collation picture: three numbered sheets per copy, stacked as collated
// or grouped by page.
class CollatePicture : public QWidget
{
public:
    CollatePicture(QCheckBox *collate, QWidget *parent) : QWidget(parent), m_collate(collate)
    {
        setFixedSize(92, 56);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setFont(QFont(QStringLiteral("Arial"), 7));
        auto sheet = [&p](int x, int y, int n) {
            p.setPen(Qt::black);
            p.setBrush(Qt::white);
            p.drawRect(x, y, 16, 22);
            p.drawText(QRect(x, y + 8, 16, 14), Qt::AlignCenter, QString::number(n));
        };
        if (m_collate->isChecked()) {
            // 74 x 53 at 8, 0: two stacks 1-2-3.
            for (int s = 0; s < 2; ++s)
                for (int n = 3; n >= 1; --n) sheet(8 + s * 38 + (3 - n) * 6, 0 + (3 - n) * 8 + 6, n);
        } else {
            // 92 x 40 at 0, 8: pairs 1-1, 2-2, 3-3.
            for (int n = 1; n <= 3; ++n)
                for (int s = 1; s >= 0; --s) sheet(0 + (n - 1) * 30 + s * 6, 8 + s * 8, n);
        }
    }

private:
    QCheckBox *m_collate;
};

// A label that toggles its check box when clicked.
class ToggleLabel : public QLabel
{
public:
    ToggleLabel(const QString &text, QCheckBox *box, QWidget *parent) : QLabel(text, parent), m_box(box)
    {
        setBuddy(box);
    }

protected:
    void mouseReleaseEvent(QMouseEvent *) override { m_box->toggle(); }

private:
    QCheckBox *m_box;
};

// Entering the pages field checks "Pages:".
class FocusWatcher : public QObject
{
public:
    FocusWatcher(QRadioButton *rb, QObject *parent) : QObject(parent), m_rb(rb) {}

protected:
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::FocusIn) m_rb->setChecked(true);
        return QObject::eventFilter(o, e);
    }

private:
    QRadioButton *m_rb;
};

int copiesOf(const QString &text, bool *ok)
{
    const int n = text.trimmed().toInt(ok);
    if (*ok && n < 1) *ok = false;
    return n;
}

} // namespace

TrpPrintForm::TrpPrintForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("rpPrintForm"));
    setWindowTitle(LoadEngineString(53040));
    auto *top = new QVBoxLayout(this);

    // Printer
    auto *printerBox = new QGroupBox(LoadEngineString(53041), this);
    auto *pl = new QHBoxLayout(printerBox);
    auto *nameLabel = new QLabel(LoadEngineString(53049), printerBox);
    CB1 = new QComboBox(printerBox);
    CB1->setObjectName(QStringLiteral("CB1"));
    nameLabel->setBuddy(CB1);
    PropButton = new QPushButton(LoadEngineString(53042), printerBox);
    PropButton->setObjectName(QStringLiteral("PropButton"));
    pl->addWidget(nameLabel);
    pl->addWidget(CB1, 1);
    pl->addWidget(PropButton);
    top->addWidget(printerBox);

    // Printers added or removed since the last choice show now; the virtual
    // printer (a PDF file) is the last entry.
    TrpPrinter &printer = rpPrinter();
    printer.RefreshPrinters();
    CB1->addItems(printer.Printers());
    m_oldIndex = printer.PrinterIndex();
    CB1->setCurrentIndex(m_oldIndex);
    PropButton->setEnabled(!printer.IsVirtual());
    connect(CB1, &QComboBox::activated, this, &TrpPrintForm::CB1Click);
    connect(PropButton, &QPushButton::clicked, this, &TrpPrintForm::PropButtonClick);

    auto *row = new QHBoxLayout;
    // Copies
    auto *copiesBox = new QGroupBox(LoadEngineString(53043), this);
    auto *cl = new QGridLayout(copiesBox);
    auto *copiesLabel = new QLabel(LoadEngineString(53050), copiesBox);
    E1 = new QLineEdit(QStringLiteral("1"), copiesBox);
    E1->setObjectName(QStringLiteral("E1"));
    copiesLabel->setBuddy(E1);
    UpButton = new QPushButton(QStringLiteral("+"), copiesBox);
    UpButton->setObjectName(QStringLiteral("UpButton"));
    DownButton = new QPushButton(QStringLiteral("-"), copiesBox);
    DownButton->setObjectName(QStringLiteral("DownButton"));
    UpButton->setFixedWidth(22);
    DownButton->setFixedWidth(22);
    CollateCB = new QCheckBox(copiesBox);
    CollateCB->setObjectName(QStringLiteral("CollateCB"));
    CollateCB->setChecked(true);
    auto *collateLabel = new ToggleLabel(LoadEngineString(53051), CollateCB, copiesBox);
    collateLabel->setObjectName(QStringLiteral("CollateL"));
    PB1 = new CollatePicture(CollateCB, copiesBox);
    PB1->setObjectName(QStringLiteral("PB1"));
    cl->addWidget(copiesLabel, 0, 0);
    cl->addWidget(E1, 0, 1);
    cl->addWidget(UpButton, 0, 2);
    cl->addWidget(DownButton, 0, 3);
    auto *collateRow = new QHBoxLayout;
    collateRow->addWidget(CollateCB);
    collateRow->addWidget(collateLabel);
    collateRow->addStretch();
    cl->addLayout(collateRow, 1, 0, 1, 2);
    cl->addWidget(PB1, 1, 2, 1, 2);
    connect(UpButton, &QPushButton::clicked, this, &TrpPrintForm::UpClick);
    connect(DownButton, &QPushButton::clicked, this, &TrpPrintForm::DownClick);
    connect(CollateCB, &QCheckBox::toggled, PB1, qOverload<>(&QWidget::update));

    // Page range
    auto *rangeBox = new QGroupBox(LoadEngineString(53044), this);
    auto *rl = new QGridLayout(rangeBox);
    RB1 = new QRadioButton(LoadEngineString(53045), rangeBox);
    RB1->setObjectName(QStringLiteral("RB1"));
    RB1->setChecked(true);
    RB2 = new QRadioButton(LoadEngineString(53046), rangeBox);
    RB2->setObjectName(QStringLiteral("RB2"));
    RB3 = new QRadioButton(LoadEngineString(53047), rangeBox);
    RB3->setObjectName(QStringLiteral("RB3"));
    E2 = new QLineEdit(rangeBox);
    E2->setObjectName(QStringLiteral("E2"));
    E2->installEventFilter(new FocusWatcher(RB3, E2));
    connect(E2, &QLineEdit::textEdited, RB3, [this] { RB3->setChecked(true); });
    connect(RB3, &QRadioButton::clicked, E2, [this] { E2->setFocus(); });
    auto *hint = new QLabel(LoadEngineString(53048), rangeBox);
    hint->setObjectName(QStringLiteral("Label7"));
    hint->setWordWrap(true);
    // Two lines wide and as tall as its lines: a wrapped label gets no
    // height of its own from the layouts around it.
    const QFontMetrics fm(hint->font());
    const int hintWidth = fm.horizontalAdvance(hint->text()) / 2 + 4 * fm.averageCharWidth();
    hint->setMinimumWidth(hintWidth);
    hint->setMinimumHeight(hint->heightForWidth(hintWidth));
    rl->addWidget(RB1, 0, 0, 1, 2);
    rl->addWidget(RB2, 1, 0, 1, 2);
    rl->addWidget(RB3, 2, 0);
    rl->addWidget(E2, 2, 1);
    rl->addWidget(hint, 3, 0, 1, 2);
    row->addWidget(rangeBox, 1);
    row->addWidget(copiesBox);
    top->addLayout(row);

    auto *bottom = new QHBoxLayout;
    auto *printLabel = new QLabel(LoadEngineString(53052), this);
    CB2 = new QComboBox(this);
    CB2->setObjectName(QStringLiteral("CB2"));
    CB2->addItems({LoadEngineString(53053), LoadEngineString(53054), LoadEngineString(53055)});
    CB2->setCurrentIndex(0);
    printLabel->setBuddy(CB2);
    bottom->addWidget(printLabel);
    bottom->addSpacing(11);
    bottom->addWidget(CB2);
    bottom->addStretch();
    auto *ok = new QPushButton(LoadEngineString(55000), this);
    ok->setObjectName(QStringLiteral("OkB"));
    ok->setDefault(true);
    auto *cancel = new QPushButton(LoadEngineString(55001), this);
    cancel->setObjectName(QStringLiteral("CancelB"));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    bottom->addWidget(ok);
    bottom->addWidget(cancel);
    top->addLayout(bottom);
}

void TrpPrintForm::CB1Click()
{
    if (CB1->currentIndex() >= 0) rpPrinter().SetPrinterIndex(CB1->currentIndex());
    // The virtual printer has no properties of its own.
    PropButton->setEnabled(!rpPrinter().IsVirtual());
}

void TrpPrintForm::PropButtonClick() { rpPrinter().PropertiesDialog(this); }

void TrpPrintForm::UpClick()
{
    bool ok = false;
    const int n = copiesOf(E1->text(), &ok);
    E1->setText(QString::number(ok ? n + 1 : 1));
}

void TrpPrintForm::DownClick()
{
    bool ok = false;
    const int n = copiesOf(E1->text(), &ok);
    E1->setText(QString::number(ok && n > 1 ? n - 1 : 1));
}

void TrpPrintForm::FormClose()
{
    if (result() != QDialog::Accepted) rpPrinter().SetPrinterIndex(m_oldIndex);
}

void TrpPrintForm::done(int r)
{
    if (r == QDialog::Accepted) {
        // Wrong copies or pages are said at once, and the dialog stays.
        bool ok = false;
        copiesOf(E1->text(), &ok);
        if (!ok) {
            kv::ShowError(QStringLiteral("'%1' is not a valid integer value").arg(E1->text()), this);
            E1->setFocus();
            return;
        }
        if (RB3->isChecked()) {
            try {
                TrpPageList::Parse(E2->text(), 1);
            } catch (const kv::Error &e) {
                kv::ShowError(e.message(), this);
                E2->setFocus();
                return;
            }
        }
    }
    QDialog::done(r);
    FormClose();
}

TrpPrintOptions TrpPrintForm::Options(int currentPage) const
{
    TrpPrintOptions o;
    if (RB2->isChecked())
        o.Pages = QString::number(currentPage);
    else if (RB3->isChecked())
        o.Pages = E2->text();
    o.OddEven = std::max(0, CB2->currentIndex());
    bool ok = false;
    const int n = copiesOf(E1->text(), &ok);
    o.Copies = ok ? n : 1;
    o.Collate = CollateCB->isChecked();
    return o;
}
