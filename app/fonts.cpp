#include "app/fonts.h"

#include <QFile>
#include <QFontDatabase>

namespace vmd {
namespace {

const QString kTahoma = QStringLiteral("Tahoma");

// Tahoma files that may be present without being known to the font configuration.
const char* const kTahomaFiles[] = {
    "/usr/share/wine/fonts/tahoma.ttf",
    "/usr/share/fonts/truetype/wine/tahoma.ttf",
    "/usr/lib/wine/fonts/tahoma.ttf",
    "/opt/wine-stable/share/wine/fonts/tahoma.ttf",
};

}  // namespace

void LoadWindowFonts() {
  if (QFontDatabase::hasFamily(kTahoma)) return;
  for (const char* path : kTahomaFiles) {
    const QString file = QString::fromLatin1(path);
    if (QFile::exists(file) && QFontDatabase::addApplicationFont(file) >= 0) return;
  }
}

QString WindowFontFamily() { return QFontDatabase::hasFamily(kTahoma) ? kTahoma : QString(); }

QFont WindowFont(int pixelHeight) {
  QFont font;
  const QString family = WindowFontFamily();
  if (family.isEmpty()) {
    font.setStyleHint(QFont::SansSerif);
    font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("sans-serif")});
  } else {
    font.setFamily(family);
  }
  font.setPixelSize(pixelHeight);
  return font;
}

}  // namespace vmd
