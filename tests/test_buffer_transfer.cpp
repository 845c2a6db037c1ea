// Reading and writing the controllers' modem buffers against the simulated
// controller on the virtual clock: every kit on every framing, the write's
// paths and texts, clear mode, the gauge, the byte trace, text too long for
// its buffer, status waits that run out of time, and the read at 300 baud.

#include <gtest/gtest.h>

#include "base/Windows1251.h"
#include "device/BufferTransfer.h"
#include "device/KitBuffers.h"
#include "support/ControllerFakes.h"
#include "support/ScriptPeer.h"

namespace hk::device {
namespace {

using test::ControllerWorld;
using test::Hex;
using test::HexText;
using Box = test::ScriptedView::Box;
using Bytes = std::vector<std::uint8_t>;
using Texts = std::vector<std::string>;
using sim::KvardFault;
using sim::KvardFraming;

struct Framing {
    const char* name;
    KvardFraming framing;
    int crc;
};
constexpr Framing kFramings[] = {{"traditional", KvardFraming::Traditional, 0},
                                 {"FT1.2 CRC 0", KvardFraming::Ft12, 0},
                                 {"FT1.2 CRC 1", KvardFraming::Ft12, 1},
                                 {"FT1.2 CRC 2", KvardFraming::Ft12, 2}};
const std::string kNoConfirmationText = "код ошибки 19 (нет подтверждения за отведенное время)";

sim::KvardOptions Controller(int kit, const Framing& f = kFramings[0], int baud = 9600) {
    sim::KvardOptions o;
    o.kit = static_cast<sim::KvardKit>(kit);
    o.framing = f.framing;
    o.crcMode = f.crc;
    o.netNumber = 5;
    o.baudRate = baud;
    return o;
}

Bytes Stored(const ControllerWorld& w, std::size_t index, std::size_t count) {
    Bytes b = w.kvard.Buffer(index);
    b.resize(count);
    return b;
}

Bytes Text(const std::string& text) { return {text.begin(), text.end()}; }

// The settings file after a job at number 5, 9600 baud, over RS-232 on Com1.
std::vector<unsigned char> SettingsImage(const Framing& f, int kit) {
    const bool ft12 = f.framing == KvardFraming::Ft12;
    return {0, 0, 5, 5, 0, std::uint8_t(ft12), std::uint8_t(f.crc), std::uint8_t(kit)};
}

// Runs `action` once, at the first message pass where `when` holds.
void Once(ControllerWorld& w, std::function<bool()> when, std::function<void()> action) {
    w.view.script.onProcess = [when, action, done = false](int) mutable {
        if (!done && when()) {
            done = true;
            action();
        }
    };
}

TEST(BufferImage, DecodesLinesWithOrWithoutSpecialCharacters) {
    MemoryLines m;
    const Bytes lines = Hex("41 54 5A 0D 41 54 53 30 3D 32 0D 00 41");
    DecodeBuffer(lines, m, LineEnds::Hidden);
    EXPECT_EQ(m.lines, (Texts{"ATZ", "ATS0=2", ""}));
    DecodeBuffer(lines, m, LineEnds::Shown);
    EXPECT_EQ(m.lines, (Texts{"ATZ<CR>", "ATS0=2<CR>", ""}));
    DecodeBuffer(Bytes(128, 0xFF), m, LineEnds::Hidden);
    EXPECT_EQ(m.lines, Texts{""});
    DecodeBuffer(Hex("41 0A 42 0D FF"), m, LineEnds::Hidden);
    EXPECT_EQ(m.lines, (Texts{"AB", ""}));
    DecodeBuffer(Hex("41 0A 42 0D FF"), m, LineEnds::Shown);
    EXPECT_EQ(m.lines, (Texts{"A<LF>B<CR>", ""}));
}

TEST(BufferImage, WriteRequests) {
    const std::string zeros120 = [] {
        std::string z;
        for (int i = 0; i < 120; ++i) z += " 00";
        return z;
    }();
    const struct {
        int kit, protocol;
        Texts memo;
        bool clear;
        std::string request;
    } rows[] = {
        {0, 0, {"ATZ"}, false, "0C 06 DF 00 41 54 5A 0D 00 00 00 00 00"},
        {0, 0, {}, false, "07 06 DF 00 00 00 00 00"},
        {0, 0, {"ATZ"}, true, "7B 06 DF 00" + zeros120},
        {1, 1, {"ATZ"}, false, "0D 06 2F 00 09 41 54 5A 0D 00 00 00 00 00"},
        {2, 0, {"", "AT<LF>x", ""}, false, "0B 05 40 4B 41 54 0A 00 00 00 00 00"},
    };
    for (const auto& r : rows) {
        MemoryLines upper, lower;
        upper.lines = r.memo;
        const KitLayout& kit = KitBuffersOf(r.kit);
        const auto images = EncodeBuffers(kit, BufferLimit(r.kit, r.protocol), upper, lower,
                                          r.clear, false, nullptr);
        std::array<std::uint8_t, kWriteFrameBytes> frame{};
        const std::size_t size = BuildWriteFrame(kit.buffers[0], images.data[0], images.bytes[0],
                                                 WithLengthByte(r.kit, r.protocol), frame);
        EXPECT_EQ(HexText({frame.begin(), frame.begin() + long(size)}), r.request);
    }
}

TEST(WholeRead, EveryKitOnEveryFraming) {
    const char* reads[4][2] = {{"02 BF 00 80", "02 BF 80 80"},
                               {"02 AF 00 80", nullptr},
                               {"01 40 4B", nullptr},
                               {"01 40 48", "01 40 4B"}};
    for (int kit = 0; kit < 4; ++kit) {
        for (const Framing& f : kFramings) {
            SCOPED_TRACE(std::to_string(kit) + " " + f.name);
            ControllerWorld w(Controller(kit, f));
            w.kvard.SetBuffer(0, w.kvard.ModemLines({"ATZ", "ATS0=2"}));
            w.kvard.SetBuffer(1, w.kvard.ModemLines({"AT&F"}));
            w.view.lower.lines = {"kept"};
            w.state.ClearBuffer1 = w.state.ClearBuffer2 = true;
            w.job.Search();

            Texts requests;  // an FT1.2 short frame carries four data bytes: padding dropped
            for (const auto& r : w.kvard.Requests()) {
                Bytes bytes = r.bytes;
                while (bytes.size() > 1 && bytes.back() == 0) bytes.pop_back();
                requests.push_back(HexText(bytes));
            }
            Texts want = {"01 40 1E", "01 40 1E", "01 41 1E", reads[kit][0]};
            if (reads[kit][1]) want.push_back(reads[kit][1]);
            want.push_back("0B");
            EXPECT_EQ(requests, want);
            EXPECT_EQ(w.view.upper.lines, (Texts{"ATZ", "ATS0=2", ""}));
            EXPECT_EQ(w.view.lower.lines, (reads[kit][1] ? Texts{"AT&F", ""} : Texts{"kept"}));
            EXPECT_TRUE(w.state.ClearBuffer1 && w.state.ClearBuffer2);
            EXPECT_EQ(w.view.closed, 1);
            EXPECT_EQ(w.SettingsFile(), SettingsImage(f, kit));
        }
    }
}

TEST(WholeRead, AFailedReadLeavesTheMemosAndShowsTheRetryText) {
    const struct {
        Framing framing;
        KvardFault fault;
        std::string text;
    } rows[] = {{kFramings[0], KvardFault::Nak, "Повтор несовп КС передачи"},
                {kFramings[2], KvardFault::BadCrc, "Повтор код ошибки 11 (неверная CRC ответа)"}};
    for (const auto& r : rows) {
        ControllerWorld w(Controller(0, r.framing));
        w.view.upper.lines = {"kept"};
        w.state.ClearBuffer1 = w.state.ClearBuffer2 = true;
        const Bytes secondRead = Hex("02 BF 80 80");
        w.port.onWrite = [&](const Bytes& bytes) {  // the second buffer's answer is spoilt
            if (std::search(bytes.begin(), bytes.end(), secondRead.begin(), secondRead.end()) !=
                bytes.end())
                w.kvard.Inject(r.fault);
        };
        w.job.Search();
        EXPECT_EQ(w.Received(kReadMemory).size(), 2u);
        EXPECT_EQ(w.view.upper.lines, Texts{"kept"});
        ASSERT_FALSE(w.view.status.empty());
        EXPECT_EQ(w.view.status.back(), r.text);
        EXPECT_FALSE(w.state.ClearBuffer1 || w.state.ClearBuffer2);
        EXPECT_EQ(w.view.closed, 0);
    }
}

TEST(WholeRead, FullBuffersAt300BaudOnBothFramings) {
    Bytes full(127, 'A');
    full.push_back(0x0D);
    for (const Framing& f : {kFramings[0], kFramings[2]}) {
        ControllerWorld w(Controller(0, f, 300));
        w.kvard.SetBuffer(0, full);
        w.kvard.SetBuffer(1, full);
        w.job.Search();
        const Texts want = {std::string(127, 'A'), ""};
        EXPECT_EQ(w.view.upper.lines, want) << f.name;
        EXPECT_EQ(w.view.lower.lines, want) << f.name;
    }
}

TEST(WholeWrite, EveryKitOnEveryFraming) {
    const Bytes atz = Hex("41 54 5A 0D 00 00 00 00 00");
    const Bytes ats = Hex("41 54 53 30 3D 32 0D 00 00 00 00 00");
    const std::string atzData = " " + HexText(atz);
    const std::string atsData = " " + HexText(ats);
    const struct {
        std::uint8_t code;
        std::vector<std::string> writes;  // headers of the buffer writes
        bool channels[2];
    } kits[] = {{kWriteMemory, {"06 DF 00", "06 DF 80"}, {true, true}},
                {kWriteMemory, {"06 2F 00"}, {true, false}},
                {kWriteParameter, {"05 40 4B"}, {false, true}},
                {kWriteParameter, {"05 40 48", "05 40 4B"}, {true, true}}};
    for (int kit = 0; kit < 4; ++kit) {
        for (const Framing& f : kFramings) {
            SCOPED_TRACE(std::to_string(kit) + " " + f.name);
            ControllerWorld w(Controller(kit, f), false);
            w.view.upper.lines = {"ATZ"};
            w.view.lower.lines = {"ATS0=2"};
            w.view.script.answers = {true};  // restart
            w.job.Search();

            const auto& k = kits[kit];
            const bool two = k.writes.size() == 2;
            Texts writes;
            for (const auto& r : w.Received(k.code)) {
                const std::string text = HexText(r);
                if (text.starts_with(k.writes[0]) || (two && text.starts_with(k.writes[1])))
                    writes.push_back(text);
            }
            const bool lengthByte = kit == 1 && f.framing == KvardFraming::Ft12;
            Texts want = {k.writes[0] + (lengthByte ? " 09" : "") + atzData};
            if (two) want.push_back(k.writes[1] + atsData);
            EXPECT_EQ(writes, want);
            Bytes committed = atz;
            committed.push_back(0xFF);  // the rest of the buffer as it was
            EXPECT_EQ(Stored(w, 0, 10), committed);
            if (two) {
                EXPECT_EQ(Stored(w, 1, 12), ats);
            }
            for (int ch : {0, 1})
                EXPECT_EQ((w.kvard.ControlParameter(ch)[1] & 0x10) != 0, k.channels[ch]);
            EXPECT_EQ(w.view.gauge, two ? (std::vector<int>{42, 100}) : std::vector<int>{100});
            EXPECT_EQ(w.view.status.back(), "Команда копирования буфер в РПЗУ  OK");
            EXPECT_EQ(w.kvard.CountRequests(kRestart), 1);
            EXPECT_EQ(w.view.speedLabel, "Скорость обмена  OK");
            EXPECT_EQ(w.TickUntilClosed(), 1);
            EXPECT_EQ(w.SettingsFile(), SettingsImage(f, kit));
        }
    }
}

TEST(WritePaths, StopOnlyForARunningControllerAndNoWriteInOtherStates) {
    const struct {
        std::uint8_t state;
        int stops;
        Texts errors;  // none: the controller gets copy-in and copy-out
    } rows[] = {{0x08, 0, {}},
                {0x00, 1, {}},
                {0x10, 0, {"Статус блока 0010"}},
                {0x18, 0, {"Статус блока 0018"}}};
    for (const auto& r : rows) {
        ControllerWorld w(Controller(0), false);
        w.kvard.SetRunState(r.state);
        w.job.Search();
        EXPECT_EQ(w.kvard.CountRequests(kStop), r.stops);
        EXPECT_EQ(w.kvard.CountRequests(kReprogramming), r.errors.empty() ? 2 : 0);
        EXPECT_EQ(w.view.script.Texts(Box::Kind::Error), r.errors);
        EXPECT_EQ(w.view.speedLabel == "Скорость обмена  OK", r.errors.empty());
    }
}

TEST(WritePaths, PasswordGoesFirstAndAWrongOneWritesNothing) {
    for (const char* typed : {"1234", "1235"}) {
        auto options = Controller(0);
        options.password = 0x1234;
        ControllerWorld w(options, false);
        w.view.choice.password = typed;
        w.view.upper.lines = {"ATZ"};
        w.job.Search();
        const bool right = std::string(typed) == "1234";
        Texts parameters;
        for (const auto& r : w.Received(kWriteParameter)) parameters.push_back(HexText(r));
        ASSERT_GE(parameters.size(), 2u);
        EXPECT_EQ(parameters[0], right ? "05 40 07 ED CB" : "05 40 07 ED CA");
        EXPECT_EQ(parameters[1], right ? "05 40 08 12 34" : "05 40 08 12 35");
        EXPECT_EQ(w.kvard.CountRequests(kReprogramming), right ? 2 : 0);
        EXPECT_EQ(w.kvard.CountRequests(kStop), right ? 1 : 0);
        EXPECT_EQ(w.view.gaugeShown, right);
        // A refused password is said, not left to the speed label.
        EXPECT_EQ(w.view.HasStatus("Пароль доступа не принят: несовп КС передачи. Запись не "
                                   "начата."),
                  !right);
        EXPECT_EQ(w.TickUntilClosed(), right ? 1 : 0);
    }
}

TEST(WritePaths, TheKeyIsRecheckedEverySecondUntilInstalledOrRefused) {
    ControllerWorld w(Controller(0), false);
    w.kvard.SetKeyMissing(2);
    w.view.script.answers = {true, true};  // install the key, twice; then No to the restart
    w.job.Search();
    EXPECT_EQ(w.kvard.CountRequests(kReprogramming), 0);
    EXPECT_EQ(w.job.Session().StatusState, kStatusRecheck);
    EXPECT_EQ(w.TickUntilClosed(), 2);  // the second tick finds the key and writes
    EXPECT_EQ(w.view.script.Texts(Box::Kind::Confirm),
              (Texts{"Установите электронный ключ ", "Установите электронный ключ ",
                     "Перезапустить КВАРД?"}));
    EXPECT_EQ(w.kvard.CountRequests(kReprogramming), 2);
    EXPECT_EQ(w.SettingsFile(), SettingsImage(kFramings[0], 0));

    ControllerWorld no(Controller(0), false);
    no.kvard.SetKeyMissing(-1);
    no.job.Search();
    EXPECT_TRUE(no.job.Session().StopRequest);
    EXPECT_EQ(no.job.Session().NetNumber, kNoNetNumber);
    EXPECT_EQ(no.kvard.CountRequests(kExchangeEnd), 1);  // it deselects the controller
    const std::size_t polls = no.kvard.Requests().size();
    EXPECT_EQ(no.TickUntilClosed(), 1);
    EXPECT_EQ(no.kvard.Requests().size(), polls);
    EXPECT_EQ(no.SettingsFile(), std::vector<unsigned char>(8, 0));  // not stored
}

TEST(WritePaths, ARefusedCopyInOrAFailedBlockEndsWithTheCancel) {
    const struct {
        Framing framing;
        bool refuseCopyIn;
        std::string text;
    } rows[] = {
        {kFramings[0], true, "Копирование РПЗУ в буфер репрогрммации  несовп КС передачи"},
        {kFramings[1], true,
         "Копирование РПЗУ в буфер репрогрммации  код ошибки 38 (КВАРД отказал в выполнении, ответ "
         "E5)"},
        // the second buffer's write-unlock is refused
        {kFramings[0], false, "Буфер для канала МПИ не записан: несовп КС передачи"},
    };
    for (const auto& r : rows) {
        ControllerWorld w(Controller(0, r.framing), false);
        w.view.upper.lines = {"ATZ"};
        w.view.lower.lines = {"ATS0=2"};
        w.kvard.refuseCopyIn = r.refuseCopyIn;
        // After the first block: the control parameter read and the unlock refused.
        Once(
            w, [&] { return !w.view.gauge.empty(); }, [&] { w.kvard.Inject(KvardFault::Nak, 2); });
        w.job.Search();
        Texts reprogramming;
        for (const auto& q : w.Received(kReprogramming))
            reprogramming.push_back(HexText({q.begin(), q.begin() + 2}));
        EXPECT_EQ(reprogramming, (Texts{"0D A1", "0D A0"}));
        EXPECT_TRUE(!r.refuseCopyIn || w.view.HasStatus(r.text)) << r.text;
        EXPECT_EQ(w.view.gauge, r.refuseCopyIn ? std::vector<int>{} : std::vector<int>{42});
        // The cause first, then what was done about it.
        EXPECT_EQ(w.view.status.back(), r.text + ". Команда отмены репрограммации OK");
        EXPECT_EQ(w.kvard.Buffer(0), Bytes(128, 0xFF));
        EXPECT_EQ(w.kvard.Buffer(1), Bytes(128, 0xFF));
        EXPECT_EQ(w.TickUntilClosed(), 0);
    }
}

TEST(WritePaths, ClearModePerChannel) {
    for (int channel : {0, 1}) {
        ControllerWorld w(Controller(0), false);
        w.view.upper.lines = {"ATZ"};
        w.view.lower.lines = {"ATS0=2"};
        (channel == 0 ? w.state.ClearBuffer1 : w.state.ClearBuffer2) = true;
        for (int ch : {0, 1}) w.kvard.SetControlParameter(ch, {0x00, 0x10});
        w.job.Search();
        Bytes cleared(120, 0x00);
        cleared.push_back(0xFF);
        EXPECT_EQ(Stored(w, std::size_t(channel), 121), cleared);
        EXPECT_EQ(Stored(w, std::size_t(1 - channel), 4), Text(channel ? "ATZ\r" : "ATS0"));
        EXPECT_EQ(w.kvard.ControlParameter(channel)[1], 0x00);
        EXPECT_EQ(w.kvard.ControlParameter(1 - channel)[1], 0x10);
        EXPECT_EQ(w.view.gauge, (std::vector<int>{channel ? 6 : 90, 100}));  // 9 / 129, 120 / 132
        EXPECT_FALSE(w.state.ClearBuffer1 || w.state.ClearBuffer2);
    }
}

TEST(WritePaths, TraceLinesOfTheUpperMemoBecomePartOfTheLowerBuffer) {
    ControllerWorld w(Controller(0), false);
    w.state.TraceBytes = true;
    w.view.upper.lines = {"ATZ"};
    w.view.lower.lines = {"AT"};
    w.job.Search();
    const std::string lower = "AT\rATZ\r4) 41 54 5A 0D \r";
    Bytes want = Text(lower);
    want.resize(want.size() + 5, 0x00);
    EXPECT_EQ(Stored(w, 1, want.size()), want);
    // The lower memo's own trace lines came after its encoding.
    EXPECT_EQ(w.view.lower.lines.size(), 3u + 6u);
    EXPECT_EQ(w.view.speedLabel, "Скорость обмена  OK");
}

TEST(BufferSize, TextTooLongForItsBufferIsRefusedBeforeThePortOpens) {
    const std::string over1 = " не помещаются в буфер КВАРД: на 1 байт больше допустимых ";
    const std::string tail = " (вместе с пятью завершающими нулями).\rЗапись в КВАРД отменена.";
    const struct {
        int kit;
        Framing framing;
        std::size_t upper, lower;  // characters of one line each
        bool trace;
        std::string error;
    } rows[] = {
        {0, kFramings[0], 122, 2, false, ""},
        {0, kFramings[0], 123, 2, false, "Строки для канала МЦП" + over1 + "128" + tail},
        {1, kFramings[1], 121, 0, false, ""},
        {1, kFramings[1], 122, 0, false,
         "Строки для последовательного канала" + over1 + "127" + tail},
        {1, kFramings[0], 122, 0, false, ""},
        {0, kFramings[0], 2, 108, false, ""},
        {0, kFramings[0], 2, 108, true,  // the upper memo's trace adds 3 + 13 bytes below
         "Строки для канала МПИ не помещаются в буфер КВАРД: на 2 байта больше допустимых 128" +
             tail},
    };
    for (const auto& r : rows) {
        ControllerWorld w(Controller(r.kit, r.framing), false);
        w.state.TraceBytes = r.trace;
        w.view.upper.lines = {std::string(r.upper, 'A')};
        w.view.lower.lines = {std::string(r.lower, 'B')};
        w.job.Search();
        EXPECT_EQ(w.view.script.Texts(Box::Kind::Error),
                  r.error.empty() ? Texts{} : Texts{r.error});
        EXPECT_EQ(w.Opens(), r.error.empty() ? 1 : 0);
        if (!r.error.empty()) continue;
        Bytes want(r.upper, 'A');
        want.push_back(0x0D);
        want.resize(r.upper + 6, 0x00);
        EXPECT_EQ(Stored(w, 0, want.size()), want);
    }

    // Text that grows while the job runs is refused again before the stop request.
    ControllerWorld w(Controller(0), false);
    Once(
        w, [] { return true; }, [&] { w.view.upper.lines = {std::string(200, 'A')}; });
    w.job.Search();
    EXPECT_EQ(w.view.script.Texts(Box::Kind::Error).size(), 1u);
    EXPECT_EQ(w.kvard.CountRequests(kStop) + w.kvard.CountRequests(kReprogramming), 0);
}

// "я" is byte FF, which also ends a buffer's content: written, the line
// would read back cut there. Refused before the port opens, naming the
// line and the letter; only the text a line sends counts, and a buffer
// cleared is not looked at.
TEST(BufferSize, TheLetterYaIsRefusedBeforeThePortOpens) {
    const auto cp = [](const char* utf8) { return Windows1251FromUtf8(utf8); };
    const std::string tail = " Замените «я» (например, заглавной «Я»).\rЗапись в КВАРД отменена.";
    const struct {
        std::vector<std::string> upper, lower;
        bool clearLower;
        std::string error;
    } rows[] = {
        {{"ATZ", "", cp("Моя настройка")},
         {"AT"},
         false,
         "Строка 3 для канала МЦП («Моя настройка») содержит букву «я»: её код FF в памяти "
         "КВАРД означает конец буфера, и КВАРД прочитал бы эту строку только до «Мо»." +
             tail},
        {{"ATZ"},
         {cp("ясно"), cp("для")},
         false,
         "Строка 1 для канала МПИ («ясно») содержит букву «я»: её код FF в памяти КВАРД "
         "означает конец буфера, и КВАРД прочитал бы буфер только до этой строки." +
             tail},
        {{"ATZ"}, {cp("для")}, true, ""},       // cleared: the memo is not written
        {{cp("ATZ<CR>я")}, {"AT"}, false, ""},  // after "<" nothing is sent
        {{cp("ATZ Я")}, {"AT"}, false, ""},     // the capital letter is DF
    };
    for (const auto& r : rows) {
        ControllerWorld w(Controller(0), false);
        w.view.upper.lines = r.upper;
        w.view.lower.lines = r.lower;
        w.state.ClearBuffer2 = r.clearLower;
        w.job.Search();
        EXPECT_EQ(w.view.script.Texts(Box::Kind::Error),
                  r.error.empty() ? Texts{} : Texts{r.error});
        EXPECT_EQ(w.Opens(), r.error.empty() ? 1 : 0);
        EXPECT_EQ(w.kvard.Requests().empty(), !r.error.empty());
    }

    // A memo that takes the letter while the job runs is refused before STOP.
    ControllerWorld w(Controller(0), false);
    w.view.lower.lines = {"AT"};
    Once(
        w, [] { return true; }, [&] { w.view.upper.lines = {cp("Моя")}; });
    w.job.Search();
    EXPECT_EQ(w.view.script.Texts(Box::Kind::Error).size(), 1u);
    EXPECT_EQ(w.kvard.CountRequests(kStop) + w.kvard.CountRequests(kReprogramming), 0);
}

TEST(UnconfirmedWaits, StopAndCopyInFailTheWriteBlocksAndTheFinishNeverSayOk) {
    ControllerWorld stop(Controller(0), false);
    stop.kvard.ignoreStop = true;
    stop.job.Search();
    EXPECT_EQ(stop.kvard.CountRequests(kReprogramming), 0);
    EXPECT_EQ(stop.view.status.back(), "Команда STOP " + kNoConfirmationText);

    auto slow = Controller(0);
    slow.copyDelayMs = 5000;  // the reprogramming buffer shows loaded too late
    ControllerWorld copy(slow, false);
    copy.view.upper.lines = {"ATZ"};
    copy.job.Search();
    const auto requests = copy.Received(kReprogramming);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(HexText(requests[1]), "0D A0");
    EXPECT_TRUE(copy.Received(kWriteMemory).empty());
    EXPECT_TRUE(copy.view.HasStatus("Команда копирования РПЗУ в буфер   не выполнена " +
                                    kNoConfirmationText));
    EXPECT_EQ(copy.view.status.back(),
              "Команда копирования РПЗУ в буфер   не выполнена " + kNoConfirmationText +
                  ". Команда отмены репрограммации  не выполнена " + kNoConfirmationText);
    // The cancel follows the copy-in after the 1000 ms pause and the 2.592 s wait.
    const auto& log = copy.kvard.Requests();
    std::int64_t copyInAt = 0, cancelAt = 0;
    for (const auto& q : log)
        if (q.bytes.size() == 2 && q.bytes[0] == kReprogramming)
            (q.bytes[1] == kReprogCopyInCode ? copyInAt : cancelAt) = q.atMs;
    EXPECT_GE(cancelAt - copyInAt, 1000 + 2592);
    EXPECT_LT(cancelAt - copyInAt, 1000 + 2592 + 40);

    for (bool refuseCopyOut : {false, true}) {
        ControllerWorld w(Controller(0), false);
        w.view.upper.lines = {"ATZ"};
        w.state.ClearBuffer2 = true;
        if (refuseCopyOut)
            Once(
                w, [&] { return !w.view.gauge.empty() && w.view.gauge.back() == 100; },
                [&] { w.kvard.Inject(KvardFault::Nak); });
        else
            w.kvard.neverSetBlockBit = true;
        w.job.Search();
        // copy-in, copy-out; a refused copy-out left the controller
        // uncommitted: the cancel follows. Each is said as the controller
        // told it: the refusal (Nak) of the copy-out; the block it never
        // reported written, not the copy-out it took.
        EXPECT_EQ(w.kvard.CountRequests(kReprogramming), refuseCopyOut ? 3 : 2);
        EXPECT_EQ(w.view.status.back(),
                  refuseCopyOut
                      ? "Команда копирования буфер в РПЗУ   не выполнена несовп КС передачи. "
                        "Команда отмены репрограммации OK"
                      : "Блок буфера для канала МЦП отправлен, но КВАРД не подтвердил его "
                        "запись: " +
                            kNoConfirmationText +
                            ". Буферы скопированы в РПЗУ, но не проверены. Запишите буферы ещё "
                            "раз.");
        if (!refuseCopyOut) {
            EXPECT_TRUE(w.view.HasStatus("Команда копирования буфер в РПЗУ  OK"));
            EXPECT_EQ(w.view.status.back(), w.job.Outcome().message);
        }
        EXPECT_NE(w.view.speedLabel, "Скорость обмена  OK");
        EXPECT_TRUE(w.state.ClearBuffer2);
        EXPECT_EQ(w.TickUntilClosed(), 0);
    }
}

// A copy-out (0D A3) whose answer or phase did not come: the status is
// read to learn what the controller did. Committed, the write is read back
// and can succeed; not committed, the reprogramming is cancelled; no status
// at all, the write says that nobody knows what the controller holds.
TEST(UnconfirmedCopyOut, TheStatusTellsWhatTheControllerHoldsAndAnUncommittedWriteIsCancelled) {
    enum class Holds { Old, New };
    const std::string unconfirmed = "Команда копирования буфер в РПЗУ   не выполнена ";
    const struct {
        const char* name;
        Framing framing;
        std::function<void(sim::KvardController&)> atCopyOut;  // armed after the last block
        Holds holds;
        bool cancelled, written, unknown;
        std::string last;       // the status text that ends the write
        std::string said = "";  // and one said of the copy-out before it
        int turnaroundMs = 3;   // the controller's
    } rows[] = {
        {"copy-out refused", kFramings[0],
         [](sim::KvardController& k) {
             k.InjectFor({0x0D, 0xA3}, KvardFault::Nak);
         },
         Holds::Old, true, false, false,
         unconfirmed + "несовп КС передачи. Команда отмены репрограммации OK"},
        {"copy-out refused, FT1.2", kFramings[2],
         [](sim::KvardController& k) {
             k.InjectFor({0x0D, 0xA3}, KvardFault::Nak);
         },
         Holds::Old, true, false, false,
         unconfirmed + "код ошибки 38 (КВАРД отказал в выполнении, ответ E5). Команда отмены "
                       "репрограммации OK"},
        {"the status read after it refused", kFramings[0],
         [](sim::KvardController& k) {
             k.InjectFor({0x01, 0x40, 0x00}, KvardFault::Nak);
         },
         Holds::New, false, true, false, kVerifiedText,
         // Answered: no "answer not received" for it.
         "Команда копирования буфер в РПЗУ  OK"},
        {"its answer 2.1 s late, FT1.2", kFramings[1],
         [](sim::KvardController& k) {
             k.SetLateAnswerMs(2100);
             k.InjectFor({0x0D, 0xA3}, KvardFault::LateAnswer);
         },
         Holds::New, false, true, false, kVerifiedText, "Команда копирования буфер в РПЗУ  OK"},
        // A slower controller: the late answer (A2) comes after the guard,
        // into the first status read of the wait.
        {"its answer 2.1 s late to a slower controller, FT1.2", kFramings[1],
         [](sim::KvardController& k) {
             k.SetLateAnswerMs(2100);
             k.InjectFor({0x0D, 0xA3}, KvardFault::LateAnswer);
         },
         Holds::New, false, true, false, kVerifiedText,
         "Команда копирования буфер в РПЗУ  : команда не подтверждена (нет подтв. начала "
         "обмена), но КВАРД сообщает, что копирование выполнено",
         150},
        {"silent from the copy-out on", kFramings[1],
         [](sim::KvardController& k) { k.Inject(KvardFault::Silence, -1); }, Holds::Old, false,
         false, true, unconfirmed + "нет подтв. начала обмена. " + kCommitUnknownText},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        sim::KvardOptions options = Controller(0, r.framing);
        options.turnaroundMs = r.turnaroundMs;
        ControllerWorld w(options, false);
        w.view.choice.verify = true;
        w.view.upper.lines = {"ATZ"};
        w.view.lower.lines = {"ATS0=2"};
        Once(
            w, [&] { return !w.view.gauge.empty() && w.view.gauge.back() == 100; },
            [&] { r.atCopyOut(w.kvard); });
        w.job.Search();
        const WriteRecord& write = w.job.Outcome().write;
        EXPECT_TRUE(write.copiedOut);
        EXPECT_EQ(write.cancelled, r.cancelled);
        // Counted as they went out: one copy-out, and the one cancel after it.
        EXPECT_EQ(write.copyOutsSent, 1);
        EXPECT_EQ(write.cancelsSent, r.cancelled ? 1 : 0);
        EXPECT_EQ(write.committed, r.holds == Holds::New);
        EXPECT_EQ(write.commitUnknown, r.unknown);
        EXPECT_EQ(write.verified, r.written);
        EXPECT_EQ(w.job.Outcome().written, r.written);
        EXPECT_EQ(w.view.status.back(), r.last);
        if (!r.said.empty()) {
            EXPECT_TRUE(w.view.HasStatus(r.said)) << r.said;
        }
        EXPECT_EQ(Stored(w, 0, 4), r.holds == Holds::New ? Text("ATZ\r") : Bytes(4, 0xFF));
        EXPECT_EQ(w.kvard.CountRequests(kReprogramming), r.cancelled ? 3 : 2);
        EXPECT_FALSE(r.cancelled && w.kvard.Reprogramming());
    }
}

TEST(BufferFlag, AFlagStepThatDidNotCompleteFailsTheWriteAndNamesTheChannel) {
    // FT1.2, basic kit, backup and verify on: the first read of 40 04 is
    // answered 1050 ms late. The write keeps its order (the buffers go in and
    // are committed) but is no success and is not checked.
    for (const Framing& f : {kFramings[1], kFramings[0]}) {
        SCOPED_TRACE(f.name);
        sim::KvardOptions o = Controller(0, f);
        o.lateAnswerMs = f.framing == KvardFraming::Ft12 ? 1050 : 2100;
        ControllerWorld w(o, false);
        w.view.choice.backup = w.view.choice.verify = true;
        w.view.upper.lines = {"ATZ"};
        w.view.lower.lines = {"ATE0"};
        w.view.script.answers = {true};  // restart
        w.kvard.InjectFor({0x01, 0x40, 0x04}, KvardFault::LateAnswer);
        w.job.Search();

        EXPECT_EQ(w.job.Session().LastResult, kBufferFlagNotSet);
        EXPECT_NE(w.view.speedLabel, "Скорость обмена  OK");
        const std::string flagText = "Флаг буфера для канала МЦП (параметр 40 04) не установлен: ";
        ASSERT_FALSE(w.view.status.empty());
        EXPECT_EQ(w.view.status.back().rfind(flagText, 0), 0u) << w.view.status.back();
        EXPECT_NE(w.view.status.back().find("Запишите буферы ещё раз."), std::string::npos);
        EXPECT_FALSE(w.view.HasStatus(kVerifiedText));
        EXPECT_EQ(HexText(w.Received(kReprogramming).back()).substr(0, 5), "0D A3");  // committed
        EXPECT_EQ(w.kvard.ControlParameter(0)[1] & 0x10, 0);  // as the controller has it
        EXPECT_EQ(w.kvard.ControlParameter(1)[1] & 0x10, 0x10);
        EXPECT_EQ(w.TickUntilClosed(), 0);
    }
}

TEST(BufferFlag, TheReadBackComparesEachWrittenChannelsFlag) {
    ControllerWorld w(Controller(0, kFramings[1]), false);
    w.view.choice.verify = true;
    w.view.upper.lines = {"ATZ"};
    w.state.ClearBuffer2 = true;
    w.kvard.SetControlParameter(1, {0x00, 0x10});
    w.view.script.answers = {true};
    w.kvard.dropControlWrites = true;  // acknowledged, never kept
    w.job.Search();
    EXPECT_EQ(w.job.Session().LastResult, kVerifyMismatch);
    EXPECT_EQ(w.view.status.back(),
              "Проверка записанного: флаг буфера для канала МЦП (параметр 40 04) отличается: "
              "записан «буфер со строками», прочитан «буфер не используется» (00 00)");

    ControllerWorld ok(Controller(0, kFramings[1]), false);
    ok.view.choice.verify = true;
    ok.view.upper.lines = {"ATZ"};
    ok.state.ClearBuffer2 = true;
    ok.kvard.SetControlParameter(1, {0x00, 0x10});
    ok.view.script.answers = {true};
    ok.job.Search();
    EXPECT_EQ(ok.view.status.back(), kVerifiedText);
    EXPECT_EQ(ok.kvard.ControlParameter(1)[1] & 0x10, 0);
    EXPECT_EQ(ok.view.speedLabel, "Скорость обмена  OK");
}

TEST(WriteTiming, OnlyTheFirstBlockIsFollowedBy200ms) {
    ControllerWorld w(Controller(0), false);
    w.view.upper.lines = {"ATZ"};
    w.view.lower.lines = {"ATZ"};
    w.job.Search();
    // The request after each block is the first poll of its wait.
    const auto& log = w.kvard.Requests();
    std::vector<std::int64_t> gaps;
    for (std::size_t i = 0; i + 1 < log.size(); ++i)
        if (log[i].bytes[0] == kWriteMemory) gaps.push_back(log[i + 1].atMs - log[i].atMs);
    ASSERT_EQ(gaps.size(), 2u);
    EXPECT_EQ(gaps[0] - gaps[1], 200);
}

}  // namespace
}  // namespace hk::device
