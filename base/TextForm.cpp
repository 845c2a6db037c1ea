#include "base/TextForm.h"

#include <algorithm>

namespace hk {

bool HasByteOrderMark(std::string_view text) { return text.starts_with(kUtf8ByteOrderMark); }

std::string_view WithoutByteOrderMark(std::string_view text) {
    if (HasByteOrderMark(text)) text.remove_prefix(kUtf8ByteOrderMark.size());
    return text;
}

std::string ShownPath(std::string path, bool windows) {
    if (windows) std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

}  // namespace hk
