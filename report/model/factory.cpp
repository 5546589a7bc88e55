#include "report/model/factory.h"

#include "report/core/utils.h"
#include "report/model/memo.h"
#include "report/model/views.h"

namespace {

QList<TrpObjectClass> &objectTable()
{
    static QList<TrpObjectClass> t;
    return t;
}

} // namespace

std::unique_ptr<TrpView> CreateObject(int typeCode, const QString &className)
{
    std::unique_ptr<TrpView> v;
    switch (typeCode) {
    case rpgtMemo: v = std::make_unique<TrpMemoView>(); break;
    case rpgtPicture: v = std::make_unique<TrpPictureView>(); break;
    case rpgtBand: v = std::make_unique<TrpBandView>(); break;
    case rpgtSubReport: v = std::make_unique<TrpSubReportView>(); break;
    case rpgtLine: v = std::make_unique<TrpLineView>(); break;
    case rpgtAddIn:
        for (const TrpObjectClass &c : objectTable())
            if (c.ClassName == className) {
                v = c.Create();
                break;
            }
        if (!v) {
            TrpObjectState &st = rpObjects();
            st.ErrorFlag = true;
            st.PendingErrorText += className + QLatin1Char('\r');
            throw EClassNotFound(st.PendingErrorText);
        }
        v->TypeCode = rpgtAddIn;
        break;
    default:
        return nullptr;
    }
    v->ObjectID = ++rpObjects().NextObjectID;
    return v;
}

bool RegisterObject(const QString &className, std::function<std::unique_ptr<TrpView>()> create,
                    const QImage &bitmap, const QString &description)
{
    QList<TrpObjectClass> &t = objectTable();
    for (const TrpObjectClass &c : t)
        if (c.ClassName == className) return false;
    if (t.size() >= rpMaxObjectClasses) return false;
    t.append({className, std::move(create), bitmap, description});
    return true;
}

void UnregisterObject(const QString &className)
{
    QList<TrpObjectClass> &t = objectTable();
    for (qsizetype i = 0; i < t.size(); ++i)
        if (t[i].ClassName == className) {
            t.removeAt(i);
            return;
        }
}

const QList<TrpObjectClass> &ObjectTable() { return objectTable(); }

std::unique_ptr<TrpView> ReadObject(QIODevice &stream, bool prepared)
{
    const int type = ReadStreamByte(stream);
    QString className;
    if (type == rpgtAddIn) className = ReadStreamString(stream, rpObjects().Version);
    std::unique_ptr<TrpView> v = CreateObject(type, className);
    if (!v) throw kv::Error(QStringLiteral("Unknown object type %1 in the report stream").arg(type));
    v->InPreparedPage = prepared;
    v->LoadFromStream(stream);
    v->InPreparedPage = false;
    return v;
}

QString ToHexText(const QByteArray &bytes) { return QString::fromLatin1(bytes.toHex().toUpper()); }

QByteArray FromHexText(const QString &text)
{
    QByteArray out;
    auto digit = [](QChar c) {
        const char16_t u = QChar::toUpper(c.unicode());
        return u > u'9' ? int(u - u'A') + 10 : int(u - u'0');
    };
    for (qsizetype i = 0; i + 1 < text.size(); i += 2)
        out.append(char((digit(text[i]) << 4 | (digit(text[i + 1]) & 0x0F)) & 0xFF));
    return out;
}

QString BuildCalculationError(const QString &exceptionMessage, const QString &reportName)
{
    TrpObjectState &st = rpObjects();
    st.ErrorFlag = true;
    QString s = LoadEngineString(55200);
    if (st.CurView)
        for (const QString &l : st.CurView->Memo) s += QLatin1Char('\r') + l;
    s += QStringLiteral("\r\r") + LoadEngineString(55201) + QLatin1Char(' ') + reportName + QLatin1Char('\r');
    if (st.CurView) s += LoadEngineString(55202) + QLatin1Char(' ') + st.CurView->Name + QLatin1Char('\r');
    s += QLatin1Char('\r') + exceptionMessage;
    return s;
}
