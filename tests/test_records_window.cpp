// The window's records on Qt's offscreen platform, against the simulated
// controller on the virtual clock: a read through "Подбор" leaves its
// record, «Акты...» lists it and opens it as its page, two reads of one
// controller are compared, an edited record is named so and shown with a
// warning, a record folder that cannot be written is said in the status bar
// while the read stands, a page is saved as PDF, and a modem run and a check
// of the modem each leave theirs.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <filesystem>
#include <fstream>

#include "app/ControllerDialog.h"
#include "app/HayesApplication.h"
#include "app/JobRecords.h"
#include "app/MainWindow.h"
#include "app/RecordViewer.h"
#include "app/RecordsWindow.h"
#include "gui/Memo.h"
#include "gui/RadioGroup.h"
#include "link/Port.h"
#include "records/RecordFiles.h"
#include "records/Sha256.h"
#include "sim/HayesModem.h"
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

class Records : public ::testing::Test {
protected:
    Records() {
        test::EnsureQApplication();
        // Com4, RS-232, 9600 baud, number 10, КВАРД-47.
        test::TempDir::WriteAll(dir.File("HmK.Cfg"), {3, 0, 5, 10, 0, 0, 0, 3});
        sim::KvardOptions o;
        o.kit = sim::KvardKit::Kvard47;
        o.netNumber = 10;
        o.baudRate = 9600;
        kvard = std::make_unique<sim::KvardController>(o);
        kvard->SetBuffer(0, sim::KvardController::ModemLines({"ATZ", "ATS0=2"}));
        line.Attach(kvard.get());
        app = std::make_unique<HayesApplication>(line, clock, view,
                                                 QString::fromStdString(dir.Dir()));
        app->Window().show();
        test::Press(test::Child<QPushButton>(&app->Window(), "SBbuf"));
        auto* menu = test::Child<QMenu>(&app->Window(), "PopupMenu1");
        menu->hide();
        menu->actions().at(3)->trigger();  // КВАРД-47
    }
    // A read through "Подбор"; true when it filled the memo.
    bool Read() {
        test::OnNextModal([&](QWidget*) {
            test::Settle(*app);
            test::Press(test::Child<QPushButton>(&app->Controller(), "Button1"));
            test::Settle(*app);
            if (app->Controller().isVisible()) app->Controller().reject();
            test::Settle(*app);
        });
        test::Press(test::Child<QPushButton>(&app->Window(), "Button7"));
        test::Settle(*app);
        return test::Child<Memo>(&app->Window(), "Memo1")->Lines().contains("ATS0=2");
    }
    RecordsWindow& History() {
        test::Press(test::Child<QPushButton>(&app->Window(), "RecordsButton"));
        return app->History();
    }
    QTableWidget* Table() { return test::Child<QTableWidget>(&app->History(), "RecordsTable"); }
    QString Cell(int row, int column) { return Table()->item(row, column)->text(); }

    test::TempDir dir;
    VirtualClock clock{1000};
    sim::SimLine line{clock};
    std::unique_ptr<sim::KvardController> kvard;
    test::ScriptedView view;
    std::unique_ptr<HayesApplication> app;
};

TEST_F(Records, AReadLeavesItsRecordAndTheHistoryOpensAndComparesIt) {
    ASSERT_TRUE(Read());
    const std::string written = app->Records().LastWritten();
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(fs::path(written).parent_path(), fs::path(dir.Dir() + "records"));
    std::ifstream in(written);
    const std::string json{std::istreambuf_iterator<char>(in), {}};
    EXPECT_NE(json.find("\"name\": \"HayesKvd\""), std::string::npos);
    EXPECT_NE(json.find("\"job\": \"read\""), std::string::npos);

    kvard->SetBuffer(0, sim::KvardController::ModemLines({"ATZ", "ATS0=3"}));
    ASSERT_TRUE(test::Child<Memo>(&app->Window(), "Memo1")->Lines().contains("ATS0=2"));
    Read();
    RecordsWindow& history = History();
    EXPECT_TRUE(history.isVisible());
    ASSERT_EQ(Table()->rowCount(), 2);
    EXPECT_EQ(Cell(0, 1), "КВАРД № 10 на Com4");
    EXPECT_EQ(Cell(0, 3), "выполнено");
    EXPECT_EQ(Cell(0, 4).toStdString(), fs::path(app->Records().LastWritten()).filename());

    history.OpenRow(0);
    ASSERT_NE(history.Viewer(), nullptr);
    const QString page = history.Viewer()->Html();
    EXPECT_TRUE(page.contains("КВАРД № 10 на Com4")) << page.left(400).toStdString();
    EXPECT_TRUE(page.contains("ATS0=3"));
    EXPECT_FALSE(page.contains("Внимание")) << page.toStdString();

    // What changed on number 10 from the first read to the second.
    history.CompareRows(0, 1);
    const QString comparison = history.Viewer()->Html();
    EXPECT_TRUE(comparison.contains("ATS0=2"));
    EXPECT_TRUE(comparison.contains("ATS0=3"));

    // The filter by number leaves nothing of number 11.
    test::Child<QLineEdit>(&history, "NumberFilter")->setText("11");
    EXPECT_EQ(Table()->rowCount(), 0);
    test::Child<QLineEdit>(&history, "NumberFilter")->setText("10");
    EXPECT_EQ(Table()->rowCount(), 2);
}

TEST_F(Records, AnEditedRecordIsNamedSoAndShownWithAWarning) {
    ASSERT_TRUE(Read());
    const std::string written = app->Records().LastWritten();
    std::ifstream in(written);
    std::string json{std::istreambuf_iterator<char>(in), {}};
    in.close();
    const auto at = json.find("\"ATS0=2\"");
    ASSERT_NE(at, std::string::npos);
    json.replace(at, 8, "\"ATS0=7\"");
    std::ofstream(written, std::ios::trunc) << json;
    std::ofstream(dir.Dir() + "records/notes.json") << "not json";

    RecordsWindow& history = History();
    ASSERT_EQ(Table()->rowCount(), 2);
    EXPECT_TRUE(Cell(0, 3).startsWith("изменён")) << Cell(0, 3).toStdString();
    EXPECT_TRUE(Cell(1, 3).startsWith("не акт")) << Cell(1, 3).toStdString();
    history.OpenRow(0);
    ASSERT_NE(history.Viewer(), nullptr);
    EXPECT_TRUE(history.Viewer()->Html().contains("Внимание: акт не доказателен"));
    // A file that is no record opens nothing, and says why.
    history.Viewer()->close();
    history.OpenRow(1);
    EXPECT_FALSE(history.Viewer()->isVisible());
    EXPECT_TRUE(test::Child<QLabel>(&history, "RecordsStatus")->text().contains("не акт"));
}

TEST_F(Records, AFolderThatCannotTakeTheRecordIsSaidAndTheReadStands) {
    std::ofstream(dir.File("blocked")) << "a file where the folder should be";
    app->Records().SetFolder(dir.File("blocked") + "/records/");
    ASSERT_TRUE(Read());
    EXPECT_TRUE(app->Records().LastWritten().empty());
    const QString status = test::Child<QLabel>(&app->Window(), "SB1Panel0")->text();
    EXPECT_TRUE(status.startsWith("Акт наладки не записан")) << status.toStdString();
    EXPECT_TRUE(status.contains("blocked")) << status.toStdString();
}

TEST_F(Records, APageIsSavedAsPdf) {
    ASSERT_TRUE(Read());
    RecordsWindow& history = History();
    history.OpenRow(0);
    RecordViewer* viewer = history.Viewer();
    ASSERT_NE(viewer, nullptr);
    const QString pdf = QString::fromStdString(dir.File("act.pdf"));
    viewer->SetPdfChooser([pdf] { return std::optional<QString>(pdf); });
    viewer->SavePdf();
    std::ifstream in(pdf.toStdString(), std::ios::binary);
    std::string head(5, '\0');
    in.read(head.data(), 5);
    EXPECT_EQ(head, "%PDF-");
    // Printing hands the PDF to the system's viewer.
    QString opened;
    viewer->SetOpener([&opened](const QString& file) { return opened = file, true; });
    viewer->Print();
    EXPECT_TRUE(opened.endsWith(".pdf"));
    EXPECT_TRUE(QFileInfo(opened).size() > 0);
    QFile::remove(opened);
}

// The records of a folder, read back.
std::vector<records::RecordEntry> InFolder(const std::string& folder) {
    return records::ListRecords(folder);
}

TEST(ModemRecords, ARunAndACheckOfTheModemEachLeaveTheirRecord) {
    test::EnsureQApplication();
    test::TempDir dir;
    VirtualClock clock;
    sim::SimLine line{clock};
    sim::HayesModem modem;
    ASSERT_TRUE(modem.KeepFixed("S7", 50));
    test::ScriptedView view;
    line.Attach(&modem);
    auto app =
        std::make_unique<HayesApplication>(line, clock, view, QString::fromStdString(dir.Dir()));
    app->Window().show();
    test::Press(test::Child<QPushButton>(&app->Window(), "SBtk"));  // modem mode
    app->Link().Settings.LinkKind = kLinkModem;
    ASSERT_TRUE(OpenPort(app->Link(), "Com2", 5, AddressMode::On));
    app->State().PortReady = true;
    auto* list = test::Child<Memo>(&app->Window(), "Memo1");
    for (const char* l : {"AT&F", "ATX9", "ATS7=60"}) list->AddLine(l);

    test::Press(test::Child<QPushButton>(&app->Window(), "Button2"));
    test::RunFor(*app, clock, 4000);
    std::vector<records::RecordEntry> entries = InFolder(dir.Dir() + "records/");
    ASSERT_EQ(entries.size(), 1u);
    const records::Record& run = entries[0].record;
    EXPECT_EQ(entries[0].problem, records::ReadProblem::None) << entries[0].message;
    EXPECT_EQ(run.job, records::JobKind::ModemWrite);
    EXPECT_EQ(records::DeviceTitle(run), "модем на Com2");
    ASSERT_TRUE(run.modem);
    ASSERT_EQ(run.modem->lines.size(), 3u);
    EXPECT_EQ(run.modem->lines[1].text, "ATX9");
    EXPECT_EQ(run.modem->lines[1].verdict, "error");
    EXPECT_EQ(run.outcome.result, "error");
    // The list as it stood in the window: its lines, each with CR LF.
    EXPECT_EQ(run.modem->listSha256,
              records::Sha256Hex(std::string_view("AT&F\r\nATX9\r\nATS7=60\r\n")));

    test::Press(test::Child<QPushButton>(&app->Window(), "CheckModemButton"));
    test::Settle(*app);
    entries = InFolder(dir.Dir() + "records/");
    ASSERT_EQ(entries.size(), 2u);
    const records::Record& check = entries[0].record;
    EXPECT_EQ(check.job, records::JobKind::ModemCheck);
    ASSERT_TRUE(check.modem);
    EXPECT_TRUE(check.modem->checked);
    const auto s7 = std::find_if(
        check.modem->settings.begin(), check.modem->settings.end(),
        [](const records::ModemSettingFacts& f) { return f.setting == "S7" && !f.profile; });
    ASSERT_NE(s7, check.modem->settings.end());
    EXPECT_EQ(s7->modem, 50);
    EXPECT_EQ(s7->verdict, "differs");
    EXPECT_EQ(check.previous, entries[1].sha256);
}

}  // namespace
}  // namespace hk
