// The line encoder, the digit-answer rule and one line going out to the
// modem: bytes, trace lines, the send buffer's limit, the calls on the port.

#include <gtest/gtest.h>

#include <array>

#include "modem/EncodeLine.h"
#include "modem_fakes.h"

namespace hk {
namespace {

using test::Bytes;
using test::FakeMemo;
using test::ModemWorld;
using Kind = sim::SimEvent::Kind;

struct EncodeCase {
    std::string line;
    std::vector<std::uint8_t> bytes;
};

TEST(EncodeLine, WorkedResultsAndTerminatorGroupRules) {
    const EncodeCase cases[] = {
        // The worked table.
        {"ATZ", {0x41, 0x54, 0x5A, 0x0D}},
        {"AT&F<CR><LF>", {0x41, 0x54, 0x26, 0x46, 0x0D, 0x0A}},
        {"ATE0<lf>", {0x41, 0x54, 0x45, 0x30, 0x0A}},
        {"AT<0D><0A>xyz", {0x41, 0x54, 0x0D, 0x0A}},
        {"AT<CR>junk<LF><CR>", {0x41, 0x54, 0x0D, 0x0A}},
        {"ATZ<>", {0x41, 0x54, 0x5A}},
        {"at s0=2", {0x61, 0x74, 0x20, 0x73, 0x30, 0x3D, 0x32, 0x0D}},
        {"", {0x0D}},
        // At most two terminators; unknown groups give nothing and no CR.
        {"AT<CR><LF><CR>", {0x41, 0x54, 0x0D, 0x0A}},
        {"ATZ<XX>", {0x41, 0x54, 0x5A}},
        {"AT<CR>Z", {0x41, 0x54, 0x0D}},
        {"AT<cr><0d>", {0x41, 0x54, 0x0D, 0x0D}},
        {"AT<Lf", {0x41, 0x54}},     // a group needs its ">"
        {"AT<X<LF>", {0x41, 0x54}},  // the search goes on after the first ">"
        {"AT<CR>x>y<LF>", {0x41, 0x54, 0x0D, 0x0A}},
        {"AT<X>y<LF>", {0x41, 0x54, 0x0A}},
        {"<LF>", {0x0A}},
        {"\xC0\xD2<CR>", {0xC0, 0xD2, 0x0D}},  // Windows-1251 bytes go as they are
    };
    for (const auto& c : cases) {
        std::array<std::uint8_t, 301> buf{};
        const int end = EncodeLine(c.line, buf, 0);
        ASSERT_EQ(end, static_cast<int>(c.bytes.size())) << c.line;
        EXPECT_EQ(std::vector<std::uint8_t>(buf.begin(), buf.begin() + end), c.bytes) << c.line;
        EXPECT_EQ(EncodedLength(c.line), c.bytes.size()) << c.line;
    }
}

TEST(EncodeLine, TraceShowsTheLineThenTheWholeBufferFromIndexZero) {
    FakeMemo memo2;
    std::array<std::uint8_t, 128> buf{};
    int end = EncodeLine("ATZ", buf, 0, &memo2);
    end = EncodeLine("ATE0<lf>", buf, end, &memo2);
    end = EncodeLine("ATZ<>", buf, end, &memo2);
    EXPECT_EQ(end, 12);
    EXPECT_EQ(memo2.lines, (std::vector<std::string>{
                               "ATZ",
                               "4) 41 54 5A 0D ",
                               "ATE0<lf>",
                               "9) 41 54 5A 0D 41 54 45 30 0A ",
                               "ATZ<>",
                               "12) 41 54 5A 0D 41 54 45 30 0A 41 54 5A ",
                           }));
    memo2.lines.clear();
    EncodeLine("", buf, 0, &memo2);
    EXPECT_EQ(memo2.lines, (std::vector<std::string>{"", "1) 0D "}));
}

TEST(EncodeLine, NeverWritesPastTheBufferAndReportsWhatDoesNotFit) {
    std::array<std::uint8_t, 310> store{};
    store.fill(0xEE);
    const std::span<std::uint8_t> buf(store.data(), 301);
    FakeMemo trace;

    // 300 characters and the carriage return fill the 301 bytes exactly.
    EXPECT_EQ(EncodeLine(std::string(300, 'A'), buf, 0, &trace), 301);
    EXPECT_EQ(store[300], 0x0D);
    EXPECT_EQ(store[301], 0xEE);

    store.fill(0xEE);
    trace.lines.clear();
    EXPECT_EQ(EncodeLine(std::string(301, 'A'), buf, 0, &trace), kLineDoesNotFit);
    EXPECT_EQ(EncodeLine(std::string(300, 'A') + "<CR><LF>", buf, 0, &trace), kLineDoesNotFit);
    EXPECT_EQ(EncodeLine("ATZ", buf, 299, &trace), kLineDoesNotFit);
    EXPECT_EQ(EncodeLine("ATZ", buf, 302, &trace), kLineDoesNotFit);
    EXPECT_EQ(EncodeLine("ATZ", buf, -1, &trace), kLineDoesNotFit);
    for (auto b : store) ASSERT_EQ(b, 0xEE) << "a refused line wrote into the buffer";
    EXPECT_TRUE(trace.lines.empty());

    // Groups after the limit cost nothing; the text before "<" counts.
    EXPECT_EQ(EncodeLine(std::string(299, 'A') + "<CR><LF>" + std::string(50, 'x'), buf, 0), 301);
    EXPECT_EQ(EncodeLine("AT", buf, 298), 301);
    EXPECT_EQ(EncodeLine("<CR>", buf, 301), kLineDoesNotFit);
    EXPECT_EQ(EncodeLine("ATZ<>", std::span<std::uint8_t>(), 0), kLineDoesNotFit);
    EXPECT_EQ(EncodeLine("<>", std::span<std::uint8_t>(), 0), 0);
}

TEST(DigitAnswers, FollowV0AndV1InEachLineSentUnlessItHoldsAmpersandV) {
    struct Case {
        const char* line;
        bool before, after;
    };
    const Case cases[] = {
        {"ATV0", false, true},     {"ATV1", true, false},     {"ATV0V1", true, false},
        {"ATV0V1", false, false},  {"ATE0V1", true, false},   {"AT&V", true, true},
        {"AT&V", false, false},    {"ATV0&V", false, false},  {"ATV0&v", true, true},
        {"atv0", false, true},     {"ATS0=1V0", false, true}, {"ATZ", true, true},
        {"ATE1V1V0", true, false},  // both: false, whatever their order
    };
    for (const auto& c : cases) {
        bool flag = c.before;
        TrackDigitAnswers(c.line, flag);
        EXPECT_EQ(flag, c.after) << c.line << " from " << c.before;
    }
    // Through the exchange: each line sent changes the flag, the command
    // field's text included.
    ModemWorld w;
    w.console.SendModemLine("ATV0");
    EXPECT_TRUE(w.console.DigitAnswers);
    w.console.SendModemLine("AT&V");
    EXPECT_TRUE(w.console.DigitAnswers);
    w.console.SendModemLine("ATE0V1");
    EXPECT_FALSE(w.console.DigitAnswers);
}

TEST(SendModemLine, PurgesInputSetsTwentyMsReadsAndWritesOnce) {
    ModemWorld w;
    w.line.Inject(Bytes("\r\nOK\r\n"));
    w.line.ClearLog();
    ASSERT_TRUE(w.console.SendModemLine("AT&F<CR><LF>"));

    const auto& ev = w.line.Events();
    ASSERT_EQ(ev.size(), 3u);
    EXPECT_EQ(ev[0].kind, Kind::PurgeRx);
    EXPECT_EQ(ev[1].kind, Kind::SetTimeouts);
    EXPECT_EQ(ev[1].timeouts.ReadTotalTimeoutConstant, 20u);
    EXPECT_EQ(ev[1].timeouts.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(ev[1].timeouts.ReadIntervalTimeout, 0u);
    EXPECT_EQ(ev[1].timeouts.WriteTotalTimeoutMultiplier, 500u);
    EXPECT_EQ(ev[2].kind, Kind::Write);
    EXPECT_EQ(ev[2].bytes, (std::vector<std::uint8_t>{0x41, 0x54, 0x26, 0x46, 0x0D, 0x0A}));
    EXPECT_EQ(w.line.Pending(), 0u);  // the unread answer went with the purge
    EXPECT_TRUE(w.window.memo2.lines.empty());
    EXPECT_TRUE(w.view.boxes.empty());
}

TEST(SendModemLine, ByteTraceReachesMemo2BeforeTheBytesGoOut) {
    ModemWorld w;
    w.state.TraceBytes = true;
    std::size_t memoLinesAtWrite = 0;
    struct Tap : TrafficTap {
        std::function<void()> onWrite;
        void OnWritten(std::span<const std::uint8_t>, const LineParams&) override { onWrite(); }
        void OnRead(std::span<const std::uint8_t>, const LineParams&) override {}
    } tap;
    tap.onWrite = [&] { memoLinesAtWrite = w.window.memo2.lines.size(); };
    w.line.SetTap(&tap);
    w.console.SendModemLine("ATZ");
    EXPECT_EQ(memoLinesAtWrite, 2u);
    EXPECT_EQ(w.window.memo2.lines, (std::vector<std::string>{"ATZ", "4) 41 54 5A 0D "}));
    w.line.SetTap(nullptr);
}

TEST(SendModemLine, ALineBeyondTheSendBufferIsRefusedWithoutAnyEffect) {
    ModemWorld w;
    w.state.TraceBytes = true;
    w.line.Inject(Bytes("pending"));
    w.line.ClearLog();
    const std::string tooLong = "ATV0" + std::string(297, 'E');  // 301 characters
    EXPECT_FALSE(w.console.SendModemLine(tooLong));
    EXPECT_FALSE(w.console.DigitAnswers);  // the modem never saw the V0
    EXPECT_TRUE(w.Writes().empty());
    EXPECT_EQ(w.line.Pending(), 7u);  // nothing purged either
    EXPECT_TRUE(w.window.memo2.lines.empty());
    // The receiver keeps its short reads even so.
    EXPECT_EQ(w.line.Timeouts().ReadTotalTimeoutConstant, 20u);

    // A typed command is refused with a message, and nothing goes out.
    w.window.edit1 = tooLong;
    std::uint8_t enter = 13;
    w.console.Edit1KeyPress(enter);
    EXPECT_TRUE(w.Writes().empty());
    EXPECT_EQ(w.view.Texts(test::ScriptedView::Box::Kind::Error),
              std::vector<std::string>{kCommandTooLongText});
    EXPECT_TRUE(w.console.IdleInstalled());
}

}  // namespace
}  // namespace hk
