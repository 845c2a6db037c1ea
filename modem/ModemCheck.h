#pragma once
// The outcome of checking a modem against its list ("Проверить модем"): a
// row per setting the list makes, with the value the list gives, the value
// the modem reports and the verdict, and the texts that tell the operator.
//
// A row is about the modem's active settings, or about a stored profile that
// an &W of the list wrote (the profile should then hold what the active
// settings held at that &W). A setting the modem did not report is "не
// проверено", never a match.

#include <optional>
#include <string>
#include <vector>

#include "modem/ListSettings.h"
#include "modem/SettingsListing.h"

namespace hk {

enum class CheckVerdict { Same, Differs, Unchecked };

inline constexpr int kActiveSettings = -1;

struct CheckRow {
    std::string setting;            // "S7", "&C"
    int profile = kActiveSettings;  // or the stored profile 0, 1
    int listValue = 0;
    std::optional<int> modemValue;  // none: not reported
    CheckVerdict verdict = CheckVerdict::Unchecked;
    int lineIndex = 0;  // the list line that set the value
};

// What the modem reported: its active settings (from ATSn? and the listing)
// and the stored profiles its listing shows.
using ModemReport = SettingsListing;

// The rows: the active settings first, then each stored profile, each in the
// order of SettingOrder.
std::vector<CheckRow> CompareWithModem(const ListSettings& list, const ModemReport& modem);

enum class CheckOutcome {
    NotStarted,      // no port, or a check already under way
    Done,            // every question was answered
    NothingToCheck,  // the list sets nothing the modem could be asked about
    QuietModem,      // the list sets Q1: the modem answers nothing
    ModemSilent,     // a question went unanswered: the check ended there
    Stopped,         // the operator did something else meanwhile
    PortLost,
};

struct CheckResult {
    CheckOutcome outcome = CheckOutcome::NotStarted;
    std::vector<CheckRow> rows;
    // ModemSilent: the question the modem did not answer.
    std::string unanswered;
    // Why the listing gave no flags or profile ("AT&V: ERROR"); empty when it did.
    std::string listingNote;

    int Differing() const;
    int Checked() const;  // rows with a verdict: same or differs
    int Unchecked() const;
    // The status text (UTF-8): «Модем хранит 2 настройки не так, как в
    // списке», «Все 8 проверенных настроек совпадают», or why nothing could
    // be checked. Empty for NotStarted and Stopped.
    std::string SummaryText() const;
};

// One row as a line (UTF-8): «S7: в списке 60, в модеме 50 — отличается».
std::string RowText(const CheckRow& row);

// «Модем хранит 1 настройку / 3 настройки / 5 настроек не так, как в списке».
std::string DifferingText(int count);
// «1 проверенная настройка совпадает», «Все 3 проверенные настройки
// совпадают», «Все 8 проверенных настроек совпадают».
std::string AllSameText(int count);

}  // namespace hk
