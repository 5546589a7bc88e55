#pragma once
// A user's locale switched on for one test and restored when the scope ends,
// also when an assertion leaves the test early. Both the C library's locale
// and Qt's default locale follow, as they do in the program. A locale that is
// not installed leaves both as they were: test ok() and skip with the reason
// (scripts/setup.sh generates ru_RU.UTF-8 and de_DE.UTF-8).
#include <QLocale>

#include <clocale>
#include <string>

namespace kv::test {

class ScopedLocale
{
public:
    explicit ScopedLocale(const char *name)
    {
        const char *old = std::setlocale(LC_ALL, nullptr);
        m_saved = old ? old : "C";
        m_ok = std::setlocale(LC_ALL, name) != nullptr;
        if (m_ok) QLocale::setDefault(QLocale(QString::fromLatin1(name).section(QLatin1Char('.'), 0, 0)));
    }
    ~ScopedLocale()
    {
        std::setlocale(LC_ALL, m_saved.c_str());
        QLocale::setDefault(m_savedQt);
    }
    ScopedLocale(const ScopedLocale &) = delete;
    ScopedLocale &operator=(const ScopedLocale &) = delete;

    bool ok() const { return m_ok; }
    // The C library's decimal point now, to show the switch really happened.
    static char decimalPoint() { return *std::localeconv()->decimal_point; }

private:
    std::string m_saved;
    QLocale m_savedQt;
    bool m_ok = false;
};

} // namespace kv::test
