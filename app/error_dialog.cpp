#include "app/error_dialog.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <exception>

#include "common/driver_identity.h"

namespace vmd {
namespace {

std::function<void(const QString&)>& DialogOverride() {
  static std::function<void(const QString&)> dialog;
  return dialog;
}

}  // namespace

void ShowErrorDialog(const QString& message) {
  if (DialogOverride()) {
    DialogOverride()(message);
    return;
  }
  if (QApplication::instance() == nullptr) {
    // Too early for a dialog: the toolkit itself failed to start.
    std::fprintf(stderr, "%s: %s\n", ApplicationTitle.data(), message.toLocal8Bit().constData());
    return;
  }
  QMessageBox::critical(
      nullptr,
      QString::fromUtf8(ApplicationTitle.data(), static_cast<qsizetype>(ApplicationTitle.size())),
      message, QMessageBox::Ok);
}

void SetErrorDialogForTesting(std::function<void(const QString&)> dialog) {
  DialogOverride() = std::move(dialog);
}

QString CurrentExceptionMessage() {
  try {
    throw;
  } catch (const std::exception& error) {
    return QString::fromLocal8Bit(error.what());
  } catch (...) {
    return {};
  }
}

}  // namespace vmd
