// vmd220-pc: the VMD220 monitor.

#include "app/program.h"
#include "link/hid/system_hid.h"

int main(int argc, char** argv) {
  return vmd::RunProgram(argc, argv, vmd::CreateSystemHidController);
}
