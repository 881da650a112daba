#pragma once

#include <QIcon>
#include <QPixmap>

// The program's pictures by resource identifier (128 program, 133 row, 168 and 173-180
// toolbar, 183 link cursor), from the resource file linked into the GUI library.
QIcon ResourceIcon(int id);
QPixmap ResourcePixmap(int id, int size);
