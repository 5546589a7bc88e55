#pragma once
// A test window laid out like the program's main window: four docks and the
// toolbar "Стандартная" with its nine buttons in the top dock.
#include "toolbars/dock.h"
#include "toolbars/toolbar.h"
#include "toolbars/toolbarbutton.h"
#include "widgets/imagelist.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QPainter>
#include <QTest>
#include <QWidget>

#include <memory>

using namespace kv::tb;

struct MainToolbarForm {
    std::unique_ptr<QWidget> form;
    TDock *dock1 = nullptr, *dock2 = nullptr, *dock3 = nullptr, *dock4 = nullptr;
    TToolbar *tbar = nullptr;
    kv::ImageList *images = nullptr;

    explicit MainToolbarForm(const QPoint &at = QPoint(40, 30), const QSize &size = QSize(700, 480), bool show = true)
    {
        form = std::make_unique<QWidget>();
        form->setObjectName(QStringLiteral("MainForm"));
        form->setWindowTitle(QStringLiteral("Раскрой листового материала"));
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPixelSize(11);
        form->setFont(font);
        auto *v = new QVBoxLayout(form.get());
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(0);
        dock1 = new TDock(form.get(), dpTop);
        dock1->setObjectName(QStringLiteral("Dock1"));
        dock1->SetBoundLines(blBottom);
        auto *h = new QHBoxLayout;
        h->setSpacing(0);
        dock3 = new TDock(form.get(), dpLeft);
        dock3->setObjectName(QStringLiteral("Dock3"));
        dock3->SetBoundLines(blRight);
        auto *central = new QWidget(form.get());
        central->setObjectName(QStringLiteral("Client"));
        central->setAutoFillBackground(true);
        QPalette pal = central->palette();
        pal.setColor(QPalette::Window, QColor(128, 128, 128));
        central->setPalette(pal);
        dock4 = new TDock(form.get(), dpRight);
        dock4->setObjectName(QStringLiteral("Dock4"));
        dock4->SetBoundLines(blLeft);
        dock2 = new TDock(form.get(), dpBottom);
        dock2->setObjectName(QStringLiteral("Dock2"));
        dock2->SetBoundLines(blTop);
        v->addWidget(dock1);
        h->addWidget(dock3);
        h->addWidget(central, 1);
        h->addWidget(dock4);
        v->addLayout(h, 1);
        v->addWidget(dock2);

        images = new kv::ImageList(16, 16, form.get());
        for (int i = 0; i < 60; ++i) {
            QImage img(16, 16, QImage::Format_ARGB32);
            img.fill(Qt::transparent);
            QPainter p(&img);
            p.setPen(Qt::black);
            p.setBrush(QColor::fromHsv((i * 37) % 360, 200, 220));
            p.drawRoundedRect(1, 1, 13, 13, 3, 3);
            p.end();
            images->add(img);
        }

        tbar = new TToolbar(dock1);
        tbar->setObjectName(QStringLiteral("tbarStandart"));
        tbar->SetCaption(QStringLiteral("Стандартная"));
        tbar->SetDockMode(dmCannotFloat);
        tbar->SetFullSize(true);
        tbar->SetDockPos(0);
        tbar->BeginLayoutUpdate();
        auto action = [this](const char *name, const QString &text, int image) {
            auto *a = new QAction(text, form.get());
            a->setObjectName(QString::fromLatin1(name));
            a->setProperty("ImageIndex", image);
            return a;
        };
        auto button = [this](const char *name, int w) {
            auto *b = new TToolbarButton(tbar);
            b->setObjectName(QString::fromLatin1(name));
            b->SetImages(images);
            b->SetLayout(blGlyphTop);
            b->SetSpacing(0);
            b->resize(w, 35);
            return b;
        };
        auto sep = [this](const char *name) {
            auto *s = new TToolbarSep(tbar);
            s->setObjectName(QString::fromLatin1(name));
        };
        button("tbNewGroup", 60)->SetAction(action("NewGroupAction", QStringLiteral("Новая"), 0));
        button("tbOpenGroup", 60)->SetAction(action("OpenGroupAction", QStringLiteral("Открыть"), 1));
        button("tbSaveGroup", 60)->SetAction(action("SaveGroupAction", QStringLiteral("Сохранить"), 2));
        sep("ToolbarSep1");
        button("tbAllMaterials", 85)->SetAction(action("AllMaterialsAction", QStringLiteral("Все материалы"), 30));
        sep("ToolbarSep5");
        auto *m = button("tbModels", 60);
        m->SetCaption(QStringLiteral("Модели"));
        m->SetImageIndex(55);
        sep("ToolbarSep4");
        auto *w = button("tbWareHouse", 60);
        w->SetCaption(QStringLiteral("Склад"));
        w->SetHint(QStringLiteral("Склад остатков и\r\nстандартных листов"));
        w->SetImageIndex(26);
        sep("ToolbarSep2");
        auto *pp = button("tbPageParam", 60);
        pp->SetCaption(QStringLiteral("Страница"));
        pp->SetHint(QStringLiteral("Параметры страницы"));
        pp->SetImageIndex(3);
        auto *ps = button("tbPrinterSetup", 60);
        ps->SetCaption(QStringLiteral("Принтер"));
        ps->SetHint(QStringLiteral("Параметры принтера"));
        ps->SetImageIndex(4);
        sep("ToolbarSep3");
        auto *ex = button("tbExit", 60);
        ex->SetCaption(QStringLiteral("Выход"));
        ex->SetHint(QStringLiteral("Выход из\r\nприложения"));
        ex->SetImageIndex(7);
        for (QWidget *b : tbar->findChildren<TToolbarButton *>())
            b->resize(b->objectName() == QLatin1String("tbAllMaterials") ? 85 : 60, 35);
        tbar->EndLayoutUpdate();
        tbar->Relayout();

        form->setGeometry(QRect(at, size));
        if (show) {
            form->show();
            QApplication::processEvents();
        }
    }

    template <class T = QWidget>
    T *find(const char *name) const
    {
        return form->findChild<T *>(QString::fromLatin1(name));
    }
};
