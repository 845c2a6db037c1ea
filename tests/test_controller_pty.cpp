// End to end on the controller side: the real window and the real serial
// backend, over a pseudo-terminal reached as ports/com1, to the simulated
// КВАРД controller (basic kit, network number 5, 9600 baud). The operator
// chooses the kit, fills both memos, "Записать в КВАРД", confirms, sets the
// number and speed, "Подбор", answers the restart question; then reads the
// buffers back with "Прочитать из КВАРД". Real time, bounded by a watchdog.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include "app/ControllerDialog.h"
#include "app/HayesApplication.h"
#include "app/LogWindow.h"
#include "app/MainWindow.h"
#include "gui/Memo.h"
#include "link/PosixSerialLine.h"
#include "sim/KvardController.h"
#include "sim/PtyBridge.h"
#include "support/Children.h"
#include "support/Input.h"
#include "support/Jobs.h"
#include "support/QtApp.h"
#include "support/ScriptedView.h"
#include "support/TempDir.h"

namespace hk {
namespace {

using Box = test::ScriptedView::Box;

class ControllerEndToEnd : public ::testing::Test {
protected:
    ControllerEndToEnd() {
        test::EnsureQApplication();
        sim::KvardOptions o;
        o.kit = sim::KvardKit::Basic;
        o.netNumber = 5;
        o.baudRate = 9600;
        o.evenParityReadsAsNone = true;
        kvard = std::make_unique<sim::KvardController>(o);
        kvard->SetBuffer(0, sim::KvardController::ModemLines({"ATZ"}));
        served = std::make_unique<sim::ServedPty>(*kvard, dir.Dir() + "ports/com1");
        started = served->Started();
        EXPECT_TRUE(started) << served->Error();
        app = std::make_unique<HayesApplication>(line, clock, view,
                                                 QString::fromStdString(dir.Dir()));
        app->Window().show();
    }

    template <class T = QWidget>
    T* W(const char* name) {
        return test::Child<T>(&app->Window(), name);
    }
    template <class T = QWidget>
    T* InDialog(const char* name) {
        return test::Child<T>(&app->Controller(), name);
    }
    // Presses a main-window button that opens the controller dialog; in the
    // dialog, enters number 5 at 9600 baud and presses "Подбор". Returns when
    // the dialog has closed (or the watchdog closed it after 30 s).
    void RunDialogFrom(const char* button) {
        bool timedOut = false;
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] {
            timedOut = true;
            app->Controller().reject();
        });
        test::OnNextModal([this, &watchdog](QWidget*) {
            watchdog.start(30'000);
            InDialog<QCheckBox>("CheckBox1")->setChecked(false);
            InDialog<QLineEdit>("Edit1")->setText("5");
            InDialog<QComboBox>("ComboBox1")->setCurrentIndex(6);  // "  9600 бод"
            test::Press(InDialog<QPushButton>("Button1"));
        });
        test::Press(W<QPushButton>(button));
        test::Settle(*app);
        EXPECT_FALSE(timedOut) << "the dialog did not close by itself";
    }

    test::TempDir dir;
    std::unique_ptr<sim::KvardController> kvard;
    std::unique_ptr<sim::ServedPty> served;
    bool started = false;
    PosixSerialLine line{dir.Dir()};
    RealClock clock;
    test::ScriptedView view;
    std::unique_ptr<HayesApplication> app;
};

TEST_F(ControllerEndToEnd, WriteBothBuffersThenReadThemBack) {
    ASSERT_TRUE(started);
    test::Press(W<QPushButton>("SBbuf"));
    auto* kitMenu = W<QMenu>("PopupMenu1");
    kitMenu->hide();
    kitMenu->actions().at(0)->trigger();  // "Базовый комплект КВАРД 40"
    auto* upper = W<Memo>("Memo1");
    auto* lower = W<Memo>("Memo2");
    for (const char* l : {"ATZ", "ATS0=3", "AT&W"}) upper->AddLine(l);
    for (const char* l : {"AT&F", "ATE0"}) lower->AddLine(l);

    view.answers = {true, true};  // write? restart?
    // The operator opens the exchange log during the write and watches it:
    // the window's own timer brings the exchanges in while the write runs.
    QString seenDuringTheWrite;
    view.onProcess = [&](int) {
        if (!app->Window().LogView()) test::Press(InDialog<QPushButton>("LogButton"));
        QCoreApplication::processEvents();
        auto* gauge = InDialog<QProgressBar>("Gg1");
        if (seenDuringTheWrite.isEmpty() && gauge->isVisible() && gauge->value() > 0)
            seenDuringTheWrite =
                test::Child<QPlainTextEdit>(app->Window().LogView(), "LogText")->toPlainText();
    };
    RunDialogFrom("Button8");
    view.onProcess = nullptr;
    EXPECT_TRUE(seenDuringTheWrite.contains("===== Подбор: запись в КВАРД, Com1 ====="));
    EXPECT_TRUE(seenDuringTheWrite.contains("STOP: традиционный кадр, запрос 09"));
    EXPECT_TRUE(seenDuringTheWrite.contains("Запись буфера: традиционный кадр, запрос 06 DF 00"));
    EXPECT_FALSE(seenDuringTheWrite.contains("Копирование буфера в РПЗУ:"));  // not yet
    EXPECT_EQ(
        view.Texts(Box::Kind::Confirm),
        (std::vector<std::string>{"Будем записывать настройки в КВАРД ?", "Перезапустить КВАРД?"}));
    EXPECT_TRUE(view.Texts(Box::Kind::Error).empty());
    // Port Com1, RS-232, 9600 baud, number 5, МЦП, traditional, no CRC, kit 0.
    EXPECT_EQ(test::TempDir::ReadAll(dir.File("HmK.Cfg")),
              (std::vector<unsigned char>{0, 0, 5, 5, 0, 0, 0, 0}));

    upper->ClearLines();
    lower->ClearLines();
    RunDialogFrom("Button7");
    EXPECT_EQ(upper->Lines(), (QStringList{"ATZ", "ATS0=3", "AT&W", ""}));
    EXPECT_EQ(lower->Lines(), (QStringList{"AT&F", "ATE0", ""}));

    served->Stop();
    const auto committed = kvard->Buffer(0);
    const std::string text(committed.begin(), committed.begin() + 21);
    EXPECT_EQ(text, std::string("ATZ\rATS0=3\rAT&W\r\0\0\0\0\0", 21));
    EXPECT_EQ(kvard->CountRequests(0x0D), 2);               // copy-in, copy-out
    EXPECT_EQ(kvard->ControlParameter(0)[1] & 0x10, 0x10);  // written with lines
}

}  // namespace
}  // namespace hk
