#include "ports/PortMapping.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <span>
#include <system_error>

#include "base/FileError.h"
#include "base/TextForm.h"
#include "base/Utf8Path.h"
#include "ports/PortNames.h"

namespace hk {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxMappingBytes = 64 * 1024;

// What a new file says about itself, in the terms of the system it is made
// on: a Linux device path means nothing to Windows (it reads /dev/... as a
// folder of the current drive), and Notepad wants CR LF.
constexpr std::string_view kNewFileHeaderLines[] = {
    "# Порты программы: какое устройство открывает каждое имя Com1 … Com18.",
    "# Одна строка на порт, например:",
    "#   Com3=/dev/serial/by-id/usb-…",
    "# Порт, которого здесь нет, открывает ссылку ports/comN рядом с этим",
    "# файлом, а без неё встроенный порт /dev/ttyS<N-1>.",
};
constexpr std::string_view kNewWindowsFileHeaderLines[] = {
    "# Порты программы: какое устройство открывает каждое имя Com1 … Com18.",
    "# Одна строка на порт, например:",
    "#   Com3=\\\\.\\COM12",
    "# Порт, которого здесь нет, открывает порт Windows с тем же номером:",
    "# без назначения ComN открывает \\\\.\\COMN.",
};

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

// The file's lines without their line ends (LF or CR LF).
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

// One line: nothing to take (blank or comment), an assignment, or a fault.
struct LineMeaning {
    enum class Kind { Nothing, Assignment, Fault } kind = Kind::Nothing;
    int number = 0;
    std::string device;
    std::string reason;
};

// The port a line begins with ("Com5 /dev/x", "com5:/dev/x", "Com19=…"):
// the name and its digits, then anything but a letter or digit. 0 for none.
int NamedPort(std::string_view line) {
    std::size_t end = 3;
    while (end < line.size() && std::isdigit(static_cast<unsigned char>(line[end]))) ++end;
    if (end < line.size() && std::isalnum(static_cast<unsigned char>(line[end]))) return 0;
    return ComPortNumber(std::string(line.substr(0, end)));
}

LineMeaning Understand(std::string_view raw) {
    LineMeaning m;
    const std::string_view line = Trim(raw);
    if (line.empty() || line.front() == '#' || line.front() == ';') return m;
    m.kind = LineMeaning::Kind::Fault;
    m.number = NamedPort(line);
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
        m.reason = "нет знака «=» между именем порта и устройством";
        return m;
    }
    const int number = ComPortNumber(std::string(Trim(line.substr(0, eq))));
    if (number < 1 || number > kMappablePorts) {
        m.reason = "слева от «=» должно стоять имя порта от Com1 до Com18";
        return m;
    }
    const std::string device(Trim(line.substr(eq + 1)));
    if (device.empty()) {
        m.reason = "справа от «=» не указано устройство";
        return m;
    }
#ifdef _WIN32
    constexpr bool windows = true;
#else
    constexpr bool windows = false;
#endif
    const MappedDevice mapped = CheckMappedDevice(device, windows);
    if (!mapped.fault.empty()) {
        m.reason = mapped.fault;
        return m;
    }
    m.kind = LineMeaning::Kind::Assignment;
    m.number = number;
    m.device = mapped.path;
    return m;
}

std::string PortName(int number) { return "Com" + std::to_string(number); }

bool StartsWith(std::string_view text, std::string_view start) {
    return text.substr(0, start.size()) == start;
}

}  // namespace

MappedDevice CheckMappedDevice(const std::string& device, bool windows) {
    if (!windows) {
        if (StartsWith(device, "/")) return {device, {}};
        return {{}, "путь к устройству должен быть полным (начинаться с «/»)"};
    }
    // A device or network path (\\.\COM12), a path from the root of a drive
    // (C:\...) or of the current one (\... or /...).
    const bool drive = device.size() >= 3 && std::isalpha(static_cast<unsigned char>(device[0])) &&
                       device[1] == ':' && (device[2] == '\\' || device[2] == '/');
    if (drive || StartsWith(device, "\\") || StartsWith(device, "/")) return {device, {}};
    // A port's own name opens through the device path, which COM10 and
    // above need.
    if (ComPortNumber(device) > 0) return {"\\\\.\\" + device, {}};
    return {{},
            "устройство указывается полным путём вида \\\\.\\COM12 или именем порта вида COM12"};
}

namespace {

[[noreturn]] void NotStored(int number, const std::string& fileName, int code) {
    throw FileError("Назначение порта " + PortName(number) + " не сохранено в файл «" + fileName +
                        "». Проверьте, что папка файла доступна для записи и на диске есть "
                        "место, и назначьте порт снова.\r" +
                        std::strerror(code),
                    code);
}

}  // namespace

const std::string* PortMapping::DeviceOf(int number) const {
    const auto it = devices.find(number);
    return it == devices.end() ? nullptr : &it->second;
}

const MappingProblem* PortMapping::FaultOf(int number) const {
    if (unreadable_) return &problems.front();
    const auto it = faults_.find(number);
    return it == faults_.end() ? nullptr : &problems[it->second];
}

PortMapping ParsePortMapping(std::string_view text) {
    PortMapping mapping;
    std::map<int, int> lineOf;  // port -> the line that assigned it
    int lineNo = 0;
    // Notepad's "UTF-8 with BOM" begins the first line with the mark.
    for (const std::string_view line : Lines(WithoutByteOrderMark(text))) {
        ++lineNo;
        LineMeaning m = Understand(line);
        if (m.kind == LineMeaning::Kind::Fault) {
            mapping.problems.push_back({lineNo, std::string(line), m.reason, m.number, false});
            // The port's last word is one nobody understood: what an earlier
            // line assigned is not what the operator meant any more.
            if (m.number > 0) {
                mapping.faults_[m.number] = mapping.problems.size() - 1;
                mapping.devices.erase(m.number);
            }
        } else if (m.kind == LineMeaning::Kind::Assignment) {
            if (const auto it = lineOf.find(m.number); it != lineOf.end())
                mapping.problems.push_back({lineNo, std::string(line),
                                            PortName(m.number) + " уже назначен в строке " +
                                                std::to_string(it->second) +
                                                "; действует эта, последняя строка",
                                            m.number, true});
            lineOf[m.number] = lineNo;
            mapping.devices[m.number] = std::move(m.device);
            mapping.faults_.erase(m.number);
        }
    }
    return mapping;
}

PortMapping LoadPortMapping(const std::string& fileName) {
    std::error_code ec;
    const fs::path file = PathFromUtf8(fileName);
    if (!fs::exists(fs::symlink_status(file, ec))) return {};
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        const int code = errno;
        PortMapping failed;
        failed.problems.push_back(
            {0, {}, "файл не читается: " + std::string(std::strerror(code)), 0, false});
        failed.unreadable_ = true;
        return failed;
    }
    std::string text(kMaxMappingBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    const bool tooLong = text.size() > kMaxMappingBytes;
    if (tooLong) text.resize(kMaxMappingBytes);
    PortMapping mapping = ParsePortMapping(text);
    if (tooLong)
        mapping.problems.push_back(
            {0, {}, "файл длиннее 64 КиБ: прочитано только его начало", 0, true});
    return mapping;
}

std::string NewMappingHeader(bool windows) {
    std::string header;
    // Notepad before Windows 10 took a file without the mark for the ANSI
    // code page: the Cyrillic comments would read as mojibake.
    if (windows) header = kUtf8ByteOrderMark;
    for (const std::string_view line :
         windows ? std::span(kNewWindowsFileHeaderLines) : std::span(kNewFileHeaderLines)) {
        header += line;
        header += LineEndOf(windows);
    }
    return header;
}

std::string WithAssignment(std::string_view text, int number, const std::string& device,
                           bool windows) {
    // The file keeps its own line ends and its byte order mark; a new one
    // takes those of the system.
    const std::size_t firstEnd = text.find('\n');
    const std::string_view lineEnd = firstEnd == std::string_view::npos ? LineEndOf(windows)
                                     : firstEnd > 0 && text[firstEnd - 1] == '\r'
                                         ? LineEndOf(true)
                                         : LineEndOf(false);
    std::string out;
    if (HasByteOrderMark(text)) out = kUtf8ByteOrderMark;
    text = WithoutByteOrderMark(text);
    bool placed = device.empty();
    const std::string assignment = PortName(number) + "=" + device + std::string(lineEnd);
    if (text.empty()) out = NewMappingHeader(windows);
    for (const std::string_view line : Lines(text)) {
        const LineMeaning m = Understand(line);
        if (m.kind == LineMeaning::Kind::Assignment && m.number == number) {
            if (!placed) out += assignment;
            placed = true;
            continue;
        }
        // Kept as the operator wrote it, but no longer holding the port.
        if (m.kind == LineMeaning::Kind::Fault && m.number == number) out += "# ";
        out.append(line);
        out += lineEnd;
    }
    if (!placed) out += assignment;
    return out;
}

void StorePortAssignment(const std::string& fileName, int number, const std::string& device) {
    std::error_code ec;
    std::string text;
    const fs::path target = PathFromUtf8(fileName);
    if (fs::exists(fs::symlink_status(target, ec))) {
        std::ifstream in(target, std::ios::binary);
        if (!in) NotStored(number, fileName, errno);
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    if (target.has_parent_path()) {
        fs::create_directories(target.parent_path(), ec);
        if (ec) NotStored(number, fileName, ec.value());
    }
    // Written whole beside the file, then renamed over it: a failure leaves
    // the old mapping as it was.
    const fs::path temporary = PathFromUtf8(fileName + ".new");
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) NotStored(number, fileName, errno);
        out << WithAssignment(text, number, device);
        out.flush();
        if (!out) {
            const int code = errno != 0 ? errno : EIO;
            out.close();
            fs::remove(temporary, ec);
            NotStored(number, fileName, code);
        }
    }
    fs::rename(temporary, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        NotStored(number, fileName, ec.value());
    }
}

std::string DescribeProblem(const MappingProblem& problem) {
    if (problem.line == 0) return problem.reason;
    return "строка " + std::to_string(problem.line) + " «" + problem.text + "»: " + problem.reason;
}

std::string DescribeProblemIn(const std::string& fileName, const MappingProblem& problem) {
    if (problem.line == 0) return "файл " + fileName + ": " + problem.reason;
    return "в файле " + fileName + (problem.taken ? " строка " : " не понята строка ") +
           std::to_string(problem.line) + " «" + problem.text + "» (" + problem.reason + ")";
}

std::vector<std::string> MappingNotes(const PortMapping& mapping, const std::string& fileName) {
    std::vector<std::string> notes;
    for (const MappingProblem& p : mapping.problems)
        if (p.line == 0 ? p.taken : !p.taken && p.port == 0)
            notes.push_back(DescribeProblemIn(fileName, p) +
                            (p.line == 0 ? "" : ": строка пропущена, исправьте её"));
    return notes;
}

}  // namespace hk
