#include "gui/JobLink.h"

namespace hk {

JobLink::JobLink(SerialLine& line, Clock& clock, ViewHooks& window)
    : jobs_(std::make_unique<JobThread>(
          [&window](const std::string& text) { window.ShowError(text); })),
      hooks_(*jobs_, window),
      logged_(line, clock, hooks_) {}

void JobLink::EndJobs() {
    jobs_.reset();
    logged_.Detach();
}

}  // namespace hk
