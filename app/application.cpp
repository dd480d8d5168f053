#include "app/application.h"

#include <QIcon>

#include "app/error_dialog.h"
#include "app/fonts.h"
#include "common/driver_identity.h"

namespace vmd {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  const auto title =
      QString::fromUtf8(ApplicationTitle.data(), static_cast<qsizetype>(ApplicationTitle.size()));
  setApplicationName(title);
  setApplicationDisplayName(title);
  setApplicationVersion(QStringLiteral(VMD_PROGRAM_VERSION));
  setDesktopFileName(QStringLiteral("vmd220-monitor"));
  setWindowIcon(QIcon(QStringLiteral(":/icons/vmd220-monitor.png")));
  LoadWindowFonts();
}

bool Application::notify(QObject* receiver, QEvent* event) {
  bool handled = false;
  RunEventHandler([&] { handled = QApplication::notify(receiver, event); });
  return handled;
}

}  // namespace vmd
