#pragma once
// The toolbar: a tool window that lines up its buttons and separators along
// its dock, or in lines wrapped at a chosen width while floating.
#include "toolbars/toolwindow.h"

#include <QPointer>
#include <QWidget>

#include <vector>

class TToolbarSep;

class TCustomToolbar : public TCustomToolWindow {
    Q_OBJECT
public:
    // parent: a TDock, a form (floats over it) or none.
    explicit TCustomToolbar(QWidget *parent = nullptr);
    ~TCustomToolbar() override;

    // The floating wrap width, 0 for no wrapping ("FloatRightX").
    int FloatingRightX() const { return m_floatingRightX; }
    void SetFloatingRightX(int v);

    // Items in layout order (children join at the end).
    std::vector<QWidget *> Items() const;
    void SortItemsByPosition() override;

    // Wrap lines of the last floating layout: across position and whether the
    // separator that ended the line above is blank.
    struct WrapLine {
        int across;
        bool blank;
    };
    const std::vector<WrapLine> &WrapLines() const { return m_wrapLines; }

    // Floating sizes offered while the frame is resized (frame included).
    std::vector<QSize> SizingCandidates() const;

    int GetBarThickness(kv::tb::TDockOrientation orientation) override;
    QSize LayoutContents(bool moveControls, kv::tb::TDockOrientation previous, TDock *target) override;

    void ReadExtraPositions(const kv::tb::TPositionReadIntProc &readInt, const kv::tb::TPositionReadStringProc &) override;
    void WriteExtraPositions(const kv::tb::TPositionWriteIntProc &writeInt, const kv::tb::TPositionWriteStringProc &) override;

protected:
    QSize MinimumClientSize() override { return QSize(0, 0); }
    bool PassesMouseToDrag(QWidget *child) override;
    void GetCapabilities(bool &useStandardAlign, bool &cornerSizing, bool &clipCursor) override;
    void SizingStarted(kv::tb::TToolWindowHit edge) override;
    void SizingEnded(bool accepted) override;
    void AdjustSizingRect(QRect &newRect, const QRect &startRect) override;
    void PaintFloatingExtras(QPainter &p) override;
    void childEvent(QChildEvent *e) override;

private:
    void purgeItems();
    std::vector<QPointer<QWidget>> m_items;
    std::vector<WrapLine> m_wrapLines;
    int m_floatingRightX = 0;

    struct Candidate {
        QSize size;   // frame included
        int wrap;     // wrap width that gives it
    };
    struct SizingData {
        kv::tb::TToolWindowHit edge = kv::tb::htNowhere;
        std::vector<Candidate> candidates;
        int chosenWrap = 0;
        bool changed = false;
        int lastDirection = 0;
        int threshold = 12;
    };
    std::unique_ptr<SizingData> m_sizing;
    std::vector<Candidate> computeCandidates(kv::tb::TToolWindowHit edge);
};

class TToolbar : public TCustomToolbar {
    Q_OBJECT
public:
    using TCustomToolbar::TCustomToolbar;
};

class TToolbarSep : public QWidget {
    Q_OBJECT
public:
    explicit TToolbarSep(QWidget *toolbar);
    int SizeHorz() const { return m_sizeHorz; }
    void SetSizeHorz(int v);
    int SizeVert() const { return m_sizeVert; }
    void SetSizeVert(int v);
    bool Blank() const { return m_blank; }
    void SetBlank(bool v);

protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;

private:
    int m_sizeHorz = 6;
    int m_sizeVert = 6;
    bool m_blank = false;
};
