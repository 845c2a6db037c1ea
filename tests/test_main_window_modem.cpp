// The main window driving the modem side: the function buttons, the key
// filter, the ring count field, the idle receiver and the file dialogs, on
// SimLine with a simulated modem and the virtual clock.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "app/HayesApplication.h"
#include "app/MainWindow.h"
#include "app/PortDialog.h"
#include "gui/Memo.h"
#include "modem/ModemConsole.h"
#include "sim/HayesModem.h"
#include "sim/SimLine.h"
#include "support/Children.h"
#include "support/Examples.h"
#include "support/Input.h"
#include "support/Jobs.h"
#include "support/QtApp.h"
#include "support/ScriptedView.h"
#include "support/TempDir.h"

namespace hk {
namespace {

class WindowModem : public ::testing::Test {
protected:
    WindowModem() {
        test::EnsureQApplication();
        line.Attach(&modem);
        app = std::make_unique<HayesApplication>(line, clock, view,
                                                 QString::fromStdString(dir.Dir()));
        window().show();
        test::Press(W<QPushButton>("SBtk"));  // modem mode
    }
    MainWindow& window() { return app->Window(); }
    template <class T = QWidget>
    T* W(const char* name) {
        return test::Child<T>(&window(), name);
    }
    MainState& state() { return app->State(); }
    // The port as the port dialog leaves it.
    void PortReady() {
        app->Link().Settings.LinkKind = kLinkModem;
        ASSERT_TRUE(OpenPort(app->Link(), "Com2", 5, AddressMode::On));
        state().PortReady = true;
    }
    void RunFor(int ms) { test::RunFor(*app, clock, ms); }
    std::vector<std::string> Sent() {
        const JobThread::Hold parked(app->Jobs());  // the receiver reads the same line
        std::vector<std::string> lines;
        std::string current;
        for (std::uint8_t b : line.WrittenBytes()) {
            current += static_cast<char>(b);
            if (b == 0x0D) {
                lines.push_back(current);
                current.clear();
            }
        }
        return lines;
    }

    test::TempDir dir;
    VirtualClock clock;
    sim::SimLine line{clock};
    sim::HayesModem modem;
    test::ScriptedView view;
    std::unique_ptr<HayesApplication> app;
};

TEST_F(WindowModem, ARunWritesTheListLineByLineAndTheAnswersArriveInMemo2) {
    PortReady();
    W<Memo>("Memo1")->AddLine("ATZ");
    W<Memo>("Memo1")->AddLine("; a comment");
    W<Memo>("Memo1")->AddLine("ATS0=2");
    test::Press(W<QPushButton>("Button2"));
    test::Settle(*app);
    EXPECT_TRUE(window().AnswerReceiverRunning());
    RunFor(3000);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"ATZ\r", "ATS0=2\r"}));
    EXPECT_EQ(modem.Register(0), 2);
    EXPECT_TRUE(W<Memo>("Memo2")->Lines().contains("OK"));
    // A mode button ends the listening.
    test::Press(W<QPushButton>("SBtk"));
    test::Settle(*app);
    EXPECT_FALSE(window().AnswerReceiverRunning());
}

TEST_F(WindowModem, CurrentSettingsAndATypedCommand) {
    PortReady();
    test::Press(W<QPushButton>("Button3"));  // "AT I4"
    test::Settle(*app);
    RunFor(1000);
    EXPECT_EQ(Sent(), std::vector<std::string>{"AT I4\r"});
    EXPECT_GT(W<Memo>("Memo2")->LineCount(), 3);
    test::Press(W<QPushButton>("Button5"));
    test::Settle(*app);
    EXPECT_TRUE(W<QLineEdit>("Edit1")->isVisible());
    W<QLineEdit>("Edit1")->setText("ATE0");
    test::Type(W<QLineEdit>("Edit1"), Qt::Key_Return);
    test::Settle(*app);
    RunFor(500);
    EXPECT_EQ(Sent().back(), "ATE0\r");
    EXPECT_EQ(W<QLineEdit>("Edit1")->text(), "ATE0");  // kept for a repeat
}

TEST_F(WindowModem, KeyFilterDropsCyrillicLettersButNotYo) {
    W<Memo>("Memo1")->setFocus();
    test::Settle(*app);
    for (QChar c : QStringLiteral("ATЖж ЁёZ")) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(W<Memo>("Memo1"), &press);
    }
    EXPECT_EQ(W<Memo>("Memo1")->toPlainText(), QStringLiteral("AT ЁёZ"));
}

TEST_F(WindowModem, EnterWithoutAPortBringsUpThePortDialogAndSendsNothingWhenClosed) {
    bool dialogShown = false;
    test::OnNextModal([&](QWidget* modal) {
        dialogShown = modal == &app->Ports();
        if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    test::Type(W<Memo>("Memo1"), Qt::Key_Return);
    test::Settle(*app);
    EXPECT_TRUE(dialogShown);
    EXPECT_TRUE(line.WrittenBytes().empty());
}

TEST_F(WindowModem, LeavingTheRingCountRewritesTheLines) {
    W<Memo>("Memo1")->AddLine("ATS0=3&W");
    W<Memo>("Memo1")->AddLine("ATZ");
    window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    W<QSpinBox>("SpinEdit1")->setFocus();
    W<QSpinBox>("SpinEdit1")->setValue(5);
    W<Memo>("Memo1")->setFocus();  // the field loses the focus
    test::Settle(*app);
    EXPECT_EQ(W<Memo>("Memo1")->Lines(), (QStringList{"ATS0=5&W", "ATZ"}));
}

TEST_F(WindowModem, AnEmptiedOrHalfTypedRingCountShowsTheZeroTheLinesGet) {
    W<Memo>("Memo1")->AddLine("ATS0=3&W");
    window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    auto* field = W<QSpinBox>("SpinEdit1");
    for (const QString& typed : {QString(), QStringLiteral("-")}) {
        field->setFocus();
        field->setValue(5);
        W<Memo>("Memo1")->setFocus();
        test::Settle(*app);
        ASSERT_EQ(W<Memo>("Memo1")->Line(0), "ATS0=5&W");

        field->setFocus();
        test::Type(field, Qt::Key_A, Qt::ControlModifier);
        test::Type(field, Qt::Key_Delete);
        QTest::keyClicks(field, typed);
        ASSERT_EQ(field->text(), typed);
        W<Memo>("Memo1")->setFocus();  // the field loses the focus
        test::Settle(*app);
        EXPECT_EQ(W<Memo>("Memo1")->Line(0), "ATS0=0&W") << typed.toStdString();
        EXPECT_EQ(field->text(), "0") << typed.toStdString();
        EXPECT_EQ(field->value(), 0);
    }
}

TEST_F(WindowModem, ASaveOverAWriteProtectedListShowsWhyAndKeepsTheFile) {
    const std::string file = dir.File("kept.n2");
    test::TempDir::WriteAll(file, {'A', 'T', 'Z', '\r', '\n'});
    std::filesystem::permissions(file, std::filesystem::perms::owner_read);
    window().SetFileChooser(
        [&](const FileDialogSetup&, bool) -> std::optional<std::string> { return file; });
    W<Memo>("Memo1")->AddLine("AT&F");
    test::Press(W<QPushButton>("Button4"));
    test::Settle(*app);
    const auto errors = view.Texts(test::ScriptedView::Box::Kind::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(
        errors[0].rfind("Список не сохранён в файл «" + file + "»: файл защищён от записи.", 0), 0u)
        << errors[0];
    EXPECT_EQ(test::TempDir::ReadAll(file),
              (std::vector<unsigned char>{'A', 'T', 'Z', '\r', '\n'}));
}

TEST_F(WindowModem, LoadingAListTakesTheRingCountAndSavingWritesItBack) {
    const std::filesystem::path example = test::ExampleFile("hayes_init.n2");
    std::vector<std::string> asked;
    window().SetFileChooser(
        [&](const FileDialogSetup& setup, bool save) -> std::optional<std::string> {
            asked.push_back(setup.Filter.toStdString());
            if (!save) return example.string();
            EXPECT_EQ(setup.DefaultExt, "n2");
            return dir.File("copy.n2");
        });
    test::Press(W<QPushButton>("Button1"));
    test::Settle(*app);
    EXPECT_EQ(W<Memo>("Memo1")->Line(0), "AT&F");
    EXPECT_EQ(W<QSpinBox>("SpinEdit1")->value(), 2);
    test::Press(W<QPushButton>("Button4"));
    test::Settle(*app);
    EXPECT_EQ(asked, (std::vector<std::string>{"Список названий (*.n2)|*.n2",
                                               "Список названий (*.n2)|*.n2"}));
    EXPECT_EQ(test::TempDir::ReadAll(dir.File("copy.n2")),
              test::TempDir::ReadAll(example.string()));
}

}  // namespace
}  // namespace hk
