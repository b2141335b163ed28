#include "app/FitText.h"

#include <QAbstractButton>
#include <QLabel>
#include <QStyle>

namespace pw {

int TextWidth(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        const QMargins m = label->contentsMargins();
        return label->fontMetrics().horizontalAdvance(label->text()) + 2 * label->margin() +
               2 * std::max(0, label->indent()) + m.left() + m.right() + 2 * label->frameWidth();
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(control)) {
        const int frame = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                          2 * button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        int width = button->fontMetrics().horizontalAdvance(button->text()) + frame;
        if (!button->icon().isNull()) width += button->iconSize().width() + 4;
        return width;
    }
    return 0;
}

} // namespace pw
