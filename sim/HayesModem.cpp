#include "sim/HayesModem.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <utility>

namespace hk::sim {
namespace {

constexpr int kTooLarge = 1000;  // any number above what a command takes

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Milliseconds per byte (start, eight data bits, stop) at `baud`.
int ByteTimeMs(std::int32_t baud) { return baud > 0 ? 10000 / baud : 0; }

std::string RegisterName(int n) { return "S" + std::to_string(n); }

// The digit form of a word result code (V0).
std::string DigitCode(const std::string& word) {
    static constexpr std::pair<const char*, const char*> kCodes[] = {
        {"OK", "0"},          {"RING", "2"}, {"NO CARRIER", "3"}, {"ERROR", "4"},
        {"NO DIALTONE", "6"}, {"BUSY", "7"}, {"NO ANSWER", "8"},
    };
    if (word.starts_with("CONNECT")) return "1";
    for (const auto& [w, digits] : kCodes)
        if (word == w) return digits;
    return "3";
}

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

int* HayesModem::Field(Profile& p, const std::string& setting, int& max) {
    struct Flag {
        const char* name;
        int Profile::*field;
        int max;
    };
    static constexpr Flag kFlags[] = {
        {"E", &Profile::echo, 1}, {"Q", &Profile::quiet, 1}, {"V", &Profile::verbose, 1},
        {"X", &Profile::x, 4},    {"M", &Profile::m, 3},     {"L", &Profile::l, 3},
        {"&C", &Profile::c, 1},   {"&D", &Profile::d, 3},    {"&K", &Profile::k, 6},
    };
    for (const Flag& f : kFlags) {
        if (setting == f.name) {
            max = f.max;
            return &(p.*f.field);
        }
    }
    for (int n = 0; n < kRegisterCount; ++n) {
        if (setting == RegisterName(n)) {
            max = 255;
            return &p.s[static_cast<std::size_t>(n)];
        }
    }
    return nullptr;
}

bool HayesModem::IsFixed(const std::string& setting) const {
    return std::any_of(fixed_.begin(), fixed_.end(),
                       [&](const Fixed& f) { return f.setting == setting; });
}

void HayesModem::ApplyFixed(Profile& p) const {
    for (const Fixed& f : fixed_) {
        int max = 0;
        *Field(p, f.setting, max) = f.value;
    }
}

bool HayesModem::KeepFixed(const std::string& setting, int value) {
    int max = 0;
    if (!Field(active_, setting, max) || value < 0 || value > max) return false;
    std::erase_if(fixed_, [&](const Fixed& f) { return f.setting == setting; });
    fixed_.push_back({setting, value});
    ApplyFixed(active_);
    ApplyFixed(stored_);
    return true;
}

bool HayesModem::KeepFixed(const std::string& settingAndValue) {
    std::string setting;
    for (char c : settingAndValue) setting += Upper(c);
    const std::size_t eq = setting.find('=');
    if (eq == std::string::npos) {
        int max = 0;
        const int* field = Field(active_, setting, max);
        return field && KeepFixed(setting, *field);
    }
    const std::string digits = setting.substr(eq + 1);
    if (digits.empty() || digits.size() > 3 || !std::all_of(digits.begin(), digits.end(), IsDigit))
        return false;
    return KeepFixed(setting.substr(0, eq), std::stoi(digits));
}

bool HayesModem::Store(const std::string& settingAndValue) {
    std::string setting;
    for (char c : settingAndValue) setting += Upper(c);
    std::size_t digitsAt = setting.find('=');
    std::string name, digits;
    if (digitsAt != std::string::npos) {
        name = setting.substr(0, digitsAt);
        digits = setting.substr(digitsAt + 1);
    } else {
        // A flag and its value: "V0", "&D3".
        digitsAt = setting.find_first_of("0123456789");
        if (digitsAt == std::string::npos) return false;
        name = setting.substr(0, digitsAt);
        digits = setting.substr(digitsAt);
    }
    if (digits.empty() || digits.size() > 3 || !std::all_of(digits.begin(), digits.end(), IsDigit))
        return false;
    const int value = std::stoi(digits);
    int max = 0;
    int* active = Field(active_, name, max);
    if (!active || value > max) return false;
    *active = value;
    *Field(stored_, name, max) = value;
    return true;
}

void HayesModem::Tick(std::int64_t untilMs, PeerOutput& out) {
    const std::int64_t now = out.NowMs();
    const auto due = [&](std::int64_t& next, int every, const std::function<void(int)>& send) {
        if (every <= 0) {
            next = -1;
            return;
        }
        if (next < now) next = now + (next < 0 ? every : 0);
        for (; next <= untilMs; next += every) send(static_cast<int>(next - now));
    };
    due(nextNoiseAt_, noiseEveryMs_, [&](int delayMs) {
        noiseState_ = noiseState_ * 1103515245u + 12345u;
        out.Send({static_cast<std::uint8_t>(noiseState_ >> 16)}, delayMs);
    });
    if (silent_) return;
    due(nextRingAt_, ringEveryMs_,
        [&](int delayMs) { Emit(Framed("RING"), delayMs, lastParams_, out); });
}

void HayesModem::OnControlLines(bool dtr, bool rts, PeerOutput& out) {
    (void)rts;
    (void)out;
    // Dropping DTR hangs up (&D1 to &D3); &D3 also resets the modem to its
    // stored profile.
    if (dtrSeen_ && !dtr && active_.d != 0) onLine_ = false;
    if (dtrSeen_ && !dtr && active_.d == 3) {
        active_ = stored_;
        ApplyFixed(active_);
    }
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
    lastParams_ = params;
    if (silent_) return;
    if (onLine_) return;  // data for the far end
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
    if (static_cast<int>(commandLines_.size()) == insteadAt_) {
        // Another result than its own, and nothing of it done.
        accepted_.push_back(false);
        Emit(Framed(insteadCode_), delay, params, out);
        return;
    }
    const bool overflow = line_.size() > static_cast<std::size_t>(kCommandLineLimit);
    const Result result = overflow ? Result::Error : Execute(body, info, delay);
    std::string code = result == Result::Ok ? "OK" : "ERROR";
    if (result == Result::Call) {
        code = dialResult_;
        onLine_ = code.starts_with("CONNECT");
        delay = std::max(delay, timing_.callDelayMs);
    }
    accepted_.push_back(result == Result::Ok || onLine_);

    // The answer is framed by the settings in force after the line ran.
    const std::string cr(1, static_cast<char>(active_.s[3]));
    const std::string crlf = cr + static_cast<char>(active_.s[4]);
    std::string answer;
    for (std::size_t i = 0; i < info.size(); ++i)
        answer += (active_.verbose && i == 0 ? crlf : std::string()) + info[i] + crlf;
    answer += Framed(code);
    Emit(answer, delay, params, out);
}

std::string HayesModem::Framed(const std::string& wordCode) const {
    if (active_.quiet) return {};
    const std::string cr(1, static_cast<char>(active_.s[3]));
    const std::string crlf = cr + static_cast<char>(active_.s[4]);
    return active_.verbose ? crlf + wordCode + crlf : DigitCode(wordCode) + cr;
}

// The command line's body (after "AT", spaces out), read left to right.
class HayesModem::CommandReader {
public:
    explicit CommandReader(const std::string& body) : body_(body) {}
    bool AtEnd() const { return i_ >= body_.size(); }
    char Next() { return body_[i_++]; }
    // Takes `c` when it comes next.
    bool Take(char c) {
        if (AtEnd() || body_[i_] != c) return false;
        ++i_;
        return true;
    }
    // The digits that follow as a number (0 for none; large ones as kTooLarge).
    int Number() {
        int v = 0;
        while (!AtEnd() && IsDigit(body_[i_])) {
            v = std::min(v * 10 + (body_[i_] - '0'), kTooLarge);
            ++i_;
        }
        return v;
    }

private:
    const std::string& body_;
    std::size_t i_ = 0;
};

HayesModem::Result HayesModem::Execute(const std::string& body, std::vector<std::string>& info,
                                       int& delayMs) {
    CommandReader in(body);
    while (!in.AtEnd()) {
        switch (RunCommand(in.Next(), in, info, delayMs)) {
            case Step::Next:
                break;
            case Step::LineDone:
                return Result::Ok;
            case Step::Error:
                return Result::Error;
            case Step::Call:
                return Result::Call;
        }
    }
    return Result::Ok;
}

HayesModem::Step HayesModem::RunCommand(char c, CommandReader& in, std::vector<std::string>& info,
                                        int& delayMs) {
    switch (c) {
        case 'E':
        case 'Q':
        case 'V':
        case 'X':
        case 'M':
        case 'L':
            return TakeSetting(std::string(1, c), in);
        case 'D':  // the rest of the line is the number
        case 'A':
            return Step::Call;
        case 'H':  // on hook already
            return in.Number() <= 1 ? Step::Next : Step::Error;
        case 'Z':
            if (in.Number() != 0) return Step::Error;
            active_ = stored_;
            ApplyFixed(active_);
            delayMs = std::max(delayMs, timing_.resetDelayMs);
            return Step::LineDone;  // the rest of the line is lost with the reset
        case 'I':
            return RunInformation(in.Number(), info);
        case 'S':
            return RunRegister(in, info);
        case '&':
            if (in.AtEnd()) return Step::Error;
            return RunAmpersand(in.Next(), in, info, delayMs);
        default:
            return Step::Error;
    }
}

HayesModem::Step HayesModem::TakeSetting(const std::string& name, CommandReader& in) {
    int max = 0;
    int* field = Field(active_, name, max);
    const int v = in.Number();
    if (v > max) return Step::Error;
    if (!IsFixed(name)) *field = v;
    return Step::Next;
}

HayesModem::Step HayesModem::RunInformation(int n, std::vector<std::string>& info) const {
    switch (n) {
        case 0:
            info.push_back("33600");
            return Step::Next;
        case 3:
            info.push_back("HAYES COMPATIBLE MODEM (SIMULATED)");
            return Step::Next;
        case 4: {
            const auto lines = SettingsLines(active_);
            info.insert(info.end(), lines.begin(), lines.end());
            return Step::Next;
        }
        default:
            return Step::Error;
    }
}

HayesModem::Step HayesModem::RunRegister(CommandReader& in, std::vector<std::string>& info) {
    const int reg = in.Number();
    if (reg >= kRegisterCount || in.AtEnd()) return Step::Error;
    int& value = active_.s[static_cast<std::size_t>(reg)];
    if (in.Take('=')) {
        const int v = in.Number();
        if (v > 255) return Step::Error;
        if (!IsFixed(RegisterName(reg))) value = v;
        return Step::Next;
    }
    if (in.Take('?')) {
        char text[8];
        std::snprintf(text, sizeof text, "%03d", value);
        info.push_back(text);
        return Step::Next;
    }
    return Step::Error;
}

HayesModem::Step HayesModem::RunAmpersand(char a, CommandReader& in, std::vector<std::string>& info,
                                          int& delayMs) {
    switch (a) {
        case 'C':
        case 'D':
        case 'K':
            return TakeSetting(std::string("&") + a, in);
        default:
            break;
    }
    if (a != 'F' && a != 'W' && a != 'V') return Step::Error;
    if (in.Number() != 0) return Step::Error;
    if (a == 'F') {
        active_ = Factory();
        ApplyFixed(active_);
        delayMs = std::max(delayMs, timing_.resetDelayMs);
    } else if (a == 'W') {
        stored_ = active_;
        delayMs = std::max(delayMs, timing_.storeDelayMs);
    } else {
        info.push_back("ACTIVE PROFILE:");
        for (const auto& l : SettingsLines(active_)) info.push_back(l);
        info.push_back("");
        info.push_back("STORED PROFILE 0:");
        for (const auto& l : SettingsLines(stored_)) info.push_back(l);
    }
    return Step::Next;
}

std::vector<std::string> HayesModem::SettingsLines(const Profile& p) const {
    char head[64];
    std::snprintf(head, sizeof head, "E%d Q%d V%d X%d M%d L%d &C%d &D%d &K%d", p.echo, p.quiet,
                  p.verbose, p.x, p.m, p.l, p.c, p.d, p.k);
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
