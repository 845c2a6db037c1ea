// The window «Опрос сети» from the controller dialog, on Qt's offscreen
// platform, against three simulated controllers on one line and the virtual
// clock: the table as it fills, the CSV saved, and a double-click that hands
// a controller's number and speed back to the controller dialog.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

#include "app/ControllerDialog.h"
#include "app/HayesApplication.h"
#include "app/MainWindow.h"
#include "app/NetworkScanDialog.h"
#include "base/TextForm.h"
#include "gui/RadioGroup.h"
#include "sim/MultiDropLine.h"
#include "sim/SimLine.h"
#include "support/Children.h"
#include "support/Input.h"
#include "support/Jobs.h"
#include "support/QtApp.h"
#include "support/ScriptedView.h"
#include "support/TempDir.h"

namespace hk {
namespace {

sim::KvardOptions At(int number, sim::KvardKit kit, std::int32_t baud) {
    sim::KvardOptions o;
    o.netNumber = static_cast<std::uint8_t>(number);
    o.kit = kit;
    o.baudRate = baud;
    return o;
}

TEST(ScanWindow, FillsTheTableSavesItAndHandsAControllerBack) {
    test::EnsureQApplication();
    test::TempDir dir;
    VirtualClock clock(1000);
    sim::SimLine line(clock);
    sim::MultiDropLine pair;
    pair.Add(At(3, sim::KvardKit::Basic, 9600));
    pair.Add(At(6, sim::KvardKit::Kvard47, 9600)).SetRunState(0x08);
    pair.Add(At(7, sim::KvardKit::Basic, 19200));  // not at the speed scanned
    line.Attach(&pair);
    test::ScriptedView view;
    HayesApplication app(line, clock, view, QString::fromStdString(dir.Dir()));
    app.Window().show();
    test::Press(test::Child<QPushButton>(&app.Window(), "SBbuf"));
    auto* menu = test::Child<QMenu>(&app.Window(), "PopupMenu1");
    menu->hide();
    menu->actions().at(0)->trigger();

    ControllerDialog& dialog = app.Controller();
    std::vector<QString> rows;
    std::string csv;
    test::OnNextModal([&](QWidget*) {
        test::Settle(app);
        test::Child<RadioGroup>(&dialog, "RadioGroup1")->SetItemIndex(0);  // Hex
        test::OnNextModal([&](QWidget* scanWindow) {
            EXPECT_EQ(scanWindow->windowTitle(), "Опрос сети");
            test::Child<QSpinBox>(scanWindow, "LastNumber")->setValue(8);
            test::Child<QComboBox>(scanWindow, "ScanSpeed")->setCurrentIndex(6);  // 9600 baud
            test::Press(test::Child<QPushButton>(scanWindow, "StartScan"));
            test::Settle(app);
            auto* table = test::Child<QTableWidget>(scanWindow, "ScanTable");
            for (int r = 0; r < table->rowCount(); ++r)
                rows.push_back(table->item(r, 0)->text() + " " + table->item(r, 1)->text() + " " +
                               table->item(r, 2)->text() + " " + table->item(r, 3)->text());
            EXPECT_EQ(test::Child<QProgressBar>(scanWindow, "ScanProgress")->value(), 8);
            auto* scan = static_cast<NetworkScanDialog*>(scanWindow);
            scan->SetSaveChooser([&] {
                return std::optional<QString>(QString::fromStdString(dir.File("net.csv")));
            });
            test::Press(test::Child<QPushButton>(scanWindow, "SaveCsv"));
            const auto bytes = test::TempDir::ReadAll(dir.File("net.csv"));
            csv.assign(bytes.begin(), bytes.end());
            emit table->cellDoubleClicked(1, 0);  // КВАРД-47 at number 6
        });
        test::Press(test::Child<QPushButton>(&dialog, "ScanButton"));
        test::Settle(app);
        // Back in the controller dialog, ready for "Подбор".
        EXPECT_FALSE(test::Child<QCheckBox>(&dialog, "CheckBox1")->isChecked());
        EXPECT_EQ(test::Child<QLineEdit>(&dialog, "Edit1")->text(), "06");
        EXPECT_EQ(test::Child<QComboBox>(&dialog, "ComboBox1")->currentText(), "  9600 бод");
        dialog.reject();
    });
    test::Press(test::Child<QPushButton>(&app.Window(), "Button7"));
    test::Settle(app);

    EXPECT_EQ(rows,
              (std::vector<QString>{"03 9600 Базовый комплект КВАРД 40 работает, ключ установлен",
                                    "06 9600 КВАРД-47 остановлен, ключ установлен"}));
    // The system's form: for Excel on Windows, plain elsewhere.
    EXPECT_EQ(csv.rfind(kWindowsForm ? "\xEF\xBB\xBFНомер;Скорость;Комплект;Состояние\r\n03;9600;"
                                     : "Номер,Скорость,Комплект,Состояние\r\n03,9600,",
                        0),
              0u)
        << csv;
    EXPECT_TRUE(view.boxes.empty());
}

}  // namespace
}  // namespace hk
