// What the status bars tell and where the list dialogs start, on Qt's
// offscreen platform: a status text too long for its bar is drawn cut and
// keeps its whole text as the bar's hint; a controller job's result stays in
// the main window after its dialog closes, and a mode change clears what the
// other mode's job said; the list dialogs have titles, start in one folder,
// the one the last list came from, and keep it in HayesKvd.ini, which may
// begin with a byte order mark.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <filesystem>

#include "app/ControllerDialog.h"
#include "app/HayesApplication.h"
#include "app/KeptChoices.h"
#include "app/ListFolder.h"
#include "app/MainWindow.h"
#include "base/TextForm.h"
#include "gui/Memo.h"
#include "gui/RadioGroup.h"
#include "gui/StatusText.h"
#include "sim/KvardController.h"
#include "sim/SimLine.h"
#include "support/Children.h"
#include "support/Input.h"
#include "support/Jobs.h"
#include "support/QtApp.h"
#include "support/ScriptedView.h"
#include "support/TempDir.h"

namespace hk {
namespace {

namespace fs = std::filesystem;

const QString kLongText = QStringLiteral(
    "Модем не ответил на строку 1 из 7 (ATZ) за 10 с: запись прервана. Записано 0 строк, "
    "ошибок 1: строка 1 ATZ (нет кода результата)");

sim::KvardOptions Kvard() {
    sim::KvardOptions o;
    o.kit = sim::KvardKit::Kvard47;
    o.netNumber = 10;
    o.baudRate = 9600;
    return o;
}

class Program : public ::testing::Test {
protected:
    Program() {
        test::EnsureQApplication();
        // Com4, ИРПС with echo, a searched number, kit КВАРД-47.
        test::TempDir::WriteAll(dir.File("HmK.Cfg"), {9, 3, 0, 0, 0, 0, 0, 3});
        kvard.SetBuffer(0, sim::KvardController::ModemLines({"ATZ", "ATS0=2"}));
        line.Attach(&kvard);
        Start();
    }
    void Start() {
        app.reset();
        app = std::make_unique<HayesApplication>(line, clock, view,
                                                 QString::fromStdString(dir.Dir()));
        app->Window().show();
        QCoreApplication::processEvents();
    }
    MainWindow& window() { return app->Window(); }
    template <class T = QWidget>
    T* W(const char* name) {
        return test::Child<T>(&window(), name);
    }
    StatusPanel* Panel() { return dynamic_cast<StatusPanel*>(W<QLabel>("SB1Panel0")); }
    void ChooseKit(int kit) {
        test::Press(W<QPushButton>("SBbuf"));
        auto* menu = W<QMenu>("PopupMenu1");
        menu->hide();
        menu->actions().at(kit)->trigger();
        QCoreApplication::processEvents();
    }

    test::TempDir dir;
    VirtualClock clock{1000};
    sim::SimLine line{clock};
    sim::KvardController kvard{Kvard()};
    test::ScriptedView view;
    std::unique_ptr<HayesApplication> app;
};

// --- Status texts ----------------------------------------------------------------

TEST_F(Program, AStatusTextTooLongForThePanelKeepsItsWholeTextAsTheHint) {
    ASSERT_NE(Panel(), nullptr);
    window().ShowRunStatus(kLongText);
    EXPECT_EQ(Panel()->text(), kLongText);
    EXPECT_TRUE(Panel()->ShownText().endsWith(QChar(0x2026)));
    EXPECT_LT(Panel()->fontMetrics().horizontalAdvance(Panel()->ShownText()),
              Panel()->contentsRect().width() + 1);
    EXPECT_EQ(Panel()->toolTip(), kLongText);
    // One that fits is drawn whole and needs no hint.
    window().ShowRunStatus(QStringLiteral("Записано 7 строк, ошибок 0"));
    EXPECT_EQ(Panel()->ShownText(), "Записано 7 строк, ошибок 0");
    EXPECT_TRUE(Panel()->toolTip().isEmpty());
}

TEST_F(Program, TheControllerDialogsStatusBarDoesTheSame) {
    auto* bar =
        dynamic_cast<StatusTextBar*>(test::Child<QStatusBar>(&app->Controller(), "StatusBar1"));
    ASSERT_NE(bar, nullptr);
    app->Controller().Prepare(3, TPortSettings{});
    const QString result = QStringLiteral(
        "Команда копирования буфер в РПЗУ  OK. Записано и проверено: буферы совпадают с "
        "записанным");
    bar->showMessage(result);
    EXPECT_EQ(bar->currentMessage(), result);
    EXPECT_NE(bar->ShownText(), result);
    EXPECT_EQ(bar->toolTip(), result);
    bar->showMessage(QStringLiteral("Повтор"));
    EXPECT_EQ(bar->ShownText(), "Повтор");
    EXPECT_TRUE(bar->toolTip().isEmpty());
}

// A read through "Подбор" closes the dialog by itself: what it said last
// stands in the main window's status bar, until the mode changes.
TEST_F(Program, TheControllerJobsResultStaysInTheMainWindowUntilTheModeChanges) {
    ChooseKit(3);
    QString lastSaid;
    QObject::connect(test::Child<QStatusBar>(&app->Controller(), "StatusBar1"),
                     &QStatusBar::messageChanged, [&](const QString& text) {
                         if (!text.isEmpty()) lastSaid = text;
                     });
    bool closedItself = false;
    test::OnNextModal([&](QWidget*) {
        test::Settle(*app);
        test::Child<RadioGroup>(&app->Controller(), "RadioGroup2")->SetItemIndex(0);  // Rs-232
        test::Press(test::Child<QPushButton>(&app->Controller(), "Button1"));
        test::Settle(*app);
        closedItself = !app->Controller().isVisible();
        if (!closedItself) app->Controller().reject();
        test::Settle(*app);
    });
    test::Press(W<QPushButton>("Button7"));
    test::Settle(*app);
    ASSERT_TRUE(closedItself);
    ASSERT_EQ(W<Memo>("Memo1")->Lines(), (QStringList{"ATZ", "ATS0=2", ""}));
    ASSERT_FALSE(lastSaid.isEmpty());
    EXPECT_EQ(Panel()->text(), lastSaid);
    // A hint over it comes and goes; the result comes back.
    QStatusTipEvent tip(W<QPushButton>("SBtk")->statusTip());
    QCoreApplication::sendEvent(W<QPushButton>("SBtk"), &tip);
    QStatusTipEvent none{QString()};
    QCoreApplication::sendEvent(W<QPushButton>("SBtk"), &none);
    EXPECT_EQ(Panel()->text(), lastSaid);
    // The modem side does not inherit it.
    test::Press(W<QPushButton>("SBtk"));
    EXPECT_TRUE(Panel()->text().isEmpty());
}

// The case: "Проверить модем", then "Настройка КВАРД".
TEST_F(Program, AModeChangeClearsWhatTheOtherModesJobSaid) {
    test::Press(W<QPushButton>("SBtk"));
    window().ShowRunStatus(QStringLiteral("Все 16 проверенных настроек совпадают"));
    ChooseKit(0);
    EXPECT_TRUE(Panel()->text().isEmpty());
    window().ShowRunStatus(QStringLiteral("Скорость обмена  OK"));
    test::Press(W<QPushButton>("SBbuf"));  // leaving the mode
    EXPECT_TRUE(Panel()->text().isEmpty());
    // A hint on show stays: the pointer is still on its control.
    test::Press(W<QPushButton>("SBtk"));
    window().ShowRunStatus(QStringLiteral("Записано 7 строк, ошибок 0"));
    QStatusTipEvent tip(W<QPushButton>("SBbuf")->statusTip());
    QCoreApplication::sendEvent(W<QPushButton>("SBbuf"), &tip);
    test::Press(W<QPushButton>("SBbuf"));
    W<QMenu>("PopupMenu1")->hide();
    EXPECT_EQ(Panel()->text(), W<QPushButton>("SBbuf")->statusTip());
    QStatusTipEvent none{QString()};
    QCoreApplication::sendEvent(W<QPushButton>("SBbuf"), &none);
    EXPECT_TRUE(Panel()->text().isEmpty());
}

// --- The list dialogs --------------------------------------------------------------

class ListDialogs : public Program {
protected:
    ListDialogs() {
        window().SetFileChooser([this](const FileDialogSetup& setup, bool save) {
            (save ? saves : opens).push_back(setup);
            return std::optional<std::string>(next);
        });
    }
    void Load() {
        test::Press(W<QPushButton>("Button1"));
        test::Settle(*app);
    }
    void Save() {
        test::Press(W<QPushButton>("Button4"));
        test::Settle(*app);
    }
    QString Native(const std::string& folder) {
        QString path = QDir::toNativeSeparators(QString::fromStdString(folder));
        while (path.endsWith(QDir::separator())) path.chop(1);
        return path;
    }
    QString StartOf(const FileDialogSetup& setup) {
        QString path = setup.InitialDir;
        while (path.endsWith(QDir::separator())) path.chop(1);
        return path;
    }

    std::vector<FileDialogSetup> opens, saves;
    std::string next;
};

TEST_F(ListDialogs, HaveTitlesAndStartTogetherWhereTheLastListCameFrom) {
    test::Press(W<QPushButton>("SBtk"));
    fs::create_directories(dir.Path() / "lists");
    const std::string list = dir.File("lists/mine.n2");
    test::TempDir::WriteAll(list, {'A', 'T', 'Z', '\r', '\n'});
    next = list;
    Load();
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0].Title, "Прочитать список из файла");
    // Beside the program: the portable program keeps the lists there.
    EXPECT_EQ(StartOf(opens[0]), Native(dir.Dir()));
    EXPECT_EQ(W<Memo>("Memo1")->Lines(), QStringList{"ATZ"});

    next = dir.File("lists/copy.n2");
    Save();
    ASSERT_EQ(saves.size(), 1u);
    EXPECT_EQ(saves[0].Title, "Сохранить список в файле");
    EXPECT_EQ(StartOf(saves[0]), Native(dir.Dir() + "lists"));
    EXPECT_TRUE(fs::exists(dir.Path() / "lists" / "copy.n2"));

    // Kept from one run to the next, for both dialogs.
    Start();
    window().SetFileChooser([this](const FileDialogSetup& setup, bool save) {
        (save ? saves : opens).push_back(setup);
        return std::optional<std::string>();
    });
    test::Press(W<QPushButton>("SBtk"));
    Load();
    W<Memo>("Memo1")->AddLine("ATZ");
    Save();
    EXPECT_EQ(StartOf(opens.back()), Native(dir.Dir() + "lists"));
    EXPECT_EQ(StartOf(saves.back()), Native(dir.Dir() + "lists"));
    // A folder that is gone leaves the default.
    fs::remove_all(dir.Path() / "lists");
    Load();
    EXPECT_EQ(StartOf(opens.back()), Native(dir.Dir()));
}

// Not in the hidden data folder of a program that keeps the operator's
// files in the user's folders: the user's Documents.
TEST(ListFolder, StartsInTheKeptFolderElseWhereTheOperatorsListsBelong) {
    const auto all = [](const QString&) { return true; };
    const auto none = [](const QString&) { return false; };
    EXPECT_EQ(StartFolder("D:/lists", false, "C:/prog/", "C:/Users/Иван/Documents", all),
              "D:/lists");
    EXPECT_EQ(StartFolder("", false, "C:/prog/", "C:/Users/Иван/Documents", all),
              "C:/Users/Иван/Documents");
    EXPECT_EQ(StartFolder("", true, "C:/prog/", "C:/Users/Иван/Documents", all), "C:/prog/");
    EXPECT_EQ(StartFolder("D:/lists", false, "C:/prog/", "C:/Users/Иван/Documents", none),
              "C:/prog/");
    EXPECT_EQ(StartFolder("", false, "C:/prog/", "", all), "C:/prog/");
}

// Notepad's "UTF-8 with BOM" before the first section.
TEST_F(Program, KeptChoicesAreReadFromAFileThatBeginsWithAByteOrderMark) {
    const std::string_view ini =
        "\xEF\xBB\xBF[modem]\r\ncheckAfterRun=true\r\n[write]\r\nverify=false\r\n";
    ASSERT_TRUE(HasByteOrderMark(ini));
    app.reset();
    test::TempDir::WriteAll(dir.File("HayesKvd.ini"),
                            std::vector<unsigned char>(ini.begin(), ini.end()));
    Start();
    EXPECT_TRUE(W<QCheckBox>("CheckAfterRunBox")->isChecked());
    EXPECT_FALSE(test::Child<QCheckBox>(&app->Controller(), "VerifyBox")->isChecked());
}

}  // namespace
}  // namespace hk
