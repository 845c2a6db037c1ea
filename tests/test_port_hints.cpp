// What the port choices tell the operator, the window of the computer's
// serial devices that assigns them, and Qt's standard dialogs in Russian.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <filesystem>

#include <QDeadlineTimer>
#include <QPlainTextEdit>

#include "app/AdapterCheckDialog.h"
#include "app/HayesApplication.h"
#include "app/MainWindow.h"
#include "app/PortDialog.h"
#include "gui/MessageBoxes.h"
#include "gui/PortHints.h"
#include "gui/RadioGroup.h"
#include "gui/SerialPortsDialog.h"
#include "gui/Translations.h"
#include "ports/PortMapping.h"
#include "ports/SimulatedAdapterFile.h"
#include "sim/SimLine.h"
#include "sim/SimulatedPorts.h"
#include "support/Children.h"
#include "support/Input.h"
#include "support/QtApp.h"
#include "support/ScriptedView.h"
#include "support/TempDir.h"

namespace hk {
namespace {

namespace fs = std::filesystem;

void Put(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    test::TempDir::WriteAll(file.string(), {text.begin(), text.end()});
}

std::string Read(const std::string& file) {
    const auto bytes = test::TempDir::ReadAll(file);
    return {bytes.begin(), bytes.end()};
}

// A settings folder and a made-up system: built-in ttyS0 with a chip, ttyS1
// without, and an FTDI adapter on ttyUSB0 with its by-id name.
class PortItems : public ::testing::Test {
protected:
    PortItems() {
        test::EnsureQApplication();
        const fs::path r = system_.Path();
        for (const char* node : {"ttyS0", "ttyS1", "ttyUSB0"}) Put(r / "dev" / node, "");
        Put(r / "sys/class/tty/ttyS0/type", "4\n");
        Put(r / "sys/class/tty/ttyS1/type", "0\n");
        fs::create_directories(r / "dev/serial/by-id");
        fs::create_symlink("../../ttyUSB0", r / "dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0");
    }
    std::string Root() const { return system_.Path().string(); }
    std::string SettingsFile() const { return home_.File("HmK.Cfg"); }
    std::string Mapping() const { return home_.File("ports.conf"); }

    test::TempDir home_, system_;
};

TEST_F(PortItems, EachItemSaysWhatItOpensAndWhetherItIsThere) {
    Put(Mapping(), "Com3=/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0\nCom4=/dev/ttyUSB7\n");
    RadioGroup group("RG2", "Номер СОМ-порта", {"Com1", "Com2", "Com3", "Com4"}, 2, nullptr);
    DescribePortItems(group, SettingsFile(), Root());

    EXPECT_EQ(group.Button(0)->toolTip(),
              "Com1 открывает встроенный порт /dev/ttyS0: встроенный последовательный порт, "
              "подключено. Правая кнопка мыши: выбрать другое устройство.");
    EXPECT_TRUE(group.Button(1)->toolTip().contains("/dev/ttyS1: такого порта в компьютере нет"));
    const QString mapped = group.Button(2)->toolTip();
    EXPECT_TRUE(
        mapped.startsWith("Com3 открывает /dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0 "
                          "(назначено в файле " +
                          QString::fromStdString(Mapping()) + "): FTDI FT232R A1, подключено"))
        << mapped.toStdString();
    EXPECT_TRUE(group.Button(3)->toolTip().startsWith("Com4 открывает /dev/ttyUSB7 (назначено"));
    EXPECT_TRUE(group.Button(3)->toolTip().contains("): устройства сейчас нет (подключите его)"));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(group.Button(i)->statusTip(), group.Button(i)->toolTip());
        EXPECT_EQ(group.Button(i)->accessibleDescription(), group.Button(i)->toolTip());
    }
}

TEST_F(PortItems, MissingDevicesLookDifferentButStaySelectable) {
    RadioGroup group("RG1", "Номер Сом-порта", {"Com1", "Com2"}, 2, nullptr);
    Put(Mapping(), "Com1=/dev/ttyUSB9\nCom2=/dev/ttyUSB0\n");
    DescribePortItems(group, SettingsFile(), Root());
    EXPECT_TRUE(group.Button(0)->property("deviceMissing").toBool());
    EXPECT_TRUE(group.Button(0)->font().italic());
    EXPECT_NE(group.Button(0)->palette().color(QPalette::WindowText),
              group.Button(1)->palette().color(QPalette::WindowText));
    EXPECT_TRUE(group.Button(0)->isEnabled());
    group.SetItemIndex(0);
    EXPECT_EQ(group.ItemIndex(), 0);

    // Plugged in: the next opening shows it as every other item.
    Put(Mapping(), "Com1=/dev/ttyUSB0\n");
    DescribePortItems(group, SettingsFile(), Root());
    EXPECT_FALSE(group.Button(0)->property("deviceMissing").toBool());
    EXPECT_FALSE(group.Button(0)->font().italic());
    EXPECT_EQ(group.Button(0)->contextMenuPolicy(), Qt::CustomContextMenu);
}

// --- The window of the computer's serial devices ----------------------------------

TEST_F(PortItems, TheWindowListsTheDevicesAndWhichNamesLeadToThem) {
    Put(Mapping(), "Com5=/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0\nbroken line\n");
    SerialPortsDialog dialog(home_.Dir(), 5, nullptr, Root());
    auto* list = test::Child<QTreeWidget>(&dialog, "DeviceList");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "/dev/ttyS0");
    EXPECT_EQ(list->topLevelItem(0)->text(2), "Com1");  // the built-in default
    EXPECT_EQ(list->topLevelItem(1)->text(0), "/dev/ttyUSB0");
    EXPECT_EQ(list->topLevelItem(1)->text(1), "FTDI FT232R A1");
    EXPECT_EQ(list->topLevelItem(1)->text(2), "Com5");
    EXPECT_EQ(test::Child<QComboBox>(&dialog, "PortChoice")->currentText(), "Com5");
    auto* problems = test::Child<QLabel>(&dialog, "MappingProblems");
    EXPECT_TRUE(problems->text().contains("строка 2 «broken line»"))
        << problems->text().toStdString();
}

// A port whose mapping line was not understood says which line of which
// file, and is shown as missing; a line that names no port is noted on the
// ports the file does not assign.
TEST_F(PortItems, ALineNotUnderstoodIsNamedInTheHints) {
    Put(Mapping(), "Com2 /dev/ttyUSB0\nCom3=/dev/ttyUSB0\nCmo4=/dev/ttyUSB0\n");
    RadioGroup group("RG2", "Номер СОМ-порта", {"Com1", "Com2", "Com3"}, 0, nullptr);
    DescribePortItems(group, SettingsFile(), Root());
    const std::string file = Mapping();
    EXPECT_EQ(group.Button(1)->toolTip().toStdString(),
              "Com2 не открывается: в файле " + file +
                  " не понята строка 1 «Com2 /dev/ttyUSB0» (нет знака «=» между именем порта и "
                  "устройством). Исправьте строку (Com2=устройство) или удалите её: тогда Com2 "
                  "откроет порт по умолчанию. Правая кнопка мыши: выбрать другое устройство.");
    EXPECT_TRUE(group.Button(1)->property("deviceMissing").toBool());
    const std::string note = "Внимание: в файле " + file +
                             " не понята строка 3 «Cmo4=/dev/ttyUSB0» (слева от «=» должно стоять "
                             "имя порта от Com1 до Com18): строка пропущена, исправьте её.";
    EXPECT_TRUE(group.Button(0)->toolTip().toStdString().ends_with(note))
        << group.Button(0)->toolTip().toStdString();
    EXPECT_FALSE(group.Button(2)->toolTip().contains("Внимание"));

    // The devices window says the same of the chosen port and can give the
    // name back, which leaves the line as a comment.
    SerialPortsDialog dialog(home_.Dir(), 2, nullptr, Root());
    EXPECT_TRUE(test::Child<QLabel>(&dialog, "ChosenPort")
                    ->text()
                    .startsWith("Com2 не открывается: в файле "));
    auto* unassign = test::Child<QPushButton>(&dialog, "UnassignButton");
    ASSERT_TRUE(unassign->isEnabled());
    test::Press(unassign);
    EXPECT_EQ(Read(Mapping()), "# Com2 /dev/ttyUSB0\nCom3=/dev/ttyUSB0\nCmo4=/dev/ttyUSB0\n");
    EXPECT_EQ(RoutePort(home_.Dir(), "Com2").path, "/dev/ttyS1");
}

TEST_F(PortItems, AssigningStoresTheStableNameAndRemovingGivesTheDefaultBack) {
    Put(Mapping(), "# mine\nnot a line\n");
    SerialPortsDialog dialog(home_.Dir(), 3, nullptr, Root());
    auto* list = test::Child<QTreeWidget>(&dialog, "DeviceList");
    auto* assign = test::Child<QPushButton>(&dialog, "AssignButton");
    EXPECT_FALSE(assign->isEnabled());  // nothing chosen yet
    list->setCurrentItem(list->topLevelItem(1));
    ASSERT_TRUE(assign->isEnabled());
    test::Press(assign);
    EXPECT_EQ(Read(Mapping()),
              "# mine\nnot a line\nCom3=/dev/serial/by-id/usb-FTDI_FT232R_A1-if00-port0\n");
    EXPECT_EQ(list->topLevelItem(1)->text(2), "Com3");
    EXPECT_EQ(RoutePort(home_.Dir(), "Com3").source, PortSource::Mapping);

    test::Press(test::Child<QPushButton>(&dialog, "UnassignButton"));
    EXPECT_EQ(Read(Mapping()), "# mine\nnot a line\n");
    EXPECT_EQ(RoutePort(home_.Dir(), "Com3").path, "/dev/ttyS2");
}

TEST_F(PortItems, APortDialogOpeningDescribesItsItemsAndOffersTheDevicesWindow) {
    VirtualClock clock;
    sim::SimLine line{clock};
    test::ScriptedView view;
    Put(home_.File("ports.conf"), "Com2=/dev/nothing-here\n");
    HayesApplication app(line, clock, view, QString::fromStdString(home_.Dir()));
    PortDialog& dialog = app.Ports();
    dialog.show();
    QCoreApplication::processEvents();
    auto* rg1 = test::Child<RadioGroup>(&dialog, "RG1");
    EXPECT_TRUE(rg1->Button(1)->toolTip().startsWith("Com2 открывает /dev/nothing-here"));
    EXPECT_TRUE(rg1->Button(1)->property("deviceMissing").toBool());
    auto* ports = test::Child<QPushButton>(&dialog, "PortsButton");
    EXPECT_TRUE(ports->isVisible());
    EXPECT_EQ(ports->text(), "Порты компьютера...");
    bool windowShown = false;
    test::OnNextModal([&](QWidget* modal) {
        windowShown = modal->objectName() == "SerialPorts";
        static_cast<QDialog*>(modal)->accept();
    });
    test::Press(ports);
    EXPECT_TRUE(windowShown);
    dialog.hide();
}

// «Проверка адаптера» from the port item's menu: the verdict is kept for
// the adapter (here the demo's simulated one, by its serial number) and the
// port's hint says it the next time, in this run and in the next.
TEST_F(PortItems, TheAdaptersCheckIsKeptAndShownInThePortHintNextTime) {
    SimulatedAdapterFile described;
    described.serial = "KVSIM-3";
    described.plug = "loopback";
    described.faults = {"drop-parity"};
    Put(home_.Path() / "ports" / "com3", SimulatedAdapterFileText(described));
    VirtualClock clock;
    sim::SimLine line{clock};
    test::ScriptedView view;
    sim::SimulatedPorts adapters(home_.Dir(), clock);
    const auto hintOfCom3 = [&](HayesApplication& app) {
        PortDialog& dialog = app.Ports();
        dialog.show();
        QCoreApplication::processEvents();
        const QString hint = test::Child<RadioGroup>(&dialog, "RG1")->Button(2)->toolTip();
        dialog.hide();
        return hint.toStdString();
    };
    {
        HayesApplication app(line, clock, view, QString::fromStdString(home_.Dir()));
        app.SetAdapterLines([&](const std::string& name) { return adapters.MakeLine(name); },
                            [] { return std::string("2026-12-08"); });
        EXPECT_EQ(hintOfCom3(app).find("проверен"), std::string::npos) << hintOfCom3(app);

        std::string report;
        test::OnNextModal([&](QWidget* modal) {
            auto* check = static_cast<AdapterCheckDialog*>(modal);
            EXPECT_TRUE(test::Child<QRadioButton>(check, "LoopbackChoice")->isChecked());
            test::Press(test::Child<QPushButton>(check, "CheckButton"));
            const QDeadlineTimer limit(30000);
            while (!check->Report() && !limit.hasExpired())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            report = test::Child<QPlainTextEdit>(check, "ReportText")->toPlainText().toStdString();
            test::Press(test::Child<QPushButton>(check, "CloseButton"));
        });
        app.CheckAdapter("Com3", &app.Window());
        EXPECT_NE(report.find("MARK/SPACE не передаёт"), std::string::npos) << report;
        EXPECT_NE(hintOfCom3(app).find("Адаптер проверен 2026-12-08 (петля): MARK/SPACE не передаёт"),
                  std::string::npos)
            << hintOfCom3(app);
    }
    // The next run: the same adapter behind another port name shows it too.
    std::filesystem::rename(home_.Path() / "ports" / "com3", home_.Path() / "ports" / "com4");
    HayesApplication next(line, clock, view, QString::fromStdString(home_.Dir()));
    PortDialog& dialog = next.Ports();
    dialog.show();
    QCoreApplication::processEvents();
    const std::string hint =
        test::Child<RadioGroup>(&dialog, "RG1")->Button(3)->toolTip().toStdString();
    dialog.hide();
    EXPECT_NE(hint.find("Адаптер проверен 2026-12-08 (петля): MARK/SPACE не передаёт"),
              std::string::npos)
        << hint;
}

// --- Qt's own texts --------------------------------------------------------------------

TEST(RussianQtTexts, TheFileDialogsSpeakRussianAndTheMessageBoxesKeepTheirTexts) {
    QApplication& app = test::EnsureQApplication();
    ASSERT_TRUE(InstallRussianQtTexts(app, QString()))
        << "qtbase_ru.qm missing: scripts/setup.sh installs qt6-translations-l10n";
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QStringList texts;
    for (QLabel* l : dialog.findChildren<QLabel*>()) texts << l->text();
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) texts << b->text();
    EXPECT_TRUE(texts.contains("Отмена")) << texts.join('|').toStdString();
    EXPECT_FALSE(texts.contains("Cancel")) << texts.join('|').toStdString();
    EXPECT_FALSE(texts.contains("Look in:")) << texts.join('|').toStdString();

    QString title, button;
    test::OnNextModal([&](QWidget* modal) {
        auto* box = static_cast<QMessageBox*>(modal);
        title = box->windowTitle();
        button = box->buttons().value(0)->text();
        box->accept();
    });
    ErrorBox(nullptr, "Ошибка открытия последовательного порта Com7");
    EXPECT_EQ(title, "Error");
    EXPECT_EQ(button, "OK");
}

}  // namespace
}  // namespace hk
