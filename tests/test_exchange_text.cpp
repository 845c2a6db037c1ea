// The decoded line each exchange adds to the exchange log, for both framings
// and every result code, on scripted answers over the virtual clock, and the
// secret request whose data stay out of it.

#include <gtest/gtest.h>

#include "log/ExchangeLog.h"
#include "log/LoggedLink.h"
#include "protocol/Exchange.h"
#include "protocol/ExchangeText.h"
#include "protocol/Frames.h"
#include "sim/SimLine.h"
#include "support/ScriptPeer.h"
#include "support/ScriptedView.h"

namespace hk::protocol {
namespace {

using test::Hex;
using Steps = std::deque<test::ScriptPeer::Step>;

struct LoggedWorld {
    explicit LoggedWorld(std::int8_t protocol = 0, int crc = 0) {
        line.Attach(&peer);
        link.Settings = {0, kLinkRs232, 5, 1, 0, protocol, std::int8_t(crc), 0};
        OpenPort(link, "Com1", 5, AddressMode::On);
    }
    // The decoded line of one exchange (the last note of the log).
    std::string Exchange(const std::string& request, int answerLen, Steps steps) {
        peer.steps = std::move(steps);
        std::vector<std::uint8_t> r = Hex(request);
        r.resize(16);
        std::vector<std::uint8_t> answer(140, 0);
        result = ExchangeFrame(link, r, answer, answerLen);
        log.FlushAll();
        std::string note;
        for (const LogEntry& e : log.Entries())
            if (e.kind == LogEntry::Kind::Note) note = e.text;
        return note;
    }
    VirtualClock clock{1000};
    sim::SimLine line{clock};
    test::ScriptPeer peer;
    test::ScriptedView view;
    LoggedLink logged{line, clock, view, [] { return std::int64_t{0}; }};
    SerialLink& link = logged.Link();
    ExchangeLog& log = logged.Log();
    int result = -1;
};

TEST(ExchangeText, TraditionalVerdictsAndResults) {
    const std::vector<std::uint8_t> noise(300, 0x55);
    const struct {
        Steps steps;
        int answerLen;
        const char* want;
    } rows[] = {
        {{{1, {Ready}}, {5, Hex("06 12 34 BA")}},
         2,
         "традиционный кадр, запрос 01 40 00: готов, кадр принят, ответ 12 34, КС BA верна → 0 OK"},
        {{},
         2,
         "традиционный кадр, запрос 01 40 00: нет ответа на начало обмена → 1 нет подтв. начала "
         "обмена"},
        {{{1, noise, 5, 10}},
         2,
         "традиционный кадр, запрос 01 40 00: нет готовности КВАРД → 6 False"},
        {{{1, {Ready}}, {5, {Nak}}},
         2,
         "традиционный кадр, запрос 01 40 00: готов, кадр отклонён (15) → 3 несовп КС передачи"},
        {{{1, {Ready}}},
         2,
         "традиционный кадр, запрос 01 40 00: готов, кадр не подтверждён → 6 False"},
        {{{1, {Ready}}, {5, Hex("06 12 34")}},
         2,
         "традиционный кадр, запрос 01 40 00: готов, кадр принят, ответ неполный: 2 из 3 байт (12 "
         "34) → "
         "5 не все данные"},
        {{{1, {Ready}}, {5, Hex("06 12 34 BB")}},
         2,
         "традиционный кадр, запрос 01 40 00: готов, кадр принят, ответ 12 34, КС BB неверна → 4 "
         "несовп КС "
         "приема"},
        {{{1, {Ready}}, {5, {Ack}}},
         0,
         "традиционный кадр, запрос 01 40 00: готов, кадр принят → 0 OK"},
    };
    for (const auto& r : rows) {
        LoggedWorld w;
        EXPECT_EQ(w.Exchange("03 01 40 00", r.answerLen, r.steps), r.want);
    }
}

TEST(ExchangeText, Ft12FramesSingleBytesAndChecksInEveryCrcMode) {
    // Answers of controller number 1 to the status request, in each mode.
    const struct {
        int crc;
        std::string answer;
        int answerLen;
        const char* want;
    } rows[] = {
        {0, "10 00 01 12 34 00 00 47 16", 2,
         "ответ: короткий кадр, упр. 00, адрес 1, данные 12 34 00 00, КС верна → 0 OK"},
        {0, "10 00 01 12 34 00 00 48 16", 2,
         "ответ: короткий кадр, упр. 00, адрес 1, данные 12 34 00 00, КС неверна → 36 код ошибки "
         "36 "
         "(неверная КС ответа)"},
        {0, "10 00 01 12 34 00 00 47 17", 2,
         "ответ: короткий кадр, упр. 00, адрес 1, данные 12 34 00 00, неверный конец кадра → 35 "
         "код "
         "ошибки 35 (неверный конец кадра ответа)"},
        {0, "10 00 02 12 34 00 00", 2,
         "ответ: короткий кадр, упр. 00, адрес 2, данные 12 34 00 00, чужой адрес → 31 код ошибки "
         "31 "
         "(чужой сетевой номер в ответе)"},
        {0, "A2", 0, "ответ A2 (выполнено) → 0 OK"},
        {0, "E5", 0, "ответ E5 (отказ) → 38 код ошибки 38 (КВАРД отказал в выполнении, ответ E5)"},
        {0, "", 2, "нет ответа → 1 нет подтв. начала обмена"},
        {0, "68 05 06 68", 2,
         "ответ: длинный кадр, длины не совпадают → 33 код ошибки 33 (длины кадра ответа не "
         "совпадают)"},
        {0, "68 05", 2, "ответ: длинный кадр, заголовок неполный → 2 нет подтв. приема"},
        {0, "68 01 01 68 00 00 16", 0,
         "ответ: длинный кадр, без поля адреса → 39 код ошибки 39 (кадр ответа без поля адреса)"},
        {0, "68 05 05 68 00 01 12 34 56 9D 16", 2,
         "ответ: длинный кадр, упр. 00, адрес 1, данные 12 34 56, длина данных не та, что "
         "запрошена → 40 код ошибки 40 (длина данных ответа не та, что запрошена)"},
        {2, "10 00 01 12 34 00 00 2C 1C", 2,
         "ответ: короткий кадр, упр. 00, адрес 1, данные 12 34 00 00, CRC верна → 0 OK"},
        {2, "10 00 01 12 34 00 00 2D 1C", 2,
         "ответ: короткий кадр, упр. 00, адрес 1, данные 12 34 00 00, CRC неверна → 11 код ошибки "
         "11 "
         "(неверная CRC ответа)"},
    };
    for (const auto& r : rows) {
        LoggedWorld w(1, r.crc);
        Steps steps;
        if (!r.answer.empty()) steps.push_back({9, Hex(r.answer), 1, 1});  // after the request
        const std::string note = w.Exchange("03 01 40 00", r.answerLen, steps);
        const std::string request =
            r.crc == 2 ? "FT1.2 короткий кадр (CRC вместо КС), адрес 1, запрос 01 40 00; "
                       : "FT1.2 короткий кадр (без CRC), адрес 1, запрос 01 40 00; ";
        EXPECT_EQ(note, request + r.want) << r.answer;
    }
}

TEST(ExchangeText, TheDecodedLineStandsAboveTheExchangesBytes) {
    LoggedWorld w;
    w.Exchange("03 01 40 00", 2, {{1, {Ready}}, {5, Hex("06 12 34 BA")}});
    std::vector<LogEntry::Kind> kinds;
    for (const LogEntry& e : w.log.Entries()) kinds.push_back(e.kind);
    using K = LogEntry::Kind;
    EXPECT_EQ(kinds, (std::vector<K>{K::Note, K::Sent, K::Received, K::Sent, K::Received}));
    // Timed at the exchange's start, before its first byte.
    EXPECT_LE(w.log.Entries()[0].sinceJobMs, w.log.Entries()[1].sinceJobMs);
}

TEST(ExchangeText, ASecretRequestShowsOnlyItsFirstThreeBytes) {
    EXPECT_EQ(RequestHex(Hex("05 05 40 08 12 34"), true), "05 40 08 ** **");
    EXPECT_EQ(RequestHex(Hex("05 05 40 08 12 34"), false), "05 40 08 12 34");
    EXPECT_EQ(RequestHex(Hex("01 09"), true), "09");
}

}  // namespace
}  // namespace hk::protocol
