#include "app/shell/about.h"
#include "controls/exlabel.h"

#include <QFile>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSysInfo>
#include <QVBoxLayout>

#include <cstdlib>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <pwd.h>
#include <unistd.h>
#endif

MemoryStatus ParseMemInfo(const QString &text)
{
    quint64 total = 0, available = 0, freeMem = 0, swapTotal = 0, swapFree = 0;
    bool haveAvailable = false;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const int colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0) continue;
        const QString key = line.left(colon).trimmed();
        const quint64 kb = line.mid(colon + 1).trimmed().section(QLatin1Char(' '), 0, 0).toULongLong();
        if (key == QLatin1String("MemTotal")) total = kb;
        else if (key == QLatin1String("MemAvailable")) available = kb, haveAvailable = true;
        else if (key == QLatin1String("MemFree")) freeMem = kb;
        else if (key == QLatin1String("SwapTotal")) swapTotal = kb;
        else if (key == QLatin1String("SwapFree")) swapFree = kb;
    }
    if (!haveAvailable) available = freeMem;
    if (available > total) available = total;
    MemoryStatus m;
    m.totalPhys = total * 1024;
    m.availPhys = available * 1024;
    m.totalVirtual = (total + swapTotal) * 1024;
    m.availVirtual = (available + swapFree) * 1024;
    m.load = total ? int((total - available) * 100 / total) : 0;
    return m;
}

MemoryStatus ReadMemoryStatus()
{
    QFile f(QStringLiteral("/proc/meminfo"));
    if (!f.open(QIODevice::ReadOnly)) return {};
    return ParseMemInfo(QString::fromLatin1(f.readAll()));
}

QString FormatMegabytes(quint64 bytes)
{
    return QString::asprintf("%.3f", double(bytes) / 1048576.0) + QStringLiteral(" МБайт");
}

QString GetUserNameText()
{
    // The account the program runs under, whatever the environment says.
#ifdef Q_OS_WIN
    wchar_t name[257];
    DWORD size = 257;
    if (GetUserNameW(name, &size) && size > 0) return QString::fromWCharArray(name, int(size) - 1);
#else
    if (const passwd *pw = getpwuid(geteuid()); pw && pw->pw_name && *pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
#endif
    for (const char *var : {"USER", "LOGNAME", "USERNAME"})
        if (const char *v = std::getenv(var); v && *v) return QString::fromLocal8Bit(v);
    return QString();
}

QString GetOSVersionText()
{
    return (QSysInfo::prettyProductName() + QLatin1Char(' ') + QSysInfo::kernelType() + QLatin1Char(' ') +
            QSysInfo::kernelVersion())
        .trimmed();
}

TfrmAbout::TfrmAbout(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("О программе"));
    auto *lay = new QVBoxLayout(this);
    // The title: bold navy on the face colour, its shadow to the upper right.
    auto *title = new TExLabel(this);
    title->setObjectName(QStringLiteral("lbTitle"));
    title->SetCaption(QStringLiteral("Программа раскроя листового материала"));
    title->SetAutoSize(false);
    title->SetAlignment(Qt::AlignHCenter);
    title->SetShadowPos(TExLabel::spRightTop);
    title->SetTransparent(true);
    title->SetWordWrap(true);
    QFont f = title->font();
    f.setBold(true);
    f.setPointSize(f.pointSize() + 2);
    title->setFont(f);
    QPalette navy = title->palette();
    navy.setColor(QPalette::WindowText, QColor(0, 0, 0x80));
    title->setPalette(navy);
    title->setMinimumHeight(2 * QFontMetrics(f).height() + 4);
    auto *version = new QLabel(QStringLiteral("Версия 3.9 (обновление 12)\nот 12.04.2005"), this);
    version->setObjectName(QStringLiteral("lbVersion"));
    lay->addWidget(title);
    lay->addWidget(version);
    auto *info = new QGroupBox(this);
    auto *g = new QGridLayout(info);
    const struct { const char *name; const char *label; } rows[] = {
        {"lbOSVersion", "Версия операционной системы"},
        {"lbComputerName", "Имя компьютера"},
        {"lbUserName", "Имя пользователя"},
        {"lbTotalPhys", "Размер физической памяти"},
        {"lbAvailPhys", "Доступно физической памяти"},
        {"lbTotalVirtual", "Размер виртуальной памяти"},
        {"lbAvailVirtual", "Доступно виртуальной памяти"},
        {"lbMemoryLoad", "Процент использования памяти"},
    };
    int r = 0;
    for (const auto &row : rows) {
        g->addWidget(new QLabel(QString::fromUtf8(row.label), info), r, 0);
        auto *v = new QLabel(info);
        v->setObjectName(QString::fromLatin1(row.name));
        g->addWidget(v, r++, 1);
    }
    lay->addWidget(info);
    auto *buttons = new QHBoxLayout;
    auto *ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("bbOk"));
    ok->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(ok);
    lay->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // Asked once: the system, the machine and the user.
    value("lbOSVersion")->setText(GetOSVersionText());
    value("lbComputerName")->setText(QSysInfo::machineHostName().left(25));
    value("lbUserName")->setText(GetUserNameText().left(50));
}

QLabel *TfrmAbout::value(const char *name)
{
    return findChild<QLabel *>(QString::fromLatin1(name));
}

QString TfrmAbout::Value(const char *labelName) const
{
    const QLabel *l = findChild<QLabel *>(QString::fromLatin1(labelName));
    return l ? l->text() : QString();
}

void TfrmAbout::ShowMemoryStatus(const MemoryStatus &m)
{
    value("lbTotalPhys")->setText(FormatMegabytes(m.totalPhys));
    value("lbAvailPhys")->setText(FormatMegabytes(m.availPhys));
    value("lbTotalVirtual")->setText(FormatMegabytes(m.totalVirtual));
    value("lbAvailVirtual")->setText(FormatMegabytes(m.availVirtual));
    value("lbMemoryLoad")->setText(QStringLiteral("%1 %").arg(m.load));
}

void TfrmAbout::showEvent(QShowEvent *e)
{
    ShowMemoryStatus(ReadMemoryStatus());
    QDialog::showEvent(e);
}
