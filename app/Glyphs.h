#pragma once
// The tool-bar glyphs, drawn here in code (16 x 16), and the forms' font.
#include <QFont>
#include <QIcon>
#include <QPixmap>

namespace pw {

// The image list "Enabled", by index: 0 open folder with a sheet, 1 disk
// drive, 2 waste bin, 3 waste bin with a cross, 4 program window, 5 closed
// folder, 6 sheet with a pen.
inline constexpr int EnabledGlyphCount = 7;
// The image list "Disabled": grey variants of glyphs 0 to 5.
inline constexpr int DisabledGlyphCount = 6;

QPixmap EnabledGlyph(int index);
QPixmap DisabledGlyph(int index);
// Enabled glyph, with the grey one for the disabled state where there is one.
QIcon ToolIcon(int index);
// The yellow folder of the directory dialog's browse button.
QPixmap FolderGlyph();

// "MS Sans Serif" at 8 points where the system has it, else the system's
// sans-serif at 8 points.
QFont FormFont();

} // namespace pw
