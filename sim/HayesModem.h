#pragma once
// A simulated Hayes-compatible modem in command state, the far end the
// program's modem side talks to. It runs in-process on a SimLine (tests,
// virtual clock) or on a PtyBridge (the demo, real time).
//
// What it does, as a real modem does it:
//  - echoes every byte it receives while echo is on (E1, the default);
//  - takes a command line from "AT" (any letter case; whatever precedes it
//    on the line is ignored) up to the carriage return; blanks are ignored;
//    a line without "AT" is dropped silently;
//  - knows E, Q, V, X, M, L, H, Z, I (I4: the current settings), &F, &W, &V,
//    &C, &D, &K, Sn=v and Sn?; anything else answers ERROR, and the commands
//    before it on the line stay done;
//  - answers word result codes framed by CR LF (CR LF OK CR LF) with V1 and
//    digit codes followed by CR (0 CR) with V0; Q1 suppresses them;
//    information text is framed by CR LF as well (V0: without the leading
//    CR LF);
//  - keeps one stored profile (&W) that Z brings back; &F gives the factory
//    settings;
//  - dials (D, the rest of the line is the number) and answers a call (A)
//    after a while, ending with the result the simulated telephone line
//    gives (SetDialResult): CONNECT puts the modem on line, where what it
//    receives is data for the far end (no echo, no command) until DTR drops;
//    NO CARRIER (the default), BUSY, NO DIALTONE, NO ANSWER leave it in
//    command state;
//  - may keep a register or a flag fixed (KeepFixed), as a modem whose
//    firmware clamps a register or lacks an option does: commands that set
//    it answer OK and change nothing, in the active settings and in the
//    stored profile alike.
// Answers come after a short processing delay (longer for Z, &F, &W) and
// one byte after the other at the line's speed.
//
// Faults a test or the demo may give it: a profile stored otherwise than
// the factory's (Store, e.g. V0: a modem that answers in digits from the
// start), RING at a fixed interval (someone keeps calling), noise on the
// line (a random byte at a fixed interval, whatever the modem does), a
// longer answer delay, silence (a modem switched off: no echo, no answer,
// no command taken), and a command line answered with another result code
// than its own (AnswerInstead: NO CARRIER, BUSY, CONNECT where OK was due).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/SimPeer.h"

namespace hk::sim {

class HayesModem final : public SimPeer {
public:
    struct Timing {
        int echoDelayMs = 1;    // from a received byte to its echo
        int answerDelayMs = 8;  // from the carriage return to the answer
        int resetDelayMs = 60;  // Z and &F: the modem resets first
        int storeDelayMs = 50;  // &W: the profile goes to non-volatile memory
        int callDelayMs = 1500;  // D and A: from the command to the call's result
    };

    static constexpr int kRegisterCount = 38;  // S0 .. S37
    static constexpr int kCommandLineLimit = 255;

    HayesModem() : HayesModem(Timing{}) {}
    explicit HayesModem(Timing timing);

    void OnByte(std::uint8_t byte, const LineParams& params, PeerOutput& out) override;
    // &D3: dropping DTR resets the modem to its stored profile.
    void OnControlLines(bool dtr, bool rts, PeerOutput& out) override;

    // Keeps `setting` ("S7", "E", "Q", "V", "X", "M", "L", "&C", "&D", "&K")
    // at `value` from now on. False, and nothing kept, for a name the modem
    // does not know or a value it would refuse.
    bool KeepFixed(const std::string& setting, int value);
    // The same from "S7=50" (or "S7" for the value it has now).
    bool KeepFixed(const std::string& settingAndValue);

    // Sets `settingAndValue` ("V0", "E0", "S7=50") in the active settings
    // and the stored profile, as a profile stored with &W. False for a name
    // the modem does not know or a value it would refuse.
    bool Store(const std::string& settingAndValue);
    // RING (in words or digits as the modem answers) every `everyMs`; 0: none.
    void Ring(int everyMs) { ringEveryMs_ = everyMs; }
    // A random byte on the line every `everyMs`; 0: none.
    void Noise(int everyMs, unsigned seed = 1) {
        noiseEveryMs_ = everyMs;
        noiseState_ = seed ? seed : 1;
    }
    // The result code, in words, a dial or an answer ends with: "CONNECT
    // 9600" (the modem is then on line), "NO CARRIER", "BUSY", "NO DIALTONE",
    // "NO ANSWER".
    void SetDialResult(std::string wordCode) { dialResult_ = std::move(wordCode); }
    // The `commandLine`-th command line from now (1: the next) is answered
    // with `wordCode` (in words or digits, as the modem answers) instead of
    // its own result, and nothing of it is carried out.
    void AnswerInstead(int commandLine, std::string wordCode) {
        insteadAt_ = static_cast<int>(commandLines_.size()) + commandLine;
        insteadCode_ = std::move(wordCode);
    }
    // Silent: receives nothing and sends nothing of its own.
    void SetSilent(bool silent) { silent_ = silent; }
    void SetTiming(const Timing& timing) { timing_ = timing; }
    const Timing& Times() const { return timing_; }

    void Tick(std::int64_t untilMs, PeerOutput& out) override;

    // The current state, for tests on the same thread.
    int Register(int n) const { return active_.s[static_cast<std::size_t>(n)]; }
    int StoredRegister(int n) const { return stored_.s[static_cast<std::size_t>(n)]; }
    bool Echo() const { return active_.echo != 0; }
    bool Verbose() const { return active_.verbose != 0; }
    bool Quiet() const { return active_.quiet != 0; }
    // On line after a CONNECT: what it receives goes to the far end.
    bool OnLine() const { return onLine_; }
    // Every command line taken, from "AT" on, as received.
    const std::vector<std::string>& CommandLines() const { return commandLines_; }
    // For each of them: whether the modem carried it out (its code is OK, or
    // CONNECT to a dial or an answer).
    const std::vector<bool>& Accepted() const { return accepted_; }

private:
    struct Profile {
        int echo = 1;
        int quiet = 0;
        int verbose = 1;
        int x = 4, m = 1, l = 2, c = 1, d = 2, k = 3;
        std::array<int, kRegisterCount> s{};
    };
    // A line that dials or answers ends with the telephone line's result.
    enum class Result { Ok, Error, Call };

    struct Fixed {
        std::string setting;
        int value;
    };

    static Profile Factory();
    // The field of `setting` in `p` with its largest value; nullptr when the
    // modem has no such setting.
    static int* Field(Profile& p, const std::string& setting, int& max);
    bool IsFixed(const std::string& setting) const;
    void ApplyFixed(Profile& p) const;
    void TakeLine(const LineParams& params, PeerOutput& out);
    // Runs the commands of a line's body; `info` gets the lines they answer,
    // `delayMs` grows to the longest time one of them takes.
    Result Execute(const std::string& body, std::vector<std::string>& info, int& delayMs);
    // One command, after its letter: on to the next, the line done (Z drops
    // the rest of it), or the line refused.
    class CommandReader;
    enum class Step { Next, LineDone, Error, Call };
    Step RunCommand(char c, CommandReader& in, std::vector<std::string>& info, int& delayMs);
    Step TakeSetting(const std::string& name, CommandReader& in);
    Step RunInformation(int n, std::vector<std::string>& info) const;
    Step RunRegister(CommandReader& in, std::vector<std::string>& info);
    Step RunAmpersand(char a, CommandReader& in, std::vector<std::string>& info, int& delayMs);
    std::vector<std::string> SettingsLines(const Profile& p) const;
    // `wordCode` as the modem's settings frame it: words with CR LF around,
    // or its digit code and CR; nothing under Q1.
    std::string Framed(const std::string& wordCode) const;
    void Emit(const std::string& bytes, int delayMs, const LineParams& params, PeerOutput& out);

    Timing timing_;
    Profile active_;
    Profile stored_;
    std::string line_;
    bool dtrSeen_ = false;
    struct Busy {
        std::int64_t start, end;  // the transmitter sends in [start, end)
    };
    std::vector<Busy> busy_;  // ordered by start
    std::vector<std::string> commandLines_;
    std::vector<bool> accepted_;
    std::vector<Fixed> fixed_;
    bool silent_ = false;
    bool onLine_ = false;
    std::string dialResult_ = "NO CARRIER";
    int insteadAt_ = 0;  // the command line answered otherwise; 0: none
    std::string insteadCode_;
    int ringEveryMs_ = 0;
    int noiseEveryMs_ = 0;
    unsigned noiseState_ = 1;
    std::int64_t nextRingAt_ = -1;
    std::int64_t nextNoiseAt_ = -1;
    LineParams lastParams_{};
};

}  // namespace hk::sim
