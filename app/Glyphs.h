#pragma once
// The tool-bar glyphs, drawn here in code on a 16 x 16 grid at the pixel
// ratio of the screen they are shown on, and the forms' font.
#include <QFont>
#include <QIcon>
#include <QPixmap>

namespace pw {

// The image list "Enabled", by index: 0 open folder with a sheet, 1 disk
// drive, 2 waste bin, 3 waste bin with a cross, 4 program window, 5 closed
// folder, 6 sheet with a pen, 7 door with an arrow out, 8 three boxes.
inline constexpr int EnabledGlyphCount = 9;
// The image list "Disabled": grey variants of glyphs 0 to 5.
inline constexpr int DisabledGlyphCount = 6;

// A glyph of 16 x 16 logical pixels drawn for a device pixel ratio: a
// pixmap of 16 * ratio device pixels that says its ratio.
QPixmap EnabledGlyph(int index, qreal ratio = 1.0);
QPixmap DisabledGlyph(int index, qreal ratio = 1.0);
// Enabled glyph, with the grey one for the disabled state where there is
// one, drawn afresh at each size and ratio asked for.
QIcon ToolIcon(int index);
// The icon `name` of the desktop's icon theme, the glyph `index` where the
// theme has none.
QIcon ThemedIcon(const char* name, int index);
// The yellow folder of the directory dialog's browse button.
QIcon FolderIcon();

// "MS Sans Serif" at 8 points where the system has it, else the system's
// sans-serif at 8 points.
QFont FormFont();

} // namespace pw
