#pragma once

#include <QRect>

class QWidget;

// Dialog units of a template converted to pixels for the widget's own font: a horizontal
// unit is a quarter of the average letter width, a vertical unit an eighth of the line
// height, so the templates keep their proportions with any system font.
QRect DialogUnits(const QWidget* widget, int x, int y, int width, int height);
