#pragma once
// Building blocks of the window and the way the program writes into them: every write leaves a
// control untouched when it already shows what is written, so steady values cause no repaint.

#include <QColor>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QString>

#include "common/colours.h"

namespace vmd {

QColor ToQColor(Rgb colour);

// A frame at `geometry` in its parent, with an optional caption in the 11-pixel window font.
QGroupBox* MakeFrame(QWidget* parent, const QString& caption, int x, int y, int width, int height);

// A label whose left and top edges are fixed and whose width follows its text.
QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int pixelHeight = 13,
                  const char* name = nullptr);

// An edit box in the 11-pixel window font.
QLineEdit* MakeEditBox(QWidget* parent, const char* name, int x, int y, int width, int height,
                       bool readOnly, const QString& text);

// A bar of range 0..100, 75 x 17 pixels, without a text.
QProgressBar* MakeBar(QWidget* parent, const char* name, int x, int y);

void SetText(QLabel* label, const QString& text);
void SetText(QLineEdit* box, const QString& text);
void SetBackground(QLineEdit* box, QColor colour);
void SetTextColour(QLabel* label, QColor colour);
// Positions below the bar's range show an empty bar.
void SetPosition(QProgressBar* bar, int position);

}  // namespace vmd
