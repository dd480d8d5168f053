#include "app/program.h"

#include "app/application.h"
#include "app/error_dialog.h"
#include "app/main.h"

namespace vmd {

int RunProgram(int& argc, char** argv, const HidControllerFactory& createHidController) {
  std::unique_ptr<Application> application;
  try {
    application = std::make_unique<Application>(argc, argv);
    TForm1 Form1(createHidController ? createHidController() : nullptr);
    Form1.show();
    return Application::exec();
  } catch (...) {
    ShowErrorDialog(CurrentExceptionMessage());
    return 0;
  }
}

}  // namespace vmd
