#pragma once
// The exit codes of vmd220ctl, one per kind of failure, so that scripts can tell them apart.

namespace vmd::cli {

enum ExitCode : int {
  kExitOk = 0,
  kExitInternal = 1,      // an unexpected failure of the program or the HID layer
  kExitUsage = 2,         // the command line is wrong
  kExitNoDriver = 3,      // no driver found, or --path / --index names none
  kExitNoPermission = 4,  // the driver is there but cannot be opened for reading and writing
  kExitVanished = 5,      // the driver went away during the command
  kExitTimeout = 6,       // no reply within the time-out
  kExitBadInput = 7,      // decode: the hex input is not a reply
  kExitIo = 8,            // a request could not be written, or the output could not be written
  kExitInterrupted = 130  // interrupted (SIGINT) before info or status was done
};

}  // namespace vmd::cli
