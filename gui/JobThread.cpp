#include "gui/JobThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <chrono>
#include <utility>

namespace hk {

JobThread::JobThread(std::function<void(const std::string&)> onError, QObject* parent)
    : QObject(parent), onError_(std::move(onError)) {
    thread_ = std::thread([this] { Run(); });
}

JobThread::~JobThread() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    // What the remaining tasks ask of the window still gets done; the thread
    // posts one last call when it has ended.
    while (!finished_) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    thread_.join();
}

void JobThread::Post(Task task, Task done) {
    ++pending_;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back({std::move(task), std::move(done)});
    }
    wake_.notify_all();
}

void JobThread::WaitIdle() {
    // Every task's end comes back as a call to the window thread.
    while (pending_ > 0) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

JobThread::Hold::Hold(JobThread& jobs) : parked_(std::make_shared<Parked>()) {
    jobs.Post([parked = parked_] {
        std::unique_lock<std::mutex> lock(parked->mutex);
        parked->parked = true;
        parked->changed.notify_all();
        parked->changed.wait(lock, [&] { return parked->released; });
    });
    std::unique_lock<std::mutex> lock(parked_->mutex);
    while (!parked_->parked) {
        lock.unlock();
        QCoreApplication::processEvents();
        lock.lock();
        parked_->changed.wait_for(lock, std::chrono::milliseconds(1));
    }
}

JobThread::Hold::~Hold() {
    {
        std::lock_guard<std::mutex> lock(parked_->mutex);
        parked_->released = true;
    }
    parked_->changed.notify_all();
}

void JobThread::ToWindow(Task f) {
    bool wake = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        windowQueue_.push_back(std::move(f));
        wake = !std::exchange(windowWoken_, true);
    }
    if (wake) QMetaObject::invokeMethod(this, "DrainWindowQueue", Qt::QueuedConnection);
}

void JobThread::DrainWindowQueue() {
    std::deque<Task> calls;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        calls.swap(windowQueue_);
        windowWoken_ = false;
    }
    for (Task& call : calls) call();
}

void JobThread::Checkpoint() {
    ++epoch_;
    std::unique_lock<std::mutex> lock(mutex_);
    while (!queue_.empty()) RunFirst(lock);
}

void JobThread::Run() {
    jobId_ = std::this_thread::get_id();
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
        if (!queue_.empty()) {
            RunFirst(lock);
            continue;
        }
        if (quit_) break;
        if (idleWork_) {
            // The work may end itself (the receiver removed): a copy runs.
            const Task work = idleWork_;
            lock.unlock();
            ++epoch_;
            Execute(work);
            lock.lock();
            continue;
        }
        wake_.wait(lock);
    }
    idleWork_ = nullptr;
    lock.unlock();
    finished_ = true;
    ToWindow([] {});
}

void JobThread::RunFirst(std::unique_lock<std::mutex>& lock) {
    Entry entry = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    ++epoch_;
    Execute(entry.task);
    ToWindow([this, done = std::move(entry.done)] {
        --pending_;
        if (done) done();
    });
    lock.lock();
}

void JobThread::Execute(const Task& task) {
    try {
        task();
    } catch (const std::exception& e) {
        if (onError_) ToWindow([this, text = std::string(e.what())] { onError_(text); });
    }
}

}  // namespace hk
