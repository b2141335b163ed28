#include "app/browse/DiffView.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>

#include "app/browse/Counted.h"

namespace pw {

namespace {

QChar Mark(DiffMark mark) {
    switch (mark) {
    case DiffMark::Removed: return u'-';
    case DiffMark::Added: return u'+';
    case DiffMark::ChangedOld:
    case DiffMark::ChangedNew: return u'!';
    case DiffMark::Same: break;
    }
    return u' ';
}

QString Number(int line, int width) {
    return line > 0 ? QStringLiteral("%1").arg(line, width) : QString(width, u' ');
}

} // namespace

TDiffView::TDiffView(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    Info = new QLabel(this);
    Info->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Info->setWordWrap(true);
    Lines = new QPlainTextEdit(this);
    Lines->setReadOnly(true);
    Lines->setLineWrapMode(QPlainTextEdit::NoWrap);
    Lines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(Info);
    layout->addWidget(Lines, 1);
    watcher_ = new QFutureWatcher<TextDiff>(this);
    connect(watcher_, &QFutureWatcher<TextDiff>::finished, this, [this] {
        if (watched_ == generation_ && watcher_->future().resultCount() > 0) Show(watcher_->result());
    });
}

TDiffView::~TDiffView() {
    watcher_->waitForFinished();
}

QColor TDiffView::Background(DiffMark mark) {
    switch (mark) {
    case DiffMark::Removed: return QColor(255, 215, 215);
    case DiffMark::Added: return QColor(210, 245, 210);
    case DiffMark::ChangedOld: return QColor(255, 235, 200);
    case DiffMark::ChangedNew: return QColor(220, 235, 255);
    case DiffMark::Same: break;
    }
    return QColor();
}

void TDiffView::Compare(const QString& oldText, const QString& newText, const QString& info) {
    info_ = info;
    watched_ = ++generation_;
    pending_ = true;
    watcher_->cancel();
    watcher_->setFuture(QtConcurrent::run([oldText, newText] { return CompareTexts(oldText, newText); }));
}

void TDiffView::Cancel() {
    ++generation_;
    pending_ = false;
}

bool TDiffView::Busy() const {
    return pending_;
}

void TDiffView::Show(const TextDiff& diff) {
    pending_ = false;
    current_ = diff;
    Lines->clear();
    if (!diff.compared) {
        emit Shown(false);
        return;
    }
    Info->setText(diff.firstChange < 0 ? info_ + QStringLiteral("; the texts are the same")
                                       : info_ + QStringLiteral("; %1 changed, %2 added, %3 removed")
                                                     .arg(Counted(size_t(diff.changed), "line", "lines"))
                                                     .arg(diff.added)
                                                     .arg(diff.removed));
    int most = 0;
    for (const DiffLine& line : diff.lines) most = std::max({most, line.oldLine, line.newLine});
    int width = 1;
    for (int n = most; n >= 10; n /= 10) ++width;
    QTextCursor cursor(Lines->document());
    cursor.beginEditBlock();
    for (size_t i = 0; i < diff.lines.size(); ++i) {
        const DiffLine& line = diff.lines[i];
        if (i > 0) cursor.insertBlock();
        QTextBlockFormat format;
        if (const QColor back = Background(line.mark); back.isValid()) format.setBackground(back);
        cursor.setBlockFormat(format);
        cursor.insertText(Number(line.oldLine, width) + u' ' + Number(line.newLine, width) + u' ' + Mark(line.mark) +
                          u' ' + line.text);
    }
    cursor.endEditBlock();
    // The first change in view, a few lines of context above it.
    const int first = std::max(0, diff.firstChange);
    Lines->setTextCursor(QTextCursor(Lines->document()->findBlockByNumber(first)));
    Lines->centerCursor();
    emit Shown(true);
}

} // namespace pw
