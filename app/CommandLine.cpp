#include "CommandLine.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "Simulation.h"

#ifndef GANTREL_VERSION
#define GANTREL_VERSION "unknown"
#endif

const char* const kWindowUsage =
    "Usage: gantrel [--simulate] [--simulate-chip FILE.jed] [--simulate-fault FAULT[,FAULT...]]\n"
    "               [FILE.jed]\n";

const char* const kWindowHelpHead =
    "Usage: gantrel [OPTION]... [FILE.jed]\n"
    "Opens the Gantrel window, which programs the ATF22LV10C through the USB programmer\n"
    "(HID 04D8:003F). FILE.jed is loaded at start as if it had been chosen in the load dialog.\n"
    "\n"
    "  --simulate              work with a simulated programmer instead of the USB one; its\n"
    "                          waits take real time, the caption says so, and the menu\n"
    "                          シミュレーション reconnects it\n"
    "  --simulate-chip FILE.jed\n"
    "                          preload the simulated chip with the fuses of FILE.jed\n"
    "  --simulate-fault FAULT[,FAULT...]\n"
    "                          make the simulated programmer fail (implies --simulate):\n";

const char* const kWindowHelpTail =
    "  --help                  show this help\n"
    "  --version               show the version\n"
    "\n"
    "--simulate-chip implies --simulate too. Qt's own options (-platform NAME, -style NAME...)\n"
    "are passed on to Qt.\n"
    "\n"
    "Exit status: 0 the window was closed; 2 usage error.\n";

std::string VersionText() {
  return std::string("gantrel ") + GANTREL_VERSION + "\n";
}

namespace {

// Qt's own options, without their leading dash; the first group takes a value.
const char* const kQtOptionsWithValue[] = {"platform",        "platformpluginpath",
                                           "platformtheme",   "plugin",
                                           "qwindowgeometry", "geometry",
                                           "qwindowicon",     "icon",
                                           "qwindowtitle",    "title",
                                           "display",         "name",
                                           "session",         "style",
                                           "stylesheet",      "fontengine"};
const char* const kQtFlags[] = {"reverse", "widgetcount", "nograb",
                                "dograb",  "sync",        "testability"};

bool IsOneOf(const std::string& name, const auto& names) {
  return std::any_of(std::begin(names), std::end(names),
                     [&name](const char* each) { return name == each; });
}

ParsedCommandLine Fail(std::string message) {
  ParsedCommandLine parsed;
  parsed.Action = StartAction::UsageError;
  parsed.Message = std::move(message);
  return parsed;
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  ParsedCommandLine parsed;
  gantrel::SimulationOptions simulation;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasNext = i + 1 < args.size();
    if (arg == "--help" || arg == "-h") {
      parsed.Action = StartAction::Help;
      return parsed;
    }
    if (arg == "--version") {
      parsed.Action = StartAction::Version;
      return parsed;
    }
    if (arg == "--simulate") {
      simulation.Simulate = true;
    } else if (arg == "--simulate-chip" || arg == "--simulate-fault") {
      if (!hasNext) return Fail(arg + " needs a value");
      (arg == "--simulate-chip" ? simulation.ChipPath : simulation.Faults) = args[++i];
    } else if (arg.size() > 1 && arg[0] == '-') {
      // Qt reads its options with one dash or two.
      const std::string name = arg.substr(arg.rfind('-', 1) + 1);
      if (IsOneOf(name.substr(0, name.find('=')), kQtOptionsWithValue) &&
          name.find('=') != std::string::npos) {
        // "-style=fusion": the value comes with it.
      } else if (IsOneOf(name, kQtOptionsWithValue)) {
        if (!hasNext) return Fail(arg + " needs a value");
        ++i;
      } else if (!IsOneOf(name, kQtFlags) && !name.starts_with("qmljsdebugger=")) {
        return Fail("unknown option '" + arg + "'");
      }
    } else if (parsed.Options.File) {
      return Fail("more than one file given");
    } else {
      parsed.Options.File = arg;
    }
  }
  if (simulation.Wanted()) {
    gantrel::Simulation made = gantrel::MakeSimulation(simulation);
    if (!made.Programmer) return Fail(made.Problem);
    parsed.Options.Simulated = std::move(made.Programmer);
    parsed.Message = made.Notice;
  }
  return parsed;
}
