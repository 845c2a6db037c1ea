#pragma once
// The network inventory: every controller on a multi-drop line. Each number
// of a range is tried at each speed of a range with exactly the link search's
// own attempt (TryAttempt); a controller that answers is identified (both
// identification words, as the kit check reads them), its status word is read
// once, and the end-of-exchange request follows, so that the next number is
// selected cleanly. A controller found at one speed is not looked for again
// at the others.
//
// Before every attempt pending window messages run and StopRequest (or a
// port whose far end has gone) ends the scan. The number and speed under
// test go to the view's two labels. Everything runs on link.Clock.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/TextForm.h"
#include "device/Commands.h"
#include "device/LinkSearch.h"

namespace hk::device {

struct ScanRange {
    int firstNumber = 1;
    int lastNumber = kLastNetNumber;
    int firstSpeed = 0;
    int lastSpeed = kLastSearchSpeed;
    int Numbers() const { return lastNumber - firstNumber + 1; }
    int Speeds() const { return lastSpeed - firstSpeed + 1; }
};

// Numbers 1..127; with FT1.2 (whose frames carry the number) also 0.
ScanRange DefaultScanRange(int protocol);

struct FoundController {
    int number = 0;
    int speedIndex = 0;
    int kit = 0;  // -1 when its identification could not be read
    bool statusRead = false;
    int statusResult = 0;  // the status request's result when it failed
    std::uint8_t s0 = 0, s1 = 0;
};

// "работает, ключ установлен", "остановлен, ключ не установлен",
// "состояние 10, ключ установлен", or why the status is unknown.
std::string ControllerStateText(const FoundController& found);

// How a CSV table is written. Excel in a Russian locale takes ';' between
// the fields (',' is its decimal comma) and reads a UTF-8 file as UTF-8 only
// when it begins with the byte order mark: that is the Windows form. Other
// systems' tools take the plain form, ',' and no mark.
struct CsvForm {
    char separator = ',';
    bool byteOrderMark = false;
};
inline constexpr CsvForm kPlainCsv{',', false};
inline constexpr CsvForm kExcelCsv{';', true};
inline constexpr CsvForm kSystemCsv = kWindowsForm ? kExcelCsv : kPlainCsv;

// The table of controllers found as CSV (UTF-8, a header row, CR LF): the
// number (two hexadecimal digits in `hexView`), the speed in baud, the kit,
// the state.
std::string ScanTableCsv(const std::vector<FoundController>& found, bool hexView,
                         CsvForm form = kSystemCsv);

class NetworkScan {
public:
    using Found = std::function<void(const FoundController&)>;
    // `hexView`: numbers in the log as two hexadecimal digits.
    NetworkScan(DeviceContext& c, ScanRange range, bool hexView, Found onFound);

    // Runs the scan to its end or its stop; the controllers found, in order.
    std::vector<FoundController> Run();
    bool Stopped() const { return stopped_; }

    int AttemptsTotal() const { return range_.Numbers() * range_.Speeds(); }
    int AttemptsMade() const { return made_; }
    // The attempts still to make: every speed of each number not yet tried,
    // less the speeds a found controller needs no more.
    int AttemptsLeft() const { return AttemptsTotal() - made_ - skipped_; }
    // The time left: the attempts still to make at the mean time an attempt
    // has taken so far (before the first, the wait of an unanswered one).
    std::int64_t EstimatedMsLeft() const;

private:
    void Inventory(int number, int speed);

    DeviceContext& c_;
    ScanRange range_;
    bool hexView_;
    Found onFound_;
    std::vector<FoundController> found_;
    int made_ = 0;
    int skipped_ = 0;
    std::int64_t spentMs_ = 0;
    bool stopped_ = false;
};

}  // namespace hk::device
