// hayeskvd-cli: the jobs of the window from the command line, for scripted
// commissioning: find a controller, read, write and verify its modem
// buffers, write a modem's list. The same logic as the window, the same
// port names and mapping, the same logs and backups.

#include <iostream>
#include <string>
#include <vector>

#include "base/FileError.h"
#include "base/Interruption.h"
#include "base/ProgramPlaces.h"
#include "cli/CliArguments.h"
#include "cli/CliSession.h"
#include "cli/Console.h"
#include "cli/HelpText.h"
#include "link/Clock.h"
#include "link/SystemLine.h"
#include "ports/PortMapping.h"
#include "ports/PortNames.h"
#include "sim/SimulatedPorts.h"

int main(int argc, char* argv[]) {
    using namespace hk::cli;
    const ConsoleText console;
    const std::vector<std::string> words = CommandLineWords(argc, argv);
    const ParseResult parsed = ParseArguments(words);
    const CliArguments& args = parsed.arguments;
    if (args.version) {
        std::cout << kVersionText << '\n';
        return kExitOk;
    }
    if (args.help) {
        std::cout << HelpText(args.command);
        return kExitOk;
    }
    if (!parsed.error.empty()) {
        std::cerr << "hayeskvd-cli: " << parsed.error << '\n';
        return kExitBadArguments;
    }

    const hk::ProgramPlaces places = hk::LocateProgramPlaces(ExecutableFolder(argv[0]));
    hk::MakeOperatorFolders(places);
    // Lines of the port mapping nobody understood are said, not skipped in
    // silence; the port's own such line stops its open, which says so then.
    if (hk::ComPortNumber(args.port) > 0) {
        const std::string mapping = places.settingsDir + hk::kPortMappingFileName;
        for (const std::string& note : hk::MappingNotes(hk::LoadPortMapping(mapping), mapping))
            std::cerr << "hayeskvd-cli: " << note << '\n';
    }
    hk::RealClock clock;
    const std::unique_ptr<hk::SerialLine> line = hk::MakeSystemLine(places.settingsDir);
    const bool progress = !args.quiet && ErrorIsTerminal();
    // From here a signal stops the job at its next step instead of the
    // program in the middle of one.
    hk::InstallInterruption("hayeskvd-cli");
    // adapter-check opens the demo's simulated adapters as well as real ports.
    hk::sim::SimulatedPorts ports(places.settingsDir, clock);
    CliSession session(args, *line, clock, {places.settingsDir, places.dataDir}, std::cout,
                       std::cerr, progress, hk::InterruptionSignal);
    session.SetLineMaker([&ports](const std::string& name) { return ports.MakeLine(name); });
    try {
        return session.Run();
    } catch (const hk::FileError& e) {
        // The settings file refused a store after the run had checked it
        // (removed or broken meanwhile): the one file write a job leaves to
        // its caller.
        std::cerr << "hayeskvd-cli: " << e.what() << '\n';
        return kExitSettingsNotSaved;
    }
}
