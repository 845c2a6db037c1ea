// The controller dialog's widgets on Qt's offscreen platform, against the
// simulated controller on the virtual clock: what an opening shows, the key
// filter of the number and password fields as typed, the groups that follow
// the check box and the protocol, a read through "Подбор", a write stopped
// before its STOP, and what the dialog shows while a failed search still
// sends its end of exchange.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "app/ControllerDialog.h"
#include "app/HayesApplication.h"
#include "app/HelpViewer.h"
#include "app/MainWindow.h"
#include "gui/Memo.h"
#include "gui/RadioGroup.h"
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

sim::KvardOptions Kvard() {
    sim::KvardOptions o;
    o.kit = sim::KvardKit::Kvard47;
    o.netNumber = 10;
    o.baudRate = 9600;
    return o;
}

class Dialog : public ::testing::Test {
protected:
    explicit Dialog(std::vector<unsigned char> settings = {9, 3, 0, 0, 0, 0, 0, 3}) {
        test::EnsureQApplication();
        test::TempDir::WriteAll(dir.File("HmK.Cfg"), settings);
        kvard.SetBuffer(0, sim::KvardController::ModemLines({"ATZ", "ATS0=2"}));
        line.Attach(&kvard);
        app = std::make_unique<HayesApplication>(line, clock, view,
                                                 QString::fromStdString(dir.Dir()));
        app->Window().show();
        test::Press(test::Child<QPushButton>(&app->Window(), "SBbuf"));
        auto* menu = test::Child<QMenu>(&app->Window(), "PopupMenu1");
        menu->hide();
        menu->actions().at(3)->trigger();  // КВАРД-47
    }
    template <class T = QWidget>
    T* D(const char* name) {
        return test::Child<T>(&app->Controller(), name);
    }
    // Opens the dialog for reading, runs `inside` in it, closes it if still open.
    void WithDialog(const std::function<void()>& inside) {
        test::OnNextModal([&](QWidget*) {
            test::Settle(*app);  // the job's opening steps have shown themselves
            inside();
            if (app->Controller().isVisible()) app->Controller().reject();
            test::Settle(*app);
        });
        test::Press(test::Child<QPushButton>(&app->Window(), "Button7"));
        test::Settle(*app);
    }
    QString Status() { return D<QStatusBar>("StatusBar1")->currentMessage(); }

    test::TempDir dir;
    VirtualClock clock{1000};
    sim::SimLine line{clock};
    sim::KvardController kvard{Kvard()};
    test::ScriptedView view;
    std::unique_ptr<HayesApplication> app;
};

TEST_F(Dialog, OpeningShowsTheStoredLinkAndNoTracesOfAJob) {
    WithDialog([&] {
        EXPECT_EQ(app->Controller().windowTitle(), "Чтение из КВАРД настроек Hayes-модема ");
        EXPECT_EQ(D<RadioGroup>("RG2")->ItemIndex(), 3);          // stored 9 shows "Com4"
        EXPECT_EQ(D<RadioGroup>("RadioGroup2")->ItemIndex(), 1);  // link kind 3 shows "ИРПС"
        EXPECT_EQ(D<QComboBox>("ComboBox1")->currentText(), "Подбор");
        EXPECT_TRUE(D<QLineEdit>("Edit2")->text().isEmpty());
        EXPECT_TRUE(D<QProgressBar>("Gg1")->isHidden());
        EXPECT_TRUE(D<QLabel>("Label4")->isHidden());
        EXPECT_TRUE(D<QLineEdit>("Edit1")->isHidden());  // the number is searched
        EXPECT_EQ(D<QLineEdit>("Edit1")->accessibleName(), "Сетевой номер");
        EXPECT_EQ(D<QComboBox>("ComboBox1")->accessibleName(), "Скорость обмена");
        D<QLineEdit>("Edit2")->setText("12AB");
        test::Type(&app->Controller(), Qt::Key_F1);  // the dialog's own help topic
        ASSERT_NE(app->Window().Help(), nullptr);
        EXPECT_EQ(app->Window().Help()->CurrentAnchor(), "context-8");
    });
    WithDialog([&] { EXPECT_TRUE(D<QLineEdit>("Edit2")->text().isEmpty()); });
    // Leaving by the title bar stores nothing.
    EXPECT_EQ(test::TempDir::ReadAll(dir.File("HmK.Cfg")),
              (std::vector<unsigned char>{9, 3, 0, 0, 0, 0, 0, 3}));
}

TEST_F(Dialog, TheSafeWriteChoicesShowForAWriteAndAreRemembered) {
    WithDialog([&] {  // reading: nothing to choose
        EXPECT_TRUE(D<QCheckBox>("BackupBox")->isHidden());
        EXPECT_TRUE(D<QCheckBox>("VerifyBox")->isHidden());
    });
    app->State().ReadFromDevice = false;
    test::OnNextModal([&](QWidget*) {
        EXPECT_TRUE(D<QCheckBox>("BackupBox")->isChecked());  // on unless switched off
        EXPECT_TRUE(D<QCheckBox>("VerifyBox")->isChecked());
        EXPECT_TRUE(D<QCheckBox>("BackupBox")->isVisible());
        test::Press(D<QCheckBox>("VerifyBox"));
        test::Settle(*app);
        app->Controller().reject();
    });
    app->Controller().ShowModal();
    // The next run of the program finds the choice as it was left.
    app.reset();
    app = std::make_unique<HayesApplication>(line, clock, view, QString::fromStdString(dir.Dir()));
    EXPECT_TRUE(D<QCheckBox>("BackupBox")->isChecked());
    EXPECT_FALSE(D<QCheckBox>("VerifyBox")->isChecked());
    EXPECT_EQ(test::TempDir::ReadAll(dir.File("HmK.Cfg")).size(), 8u);  // not in the settings file
}

TEST_F(Dialog, TheFieldsTakeOnlyTheirCharacters) {
    WithDialog([&] {
        test::Press(D<QCheckBox>("CheckBox1"));  // untick: the manual group shows
        test::Settle(*app);
        ASSERT_TRUE(D<QLineEdit>("Edit1")->isVisible());
        D<RadioGroup>("RadioGroup1")->SetItemIndex(1);  // Dec
        test::TypeText(D<QLineEdit>("Edit1"), "1A2");
        test::Settle(*app);
        EXPECT_EQ(D<QLineEdit>("Edit1")->text(), "12");
        test::TypeText(D<QLineEdit>("Edit1"), "8");
        test::Settle(*app);
        EXPECT_EQ(Status(), "Сетевой номер больше допустимого");  // 128
        test::TypeText(D<QLineEdit>("Edit1"), "Ж");
        test::Settle(*app);
        EXPECT_EQ(Status(), "Недопустимый символ  Ж");
        test::TypeText(D<QLineEdit>("Edit2"), "aF9");
        EXPECT_EQ(D<QLineEdit>("Edit2")->text(), "aF9");
    });
}

TEST_F(Dialog, TheCrcChoiceFollowsTheProtocol) {
    WithDialog([&] {
        auto* protocol = D<RadioGroup>("Rprot");
        protocol->Button(1)->click();  // FT1.2
        EXPECT_TRUE(D<RadioGroup>("RCRC")->isVisible());
        protocol->Button(0)->click();
        EXPECT_FALSE(D<RadioGroup>("RCRC")->isVisible());
    });
}

TEST_F(Dialog, SearchReadsBothBuffersIntoTheMemosAndStoresTheSettings) {
    bool closedItself = false;
    WithDialog([&] {
        D<RadioGroup>("RadioGroup2")->SetItemIndex(0);  // Rs-232
        test::Press(D<QPushButton>("Button1"));
        test::Settle(*app);
        closedItself = !app->Controller().isVisible();
    });
    EXPECT_TRUE(closedItself);
    auto* upper = test::Child<Memo>(&app->Window(), "Memo1");
    EXPECT_EQ(upper->Lines(), (QStringList{"ATZ", "ATS0=2", ""}));
    // Com4, RS-232, 9600 baud, number 10, МЦП, traditional, no CRC, КВАРД-47.
    EXPECT_EQ(test::TempDir::ReadAll(dir.File("HmK.Cfg")),
              (std::vector<unsigned char>{3, 0, 5, 10, 0, 0, 0, 3}));
    // The number found shows at the next opening, in the chosen view.
    WithDialog([&] {
        test::Press(D<QCheckBox>("CheckBox1"));
        test::Settle(*app);
        D<RadioGroup>("RadioGroup1")->SetItemIndex(0);  // Hex
        test::Press(D<QCheckBox>("CheckBox1"));
        test::Settle(*app);
        test::Press(D<QCheckBox>("CheckBox1"));
        test::Settle(*app);
        EXPECT_EQ(D<QLineEdit>("Edit1")->text(), "0A");
    });
}

// "Выход" pressed while the write reads its backup, before it has sent
// STOP: the write ends there, and a controller it never stopped is not
// offered a restart.
TEST_F(Dialog, AWriteStoppedBeforeItsStopAsksNoRestart) {
    test::Child<Memo>(&app->Window(), "Memo1")->AddLine("ATZ");
    view.answers = {true, true};  // "Будем записывать настройки в КВАРД ?", and a restart
    bool pressed = false;
    view.onProcess = [&](int) {
        // The job stands at a checkpoint: both backup reads are in.
        if (pressed || kvard.Requests().empty() ||
            kvard.Requests().back().bytes != std::vector<std::uint8_t>{0x01, 0x40, 0x4B})
            return;
        pressed = true;
        test::Press(D<QPushButton>("Button2"));  // "Выход"
    };
    test::OnNextModal([&](QWidget*) {
        test::Settle(*app);
        D<RadioGroup>("RadioGroup2")->SetItemIndex(0);  // Rs-232
        test::Press(D<QPushButton>("Button1"));
        test::Settle(*app);
        if (app->Controller().isVisible()) app->Controller().reject();
        test::Settle(*app);
    });
    test::Press(test::Child<QPushButton>(&app->Window(), "Button8"));
    test::Settle(*app);
    view.onProcess = nullptr;

    ASSERT_TRUE(pressed);
    EXPECT_EQ(view.Texts(test::ScriptedView::Box::Kind::Confirm),
              (std::vector<std::string>{"Будем записывать настройки в КВАРД ?"}));
    EXPECT_EQ(kvard.CountRequests(0x09), 0);  // no STOP
    EXPECT_EQ(kvard.CountRequests(0x0D), 0);  // no reprogramming
    EXPECT_EQ(kvard.CountRequests(0x08), 0);  // no restart
    EXPECT_EQ(kvard.Requests().back().bytes, std::vector<std::uint8_t>{0x0B});
}

// The simulated controller behind a gate: the first byte sent without the
// address bit (on channel МЦП, space parity) waits on the job thread until
// the test opens the gate. After a search whose address probes all went
// unanswered, that is the first byte of the end-of-exchange request.
class RequestGate final : public sim::SimPeer {
public:
    explicit RequestGate(sim::SimPeer& inner) : inner_(inner) {}
    void OnByte(std::uint8_t byte, const LineParams& params, sim::PeerOutput& out) override {
        if (params.Parity == Parity::Space) {
            std::unique_lock<std::mutex> lock(mutex_);
            held_ = true;
            changed_.notify_all();
            changed_.wait(lock, [&] { return opened_; });
        }
        inner_.OnByte(byte, params, out);
    }
    // Lets the window's events run until the job waits at the gate (false
    // if it never comes).
    bool WaitHeld() {
        for (int i = 0; i < 3000; ++i) {
            QCoreApplication::processEvents();
            std::unique_lock<std::mutex> lock(mutex_);
            if (changed_.wait_for(lock, std::chrono::milliseconds(10), [&] { return held_; }))
                return true;
        }
        return false;
    }
    void Open() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            opened_ = true;
        }
        changed_.notify_all();
    }

private:
    sim::SimPeer& inner_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    bool opened_ = false;
};

TEST_F(Dialog, AFailedSearchShowsItsResultWhenItsEndOfExchangeHasGone) {
    RequestGate gate(kvard);
    // Whatever the test finds, the job is let through and the controller
    // attached again before the gate goes.
    struct Detach {
        RequestGate& gate;
        HayesApplication& app;
        sim::SimLine& line;
        sim::KvardController& kvard;
        ~Detach() {
            gate.Open();
            test::Settle(app);
            line.Attach(&kvard);
        }
    } detach{gate, *app, line, kvard};
    line.Attach(&gate);
    WithDialog([&] {
        D<RadioGroup>("RadioGroup2")->SetItemIndex(0);  // Rs-232
        test::Press(D<QCheckBox>("CheckBox1"));         // number 5: nobody answers
        test::Settle(*app);
        D<QLineEdit>("Edit1")->setText("5");
        test::Press(D<QPushButton>("Button1"));
        // The press cannot be made twice while it is on its way.
        EXPECT_FALSE(D<QPushButton>("Button1")->isEnabled());
        ASSERT_TRUE(gate.WaitHeld());
        // What the job showed before its end of exchange has reached the window.
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
        // The job still sends: no result yet, and neither "Подбор" nor the
        // network scan looks as if it could act.
        EXPECT_EQ(D<QLabel>("Label4")->text(), "Скорость обмена 19200 бод");
        EXPECT_TRUE(Status().startsWith("Подбор: попытка 7 из 7, осталось около"))
            << Status().toStdString();
        EXPECT_FALSE(D<QPushButton>("Button1")->isEnabled());
        EXPECT_FALSE(D<QPushButton>("ScanButton")->isEnabled());
        gate.Open();
        test::Settle(*app);
        // The result in place of the search's progress, and the buttons back.
        EXPECT_EQ(D<QLabel>("Label4")->text(), "Скорость обмена  не установлена");
        EXPECT_EQ(Status(), "Подбор: КВАРД не ответил ни на одной из 7 попыток");
        EXPECT_TRUE(D<QPushButton>("Button1")->isEnabled());
        EXPECT_TRUE(D<QPushButton>("ScanButton")->isEnabled());
        // A press now starts a search again.
        line.ClearLog();
        test::Press(D<QPushButton>("Button1"));
        test::Settle(*app);
        EXPECT_FALSE(line.Events().empty());
    });
}

struct DamagedSettings : Dialog {
    DamagedSettings() : Dialog({0x80, 0x7F, 0x7F, 0x80, 0x7F, 0x7F, 0x80, 0x7F}) {}
};

TEST_F(DamagedSettings, ValuesFarOutOfRangeShowAsTheNearestItemAndAreUsedSafely) {
    WithDialog([&] {
        EXPECT_EQ(D<RadioGroup>("RG2")->ItemIndex(), -1);         // port -128: none shown
        EXPECT_EQ(D<RadioGroup>("RadioGroup2")->ItemIndex(), 1);  // link kind 127: "ИРПС"
        EXPECT_EQ(D<RadioGroup>("Rprot")->ItemIndex(), 1);        // protocol 127: FT1.2
        EXPECT_EQ(D<RadioGroup>("RCRC")->ItemIndex(), -1);        // CRC mode -128: none
        D<RadioGroup>("RadioGroup2")->SetItemIndex(0);
        test::Press(D<QCheckBox>("CheckBox1"));
        test::Settle(*app);
        D<QLineEdit>("Edit1")->setText("10");
        D<QComboBox>("ComboBox1")->setCurrentIndex(6);
        test::Press(D<QPushButton>("Button1"));
        test::Settle(*app);
    });
    // The search ran on "Com1" with FT1.2 and no CRC, found no controller
    // (it speaks the traditional framing) and said nothing but its result.
    EXPECT_EQ(line.Events().front().name, "Com1");
    EXPECT_EQ(app->Link().Settings.Protocol, 1);
    EXPECT_EQ(app->Link().Settings.CrcMode, 0);
    EXPECT_TRUE(view.boxes.empty());
}

}  // namespace
}  // namespace hk
