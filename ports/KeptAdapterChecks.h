#pragma once
// The adapter check's verdicts, kept per adapter in HayesKvd.ini (the file of
// the choices kept between runs, in the data folder) so that the port's hint
// shows it the next time that adapter is plugged in («адаптер проверен
// 2026-12-08 (петля): MARK/SPACE передаёт, …»), and so that whatever records
// work done through an adapter can say how it was checked.
//
// Each adapter has a section of its own, named by its key
// (ports/AdapterIdentity.h AdapterKey): [adapter.usb-0403-6001-sn-A50285BI].
// Its values are plain words and numbers: the window's own settings class
// rewrites the whole file when it keeps a choice, and keeps them as they
// are. Only that section is rewritten here; the rest of the file stays
// byte for byte.

#include <optional>
#include <string>

#include "ports/AdapterIdentity.h"

namespace hk {

inline constexpr const char* kKeptChoicesFileName = "HayesKvd.ini";

// How deep the check went.
enum class CheckDepth { ReadBack, Loopback, Peer };

// What the check found of MARK/SPACE.
enum class MarkSpaceFinding {
    Accepted,  // the adapter holds it (read-back only: sending not seen)
    Refused,   // the adapter does not hold it
    Sent,      // it goes out on the line
    NotSent,   // no parity bit goes out
    AsSpace,   // MARK goes out as SPACE (or SPACE as MARK)
    AsOdd,     // MARK and SPACE go out as ODD and EVEN
    AsEven,
    Garbled,   // what goes out is none of these
};

struct KeptAdapterCheck {
    std::string date;  // "2026-12-08"
    CheckDepth depth = CheckDepth::ReadBack;
    MarkSpaceFinding markSpace = MarkSpaceFinding::Accepted;
    bool passed = false;
    // The second adapter saw the first data bytes after the switch still
    // carry the address parity for this long (0: on time).
    std::optional<int> switchLateMs;
    std::optional<int> switchLateChars;
    // The loopback: how long before the switch to data parity the address
    // byte was back, at the slowest speed checked (negative: after it).
    std::optional<int> marginMs;
    std::optional<double> marginChars;
    // The drain returned before the bytes had left the adapter.
    bool drainEarly = false;

    // «адаптер проверен 2026-12-08 (петля): MARK/SPACE передаёт, запас до
    // переключения 48 мс = 1,3 символа» (Russian, UTF-8).
    std::string Text() const;
    // What it found, the part of Text() after the colon.
    std::string FindingsText() const;
};

// The section's name of `adapterKey` ("adapter.usb-0403-6001-sn-A50285BI").
std::string KeptCheckSection(const std::string& adapterKey);

// The verdict kept for `adapterKey` in `keptFile`; none when the file or
// the section is missing or does not read as one.
std::optional<KeptAdapterCheck> KeptAdapterCheckOf(const std::string& keptFile,
                                                   const std::string& adapterKey);

// The verdict kept for the adapter now behind port `portName` ("Com3"):
// the function a record of work done through that port calls. `homeDir`
// holds the port mapping, `root` is for tests (ports/AdapterIdentity.h).
std::optional<KeptAdapterCheck> KeptAdapterCheckOfPort(const std::string& portName,
                                                       const std::string& homeDir,
                                                       const std::string& keptFile,
                                                       const std::string& root = {});

// Keeps `check` for `adapterKey`, replacing what was kept for it; the rest
// of the file is left as it is. The file is written whole (a temporary file
// renamed over it). False, with the system's reason in `error`, when it
// cannot be written.
bool KeepAdapterCheck(const std::string& keptFile, const std::string& adapterKey,
                      const KeptAdapterCheck& check, std::string& error);

// "1 символ", "2 символа", "5 символов"; a fraction as "0,4 символа".
std::string CharactersText(double characters);

}  // namespace hk
