#pragma once
// The command line's modem side: the window's part with the list in its list
// memo, and the console, as the window has them in modem mode.

#include <string>
#include <vector>

#include "cli/CliModemWindow.h"
#include "cli/CliSession.h"
#include "modem/ModemConsole.h"

namespace hk::cli {

// The modem side as the window has it in modem mode: the window's part, with
// `list` in its list memo, and the console.
class CliSession::ModemSide {
public:
    ModemSide(CliSession& session, const std::vector<std::string>& list)
        : window(session.link_, session.state_, session.args_.port, *session.args_.speedIndex,
                 [&session](const std::string& text) { session.Say(text); }),
          console(session.state_, session.link_, window),
          session_(session) {
        session.state_.WorkMode = kModemWork;
        session.state_.ModemMode = true;
        window.list.lines = list;
        // A signal stops the console as leaving the modem side does: the
        // receiver stops, and a run under way sends no more lines.
        session.stop_ = [this] { console.RemoveIdleHandler(); };
    }
    // The stop goes with the console it stops.
    ~ModemSide() { session_.stop_ = nullptr; }
    ModemSide(const ModemSide&) = delete;
    ModemSide& operator=(const ModemSide&) = delete;

    CliModemWindow window;
    ModemConsole console;

private:
    CliSession& session_;
};

}  // namespace hk::cli
