#include "controls/layoutstore.h"

#include "platform/ini.h"
#include "platform/ui.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSettings>
#include <QWidget>

#include <algorithm>

using namespace kv;

TIniLink::~TIniLink()
{
    OnSave = nullptr;
    OnLoad = nullptr;
    SetStore(nullptr);
}

void TIniLink::SetStore(TFormLayoutStore *store)
{
    if (m_store == store) return;
    if (m_store) {
        auto &v = m_store->m_links;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    m_store = store;
    if (store) store->m_links.push_back(this);
}

LayoutStorage *TIniLink::IniObject() const
{
    return m_store ? m_store->OpenStorage() : nullptr;
}

QString TIniLink::RootSection() const
{
    if (!m_store) return QString();
    const QString s = m_store->IniSection();
    return s.isEmpty() ? QString() : s + QLatin1Char('\\');
}

TFormLayoutStore::TFormLayoutStore(QWidget *form) : QObject(form), m_form(form)
{
    m_hook = new TExWindowHook(this);
    m_hook->AfterMessage = [this](TExWindowHook *, QEvent *e, bool &) {
        if (!m_form) return;
        try {
            if (e->type() == QEvent::Show && m_active && !m_restored) RestoreLayout();
            if (e->type() == QEvent::Close && e->isAccepted() && m_active) save(false);
        } catch (const std::exception &ex) {
            ShowException(ex, m_form);
        }
    };
    m_hook->SetWinControl(form);
    m_hadMaximize = form && (form->windowFlags() & Qt::WindowMaximizeButtonHint);
}

TFormLayoutStore::~TFormLayoutStore()
{
    // The form is going: what was restored and not saved since is saved now.
    if (m_form && m_active && m_restored && !m_saved) {
        try {
            save(true);
        } catch (const std::exception &ex) {
            ShowException(ex, m_form);
        }
    }
    for (TIniLink *l : std::vector<TIniLink *>(m_links)) l->SetStore(nullptr);
}

QString TFormLayoutStore::IniFileName() const
{
    if (!m_iniFileName.isEmpty()) return m_iniFileName;
    if (m_useRegistry)
        return QStringLiteral("Software\\") + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + QStringLiteral(".INI");
}

QString TFormLayoutStore::IniSection() const
{
    return m_iniSection.isEmpty() ? DefaultSectionOf(m_form) : m_iniSection;
}

template <class F> void TFormLayoutStore::withStorage(bool, F f)
{
    if (m_open) {
        f(*m_open);
        return;
    }
    struct Reset
    {
        LayoutStorage *&p;
        ~Reset() { p = nullptr; }
    } reset{m_open};
    if (m_external) {
        m_open = m_external;
        f(*m_open);
    } else if (m_useRegistry) {
        QSettings settings(QStringLiteral("Korvalt"), IniFileName());
        SettingsLayoutStorage s(settings);
        m_open = &s;
        f(s);
    } else {
        TIniFile ini(IniFileName());
        IniLayoutStorage s(ini);
        m_open = &s;
        ini.Update([&] { f(s); });
    }
}

QString TFormLayoutStore::ReadString(const QString &key, const QString &def)
{
    QString out = def;
    withStorage(false, [&](LayoutStorage &s) { out = LayoutReadString(s, IniSection(), key, def); });
    return out;
}

void TFormLayoutStore::WriteString(const QString &key, const QString &value)
{
    withStorage(true, [&](LayoutStorage &s) { LayoutWriteString(s, IniSection(), key, value); });
}

int TFormLayoutStore::ReadInteger(const QString &key, int def)
{
    int out = def;
    withStorage(false, [&](LayoutStorage &s) { out = LayoutReadInt(s, IniSection(), key, def); });
    return out;
}

void TFormLayoutStore::WriteInteger(const QString &key, int value)
{
    withStorage(true, [&](LayoutStorage &s) { LayoutWriteInt(s, IniSection(), key, value); });
}

void TFormLayoutStore::SaveLayout()
{
    save(false);
}

void TFormLayoutStore::save(bool destroying)
{
    if (m_active && !m_restored) return;   // never shown: nothing to keep
    withStorage(true, [&](LayoutStorage &s) {
        const QString sec = IniSection();
        LayoutWriteInt(s, sec, QStringLiteral("FormVersion"), m_version);
        if (m_form) {
            if (m_options & (fpState | fpPosition)) {
                StoreFormGeometry(m_form, s, sec);
                LayoutWriteString(s, sec, QStringLiteral("Visible"), destroying ? QStringLiteral("1") : QStringLiteral("0"));
            }
            if (m_options & fpActiveControl) {
                QWidget *fw = m_form->focusWidget();
                if (fw && m_form->isAncestorOf(fw) && !fw->objectName().isEmpty())
                    LayoutWriteString(s, sec, QStringLiteral("ActiveControl"), fw->objectName());
            }
        }
        for (TIniLink *l : std::vector<TIniLink *>(m_links))
            if (l->OnSave) l->OnSave(*l);
    });
    emit OnSaveLayout();
    m_saved = true;
}

void TFormLayoutStore::RestoreLayout()
{
    m_saved = false;
    withStorage(false, [&](LayoutStorage &s) {
        const QString sec = IniSection();
        if (LayoutReadInt(s, sec, QStringLiteral("FormVersion"), 0) < m_version) return;
        if (m_form) LoadFormGeometry(m_form, s, sec, m_options & fpState, m_options & fpPosition);
        for (TIniLink *l : std::vector<TIniLink *>(m_links))
            if (l->OnLoad) l->OnLoad(*l);
        emit OnRestoreLayout();
        if ((m_options & fpActiveControl) && m_form) {
            const QString name = LayoutReadString(s, sec, QStringLiteral("ActiveControl"), QString());
            QWidget *w = name.isEmpty() ? nullptr : m_form->findChild<QWidget *>(name);
            if (w && w->isEnabled() && w->focusPolicy() != Qt::NoFocus) w->setFocus(Qt::OtherFocusReason);
        }
    });
    m_restored = true;
    applyLimits();
}

void TFormLayoutStore::SetPreventResize(bool v)
{
    m_preventResize = v;
    applyLimits();
}

void TFormLayoutStore::SetMinMaxInfo(const TWinMinMaxInfo &i)
{
    m_minMax = i;
    applyLimits();
}

void TFormLayoutStore::applyLimits()
{
    QWidget *f = m_form;
    if (!f) return;
    auto setMaximizeButton = [f](bool on) {
        if (!f->isWindow() || bool(f->windowFlags() & Qt::WindowMaximizeButtonHint) == on) return;
        const bool shown = f->isVisible();
        f->setWindowFlag(Qt::WindowMaximizeButtonHint, on);
        if (shown) f->show();   // a change of flags hides the window
    };
    if (m_preventResize) {
        f->setFixedSize(f->size());
        setMaximizeButton(false);
        m_limitsApplied = true;
        return;
    }
    if (!m_limitsApplied && m_minMax.IsEmpty()) return;   // the form's own limits stay
    if (m_hadMaximize) setMaximizeButton(true);
    f->setMinimumSize(m_minMax.MinTrackWidth, m_minMax.MinTrackHeight);
    f->setMaximumSize(m_minMax.MaxTrackWidth ? m_minMax.MaxTrackWidth : QWIDGETSIZE_MAX,
                      m_minMax.MaxTrackHeight ? m_minMax.MaxTrackHeight : QWIDGETSIZE_MAX);
    m_limitsApplied = !m_minMax.IsEmpty();
}
