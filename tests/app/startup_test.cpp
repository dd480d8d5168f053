// Start-up failures end the program after the error dialog, with exit code 0.
#include "app/program.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "app/error_dialog.h"

namespace vmd {
namespace {

int RunWithFailingStart(const std::function<void()>& fail, QStringList& dialogs) {
  SetErrorDialogForTesting([&](const QString& message) { dialogs << message; });
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char name[] = "vmd220-pc";
  char* argv[] = {name, nullptr};
  return RunProgram(argc, argv, [&]() -> std::unique_ptr<HidController> {
    fail();
    return nullptr;
  });
}

TEST(Startup, StandardExceptionIsShownAndTheProgramEndsWithZero) {
  QStringList dialogs;
  EXPECT_EQ(RunWithFailingStart([] { throw std::runtime_error("no window today"); }, dialogs), 0);
  EXPECT_EQ(dialogs, QStringList{"no window today"});
}

TEST(Startup, OtherThrownObjectsGiveAnEmptyMessage) {
  QStringList dialogs;
  EXPECT_EQ(RunWithFailingStart([] { throw 7; }, dialogs), 0);
  EXPECT_EQ(dialogs, QStringList{QString()});
}

}  // namespace
}  // namespace vmd
