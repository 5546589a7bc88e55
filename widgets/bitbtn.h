#pragma once
// The owner-drawn push/toggle button every button of the widget set derives
// from: press cycle, groups, default/cancel keys, glyph and caption layout,
// painting into an off-screen bitmap, and window shapes by region.
#include "widgets/changelink.h"
#include "widgets/gwbitmap.h"
#include "widgets/gwtext.h"
#include "widgets/gwutils.h"

#include <QByteArray>
#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <functional>

namespace kv { class ImageList; }

namespace kv::gw {
enum TgwShadeStyle { fbsNormal, fbsRaised, fbsHighlight, fbsFlat };
enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
enum TgwButtonOption { boFocusable = 1, boOverrideActionGlyph = 2, boToggleOnUp = 4, boFocusRect = 8, boAutoBold = 16 };
// Modal results of the kinds.
enum { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7, mrAll = 8 };
// Region data in the platform's layout (32-byte header, then 16-byte rectangles).
QByteArray RegionToData(const QRegion &region);
QRegion RegionFromData(const QByteArray &data);
}

class TgwCustomBitBtn : public QWidget {
    Q_OBJECT
public:
    struct Offsets {
        int GlyphX = 0, GlyphY = 0, TextX = 0, TextY = 0, TextDownX = 1, TextDownY = 1;
        int ImageDownX = 2, ImageDownY = 2;   // used by the image button
    };
    struct ShadeColors {
        kv::gw::Color BtnHighlight = kv::gw::clBtnHighlight, Btn3DLight = kv::gw::cl3DLight,
                      BtnShadow = kv::gw::clBtnShadow, BtnBlack = kv::gw::clBlack,
                      BtnFocus = kv::gw::clBlack, Shadow = kv::gw::clBlack;
    };
    using Event = std::function<void(TgwCustomBitBtn *)>;

    explicit TgwCustomBitBtn(QWidget *parent = nullptr);
    ~TgwCustomBitBtn() override;

    // Properties.
    QString Caption() const { return m_caption; }
    void SetCaption(const QString &c);
    kv::gw::Color Color() const { return m_color; }
    void SetColor(kv::gw::Color c) { if (c != m_color) { m_color = c; ColorChanged(); } }
    kv::gw::Color FontColor() const { return m_fontColor; }
    void SetFontColor(kv::gw::Color c) { m_fontColor = c; update(); }
    bool AllowAllUp() const { return m_allowAllUp; }
    void SetAllowAllUp(bool v) { m_allowAllUp = v; UpdateExclusive(); }
    bool Cancel() const { return m_cancel; }
    void SetCancel(bool v) { m_cancel = v; }
    bool Default() const { return m_default; }
    void SetDefault(bool v);
    bool Down() const { return m_down; }
    void SetDown(bool v);
    const QImage &Glyph() const { return m_glyph; }
    void SetGlyph(const QImage &g);
    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int v) { m_groupIndex = v; UpdateExclusive(); }
    kv::gw::TBitBtnKind Kind();
    void SetKind(kv::gw::TBitBtnKind k);
    kv::gw::TButtonLayout Layout() const { return m_layout; }
    void SetLayout(kv::gw::TButtonLayout l) { m_layout = l; update(); }
    int Margin() const { return m_margin; }
    void SetMargin(int v) { if (v >= -1) { m_margin = v; update(); } }
    int ModalResult() const { return m_modalResult; }
    void SetModalResult(int v) { m_modalResult = v; }
    int NumGlyphs() const { return m_numGlyphs; }
    void SetNumGlyphs(int v) { m_numGlyphs = std::clamp(v, 1, 4); update(); }
    Offsets &GetOffsets() { return m_offsets; }
    void SetOffsets(const Offsets &o) { m_offsets = o; update(); }
    int Options() const { return m_options; }
    void SetOptions(int v);
    ShadeColors &GetShadeColors() { return m_shade; }
    void SetShadeColors(const ShadeColors &s) { m_shade = s; update(); }
    kv::gw::TgwShadeStyle ShadeStyle() const { return m_shadeStyle; }
    void SetShadeStyle(kv::gw::TgwShadeStyle s);
    bool SmoothFont() const { return m_smoothFont; }
    void SetSmoothFont(bool v) { m_smoothFont = v; update(); }
    int Spacing() const { return m_spacing; }
    void SetSpacing(int v) { m_spacing = v; update(); }
    TgwCaptionText &TextOptions() { return m_text; }

    Event OnClick, OnMouseEnter, OnMouseLeave, OnSelChange;
    std::function<void(TgwCustomBitBtn *)> OnNameChange;

    // State read by the group and the bar.
    bool ClickLocked = false;
    bool SelectedState() const { return m_selectedState; }
    bool Dragging() const { return m_dragging; }
    bool IsActiveDefault() const { return m_activeDefault; }
    bool InClick() const { return m_inClick; }
    QRect GlyphRect() const { return m_glyphRect; }
    QRect CaptionRect() const { return m_captionRect; }

    // Region data as streamed with the form.
    QByteArray RegionData, DownRegionData;
    virtual bool StoreRegionData() const { return false; }
    bool StoreGlyph() const { return m_kind == kv::gw::bkCustom; }
    bool StoreCaption() const;
    static QString KindCaption(kv::gw::TBitBtnKind k);
    static int KindResult(kv::gw::TBitBtnKind k);

    // Operations used by descendants and neighbours.
    void RegisterChanges(TgwChangeLink *l) { m_links.RegisterChanges(l); }
    void UnRegisterChanges(TgwChangeLink *l) { m_links.UnRegisterChanges(l); }
    void SelChange();
    void UpdateExclusive();
    void ApplyRegion();
    void PaintNow() { repaint(); }
    bool PtInButton(int x, int y, bool requireCapture) const;
    void SetDownState(bool value, bool repaintNow, bool exclusive);
    void Click();
    // After a window has set the button up: shape and listeners.
    void Loaded();
    // An action's image: copied into an empty Glyph (on fuchsia, which the
    // lower-left pixel then makes transparent).
    void ActionChange(const kv::ImageList *images, int imageIndex);
    void AssignTo(TgwCustomBitBtn *dest) const;
    virtual void AssignFrom(const TgwCustomBitBtn *src);
    void DeriveShadeColors(kv::gw::Color c);
    // Streams: 4-byte little-endian count, then the bytes.
    static QByteArray WriteRegionStream(const QByteArray &block);
    static QByteArray ReadRegionStream(const QByteArray &stream);

    virtual QRegion CreateRegion(bool build, bool down);
    virtual bool UseRegions() const { return false; }
    virtual bool HasDownShape() const { return false; }
    virtual void SizeToImage() {}
    virtual void DrawFace(TgwBitmap &target, bool plain, kv::gw::TgwShadeStyle style, bool down);
    // The face with glyph and caption, as painted.
    QImage RenderFace();
    int GlyphWidth() const;
    void CalcLayout(const QRect &client, QRect &content, const QSize &textSize, QRect &glyphR, QRect &textR);

protected:
    virtual void ColorChanged() { update(); }
    void StoreRegion(const QRegion &region, bool down);
    void DestroyRegions();
    void UpdateShape() { if (HasDownShape()) ApplyRegion(); }
    virtual void DrawGlyph(QPainter &p, const QRect &glyphR);
    virtual void DrawCaption(QPainter &p, const QRect &textR);
    virtual void DrawContents(QPainter &p, QRect &r, const QSize &faceSize);
    void ButtonPressed(int groupIndex, TgwCustomBitBtn *sender);
    void BeginPress();
    void EndPress(bool wasDragging, bool inside);
    bool MouseOver() const;
    QRegion SavedRegion() const { return m_savedRegion; }

    void paintEvent(QPaintEvent *) override;
    void resizeEvent(QResizeEvent *) override;
    void mousePressEvent(QMouseEvent *) override;
    void mouseMoveEvent(QMouseEvent *) override;
    void mouseReleaseEvent(QMouseEvent *) override;
    void keyPressEvent(QKeyEvent *) override;
    void enterEvent(QEnterEvent *) override;
    void leaveEvent(QEvent *) override;
    void changeEvent(QEvent *) override;
    void showEvent(QShowEvent *) override;
    void focusInEvent(QFocusEvent *) override;
    void focusOutEvent(QFocusEvent *) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void clicked();

private:
    void watchWindow();
    QString m_caption;
    kv::gw::Color m_color = kv::gw::clBtnFace;
    kv::gw::Color m_fontColor = kv::gw::clBtnText;
    bool m_allowAllUp = false, m_cancel = false, m_default = false, m_down = false;
    QImage m_glyph;
    int m_groupIndex = 0;
    kv::gw::TBitBtnKind m_kind = kv::gw::bkCustom;
    kv::gw::TButtonLayout m_layout = kv::gw::blGlyphLeft;
    int m_margin = -1;
    int m_modalResult = 0;
    int m_numGlyphs = 1;
    Offsets m_offsets;
    int m_options = 0;
    ShadeColors m_shade;
    kv::gw::TgwShadeStyle m_shadeStyle = kv::gw::fbsNormal;
    bool m_smoothFont = false;
    int m_spacing = 4;
    TgwCaptionText m_text;
    TgwChangeLinkList m_links;
    bool m_selectedState = false, m_dragging = false, m_downAtPress = false;
    bool m_activeDefault = false, m_inClick = false;
    QRect m_glyphRect, m_captionRect;
    QRegion m_savedRegion;
    bool m_hasSavedRegion = false;
    QPointer<QWidget> m_watchedWindow;
};
