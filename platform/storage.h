#pragma once
// Structured-storage files (OLE compound files): a tree of storages and
// streams in one file. The whole tree is read into memory when the file is
// opened and written back (temporary file + rename) after every change, so a
// failed change leaves the file as it was. While a CompoundFile object lives
// it holds the file exclusively: a lock file beside it ("<name>.lock") keeps a
// second program from opening it.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

namespace kv {

struct StorageElement
{
    QString name;
    bool isStorage = false;
    bool operator==(const StorageElement &o) const = default;
};

class CompoundFile;

// A storage of an open compound file, named by its path from the root. It
// stays valid across changes of the file; an operation on a storage that has
// gone raises. Element names compare without regard to case, as the format
// does; every failure raises kv::Error.
class StorageRef
{
public:
    QString Name() const;                        // "" for the root
    QList<StorageElement> Elements() const;      // in the file's order
    bool Exists(const QString &name) const;

    StorageRef OpenStorage(const QString &name) const;     // an existing storage
    QByteArray ReadStream(const QString &name) const;      // an existing stream
    // Replaces the contents of an existing stream.
    void WriteStream(const QString &name, const QByteArray &data) const;
    // Create an element, replacing one of the same name whatever its kind.
    StorageRef CreateStorage(const QString &name) const;
    void CreateStream(const QString &name, const QByteArray &data) const;
    void DestroyElement(const QString &name) const;

private:
    friend class CompoundFile;
    StorageRef(CompoundFile *file, QStringList path) : m_file(file), m_path(std::move(path)) {}
    CompoundFile *m_file;
    QStringList m_path;
};

class CompoundFile
{
public:
    enum class Mode { OpenExisting, CreateWhenMissing };

    // Opens and locks the file; with CreateWhenMissing a missing file is
    // written as an empty compound file. Raises kv::Error when the file is
    // held by another program, cannot be read or is not a compound file.
    static std::unique_ptr<CompoundFile> Open(const QString &path, Mode mode = Mode::OpenExisting);
    ~CompoundFile();
    CompoundFile(const CompoundFile &) = delete;
    CompoundFile &operator=(const CompoundFile &) = delete;

    QString FileName() const { return m_path; }
    StorageRef Root() { return StorageRef(this, {}); }

    // Groups several changes into one write: while an Update lives, changes
    // stay in memory; its Commit writes them, and an Update destroyed without
    // Commit drops them (the file is read again).
    class Update
    {
    public:
        explicit Update(CompoundFile &file);
        ~Update();
        void Commit();
        Update(const Update &) = delete;
        Update &operator=(const Update &) = delete;

    private:
        CompoundFile &m_file;
        bool m_done = false;
    };

    struct Node;

private:
    friend class StorageRef;
    CompoundFile() = default;
    Node &nodeAt(const QStringList &path);
    void changed();          // writes now unless an Update is open
    void write();
    void reload();

    QString m_path;
    std::unique_ptr<Node> m_root;
    struct Lock;
    std::unique_ptr<Lock> m_lock;
    int m_updates = 0;
};

} // namespace kv
