// Renders the monitor's window to a PNG file without a display.
//   vmd220-window-snapshot OUT.png            the window attached to a simulated driver
//   vmd220-window-snapshot --initial OUT.png  the window as it starts, before any device change
#include <QDeadlineTimer>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

#include "app/application.h"
#include "app/main.h"
#include "link/hid/fake/fake_hid.h"
#include "tests/support/fake_driver.h"

namespace {

// A driver at work: running from the potentiometer, with a current limit from the analog input.
vmd::testing::DriverAnswers WorkingDriver() {
  vmd::testing::DriverAnswers answers;
  answers.info = vmd::testing::InfoReport(101, "HW rev.B", 120);
  answers.status = {.inputs = 0x03,
                    .outputs = 0x10,
                    .switches = 0x0B,
                    .potentiometer = 2409,
                    .analogInput = 3150,
                    .errorCode = 0,
                    .driverState = 1,
                    .temperature = 41,
                    .currentAct = 1870,
                    .currentLimit = 2500,
                    .supplyVoltage = 24310,
                    .pwmAct = -640,
                    .pwmLimit = 900};
  return answers;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  vmd::Application application(argc, argv);
  QStringList arguments = vmd::Application::arguments();
  const bool initial = arguments.removeAll(QStringLiteral("--initial")) > 0;
  if (arguments.size() != 2) {
    std::fprintf(stderr, "usage: vmd220-window-snapshot [--initial] OUT.png\n");
    return 2;
  }

  auto system = std::make_shared<vmd::fake::FakeHidSystem>();
  vmd::TForm1 form(initial ? nullptr : vmd::fake::CreateFakeHidController(system));
  if (!initial)
    system->Plug(vmd::testing::DriverTraits(), false)
        ->SetReplier(vmd::testing::DriverReplier(WorkingDriver()));
  form.show();

  // Run until the panel shows the driver's status (or the window its start state), as on screen.
  const QDeadlineTimer deadline(5000);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    const bool drawn = initial || form.Label_DriverStatus->text() == QStringLiteral("Run");
    if (drawn || deadline.hasExpired()) vmd::Application::quit();
  });
  poll.start(100);
  vmd::Application::exec();

  if (!form.grab().save(arguments[1])) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(arguments[1]));
    return 1;
  }
  return 0;
}
