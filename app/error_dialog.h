#pragma once
// The application's error dialog: how exceptions that escape event handlers reach the user.

#include <QString>

#include <functional>
#include <utility>

namespace vmd {

// A critical message box captioned with the application title, showing `message`, with an OK
// button.
void ShowErrorDialog(const QString& message);

// Replaces what ShowErrorDialog does (tests record the messages instead of blocking on a dialog).
void SetErrorDialogForTesting(std::function<void(const QString&)> dialog);

// The message of the exception being handled: what() of a standard exception, empty for any other
// thrown object. Call only inside a catch block.
QString CurrentExceptionMessage();

// Runs an event handler; an exception that escapes it is shown in the error dialog and the program
// goes on as if the handler had returned.
template <typename Handler>
void RunEventHandler(Handler&& handler) noexcept {
  try {
    std::forward<Handler>(handler)();
  } catch (...) {
    ShowErrorDialog(CurrentExceptionMessage());
  }
}

}  // namespace vmd
