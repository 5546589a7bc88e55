#include "app/shell/splash.h"

#include "app/shell/startupstages.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

TfrmStart::TfrmStart(QWidget *parent) : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmStart"));
    auto *frame = new QFrame(this);
    frame->setFrameShape(QFrame::Box);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(frame);
    auto *lay = new QVBoxLayout(frame);
    auto *title = new QLabel(QStringLiteral("Программа раскроя листового материала"), frame);
    title->setObjectName(QStringLiteral("lbTitle"));
    QFont f = title->font();
    f.setPointSize(f.pointSize() + 4);
    f.setBold(true);
    title->setFont(f);
    title->setAlignment(Qt::AlignCenter);
    m_label = new QLabel(frame);
    m_label->setObjectName(QStringLiteral("lbStage"));
    m_label->setAlignment(Qt::AlignCenter);
    lay->addStretch();
    lay->addWidget(title);
    lay->addStretch();
    lay->addWidget(m_label);
    resize(420, 200);
    if (QScreen *s = QApplication::primaryScreen()) move(s->availableGeometry().center() - rect().center());
}

void TfrmStart::SetStage(const QString &text)
{
    m_label->setText(text);
    kv::StartupStep(QStringLiteral("stage:") + text);
    if (isVisible()) m_label->repaint();
}

QString TfrmStart::Stage() const
{
    return m_label->text();
}
