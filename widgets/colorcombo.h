#pragma once
// A list of named colours (colour box and name) and a combo edit whose
// drop-down is that list and whose ellipsis button opens the colour dialog.
// Colours stay the system's integers: system colours 0x800000nn, none
// 0x1FFFFFFF; 0x0FFFFFFF means no colour selected.
#include "widgets/combo.h"

#include <QFont>
#include <QListWidget>
#include <functional>

namespace kv::gw {
constexpr Color clNoColorSelected = 0x0FFFFFFF;
enum TgwColorComboOption {
    ccoShowSystemColors = 1, ccoShowColorNone = 2, ccoShowCustomColors = 4, ccoShowStandardColors = 8,
    ccoShowColorNames = 16, ccoShowGreyScale = 32, ccoGroupSystemColors = 64
};
enum TgwColorSortBy { csoNone, csoByRGB, csoByIntensity, csoByName };
enum TgwColorDialogOption { cdoEnabled = 1, cdoPreventFullOpen = 2, cdoFullOpen = 4, cdoSolidColor = 8, cdoAnyColor = 16 };

// "Name=HEX" text of a colour: at least six upper-case digits, system colours eight.
QString ColorValueText(Color c);
// The hue class (1..15) that orders colours by RGB.
int HueClass(Color c);
// Order key of a colour for the sort (lower first).
int ColorSortKey(Color c, TgwColorSortBy by, bool groupSystem);
// "RGB: r, g, b" with three numbers 0..255; false otherwise.
bool ParseRGBText(const QString &text, Color &c);
// The platform's colour identifiers in their order, with their values.
const QList<QPair<QString, Color>> &ColorIdents();
}

struct TgwColorListOptions {
    kv::gw::Color Color = kv::gw::clWindow;
    int ColorWidth = 0;          // 0: item height - 4
    QFont Font;
    int GreyScaleIncrement = 10;
    bool IntegralHeight = true;
    int ItemHeight = 16;
    QString NoneString = QStringLiteral("None");
    int Options = kv::gw::ccoShowStandardColors | kv::gw::ccoShowColorNames;
    kv::gw::TgwColorSortBy SortBy = kv::gw::csoNone;
};

class TgwCustomColorList : public QListWidget {
    Q_OBJECT
public:
    using AddNewColorEvent = std::function<void(QObject *, kv::gw::Color, QString &name, bool &accept)>;
    using FilterColorEvent = std::function<void(QObject *, kv::gw::Color, const QString &name, bool &accept)>;

    explicit TgwCustomColorList(QWidget *parent = nullptr);

    // Settings (each rebuilds the list).
    int Options() const { return m_opt.Options; }
    void SetOptions(int v) { m_opt.Options = v; BuildColorList(); }
    QString NoneString() const { return m_opt.NoneString; }
    void SetNoneString(const QString &s) { m_opt.NoneString = s; BuildColorList(); }
    int GreyScaleIncrement() const { return m_opt.GreyScaleIncrement; }
    // Values outside 1..255 are refused.
    bool SetGreyScaleIncrement(int v);
    kv::gw::TgwColorSortBy SortBy() const { return m_opt.SortBy; }
    void SetSortBy(kv::gw::TgwColorSortBy s) { m_opt.SortBy = s; SortColorList(); }
    int ColorWidth() const { return m_opt.ColorWidth; }
    void SetColorWidth(int v) { m_opt.ColorWidth = v; viewport()->update(); }
    int ItemHeight() const { return m_opt.ItemHeight; }
    void SetItemHeight(int v);
    const QStringList &CustomColors() const { return m_custom; }
    // Two entries of one name: the duplicate-name message (false) and nothing set.
    // False (after a warning) when two entries share a name; the list is kept either way.
    bool SetCustomColors(const QStringList &list);
    void ApplyOptions(const TgwColorListOptions &o);
    bool ColorOnRight = false;   // colour box right of the name
    kv::gw::TAlignment Alignment = kv::gw::taLeftJustify;
    bool DroppedFromCombo = false;

    AddNewColorEvent OnAddNewColor;
    FilterColorEvent OnFilterColor;
    // Shows the duplicate-name warning; tests replace it.
    std::function<void(const QString &)> OnWarning;

    // The master list: "Name=HEX" lines in building (and sort) order.
    const QStringList &MasterList() const { return m_master; }
    bool AddColor(const QString &name, kv::gw::Color value);
    void BuildColorList();
    void SortColorList();
    void ShowColorList();
    kv::gw::Color GetItemColor(int index) const;
    QString GetItemName(int index) const;
    int IndexOfColor(kv::gw::Color c) const;
    int IndexOfName(const QString &name) const;   // ignoring case, shown items
    kv::gw::Color SelectedColor() const;
    void SetSelectedColor(kv::gw::Color c);

    // Paints one item (also used for the combo's edit).
    void DrawColorItem(QPainter &p, const QRect &r, kv::gw::Color c, const QString &name, bool selected) const;

signals:
    void itemAccepted();   // released inside while dropped down
    void itemRejected();   // a press in the list released outside it
    // While dropped down, a press outside the list.
    void pressedOutside(QMouseEvent *press);

protected:
    bool event(QEvent *) override;
    void mousePressEvent(QMouseEvent *) override;

    void mouseMoveEvent(QMouseEvent *) override;
    void mouseReleaseEvent(QMouseEvent *) override;

private:
    bool m_pressedInside = false;
    TgwColorListOptions m_opt;
    QStringList m_master;
    QStringList m_rgb;     // unnamed colours added later, kept across rebuilds
    QStringList m_custom;
    bool m_building = false;
};

class TgwColorList : public TgwCustomColorList {
    Q_OBJECT
public:
    using TgwCustomColorList::TgwCustomColorList;
};

class TgwCustomColorCombo : public TgwCustomCombo {
    Q_OBJECT
public:
    explicit TgwCustomColorCombo(QWidget *parent = nullptr);
    ~TgwCustomColorCombo() override;

    kv::gw::Color SelectedColor() const { return m_color; }
    void SetSelectedColor(kv::gw::Color c);
    TgwColorListOptions &ColorListOptions() { return m_listOptions; }
    // Passes the options on to an existing list.
    void SetColorListOptions(const TgwColorListOptions &o);
    QStringList CustomColors() const { return m_custom; }
    void SetCustomColors(const QStringList &l);
    bool ColorOnRight = false;
    int ColorDialogOptions = kv::gw::cdoPreventFullOpen;
    bool ShowMatchText = true;
    bool AllowClearKey = false;
    bool AutoDropDown = false;

    std::function<void(TgwCustomColorCombo *)> OnChange;
    TgwCustomColorList::AddNewColorEvent OnAddNewColor;
    TgwCustomColorList::FilterColorEvent OnFilterColor;
    std::function<void(TgwCustomColorCombo *, QObject *dialog)> OnInitColorDialog;
    std::function<void(TgwCustomColorCombo *, QObject *dialog, bool &accept, int result)> OnCloseColorDialog;
    // Runs the colour dialog: the colour in, the chosen colour out; false when
    // cancelled. The default shows the platform's dialog.
    std::function<bool(TgwCustomColorCombo *, kv::gw::Color &)> ColorDialogRunner;

    TgwCustomColorList *ColorList();
    bool ExecuteColorDialog();
    QString ColorToName(kv::gw::Color c);
    QRect GetColorBoxRect() const;
    void RefreshColorList();
    bool IsDroppedDown() const override;
    void DropDown() override;
    void CloseUp(bool accept) override;
    bool IsTextEditable() const override;
    void ButtonMouseDown() override;
    void DataChange() override;
    void UpdateData() override;

protected:
    QWidget *GetDropDownControl() override { return ColorList(); }
    QWidget *GetDropDownContainer() override { return ColorList(); }
    int GetItemCount() override { return ColorList()->count(); }
    QSize GetItemSize() override;
    int GetLeftIndent() const override;
    void AfterPaint(QPainter &p) override;
    void keyPressEvent(QKeyEvent *) override;
    void mouseDoubleClickEvent(QMouseEvent *) override;
    void focusInEvent(QFocusEvent *) override;
    void focusOutEvent(QFocusEvent *) override;

private:
    void changeTo(kv::gw::Color c);   // user change: fires OnChange
    void step(int delta, bool toEdge);
    TgwCustomColorList *m_list = nullptr;
    kv::gw::Color m_color = kv::gw::clNoColorSelected;
    kv::gw::Color m_colorAtDrop = kv::gw::clNoColorSelected;
    TgwColorListOptions m_listOptions;
    QStringList m_custom;
};

class TgwColorCombo : public TgwCustomColorCombo {
    Q_OBJECT
public:
    using TgwCustomColorCombo::TgwCustomColorCombo;
};
