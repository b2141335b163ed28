#include "app/InputList.h"

#include <QPainter>

namespace pw {

QString TInputList::EmptyHint() {
    return QStringLiteral("Add data packs, logs, project lists or patches with the first two buttons, or drop them "
                          "here; a mod list dropped here opens in Mods");
}

void TInputList::paintEvent(QPaintEvent* event) {
    QListWidget::paintEvent(event);
    if (count() > 0) return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    const QRect area = viewport()->rect().adjusted(8, 8, -8, -8);
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, EmptyHint());
}

} // namespace pw
