#pragma once
// The exchange log's files: one a day, "HayesKvd-YYYY-MM-DD.log" (UTF-8, one
// entry a line, ended as the system's text files are: CR LF on Windows, so
// that Notepad shows the lines, LF elsewhere) in a folder of their own. Lines are written by a
// thread of their own, so that a slow or full disk never holds up an exchange; the files of more
// than `keepDays` days ago are removed when writing starts and whenever the date changes.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

#include "base/TextForm.h"

namespace hk {

inline constexpr int kLogKeepDays = 30;

class LogFiles {
public:
    // `windowsLines`: each line ends with CR LF, else with LF.
    LogFiles(std::string folder, int keepDays, bool windowsLines = kWindowsForm);
    // Every line into the one file `path` (appended), whatever the date.
    static std::unique_ptr<LogFiles> IntoFile(const std::string& path,
                                              bool windowsLines = kWindowsForm);
    ~LogFiles();  // writes what is queued, then stops
    LogFiles(const LogFiles&) = delete;
    LogFiles& operator=(const LogFiles&) = delete;

    // Queues one line of the moment `wallMs`; never blocks on the disk.
    void Append(std::int64_t wallMs, std::string line);
    // Waits until every queued line is written.
    void Drain();

    const std::string& Folder() const { return folder_; }
    // The file the lines of `wallMs`'s day go to.
    std::string FileFor(std::int64_t wallMs) const;
    // The last failure to write, empty when none (UTF-8, for the window).
    std::string Problem() const;

    // Removes the log files in `folder` whose date lies more than `keepDays`
    // before `today` ("YYYY-MM-DD"); other files stay.
    static void RemoveOld(const std::string& folder, const std::string& today, int keepDays);

private:
    void Run();
    void Write(const std::string& date, const std::string& line);

    std::string folder_;
    int keepDays_;
    std::string_view lineEnd_;
    std::string fixedFile_;  // all lines into this file, when set
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable drained_;
    std::deque<std::pair<std::string, std::string>> queue_;  // date, line
    bool busy_ = false;
    bool stop_ = false;
    std::string problem_;
    std::string openDate_;
    std::FILE* file_ = nullptr;  // writer thread only
    std::thread writer_;
};

}  // namespace hk
