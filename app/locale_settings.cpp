#include "app/locale_settings.h"

#include <QLocale>

#ifdef Q_OS_WIN
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <cwchar>
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include <string>

#include "common/eight_bit_text.h"
#include "common/number_text.h"

namespace vmd {
namespace {

std::u16string DecimalSeparatorSetting() {
#ifdef Q_OS_WIN
  // The user's current setting, not a copy cached at start.
  wchar_t buffer[8] = {};
  const int length = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8);
  if (length > 1)
    return std::u16string(reinterpret_cast<const char16_t*>(buffer),
                          static_cast<std::size_t>(length - 1));
  return {};
#else
  return QLocale::system().decimalPoint().toStdU16String();
#endif
}

#ifdef Q_OS_WIN
// WM_SETTINGCHANGE with "intl": the user changed the regional settings.
class RegionalSettingsFilter : public QAbstractNativeEventFilter {
 public:
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
    if (eventType != "windows_generic_MSG") return false;
    const auto* msg = static_cast<const MSG*>(message);
    if (msg->message == WM_SETTINGCHANGE && msg->lParam != 0 &&
        std::wcscmp(reinterpret_cast<const wchar_t*>(msg->lParam), L"intl") == 0)
      ReadDecimalSeparator();
    return false;
  }
};
#endif

}  // namespace

void WatchRegionalSettings() {
#ifdef Q_OS_WIN
  static RegionalSettingsFilter filter;  // installing it again changes nothing
  QCoreApplication::instance()->installNativeEventFilter(&filter);
#endif
}

void ReadDecimalSeparator() {
  SetDecimalSeparator(DecimalSeparatorFromSetting(DecimalSeparatorSetting()));
}

}  // namespace vmd
