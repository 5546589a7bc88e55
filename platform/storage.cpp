// libgsf's headers come first: GLib uses names that Qt defines as macros.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>

#include "platform/storage.h"

#include "platform/error.h"
#include "platform/savefile.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <vector>

namespace kv {

struct CompoundFile::Node
{
    QString name;
    bool isStorage = true;
    QByteArray data;
    std::vector<std::unique_ptr<Node>> children;

    Node *find(const QString &childName) const
    {
        for (const auto &c : children)
            if (c->name.compare(childName, Qt::CaseInsensitive) == 0) return c.get();
        return nullptr;
    }
    void remove(const QString &childName)
    {
        for (auto it = children.begin(); it != children.end(); ++it)
            if ((*it)->name.compare(childName, Qt::CaseInsensitive) == 0) {
                children.erase(it);
                return;
            }
    }
};

struct CompoundFile::Lock
{
    explicit Lock(const QString &path) : file(path) {}
    QLockFile file;
};

namespace {

using Node = CompoundFile::Node;

// Bounds against damaged or hostile files: a models base is small.
constexpr qint64 kMaxFileSize = 256 * 1024 * 1024;
constexpr int kMaxDepth = 32;
constexpr int kMaxElements = 200000;

QString tr(const char *utf8) { return QString::fromUtf8(utf8); }

void checkName(const QString &name)
{
    // The format allows 31 characters and none of these four.
    if (name.isEmpty() || name.size() > 31 || name.contains(QLatin1Char('/'))
        || name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char(':'))
        || name.contains(QLatin1Char('!')))
        throw Error(tr("Недопустимое имя элемента файла хранилища: \"%1\".").arg(name));
}

struct GObjectRef
{
    explicit GObjectRef(gpointer p) : ptr(p) {}
    ~GObjectRef() { if (ptr) g_object_unref(ptr); }
    GObjectRef(const GObjectRef &) = delete;
    GObjectRef &operator=(const GObjectRef &) = delete;
    gpointer ptr;
};

void readTree(GsfInfile *dir, Node &node, int depth, int &elements)
{
    if (depth > kMaxDepth) throw Error(tr("Слишком глубокая вложенность хранилищ."));
    const int n = gsf_infile_num_children(dir);
    for (int i = 0; i < n; ++i) {
        if (++elements > kMaxElements) throw Error(tr("Слишком много элементов в файле хранилища."));
        const char *name = gsf_infile_name_by_index(dir, i);
        GsfInput *child = gsf_infile_child_by_index(dir, i);
        if (!child || !name) throw Error(tr("Ошибка чтения элемента файла хранилища."));
        GObjectRef hold(child);
        auto item = std::make_unique<Node>();
        item->name = QString::fromUtf8(name);
        item->isStorage = GSF_IS_INFILE(child) && gsf_infile_num_children(GSF_INFILE(child)) >= 0;
        if (item->isStorage) {
            readTree(GSF_INFILE(child), *item, depth + 1, elements);
        } else {
            const gsf_off_t size = gsf_input_size(child);
            if (size < 0 || size > kMaxFileSize) throw Error(tr("Ошибка чтения потока \"%1\".").arg(item->name));
            item->data.resize(qsizetype(size));
            gsf_off_t done = 0;
            while (done < size) {
                const size_t chunk = size_t(std::min<gsf_off_t>(size - done, 65536));
                if (!gsf_input_read(child, chunk, reinterpret_cast<guint8 *>(item->data.data() + done)))
                    throw Error(tr("Ошибка чтения потока \"%1\".").arg(item->name));
                done += gsf_off_t(chunk);
            }
        }
        node.children.push_back(std::move(item));
    }
}

std::unique_ptr<Node> parseBytes(const QByteArray &bytes)
{
    GsfInput *in = gsf_input_memory_new(reinterpret_cast<const guint8 *>(bytes.constData()),
                                        gsf_off_t(bytes.size()), FALSE);
    GObjectRef holdIn(in);
    GError *err = nullptr;
    GsfInfile *ole = gsf_infile_msole_new(in, &err);
    if (err) g_error_free(err);
    if (!ole) throw Error(tr("Файл не является файлом хранилища или повреждён."));
    GObjectRef holdOle(ole);
    auto root = std::make_unique<Node>();
    int elements = 0;
    readTree(ole, *root, 0, elements);
    return root;
}

void writeTree(GsfOutfile *dir, const Node &node)
{
    for (const auto &c : node.children) {
        const QByteArray name = c->name.toUtf8();
        GsfOutput *out = gsf_outfile_new_child(dir, name.constData(), c->isStorage);
        if (!out) throw Error(tr("Ошибка записи элемента \"%1\".").arg(c->name));
        GObjectRef hold(out);
        bool ok = true;
        if (c->isStorage)
            writeTree(GSF_OUTFILE(out), *c);
        else if (!c->data.isEmpty())
            ok = gsf_output_write(out, size_t(c->data.size()), reinterpret_cast<const guint8 *>(c->data.constData()));
        if (!gsf_output_close(out) || !ok) throw Error(tr("Ошибка записи элемента \"%1\".").arg(c->name));
    }
}

QByteArray serialize(const Node &root)
{
    GsfOutput *mem = gsf_output_memory_new();
    GObjectRef holdMem(mem);
    {
        GsfOutfile *ole = gsf_outfile_msole_new(mem);
        if (!ole) throw Error(tr("Ошибка создания файла хранилища."));
        GObjectRef holdOle(ole);
        writeTree(ole, root);
        if (!gsf_output_close(GSF_OUTPUT(ole))) throw Error(tr("Ошибка создания файла хранилища."));
    }
    const guint8 *bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(mem));
    const gsf_off_t size = gsf_output_size(mem);
    if (!bytes || size <= 0) throw Error(tr("Ошибка создания файла хранилища."));
    return QByteArray(reinterpret_cast<const char *>(bytes), qsizetype(size));
}

std::unique_ptr<Node> readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw Error(tr("Не удаётся открыть файл \"%1\".").arg(path));
    if (f.size() > kMaxFileSize) throw Error(tr("Файл \"%1\" слишком велик.").arg(path));
    const QByteArray bytes = f.readAll();
    try {
        return parseBytes(bytes);
    } catch (const Error &e) {
        throw Error(e.message() + QLatin1Char(' ') + path);
    }
}

} // namespace

// --- CompoundFile ----------------------------------------------------------------

std::unique_ptr<CompoundFile> CompoundFile::Open(const QString &path, Mode mode)
{
    std::unique_ptr<CompoundFile> file(new CompoundFile);
    file->m_path = path;
    file->m_lock = std::make_unique<Lock>(path + QStringLiteral(".lock"));
    file->m_lock->file.setStaleLockTime(0);   // stale only when its program has gone
    if (!file->m_lock->file.tryLock(0)) {
        file->m_lock.reset();
        throw Error(tr("Файл \"%1\" открыт другой программой.").arg(path));
    }
    if (!QFileInfo::exists(path)) {
        if (mode == Mode::OpenExisting) throw Error(tr("Файл \"%1\" не найден.").arg(path));
        file->m_root = std::make_unique<Node>();
        file->write();
    } else {
        file->m_root = readFile(path);
    }
    return file;
}

CompoundFile::~CompoundFile() = default;

CompoundFile::Node &CompoundFile::nodeAt(const QStringList &path)
{
    Node *n = m_root.get();
    for (const QString &name : path) {
        n = n->find(name);
        if (!n || !n->isStorage) throw Error(tr("Хранилище \"%1\" не найдено.").arg(path.join(QLatin1Char('/'))));
    }
    return *n;
}

void CompoundFile::write()
{
    const QByteArray bytes = serialize(*m_root);
    QString reason;
    if (!SaveFileAtomically(m_path, bytes, &reason)) throw Error(WriteErrorText(m_path, reason), reason);
}

void CompoundFile::reload()
{
    if (QFileInfo::exists(m_path))
        m_root = readFile(m_path);
    else
        m_root = std::make_unique<Node>();
}

void CompoundFile::changed()
{
    if (m_updates > 0) return;
    try {
        write();
    } catch (...) {
        try { reload(); } catch (...) {}   // the write's own error is the one to report
        throw;
    }
}

CompoundFile::Update::Update(CompoundFile &file) : m_file(file) { ++m_file.m_updates; }

CompoundFile::Update::~Update()
{
    if (m_done) return;
    if (--m_file.m_updates == 0) {
        try { m_file.reload(); } catch (...) {}   // a destructor: the caller's error, if any, stands
    }
}

void CompoundFile::Update::Commit()
{
    if (m_done) return;
    m_done = true;
    if (--m_file.m_updates == 0) m_file.changed();
}

// --- StorageRef ------------------------------------------------------------------

QString StorageRef::Name() const { return m_path.isEmpty() ? QString() : m_path.last(); }

QList<StorageElement> StorageRef::Elements() const
{
    QList<StorageElement> out;
    for (const auto &c : m_file->nodeAt(m_path).children) out.append({c->name, c->isStorage});
    return out;
}

bool StorageRef::Exists(const QString &name) const { return m_file->nodeAt(m_path).find(name) != nullptr; }

StorageRef StorageRef::OpenStorage(const QString &name) const
{
    const Node *n = m_file->nodeAt(m_path).find(name);
    if (!n || !n->isStorage) throw Error(tr("Хранилище \"%1\" не найдено.").arg(name));
    QStringList path = m_path;
    path << n->name;
    return StorageRef(m_file, path);
}

QByteArray StorageRef::ReadStream(const QString &name) const
{
    const Node *n = m_file->nodeAt(m_path).find(name);
    if (!n || n->isStorage) throw Error(tr("Поток \"%1\" не найден.").arg(name));
    return n->data;
}

void StorageRef::WriteStream(const QString &name, const QByteArray &data) const
{
    Node *n = m_file->nodeAt(m_path).find(name);
    if (!n || n->isStorage) throw Error(tr("Поток \"%1\" не найден.").arg(name));
    n->data = data;
    m_file->changed();
}

StorageRef StorageRef::CreateStorage(const QString &name) const
{
    checkName(name);
    Node &parent = m_file->nodeAt(m_path);
    parent.remove(name);
    auto n = std::make_unique<CompoundFile::Node>();
    n->name = name;
    n->isStorage = true;
    parent.children.push_back(std::move(n));
    m_file->changed();
    QStringList path = m_path;
    path << name;
    return StorageRef(m_file, path);
}

void StorageRef::CreateStream(const QString &name, const QByteArray &data) const
{
    checkName(name);
    Node &parent = m_file->nodeAt(m_path);
    parent.remove(name);
    auto n = std::make_unique<CompoundFile::Node>();
    n->name = name;
    n->isStorage = false;
    n->data = data;
    parent.children.push_back(std::move(n));
    m_file->changed();
}

void StorageRef::DestroyElement(const QString &name) const
{
    Node &parent = m_file->nodeAt(m_path);
    if (!parent.find(name)) throw Error(tr("Элемент \"%1\" не найден.").arg(name));
    parent.remove(name);
    m_file->changed();
}

} // namespace kv
