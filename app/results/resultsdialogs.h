#pragma once
// The small dialogs of the results window: the off-cut code and the element
// colours.
#include "data/maps/mapdoc.h"

#include <QDialog>

#include <array>
#include <functional>

class QLineEdit;
class QLabel;
namespace kv {
class Ui;
}

class TfrmChangeScrapName : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmChangeScrapName(QWidget *parent = nullptr);
    QLineEdit *edScrapName;

    // Shows the dialog with `name` through `ui`; true and the new code on OK.
    static bool Execute(kv::Ui &ui, QWidget *parent, QString &name);

protected:
    void showEvent(QShowEvent *e) override;
};

// "Дополнительные настройки": five colour swatches.
class TfrmAdvResult : public QDialog
{
    Q_OBJECT

public:
    enum Element { Sheet, Detal, LostScrap, Scrap, Mill, ElementCount };
    // `ui` runs the colour dialog.
    explicit TfrmAdvResult(kv::Ui &ui, QWidget *parent = nullptr);

    kv::MapColor ElementColor(Element e) const { return m_colors[size_t(e)]; }
    void SetElementColor(Element e, kv::MapColor c);
    void SetColors(const kv::MapColors &c);
    // The five colours into `c`; the edge-banding colour stays.
    void GetColors(kv::MapColors &c) const;
    QWidget *Swatch(Element e) const { return m_swatches[size_t(e)]; }


public slots:
    void ChangeElementColor(int element);

protected:
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    kv::Ui &m_ui;
    std::array<kv::MapColor, ElementCount> m_colors{};
    std::array<QWidget *, ElementCount> m_swatches{};
};
