#pragma once
// A changed text entry shown as a diff: every line once, with its old and
// new line numbers and a mark ("-" removed, "+" added, "!" changed), on a
// background of its kind, the first change scrolled into view. The lines
// are compared on a worker thread; only the newest comparison is shown.
#include <QFutureWatcher>
#include <QWidget>

#include "app/browse/TextDiff.h"

class QLabel;
class QPlainTextEdit;

namespace pw {

class TDiffView : public QWidget {
    Q_OBJECT
public:
    explicit TDiffView(QWidget* parent = nullptr);
    ~TDiffView() override;

    // Starts comparing; `info` is the line above the lines (the sizes).
    void Compare(const QString& oldText, const QString& newText, const QString& info);
    // Drops a comparison not yet shown.
    void Cancel();
    // Whether a comparison is still to be shown.
    bool Busy() const;
    const TextDiff& Current() const { return current_; }

    QLabel* Info;
    QPlainTextEdit* Lines;

    // The background of a mark (none for lines both texts have).
    static QColor Background(DiffMark mark);

signals:
    // A comparison is shown; `compared` is false when the texts were too
    // long to compare.
    void Shown(bool compared);

private:
    void Show(const TextDiff& diff);

    QFutureWatcher<TextDiff>* watcher_;
    quint64 generation_ = 0, watched_ = 0;
    bool pending_ = false; // a comparison is still to be shown
    QString info_;
    TextDiff current_;
};

} // namespace pw
