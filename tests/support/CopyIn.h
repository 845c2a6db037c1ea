#pragma once
// What a simulated controller received around the copy of its memory into
// the reprogramming buffer (request 0D A1): the point after which a write
// must end with a copy-out or a cancel.

#include <string>
#include <vector>

#include "sim/KvardController.h"
#include "support/ScriptPeer.h"

namespace hk::test {

inline bool IsCopyIn(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() >= 2 && bytes[0] == 0x0D && bytes[1] == 0xA1;
}

// The controller has accepted a copy-in.
inline bool CopyInAccepted(const sim::KvardController& kvard) {
    for (const sim::KvardRequest& r : kvard.Requests())
        if (r.accepted && IsCopyIn(r.bytes)) return true;
    return false;
}

// The requests the controller received from the first copy-in on, as hex.
inline std::vector<std::string> RequestsFromCopyIn(const sim::KvardController& kvard) {
    std::vector<std::string> out;
    bool copied = false;
    for (const sim::KvardRequest& r : kvard.Requests()) {
        copied = copied || IsCopyIn(r.bytes);
        if (copied) out.push_back(HexText(r.bytes));
    }
    return out;
}

}  // namespace hk::test
