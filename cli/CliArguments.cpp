#include "cli/CliArguments.h"

#include <charconv>
#include <filesystem>
#include <map>
#include <set>

#include "base/Utf8Path.h"
#include "link/Port.h"

namespace hk::cli {
namespace {

constexpr int kLastNetNumber = 127;
constexpr int kLastSearchSpeedIndex = 6;  // 19200 baud: the controller's fastest
constexpr int kLastKit = 3;

const std::set<std::string> kCommands = {"search",     "read",         "write", "modem-write",
                                         "modem-view", "modem-verify", "scan"};

bool TakesListFile(const std::string& command) {
    return command == "modem-write" || command == "modem-verify";
}

std::optional<int> Integer(const std::string& text, int base = 10) {
    int value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (base == 16 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        first += 2;
    const auto [end, error] = std::from_chars(first, last, value, base);
    if (text.empty() || error != std::errc() || end != last) return std::nullopt;
    return value;
}

// A network number: decimal, or hexadecimal with 0x.
std::optional<int> NetNumber(const std::string& text) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const auto n = Integer(text, hex ? 16 : 10);
    if (!n || *n < 0 || *n > kLastNetNumber) return std::nullopt;
    return n;
}

bool IsHexDigits(const std::string& text) {
    if (text.empty() || text.size() > 4) return false;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// One option as the repeat check counts it: a switch and its "--no-" form
// are one option.
std::string OptionKey(const std::string& word) {
    return word.starts_with("--no-") ? "--" + word.substr(5) : word;
}

// Two names of one file: the same words, the same file where both exist, or
// the same place once the folders are resolved.
bool SameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    if (a == b) return true;
    const fs::path pa = PathFromUtf8(a), pb = PathFromUtf8(b);
    std::error_code ec;
    if (fs::exists(pa, ec) && fs::exists(pb, ec)) return fs::equivalent(pa, pb, ec);
    const fs::path ca = fs::weakly_canonical(fs::absolute(pa, ec), ec);
    const fs::path cb = fs::weakly_canonical(fs::absolute(pb, ec), ec);
    return !ec && ca == cb;
}

bool Controller(const std::string& command) {
    return command == "search" || command == "read" || command == "write" || command == "scan";
}

class Parser {
public:
    explicit Parser(const std::vector<std::string>& words) : words_(words) {}

    ParseResult Run() {
        ParseResult r;
        CliArguments& a = r.arguments;
        if (words_.empty()) return Fail(r, "не указана команда. Справка: hayeskvd-cli --help");
        std::size_t i = 0;
        if (words_[0] == "--help" || words_[0] == "-h") {
            a.help = true;
            return r;
        }
        if (words_[0] == "--version") {
            a.version = true;
            return r;
        }
        if (!kCommands.contains(words_[0]))
            return Fail(r, "неизвестная команда «" + words_[0] +
                               "». Команды: search, read, write, "
                               "scan, modem-write, modem-view, modem-verify");
        a.command = words_[i++];
        while (i < words_.size()) {
            const std::string w = words_[i++];
            const auto value = [&]() -> std::optional<std::string> {
                if (i >= words_.size()) return std::nullopt;
                return words_[i++];
            };
            if (w == "--help" || w == "-h") {
                a.help = true;
                return r;
            }
            if (!w.starts_with("--")) {
                if (TakesListFile(a.command) && a.listFile.empty()) {
                    a.listFile = w;
                    continue;
                }
                return Fail(r, "лишнее слово «" + w + "»");
            }
            // The same option twice is a slip in a script, not a choice:
            // no last one wins.
            if (const auto [first, fresh] = seen_.emplace(OptionKey(w), w); !fresh)
                return Fail(r, first->second == w
                                   ? "параметр " + w + " задан дважды"
                                   : first->second + " и " + w + " вместе не задаются");
            if (w == "--json") {
                a.json = true;
            } else if (w == "--quiet") {
                a.quiet = true;
            } else if (w == "--save-settings") {
                a.saveSettings = true;
            } else if (w == "--restart" || w == "--no-restart") {
                a.restart = w == "--restart";
            } else if (w == "--no-backup") {
                a.backup = false;
            } else if (w == "--no-verify") {
                a.verify = false;
            } else if (w == "--verify") {
                if (a.command != "write" && a.command != "modem-write")
                    return Fail(r,
                                "--verify задаётся для write и modem-write "
                                "(modem-verify проверяет модем сам)");
                a.verify = true;
                a.checkModem = a.command == "modem-write";
            } else if (w == "--clear1" || w == "--clear2") {
                a.clear[w == "--clear1" ? 0 : 1] = true;
            } else {
                const auto v = value();
                if (!v) return Fail(r, "после " + w + " нужно значение");
                if (const std::string e = Option(a, w, *v); !e.empty()) return Fail(r, e);
            }
        }
        return Check(r);
    }

private:
    static ParseResult& Fail(ParseResult& r, const std::string& error) {
        r.error = error;
        return r;
    }

    // One option with its value; the error text, or empty.
    static std::string Option(CliArguments& a, const std::string& w, const std::string& v) {
        if (w == "--port") {
            a.port = v;
        } else if (w == "--protocol") {
            if (v != "traditional" && v != "ft12") return "--protocol: traditional или ft12";
            a.protocol = v == "ft12" ? 1 : 0;
        } else if (w == "--crc") {
            const auto n = Integer(v);
            if (!n || *n < 0 || *n > 2) return "--crc: 0, 1 или 2";
            a.crcMode = *n;
        } else if (w == "--link") {
            if (v != "rs232" && v != "irps") return "--link: rs232 или irps";
            a.currentLoop = v == "irps";
        } else if (w == "--channel") {
            if (v != "mcp" && v != "mpi") return "--channel: mcp или mpi";
            a.channel = v == "mpi" ? 1 : 0;
        } else if (w == "--number") {
            if (v == "all") {
                a.number.reset();
            } else {
                a.number = NetNumber(v);
                if (!a.number) return "--number: от 0 до 127 (или 0x00..0x7F), либо all";
            }
        } else if (w == "--numbers") {
            const auto dash = v.find('-');
            const auto first = NetNumber(v.substr(0, dash));
            const auto last = dash == std::string::npos ? first : NetNumber(v.substr(dash + 1));
            if (!first || !last || *first > *last) return "--numbers: A-B, от 0 до 127";
            a.firstNumber = first;
            a.lastNumber = last;
        } else if (w == "--speed") {
            if (v == "all") {
                a.speedIndex.reset();
            } else {
                a.speedIndex = SpeedIndexOf(v);
                if (!a.speedIndex) return "--speed: скорость в бодах (300 … 115200) или all";
            }
        } else if (w == "--kit") {
            const auto n = Integer(v);
            if (!n || *n < 0 || *n > kLastKit)
                return "--kit: 0 базовый, 1 минимальный, 2 расширяемый, 3 КВАРД-47";
            a.kit = n;
        } else if (w == "--out1" || w == "--out2") {
            a.outFiles[w == "--out1" ? 0 : 1] = v;
        } else if (w == "--in1" || w == "--in2") {
            a.inFiles[w == "--in1" ? 0 : 1] = v;
        } else if (w == "--password") {
            if (!IsHexDigits(v)) return "--password: от одной до четырёх шестнадцатеричных цифр";
            a.password = v;
        } else if (w == "--wait-key") {
            const auto n = Integer(v);
            if (!n || *n < 1 || *n > 3600) return "--wait-key: секунды, от 1 до 3600";
            a.waitKeySeconds = n;
        } else if (w == "--silence") {
            const auto n = Integer(v);
            if (!n || *n < 1 || *n > 3600) return "--silence: секунды, от 1 до 3600";
            a.silenceSeconds = n;
        } else if (w == "--log") {
            a.logFile = v;
        } else if (w == "--backup-dir") {
            a.backupDir = WithTrailingSeparator(v);
        } else if (w == "--csv") {
            a.csvFile = v;
        } else {
            return "неизвестный параметр " + w;
        }
        return {};
    }

    ParseResult& Check(ParseResult& r) {
        CliArguments& a = r.arguments;
        if (a.port.empty()) return Fail(r, "не указан порт: --port Com1 (или путь к устройству)");
        const bool modem = !Controller(a.command);
        if (modem) {
            if (!a.speedIndex) return Fail(r, "для модема укажите --speed, например --speed 9600");
            if (TakesListFile(a.command) && a.listFile.empty())
                return Fail(r, "не указан файл списка строк для модема");
            return r;
        }
        if (a.speedIndex && *a.speedIndex > kLastSearchSpeedIndex)
            return Fail(r, "--speed: КВАРД обменивается на скоростях от 300 до 19200 бод");
        if (a.protocol == 0 && a.crcMode != 0)
            return Fail(r, "--crc задаётся только вместе с --protocol ft12");
        if ((a.command == "read" || a.command == "write") && !a.kit)
            return Fail(r, "укажите комплект КВАРД: --kit 0..3");
        if (a.kit == 1) a.channel = 0;  // the minimal kit has its one channel
        if (a.command == "read" && !a.outFiles[0].empty() && !a.outFiles[1].empty() &&
            SameFile(a.outFiles[0], a.outFiles[1]))
            return Fail(r, "--out1 и --out2 называют один файл «" + a.outFiles[1] +
                               "»: второй буфер записался бы поверх первого. Укажите два файла");
        if (a.command == "write") {
            const int buffers = *a.kit == 0 || *a.kit == 3 ? 2 : 1;
            for (int b = 0; b < 2; ++b) {
                const auto k = static_cast<std::size_t>(b);
                const std::string n = std::to_string(b + 1);
                if (!a.inFiles[k].empty() && a.clear[k])
                    return Fail(r, "--in" + n + " и --clear" + n + " вместе не задаются");
                if (b >= buffers && (!a.inFiles[k].empty() || a.clear[k]))
                    return Fail(r, "у комплекта " + std::to_string(*a.kit) + " один буфер: --in" +
                                       n + "/--clear" + n + " не нужны");
                if (b < buffers && a.inFiles[k].empty() && !a.clear[k])
                    return Fail(r,
                                "для буфера " + n + " укажите --in" + n + " ФАЙЛ или --clear" + n);
            }
        }
        return r;
    }

    const std::vector<std::string>& words_;
    std::map<std::string, std::string> seen_;  // the options given so far, as written
};

}  // namespace

std::optional<int> SpeedIndexOf(const std::string& baud) {
    const auto n = Integer(baud);
    if (!n) return std::nullopt;
    for (std::size_t i = 0; i < BaudRates.size(); ++i)
        if (BaudRates[i] == *n) return static_cast<int>(i);
    return std::nullopt;
}

ParseResult ParseArguments(const std::vector<std::string>& words) { return Parser(words).Run(); }

}  // namespace hk::cli
