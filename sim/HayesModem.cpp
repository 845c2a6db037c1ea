#include "sim/HayesModem.h"

#include <algorithm>
#include <cstdio>

namespace hk::sim {
namespace {

constexpr int kTooLarge = 1000;  // any number above what a command takes

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Milliseconds per byte (start, eight data bits, stop) at `baud`.
int ByteTimeMs(std::int32_t baud) { return baud > 0 ? 10000 / baud : 0; }

std::string Reg(int n, int v) {
    char text[16];
    std::snprintf(text, sizeof text, "S%02d=%03d", n, v);
    return text;
}

}  // namespace

HayesModem::HayesModem(Timing timing) : timing_(timing), active_(Factory()), stored_(Factory()) {}

HayesModem::Profile HayesModem::Factory() {
    Profile p;
    p.s = {};
    p.s[2] = 43;   // escape character '+'
    p.s[3] = 13;   // carriage return
    p.s[4] = 10;   // line feed
    p.s[5] = 8;    // backspace
    p.s[6] = 2;    // wait for dial tone, s
    p.s[7] = 50;   // wait for carrier, s
    p.s[8] = 2;    // comma pause, s
    p.s[9] = 6;    // carrier detect, 1/10 s
    p.s[10] = 14;  // carrier loss, 1/10 s
    p.s[11] = 95;  // tone duration, ms
    p.s[12] = 50;  // escape guard time, 1/50 s
    return p;
}

void HayesModem::OnControlLines(bool dtr, bool rts, PeerOutput& out) {
    (void)rts;
    (void)out;
    // &D3: dropping DTR resets the modem to its stored profile.
    if (dtrSeen_ && !dtr && active_.d == 3) active_ = stored_;
    dtrSeen_ = dtr;
}

void HayesModem::Emit(const std::string& bytes, int delayMs, const LineParams& params,
                      PeerOutput& out) {
    if (bytes.empty()) return;
    const std::int64_t spacing = ByteTimeMs(params.BaudRate);
    const std::int64_t now = out.NowMs();
    const std::int64_t length = spacing * static_cast<std::int64_t>(bytes.size());
    // One transmitter: the bytes go in the first gap of the schedule that
    // holds them all, so an echo may still slip in before a pending answer.
    std::erase_if(busy_, [&](const Busy& b) { return b.end <= now; });
    std::int64_t at = now + delayMs;
    for (const Busy& b : busy_) {
        if (at + length <= b.start) break;
        if (at < b.end) at = b.end;
    }
    busy_.insert(std::upper_bound(busy_.begin(), busy_.end(), at,
                                  [](std::int64_t t, const Busy& b) { return t < b.start; }),
                 Busy{at, at + length});
    out.Send(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), static_cast<int>(at - now),
             static_cast<int>(spacing));
}

void HayesModem::OnByte(std::uint8_t byte, const LineParams& params, PeerOutput& out) {
    if (active_.echo)
        Emit(std::string(1, static_cast<char>(byte)), timing_.echoDelayMs, params, out);
    if (byte == active_.s[3]) {
        TakeLine(params, out);
        line_.clear();
        return;
    }
    if (byte == active_.s[5]) {
        if (!line_.empty()) line_.pop_back();
        return;
    }
    if (byte == active_.s[4]) return;  // a line feed after the command is nothing
    if (line_.size() <= static_cast<std::size_t>(kCommandLineLimit))
        line_ += static_cast<char>(byte);
}

void HayesModem::TakeLine(const LineParams& params, PeerOutput& out) {
    std::string upper;
    for (char c : line_) upper += Upper(c);
    const std::size_t at = upper.find("AT");
    if (at == std::string::npos) return;
    commandLines_.push_back(line_.substr(at));

    std::string body;
    for (std::size_t i = at + 2; i < upper.size(); ++i)
        if (upper[i] != ' ') body += upper[i];
    std::vector<std::string> info;
    int delay = timing_.answerDelayMs;
    const bool overflow = line_.size() > static_cast<std::size_t>(kCommandLineLimit);
    const Result result = overflow ? Result::Error : Execute(body, info, delay);

    // The answer is framed by the settings in force after the line ran.
    const std::string cr(1, static_cast<char>(active_.s[3]));
    const std::string crlf = cr + static_cast<char>(active_.s[4]);
    std::string answer;
    for (std::size_t i = 0; i < info.size(); ++i)
        answer += (active_.verbose && i == 0 ? crlf : std::string()) + info[i] + crlf;
    if (!active_.quiet) {
        if (active_.verbose)
            answer += crlf + (result == Result::Ok ? "OK" : "ERROR") + crlf;
        else
            answer += (result == Result::Ok ? "0" : "4") + cr;
    }
    Emit(answer, delay, params, out);
}

HayesModem::Result HayesModem::Execute(const std::string& body, std::vector<std::string>& info,
                                       int& delayMs) {
    std::size_t i = 0;
    const auto number = [&] {
        int v = 0;
        while (i < body.size() && IsDigit(body[i])) {
            v = std::min(v * 10 + (body[i] - '0'), kTooLarge);
            ++i;
        }
        return v;
    };
    const auto setting = [&](int& field, int max) {
        const int v = number();
        if (v > max) return false;
        field = v;
        return true;
    };
    const auto flag = [&](bool& field) {
        const int v = number();
        if (v > 1) return false;
        field = v == 1;
        return true;
    };

    while (i < body.size()) {
        const char c = body[i++];
        bool ok = true;
        int ignored = 0;
        switch (c) {
            case 'E':
                ok = flag(active_.echo);
                break;
            case 'Q':
                ok = flag(active_.quiet);
                break;
            case 'V':
                ok = flag(active_.verbose);
                break;
            case 'X':
                ok = setting(active_.x, 4);
                break;
            case 'M':
                ok = setting(active_.m, 3);
                break;
            case 'L':
                ok = setting(active_.l, 3);
                break;
            case 'H':
                ok = setting(ignored, 1);
                break;  // on hook already
            case 'Z':
                if (number() != 0) return Result::Error;
                active_ = stored_;
                delayMs = std::max(delayMs, timing_.resetDelayMs);
                return Result::Ok;  // the rest of the line is lost with the reset
            case 'I':
                switch (number()) {
                    case 0:
                        info.push_back("33600");
                        break;
                    case 3:
                        info.push_back("HAYES COMPATIBLE MODEM (SIMULATED)");
                        break;
                    case 4: {
                        const auto lines = SettingsLines(active_);
                        info.insert(info.end(), lines.begin(), lines.end());
                        break;
                    }
                    default:
                        return Result::Error;
                }
                break;
            case 'S': {
                const int reg = number();
                if (reg >= kRegisterCount || i >= body.size()) return Result::Error;
                if (body[i] == '=') {
                    ++i;
                    const int v = number();
                    if (v > 255) return Result::Error;
                    active_.s[static_cast<std::size_t>(reg)] = v;
                } else if (body[i] == '?') {
                    ++i;
                    char text[8];
                    std::snprintf(text, sizeof text, "%03d",
                                  active_.s[static_cast<std::size_t>(reg)]);
                    info.push_back(text);
                } else {
                    return Result::Error;
                }
                break;
            }
            case '&': {
                if (i >= body.size()) return Result::Error;
                const char a = body[i++];
                switch (a) {
                    case 'F':
                        if (number() != 0) return Result::Error;
                        active_ = Factory();
                        delayMs = std::max(delayMs, timing_.resetDelayMs);
                        break;
                    case 'W':
                        if (number() != 0) return Result::Error;
                        stored_ = active_;
                        delayMs = std::max(delayMs, timing_.storeDelayMs);
                        break;
                    case 'V': {
                        if (number() != 0) return Result::Error;
                        info.push_back("ACTIVE PROFILE:");
                        for (const auto& l : SettingsLines(active_)) info.push_back(l);
                        info.push_back("");
                        info.push_back("STORED PROFILE 0:");
                        for (const auto& l : SettingsLines(stored_)) info.push_back(l);
                        break;
                    }
                    case 'C':
                        ok = setting(active_.c, 1);
                        break;
                    case 'D':
                        ok = setting(active_.d, 3);
                        break;
                    case 'K':
                        ok = setting(active_.k, 6);
                        break;
                    default:
                        return Result::Error;
                }
                break;
            }
            default:
                return Result::Error;
        }
        if (!ok) return Result::Error;
    }
    return Result::Ok;
}

std::vector<std::string> HayesModem::SettingsLines(const Profile& p) const {
    char head[64];
    std::snprintf(head, sizeof head, "E%d Q%d V%d X%d M%d L%d &C%d &D%d &K%d", p.echo ? 1 : 0,
                  p.quiet ? 1 : 0, p.verbose ? 1 : 0, p.x, p.m, p.l, p.c, p.d, p.k);
    std::vector<std::string> lines{head};
    std::string row;
    int inRow = 0;
    for (int n = 0; n < kRegisterCount; ++n) {
        // The standard registers always, the others when they were set.
        if (n > 12 && p.s[static_cast<std::size_t>(n)] == 0) continue;
        row += (inRow ? " " : "") + Reg(n, p.s[static_cast<std::size_t>(n)]);
        if (++inRow == 6) {
            lines.push_back(row);
            row.clear();
            inRow = 0;
        }
    }
    if (!row.empty()) lines.push_back(row);
    return lines;
}

}  // namespace hk::sim
