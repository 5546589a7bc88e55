#pragma once
// INI files with the semantics the program's files rely on: section and key
// names compare without regard to case (Latin and Cyrillic), the order of
// sections and keys in the file is kept, text on disk is code page 1251 with
// CRLF line ends (LF and a missing file are accepted on reading).
// Every object opened on one path shares one in-process cache, so a write
// through one is seen by all; a write reaches the disk at once through a
// temporary file and a rename. Failures to write throw kv::Error.
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace kv {

struct IniData;

class TIniFile
{
public:
    explicit TIniFile(const QString &fileName);
    ~TIniFile();
    TIniFile(const TIniFile &) = delete;
    TIniFile &operator=(const TIniFile &) = delete;

    QString FileName() const;

    QString ReadString(const QString &section, const QString &key, const QString &def) const;
    int ReadInteger(const QString &section, const QString &key, int def) const;
    bool ReadBool(const QString &section, const QString &key, bool def) const;
    double ReadFloat(const QString &section, const QString &key, double def) const;

    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, int value);
    void WriteBool(const QString &section, const QString &key, bool value);
    void WriteFloat(const QString &section, const QString &key, double value);

    QStringList ReadSection(const QString &section) const;        // key names
    QStringList ReadSections() const;                             // section names
    QStringList ReadSectionValues(const QString &section) const;  // "key=value" lines
    void EraseSection(const QString &section);
    void DeleteKey(const QString &section, const QString &key);
    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &key) const;
    void UpdateFile();

    // The writes made inside `change` (through any object on this path) reach
    // the disk once, together, when it ends; nested calls join the outer
    // one. A kill leaves the file as it was before or as it is after all of
    // them. When `change` throws, or the write fails, the file and every
    // reader stay on what was there before, and the failure is raised.
    void Update(const std::function<void()> &change);

    // The reads made inside `reads` (through any object on this path) see
    // the file as it is when it begins: the disk is looked at once, not at
    // every read (a list of many thousand sections). A change on disk is
    // seen by the reads after it ends.
    void Read(const std::function<void()> &reads) const;

    // Makes every object read its file from disk again at its next call.
    // (A change on disk is noticed anyway by its size, time and inode; this
    // is for tests and for a file replaced within the same instant.)
    static void ClearCache();

    // The integer reading of ReadInteger: decimal within 32 bits, or
    // hexadecimal "$8000000C" / "0x8000000C" over the full 32 bits; nullopt
    // when the text is not such a number.
    static std::optional<int> parseInteger(const QString &text);
    // The text WriteFloat stores: fifteen significant digits, '.' separator.
    static QString formatFloat(double value);

private:
    QString m_fileName;
    std::shared_ptr<IniData> d;
};

} // namespace kv
