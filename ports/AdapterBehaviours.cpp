#include "ports/AdapterBehaviours.h"

#include <cstring>
#include <iterator>

namespace hk {
namespace {

// One row: what it matches (null or -1: anything) and what is known.
struct Row {
    const char* driver;     // Linux driver of the tty ("ch341-uart")
    const char* vendorId;   // USB ids, lower-case hex
    const char* productId;
    int interfaceNumber;    // the USB interface (port of a dual adapter)
    int kernelBelow;        // the row holds only below this kernel (major × 1000 + minor)
    MarkSpaceSupport markSpace;
    DrainWait drain;
    const char* warning;    // the hint's warning, Russian; null for none
};

// The first row that matches decides.
// clang-format off
constexpr Row kRows[] = {
    // CP2105, second interface (SCI): Silicon Labs' CP2105 data sheet lists
    // mark and space parity for the first interface (ECI) only; the SCI's
    // data formats have none, odd and even. Reported in the field as a
    // setting that is accepted and silently not sent. A chip's limit, so on
    // every system.
    {nullptr, "10c4", "ea70", 1, 0, MarkSpaceSupport::Ignored, DrainWait::Unknown,
     "второй порт CP2105: чётность MARK/SPACE не поддерживается — проверьте адаптер"},
    // Linux's ch341 driver (CH340, CH341) programs parity, data bits and
    // stop bits into the chip since Linux 4.10 (mainline commit ba781bdf8662
    // "USB: serial: ch341: add support for parity, frame length, stop
    // bits"); before it the chip stayed at 8N1 whatever was asked.
    {"ch341-uart", nullptr, nullptr, -1, 4010, MarkSpaceSupport::NotSent, DrainWait::Unknown,
     "драйвер ch341-uart ядра Linux до 4.10 не передаёт бит чётности — обновите ядро или "
     "проверьте адаптер"},
    {"ch341-uart", nullptr, nullptr, -1, 0, MarkSpaceSupport::Sent, DrainWait::Unknown, nullptr},
    // The vendor's own Linux drivers for CH34x (ch34x from CH341SER_LINUX,
    // usb_ch343 from ch343ser_linux): field reports of a driver that keeps
    // CMSPAR set and sends no mark/space (ch343ser_linux issue 52: mark and
    // space behave as no parity).
    {"ch34x", nullptr, nullptr, -1, 0, MarkSpaceSupport::Ignored, DrainWait::Unknown,
     "драйвер производителя ch34x не передаёт чётность MARK/SPACE — проверьте адаптер или "
     "загрузите драйвер ядра ch341"},
    {"usb_ch343", nullptr, nullptr, -1, 0, MarkSpaceSupport::Ignored, DrainWait::Unknown,
     "драйвер производителя usb_ch343 не передаёт чётность MARK/SPACE — проверьте адаптер"},
    // Linux's mct_u232 driver (Magic Control MCT-U232): the chip's line
    // settings have no mark/space parity and the driver clears CMSPAR, so
    // the read-back after each change names the refusal.
    {"mct_u232", nullptr, nullptr, -1, 0, MarkSpaceSupport::Cleared, DrainWait::Unknown,
     "драйвер mct_u232 не поддерживает чётность MARK/SPACE — проверьте адаптер"},
    // Linux's ftdi_sio driver sets mark and space parity in the chip and
    // waits on the chip's transmitter-empty status before a drain returns.
    {"ftdi_sio", nullptr, nullptr, -1, 0, MarkSpaceSupport::Sent, DrainWait::Waits, nullptr},
};
// clang-format on

bool Same(const char* wanted, const std::string& value) {
    return wanted == nullptr || value == wanted;
}

}  // namespace

int KernelVersionNumber(const std::string& release) {
    int major = 0, minor = 0;
    std::size_t i = 0;
    const auto number = [&](int& out) {
        const std::size_t from = i;
        while (i < release.size() && release[i] >= '0' && release[i] <= '9')
            out = out * 10 + (release[i++] - '0');
        return i > from;
    };
    if (!number(major) || i >= release.size() || release[i++] != '.' || !number(minor)) return 0;
    return major * 1000 + minor;
}

AdapterBehaviour KnownBehaviour(const AdapterIdentity& id) {
    const int kernel = KernelVersionNumber(id.kernel);
    for (const Row& row : kRows) {
        if (!Same(row.driver, id.driver) || !Same(row.vendorId, id.vendorId) ||
            !Same(row.productId, id.productId))
            continue;
        if (row.interfaceNumber >= 0 && row.interfaceNumber != id.interfaceNumber) continue;
        // A row for old kernels holds only where the kernel is known to be one.
        if (row.kernelBelow > 0 && (kernel == 0 || kernel >= row.kernelBelow)) continue;
        return {row.markSpace, row.drain, row.warning ? row.warning : ""};
    }
    return {};
}

}  // namespace hk
