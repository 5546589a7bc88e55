#pragma once
// Messages and small helpers shared by the dataset's source files.
#include "platform/db/dataset.h"

#include "platform/db/filterexpr.h"
#include "platform/error.h"
#include "platform/text.h"

#include <QTime>

#include <algorithm>
#include <cmath>

namespace kv {

namespace dataset_detail {

inline constexpr const char * kNotEditing = "Набор данных (Dataset) не в режиме редактирования или вставки";
inline constexpr const char * kClosed = "Невозможно выполнить эту операцию на закрытом наборе данных";
inline constexpr const char * kOpen = "Невозможно выполнить эту операцию на открытом наборе данных";
inline constexpr const char * kReadOnlyDataSet = "Невозможно изменить набор данных, открытый только для чтения";
inline constexpr const char * kEmpty = "Операция не может быть выполнена над пустым набором данных";
inline constexpr const char * kRecordGone = "Запись была удалена другим пользователем";

enum Notify { nActive = 1, nLayout = 2, nData = 4, nScroll = 8, nRecord = 16, nEditing = 32, nUpdate = 64 };

inline QStringList splitNames(const QString &list)
{
    QStringList out;
    for (const QString &p : list.split(QLatin1Char(';'))) {
        const QString t = p.trimmed();
        if (!t.isEmpty()) out << t;
    }
    return out;
}

inline bool parseBoolText(const QString &s, bool *ok)
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

inline bool parseInt64(const QString &s, qint64 *out)
{
    bool ok = false;
    const qint64 v = s.trimmed().toLongLong(&ok, 10);
    if (ok) *out = v;
    return ok;
}

inline int typeId(const QVariant &v) { return v.metaType().id(); }

inline bool isNumberVariant(const QVariant &v)
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
using namespace dataset_detail;

QString fieldNotFoundMessage(const QString &name);

} // namespace kv
