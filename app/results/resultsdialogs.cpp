#include "app/results/resultsdialogs.h"

#include "data/matoptions.h"
#include "platform/ui.h"
#include "widgets/gwcolors.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

using namespace kv;

namespace {
QDialogButtonBox *OkCancel(QDialog *d)
{
    auto *box = new QDialogButtonBox(d);
    QPushButton *ok = box->addButton(QStringLiteral("&Да"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("bbOk"));
    ok->setDefault(true);
    QPushButton *cancel = box->addButton(QStringLiteral("&Отмена"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("bbCancel"));
    QObject::connect(box, &QDialogButtonBox::accepted, d, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return box;
}
} // namespace

TfrmChangeScrapName::TfrmChangeScrapName(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmChangeScrapName"));
    setWindowTitle(QStringLiteral("Шифр остатка"));
    auto *lay = new QFormLayout(this);
    edScrapName = new QLineEdit(this);
    edScrapName->setObjectName(QStringLiteral("edScrapName"));
    // No longer than the off-cut table's NAME holds: a longer code would
    // block the acceptance of the whole variant.
    edScrapName->setMaxLength(kScrapNameSize);
    lay->addRow(QStringLiteral("Шифр"), edScrapName);
    lay->addRow(OkCancel(this));
}

void TfrmChangeScrapName::showEvent(QShowEvent *e)
{
    QDialog::showEvent(e);
    edScrapName->setFocus();
    edScrapName->selectAll();
}

bool TfrmChangeScrapName::Execute(Ui &ui, QWidget *parent, QString &name)
{
    Owned<TfrmChangeScrapName> d(new TfrmChangeScrapName(parent));
    d->edScrapName->setText(name);
    if (ui.runModal(*d) != QDialog::Accepted || !d)
        return false;
    name = d->edScrapName->text();
    return true;
}

// --- element colours ---------------------------------------------------------

TfrmAdvResult::TfrmAdvResult(Ui &ui, QWidget *parent) : QDialog(parent), m_ui(ui)
{
    setObjectName(QStringLiteral("frmAdvResult"));
    setWindowTitle(QStringLiteral("Дополнительные настройки"));
    auto *v = new QVBoxLayout(this);
    auto *grid = new QGridLayout;
    static const char *const names[] = {"shSheet", "shDetal", "shLostScrap", "shScrap", "shMill"};
    static const char *const captions[] = {"Лист", "Деталь", "Отход бесполезный", "Отход полезный", "Рез"};
    for (int i = 0; i < ElementCount; ++i) {
        auto *sw = new QLabel(this);
        sw->setObjectName(QString::fromLatin1(names[i]));
        sw->setFixedSize(40, 20);
        sw->setFrameShape(QFrame::Box);
        sw->setAutoFillBackground(true);
        sw->installEventFilter(this);
        m_swatches[size_t(i)] = sw;
        grid->addWidget(sw, i, 0);
        grid->addWidget(new QLabel(QString::fromUtf8(captions[i]), this), i, 1);
    }
    v->addLayout(grid);
    v->addWidget(OkCancel(this));
    for (int i = 0; i < ElementCount; ++i)
        SetElementColor(Element(i), 0);
}

void TfrmAdvResult::SetElementColor(Element e, MapColor c)
{
    m_colors[size_t(e)] = c;
    QWidget *sw = m_swatches[size_t(e)];
    QPalette pal = sw->palette();
    pal.setColor(QPalette::Window, gw::toQColor(gw::Color(c)));
    sw->setPalette(pal);
}

void TfrmAdvResult::SetColors(const MapColors &c)
{
    SetElementColor(Sheet, c.Sheet);
    SetElementColor(Detal, c.Detal);
    SetElementColor(LostScrap, c.Lost);
    SetElementColor(Scrap, c.Scrap);
    SetElementColor(Mill, c.Mill);
}

void TfrmAdvResult::GetColors(MapColors &c) const
{
    c.Sheet = ElementColor(Sheet);
    c.Detal = ElementColor(Detal);
    c.Lost = ElementColor(LostScrap);
    c.Scrap = ElementColor(Scrap);
    c.Mill = ElementColor(Mill);
}

void TfrmAdvResult::ChangeElementColor(int element)
{
    if (element < 0 || element >= ElementCount)
        return;
    gw::Color c = gw::Color(m_colors[size_t(element)]);
    if (gw::ChooseColor(m_ui, c, this))
        SetElementColor(Element(element), MapColor(c));
}

bool TfrmAdvResult::eventFilter(QObject *o, QEvent *e)
{
    if (e->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent *>(e)->button() == Qt::LeftButton) {
        for (int i = 0; i < ElementCount; ++i)
            if (o == m_swatches[size_t(i)]) {
                ChangeElementColor(i);
                return true;
            }
    }
    return QDialog::eventFilter(o, e);
}
