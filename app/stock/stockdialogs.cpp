#include "app/stock/stockdialogs.h"

#include "controls/calendar.h"
#include "controls/dateedit.h"
#include "controls/spinedit.h"
#include "platform/text.h"
#include "platform/ui.h"
#include "platform/clock.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace kv;

namespace {

template <class T>
T *named(T *w, const char *name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

TExSpinEdit *spin(const char *name, double max, QWidget *parent, int decimals = 0)
{
    auto *s = named(new TExSpinEdit(parent), name);
    if (decimals > 0) {
        s->setValueType(TExSpinEdit::vtFloat);
        s->setDecimal(decimals);
    }
    s->setMinValue(0);
    s->setMaxValue(max);
    return s;
}

// "&Да" and "&Отмена" at the foot of a dialog; OK runs `ok` (accept by default).
QHBoxLayout *okCancel(QDialog *d, const std::function<void()> &ok = {})
{
    auto *row = new QHBoxLayout;
    row->addStretch();
    auto *bbOk = named(new QPushButton(QStringLiteral("&Да"), d), "bbOk");
    auto *bbCancel = named(new QPushButton(QStringLiteral("&Отмена"), d), "bbCancel");
    bbOk->setDefault(true);
    QObject::connect(bbOk, &QPushButton::clicked, d, [d, ok] {
        RunGuarded([&] {
            if (!TExSpinEdit::CheckRanges(d)) return;
            ok ? ok() : d->accept();
        }, d);
    });
    QObject::connect(bbCancel, &QPushButton::clicked, d, &QDialog::reject);
    row->addWidget(bbOk);
    row->addWidget(bbCancel);
    return row;
}

int whole(const TExSpinEdit *s)
{
    return s->IntValue();
}

const char *const kMonths[] = {"январь", "февраль", "март",     "апрель",  "май",    "июнь",
                               "июль",   "август",  "сентябрь", "октябрь", "ноябрь", "декабрь"};

} // namespace

// ---- "Добавление листов"

TfrmAddSheets::TfrmAddSheets(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAddSheets"));
    setWindowTitle(QStringLiteral("Добавление листов"));
    cbMaterial = named(new QComboBox(this), "cbMaterial");
    cbMaterial->setMinimumWidth(220);
    seLength = spin("seLength", 100000, this);
    seWidth = spin("seWidth", 100000, this);
    seQuantity = spin("seQuantity", 1000000, this);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Материал"), cbMaterial);
    form->addRow(QStringLiteral("Длина, мм"), seLength);
    form->addRow(QStringLiteral("Ширина, мм"), seWidth);
    form->addRow(QStringLiteral("Количество"), seQuantity);
    auto *v = new QVBoxLayout(this);
    v->addLayout(form);
    v->addLayout(okCancel(this, [this] { bbOkClick(); }));
    // The material comes chosen: the keyboard starts on the length.
    seLength->setFocus();
}

void TfrmAddSheets::SetMaterials(const MaterialList &materials, int current)
{
    cbMaterial->clear();
    for (const auto &m : materials) {
        if (m.first == kAllMaterials) continue;
        cbMaterial->addItem(m.second, m.first);
    }
    cbMaterial->setCurrentIndex(cbMaterial->findData(current));
}

int TfrmAddSheets::SheetLength() const
{
    return whole(seLength);
}

int TfrmAddSheets::SheetWidth() const
{
    return whole(seWidth);
}

int TfrmAddSheets::Quantity() const
{
    return whole(seQuantity);
}

int TfrmAddSheets::MaterialCode() const
{
    return cbMaterial->currentIndex() < 0 ? -1 : cbMaterial->currentData().toInt();
}

void TfrmAddSheets::bbOkClick()
{
    int field = -1;
    const QString err = CheckNewSheets(SheetLength(), SheetWidth(), Quantity(), MaterialCode() >= 0, &field);
    if (err.isEmpty()) {
        accept();
        return;
    }
    ShowError(err, this);
    QWidget *fields[] = {seLength, seWidth, seQuantity, cbMaterial};
    fields[field]->setFocus();
}

// ---- "Количество листов"

int ExecuteChangeSheetsQuantity(Ui &ui, int start, QWidget *parent)
{
    Owned<QDialog> d(new QDialog(parent));
    d->setObjectName(QStringLiteral("frmSheetsQuantity"));
    d->setWindowTitle(QStringLiteral("Количество листов"));
    TExSpinEdit *se = spin("seQuantity", 1000000, d.get());
    se->setValue(start);
    auto *v = new QVBoxLayout(d.get());
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Количество листов"), se);
    v->addLayout(form);
    v->addLayout(okCancel(d.get()));
    if (ui.runModal(*d) != QDialog::Accepted || !d) return -1;
    return whole(se);
}

// ---- "Параметры поступления остатков"

namespace {
constexpr double kMaxScrapSquare = 2147.483;
}

TfmClearScraps::TfmClearScraps(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fmClearScraps"));
    setWindowTitle(QStringLiteral("Параметры поступления остатков"));
    lbScrapsName = named(new QLabel(this), "lbScrapsName");
    auto *group = named(new QGroupBox(QStringLiteral("Считать отходами с"), this), "gbWaste");
    auto *grid = new QGridLayout(group);
    struct Row { QCheckBox *&check; const char *checkName; const char *caption; TExSpinEdit *&edit; const char *editName;
                 QLabel *&unit; const char *unitText; int decimals; };
    Row rows[] = {
        {chbLength, "chbLength", "длиной меньше", seWidth, "seWidth", lbWidthUnit, "мм", 0},
        {chbHeight, "chbHeight", "шириной меньше", seHeight, "seHeight", lbHeightUnit, "мм", 0},
        {chbSquare, "chbSquare", "площадью меньше", seSquare, "seSquare", lbSquareUnit, "кв м", 3},
        {chbSquareWidth, "chbSquareWidth", "минимальная длина", seSquareWidth, "seSquareWidth", lbSquareWidthUnit, "мм", 0},
        {chbSquareHeight, "chbSquareHeight", "минимальная ширина", seSquareHeight, "seSquareHeight", lbSquareHeightUnit,
         "мм", 0},
    };
    int r = 0;
    for (Row &row : rows) {
        row.check = named(new QCheckBox(QString::fromUtf8(row.caption), group), row.checkName);
        // The area is kept in square millimetres in a 32-bit key: 2147.483 m² at most.
        row.edit = spin(row.editName, row.decimals ? kMaxScrapSquare : 1000000000, group, row.decimals);
        // Room for the largest value, the area's three decimals included.
        row.edit->setMinimumWidth(row.edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000.000")) + 32);
        row.unit = new QLabel(QString::fromUtf8(row.unitText), group);
        const int indent = r >= 3 ? 1 : 0;   // the minimums belong to the area test
        grid->addWidget(row.check, r, indent, 1, 2 - indent);
        grid->addWidget(row.edit, r, 2);
        grid->addWidget(row.unit, r, 3);
        connect(row.check, &QCheckBox::toggled, this, &TfmClearScraps::UpdateStates);
        ++r;
    }
    grid->setColumnMinimumWidth(0, 16);
    chbLogicSumma = named(new QCheckBox(QStringLiteral("Использовать параметры совместно"), this), "chbLogicSumma");
    cbxDelScraps = named(new QCheckBox(QStringLiteral("Удалять отходы со склада"), this), "cbxDelScraps");
    connect(cbxDelScraps, &QCheckBox::clicked, this, &TfmClearScraps::UpdateStates);

    auto *v = new QVBoxLayout(this);
    auto *head = new QHBoxLayout;
    head->addWidget(new QLabel(QStringLiteral("Текущая база остатков"), this));
    head->addWidget(lbScrapsName, 1);
    v->addLayout(head);
    v->addWidget(group);
    v->addWidget(chbLogicSumma);
    v->addWidget(cbxDelScraps);
    v->addLayout(okCancel(this));
    UpdateStates();
}

void TfmClearScraps::SetMaterialName(const QString &name)
{
    lbScrapsName->setText(name);
}

void TfmClearScraps::Load(const TScrapSettings &s)
{
    chbLogicSumma->setChecked(s.CheckLogicSumma);
    chbLength->setChecked(s.CheckLength);
    seWidth->setValue(s.Length);
    chbHeight->setChecked(s.CheckHeight);
    seHeight->setValue(s.Height);
    chbSquare->setChecked(s.CheckSquare);
    seSquare->setValue(s.Square / 1000000.0);
    chbSquareWidth->setChecked(s.CheckSquareWidth);
    seSquareWidth->setValue(s.SquareWidth);
    chbSquareHeight->setChecked(s.CheckSquareHeight);
    seSquareHeight->setValue(s.SquareHeight);
    cbxDelScraps->setChecked(s.DeleteWaste != 0);
    UpdateStates();
}

TScrapSettings TfmClearScraps::Read() const
{
    TScrapSettings s;
    s.CheckLogicSumma = chbLogicSumma->isChecked();
    s.CheckLength = chbLength->isChecked();
    s.Length = whole(seWidth);
    s.CheckHeight = chbHeight->isChecked();
    s.Height = whole(seHeight);
    s.CheckSquare = chbSquare->isChecked();
    s.Square = int(std::clamp<long long>(std::llround(seSquare->Value() * 1000000.0), 0,
                                         std::numeric_limits<int>::max()));
    s.CheckSquareWidth = chbSquareWidth->isChecked();
    s.SquareWidth = whole(seSquareWidth);
    s.CheckSquareHeight = chbSquareHeight->isChecked();
    s.SquareHeight = whole(seSquareHeight);
    s.DeleteWaste = cbxDelScraps->isChecked() ? 1 : 0;
    return s;
}

void TfmClearScraps::UpdateStates()
{
    seWidth->setEnabled(chbLength->isChecked());
    lbWidthUnit->setEnabled(chbLength->isChecked());
    seHeight->setEnabled(chbHeight->isChecked());
    lbHeightUnit->setEnabled(chbHeight->isChecked());
    const bool area = chbSquare->isChecked();
    seSquare->setEnabled(area);
    lbSquareUnit->setEnabled(area);
    chbSquareWidth->setEnabled(area);
    chbSquareHeight->setEnabled(area);
    seSquareWidth->setEnabled(area && chbSquareWidth->isChecked());
    lbSquareWidthUnit->setEnabled(area && chbSquareWidth->isChecked());
    seSquareHeight->setEnabled(area && chbSquareHeight->isChecked());
    lbSquareHeightUnit->setEnabled(area && chbSquareHeight->isChecked());
}

void TfmClearScraps::showEvent(QShowEvent *e)
{
    // The stored "together" switch is shown as it is (it used to be cleared
    // here, so OK wrote it back off).
    UpdateStates();
    QDialog::showEvent(e);
}

// ---- "Маркировка остатков"

TfrmInputMarkerData::TfrmInputMarkerData(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmInputMarkerData"));
    setWindowTitle(QStringLiteral("Маркировка остатков"));
    edPrefix = named(new QLineEdit(this), "edPrefix");
    edSuffix = named(new QLineEdit(this), "edSuffix");
    edPrefix->setMaxLength(kScrapNameSize);
    edSuffix->setMaxLength(kScrapNameSize);
    chbNumbering = named(new QCheckBox(QStringLiteral("Сквозная нумерация остатков"), this), "chbNumbering");
    lbStart = named(new QLabel(QStringLiteral("начать с"), this), "lbStart");
    seMaxNumber = spin("seMaxNumber", 2147483647.0, this);
    seMaxNumber->setMinValue(1);
    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Префикс"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Номер"), this), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Суффикс"), this), 0, 2);
    grid->addWidget(edPrefix, 1, 0);
    grid->addWidget(named(new QLabel(QStringLiteral("1, 2, 3 ..."), this), "lbSample"), 1, 1, Qt::AlignCenter);
    grid->addWidget(edSuffix, 1, 2);
    auto *num = new QHBoxLayout;
    num->addWidget(chbNumbering);
    num->addStretch();
    num->addWidget(lbStart);
    num->addWidget(seMaxNumber);
    auto *v = new QVBoxLayout(this);
    v->addLayout(grid);
    v->addLayout(num);
    v->addLayout(okCancel(this));
    connect(chbNumbering, &QCheckBox::clicked, this, &TfrmInputMarkerData::chbNumberingClick);
    chbNumberingClick();
}

void TfrmInputMarkerData::Load(const TMarkSettings &m)
{
    chbNumbering->setChecked(m.MarkNumbering);
    edPrefix->setText(m.MarkPrefix);
    edSuffix->setText(m.MarkSuffix);
    seMaxNumber->setValue(double(m.MarkMaxNumber) + 1);
    chbNumberingClick();
}

TMarkSettings TfrmInputMarkerData::Read() const
{
    TMarkSettings m;
    m.MarkNumbering = chbNumbering->isChecked();
    m.MarkPrefix = edPrefix->text();
    m.MarkSuffix = edSuffix->text();
    m.MarkMaxNumber = std::max(0, whole(seMaxNumber) - 1);
    return m;
}

void TfrmInputMarkerData::chbNumberingClick()
{
    seMaxNumber->setEnabled(chbNumbering->isChecked());
    lbStart->setEnabled(chbNumbering->isChecked());
}

void TfrmInputMarkerData::showEvent(QShowEvent *e)
{
    chbNumberingClick();
    QDialog::showEvent(e);
}

// ---- "Фильтр"

TfrmInputDateFilter::TfrmInputDateFilter(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmInputDateFilter"));
    setWindowTitle(QStringLiteral("Фильтр"));
    dtFrom = named(new TDateEdit(this), "dtFrom");
    dtBefore = named(new TDateEdit(this), "dtBefore");
    for (TDateEdit *d : {dtFrom, dtBefore}) {
        d->SetDefaultToday(true);
        d->SetCheckOnExit(true);
    }
    lbFrom = new QLabel(QStringLiteral("с"), this);
    lbBefore = new QLabel(QStringLiteral("по"), this);
    cbShowAll = named(new QCheckBox(QStringLiteral("Показать все отходы"), this), "cbShowAll");
    auto *group = new QGroupBox(QStringLiteral("Показывать отходы, внесённые в базу отходов"), this);
    auto *row = new QHBoxLayout(group);
    row->addWidget(lbFrom);
    row->addWidget(dtFrom);
    row->addWidget(lbBefore);
    row->addWidget(dtBefore);
    auto *v = new QVBoxLayout(this);
    v->addWidget(group);
    v->addWidget(cbShowAll);
    v->addLayout(okCancel(this, [this] { bbOkClick(); }));
    connect(cbShowAll, &QCheckBox::toggled, this, &TfrmInputDateFilter::UpdateStates);
}

void TfrmInputDateFilter::SetRange(const DateRange &r)
{
    dtFrom->setText(formatDate(r.from));
    dtBefore->setText(formatDate(r.to));
    cbShowAll->setChecked(false);
}

bool TfrmInputDateFilter::ShowAll() const
{
    return cbShowAll->isChecked();
}

void TfrmInputDateFilter::UpdateStates()
{
    const bool on = !cbShowAll->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{lbFrom, lbBefore, dtFrom, dtBefore}) w->setEnabled(on);
}

void TfrmInputDateFilter::showEvent(QShowEvent *e)
{
    UpdateStates();
    QDialog::showEvent(e);
    dtFrom->setFocus();
}

void TfrmInputDateFilter::bbOkClick()
{
    if (cbShowAll->isChecked()) {
        accept();
        return;
    }
    QString message;
    const std::optional<DateRange> r = ParseDateRange(dtFrom->text(), dtBefore->text(), &message);
    if (!r) {
        // The dates stay as typed for mending.
        ShowError(message, this);
        return;
    }
    m_range = *r;
    accept();
}

// ---- "Выбор дня"

TfrmSelectDate::TfrmSelectDate(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSelectDate"));
    setWindowTitle(QStringLiteral("Выбор дня"));
    Calendar = named(new TExCalendar(this), "Calendar");
    Calendar->setMinimumSize(220, 140);
    cbMonth = named(new QComboBox(this), "cbMonth");
    for (const char *m : kMonths) cbMonth->addItem(QString::fromUtf8(m));
    seYear = spin("seYear", kLastYear, this);
    seYear->setMinValue(kFirstYear);
    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("месяц"), this));
    row->addWidget(cbMonth, 1);
    row->addWidget(new QLabel(QStringLiteral("год"), this));
    row->addWidget(seYear);
    auto *v = new QVBoxLayout(this);
    v->addLayout(row);
    v->addWidget(Calendar, 1);
    v->addLayout(okCancel(this));
    connect(cbMonth, &QComboBox::activated, this, &TfrmSelectDate::cbMonthChange);
    for (auto sig : {&TExSpinEdit::Change, &TExSpinEdit::topClicked, &TExSpinEdit::bottomClicked})
        connect(seYear, sig, this, &TfrmSelectDate::seYearChange);
    connect(Calendar, &TExCalendar::doubleClicked, this, &QDialog::accept);
    connect(Calendar, &TExCalendar::Change, this, [this] { showCalendarDate(); });
}

void TfrmSelectDate::SetDate(const QDate &d)
{
    Calendar->Model().SetCalendarDate(d.isValid() ? d : kv::Today());
    showCalendarDate();
}

QDate TfrmSelectDate::SelectedDate() const
{
    return Calendar->Model().CalendarDate();
}

void TfrmSelectDate::showCalendarDate()
{
    if (m_updating) return;
    m_updating = true;
    const QDate d = Calendar->Model().CalendarDate();
    cbMonth->setCurrentIndex(d.month() - 1);
    seYear->setValue(d.year());
    m_updating = false;
}

void TfrmSelectDate::cbMonthChange(int index)
{
    if (m_updating || index < 0) return;
    Calendar->Model().SetMonth(index + 1);
    Calendar->update();
    showCalendarDate();
}

void TfrmSelectDate::seYearChange()
{
    if (m_updating) return;
    const int y = whole(seYear);
    if (y < kFirstYear || y > kLastYear) return;   // still being typed
    Calendar->Model().SetYear(y);
    Calendar->update();
}

bool TfrmSelectDate::Execute(Ui &ui, QDate &date)
{
    SetDate(date);
    if (ui.runModal(*this) != QDialog::Accepted) return false;
    date = SelectedDate();
    return true;
}
