#pragma once
// vmd220ctl's commands, written against the HID component and output streams so that tests run
// them as a user would, over the in-memory HID devices. main() supplies the system's component.

#include <functional>
#include <istream>
#include <ostream>
#include <span>
#include <string>

#include "cli/hid_access.h"

namespace vmd::cli {

struct Environment {
  // Makes the HID component; called only by the commands that talk to devices.
  std::function<HidAccess()> openHid;
  // Standard input, for "decode -".
  std::istream* in = nullptr;
  // The time stamp of a watched report.
  std::function<std::string()> clock;
  // Whether the user asked to stop (SIGINT); watch then ends normally.
  std::function<bool()> interrupted;
  // How long to wait for the HID component's first listing of the devices.
  int listingTimeoutMs = 10000;
};

// Runs the command line `args` (without the program name); returns the exit code (exit_codes.h).
// Results go to `out`, messages to `err`.
int Run(std::span<const std::string> args, const Environment& env, std::ostream& out,
        std::ostream& err);

// "vmd220ctl 1.0.1".
std::string VersionText();

}  // namespace vmd::cli
