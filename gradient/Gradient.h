#pragma once
// TGradient: a control filled with a four-corner colour gradient. The left
// and right edges run from their top colour towards their bottom colour, and
// each row runs from its left-edge colour towards its right-edge colour. The
// picture is computed into an off-screen image whenever a corner colour
// changes or the control's size changes; painting only copies that image.
#include <QImage>
#include <QWidget>

#include <cstdint>

namespace pw {

// A colour: red in bits 0-7, green in bits 8-15, blue in bits 16-23; the top
// byte is ignored here.
using TColor = std::int32_t;

class TGradient : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Width READ width WRITE SetWidth)
    Q_PROPERTY(int Height READ height WRITE SetHeight)
    Q_PROPERTY(pw::TColor LeftTop MEMBER LeftTop WRITE SetLTColor)
    Q_PROPERTY(pw::TColor LeftBottom MEMBER LeftBottom WRITE SetLBColor)
    Q_PROPERTY(pw::TColor RightTop MEMBER RightTop WRITE SetRTColor)
    Q_PROPERTY(pw::TColor RightBottom MEMBER RightBottom WRITE SetRBColor)
    Q_PROPERTY(TAlign Align READ GetAlign WRITE SetAlign)

public:
    enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
    Q_ENUM(TAlign)

    // A child of `owner` (shown at once if the owner is), 100 x 100, four
    // black corners; the image is first computed at the first colour
    // assignment or size change.
    explicit TGradient(QWidget* owner = nullptr);
    ~TGradient() override;

    // Same size as the control once resized: 32-bit words 0x00RRGGBB.
    // Null while the control has no area.
    QImage Image;
    TColor LeftTop = 0;
    TColor LeftBottom = 0;
    TColor RightTop = 0;
    TColor RightBottom = 0;

    // Store the corner colour and recompute, even when it is unchanged.
    void SetLTColor(TColor value);
    void SetLBColor(TColor value);
    void SetRTColor(TColor value);
    void SetRBColor(TColor value);
    // Recomputes Image (sizing it to the control first) and repaints at once.
    void BuildGradient();
    // Follows a change of the control's size: resizes Image and recomputes
    // when its size differs.
    void Resize();

    void SetWidth(int value);
    void SetHeight(int value);
    TAlign GetAlign() const { return align_; }
    // Keeps the control against one edge of its parent (alTop..alRight,
    // spanning that edge) or filling it (alClient), as the parent resizes.
    void SetAlign(TAlign value);

    // How many times the picture has been computed.
    int BuildCount() const { return builds_; }

signals:
    void OnMouseMove(QObject* Sender, Qt::KeyboardModifiers Shift, int X, int Y);
    void OnMouseDown(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                     int X, int Y);
    void OnMouseUp(QObject* Sender, Qt::MouseButton Button, Qt::KeyboardModifiers Shift,
                   int X, int Y);

protected:
    // Copies Image onto the control at (0, 0); nothing else is drawn.
    void Paint();
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool SizeImage();
    void ApplyAlign();

    TAlign align_ = alNone;
    int builds_ = 0;
};

namespace Gradient {
// Puts TGradient on the component palette of the form designer.
void Register();
} // namespace Gradient

} // namespace pw
