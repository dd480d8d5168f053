#pragma once
// What vmd220ctl prints in its text format for the sample info reply (version 1.01, info text "A")
// and the sample status (S1 and S2 on, an error, negative values), shared by the tests that run the
// commands in-process and through the built program.

#include <string>

namespace vmd::cli::testing {

inline const std::string kSampleInfoText =
    "Connection        Connected to VMD220 ver.: 1.01   A\n"
    "Device version    1.01\n"
    "Hardware version  1.00\n"
    "Info text         A\n"
    "Supply max        48000 mV\n"
    "Temperature max   100 C\n"
    "PWM max           1000\n"
    "Current max       3000 mA\n";

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
