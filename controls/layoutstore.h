#pragma once
// A non-visual helper on a form that saves the form's position, state and
// active control when it closes and restores them when it is shown, in an
// INI file or a registry-like store, with the window keys of the settings
// file plus FormVersion, Visible and ActiveControl. Other controls join its
// save and restore through a TIniLink.
#include "controls/hooks.h"
#include "controls/winlayout.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class TFormLayoutStore;

struct TWinMinMaxInfo
{
    int MaxPosLeft = 0, MaxPosTop = 0, MaxSizeHeight = 0, MaxSizeWidth = 0;
    int MaxTrackHeight = 0, MaxTrackWidth = 0, MinTrackHeight = 0, MinTrackWidth = 0;
    bool IsEmpty() const
    {
        return !(MaxPosLeft || MaxPosTop || MaxSizeHeight || MaxSizeWidth || MaxTrackHeight || MaxTrackWidth ||
                 MinTrackHeight || MinTrackWidth);
    }
};

class TIniLink
{
public:
    TIniLink() = default;
    ~TIniLink();
    TIniLink(const TIniLink &) = delete;
    TIniLink &operator=(const TIniLink &) = delete;

    TFormLayoutStore *Store() const { return m_store; }
    void SetStore(TFormLayoutStore *store);
    kv::LayoutStorage *IniObject() const;    // the store's open storage, or none
    QString RootSection() const;             // the store's section followed by "\"

    std::function<void(TIniLink &)> OnSave;
    std::function<void(TIniLink &)> OnLoad;

private:
    TFormLayoutStore *m_store = nullptr;
};

class TFormLayoutStore : public QObject
{
    Q_OBJECT
public:
    enum Option { fpState = 1, fpPosition = 2, fpActiveControl = 4 };

    explicit TFormLayoutStore(QWidget *form);
    ~TFormLayoutStore() override;

    bool Active() const { return m_active; }
    void SetActive(bool v) { m_active = v; }
    QString IniFileName() const;             // the default: the program's name with ".INI"
    void SetIniFileName(const QString &n) { m_iniFileName = n; }
    QString IniSection() const;              // the default: DefaultSectionOf the form
    void SetIniSection(const QString &s) { m_iniSection = s; }
    int Options() const { return m_options; }
    void SetOptions(int o) { m_options = o; }
    bool PreventResize() const { return m_preventResize; }
    void SetPreventResize(bool v);
    bool UseRegistry() const { return m_useRegistry; }
    void SetUseRegistry(bool v) { m_useRegistry = v; }
    int Version() const { return m_version; }
    void SetVersion(int v) { m_version = v; }
    TWinMinMaxInfo MinMaxInfo() const { return m_minMax; }
    void SetMinMaxInfo(const TWinMinMaxInfo &i);

    // Storage for tests and for callers that hold their own (nullptr: the file).
    void SetStorage(kv::LayoutStorage *s) { m_external = s; }

    virtual void SaveLayout();
    virtual void RestoreLayout();
    QString ReadString(const QString &key, const QString &def);
    void WriteString(const QString &key, const QString &value);
    int ReadInteger(const QString &key, int def);
    void WriteInteger(const QString &key, int value);

    bool Restored() const { return m_restored; }
    bool Saved() const { return m_saved; }
    kv::LayoutStorage *OpenStorage() const { return m_open; }

signals:
    void OnSaveLayout();
    void OnRestoreLayout();

private:
    friend class TIniLink;
    template <class F> void withStorage(bool forWriting, F f);
    void save(bool destroying);
    void applyLimits();

    QPointer<QWidget> m_form;
    TExWindowHook *m_hook;
    bool m_active = true, m_preventResize = false, m_useRegistry = false;
    QString m_iniFileName, m_iniSection;
    int m_options = fpState | fpPosition;
    int m_version = 0;
    TWinMinMaxInfo m_minMax;
    bool m_restored = false, m_saved = false, m_hadMaximize = true, m_limitsApplied = false;
    kv::LayoutStorage *m_external = nullptr;
    kv::LayoutStorage *m_open = nullptr;
    std::vector<TIniLink *> m_links;
};
