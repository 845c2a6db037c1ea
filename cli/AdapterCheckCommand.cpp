// hayeskvd-cli adapter-check: «Проверка адаптера» from the command line.
// The report goes to standard output (every row, then the summary line), or
// one JSON object with --json; a check that found the adapter wanting, or
// could not run, says so on standard error too. The verdict is kept with
// the adapter in HayesKvd.ini, as the window keeps it.

#include <nlohmann/json.hpp>

#include "base/Interruption.h"
#include "base/LocalTime.h"
#include "cli/CliSession.h"
#include "cli/JsonLine.h"
#include "link/Port.h"
#include "link/SystemLine.h"
#include "ports/AdapterIdentity.h"
#include "ports/KeptAdapterChecks.h"

namespace hk::cli {
namespace {

constexpr int kDefaultCheckBaud = 9600;

const char* DepthWord(CheckDepth depth) {
    switch (depth) {
        case CheckDepth::ReadBack:
            return "readback";
        case CheckDepth::Loopback:
            return "loopback";
        case CheckDepth::Peer:
            return "peer";
    }
    return "";
}

const char* OutcomeWord(adapter::CheckOutcome outcome) {
    switch (outcome) {
        case adapter::CheckOutcome::Passed:
            return "passed";
        case adapter::CheckOutcome::Faulty:
            return "faulty";
        case adapter::CheckOutcome::NoWiring:
            return "no-wiring";
        case adapter::CheckOutcome::PortFailed:
            return "port-failed";
        case adapter::CheckOutcome::Stopped:
            return "stopped";
    }
    return "";
}

int OutcomeStatus(adapter::CheckOutcome outcome) {
    switch (outcome) {
        case adapter::CheckOutcome::Passed:
            return kExitOk;
        case adapter::CheckOutcome::Faulty:
            return kExitAdapterFaulty;
        case adapter::CheckOutcome::NoWiring:
            return kExitNoWiring;
        case adapter::CheckOutcome::PortFailed:
            return kExitPortNotOpened;
        case adapter::CheckOutcome::Stopped:
            break;
    }
    return kExitFailed;
}

Json AdapterJson(const AdapterIdentity& id, const std::string& key) {
    Json a;
    a["key"] = key;
    a["title"] = AdapterTitle(id);
    a["driver"] = id.driver;
    a["vendorId"] = id.vendorId;
    a["productId"] = id.productId;
    a["serial"] = id.serial;
    a["interface"] = id.interfaceNumber >= 0 ? Json(id.interfaceNumber) : Json();
    return a;
}

Json DepthsJson(const std::vector<adapter::DepthResult>& depths) {
    Json all = Json::array();
    for (const adapter::DepthResult& d : depths) {
        Json& one = all.emplace_back();
        one["depth"] = DepthWord(d.depth);
        one["title"] = d.title;
        Json rows = Json::array();
        for (const adapter::CheckRow& r : d.rows) {
            Json& row = rows.emplace_back();
            row["setting"] = r.setting;
            row["verdict"] = r.word;
            row["text"] = r.text;
            row["ok"] = r.ok;
            row["peer"] = r.aboutPeer;
        }
        one["rows"] = std::move(rows);
        one["notes"] = d.notes;
    }
    return all;
}

// A message box breaks its lines at CR; on a terminal every line is its own.
std::string Lines(std::string text) {
    for (char& c : text)
        if (c == '\r') c = '\n';
    return text;
}

}  // namespace

int CliSession::AdapterCheck() {
    adapter::CheckRequest request;
    request.port = args_.port;
    request.peerPort = args_.peerPort;
    request.depth = !args_.peerPort.empty() ? CheckDepth::Peer
                    : args_.loopback        ? CheckDepth::Loopback
                                            : CheckDepth::ReadBack;
    request.baudRate = args_.speedIndex
                           ? BaudRates[static_cast<std::size_t>(*args_.speedIndex)]
                           : kDefaultCheckBaud;
    const AdapterIdentity identity = IdentifyPortAdapter(args_.port, places_.settingsDir);
    const std::string key = AdapterKey(identity, args_.port);
    adapter::CheckContext context{
        lineMaker_ ? lineMaker_
                   : adapter::LineMaker([this](const std::string&) {
                         return MakeSystemLine(places_.settingsDir);
                     }),
        clock_, LocalDateText(SystemWallMs())};
    // A signal ends the check at its next step, as "Выход" would.
    context.stop = [this] {
        Checkpoint();
        return StopTaken();
    };
    context.progress = [this](const std::string& text) { Say(text); };
    const adapter::AdapterReport report = adapter::CheckAdapter(request, identity, context);

    if (report.outcome == adapter::CheckOutcome::Stopped)
        return Interrupted("проверка адаптера прервана: для адаптера ничего не сохранено");
    std::string keptError;
    bool kept = false;
    if (report.kept) {
        kept = KeepAdapterCheck(places_.dataDir + kKeptChoicesFileName, key, *report.kept,
                                keptError);
        if (!kept)
            keptError = "итог проверки не сохранён в файл «" + places_.dataDir +
                        kKeptChoicesFileName + "»: " + keptError;
    }
    const int status = OutcomeStatus(report.outcome);
    if (args_.json) {
        Json result;
        result["result"] = status == kExitOk ? "ok" : "error";
        result["status"] = status;
        result["port"] = request.port;
        result["peer"] = request.peerPort.empty() ? Json() : Json(request.peerPort);
        result["depth"] = DepthWord(request.depth);
        result["verdict"] = OutcomeWord(report.outcome);
        result["adapter"] = AdapterJson(identity, key);
        result["depths"] = DepthsJson(report.depths);
        result["summary"] = report.summary;
        if (!report.message.empty()) result["message"] = Lines(report.message);
        result["kept"] = kept ? Json(report.kept->Text()) : Json();
        if (!keptError.empty()) result["keptError"] = keptError;
        out_ << JsonLine(result) << '\n';
    } else if (report.Verdict()) {
        out_ << report.Text() << '\n';
    }
    if (!report.Verdict())
        err_ << "hayeskvd-cli: " << Lines(report.message) << '\n';
    else if (status != kExitOk)
        err_ << "hayeskvd-cli: " << report.summary << '\n';
    if (!keptError.empty()) err_ << "hayeskvd-cli: " << keptError << '\n';
    return status;
}

}  // namespace hk::cli
