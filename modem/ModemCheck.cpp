#include "modem/ModemCheck.h"

#include <algorithm>

namespace hk {
namespace {

enum class Plural { One, Few, Many };

// The Russian form a count takes: 1, 21 ...; 2-4, 22-24 ...; the rest.
Plural PluralOf(int n) {
    const int lastTwo = n % 100, last = n % 10;
    if (last == 1 && lastTwo != 11) return Plural::One;
    if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14)) return Plural::Few;
    return Plural::Many;
}

std::string Number(int n) { return std::to_string(n); }

CheckRow Row(const std::string& setting, int profile, const ListValue& listed,
             const ModemValues* reported) {
    CheckRow row;
    row.setting = setting;
    row.profile = profile;
    row.listValue = listed.value;
    row.lineIndex = listed.lineIndex;
    if (reported) {
        if (const auto it = reported->find(setting); it != reported->end())
            row.modemValue = it->second;
    }
    if (row.modemValue)
        row.verdict = *row.modemValue == row.listValue ? CheckVerdict::Same : CheckVerdict::Differs;
    return row;
}

// «S7», «S7 в профиле 0».
std::string RowSetting(const CheckRow& row) {
    if (row.profile == kActiveSettings) return row.setting;
    return row.setting + " в профиле " + Number(row.profile);
}

// «совпадает», «отличается», «не проверено».
std::string VerdictText(CheckVerdict verdict) {
    switch (verdict) {
        case CheckVerdict::Same:
            return "совпадает";
        case CheckVerdict::Differs:
            return "отличается";
        case CheckVerdict::Unchecked:
            break;
    }
    return "не проверено";
}

}  // namespace

std::vector<CheckRow> CompareWithModem(const ListSettings& list, const ModemReport& modem) {
    std::vector<CheckRow> rows;
    for (const auto& [setting, listed] : list.active)
        rows.push_back(Row(setting, kActiveSettings, listed, &modem.active));
    for (int p = 0; p < kStoredProfiles; ++p) {
        const auto k = static_cast<std::size_t>(p);
        if (!list.stored[k]) continue;
        const ModemValues* reported = modem.stored[k] ? &*modem.stored[k] : nullptr;
        for (const auto& [setting, listed] : *list.stored[k])
            rows.push_back(Row(setting, p, listed, reported));
    }
    return rows;
}

int CheckResult::Differing() const {
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const CheckRow& r) {
        return r.verdict == CheckVerdict::Differs;
    }));
}

int CheckResult::Checked() const { return static_cast<int>(rows.size()) - Unchecked(); }

int CheckResult::Unchecked() const {
    return static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const CheckRow& r) {
        return r.verdict == CheckVerdict::Unchecked;
    }));
}

std::string DifferingText(int count) {
    static constexpr const char* kForms[] = {" настройку", " настройки", " настроек"};
    return "Модем хранит " + Number(count) + kForms[static_cast<int>(PluralOf(count))] +
           " не так, как в списке";
}

std::string AllSameText(int count) {
    switch (PluralOf(count)) {
        case Plural::One:
            return Number(count) + " проверенная настройка совпадает";
        case Plural::Few:
            return "Все " + Number(count) + " проверенные настройки совпадают";
        case Plural::Many:
            break;
    }
    return "Все " + Number(count) + " проверенных настроек совпадают";
}

std::string CheckResult::SummaryText() const {
    switch (outcome) {
        case CheckOutcome::NotStarted:
        case CheckOutcome::Stopped:
            return {};
        case CheckOutcome::NothingToCheck:
            return "В списке нет настроек, которые можно проверить (S-регистры, E, V, Q, X, L, "
                   "M, B, &C, &D, &K)";
        case CheckOutcome::QuietModem:
            return "В списке задан Q1: модем не выдаёт ответов, прочитать настройки нельзя";
        case CheckOutcome::ModemSilent: {
            std::string text = "Модем не ответил на " + unanswered + ": проверка прервана";
            if (Differing() > 0) text += ". " + DifferingText(Differing());
            return text;
        }
        case CheckOutcome::PortLost:
            return "Проверка модема прервана: порт недоступен";
        case CheckOutcome::Done:
            break;
    }
    if (Differing() > 0) return DifferingText(Differing());
    if (Checked() > 0) return AllSameText(Checked());
    return "Модем не сообщил ни одной настройки из списка: ничего не проверено";
}

std::string RowText(const CheckRow& row) {
    const std::string modem = row.modemValue ? Number(*row.modemValue) : "не прочитано";
    return RowSetting(row) + ": в списке " + Number(row.listValue) + ", в модеме " + modem + " — " +
           VerdictText(row.verdict);
}

}  // namespace hk
