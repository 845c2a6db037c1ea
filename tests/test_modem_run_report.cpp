// The account of a run without a line or a window: when a line's verdict
// stands, where a run cut short stopped, and the texts' grammar and code page.

#include <gtest/gtest.h>

#include <string>

#include "modem/RunReport.h"

namespace hk {
namespace {

void Answer(RunReport& report, const std::string& bytes) {
    for (const char c : bytes) report.AnswerByte(static_cast<std::uint8_t>(c));
}

TEST(RunReport, AVerdictStandsAtItsCodeAtTheNextLineOrAtTheEnd) {
    RunReport report;
    report.Begin(4);
    report.LineSent(0, "ATZ", 0);
    Answer(report, "ATZ\r\r\n");
    report.MovedOn();
    EXPECT_EQ(report.TakeDecidedLine(), nullptr) << "the code is still on its way";
    Answer(report, "ERROR\r\n");
    const SentLine* decided = report.TakeDecidedLine();
    ASSERT_NE(decided, nullptr);
    EXPECT_EQ(VerdictNote(*decided), "Строка 1 (ATZ): ERROR");
    EXPECT_EQ(report.TakeDecidedLine(), nullptr) << "each line once";

    report.LineSent(1, "ATE0", 600);
    Answer(report, "\r\n");
    report.MovedOn();
    report.LineSent(2, "AT&W", 1200);  // the answer had no code
    decided = report.TakeDecidedLine();
    ASSERT_NE(decided, nullptr);
    EXPECT_EQ(VerdictNote(*decided), "Строка 2 (ATE0): нет кода результата");

    // Digits and CR may be information text until the modem pauses.
    Answer(report, "4\r");
    EXPECT_EQ(report.UnansweredForMs(6200), 5000);
    report.AnswerPaused();
    EXPECT_EQ(report.UnansweredForMs(6200), 0);
    decided = report.TakeDecidedLine();
    ASSERT_NE(decided, nullptr);
    EXPECT_EQ(VerdictNote(*decided), "Строка 3 (AT&W): 4");
    EXPECT_EQ(report.RefusedLines(), 2);
    EXPECT_EQ(report.FirstRefused()->listIndex, 0);
}

TEST(RunReport, ARunCutShortSaysWhereItStopped) {
    RunReport report;
    report.Begin(7);
    report.LineSent(0, "ATZ", 0);
    Answer(report, "\r\nOK\r\n");
    report.MovedOn();
    report.LineSent(1, "ATX9", 600);
    Answer(report, "\r\nERROR\r\n");
    report.MovedOn();
    report.LineSent(3, "ATS0=2", 1200);
    report.End();  // no answer yet
    EXPECT_FALSE(report.Completed());
    EXPECT_TRUE(report.EndedUnanswered());
    EXPECT_EQ(report.SummaryText(),
              "Запись прервана на строке 3 из 7 (ATS0=2). Записано 2 строки, ошибок 1: "
              "строка 2 ATX9");

    // Stopped after an answered line: the next one was never sent.
    report.Begin(4);
    report.LineSent(0, "ATZ", 0);
    report.MovedOn();
    report.End();
    EXPECT_FALSE(report.EndedUnanswered());
    EXPECT_EQ(report.SummaryText(),
              "Запись прервана после строки 1 из 4. Записана 1 строка, ошибок 0");

    // Nothing sent, nothing to say.
    report.Begin(3);
    report.End();
    EXPECT_EQ(report.SummaryText(), "");
}

// Only OK carries a line out; CONNECT is the success of a line that dials
// or answers, and of no other. Every other code fails its line and is named.
TEST(RunReport, OnlyOkOrCONNECTToADialIsASuccess) {
    RunReport report;
    report.Begin(5);
    const std::pair<const char*, const char*> lines[] = {
        {"ATS0=3", "\r\nNO CARRIER\r\n"},     {"ATS7=45", "\r\nCONNECT 9600\r\n"},
        {"ATDT123", "\r\nBUSY\r\n"},          {"ATS0=1", "\r\nOK\r\n"},
        {"ATE0D123", "\r\nCONNECT 9600\r\n"},
    };
    for (int i = 0; i < 5; ++i) {
        report.LineSent(i, lines[i].first, i * 600);
        Answer(report, lines[i].second);
        report.MovedOn();
    }
    report.NoMoreLines();
    report.End();
    std::vector<bool> failed;
    for (const SentLine& l : report.Lines()) failed.push_back(l.Failed());
    EXPECT_EQ(failed, (std::vector<bool>{true, true, true, false, false}));
    EXPECT_TRUE(report.Lines()[4].WentOnLine());
    EXPECT_TRUE(report.Completed());
    EXPECT_TRUE(report.OnLine());
    EXPECT_EQ(report.SummaryText(),
              "Записано 5 строк, ошибок 3: строка 1 ATS0=3 (NO CARRIER). Модем на линии: "
              "CONNECT 9600");
}

// A dial that connects with lines left ends the run on line; a run cut
// short by something else than the operator says what.
TEST(RunReport, ARunEndedOnLineOrByALostPortSaysSo) {
    RunReport report;
    report.Begin(3);
    report.LineSent(0, "ATDT1", 0);
    Answer(report, "1\r");
    report.AnswerPaused();
    report.MovedOn();
    report.EndOnLine();
    EXPECT_FALSE(report.Completed());
    EXPECT_TRUE(report.OnLine());
    EXPECT_EQ(report.SummaryText(),
              "Модем на линии после строки 1 из 3 (ATDT1): 1, остальные строки списка не "
              "переданы. Записана 1 строка, ошибок 0");

    report.Begin(2);
    report.LineSent(0, "ATZ", 0);
    report.End("Порт Com2 больше не отвечает");
    EXPECT_FALSE(report.OnLine());
    EXPECT_EQ(report.SummaryText(),
              "Порт Com2 больше не отвечает: запись прервана на строке 1 из 2 (ATZ). Записано 0 "
              "строк, ошибок 0");
}

TEST(RunReport, TheLinesWrittenAgreeWithTheirNumber) {
    const std::pair<int, const char*> cases[] = {
        {0, "Записано 0 строк"},     {1, "Записана 1 строка"},     {2, "Записано 2 строки"},
        {4, "Записано 4 строки"},    {5, "Записано 5 строк"},      {11, "Записано 11 строк"},
        {12, "Записано 12 строк"},   {14, "Записано 14 строк"},    {21, "Записана 21 строка"},
        {22, "Записано 22 строки"},  {111, "Записано 111 строк"},  {101, "Записана 101 строка"},
        {112, "Записано 112 строк"}, {124, "Записано 124 строки"},
    };
    for (const auto& [count, text] : cases) EXPECT_EQ(LinesWrittenText(count), text) << count;
}

TEST(RunReport, TheLineShowsInUtf8AndAPlanOvertakenByALongerListGrows) {
    RunReport report;
    report.Begin(1);
    report.LineSent(0, "ATZ", 0);
    report.MovedOn();
    report.LineSent(1, "AT \xEC\xEE\xE4\xE5\xEC", 600);
    EXPECT_EQ(report.ProgressText(), "Строка 2 из 2: AT модем");
    EXPECT_EQ(report.SilenceText(), "Модем не отвечает на строку 2 (AT модем)");
}

}  // namespace
}  // namespace hk
