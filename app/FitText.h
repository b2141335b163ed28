#pragma once
// Labels and buttons placed at fixed positions are widened to the width
// their text needs in their own font, so that no caption is cut, whatever
// the font. Nothing is made narrower than its design.
#include <QString>

class QWidget;

namespace pw {

// The width `control` (a QLabel or a QAbstractButton) needs for its text,
// its icon and its frame; 0 for other widgets.
int TextWidth(const QWidget* control);

} // namespace pw
