// The line encoder, the digit-answer rule and one line going out to the
// modem: bytes, trace lines, the send buffer's limit, the calls on the port.

#include <gtest/gtest.h>

#include <array>

#include "lists/EncodeLine.h"
#include "support/ModemFakes.h"

namespace hk {
namespace {

using Kind = sim::SimEvent::Kind;
using Bytes = std::vector<std::uint8_t>;

TEST(EncodeLine, WorkedResultsAndTerminatorGroupRules) {
    const std::pair<std::string, Bytes> cases[] = {
        {"ATZ", {0x41, 0x54, 0x5A, 0x0D}},
        {"AT&F<CR><LF>", {0x41, 0x54, 0x26, 0x46, 0x0D, 0x0A}},
        {"ATE0<lf>", {0x41, 0x54, 0x45, 0x30, 0x0A}},
        {"AT<0D><0A>xyz", {0x41, 0x54, 0x0D, 0x0A}},
        {"AT<CR>junk<LF><CR>", {0x41, 0x54, 0x0D, 0x0A}},
        {"ATZ<>", {0x41, 0x54, 0x5A}},
        {"at s0=2", {0x61, 0x74, 0x20, 0x73, 0x30, 0x3D, 0x32, 0x0D}},
        {"", {0x0D}},
        {"AT<CR><LF><CR>", {0x41, 0x54, 0x0D, 0x0A}},  // at most two
        {"ATZ<XX>", {0x41, 0x54, 0x5A}},               // no group, no CR
        {"AT<CR>Z", {0x41, 0x54, 0x0D}},
        {"AT<cr><0d>", {0x41, 0x54, 0x0D, 0x0D}},
        {"AT<Lf", {0x41, 0x54}},     // a group needs its ">"
        {"AT<X<LF>", {0x41, 0x54}},  // the search goes on after the first ">"
        {"AT<X>y<LF>", {0x41, 0x54, 0x0A}},
        {"\xC0\xD2<CR>", {0xC0, 0xD2, 0x0D}},  // Windows-1251 bytes as they are
    };
    for (const auto& [line, bytes] : cases) {
        std::array<std::uint8_t, 301> buf{};
        const int end = EncodeLine(line, buf, 0);
        ASSERT_EQ(end, static_cast<int>(bytes.size())) << line;
        EXPECT_EQ(Bytes(buf.begin(), buf.begin() + end), bytes) << line;
    }
}

TEST(EncodeLine, TraceShowsTheWholeBufferAndNothingIsWrittenPastIt) {
    test::FakeMemo trace;
    std::array<std::uint8_t, 310> store{};
    const std::span<std::uint8_t> buf(store.data(), 301);
    int end = EncodeLine("ATZ", buf, 0, &trace);
    end = EncodeLine("ATE0<lf>", buf, end, &trace);
    EXPECT_EQ(end, 9);
    EXPECT_EQ(trace.lines, (std::vector<std::string>{"ATZ", "4) 41 54 5A 0D ", "ATE0<lf>",
                                                     "9) 41 54 5A 0D 41 54 45 30 0A "}));

    // 300 characters and the carriage return fill the 301 bytes exactly.
    store.fill(0xEE);
    EXPECT_EQ(EncodeLine(std::string(300, 'A'), buf, 0), 301);
    EXPECT_EQ(EncodeLine(std::string(299, 'A').append("<CR><LF>junk"), buf, 0), 301);
    EXPECT_EQ(store[301], 0xEE);
    store.fill(0xEE);
    trace.lines.clear();
    EXPECT_EQ(EncodeLine(std::string(301, 'A'), buf, 0, &trace), kLineDoesNotFit);
    EXPECT_EQ(EncodeLine(std::string(300, 'A').append("<CR><LF>"), buf, 0, &trace),
              kLineDoesNotFit);
    EXPECT_EQ(EncodeLine("ATZ", buf, 299, &trace), kLineDoesNotFit);
    EXPECT_EQ(EncodeLine("ATZ", buf, -1, &trace), kLineDoesNotFit);
    for (auto b : store) ASSERT_EQ(b, 0xEE) << "a refused line wrote into the buffer";
    EXPECT_TRUE(trace.lines.empty());
}

TEST(DigitAnswers, FollowV0AndV1InEachLineSentUnlessItHoldsAmpersandV) {
    struct Case {
        const char* line;
        bool before, after;
    };
    const Case cases[] = {
        {"ATV0", false, true},    {"ATV1", true, false},     {"ATV0V1", true, false},
        {"ATE0V1", true, false},  {"AT&V", true, true},      {"AT&V", false, false},
        {"ATV0&V", false, false}, {"ATV0&v", true, true},    {"atv0", false, true},
        {"ATZ", true, true},      {"ATE1V1V0", true, false},  // both: false, in any order
    };
    for (const auto& c : cases) {
        bool flag = c.before;
        TrackDigitAnswers(c.line, flag);
        EXPECT_EQ(flag, c.after) << c.line << " from " << c.before;
    }
}

TEST(SendModemLine, PurgesInputTracesSetsTwentyMsReadsAndWritesOnce) {
    test::ModemWorld w;
    w.state.TraceBytes = true;
    w.line.Inject(test::Bytes("\r\nOK\r\n"));
    w.line.ClearLog();
    ASSERT_TRUE(w.console.SendModemLine("ATV0<CR><LF>"));
    const auto& ev = w.line.Events();
    ASSERT_EQ(ev.size(), 3u);
    EXPECT_EQ(ev[0].kind, Kind::PurgeRx);
    EXPECT_EQ(ev[1].kind, Kind::SetTimeouts);
    EXPECT_EQ(ev[1].timeouts, (CommTimeouts{0, 0, 20, 500, 0}));
    EXPECT_EQ(ev[2].bytes, (Bytes{0x41, 0x54, 0x56, 0x30, 0x0D, 0x0A}));
    EXPECT_EQ(w.line.Pending(), 0u);
    EXPECT_TRUE(w.console.DigitAnswers());
    EXPECT_EQ(w.window.answers.lines,
              (std::vector<std::string>{"ATV0<CR><LF>", "6) 41 54 56 30 0D 0A "}));

    // A line beyond the send buffer changes nothing but the read time-out.
    w.line.Inject(test::Bytes("pending"));
    w.line.SetTimeouts(CommTimeouts{});
    w.line.ClearLog();
    EXPECT_FALSE(w.console.SendModemLine("ATV1" + std::string(297, 'E')));
    EXPECT_TRUE(w.console.DigitAnswers());
    EXPECT_TRUE(w.Writes().empty());
    EXPECT_EQ(w.line.Pending(), 7u);
    EXPECT_EQ(w.window.answers.lines.size(), 2u);
    EXPECT_EQ(w.line.Timeouts().ReadTotalTimeoutConstant, 20u);
}

}  // namespace
}  // namespace hk
