#pragma once
// The multiple-document main window. It holds the program's folders and the
// one open settings file; the accessors other windows call on it forward to
// the settings service.
#include "data/paths.h"
#include "data/settings.h"

#include <QMainWindow>

#include <memory>

class QMdiArea;

class TMainForm : public QMainWindow
{
    Q_OBJECT

public:
    // Opens the settings file of `paths` and loads the values kept for the
    // whole run (digit counts, page margins, current edge banding).
    explicit TMainForm(const kv::Paths &paths, QWidget *parent = nullptr);
    ~TMainForm() override;

    static QString ApplicationTitle() { return QStringLiteral("Раскрой листового материала"); }

    QMdiArea *MdiArea() const { return m_mdi; }
    const kv::Paths &Paths() const { return m_paths; }
    kv::Paths &Paths() { return m_paths; }
    kv::Settings &Settings() { return *m_settings; }
    const kv::Settings &Settings() const { return *m_settings; }
    kv::TIniFile &IniFile() { return m_settings->Ini(); }

    int GetDefaultLBorder() const { return m_settings->GetDefaultLBorder(); }
    int GetDefaultRBorder() const { return m_settings->GetDefaultRBorder(); }
    int GetDefaultTBorder() const { return m_settings->GetDefaultTBorder(); }
    int GetDefaultBBorder() const { return m_settings->GetDefaultBBorder(); }
    int GetDefaultRotate() const { return m_settings->GetDefaultRotate(); }
    int GetDefMaterial() const { return m_settings->GetDefMaterial(); }
    int GetPageLeft() const { return m_settings->GetPageLeft(); }
    int GetPageRight() const { return m_settings->GetPageRight(); }
    int GetPageTop() const { return m_settings->GetPageTop(); }
    int GetPageBottom() const { return m_settings->GetPageBottom(); }
    void SetPageLeft(int v) { m_settings->SetPageLeft(v); }
    void SetPageRight(int v) { m_settings->SetPageRight(v); }
    void SetPageTop(int v) { m_settings->SetPageTop(v); }
    void SetPageBottom(int v) { m_settings->SetPageBottom(v); }
    bool IsLocalMaterialsBase() const { return m_settings->IsLocalMaterialsBase(); }
    QString GetBasePath() const { return m_settings->GetBasePath(); }
    void LoadDefBorder() { m_settings->LoadDefBorder(); }

    // Key by key into the target section; keys only the target holds stay.
    static void CopyIniSection(const QString &srcFile, const QString &srcSection,
                               const QString &dstSection, const QString &dstFile)
    {
        kv::CopyIniSectionKeys(srcFile, srcSection, dstSection, dstFile);
    }

private:
    kv::Paths m_paths;
    std::unique_ptr<kv::Settings> m_settings;
    QMdiArea *m_mdi = nullptr;
};

// The main window while it exists (windows reach its look-ups through it).
extern TMainForm *MainForm;
