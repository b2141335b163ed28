#include "gradient/Gradient.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "core/Palette.h"

namespace pw {

namespace {

// Pixel storage the control agrees to allocate (the same limit Qt's image
// reader applies); a larger control paints nothing.
constexpr int64_t MaxImageBytes = int64_t(256) << 20;

float Channel(TColor colour, int shift) { return float((uint32_t(colour) >> shift) & 0xFF); }

// A channel value cut toward zero. The running sums can drift a hair past
// the corner colours on very wide or tall controls; the value is held within
// 0..255 so that it never spills into a neighbouring channel.
uint32_t Cut(float value) { return uint32_t(std::clamp(int(value), 0, 255)); }

} // namespace

TGradient::TGradient(QWidget* owner) : QWidget(owner) {
    // Painting covers every pixel: no background is erased before it.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);  // moves are reported without a button held
    resize(100, 100);
    SizeImage();
    if (owner && owner->isVisible()) show();  // a control is visible on its owner
}

TGradient::~TGradient() = default;

bool TGradient::SizeImage() {
    const QSize old = Image.size();
    const int64_t bytes = int64_t(width()) * height() * 4;
    if (width() <= 0 || height() <= 0 || bytes > MaxImageBytes) {
        Image = QImage();
    } else if (Image.size() != size()) {
        Image = QImage(size(), QImage::Format_RGB32);
        if (!Image.isNull()) Image.fill(0u);
    }
    return Image.size() != old;
}

void TGradient::SetLTColor(TColor value) { LeftTop = value; BuildGradient(); }
void TGradient::SetLBColor(TColor value) { LeftBottom = value; BuildGradient(); }
void TGradient::SetRTColor(TColor value) { RightTop = value; BuildGradient(); }
void TGradient::SetRBColor(TColor value) { RightBottom = value; BuildGradient(); }

void TGradient::BuildGradient() {
    // A size change that has not reached the image yet (a hidden control's
    // resize notification waits until it is shown): the increments and the
    // loops must cover the same area.
    SizeImage();
    if (Image.isNull()) return;  // no area: nothing to compute
    ++builds_;
    const float w = float(Image.width());
    const float h = float(Image.height());

    // Single precision throughout; each step adds its increment to the
    // running value, so rounding accumulates exactly as it always has.
    const float dLR = (Channel(LeftBottom, 0) - Channel(LeftTop, 0)) / h;
    const float dLG = (Channel(LeftBottom, 8) - Channel(LeftTop, 8)) / h;
    const float dLB = (Channel(LeftBottom, 16) - Channel(LeftTop, 16)) / h;
    const float dRR = (Channel(RightBottom, 0) - Channel(RightTop, 0)) / h;
    const float dRG = (Channel(RightBottom, 8) - Channel(RightTop, 8)) / h;
    const float dRB = (Channel(RightBottom, 16) - Channel(RightTop, 16)) / h;
    float lR = Channel(LeftTop, 0), lG = Channel(LeftTop, 8), lB = Channel(LeftTop, 16);
    float rR = Channel(RightTop, 0), rG = Channel(RightTop, 8), rB = Channel(RightTop, 16);

    for (int y = 0; y < Image.height(); ++y) {
        const float sR = (rR - lR) / w, sG = (rG - lG) / w, sB = (rB - lB) / w;
        float cR = lR, cG = lG, cB = lB;
        auto* row = reinterpret_cast<uint32_t*>(Image.scanLine(y));
        for (int x = 0; x < Image.width(); ++x) {
            row[x] = Cut(cR) << 16 | Cut(cG) << 8 | Cut(cB);
            cR += sR;
            cG += sG;
            cB += sB;
        }
        lR += dLR, lG += dLG, lB += dLB;
        rR += dRR, rG += dRG, rB += dRB;
    }
    repaint();  // copy the new picture now, not at the next paint request
}

void TGradient::Resize() {
    if (SizeImage()) BuildGradient();
}

void TGradient::Paint() {
    QPainter painter(this);
    painter.drawImage(0, 0, Image);
}

void TGradient::paintEvent(QPaintEvent*) { Paint(); }

// Not passed on: the control raises no resize event of its own.
void TGradient::resizeEvent(QResizeEvent*) { Resize(); }

void TGradient::SetWidth(int value) {
    resize(value, height());
    Resize();  // a hidden control gets its resize event only when shown
}

void TGradient::SetHeight(int value) {
    resize(width(), value);
    Resize();
}

void TGradient::SetAlign(TAlign value) {
    align_ = value;
    if (QWidget* parent = parentWidget()) {
        parent->removeEventFilter(this);
        if (align_ != alNone) parent->installEventFilter(this);
    }
    ApplyAlign();
}

void TGradient::ApplyAlign() {
    const QWidget* parent = parentWidget();
    if (!parent || align_ == alNone) return;
    const int pw = parent->width(), ph = parent->height();
    switch (align_) {
    case alTop: setGeometry(0, 0, pw, height()); break;
    case alBottom: setGeometry(0, ph - height(), pw, height()); break;
    case alLeft: setGeometry(0, 0, width(), ph); break;
    case alRight: setGeometry(pw - width(), 0, width(), ph); break;
    case alClient: setGeometry(0, 0, pw, ph); break;
    case alNone: break;
    }
    Resize();
}

bool TGradient::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Resize) ApplyAlign();
    return QWidget::eventFilter(watched, event);
}

void TGradient::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit OnMouseMove(this, event->modifiers(), at.x(), at.y());
}

void TGradient::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit OnMouseDown(this, event->button(), event->modifiers(), at.x(), at.y());
}

void TGradient::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    emit OnMouseUp(this, event->button(), event->modifiers(), at.x(), at.y());
}

namespace Gradient {
void Register() { RegisterComponent(PalettePage, "TGradient"); }
} // namespace Gradient

} // namespace pw
