// The main window on Qt's offscreen platform, grouped by state: start, modem
// mode, controller mode per kit, the kit menu, the controller dialog's
// preparation, the write and release questions, the trace switch.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <filesystem>

#include "app/ControllerDialog.h"
#include "app/HayesApplication.h"
#include "app/HelpViewer.h"
#include "app/LogWindow.h"
#include "app/MainWindow.h"
#include "base/TextForm.h"
#include "gui/Memo.h"
#include "gui/RadioGroup.h"
#include "log/ExchangeLog.h"
#include "sim/SimLine.h"
#include "support/Children.h"
#include "support/Input.h"
#include "support/Jobs.h"
#include "support/QtApp.h"
#include "support/ScriptedView.h"
#include "support/TempDir.h"

namespace hk {
namespace {

using Box = test::ScriptedView::Box;

class Window : public ::testing::Test {
protected:
    explicit Window(std::vector<unsigned char> settings = {}) {
        test::EnsureQApplication();
        if (!settings.empty()) test::TempDir::WriteAll(dir.File("HmK.Cfg"), settings);
        app = std::make_unique<HayesApplication>(line, clock, view,
                                                 QString::fromStdString(dir.Dir()));
        window().show();
        QCoreApplication::processEvents();
    }
    MainWindow& window() { return app->Window(); }
    template <class T = QWidget>
    T* W(const char* name) {
        return test::Child<T>(&window(), name);
    }
    template <class T = QWidget>
    T* InDialog(const char* name) {
        return test::Child<T>(&app->Controller(), name);
    }
    MainState& state() { return app->State(); }

    // Presses a mode button as the operator does (it toggles, then the handler runs).
    void Press(QPushButton* b) { test::Press(b); }
    void ChooseKit(int kit) {
        if (W<QPushButton>("SBbuf")->isChecked()) Press(W<QPushButton>("SBbuf"));  // release first
        Press(W<QPushButton>("SBbuf"));
        QAction* item = W<QMenu>("PopupMenu1")->actions().at(kit);
        W<QMenu>("PopupMenu1")->hide();
        item->trigger();
    }
    std::vector<QWidget*> Visible() {
        std::vector<QWidget*> out;
        for (QWidget* w : W("Panel1")->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isVisible()) out.push_back(w);
        return out;
    }
    std::set<QString> VisibleNames() {
        std::set<QString> out;
        for (QWidget* w : Visible()) out.insert(w->objectName());
        return out;
    }

    test::TempDir dir;
    VirtualClock clock;
    sim::SimLine line{clock};
    test::ScriptedView view;
    std::unique_ptr<HayesApplication> app;
};

TEST_F(Window, StartShowsOnlyTheTopButtonsTheSeparatorAndTheVersionLabel) {
    EXPECT_EQ(window().windowTitle(), "Программа настройки Hayes-модемов для работы с КВАРД v 1.5");
    EXPECT_EQ(VisibleNames(), (std::set<QString>{"SBtk", "SBbuf", "RecordsButton", "LogButton",
                                                 "SpeedButton1", "SBEx", "Bevel1", "Label8"}));
    EXPECT_EQ(W<QLabel>("Label8")->y(), 80);  // Memo1's top + 5
    EXPECT_EQ(window().HelpContext(), 2);
    EXPECT_EQ(state().WorkMode, kNoMode);
    EXPECT_FALSE(state().ModemMode);
    EXPECT_FALSE(W<QLabel>("SB1Panel1")->text().isEmpty());  // the clock shows at once
    // Design bounds of the top row and the memos' design places.
    EXPECT_EQ(W<QPushButton>("SBtk")->geometry(), QRect(3, 3, 150, 25));
    EXPECT_EQ(W<QPushButton>("SBEx")->geometry(), QRect(573, 3, 75, 25));
    EXPECT_EQ(W<QPushButton>("Button8")->geometry(), QRect(2, 395, 158, 25));
    EXPECT_EQ(W<Memo>("Memo1")->geometry(), QRect(162, 75, 480, 123));
}

TEST_F(Window, HintsGoToTheFirstStatusPanelNeverToToolTips) {
    QStatusTipEvent tip(W<QPushButton>("SBtk")->statusTip());
    QCoreApplication::sendEvent(W<QPushButton>("SBtk"), &tip);
    EXPECT_EQ(W<QLabel>("SB1Panel0")->text(), "Ввод и просмотр настроек Hayes-модема для КВАРД");
    EXPECT_TRUE(W<QPushButton>("SBtk")->toolTip().isEmpty());
    EXPECT_EQ(W<QLabel>("SB1Panel0")->width(), 500);
}

TEST_F(Window, ModemModeLayout) {
    W<Memo>("Memo1")->AddLine("old");
    W<QSpinBox>("SpinEdit1")->setValue(7);
    state().PortReady = true;
    Press(W<QPushButton>("SBtk"));
    EXPECT_EQ(state().WorkMode, kModemWork);
    EXPECT_TRUE(state().ModemMode);
    EXPECT_FALSE(state().PortReady);
    EXPECT_EQ(window().HelpContext(), 6);
    EXPECT_EQ(W<Memo>("Memo1")->LineCount(), 0);
    EXPECT_EQ(W<QSpinBox>("SpinEdit1")->value(), 0);
    EXPECT_TRUE(W<Memo>("Memo2")->isReadOnly());
    EXPECT_EQ(W<Memo>("Memo1")->y(), 48);
    EXPECT_EQ(W<Memo>("Memo1")->height(), 150);
    EXPECT_EQ(W<Memo>("Memo2")->y(), 202);
    EXPECT_EQ(W<Memo>("Memo2")->height(), 215);
    EXPECT_EQ(W<QPushButton>("Button3")->text(), "Просмотр текущих настроек...");
    EXPECT_EQ(W<QPushButton>("Button2")->text(), "Записать в модем");
    EXPECT_EQ(W<QLabel>("Label7")->text(), "Hayes-модема");
    // «Акты...» stays in every mode, beside "Журнал".
    std::set<QString> visible = VisibleNames();
    EXPECT_EQ(visible.erase("RecordsButton"), 1u);
    EXPECT_EQ(visible,
              (std::set<QString>{
                  "LogButton",       "SBtk",    "SBbuf",     "SpeedButton1", "SBEx",
                  "Bevel1",          "Memo1",   "CheckBox2", "Label1",       "Label4",
                  "Button1",         "Button4", "Button2",   "Label9",       "Bevel2",
                  "Memo2",           "Label2",  "Label7",    "Button3",      "Button5",
                  "Bevel3",          "Label3",  "SpinEdit1", "Label8",       "CheckModemButton",
                  "CheckAfterRunBox"}));
    // "Проверить модем" waits for a run; it and its check box lie clear of
    // every other control of the layout, the command field included.
    EXPECT_FALSE(W<QPushButton>("CheckModemButton")->isEnabled());
    Press(W<QPushButton>("Button5"));
    test::Settle(*app);
    ASSERT_TRUE(W("Edit1")->isVisible());
    for (const char* name : {"CheckModemButton", "CheckAfterRunBox"})
        for (QWidget* w : Visible())
            if (w != W(name)) {
                EXPECT_FALSE(W(name)->geometry().intersects(w->geometry()))
                    << name << " overlaps " << w->objectName().toStdString();
            }
    EXPECT_LE(W("CheckAfterRunBox")->geometry().bottom(), W("Memo2")->geometry().bottom());
    EXPECT_EQ(W<QPushButton>("Button2")->statusTip(), "Записать настройки в Hayes-модем ");
    EXPECT_EQ(window().OpenDialogSetup().Filter, "Список названий (*.n2)|*.n2");
    EXPECT_EQ(window().SaveDialogSetup().DefaultExt, "n2");
    EXPECT_EQ(window().OpenDialogSetup().InitialDir.toStdString(), ShownPath(dir.Dir()));
}

TEST_F(Window, TheCheckAfterARunIsKeptFromOneRunOfTheProgramToTheNext) {
    EXPECT_FALSE(W<QCheckBox>("CheckAfterRunBox")->isChecked());      // off at the first start
    EXPECT_FALSE(std::filesystem::exists(dir.File("HayesKvd.ini")));  // nothing stored unasked
    Press(W<QPushButton>("SBtk"));
    test::Press(W<QCheckBox>("CheckAfterRunBox"));
    ASSERT_TRUE(W<QCheckBox>("CheckAfterRunBox")->isChecked());
    const auto restart = [&] {
        app.reset();
        app = std::make_unique<HayesApplication>(line, clock, view,
                                                 QString::fromStdString(dir.Dir()));
    };
    restart();
    EXPECT_TRUE(W<QCheckBox>("CheckAfterRunBox")->isChecked());
    W<QCheckBox>("CheckAfterRunBox")->setChecked(false);
    restart();
    EXPECT_FALSE(W<QCheckBox>("CheckAfterRunBox")->isChecked());
    // Beside the safe write's choices.
    EXPECT_TRUE(std::filesystem::exists(dir.File("HayesKvd.ini")));
}

TEST_F(Window, PressingModemTwiceEmptiesTheLayoutAndAgainStartsAfresh) {
    Press(W<QPushButton>("SBtk"));
    Press(W<QPushButton>("SBtk"));
    EXPECT_FALSE(W<QPushButton>("SBtk")->isChecked());
    EXPECT_EQ(window().HelpContext(), 4);
    EXPECT_EQ(state().WorkMode, kModemWork);
    EXPECT_TRUE(state().ModemMode);
    EXPECT_FALSE(W<Memo>("Memo1")->isVisible());
    EXPECT_FALSE(W<Memo>("Memo2")->isVisible());
    W<Memo>("Memo1")->AddLine("ATZ");
    state().PortReady = true;
    Press(W<QPushButton>("SBtk"));
    EXPECT_EQ(W<Memo>("Memo1")->LineCount(), 0);
    EXPECT_FALSE(state().PortReady);
}

struct KitLayout {
    int kit;
    QString caption, upper, lower;
    bool twoChannels;
};

TEST_F(Window, EachKitGetsItsCaptionLayoutHintsAndHelpContext) {
    const KitLayout kits[] = {
        {0, "Программа настройки Hayes-модемов для базового комплекта КВАРД 40", "для канала МЦП",
         "для канала МПИ", true},
        {1, "Программа настройки Hayes-модемов для минимального комплекта КВАРД 40",
         "для последовательного канала", "", false},
        {2, "Программа настройки Hayes-модемов для расширенного комплекта КВАРД 40",
         "для канала МПИ", "", false},
        {3, "Программа настройки Hayes-модемов для КВАРД-47", "для канала МЦП", "для канала МПИ",
         true},
    };
    for (const auto& k : kits) {
        W<Memo>("Memo1")->AddLine("x");
        state().ClearBuffer1 = true;
        state().PortReady = true;
        ChooseKit(k.kit);
        SCOPED_TRACE(k.kit);
        EXPECT_EQ(state().KitIndex, k.kit);
        EXPECT_EQ(state().WorkMode, kControllerWork);
        EXPECT_EQ(window().windowTitle(), k.caption);
        EXPECT_EQ(window().HelpContext(), 7);
        EXPECT_FALSE(state().ClearBuffer1);
        EXPECT_FALSE(state().PortReady);
        EXPECT_EQ(W<Memo>("Memo1")->LineCount(), 0);
        EXPECT_FALSE(W<Memo>("Memo2")->isReadOnly());
        EXPECT_EQ(W<QLabel>("Label5")->text(), k.upper);
        EXPECT_EQ(W<QLabel>("Label4")->text(), "буфера обмена");
        EXPECT_EQ(W<QPushButton>("Button2")->text(), "Очистить");
        EXPECT_EQ(W<Memo>("Memo1")->y(), 75);
        EXPECT_EQ(W<Memo>("Memo1")->height(), 123);
        EXPECT_TRUE(W<QPushButton>("Button7")->isVisible());
        EXPECT_TRUE(W<QPushButton>("Button8")->isVisible());
        EXPECT_FALSE(W<QSpinBox>("SpinEdit1")->isVisible());
        EXPECT_EQ(W<Memo>("Memo2")->isVisible(), k.twoChannels);
        EXPECT_EQ(W<QPushButton>("Button6")->isVisible(), k.twoChannels);
        EXPECT_EQ(W<QLabel>("Label6")->isVisible(), k.twoChannels);
        // Prefixes joined to the channel label without a blank.
        EXPECT_EQ(W<QPushButton>("Button2")->statusTip(),
                  "Обнулить буфер настроек Hayes-модема в КВАРД" + k.upper);
        EXPECT_EQ(W<QPushButton>("Button1")->statusTip(),
                  "Просмотр и изменение файла для буфера настроек Hayes-модема в КВАРД" + k.upper);
        EXPECT_EQ(W<QPushButton>("Button4")->statusTip(),
                  "Сохранить в файле буфер настроек Hayes-модема в КВАРД" + k.upper);
        EXPECT_EQ(W<Memo>("Memo1")->statusTip(),
                  "Просмотр и коррекция настроек Hayes-модема " + k.upper);
        EXPECT_EQ(W<QPushButton>("Button8")->statusTip(),
                  "Занести в буфер настроек Hayes-модема в КВАРД");
        if (k.twoChannels) {
            EXPECT_EQ(W<Memo>("Memo2")->y(), 240);
            EXPECT_EQ(W<Memo>("Memo2")->height(), 123);
            EXPECT_EQ(W<QPushButton>("Button3")->text(), "Прочитать из файла");
            EXPECT_EQ(W<QPushButton>("Button5")->text(), "Очистить");
            EXPECT_EQ(W<QPushButton>("Button5")->statusTip(),
                      "Обнулить буфер настроек Hayes-модема в КВАРД" + k.lower);
            EXPECT_EQ(W<Memo>("Memo2")->statusTip(),
                      "Просмотр и коррекция настроек Hayes-модема " + k.lower);
        }
    }
}

TEST_F(Window, KitMenuOpensBelowTheButtonAndDismissingItKeepsTheOldLayout) {
    Press(W<QPushButton>("SBtk"));
    Press(W<QPushButton>("SBbuf"));
    EXPECT_FALSE(W<QPushButton>("SBtk")->isChecked());
    EXPECT_TRUE(W<QMenu>("PopupMenu1")->isVisible());
    const QPoint corner = W("Panel1")->mapToGlobal(
        QPoint(W<QPushButton>("SBbuf")->x(),
               W<QPushButton>("SBbuf")->y() + W<QPushButton>("SBbuf")->height() + 5));
    EXPECT_EQ(W<QMenu>("PopupMenu1")->pos(), corner);
    W<QMenu>("PopupMenu1")->hide();  // dismissed
    EXPECT_EQ(state().WorkMode, kControllerWork);
    EXPECT_FALSE(state().ModemMode);
    EXPECT_TRUE(W<Memo>("Memo1")->isVisible());  // the modem layout stays on screen
    EXPECT_EQ(W<QPushButton>("Button2")->text(), "Записать в модем");
    // ... but the buttons act as in controller mode.
    W<Memo>("Memo1")->AddLine("ATZ");
    Press(W<QPushButton>("Button2"));
    test::Settle(*app);
    EXPECT_TRUE(state().ClearBuffer1);
    EXPECT_EQ(W<Memo>("Memo1")->LineCount(), 0);
}

class StoredKit : public Window {
protected:
    explicit StoredKit(unsigned char kit) : Window({0, 0, 0, 0, 0, 0, 0, kit}) {}
    std::vector<bool> Marks() {
        W<QMenu>("PopupMenu1")->popup(QPoint(0, 0));
        std::vector<bool> marks;
        for (QAction* a : W<QMenu>("PopupMenu1")->actions()) marks.push_back(a->isChecked());
        W<QMenu>("PopupMenu1")->hide();
        return marks;
    }
};
struct StoredKit3 : StoredKit {
    StoredKit3() : StoredKit(3) {}
};
struct StoredKit9 : StoredKit {
    StoredKit9() : StoredKit(9) {}
};

TEST_F(StoredKit3, MenuMarksTheStoredKitWhileTheCaptionStaysTheDesignOne) {
    EXPECT_EQ(state().KitIndex, 3);
    EXPECT_EQ(Marks(), (std::vector<bool>{false, false, false, true}));
    EXPECT_EQ(window().windowTitle(), "Программа настройки Hayes-модемов для работы с КВАРД v 1.5");
    const auto names = W<QMenu>("PopupMenu1")->actions();
    EXPECT_EQ(names[0]->objectName(), "N1");
    EXPECT_EQ(names[3]->objectName(), "N171");
    EXPECT_EQ(names[2]->text(), "Расширяемый комплект КВАРД 40");
}

TEST_F(StoredKit9, MenuMarksNothingForADamagedKitValue) {
    EXPECT_EQ(Marks(), (std::vector<bool>{false, false, false, false}));
    window().SetKitCaption();
    EXPECT_EQ(window().windowTitle(), "Программа настройки Hayes-модемов для работы с КВАРД v 1.5");
}

TEST_F(Window, MenuMarksTheBasicKitOnAFirstStart) {
    W<QMenu>("PopupMenu1")->popup(QPoint(0, 0));
    EXPECT_TRUE(W<QMenu>("PopupMenu1")->actions()[0]->isChecked());
    W<QMenu>("PopupMenu1")->hide();
}

TEST_F(Window, WriteWithNothingToWriteInformsAndOpensNoDialog) {
    ChooseKit(0);
    Press(W<QPushButton>("Button8"));
    test::Settle(*app);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].kind, Box::Kind::Information);
    EXPECT_EQ(view.boxes[0].text, "Не указаны настройки или режим ОЧИСТИТЬ");
    EXPECT_FALSE(app->Controller().isVisible());
}

TEST_F(Window, WriteAfterClearAsksAndOpensTheDialogForWriting) {
    ChooseKit(3);
    Press(W<QPushButton>("Button5"));  // "Очистить" of the lower channel
    test::Settle(*app);
    EXPECT_TRUE(state().ClearBuffer2);
    view.answers = {true};
    QString caption;
    test::OnNextModal([&](QWidget* modal) {
        caption = modal->windowTitle();
        modal->close();
    });
    state().ReadFromDevice = true;
    Press(W<QPushButton>("Button8"));
    test::Settle(*app);
    ASSERT_EQ(view.Texts(Box::Kind::Confirm),
              std::vector<std::string>{"Будем записывать настройки в КВАРД ?"});
    EXPECT_FALSE(state().ReadFromDevice);
    EXPECT_EQ(caption, "Запись в КВАРД настроек Hayes-модема ");
}

TEST_F(Window, AListWithTheLetterYaIsRefusedBeforeTheWriteIsOffered) {
    ChooseKit(2);
    W<Memo>("Memo1")->AddLine("ATZ");
    W<Memo>("Memo1")->AddLine(QStringLiteral("Моя настройка"));
    Press(W<QPushButton>("Button8"));
    test::Settle(*app);
    EXPECT_TRUE(view.Texts(Box::Kind::Confirm).empty());
    const auto errors = view.Texts(Box::Kind::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("Строка 2 для канала МПИ («Моя настройка») содержит букву «я»", 0),
              0u)
        << errors[0];
    EXPECT_FALSE(app->Controller().isVisible());
}

TEST_F(Window, NoToTheWriteQuestionOpensNothing) {
    ChooseKit(2);
    W<Memo>("Memo1")->AddLine("ATZ");
    view.answers = {false};
    Press(W<QPushButton>("Button8"));
    test::Settle(*app);
    EXPECT_EQ(view.Texts(Box::Kind::Confirm).size(), 1u);
    EXPECT_FALSE(app->Controller().isVisible());
}

TEST_F(Window, ReleasingControllerModeWithAPendingClearAsksAndOpensTheDialogOnYes) {
    ChooseKit(0);
    state().ReadFromDevice = true;
    Press(W<QPushButton>("Button2"));  // "Очистить" of the upper channel
    test::Settle(*app);
    view.answers = {true};
    bool opened = false;
    test::OnNextModal([&](QWidget* modal) {
        opened = modal == &app->Controller();
        modal->close();
    });
    Press(W<QPushButton>("SBbuf"));
    test::Settle(*app);
    EXPECT_EQ(view.Texts(Box::Kind::Confirm),
              std::vector<std::string>{"Занести изменения в КВАРД ? "});
    EXPECT_TRUE(opened);
    EXPECT_FALSE(state().ReadFromDevice);
    EXPECT_EQ(window().HelpContext(), 4);
    EXPECT_FALSE(W<Memo>("Memo1")->isVisible());
    EXPECT_TRUE(state().ClearBuffer1);  // the choice stays
}

TEST_F(Window, ReleasingControllerModeAfterOnlyEditingAsksNothing) {
    ChooseKit(0);
    W<Memo>("Memo1")->AddLine("ATZ");
    Press(W<QPushButton>("SBbuf"));
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_EQ(window().HelpContext(), 4);
}

TEST_F(Window, SwitchingStraightFromControllerToModemAsksNothing) {
    ChooseKit(0);
    Press(W<QPushButton>("Button2"));
    test::Settle(*app);
    Press(W<QPushButton>("SBtk"));
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_FALSE(W<QPushButton>("SBbuf")->isChecked());
    EXPECT_EQ(state().WorkMode, kModemWork);
    EXPECT_EQ(window().HelpContext(), 6);
    ChooseKit(1);
    EXPECT_FALSE(state().ClearBuffer1);  // dropped when a kit is chosen
}

TEST_F(Window, TheBufferButtonsLoadAndSaveEachChannelsListFile) {
    const std::string file = dir.File("chan.n3");
    test::TempDir::WriteAll(file, {'A', 'T', 'Z', '\r', '\n', 'A', 'T', '&', 'F', '\r', '\n'});
    std::vector<std::string> asked;
    window().SetFileChooser(
        [&](const FileDialogSetup& setup, bool save) -> std::optional<std::string> {
            asked.push_back(setup.Filter.toStdString() +
                            (save ? " / " + setup.DefaultExt.toStdString() : ""));
            return save ? dir.File("second.n3") : file;
        });
    ChooseKit(0);                      // two channels
    Press(W<QPushButton>("Button5"));  // "Очистить", second channel
    test::Settle(*app);
    EXPECT_TRUE(state().ClearBuffer2);
    Press(W<QPushButton>("Button1"));  // "Прочитать из файла", first channel
    Press(W<QPushButton>("Button3"));  // "Прочитать из файла", second channel
    test::Settle(*app);
    EXPECT_FALSE(state().ClearBuffer1 || state().ClearBuffer2);
    for (const char* memo : {"Memo1", "Memo2"}) {
        ASSERT_EQ(W<Memo>(memo)->LineCount(), 2) << memo;
        EXPECT_EQ(W<Memo>(memo)->Line(1), "AT&F") << memo;
    }
    Press(W<QPushButton>("Button6"));  // "Сохранить в файле", second channel
    test::Settle(*app);
    EXPECT_EQ(test::TempDir::ReadAll(dir.File("second.n3")), test::TempDir::ReadAll(file));
    const std::string filter = "Список названий (*.n3)|*.n3";
    EXPECT_EQ(asked, (std::vector<std::string>{filter, filter, filter + " / n3"}));
    EXPECT_TRUE(view.boxes.empty());
}

TEST_F(Window, ControllerDialogIsNarrowedForTheBasicKitOnly) {
    ControllerDialog& dialog = app->Controller();
    const int full = dialog.SavedWidth();
    const int panel = InDialog<QFrame>("Panel2")->width();
    app->Link().Settings.Protocol = 1;
    app->Link().Settings.CrcMode = 2;
    dialog.Prepare(0, app->Link().Settings);
    EXPECT_EQ(dialog.width(), full - panel);
    EXPECT_EQ(InDialog<RadioGroup>("Rprot")->ItemIndex(), 0);
    EXPECT_TRUE(InDialog<QFrame>("Panel2")->isHidden());
    EXPECT_EQ(InDialog<QPushButton>("Button2")->x(), dialog.SavedButton2Left() - panel);
    EXPECT_EQ(InDialog<QProgressBar>("Gg1")->width(),
              full - panel - 2 * InDialog<QProgressBar>("Gg1")->x());
    EXPECT_EQ(InDialog<QFrame>("Bevel3")->width(), InDialog<QProgressBar>("Gg1")->width());
    EXPECT_LE(InDialog<QPushButton>("Button2")->geometry().right(), dialog.width());

    dialog.Prepare(2, app->Link().Settings);
    EXPECT_EQ(dialog.width(), full);
    EXPECT_EQ(InDialog<RadioGroup>("Rprot")->ItemIndex(), 1);
    EXPECT_EQ(InDialog<RadioGroup>("RCRC")->ItemIndex(), 2);
    EXPECT_FALSE(InDialog<RadioGroup>("RCRC")->isHidden());
    EXPECT_FALSE(InDialog<QFrame>("Panel2")->isHidden());
    EXPECT_EQ(InDialog<QPushButton>("Button1")->x(), dialog.SavedButton1Left());

    app->Link().Settings.Protocol = 0;
    dialog.Prepare(3, app->Link().Settings);
    EXPECT_TRUE(InDialog<RadioGroup>("RCRC")->isHidden());
    EXPECT_EQ(InDialog<RadioGroup>("RCRC")->ItemIndex(), 0);
}

TEST_F(Window, ControllerDialogCaptionFollowsTheDirection) {
    ChooseKit(1);
    QString caption;
    bool channelHidden = false;
    test::OnNextModal([&](QWidget* modal) {
        caption = modal->windowTitle();
        channelHidden = InDialog("RG3")->isHidden();
        modal->close();
    });
    Press(W<QPushButton>("Button7"));
    test::Settle(*app);
    EXPECT_TRUE(state().ReadFromDevice);
    EXPECT_EQ(caption, "Чтение из КВАРД настроек Hayes-модема ");
    EXPECT_TRUE(channelHidden);  // the minimal kit has one channel
}

TEST_F(Window, DoubleClickOnEitherLabelSwitchesTheByteTrace) {
    test::DoubleClickOn(W<QLabel>("Label8"));
    EXPECT_TRUE(state().TraceBytes);
    Press(W<QPushButton>("SBtk"));
    test::DoubleClickOn(W<QLabel>("Label1"));
    EXPECT_FALSE(state().TraceBytes);
    test::DoubleClickOn(W<QLabel>("Label1"));
    test::DoubleClickOn(W<QLabel>("Label1"));
    EXPECT_FALSE(state().TraceBytes);
}

TEST_F(Window, MemosFollowTheWindowsEdges) {
    Press(W<QPushButton>("SBtk"));
    const QRect m1 = W<Memo>("Memo1")->geometry(), m2 = W<Memo>("Memo2")->geometry();
    window().resize(window().width() + 100, window().height() + 60);
    QCoreApplication::processEvents();
    EXPECT_EQ(W<Memo>("Memo1")->width(), m1.width() + 100);
    EXPECT_EQ(W<Memo>("Memo1")->height(), m1.height());
    EXPECT_EQ(W<Memo>("Memo2")->width(), m2.width() + 100);
    EXPECT_EQ(W<Memo>("Memo2")->height(), m2.height() + 60);
}

TEST_F(Window, ExitClosesTheWindowAndWritesNothing) {
    const auto before = test::TempDir::ReadAll(state().CfgFileName);
    state().ClearBuffer1 = true;
    Press(W<QPushButton>("SBEx"));
    EXPECT_FALSE(window().isVisible());
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_EQ(test::TempDir::ReadAll(state().CfgFileName), before);
}

TEST_F(Window, TheLogOpensFromItsButtonAndFromCtrlL) {
    QStatusTipEvent tip(W("LogButton")->statusTip());
    QCoreApplication::sendEvent(W("LogButton"), &tip);
    EXPECT_EQ(W<QLabel>("SB1Panel0")->text(),
              "Журнал обмена: всё, что передано в порт и принято из него (Ctrl+L)");
    app->Log().Summary("строка журнала");
    Press(W<QPushButton>("LogButton"));
    ASSERT_NE(window().LogView(), nullptr);
    EXPECT_TRUE(window().LogView()->isVisible());
    EXPECT_EQ(window().LogView()->windowTitle(), "Журнал обмена");
    EXPECT_TRUE(test::Child<QPlainTextEdit>(window().LogView(), "LogText")
                    ->toPlainText()
                    .contains("строка журнала"));
    window().LogView()->close();
    test::Type(&window(), Qt::Key_L, Qt::ControlModifier);
    EXPECT_TRUE(window().LogView()->isVisible());
    window().LogView()->close();
}

TEST_F(Window, HelpOpensTheContentsAndF1TheCurrentContext) {
    Press(W<QPushButton>("SpeedButton1"));
    ASSERT_NE(window().Help(), nullptr);
    EXPECT_EQ(window().Help()->CurrentAnchor(), "contents");
    // No help file beside this test program: the viewer says so.
    EXPECT_TRUE(window().Help()->ShownText().contains("Файл справки не найден"));
    Press(W<QPushButton>("SBtk"));
    test::Type(&window(), Qt::Key_F1);
    EXPECT_EQ(window().Help()->CurrentAnchor(), "context-6");
}

}  // namespace
}  // namespace hk
