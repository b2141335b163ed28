// The glyphs of the tool bar, designed on a 16 x 16 grid and painted at
// whatever size the screen asks for, with a transparent background, and
// their grey variants.
#include "app/Glyphs.h"

#include <QFontDatabase>
#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace pw {

namespace {

const QColor Outline(64, 64, 64);
const QColor FolderFront(255, 214, 80);
const QColor FolderBack(214, 170, 40);
const QColor Paper(255, 255, 255);
const QColor Ink(0, 0, 128);

QPixmap Blank(const QSize& size = QSize(16, 16)) {
    QPixmap pm(size.expandedTo(QSize(1, 1)));
    pm.fill(Qt::transparent);
    return pm;
}

void Sheet(QPainter& p, const QRect& r) {
    p.setPen(Outline);
    p.setBrush(Paper);
    p.drawRect(r);
    p.setPen(QColor(150, 150, 150));
    for (int y = r.top() + 2; y < r.bottom() - 1; y += 2) p.drawLine(r.left() + 2, y, r.right() - 2, y);
}

void ClosedFolder(QPainter& p) {
    p.setPen(Outline);
    p.setBrush(FolderBack);
    p.drawPolygon(QPolygon({{1, 4}, {5, 4}, {6, 5}, {14, 5}, {14, 13}, {1, 13}}));
    p.setBrush(FolderFront);
    p.drawRect(1, 6, 13, 7);
}

void OpenFolder(QPainter& p) {
    p.setPen(Outline);
    p.setBrush(FolderBack);
    p.drawPolygon(QPolygon({{0, 3}, {4, 3}, {5, 4}, {12, 4}, {12, 14}, {0, 14}}));
    Sheet(p, QRect(3, 1, 8, 9));
    p.setPen(Outline);
    p.setBrush(FolderFront);
    p.drawPolygon(QPolygon({{0, 14}, {3, 8}, {15, 8}, {12, 14}}));
}

void DiskDrive(QPainter& p) {
    p.setPen(Outline);
    p.setBrush(QColor(180, 180, 180));
    p.drawRect(0, 5, 15, 7);
    p.setBrush(QColor(120, 120, 120));
    p.drawRect(3, 7, 9, 1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 200, 0));
    p.drawRect(12, 10, 2, 1);
    p.setPen(Outline);
    p.drawLine(1, 13, 14, 13);
}

void WasteBin(QPainter& p, bool cross) {
    p.setPen(Outline);
    p.setBrush(QColor(160, 170, 185));
    p.drawPolygon(QPolygon({{3, 4}, {12, 4}, {11, 15}, {4, 15}}));
    p.drawRect(2, 2, 11, 2);
    p.drawLine(6, 1, 9, 1);
    p.setPen(QColor(90, 100, 115));
    for (int x = 5; x <= 10; x += 2) p.drawLine(x, 6, x, 13);
    if (cross) {
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.drawLine(5, 7, 10, 12);
        p.drawLine(10, 7, 5, 12);
    }
}

void ProgramWindow(QPainter& p) {
    p.setPen(Outline);
    p.setBrush(Paper);
    p.drawRect(0, 2, 15, 12);
    p.setPen(Qt::NoPen);
    p.setBrush(Ink);
    p.drawRect(1, 3, 14, 3);
    p.setBrush(Paper);
    p.drawRect(12, 4, 2, 1);
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(2, 8, 5, 4);
}

void SheetWithPen(QPainter& p) {
    Sheet(p, QRect(1, 1, 10, 14));
    p.setPen(Outline);
    p.setBrush(QColor(230, 180, 40));
    p.drawPolygon(QPolygon({{14, 3}, {15, 4}, {8, 11}, {7, 10}}));
    p.setBrush(Ink);
    p.drawPolygon(QPolygon({{7, 10}, {8, 11}, {6, 12}}));
}

void ExitDoor(QPainter& p) {
    p.setPen(Outline);
    p.setBrush(QColor(110, 70, 30));
    p.drawRect(1, 1, 9, 14);
    p.setBrush(QColor(205, 150, 80));
    p.drawPolygon(QPolygon({{1, 1}, {6, 3}, {6, 15}, {1, 15}}));
    p.setPen(QPen(QColor(0, 140, 0), 2));
    p.drawLine(8, 8, 14, 8);
    p.drawLine(11, 5, 14, 8);
    p.drawLine(11, 11, 14, 8);
}

void ModBoxes(QPainter& p) {
    p.setPen(Outline);
    p.setBrush(QColor(120, 170, 230));
    p.drawRect(1, 8, 6, 6);
    p.setBrush(QColor(230, 140, 60));
    p.drawRect(8, 8, 6, 6);
    p.setBrush(QColor(120, 200, 120));
    p.drawRect(4, 1, 6, 6);
}

// The glyph drawn into `size` device pixels: the 16 x 16 design scaled,
// so that lines stay lines of the screen's pixels rather than an enlarged
// bitmap. Whole scales keep hard edges; others are smoothed.
QPixmap Paint(int index, const QSize& size = QSize(16, 16)) {
    QPixmap pm = Blank(size);
    QPainter p(&pm);
    const qreal scale = std::min(pm.width(), pm.height()) / 16.0;
    p.translate((pm.width() - 16 * scale) / 2, (pm.height() - 16 * scale) / 2);
    p.scale(scale, scale);
    p.setRenderHint(QPainter::Antialiasing, scale != std::floor(scale));
    switch (index) {
    case 0: OpenFolder(p); break;
    case 1: DiskDrive(p); break;
    case 2: WasteBin(p, false); break;
    case 3: WasteBin(p, true); break;
    case 4: ProgramWindow(p); break;
    case 5: ClosedFolder(p); break;
    case 6: SheetWithPen(p); break;
    case 7: ExitDoor(p); break;
    case 8: ModBoxes(p); break;
    default: break;
    }
    return pm;
}

// Grey and lighter, keeping the shape.
QPixmap Grey(const QPixmap& source) {
    QImage image = source.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int alpha = qAlpha(row[x]);
            if (alpha == 0) continue;
            const int grey = 96 + qGray(row[x]) * 5 / 8;
            row[x] = qRgba(grey, grey, grey, alpha);
        }
    }
    return QPixmap::fromImage(image);
}

QPixmap Scaled(int index, qreal ratio, bool disabled) {
    const int side = std::max(1, int(std::lround(16 * ratio)));
    QPixmap pm = Paint(index, QSize(side, side));
    if (disabled) pm = index < DisabledGlyphCount ? Grey(pm) : Blank(pm.size());
    pm.setDevicePixelRatio(ratio);
    return pm;
}

// Draws a glyph at the size each request asks for, in device pixels, so
// that an icon is as sharp at 150% or 200% as at 100%.
class GlyphEngine : public QIconEngine {
public:
    GlyphEngine(int index, bool hasDisabled) : index_(index), hasDisabled_(hasDisabled) {}

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        QPixmap pm = Paint(index_, size);
        if (mode == QIcon::Disabled && hasDisabled_) pm = Grey(pm);
        return pm;
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        QPixmap pm = pixmap(rect.size() * ratio, mode, state);
        pm.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect.topLeft(), pm);
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new GlyphEngine(*this); }
    QString key() const override { return QStringLiteral("PackwrightGlyph"); }

private:
    int index_;
    bool hasDisabled_;
};

} // namespace

QPixmap EnabledGlyph(int index, qreal ratio) {
    return Scaled(index, ratio, false);
}

QPixmap DisabledGlyph(int index, qreal ratio) {
    return Scaled(index, ratio, true);
}

QIcon ToolIcon(int index) {
    return QIcon(new GlyphEngine(index, index >= 0 && index < DisabledGlyphCount));
}

QIcon ThemedIcon(const char* name, int index) {
    return QIcon::fromTheme(QString::fromLatin1(name), ToolIcon(index));
}

QIcon FolderIcon() {
    return QIcon(new GlyphEngine(5, false));
}

QFont FormFont() {
    const QString wanted = QStringLiteral("MS Sans Serif");
    QFont font;
    if (QFontDatabase::families().contains(wanted, Qt::CaseInsensitive)) {
        font = QFont(wanted);
    } else {
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPointSize(8);
    return font;
}

} // namespace pw
