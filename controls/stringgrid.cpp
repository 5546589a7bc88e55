#include "controls/stringgrid.h"

#include "controls/calendar.h"
#include "controls/dates.h"
#include "controls/vclutils.h"
#include "platform/text.h"
#include "platform/clock.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>

#include <cmath>

QString RemoveChar(QChar c, const QString &text)
{
    QString s = text;
    s.remove(c);
    return s;
}

// ---- number patterns ---------------------------------------------------

namespace {
struct Section { QString prefix, number, suffix; };

Section splitSection(const QString &sec)
{
    Section out;
    int i = 0;
    auto literal = [&](QString &dst) {
        while (i < sec.size()) {
            const QChar c = sec[i];
            if (c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char('.') || c == QLatin1Char(','))
                return;
            if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
                const qsizetype end = sec.indexOf(c, i + 1);
                dst += sec.mid(i + 1, (end < 0 ? sec.size() : end) - i - 1);
                i = end < 0 ? int(sec.size()) : int(end) + 1;
                continue;
            }
            dst += c;
            ++i;
        }
    };
    literal(out.prefix);
    while (i < sec.size()) {
        const QChar c = sec[i];
        if (c != QLatin1Char('0') && c != QLatin1Char('#') && c != QLatin1Char('.') && c != QLatin1Char(','))
            break;
        out.number += c;
        ++i;
    }
    while (i < sec.size()) {
        literal(out.suffix);
        if (i < sec.size()) out.suffix += sec[i++];
    }
    return out;
}
} // namespace

QString GridFormatFloat(const QString &pattern, double v, QChar thousandSep, QChar decimalSep)
{
    if (pattern.isEmpty()) {
        QString s = kv::formatShortest(v);
        if (decimalSep != QLatin1Char('.')) s.replace(QLatin1Char('.'), decimalSep);
        return s;
    }
    const QStringList sections = pattern.split(QLatin1Char(';'));
    Section sec = splitSection(sections[0]);
    bool sign = v < 0;
    if (v < 0 && sections.size() >= 2 && !sections[1].isEmpty()) {
        sec = splitSection(sections[1]);
        sign = false;
    } else if (v == 0 && sections.size() >= 3 && !sections[2].isEmpty()) {
        sec = splitSection(sections[2]);
    }
    const qsizetype dot = sec.number.indexOf(QLatin1Char('.'));
    const QString intPat = dot < 0 ? sec.number : sec.number.left(dot);
    const QString fracPat = dot < 0 ? QString() : sec.number.mid(dot + 1);
    const int minFrac = int(fracPat.count(QLatin1Char('0')));
    const int maxFrac = int(fracPat.count(QLatin1Char('0')) + fracPat.count(QLatin1Char('#')));
    const int minInt = int(intPat.count(QLatin1Char('0')));
    const bool thousands = intPat.contains(QLatin1Char(','));
    QString fixed = kv::formatFixed(std::fabs(v), maxFrac);
    QString ip = fixed, fp;
    if (const qsizetype p = fixed.indexOf(QLatin1Char('.')); p >= 0) {
        ip = fixed.left(p);
        fp = fixed.mid(p + 1);
    }
    while (fp.size() > minFrac && fp.endsWith(QLatin1Char('0'))) fp.chop(1);
    if (ip == QLatin1String("0") && minInt == 0) ip.clear();
    while (ip.size() < minInt) ip.prepend(QLatin1Char('0'));
    if (thousands)
        for (qsizetype k = ip.size() - 3; k > 0; k -= 3) ip.insert(k, thousandSep);
    QString num = ip;
    if (!fp.isEmpty()) num += decimalSep + fp;
    if (num.isEmpty()) num = QStringLiteral("0");
    const bool zero = !std::any_of(num.begin(), num.end(), [](QChar c) { return c >= QLatin1Char('1') && c <= QLatin1Char('9'); });
    return (sign && !zero ? QStringLiteral("-") : QString()) + sec.prefix + num + sec.suffix;
}

// ---- columns -----------------------------------------------------------

void TColumnHeader::SetCaption(const QString &c)
{
    Caption = c;
    if (grid) grid->headerChanged(index);
}
void TColumnHeader::SetTitleAlignment(Qt::Alignment a)
{
    TitleAlignment = a;
    if (grid) grid->headerChanged(index);
}
void TColumnHeader::SetDataType(int t)
{
    DataType = t;
    if (grid) grid->viewport()->update();
}
void TColumnHeader::SetAlignment(Qt::Alignment a)
{
    Alignment = a;
    if (grid) grid->viewport()->update();
}

// ---- editor ------------------------------------------------------------

TColStrCellEdit::TColStrCellEdit(int dataType, QChar decimalSep, QChar dateSep, QWidget *parent)
    : QLineEdit(parent), m_type(dataType), m_dec(decimalSep), m_dateSep(dateSep)
{
    setFrame(true);
    setFocusPolicy(Qt::StrongFocus);
}

bool TColStrCellEdit::AcceptsChar(int type, QChar c, QChar dec, QChar dateSep)
{
    const bool digit = c >= QLatin1Char('0') && c <= QLatin1Char('9');
    switch (type) {
    case TColumnHeader::dtInteger: return digit || c == QLatin1Char('-');
    case TColumnHeader::dtFloat: return digit || c == QLatin1Char('-') || c == dec;
    case TColumnHeader::dtDate: return digit || c == dateSep;
    case TColumnHeader::dtTime: return digit || c == QLatin1Char(':');
    default: return true;
    }
}

void TColStrCellEdit::keyPressEvent(QKeyEvent *e)
{
    const QString t = e->text();
    if (t.size() == 1 && t[0].unicode() >= 32 && !(e->modifiers() & Qt::ControlModifier) &&
        !AcceptsChar(m_type, t[0], m_dec, m_dateSep)) {
        e->accept();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

// ---- model and delegate ------------------------------------------------

class ColumnsGridModel : public QAbstractTableModel
{
public:
    explicit ColumnsGridModel(TColumnsStringGrid *g) : QAbstractTableModel(g), grid(g) {}
    int rowCount(const QModelIndex &p) const override { return p.isValid() ? 0 : int(grid->m_cells.size()); }
    int columnCount(const QModelIndex &p) const override { return p.isValid() ? 0 : int(grid->m_columns.size()); }
    QVariant data(const QModelIndex &i, int role) const override
    {
        if (role == Qt::DisplayRole || role == Qt::EditRole) return grid->GetCellText(i.column(), i.row() + 1);
        return QVariant();
    }
    bool setData(const QModelIndex &i, const QVariant &v, int role) override
    {
        if (role != Qt::EditRole) return false;
        grid->CommitText(i.column(), i.row() + 1, v.toString());
        return true;
    }
    Qt::ItemFlags flags(const QModelIndex &i) const override
    {
        Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (grid->CanEditCell(i.column(), i.row() + 1)) f |= Qt::ItemIsEditable;
        return f;
    }
    QVariant headerData(int section, Qt::Orientation o, int role) const override
    {
        if (o != Qt::Horizontal || section < 0 || section >= int(grid->m_columns.size())) return QVariant();
        const TColumnHeader &h = *grid->m_columns[size_t(section)];
        static const Qt::Alignment v[3] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
        switch (role) {
        case Qt::DisplayRole: return h.Caption;
        case Qt::TextAlignmentRole: return int(h.TitleAlignment | v[qBound(0, h.TitleLayout, 2)]);
        case Qt::BackgroundRole: return h.TitleColor;
        default: return QVariant();
        }
    }
    void reset()
    {
        beginResetModel();
        endResetModel();
    }
    void cellChanged(int col, int row)
    {
        const QModelIndex i = index(row - 1, col);
        emit dataChanged(i, i);
    }
    void headerChanged(int col) { emit headerDataChanged(Qt::Horizontal, col, col); }
    TColumnsStringGrid *grid;
};

class ColumnsGridDelegate : public QStyledItemDelegate
{
public:
    explicit ColumnsGridDelegate(TColumnsStringGrid *g) : QStyledItemDelegate(g), grid(g) {}

    void paint(QPainter *p, const QStyleOptionViewItem &opt, const QModelIndex &i) const override
    {
        const int col = i.column(), row = i.row() + 1;
        TCellData *cell = grid->GetCellData(col, row);
        const TColumnHeader *h = grid->GetColumnHeader(col);
        QColor bg = cell->Color, fg = cell->FontColor;
        if (opt.state & QStyle::State_Selected) {
            bg = QColor(0, 0, 0x80);
            fg = Qt::white;
        }
        p->save();
        p->fillRect(opt.rect, bg);
        p->setFont(grid->font());
        p->setPen(fg);
        if (cell->ShowText)
            TColumnsStringGrid::DrawColumnText(*p, opt.rect, grid->GetCellText(col, row), h->Alignment, h->Layout,
                                               grid->WordWrap());
        if (h->FrameStyle != 0) {
            const QRect r = opt.rect.adjusted(0, 0, -1, -1);
            const bool raised = h->FrameStyle == 3, sunken = h->FrameStyle == 4;
            const QColor tl = sunken ? kv::BtnShadowColor() : kv::BtnHighlightColor();
            const QColor br = sunken || raised ? (sunken ? kv::BtnHighlightColor() : kv::BtnShadowColor())
                                               : (h->FrameStyle == 2 ? kv::BtnHighlightColor() : kv::BtnShadowColor());
            p->setPen(br);
            p->drawLine(r.bottomLeft(), r.bottomRight());
            p->drawLine(r.topRight(), r.bottomRight());
            p->setPen(h->FrameStyle == 2 ? kv::BtnShadowColor() : tl);
            p->drawLine(r.topLeft(), r.topRight());
            p->drawLine(r.topLeft(), r.bottomLeft());
        }
        p->restore();
    }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &i) const override
    {
        const int col = i.column(), row = i.row() + 1;
        if (!grid->CanEditCell(col, row)) return nullptr;
        auto *ed = new TColStrCellEdit(grid->GetColumnHeader(col)->DataType, grid->DecimalSeparator(),
                                       kv::SystemDateLocale().dateSeparator, parent);
        ed->setObjectName(QStringLiteral("CellEdit"));
        if (!grid->GetColumnHeader(col)->EditMask.isEmpty()) ed->setInputMask(grid->GetColumnHeader(col)->EditMask);
        if (grid->OnBeforeEdit) grid->OnBeforeEdit(col, row);
        return ed;
    }
    void setEditorData(QWidget *editor, const QModelIndex &i) const override
    {
        static_cast<QLineEdit *>(editor)->setText(grid->GetCellText(i.column(), i.row() + 1));
    }
    void setModelData(QWidget *editor, QAbstractItemModel *m, const QModelIndex &i) const override
    {
        m->setData(i, static_cast<QLineEdit *>(editor)->text(), Qt::EditRole);
    }

    TColumnsStringGrid *grid;
};

// ---- grid --------------------------------------------------------------

TColumnsStringGrid::TColumnsStringGrid(QWidget *parent) : QTableView(parent)
{
    m_model = new ColumnsGridModel(this);
    setModel(m_model);
    setItemDelegate(new ColumnsGridDelegate(this));
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(18);
    horizontalHeader()->setDefaultSectionSize(70);
    horizontalHeader()->setHighlightSections(false);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    SetColCount(5);
    SetRowCount(5);
}

TColumnsStringGrid::~TColumnsStringGrid() = default;

int TColumnsStringGrid::ColCount() const { return int(m_columns.size()); }
int TColumnsStringGrid::RowCount() const { return int(m_cells.size()) + 1; }

void TColumnsStringGrid::SetColCount(int n)
{
    n = qMax(0, n);
    while (int(m_columns.size()) < n) {
        auto h = std::make_unique<TColumnHeader>();
        h->grid = this;
        h->index = int(m_columns.size());
        m_columns.push_back(std::move(h));
    }
    m_columns.resize(size_t(n));
    for (auto &row : m_cells) row.resize(size_t(n));
    m_model->reset();
}

void TColumnsStringGrid::SetRowCount(int n)
{
    n = qMax(1, n);
    m_cells.resize(size_t(n - 1));
    for (auto &row : m_cells) row.resize(m_columns.size());
    m_model->reset();
}

void TColumnsStringGrid::SetReadOnly(bool v)
{
    m_readOnly = v;
    setEditTriggers(v ? QAbstractItemView::NoEditTriggers
                      : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
}

void TColumnsStringGrid::SetWordWrap(bool v)
{
    m_wordWrap = v;
    setWordWrap(v);
    if (v)
        for (int r = 1; r < RowCount(); ++r) fitRow(r);
    viewport()->update();
}

void TColumnsStringGrid::SetSeparators(QChar thousand, QChar decimal)
{
    m_thousand = thousand;
    m_decimal = decimal;
    viewport()->update();
}

TColumnHeader *TColumnsStringGrid::GetColumnHeader(int col)
{
    if (col < 0 || col >= ColCount()) return nullptr;
    return m_columns[size_t(col)].get();
}

TCellData *TColumnsStringGrid::GetCellData(int col, int row)
{
    if (row <= 0 || row >= RowCount() || col < 0 || col >= ColCount()) return nullptr;
    auto &slot = m_cells[size_t(row - 1)][size_t(col)];
    if (!slot) {
        slot = std::make_unique<TCellData>();
        slot->Color = m_columns[size_t(col)]->Color;
        slot->FontColor = m_columns[size_t(col)]->FontColor;
    }
    return slot.get();
}

bool TColumnsStringGrid::SetCellValue(int col, int row, const QVariant &value)
{
    // The title row holds the column settings, not values.
    TCellData *c = GetCellData(col, row);
    if (!c) return false;
    c->Value = value;
    m_model->cellChanged(col, row);
    return true;
}

QVariant TColumnsStringGrid::GetCellValue(int col, int row)
{
    if (row > 0 && row < RowCount() && col >= 0 && col < ColCount()) {
        const auto &slot = m_cells[size_t(row - 1)][size_t(col)];
        if (slot && slot->Value.isValid() && !slot->Value.isNull()) return slot->Value;
    }
    return DefaultCellValue(col);
}

QVariant TColumnsStringGrid::DefaultCellValue(int col)
{
    const TColumnHeader *h = GetColumnHeader(col);
    switch (h ? h->DataType : 0) {
    case TColumnHeader::dtInteger: return QVariant(qlonglong(0));
    case TColumnHeader::dtFloat: return QVariant(0.0);
    case TColumnHeader::dtString: return QVariant(QString());
    case TColumnHeader::dtDate: return QVariant(TCalendarModel::Today());
    case TColumnHeader::dtTime: return QVariant(kv::Now().time());
    }
    return QVariant();
}

static bool isZero(const QVariant &v)
{
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok && d == 0 && v.typeId() != QMetaType::QDate && v.typeId() != QMetaType::QTime;
}

QString TColumnsStringGrid::GetCellText(int col, int row)
{
    const TColumnHeader *h = GetColumnHeader(col);
    if (!h) return QString();
    const QVariant v = GetCellValue(col, row);
    switch (h->DataType) {
    case TColumnHeader::dtInteger:
    case TColumnHeader::dtFloat:
        return GridFormatFloat(h->FloatFormat, v.toDouble(), m_thousand, m_decimal);
    case TColumnHeader::dtString:
        return v.toString();
    case TColumnHeader::dtDate: {
        if (isZero(v)) return QString();
        const QDate d = v.typeId() == QMetaType::QDate ? v.toDate() : kv::ValueToDate(v.toDouble());
        return d.isValid() ? d.toString(QStringLiteral("dd.MM.yyyy")) : QString();
    }
    case TColumnHeader::dtTime: {
        if (isZero(v)) return QString();
        QTime t = v.toTime();
        if (v.typeId() != QMetaType::QTime) {
            const double frac = v.toDouble() - std::floor(v.toDouble());
            t = QTime(0, 0).addMSecs(int(std::lround(frac * 86400000.0)));
        }
        return t.isValid() ? t.toString(QStringLiteral("hh:mm")) : QString();
    }
    }
    return QString();
}

void TColumnsStringGrid::SetCellText(int col, int row, const QString &text)
{
    const TColumnHeader *h = GetColumnHeader(col);
    if (!h) return;
    // When both separators are the same, the point is the decimal one.
    const QString bare = m_thousand == m_decimal ? text.trimmed() : RemoveChar(m_thousand, text).trimmed();
    QVariant v;
    switch (h->DataType) {
    case TColumnHeader::dtInteger: {
        bool ok = false;
        const qlonglong n = bare.toLongLong(&ok);
        v = ok ? QVariant(n) : DefaultCellValue(col);
        break;
    }
    case TColumnHeader::dtFloat: {
        QString t = bare;
        if (m_decimal != QLatin1Char('.')) t.replace(m_decimal, QLatin1Char('.'));
        bool ok = false;
        const double d = kv::parseFloat(t, &ok);
        v = ok ? QVariant(d) : DefaultCellValue(col);
        break;
    }
    case TColumnHeader::dtString:
        v = text;
        break;
    case TColumnHeader::dtDate: {
        QDate d;
        if (kv::TryParseDateWithFormat(kv::DateFormatForLocale(true), text.trimmed(), d))
            v = d.isValid() ? QVariant(d) : QVariant(0);
        else
            v = DefaultCellValue(col);
        break;
    }
    case TColumnHeader::dtTime: {
        QTime t = QTime::fromString(text.trimmed(), QStringLiteral("h:mm"));
        if (!t.isValid()) t = QTime::fromString(text.trimmed(), QStringLiteral("h:mm:ss"));
        v = t.isValid() ? QVariant(t) : DefaultCellValue(col);
        break;
    }
    }
    SetCellValue(col, row, v);
}

void TColumnsStringGrid::SetColumnWidth(int col, int width)
{
    const int old = columnWidth(col);
    setColumnWidth(col, width);
    emit AfterColWidthsChange(col, old, width);
}

int TColumnsStringGrid::GetColumnWidth(int col) const
{
    return columnWidth(col);
}

int TColumnsStringGrid::CalcRowHeight(int row)
{
    const QFontMetrics fm(font());
    int result = fm.boundingRect(QStringLiteral("A")).height();
    for (int c = 0; c < ColCount(); ++c) {
        const QString t = row == 0 ? m_columns[size_t(c)]->Caption : GetCellText(c, row);
        const int w = qMax(1, columnWidth(c) - 4);
        const int flags = Qt::TextExpandTabs | (m_wordWrap ? Qt::TextWordWrap : 0);
        result = qMax(result, fm.boundingRect(QRect(0, 0, w, 100000), flags, t).height());
    }
    return result + 6;
}

bool TColumnsStringGrid::CanEditCell(int col, int row)
{
    if (m_readOnly) return false;
    const TColumnHeader *h = GetColumnHeader(col);
    TCellData *c = GetCellData(col, row);
    return h && c && !h->ReadOnly && !c->ReadOnly;
}

void TColumnsStringGrid::CommitText(int col, int row, const QString &text)
{
    m_editText = text;
    if (!GetCellData(col, row)) return;
    const QVariant old = GetCellValue(col, row);
    SetCellText(col, row, text);
    bool allow = true;
    if (OnAfterEdit) OnAfterEdit(col, row, old, allow);
    if (!allow) SetCellValue(col, row, old);
    else if (m_wordWrap) fitRow(row);
}

void TColumnsStringGrid::fitRow(int row)
{
    if (row >= 1 && row < RowCount()) setRowHeight(row - 1, CalcRowHeight(row));
}

void TColumnsStringGrid::headerChanged(int col)
{
    m_model->headerChanged(col);
}

void TColumnsStringGrid::DrawColumnText(QPainter &p, const QRect &cell, const QString &text, Qt::Alignment align,
                                        int layout, bool wordWrap)
{
    QRect r = cell.adjusted(2, 3, -2, 0);
    const int flags = Qt::TextExpandTabs | int(align & Qt::AlignHorizontal_Mask) | (wordWrap ? Qt::TextWordWrap : 0);
    if (layout == 1 || layout == 2) {
        const QRect m = p.fontMetrics().boundingRect(QRect(r.left(), r.top(), r.width(), 100000), flags, text);
        const int shift = r.bottom() - m.bottom();
        r.translate(0, layout == 2 ? shift : shift / 2);
    }
    p.drawText(r, flags | Qt::AlignTop, text);
}
