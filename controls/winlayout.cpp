#include "controls/winlayout.h"

#include "platform/strutils.h"
#include "controls/vclutils.h"
#include "platform/error.h"
#include "platform/ini.h"
#include "platform/text.h"
#include "platform/ui.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QTableView>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <optional>

namespace kv {

// ---- storages ----------------------------------------------------------

int LayoutStorage::readInteger(const QString &section, const QString &key, int def) const
{
    bool ok = false;
    const int v = readString(section, key, QString()).trimmed().toInt(&ok);
    return ok ? v : def;
}

void LayoutStorage::writeInteger(const QString &section, const QString &key, int value)
{
    writeString(section, key, QString::number(value));
}

QString IniLayoutStorage::readString(const QString &section, const QString &key, const QString &def) const
{
    return m_ini.ReadString(section, key, def);
}
void IniLayoutStorage::writeString(const QString &section, const QString &key, const QString &value)
{
    m_ini.WriteString(section, key, value);
}
int IniLayoutStorage::readInteger(const QString &section, const QString &key, int def) const
{
    return m_ini.ReadInteger(section, key, def);
}
void IniLayoutStorage::writeInteger(const QString &section, const QString &key, int value)
{
    m_ini.WriteInteger(section, key, value);
}
void IniLayoutStorage::eraseSection(const QString &section)
{
    m_ini.EraseSection(section);
}

const MemIniStorage::Section *MemIniStorage::find(const QString &s) const
{
    for (const Section &sec : m_sections)
        if (sameText(sec.name, s)) return &sec;
    return nullptr;
}

static QString unquoteOnce(const QString &v)
{
    if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\'')) && v.back() == v.front())
        return v.mid(1, v.size() - 2);
    return v;
}

QString MemIniStorage::readString(const QString &section, const QString &key, const QString &def) const
{
    if (const Section *s = find(section))
        for (const auto &kv : s->values)
            if (sameText(kv.first, key)) return unquoteOnce(kv.second);
    return def;
}

void MemIniStorage::writeString(const QString &section, const QString &key, const QString &value)
{
    Section *s = const_cast<Section *>(find(section));
    if (!s) {
        m_sections.push_back({section, {}});
        s = &m_sections.back();
    }
    for (auto &kv : s->values)
        if (sameText(kv.first, key)) {
            kv.second = value;
            return;
        }
    s->values.emplace_back(key, value);
}

void MemIniStorage::eraseSection(const QString &section)
{
    m_sections.erase(std::remove_if(m_sections.begin(), m_sections.end(),
                                    [&](const Section &s) { return sameText(s.name, section); }),
                     m_sections.end());
}

QStringList MemIniStorage::keys(const QString &section) const
{
    QStringList out;
    if (const Section *s = find(section))
        for (const auto &kv : s->values) out << kv.first;
    return out;
}

QString MemIniStorage::raw(const QString &section, const QString &key) const
{
    if (const Section *s = find(section))
        for (const auto &kv : s->values)
            if (sameText(kv.first, key)) return kv.second;
    return QString();
}

bool MemIniStorage::sectionExists(const QString &section) const
{
    return find(section) != nullptr;
}

QString SettingsLayoutStorage::readString(const QString &section, const QString &key, const QString &def) const
{
    return m_s.value(section + QLatin1Char('/') + key, def).toString();
}
void SettingsLayoutStorage::writeString(const QString &section, const QString &key, const QString &value)
{
    m_s.setValue(section + QLatin1Char('/') + key, value);
}
void SettingsLayoutStorage::eraseSection(const QString &section)
{
    m_s.remove(section);
}

// ---- screen ------------------------------------------------------------

namespace {
const LayoutScreen *g_screenOverride = nullptr;
QPointer<QWidget> g_mainForm;
std::map<QString, FormFactory> &registry()
{
    static std::map<QString, FormFactory> r;
    return r;
}
} // namespace

LayoutScreen CurrentLayoutScreen()
{
    if (g_screenOverride) return *g_screenOverride;
    LayoutScreen out;
    if (QScreen *s = QGuiApplication::primaryScreen()) {
        out.size = s->geometry().size();
        out.pixelsPerInch = qRound(s->logicalDotsPerInch());
    }
    for (QScreen *s : QGuiApplication::screens()) out.workAreas << s->availableGeometry();
    return out;
}

void SetLayoutScreenOverride(const LayoutScreen *screen)
{
    g_screenOverride = screen;
}

QString ScreenSizeSuffix()
{
    const QSize s = CurrentLayoutScreen().size;
    return QStringLiteral("(%1x%2)").arg(s.width()).arg(s.height());
}

// ---- values ------------------------------------------------------------

QString LayoutReadString(const LayoutStorage &s, const QString &section, const QString &key, const QString &def)
{
    if (s.kind() == LayoutStorage::Kind::Other) return def;
    return s.readString(section, key, def);
}

void LayoutWriteString(LayoutStorage &s, const QString &section, const QString &key, const QString &value)
{
    switch (s.kind()) {
    case LayoutStorage::Kind::Registry:
        s.writeString(section, key, value);
        break;
    case LayoutStorage::Kind::IniFile: {
        QString v = value;
        // The file drops one pair of enclosing quotes on reading.
        if (!v.isEmpty() && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\'')) && v.back() == v.front())
            v = QLatin1Char('"') + v + QLatin1Char('"');
        s.writeString(section, key, v);
        break;
    }
    case LayoutStorage::Kind::Other:
        break;
    }
}

int LayoutReadInt(const LayoutStorage &s, const QString &section, const QString &key, int def)
{
    if (s.kind() == LayoutStorage::Kind::Other) return def;
    return s.readInteger(section, key, def);
}

void LayoutWriteInt(LayoutStorage &s, const QString &section, const QString &key, int value)
{
    if (s.kind() != LayoutStorage::Kind::Other) s.writeInteger(section, key, value);
}

void LayoutEraseSection(LayoutStorage &s, const QString &section)
{
    if (s.kind() != LayoutStorage::Kind::Other) s.eraseSection(section);
}

QString ReadSizedKey(const LayoutStorage &s, const QString &section, const QString &key)
{
    QString v = LayoutReadString(s, section, key + ScreenSizeSuffix(), QString());
    if (v.isEmpty()) v = LayoutReadString(s, section, key, QString());
    return v;
}

void WriteSizedKey(LayoutStorage &s, const QString &section, const QString &key, const QString &value)
{
    LayoutWriteString(s, section, key + ScreenSizeSuffix(), value);
    LayoutWriteString(s, section, key, value);
}

// ---- names -------------------------------------------------------------

void SetMainForm(QWidget *w) { g_mainForm = w; }
QWidget *MainForm() { return g_mainForm; }

QString FormClassName(const QObject *o)
{
    if (!o) return QString();
    const QVariant p = o->property("kvClassName");
    if (p.isValid() && !p.toString().isEmpty()) return p.toString();
    QString n = QString::fromLatin1(o->metaObject()->className());
    const qsizetype colon = n.lastIndexOf(QLatin1String("::"));
    return colon >= 0 ? n.mid(colon + 2) : n;
}

static bool isForm(const QObject *o)
{
    const auto *w = qobject_cast<const QWidget *>(o);
    return w && (w->isWindow() || qobject_cast<const QMdiSubWindow *>(w->parentWidget()));
}

static QWidget *formOf(QWidget *w)
{
    for (QWidget *p = w; p; p = p->parentWidget())
        if (isForm(p)) return p;
    return nullptr;
}

QString DefaultSectionOf(const QObject *component)
{
    if (!component) return QString();
    if (isForm(component)) return FormClassName(component);
    QString name = component->objectName();
    if (const auto *w = qobject_cast<const QWidget *>(component)) {
        if (QWidget *f = formOf(w->parentWidget())) name = FormClassName(f) + name;
        else if (w->parentWidget()) name = w->parentWidget()->objectName() + name;
        return name;
    }
    if (isForm(component->parent()))
        return QStringLiteral("%1.%2").arg(FormClassName(component->parent()), name);
    return name;
}

// ---- geometry ----------------------------------------------------------

QRect KeepOnScreen(const QRect &r, const QList<QRect> &workAreas)
{
    if (workAreas.isEmpty() || r.isEmpty()) return r;
    // Seen when a good piece of its title bar (where it is grabbed) is on a
    // screen, its whole height: a window hanging a few pixels above the top
    // had a title bar nobody could reach.
    const QRect grip(r.left(), r.top(), r.width(), qMin(r.height(), 20));
    for (const QRect &a : workAreas) {
        const QRect i = a.intersected(grip);
        if (i.width() >= qMin(40, r.width()) && i.height() == grip.height()) return r;
    }
    const QRect *best = &workAreas.front();
    long long bestArea = -1, bestDist = 0;
    for (const QRect &a : workAreas) {
        const QRect i = a.intersected(r);
        const long long area = i.isEmpty() ? 0 : (long long)i.width() * i.height();
        const QPoint d = a.center() - r.center();
        const long long dist = (long long)d.x() * d.x() + (long long)d.y() * d.y();
        if (area > bestArea || (area == bestArea && dist < bestDist)) {
            best = &a;
            bestArea = area;
            bestDist = dist;
        }
    }
    QRect out = r;
    if (out.right() > best->right()) out.moveRight(best->right());
    if (out.bottom() > best->bottom()) out.moveBottom(best->bottom());
    if (out.left() < best->left()) out.moveLeft(best->left());
    if (out.top() < best->top()) out.moveTop(best->top());
    return out;
}

static QWidget *frameWidgetOf(QWidget *form)
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(form->parentWidget())) return sub;
    return form;
}

static bool isMdiChild(QWidget *form)
{
    return qobject_cast<QMdiSubWindow *>(form->parentWidget()) != nullptr;
}

static QMdiArea *mdiAreaOf(QWidget *w)
{
    if (!w) return nullptr;
    if (auto *mw = qobject_cast<QMainWindow *>(w)) {
        // The area may sit in a panel with the docks around it.
        QWidget *central = mw->centralWidget();
        if (auto *area = qobject_cast<QMdiArea *>(central)) return area;
        return central ? central->findChild<QMdiArea *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    }
    return qobject_cast<QMdiArea *>(w);
}

static bool isResizable(QWidget *w)
{
    if (w->minimumSize() == w->maximumSize()) return false;
    if (w->windowFlags() & Qt::MSWindowsFixedSizeDialogHint) return false;
    return true;
}

// A sub-window keeps no restore rectangle that can be read: the last normal
// one is noted on it whenever it moves or resizes in the normal state.
static const char *const kNormalGeometry = "kvNormalGeometry";

namespace {
class NormalGeometryKeeper : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Move || e->type() == QEvent::Resize || e->type() == QEvent::Show)
            NoteNormalGeometry(static_cast<QWidget *>(o));
        return false;
    }
};
} // namespace

void NoteNormalGeometry(QWidget *sub)
{
    if (!sub || sub->isWindow()) return;
    if (!sub->property(kNormalGeometry).isValid()) sub->installEventFilter(new NormalGeometryKeeper(sub));
    if (!(sub->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        sub->setProperty(kNormalGeometry, sub->geometry());
}

QSize SmallestUsableSize(const QWidget *window)
{
    return window ? window->minimumSizeHint().expandedTo(window->minimumSize()) : QSize();
}

bool UsableSize(const QWidget *window, const QSize &size)
{
    const QSize min = SmallestUsableSize(window);
    return size.width() >= min.width() && size.height() >= min.height();
}

QRect NormalGeometry(const QWidget *sub)
{
    const QVariant normal = sub->property(kNormalGeometry);
    const bool normalState = !(sub->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
    return normal.isValid() && !normalState ? normal.toRect() : sub->geometry();
}

// The window manager frames a window only after it is shown; until then Qt
// reports no frame. The last frame seen on a window of the same kind stands
// in for it.
static QMargins g_seenFrame[2];   // [0] windows, [1] dialogs

static int frameKind(const QWidget *fw)
{
    return (fw->windowType() == Qt::Dialog || fw->windowType() == Qt::Sheet) ? 1 : 0;
}

static QMargins frameMarginsOf(QWidget *fw)
{
    const QRect g = fw->geometry(), fg = fw->frameGeometry();
    const QMargins m(g.left() - fg.left(), g.top() - fg.top(), fg.right() - g.right(), fg.bottom() - g.bottom());
    if (!m.isNull()) g_seenFrame[frameKind(fw)] = m;
    return m;
}

static bool framed(QWidget *fw)
{
    return !fw->isWindow() || (fw->testAttribute(Qt::WA_WState_Created) && fw->isVisible()
                               && !frameMarginsOf(fw).isNull());
}

static QMargins frameOrGuess(QWidget *fw)
{
    if (!fw->isWindow() || (fw->windowFlags() & Qt::FramelessWindowHint)) return QMargins();
    const QMargins m = frameMarginsOf(fw);
    return m.isNull() ? g_seenFrame[frameKind(fw)] : m;
}

static bool normalState(const QWidget *w)
{
    return !(w->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen));
}

namespace {
// Holds the rectangle a window was given from the settings until the window
// manager has framed it: then sets the window's own size from the real
// frame, and notes the geometry it settled at. While the user has not moved
// or sized the window since, the stored rectangle is the loaded one, so a
// window opened and closed any number of times keeps it exactly.
class LoadedGeometry : public QObject
{
public:
    LoadedGeometry(QWidget *fw, const QRect &wanted, bool fixedSize)
        : QObject(fw), m_fw(fw), m_wanted(wanted), m_fixed(fixedSize), m_appliedAt(fw->geometry())
    {
        setObjectName(QStringLiteral("kvLoadedGeometry"));
        m_poll.setInterval(25);
        connect(&m_poll, &QTimer::timeout, this, [this] {
            // A window manager that places it otherwise has the last word.
            if (++m_polls > 200 && m_corrected) settle();
            check();
            if (m_polls > 200 || m_settled) m_poll.stop();
        });
        fw->installEventFilter(this);
        if (fw->isVisible()) m_poll.start();
    }

    static LoadedGeometry *of(QWidget *fw)
    {
        return fw->findChild<LoadedGeometry *>(QStringLiteral("kvLoadedGeometry"), Qt::FindDirectChildrenOnly);
    }

    // The rectangle to store, when the window still stands as it was loaded.
    std::optional<QRect> unchanged() const
    {
        QRect r = m_wanted;
        if (m_fixed && framed(m_fw)) r.setSize(m_fw->frameGeometry().size());
        const QRect n = normalState(m_fw) ? m_fw->geometry() : m_fw->normalGeometry();
        // Not yet framed in the normal state: as it was set from the settings.
        if (n == (m_settled ? m_settledAt : m_appliedAt)) return r;
        return std::nullopt;
    }

    bool eventFilter(QObject *, QEvent *e) override
    {
        switch (e->type()) {
        case QEvent::Show:
            m_polls = 0;
            m_poll.start();
            [[fallthrough]];
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
            if (!m_settled) check();
            break;
        default:
            break;
        }
        return false;
    }

private:
    void check()
    {
        if (m_settled || !m_fw->isVisible() || !normalState(m_fw) || !framed(m_fw)) return;
        const QMargins m = frameMarginsOf(m_fw);
        const QRect frame = m_fw->frameGeometry();
        const bool rightSize = m_fixed || frame.size() == m_wanted.size();
        if (frame.topLeft() == m_wanted.topLeft() && rightSize) {
            settle();
            return;
        }
        if (m_corrected) return;
        // Once, now that the frame is known.
        m_corrected = true;
        m_fw->move(m_wanted.topLeft());
        if (!m_fixed) m_fw->resize(m_wanted.marginsRemoved(m).size());
        m_polls = 0;
        m_poll.start();
    }

    void settle()
    {
        m_settled = true;
        m_settledAt = m_fw->geometry();
    }

    QWidget *m_fw;
    QRect m_wanted;
    bool m_fixed;
    QRect m_appliedAt;
    bool m_settled = false, m_corrected = false;
    QRect m_settledAt;
    QTimer m_poll;
    int m_polls = 0;
};
} // namespace

// The normal rectangle with the frame: left, top, right, bottom.
static QRect normalFrameRect(QWidget *fw)
{
    if (!fw->isWindow()) return NormalGeometry(fw);
    if (LoadedGeometry *l = LoadedGeometry::of(fw))
        if (const auto r = l->unchanged()) return *r;
    const QRect n = normalState(fw) ? fw->geometry() : fw->normalGeometry();
    return n.marginsAdded(frameOrGuess(fw));
}

static QString fourInts(int a, int b, int c, int d)
{
    return QStringLiteral("%1,%2,%3,%4").arg(a).arg(b).arg(c).arg(d);
}

void StoreFormGeometry(QWidget *form, LayoutStorage &s, const QString &section)
{
    if (!form) return;
    QWidget *fw = frameWidgetOf(form);
    int flags = 0, showCmd = 1;
    if (fw->isMinimized()) {
        showCmd = 2;
        if (fw->windowState() & Qt::WindowMaximized) flags |= 2;   // restores to maximised
    } else if (fw->isMaximized()) {
        showCmd = 3;
    }
    if (form == MainForm() && form->isMinimized()) showCmd = 2;
    if (isMdiChild(form) && fw->isMinimized()) flags |= 1;
    // A window that opened as a strip (or was squeezed below what it shows)
    // keeps the layout it had: the next start opens it usable again.
    const QRect r = normalFrameRect(fw);
    if (isResizable(fw) && !UsableSize(fw, r.size())) return;
    LayoutWriteInt(s, section, QStringLiteral("Flags"), flags);
    LayoutWriteInt(s, section, QStringLiteral("ShowCmd"), showCmd);
    LayoutWriteInt(s, section, QStringLiteral("PixelsPerInch"), CurrentLayoutScreen().pixelsPerInch);
    WriteSizedKey(s, section, QStringLiteral("MinMaxPos"), fourInts(-1, -1, -1, -1));
    WriteSizedKey(s, section, QStringLiteral("NormPos"),
                  fourInts(r.left(), r.top(), r.left() + r.width(), r.top() + r.height()));
}

static int wordInt(const QString &text, int n, int def)
{
    bool ok = false;
    const int v = NthWord(n, text, QStringLiteral(" ,")).toInt(&ok);
    return ok ? v : def;
}

void LoadFormGeometry(QWidget *form, const LayoutStorage &s, const QString &section, bool loadState,
                      bool loadPosition)
{
    if (!form || (!loadState && !loadPosition)) return;
    QWidget *fw = frameWidgetOf(form);
    const LayoutScreen screen = CurrentLayoutScreen();
    if (loadPosition) {
        const QString minMax = ReadSizedKey(s, section, QStringLiteral("MinMaxPos"));
        const QString norm = ReadSizedKey(s, section, QStringLiteral("NormPos"));
        const int ppi = LayoutReadInt(s, section, QStringLiteral("PixelsPerInch"), screen.pixelsPerInch);
        if ((!minMax.isEmpty() || !norm.isEmpty()) && ppi == screen.pixelsPerInch) {
            const QRect cur = normalFrameRect(fw);
            const int left = wordInt(norm, 1, cur.left());
            const int top = wordInt(norm, 2, cur.top());
            int right = wordInt(norm, 3, cur.left() + cur.width());
            int bottom = wordInt(norm, 4, cur.top() + cur.height());
            if (!isResizable(fw)) {
                right = left + cur.width();
                bottom = top + cur.height();
            }
            QRect r(left, top, right - left, bottom - top);
            // A stored strip (settings written while a window had opened too
            // small) leaves the window as it is.
            if (left < right && !(isResizable(fw) && !UsableSize(fw, r.size()))) {
                if (fw->isWindow()) r = KeepOnScreen(r, screen.workAreas);
                else if (QMdiArea *area = qobject_cast<QMdiSubWindow *>(fw) ? static_cast<QMdiSubWindow *>(fw)->mdiArea() : nullptr;
                         area && area->isVisible())
                    r = KeepOnScreen(r, {area->viewport()->rect()});
                // The frame rectangle back to the widget's own geometry.
                const QRect inner = r.marginsRemoved(frameOrGuess(fw));
                if (fw->isWindow()) {
                    fw->move(r.topLeft());
                    fw->resize(inner.size());
                    delete LoadedGeometry::of(fw);
                    new LoadedGeometry(fw, r, !isResizable(fw));
                } else {
                    fw->setGeometry(inner);
                    NoteNormalGeometry(fw);
                }
            }
        }
    }
    if (loadState) {
        const bool isMain = MainForm() == nullptr || MainForm() == form;
        const bool frame = mdiAreaOf(form) != nullptr;
        Qt::WindowState state = (isMain && frame) ? Qt::WindowMaximized : Qt::WindowNoState;
        switch (LayoutReadInt(s, section, QStringLiteral("ShowCmd"), 0)) {
        case 1: case 5: case 9: state = Qt::WindowNoState; break;
        case 2: case 6: case 7: state = Qt::WindowMinimized; break;
        case 3: state = Qt::WindowMaximized; break;
        default: break;
        }
        if (state == Qt::WindowMinimized && isMain) {
            fw->setWindowState(fw->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
            QPointer<QWidget> guard(fw);
            QTimer::singleShot(0, fw, [guard] {
                if (guard) guard->setWindowState(guard->windowState() | Qt::WindowMinimized);
            });
            return;
        }
        fw->setWindowState((fw->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized)) | state);
    }
    fw->update();
}

void StoreFormGeometry(QWidget *form, TIniFile &ini, const QString &section)
{
    IniLayoutStorage s(ini);
    ini.Update([&] { StoreFormGeometry(form, s, section); });
}

void LoadFormGeometry(QWidget *form, TIniFile &ini, const QString &section, bool loadState, bool loadPosition)
{
    IniLayoutStorage s(ini);
    LoadFormGeometry(form, s, section, loadState, loadPosition);
}

// ---- grids -------------------------------------------------------------

void StoreColWidths(const QString &section, const QList<int> &widths, LayoutStorage &s)
{
    for (int i = 0; i < widths.size(); ++i)
        LayoutWriteInt(s, section, QStringLiteral("Item%1").arg(i), widths[i]);
}

QList<int> HeaderSectionSizes(const QHeaderView *header)
{
    QList<int> widths;
    if (header)
        for (int i = 0; i < header->count(); ++i) widths << header->sectionSize(i);
    return widths;
}

void ApplyHeaderSectionSizes(QHeaderView *header, const QList<int> &widths)
{
    if (!header) return;
    for (int i = 0; i < header->count() && i < widths.size(); ++i)
        if (widths[i] >= 0) header->resizeSection(i, widths[i]);
}

QList<int> LoadColWidths(const QString &section, const QList<int> &current, const LayoutStorage &s)
{
    QList<int> out;
    for (int i = 0; i < current.size(); ++i)
        out << LayoutReadInt(s, section, QStringLiteral("Item%1").arg(i), current[i]);
    return out;
}

// A grid's row header is its indicator column: column 0, stored like any other.
static bool hasIndicator(const QTableView *grid)
{
    return !grid->verticalHeader()->isHidden();
}

static QList<int> widthsOf(QTableView *grid)
{
    QList<int> w;
    if (hasIndicator(grid)) {
        QHeaderView *h = grid->verticalHeader();
        const bool fixed = h->minimumWidth() == h->maximumWidth();
        w << (h->isVisible() ? h->width() : fixed ? h->maximumWidth() : h->sizeHint().width());
    }
    const int n = grid->model() ? grid->model()->columnCount() : 0;
    for (int i = 0; i < n; ++i) w << grid->columnWidth(i);
    return w;
}

void StoreGridColWidths(QTableView *grid, LayoutStorage &s)
{
    if (grid) StoreColWidths(DefaultSectionOf(grid), widthsOf(grid), s);
}

void LoadGridColWidths(QTableView *grid, const LayoutStorage &s)
{
    if (!grid) return;
    const QList<int> w = LoadColWidths(DefaultSectionOf(grid), widthsOf(grid), s);
    const int first = hasIndicator(grid) ? 1 : 0;
    if (first && !w.isEmpty() && w[0] > 0) grid->verticalHeader()->setFixedWidth(w[0]);
    for (int i = first; i < w.size(); ++i) grid->setColumnWidth(i - first, w[i]);
}

void StoreGridColWidths(QTableView *grid, TIniFile &ini)
{
    IniLayoutStorage s(ini);
    ini.Update([&] { StoreGridColWidths(grid, s); });
}

void LoadGridColWidths(QTableView *grid, TIniFile &ini)
{
    IniLayoutStorage s(ini);
    LoadGridColWidths(grid, s);
}

// ---- MDI children -----------------------------------------------------

void RegisterFormClass(const QString &className, FormFactory factory)
{
    registry()[className] = std::move(factory);
}

void UnregisterFormClass(const QString &className)
{
    registry().erase(className);
}

static QMdiArea *requireFrame(QWidget *frame)
{
    QMdiArea *area = mdiAreaOf(frame);
    if (!area) throw Error(QString::fromUtf8("Не могу создать форму. Нет активных MDI форм"));
    return area;
}

void StoreMDIChildList(QWidget *frame, LayoutStorage &s)
{
    QMdiArea *area = requireFrame(frame);
    const QString sec = QStringLiteral("MDI Children");
    LayoutEraseSection(s, sec);
    QList<QMdiSubWindow *> subs = area->subWindowList(QMdiArea::StackingOrder);
    std::reverse(subs.begin(), subs.end());   // the front child first
    if (subs.isEmpty()) return;
    LayoutWriteInt(s, sec, QStringLiteral("Count"), int(subs.size()));
    for (int i = 0; i < subs.size(); ++i)
        LayoutWriteString(s, sec, QStringLiteral("Item%1").arg(i), FormClassName(subs[i]->widget()));
}

void RestoreMDIChildList(QWidget *frame, const LayoutStorage &s)
{
    requireFrame(frame);
    const QString sec = QStringLiteral("MDI Children");
    kv::BusyCursor busy;
    const int count = LayoutReadInt(s, sec, QStringLiteral("Count"), 0);
    for (int n = count - 1; n >= 0; --n) {
        const QString name = LayoutReadString(s, sec, QStringLiteral("Item%1").arg(n), QString());
        if (registry().count(name)) ShowFormOfClass(frame, name, QString(), false);
    }
}

void StoreMDIChildList(QWidget *frame, TIniFile &ini)
{
    IniLayoutStorage s(ini);
    ini.Update([&] { StoreMDIChildList(frame, s); });
}

void RestoreMDIChildList(QWidget *frame, TIniFile &ini)
{
    IniLayoutStorage s(ini);
    RestoreMDIChildList(frame, s);
}

QWidget *ShowFormOfClass(QWidget *frame, const QString &className, const QString &caption,
                         bool restoreFromMinimized)
{
    QWidget *found = nullptr;
    QMdiArea *area = mdiAreaOf(frame);
    if (area)
        for (QMdiSubWindow *sub : area->subWindowList())
            if (sub->widget() && FormClassName(sub->widget()) == className &&
                (caption.isEmpty() || sub->widget()->windowTitle() == caption)) {
                found = sub->widget();
                break;
            }
    if (!found)
        for (QWidget *w : QApplication::topLevelWidgets())
            if (FormClassName(w) == className && (caption.isEmpty() || w->windowTitle() == caption)) {
                found = w;
                break;
            }
    if (!found) {
        auto it = registry().find(className);
        if (it == registry().end() || !it->second) return nullptr;
        found = it->second();
        if (!found) return nullptr;
        if (!caption.isEmpty()) found->setWindowTitle(caption);
        if (area) area->addSubWindow(found);
    }
    QWidget *fw = frameWidgetOf(found);
    if (restoreFromMinimized && fw->isMinimized()) fw->showNormal();
    found->show();
    fw->show();
    return found;
}

} // namespace kv
