#pragma once
// Readable test failures for Qt text types (force-included into every test).
#if __has_include(<QString>)
#include <QByteArray>
#include <QString>
#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QByteArray &b, std::ostream *os) { *os << "QByteArray(" << b.toHex(' ').toStdString() << ")"; }
#endif
