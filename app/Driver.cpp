// The run over the input list (BProcess), the per-item step, Stop and
// "Save results".
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/Main.h"
#include "packs/Driver.h"
#include "packs/Kinds.h"
#include "packs/TextLines.h"

// Marks the window as running for the life of a run. However the run ends,
// Stop is left disabled: there is nothing left to stop.
class RunScope {
public:
    explicit RunScope(TMainForm& form) : form_(form) { form_.running_ = true; }
    ~RunScope() {
        form_.running_ = false;
        form_.Stop->setEnabled(false);
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

private:
    TMainForm& form_;
};

namespace {

std::string_view FormatNameAt(int position) {
    if (position < 1 || size_t(position) > pw::FormatNames.size()) return {};
    return pw::FormatNames[size_t(position - 1)];
}

} // namespace

// One run over the whole list. The list is read again before every entry,
// so commands used during the run never make it read past the end. A stop
// request (Stop, or closing the window) ends the run after the current
// entry; "result.log" then names only the packs that were finished.
void TMainForm::BProcessClick() {
    if (running_) return; // this click came in while the run works
    if (ContentsBusy()) return; // a contents window is extracting
    if (LogList->count() == 0) return;

    Results->clear();
    Run.ResultLines.clear();
    Run.TotalBytes = 0;
    const RunScope scope(*this);

    // The kind and the format name belong to the run: list commands used
    // while it works cannot turn the rest of a run over packs into one over
    // logs, nor change its header lines or whether "result.log" is saved.
    const uint8_t kind = InputKind;
    if (kind == pw::KindPatches) {
        // Patches apply as one whole list, checked before anything is written.
        const std::optional<bool> stopped = ProcessPatches();
        if (!stopped || closeAfterRun_) return;
        dialogs_.Inform(this, *stopped ? QStringLiteral("Operation stopped!") : QStringLiteral("Operation complete!"),
                        QStringLiteral("Process status:"));
        return;
    }
    const std::string_view formatName = FormatNameAt(SelectLogPosition);
    bool stopped = false;
    const auto target = dialogs_.SelectDirectory(this, QDir::currentPath());
    if (target) {
        pw::BeginRun(Run, pw::ToPath(*target));
        if (closeAfterRun_) Run.RequestStop();
        for (int i = 0; i < LogList->count(); ++i) {
            if (Run.Stopped()) {
                stopped = true;
                break;
            }
            const std::string entry = pw::ToPath(LogList->item(i)->text());
            const size_t mark = Run.ResultLines.size();
            pw::AddHeaderLines(Run, formatName, entry);
            // The scan that made the list decides where extracted files go;
            // taken per entry, so a scan made meanwhile cannot split a pack.
            Run.ScanRoot = pw::ToPath(ScanRoot);
            Run.ListFromScan = ListFromScan;
            if (ProcessItem(kind, entry) == pw::Outcome::Stopped) {
                if (Run.ResultLines.size() > mark) Run.ResultLines.resize(mark);
                stopped = true;
                break;
            }
            const int count = LogList->count();
            if (count > 0) pw::SetTotalAfterItem(Run, size_t(i), size_t(count));
            ProcessEvents();
        }
        pw::EndRun(Run);
        Extracted->clear();
    }

    const std::string bytes = pw::TotalBytesLine(Run);
    if (!bytes.empty()) Results->appendPlainText(QString::fromStdString(bytes));
    pw::SaveResultLog(Run, kind);
    if (closeAfterRun_) return; // the window closes now; no box
    if (stopped)
        dialogs_.Inform(this, QStringLiteral("Operation stopped!"), QStringLiteral("Process status:"));
    else
        dialogs_.Inform(this, QStringLiteral("Operation complete!"), QStringLiteral("Process status:"));
}

pw::Outcome TMainForm::DispatchItem(uint8_t kind, const std::string& name) {
    Results->setFocus();
    SaveLog->setEnabled(false);
    Stop->setEnabled(true);
    const pw::Outcome outcome = pw::DispatchItem(Run, kind, name);
    Stop->setEnabled(false);
    if (!Results->document()->isEmpty()) SaveLog->setEnabled(true);
    return outcome;
}

void TMainForm::StopClick() {
    Run.RequestStop();
    Stop->setEnabled(false);
}

void TMainForm::SaveLogClick() {
    const auto file = dialogs_.SaveFile(this, SaveResSetup());
    if (!file) return;
    pw::SaveLines(pw::ToPath(*file), pw::SplitLines(Results->toPlainText().toStdString()));
    dialogs_.Inform(this, QFileInfo(*file).fileName(), QStringLiteral("Operation status"));
    SaveLog->setEnabled(false);
}
