#pragma once
// The object factory (type codes and registered add-in classes), the object
// table of add-in classes, the reading of one object record, and the hex text
// of byte strings.
#include <QByteArray>
#include <QIODevice>
#include <QImage>
#include <QString>
#include <functional>
#include <memory>

#include "platform/error.h"
#include "report/model/object.h"

// A class name of type code 10 that no entry of the object table holds.
class EClassNotFound : public kv::Error
{
public:
    using kv::Error::Error;
};

struct TrpObjectClass
{
    QString ClassName;
    std::function<std::unique_ptr<TrpView>()> Create;
    QImage Bitmap;
    QString Description;
};

// Codes 0 to 4 make the fixed classes; 10 looks the name up (exact case); any
// other code gives nullptr. Unknown class names raise EClassNotFound and note
// the name in the pending error text.
std::unique_ptr<TrpView> CreateObject(int typeCode, const QString &className);
// False when the class is there already or the table is full (64 entries).
bool RegisterObject(const QString &className, std::function<std::unique_ptr<TrpView>()> create,
                    const QImage &bitmap, const QString &description);
template <class T>
bool RegisterObject(const QImage &bitmap, const QString &description)
{
    return RegisterObject(T().ClassName(), [] { return std::unique_ptr<TrpView>(new T); }, bitmap, description);
}
// The application's name for it.
template <class T>
bool RegisterReportObject(const QImage &bitmap, const QString &caption) { return RegisterObject<T>(bitmap, caption); }
void UnregisterObject(const QString &className);
const QList<TrpObjectClass> &ObjectTable();
constexpr int rpMaxObjectClasses = 64;

// Reads type byte, class name (code 10) and record; with `prepared` the view
// is read as a prepared-page record. Raises kv::Error for an unknown type code.
std::unique_ptr<TrpView> ReadObject(QIODevice &stream, bool prepared);

QString ToHexText(const QByteArray &bytes);
QByteArray FromHexText(const QString &text);

// The message of a failure while a report is built (view name and memo text).
QString BuildCalculationError(const QString &exceptionMessage, const QString &reportName);
