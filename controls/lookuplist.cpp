#include "controls/lookuplist.h"

#include "controls/findrecord.h"
#include "controls/vclutils.h"
#include "platform/error.h"
#include "platform/ui.h"

#include <QApplication>
#include <QDateTime>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

using namespace kv;

namespace {

std::function<qint64()> &clockSlot()
{
    static std::function<qint64()> c;
    return c;
}

qint64 nowMs()
{
    return clockSlot() ? clockSlot()() : QDateTime::currentMSecsSinceEpoch();
}

// The time of the last search key, shared by every list of the program.
qint64 g_lastSearchKey = 0;

constexpr int kSearchWindowMs = 2000;
constexpr int kMaxSearchText = 32;
constexpr int kMinAutoScrollMs = 10;

QStringList splitFieldList(const QString &s)
{
    QStringList out;
    for (const QString &p : s.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QString n = p.trimmed();
        if (!n.isEmpty()) out << n;
    }
    return out;
}

} // namespace

// ============================================================ TExLookupControl

TExLookupControl::TExLookupControl(QWidget *parent)
    : QAbstractScrollArea(parent), m_emptyItemColor(QColor(255, 255, 255)), m_locate(NewLocateObject(nullptr))
{
    setFocusPolicy(Qt::StrongFocus);
}

TExLookupControl::~TExLookupControl()
{
    m_dataLink.SetDataSource(nullptr);
    m_lookupLink.SetDataSource(nullptr);
}

void TExLookupControl::SetSearchClock(std::function<qint64()> clock)
{
    clockSlot() = std::move(clock);
    g_lastSearchKey = 0;
}

void TExLookupControl::SetDataSource(kv::DataSource *src)
{
    m_dataLink.SetDataSource(src);
}

void TExLookupControl::SetDataField(const QString &name)
{
    if (m_dataFieldName == name) return;
    m_dataFieldName = name;
    dataLinkChanged();
}

kv::DataSource *TExLookupControl::LookupSource() const { return m_lookupMode ? nullptr : m_lookupSource; }

void TExLookupControl::SetLookupSource(kv::DataSource *src)
{
    if (m_lookupMode) throw Error(QStringLiteral("Свойство уже определено поисковым полем (lookup field)"));
    m_lookupSource = src;
    m_lookupLink.SetDataSource(src);
}

QString TExLookupControl::LookupField() const { return m_lookupMode ? QString() : m_lookupFieldName; }

void TExLookupControl::SetLookupField(const QString &name)
{
    if (m_lookupMode) throw Error(QStringLiteral("Свойство уже определено поисковым полем (lookup field)"));
    if (m_lookupFieldName == name) return;
    m_lookupFieldName = name;
    LookupLinkActiveChanged();
}

void TExLookupControl::SetLookupDisplay(const QString &fields)
{
    if (m_lookupDisplay == fields) return;
    m_lookupDisplay = fields;
    LookupLinkActiveChanged();
}

void TExLookupControl::SetLookupDisplayIndex(int i)
{
    if (m_displayIndex == i) return;
    m_displayIndex = i;
    LookupLinkActiveChanged();
}

void TExLookupControl::SetDisplayEmpty(const QString &text)
{
    if (m_displayEmpty == text) return;
    const QString old = m_displayEmpty;
    m_displayEmpty = text;
    DisplayEmptyChanged(old);
}

void TExLookupControl::SetEmptyItemColor(const QColor &c)
{
    m_emptyItemColor = c;
    viewport()->update();
}

void TExLookupControl::SetListStyle(TLookupListStyle s) { m_listStyle = s; }
void TExLookupControl::SetFieldsDelimiter(QChar c) { m_delimiter = c; }

int TExLookupControl::ItemHeight() const
{
    const int line = QFontMetrics(font()).height();
    return std::max(line, m_itemHeight);
}

void TExLookupControl::SetItemHeight(int h)
{
    m_itemHeight = h;
    viewport()->update();
}

bool TExLookupControl::CanEdit() const
{
    return m_listActive && !m_readOnly && (!DataSource() || (m_masterField && m_masterField->CanModify()));
}

void TExLookupControl::checkNotCircular() const
{
    DataSet *edited = m_dataLink.GetDataSet();
    if (!m_dataLink.Active() || !edited) return;
    if ((m_lookupSource && DataSource() == m_lookupSource) || edited == m_lookupLink.GetDataSet())
        throw Error(QStringLiteral("Циклические связи данных не разрешены"));
}

void TExLookupControl::dataLinkChanged()
{
    m_dataField = nullptr;
    m_masterField = nullptr;
    try {
        if (m_dataLink.Active() && !m_dataFieldName.isEmpty()) {
            checkNotCircular();
            m_dataField = m_dataLink.GetDataSet()->FieldByName(m_dataFieldName);
            m_masterField = m_dataField;
        }
        setLookupMode(m_dataField && m_dataField->IsLookup());
    } catch (const std::exception &e) {
        m_dataField = m_masterField = nullptr;
        ShowException(e, this);
    }
    recordChanged(nullptr);
}

void TExLookupControl::recordChanged(kv::Field *f)
{
    if (f && f != m_masterField) return;
    QString v = m_emptyValue;
    if (m_masterField && m_dataLink.Active()) v = m_masterField->IsNull() ? m_emptyValue : m_masterField->Text();
    if (v != m_value) {
        m_value = v;
        KeyValueChanged();
    }
}

void TExLookupControl::setLookupMode(bool on)
{
    if (on == m_lookupMode) return;
    if (on) {
        DataSet *edited = m_dataLink.GetDataSet();
        m_masterField = edited->FieldByName(m_dataField->KeyFields);
        m_internalSource = std::make_unique<kv::DataSource>();
        m_internalSource->SetDataSet(m_dataField->LookupDataSet);
        m_lookupFieldName = m_dataField->LookupKeyFields;
        m_lookupMode = true;
        m_lookupLink.SetDataSource(m_internalSource.get());
    } else {
        m_lookupMode = false;
        m_lookupFieldName.clear();
        m_lookupLink.SetDataSource(m_lookupSource);
        m_internalSource.reset();
        m_masterField = m_dataField;
    }
}

void TExLookupControl::lookupActiveChanged()
{
    try {
        LookupLinkActiveChanged();
    } catch (const std::exception &e) {
        ShowException(e, this);
    }
}

void TExLookupControl::LookupLinkActiveChanged()
{
    m_listActive = false;
    m_keyField = nullptr;
    m_displayField = nullptr;
    m_displayFields.clear();
    DataSet *ds = m_lookupLink.GetDataSet();
    m_locate->DataSet = ds;
    if (m_lookupLink.Active() && !m_lookupFieldName.isEmpty()) {
        checkNotCircular();
        m_keyField = ds->FieldByName(m_lookupFieldName);
        for (const QString &n : splitFieldList(m_lookupDisplay)) m_displayFields << ds->FieldByName(n);
        if (m_lookupMode) {
            Field *result = ds->FieldByName(m_dataField->LookupResultField);
            if (!m_displayFields.contains(result)) m_displayFields.prepend(result);
            m_displayField = result;
        } else {
            if (m_displayFields.isEmpty()) m_displayFields << m_keyField;
            m_displayField = m_displayFields.value(m_displayIndex, m_displayFields.first());
        }
        m_listActive = true;
    }
}

QImage TExLookupControl::GetItemImage(bool isEmpty, int &textMargin)
{
    QImage img;
    textMargin = 0;
    if (OnGetImage) OnGetImage(*this, isEmpty, img, textMargin);
    return img;
}

QString TExLookupControl::KeyText() const
{
    DataSet *ds = m_lookupLink.GetDataSet();
    if (!m_keyField || !ds || !ds->Active() || ds->IsEmpty()) return m_emptyValue;
    return m_keyField->Text();
}

bool TExLookupControl::LocateKey(kv::Field *field, const QString &text, bool exact)
{
    m_locate->IndexSwitch = m_indexSwitch;
    bool ok = false;
    try {
        if (text != m_emptyValue && field) {
            ok = m_locate->FindRecord(field->FieldName(), text, exact, !m_ignoreCase);
            if (ok && field == m_displayField) m_value = KeyText();
        }
    } catch (const Error &) {
        ok = false;
    }
    RefreshDisplayText();
    return ok;
}

void TExLookupControl::RefreshDisplayText()
{
    DataSet *ds = m_lookupLink.GetDataSet();
    if (m_value == m_emptyValue || !m_displayField || !ds || !ds->Active() || ds->IsEmpty()) m_displayText.clear();
    else m_displayText = m_displayField->DisplayText();
}

void TExLookupControl::WriteFieldValue(kv::Field *f, const QString &text)
{
    if (text != m_emptyValue) f->SetText(text);
    else if (!m_emptyValue.isEmpty() || !m_emptyStrIsNull) f->SetText(m_emptyValue);
    else f->Clear();
}

void TExLookupControl::AssignKeyValue(const QString &text)
{
    m_value = text;
    KeyValueChanged();
}

void TExLookupControl::SetLookupValue(const QString &text)
{
    if (text == m_value) return;
    if (CanEdit() && DataSource() && m_dataLink.Edit()) {
        WriteFieldValue(m_masterField ? m_masterField : m_dataField, text);
    } else {
        AssignKeyValue(text);
    }
    emit NotifyChange();
}

void TExLookupControl::SelectKeyValue(const QString &text)
{
    if (!m_masterField) {
        m_value = text;
    } else {
        if (!CanEdit() || !m_dataLink.Edit()) return;
        try {
            WriteFieldValue(m_masterField, text);
        } catch (const std::exception &e) {
            ShowException(e, this);
            return;
        }
    }
    RefreshDisplayText();
    viewport()->update();
    emit Click();
}

void TExLookupControl::ResetToEmpty()
{
    if (DataSource() && m_masterField && !m_dataLink.Edit()) return;
    if (m_masterField && m_dataLink.Edit()) {
        try {
            WriteFieldValue(m_masterField, m_emptyValue);
        } catch (const std::exception &e) {
            ShowException(e, this);
            return;
        }
    }
    m_value = m_emptyValue;
    m_displayText.clear();
    viewport()->update();
    emit Click();
}

void TExLookupControl::keyPressEvent(QKeyEvent *e)
{
    incrementalSearch(e);
}

void TExLookupControl::incrementalSearch(QKeyEvent *e)
{
    if (!m_displayField) return;
    const int key = e->key();
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Escape) {
        m_searchText.clear();
        return;
    }
    const QString t = e->text();
    const bool back = key == Qt::Key_Backspace;
    const bool isChar = !back && t.size() == 1 && t[0].isPrint();
    if (!(back || isChar) || !CanEdit()) return;
    e->accept();
    const qint64 now = nowMs();
    if (now - g_lastSearchKey > kSearchWindowMs) m_searchText.clear();
    g_lastSearchKey = now;
    QString candidate;
    if (back) candidate = m_searchText.left(std::max<qsizetype>(0, m_searchText.size() - 1));
    else if (m_searchText.size() < kMaxSearchText) candidate = m_searchText + t[0];
    bool found = false;
    DataSet *ds = m_lookupLink.GetDataSet();
    m_lock = true;
    if (!candidate.isEmpty()) {
        found = LocateKey(m_displayField, candidate, false);
        if (found) {
            SelectKeyValue(KeyText());
            candidate = m_displayField->DisplayText().left(candidate.size());
        }
    } else if (ds && ds->Active() && !ds->IsEmpty()) {
        try {
            ds->First();
            SelectKeyValue(KeyText());
        } catch (const std::exception &ex) {
            ShowException(ex, this);
        }
    }
    m_lock = false;
    if (found || candidate.isEmpty()) m_searchText = candidate;
}

// ============================================================= TExDBLookupList

TExDBLookupList::TExDBLookupList(QWidget *parent) : TExLookupControl(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    verticalScrollBar()->setRange(0, 0);
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, [this](int a) { scrollAction(a); });
    connect(verticalScrollBar(), &QAbstractSlider::sliderReleased, this, [this]() { thumbReleased(); });
    connect(&m_timer, &QTimer::timeout, this, [this]() { autoScrollStep(); });
    viewport()->setMouseTracking(false);
    resize(121, 7 * ItemHeight() + 2 * frameWidth());
}

TExDBLookupList::~TExDBLookupList() { m_timer.stop(); }

QSize TExDBLookupList::sizeHint() const { return QSize(121, 7 * ItemHeight() + 2 * frameWidth()); }

void TExDBLookupList::SetListStyle(TLookupListStyle s)
{
    TExLookupControl::SetListStyle(s);
    viewport()->update();
}

void TExDBLookupList::SetFieldsDelimiter(QChar c)
{
    TExLookupControl::SetFieldsDelimiter(c);
    viewport()->update();
}

int TExDBLookupList::RowCount() const { return std::max(1, viewport()->height() / ItemHeight()); }

void TExDBLookupList::SetRowCount(int n)
{
    n = std::clamp(n, 1, 50);
    resize(width(), n * ItemHeight() + 2 * frameWidth());
}

int TExDBLookupList::bufferSize() const { return std::max(0, RowCount() - EmptyRows()); }

int TExDBLookupList::totalRecords() const
{
    DataSet *ds = LookupDataSet();
    return ds && ds->Active() ? ds->RecordCount() : 0;
}

int TExDBLookupList::currentRow() const
{
    DataSet *ds = LookupDataSet();
    return ds && ds->Active() && !ds->IsEmpty() ? ds->RecNo() - 1 : -1;
}

void TExDBLookupList::syncBuffer()
{
    const int total = totalRecords(), buf = bufferSize(), cur = currentRow();
    if (cur >= 0 && buf > 0) {
        if (cur < m_top) m_top = cur;
        if (cur >= m_top + buf) m_top = cur - buf + 1;
    }
    m_top = std::clamp(m_top, 0, std::max(0, total - buf));
}

int TExDBLookupList::RecordCount() const
{
    return std::clamp(totalRecords() - m_top, 0, bufferSize());
}

int TExDBLookupList::RecordIndex() const
{
    const int cur = currentRow();
    return cur < 0 ? 0 : std::clamp(cur - m_top, 0, std::max(0, RecordCount() - 1));
}

bool TExDBLookupList::keySelected() const
{
    return LookupValue() != EmptyValue() || currentRow() > 0;
}

void TExDBLookupList::updateScrollBar()
{
    QScrollBar *sb = verticalScrollBar();
    const int n = RecordCount(), cur = currentRow(), total = totalRecords();
    int max = 0, pos = 0;
    if (ListActive() && n > 0 && bufferSize() == n) {
        max = 4;
        pos = cur <= 0 ? 0 : (cur >= total - 1 ? 4 : 2);
    }
    sb->blockSignals(true);
    if (sb->maximum() != max) sb->setRange(0, max);
    sb->setPageStep(1);
    sb->setSingleStep(1);
    if (sb->sliderPosition() != pos) sb->setSliderPosition(pos);
    if (sb->value() != pos) sb->setValue(pos);
    sb->blockSignals(false);
}

void TExDBLookupList::moveBy(int distance)
{
    DataSet *ds = LookupDataSet();
    if (!ds || !ds->Active() || distance == 0) return;
    try {
        ds->MoveBy(distance);
    } catch (const std::exception &e) {
        ShowException(e, this);
    }
}

void TExDBLookupList::LookupDataChanged()
{
    syncBuffer();
    updateScrollBar();
    viewport()->update();
}

void TExDBLookupList::LookupLinkActiveChanged()
{
    m_top = 0;
    try {
        TExLookupControl::LookupLinkActiveChanged();
    } catch (...) {
        LookupDataChanged();
        throw;
    }
    if (!ListActive() || m_lock) {
        LookupDataChanged();
        return;
    }
    if (Field *m = MasterField(); m && DataSource() && DataSource()->GetDataSet() && DataSource()->GetDataSet()->Active())
        AssignKeyValue(m->IsNull() ? EmptyValue() : m->Text());
    else
        KeyValueChanged();
}

void TExDBLookupList::KeyValueChanged()
{
    DataSet *ds = LookupDataSet();
    if (ListActive() && !m_lock) {
        if (!LocateKey(KeyField(), LookupValue(), true) && ds && !ds->IsEmpty()) {
            try {
                ds->First();
            } catch (const Error &) {
            }
        }
    }
    RefreshDisplayText();
    LookupDataChanged();
}

void TExDBLookupList::DisplayValueChanged()
{
    DataSet *ds = LookupDataSet();
    if (ListActive() && !m_lock) {
        if (!LocateKey(DisplayField(), DisplayText(), true) && ds && !ds->IsEmpty()) ds->First();
    }
    LookupDataChanged();
}

void TExDBLookupList::DisplayEmptyChanged(const QString &)
{
    LookupDataChanged();
}

void TExDBLookupList::ResetToEmpty()
{
    TExLookupControl::ResetToEmpty();
    viewport()->update();
}

void TExDBLookupList::selectCurrent()
{
    m_lock = true;
    if (m_selectEmpty) ResetToEmpty();
    else SelectKeyValue(KeyText());
    m_selectEmpty = false;
    m_lock = false;
    LookupDataChanged();
}

void TExDBLookupList::keyPressEvent(QKeyEvent *e)
{
    m_selectEmpty = false;
    const int E = EmptyRows(), R = RowCount();
    // One page is the record rows less one, but always at least one row and
    // always in the direction of the key.
    const int page = std::max(1, R - E - 1);
    int move = 0;
    bool home = false, end = false, known = true;
    switch (e->key()) {
    case Qt::Key_Up:
    case Qt::Key_Left: move = -1; break;
    case Qt::Key_Down:
    case Qt::Key_Right: move = 1; break;
    case Qt::Key_PageUp: move = -page; break;
    case Qt::Key_PageDown: move = page; break;
    case Qt::Key_Home: home = true; break;
    case Qt::Key_End: end = true; break;
    default: known = false; break;
    }
    if (!known) {
        TExLookupControl::keyPressEvent(e);
        return;
    }
    e->accept();
    if (!CanEdit()) return;
    DataSet *ds = LookupDataSet();
    if (LookupValue() == EmptyValue() && E == 1 && move < 0) m_selectEmpty = true;
    m_searchText.clear();
    try {
        if (home) {
            ds->First();
        } else if (end) {
            ds->Last();
        } else {
            int found = -1;
            if (LookupValue() != EmptyValue()) {
                for (int j = 0; j < RecordCount(); ++j) {
                    QString key;
                    ds->WithViewRow(m_top + j, [&]() { key = KeyField()->Text(); });
                    if (key == LookupValue()) {
                        found = j;
                        break;
                    }
                }
            }
            if (found >= 0) {
                ds->MoveBy(m_top + found - currentRow());
            } else {
                KeyValueChanged();
                move = 0;
            }
            const int moved = ds->MoveBy(move);
            // Stopped by the beginning on the way up: the empty row is next.
            if (move < 0 && E == 1 && moved > move) m_selectEmpty = true;
        }
    } catch (const std::exception &ex) {
        ShowException(ex, this);
    }
    selectCurrent();
}

void TExDBLookupList::selectRowAt(int y)
{
    y = std::clamp(y, 0, std::max(0, viewport()->height() - 1));
    const int row = y / ItemHeight();
    const int E = EmptyRows();
    if (row == 0 && E == 1) {
        m_selectEmpty = true;
    } else {
        moveBy(row - RecordIndex() - E);
        if (RecordCount() == 0) return;
    }
    selectCurrent();
}

void TExDBLookupList::mousePressEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton) return;
    m_searchText.clear();
    if (focusPolicy() != Qt::NoFocus) setFocus(Qt::MouseFocusReason);
    if (!hasFocus()) return;
    if (!CanEdit()) return;
    m_tracking = true;
    m_lastY = e->position().toPoint().y();
    selectRowAt(m_lastY);
}

void TExDBLookupList::mouseDoubleClickEvent(QMouseEvent *e)
{
    if (e->button() != Qt::LeftButton || !CanEdit()) return;
    const int row = e->position().toPoint().y() / ItemHeight() - EmptyRows();
    if (row == RecordIndex()) emit DblClick();
}

void TExDBLookupList::mouseMoveEvent(QMouseEvent *e)
{
    if (!m_tracking) return;
    m_lastY = e->position().toPoint().y();
    selectRowAt(m_lastY);
    autoScrollStep();
}

void TExDBLookupList::mouseReleaseEvent(QMouseEvent *e)
{
    if (!m_tracking) return;
    stopTracking();
    selectRowAt(e->position().toPoint().y());
}

void TExDBLookupList::stopTracking()
{
    m_tracking = false;
    m_timer.stop();
}

int TExDBLookupList::AutoScrollInterval(int distance)
{
    return std::max(kMinAutoScrollMs, 200 - 15 * distance);
}

void TExDBLookupList::autoScrollStep()
{
    const int h = viewport()->height();
    int dir = 0, distance = 0;
    if (m_lastY < 0) {
        dir = -1;
        distance = -m_lastY;
    } else if (m_lastY >= h) {
        dir = 1;
        distance = m_lastY - h + 1;
    }
    if (dir == 0 || !m_tracking) {
        m_timer.stop();
        return;
    }
    moveBy(dir);
    selectCurrent();
    m_timer.start(AutoScrollInterval(distance));
}

void TExDBLookupList::scrollAction(int action)
{
    m_searchText.clear();
    DataSet *ds = LookupDataSet();
    if (!ds || !ds->Active()) return;
    const int I = RecordIndex(), N = RecordCount();
    try {
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub: moveBy(-I - 1); break;
        case QAbstractSlider::SliderSingleStepAdd: moveBy(N - I); break;
        case QAbstractSlider::SliderPageStepSub: moveBy(1 - I - N); break;
        case QAbstractSlider::SliderPageStepAdd: moveBy(2 * N - I - 2); break;
        case QAbstractSlider::SliderToMinimum: ds->First(); break;
        case QAbstractSlider::SliderToMaximum: ds->Last(); break;
        default: break;   // thumb tracking does nothing
        }
    } catch (const std::exception &e) {
        ShowException(e, this);
    }
    if (action != QAbstractSlider::SliderMove) LookupDataChanged();
}

void TExDBLookupList::thumbReleased()
{
    DataSet *ds = LookupDataSet();
    const int pos = verticalScrollBar()->sliderPosition();
    const int I = RecordIndex(), N = RecordCount();
    if (ds && ds->Active()) {
        try {
            if (pos == 0) ds->First();
            else if (pos == 1) moveBy(1 - I - N);
            else if (pos == 3) moveBy(2 * N - I - 2);
            else if (pos == 4) ds->Last();
        } catch (const std::exception &e) {
            ShowException(e, this);
        }
    }
    LookupDataChanged();
}

void TExDBLookupList::wheelEvent(QWheelEvent *e)
{
    const int dy = e->angleDelta().y();
    const int before = currentRow();
    if (dy != 0) moveBy(dy < 0 ? RecordCount() - RecordIndex() : -RecordIndex() - 1);
    LookupDataChanged();
    e->setAccepted(currentRow() != before);
}

void TExDBLookupList::resizeEvent(QResizeEvent *e)
{
    TExLookupControl::resizeEvent(e);
    LookupDataChanged();
}

void TExDBLookupList::focusInEvent(QFocusEvent *e)
{
    TExLookupControl::focusInEvent(e);
    viewport()->update();
}

void TExDBLookupList::focusOutEvent(QFocusEvent *e)
{
    TExLookupControl::focusOutEvent(e);
    stopTracking();
    viewport()->update();
}

void TExDBLookupList::paintEvent(QPaintEvent *)
{
    QPainter p(viewport());
    p.setFont(font());
    const int H = ItemHeight(), R = RowCount(), E = EmptyRows(), W = viewport()->width();
    const QColor base = palette().color(QPalette::Base);
    DataSet *ds = LookupDataSet();
    const int N = RecordCount();
    for (int i = 0; i < R + 1; ++i) {
        const int j = i - E;
        const QRect r(0, i * H, W, H);
        QColor bg = base, fg = palette().color(QPalette::Text);
        bool selected = !keySelected() && i == 0 && E == 0;
        const bool isEmptyRow = i == 0 && E == 1;
        if (!isEmptyRow && (j < 0 || j >= N || !ds)) {
            p.fillRect(r, bg);
            continue;
        }
        auto drawRow = [&]() {
            if (isEmptyRow) {
                if (LookupValue() == EmptyValue()) {
                    bg = palette().color(QPalette::Highlight);
                    fg = palette().color(QPalette::HighlightedText);
                    selected = true;
                } else {
                    bg = EmptyItemColor();
                }
            } else if (LookupValue() != EmptyValue() && KeyField() && KeyField()->Text() == LookupValue()) {
                bg = palette().color(QPalette::Highlight);
                fg = palette().color(QPalette::HighlightedText);
                selected = true;
            }
            p.fillRect(r, bg);
            p.setPen(fg);
            int margin = 0;
            const QImage img = GetItemImage(isEmptyRow, margin);
            if (margin < 1) {
                DrawItemText(p, r, selected, isEmptyRow);
            } else {
                if (!img.isNull()) {
                    p.save();
                    p.setClipRect(QRect(r.left(), r.top(), margin, H));
                    p.drawImage(r.left() + (margin - img.width()) / 2, r.top() + (H - img.height()) / 2, img);
                    p.restore();
                }
                DrawItemText(p, QRect(r.left() + margin, r.top(), W - margin, H), selected, isEmptyRow);
            }
            if (selected && hasFocus()) {
                p.setPen(QPen(fg, 1, Qt::DotLine));
                p.setBrush(Qt::NoBrush);
                p.drawRect(r.adjusted(0, 0, -1, -1));
            }
        };
        if (isEmptyRow) drawRow();
        else ds->WithViewRow(m_top + j, drawRow);
    }
}

void TExDBLookupList::DrawItemText(QPainter &p, const QRect &r, bool, bool isEmpty)
{
    const QFontMetrics fm(p.font());
    const int w = fm.horizontalAdvance(QStringLiteral("M"));
    const int top = (r.top() + r.bottom() + 1 - fm.height()) / 2;
    const int baseline = top + fm.ascent();
    if (ListStyle() == TLookupListStyle::lsDelimited) {
        QString text;
        if (isEmpty) {
            text = DisplayEmpty();
        } else {
            QStringList parts;
            for (Field *f : m_displayFields) parts << f->DisplayText();
            text = parts.join(QString(FieldsDelimiter()) + QLatin1Char(' '));
        }
        p.drawText(r.left() + 2, baseline, text);
        return;
    }
    int x = r.left();
    const QColor pen = p.pen().color();
    const QColor sep = palette().color(QPalette::Base) == BtnFaceColor() ? BtnShadowColor() : BtnFaceColor();
    for (int k = 0; k < m_displayFields.size(); ++k) {
        if (x >= r.right()) break;
        Field *f = m_displayFields[k];
        const bool last = k == m_displayFields.size() - 1;
        const int cw = last ? r.right() + 1 - x : f->DisplayWidth() * w + 4;
        QString text;
        if (isEmpty) text = k == 0 ? DisplayEmpty() : QString();
        else text = f->DisplayText();
        const int tw = fm.horizontalAdvance(text);
        int tx = x + 2;
        const Qt::Alignment a = f->Alignment() & Qt::AlignHorizontal_Mask;
        if (a & Qt::AlignRight) tx = x + cw - tw - 3;
        else if (a & Qt::AlignHCenter) tx = x + (cw - tw) / 2;
        p.save();
        p.setClipRect(QRect(x, r.top(), cw, r.height()));
        p.setPen(pen);
        p.drawText(tx, baseline, text);
        p.restore();
        x += cw;
        if (!last) {
            p.save();
            p.setPen(sep);
            p.drawLine(x, r.top(), x, r.bottom());
            p.restore();
            x += 1;
        }
    }
}
