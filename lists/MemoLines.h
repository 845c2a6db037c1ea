#pragma once
// One memo of the main window as a list of Windows-1251 lines: the modem's
// list and answers, or a controller channel's buffer. The window implements
// it with widgets; tests with fakes.

#include <string>

#include "lists/LineSink.h"

namespace hk {

// An empty memo has no lines; a final empty line counts only when a line
// break follows it, as the list files have it.
class MemoLines : public LineSink {
public:
    virtual int Count() const = 0;
    // Line `index`, 0 <= index < Count().
    virtual std::string Line(int index) const = 0;
    // Replaces line `index`, 0 <= index < Count().
    virtual void SetLine(int index, const std::string& line) = 0;
    virtual void Clear() = 0;
    virtual void SetFocus() = 0;
};

}  // namespace hk
