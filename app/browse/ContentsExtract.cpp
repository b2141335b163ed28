// Extraction from the contents window: the engine's selective extraction of
// this one pack, into a folder asked for as a run asks for it.
#include <QDir>
#include <QLabel>
#include <QProgressBar>

#include "app/browse/Contents.h"
#include "app/browse/Paths.h"
#include "packs/Driver.h"

namespace pw {

TContentsForm::RunScope::RunScope(TContentsForm& form) : form_(form) {
    form_.running_ = true;
    form_.UpdateButtons();
    form_.Progress->show();
}

TContentsForm::RunScope::~RunScope() {
    form_.running_ = false;
    form_.UpdateButtons();
    form_.Progress->setValue(0);
    form_.Progress->hide();
    if (form_.RunEnded) form_.RunEnded();
}

void TContentsForm::Extract(const std::vector<bool>& selected) {
    if (running_) return;
    if (OtherRunBusy && OtherRunBusy()) {
        CurrentMessage->setText(QStringLiteral("The main window is running; try again when it is done."));
        return;
    }
    const auto target = dialogs_.SelectDirectory(this, QDir::currentPath());
    if (!target) return;

    RunScope scope(*this);
    const Outcome outcome = ExtractSelected(run_, indexPath_, selected, ToPath(*target));
    CurrentMessage->setText(QString::fromStdString(TotalBytesLine(run_)));
    if (closeAfterRun_) return;
    dialogs_.Inform(this,
                    outcome == Outcome::Stopped ? QStringLiteral("Operation stopped!")
                                                : QStringLiteral("Operation complete!"),
                    QStringLiteral("Process status:"));
}

} // namespace pw
