#include "app/common/detalnames.h"
#include "app/common/optionform.h"
#include "app/common/smalldialogs.h"
#include "app/shell/about.h"
#include "app/tests/appfixture.h"
#include "platform/error.h"
#include "controls/spinedit.h"
#include "data/models/modelfiles.h"
#include "memdata/memdata.h"
#include "platform/ini.h"
#include "platform/ui.h"

#ifndef Q_OS_WIN
#include <pwd.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QPixmap>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolButton>

namespace {

template <class T>
T *child(QWidget &w, const char *name)
{
    T *c = w.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

int clickOk(QDialog &d, const char *button = "bbOk")
{
    d.findChild<QPushButton *>(QString::fromLatin1(button))->click();
    return d.result();
}

TEST(InputName, OkOnlyWithTextAndTheTextTrimmed)
{
    struct Case { QString typed; bool okEnabled; bool result; QString out; };
    const Case cases[] = {
        {"   ", false, false, "исходное"},
        {"", false, false, "исходное"},
        {"  Кухня  ", true, true, "Кухня"},
        {"Шкаф купе", true, true, "Шкаф купе"},
    };
    kv::test::FakeUi ui;
    for (const Case &c : cases) {
        bool enabled = false;
        const auto hook = kv::test::ScopedSet(ui.onModal, [&](QDialog &d) {
            auto *edit = d.findChild<QLineEdit *>("edName");
            edit->setText(c.typed);
            auto *ok = d.findChild<QPushButton *>("bbOk");
            enabled = ok->isEnabled();
            return enabled ? clickOk(d) : int(QDialog::Rejected);
        });
        QString text = "исходное";
        EXPECT_EQ(InputNameDialog(ui, text), c.result) << c.typed.toStdString();
        EXPECT_EQ(enabled, c.okEnabled);
        EXPECT_EQ(text, c.out);
    }
    // Checked at once when the dialog comes up with blanks.
    TInputNameForm blank("  ");
    EXPECT_FALSE(blank.bbOk()->isEnabled());
}

TEST(DetalNames, SortedInAlphabetOrderAndWrittenBackInTableOrder)
{
    AppFixture app;
    kv::TIniFile &ini = app.ini();
    ini.WriteString("Detal_Name", "1", "Шкаф");
    ini.WriteString("Detal_Name", "2", "арка");
    ini.WriteString("Detal_Name", "3", "Дверь");
    ini.WriteString("Detal_Name", "4", "Ёмкость");
    ini.WriteString("Detal_Name", "5", "Еловая");
    ini.WriteString("Detal_Name", "6", "Жалюзи");
    {
        TfrmDetalNames dlg(app.ui, ini);
        EXPECT_EQ(dlg.Names(), QStringList({"арка", "Дверь", "Еловая", "Ёмкость", "Жалюзи", "Шкаф"}));
        dlg.mdNames()->First();
        dlg.mdNames()->Next();
        dlg.bbDeleteClick();   // "Дверь"
        dlg.SaveNames();
    }
    EXPECT_EQ(ini.ReadSectionValues("Detal_Name"),
              QStringList({"1=арка", "2=Еловая", "3=Ёмкость", "4=Жалюзи", "5=Шкаф"}));
    // Cancel writes nothing.
    {
        const auto hook = kv::test::ScopedSet(app.ui.onModal, [](QDialog &d) {
            static_cast<TfrmDetalNames &>(d).bbDeleteClick();
            return clickOk(d, "bbCancel");
        });
        EXPECT_FALSE(EditDetalNames(app.ui, ini));
    }
    EXPECT_EQ(ini.ReadSectionValues("Detal_Name").size(), 5);
}

TEST(NotPresentModels, ListedOnceWrittenInFull)
{
    AppFixture app;
    const QStringList names = {"Шкаф", "Стол", "шкаф"};
    const QList<int> counts = {2, 4, 1};
    EXPECT_EQ(DistinctModelNames(names), QStringList({"Шкаф", "Стол"}));

    struct Case { bool create; bool written; };
    for (const Case &c : {Case{false, false}, Case{true, true}, Case{true, true}}) {
        QString memo;
        const auto hook = kv::test::ScopedSet(app.ui.onModal, [&](QDialog &d) {
            memo = d.findChild<QPlainTextEdit *>("mmModels")->toPlainText();
            EXPECT_TRUE(d.findChild<QRadioButton *>("rbIgnore")->isChecked());   // the preset
            if (c.create) d.findChild<QRadioButton *>("rbCreateFile")->setChecked(true);
            return clickOk(d);
        });
        const QString file = ShowNotPresentModels(app.ui, names, counts, app.paths.AutoRunFolder());
        EXPECT_EQ(memo, "Шкаф\nСтол");
        EXPECT_EQ(!file.isEmpty(), c.written);
    }
    // Two files, the first free names, never one over the other.
    const kv::TIniFile first(app.paths.AutoRunFolder() + "tmp0.kmx");
    const kv::TIniFile second(app.paths.AutoRunFolder() + "tmp1.kmx");
    EXPECT_TRUE(QFile::exists(second.FileName()));
    EXPECT_EQ(first.ReadInteger("MODELS", "COUNT", 0), 3);
    EXPECT_EQ(first.ReadString("MODELS", "1", ""), "Шкаф,2");
    EXPECT_EQ(first.ReadString("MODELS", "3", ""), "шкаф,1");
    const QString quoted = WriteNotPresentModelsFile(app.paths.AutoRunFolder(), {"Шкаф \"Лайт\", белый"}, {1});
    EXPECT_EQ(kv::TIniFile(quoted).ReadString("MODELS", "1", ""), "\"Шкаф \"\"Лайт\"\", белый\",1");
    // What the models base reads back from "AutoRun\" at the next start.
    EXPECT_EQ(kv::ReadModelListFile(quoted), (QList<kv::ModelListEntry>{{"Шкаф \"Лайт\", белый", 1}}));
    // A folder that cannot take the file: refused, nothing left behind.
    EXPECT_THROW(WriteNotPresentModelsFile(app.paths.AutoRunFolder() + "no/such/", {"Стол"}, {1}), kv::Error);
}

TEST(SmallDialogs, MergeQuantityAndWait)
{
    TMergeForm merge;
    EXPECT_EQ(merge.windowTitle(), "Слияние");
    EXPECT_EQ(merge.seCount()->MinValue(), 1);
    EXPECT_EQ(merge.seCount()->MaxValue(), 100);
    kv::test::FakeUi ui;
    ui.onModal = [](QDialog &d) { return clickOk(d, "bbYes"); };
    merge.SetCount(3);
    EXPECT_EQ(ui.runModal(merge), QDialog::Accepted);
    EXPECT_TRUE(merge.Confirmed());
    EXPECT_EQ(merge.Count(), 3);

    TfrmChangeQuantity q;
    EXPECT_EQ(q.seQuantity()->MaxValue(), 2147483647.0);
    q.SetQuantity(12);
    q.show();
    QApplication::processEvents();
    EXPECT_EQ(q.seQuantity()->selectedText(), "12");
    q.close();

    TfrmWait wait;
    EXPECT_FALSE(wait.Animating());
    wait.show();
    EXPECT_TRUE(wait.Animating());
    wait.hide();
    EXPECT_FALSE(wait.Animating());
}

TEST(About, MemoryFiguresFromMeminfo)
{
    const QString meminfo = "MemTotal:        8388608 kB\nMemFree:          100000 kB\n"
                            "MemAvailable:    2097152 kB\nSwapTotal:       1048576 kB\nSwapFree:         524288 kB\n";
    const MemoryStatus m = ParseMemInfo(meminfo);
    EXPECT_EQ(m.totalPhys, 8589934592ull);
    EXPECT_EQ(m.availPhys, 2147483648ull);
    EXPECT_EQ(m.load, 75);
    TfrmAbout about;
    about.ShowMemoryStatus(m);
    EXPECT_EQ(about.Value("lbTotalPhys"), "8192.000 МБайт");
    EXPECT_EQ(about.Value("lbAvailVirtual"), "2560.000 МБайт");
    EXPECT_EQ(about.Value("lbMemoryLoad"), "75 %");
    EXPECT_FALSE(about.Value("lbOSVersion").isEmpty());
    EXPECT_EQ(ParseMemInfo("MemTotal: 1024 kB\nMemFree: 512 kB\n").availPhys, 524288ull);   // no MemAvailable
}

// The user is the account's, also when the environment names nobody.
TEST(About, UserNameComesFromTheAccount)
{
#ifndef Q_OS_WIN
    if (!getpwuid(geteuid())) GTEST_SKIP() << "the user id has no account here";
#endif
    const QString account = GetUserNameText();
    EXPECT_FALSE(account.isEmpty());
    const QByteArray user = qgetenv("USER"), logname = qgetenv("LOGNAME");
    qunsetenv("USER");
    qunsetenv("LOGNAME");
    EXPECT_EQ(GetUserNameText(), account);
    TfrmAbout about;
    EXPECT_EQ(about.Value("lbUserName"), account.left(50));
    if (!user.isNull()) qputenv("USER", user);
    if (!logname.isNull()) qputenv("LOGNAME", logname);
}

struct OptionsFixture
{
    AppFixture app;
    TOptionForm form{app.ui, *app.settings};
    OptionsFixture()
    {
        form.BorderList = [] { return QList<TOptionForm::CodeName>{{3, "Кромка ПВХ"}, {5, "Кромка меламин"}}; };
        form.MaterialList = [] { return QList<TOptionForm::CodeName>{{7, "ЛДСП Бук"}, {2, "ДВП"}}; };
    }
    kv::TIniFile &ini() { return app.ini(); }
    bool run(const std::function<void(TOptionForm &)> &edit, bool all = true, const char *button = "bbOk")
    {
        const auto hook = kv::test::ScopedSet(app.ui.onModal, [&](QDialog &d) {
            edit(static_cast<TOptionForm &>(d));
            return clickOk(d, button);
        });
        return form.Execute(all);
    }
};

TEST(OptionForm, NoEdgeBandingKeepsTheEdgesReleased)
{
    OptionsFixture f;
    f.ini().WriteInteger("Border", "LBorder", 3);
    f.ini().WriteInteger("Border", "DefBorder", 0);
    f.app.settings->LoadDefBorder();
    EXPECT_TRUE(f.run([](TOptionForm &d) {
        auto *borders = d.findChild<QComboBox *>("cbBorders");
        EXPECT_EQ(borders->currentText(), "<нет>");
        EXPECT_EQ(borders->count(), 3);
        auto *left = d.findChild<QToolButton *>("LeftBorder");
        EXPECT_FALSE(left->isChecked());
        left->click();
        EXPECT_FALSE(left->isChecked());   // cannot be pressed without an edge banding
    }));
    for (const char *k : {"LBorder", "RBorder", "TBorder", "BBorder", "DefBorder"})
        EXPECT_EQ(f.ini().ReadString("Border", k, "?"), "0") << k;
}

TEST(OptionForm, EdgeButtonsTakeTheSelectedBanding)
{
    OptionsFixture f;
    f.ini().WriteInteger("Border", "DefBorder", 5);
    f.ini().WriteInteger("Border", "TBorder", 5);
    f.app.settings->LoadDefBorder();
    EXPECT_TRUE(f.run([](TOptionForm &d) {
        auto *borders = d.findChild<QComboBox *>("cbBorders");
        EXPECT_EQ(borders->currentText(), "Кромка меламин");
        EXPECT_TRUE(d.findChild<QToolButton *>("TopBorder")->isChecked());
        // Pressed and released edges look clearly different: a dark bar against a light one.
        auto *left = d.findChild<QToolButton *>("LeftBorder");
        auto middle = [left] {
            const QImage img = left->grab().toImage();
            return qGray(img.pixel(img.width() / 2, img.height() / 2));
        };
        const int released = middle();
        left->click();
        EXPECT_GT(released - middle(), 100) << released;
        borders->setCurrentIndex(1);
        d.cbBordersChange();
    }));
    EXPECT_EQ(f.ini().ReadInteger("Border", "LBorder", -1), 3);
    EXPECT_EQ(f.ini().ReadInteger("Border", "TBorder", -1), 3);
    EXPECT_EQ(f.ini().ReadInteger("Border", "RBorder", -1), 0);
    EXPECT_EQ(f.ini().ReadInteger("Border", "DefBorder", -1), 3);
    EXPECT_EQ(f.app.settings->DefBorder(), 3);
}

TEST(OptionForm, OutOfRangeValuesShowTheirDefaultsAndOkWritesThem)
{
    struct Case { const char *section; const char *key; const char *stored; const char *control; const char *written; };
    const Case cases[] = {
        {"Default", "Optimization", "7", "rgpOptimization0", "0"},
        {"Default", "Optimization", "2", "rgpOptimization2", "2"},
        {"Default", "Technics", "1", "RBPropilLen", "1"},
        {"Default", "Technics", "9", nullptr, "9"},   // none checked: not written
        {"SheetParams", "MillState", "5", "rgMillLines0", "0"},
        {"SheetParams", "MillState", "-1", "rgMillLines0", "0"},
        {"SheetParams", "MillState", "2", "rgMillLines2", "2"},
        {"Rotate", "Default", "3", "RGRotate0", "0"},
        {"Rotate", "Default", "-2", "RGRotate0", "0"},
        {"Rotate", "Default", "1", "RGRotate1", "1"},
    };
    for (const Case &c : cases) {
        OptionsFixture f;
        f.ini().WriteString(c.section, c.key, c.stored);
        EXPECT_TRUE(f.run([&](TOptionForm &d) {
            if (c.control) {
                EXPECT_TRUE(d.findChild<QRadioButton *>(c.control)->isChecked()) << c.key << c.stored;
            } else {
                for (const char *r : {"RBTechNotUsed", "RBPropilLen", "RBMultyMill"})
                    EXPECT_FALSE(d.findChild<QRadioButton *>(r)->isChecked());
            }
        }));
        EXPECT_EQ(f.ini().ReadString(c.section, c.key, ""), c.written) << c.key << c.stored;
    }
}

TEST(OptionForm, TypedNumbersAreCheckedAndRounded)
{
    OptionsFixture f;
    f.ini().WriteInteger("Default", "Technics", 1);
    // A limit typed as text is refused with a message and the dialog stays.
    {
        kv::test::ScopedAnswers answers(f.app.ui);
        EXPECT_FALSE(f.run([](TOptionForm &d) { d.findChild<QLineEdit *>("EditPropilLen")->setText("abc"); }));
        ASSERT_EQ(answers.shown().size(), 1u);
        EXPECT_EQ(answers.shown()[0].kind, kv::MsgKind::Error);
        EXPECT_EQ(f.form.pcOptions()->currentWidget()->objectName(), "tsTechnology");
        EXPECT_FALSE(f.ini().ValueExists("Default", "PropilLen"));
    }
    EXPECT_TRUE(f.run([](TOptionForm &d) {
        d.findChild<QLineEdit *>("EditPropilLen")->setText(" 2500 ");
        d.findChild<TExSpinEdit *>("seMill")->setValue(3.5);
        d.findChild<TExSpinEdit *>("LeftIndent")->setValue(12.5);
        d.findChild<QComboBox *>("cbxMaterial")->setCurrentIndex(0);
    }));
    EXPECT_EQ(f.ini().ReadInteger("Default", "PropilLen", 0), 2500);
    EXPECT_EQ(f.ini().ReadInteger("Default", "Mill", 0), 4);      // halves to even
    EXPECT_EQ(f.ini().ReadInteger("Default", "LIndent", 0), 12);
    EXPECT_EQ(f.ini().ReadInteger("Default", "DefMaterial", -1), 2);   // "ДВП" sorts first
}

TEST(OptionForm, AMapFontWithoutASizeShowsAndKeepsTheDefaultSize)
{
    OptionsFixture f;
    f.ini().WriteInteger("SheetParams", "FontSize", 0);
    EXPECT_TRUE(f.run([](TOptionForm &d) { EXPECT_EQ(d.findChild<QLabel *>("lbExample")->font().pointSize(), 8); }));
    EXPECT_EQ(f.ini().ReadInteger("SheetParams", "FontSize", 0), 8);
}

TEST(OptionForm, CuttingOptionsShowTwoPagesAndStillWriteTheOthers)
{
    OptionsFixture f;
    f.ini().WriteInteger("Default", "LenDigits", 4);
    kv::SetNumberDigits(4, 3);
    f.ini().WriteInteger("Default", "DefMaterial", 7);
    f.ini().WriteBool("Default", "PrintDetalBorders", true);
    EXPECT_TRUE(f.run([](TOptionForm &d) {
        QTabWidget *pages = d.pcOptions();
        EXPECT_FALSE(pages->isTabVisible(0));
        EXPECT_FALSE(pages->isTabVisible(1));
        EXPECT_EQ(pages->currentWidget()->objectName(), "tsResults");
        EXPECT_EQ(d.findChild<QComboBox *>("cbxMaterial")->currentText(), "ЛДСП Бук");
    }, false));
    EXPECT_TRUE(f.form.pcOptions()->isTabVisible(0));   // back for the main menu
    EXPECT_EQ(f.ini().ReadInteger("Default", "LenDigits", 0), 4);
    EXPECT_EQ(f.ini().ReadInteger("Default", "DefMaterial", 0), 7);
    EXPECT_TRUE(f.ini().ReadBool("Default", "PrintDetalBorders", false));
    EXPECT_EQ(f.ini().ReadString("SheetParams", "FontName", ""), "MS Sans Serif");
    EXPECT_EQ(f.ini().ReadInteger("Default", "SheetColor", 0), int(0x8000000C));
    kv::SetNumberDigits(2, 3);

    // Cancel writes nothing.
    OptionsFixture g;
    EXPECT_FALSE(g.run([](TOptionForm &d) { d.findChild<QCheckBox *>("CBShowName")->setChecked(false); }, true,
                       "bbCancel"));
    EXPECT_FALSE(g.ini().ValueExists("Default", "ShowName"));
}

} // namespace
