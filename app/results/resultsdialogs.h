#pragma once
// The small dialogs of the results window: the off-cut code and the element
// colours. Tests answer them through their hooks instead of showing them.
#include "data/maps/mapdoc.h"

#include <QDialog>

#include <array>
#include <functional>

class QLineEdit;
class QLabel;

class TfrmChangeScrapName : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmChangeScrapName(QWidget *parent = nullptr);
    QLineEdit *edScrapName;

    // Shows the dialog with `name`; true and the new code on OK.
    static bool Execute(QWidget *parent, QString &name);
    // Answers instead of the user (tests): return the dialog's result.
    using Hook = std::function<int(TfrmChangeScrapName &)>;
    static Hook SetHook(Hook hook);

protected:
    void showEvent(QShowEvent *e) override;
};

// "Дополнительные настройки": five colour swatches.
class TfrmAdvResult : public QDialog
{
    Q_OBJECT

public:
    enum Element { Sheet, Detal, LostScrap, Scrap, Mill, ElementCount };
    explicit TfrmAdvResult(QWidget *parent = nullptr);

    kv::MapColor ElementColor(Element e) const { return m_colors[size_t(e)]; }
    void SetElementColor(Element e, kv::MapColor c);
    void SetColors(const kv::MapColors &c);
    // The five colours into `c`; the edge-banding colour stays.
    void GetColors(kv::MapColors &c) const;
    QWidget *Swatch(Element e) const { return m_swatches[size_t(e)]; }

    // The colour dialog, preset to the swatch's colour (tests replace it).
    using ColorChooser = std::function<bool(kv::MapColor &color, QWidget *parent)>;
    static ColorChooser SetColorChooser(ColorChooser chooser);

public slots:
    void ChangeElementColor(int element);

protected:
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    std::array<kv::MapColor, ElementCount> m_colors{};
    std::array<QWidget *, ElementCount> m_swatches{};
};
