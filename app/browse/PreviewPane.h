#pragma once
// The pane beside an entry table that shows the selected entry: a picture
// scaled to fit, a read-only text, a hex view, or a message, with a line of
// information above. Entries are read and decoded on a worker thread; only
// the newest request is shown.
#include <QFutureWatcher>
#include <QImage>
#include <QWidget>

#include "app/browse/Preview.h"

class QLabel;
class QPlainTextEdit;
class QStackedWidget;

namespace pw {

// A picture drawn scaled to fit its widget, keeping its proportions.
class TImageView : public QWidget {
public:
    explicit TImageView(QWidget* parent = nullptr) : QWidget(parent) {}
    void SetImage(const QImage& image);
    const QImage& Image() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};

// The system's fixed-width font, or a monospace one where that is none.
QFont FixedFont();

class TPreviewPane : public QWidget {
    Q_OBJECT
public:
    explicit TPreviewPane(QWidget* parent = nullptr);
    ~TPreviewPane() override;

    // Starts reading an entry; what was shown stays until it is ready.
    void Request(const PreviewRequest& request);
    void Show(const Preview& preview);
    void Clear();
    // Whether a request is still to be shown (read, or read and its
    // result not yet delivered).
    bool Busy() const;
    const Preview& Current() const { return current_; }
    // The width that shows a whole row of the hex view (16 bytes, their
    // offset and characters) without scrolling.
    int HexRowWidth() const;

    QLabel* Info;
    QStackedWidget* Pages;
    TImageView* ImageView;
    QPlainTextEdit* TextView;
    QPlainTextEdit* HexView;
    QLabel* MessageView;

signals:
    void Shown();

private:
    QFutureWatcher<Preview>* watcher_;
    quint64 generation_ = 0;
    quint64 watched_ = 0;
    bool pending_ = false;
    Preview current_;
};

} // namespace pw
