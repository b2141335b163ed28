#pragma once
// The main window's input list: a list box that, while it is empty, draws
// one line of help in its empty area. The help is painted, not an item, so
// the list's count, selection and keys are those of a plain list box.
#include <QListWidget>

namespace pw {

class TInputList : public QListWidget {
    Q_OBJECT
public:
    explicit TInputList(QWidget* parent = nullptr) : QListWidget(parent) {}

    // The help shown while the list is empty.
    static QString EmptyHint();

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace pw
