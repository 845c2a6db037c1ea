#include "log/ExchangeLog.h"

#include "base/LocalTime.h"

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

void ExchangeLog::BeginJob(const std::string& title) {
    if (!enabled_) return;
    ClosePending();
    jobStartMs_ = clock_.NowMs();
    Add({LogEntry::Kind::Job, wall_(), 0, title, {}});
}

void ExchangeLog::Note(const std::string& text) {
    if (!enabled_ || Quiet()) return;
    Summary(text);
}

void ExchangeLog::Summary(const std::string& text) {
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
    if (pending_ && clock_.NowMs() - pendingLastMs_ > kMergeGapMs) ClosePending();
}

void ExchangeLog::ClosePending() {
    if (!pending_) return;
    LogEntry entry = std::move(*pending_);
    pending_.reset();
    Add(std::move(entry));
}

void ExchangeLog::BeginExchange() {
    if (!enabled_ || Quiet()) return;
    ClosePending();
    holding_ = true;
    exchangeWallMs_ = wall_();
    exchangeSinceJobMs_ = clock_.NowMs() - jobStartMs_;
}

void ExchangeLog::EndExchange(const std::string& text) {
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
    std::vector<std::string> lines;
    if (next < first_) next = first_;
    for (std::uint64_t i = next; i < End(); ++i)
        lines.push_back(FormatLogEntry(entries_[static_cast<std::size_t>(i - first_)]));
    next = End();
    return lines;
}

void ExchangeLog::Clear() {
    ClosePending();
    first_ += entries_.size();
    entries_.clear();
}

}  // namespace hk
