#include "app/browse/PreviewPane.h"

#include <QFontDatabase>
#include <QtMath>
#include <QLabel>
#include <QPainter>
#include <QRegularExpression>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace pw {

namespace {

// The "{0xHH}" control codes of a text preview in the link colour.
class TCodeMarks : public QSyntaxHighlighter {
public:
    TCodeMarks(QTextDocument* document, const QColor& colour) : QSyntaxHighlighter(document) {
        format_.setForeground(colour);
    }

protected:
    void highlightBlock(const QString& text) override {
        static const QRegularExpression token(QStringLiteral("\\{0x[0-9A-F]{2}\\}"));
        for (auto it = token.globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            setFormat(int(m.capturedStart()), int(m.capturedLength()), format_);
        }
    }

private:
    QTextCharFormat format_;
};

} // namespace

QFont FixedFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (!QFontInfo(font).fixedPitch()) {
        font.setFamily(QStringLiteral("Monospace"));
        font.setStyleHint(QFont::TypeWriter);
        font.setFixedPitch(true);
    }
    return font;
}

void TImageView::SetImage(const QImage& image) {
    image_ = image;
    update();
}

void TImageView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (image_.isNull()) return;
    QSize size = image_.size().scaled(this->size(), Qt::KeepAspectRatio);
    // Small pictures are enlarged by whole steps, so their pixels stay sharp.
    if (image_.width() <= width() && image_.height() <= height()) {
        const int step = std::max(1, std::min(width() / image_.width(), height() / image_.height()));
        size = image_.size() * step;
    }
    const QRect target(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, size.width() < image_.width());
    painter.drawImage(target, image_);
}

TPreviewPane::TPreviewPane(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Info = new QLabel(this);
    Info->setObjectName(QStringLiteral("PreviewInfo"));
    Info->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Neither a long line nor a message widens the pane: it keeps the width
    // the splitter gives it from one entry to the next.
    Info->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    Pages = new QStackedWidget(this);
    ImageView = new TImageView(Pages);
    TextView = new QPlainTextEdit(Pages);
    TextView->setReadOnly(true);
    new TCodeMarks(TextView->document(), palette().color(QPalette::Link));
    HexView = new QPlainTextEdit(Pages);
    HexView->setReadOnly(true);
    HexView->setLineWrapMode(QPlainTextEdit::NoWrap);
    HexView->setFont(FixedFont());
    MessageView = new QLabel(Pages);
    MessageView->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    MessageView->setAlignment(Qt::AlignCenter);
    MessageView->setWordWrap(true);
    for (QWidget* page : {static_cast<QWidget*>(MessageView), static_cast<QWidget*>(ImageView),
                          static_cast<QWidget*>(TextView), static_cast<QWidget*>(HexView)})
        Pages->addWidget(page);
    layout->addWidget(Info);
    layout->addWidget(Pages, 1);

    watcher_ = new QFutureWatcher<Preview>(this);
    connect(watcher_, &QFutureWatcher<Preview>::finished, this, [this] {
        if (watched_ == generation_ && watcher_->future().resultCount() > 0) Show(watcher_->result());
    });
}

TPreviewPane::~TPreviewPane() {
    watcher_->waitForFinished();
}

void TPreviewPane::Request(const PreviewRequest& request) {
    watched_ = ++generation_;
    pending_ = true;
    watcher_->cancel(); // an older request not started yet is dropped
    watcher_->setFuture(QtConcurrent::run([request] { return LoadPreview(request); }));
}

bool TPreviewPane::Busy() const {
    return pending_;
}

void TPreviewPane::Show(const Preview& preview) {
    pending_ = false;
    current_ = preview;
    Info->setText(preview.info);
    Info->setToolTip(preview.info);
    switch (preview.kind) {
    case PreviewKind::Message:
        MessageView->setText(preview.text);
        Pages->setCurrentWidget(MessageView);
        break;
    case PreviewKind::Image:
        ImageView->SetImage(preview.image);
        Pages->setCurrentWidget(ImageView);
        break;
    case PreviewKind::Text:
        TextView->setPlainText(preview.blocks.isEmpty() ? preview.text : preview.blocks);
        Pages->setCurrentWidget(TextView);
        break;
    case PreviewKind::Hex:
        HexView->setPlainText(preview.text);
        Pages->setCurrentWidget(HexView);
        break;
    }
    emit Shown();
}

int TPreviewPane::HexRowWidth() const {
    const QString row = HexDump(QByteArray(16, '\0')).section(u'\n', 0, 0);
    return QFontMetrics(HexView->font()).horizontalAdvance(row) + 2 * qCeil(HexView->document()->documentMargin()) +
           2 * HexView->frameWidth() + HexView->verticalScrollBar()->sizeHint().width() + 2;
}

void TPreviewPane::Clear() {
    ++generation_;
    Show(Preview{});
}

} // namespace pw
