#pragma once
// The application object: title, version, icon, the window font, and the last line of defence
// for exceptions thrown inside the event loop.

#include <QApplication>

namespace vmd {

class Application : public QApplication {
 public:
  Application(int& argc, char** argv);

  // Exceptions that escape an event's receiver end in the error dialog; the loop goes on.
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace vmd
