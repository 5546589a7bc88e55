#include "data/messages.h"

#include <QDebug>

namespace kv {

QString LoadMessage(int number)
{
    for (const MessageEntry &e : kMessages)
        if (e.number == number) return QString::fromUtf8(e.text);
    qWarning("No message %d", number);
    return QString();
}

QString FormatText(const QString &format, std::initializer_list<QVariant> args)
{
    QString out;
    auto arg = args.begin();
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%') || i + 1 >= format.size()) {
            out += c;
            continue;
        }
        const QChar spec = format.at(i + 1);
        if (spec == QLatin1Char('%')) {
            out += c;
            ++i;
        } else if ((spec == QLatin1Char('s') || spec == QLatin1Char('d')) && arg != args.end()) {
            if (spec == QLatin1Char('d')) out += QString::number(arg->toLongLong());
            else out += arg->toString();
            ++arg;
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace kv
