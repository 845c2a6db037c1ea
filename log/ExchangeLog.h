#pragma once
// The exchange log: a readable record of what went over the line. It sits on
// the serial line's traffic tap and so sees every byte written and read with
// the line parameters in force; the exchanges add one decoded line each above
// their bytes (the frame, the verdicts, the result), the link search one line
// per attempt instead of its thousands of bytes, the modem side the lines it
// sends and the answer lines it shows.
//
// The jobs write it on the job thread while the log window reads it on the
// window thread: every call holds the log's own lock, for microseconds. The
// files are written by LogFiles on a thread of their own, so logging never
// changes an exchange's timing. The last kKeptEntries entries stay in memory
// for the log window.
//
// Bytes in the same direction with the same line parameters that follow each
// other within kMergeGapMs make one line (at most kBytesPerLine bytes). Within
// a secret scope (the access password and the write-unlock that carries its
// complement) every byte is shown as "**".

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "base/LocalTime.h"
#include "link/Clock.h"
#include "link/ExchangeNotes.h"
#include "link/SerialLine.h"
#include "log/LogFiles.h"
#include "log/LogFormat.h"

namespace hk {

// The log files' folder under the data folder.
inline constexpr const char* kLogFolder = "logs/";

// Where the log's file stands: the file the entries go to now and its size
// in bytes once every entry so far is in it. No file: the log goes to none.
struct LogPlace {
    std::string file;
    std::uint64_t size = 0;
};

class ExchangeLog final : public TrafficTap, public ExchangeNotes {
public:
    static constexpr std::size_t kKeptEntries = 100'000;
    static constexpr std::int64_t kMergeGapMs = 100;
    static constexpr std::size_t kBytesPerLine = 16;

    using WallClock = std::function<std::int64_t()>;
    // `clock` is the exchanges' clock (time since the job started); `wall`
    // gives the time of day shown.
    explicit ExchangeLog(Clock& clock, WallClock wall = SystemWallMs);
    ~ExchangeLog() override;
    ExchangeLog(const ExchangeLog&) = delete;
    ExchangeLog& operator=(const ExchangeLog&) = delete;

    // Off, nothing is recorded (the benchmark's comparison).
    void SetEnabled(bool on) { enabled_ = on; }
    bool Enabled() const { return enabled_; }

    // Every entry also goes to a file a day in `folder`,
    void WriteFilesTo(const std::string& folder, int keepDays = kLogKeepDays);
    // or to the one file `path`.
    void WriteFileTo(const std::string& path) { files_ = LogFiles::IntoFile(path); }
    LogFiles* Files() const { return files_.get(); }
    // The line of bytes under way is ended and every entry so far written
    // to the file (waiting for the file's thread): where the file stands.
    // Called between jobs, so that the bytes of one job lie between two
    // places (a record of the job names them).
    LogPlace Place();

    // ExchangeNotes.
    void BeginJob(const std::string& title) override;
    void Note(const std::string& text) override;
    void Summary(const std::string& text) override;
    void BeginExchange() override;
    void EndExchange(const std::string& text) override;
    void SetNextLabel(std::string label) override;
    std::string TakeLabel() override;
    bool Quiet() const override;
    bool Secret() const override;

    // TrafficTap.
    void OnWritten(std::span<const std::uint8_t> bytes, const LineParams& params) override;
    void OnRead(std::span<const std::uint8_t> bytes, const LineParams& params) override;
    // Ends a line of bytes that has had no new byte for kMergeGapMs (the log
    // window's timer).
    void Flush();
    // Ends the line of bytes under way whatever its age (the end of a job).
    void FlushAll();

    // Entries are numbered from 0 since the log was made (or cleared); memory
    // keeps the last kKeptEntries.
    std::uint64_t End() const;
    // The formatted lines from entry `next` on (older ones are gone: from the
    // oldest kept); `next` moves past them.
    std::vector<std::string> LinesFrom(std::uint64_t& next) const;
    std::deque<LogEntry> Entries() const;
    // Empties the memory (the files keep what they have).
    void Clear();

protected:
    void EnterScope(ScopeKind kind) override;
    void LeaveScope(ScopeKind kind) override;

private:
    void Bytes(LogEntry::Kind kind, std::span<const std::uint8_t> bytes, const LineParams& params);
    void Add(LogEntry entry);
    void Publish(LogEntry entry);
    void ClosePending();

    Clock& clock_;
    WallClock wall_;
    mutable std::recursive_mutex mutex_;
    std::atomic<bool> enabled_ = true;
    std::int64_t jobStartMs_ = 0;
    std::string label_;
    int quiet_ = 0;
    int secret_ = 0;
    std::deque<LogEntry> entries_;
    std::uint64_t first_ = 0;
    // The line of bytes still growing, its byte count and its last byte's time.
    std::optional<LogEntry> pending_;
    std::size_t pendingBytes_ = 0;
    std::int64_t pendingLastMs_ = 0;
    std::unique_ptr<LogFiles> files_;
    // An exchange under way: its entries wait here, and when it began.
    bool holding_ = false;
    std::vector<LogEntry> held_;
    std::int64_t exchangeWallMs_ = 0;
    std::int64_t exchangeSinceJobMs_ = 0;
};

}  // namespace hk
