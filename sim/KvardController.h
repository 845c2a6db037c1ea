#pragma once
// A simulated КВАРД controller at the far end of the serial line, byte for
// byte: the traditional framing (Enq / Ready, the frame with its check byte,
// Ack / Nak and the answer block) or FT1.2 framing in one of the three CRC
// modes, the network-number selection by an address byte (the ninth bit
// carried by the parity), the echo of a current loop, the status word, the
// electronic key, the access password and write-unlock, the reprogramming
// buffer and the four kits' identification words, modem buffers and control
// parameters. Faults can be injected into its answers and its state.
//
// It answers only bytes that arrive at its own speed, and only when addressed
// by its own network number; its answers leave after the request has fully
// arrived (one character time per byte at its speed) plus a small turnaround,
// spaced one character time apart. The same object serves a SimLine (tests,
// virtual clock) and a PtyBridge (the demo, real time).
//
// Requests it knows (count byte omitted):
//   01 hh ll           read parameter: 40 00 status S0 S1, 40 1E / 41 1E the
//                      identification words, 40 04 / 41 04 the channels'
//                      control parameters, the buffer parameters of kits 2, 3
//   02 hh ll n         read n bytes of memory (the buffers of kits 0, 1)
//   05 40 07 x y       write-unlock for the next write
//   05 40 08 h l       access password (after an unlock with NOT h, NOT l)
//   05 hh ll data      write a parameter (unlock NOT hh, NOT ll)
//   06 hh ll data      write memory (unlock hh ll); kit 1 over FT1.2 carries a
//                      data count byte before the data
//   08 restart, 09 STOP, 0B end of exchange
//   0D A1 / A3 / A0    reprogramming: copy in, copy out (commit), cancel
// Writes of stored data are taken only between copy-in and copy-out/cancel,
// only after a matching write-unlock, only when the password (if any) has
// been given, and only within one buffer. Anything else is refused: Nak on
// the traditional framing, the single byte E5 on FT1.2 (A2 acknowledges a
// request without answer data there).

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim/SimPeer.h"

namespace hk::sim {

enum class KvardKit : std::uint8_t { Basic = 0, Minimal = 1, Expandable = 2, Kvard47 = 3 };
enum class KvardFraming : std::uint8_t { Traditional, Ft12 };

// Faults in the controller's next answers (see KvardController::Inject).
enum class KvardFault {
    Silence,        // the next request gets no answer at all
    Nak,            // the next request is refused (Nak; E5 on FT1.2)
    NoiseForReady,  // traditional: two seconds of noise instead of Ready
    ShortAnswer,    // the last byte of the next answer block or frame is missing
    BadCheckByte,   // the traditional check byte or the FT1.2 check sum is off by one
    BadCrc,         // FT1.2 CRC modes 1, 2: one bit of the CRC flipped
    BadEndByte,     // FT1.2 CRC modes 0, 1: end byte 17 instead of 16
    BadAddress,     // FT1.2: the answer carries another network number
    BadControl,     // FT1.2: the answer's control field is not 00
    LateAnswer,     // the answer to the next request leaves lateAnswerMs after it
};

struct KvardOptions {
    KvardKit kit = KvardKit::Basic;
    std::uint8_t netNumber = 0;  // 0: no address selection
    std::int32_t baudRate = 9600;
    int channel = 0;  // 0 МЦП: address bytes in mark parity; 1 МПИ: in even parity
    KvardFraming framing = KvardFraming::Traditional;
    int crcMode = 0;        // FT1.2: 0 none, 1 CRC in the data, 2 CRC instead of CS and end
    bool loopEcho = false;  // a current loop that returns every byte sent
    // A pseudo-terminal reports even parity as none: on channel МПИ with a
    // network number, a byte without parity then counts as an address byte.
    bool evenParityReadsAsNone = false;
    std::optional<std::uint16_t> password;  // access password required for writes
    int turnaroundMs = 3;                   // from the end of a request to the first answer byte
    int stopDelayMs = 300;                  // STOP until the controller reports itself stopped
    int copyDelayMs = 400;                  // copy-in / copy-out / cancel until the phase shows
    int blockDelayMs = 60;                  // a written block until bit 04 shows
    int lateAnswerMs = 1050;                // KvardFault::LateAnswer: request to answer
};

// One request frame the controller received intact, without count byte.
struct KvardRequest {
    std::vector<std::uint8_t> bytes;
    bool accepted = false;
    std::int64_t atMs = 0;
};

class KvardController final : public SimPeer {
public:
    static constexpr std::size_t kBufferSize = 128;

    explicit KvardController(KvardOptions options = {});

    void OnByte(std::uint8_t byte, const LineParams& params, PeerOutput& out) override;

    const KvardOptions& Options() const { return options_; }
    // How late KvardFault::LateAnswer makes an answer.
    void SetLateAnswerMs(int ms) { options_.lateAnswerMs = ms; }

    // The modem buffers in non-volatile memory, by index (0 = the kit's first
    // buffer): 2 for kits 0 and 3, 1 for kits 1 and 2. SetBuffer pads short
    // content with FF (erased memory).
    std::size_t BufferCount() const { return buffers_; }
    void SetBuffer(std::size_t index, std::span<const std::uint8_t> bytes);
    std::vector<std::uint8_t> Buffer(std::size_t index) const;
    // The bytes of modem lines as stored: each line followed by CR, then 00.
    static std::vector<std::uint8_t> ModemLines(const std::vector<std::string>& lines);
    // The control parameter of channel 0 (40 04) or 1 (41 04).
    std::array<std::uint8_t, 2> ControlParameter(int channel) const;
    void SetControlParameter(int channel, std::array<std::uint8_t, 2> value);
    void SetIdentification(std::array<std::uint8_t, 2> a, std::array<std::uint8_t, 2> b);

    // The status word as the next status read would report it at `nowMs`.
    std::uint8_t S0() const;
    std::uint8_t S1(std::int64_t nowMs);
    // S1 bits 3, 4: 00 running, 08 stopped, 10 and 18 other states.
    void SetRunState(std::uint8_t state) {
        runState_ = state & kRunStateMask;
        stopAt_.reset();  // a STOP still under way is overtaken
    }
    // The key reads as missing for the next `polls` status reads (< 0: until
    // SetKeyMissing(0)).
    void SetKeyMissing(int polls) { keyMissingPolls_ = polls; }
    bool Selected() const { return selected_; }
    bool Reprogramming() const { return reprogActive_; }
    bool AccessGranted() const { return accessGranted_; }

    // The next `times` answers of the kind carry the fault (< 0: all of them).
    void Inject(KvardFault fault, int times = 1);
    // The same for the answers to the next `times` requests that begin with
    // `request` (count byte omitted: 01 40 04 is the read of 40 04).
    void InjectFor(std::vector<std::uint8_t> request, KvardFault fault, int times = 1);
    void ClearFaults() {
        faults_.clear();
        aimed_.clear();
    }
    // Faults of the controller's state.
    bool refuseCopyIn = false;       // copy-in refused
    bool neverSetBlockBit = false;   // bit 04 never shows after a block
    bool ignoreStop = false;         // STOP accepted but the controller keeps running
    bool damageOnCommit = false;     // copy-out stores the first byte of buffer 0 changed
    bool dropControlWrites = false;  // a control parameter write is acknowledged, not kept

    // The requests received, most recent last (past 100000 entries the older
    // half is dropped), those whose first byte is `code`, and the address
    // bytes seen. An FT1.2 request the controller heard but left unanswered
    // (KvardFault::Silence) is recorded as not accepted.
    const std::vector<KvardRequest>& Requests() const { return requests_; }
    // Empties the record (a long soak checks it piece by piece).
    void ForgetRequests() {
        requests_.clear();
        addressBytes_.clear();
    }
    int CountRequests(std::uint8_t code) const;
    const std::vector<std::uint8_t>& AddressBytes() const { return addressBytes_; }

private:
    static constexpr std::uint8_t kRunStateMask = 0x18;

    struct Cell {
        bool memory;  // kits 0, 1 address memory; kits 2, 3 parameters
        std::uint16_t readAt;
        std::uint16_t writeAt;
        std::size_t size;
    };
    struct Reply {
        bool accepted = false;
        std::vector<std::uint8_t> data;
    };
    enum class Rx { Idle, Count, Frame, LongHeader, Ft12Frame };

    std::int64_t ByteTimeMs() const;
    bool IsAddressByte(const LineParams& params) const;
    bool IsDataByte(const LineParams& params) const;
    bool TakeFault(KvardFault fault);
    void AimFaults(std::span<const std::uint8_t> request);
    void Record(KvardRequest request);
    void Settle(std::int64_t nowMs);
    void ResetRx();

    void OnTraditional(std::uint8_t byte, PeerOutput& out);
    void OnFt12(std::uint8_t byte, PeerOutput& out);
    void TraditionalFrame(PeerOutput& out);
    void Ft12Frame(PeerOutput& out);
    // Sends after the request has fully arrived and the turnaround, or
    // `lateMs` after the request when that is later.
    void Answer(std::vector<std::uint8_t> bytes, PeerOutput& out, int lateMs = 0);
    std::vector<std::uint8_t> Ft12Answer(std::span<const std::uint8_t> data);

    Reply Execute(std::span<const std::uint8_t> request, std::int64_t nowMs);
    Reply ReadParameter(std::uint16_t number, std::int64_t nowMs);
    Reply WriteParameterRequest(std::uint16_t number, std::span<const std::uint8_t> data,
                                std::int64_t nowMs);
    void Restart();
    Reply ReadMemory(std::uint16_t address, std::size_t count);
    Reply WriteParameter(std::uint16_t number, std::span<const std::uint8_t> data,
                         std::int64_t nowMs);
    Reply WriteMemory(std::uint16_t address, std::span<const std::uint8_t> data,
                      std::int64_t nowMs);
    Reply Reprogram(std::uint8_t step, std::int64_t nowMs);
    bool TakeUnlock(std::uint8_t x, std::uint8_t y);
    std::optional<std::size_t> FindParameter(std::uint16_t number) const;
    // A memory cell is found at its read address or at its write address.
    enum class Access { Read, Write };
    std::optional<std::size_t> FindMemory(std::uint16_t address, std::size_t count, Access access,
                                          std::size_t& offset) const;
    void BlockWritten(std::int64_t nowMs);

    KvardOptions options_;
    std::vector<Cell> cells_;  // the buffers first, then the two control parameters
    std::size_t buffers_ = 0;
    std::vector<std::vector<std::uint8_t>> stored_;  // non-volatile memory
    std::vector<std::vector<std::uint8_t>> reprog_;  // the reprogramming buffer
    std::array<std::uint8_t, 2> identA_{};
    std::array<std::uint8_t, 2> identB_{};

    // Status.
    std::uint8_t runState_ = 0x00;
    std::uint8_t phase_ = 0x00;
    bool blockBit_ = false;
    int keyMissingPolls_ = 0;
    std::optional<std::int64_t> stopAt_;
    std::optional<std::pair<std::int64_t, std::uint8_t>> phaseAt_;
    std::optional<std::int64_t> blockAt_;
    bool reprogActive_ = false;

    // Session.
    bool selected_ = false;
    bool accessGranted_ = false;
    std::optional<std::array<std::uint8_t, 2>> unlock_;

    // Receiver.
    Rx rx_ = Rx::Idle;
    std::vector<std::uint8_t> frame_;
    std::size_t need_ = 0;
    std::int64_t lastByteAt_ = 0;
    std::int64_t lineBusyUntil_ = 0;  // when the last byte sent to us has fully arrived

    std::map<KvardFault, int> faults_;
    struct AimedFault {
        std::vector<std::uint8_t> request;
        KvardFault fault;
        int times;
    };
    std::vector<AimedFault> aimed_;
    std::vector<KvardRequest> requests_;
    std::vector<std::uint8_t> addressBytes_;
};

}  // namespace hk::sim
