// The built vmd220ctl program itself, started as a user starts it: decode end to end (arguments and
// standard input in; exit code, output and messages out), help, version and usage errors.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include <string>
#include <vector>

#include "tests/cli/sample_texts.h"

namespace {

struct Outcome {
  int code = -1;
  std::string out;
  std::string err = {};
};

Outcome RunProgram(const std::vector<std::string>& args, const std::string& input = {},
                   const QString& stdoutFile = {}) {
  QProcess process;
  QStringList arguments;
  for (const std::string& arg : args) arguments << QString::fromStdString(arg);
  if (!stdoutFile.isEmpty()) process.setStandardOutputFile(stdoutFile);
  process.start(QStringLiteral(VMD220CTL_PATH), arguments);
  EXPECT_TRUE(process.waitForStarted(30000));
  process.write(input.data(), static_cast<qint64>(input.size()));
  process.closeWriteChannel();
  EXPECT_TRUE(process.waitForFinished(60000));
  Outcome outcome;
  outcome.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  outcome.out = process.readAllStandardOutput().toStdString();
  outcome.err = process.readAllStandardError().toStdString();
  return outcome;
}

const std::string kInfoHex = "02 0a 65 41 00 00 00 00 00 00 00 00 64 80 bb 00 00 64 00 e8 03 b8 0b";
const std::string kStatusHex =
    "02 0b 05 08 03 00 72 06 c4 09 02 02 46 00 24 fa ff ff dc 05 00 00 3b 5e 00 00 d4 fe e8 03";

struct ProgramCase {
  const char* name;
  std::vector<std::string> args;
  std::string input;
  int code;
  std::string out;         // exact, unless outPrefix
  bool outPrefix = false;  // `out` is only the start of the output
  std::string err = {};
};

class ProgramTest : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(ProgramTest, ExitCodeAndOutput) {
  const ProgramCase& c = GetParam();
  const Outcome outcome = RunProgram(c.args, c.input);
  EXPECT_EQ(outcome.code, c.code) << outcome.err;
  if (c.outPrefix) {
    EXPECT_TRUE(outcome.out.starts_with(c.out)) << outcome.out;
  } else {
    EXPECT_EQ(outcome.out, c.out);
  }
  EXPECT_EQ(outcome.err, c.err);
}

std::vector<std::string> Args(std::initializer_list<std::string> head, const std::string& hex) {
  std::vector<std::string> args(head);
  std::size_t start = 0;
  while (start < hex.size()) {
    const std::size_t blank = hex.find(' ', start);
    const std::size_t end = blank == std::string::npos ? hex.size() : blank;
    args.push_back(hex.substr(start, end - start));
    start = end + 1;
  }
  return args;
}

std::vector<std::string> InfoThenStatusArgs(std::initializer_list<std::string> head) {
  std::vector<std::string> args = Args(head, kInfoHex);
  args.push_back(",");
  const std::vector<std::string> status = Args({}, kStatusHex);
  args.insert(args.end(), status.begin(), status.end());
  return args;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProgramTest,
    ::testing::Values(
        ProgramCase{
            "DecodeInfoAndStatus", InfoThenStatusArgs({"decode"}), "", 0,
            vmd::cli::testing::kSampleInfoText + "\n" + vmd::cli::testing::kSampleStatusText},
        ProgramCase{"DecodeStatusAloneHasNoFullScales",
                    Args({"decode", "--format", "csv"}, kStatusHex), "", 0,
                    "inputs,outputs,switches,reserved,potentiometer,analogInput,errorCode,"
                    "driverState,temperature,currentAct,currentLimit,supplyVoltage,pwmAct,"
                    "pwmLimit,supplyMax,temperatureMax,pwmMax,currentMax,SW1,SW2,SW3,SW4,SW5,"
                    "SW6,IN1,IN2,IN3,IN4,OUT1,OUT2,LabVal_PowerSupply,Pb_PowerSupply,"
                    "LabVal_Temperature,Pb_Temperature,LabVal_Potentiometer,Pb_Potentiometer,"
                    "LabVal_Ain,Pb_AnalogInput,LabVal_CurLim,Pb_CurrentLimit,LabVal_CurAct,"
                    "Pb_CurrentAct,LabVal_PwmLim,Pb_PwmLimit,LabVal_PwmAct,Pb_PwmAct,"
                    "Label_DriverStatus,Label_DriverError,Lab_WorkMode\n"
                    "5,8,3,0,1650,2500,2,2,70,-1500,1500,24123,-300,1000,0,0,0,0,\"ON\",\"ON\","
                    "\"OFF\",\"OFF\",\"OFF\",\"OFF\",\"ON\",\"OFF\",\"ON\",\"OFF\",\"ON\",\"OFF\","
                    "\"24 V \",0,\"70 C\",0,\"50.0 % \",50,\"2.5 V \",50,\"1.50 A \",0,"
                    "\"-1.50 A \",0,\"0 %\",0,\"0 %\",0,\"Error: \",\"Over temperature\","
                    "\"Speed set by potentiometer (50.0 % )   Current limit set by 0-10V input "
                    "(1.50 A )\"\n"},
        ProgramCase{"DecodeJsonFromStandardInput",
                    {"decode", "--format=json", "-"},
                    kInfoHex + "\n",
                    0,
                    R"({"connection":"Connected to VMD220 ver.: 1.01   A","deviceVersion":"1.01",)"
                    R"("hardwareVersion":"1.00","infoText":"A","supplyMax":48000,)"
                    R"("temperatureMax":100,"pwmMax":1000,"currentMax":3000})"
                    "\n"},
        // An info text with no zero byte in its nine places runs on to the next zero byte.
        ProgramCase{
            "DecodeInfoTextRunningOn",
            {"decode", "--format", "json", "020a6541424344454647484964313131313131313131315a00ff"},
            "",
            0,
            R"({"connection":"Connected to VMD220 ver.: 1.01   ABCDEFGHId1111111111Z",)"
            R"("deviceVersion":"1.01","hardwareVersion":"1.00",)"
            R"("infoText":"ABCDEFGHId1111111111Z","supplyMax":825307441,)"
            R"("temperatureMax":12593,"pwmMax":12593,"currentMax":12593})"
            "\n"},
        ProgramCase{"DecodeBadHex",
                    {"decode", "02", "0b", "zz"},
                    "",
                    7,
                    "",
                    false,
                    "vmd220ctl: bad hex input in argument 3: \"zz\" is not bytes as pairs of hex "
                    "digits\n"},
        ProgramCase{"DecodeShortStatus",
                    {"decode", "020b0102"},
                    "",
                    7,
                    "",
                    false,
                    "vmd220ctl: report 1: a status reply has at least 30 bytes with the report "
                    "ID, this one 4\n"},
        ProgramCase{"DecodeNothingOnStandardInput",
                    {"decode", "-"},
                    "",
                    7,
                    "",
                    false,
                    "vmd220ctl: no bytes to decode\n"},
        ProgramCase{"Help", {"--help"}, "", 0, "Usage: vmd220ctl [OPTIONS] COMMAND [ARGS]\n", true},
        ProgramCase{"Version", {"--version"}, "", 0, "vmd220ctl " VMD_PROJECT_VERSION "\n"},
        ProgramCase{"NoArguments",
                    {},
                    "",
                    2,
                    "",
                    false,
                    "vmd220ctl: no command given\nTry 'vmd220ctl --help'.\n"},
        ProgramCase{"BadOption",
                    {"watch", "--interval", "soon"},
                    "",
                    2,
                    "",
                    false,
                    "vmd220ctl: --interval takes milliseconds from 1 to 86400000, not 'soon'\n"
                    "Try 'vmd220ctl --help'.\n"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(ProgramOutputTest, OutputThatCannotBeWrittenIsAnIoError) {
  if (!QFile::exists(QStringLiteral("/dev/full"))) GTEST_SKIP() << "no /dev/full";
  const Outcome outcome = RunProgram(Args({"decode"}, kStatusHex), {}, QStringLiteral("/dev/full"));
  EXPECT_EQ(outcome.code, 8);
  EXPECT_EQ(outcome.err, "vmd220ctl: cannot write the output\n");
}

}  // namespace
