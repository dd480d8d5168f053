// vmd220-pc: the VMD220 monitor.

#include "app/program.h"

int main(int argc, char** argv) { return vmd::RunProgram(argc, argv, nullptr); }
