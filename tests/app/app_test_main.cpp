// Test main for window tests: the program's own application object on the offscreen platform,
// with error dialogs recorded instead of shown.
#include <gtest/gtest.h>

#include "app/application.h"
#include "app/error_dialog.h"
#include "tests/app/dialog_log.h"

namespace vmd::testing {
QStringList& DialogLog() {
  static QStringList log;
  return log;
}
}  // namespace vmd::testing

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  vmd::Application app(argc, argv);
  vmd::SetErrorDialogForTesting(
      [](const QString& message) { vmd::testing::DialogLog() << message; });
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
