// vmd220ctl: the command-line companion of the VMD220 monitor. Picks the system's HID component
// and hands the command line to the commands (vmd220ctl.h).
#include <QCoreApplication>
#include <QDateTime>

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli/hid_access.h"
#include "cli/vmd220ctl.h"
#include "link/hid/system_hid.h"

namespace {

volatile std::sig_atomic_t interrupted = 0;

extern "C" void OnInterrupt(int /*signal*/) { interrupted = 1; }

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const QCoreApplication application(argc, argv);
  std::signal(SIGINT, OnInterrupt);
  std::signal(SIGTERM, OnInterrupt);

  vmd::cli::Environment env;
  env.openHid = [] { return vmd::cli::MakeHidAccess(vmd::CreatePlatformHidBackend()); };
  env.in = &std::cin;
  env.clock = [] {
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toStdString();
  };
  env.interrupted = [] { return interrupted != 0; };
  return vmd::cli::Run(args, env, std::cout, std::cerr);
}
