#pragma once
// The program's start-up: application, window, event loop, and what happens when starting fails.

#include <functional>
#include <memory>

#include "link/hid/hid_controller.h"

namespace vmd {

using HidControllerFactory = std::function<std::unique_ptr<HidController>()>;

// Runs the monitor until its window is closed. A failure while starting is shown in the error
// dialog (a thrown object that is no standard exception gives an empty message) and ends the
// program; the result is 0 either way.
int RunProgram(int& argc, char** argv, const HidControllerFactory& createHidController);

}  // namespace vmd
