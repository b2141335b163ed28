// The directory dialog: its file-type list, the Ok button's rule and the
// folder prompt.
#include "app/Dirdialog.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <exception>

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
    setFixedSize(418, 53);
    setModal(true);
    CallDialog->setIcon(QIcon(pw::FolderGlyph()));
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
