#pragma once
// An edit with a drop-down button at its right end that shows a drop-down
// control below (or above) itself; the descendant supplies the control.
#include "widgets/gwutils.h"

#include <QLineEdit>
#include <functional>

namespace kv::gw {
enum TgwAlignVertical { gwavTop, gwavCenter };
enum TgwComboButtonStyle { cbsEllipsis, cbsDownArrow };
enum TgwComboStyle { csDropDown, csDropDownList };
}

class TgwCustomCombo;
namespace kv { class DataSource; class Field; }

class TgwDropDownButton : public QWidget {
    Q_OBJECT
public:
    explicit TgwDropDownButton(TgwCustomCombo *combo);
    bool Pressed() const { return m_pressed; }

protected:
    void paintEvent(QPaintEvent *) override;
    void mousePressEvent(QMouseEvent *) override;
    void mouseReleaseEvent(QMouseEvent *) override;

private:
    TgwCustomCombo *m_combo;
    bool m_pressed = false;
};

class TgwCustomCombo : public QLineEdit {
    Q_OBJECT
public:
    explicit TgwCustomCombo(QWidget *parent = nullptr);
    ~TgwCustomCombo() override;

    kv::gw::TgwAlignVertical AlignmentVertical() const { return m_alignVertical; }
    void SetAlignmentVertical(kv::gw::TgwAlignVertical a) { m_alignVertical = a; update(); }
    kv::gw::TgwComboButtonStyle ButtonStyle() const { return m_buttonStyle; }
    void SetButtonStyle(kv::gw::TgwComboButtonStyle s) { m_buttonStyle = s; m_button->update(); }
    int DropDownCount() const { return m_dropDownCount; }
    void SetDropDownCount(int v) { m_dropDownCount = std::max(1, v); }
    kv::gw::TgwComboStyle Style() const { return m_style; }
    void SetStyle(kv::gw::TgwComboStyle s);
    bool ReadOnlyFlag() const { return m_readOnly; }
    void SetReadOnlyFlag(bool v) { m_readOnly = v; setReadOnly(v || m_style == kv::gw::csDropDownList); }
    bool ShowButton() const { return !m_button->isHidden(); }
    void SetShowButton(bool v);
    int ButtonWidth() const { return m_button->width(); }
    TgwDropDownButton *Button() const { return m_button; }

    // Binding to a field of a data set.
    kv::DataSource *DataSource() const;
    void SetDataSource(kv::DataSource *src);
    QString DataField() const { return m_dataField; }
    void SetDataField(const QString &name);
    bool IsDataBound() const;
    kv::Field *BoundField() const;
    // Starts editing the record; false when the field cannot change.
    bool EditCanModify();
    virtual void DataChange() {}
    virtual void EditingChange();
    virtual void UpdateData() {}

    std::function<void(TgwCustomCombo *)> OnDropDown;
    std::function<void(TgwCustomCombo *, bool accept)> OnCloseUp;

    // Where the drop-down of size (w, h) goes for a combo at `combo` (global
    // coordinates) on `screen`: below, or above near the bottom; right-aligned
    // near the right edge.
    static QRect DropDownGeometry(const QRect &combo, int w, int h, const QRect &screen);
    // The drop-down's size: items x min(count, DropDownCount) high (the combo's
    // height without items) plus two borders; at least as wide as the combo.
    QSize DropDownSize() const;
    virtual void DropDown();
    virtual void CloseUp(bool accept);
    virtual bool IsDroppedDown() const;
    void ToggleDropDown() { IsDroppedDown() ? CloseUp(true) : DropDown(); }
    virtual void Reset();
    bool IsReadOnly() const;
    virtual bool IsTextEditable() const { return true; }
    // The rectangle left to the text (between the left indent and the button).
    QRect EditRect() const;
    virtual void ButtonMouseDown();

protected:
    virtual QWidget *GetDropDownControl() = 0;
    virtual QWidget *GetDropDownContainer() = 0;
    virtual int GetItemCount() = 0;
    virtual QSize GetItemSize() = 0;
    virtual int GetLeftIndent() const { return 0; }
    // Draws the drop-down button; false leaves the default look.
    virtual void DrawButton(QPainter &p, const QRect &r, bool pressed);
    virtual void AfterPaint(QPainter &) {}
    void DoCloseUp(bool accept) { if (OnCloseUp) OnCloseUp(this, accept); }
    virtual void SetEditRect();
    void UpdateButtonPosition();
    // The screen the drop-down must fit on.
    virtual QRect ScreenRect() const;

    void resizeEvent(QResizeEvent *) override;
    void keyPressEvent(QKeyEvent *) override;
    void paintEvent(QPaintEvent *) override;
    void focusOutEvent(QFocusEvent *) override;
    void mousePressEvent(QMouseEvent *) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    bool m_modified = false;
    QString m_savedText;   // the text Reset returns to

private:
    friend class TgwDropDownButton;
    kv::gw::TgwAlignVertical m_alignVertical = kv::gw::gwavTop;
    kv::gw::TgwComboButtonStyle m_buttonStyle = kv::gw::cbsDownArrow;
    int m_dropDownCount = 8;
    kv::gw::TgwComboStyle m_style = kv::gw::csDropDown;
    bool m_readOnly = false;
    TgwDropDownButton *m_button;
    class Link;
    Link *m_link;
    QString m_dataField;
};
