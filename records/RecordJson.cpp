#include "records/RecordJson.h"

#include <nlohmann/json.hpp>

#include "records/Hex.h"
#include "records/LineDiff.h"
#include "records/Sha256.h"

namespace hk::records {
namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kSelfHash = "record_sha256";

std::string OneLine(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

Json TextOrNull(const std::string& text) { return text.empty() ? Json() : Json(text); }

template <typename T>
Json OrNull(const std::optional<T>& value) {
    return value ? Json(*value) : Json();
}

Json ImageJson(const std::optional<std::vector<std::uint8_t>>& image) {
    if (!image) return Json();
    Json j;
    j["hex"] = HexOf(*image);
    j["bytes"] = image->size();
    j["sha256"] = Sha256Hex(*image);
    j["lines"] = BufferLines(*image);
    return j;
}

Json FlagJson(const std::optional<std::array<std::uint8_t, 2>>& flag) {
    if (!flag) return Json();
    Json j;
    j["hex"] = HexOf(*flag);
    j["with_lines"] = FlagWithLines(*flag);
    return j;
}

Json DifferenceJson(const ChannelFacts& c, JobKind job) {
    Json changes = Json::array();
    // From the buffer as found to what the job left in it.
    const auto& to = job == JobKind::Write ? c.after : c.before;
    if (!c.before || !to) return changes;
    for (const LineChange& change : DiffLines(BufferLines(*c.before), BufferLines(*to))) {
        Json& one = changes.emplace_back();
        one["change"] = change.kind == LineChange::Kind::Removed ? "removed" : "added";
        one["line"] = change.line;
        one["text"] = change.text;
    }
    return changes;
}

Json ChannelJson(const ChannelFacts& c, JobKind job) {
    Json j;
    j["channel"] = c.tag;
    j["title"] = ChannelTitle(c.tag);
    j["control_parameter"] = ControlParameterName(c.controlChannel);
    j["before"] = ImageJson(c.before);
    j["written"] = ImageJson(c.written);
    j["after"] = ImageJson(c.after);
    j["flag_before"] = FlagJson(c.flagBefore);
    j["flag_after"] = FlagJson(c.flagAfter);
    j["difference"] = DifferenceJson(c, job);
    return j;
}

Json PortJson(const PortFacts& p) {
    Json j;
    j["name"] = p.name;
    j["device"] = TextOrNull(p.device);
    Json& a = j["adapter"];
    a["device"] = TextOrNull(p.adapter.device);
    a["by_id"] = TextOrNull(p.adapter.stablePath);
    a["name"] = TextOrNull(p.adapter.name);
    a["driver"] = TextOrNull(p.adapter.driver);
    a["usb"] = TextOrNull(p.adapter.usb);
    a["serial"] = TextOrNull(p.adapter.serial);
    a["interface"] = p.adapter.interfaceNumber < 0 ? Json() : Json(p.adapter.interfaceNumber);
    if (p.adapter.checkPassed) {
        a["check"] = {{"text", p.adapter.check}, {"passed", *p.adapter.checkPassed}};
    } else {
        a["check"] = nullptr;
    }
    Json& l = j["line"];
    l["baud"] = p.line.baudRate;
    l["data_bits"] = p.line.dataBits;
    l["stop_bits"] = p.line.stopBits;
    l["parity"] = p.line.parity;
    l["address_parity"] = TextOrNull(p.line.addressParity);
    l["link"] = p.line.link;
    return j;
}

Json ControllerJson(const std::optional<ControllerFacts>& c) {
    if (!c) return Json();
    Json j;
    j["number"] = c->number;
    j["speed"] = c->baudRate;
    j["protocol"] = c->protocol;
    j["crc"] = c->crcMode;
    j["channel"] = c->channel;
    j["kit"]["index"] = c->kitIndex;
    j["kit"]["title"] = c->kitTitle;
    if (c->identification) {
        const auto& w = *c->identification;
        j["identification"]["a"] = HexOf(std::span(w).first(2));
        j["identification"]["b"] = HexOf(std::span(w).last(2));
    } else {
        j["identification"] = Json();
    }
    if (c->status) {
        j["status"]["s0"] = HexOf(std::span(*c->status).first(1));
        j["status"]["s1"] = HexOf(std::span(*c->status).last(1));
    } else {
        j["status"] = Json();
    }
    return j;
}

Json ModemJson(const std::optional<ModemFacts>& m) {
    if (!m) return Json();
    Json j;
    j["list"]["file"] = TextOrNull(m->listFile);
    j["list"]["sha256"] = TextOrNull(m->listSha256);
    Json& lines = j["lines"] = Json::array();
    for (const ModemLineFacts& l : m->lines) {
        Json& one = lines.emplace_back();
        one["number"] = l.number;
        one["list_line"] = l.listLine;
        one["text"] = l.text;
        one["answer"] = TextOrNull(l.answer);
        one["verdict"] = l.verdict;
    }
    j["summary"] = m->runSummary;
    if (!m->checked) {
        j["check"] = Json();
        return j;
    }
    Json& settings = j["check"]["settings"] = Json::array();
    for (const ModemSettingFacts& s : m->settings) {
        Json& one = settings.emplace_back();
        one["setting"] = s.setting;
        one["profile"] = OrNull(s.profile);
        one["list"] = s.list;
        one["modem"] = OrNull(s.modem);
        one["verdict"] = s.verdict;
        one["line"] = s.line;
    }
    j["check"]["summary"] = m->checkSummary;
    return j;
}

Json OutcomeJson(const OutcomeFacts& o) {
    Json j;
    j["result"] = o.result;
    j["status"] = OrNull(o.status);
    j["code"] = OrNull(o.code);
    j["text"] = o.text;
    if (o.left) {
        Json& c = j["controller"];
        c["touched"] = o.left->touched;
        c["stopped"] = o.left->stopped;
        c["cancelled"] = o.left->cancelled;
        c["committed"] = o.left->committed;
        c["restarted"] = o.left->restarted;
        c["text"] = o.left->text;
    } else {
        j["controller"] = Json();
    }
    j["stopped_by"] = TextOrNull(o.stoppedBy);
    return j;
}

Json LogJson(const std::optional<LogExtent>& l) {
    if (!l) return Json();
    Json j;
    j["file"] = l->file;
    j["from"] = l->from;
    j["to"] = l->to;
    j["sha256"] = l->sha256;
    return j;
}

// Everything but record_sha256.
Json FactsJson(const Record& r) {
    Json j;
    j["schema"] = kRecordSchema;
    j["program"]["name"] = r.programName;
    j["program"]["version"] = r.programVersion;
    j["time_utc"] = r.timeUtc;
    j["time_local"] = r.timeLocal;
    j["operator"] = r.operatorName;
    j["job"] = JobName(r.job);
    j["port"] = PortJson(r.port);
    j["controller"] = ControllerJson(r.controller);
    Json& channels = j["channels"] = Json::array();
    for (const ChannelFacts& c : r.channels) channels.push_back(ChannelJson(c, r.job));
    j["modem"] = ModemJson(r.modem);
    j["outcome"] = OutcomeJson(r.outcome);
    j["log"] = LogJson(r.log);
    j["previous"] = r.previous ? Json(*r.previous) : Json();
    return j;
}

// --- Reading back -------------------------------------------------------------

// A field that is missing or of another kind: its path.
struct Missing {
    std::string path;
};

class Fields {
public:
    Fields(const Json& object, std::string path) : j_(object), path_(std::move(path)) {
        if (!j_.is_object()) throw Missing{path_};
    }
    const Json& At(const char* key) const {
        const auto it = j_.find(key);
        if (it == j_.end()) throw Missing{Path(key)};
        return *it;
    }
    Fields Object(const char* key) const { return Fields(At(key), Path(key)); }
    bool IsNull(const char* key) const { return At(key).is_null(); }
    std::string Text(const char* key) const {
        const Json& v = At(key);
        if (!v.is_string()) throw Missing{Path(key)};
        return v.get<std::string>();
    }
    // A text that may be null (read as empty).
    std::string TextOrEmpty(const char* key) const {
        return IsNull(key) ? std::string() : Text(key);
    }
    template <typename T = int>
    T Number(const char* key) const {
        const Json& v = At(key);
        if (!v.is_number_integer()) throw Missing{Path(key)};
        return v.get<T>();
    }
    std::optional<int> NumberOrNull(const char* key) const {
        if (IsNull(key)) return std::nullopt;
        return Number(key);
    }
    bool Flag(const char* key) const {
        const Json& v = At(key);
        if (!v.is_boolean()) throw Missing{Path(key)};
        return v.get<bool>();
    }
    const Json& Array(const char* key) const {
        const Json& v = At(key);
        if (!v.is_array()) throw Missing{Path(key)};
        return v;
    }
    std::string Path(const char* key) const { return path_.empty() ? key : path_ + "." + key; }
    const std::string& Here() const { return path_; }

private:
    const Json& j_;
    std::string path_;
};

std::vector<std::uint8_t> HexField(const Fields& f, const char* key, std::size_t size = 0) {
    const auto bytes = BytesOfHex(f.Text(key));
    if (!bytes || (size != 0 && bytes->size() != size)) throw Missing{f.Path(key)};
    return *bytes;
}

std::optional<std::vector<std::uint8_t>> ImageOf(const Fields& f, const char* key) {
    if (f.IsNull(key)) return std::nullopt;
    return HexField(f.Object(key), "hex");
}

std::optional<std::array<std::uint8_t, 2>> FlagOf(const Fields& f, const char* key) {
    if (f.IsNull(key)) return std::nullopt;
    const auto bytes = HexField(f.Object(key), "hex", 2);
    return std::array<std::uint8_t, 2>{bytes[0], bytes[1]};
}

std::string Indexed(const std::string& path, std::size_t i) {
    return path + "[" + std::to_string(i) + "]";
}

PortFacts PortOf(const Fields& f) {
    PortFacts p;
    p.name = f.Text("name");
    p.device = f.TextOrEmpty("device");
    const Fields a = f.Object("adapter");
    p.adapter.device = a.TextOrEmpty("device");
    p.adapter.stablePath = a.TextOrEmpty("by_id");
    p.adapter.name = a.TextOrEmpty("name");
    p.adapter.driver = a.TextOrEmpty("driver");
    p.adapter.usb = a.TextOrEmpty("usb");
    p.adapter.serial = a.TextOrEmpty("serial");
    p.adapter.interfaceNumber = a.NumberOrNull("interface").value_or(-1);
    if (!a.IsNull("check")) {
        const Fields c = a.Object("check");
        p.adapter.check = c.Text("text");
        p.adapter.checkPassed = c.Flag("passed");
    }
    const Fields l = f.Object("line");
    p.line.baudRate = l.Number("baud");
    p.line.dataBits = l.Number("data_bits");
    p.line.stopBits = l.Number("stop_bits");
    p.line.parity = l.Text("parity");
    p.line.addressParity = l.TextOrEmpty("address_parity");
    p.line.link = l.Text("link");
    return p;
}

ControllerFacts ControllerOf(const Fields& f) {
    ControllerFacts c;
    c.number = f.Number("number");
    c.baudRate = f.Number("speed");
    c.protocol = f.Text("protocol");
    c.crcMode = f.Number("crc");
    c.channel = f.Text("channel");
    const Fields kit = f.Object("kit");
    c.kitIndex = kit.Number("index");
    c.kitTitle = kit.Text("title");
    if (!f.IsNull("identification")) {
        const Fields w = f.Object("identification");
        const auto a = HexField(w, "a", 2), b = HexField(w, "b", 2);
        c.identification = std::array<std::uint8_t, 4>{a[0], a[1], b[0], b[1]};
    }
    if (!f.IsNull("status")) {
        const Fields s = f.Object("status");
        const auto s0 = HexField(s, "s0", 1), s1 = HexField(s, "s1", 1);
        c.status = std::array<std::uint8_t, 2>{s0[0], s1[0]};
    }
    return c;
}

ChannelFacts ChannelOf(const Fields& f) {
    ChannelFacts c;
    c.tag = f.Text("channel");
    const std::string parameter = f.Text("control_parameter");
    if (parameter != ControlParameterName(0) && parameter != ControlParameterName(1))
        throw Missing{f.Path("control_parameter")};
    c.controlChannel = parameter == ControlParameterName(0) ? 0 : 1;
    c.before = ImageOf(f, "before");
    c.written = ImageOf(f, "written");
    c.after = ImageOf(f, "after");
    c.flagBefore = FlagOf(f, "flag_before");
    c.flagAfter = FlagOf(f, "flag_after");
    f.Array("difference");
    return c;
}

ModemFacts ModemOf(const Fields& f) {
    ModemFacts m;
    const Fields list = f.Object("list");
    m.listFile = list.TextOrEmpty("file");
    m.listSha256 = list.TextOrEmpty("sha256");
    const Json& lines = f.Array("lines");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const Fields l(lines[i], Indexed(f.Path("lines"), i));
        m.lines.push_back({l.Number("number"), l.Number("list_line"), l.Text("text"),
                           l.TextOrEmpty("answer"), l.Text("verdict")});
    }
    m.runSummary = f.Text("summary");
    if (f.IsNull("check")) return m;
    m.checked = true;
    const Fields check = f.Object("check");
    const Json& settings = check.Array("settings");
    for (std::size_t i = 0; i < settings.size(); ++i) {
        const Fields s(settings[i], Indexed(check.Path("settings"), i));
        m.settings.push_back({s.Text("setting"), s.NumberOrNull("profile"), s.Number("list"),
                              s.NumberOrNull("modem"), s.Text("verdict"), s.Number("line")});
    }
    m.checkSummary = check.Text("summary");
    return m;
}

OutcomeFacts OutcomeOf(const Fields& f) {
    OutcomeFacts o;
    o.result = f.Text("result");
    o.status = f.NumberOrNull("status");
    o.code = f.NumberOrNull("code");
    o.text = f.Text("text");
    if (!f.IsNull("controller")) {
        const Fields c = f.Object("controller");
        o.left = ControllerLeft{c.Flag("touched"),   c.Flag("stopped"),   c.Flag("cancelled"),
                                c.Flag("committed"), c.Flag("restarted"), c.Text("text")};
    }
    o.stoppedBy = f.TextOrEmpty("stopped_by");
    return o;
}

Record RecordOf(const Fields& f) {
    Record r;
    const Fields program = f.Object("program");
    r.programName = program.Text("name");
    r.programVersion = program.Text("version");
    r.timeUtc = f.Text("time_utc");
    r.timeLocal = f.Text("time_local");
    r.operatorName = f.Text("operator");
    const auto job = JobOfName(f.Text("job"));
    if (!job) throw Missing{"job"};
    r.job = *job;
    r.port = PortOf(f.Object("port"));
    if (!f.IsNull("controller")) r.controller = ControllerOf(f.Object("controller"));
    const Json& channels = f.Array("channels");
    for (std::size_t i = 0; i < channels.size(); ++i)
        r.channels.push_back(ChannelOf(Fields(channels[i], Indexed("channels", i))));
    if (!f.IsNull("modem")) r.modem = ModemOf(f.Object("modem"));
    r.outcome = OutcomeOf(f.Object("outcome"));
    if (!f.IsNull("log")) {
        const Fields l = f.Object("log");
        r.log = LogExtent{l.Text("file"), l.Number<std::uint64_t>("from"),
                          l.Number<std::uint64_t>("to"), l.Text("sha256")};
    }
    if (!f.IsNull("previous")) r.previous = f.Text("previous");
    return r;
}

// The first place where two values part, as a path ("channels[0].after.sha256").
std::string WhereTheyPart(const Json& a, const Json& b, const std::string& path) {
    if (a.type() != b.type()) return path;
    if (a.is_object()) {
        for (auto it = a.begin(); it != a.end(); ++it) {
            const std::string here = path.empty() ? it.key() : path + "." + it.key();
            const auto other = b.find(it.key());
            if (other == b.end()) return here;
            if (*it != *other) return WhereTheyPart(*it, *other, here);
        }
        for (auto it = b.begin(); it != b.end(); ++it)
            if (!a.contains(it.key())) return path.empty() ? it.key() : path + "." + it.key();
        return path;
    }
    if (a.is_array()) {
        for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
            if (a[i] != b[i]) return WhereTheyPart(a[i], b[i], Indexed(path, i));
        return Indexed(path, std::min(a.size(), b.size()));
    }
    return path;
}

}  // namespace

std::string RecordJsonText(const Record& record) {
    Json j = FactsJson(record);
    j[kSelfHash] = Sha256Hex(OneLine(j));
    return j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

ReadRecord ReadRecordJson(std::string_view text) {
    ReadRecord read;
    Json j = Json::parse(text.begin(), text.end(), nullptr, false);
    if (j.is_discarded()) {
        read.problem = ReadProblem::NotJson;
        read.message = "файл не JSON";
        return read;
    }
    const auto schema = j.is_object() ? j.find("schema") : j.end();
    if (!j.is_object() || schema == j.end() || !schema->is_string() ||
        schema->get<std::string>() != kRecordSchema) {
        read.problem = ReadProblem::OtherSchema;
        read.message = j.is_object() && schema != j.end() && schema->is_string()
                           ? "другая схема: «" + schema->get<std::string>() + "» вместо «" +
                                 kRecordSchema + "»"
                           : std::string("JSON без схемы «") + kRecordSchema + "»: не акт наладки";
        return read;
    }
    try {
        read.record = RecordOf(Fields(j, ""));
    } catch (const Missing& missing) {
        read.problem = ReadProblem::NotARecord;
        read.message = "нет поля «" + missing.path + "» или оно другого вида: акт неполон";
        return read;
    }
    const auto self = j.find(kSelfHash);
    if (self == j.end() || !self->is_string()) {
        read.problem = ReadProblem::NotARecord;
        read.message = std::string("нет поля «") + kSelfHash + "»: акт неполон";
        return read;
    }
    const std::string written = self->get<std::string>();
    j.erase(kSelfHash);
    if (Sha256Hex(OneLine(j)) != written) {
        read.problem = ReadProblem::Edited;
        read.message = std::string("акт изменён после записи: его хеш ") + kSelfHash +
                       " не сходится с содержимым";
        return read;
    }
    const Json made = FactsJson(read.record);
    if (made != j) {
        read.problem = ReadProblem::Edited;
        read.message = "акт изменён после записи: поле «" + WhereTheyPart(made, j, "") +
                       "» не сходится с данными акта";
    }
    return read;
}

}  // namespace hk::records
