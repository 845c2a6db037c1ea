// The job thread itself: tasks in the order posted, nested at a running
// task's checkpoints and nowhere else; the window's answers waited for while
// posted tasks still run; a task's error shown on the window thread; the
// job thread parked for a look at what it shares; questions answered No
// while nobody attends.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "gui/JobMemo.h"
#include "gui/JobThread.h"
#include "gui/JobViewHooks.h"
#include "lists/MemoryLines.h"
#include "support/QtApp.h"
#include "support/ScriptedView.h"

namespace hk {
namespace {

TEST(JobThread, TasksRunInOrderOffTheWindowThreadAndPostedOnesWaitForACheckpoint) {
    test::EnsureQApplication();
    JobThread jobs;
    std::vector<std::string> order;  // written on the job thread only
    std::atomic<bool> release = false;
    bool doneOnWindow = false;
    jobs.Post([&] {
        EXPECT_TRUE(jobs.OnJobThread());
        order.push_back("long task begins");
        // The window posts meanwhile; nothing of it runs until here.
        while (!release) std::this_thread::yield();
        order.push_back("checkpoint");
        jobs.Checkpoint();
        order.push_back("long task ends");
    });
    jobs.Post(
        [&] { order.push_back("second"); },
        [&] { doneOnWindow = QCoreApplication::instance()->thread() == QThread::currentThread(); });
    EXPECT_FALSE(jobs.OnJobThread());
    EXPECT_TRUE(jobs.Busy());
    release = true;
    jobs.WaitIdle();
    EXPECT_FALSE(jobs.Busy());
    // The second task ran nested at the first one's checkpoint.
    EXPECT_EQ(order, (std::vector<std::string>{"long task begins", "checkpoint", "second",
                                               "long task ends"}));
    EXPECT_TRUE(doneOnWindow);
}

TEST(JobThread, WhileTheJobWaitsForTheWindowThePostedTasksStillRun) {
    test::EnsureQApplication();
    JobThread jobs;
    std::vector<std::string> order;
    int answer = 0;
    jobs.Post([&] {
        // A modal dialog's OK posts the opening of the port and waits for it:
        // the job runs that task while it waits for the dialog's answer.
        answer = jobs.OnWindow([&] {
            bool opened = false;
            jobs.Post([&] { order.push_back("port opened on the job thread"); },
                      [&] { opened = true; });
            while (!opened) QCoreApplication::processEvents();
            order.push_back("dialog closed");
            return 42;
        });
        order.push_back("job goes on");
    });
    jobs.WaitIdle();
    EXPECT_EQ(answer, 42);
    EXPECT_EQ(order, (std::vector<std::string>{"port opened on the job thread", "dialog closed",
                                               "job goes on"}));
}

TEST(JobThread, AFailedTaskIsReportedOnTheWindowThreadAndTheNextOneRuns) {
    test::EnsureQApplication();
    std::vector<std::string> errors;
    JobThread jobs([&](const std::string& text) { errors.push_back(text); });
    bool next = false;
    jobs.Post([] { throw std::runtime_error("Список не сохранён"); });
    jobs.Post([&] { next = true; });
    jobs.WaitIdle();
    QCoreApplication::processEvents();
    EXPECT_EQ(errors, std::vector<std::string>{"Список не сохранён"});
    EXPECT_TRUE(next);
}

TEST(JobThread, AHoldParksTheIdleWorkUntilItEnds) {
    test::EnsureQApplication();
    JobThread jobs;
    std::atomic<int> polls = 0;
    jobs.Post([&] { jobs.SetIdleWork([&] { ++polls; }); });
    jobs.WaitIdle();
    while (polls < 3) std::this_thread::yield();
    int parkedAt = 0;
    {
        const JobThread::Hold hold(jobs);
        parkedAt = polls;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(polls, parkedAt);  // no poll while parked
    }
    while (polls == parkedAt) std::this_thread::yield();
    jobs.Post([&] { jobs.SetIdleWork(nullptr); });
    jobs.WaitIdle();
}

TEST(JobThread, TheJobsViewWaitsForTheWindowsAnswerOrAnswersNoUnattended) {
    test::EnsureQApplication();
    JobThread jobs;
    test::ScriptedView window;
    window.answers = {true};
    JobViewHooks view(jobs, window);
    std::vector<bool> answers;
    jobs.Post([&] { answers.push_back(view.Confirm("Перезапустить КВАРД?")); });
    jobs.WaitIdle();
    jobs.SetUnattended(true);
    window.answers = {true};
    jobs.Post([&] {
        answers.push_back(view.Confirm("Перезапустить КВАРД?"));
        view.ShowError("не показано");
    });
    jobs.WaitIdle();
    EXPECT_EQ(answers, (std::vector<bool>{true, false}));
    // Only the attended question reached the window.
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].text, "Перезапустить КВАРД?");
}

TEST(JobThread, AMemoReadByAJobHoldsFromOneCheckpointToTheNext) {
    test::EnsureQApplication();
    JobThread jobs;
    MemoryLines window;
    window.lines = {"ATZ"};
    JobMemo memo(jobs, window);
    std::vector<int> counts;
    std::atomic<bool> edited = false;
    jobs.Post([&] {
        counts.push_back(memo.Count());
        jobs.ToWindow([&] {
            window.lines.push_back("ATS0=2");  // the operator edits the list
            edited = true;
        });
        while (!edited) std::this_thread::yield();
        counts.push_back(memo.Count());  // not before the next checkpoint
        memo.AddLine("AT&W");            // the job's own line counts at once
        counts.push_back(memo.Count());
        jobs.Checkpoint();
        counts.push_back(memo.Count());
    });
    jobs.WaitIdle();
    EXPECT_EQ(counts, (std::vector<int>{1, 1, 2, 3}));
    EXPECT_EQ(window.lines, (std::vector<std::string>{"ATZ", "ATS0=2", "AT&W"}));
}

}  // namespace
}  // namespace hk
