#pragma once
// The job thread: the one thread that talks to the serial line, so that the
// window never waits for it. The window thread posts tasks (a click's work:
// "Подбор", a modem line, a command); the job thread runs them one after
// the other. A task that runs long lets pending window work in at fixed
// points, its checkpoints (ViewHooks::ProcessMessages): there the tasks
// posted meanwhile run, nested, as the window's clicks once ran inside a
// job. So a job sees the operator's clicks, choices and stop request at the
// same points of its exchange as before, and nowhere else.
//
// What a job shows goes back to the window thread: posted (ToWindow) for
// texts, gauges and memo lines, waited for (OnWindow) for questions, boxes
// and what the job reads from the window. While the job thread waits for
// the window, it still runs tasks posted to it (a dialog's OK that opens the
// port, a timer tick), as a modal box's own event loop once ran them.
//
// The window thread never waits for the job thread, except WaitIdle(),
// which keeps the window's events running meanwhile.

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <type_traits>

namespace hk {

class JobThread final : public QObject {
    Q_OBJECT
public:
    using Task = std::function<void()>;
    // `onError` gets, on the window thread, the text of an exception a task
    // threw (a file that could not be written); the task ends there.
    explicit JobThread(std::function<void(const std::string&)> onError = {},
                       QObject* parent = nullptr);
    // Runs the tasks still posted (keeping the window's events running), then
    // ends the thread. Idle work stops.
    ~JobThread() override;
    JobThread(const JobThread&) = delete;
    JobThread& operator=(const JobThread&) = delete;

    // --- The window thread.
    // Runs `task` on the job thread after every task posted before it; then
    // `done`, if any, on the window thread.
    void Post(Task task, Task done = {});
    // A posted task has not yet come back done.
    bool Busy() const { return pending_ > 0; }
    // Keeps the window's events running until no posted task is left.
    void WaitIdle();
    // Parks the job thread (between two tasks or at a checkpoint) until the
    // returned hold ends, keeping the window's events running until it is
    // parked: what the jobs share with the window may then be looked at.
    class Hold {
    public:
        explicit Hold(JobThread& jobs);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        struct Parked {
            std::mutex mutex;
            std::condition_variable changed;
            bool parked = false;
            bool released = false;
        };
        std::shared_ptr<Parked> parked_;
    };
    // While set (the session ends the program), the jobs' questions are
    // answered No and their boxes are not shown.
    void SetUnattended(bool on) { unattended_ = on; }

    // --- Either thread.
    bool OnJobThread() const { return std::this_thread::get_id() == jobId_.load(); }
    bool Unattended() const { return unattended_; }

    // --- The job thread.
    // A checkpoint: the tasks posted meanwhile run now, in order.
    void Checkpoint();
    // Work the job thread repeats whenever no task is waiting (the modem's
    // answer receiver); an empty function stops it. Job thread only.
    void SetIdleWork(Task work) { idleWork_ = std::move(work); }
    // Counts the job thread's checkpoints and tasks: what a job read from the
    // window holds until it changes.
    std::uint64_t Epoch() const { return epoch_; }
    // Runs `f` on the window thread and returns its result; tasks posted
    // meanwhile run while it waits. Called on the window thread, runs `f`
    // there at once.
    template <class F>
    auto OnWindow(F&& f) -> decltype(f());
    // Runs `f` on the window thread, later, in the order posted.
    void ToWindow(Task f);
    // What a job shows: posted to the window thread (ToWindow) from the job
    // thread, run at once when called on the window thread.
    void ShowOnWindow(Task f) {
        if (OnJobThread())
            ToWindow(std::move(f));
        else
            f();
    }

private slots:
    // Runs the calls ToWindow queued, in order (window thread).
    void DrainWindowQueue();

private:
    struct Entry {
        Task task;
        Task done;
    };
    void Run();
    // Runs the first queued task; `lock` is held on entry and on return.
    void RunFirst(std::unique_lock<std::mutex>& lock);
    void Execute(const Task& task);
    void WakeJob();

    std::function<void(const std::string&)> onError_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Entry> queue_;
    // Calls for the window thread. They pass through this queue, under
    // mutex_, rather than inside Qt's events: the event only wakes the
    // window thread.
    std::deque<Task> windowQueue_;
    bool windowWoken_ = false;
    bool quit_ = false;
    std::atomic<bool> finished_ = false;
    std::atomic<bool> unattended_ = false;
    int pending_ = 0;          // window thread only
    Task idleWork_;            // job thread only
    std::uint64_t epoch_ = 0;  // job thread only
    std::atomic<std::thread::id> jobId_{};
    std::thread thread_;
};

template <class F>
auto JobThread::OnWindow(F&& f) -> decltype(f()) {
    using Result = decltype(f());
    if (!OnJobThread()) return f();
    bool ready = false;
    std::exception_ptr error;
    std::conditional_t<std::is_void_v<Result>, bool, std::optional<Result>> result{};
    ToWindow([&] {
        try {
            if constexpr (std::is_void_v<Result>)
                f();
            else
                result = f();
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ready = true;
        }
        wake_.notify_all();
    });
    {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!ready) {
            if (!queue_.empty())
                RunFirst(lock);
            else
                wake_.wait(lock);
        }
    }
    ++epoch_;
    if (error) std::rethrow_exception(error);
    if constexpr (!std::is_void_v<Result>) return std::move(*result);
}

}  // namespace hk
