#include "print/flows/pageform.h"

#include "controls/spinedit.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "print/flows/printflow.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The picture of a page beside the fields.
class PagePicture : public QWidget
{
public:
    explicit PagePicture(QWidget *parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("Image1"));
        setFixedSize(70, 90);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const QRect sheet(8, 4, 52, 80);
        p.fillRect(sheet.translated(3, 3), QColor(128, 128, 128));
        p.fillRect(sheet, Qt::white);
        p.setPen(Qt::black);
        p.drawRect(sheet);
        p.setPen(QPen(QColor(128, 128, 128), 1, Qt::DotLine));
        p.drawRect(sheet.adjusted(7, 9, -7, -9));
        p.setPen(QColor(160, 160, 160));
        for (int y = sheet.top() + 14; y < sheet.bottom() - 12; y += 6) p.drawLine(sheet.left() + 10, y, sheet.right() - 10, y);
    }
};

TExSpinEdit *field(QWidget *parent, const char *name)
{
    auto *e = new TExSpinEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setMinValue(0);
    e->setMaxValue(100);
    e->setCheckMaxValue(true);
    e->setCheckMinValue(true);
    e->setMaximumWidth(60);
    return e;
}

} // namespace

TPageForm::TPageForm(kv::Ui &ui, QWidget *parent) : QDialog(parent), m_ui(ui)
{
    setObjectName(QStringLiteral("PageForm"));
    kv::AttachUi(this, &m_ui);
    setWindowTitle(QStringLiteral("Параметры страницы"));
    setWindowFlags(windowFlags() | Qt::Tool);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(11);
    setFont(f);
    auto *root = new QVBoxLayout(this);
    auto *body = new QHBoxLayout;
    root->addLayout(body);
    auto *grid = new QGridLayout;
    TopFld = field(this, "TopFld");
    LeftFld = field(this, "LeftFld");
    RightFld = field(this, "RightFld");
    BottomFld = field(this, "BottomFld");
    const struct { const char *label; TExSpinEdit *edit; } rows[] = {
        {"Верхнее\nполе:", TopFld}, {"Левое\nполе:", LeftFld}, {"Правое\nполе:", RightFld}, {"Нижнее\nполе:", BottomFld}};
    int r = 0;
    for (const auto &row : rows) {
        auto *l = new QLabel(QString::fromUtf8(row.label), this);
        l->setObjectName(QStringLiteral("Label%1").arg(r + 1));
        auto *mm = new QLabel(QStringLiteral("мм"), this);
        mm->setObjectName(QStringLiteral("Label%1").arg(r + 6));
        grid->addWidget(l, r, 0);
        grid->addWidget(row.edit, r, 1);
        grid->addWidget(mm, r, 2);
        ++r;
    }
    body->addLayout(grid);
    body->addWidget(new PagePicture(this), 0, Qt::AlignTop);
    auto *bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    root->addWidget(bevel);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    BBOk = new QPushButton(QStringLiteral("&Да"), this);
    BBOk->setObjectName(QStringLiteral("BBOk"));
    BBOk->setDefault(true);
    BBCancel = new QPushButton(QStringLiteral("&Отмена"), this);
    BBCancel->setObjectName(QStringLiteral("BBCancel"));
    buttons->addWidget(BBOk);
    buttons->addWidget(BBCancel);
    root->addLayout(buttons);
    connect(BBOk, &QPushButton::clicked, this, [this] {
        if (TExSpinEdit::CheckRanges(this)) accept();
    });
    connect(BBCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool TPageForm::Edit(int margins[4])
{
    LeftFld->setValue(margins[0]);
    RightFld->setValue(margins[1]);
    TopFld->setValue(margins[2]);
    BottomFld->setValue(margins[3]);
    if (m_ui.runModal(*this) != QDialog::Accepted) return false;
    const TExSpinEdit *fields[4] = {LeftFld, RightFld, TopFld, BottomFld};
    for (int i = 0; i < 4; ++i) margins[i] = fields[i]->IntValue();
    return true;
}
