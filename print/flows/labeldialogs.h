#pragma once
// The two sticker dialogs: parts ("Печать ярлычков деталей") and off-cuts
// ("Печать ярлычков остатков"). The window that asks for stickers fills the
// lists; the user chooses size, lines, alignment, frame, wrap, font and page
// margins, kept in the settings file; stickers are tiled over the page by
// "Reports\ScrapsLbl.rpf", one per list entry.
#include "print/flows/printflow.h"
#include "print/stats/labels.h"

#include <QDialog>
#include <QFont>
#include <QHash>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class TExSpinEdit;
class TrpUserDataset;
class TrpValue;

class TfrmPrintLabel : public QDialog
{
    Q_OBJECT
public:
    QPushButton *bbPrint, *bbCancel, *bbFont, *bbPageParams;
    QGroupBox *gbxDim, *gbxText, *rgrAlignment;
    TExSpinEdit *seWidth, *seHeight;
    QCheckBox *cbxName, *cbxDim, *cbxMaterial, *cbxComment, *cbxBorders;   // cbxBorders: parts only
    QRadioButton *rbAlignment[3];
    QCheckBox *cbDrawBorder, *cbxWordWrap;
    TrpUserDataset *rpsrcLabels;

    // The controls as settings, and back.
    kv::LabelSettings CurrentSettings() const;
    void ApplySettings(const kv::LabelSettings &s);
    int AlignmentIndex() const;   // -1 when none is chosen
    QFont LabelFont() const { return m_font; }

    virtual int StickerCount() const = 0;
    virtual QString StickerText(int i, const kv::LabelSettings &s) const = 0;
    bool repLabelsGetValue(const QString &name, TrpValue &value);

public slots:
    void FormShow();
    void FormClose();
    void bbFontClick();
    void bbPageParamsClick();
    void bbPrintClick();

protected:
    TfrmPrintLabel(kv::PrintContext ctx, bool parts, QWidget *parent);
    void showEvent(QShowEvent *e) override;
    void done(int r) override;
    virtual void ClearLists() = 0;

    kv::PrintContext m_ctx;
    bool m_parts;
    QString m_section;
    QFont m_font;
    int m_charset = 204;
    int m_index = 0;   // sticker of the report pass
    kv::LabelSettings m_printing;   // what the report pass prints
    QHash<QString, QString> m_cut;  // sticker texts cut to what a sticker holds
};

class TfrmPrintDetalsLabel : public TfrmPrintLabel
{
    Q_OBJECT
public:
    explicit TfrmPrintDetalsLabel(kv::PrintContext ctx, QWidget *parent = nullptr);
    kv::DetalLabelLists &Lists() { return m_lists; }
    int StickerCount() const override { return m_lists.count(); }
    QString StickerText(int i, const kv::LabelSettings &s) const override { return kv::DetalLabelText(m_lists, i, s); }

protected:
    void ClearLists() override { m_lists.clear(); }

private:
    kv::DetalLabelLists m_lists;
};

class TfrmPrintScrapsLabel : public TfrmPrintLabel
{
    Q_OBJECT
public:
    explicit TfrmPrintScrapsLabel(kv::PrintContext ctx, QWidget *parent = nullptr);
    kv::ScrapsLabelLists &Lists() { return m_lists; }
    int StickerCount() const override { return m_lists.count(); }
    QString StickerText(int i, const kv::LabelSettings &s) const override { return kv::ScrapLabelText(m_lists, i, s); }

protected:
    void ClearLists() override { m_lists.clear(); }

private:
    kv::ScrapsLabelLists m_lists;
};

// The dialogs for one use: filled by `fill`, shown modally, released.
void ExecuteDetalsLabels(kv::PrintContext ctx, const std::function<void(kv::DetalLabelLists &)> &fill, QWidget *parent);
void ExecuteScrapsLabels(kv::PrintContext ctx, const std::function<void(kv::ScrapsLabelLists &)> &fill, QWidget *parent);
