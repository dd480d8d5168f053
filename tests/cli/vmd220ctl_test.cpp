// vmd220ctl's commands run as a user would (command line in; exit code, output and messages out)
// over the in-memory HID devices, with the real HID component and read threads. Every write a
// device receives is checked: the program sends nothing but the two requests.
#include "cli/vmd220ctl.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/exit_codes.h"
#include "link/hid/fake/fake_hid.h"
#include "tests/cli/sample_texts.h"
#include "tests/support/fake_driver.h"

namespace vmd::cli {
namespace {

using fake::Bytes;
using fake::FakeHidDevice;
using fake::FakeHidDeviceTraits;
using vmd::testing::CommandReport;
using vmd::testing::DriverAnswers;
using vmd::testing::DriverReplier;
using vmd::testing::DriverTraits;
using vmd::testing::InfoReport;
using vmd::testing::OtherTraits;
using vmd::testing::StatusReport;

const Bytes kInfoRequest = CommandReport(CMD_GET_INFO);
const Bytes kStatusRequest = CommandReport(CMD_GET_STATUS);

// The status of the panel's worked example: S1 and S2 on, errors and negative values.
TDriverStatus SampleStatus() {
  TDriverStatus s;
  s.inputs = 0b0101;
  s.outputs = 0b01000;
  s.switches = 0b000011;
  s.potentiometer = 1650;
  s.analogInput = 2500;
  s.errorCode = 2;
  s.driverState = 2;
  s.temperature = 70;
  s.currentAct = -1500;
  s.currentLimit = 1500;
  s.supplyVoltage = 24123;
  s.pwmAct = -300;
  s.pwmLimit = 1000;
  return s;
}

using vmd::cli::testing::kSampleInfoText;
using vmd::cli::testing::kSampleStatusText;

struct Result {
  int code;
  std::string out;
  std::string err;
};

class Vmd220ctlTest : public ::testing::Test {
 protected:
  std::shared_ptr<fake::FakeHidSystem> system = std::make_shared<fake::FakeHidSystem>();
  std::istringstream in;
  bool interrupt = false;
  int hidOpened = 0;
  int clockTicks = 0;

  Result Run(std::vector<std::string> args) {
    Environment env;
    env.openHid = [this] {
      ++hidOpened;
      return MakeHidAccess(fake::CreateFakeHidBackend(system));
    };
    env.in = &in;
    env.clock = [this] { return "t" + std::to_string(++clockTicks); };
    env.interrupted = [this] { return interrupt; };
    std::ostringstream out;
    std::ostringstream err;
    const int code = cli::Run(args, env, out, err);
    return {code, out.str(), err.str()};
  }

  std::shared_ptr<FakeHidDevice> PlugDriver(DriverAnswers answers = {}, bool readWrite = true) {
    auto driver = system->Plug(DriverTraits(readWrite), false);
    driver->SetReplier(DriverReplier(std::move(answers)));
    return driver;
  }
};

DriverAnswers SampleAnswers() {
  DriverAnswers answers;
  answers.status = SampleStatus();
  return answers;
}

TEST_F(Vmd220ctlTest, ListShowsEveryDeviceAsTheMonitorNamesIt) {
  system->Plug(OtherTraits(u"USB Keyboard"), false);
  PlugDriver();
  system->Plug(OtherTraits(u"", 0x1234, 0xAB), false);
  system->Plug(DriverTraits(/*readWrite=*/false), false);
  system->Plug(OtherTraits(u"vmd220"), false);
  system->Plug(OtherTraits(u"VMD220 "), false);
  FakeHidDeviceTraits unqueryable = OtherTraits(u"Hidden");
  unqueryable.queryable = false;
  system->Plug(unqueryable, false);

  const Result text = Run({"list"});
  EXPECT_EQ(text.code, kExitOk);
  EXPECT_EQ(text.err, "");
  EXPECT_EQ(text.out,
            "INDEX  DRIVER  RW   VID   PID   PATH            NAME\n"
            "-      no      yes  046D  C31C  /dev/fake-hid0  USB Keyboard\n"
            "0      yes     yes  16C0  05DF  /dev/fake-hid1  VMD220\n"
            "-      no      yes  1234  00AB  /dev/fake-hid2  Device VID=1234 PID=00AB\n"
            "1      yes     no   16C0  05DF  /dev/fake-hid3  VMD220\n"
            "-      no      yes  046D  C31C  /dev/fake-hid4  vmd220\n"
            "-      no      yes  046D  C31C  /dev/fake-hid5  VMD220 \n");

  const Result json = Run({"list", "--format", "json"});
  EXPECT_EQ(json.code, kExitOk);
  std::istringstream lines(json.out);
  std::vector<std::string> objects;
  for (std::string line; std::getline(lines, line);) objects.push_back(line);
  ASSERT_EQ(objects.size(), 6u);
  EXPECT_EQ(objects[1], R"({"name":"VMD220","vid":"16C0","pid":"05DF","path":"/dev/fake-hid1",)"
                        R"("driver":true,"driverIndex":0,"readWrite":true})");
  EXPECT_EQ(objects[2],
            R"({"name":"Device VID=1234 PID=00AB","vid":"1234","pid":"00AB",)"
            R"("path":"/dev/fake-hid2","driver":false,"driverIndex":null,"readWrite":true})");

  const Result csv = Run({"list", "--format=csv"});
  EXPECT_EQ(csv.code, kExitOk);
  EXPECT_TRUE(
      csv.out.starts_with("name,vid,pid,path,driver,driverIndex,readWrite\n"
                          "\"USB Keyboard\",\"046D\",\"C31C\",\"/dev/fake-hid0\",false,,"
                          "true\n"))
      << csv.out;

  // Listing sends nothing to any device.
  for (const auto& device : system->Present()) EXPECT_TRUE(device->Writes().empty());
}

TEST_F(Vmd220ctlTest, ListWithoutDevicesSaysSo) {
  const Result result = Run({"list"});
  EXPECT_EQ(result.code, kExitOk);
  EXPECT_EQ(result.out, "INDEX  DRIVER  RW   VID   PID   PATH  NAME\n(no HID device present)\n");
}

TEST_F(Vmd220ctlTest, InfoShowsVersionsTextAndLimits) {
  DriverAnswers answers;
  // Versions are signed bytes: 0x81 is -1.27, 150 is -1.06.
  answers.info = InfoReport(0x81, "FW-2.3", 150, {24000, 85, 255, 12000});
  auto driver = PlugDriver(answers);

  const Result text = Run({"info"});
  EXPECT_EQ(text.code, kExitOk) << text.err;
  EXPECT_EQ(text.out,
            "Path              /dev/fake-hid0\n"
            "Connection        Connected to VMD220 ver.: -1.27   FW-2.3\n"
            "Device version    -1.27\n"
            "Hardware version  -1.06\n"
            "Info text         FW-2.3\n"
            "Supply max        24000 mV\n"
            "Temperature max   85 C\n"
            "PWM max           255\n"
            "Current max       12000 mA\n");
  EXPECT_EQ(driver->Writes(), std::vector<Bytes>{kInfoRequest});

  const Result json = Run({"info", "--format", "json"});
  EXPECT_EQ(json.code, kExitOk);
  EXPECT_EQ(json.out,
            R"({"path":"/dev/fake-hid0","connection":"Connected to VMD220 ver.: -1.27   FW-2.3",)"
            R"("deviceVersion":"-1.27","hardwareVersion":"-1.06","infoText":"FW-2.3",)"
            R"("supplyMax":24000,"temperatureMax":85,"pwmMax":255,"currentMax":12000})"
            "\n");
}

TEST_F(Vmd220ctlTest, StatusAsksForInfoThenStatusAndShowsThePanelTexts) {
  auto driver = PlugDriver(SampleAnswers());
  const Result result = Run({"status"});
  EXPECT_EQ(result.code, kExitOk) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, kSampleStatusText);
  EXPECT_EQ(driver->Writes(), (std::vector<Bytes>{kInfoRequest, kStatusRequest}));
}

TEST_F(Vmd220ctlTest, RequestsTakeTheDevicesOutputReportLength) {
  FakeHidDeviceTraits traits = DriverTraits();
  traits.caps = {64, 9};
  auto driver = system->Plug(traits, false);
  driver->SetReplier(DriverReplier({}));
  EXPECT_EQ(Run({"status"}).code, kExitOk);
  EXPECT_EQ(driver->Writes(),
            (std::vector<Bytes>{CommandReport(CMD_GET_INFO, 9), CommandReport(CMD_GET_STATUS, 9)}));
}

// Which driver --path and --index choose, and what is said when they choose none.
struct SelectionCase {
  const char* name;
  std::vector<std::string> args;
  int code;
  int writtenTo;            // plug number of the device that got the requests, -1 for none
  std::string errContains;  // empty: no message at all
};

class SelectionTest : public Vmd220ctlTest, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(SelectionTest, ChoosesTheDriverOrSaysWhyNot) {
  const SelectionCase& c = GetParam();
  // 0: keyboard, 1: driver, 2: driver, 3: driver without read-write access, 4: "vmd220".
  std::vector<std::shared_ptr<FakeHidDevice>> devices{
      system->Plug(OtherTraits(u"USB Keyboard"), false), PlugDriver(), PlugDriver(),
      PlugDriver({}, /*readWrite=*/false), system->Plug(OtherTraits(u"vmd220"), false)};
  const Result result = Run(c.args);
  EXPECT_EQ(result.code, c.code) << result.err;
  if (c.errContains.empty()) {
    EXPECT_EQ(result.err, "");
  } else {
    EXPECT_NE(result.err.find(c.errContains), std::string::npos) << result.err;
  }
  for (int i = 0; i < static_cast<int>(devices.size()); ++i) {
    const auto writes = devices[static_cast<std::size_t>(i)]->Writes();
    if (i == c.writtenTo) {
      EXPECT_EQ(writes, std::vector<Bytes>{kInfoRequest}) << "device " << i;
    } else {
      EXPECT_TRUE(writes.empty()) << "device " << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectionTest,
    ::testing::Values(
        SelectionCase{"IndexZero", {"info", "--index", "0"}, kExitOk, 1, ""},
        SelectionCase{"IndexOne", {"--index=1", "info"}, kExitOk, 2, ""},
        SelectionCase{"IndexOfTheOneWithoutAccess",
                      {"info", "--index", "2"},
                      kExitNoPermission,
                      -1,
                      "70-vmd220.rules"},
        SelectionCase{
            "IndexPastTheDrivers", {"info", "--index", "3"}, kExitNoDriver, -1, "3 found"},
        SelectionCase{"Path", {"info", "--path", "/dev/fake-hid2"}, kExitOk, 2, ""},
        SelectionCase{"PathOfAnotherDevice",
                      {"info", "--path", "/dev/fake-hid0"},
                      kExitNoDriver,
                      -1,
                      "is not a VMD220 but 'USB Keyboard'"},
        SelectionCase{"PathOfALowerCaseName",
                      {"info", "--path", "/dev/fake-hid4"},
                      kExitNoDriver,
                      -1,
                      "is not a VMD220"},
        SelectionCase{"PathOfNothing",
                      {"info", "--path", "/dev/none"},
                      kExitNoDriver,
                      -1,
                      "no HID device at '/dev/none'"},
        SelectionCase{"PathWithoutAccess",
                      {"info", "--path", "/dev/fake-hid3"},
                      kExitNoPermission,
                      -1,
                      "cannot open the VMD220 at '/dev/fake-hid3' for reading and writing"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(Vmd220ctlTest, WithSeveralDriversAndNoChoiceTheLastOneIsUsedAsByTheMonitor) {
  auto first = PlugDriver();
  auto last = PlugDriver();
  const Result result = Run({"info"});
  EXPECT_EQ(result.code, kExitOk);
  EXPECT_EQ(result.err,
            "vmd220ctl: note: 2 VMD220 found; using the last one listed, '/dev/fake-hid1' "
            "(choose with --path or --index)\n");
  EXPECT_TRUE(first->Writes().empty());
  EXPECT_EQ(last->Writes(), std::vector<Bytes>{kInfoRequest});
}

TEST_F(Vmd220ctlTest, WhenTheLastDriverCannotBeOpenedThatIsTheAnswer) {
  auto first = PlugDriver();
  auto last = PlugDriver({}, /*readWrite=*/false);
  const Result result = Run({"status"});
  EXPECT_EQ(result.code, kExitNoPermission);
  EXPECT_TRUE(first->Writes().empty());
  EXPECT_TRUE(last->Writes().empty());
}

// No driver: every device command gives the same exit code.
class NoDriverTest : public Vmd220ctlTest,
                     public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(NoDriverTest, SaysNoDriverFound) {
  system->Plug(OtherTraits(u"USB Keyboard"), false);
  system->Plug(OtherTraits(u"VMD220 "), false);
  const Result result = Run(GetParam());
  EXPECT_EQ(result.code, kExitNoDriver);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "vmd220ctl: no VMD220 found among the 2 HID devices present\n");
  for (const auto& device : system->Present()) EXPECT_TRUE(device->Writes().empty());
}

INSTANTIATE_TEST_SUITE_P(Commands, NoDriverTest,
                         ::testing::Values(std::vector<std::string>{"info"},
                                           std::vector<std::string>{"status"},
                                           std::vector<std::string>{"watch", "--count", "2"}));

// What can go wrong once the driver is chosen, and the exit code each gives.
struct TroubleCase {
  const char* name;
  std::vector<std::string> args;
  // Sets the driver up to misbehave; gets the system and the driver.
  std::function<void(fake::FakeHidSystem&, const std::shared_ptr<FakeHidDevice>&)> setUp;
  int code;
  std::string out;
  std::string err;
  std::size_t outputLength = 65;  // the driver's output report length
};

class TroubleTest : public Vmd220ctlTest, public ::testing::WithParamInterface<TroubleCase> {};

TEST_P(TroubleTest, EndsWithItsExitCodeAndMessage) {
  const TroubleCase& c = GetParam();
  FakeHidDeviceTraits traits = DriverTraits();
  traits.caps.outputReportByteLength = c.outputLength;
  auto driver = system->Plug(traits, false);
  driver->SetReplier(DriverReplier(SampleAnswers()));
  if (c.setUp) c.setUp(*system, driver);
  const Result result = Run(c.args);
  EXPECT_EQ(result.code, c.code);
  EXPECT_EQ(result.out, c.out);
  EXPECT_EQ(result.err, c.err);
  for (const Bytes& written : driver->Writes()) {
    EXPECT_TRUE(written == kInfoRequest || written == kStatusRequest);
  }
}

// A replier that answers the info request and unplugs the driver at the n-th status request.
void UnplugAtStatusRequest(fake::FakeHidSystem& system,
                           const std::shared_ptr<FakeHidDevice>& driver, int n) {
  auto replier = DriverReplier(SampleAnswers());
  auto requests = std::make_shared<int>(0);
  std::weak_ptr<FakeHidDevice> weak = driver;
  driver->SetReplier([&system, replier, requests, weak, n](std::span<const std::uint8_t> written) {
    if (written.size() > 1 && written[1] == CMD_GET_STATUS && ++*requests == n) {
      if (auto device = weak.lock()) system.Unplug(device);
      return std::vector<Bytes>{};
    }
    return replier(written);
  });
}

const std::string kSampleCsvHeader =
    "time,inputs,outputs,switches,reserved,potentiometer,analogInput,errorCode,driverState,"
    "temperature,currentAct,currentLimit,supplyVoltage,pwmAct,pwmLimit,supplyMax,temperatureMax,"
    "pwmMax,currentMax,SW1,SW2,SW3,SW4,SW5,SW6,IN1,IN2,IN3,IN4,OUT1,OUT2,LabVal_PowerSupply,"
    "Pb_PowerSupply,LabVal_Temperature,Pb_Temperature,LabVal_Potentiometer,Pb_Potentiometer,"
    "LabVal_Ain,Pb_AnalogInput,LabVal_CurLim,Pb_CurrentLimit,LabVal_CurAct,Pb_CurrentAct,"
    "LabVal_PwmLim,Pb_PwmLimit,LabVal_PwmAct,Pb_PwmAct,Label_DriverStatus,Label_DriverError,"
    "Lab_WorkMode\n";

std::string SampleCsvRow(const std::string& time) {
  return "\"" + time +
         "\",5,8,3,0,1650,2500,2,2,70,-1500,1500,24123,-300,1000,48000,100,1000,3000,"
         "\"ON\",\"ON\",\"OFF\",\"OFF\",\"OFF\",\"OFF\",\"ON\",\"OFF\",\"ON\",\"OFF\",\"ON\","
         "\"OFF\",\"24 V \",50,\"70 C\",70,\"50.0 % \",50,\"2.5 V \",50,\"1.50 A \",50,"
         "\"-1.50 A \",-50,\"100 %\",100,\"-30 %\",30,\"Error: \",\"Over temperature\","
         "\"Speed set by potentiometer (50.0 % )   Current limit set by 0-10V input (1.50 A )\"\n";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TroubleTest,
    ::testing::Values(
        TroubleCase{"NoReply",
                    {"status", "--timeout", "20"},
                    [](auto&, const auto& driver) { driver->SetReplier(nullptr); },
                    kExitTimeout,
                    "",
                    "vmd220ctl: no info reply from '/dev/fake-hid0' within 20 ms\n"},
        TroubleCase{"NoStatusReply",
                    {"status", "--timeout", "20"},
                    [](auto&, const auto& driver) {
                      driver->SetReplier([](std::span<const std::uint8_t> written) {
                        return written[1] == CMD_GET_INFO
                                   ? std::vector<Bytes>{InfoReport(101, "A", 100)}
                                   : std::vector<Bytes>{};
                      });
                    },
                    kExitTimeout,
                    "",
                    "vmd220ctl: no status reply from '/dev/fake-hid0' within 20 ms\n"},
        TroubleCase{"ShortAndForeignReplies",
                    {"info", "--timeout", "20"},
                    [](auto&, const auto& driver) {
                      driver->SetReplier([](std::span<const std::uint8_t>) {
                        Bytes shortInfo = InfoReport(101, "A", 100);
                        shortInfo.resize(22);  // one byte short of the limits
                        return std::vector<Bytes>{shortInfo, StatusReport({}), Bytes{2}};
                      });
                    },
                    kExitTimeout,
                    "",
                    "vmd220ctl: no info reply from '/dev/fake-hid0' within 20 ms (1 too short "
                    "to be read)\n"},
        TroubleCase{"WriteFails",
                    {"info", "--timeout", "20"},
                    [](auto&, const auto& driver) { driver->SetWritesFail(true); },
                    kExitIo,
                    "",
                    "vmd220ctl: writing the request to '/dev/fake-hid0' failed\n"},
        TroubleCase{"OutputReportOf0",
                    {"info"},
                    nullptr,
                    kExitIo,
                    "",
                    "vmd220ctl: '/dev/fake-hid0' states an output report of 0 bytes, too short "
                    "to carry a request\n",
                    0},
        TroubleCase{"OutputReportOf1",
                    {"info"},
                    nullptr,
                    kExitIo,
                    "",
                    "vmd220ctl: '/dev/fake-hid0' states an output report of 1 bytes, too short "
                    "to carry a request\n",
                    1},
        TroubleCase{
            "VanishesBeforeTheStatusReply",
            {"status"},
            [](auto& system, const auto& driver) { UnplugAtStatusRequest(system, driver, 1); },
            kExitVanished,
            "",
            "vmd220ctl: the VMD220 at '/dev/fake-hid0' vanished\n"},
        TroubleCase{
            "VanishesWhileWatched",
            {"watch", "--interval", "1", "--format", "csv"},
            [](auto& system, const auto& driver) { UnplugAtStatusRequest(system, driver, 3); },
            kExitVanished,
            kSampleCsvHeader + SampleCsvRow("t1") + SampleCsvRow("t2"),
            "vmd220ctl: the VMD220 at '/dev/fake-hid0' vanished\n"},
        TroubleCase{"WatchEndsAtTheFirstMissingReply",
                    {"watch", "--interval", "1", "--timeout", "20", "--format", "csv"},
                    [](auto&, const auto& driver) {
                      auto replier = DriverReplier(SampleAnswers());
                      auto requests = std::make_shared<int>(0);
                      driver->SetReplier([replier, requests](std::span<const std::uint8_t> w) {
                        if (w[1] == CMD_GET_STATUS && ++*requests == 2) return std::vector<Bytes>{};
                        return replier(w);
                      });
                    },
                    kExitTimeout,
                    kSampleCsvHeader + SampleCsvRow("t1"),
                    "vmd220ctl: no status reply from '/dev/fake-hid0' within 20 ms\n"}),
    [](const auto& param) { return std::string(param.param.name); });

// A driver whose status changes from one request to the next.
std::shared_ptr<FakeHidDevice> PlugChangingDriver(fake::FakeHidSystem& system,
                                                  std::vector<TDriverStatus> statuses,
                                                  std::function<void(int)> onStatus = {}) {
  auto driver = system.Plug(DriverTraits(), false);
  auto requests = std::make_shared<int>(0);
  driver->SetReplier([statuses, requests, onStatus](std::span<const std::uint8_t> written) {
    if (written[1] == CMD_GET_INFO) return std::vector<Bytes>{InfoReport(101, "A", 100)};
    const int n = (*requests)++;
    if (onStatus) onStatus(n + 1);
    return std::vector<Bytes>{
        StatusReport(statuses[static_cast<std::size_t>(n) % statuses.size()])};
  });
  return driver;
}

TEST_F(Vmd220ctlTest, WatchPrintsCountReportsAsJsonLines) {
  TDriverStatus first;
  first.temperature = 20;
  TDriverStatus second;
  second.temperature = 21;
  second.driverState = 1;
  auto driver = PlugChangingDriver(*system, {first, second});
  const Result result = Run({"watch", "--count", "3", "--interval", "1", "--format", "json"});
  EXPECT_EQ(result.code, kExitOk) << result.err;
  std::istringstream lines(result.out);
  std::vector<std::string> objects;
  for (std::string line; std::getline(lines, line);) objects.push_back(line);
  ASSERT_EQ(objects.size(), 3u);
  const std::string expected[] = {R"({"time":"t1",)", R"("temperature":20,)",
                                  R"("LabVal_Temperature":"20 C",)", R"("Pb_Temperature":20,)",
                                  R"("Label_DriverStatus":"Idle",)"};
  for (const std::string& part : expected) {
    EXPECT_NE(objects[0].find(part), std::string::npos) << part << " in " << objects[0];
  }
  EXPECT_NE(objects[1].find(R"({"time":"t2",)"), std::string::npos);
  EXPECT_NE(objects[1].find(R"("LabVal_Temperature":"21 C")"), std::string::npos);
  EXPECT_NE(objects[1].find(R"("Label_DriverStatus":"Run")"), std::string::npos);
  EXPECT_NE(objects[2].find(R"("LabVal_Temperature":"20 C")"), std::string::npos);
  std::vector<Bytes> expectedWrites{kInfoRequest, kStatusRequest, kStatusRequest, kStatusRequest};
  EXPECT_EQ(driver->Writes(), expectedWrites);
}

TEST_F(Vmd220ctlTest, WatchAsTextGivesOneBlockAReportWithItsTime) {
  PlugDriver(SampleAnswers());
  const Result result = Run({"watch", "--count", "2", "--interval", "1"});
  EXPECT_EQ(result.code, kExitOk) << result.err;
  EXPECT_EQ(result.out, "Time           t1\n" + kSampleStatusText + "\nTime           t2\n" +
                            kSampleStatusText);
}

TEST_F(Vmd220ctlTest, WatchWithoutCountGoesOnUntilInterrupted) {
  auto driver =
      PlugChangingDriver(*system, {SampleStatus()}, [this](int n) { interrupt = n == 4; });
  const Result result = Run({"watch", "--interval", "1", "--format", "csv"});
  EXPECT_EQ(result.code, kExitOk) << result.err;
  EXPECT_EQ(result.err, "");
  // The interrupt comes with the fourth request: the watch ends without waiting for its reply.
  EXPECT_EQ(result.out,
            kSampleCsvHeader + SampleCsvRow("t1") + SampleCsvRow("t2") + SampleCsvRow("t3"));
  EXPECT_EQ(driver->Writes().size(), 5u);
}

TEST_F(Vmd220ctlTest, InfoInterruptedWhileWaitingEndsWithItsOwnCode) {
  auto driver = PlugDriver();
  driver->SetReplier([this](std::span<const std::uint8_t>) {
    interrupt = true;
    return std::vector<Bytes>{};
  });
  const Result result = Run({"info", "--timeout", "60000"});
  EXPECT_EQ(result.code, kExitInterrupted);
  EXPECT_EQ(result.err, "vmd220ctl: interrupted\n");
}

TEST_F(Vmd220ctlTest, OutputThatCannotBeWrittenEndsTheWatch) {
  PlugDriver(SampleAnswers());
  Environment env;
  env.openHid = [this] { return MakeHidAccess(fake::CreateFakeHidBackend(system)); };
  std::ostringstream out;
  out.setstate(std::ios::badbit);
  std::ostringstream err;
  const std::vector<std::string> args{"watch", "--interval", "1"};
  EXPECT_EQ(cli::Run(args, env, out, err), kExitIo);
  EXPECT_EQ(err.str(), "vmd220ctl: cannot write the output\n");
}

// Command lines that are wrong: exit code 2, a message, and no device is even looked at.
struct UsageCase {
  std::vector<std::string> args;
  std::string message;
};

class UsageTest : public Vmd220ctlTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(UsageTest, IsRefusedBeforeAnyDeviceIsOpened) {
  PlugDriver();
  const Result result = Run(GetParam().args);
  EXPECT_EQ(result.code, kExitUsage);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "vmd220ctl: " + GetParam().message + "\nTry 'vmd220ctl --help'.\n");
  EXPECT_EQ(hidOpened, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UsageTest,
    ::testing::Values(
        UsageCase{{}, "no command given"},
        UsageCase{{"frobnicate"}, "unknown command 'frobnicate'"},
        UsageCase{{"status", "--colour"}, "unknown option '--colour'"},
        UsageCase{{"status", "now"}, "unexpected argument 'now'"},
        UsageCase{{"list", "--count", "3"}, "option --count does not apply to this command"},
        UsageCase{{"list", "--path", "/dev/x"}, "option --path does not apply to this command"},
        UsageCase{{"decode", "--timeout", "5", "0b"},
                  "option --timeout does not apply to this command"},
        UsageCase{{"watch", "--interval"}, "option --interval needs a value"},
        UsageCase{{"watch", "--interval", "0"},
                  "--interval takes milliseconds from 1 to 86400000, not '0'"},
        UsageCase{{"watch", "--count", "-1"}, "--count takes a number from 1 to 10^12, not '-1'"},
        UsageCase{{"info", "--timeout", "1e3"},
                  "--timeout takes milliseconds from 1 to 600000, not '1e3'"},
        UsageCase{{"info", "--index", "99999999999999999999"},
                  "--index takes a number from 0 to 9999, not '99999999999999999999'"},
        UsageCase{{"info", "--path", ""}, "--path needs a device path"},
        UsageCase{{"info", "--path", "/dev/a", "--index", "0"},
                  "--path and --index exclude each other"},
        UsageCase{{"list", "--format", "xml"}, "--format takes text, json or csv, not 'xml'"},
        UsageCase{{"list", "--format", "json", "--format", "csv"}, "option --format given twice"},
        UsageCase{{"decode"}, "decode needs hex bytes, or - for standard input"},
        UsageCase{{"bad\x1b[2Jname"}, "unknown command 'bad\\x1B[2Jname'"}));

TEST_F(Vmd220ctlTest, HelpAndVersionNeedNoDevice) {
  const Result help = Run({"status", "--help"});
  EXPECT_EQ(help.code, kExitOk);
  EXPECT_TRUE(help.out.starts_with("Usage: vmd220ctl [OPTIONS] COMMAND [ARGS]\n"));
  const Result version = Run({"-V"});
  EXPECT_EQ(version.code, kExitOk);
  EXPECT_TRUE(version.out.starts_with("vmd220ctl "));
  EXPECT_EQ(hidOpened, 0);
}

TEST_F(Vmd220ctlTest, DecodeReadsReportsFromStandardInputOneALine) {
  in.str(
      "02 0a 65 41 00 00 00 00 00 00 00 00 64 80 bb 00 00 64 00 e8 03 b8 0b\n"
      "\n"
      "02:0b:" +
      std::string("05 08 03 00 72 06 c4 09 02 02 46 00 24 fa ff ff dc 05 00 00 3b 5e 00 00 d4 fe "
                  "e8 03\n"));
  const Result result = Run({"decode", "-"});
  EXPECT_EQ(result.code, kExitOk) << result.err;
  EXPECT_EQ(hidOpened, 0);
  EXPECT_EQ(result.out, kSampleInfoText + "\n" + kSampleStatusText);
}

// Decode input that is not a reply: exit code 7 and where the fault is; nothing on the output.
struct BadDecodeCase {
  std::vector<std::string> args;
  std::string stdinText;
  std::string message;
};

class BadDecodeTest : public Vmd220ctlTest, public ::testing::WithParamInterface<BadDecodeCase> {};

TEST_P(BadDecodeTest, IsRefusedWithItsPlace) {
  in.str(GetParam().stdinText);
  const Result result = Run(GetParam().args);
  EXPECT_EQ(result.code, kExitBadInput);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, "vmd220ctl: " + GetParam().message + "\n");
}

const std::string kStatusHex = "020b0508030072 06c4090202460024faffffdc0500003b5e0000d4fee803";

INSTANTIATE_TEST_SUITE_P(
    Cases, BadDecodeTest,
    ::testing::Values(
        BadDecodeCase{{"decode", "02", "0g"},
                      "",
                      "bad hex input in argument 2: \"0g\" is not bytes as pairs of hex digits"},
        BadDecodeCase{{"decode", "020b0"},
                      "",
                      "bad hex input in argument 1: \"020b0\" is not bytes as pairs of hex digits"},
        BadDecodeCase{{"decode", "0x"},
                      "",
                      "bad hex input in argument 1: \"0x\" is not bytes as pairs of hex digits"},
        BadDecodeCase{{"decode", "-"},
                      "02 0b\n\x01\x02zz\n",
                      "bad hex input in line 2: \"\\x01\\x02zz\" is not bytes as pairs of hex "
                      "digits"},
        BadDecodeCase{{"decode", ",", " "}, "", "no bytes to decode"},
        BadDecodeCase{{"decode", "-"}, "", "no bytes to decode"},
        BadDecodeCase{{"decode", "02"}, "", "report 1 has no data byte after the report ID"},
        BadDecodeCase{{"decode", "02", "0c", "00"},
                      "",
                      "report 1: its first data byte 0x0C is neither an info reply (0x0A) nor a "
                      "status reply (0x0B)"},
        BadDecodeCase{{"decode", kStatusHex, ",", "02 0a 65 41"},
                      "",
                      "report 2: an info reply has at least 23 bytes with the report ID, this "
                      "one 4"},
        BadDecodeCase{{"decode", kStatusHex.substr(0, kStatusHex.size() - 2)},
                      "",
                      "report 1: a status reply has at least 30 bytes with the report ID, this "
                      "one 29"}));

}  // namespace
}  // namespace vmd::cli
