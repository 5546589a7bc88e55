#pragma once
// The splash window of the start: a picture area and one label that names
// the stage the start has reached.
#include <QWidget>

class QLabel;

class TfrmStart : public QWidget
{
    Q_OBJECT

public:
    explicit TfrmStart(QWidget *parent = nullptr);

    // Writes the stage into the label and paints it now.
    void SetStage(const QString &text);
    QString Stage() const;

private:
    QLabel *m_label;
};
