#pragma once
// "О программе": the title, the version and what the machine reports of
// itself.
#include <QDialog>
#include <QString>

class QLabel;

// What the about window shows of the memory, in bytes.
struct MemoryStatus
{
    quint64 totalPhys = 0, availPhys = 0, totalVirtual = 0, availVirtual = 0;
    int load = 0;   // per cent of physical memory in use
};
// From the text of "/proc/meminfo" (kB values): physical memory is MemTotal
// and MemAvailable (MemFree when absent), virtual memory adds the swap.
MemoryStatus ParseMemInfo(const QString &text);
MemoryStatus ReadMemoryStatus();
// "%.3f МБайт" of bytes ÷ 1 048 576.
QString FormatMegabytes(quint64 bytes);
// The operating system as "<name> <version>" of the running system.
QString GetOSVersionText();
// The name of the account the program runs under.
QString GetUserNameText();

class TfrmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmAbout(QWidget *parent = nullptr);
    // The memory figures, filled again each time the window shows.
    void ShowMemoryStatus(const MemoryStatus &m);
    QString Value(const char *labelName) const;

protected:
    void showEvent(QShowEvent *e) override;

private:
    QLabel *value(const char *name);
};
