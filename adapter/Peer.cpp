// A second adapter through a null-modem cable: 7-bit frames read as 8N1
// both ways, then the controller's address sequence with the second adapter
// checking parity.

#include <algorithm>
#include <cmath>
#include <set>

#include "adapter/Depths.h"

namespace hk::adapter::detail {
namespace {

constexpr std::uint8_t kAddressByte = 0x05;
constexpr int kAddressPauseMs = 50;
constexpr std::size_t kSevenBitBytes = 16;
// The data bytes after the switch cover this much time: a switch later
// than it shows as one that never came.
constexpr double kSwitchWindowMs = 100;
constexpr std::size_t kFewestDataBytes = 8;
constexpr std::size_t kMostDataBytes = 2048;
// What a read may wait beyond the bytes' own time.
constexpr int kReadSlackMs = 200;

constexpr Parity kParities[] = {Parity::Mark, Parity::Space, Parity::Even, Parity::Odd};

std::uint8_t SevenBitByte(std::size_t i) { return static_cast<std::uint8_t>((i * 37 + 5) & 0x7F); }

// One character as the receiver took it: with parity checked, whether it
// was marked.
struct Character {
    std::uint8_t value;
    bool marked;
};

// Takes the characters out of the bytes of a read with parity marks
// (FF 00 b: b failed; FF FF: FF); an unfinished mark stays in `raw`.
void TakeCharacters(std::vector<std::uint8_t>& raw, std::vector<Character>& out) {
    std::size_t i = 0;
    while (i < raw.size()) {
        if (raw[i] != 0xFF) {
            out.push_back({raw[i++], false});
        } else if (i + 1 >= raw.size()) {
            break;
        } else if (raw[i + 1] == 0xFF) {
            out.push_back({0xFF, false});
            i += 2;
        } else if (i + 2 >= raw.size()) {
            break;
        } else {
            out.push_back({raw[i + 2], true});
            i += 3;
        }
    }
    raw.erase(raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(i));
}

// Up to `count` characters, for at most `limitMs`.
std::vector<Character> ReadCharacters(SerialLine& line, std::size_t count, int limitMs,
                                      bool marked, Steps& steps) {
    std::vector<Character> chars;
    std::vector<std::uint8_t> raw;
    const std::int64_t end = steps.Now() + limitMs;
    while (chars.size() < count) {
        const std::int64_t left = end - steps.Now();
        if (left <= 0) break;
        const std::vector<std::uint8_t> got =
            ReadFor(line, count - chars.size(), static_cast<int>(left));
        if (got.empty()) break;
        if (!marked) {
            for (std::uint8_t b : got) chars.push_back({b, false});
            continue;
        }
        raw.insert(raw.end(), got.begin(), got.end());
        TakeCharacters(raw, chars);
    }
    return chars;
}

const char* ReplacementWord(Parity p) {
    switch (p) {
        case Parity::Mark:
            return "as-mark";
        case Parity::Space:
            return "as-space";
        case Parity::Even:
            return "as-even";
        case Parity::Odd:
            return "as-odd";
        case Parity::None:
            break;
    }
    return "garbled";
}

// 7-bit frames with `parity` from `from`, read at 8N1 by `to`: the eighth
// bit of each is the parity bit that went out.
CheckRow SevenBitFrames(SerialLine& from, SerialLine& to, Parity parity, int baud, Steps& steps,
                        bool& sevenBitsRefused) {
    CheckRow row;
    const LineParams sent = Setting(baud, 7, parity);
    row.setting = FormText(sent);
    if (!from.SetParams(sent) && from.HeldParams().ByteSize != 7) {
        sevenBitsRefused = true;
        row.ok = false;
        row.word = "refused";
        row.text = "7 бит данных не принимает";
        return row;
    }
    to.SetParams(Setting(baud, 8, Parity::None));
    to.SetParityCheck(false);
    steps.Settle();  // a change that reaches the chip late is not what this step looks at
    to.PurgeRx();
    const double characterMs = CharacterMs(sent);
    const int gap = static_cast<int>(std::ceil(characterMs)) + 1;
    for (std::size_t i = 0; i < kSevenBitBytes; ++i) {
        const std::uint8_t b = SevenBitByte(i);
        from.Write(&b, 1);
        steps.Sleep(gap);  // an idle line after each frame, whatever its length
    }
    const std::vector<std::uint8_t> got = ReadFor(
        to, kSevenBitBytes, kReadSlackMs + static_cast<int>(characterMs * kSevenBitBytes));
    if (got.empty()) {
        row.ok = false;
        row.word = "nothing";
        row.text = "ничего не пришло";
        return row;
    }
    bool whole = got.size() == kSevenBitBytes;
    for (std::size_t i = 0; i < got.size(); ++i) whole = whole && (got[i] & 0x7F) == SevenBitByte(i);
    // Which parity the eighth bits follow.
    const auto follows = [&](Parity p) {
        for (std::size_t i = 0; i < got.size(); ++i)
            if ((got[i] >> 7) != ParityBitOf(p, SevenBitByte(i), 7)) return false;
        return true;
    };
    row.ok = false;
    if (!whole) {
        row.word = "garbled";
        row.text = "искажает: пришло " + std::to_string(got.size()) + " из " +
                   std::to_string(kSevenBitBytes) + " байт, не все совпали";
    } else if (follows(parity)) {
        row.ok = true;
        row.word = "passes";
        row.text = "передаёт";
    } else {
        row.word = "garbled";
        row.text = "искажает: бит чётности не следует ни одной чётности";
        for (Parity other : kParities)
            if (follows(other)) {
                row.word = ReplacementWord(other);
                row.text = std::string("заменяет на ") + ParityName(other);
            }
    }
    return row;
}

// The four parities one way; a sender whose eighth bit is always 1 sends
// no parity bit at all: that 1 is its stop bit.
std::vector<CheckRow> OneWay(SerialLine& from, const std::string& fromName, SerialLine& to,
                             const std::string& toName, int baud, Steps& steps,
                             bool& sevenBitsRefused) {
    std::vector<CheckRow> rows;
    for (Parity parity : kParities) {
        if (!steps.Go()) break;
        steps.Progress(fromName + " → " + toName + ": кадры 7 бит, " + ParityName(parity));
        rows.push_back(SevenBitFrames(from, to, parity, baud, steps, sevenBitsRefused));
        if (!steps.Alive(from, fromName) || !steps.Alive(to, toName) || sevenBitsRefused) break;
    }
    const bool allOnes = rows.size() == 4 && std::all_of(rows.begin(), rows.end(), [](const CheckRow& r) {
        return r.word == "as-mark" || (r.word == "passes" && r.setting.find('M') != std::string::npos);
    });
    for (CheckRow& row : rows) {
        if (allOnes) {
            row.ok = false;
            row.word = "not-sent";
            row.text = "не передаёт: на месте бита чётности приходит стоповый бит";
        }
        row.setting = fromName + " → " + toName + ", " + row.setting;
    }
    return rows;
}

struct SequenceFound {
    std::optional<int> lateChars;
    double characterMs = 0;
};

// The controller's sequence from `line`: the address byte with address
// parity, the pause, the switch, data bytes at once; `peer` reads them with
// data parity checked (or, where it cannot mark errors, as 7-bit frames at
// 8N1): which characters still carry the address parity.
CheckRow Sequence(SerialLine& line, SerialLine& peer, int baud, Parity addressParity,
                  Parity dataParity, bool checked, Steps& steps, SequenceFound& found) {
    const int bits = checked ? 8 : 7;
    const LineParams address = Setting(baud, bits, addressParity);
    const LineParams data = Setting(baud, bits, dataParity);
    CheckRow row;
    row.setting = std::string(addressParity == Parity::Mark ? "МЦП" : "МПИ") + " (" +
                  ParityName(addressParity) + " → " + ParityName(dataParity) + "), " +
                  std::to_string(baud) + " бод";
    found.characterMs = CharacterMs(data);
    const std::size_t dataCount = std::clamp<std::size_t>(
        static_cast<std::size_t>(std::ceil(kSwitchWindowMs / found.characterMs)), kFewestDataBytes,
        kMostDataBytes);
    std::vector<std::uint8_t> sent(1 + dataCount);
    sent[0] = kAddressByte;
    for (std::size_t j = 1; j < sent.size(); ++j)
        sent[j] = static_cast<std::uint8_t>((j * 53 + 17) & (checked ? 0xFF : 0x7F));

    // The port stands at data parity, as after the controller's previous
    // exchange; the switch to address parity comes right before the byte,
    // as the probe makes it.
    peer.SetParams(checked ? data : Setting(baud, 8, Parity::None));
    peer.SetParityCheck(checked);
    line.SetParams(data);
    steps.Settle();
    line.PurgeRx();
    peer.PurgeRx();
    line.SetParams(address);
    line.Write(sent.data(), 1);
    steps.Sleep(kAddressPauseMs);
    line.SetParams(data);
    line.Write(sent.data() + 1, dataCount);
    const std::vector<Character> got =
        ReadCharacters(peer, sent.size(),
                       kReadSlackMs + static_cast<int>(found.characterMs * 2 *
                                                       static_cast<double>(sent.size())),
                       checked, steps);
    peer.SetParityCheck(false);

    // A character carries the address parity: checked against data parity
    // it is marked; at 8N1 its eighth bit is the address parity's.
    const auto addressed = [&](std::size_t i) {
        if (checked) return got[i].marked;
        return (got[i].value >> 7) == ParityBitOf(addressParity, sent[i], 7);
    };
    bool whole = got.size() == sent.size();
    for (std::size_t i = 0; i < got.size() && whole; ++i)
        whole = (checked ? got[i].value : (got[i].value & 0x7F)) == sent[i];
    row.ok = false;
    if (got.empty()) {
        row.word = "nothing";
        row.text = "ничего не пришло";
        return row;
    }
    if (!whole) {
        row.word = "garbled";
        row.text = "искажает: пришло " + std::to_string(got.size()) + " из " +
                   std::to_string(sent.size()) + " байт, не все совпали";
        return row;
    }
    std::size_t late = 0;
    while (late < dataCount && addressed(1 + late)) ++late;
    for (std::size_t j = 1 + late; j < got.size(); ++j)
        if (addressed(j)) {
            row.word = "garbled";
            row.text = "искажает: адресный бит то есть, то нет в байтах данных";
            return row;
        }
    const std::string lateText =
        TimeText(static_cast<double>(late) * found.characterMs, found.characterMs);
    if (late == dataCount) {
        row.word = "not-switched";
        row.text = "байты данных уходят с адресным битом: чётность не переключилась за " +
                   std::to_string(std::lround(static_cast<double>(dataCount) * found.characterMs)) +
                   " мс";
        return row;
    }
    if (!addressed(0)) {
        // Switched late both ways: the address byte still went with data
        // parity, the first data bytes with address parity; or the switch
        // landed on the address byte in flight.
        row.word = late > 0 ? "late" : "address-as-data";
        row.text = std::string("адресный байт ушёл с чётностью данных (") +
                   ParityName(dataParity) + ")" +
                   (late > 0 ? ": переключение " + lateText + " — и после байта " +
                                   (late == 1 ? std::string("первый байт данных ушёл")
                                              : "первые " + std::to_string(late) +
                                                    " байт данных ушли") +
                                   " с адресным битом"
                             : ": переключение легло на него");
        if (late > 0) found.lateChars = static_cast<int>(late);
        return row;
    }
    found.lateChars = static_cast<int>(late);
    if (late == 0) {
        row.ok = true;
        row.word = "passes";
        row.text = "переключение вовремя";
    } else {
        row.word = "late";
        row.text = "переключение " + lateText;
    }
    return row;
}

MarkSpaceFinding FindingOfRows(const std::vector<CheckRow>& rows) {
    if (rows.size() < 2) return MarkSpaceFinding::Garbled;
    const std::string& mark = rows[0].word;
    const std::string& space = rows[1].word;
    if (mark == "not-sent") return MarkSpaceFinding::NotSent;
    if (mark == "passes" && space == "passes") return MarkSpaceFinding::Sent;
    if (mark == "as-space" || space == "as-mark") return MarkSpaceFinding::AsSpace;
    if (mark == "as-odd") return MarkSpaceFinding::AsOdd;
    if (mark == "as-even") return MarkSpaceFinding::AsEven;
    return MarkSpaceFinding::Garbled;
}

}  // namespace

DepthResult Peer(SerialLine& line, const std::string& portName, SerialLine& peer,
                 const std::string& peerName, int baudRate, Steps& steps, Findings& found) {
    DepthResult result;
    result.depth = CheckDepth::Peer;
    result.title = "Второй адаптер " + peerName + " через нуль-модемный кабель, " +
                   std::to_string(baudRate) + " бод";
    bool sevenBitsRefused = false;
    std::vector<CheckRow> there =
        OneWay(line, portName, peer, peerName, baudRate, steps, sevenBitsRefused);
    if (steps.Ended() != Ending::None) return result;
    if (!sevenBitsRefused && std::all_of(there.begin(), there.end(), [](const CheckRow& r) {
            return r.word == "nothing";
        })) {
        steps.NoWiring("второй адаптер " + peerName + " ничего не принял от " + portName +
                       ": нуль-модемный кабель подключён к обоим адаптерам (TX одного к RX "
                       "другого)? Соедините их и начните проверку снова.");
        return result;
    }
    result.rows.insert(result.rows.end(), there.begin(), there.end());
    if (!sevenBitsRefused) {
        found.peer = FindingOfRows(there);
        bool peerRefused = false;
        for (CheckRow& row :
             OneWay(peer, peerName, line, portName, baudRate, steps, peerRefused)) {
            row.aboutPeer = true;
            result.rows.push_back(row);
        }
        if (steps.Ended() != Ending::None) return result;
    }

    const bool checked = peer.SetParityCheck(true);
    peer.SetParityCheck(false);
    std::set<int> speeds = {ControllerBaudRates().front(), baudRate};
    for (int baud : speeds)
        for (const auto& [address, data] :
             {std::pair{Parity::Mark, Parity::Space}, std::pair{Parity::Even, Parity::Odd}}) {
            if (!steps.Go()) return result;
            steps.Progress(portName + " → " + peerName + ": адресный байт " + ParityName(address) +
                           ", " + std::to_string(baud) + " бод");
            SequenceFound seq;
            CheckRow row = Sequence(line, peer, baud, address, data, checked, steps, seq);
            if (!steps.Alive(line, portName) || !steps.Alive(peer, peerName)) return result;
            if (row.word == "nothing" && sevenBitsRefused && result.rows.size() == 1) {
                steps.NoWiring("второй адаптер " + peerName + " ничего не принял от " + portName +
                               ": нуль-модемный кабель подключён к обоим адаптерам?");
                return result;
            }
            if (address == Parity::Mark && baud == baudRate && seq.lateChars) {
                found.switchLateChars = *seq.lateChars;
                found.switchLateMs =
                    static_cast<int>(std::lround(*seq.lateChars * seq.characterMs));
            }
            if (address == Parity::Mark && baud == baudRate && sevenBitsRefused)
                found.peer = row.ok ? MarkSpaceFinding::Sent : MarkSpaceFinding::Garbled;
            result.rows.push_back(row);
        }
    result.notes.push_back(
        "Кадры 7 бит с чётностью второй адаптер читает как 8N1: бит чётности приходит восьмым "
        "битом данных и сверяется бит в бит.");
    if (!checked)
        result.notes.push_back(
            "Второй адаптер не отмечает ошибки чётности на этой системе: адресная "
            "последовательность проверена кадрами 7 бит.");
    return result;
}

}  // namespace hk::adapter::detail
