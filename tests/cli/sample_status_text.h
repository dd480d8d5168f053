#pragma once
// What vmd220ctl prints for the sample status (S1 and S2 on, an error, negative values) in its text
// format, shared by the tests that run the commands in-process and through the built program.

#include <string>

namespace vmd::cli::testing {

inline const std::string kSampleStatusText =
    "Switches       SW1 ON  SW2 ON  SW3 OFF  SW4 OFF  SW5 OFF  SW6 OFF\n"
    "Inputs         IN1 ON  IN2 OFF  IN3 ON  IN4 OFF\n"
    "Outputs        OUT1 ON  OUT2 OFF\n"
    "Power supply   24 V        bar 50\n"
    "Temperature    70 C        bar 70\n"
    "Potentiometer  50.0 %      bar 50\n"
    "Analog input   2.5 V       bar 50\n"
    "Current limit  1.50 A      bar 50\n"
    "Current act    -1.50 A     bar -50\n"
    "PWM limit      100 %       bar 100\n"
    "PWM act        -30 %       bar 30\n"
    "Driver status  Error: \n"
    "Driver error   Over temperature\n"
    "Work mode      Speed set by potentiometer (50.0 % )   Current limit set by 0-10V input "
    "(1.50 A )\n";

}  // namespace vmd::cli::testing
