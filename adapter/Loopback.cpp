// The loopback plug: blocks at each parity timed against the block without
// parity, and the controller's address sequence with the moment its byte
// came back.

#include <algorithm>
#include <cmath>

#include "adapter/Depths.h"

namespace hk::adapter::detail {
namespace {

// The network number 5 as the address byte, and the controller's pause
// after it before the switch to data parity.
constexpr std::uint8_t kAddressByte = 0x05;
constexpr int kAddressPauseMs = 50;
// A block long enough for the parity bit's 10 % to stand clear of a USB
// adapter's latency (up to 16 ms): 1/20 s worth of bits, at least 32 bytes.
constexpr int kBlockSecondFraction = 20;
constexpr std::size_t kShortestBlock = 32;
constexpr std::size_t kLongestBlock = 4096;
// The drain returned early when the last byte came back this much after it
// (two characters, or a USB adapter's latency).
constexpr double kDrainLatencyMs = 20;

std::vector<std::uint8_t> Block(std::size_t n) {
    std::vector<std::uint8_t> block(n);
    for (std::size_t i = 0; i < n; ++i) block[i] = static_cast<std::uint8_t>(i * 73 + 29);
    return block;
}

struct BlockRun {
    std::size_t back = 0;   // bytes that came back
    std::size_t wrong = 0;  // of them, not the ones sent
    std::int64_t totalMs = 0;       // from the write to the last byte back
    std::int64_t afterWriteMs = 0;  // from the write's return to the last byte back
};

BlockRun SendBlock(SerialLine& line, const LineParams& params,
                   const std::vector<std::uint8_t>& block, Steps& steps) {
    BlockRun run;
    line.SetParams(params);  // what it does not hold, the read-back has named
    steps.Settle();
    line.PurgeRx();
    const std::int64_t start = steps.Now();
    line.Write(block);
    const std::int64_t written = steps.Now();
    const double wireMs = CharacterMs(params) * static_cast<double>(block.size());
    const std::vector<std::uint8_t> back =
        ReadFor(line, block.size(), static_cast<int>(wireMs * 2) + 500);
    const std::int64_t done = steps.Now();
    run.back = back.size();
    for (std::size_t i = 0; i < back.size(); ++i) run.wrong += back[i] != block[i];
    run.totalMs = done - start;
    run.afterWriteMs = done - written;
    return run;
}

std::string BlockText(std::size_t n, std::int64_t ms) {
    return "блок " + std::to_string(n) + " байт за " + std::to_string(ms) + " мс";
}

// The address byte with address parity, the pause, the switch: when the
// byte came back against the switch.
CheckRow AddressSequence(SerialLine& line, int baud, Steps& steps, std::optional<double>& margin,
                         double& characterMs) {
    const LineParams mark = Setting(baud, 8, Parity::Mark);
    characterMs = CharacterMs(mark);
    CheckRow row;
    row.setting = "адресный байт, " + std::to_string(baud) + " бод";
    line.SetParams(Setting(baud, 8, Parity::Space));
    steps.Settle();
    line.PurgeRx();
    line.SetParams(mark);
    line.Write(&kAddressByte, 1);
    const std::int64_t written = steps.Now();
    // Read during the pause, so that the byte's return is seen when it comes.
    std::vector<std::uint8_t> back = ReadFor(line, 1, kAddressPauseMs);
    std::int64_t came = steps.Now();
    steps.Sleep(static_cast<int>(written + kAddressPauseMs - steps.Now()));
    const std::int64_t switched = steps.Now();
    line.SetParams(Setting(baud, 8, Parity::Space));
    if (back.empty()) {
        back = ReadFor(line, 1, static_cast<int>(characterMs * 2) + 200);
        came = steps.Now();
    }
    if (back.empty()) {
        row.ok = false;
        row.word = "nothing";
        row.text = "не вернулся";
    } else if (back[0] != kAddressByte) {
        row.ok = false;
        row.word = "garbled";
        row.text = "вернулся искажённым";
    } else {
        margin = static_cast<double>(switched - came);
        if (*margin > 0) {
            row.word = "passes";
            row.text = "запас до переключения " + TimeText(*margin, characterMs);
        } else {
            row.ok = false;
            row.word = "late-byte";
            row.text = "байт вернулся через " + TimeText(-*margin, characterMs) +
                       " после переключения: переключение легло на адресный байт";
        }
    }
    return row;
}

}  // namespace

DepthResult Loopback(SerialLine& line, const std::string& portName, int baudRate, Steps& steps,
                     Findings& found) {
    DepthResult result;
    result.depth = CheckDepth::Loopback;
    result.title = "Петля TX–RX на разъёме адаптера, " + std::to_string(baudRate) + " бод";
    const std::size_t n = std::clamp<std::size_t>(
        static_cast<std::size_t>(baudRate / kBlockSecondFraction), kShortestBlock, kLongestBlock);
    const std::vector<std::uint8_t> block = Block(n);

    if (!steps.Go()) return result;
    steps.Progress("Петля: блок " + std::to_string(n) + " байт без чётности");
    const LineParams plain = Setting(baudRate, 8, Parity::None);
    const BlockRun reference = SendBlock(line, plain, block, steps);
    if (!steps.Alive(line, portName)) return result;
    if (reference.back == 0) {
        steps.NoWiring("нет петли: перемычка TX–RX не установлена? Блок из " + std::to_string(n) +
                       " байт, отправленный при 8N1, не вернулся. Соедините на разъёме адаптера "
                       "TX с RX (DB-9: контакты 2 и 3) и начните проверку снова.");
        return result;
    }
    CheckRow ref;
    ref.setting = "8N1 (без чётности)";
    if (reference.back == n && reference.wrong == 0) {
        ref.word = "passes";
        ref.text = BlockText(n, reference.totalMs);
    } else {
        ref.ok = false;
        ref.word = "garbled";
        ref.text = "искажает: вернулось " + std::to_string(reference.back) + " из " +
                   std::to_string(n) + " байт, не совпали " + std::to_string(reference.wrong);
    }
    result.rows.push_back(ref);

    const double characterMs = CharacterMs(plain);
    CheckRow drain;
    drain.setting = "ожидание отправки";
    if (static_cast<double>(reference.afterWriteMs) > std::max(2 * characterMs, kDrainLatencyMs)) {
        found.drainEarly = true;
        drain.ok = false;
        drain.word = "early";
        drain.text = "запись возвращается раньше, чем байты ушли: последний байт вернулся через " +
                     TimeText(static_cast<double>(reference.afterWriteMs), characterMs) +
                     " после неё (смена настроек ляжет на байты в пути)";
    } else {
        drain.word = "passes";
        drain.text = "запись возвращается, когда байты ушли";
    }
    result.rows.push_back(drain);

    // Each parity against the block without: one bit more a byte.
    const double extraMs = 1000.0 * static_cast<double>(n) / baudRate;
    bool markSpaceSent = true, markSpaceGarbled = false;
    for (const Parity parity : {Parity::Mark, Parity::Space, Parity::Even, Parity::Odd}) {
        if (!steps.Go()) return result;
        const LineParams p = Setting(baudRate, 8, parity);
        steps.Progress("Петля: блок " + std::to_string(n) + " байт, " + FormText(p));
        const BlockRun run = SendBlock(line, p, block, steps);
        if (!steps.Alive(line, portName)) return result;
        CheckRow row;
        row.setting = FormText(p);
        const bool markSpace = parity == Parity::Mark || parity == Parity::Space;
        if (run.back == 0) {
            row.ok = false;
            row.word = "nothing";
            row.text = "ничего не вернулось";
            markSpaceGarbled = markSpaceGarbled || markSpace;
        } else if (run.back < n || run.wrong > 0) {
            row.ok = false;
            row.word = "garbled";
            row.text = "искажает: вернулось " + std::to_string(run.back) + " из " +
                       std::to_string(n) + " байт, не совпали " + std::to_string(run.wrong);
            markSpaceGarbled = markSpaceGarbled || markSpace;
        } else if (2.0 * static_cast<double>(run.totalMs - reference.totalMs) >= extraMs) {
            row.word = "passes";
            row.text = "передаёт: " + BlockText(n, run.totalMs) + ", без чётности " +
                       std::to_string(reference.totalMs) + " мс";
        } else {
            row.ok = false;
            row.word = "not-sent";
            row.text = "не передаёт: " + BlockText(n, run.totalMs) + ", как без чётности (" +
                       std::to_string(reference.totalMs) + " мс; с битом чётности около " +
                       std::to_string(std::lround(static_cast<double>(reference.totalMs) +
                                                  extraMs)) +
                       " мс)";
            markSpaceSent = markSpaceSent && !markSpace;
        }
        result.rows.push_back(row);
    }
    found.loopback = !markSpaceSent     ? MarkSpaceFinding::NotSent
                     : markSpaceGarbled ? MarkSpaceFinding::Garbled
                                        : MarkSpaceFinding::Sent;

    // The controller's own sequence, at each of its speeds.
    for (int baud : ControllerBaudRates()) {
        if (!steps.Go()) return result;
        steps.Progress("Петля: адресный байт, " + std::to_string(baud) + " бод");
        std::optional<double> margin;
        double byteMs = 0;
        result.rows.push_back(AddressSequence(line, baud, steps, margin, byteMs));
        if (!steps.Alive(line, portName)) return result;
        // The narrowest margin in characters is the one kept: at the
        // slowest speed, where a late byte costs the most.
        if (margin && (!found.marginChars || *margin / byteMs < *found.marginChars)) {
            found.marginMs = static_cast<int>(std::lround(*margin));
            found.marginChars = *margin / byteMs;
        }
    }
    result.notes.push_back(
        "С битом чётности кадр 11 бит, без него 10: адаптер, который его не передаёт, отправляет "
        "блок на 10 % быстрее.");
    result.notes.push_back(
        "Петля не видит, какой бит чётности ушёл: MARK, переданный как SPACE, и MARK/SPACE, "
        "переданные как ODD/EVEN, дают кадр той же длины; не видит и переключение, которое "
        "запаздывает (первые байты данных ушли бы ещё с адресным битом). Это проверяет второй "
        "адаптер через нуль-модемный кабель.");
    return result;
}

}  // namespace hk::adapter::detail
