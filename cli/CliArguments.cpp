#include "cli/CliArguments.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>

#include "base/TextForm.h"
#include "base/Utf8Path.h"
#include "device/Commands.h"
#include "device/KitBuffers.h"
#include "device/LinkSearch.h"
#include "link/Port.h"
#include "ports/PortNames.h"

namespace hk::cli {
namespace {

// Kits 0..3, as the kit menu lists them.
constexpr int kLastKit = static_cast<int>(device::KitTitles.size()) - 1;
constexpr int kLongestWaitSeconds = 3600;

constexpr const char* kCommands[] = {"search",       "read",         "write",   "modem-write",
                                     "modem-view",   "modem-verify", "scan",    "records",
                                     "record-check", "adapter-check"};

bool TakesListFile(const std::string& command) {
    return command == "modem-write" || command == "modem-verify";
}

// The commands that read the records' folder and open no port unless the
// record asks for it.
bool ReadsRecords(const std::string& command) {
    return command == "records" || command == "record-check";
}

bool Controller(const std::string& command) {
    return command == "search" || command == "read" || command == "write" || command == "scan";
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
    if (!n || *n < 0 || *n > device::kLastNetNumber) return std::nullopt;
    return n;
}

bool IsHexDigits(const std::string& text) {
    if (text.empty() || text.size() > 4) return false;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
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

// A number from `least` to `most`; none when `text` is no such number.
std::optional<int> InRange(const std::string& text, int least, int most) {
    const auto n = Integer(text);
    if (!n || *n < least || *n > most) return std::nullopt;
    return n;
}

// 0 for the first word, 1 for the second; none for any other.
std::optional<int> OneOf(const std::string& text, const char* first, const char* second) {
    if (text != first && text != second) return std::nullopt;
    return text == second ? 1 : 0;
}

// `value` into `field`, or the slip's message when there is none.
template <typename Field, typename Value>
std::string Set(Field& field, const std::optional<Value>& value, const char* refusal) {
    if (!value) return refusal;
    field = static_cast<Field>(*value);
    return {};
}

// What an option makes of its value (or a switch of being given): the
// message of the slip when the value will not do, else empty.
using TakeValue = std::string (*)(CliArguments&, const std::string&);
using TakeSwitch = std::string (*)(CliArguments&);

struct ValueOption {
    const char* name;
    TakeValue take;
};

struct SwitchOption {
    const char* name;
    TakeSwitch take;
};

// The table's entries take the arguments and the option's word.
using A = CliArguments;
using V = const std::string&;

const ValueOption kValueOptions[] = {
    {"--port", [](A& a, V v) { return Set(a.port, std::optional(v), ""); }},
    {"--protocol",
     [](A& a, V v) {
         return Set(a.protocol, OneOf(v, "traditional", "ft12"),
                    "--protocol: traditional или ft12");
     }},
    {"--crc", [](A& a, V v) { return Set(a.crcMode, InRange(v, 0, 2), "--crc: 0, 1 или 2"); }},
    {"--link",
     [](A& a, V v) {
         return Set(a.currentLoop, OneOf(v, "rs232", "irps"), "--link: rs232 или irps");
     }},
    {"--channel",
     [](A& a, V v) { return Set(a.channel, OneOf(v, "mcp", "mpi"), "--channel: mcp или mpi"); }},
    {"--number",
     [](A& a, V v) {
         if (v == "all") return a.number.reset(), std::string();
         return Set(a.number, NetNumber(v), "--number: от 0 до 127 (или 0x00..0x7F), либо all");
     }},
    {"--numbers",
     [](A& a, V v) -> std::string {
         const auto dash = v.find('-');
         const auto first = NetNumber(v.substr(0, dash));
         const auto last = dash == std::string::npos ? first : NetNumber(v.substr(dash + 1));
         if (!first || !last || *first > *last) return "--numbers: A-B, от 0 до 127";
         a.firstNumber = first;
         a.lastNumber = last;
         return {};
     }},
    {"--speed",
     [](A& a, V v) {
         if (v == "all") return a.speedIndex.reset(), std::string();
         return Set(a.speedIndex, SpeedIndexOf(v),
                    "--speed: скорость в бодах (300 … 115200) или all");
     }},
    {"--kit",
     [](A& a, V v) {
         return Set(a.kit, InRange(v, 0, kLastKit),
                    "--kit: 0 базовый, 1 минимальный, 2 расширяемый, 3 КВАРД-47");
     }},
    {"--out1", [](A& a, V v) { return Set(a.outFiles[0], std::optional(v), ""); }},
    {"--out2", [](A& a, V v) { return Set(a.outFiles[1], std::optional(v), ""); }},
    {"--in1", [](A& a, V v) { return Set(a.inFiles[0], std::optional(v), ""); }},
    {"--in2", [](A& a, V v) { return Set(a.inFiles[1], std::optional(v), ""); }},
    {"--password",
     [](A& a, V v) {
         return Set(a.password, IsHexDigits(v) ? std::optional(v) : std::nullopt,
                    "--password: от одной до четырёх шестнадцатеричных цифр");
     }},
    {"--wait-key",
     [](A& a, V v) {
         return Set(a.waitKeySeconds, InRange(v, 1, kLongestWaitSeconds),
                    "--wait-key: секунды, от 1 до 3600");
     }},
    {"--silence",
     [](A& a, V v) {
         return Set(a.silenceSeconds, InRange(v, 1, kLongestWaitSeconds),
                    "--silence: секунды, от 1 до 3600");
     }},
    {"--log", [](A& a, V v) { return Set(a.logFile, std::optional(v), ""); }},
    {"--backup-dir",
     [](A& a, V v) { return Set(a.backupDir, std::optional(WithTrailingSeparator(v)), ""); }},
    {"--csv", [](A& a, V v) { return Set(a.csvFile, std::optional(v), ""); }},
    {"--record",
     [](A& a, V v) { return Set(a.recordDir, std::optional(WithTrailingSeparator(v)), ""); }},
    {"--peer", [](A& a, V v) { return Set(a.peerPort, std::optional(v), ""); }},
};

const SwitchOption kSwitches[] = {
    {"--json", [](CliArguments& a) { return a.json = true, std::string(); }},
    {"--quiet", [](CliArguments& a) { return a.quiet = true, std::string(); }},
    {"--save-settings", [](CliArguments& a) { return a.saveSettings = true, std::string(); }},
    {"--restart", [](CliArguments& a) { return a.restart = true, std::string(); }},
    {"--no-restart", [](CliArguments& a) { return a.restart = false, std::string(); }},
    {"--no-backup", [](CliArguments& a) { return a.backup = false, std::string(); }},
    {"--no-verify", [](CliArguments& a) { return a.verify = false, std::string(); }},
    {"--verify",
     [](CliArguments& a) -> std::string {
         if (a.command != "write" && a.command != "modem-write")
             return "--verify задаётся для write и modem-write (modem-verify проверяет модем сам)";
         a.verify = true;
         a.checkModem = a.command == "modem-write";
         return {};
     }},
    {"--clear1", [](CliArguments& a) { return a.clear[0] = true, std::string(); }},
    {"--clear2", [](CliArguments& a) { return a.clear[1] = true, std::string(); }},
    {"--no-record", [](CliArguments& a) { return a.record = false, std::string(); }},
    {"--loopback", [](CliArguments& a) { return a.loopback = true, std::string(); }},
};

// A slip in the command line, as the message says it.
struct Slip {
    std::string message;
};

// --help or --version: the rest of the line is not read.
struct Answered {};

// One option as the repeat check counts it: a switch and its "--no-" form
// are one option.
std::string OptionKey(const std::string& name) {
    return name.starts_with("--no-") ? "--" + name.substr(5) : name;
}

// The command line read with CLI11: the sub-commands, each with every
// option (one a command has no use for is taken and left unused, as scripts
// have always passed them), and --help and --version. Each option is taken
// where CLI11 meets it, so the slip said is the first from the left. The
// words CLI11 has no option for are taken in their order as well: the list
// file of modem-write and modem-verify, else a slip.
class Reader {
public:
    explicit Reader(CliArguments& arguments) : a_(arguments), top_("", "hayeskvd-cli") {
        Configure(top_);
        top_.require_subcommand(0, 1);
        AddAnswer(top_, "--help", &CliArguments::help);
        AddAnswer(top_, "--version", &CliArguments::version);
        for (const char* name : kCommands) AddCommand(name);
    }

    // The words of the line into the arguments; throws Slip or Answered.
    void Read(const std::vector<std::string>& words) {
        if (words.empty()) throw Slip{"не указана команда. Справка: hayeskvd-cli --help"};
        const Layout layout = LayoutOf(words);
        const auto end = words.begin() + static_cast<std::ptrdiff_t>(layout.optionsEnd);
        const std::vector<std::string> options(words.begin(), end);
        std::vector<std::string> backwards(options.rbegin(), options.rend());
        try {
            top_.parse(backwards);
        } catch (const CLI::ArgumentMismatch&) {
            NoValue(options);
        }
        TakeLeftOver();
        // The slips of the words before it said, an option joined to an
        // empty value is one: CLI11 would take the next word for its value.
        if (layout.emptyValue) {
            const std::string& word = words[layout.optionsEnd];
            if (IsSwitch(word.substr(0, word.size() - 1)))
                throw Slip{"неизвестный параметр " + word};
            throw Slip{"после " + word + " нужно значение"};
        }
        for (std::size_t i = layout.optionsEnd + 1; i < words.size(); ++i) TakeFile(words[i]);
    }

private:
    // Where the options of a line end: at "--", after which every word is a
    // file, or at an option joined to an empty value ("--out1="). A word
    // that stands as the value of an option is that value, whatever it
    // reads ("--port --" is the port "--").
    struct Layout {
        std::size_t optionsEnd = 0;
        bool emptyValue = false;  // the word at optionsEnd is such an option
    };

    static Layout LayoutOf(const std::vector<std::string>& words) {
        // The first word is the command (or what stands in its place).
        for (std::size_t i = 1; i < words.size(); ++i) {
            const std::string& word = words[i];
            if (word == "--") return {i, false};
            if (TakesValue(word)) {
                ++i;
                continue;
            }
            const auto eq = word.find('=');
            if (eq + 1 == word.size() && word.starts_with("--") &&
                (TakesValue(word.substr(0, eq)) || IsSwitch(word.substr(0, eq))))
                return {i, true};
        }
        return {words.size(), false};
    }

    static bool TakesValue(const std::string& word) {
        return std::any_of(std::begin(kValueOptions), std::end(kValueOptions),
                           [&](const ValueOption& o) { return o.name == word; });
    }

    static bool IsSwitch(const std::string& word) {
        return std::any_of(std::begin(kSwitches), std::end(kSwitches),
                           [&](const SwitchOption& o) { return o.name == word; });
    }

    // A word of the line that is no option: the list file of modem-write and
    // modem-verify, else a slip.
    void TakeFile(const std::string& word) {
        if (a_.command == "record-check" && a_.recordFile.empty()) {
            a_.recordFile = word;
            return;
        }
        if (!TakesListFile(a_.command) || !a_.listFile.empty())
            throw Slip{"лишнее слово «" + word + "»"};
        a_.listFile = word;
    }

    // No help or Windows-style option of CLI11's own; the words it has no
    // option for are left to TakeLeftOver.
    static void Configure(CLI::App& app) {
        app.set_help_flag();
        app.allow_windows_style_options(false);
        app.allow_extras();
    }

    void AddCommand(const char* name) {
        CLI::App* command = top_.add_subcommand(name);
        Configure(*command);
        command->preparse_callback([this, command, name](std::size_t) {
            a_.command = name;
            command_ = command;
            beforeCommand_ = top_.remaining_size();
        });
        AddAnswer(*command, "--help", &CliArguments::help);
        for (const ValueOption& option : kValueOptions)
            command
                ->add_option_function<std::string>(
                    option.name,
                    [this, option](const std::string& value) { TakeValueOf(option, value); })
                ->trigger_on_parse();
        for (const SwitchOption& option : kSwitches)
            command
                ->add_flag_function(option.name,
                                    [this, option](std::int64_t) {
                                        Meet(option.name);
                                        Take(option.take(a_));
                                    })
                ->disable_flag_override()
                ->trigger_on_parse();
    }

    // An option's value: an empty one (the word "") is none.
    void TakeValueOf(const ValueOption& option, const std::string& value) {
        Meet(option.name);
        if (value.empty()) throw Slip{std::string("после ") + option.name + " нужно значение"};
        Take(option.take(a_, value));
    }

    void AddAnswer(CLI::App& app, const char* name, bool CliArguments::*flag) {
        app.add_flag_function(name,
                              [this, flag](std::int64_t) {
                                  TakeLeftOver();
                                  Answer(flag);
                              })
            ->trigger_on_parse();
    }

    [[noreturn]] void Answer(bool CliArguments::*flag) {
        a_.*flag = true;
        throw Answered{};
    }

    // CLI11 refused a word as a value: a switch given one ("--json=1"), or
    // an option at the end of the line without its own (CLI11 takes the
    // word after an option as its value, whatever it is).
    [[noreturn]] void NoValue(const std::vector<std::string>& words) {
        TakeLeftOver();
        const bool takesValue = TakesValue(words.back());
        for (const std::string& word : words)
            for (const SwitchOption& option : kSwitches)
                if (!takesValue && word.starts_with(std::string(option.name) + "="))
                    throw Slip{"неизвестный параметр " + word};
        Meet(words.back());
        throw Slip{"после " + words.back() + " нужно значение"};
    }

    static void Take(const std::string& slip) {
        if (!slip.empty()) throw Slip{slip};
    }

    // An option met: the words before it first, then whether it was given
    // before. The same option twice is a slip in a script, not a choice: no
    // last one wins.
    void Meet(const std::string& name) {
        TakeLeftOver();
        if (const auto [first, fresh] = seen_.emplace(OptionKey(name), name); !fresh)
            throw Slip{first->second == name
                           ? "параметр " + name + " задан дважды"
                           : first->second + " и " + name + " вместе не задаются"};
    }

    // The words CLI11 has left over so far that were not taken yet: before
    // the sub-command, and in it (the words after a "--" never reach CLI11:
    // Read takes them as files). -h is taken here, as the word it is: CLI11
    // would read "-hx" as -h and -x, which the program has never had.
    void TakeLeftOver() {
        std::vector<std::string> words = top_.remaining();
        if (!command_ ? !words.empty() : beforeCommand_ > 0) {
            if (words.front() == "-h") {
                a_.command.clear();  // the program's help, not the command's after it
                Answer(&CliArguments::help);
            }
            throw Slip{"неизвестная команда «" + words.front() +
                       "». Команды: search, read, write, scan, modem-write, modem-view, "
                       "modem-verify, records, record-check, adapter-check"};
        }
        if (!command_) return;
        const std::vector<std::string> own = command_->remaining();
        words.insert(words.begin(), own.begin(), own.end());
        for (; taken_ < words.size(); ++taken_) {
            const std::string& word = words[taken_];
            if (word == "-h") Answer(&CliArguments::help);
            if (word.starts_with("--")) throw Slip{"неизвестный параметр " + word};
            TakeFile(word);
        }
    }

    CliArguments& a_;
    CLI::App top_;
    CLI::App* command_ = nullptr;              // the sub-command, once met
    std::size_t beforeCommand_ = 0;            // words left over before it
    std::size_t taken_ = 0;                    // of its words left over
    std::map<std::string, std::string> seen_;  // the options given so far, as written
};

// What a modem command needs besides its options; the message, or empty.
std::string CheckModem(const CliArguments& a) {
    if (!a.speedIndex) return "для модема укажите --speed, например --speed 9600";
    if (TakesListFile(a.command) && a.listFile.empty())
        return "не указан файл списка строк для модема";
    return {};
}

// The files of write's buffers for the kit: a file or a clear for each
// buffer it has, and neither for one it has not.
std::string CheckWriteBuffers(const CliArguments& a) {
    const int buffers = device::TwoChannelKit(*a.kit) ? 2 : 1;
    for (int b = 0; b < 2; ++b) {
        const auto k = static_cast<std::size_t>(b);
        const std::string n = std::to_string(b + 1);
        if (!a.inFiles[k].empty() && a.clear[k])
            return "--in" + n + " и --clear" + n + " вместе не задаются";
        if (b >= buffers && (!a.inFiles[k].empty() || a.clear[k]))
            return "у комплекта " + std::to_string(*a.kit) + " один буфер: --in" + n + "/--clear" +
                   n + " не нужны";
        if (b < buffers && a.inFiles[k].empty() && !a.clear[k])
            return "для буфера " + n + " укажите --in" + n + " ФАЙЛ или --clear" + n;
    }
    return {};
}

// The options of a controller command together; the message, or empty.
std::string CheckController(CliArguments& a) {
    if (a.speedIndex && *a.speedIndex > device::kLastSearchSpeed)
        return "--speed: КВАРД обменивается на скоростях от 300 до 19200 бод";
    if (a.protocol == kTraditional && a.crcMode != 0)
        return "--crc задаётся только вместе с --protocol ft12";
    if ((a.command == "read" || a.command == "write") && !a.kit)
        return "укажите комплект КВАРД: --kit 0..3";
    if (a.kit == device::kMinimalKit) a.channel = 0;  // the minimal kit has its one channel
    // A file for a buffer the kit does not have would be left unwritten.
    if (a.command == "read" && !a.outFiles[1].empty() && !device::TwoChannelKit(*a.kit))
        return "у комплекта " + std::to_string(*a.kit) +
               " один буфер: --out2 не нужен (буфер записывается в файл --out1)";
    if (a.command == "read" && !a.outFiles[0].empty() && !a.outFiles[1].empty() &&
        SameFile(a.outFiles[0], a.outFiles[1]))
        return "--out1 и --out2 называют один файл «" + a.outFiles[1] +
               "»: второй буфер записался бы поверх первого. Укажите два файла";
    return a.command == "write" ? CheckWriteBuffers(a) : std::string();
}

// The options of adapter-check together; the message, or empty.
std::string CheckAdapterOptions(const CliArguments& a) {
    if (a.loopback && !a.peerPort.empty()) return "--loopback и --peer вместе не задаются";
    if (!a.peerPort.empty() && ComPortNumber(a.peerPort) > 0 &&
        ComPortNumber(a.peerPort) == ComPortNumber(a.port))
        return "--peer: второй адаптер подключается к другому порту, не " + a.port;
    if (a.peerPort == a.port) return "--peer: второй адаптер подключается к другому порту, не " + a.port;
    return {};
}

}  // namespace

std::optional<int> SpeedIndexOf(const std::string& baud) {
    const auto n = Integer(baud);
    if (!n) return std::nullopt;
    for (std::size_t i = 0; i < BaudRates.size(); ++i)
        if (BaudRates[i] == *n) return static_cast<int>(i);
    return std::nullopt;
}

ParseResult ParseArguments(const std::vector<std::string>& words) {
    ParseResult r;
    CliArguments& a = r.arguments;
    try {
        Reader(a).Read(words);
    } catch (const Slip& slip) {
        r.error = slip.message;
        return r;
    } catch (const Answered&) {
        return r;
    }
    // Named back to the operator in every message: with the system's own
    // separators, however they were typed.
    for (std::string* file : {&a.outFiles[0], &a.outFiles[1], &a.inFiles[0], &a.inFiles[1],
                              &a.backupDir, &a.listFile, &a.logFile, &a.csvFile, &a.recordDir,
                              &a.recordFile})
        *file = ShownPath(std::move(*file));
    if (ReadsRecords(a.command))
        r.error = a.command == "record-check" && a.recordFile.empty()
                      ? "не указан файл акта: hayeskvd-cli record-check ФАЙЛ.json"
                      : std::string();
    else if (a.port.empty())
        r.error = "не указан порт: --port Com1 (или путь к устройству)";
    else
        r.error = a.command == "adapter-check" ? CheckAdapterOptions(a)
                  : Controller(a.command)      ? CheckController(a)
                                               : CheckModem(a);
    return r;
}

}  // namespace hk::cli
