#include "log/ExchangeLog.h"

#include <filesystem>

#include "base/LocalTime.h"
#include "base/Utf8Path.h"

namespace hk {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHex(std::string& text, std::uint8_t byte, bool masked) {
    if (!text.empty()) text += ' ';
    if (masked) {
        text += "**";
        return;
    }
    text += kHexDigits[byte >> 4];
    text += kHexDigits[byte & 0x0F];
}

}  // namespace

ExchangeLog::ExchangeLog(Clock& clock, WallClock wall) : clock_(clock), wall_(std::move(wall)) {}

ExchangeLog::~ExchangeLog() {
    ClosePending();
    files_.reset();  // writes what is queued
}

void ExchangeLog::WriteFilesTo(const std::string& folder, int keepDays) {
    files_ = std::make_unique<LogFiles>(folder, keepDays);
}

LogPlace ExchangeLog::Place() {
    FlushAll();
    if (!files_) return {};
    files_->Drain();
    LogPlace place;
    place.file = files_->FileFor(wall_());
    std::error_code ec;
    const auto size = std::filesystem::file_size(PathFromUtf8(place.file), ec);
    place.size = ec ? 0 : static_cast<std::uint64_t>(size);
    return place;
}

void ExchangeLog::BeginJob(const std::string& title) {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!enabled_) return;
    ClosePending();
    jobStartMs_ = clock_.NowMs();
    Add({LogEntry::Kind::Job, wall_(), 0, title, {}});
}

void ExchangeLog::Note(const std::string& text) {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!enabled_ || Quiet()) return;
    Summary(text);
}

void ExchangeLog::Summary(const std::string& text) {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!enabled_) return;
    ClosePending();
    Add({LogEntry::Kind::Note, wall_(), clock_.NowMs() - jobStartMs_, text, {}});
}

void ExchangeLog::OnWritten(std::span<const std::uint8_t> bytes, const LineParams& params) {
    Bytes(LogEntry::Kind::Sent, bytes, params);
}

void ExchangeLog::OnRead(std::span<const std::uint8_t> bytes, const LineParams& params) {
    Bytes(LogEntry::Kind::Received, bytes, params);
}

void ExchangeLog::Bytes(LogEntry::Kind kind, std::span<const std::uint8_t> bytes,
                        const LineParams& params) {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!enabled_ || Quiet()) return;
    const std::int64_t now = clock_.NowMs();
    for (std::uint8_t b : bytes) {
        const bool continues = pending_ && pending_->kind == kind && pending_->params == params &&
                               now - pendingLastMs_ <= kMergeGapMs && pendingBytes_ < kBytesPerLine;
        if (!continues) {
            ClosePending();
            pending_ = LogEntry{kind, wall_(), now - jobStartMs_, {}, params};
            pendingBytes_ = 0;
        }
        AppendHex(pending_->text, b, Secret());
        ++pendingBytes_;
        pendingLastMs_ = now;
    }
}

void ExchangeLog::Flush() {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (pending_ && clock_.NowMs() - pendingLastMs_ > kMergeGapMs) ClosePending();
}

void ExchangeLog::ClosePending() {
    if (!pending_) return;
    LogEntry entry = std::move(*pending_);
    pending_.reset();
    Add(std::move(entry));
}

void ExchangeLog::BeginExchange() {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!enabled_ || Quiet()) return;
    ClosePending();
    holding_ = true;
    exchangeWallMs_ = wall_();
    exchangeSinceJobMs_ = clock_.NowMs() - jobStartMs_;
}

void ExchangeLog::EndExchange(const std::string& text) {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!holding_) {
        if (!text.empty()) Note(text);
        return;
    }
    ClosePending();
    holding_ = false;
    if (!text.empty())
        Publish({LogEntry::Kind::Note, exchangeWallMs_, exchangeSinceJobMs_, text, {}});
    for (LogEntry& e : held_) Publish(std::move(e));
    held_.clear();
}

void ExchangeLog::Add(LogEntry entry) {
    if (holding_ && entry.kind != LogEntry::Kind::Job)
        held_.push_back(std::move(entry));
    else
        Publish(std::move(entry));
}

void ExchangeLog::Publish(LogEntry entry) {
    if (files_) files_->Append(entry.wallMs, FormatLogEntry(entry));
    entries_.push_back(std::move(entry));
    if (entries_.size() > kKeptEntries) {
        entries_.pop_front();
        ++first_;
    }
}

std::vector<std::string> ExchangeLog::LinesFrom(std::uint64_t& next) const {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::vector<std::string> lines;
    if (next < first_) next = first_;
    const std::uint64_t end = first_ + entries_.size();
    for (std::uint64_t i = next; i < end; ++i)
        lines.push_back(FormatLogEntry(entries_[static_cast<std::size_t>(i - first_)]));
    next = end;
    return lines;
}

void ExchangeLog::Clear() {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    ClosePending();
    first_ += entries_.size();
    entries_.clear();
}

void ExchangeLog::SetNextLabel(std::string label) {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    label_ = std::move(label);
}

std::string ExchangeLog::TakeLabel() {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    return std::exchange(label_, std::string());
}

bool ExchangeLog::Quiet() const {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    return quiet_ > 0;
}

bool ExchangeLog::Secret() const {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    return secret_ > 0;
}

void ExchangeLog::EnterScope(ScopeKind kind) {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    ++(kind == ScopeKind::Quiet ? quiet_ : secret_);
}

void ExchangeLog::LeaveScope(ScopeKind kind) {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    --(kind == ScopeKind::Quiet ? quiet_ : secret_);
}

void ExchangeLog::FlushAll() {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    ClosePending();
}

std::uint64_t ExchangeLog::End() const {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    return first_ + entries_.size();
}

std::deque<LogEntry> ExchangeLog::Entries() const {
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    return entries_;
}

}  // namespace hk
