#pragma once
// The few values of the Windows registry the program reads, kept with
// QSettings: one INI-format store whose groups are the registry paths
// ("HKEY_LOCAL_MACHINE/Software/Tamrelo/Drumvel 2000/5.00"). On Linux nothing
// writes these values but a user or an installer of the sibling product; a
// missing key or value reads as empty. Tests point the store at a file.
#include <QString>

namespace kv {

inline constexpr const char *HKEY_LOCAL_MACHINE_NAME = "HKEY_LOCAL_MACHINE";
inline constexpr const char *HKEY_CURRENT_USER_NAME = "HKEY_CURRENT_USER";

class Registry
{
public:
    // The value `name` of `key` under `root` ("\Software\..." with either
    // slash); `found` says whether it exists.
    static QString ReadString(const QString &root, const QString &key, const QString &name, bool *found = nullptr);
    static void WriteString(const QString &root, const QString &key, const QString &name, const QString &value);

    // The store's file: empty for the default (the user's "korvalt/registry"
    // settings file).
    static void SetStoreFile(const QString &path);
};

} // namespace kv
