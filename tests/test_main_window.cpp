// The main window on Qt's offscreen platform, grouped by state: start, modem
// mode, controller mode per kit, the kit menu, the controller dialog's
// preparation, the write and release questions, the trace switch.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "app/HayesApplication.h"
#include "app/TFm1.h"
#include "device/ui/TFm3.h"
#include "gui/HelpViewer.h"
#include "gui/Memo.h"
#include "gui/RadioGroup.h"
#include "sim/SimLine.h"
#include "support/QtApp.h"
#include "support/ScriptedView.h"
#include "support/TempDir.h"

namespace hk {
namespace {

using Box = test::ScriptedView::Box;

class MainWindow : public ::testing::Test {
protected:
    explicit MainWindow(std::vector<unsigned char> settings = {}) {
        test::EnsureQApplication();
        if (!settings.empty()) test::TempDir::WriteAll(dir.File("HmK.Cfg"), settings);
        app = std::make_unique<HayesApplication>(line, clock, view,
                                                 QString::fromStdString(dir.Dir()));
        fm1().show();
        QCoreApplication::processEvents();
    }
    TFm1& fm1() { return app->Fm1(); }
    MainState& state() { return app->State(); }

    // Presses a mode button as the operator does (it toggles, then the handler runs).
    void Press(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    void ChooseKit(int kit) {
        if (fm1().SBbuf->isChecked()) Press(fm1().SBbuf);  // release first
        Press(fm1().SBbuf);
        QAction* item = fm1().PopupMenu1()->actions().at(kit);
        fm1().PopupMenu1()->hide();
        item->trigger();
    }
    std::vector<QWidget*> Visible() {
        std::vector<QWidget*> out;
        for (QWidget* w : fm1().Panel1()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
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

TEST_F(MainWindow, StartShowsOnlyTheTopButtonsTheSeparatorAndTheVersionLabel) {
    EXPECT_EQ(fm1().windowTitle(), "Программа настройки Hayes-модемов для работы с КВАРД v 1.5");
    EXPECT_EQ(VisibleNames(),
              (std::set<QString>{"SBtk", "SBbuf", "SpeedButton1", "SBEx", "Bevel1", "Label8"}));
    EXPECT_EQ(fm1().Label8->y(), 80);  // Memo1's top + 5
    EXPECT_EQ(fm1().HelpContext(), 2);
    EXPECT_EQ(state().WorkMode, 0);
    EXPECT_FALSE(state().ModemMode);
    EXPECT_FALSE(fm1().SB1Panel1->text().isEmpty());  // the clock shows at once
    // Design bounds of the top row and the memos' design places.
    EXPECT_EQ(fm1().SBtk->geometry(), QRect(3, 3, 150, 25));
    EXPECT_EQ(fm1().SBEx->geometry(), QRect(573, 3, 75, 25));
    EXPECT_EQ(fm1().Button8->geometry(), QRect(2, 395, 158, 25));
    EXPECT_EQ(fm1().Memo1->geometry(), QRect(162, 75, 480, 123));
}

TEST_F(MainWindow, HintsGoToTheFirstStatusPanelNeverToToolTips) {
    QStatusTipEvent tip(fm1().SBtk->statusTip());
    QCoreApplication::sendEvent(fm1().SBtk, &tip);
    EXPECT_EQ(fm1().SB1Panel0->text(), "Ввод и просмотр настроек Hayes-модема для КВАРД");
    EXPECT_TRUE(fm1().SBtk->toolTip().isEmpty());
    EXPECT_EQ(fm1().SB1Panel0->width(), 500);
}

TEST_F(MainWindow, ModemModeLayout) {
    fm1().Memo1->AddLine("old");
    fm1().SpinEdit1->setValue(7);
    state().PortReady = true;
    Press(fm1().SBtk);
    EXPECT_EQ(state().WorkMode, 2);
    EXPECT_TRUE(state().ModemMode);
    EXPECT_FALSE(state().PortReady);
    EXPECT_EQ(fm1().HelpContext(), 6);
    EXPECT_EQ(fm1().Memo1->LineCount(), 0);
    EXPECT_EQ(fm1().SpinEdit1->value(), 0);
    EXPECT_TRUE(fm1().Memo2->isReadOnly());
    EXPECT_EQ(fm1().Memo1->y(), 48);
    EXPECT_EQ(fm1().Memo1->height(), 150);
    EXPECT_EQ(fm1().Memo2->y(), 202);
    EXPECT_EQ(fm1().Memo2->height(), 215);
    EXPECT_EQ(fm1().Button3->text(), "Просмотр текущих настроек...");
    EXPECT_EQ(fm1().Button2->text(), "Записать в модем");
    EXPECT_EQ(fm1().Label7->text(), "Hayes-модема");
    EXPECT_EQ(
        VisibleNames(),
        (std::set<QString>{"SBtk",      "SBbuf",  "SpeedButton1", "SBEx",      "Bevel1",  "Memo1",
                           "CheckBox2", "Label1", "Label4",       "Button1",   "Button4", "Button2",
                           "Label9",    "Bevel2", "Memo2",        "Label2",    "Label7",  "Button3",
                           "Button5",   "Bevel3", "Label3",       "SpinEdit1", "Label8"}));
    EXPECT_EQ(fm1().Button2->statusTip(), "Записать настройки в Hayes-модем ");
    EXPECT_EQ(fm1().OpenDialog1().Filter, "Список названий (*.n2)|*.n2");
    EXPECT_EQ(fm1().SaveDialog1().DefaultExt, "n2");
    EXPECT_EQ(fm1().OpenDialog1().InitialDir.toStdString(), dir.Dir());
}

TEST_F(MainWindow, PressingModemTwiceEmptiesTheLayoutAndAgainStartsAfresh) {
    Press(fm1().SBtk);
    Press(fm1().SBtk);
    EXPECT_FALSE(fm1().SBtk->isChecked());
    EXPECT_EQ(fm1().HelpContext(), 4);
    EXPECT_EQ(state().WorkMode, 2);
    EXPECT_TRUE(state().ModemMode);
    EXPECT_FALSE(fm1().Memo1->isVisible());
    EXPECT_FALSE(fm1().Memo2->isVisible());
    fm1().Memo1->AddLine("ATZ");
    state().PortReady = true;
    Press(fm1().SBtk);
    EXPECT_EQ(fm1().Memo1->LineCount(), 0);
    EXPECT_FALSE(state().PortReady);
}

struct KitLayout {
    int kit;
    QString caption, upper, lower;
    bool twoChannels;
};

TEST_F(MainWindow, EachKitGetsItsCaptionLayoutHintsAndHelpContext) {
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
        fm1().Memo1->AddLine("x");
        state().ClearBuffer1 = true;
        state().PortReady = true;
        ChooseKit(k.kit);
        SCOPED_TRACE(k.kit);
        EXPECT_EQ(state().KitIndex, k.kit);
        EXPECT_EQ(state().WorkMode, 3);
        EXPECT_EQ(fm1().windowTitle(), k.caption);
        EXPECT_EQ(fm1().HelpContext(), 7);
        EXPECT_FALSE(state().ClearBuffer1);
        EXPECT_FALSE(state().PortReady);
        EXPECT_EQ(fm1().Memo1->LineCount(), 0);
        EXPECT_FALSE(fm1().Memo2->isReadOnly());
        EXPECT_EQ(fm1().Label5->text(), k.upper);
        EXPECT_EQ(fm1().Label4->text(), "буфера обмена");
        EXPECT_EQ(fm1().Button2->text(), "Очистить");
        EXPECT_EQ(fm1().Memo1->y(), 75);
        EXPECT_EQ(fm1().Memo1->height(), 123);
        EXPECT_TRUE(fm1().Button7->isVisible());
        EXPECT_TRUE(fm1().Button8->isVisible());
        EXPECT_FALSE(fm1().SpinEdit1->isVisible());
        EXPECT_EQ(fm1().Memo2->isVisible(), k.twoChannels);
        EXPECT_EQ(fm1().Button6->isVisible(), k.twoChannels);
        EXPECT_EQ(fm1().Label6->isVisible(), k.twoChannels);
        // Prefixes joined to the channel label without a blank.
        EXPECT_EQ(fm1().Button2->statusTip(),
                  "Обнулить буфер настроек Hayes-модема в КВАРД" + k.upper);
        EXPECT_EQ(fm1().Button1->statusTip(),
                  "Просмотр и изменение файла для буфера настроек Hayes-модема в КВАРД" + k.upper);
        EXPECT_EQ(fm1().Button4->statusTip(),
                  "Сохранить в файле буфер настроек Hayes-модема в КВАРД" + k.upper);
        EXPECT_EQ(fm1().Memo1->statusTip(),
                  "Просмотр и коррекция настроек Hayes-модема " + k.upper);
        EXPECT_EQ(fm1().Button8->statusTip(), "Занести в буфер настроек Hayes-модема в КВАРД");
        if (k.twoChannels) {
            EXPECT_EQ(fm1().Memo2->y(), 240);
            EXPECT_EQ(fm1().Memo2->height(), 123);
            EXPECT_EQ(fm1().Button3->text(), "Прочитать из файла");
            EXPECT_EQ(fm1().Button5->text(), "Очистить");
            EXPECT_EQ(fm1().Button5->statusTip(),
                      "Обнулить буфер настроек Hayes-модема в КВАРД" + k.lower);
            EXPECT_EQ(fm1().Memo2->statusTip(),
                      "Просмотр и коррекция настроек Hayes-модема " + k.lower);
        }
    }
}

TEST_F(MainWindow, KitMenuOpensBelowTheButtonAndDismissingItKeepsTheOldLayout) {
    Press(fm1().SBtk);
    Press(fm1().SBbuf);
    EXPECT_FALSE(fm1().SBtk->isChecked());
    EXPECT_TRUE(fm1().PopupMenu1()->isVisible());
    const QPoint corner = fm1().Panel1()->mapToGlobal(
        QPoint(fm1().SBbuf->x(), fm1().SBbuf->y() + fm1().SBbuf->height() + 5));
    EXPECT_EQ(fm1().PopupMenu1()->pos(), corner);
    fm1().PopupMenu1()->hide();  // dismissed
    EXPECT_EQ(state().WorkMode, 3);
    EXPECT_FALSE(state().ModemMode);
    EXPECT_TRUE(fm1().Memo1->isVisible());  // the modem layout stays on screen
    EXPECT_EQ(fm1().Button2->text(), "Записать в модем");
    // ... but the buttons act as in controller mode.
    fm1().Memo1->AddLine("ATZ");
    Press(fm1().Button2);
    EXPECT_TRUE(state().ClearBuffer1);
    EXPECT_EQ(fm1().Memo1->LineCount(), 0);
}

class StoredKit : public MainWindow {
protected:
    explicit StoredKit(unsigned char kit) : MainWindow({0, 0, 0, 0, 0, 0, 0, kit}) {}
    std::vector<bool> Marks() {
        fm1().PopupMenu1()->popup(QPoint(0, 0));
        std::vector<bool> marks;
        for (QAction* a : fm1().PopupMenu1()->actions()) marks.push_back(a->isChecked());
        fm1().PopupMenu1()->hide();
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
    EXPECT_EQ(fm1().windowTitle(), "Программа настройки Hayes-модемов для работы с КВАРД v 1.5");
    const auto names = fm1().PopupMenu1()->actions();
    EXPECT_EQ(names[0]->objectName(), "N1");
    EXPECT_EQ(names[3]->objectName(), "N171");
    EXPECT_EQ(names[2]->text(), "Расширяемый комплект КВАРД 40");
}

TEST_F(StoredKit9, MenuMarksNothingForADamagedKitValue) {
    EXPECT_EQ(Marks(), (std::vector<bool>{false, false, false, false}));
    fm1().SetKitCaption();
    EXPECT_EQ(fm1().windowTitle(), "Программа настройки Hayes-модемов для работы с КВАРД v 1.5");
}

TEST_F(MainWindow, MenuMarksTheBasicKitOnAFirstStart) {
    fm1().PopupMenu1()->popup(QPoint(0, 0));
    EXPECT_TRUE(fm1().PopupMenu1()->actions()[0]->isChecked());
    fm1().PopupMenu1()->hide();
}

TEST_F(MainWindow, WriteWithNothingToWriteInformsAndOpensNoDialog) {
    ChooseKit(0);
    Press(fm1().Button8);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].kind, Box::Kind::Information);
    EXPECT_EQ(view.boxes[0].text, "Не указаны настройки или режим ОЧИСТИТЬ");
    EXPECT_FALSE(app->Fm3().isVisible());
}

TEST_F(MainWindow, WriteAfterClearAsksAndOpensTheDialogForWriting) {
    ChooseKit(3);
    Press(fm1().Button5);  // "Очистить" of the lower channel
    EXPECT_TRUE(state().ClearBuffer2);
    view.answers = {true};
    QString caption;
    test::OnNextModal([&](QWidget* modal) {
        caption = modal->windowTitle();
        modal->close();
    });
    state().ReadFromDevice = true;
    Press(fm1().Button8);
    ASSERT_EQ(view.Texts(Box::Kind::Confirm),
              std::vector<std::string>{"Будем записывать настройки в КВАРД ?"});
    EXPECT_FALSE(state().ReadFromDevice);
    EXPECT_EQ(caption, "Запись в КВАРД настроек Hayes-модема ");
}

TEST_F(MainWindow, NoToTheWriteQuestionOpensNothing) {
    ChooseKit(2);
    fm1().Memo1->AddLine("ATZ");
    view.answers = {false};
    Press(fm1().Button8);
    EXPECT_EQ(view.Texts(Box::Kind::Confirm).size(), 1u);
    EXPECT_FALSE(app->Fm3().isVisible());
}

TEST_F(MainWindow, ReleasingControllerModeWithAPendingClearAsksAndOpensTheDialogOnYes) {
    ChooseKit(0);
    state().ReadFromDevice = true;
    Press(fm1().Button2);  // "Очистить" of the upper channel
    view.answers = {true};
    bool opened = false;
    test::OnNextModal([&](QWidget* modal) {
        opened = modal == &app->Fm3();
        modal->close();
    });
    Press(fm1().SBbuf);
    EXPECT_EQ(view.Texts(Box::Kind::Confirm),
              std::vector<std::string>{"Занести изменения в КВАРД ? "});
    EXPECT_TRUE(opened);
    EXPECT_FALSE(state().ReadFromDevice);
    EXPECT_EQ(fm1().HelpContext(), 4);
    EXPECT_FALSE(fm1().Memo1->isVisible());
    EXPECT_TRUE(state().ClearBuffer1);  // the choice stays
}

TEST_F(MainWindow, ReleasingControllerModeAfterOnlyEditingAsksNothing) {
    ChooseKit(0);
    fm1().Memo1->AddLine("ATZ");
    Press(fm1().SBbuf);
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_EQ(fm1().HelpContext(), 4);
}

TEST_F(MainWindow, SwitchingStraightFromControllerToModemAsksNothing) {
    ChooseKit(0);
    Press(fm1().Button2);
    Press(fm1().SBtk);
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_FALSE(fm1().SBbuf->isChecked());
    EXPECT_EQ(state().WorkMode, 2);
    EXPECT_EQ(fm1().HelpContext(), 6);
    ChooseKit(1);
    EXPECT_FALSE(state().ClearBuffer1);  // dropped when a kit is chosen
}

TEST_F(MainWindow, ControllerDialogIsNarrowedForTheBasicKitOnly) {
    TFm3& fm3 = app->Fm3();
    const int full = fm3.SavedWidth;
    const int panel = fm3.Panel2->width();
    app->Link().Settings.Protocol = 1;
    app->Link().Settings.CrcMode = 2;
    fm3.Prepare(0, app->Link().Settings);
    EXPECT_EQ(fm3.width(), full - panel);
    EXPECT_EQ(fm3.Rprot->ItemIndex(), 0);
    EXPECT_TRUE(fm3.Panel2->isHidden());
    EXPECT_EQ(fm3.Button2->x(), fm3.SavedButton2Left - panel);
    EXPECT_EQ(fm3.Gg1->width(), full - panel - 2 * fm3.Gg1->x());
    EXPECT_EQ(fm3.Bevel3->width(), fm3.Gg1->width());
    EXPECT_LE(fm3.Button2->geometry().right(), fm3.width());

    fm3.Prepare(2, app->Link().Settings);
    EXPECT_EQ(fm3.width(), full);
    EXPECT_EQ(fm3.Rprot->ItemIndex(), 1);
    EXPECT_EQ(fm3.RCRC->ItemIndex(), 2);
    EXPECT_FALSE(fm3.RCRC->isHidden());
    EXPECT_FALSE(fm3.Panel2->isHidden());
    EXPECT_EQ(fm3.Button1->x(), fm3.SavedButton1Left);

    app->Link().Settings.Protocol = 0;
    fm3.Prepare(3, app->Link().Settings);
    EXPECT_TRUE(fm3.RCRC->isHidden());
    EXPECT_EQ(fm3.RCRC->ItemIndex(), 0);
}

TEST_F(MainWindow, ControllerDialogCaptionFollowsTheDirection) {
    ChooseKit(1);
    QString caption;
    bool channelHidden = false;
    test::OnNextModal([&](QWidget* modal) {
        caption = modal->windowTitle();
        channelHidden = app->Fm3().RG3->isHidden();
        modal->close();
    });
    Press(fm1().Button7);
    EXPECT_TRUE(state().ReadFromDevice);
    EXPECT_EQ(caption, "Чтение из КВАРД настроек Hayes-модема ");
    EXPECT_TRUE(channelHidden);  // the minimal kit has one channel
}

TEST_F(MainWindow, DoubleClickOnEitherLabelSwitchesTheByteTrace) {
    QTest::mouseDClick(fm1().Label8, Qt::LeftButton);
    EXPECT_TRUE(state().TraceBytes);
    Press(fm1().SBtk);
    QTest::mouseDClick(fm1().Label1, Qt::LeftButton);
    EXPECT_FALSE(state().TraceBytes);
    QTest::mouseDClick(fm1().Label1, Qt::LeftButton);
    QTest::mouseDClick(fm1().Label1, Qt::LeftButton);
    EXPECT_FALSE(state().TraceBytes);
}

TEST_F(MainWindow, MemosFollowTheWindowsEdges) {
    Press(fm1().SBtk);
    const QRect m1 = fm1().Memo1->geometry(), m2 = fm1().Memo2->geometry();
    fm1().resize(fm1().width() + 100, fm1().height() + 60);
    QCoreApplication::processEvents();
    EXPECT_EQ(fm1().Memo1->width(), m1.width() + 100);
    EXPECT_EQ(fm1().Memo1->height(), m1.height());
    EXPECT_EQ(fm1().Memo2->width(), m2.width() + 100);
    EXPECT_EQ(fm1().Memo2->height(), m2.height() + 60);
}

TEST_F(MainWindow, ExitClosesTheWindowAndWritesNothing) {
    const auto before = test::TempDir::ReadAll(state().CfgFileName);
    state().ClearBuffer1 = true;
    Press(fm1().SBEx);
    EXPECT_FALSE(fm1().isVisible());
    EXPECT_TRUE(view.boxes.empty());
    EXPECT_EQ(test::TempDir::ReadAll(state().CfgFileName), before);
}

TEST_F(MainWindow, HelpOpensTheContentsAndF1TheCurrentContext) {
    Press(fm1().SpeedButton1);
    ASSERT_NE(fm1().Help(), nullptr);
    EXPECT_EQ(fm1().Help()->CurrentAnchor(), "contents");
    // No help file beside this test program: the viewer says so.
    EXPECT_TRUE(fm1().Help()->ShownText().contains("Файл справки не найден"));
    Press(fm1().SBtk);
    QTest::keyClick(&fm1(), Qt::Key_F1);
    EXPECT_EQ(fm1().Help()->CurrentAnchor(), "context-6");
}

}  // namespace
}  // namespace hk
