#include "log/LoggedLink.h"

namespace hk {

LogAttachment::LogAttachment(SerialLink& link, ExchangeLog& log) : link_(&link) {
    link.PortHandle.SetTap(&log);
    link.Log = &log;
}

void LogAttachment::Detach() {
    if (!link_) return;
    link_->PortHandle.SetTap(nullptr);
    link_->Log = nullptr;
    link_ = nullptr;
}

}  // namespace hk
