#pragma once
// A small memory file system mounted over a test folder, so a test meets a
// full disk or a read-only folder as the program would. Mounting needs root
// (and a machine that allows it); where it is refused, mounted() is false and
// the test skips what needs it. The mount goes when the object does.
#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/mount.h>

namespace kv::test {

class ScopedTmpfs
{
public:
    // `size`: as mount takes it ("64k").
    ScopedTmpfs(const QString &dir, const char *size) : m_dir(QFile::encodeName(dir))
    {
        const QByteArray options = QByteArray("size=") + size + ",mode=0755";
        m_mounted = ::mount("tmpfs", m_dir.constData(), "tmpfs", MS_NOSUID | MS_NODEV, options.constData()) == 0;
    }
    ~ScopedTmpfs()
    {
        if (m_mounted) ::umount2(m_dir.constData(), MNT_DETACH);
    }
    ScopedTmpfs(const ScopedTmpfs &) = delete;
    ScopedTmpfs &operator=(const ScopedTmpfs &) = delete;

    bool mounted() const { return m_mounted; }
    // What was written stays; nothing more can be, not even by root.
    bool makeReadOnly()
    {
        return m_mounted && ::mount(nullptr, m_dir.constData(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0;
    }

private:
    QByteArray m_dir;
    bool m_mounted = false;
};

} // namespace kv::test
