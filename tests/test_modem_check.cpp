// The pieces of the modem check that need no line: what a list sets (last
// value winning, Z, &F and &W), a modem's answer taken apart (echo on and
// off, word and digit answers), its settings listing in three layouts, the
// comparison and the texts for the operator.

#include <gtest/gtest.h>

#include "base/Windows1251.h"
#include "lists/MemoryLines.h"
#include "modem/ListSettings.h"
#include "modem/ModemAnswer.h"
#include "modem/ModemCheck.h"
#include "modem/SettingsListing.h"

namespace hk {
namespace {

using Lines = std::vector<std::string>;
// Setting -> value (and the list line that set it, when it matters).
using Values = std::map<std::string, int>;

Values Of(const ListValues& values) {
    Values out;
    for (const auto& [name, v] : values) out[name] = v.value;
    return out;
}

Values Of(const ModemValues& values) { return Values(values.begin(), values.end()); }

ListSettings Collect(const Lines& lines) { return CollectListSettings(MemoryLines(lines)); }

// --- What a list sets ---------------------------------------------------------

TEST(ListSettings, RegistersAndFlagsTheLastValueWinning) {
    const ListSettings s =
        Collect({"AT&F", "; ATS7=99 a comment the run skips", "ATE1V1Q0X4", "at s0 = 3  &c1&D2 &k3",
                 "ATS0=2S7=60", "ATL M0 B1", "ATS7=45"});
    EXPECT_EQ(Of(s.active), (Values{{"S0", 2},
                                    {"S7", 45},
                                    {"B", 1},
                                    {"E", 1},
                                    {"L", 0},
                                    {"M", 0},
                                    {"Q", 0},
                                    {"V", 1},
                                    {"X", 4},
                                    {"&C", 1},
                                    {"&D", 2},
                                    {"&K", 3}}));
    EXPECT_EQ(s.active.at("S0").lineIndex, 4);
    EXPECT_EQ(s.active.at("S7").lineIndex, 6);
    EXPECT_EQ(s.active.at("&K").lineIndex, 3);
    // Registers first by number, then the flags in the modems' order.
    std::vector<std::string> order;
    for (const auto& [name, v] : s.active) order.push_back(name);
    EXPECT_EQ(order, (std::vector<std::string>{"S0", "S7", "B", "E", "L", "M", "Q", "V", "X", "&C",
                                               "&D", "&K"}));
    EXPECT_FALSE(s.stored[0]);
    EXPECT_FALSE(s.Quiet());
}

TEST(ListSettings, FactoryStoreAndResetAsTheModemDoesThem) {
    // &W stores what is active; later changes stay out of the profile.
    ListSettings s = Collect({"ATS0=2E0&W", "ATS7=60"});
    ASSERT_TRUE(s.stored[0]);
    EXPECT_EQ(Of(*s.stored[0]), (Values{{"S0", 2}, {"E", 0}}));
    EXPECT_EQ(Of(s.active), (Values{{"S0", 2}, {"S7", 60}, {"E", 0}}));
    EXPECT_EQ(s.stored[0]->at("S0").lineIndex, 0);

    // Z brings the stored profile back and drops the rest of its line.
    s = Collect({"ATS0=2&W", "ATS0=5S7=60", "ATZS7=80"});
    EXPECT_EQ(Of(s.active), (Values{{"S0", 2}}));

    // Z or &F without a stored profile of the list: nothing is known.
    EXPECT_TRUE(Collect({"ATS0=2", "ATZ"}).Empty());
    s = Collect({"ATS0=2&W", "AT&F", "ATE0"});
    EXPECT_EQ(Of(s.active), (Values{{"E", 0}}));
    EXPECT_EQ(Of(*s.stored[0]), (Values{{"S0", 2}}));

    // &W1 and Z1 address the second profile.
    s = Collect({"ATS0=4&W1", "ATS0=1&W0", "ATZ1"});
    EXPECT_EQ(Of(*s.stored[1]), (Values{{"S0", 4}}));
    EXPECT_EQ(Of(*s.stored[0]), (Values{{"S0", 1}}));
    EXPECT_EQ(Of(s.active), (Values{{"S0", 4}}));
}

TEST(ListSettings, OnlyWhatTheModemExecutesCounts) {
    const ListSettings s = Collect({
        "Настройка для КВАРД",  // the first line, sent but no command
        "ATS1=1<LF>",           // no carriage return: not executed on its own
        "ATS2=2<CR><LF>",
        "ATS3=3DT5551234S4=4",     // the dial string takes the rest
        "AT+MS=V34,1;S5=5",        // an extended command runs to ";"
        "AT\\N3%C1S6=6&Z0=7S8=8",  // prefixed commands; &Z takes the rest
        " ATS9=9",                 // not beginning with "AT": skipped
        "ATH0I4T&V S10=10 S11? S12",
        "AT" + std::string(300, ' ') + "S13=13",  // too long for the send buffer
    });
    EXPECT_EQ(Of(s.active), (Values{{"S2", 2}, {"S3", 3}, {"S5", 5}, {"S6", 6}, {"S10", 10}}));
}

TEST(ListSettings, QuietModeInForceAfterTheList) {
    EXPECT_TRUE(Collect({"ATZ", "ATQ1S0=2"}).Quiet());
    EXPECT_FALSE(Collect({"ATQ1", "ATQ0"}).Quiet());
    EXPECT_FALSE(Collect({"ATQ1&W", "AT&F"}).Quiet());
    EXPECT_TRUE(Collect({"ATQ1&W", "AT&F", "ATZ"}).Quiet());
}

// --- A modem's answer ---------------------------------------------------------

// The lines whose success is CONNECT: those that dial, answer or go back on
// line, as the modem reads them.
TEST(ListSettings, ALineThatDialsOrAnswersGoesOnLine) {
    for (const char* line : {"ATDT5551234", "atd123", "ATE0 DT 1", "ATS0=2A", "ATO", "AT&FD1"})
        EXPECT_TRUE(GoesOnLine(line)) << line;
    for (const char* line :
         {"ATZ", "AT&D2", "ATS7=45", "AT&ZD1", "ATZD1", "ATDT1<>", "AT+CGDCONT=1,\"IP\",\"DATA\""})
        EXPECT_FALSE(GoesOnLine(line)) << line;
}

TEST(ModemAnswer, RegisterValueWithEchoOnAndOffInWordsAndDigits) {
    struct Case {
        const char* what;
        std::string bytes;
        std::optional<int> value;
        std::string code;
    } cases[] = {
        {"words, echo", "ATS7?\r\r\n060\r\n\r\nOK\r\n", 60, "OK"},
        {"words, no echo", "\r\n050\r\n\r\nOK\r\n", 50, "OK"},
        {"digits, echo", "ATS7?\r060\r\n0\r", 60, "0"},
        {"digits, no echo", "000\r\n0\r", 0, "0"},
        {"no leading zeros", "\r\n7\r\n\r\nOK\r\n", 7, "OK"},
        {"named register", "\r\nS07:060\r\n\r\nOK\r\n", 60, "OK"},
        {"refused, words", "ATS99?\r\r\nERROR\r\n", std::nullopt, "ERROR"},
        {"refused, digits", "4\r", std::nullopt, "4"},
        {"no code (Q1 outside the list)", "\r\n045\r\n", 45, ""},
    };
    for (const Case& c : cases) {
        const ModemAnswer a = TakeAnswerApart(c.bytes);
        EXPECT_EQ(RegisterValue(a, 7), c.value) << c.what;
        EXPECT_EQ(a.code.Code(), c.code) << c.what;
    }
    // The digit code 0 is no value of its own, nor is another register.
    EXPECT_EQ(RegisterValue(TakeAnswerApart("0\r"), 7), std::nullopt);
    EXPECT_EQ(RegisterValue(TakeAnswerApart("\r\nS08:002\r\n\r\nOK\r\n"), 7), std::nullopt);
    EXPECT_EQ(TakeAnswerApart("ATS7?\r060\r\n0\r").info, Lines{"060"});
}

// --- Settings listings ----------------------------------------------------------

// Profile blocks with colon registers, a stored profile that lists fewer
// registers, more options than the check reads, two stored profiles and the
// telephone numbers after them; with echo and the word code.
const Lines kProfileBlocks = {
    "AT&V",
    "ACTIVE PROFILE:",
    "B1 E1 L1 M0 N1 Q0 T V1 W0 X3 Y0 &C1 &D3 &G0 &J0 &K3 &Q5 &R1 &S0 &T5 &X0 &Y0",
    "S00:001 S01:000 S02:043 S03:013 S04:010 S05:008 S06:002 S07:055",
    "S08:002 S09:006 S10:014 S11:095 S12:050 S18:000 S25:005 S26:001",
    "S36:007 S37:000 S38:020 S46:138 S48:007 S95:000",
    "",
    "STORED PROFILE 0:",
    "B1 E0 L1 M0 N1 Q0 T V1 W0 X3 Y0 &C1 &D2 &G0 &J0 &K3 &Q5 &R1 &S0 &T5 &X0",
    "S00:002 S02:043 S06:002 S07:050 S08:002 S09:006 S10:014 S11:095",
    "",
    "STORED PROFILE 1:",
    "B0 E1 L2 M1 N1 Q0 T V1 W0 X4 Y0 &C0 &D0 &G0 &J0 &K0 &Q5 &R1 &S0 &T5 &X0",
    "S00:000 S02:043 S06:002 S07:030",
    "",
    "TELEPHONE NUMBERS:",
    "0=T5551234                         1=",
    "S40:001",
    "OK",
};

// Profile blocks with equals registers, as the simulated modem prints them.
const Lines kEqualsBlocks = {
    "ACTIVE PROFILE:",
    "E1 Q0 V1 X4 M1 L2 &C1 &D2 &K3",
    "S00=002 S01=000 S02=043 S03=013 S04=010 S05=008",
    "S06=002 S07=050 S08=002 S09=006 S10=014 S11=095",
    "S12=050",
    "STORED PROFILE 0:",
    "E1 Q0 V1 X4 M1 L2 &C1 &D2 &K3",
    "S00=002 S01=000 S02=043 S03=013 S04=010 S05=008",
    "S06=002 S07=060 S08=002 S09=006 S10=014 S11=095",
};

// A flat listing of the current settings, spread out, among lines of words.
const Lines kFlatListing = {
    "Current Settings...",
    "   B0  E1  F1  L2  M1  Q0  V1  X4  Y0",
    "   BAUD=9600  PARITY=N  WORDLEN=8",
    "   DIAL=TONE   ON HOOK   TIMER",
    "",
    "   &A3  &B1  &C1  &D2  &G0  &H0  &I0  &K1",
    "   &M4  &N0  &P0  &R1  &S0  &T5  &U0  &Y1",
    "",
    "   S00=003  S01=000  S02=043  S03=013  S04=010  S05=008  S06=002",
    "   S07=060  S08=002  S09=006  S10=007  S11=070  S12=050  S13=000",
    "",
    "LAST DIALED #: T5551234",
};

TEST(SettingsListing, ProfileBlocksWithColonRegisters) {
    const SettingsListing l = ReadSettingsListing(kProfileBlocks);
    EXPECT_EQ(l.active.at("S0"), 1);
    EXPECT_EQ(l.active.at("S7"), 55);
    EXPECT_EQ(l.active.at("S95"), 0);
    EXPECT_EQ(l.active.at("B"), 1);
    EXPECT_EQ(l.active.at("X"), 3);
    EXPECT_EQ(l.active.at("&D"), 3);
    ASSERT_TRUE(l.stored[0] && l.stored[1]);
    EXPECT_EQ(l.stored[0]->at("E"), 0);
    EXPECT_EQ(l.stored[0]->at("S7"), 50);
    EXPECT_FALSE(l.stored[0]->contains("S1")) << "not listed for the stored profile";
    EXPECT_EQ(l.stored[1]->at("S7"), 30);
    EXPECT_EQ(l.stored[1]->at("&K"), 0);
    // Nothing from the telephone numbers, the echo or the code; a lone
    // option letter has no value.
    EXPECT_FALSE(l.active.contains("S40") || l.stored[1]->contains("S40"));
    EXPECT_FALSE(l.stored[1]->contains("T"));
}

TEST(SettingsListing, ProfileBlocksWithEqualsRegisters) {
    const SettingsListing l = ReadSettingsListing(kEqualsBlocks);
    EXPECT_EQ(Of(l.active).size(), 9u + 13u);
    EXPECT_EQ(l.active.at("S7"), 50);
    EXPECT_EQ(l.active.at("&K"), 3);
    ASSERT_TRUE(l.stored[0]);
    EXPECT_EQ(l.stored[0]->at("S7"), 60);
    EXPECT_FALSE(l.stored[1]);
}

TEST(SettingsListing, AFlatListingIsTheActiveSettingsAlone) {
    const SettingsListing l = ReadSettingsListing(kFlatListing);
    EXPECT_EQ(l.active.at("S0"), 3);
    EXPECT_EQ(l.active.at("S7"), 60);
    EXPECT_EQ(l.active.at("S13"), 0);
    EXPECT_EQ(l.active.at("B"), 0);
    EXPECT_EQ(l.active.at("&K"), 1);
    EXPECT_FALSE(l.active.contains("BAUD"));
    EXPECT_FALSE(l.stored[0] || l.stored[1]);
}

TEST(SettingsListing, DigitAnswersAndProseGiveNothingFalse) {
    // V0: the listing comes without the leading CR LF, the code is "0" CR.
    std::string bytes;
    for (const std::string& line : kEqualsBlocks) bytes += line + "\r\n";
    const ModemAnswer a = TakeAnswerApart("AT&V\r" + bytes + "0\r");
    EXPECT_EQ(a.code.Code(), "0");
    const SettingsListing l = ReadSettingsListing(a.info);
    EXPECT_EQ(l.active.at("S7"), 50);
    EXPECT_EQ(l.stored[0]->at("S7"), 60);

    EXPECT_TRUE(ReadSettingsListing({"ERROR"}).Empty());
    EXPECT_TRUE(ReadSettingsListing({"Modem X4 ready", "S7 is 60", "OK", "0"}).Empty());
}

// --- Comparison and texts -----------------------------------------------------

TEST(ModemCheck, EachSettingAgainstTheModemUnreportedIsNeverGood) {
    const ListSettings list = Collect({"ATS0=2S7=60E1&K3", "AT&W"});
    ModemReport modem;
    modem.active = {{"S0", 2}, {"S7", 50}, {"E", 1}};  // &K not reported
    modem.stored[0] = ModemValues{{"S0", 2}, {"S7", 50}, {"E", 1}, {"&K", 3}};
    CheckResult r;
    r.outcome = CheckOutcome::Done;
    r.rows = CompareWithModem(list, modem);
    std::vector<std::string> texts;
    for (const CheckRow& row : r.rows) texts.push_back(RowText(row));
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "S0: в списке 2, в модеме 2 — совпадает",
                         "S7: в списке 60, в модеме 50 — отличается",
                         "E: в списке 1, в модеме 1 — совпадает",
                         "&K: в списке 3, в модеме не прочитано — не проверено",
                         "S0 в профиле 0: в списке 2, в модеме 2 — совпадает",
                         "S7 в профиле 0: в списке 60, в модеме 50 — отличается",
                         "E в профиле 0: в списке 1, в модеме 1 — совпадает",
                         "&K в профиле 0: в списке 3, в модеме 3 — совпадает",
                     }));
    EXPECT_EQ(r.rows[1].lineIndex, 0);
    EXPECT_EQ(r.Differing(), 2);
    EXPECT_EQ(r.Checked(), 7);
    EXPECT_EQ(r.Unchecked(), 1);
    EXPECT_EQ(r.SummaryText(), "Модем хранит 2 настройки не так, как в списке");

    // A stored profile the modem did not list: every row unchecked.
    modem.stored[0].reset();
    r.rows = CompareWithModem(list, modem);
    EXPECT_EQ(r.Unchecked(), 5);
    // Nothing reported at all is no match either.
    r.rows = CompareWithModem(list, ModemReport{});
    EXPECT_EQ(r.Checked(), 0);
    EXPECT_EQ(r.SummaryText(),
              "Модем не сообщил ни одной настройки из списка: ничего не проверено");
}

TEST(ModemCheck, SummaryTextsTakeTheRussianFormOfTheCount) {
    EXPECT_EQ(DifferingText(1), "Модем хранит 1 настройку не так, как в списке");
    EXPECT_EQ(DifferingText(3), "Модем хранит 3 настройки не так, как в списке");
    EXPECT_EQ(DifferingText(5), "Модем хранит 5 настроек не так, как в списке");
    EXPECT_EQ(DifferingText(12), "Модем хранит 12 настроек не так, как в списке");
    EXPECT_EQ(DifferingText(21), "Модем хранит 21 настройку не так, как в списке");
    EXPECT_EQ(AllSameText(1), "1 проверенная настройка совпадает");
    EXPECT_EQ(AllSameText(4), "Все 4 проверенные настройки совпадают");
    EXPECT_EQ(AllSameText(16), "Все 16 проверенных настроек совпадают");
    EXPECT_EQ(AllSameText(111), "Все 111 проверенных настроек совпадают");

    CheckResult r;
    r.outcome = CheckOutcome::QuietModem;
    EXPECT_EQ(r.SummaryText(),
              "В списке задан Q1: модем не выдаёт ответов, прочитать настройки нельзя");
    r.outcome = CheckOutcome::ModemSilent;
    r.unanswered = "AT&V";
    EXPECT_EQ(r.SummaryText(), "Модем не ответил на AT&V: проверка прервана");
    r.outcome = CheckOutcome::Stopped;
    EXPECT_EQ(r.SummaryText(), "");
}

TEST(ModemCheck, TheTableReachesTheMemoInItsCodePage) {
    const std::string text = "S7 в профиле 0: в списке 60, в модеме 50 — отличается";
    const std::string memo = Windows1251FromUtf8(text);
    EXPECT_EQ(memo.size(), 53u);  // one byte a character
    EXPECT_EQ(Utf8FromWindows1251(memo), text);
    EXPECT_EQ(Windows1251FromUtf8("ё №"), "\xB8 \xB9");
    // What the code page lacks, or broken UTF-8, is a question mark.
    EXPECT_EQ(Windows1251FromUtf8("a\xE2\x82"), "a??");
    EXPECT_EQ(Windows1251FromUtf8("\xE4\xB8\xAD|\xFF"), "?|?");
}

}  // namespace
}  // namespace hk
