// Renders the monitor's window to a PNG file without a display: vmd220-window-snapshot OUT.png
#include <QPixmap>
#include <QTimer>

#include <cstdio>

#include "app/application.h"
#include "app/main.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  vmd::Application application(argc, argv);
  const QStringList arguments = vmd::Application::arguments();
  if (arguments.size() != 2) {
    std::fprintf(stderr, "usage: vmd220-window-snapshot OUT.png\n");
    return 2;
  }
  vmd::TForm1 form(nullptr);
  form.show();
  // Let the first ticks run as they would on screen.
  QTimer::singleShot(200, &application, &QCoreApplication::quit);
  vmd::Application::exec();
  if (!form.grab().save(arguments[1])) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(arguments[1]));
    return 1;
  }
  return 0;
}
