#include "ports/SimulatedAdapterFile.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace hk {
namespace {

// A description is a few lines; anything longer is something else.
constexpr std::uintmax_t kLongestDescription = 4096;

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == ' ')) text.pop_back();
    std::size_t first = 0;
    while (first < text.size() && text[first] == ' ') ++first;
    return text.substr(first);
}

std::vector<std::string> Words(const std::string& list) {
    std::vector<std::string> words;
    std::size_t from = 0;
    while (from <= list.size()) {
        const std::size_t comma = list.find(',', from);
        const std::string word =
            Trimmed(list.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
        if (!word.empty()) words.push_back(word);
        if (comma == std::string::npos) break;
        from = comma + 1;
    }
    return words;
}

}  // namespace

std::optional<SimulatedAdapterFile> ReadSimulatedAdapterFile(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // A device node or a link to one is never read: opening a tty here
    // could block or disturb whoever holds it.
    if (!fs::is_regular_file(fs::symlink_status(path, ec)) ||
        fs::file_size(path, ec) > kLongestDescription || ec)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    bool headed = false;
    SimulatedAdapterFile adapter;
    while (std::getline(in, line)) {
        line = Trimmed(line);
        if (line.empty() || line[0] == '#') continue;
        if (!headed) {
            if (line != kSimulatedAdapterHeader) return std::nullopt;
            headed = true;
            continue;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string name = Trimmed(line.substr(0, eq));
        const std::string value = Trimmed(line.substr(eq + 1));
        if (name == "serial") {
            adapter.serial = value;
        } else if (name == "plug") {
            const std::size_t colon = value.find(':');
            adapter.plug = value.substr(0, colon);
            adapter.cable = colon == std::string::npos ? std::string() : value.substr(colon + 1);
        } else if (name == "faults") {
            adapter.faults = Words(value);
        }
    }
    if (!headed) return std::nullopt;
    return adapter;
}

std::string SimulatedAdapterFileText(const SimulatedAdapterFile& adapter) {
    std::string faults;
    for (const std::string& f : adapter.faults) faults += (faults.empty() ? "" : ",") + f;
    return "# A simulated USB adapter of kvard-sim (Проверка адаптера); removed when it ends.\n" +
           std::string(kSimulatedAdapterHeader) + "\nserial=" + adapter.serial +
           "\nplug=" + adapter.plug + (adapter.cable.empty() ? "" : ":" + adapter.cable) +
           "\nfaults=" + faults + "\n";
}

}  // namespace hk
