// The directory dialog: its file-type list, the Ok button's rule and the
// folder prompt.
#include "app/Dirdialog.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <algorithm>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <exception>

#include "app/FitText.h"
#include "app/Glyphs.h"
#include "core/Error.h"
#include "ui_Dirdialog.h"

TDirForm::TDirForm(QWidget* parent, pw::Dialogs& dialogs, std::function<QString()> filterSource)
    : QDialog(parent), ui_(std::make_unique<Ui::TDirForm>()), dialogs_(dialogs),
      filterSource_(std::move(filterSource)) {
    ui_->setupUi(this);
    ScanDir = ui_->ScanDir;
    CallDialog = ui_->CallDialog;
    Filter = ui_->Filter;
    BOk = ui_->BOk;
    BCancel = ui_->BCancel;

    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFont(pw::FormFont());
    FitToText();
    setModal(true);
    CallDialog->setIcon(pw::FolderIcon());
    CallDialog->setIconSize(QSize(16, 16));

    connect(ScanDir, &QLineEdit::textChanged, this, [this] { ScanDirChange(); });
    connect(CallDialog, &QToolButton::clicked, this, [this] {
        try {
            CallDialogClick();
        } catch (const std::exception& e) {
            dialogs_.ShowError(this, QString::fromStdString(pw::ErrorBoxText(e.what())),
                               QCoreApplication::applicationName());
        }
    });
    // activated: only a choice of the user, not the selection made at show.
    connect(Filter, &QComboBox::activated, this, [this] { FilterChange(); });
    connect(BOk, &QPushButton::clicked, this, [this] { done(1); });
    connect(BCancel, &QPushButton::clicked, this, [this] { done(2); });
}

TDirForm::~TDirForm() = default;

QString TDirForm::DirectoryText() const {
    return ScanDir->text();
}

void TDirForm::reject() {
    done(2);
}

void TDirForm::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TDirForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange && BCancel) FitToText();
    QDialog::changeEvent(event);
}

// The design's places (418 x 53 at 8 points), moved and widened where the
// font's text needs more: the labels take their text's width, the fields
// move right of the wider label, the buttons take their text's width, and
// the dialog grows around them.
void TDirForm::FitToText() {
    QLabel* const labels[] = {ui_->Label2, ui_->Label1};
    const QRect labelDesign[] = {{8, 8, 45, 13}, {7, 32, 46, 13}};
    const int labelHeight = std::max(13, fontMetrics().height());
    int labelsEnd = 0;
    for (int i = 0; i < 2; ++i) {
        const QRect d = labelDesign[i];
        labels[i]->setGeometry(d.x(), d.y(), std::max(d.width(), pw::TextWidth(labels[i])), labelHeight);
        labelsEnd = std::max(labelsEnd, labels[i]->geometry().right() + 1);
    }
    const int shift = std::max(0, labelsEnd + 6 - 88);
    const int editHeight = std::max(21, fontMetrics().height() + 8);
    const int buttonWidth = std::max({97, pw::TextWidth(BOk), pw::TextWidth(BCancel)});
    const int buttonHeight = std::max(23, fontMetrics().height() + 10);
    const int secondRow = std::max(28, 4 + editHeight + 3);
    ScanDir->setGeometry(88 + shift, 4, 201, editHeight);
    CallDialog->setGeometry(292 + shift, 4, 23, std::max(22, editHeight));
    Filter->setGeometry(88 + shift, secondRow, 227, editHeight);
    labels[0]->move(labelDesign[0].x(), 4 + (editHeight - labelHeight) / 2);
    labels[1]->move(labelDesign[1].x(), secondRow + (editHeight - labelHeight) / 2);
    BOk->setGeometry(318 + shift, 4, buttonWidth, buttonHeight);
    BCancel->setGeometry(318 + shift, std::max(27, 4 + buttonHeight), buttonWidth, buttonHeight);
    const int width = BOk->geometry().right() + 1 + 3;
    const int height = std::max({53, secondRow + editHeight + 4, BCancel->geometry().bottom() + 1 + 3});
    ui_->Bevel1->setGeometry(0, 0, width, height);
    setFixedSize(width, height);
}

void TDirForm::keyPressEvent(QKeyEvent* event) {
    // Only a click (or the space bar on a focused button) closes the dialog.
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        return;
    default:
        QDialog::keyPressEvent(event);
    }
}

// The filter text is read as alternating fields separated by "|":
// description, pattern, description, pattern...
void TDirForm::FormShow() {
    FilterString = filterSource_ ? filterSource_() : QString();
    QString rest = FilterString;
    const QSignalBlocker block(Filter);
    Filter->clear();
    while (!rest.isEmpty()) {
        const qsizetype bar = rest.indexOf(u'|');
        const QString description = bar < 0 ? QString() : rest.left(bar);
        if (bar >= 0) rest.remove(0, bar + 1);
        const qsizetype next = rest.indexOf(u'|');
        if (Filter->count() == 0) FileMask = next < 0 ? rest : rest.left(next);
        if (next >= 0)
            rest.remove(0, next + 1);
        else
            rest.clear();
        Filter->addItem(description);
    }
    if (Filter->count() > 0) {
        Filter->setCurrentIndex(0);
        FilterIndex = 0;
    }
}

void TDirForm::ScanDirChange() {
    const bool hasText = !ScanDir->text().isEmpty();
    if (hasText && !BOk->isEnabled()) BOk->setEnabled(true);
    if (!hasText && BOk->isEnabled()) BOk->setEnabled(false);
}

void TDirForm::CallDialogClick() {
    const QString start = ScanDir->text();
    if (const auto chosen = dialogs_.SelectDirectory(this, start)) ScanDir->setText(*chosen);
}

void TDirForm::FilterChange() {
    QString rest = FilterString;
    FilterIndex = Filter->currentIndex();
    for (int32_t i = 0; i <= FilterIndex; ++i) {
        const qsizetype bar = rest.indexOf(u'|');
        if (bar >= 0) rest.remove(0, bar + 1);
        const qsizetype next = rest.indexOf(u'|');
        FileMask = next < 0 ? rest : rest.left(next);
        if (next >= 0) rest.remove(0, next + 1);
    }
}
