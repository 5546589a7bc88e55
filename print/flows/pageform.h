#pragma once
// The page margins dialog: four margins in millimetres. It has no behaviour
// of its own: callers put the margins in, show it and read them back only
// after OK.
#include <QDialog>

class QPushButton;
class TExSpinEdit;
namespace kv {
class Ui;
}

class TPageForm : public QDialog
{
    Q_OBJECT
public:
    // `ui` runs the dialog.
    explicit TPageForm(kv::Ui &ui, QWidget *parent = nullptr);

    TExSpinEdit *TopFld, *LeftFld, *RightFld, *BottomFld;
    QPushButton *BBOk, *BBCancel;

    // The caller's protocol: the margins in (left, right, top, bottom), shown
    // modally, and on OK the rounded values back; false (nothing changed) otherwise.
    bool Edit(int margins[4]);

private:
    kv::Ui &m_ui;
};
