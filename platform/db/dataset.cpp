#include "platform/db/dataset.h"

#include "platform/db/filterexpr.h"
#include "platform/error.h"
#include "platform/text.h"

#include <QTime>

#include <algorithm>
#include <cmath>

namespace kv {

namespace {

const char *const kNotEditing = "Набор данных (Dataset) не в режиме редактирования или вставки";
const char *const kClosed = "Невозможно выполнить эту операцию на закрытом наборе данных";
const char *const kOpen = "Невозможно выполнить эту операцию на открытом наборе данных";
const char *const kReadOnlyDataSet = "Невозможно изменить набор данных, открытый только для чтения";
const char *const kEmpty = "Операция не может быть выполнена над пустым набором данных";

enum Notify { nActive = 1, nLayout = 2, nData = 4, nScroll = 8, nRecord = 16, nEditing = 32, nUpdate = 64 };

QString trimRight(const QString &s)
{
    qsizetype e = s.size();
    while (e > 0 && s.at(e - 1) == QLatin1Char(' ')) --e;
    return s.left(e);
}

QStringList splitNames(const QString &list)
{
    QStringList out;
    for (const QString &p : list.split(QLatin1Char(';'))) {
        const QString t = p.trimmed();
        if (!t.isEmpty()) out << t;
    }
    return out;
}

bool parseBoolText(const QString &s, bool *ok)
{
    const QString u = upperCase(s.trimmed());
    *ok = true;
    if (u == QLatin1String("T") || u == QLatin1String("TRUE") || u == QLatin1String("Y") ||
        u == QLatin1String("YES") || u == QLatin1String("1"))
        return true;
    if (u == QLatin1String("F") || u == QLatin1String("FALSE") || u == QLatin1String("N") ||
        u == QLatin1String("NO") || u == QLatin1String("0"))
        return false;
    *ok = false;
    return false;
}

bool parseInt64(const QString &s, qint64 *out)
{
    bool ok = false;
    const qint64 v = s.trimmed().toLongLong(&ok, 10);
    if (ok) *out = v;
    return ok;
}

int typeId(const QVariant &v) { return v.metaType().id(); }

bool isNumberVariant(const QVariant &v)
{
    switch (typeId(v)) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::LongLong: case QMetaType::ULongLong:
    case QMetaType::Double: case QMetaType::Float: case QMetaType::Short: case QMetaType::UShort:
    case QMetaType::Long: case QMetaType::ULong:
        return true;
    default: return false;
    }
}

} // namespace

QString fieldNotFoundMessage(const QString &name)
{
    return QStringLiteral("Поле '%1' не найдено").arg(name);
}

bool isStringType(FieldType t)
{
    return t == FieldType::String || t == FieldType::WideString || isMemoType(t);
}

bool isMemoType(FieldType t) { return t == FieldType::Memo || t == FieldType::FmtMemo; }

bool isBlobType(FieldType t)
{
    switch (t) {
    case FieldType::Memo: case FieldType::FmtMemo: case FieldType::Blob: case FieldType::Graphic:
    case FieldType::ParadoxOle: case FieldType::DBaseOle: case FieldType::TypedBinary:
        return true;
    default: return false;
    }
}

bool isIntegerType(FieldType t)
{
    return t == FieldType::SmallInt || t == FieldType::Integer || t == FieldType::Word ||
           t == FieldType::AutoInc || t == FieldType::LargeInt;
}

bool isNumericType(FieldType t)
{
    return isIntegerType(t) || t == FieldType::Float || t == FieldType::Currency || t == FieldType::BCD;
}

QVariant coerceValue(FieldType t, const QVariant &v, bool *ok)
{
    if (ok) *ok = true;
    if (!v.isValid() || v.isNull()) return QVariant();
    auto fail = [&]() { if (ok) *ok = false; return QVariant(); };
    const int id = typeId(v);
    switch (t) {
    case FieldType::String:
    case FieldType::WideString:
    case FieldType::Memo:
    case FieldType::FmtMemo:
        if (id == QMetaType::QDate) return formatDate(v.toDate());
        if (id == QMetaType::Double || id == QMetaType::Float) return formatShortest(v.toDouble());
        if (id == QMetaType::Bool) return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
        if (id == QMetaType::QByteArray) return fromCp1251(v.toByteArray());
        return v.toString();
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::AutoInc:
    case FieldType::LargeInt: {
        qint64 r = 0;
        if (id == QMetaType::QString) {
            const QString s = v.toString().trimmed();
            if (s.isEmpty()) return QVariant();
            if (!parseInt64(s, &r)) {
                bool okf = false;
                const double d = parseFloat(s, &okf);
                if (!okf || d != std::floor(d)) return fail();
                r = roundToInt64(d);
            }
        } else if (id == QMetaType::Double || id == QMetaType::Float) {
            const double d = v.toDouble();
            if (!std::isfinite(d)) return fail();
            r = roundToInt64(d);
        } else if (id == QMetaType::Bool) {
            r = v.toBool() ? 1 : 0;
        } else if (isNumberVariant(v)) {
            r = v.toLongLong();
        } else {
            return fail();
        }
        if (t == FieldType::LargeInt) return QVariant(r);
        if (r < std::numeric_limits<int>::min() || r > std::numeric_limits<int>::max()) return fail();
        if (t == FieldType::SmallInt && (r < -32768 || r > 32767)) return fail();
        if (t == FieldType::Word && (r < 0 || r > 65535)) return fail();
        return QVariant(int(r));
    }
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::BCD: {
        if (id == QMetaType::QString) {
            const QString s = v.toString().trimmed();
            if (s.isEmpty()) return QVariant();
            bool okf = false;
            const double d = parseFloat(s, &okf);
            if (!okf) return fail();
            return QVariant(d);
        }
        if (id == QMetaType::Bool) return QVariant(v.toBool() ? 1.0 : 0.0);
        if (isNumberVariant(v)) return QVariant(v.toDouble());
        return fail();
    }
    case FieldType::Boolean: {
        if (id == QMetaType::Bool) return v;
        if (id == QMetaType::QString) {
            if (v.toString().trimmed().isEmpty()) return QVariant();
            bool okb = false;
            const bool b = parseBoolText(v.toString(), &okb);
            if (!okb) return fail();
            return QVariant(b);
        }
        if (isNumberVariant(v)) return QVariant(v.toDouble() != 0);
        return fail();
    }
    case FieldType::Date: {
        if (id == QMetaType::QDate) return v.toDate().isValid() ? v : QVariant();
        if (id == QMetaType::QDateTime) return QVariant(v.toDateTime().date());
        if (id == QMetaType::QString) {
            const QString s = v.toString().trimmed();
            if (s.isEmpty()) return QVariant();
            QDate d = parseDateDMY(s);
            if (!d.isValid()) d = QDate::fromString(s, QStringLiteral("yyyy-MM-dd"));
            if (!d.isValid() && s.size() == 8) d = QDate::fromString(s, QStringLiteral("yyyyMMdd"));
            if (!d.isValid()) return fail();
            return QVariant(d);
        }
        return fail();
    }
    case FieldType::DateTime: {
        if (id == QMetaType::QDateTime) return v;
        if (id == QMetaType::QDate) return QVariant(v.toDate().startOfDay());
        if (id == QMetaType::QString) {
            const QString s = v.toString().trimmed();
            if (s.isEmpty()) return QVariant();
            const QStringList parts = s.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            QDate d = parseDateDMY(parts.value(0));
            if (!d.isValid()) d = QDate::fromString(parts.value(0), QStringLiteral("yyyy-MM-dd"));
            if (!d.isValid()) return fail();
            QTime tm(0, 0);
            if (parts.size() > 1) {
                tm = QTime::fromString(parts[1], QStringLiteral("H:mm:ss"));
                if (!tm.isValid()) tm = QTime::fromString(parts[1], QStringLiteral("H:mm"));
                if (!tm.isValid()) return fail();
            }
            return QVariant(QDateTime(d, tm));
        }
        return fail();
    }
    case FieldType::Time: {
        if (id == QMetaType::QTime) return v;
        if (id == QMetaType::QDateTime) return QVariant(v.toDateTime().time());
        if (id == QMetaType::QString) {
            const QString s = v.toString().trimmed();
            if (s.isEmpty()) return QVariant();
            QTime tm = QTime::fromString(s, QStringLiteral("H:mm:ss"));
            if (!tm.isValid()) tm = QTime::fromString(s, QStringLiteral("H:mm"));
            if (!tm.isValid()) return fail();
            return QVariant(tm);
        }
        return fail();
    }
    case FieldType::Blob:
    case FieldType::Graphic:
    case FieldType::ParadoxOle:
    case FieldType::DBaseOle:
    case FieldType::TypedBinary:
        if (id == QMetaType::QByteArray) return v;
        if (id == QMetaType::QString) return QVariant(toCp1251(v.toString()));
        return fail();
    case FieldType::Unknown:
        return v;
    }
    return v;
}

// ======================================================================= Field

Field::Field(const QString &name, FieldType type, int size, FieldKind kind)
    : m_name(name), m_type(type), m_kind(kind), m_size(size)
{
}

Field::~Field() = default;

void Field::SetSize(int size)
{
    if (m_ds && m_ds->Active()) throw Error(QString::fromUtf8(kOpen));
    m_size = size;
}

void Field::SetDecimals(int decimals) { m_decimals = decimals; }

int Field::Index() const { return m_index; }

void Field::SetIndex(int index)
{
    if (!m_ds) return;
    auto &v = m_ds->m_fields;
    index = std::clamp(index, 0, int(v.size()) - 1);
    if (index == m_index) return;
    auto owned = std::move(v[size_t(m_index)]);
    v.erase(v.begin() + m_index);
    v.insert(v.begin() + index, std::move(owned));
    m_ds->renumberFields();
    m_ds->NotifyLayoutChanged();
}

void Field::SetVisible(bool v)
{
    if (m_visible == v) return;
    m_visible = v;
    if (m_ds) m_ds->NotifyLayoutChanged();
}

int Field::DisplayWidth() const
{
    if (m_displayWidth >= 0) return m_displayWidth;
    switch (m_type) {
    case FieldType::String: case FieldType::WideString: return m_size > 0 ? m_size : 20;
    case FieldType::Boolean: return 5;
    case FieldType::Date: return 10;
    case FieldType::DateTime: return 18;
    case FieldType::Time: return 8;
    case FieldType::SmallInt: return 6;
    case FieldType::Memo: case FieldType::FmtMemo: case FieldType::Blob: case FieldType::Graphic:
    case FieldType::ParadoxOle: case FieldType::DBaseOle: case FieldType::TypedBinary: return 10;
    default: return m_size > 0 ? std::max(m_size, 5) : 10;
    }
}

void Field::SetDisplayWidth(int w)
{
    m_displayWidth = w;
    if (m_ds) m_ds->NotifyLayoutChanged();
}

void Field::SetDisplayLabel(const QString &label)
{
    m_label = label;
    if (m_ds) m_ds->NotifyLayoutChanged();
}

Qt::Alignment Field::Alignment() const
{
    return isNumericType(m_type) ? Qt::AlignRight : (m_type == FieldType::Boolean ? Qt::AlignCenter : Qt::AlignLeft);
}

QVariant Field::Value() const
{
    if (!m_ds || !m_ds->Active()) throw Error(QString::fromUtf8(kClosed));
    return m_ds->activeValue(m_slot);
}

void Field::checkWritable() const
{
    if (!m_ds || !m_ds->Active()) throw Error(QString::fromUtf8(kClosed));
    const DataSetState st = m_ds->m_state;
    if (st == DataSetState::CalcFields) {
        if (m_kind == FieldKind::Data) throw Error(QString::fromUtf8(kNotEditing));
        return;
    }
    if (st != DataSetState::Edit && st != DataSetState::Insert)
        throw Error(QString::fromUtf8(kNotEditing));
    if (m_readOnly || m_kind == FieldKind::Lookup)
        throw Error(QStringLiteral("Поле '%1' не может быть изменено").arg(m_name));
}

void Field::SetValue(const QVariant &v)
{
    checkWritable();
    bool ok = true;
    QVariant c = coerceValue(m_type, v, &ok);
    if (!ok) {
        const QString text = v.toString();
        if (isIntegerType(m_type))
            throw Error(QStringLiteral("'%1' - неверное целое значение для поля '%2'").arg(text, m_name));
        if (m_type == FieldType::Float || m_type == FieldType::Currency || m_type == FieldType::BCD)
            throw Error(QStringLiteral("'%1' - неверное число для поля '%2'").arg(text, m_name));
        if (m_type == FieldType::Date || m_type == FieldType::DateTime || m_type == FieldType::Time)
            throw Error(QStringLiteral("'%1' - неверная дата для поля '%2'").arg(text, m_name));
        throw Error(QStringLiteral("'%1' - неверное значение для поля '%2'").arg(text, m_name));
    }
    if ((m_type == FieldType::String || m_type == FieldType::WideString) && m_size > 0 && c.isValid()) {
        const QString s = c.toString();
        if (s.size() > m_size) c = s.left(m_size);
    }
    m_ds->setActiveValue(const_cast<Field *>(this), c);
}

bool Field::IsNull() const
{
    const QVariant v = Value();
    return !v.isValid() || v.isNull();
}

void Field::Clear() { SetValue(QVariant()); }

QVariant Field::numberAs(FieldType t, const char *what) const
{
    const QVariant v = Value();
    if (!v.isValid() || v.isNull()) return QVariant(0);
    bool ok = true;
    const QVariant c = coerceValue(t, v, &ok);
    if (!ok)
        throw Error(QStringLiteral("'%1' - %2 для поля '%3'").arg(v.toString(), QString::fromUtf8(what), m_name));
    return c;
}

int Field::AsInteger() const { return numberAs(FieldType::Integer, "неверное целое значение").toInt(); }

qint64 Field::AsLargeInt() const { return numberAs(FieldType::LargeInt, "неверное целое значение").toLongLong(); }

double Field::AsFloat() const { return numberAs(FieldType::Float, "неверное число").toDouble(); }

QString Field::valueToText(FieldType type, const QVariant &v)
{
    if (!v.isValid() || v.isNull()) return QString();
    switch (type) {
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::BCD:
        return formatShortest(v.toDouble());
    case FieldType::Boolean:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case FieldType::Date:
        return formatDate(v.toDate());
    case FieldType::DateTime: {
        const QDateTime dt = v.toDateTime();
        if (dt.time() == QTime(0, 0)) return formatDate(dt.date());
        return formatDate(dt.date()) + QLatin1Char(' ') + dt.time().toString(QStringLiteral("H:mm:ss"));
    }
    case FieldType::Time:
        return v.toTime().toString(QStringLiteral("H:mm:ss"));
    case FieldType::Blob:
    case FieldType::Graphic:
    case FieldType::ParadoxOle:
    case FieldType::DBaseOle:
    case FieldType::TypedBinary:
        return fromCp1251(v.toByteArray());
    default:
        if (typeId(v) == QMetaType::Double) return formatShortest(v.toDouble());
        if (typeId(v) == QMetaType::QDate) return formatDate(v.toDate());
        return v.toString();
    }
}

QString Field::valueToDisplayText(const QVariant &v) const
{
    if ((m_type == FieldType::Float || m_type == FieldType::Currency || m_type == FieldType::BCD) &&
        m_displayDecimals >= 0 && v.isValid() && !v.isNull())
        return formatFixed(v.toDouble(), m_displayDecimals);
    if (isBlobType(m_type)) {
        // Large values show as their kind in brackets, upper case when present.
        QString kind;
        switch (m_type) {
        case FieldType::Memo: kind = QStringLiteral("memo"); break;
        case FieldType::FmtMemo: kind = QStringLiteral("fmtmemo"); break;
        case FieldType::Graphic: kind = QStringLiteral("graphic"); break;
        case FieldType::ParadoxOle: kind = QStringLiteral("paradoxole"); break;
        case FieldType::DBaseOle: kind = QStringLiteral("dbaseole"); break;
        case FieldType::TypedBinary: kind = QStringLiteral("typedbinary"); break;
        default: kind = QStringLiteral("blob"); break;
        }
        const bool present = v.isValid() && !v.isNull();
        return QLatin1Char('(') + (present ? kind.toUpper() : kind) + QLatin1Char(')');
    }
    return valueToText(m_type, v);
}

QString Field::AsString() const { return valueToText(m_type, Value()); }

bool Field::AsBoolean() const
{
    const QVariant v = Value();
    if (!v.isValid() || v.isNull()) return false;
    bool ok = true;
    const QVariant c = coerceValue(FieldType::Boolean, v, &ok);
    if (!ok) throw Error(QStringLiteral("'%1' - неверное логическое значение для поля '%2'").arg(v.toString(), m_name));
    return c.toBool();
}

QDateTime Field::AsDateTime() const
{
    const QVariant v = Value();
    if (!v.isValid() || v.isNull()) return QDateTime();
    bool ok = true;
    const QVariant c = coerceValue(FieldType::DateTime, v, &ok);
    if (!ok) throw Error(QStringLiteral("'%1' - неверная дата для поля '%2'").arg(v.toString(), m_name));
    return c.toDateTime();
}

QDate Field::AsDate() const { return AsDateTime().date(); }

void Field::SetAsInteger(int v) { SetValue(v); }
void Field::SetAsLargeInt(qint64 v) { SetValue(v); }
void Field::SetAsFloat(double v) { SetValue(v); }
void Field::SetAsString(const QString &v) { SetValue(v); }
void Field::SetAsBoolean(bool v) { SetValue(v); }
void Field::SetAsDateTime(const QDateTime &v) { SetValue(v.isValid() ? QVariant(v) : QVariant()); }
void Field::SetAsDate(const QDate &v) { SetValue(v.isValid() ? QVariant(v) : QVariant()); }

QString Field::Text() const
{
    QString t = AsString();
    if (OnGetText) OnGetText(const_cast<Field &>(*this), t, false);
    return t;
}

QString Field::DisplayText() const
{
    QString t = valueToDisplayText(Value());
    if (OnGetText) OnGetText(const_cast<Field &>(*this), t, true);
    return t;
}

void Field::SetText(const QString &text)
{
    if (OnSetText) {
        OnSetText(*this, text);
        return;
    }
    SetValue(text.isEmpty() && !isStringType(m_type) ? QVariant() : QVariant(text));
}

bool Field::CanModify() const
{
    return !m_readOnly && m_kind != FieldKind::Lookup && m_kind != FieldKind::Calculated && m_ds && m_ds->CanModify();
}

Bookmark Bookmark::fromString(const QString &s)
{
    bool ok = false;
    const qint64 id = s.toLongLong(&ok);
    return ok && id >= 0 ? Bookmark(id) : Bookmark();
}

// ==================================================================== DataLink

DataLink::~DataLink()
{
    SetDataSource(nullptr);
    SetDataSet(nullptr);
}

void DataLink::attach(DataSet *ds)
{
    if (m_ds == ds) return;
    if (m_ds) m_ds->m_links.removeAll(this);
    m_ds = ds;
    if (m_ds) m_ds->m_links.append(this);
    ActiveChanged();
}

void DataLink::SetDataSet(DataSet *ds)
{
    if (m_src) {
        m_src->m_links.removeAll(this);
        m_src = nullptr;
    }
    attach(ds);
}

void DataLink::SetDataSource(DataSource *src)
{
    if (m_src == src) return;
    if (m_src) m_src->m_links.removeAll(this);
    m_src = src;
    if (m_src) m_src->m_links.append(this);
    attach(m_src ? m_src->m_ds : nullptr);
}

bool DataLink::Active() const { return m_ds && m_ds->Active(); }

bool DataLink::Edit()
{
    if (!m_ds || !m_ds->Active()) return false;
    if (m_ds->State() == DataSetState::Edit || m_ds->State() == DataSetState::Insert) return true;
    if (!m_ds->CanModify()) return false;
    m_ds->Edit();
    return m_ds->State() == DataSetState::Edit || m_ds->State() == DataSetState::Insert;
}

DataSource::~DataSource()
{
    SetDataSet(nullptr);
    for (DataLink *l : QList<DataLink *>(m_links)) l->m_src = nullptr;
}

void DataSource::SetDataSet(DataSet *ds)
{
    if (m_ds == ds) return;
    if (m_ds) m_ds->m_sources.removeAll(this);
    m_ds = ds;
    if (m_ds) m_ds->m_sources.append(this);
    for (DataLink *l : QList<DataLink *>(m_links)) l->attach(ds);
}

// ===================================================================== DataSet

DataSet::DataSet(QObject *parent) : QObject(parent) {}

DataSet::~DataSet()
{
    // Back-ends close themselves in their destructors (InternalClose is pure
    // here); only detach the observers.
    for (DataLink *l : QList<DataLink *>(m_links)) l->m_ds = nullptr;
    for (DataSource *s : QList<DataSource *>(m_sources)) {
        s->m_ds = nullptr;
        for (DataLink *l : s->m_links) l->m_ds = nullptr;
    }
}

void DataSet::checkActive() const
{
    if (!Active()) throw Error(QString::fromUtf8(kClosed));
}

void DataSet::checkInactive() const
{
    if (Active()) throw Error(QString::fromUtf8(kOpen));
}

void DataSet::renumberFields()
{
    for (size_t i = 0; i < m_fields.size(); ++i) m_fields[i]->m_index = int(i);
}

Field *DataSet::AddField(const QString &name, FieldType type, int size, FieldKind kind)
{
    return AddField(std::make_unique<Field>(name, type, size, kind));
}

Field *DataSet::AddField(std::unique_ptr<Field> field)
{
    checkInactive();
    if (FindField(field->FieldName()))
        throw Error(QStringLiteral("Поле '%1' уже существует").arg(field->FieldName()));
    Field *f = field.get();
    f->m_ds = this;
    f->m_slot = int(m_fields.size());
    m_fields.push_back(std::move(field));
    renumberFields();
    return f;
}

void DataSet::RemoveField(Field *field)
{
    checkInactive();
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].get() == field) {
            m_fields.erase(m_fields.begin() + long(i));
            break;
        }
    }
    renumberFields();
    for (size_t i = 0; i < m_fields.size(); ++i) m_fields[i]->m_slot = int(i);
}

void DataSet::ClearFields()
{
    checkInactive();
    m_fields.clear();
}

Field *DataSet::Fields(int index) const
{
    if (index < 0 || index >= int(m_fields.size()))
        throw Error(QStringLiteral("Индекс поля %1 вне допустимого диапазона").arg(index));
    return m_fields[size_t(index)].get();
}

QList<Field *> DataSet::FieldList() const
{
    QList<Field *> out;
    for (const auto &f : m_fields) out << f.get();
    return out;
}

Field *DataSet::FindField(const QString &name) const
{
    const QString n = name.trimmed();
    for (const auto &f : m_fields)
        if (sameText(f->FieldName(), n)) return f.get();
    return nullptr;
}

Field *DataSet::FieldByName(const QString &name) const
{
    Field *f = FindField(name);
    if (!f) throw Error(fieldNotFoundMessage(name));
    return f;
}

QStringList DataSet::FieldNames() const
{
    QStringList out;
    for (const auto &f : m_fields) out << f->FieldName();
    return out;
}

void DataSet::bindFields()
{
    const QList<FieldDef> defs = InternalFieldDefs();
    bool anyStored = false;
    for (const auto &f : m_fields)
        if (f->IsStored()) anyStored = true;
    if (!anyStored) {
        // Default fields, one per column, in front of any calculated ones.
        int at = 0;
        for (const FieldDef &d : defs) {
            auto f = std::make_unique<Field>(d.name, d.type, d.size, FieldKind::Data);
            f->m_decimals = d.decimals;
            f->m_required = d.required;
            f->m_ds = this;
            f->m_default = true;
            m_fields.insert(m_fields.begin() + at, std::move(f));
            ++at;
        }
        renumberFields();
    }
    for (size_t i = 0; i < m_fields.size(); ++i) m_fields[i]->m_slot = int(i);
    for (const auto &f : m_fields) {
        f->m_column = -1;
        if (!f->IsStored()) continue;
        for (int c = 0; c < defs.size(); ++c) {
            if (sameText(defs[c].name, f->FieldName())) {
                f->m_column = c;
                if (f->m_size == 0 && isStringType(f->m_type)) f->m_size = defs[c].size;
                break;
            }
        }
        if (f->m_column < 0) throw Error(fieldNotFoundMessage(f->FieldName()));
    }
}

void DataSet::unbindFields()
{
    for (size_t i = m_fields.size(); i-- > 0;)
        if (m_fields[i]->m_default) m_fields.erase(m_fields.begin() + long(i));
    renumberFields();
    for (size_t i = 0; i < m_fields.size(); ++i) {
        m_fields[i]->m_slot = int(i);
        m_fields[i]->m_column = -1;
    }
}

const DataSet::Event &DataSet::eventHandler(DataSetEvent which) const
{
    switch (which) {
    case DataSetEvent::BeforeOpen: return BeforeOpen;
    case DataSetEvent::AfterOpen: return AfterOpen;
    case DataSetEvent::BeforeClose: return BeforeClose;
    case DataSetEvent::AfterClose: return AfterClose;
    case DataSetEvent::BeforeInsert: return BeforeInsert;
    case DataSetEvent::AfterInsert: return AfterInsert;
    case DataSetEvent::BeforeEdit: return BeforeEdit;
    case DataSetEvent::AfterEdit: return AfterEdit;
    case DataSetEvent::BeforePost: return BeforePost;
    case DataSetEvent::AfterPost: return AfterPost;
    case DataSetEvent::BeforeCancel: return BeforeCancel;
    case DataSetEvent::AfterCancel: return AfterCancel;
    case DataSetEvent::BeforeDelete: return BeforeDelete;
    case DataSetEvent::AfterDelete: return AfterDelete;
    case DataSetEvent::BeforeScroll: return BeforeScroll;
    case DataSetEvent::AfterScroll: return AfterScroll;
    case DataSetEvent::OnNewRecord: return OnNewRecord;
    }
    static const Event none;
    return none;
}

void DataSet::fireEvent(DataSetEvent which)
{
    if (m_heldEvents.testFlag(which)) return;
    if (const Event &ev = eventHandler(which)) ev(*this);
}

void DataSet::notify(int what, Field *f, int distance)
{
    if (m_disableCount > 0) {
        if (what & (nActive | nLayout | nData | nScroll | nRecord | nEditing)) m_pendingNotify |= what;
        return;
    }
    const QList<DataLink *> links = m_links;
    QList<DataLink *> all = links;
    for (DataSource *s : m_sources)
        for (DataLink *l : s->m_links)
            if (!all.contains(l)) all << l;
    for (DataLink *l : all) {
        if (l->m_ds != this) continue;
        if (what & nActive) l->ActiveChanged();
        if (what & nLayout) l->LayoutChanged();
        if (what & nUpdate) l->UpdateData();
        if (what & nEditing) l->EditingChanged();
        if (what & nData) l->DataSetChanged();
        if (what & nScroll) l->DataSetScrolled(distance);
        if (what & nRecord) l->RecordChanged(f);
    }
}

void DataSet::NotifyLayoutChanged()
{
    ++m_gen;
    notify(nLayout);
}

void DataSet::DisableControls() { ++m_disableCount; }

void DataSet::EnableControls()
{
    if (m_disableCount == 0) return;
    if (--m_disableCount > 0) return;
    const int pending = m_pendingNotify;
    m_pendingNotify = 0;
    if (pending == 0) return;
    int what = 0;
    if (pending & nActive) what |= nActive;
    if (pending & nLayout) what |= nLayout;
    if (pending & (nData | nScroll | nRecord | nEditing)) what |= nData;
    if (pending & nEditing) what |= nEditing;
    notify(what);
}

// ---- open and close

void DataSet::Open()
{
    if (Active()) return;
    fireEvent(DataSetEvent::BeforeOpen);
    InternalOpen();
    try {
        bindFields();
        m_state = DataSetState::Browse;
        m_modified = false;
        m_stale = false;
        m_filterExpr.reset();
        if (!m_filterText.trimmed().isEmpty()) m_filterExpr = FilterExpr::parse(m_filterText);
        rebuildRows();
    } catch (...) {
        m_state = DataSetState::Inactive;
        m_rows.clear();
        InternalClose();
        unbindFields();
        throw;
    }
    m_cur = m_rows.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.empty();
    loadCurrent();
    notify(nActive);
    fireEvent(DataSetEvent::AfterOpen);
    if (!m_rows.empty()) fireEvent(DataSetEvent::AfterScroll);
}

void DataSet::Close()
{
    if (!Active()) return;
    fireEvent(DataSetEvent::BeforeClose);
    m_state = DataSetState::Browse;
    m_modified = false;
    InternalClose();
    m_state = DataSetState::Inactive;
    m_rows.clear();
    m_cur = -1;
    m_bof = m_eof = true;
    m_buf = Record();
    m_cacheRow = -1;
    ++m_gen;
    unbindFields();
    notify(nActive);
    fireEvent(DataSetEvent::AfterClose);
}

void DataSet::SetActive(bool active)
{
    if (active) Open();
    else Close();
}

// ---- rows

void DataSet::rebuildRows()
{
    ++m_gen;
    m_cacheRow = -1;
    const int n = InternalRecordCount();
    m_rows.clear();
    const bool filtering = m_filtered && (m_filterExpr || OnFilterRecord);
    if (!filtering) {
        m_rows.resize(size_t(n));
        for (int i = 0; i < n; ++i) m_rows[size_t(i)] = i;
        return;
    }
    if (m_filterExpr) {
        m_filterExpr->bind([this](const QString &name, FieldType &t) {
            Field *f = FindField(name);
            if (!f) return -1;
            t = f->DataType();
            return f->m_slot;
        });
    }
    m_rows.reserve(size_t(n));
    Record r;
    for (int pos = 0; pos < n; ++pos) {
        // readRow works on m_rows, so read by position here.
        QVariantList cols;
        InternalReadRecord(pos, cols);
        r.values = QVariantList();
        r.values.resize(m_fields.size());
        for (const auto &f : m_fields)
            if (f->m_column >= 0) r.values[f->m_slot] = cols.value(f->m_column);
        r.id = InternalRecordId(pos);
        calcFields(r);
        if (acceptRecord(r)) m_rows.push_back(pos);
    }
}

bool DataSet::acceptRecord(const Record &r) const
{
    if (m_filterExpr && !m_filterExpr->matches(r.values, CaseInsensitiveFilter)) return false;
    if (!OnFilterRecord) return true;
    auto *self = const_cast<DataSet *>(this);
    const Record *savedActive = m_active;
    const DataSetState savedState = m_state;
    m_active = &r;
    self->m_state = DataSetState::Filter;
    bool accept = true;
    try {
        OnFilterRecord(*self, accept);
    } catch (...) {
        m_active = savedActive;
        self->m_state = savedState;
        throw;
    }
    m_active = savedActive;
    self->m_state = savedState;
    return accept;
}

void DataSet::readRow(int row, Record &r) const
{
    const int pos = m_rows[size_t(row)];
    QVariantList cols;
    InternalReadRecord(pos, cols);
    r.values = QVariantList();
    r.values.resize(m_fields.size());
    for (const auto &f : m_fields)
        if (f->m_column >= 0) r.values[f->m_slot] = cols.value(f->m_column);
    r.id = InternalRecordId(pos);
    calcFields(r);
}

void DataSet::calcFields(Record &r) const
{
    bool any = false;
    for (const auto &f : m_fields)
        if (f->Kind() == FieldKind::Calculated || f->Kind() == FieldKind::Lookup) any = true;
    if (!any) return;
    for (const auto &f : m_fields)
        if (f->Kind() == FieldKind::Calculated || f->Kind() == FieldKind::Lookup) r.values[f->m_slot] = QVariant();
    auto *self = const_cast<DataSet *>(this);
    const Record *savedActive = m_active;
    const DataSetState savedState = m_state;
    struct Restore
    {
        DataSet *ds;
        const Record *a;
        DataSetState s;
        ~Restore() { ds->m_active = a; ds->m_state = s; }
    } restore{self, savedActive, savedState};
    m_active = &r;
    self->m_state = DataSetState::CalcFields;
    for (const auto &f : m_fields) {
        if (f->Kind() != FieldKind::Lookup || !f->LookupDataSet || !f->LookupDataSet->Active()) continue;
        const QStringList keys = splitNames(f->KeyFields);
        QVariantList keyValues;
        for (const QString &k : keys) {
            const Field *kf = FindField(k);
            keyValues << (kf ? r.values.value(kf->m_slot) : QVariant());
        }
        const QVariant kv = keyValues.size() == 1 ? keyValues.first() : QVariant(keyValues);
        r.values[f->m_slot] = f->LookupDataSet->Lookup(f->LookupKeyFields, kv, f->LookupResultField);
    }
    if (OnCalcFields) OnCalcFields(*self);
}

void DataSet::loadCurrent()
{
    m_active = nullptr;
    if (m_cur >= 0 && m_cur < int(m_rows.size())) {
        readRow(m_cur, m_buf);
    } else {
        m_buf = Record();
        m_buf.values.resize(m_fields.size());
    }
}

const QVariant &DataSet::activeValue(int slot) const
{
    static const QVariant null;
    const Record &r = m_active ? *m_active : m_buf;
    if (slot < 0 || slot >= r.values.size()) return null;
    return r.values[slot];
}

void DataSet::setActiveValue(Field *f, const QVariant &v)
{
    if (m_state == DataSetState::CalcFields) {
        if (m_active) const_cast<Record *>(m_active)->values[f->m_slot] = v;
        return;
    }
    m_buf.values[f->m_slot] = v;
    m_modified = true;
    ++m_gen;
    if (f->IsStored()) {
        // Calculated fields follow the data they are computed from.
        calcFields(m_buf);
    }
    if (f->OnChange) f->OnChange(*f);
    notify(nRecord, f);
}

int DataSet::rowOfId(qint64 id) const
{
    if (id < 0) return -1;
    const int pos = InternalFindId(id);
    if (pos < 0) return -1;
    auto it = std::lower_bound(m_rows.begin(), m_rows.end(), pos);
    if (it == m_rows.end() || *it != pos) return -1;
    return int(it - m_rows.begin());
}

void DataSet::setState(DataSetState s)
{
    if (m_state == s) return;
    const bool wasEditing = m_state == DataSetState::Edit || m_state == DataSetState::Insert;
    m_state = s;
    const bool editing = s == DataSetState::Edit || s == DataSetState::Insert;
    if (wasEditing != editing) notify(nEditing);
}

// ---- navigation

bool DataSet::IsEmpty() const
{
    return !Active() || (m_rows.empty() && m_state != DataSetState::Insert);
}

int DataSet::RecordCount() const { return Active() ? int(m_rows.size()) : 0; }

int DataSet::RecNo() const
{
    if (!Active() || m_state == DataSetState::Insert || m_cur < 0) return 0;
    return m_cur + 1;
}

void DataSet::SetRecNo(int recNo)
{
    checkActive();
    CheckBrowseMode();
    if (recNo < 1 || recNo > int(m_rows.size())) return;
    if (recNo - 1 == m_cur) return;
    fireEvent(DataSetEvent::BeforeScroll);
    const int distance = recNo - 1 - m_cur;
    m_cur = recNo - 1;
    m_bof = m_eof = false;
    loadCurrent();
    notify(nScroll, nullptr, distance);
    fireEvent(DataSetEvent::AfterScroll);
}

void DataSet::moveTo(int row, bool fireScroll)
{
    if (fireScroll) fireEvent(DataSetEvent::BeforeScroll);
    const int distance = row - m_cur;
    m_cur = row;
    m_bof = m_eof = false;
    loadCurrent();
    notify(nScroll, nullptr, distance);
    if (fireScroll) fireEvent(DataSetEvent::AfterScroll);
}

void DataSet::First()
{
    checkActive();
    CheckBrowseMode();
    fireEvent(DataSetEvent::BeforeScroll);
    m_cur = m_rows.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_rows.empty();
    loadCurrent();
    notify(nData);
    fireEvent(DataSetEvent::AfterScroll);
}

void DataSet::Last()
{
    checkActive();
    CheckBrowseMode();
    fireEvent(DataSetEvent::BeforeScroll);
    m_cur = int(m_rows.size()) - 1;
    m_eof = true;
    m_bof = m_rows.empty();
    loadCurrent();
    notify(nData);
    fireEvent(DataSetEvent::AfterScroll);
}

int DataSet::MoveBy(int distance)
{
    checkActive();
    CheckBrowseMode();
    if (distance == 0) return 0;
    fireEvent(DataSetEvent::BeforeScroll);
    const int n = int(m_rows.size());
    int moved = 0;
    if (n == 0) {
        m_bof = m_eof = true;
    } else if (distance > 0) {
        const int target = std::min(m_cur + distance, n - 1);
        moved = target - m_cur;
        m_eof = m_cur + distance > n - 1;
        if (moved > 0) m_bof = false;
        m_cur = target;
    } else {
        const int target = std::max(m_cur + distance, 0);
        moved = target - m_cur;
        m_bof = m_cur + distance < 0;
        if (moved < 0) m_eof = false;
        m_cur = target;
    }
    if (moved != 0) {
        loadCurrent();
        notify(nScroll, nullptr, moved);
    }
    fireEvent(DataSetEvent::AfterScroll);
    return moved;
}

void DataSet::Next() { MoveBy(1); }
void DataSet::Prior() { MoveBy(-1); }

void DataSet::Refresh()
{
    checkActive();
    CheckBrowseMode();
    InternalRefresh();
    BackendChanged();
}

void DataSet::BackendChanged()
{
    if (!Active()) return;
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert) {
        m_stale = true;
        return;
    }
    const qint64 id = m_cur >= 0 ? m_buf.id : -1;
    const int oldCur = m_cur;
    rebuildRows();
    int row = rowOfId(id);
    if (row < 0) row = m_rows.empty() ? -1 : std::clamp(oldCur, 0, int(m_rows.size()) - 1);
    m_cur = row;
    if (m_rows.empty()) m_bof = m_eof = true;
    else m_bof = m_eof = false;
    loadCurrent();
    notify(nData);
}

// ---- editing

bool DataSet::CanModify() const
{
    return Active() && (!m_readOnly || InternalLoading()) && InternalCanModify();
}

void DataSet::CheckBrowseMode()
{
    checkActive();
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert) {
        notify(nUpdate);
        if (m_modified) Post();
        else Cancel();
    }
}

void DataSet::Edit()
{
    checkActive();
    if (m_state == DataSetState::Edit || m_state == DataSetState::Insert) return;
    if (m_rows.empty()) {
        Insert();
        return;
    }
    if (!CanModify()) throw Error(QString::fromUtf8(kReadOnlyDataSet));
    fireEvent(DataSetEvent::BeforeEdit);
    for (;;) {
        try {
            // Edit what is stored now, not what was read at the last scroll.
            const int row = rowOfId(m_buf.id);
            if (row < 0) throw Error(QStringLiteral("Запись была удалена другим пользователем"));
            m_cur = row;
            loadCurrent();
            break;
        } catch (const Error &e) {
            if (!handleError(OnEditError, e.message())) throw;
        }
    }
    m_modified = false;
    setState(DataSetState::Edit);
    notify(nRecord);
    fireEvent(DataSetEvent::AfterEdit);
}

void DataSet::Insert() { beginInsert(false); }
void DataSet::Append() { beginInsert(true); }

void DataSet::beginInsert(bool append)
{
    checkActive();
    CheckBrowseMode();
    if (!CanModify()) throw Error(QString::fromUtf8(kReadOnlyDataSet));
    fireEvent(DataSetEvent::BeforeInsert);
    fireEvent(DataSetEvent::BeforeScroll);
    m_appending = append;
    QVariantList cols;
    for (int i = 0; i < InternalFieldDefs().size(); ++i) cols << QVariant();
    InternalInitRecord(cols);
    m_buf = Record();
    m_buf.values.resize(m_fields.size());
    for (const auto &f : m_fields)
        if (f->m_column >= 0) m_buf.values[f->m_slot] = cols.value(f->m_column);
    m_active = nullptr;
    setState(DataSetState::Insert);
    try {
        calcFields(m_buf);
        fireEvent(DataSetEvent::OnNewRecord);
    } catch (...) {
        // No half-made row stays behind a failed OnNewRecord.
        m_state = DataSetState::Browse;
        m_modified = false;
        loadCurrent();
        notify(nEditing | nData);
        throw;
    }
    m_modified = false;
    ++m_gen;
    notify(nData);
    fireEvent(DataSetEvent::AfterInsert);
    fireEvent(DataSetEvent::AfterScroll);
}

QVariantList DataSet::toColumns(const Record &r) const
{
    QVariantList cols;
    const int n = InternalFieldDefs().size();
    cols.reserve(n);
    for (int i = 0; i < n; ++i) cols << QVariant();
    for (const auto &f : m_fields)
        if (f->m_column >= 0) cols[f->m_column] = r.values.value(f->m_slot);
    return cols;
}

bool DataSet::handleError(const ErrorEvent &ev, const QString &msg)
{
    if (!ev) return false;
    DataAction action = DataAction::Fail;
    ev(*this, msg, action);
    return action == DataAction::Retry;
}

void DataSet::Post()
{
    checkActive();
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert) return;
    notify(nUpdate);
    fireEvent(DataSetEvent::BeforePost);
    for (const auto &f : m_fields) {
        if (f->Required() && f->IsStored()) {
            const QVariant &v = m_buf.values[f->m_slot];
            if (!v.isValid() || v.isNull())
                throw Error(QStringLiteral("Поле '%1' должно иметь значение").arg(f->FieldName()));
        }
    }
    doPost();
    fireEvent(DataSetEvent::AfterPost);
}

void DataSet::doPost()
{
    const bool inserting = m_state == DataSetState::Insert;
    qint64 id = m_buf.id;
    for (;;) {
        try {
            const QVariantList cols = toColumns(m_buf);
            if (inserting) {
                int before = -1;
                if (!m_appending && m_cur >= 0 && m_cur < int(m_rows.size())) before = m_rows[size_t(m_cur)];
                id = InternalInsert(before, cols);
            } else {
                const int pos = InternalFindId(id);
                if (pos < 0) throw Error(QStringLiteral("Запись была удалена другим пользователем"));
                InternalUpdate(pos, cols);
            }
            break;
        } catch (const Error &e) {
            if (!handleError(OnPostError, e.message())) throw;
        }
    }
    const int oldCur = m_cur;
    m_state = DataSetState::Browse;
    m_modified = false;
    m_stale = false;
    rebuildRows();
    int row = rowOfId(id);
    if (row < 0) row = m_rows.empty() ? -1 : std::clamp(oldCur, 0, int(m_rows.size()) - 1);
    m_cur = row;
    m_bof = m_eof = m_rows.empty();
    loadCurrent();
    notify(nEditing | nData);
}

void DataSet::Cancel()
{
    checkActive();
    if (m_state != DataSetState::Edit && m_state != DataSetState::Insert) return;
    fireEvent(DataSetEvent::BeforeCancel);
    m_state = DataSetState::Browse;
    m_modified = false;
    if (m_stale) {
        m_stale = false;
        const qint64 id = m_cur >= 0 && m_cur < int(m_rows.size()) ? InternalRecordId(m_rows[size_t(m_cur)]) : -1;
        rebuildRows();
        int row = rowOfId(id);
        if (row < 0) row = m_rows.empty() ? -1 : std::clamp(m_cur, 0, int(m_rows.size()) - 1);
        m_cur = row;
    }
    ++m_gen;
    loadCurrent();
    notify(nEditing | nData);
    fireEvent(DataSetEvent::AfterCancel);
}

void DataSet::Delete()
{
    checkActive();
    if (m_state == DataSetState::Insert) {
        Cancel();
        return;
    }
    if (m_rows.empty()) throw Error(QString::fromUtf8(kEmpty));
    if (!CanModify()) throw Error(QString::fromUtf8(kReadOnlyDataSet));
    if (m_state == DataSetState::Edit) {
        m_state = DataSetState::Browse;
        m_modified = false;
        notify(nEditing);
    }
    fireEvent(DataSetEvent::BeforeDelete);
    fireEvent(DataSetEvent::BeforeScroll);
    doDelete();
    fireEvent(DataSetEvent::AfterDelete);
    fireEvent(DataSetEvent::AfterScroll);
}

void DataSet::doDelete()
{
    for (;;) {
        try {
            const int pos = InternalFindId(m_buf.id);
            if (pos < 0) throw Error(QStringLiteral("Запись была удалена другим пользователем"));
            InternalDelete(pos);
            break;
        } catch (const Error &e) {
            if (!handleError(OnDeleteError, e.message())) throw;
        }
    }
    const int oldCur = m_cur;
    rebuildRows();
    m_cur = m_rows.empty() ? -1 : std::min(oldCur, int(m_rows.size()) - 1);
    m_bof = m_eof = m_rows.empty();
    loadCurrent();
    notify(nData);
}

void DataSet::AppendRecord(const QVariantList &values)
{
    Append();
    postNewRecord(values);
}

void DataSet::InsertRecord(const QVariantList &values)
{
    Insert();
    postNewRecord(values);
}

void DataSet::postNewRecord(const QVariantList &values)
{
    try {
        for (int i = 0; i < values.size() && i < FieldCount(); ++i) {
            Field *f = Fields(i);
            if (!f->IsStored() || !values[i].isValid()) continue;
            f->SetValue(values[i]);
        }
        Post();
    } catch (...) {
        Cancel();
        throw;
    }
}

void DataSet::InternalInitRecord(QVariantList &) const {}

// ---- bookmarks

Bookmark DataSet::GetBookmark() const
{
    if (!Active() || m_state == DataSetState::Insert || m_cur < 0) return Bookmark();
    return Bookmark(m_buf.id);
}

void DataSet::GotoBookmark(const Bookmark &b)
{
    checkActive();
    CheckBrowseMode();
    const int row = rowOfId(b.m_id);
    if (row < 0) throw Error(QStringLiteral("Bookmark not found"));
    fireEvent(DataSetEvent::BeforeScroll);
    m_cur = row;
    m_bof = m_eof = false;
    loadCurrent();
    notify(nData);
    fireEvent(DataSetEvent::AfterScroll);
}

bool DataSet::BookmarkValid(const Bookmark &b) const
{
    return Active() && rowOfId(b.m_id) >= 0;
}

int DataSet::CompareBookmarks(const Bookmark &a, const Bookmark &b) const
{
    if (a.m_id == b.m_id) return 0;
    if (a.isNull()) return -1;
    if (b.isNull()) return 1;
    const int pa = InternalFindId(a.m_id), pb = InternalFindId(b.m_id);
    if (pa == pb) return 0;
    return pa < pb ? -1 : 1;
}

// ---- search

namespace {

bool matchValue(const Field *f, const QVariant &stored, const QVariant &key, LocateOptions o)
{
    const bool sn = !stored.isValid() || stored.isNull();
    const bool kn = !key.isValid() || key.isNull();
    if (kn) return sn;
    if (sn) return false;
    const FieldType t = f->DataType();
    if (isStringType(t)) {
        const QString s = trimRight(stored.toString());
        const QString k = key.toString();
        if (o.partialKey) {
            const QString head = s.left(k.size());
            if (head.size() < k.size()) return false;
            return o.caseInsensitive ? sameText(head, k) : head == k;
        }
        return o.caseInsensitive ? sameText(s, trimRight(k)) : s == trimRight(k);
    }
    if (o.partialKey) {
        // A partial key matches the beginning of the value's text.
        const QString s = Field::valueToText(t, stored);
        const QString k = key.toString();
        const QString head = s.left(k.size());
        if (head.size() < k.size()) return false;
        return o.caseInsensitive ? sameText(head, k) : head == k;
    }
    bool ok = true;
    const QVariant c = coerceValue(t, key, &ok);
    if (!ok || !c.isValid()) return false;
    if (isNumericType(t)) return stored.toDouble() == c.toDouble();
    if (t == FieldType::Boolean) return stored.toBool() == c.toBool();
    if (t == FieldType::Date) return stored.toDate() == c.toDate();
    return stored == c;
}

} // namespace

int DataSet::locateRow(const QString &keyFields, const QVariant &keyValues, LocateOptions options) const
{
    const QStringList names = splitNames(keyFields);
    if (names.isEmpty()) throw Error(fieldNotFoundMessage(keyFields));
    QList<const Field *> fields;
    for (const QString &n : names) {
        const Field *f = FindField(n);
        if (!f) throw Error(fieldNotFoundMessage(keyFields));
        fields << f;
    }
    QVariantList keys;
    if (fields.size() == 1) keys << keyValues;
    else keys = keyValues.toList();
    if (keys.size() < fields.size()) return -1;
    Record r;
    for (int row = 0; row < int(m_rows.size()); ++row) {
        const Record *rec = nullptr;
        if (row == m_cur && m_state == DataSetState::Browse) {
            rec = &m_buf;
        } else {
            readRow(row, r);
            rec = &r;
        }
        bool all = true;
        for (int i = 0; i < fields.size() && all; ++i)
            all = matchValue(fields[i], rec->values.value(fields[i]->m_slot), keys[i], options);
        if (all) return row;
    }
    return -1;
}

bool DataSet::Locate(const QString &keyFields, const QVariant &keyValues, LocateOptions options)
{
    checkActive();
    CheckBrowseMode();
    const int row = locateRow(keyFields, keyValues, options);
    if (row < 0) return false;
    if (row == m_cur) {
        RedisplayCurrent();
        return true;
    }
    moveTo(row, true);
    return true;
}

void DataSet::RedisplayCurrent()
{
    if (m_state != DataSetState::Browse) return;
    ++m_gen;
    m_cacheRow = -1;
    loadCurrent();
    notify(nRecord);
}

QVariant DataSet::Lookup(const QString &keyFields, const QVariant &keyValues, const QString &resultFields)
{
    checkActive();
    const QStringList results = splitNames(resultFields);
    QList<const Field *> rf;
    for (const QString &n : results) rf << FieldByName(n);
    const int row = locateRow(keyFields, keyValues, {});
    if (row < 0) return QVariant();
    Record r;
    const Record *rec = &r;
    if (row == m_cur && m_state == DataSetState::Browse) rec = &m_buf;
    else readRow(row, r);
    if (rf.size() == 1) return rec->values.value(rf.first()->m_slot);
    QVariantList out;
    for (const Field *f : rf) out << rec->values.value(f->m_slot);
    return out;
}

// ---- filters

void DataSet::SetFilter(const QString &text)
{
    std::shared_ptr<FilterExpr> e;
    if (!text.trimmed().isEmpty()) e = FilterExpr::parse(text);
    m_filterText = text;
    if (!Active()) return;
    CheckBrowseMode();
    m_filterExpr = e;
    if (m_filtered) {
        rebuildRows();
        m_cur = m_rows.empty() ? -1 : 0;
        m_bof = true;
        m_eof = m_rows.empty();
        loadCurrent();
        notify(nData);
    }
}

void DataSet::SetFiltered(bool on)
{
    if (m_filtered == on) return;
    m_filtered = on;
    if (!Active()) return;
    CheckBrowseMode();
    const qint64 id = m_cur >= 0 ? m_buf.id : -1;
    rebuildRows();
    int row = rowOfId(id);
    if (row < 0 || on) row = m_rows.empty() ? -1 : 0;
    m_cur = row;
    m_bof = true;
    m_eof = m_rows.empty();
    loadCurrent();
    notify(nData);
}

void DataSet::SetOnFilterRecord(std::function<void(DataSet &, bool &)> handler)
{
    OnFilterRecord = std::move(handler);
    if (!Active() || !m_filtered) return;
    CheckBrowseMode();
    const qint64 id = m_cur >= 0 ? m_buf.id : -1;
    rebuildRows();
    // A new handler starts from the first row it lets through; without one
    // the current row stays where it was.
    int row = rowOfId(id);
    if (row < 0 || OnFilterRecord) row = m_rows.empty() ? -1 : 0;
    m_cur = row;
    m_bof = true;
    m_eof = m_rows.empty();
    loadCurrent();
    notify(nData);
}

bool DataSet::FindFirst()
{
    checkActive();
    CheckBrowseMode();
    if (m_filterExpr) {
        m_filterExpr->bind([this](const QString &name, FieldType &t) {
            Field *f = FindField(name);
            if (!f) return -1;
            t = f->DataType();
            return f->m_slot;
        });
    }
    Record r;
    for (int row = 0; row < int(m_rows.size()); ++row) {
        readRow(row, r);
        if (acceptRecord(r)) {
            moveTo(row, true);
            m_bof = row == 0;
            return true;
        }
    }
    return false;
}

bool DataSet::FindNext()
{
    checkActive();
    CheckBrowseMode();
    if (m_filterExpr) {
        m_filterExpr->bind([this](const QString &name, FieldType &t) {
            Field *f = FindField(name);
            if (!f) return -1;
            t = f->DataType();
            return f->m_slot;
        });
    }
    Record r;
    for (int row = m_cur + 1; row < int(m_rows.size()); ++row) {
        readRow(row, r);
        if (acceptRecord(r)) {
            moveTo(row, true);
            return true;
        }
    }
    return false;
}

// ---- views

int DataSet::ViewRowCount() const
{
    if (!Active()) return 0;
    return int(m_rows.size()) + (m_state == DataSetState::Insert ? 1 : 0);
}

int DataSet::ViewCurrentRow() const
{
    if (!Active()) return -1;
    if (m_state == DataSetState::Insert) return m_appending ? int(m_rows.size()) : std::max(m_cur, 0);
    return m_cur;
}

void DataSet::WithViewRow(int row, const std::function<void()> &fn) const
{
    if (!Active() || row < 0 || row >= ViewRowCount()) return;
    const Record *rec = nullptr;
    const int cur = ViewCurrentRow();
    if (row == cur) {
        rec = &m_buf;
    } else {
        int dataRow = row;
        if (m_state == DataSetState::Insert && row > cur) --dataRow;
        if (m_cacheRow != dataRow || m_cacheGen != m_gen) {
            readRow(dataRow, m_cacheRec);
            m_cacheRow = dataRow;
            m_cacheGen = m_gen;
        }
        rec = &m_cacheRec;
    }
    const Record *saved = m_active;
    struct Restore
    {
        const Record *&slot;
        const Record *v;
        ~Restore() { slot = v; }
    } restore{m_active, saved};
    m_active = rec;
    fn();
}

QVariant DataSet::ViewValue(int row, int fieldIndex) const
{
    QVariant v;
    if (fieldIndex < 0 || fieldIndex >= FieldCount()) return v;
    const int slot = m_fields[size_t(fieldIndex)]->m_slot;
    WithViewRow(row, [&]() { v = activeValue(slot); });
    return v;
}

QString DataSet::ViewDisplayText(int row, int fieldIndex) const
{
    QString t;
    if (fieldIndex < 0 || fieldIndex >= FieldCount()) return t;
    const Field *f = m_fields[size_t(fieldIndex)].get();
    WithViewRow(row, [&]() { t = f->DisplayText(); });
    return t;
}

} // namespace kv
