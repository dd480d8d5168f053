#pragma once
#include <QStringList>

namespace vmd::testing {
// Messages the error dialog would have shown, oldest first.
QStringList& DialogLog();
}  // namespace vmd::testing
