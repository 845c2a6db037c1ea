// The main window showing how a modem run goes: the status text in the hint
// panel (covered by a hint only while the pointer rests on a control), the
// refused lines marked in the list memo until the list is edited or loaded
// again. On SimLine with the simulated modem and the virtual clock, and one
// run over a pseudo-terminal with the real serial backend in real time.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusTipEvent>
#include <QTest>
#include <chrono>

#include "app/HayesApplication.h"
#include "app/MainWindow.h"
#include "gui/Memo.h"
#include "link/PosixSerialLine.h"
#include "sim/HayesModem.h"
#include "sim/PtyBridge.h"
#include "sim/SimLine.h"
#include "support/Children.h"
#include "support/Input.h"
#include "support/Jobs.h"
#include "support/QtApp.h"
#include "support/ScriptedView.h"
#include "support/TempDir.h"

namespace hk {
namespace {

const QStringList kList{"ATZ", "; the reset first", "ATX9", "ATS0=2"};
const QString kSummary = QStringLiteral("Записано 3 строки, ошибок 1: строка 2 ATX9");

void ShowTip(QWidget& window, const QString& tip) {
    QStatusTipEvent e(tip);
    QCoreApplication::sendEvent(&window, &e);
}

class WindowRun : public ::testing::Test {
protected:
    WindowRun() {
        test::EnsureQApplication();
        line.Attach(&modem);
        app = std::make_unique<HayesApplication>(line, clock, view,
                                                 QString::fromStdString(dir.Dir()));
        window().show();
        test::Press(W<QPushButton>("SBtk"));  // modem mode
        app->Link().Settings.LinkKind = kLinkModem;
        EXPECT_TRUE(OpenPort(app->Link(), "Com2", 5, AddressMode::On));
        app->State().PortReady = true;
        for (const QString& l : kList) W<Memo>("Memo1")->AddLine(l);
    }
    MainWindow& window() { return app->Window(); }
    template <class T = QWidget>
    T* W(const char* name) {
        return test::Child<T>(&window(), name);
    }
    QString Panel() { return W<QLabel>("SB1Panel0")->text(); }
    void RunFor(int ms) { test::RunFor(*app, clock, ms); }

    test::TempDir dir;
    VirtualClock clock;
    sim::SimLine line{clock};
    sim::HayesModem modem;
    test::ScriptedView view;
    std::unique_ptr<HayesApplication> app;
};

TEST_F(WindowRun, TheStatusPanelFollowsTheRunAndARefusedLineIsMarked) {
    test::Press(W<QPushButton>("Button2"));
    test::Settle(*app);
    EXPECT_EQ(Panel(), "Строка 1 из 3: ATZ");
    RunFor(3000);
    EXPECT_EQ(Panel(), kSummary);
    EXPECT_EQ(W<Memo>("Memo1")->Lines(), kList);
    EXPECT_EQ(W<Memo>("Memo1")->MarkedLines(), QList<int>{2});
    EXPECT_EQ(W<Memo>("Memo2")->Lines(), (QStringList{"ATZ", "", "ATX9", "ATS0=2", "OK"}));

    // A hint covers the summary while the pointer is on its control.
    ShowTip(window(), QStringLiteral("Записать настройки в Hayes-модем "));
    EXPECT_EQ(Panel(), "Записать настройки в Hayes-модем ");
    ShowTip(window(), QString());
    EXPECT_EQ(Panel(), kSummary);

    // A silent modem shows over a hint at once.
    {
        const JobThread::Hold parked(app->Jobs());  // the receiver reads the line
        line.Attach(nullptr);
    }
    test::Press(W<QPushButton>("Button2"));
    test::Settle(*app);
    EXPECT_TRUE(W<Memo>("Memo1")->MarkedLines().isEmpty()) << "a new run";
    ShowTip(window(), QStringLiteral("Просмотр и коррекция настроек Hayes-модема "));
    RunFor(5000);
    EXPECT_EQ(Panel(), "Модем не отвечает на строку 1 (ATZ)");
    test::Press(W<QPushButton>("SBtk"));  // leaving modem mode ends the run
    test::Settle(*app);
    EXPECT_EQ(Panel(), "Запись прервана на строке 1 из 3 (ATZ). Записано 0 строк, ошибок 0");
}

// Through the job thread: a modem whose stored profile answers in digits
// has every line answered, and a line that gets no answer (the echo of
// "OK" is none) ends the run at the time limit, marked.
TEST_F(WindowRun, ADigitModemIsAnsweredAndAnUnansweredLineEndsTheRun) {
    ASSERT_TRUE(modem.Store("V0"));
    auto* list = W<Memo>("Memo1");
    list->ClearLines();
    for (const char* l : {"ATS0=3", "ATS7=45"}) list->AddLine(l);
    test::Press(W<QPushButton>("Button2"));
    RunFor(3000);
    EXPECT_EQ(Panel(), "Записано 2 строки, ошибок 0");
    {
        const JobThread::Hold parked(app->Jobs());
        EXPECT_EQ(modem.Register(7), 45);
        ASSERT_TRUE(modem.Store("V1"));
    }

    list->ClearLines();
    for (const char* l : {"OK", "ATS0=1"}) list->AddLine(l);
    test::Press(W<QPushButton>("Button2"));
    RunFor(9000);
    EXPECT_EQ(Panel(), "Модем не отвечает на строку 1 (OK)");
    RunFor(2000);
    EXPECT_EQ(Panel(),
              "Модем не ответил на строку 1 из 2 (OK) за 10 с: запись прервана. Записано 0 "
              "строк, ошибок 1: строка 1 OK (нет кода результата)");
    EXPECT_EQ(list->MarkedLines(), QList<int>{0});
    const JobThread::Hold parked(app->Jobs());
    EXPECT_EQ(modem.Register(0), 3) << "ATS0=1 never went out";
}

// "Просмотр текущих настроек..." says in the status panel whether the
// modem ended its answer with OK: another code, or no answer, fails it.
TEST_F(WindowRun, TheSettingsViewSaysWhetherTheModemEndedItsAnswerWithOk) {
    test::Press(W<QPushButton>("Button3"));
    test::Settle(*app);
    EXPECT_EQ(Panel(), "Просмотр текущих настроек модема: AT I4");
    RunFor(1000);
    EXPECT_EQ(Panel(), "Текущие настройки модема прочитаны (AT I4: OK)");
    EXPECT_EQ(W<Memo>("Memo2")->Lines().back(), "OK");

    {
        const JobThread::Hold parked(app->Jobs());
        modem.AnswerInstead(1, "NO CARRIER");
    }
    test::Press(W<QPushButton>("Button3"));
    RunFor(1000);
    EXPECT_EQ(Panel(), "Модем ответил на AT I4: NO CARRIER — настройки не прочитаны");

    {
        const JobThread::Hold parked(app->Jobs());
        line.Attach(nullptr);
    }
    test::Press(W<QPushButton>("Button3"));
    RunFor(2900);
    EXPECT_EQ(Panel(), "Просмотр текущих настроек модема: AT I4");
    RunFor(200);
    EXPECT_EQ(Panel(), "Модем не ответил на AT I4 за 3 с: настройки не прочитаны");
}

TEST_F(WindowRun, LoadingAListRemovesTheMarks) {
    test::Press(W<QPushButton>("Button2"));
    test::Settle(*app);
    RunFor(3000);
    ASSERT_EQ(W<Memo>("Memo1")->MarkedLines(), QList<int>{2});
    const std::string file = dir.File("same.n2");
    test::TempDir::WriteAll(file, {'A', 'T', 'Z', '\r', '\n', 'A', 'T', 'X', '9', '\r', '\n'});
    window().SetFileChooser(
        [&](const FileDialogSetup&, bool) -> std::optional<std::string> { return file; });
    test::Press(W<QPushButton>("Button1"));
    test::Settle(*app);
    EXPECT_EQ(W<Memo>("Memo1")->Lines(), (QStringList{"ATZ", "ATX9"}));
    EXPECT_TRUE(W<Memo>("Memo1")->MarkedLines().isEmpty());
}

TEST_F(WindowRun, AfterARunTheModemIsCheckedAgainstTheList) {
    ASSERT_TRUE(modem.KeepFixed("S7", 50));
    auto* list = W<Memo>("Memo1");
    list->ClearLines();
    const QStringList lines{"AT&F", "ATS0=2", "ATS7=60", "AT&W"};
    for (const QString& l : lines) list->AddLine(l);
    auto* check = W<QPushButton>("CheckModemButton");
    EXPECT_TRUE(check->isVisible());
    EXPECT_FALSE(check->isEnabled()) << "offered after a run";
    test::Press(W<QPushButton>("Button2"));
    RunFor(4000);
    EXPECT_EQ(Panel(), "Записано 4 строки, ошибок 0");
    ASSERT_TRUE(check->isEnabled());
    EXPECT_FALSE(W<Memo>("Memo2")->Lines().contains("Проверка настроек модема по списку:"))
        << "not after every run unless asked";

    test::Press(check);
    test::Settle(*app);
    EXPECT_EQ(Panel(), "Модем хранит 2 настройки не так, как в списке");
    const QStringList answers = W<Memo>("Memo2")->Lines();
    EXPECT_TRUE(answers.contains("S7: в списке 60, в модеме 50 — отличается"));
    EXPECT_TRUE(answers.contains("S7 в профиле 0: в списке 60, в модеме 50 — отличается"));
    EXPECT_EQ(answers.back(), "Модем хранит 2 настройки не так, как в списке");
    // The line of S7 is marked, in another colour than a refused line.
    EXPECT_EQ(list->MarkedLines(), QList<int>{2});
    EXPECT_TRUE(list->MarkedLines(QColor(0xFF, 0xC8, 0xC8)).isEmpty());
    EXPECT_EQ(list->Lines(), lines);
    EXPECT_TRUE(check->isEnabled());
    EXPECT_TRUE(view.boxes.empty());

    // Editing the list takes the mark away, as a refused line's goes.
    list->SetLine(2, QStringLiteral("ATS7=50"));
    EXPECT_TRUE(list->MarkedLines().isEmpty());
}

TEST_F(WindowRun, WithTheBoxTickedEveryCompletedRunIsChecked) {
    auto* list = W<Memo>("Memo1");
    list->ClearLines();
    for (const char* l : {"AT&F", "ATE1V1", "ATS0=2S7=60", "AT&W"}) list->AddLine(l);
    W<QCheckBox>("CheckAfterRunBox")->setChecked(true);

    // A run cut short is not checked.
    test::Press(W<QPushButton>("Button2"));
    test::Press(W<QPushButton>("Button3"));  // "Просмотр текущих настроек..."
    RunFor(3000);
    EXPECT_FALSE(W<Memo>("Memo2")->Lines().contains("Проверка настроек модема по списку:"));

    test::Press(W<QPushButton>("Button2"));
    RunFor(4000);
    EXPECT_EQ(Panel(), "Все 8 проверенных настроек совпадают");
    EXPECT_EQ(W<Memo>("Memo2")->Lines().back(), "Все 8 проверенных настроек совпадают")
        << W<Memo>("Memo2")->Lines().join("|").toStdString();
    EXPECT_TRUE(list->MarkedLines().isEmpty());
    EXPECT_TRUE(view.boxes.empty());
}

// The real serial backend over a pseudo-terminal reached as ports/com2, in
// real time (a few seconds at most).
TEST(WindowRunEndToEnd, ARunWithARefusedLineOverAPty) {
    test::EnsureQApplication();
    test::TempDir dir;
    sim::HayesModem modem;
    sim::ServedPty served(modem, dir.Dir() + "ports/com2");
    ASSERT_TRUE(served.Started()) << served.Error();

    PosixSerialLine line(dir.Dir());
    RealClock clock;
    test::ScriptedView view;
    HayesApplication app(line, clock, view, QString::fromStdString(dir.Dir()));
    MainWindow& window = app.Window();
    window.show();
    test::Press(test::Child<QPushButton>(&window, "SBtk"));
    app.Link().Settings.LinkKind = kLinkModem;
    ASSERT_TRUE(OpenPort(app.Link(), "Com2", 5, AddressMode::On));
    app.State().PortReady = true;
    auto* list = test::Child<Memo>(&window, "Memo1");
    for (const QString& l : kList) list->AddLine(l);

    test::Press(test::Child<QPushButton>(&window, "Button2"));
    auto* panel = test::Child<QLabel>(&window, "SB1Panel0");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (panel->text() != kSummary && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents();
    EXPECT_EQ(panel->text(), kSummary);
    EXPECT_EQ(list->MarkedLines(), QList<int>{2});
    EXPECT_EQ(list->Lines(), kList);
    EXPECT_TRUE(test::Child<Memo>(&window, "Memo2")->Lines().contains("OK"));
    test::Press(test::Child<QPushButton>(&window, "SBtk"));  // stops the receiver
    served.Stop();
    EXPECT_EQ(modem.CommandLines(), (std::vector<std::string>{"ATZ", "ATX9", "ATS0=2"}));
    EXPECT_EQ(modem.Register(0), 2);
    EXPECT_TRUE(view.boxes.empty());
}

}  // namespace
}  // namespace hk
