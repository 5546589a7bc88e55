#pragma once
// Caption renderer: multi-line text with alignment, wrapping, rotation, four
// styles, drop shadow and extrusion, and its own colours when disabled.
#include "widgets/gwcolors.h"
#include "widgets/gwutils.h"

#include <QFont>
#include <QRect>
#include <QString>
#include <functional>

class QPainter;

namespace kv::gw {
enum TgwVAlignment { vaTop, vaVCenter, vaBottom };
enum TgwTextStyle { gwlsDefault, gwlsLowered, gwlsRaised, gwlsOutline };
enum TgwOrientation { gwTopLeft, gwTopRight, gwBottomLeft, gwBottomRight, gwTop, gwRight, gwLeft, gwBottom };
enum TgwTextOption { toShowAccel = 1, toShowEllipsis = 2 };
QPoint OrientationStep(TgwOrientation o);
}

class TgwText {
public:
    struct ShadowEffects { kv::gw::Color Color = kv::gw::clBtnShadow; bool Enabled = false; int XOffset = 10, YOffset = 10; };
    struct ExtrudeEffects {
        int Depth = 10; bool Enabled = false;
        kv::gw::Color FarColor = kv::gw::clBlack, NearColor = kv::gw::clBlack;
        kv::gw::TgwOrientation Orientation = kv::gw::gwBottomRight; bool Striated = false;
    };
    struct DisabledColors { kv::gw::Color HighlightColor = kv::gw::clBtnHighlight, ShadeColor = kv::gw::clBtnShadow; };

    TgwText() = default;
    virtual ~TgwText() = default;

    // Callbacks of the owner.
    std::function<void()> OnInvalidate;
    std::function<void()> OnSizeChanged;
    std::function<bool()> IsEnabled;

    kv::gw::TAlignment Alignment = kv::gw::taLeftJustify;
    kv::gw::TgwVAlignment VAlignment = kv::gw::vaTop;
    bool WordWrap = false;

    int LineSpacing() const { return m_lineSpacing; }
    void SetLineSpacing(int v) { m_lineSpacing = v; sizeChanged(); }
    int Options() const { return m_options; }
    void SetOptions(int v) { m_options = v; sizeChanged(); }
    int Rotation() const { return m_rotation; }
    // Stored normalised to 0..359.
    void SetRotation(int v);
    kv::gw::TgwTextStyle Style() const { return m_style; }
    void SetStyle(kv::gw::TgwTextStyle s) { m_style = s; sizeChanged(); }

    kv::gw::Color HighlightColor = kv::gw::clBtnHighlight;
    kv::gw::Color ShadeColor = kv::gw::clBtnShadow;
    kv::gw::Color OutlineColor = kv::gw::clBlack;
    ShadowEffects Shadow;
    ExtrudeEffects Extrude;
    DisabledColors Disabled;

    // What the owner hands over before measuring or drawing.
    QFont Font;
    kv::gw::Color FontColor = kv::gw::clBlack;
    QPainter *Painter = nullptr;
    QRect Area;
    QString Text() const { return m_text; }
    void SetText(const QString &t) { if (t != m_text) { m_text = t; Changed(); } }

    // Unrotated size of the text: widest line by the lines' heights plus spacing.
    QSize TextExtent() const;
    QSize RotatedExtent(bool unclipped) const;
    QRect CalcRect(bool unclipped) const;
    QRect CalcRectWithFont(bool unclipped) const { return CalcRect(unclipped); }
    void Draw();
    void Changed() { if (OnInvalidate) OnInvalidate(); }

    // Colour of extrusion step i (1..Depth).
    kv::gw::Color ExtrudeColor(int i) const;
    static int R(double x);

protected:
    void DrawStandard();
    void DrawOutlined();
    void DrawLoweredRaised(bool raised);
    void DrawShadow(const QRect &r);
    void DrawExtrusion(QRect &r);
    void DrawTextLines(QRect r, kv::gw::Color color);
    void DrawEmbossed();

private:
    QStringList lines() const;
    QPoint shadowOffset() const;
    bool enabled() const { return IsEnabled ? IsEnabled() : true; }
    void sizeChanged() { if (OnSizeChanged) OnSizeChanged(); Changed(); }
    int alignFlags() const;

    QString m_text;
    int m_lineSpacing = 5;
    int m_options = kv::gw::toShowAccel;
    int m_rotation = 0;
    kv::gw::TgwTextStyle m_style = kv::gw::gwlsDefault;
    QRect m_drawRect;
    int m_hFlags = 0;   // Qt::AlignHCenter / AlignRight while drawing
};

using TgwCaptionText = TgwText;
