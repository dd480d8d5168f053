#include "app/controls.h"

#include <algorithm>

#include "app/fonts.h"

namespace vmd {

QColor ToQColor(Rgb colour) { return {colour.red, colour.green, colour.blue}; }

QGroupBox* MakeFrame(QWidget* parent, const QString& caption, int x, int y, int width, int height) {
  auto* frame = new QGroupBox(caption, parent);
  frame->setFont(WindowFont(11));
  frame->setGeometry(x, y, width, height);
  return frame;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int pixelHeight,
                  const char* name) {
  auto* label = new QLabel(text, parent);
  if (name != nullptr) label->setObjectName(QString::fromLatin1(name));
  label->setFont(WindowFont(pixelHeight));
  label->setTextFormat(Qt::PlainText);
  label->setContentsMargins(0, 0, 0, 0);
  label->setMargin(0);
  label->setIndent(0);
  label->move(x, y);
  label->adjustSize();
  return label;
}

QLineEdit* MakeEditBox(QWidget* parent, const char* name, int x, int y, int width, int height,
                       bool readOnly, const QString& text) {
  auto* box = new QLineEdit(text, parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setFont(WindowFont(11));
  box->setGeometry(x, y, width, height);
  box->setReadOnly(readOnly);
  box->setFocusPolicy(Qt::StrongFocus);
  box->setCursorPosition(0);
  return box;
}

QProgressBar* MakeBar(QWidget* parent, const char* name, int x, int y) {
  auto* bar = new QProgressBar(parent);
  bar->setObjectName(QString::fromLatin1(name));
  bar->setGeometry(x, y, 75, 17);
  bar->setRange(0, 100);
  bar->setValue(0);
  bar->setTextVisible(false);
  bar->setFocusPolicy(Qt::NoFocus);
  return bar;
}

void SetText(QLabel* label, const QString& text) {
  if (label->text() == text) return;
  label->setText(text);
  label->adjustSize();
}

void SetText(QLineEdit* box, const QString& text) {
  if (box->text() == text) return;
  box->setText(text);
  box->setCursorPosition(0);
}

void SetBackground(QLineEdit* box, QColor colour) {
  if (box->palette().color(QPalette::Base) == colour) return;
  QPalette palette = box->palette();
  palette.setColor(QPalette::Base, colour);
  box->setPalette(palette);
}

void SetTextColour(QLabel* label, QColor colour) {
  if (label->palette().color(QPalette::WindowText) == colour) return;
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
}

void SetPosition(QProgressBar* bar, int position) {
  const int shown = std::clamp(position, bar->minimum(), bar->maximum());
  if (bar->value() != shown) bar->setValue(shown);
}

}  // namespace vmd
