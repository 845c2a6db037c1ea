// The program ends (a signal, the session, its main window closed) while a
// controller write runs on the job thread: the write is stopped at its next
// step as "Выход" stops it, goes on to its cancel and the end of exchange,
// and asks nothing of an operator who is no longer there.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "app/ControllerDialog.h"
#include "app/HayesApplication.h"
#include "app/MainWindow.h"
#include "gui/Memo.h"
#include "sim/KvardController.h"
#include "sim/SimLine.h"
#include "support/Children.h"
#include "support/CopyIn.h"
#include "support/Input.h"
#include "support/Jobs.h"
#include "support/QtApp.h"
#include "support/ScriptPeer.h"
#include "support/ScriptedView.h"
#include "support/TempDir.h"

namespace hk {
namespace {

TEST(ProgramEnd, AWriteUnderWayIsCancelledAndTheControllerReleased) {
    test::EnsureQApplication();
    test::TempDir dir;
    VirtualClock clock(1000);
    sim::SimLine line(clock);
    sim::KvardOptions o;
    o.netNumber = 5;
    sim::KvardController kvard(o);
    kvard.SetBuffer(0, sim::KvardController::ModemLines({"ATZ"}));
    line.Attach(&kvard);
    test::ScriptedView view;
    auto app =
        std::make_unique<HayesApplication>(line, clock, view, QString::fromStdString(dir.Dir()));
    app->Window().show();
    test::Press(test::Child<QPushButton>(&app->Window(), "SBbuf"));
    auto* menu = test::Child<QMenu>(&app->Window(), "PopupMenu1");
    menu->hide();
    menu->actions().at(0)->trigger();  // the basic kit
    test::Child<Memo>(&app->Window(), "Memo1")->AddLine("AT&F");

    // The program is ended once the controller has copied its memory into
    // the reprogramming buffer (the job stands at a checkpoint then).
    bool ended = false;
    view.onProcess = [&](int) {
        if (ended || kvard.CountRequests(0x0D) == 0) return;
        ended = true;
        app->Jobs().SetUnattended(true);
        app->Controller().StopJobs();
    };
    view.answers = {true};  // "Будем записывать настройки в КВАРД ?"
    test::OnNextModal([&](QWidget*) {
        test::Settle(*app);
        ControllerDialog& d = app->Controller();
        test::Child<QCheckBox>(&d, "CheckBox1")->setChecked(false);
        test::Child<QLineEdit>(&d, "Edit1")->setText("5");
        test::Child<QComboBox>(&d, "ComboBox1")->setCurrentIndex(6);  // 9600
        test::Child<QCheckBox>(&d, "BackupBox")->setChecked(false);
        test::Press(test::Child<QPushButton>(&d, "Button1"));
        test::Settle(*app);
    });
    test::Press(test::Child<QPushButton>(&app->Window(), "Button8"));
    test::Settle(*app);
    app.reset();

    ASSERT_TRUE(ended);
    // One cancel, no copy-out, no restart asked or sent; the status read
    // that shows the cancel done, then the end of exchange.
    EXPECT_EQ(test::RequestsFromCopyIn(kvard),
              (std::vector<std::string>{"0D A1", "0D A0", "01 40 00", "0B"}));
    const auto kept = kvard.Buffer(0);
    EXPECT_EQ(std::string(kept.begin(), kept.begin() + 4), "ATZ\r");
    for (const auto& box : view.boxes) EXPECT_NE(box.text, "Перезапустить КВАРД?");
}

}  // namespace
}  // namespace hk
