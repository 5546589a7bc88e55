#include "platform/db/dataset_p.h"

namespace kv {


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
        throw Error(QStringLiteral("Поле '%1' не может быть изменено").arg(DisplayLabel()));
}

void Field::SetValue(const QVariant &v)
{
    checkWritable();
    bool ok = true;
    QVariant c = coerceValue(m_type, v, &ok);
    if (!ok) {
        const QString text = v.toString();
        if (isIntegerType(m_type))
            throw Error(QStringLiteral("'%1' - неверное целое значение для поля '%2'").arg(text, DisplayLabel()));
        if (m_type == FieldType::Float || m_type == FieldType::Currency || m_type == FieldType::BCD)
            throw Error(QStringLiteral("'%1' - неверное число для поля '%2'").arg(text, DisplayLabel()));
        if (m_type == FieldType::Date || m_type == FieldType::DateTime || m_type == FieldType::Time)
            throw Error(QStringLiteral("'%1' - неверная дата для поля '%2'").arg(text, DisplayLabel()));
        throw Error(QStringLiteral("'%1' - неверное значение для поля '%2'").arg(text, DisplayLabel()));
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
        throw Error(QStringLiteral("'%1' - %2 для поля '%3'").arg(v.toString(), QString::fromUtf8(what), DisplayLabel()));
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
    if (!ok) throw Error(QStringLiteral("'%1' - неверное логическое значение для поля '%2'").arg(v.toString(), DisplayLabel()));
    return c.toBool();
}

QDateTime Field::AsDateTime() const
{
    const QVariant v = Value();
    if (!v.isValid() || v.isNull()) return QDateTime();
    bool ok = true;
    const QVariant c = coerceValue(FieldType::DateTime, v, &ok);
    if (!ok) throw Error(QStringLiteral("'%1' - неверная дата для поля '%2'").arg(v.toString(), DisplayLabel()));
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


} // namespace kv
