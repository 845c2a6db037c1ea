#include "records/RecordFiles.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "base/LocalTime.h"
#include "base/Utf8Path.h"
#include "records/RecordHtml.h"
#include "records/Sha256.h"

namespace hk::records {
namespace {

namespace fs = std::filesystem;

// Stems taken already get a number; past this many in one second something
// else is wrong.
constexpr int kMostStems = 100;

// A port name as a file name allows it: letters and digits stay, anything
// else ("/dev/ttyUSB0") becomes '_'.
std::string FileNamePart(const std::string& text) {
    std::string part;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        part += std::isalnum(u) && u < 0x80 ? c : '_';
    }
    while (part.starts_with('_')) part.erase(0, 1);
    return part.empty() ? "port" : part;
}

std::string SystemText(int code) { return std::strerror(code); }

// `bytes` into a new file beside `target` whose name nobody uses. The
// temporary file's name, or none with `problem`.
std::optional<std::string> WriteTemporary(const std::string& target, const std::string& bytes,
                                          std::string& problem) {
    std::random_device random;
    const std::string temporary = target + "." + std::to_string(random()) + ".part";
    std::FILE* file = OpenFileUtf8(temporary, "wb");
    if (!file) {
        problem = "файл «" + target + "» не создаётся: " + SystemText(errno);
        return std::nullopt;
    }
    const bool written =
        std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() && std::fflush(file) == 0;
    const int code = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        problem = "файл «" + target + "» не записан: " + SystemText(written ? errno : code);
        std::error_code ignored;
        fs::remove(PathFromUtf8(temporary), ignored);
        return std::nullopt;
    }
    return temporary;
}

enum class Placed { Done, Taken, Failed };

// The temporary file under its name, unless a file has that name already:
// a hard link fails on a name that exists; where the file system has no
// hard links, the name is looked at first.
Placed PlaceFile(const std::string& temporary, const std::string& target, std::string& problem) {
    const fs::path from = PathFromUtf8(temporary), to = PathFromUtf8(target);
    std::error_code ec, ignored;
    fs::create_hard_link(from, to, ec);
    if (!ec) {
        fs::remove(from, ignored);
        return Placed::Done;
    }
    if (ec == std::errc::file_exists || fs::exists(to, ignored)) return Placed::Taken;
    ec.clear();
    fs::rename(from, to, ec);
    if (!ec) return Placed::Done;
    problem = "файл «" + target + "» не записан: " + ec.message();
    return Placed::Failed;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    return WithTrailingSeparator(folder) + name;
}

}  // namespace

std::string DefaultRecordFolder(const std::string& dataDir) {
    return WithTrailingSeparator(dataDir) + kRecordFolder;
}

std::string RecordStem(const Record& record) {
    // "HH:MM:SS.mmm" of the local time, as a file name allows it.
    std::string time = LocalTimeText(record.wallMs).substr(0, 8);
    std::replace(time.begin(), time.end(), ':', '-');
    std::string device = record.controller ? "kvard-" : "modem-";
    device += FileNamePart(NormalPortName(record.port.name));
    if (record.controller) device += "-" + std::to_string(record.controller->number);
    return device + "-" + LocalDateText(record.wallMs) + "-" + time + "-" + JobName(record.job);
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream bytes;
    bytes << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return bytes.str();
}

std::vector<RecordEntry> ListRecords(const std::string& folder) {
    std::vector<RecordEntry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(PathFromUtf8(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        const fs::path path = it->path();
        if (path.extension() != ".json" || !it->is_regular_file(ec)) continue;
        RecordEntry entry;
        entry.json = Utf8FromPath(path);
        fs::path html = path;
        html.replace_extension(".html");
        std::error_code missing;
        if (fs::is_regular_file(html, missing)) entry.html = Utf8FromPath(html);
        const auto bytes = ReadFileBytes(entry.json);
        if (!bytes) {
            entry.problem = ReadProblem::NotJson;
            entry.message = "файл не читается";
        } else {
            entry.sha256 = Sha256Hex(*bytes);
            ReadRecord read = ReadRecordJson(*bytes);
            entry.problem = read.problem;
            entry.message = std::move(read.message);
            entry.record = std::move(read.record);
        }
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(), [](const RecordEntry& a, const RecordEntry& b) {
        const bool aKnown = a.problem == ReadProblem::None || a.problem == ReadProblem::Edited;
        const bool bKnown = b.problem == ReadProblem::None || b.problem == ReadProblem::Edited;
        if (aKnown != bKnown) return aKnown;
        if (aKnown && a.record.timeUtc != b.record.timeUtc)
            return a.record.timeUtc > b.record.timeUtc;
        return a.json > b.json;
    });
    return entries;
}

std::optional<std::string> NewestOfDevice(const std::vector<RecordEntry>& entries,
                                          const std::string& deviceKey) {
    std::vector<const RecordEntry*> device;
    for (const RecordEntry& entry : entries)
        if ((entry.problem == ReadProblem::None || entry.problem == ReadProblem::Edited) &&
            DeviceKey(entry.record) == deviceKey)
            device.push_back(&entry);
    if (device.empty()) return std::nullopt;
    // Newest first; of records with the same time (one millisecond) the one
    // no other names as its previous is the newer.
    const std::string& newest = device.front()->record.timeUtc;
    for (const RecordEntry* candidate : device) {
        if (candidate->record.timeUtc != newest) break;
        const bool named = std::any_of(device.begin(), device.end(), [&](const RecordEntry* e) {
            return e->record.previous == candidate->sha256;
        });
        if (!named) return candidate->sha256;
    }
    return device.front()->sha256;
}

WriteResult WriteRecord(const std::string& folder, Record& record) {
    WriteResult result;
    std::error_code ec;
    fs::create_directories(PathFromUtf8(folder), ec);
    if (ec) {
        result.problem = "папка «" + folder + "» не создаётся: " + ec.message();
        return result;
    }
    record.previous = NewestOfDevice(ListRecords(folder), DeviceKey(record));
    const std::string json = RecordJsonText(record);
    const std::string sha256 = Sha256Hex(json);
    const std::string html = RecordHtml(record, sha256);
    const std::string stem = RecordStem(record);
    for (int n = 1; n <= kMostStems; ++n) {
        const std::string name = n == 1 ? stem : stem + "-" + std::to_string(n);
        const std::string jsonFile = JoinPath(folder, name + ".json");
        const std::string htmlFile = JoinPath(folder, name + ".html");
        std::error_code ignored;
        if (fs::exists(PathFromUtf8(jsonFile), ignored) ||
            fs::exists(PathFromUtf8(htmlFile), ignored))
            continue;
        const auto jsonTemporary = WriteTemporary(jsonFile, json, result.problem);
        if (!jsonTemporary) return result;
        const auto htmlTemporary = WriteTemporary(htmlFile, html, result.problem);
        if (!htmlTemporary) {
            fs::remove(PathFromUtf8(*jsonTemporary), ignored);
            return result;
        }
        const Placed placedJson = PlaceFile(*jsonTemporary, jsonFile, result.problem);
        const Placed placedHtml = placedJson == Placed::Done
                                      ? PlaceFile(*htmlTemporary, htmlFile, result.problem)
                                      : Placed::Taken;
        if (placedJson == Placed::Done && placedHtml == Placed::Done) {
            result.files = WrittenFiles{jsonFile, htmlFile, sha256};
            return result;
        }
        // Both or neither: what was placed goes again.
        if (placedJson == Placed::Done) fs::remove(PathFromUtf8(jsonFile), ignored);
        fs::remove(PathFromUtf8(*jsonTemporary), ignored);
        fs::remove(PathFromUtf8(*htmlTemporary), ignored);
        if (placedJson == Placed::Failed || placedHtml == Placed::Failed) return result;
        // A name taken meanwhile: the next one.
    }
    result.problem = "в папке «" + folder + "» заняты все имена «" + stem + "…»";
    return result;
}

}  // namespace hk::records
