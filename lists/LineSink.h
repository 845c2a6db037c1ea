#pragma once
// Where text lines go: the answers memo, the byte trace. Lines are
// Windows-1251 bytes.

#include <string>

namespace hk {

class LineSink {
public:
    virtual ~LineSink() = default;
    virtual void AddLine(const std::string& line) = 0;
};

}  // namespace hk
