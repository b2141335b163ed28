// Saving the replacements of the contents window, each through the engine
// as `packwright-cli replace` does: a new pack in another folder (the
// rebuild's writer, commit and progress, with Stop), a patch of the
// replaced entries, or a result log that insertion replays; and the
// question when the window closes with replacements not saved.
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>

#include "app/browse/Contents.h"
#include "app/browse/ContentsReplace.h"
#include "app/browse/PackModel.h"
#include "app/browse/PatchPrompt.h"
#include "app/browse/Paths.h"
#include "core/FileNames.h"
#include "packs/RebuildRules.h"
#include "packs/patch/PatchMake.h"

namespace pw {

bool TContentsForm::SaveAsPackClick() {
    if (running_ || model_->ReplacedCount() == 0) return false;
    if (OtherRunBusy && OtherRunBusy()) {
        CurrentMessage->setText(QStringLiteral("The main window is running; try again when it is done."));
        return false;
    }
    const std::optional<QString> target = AskPackFolder();
    if (!target) return false;
    const std::string folder = ToPath(QFileInfo(*target).absoluteFilePath());
    Outcome outcome = Outcome::Done;
    {
        RunScope scope(*this);
        outcome = replace::BuildPack(run_, Set(), folder);
    }
    if (closeAfterRun_) return false;
    if (outcome == Outcome::Stopped) {
        dialogs_.Inform(this, QStringLiteral("Operation stopped!"), QStringLiteral("Process status:"));
        return false;
    }
    replace_->saved = true;
    const std::string newIndex = TargetIndexPath(folder, indexPath_);
    CurrentMessage->setText(QStringLiteral("Saved %1").arg(FromPath(newIndex)));
    if (dialogs_.Ask(this, QStringLiteral("The new pack is %1. Show its contents?").arg(FromPath(newIndex)),
                     QStringLiteral("Save as new pack")) &&
        OpenPack)
        OpenPack(newIndex);
    return true;
}

std::optional<QString> TContentsForm::AskPackFolder() {
    const QFileInfo source(FromPath(indexPath_));
    const QString sourceFolder = source.absolutePath();
    const QString start = QFileInfo(sourceFolder).absolutePath(); // beside the source's folder
    for (;;) {
        std::optional<QString> target = dialogs_.SelectDirectory(this, start);
        if (!target) return std::nullopt;
        const QFileInfo chosen(*target);
        const bool holdsSource = chosen.exists() ? chosen.canonicalFilePath() == source.canonicalPath()
                                                 : QDir::cleanPath(chosen.absoluteFilePath()) == sourceFolder;
        if (!holdsSource) return target;
        ShowErrorBox("A pack is never written over its source: choose another folder for the new " +
                     ExtractFileName(indexPath_));
    }
}

bool TContentsForm::SaveAsPatchClick() {
    if (running_ || model_->ReplacedCount() == 0) return false;
    const QString pack = QFileInfo(FromPath(indexPath_)).completeBaseName();
    const std::optional<PatchTarget> target =
        AskPatchTarget(dialogs_, this, QStringLiteral("Save as patch"), pack, pack);
    if (!target) return false;
    PlainStatus quiet;
    RunContext ctx(quiet);
    if (!replace::SavePatch(ctx, Set(), target->path, target->manifest)) return false;
    replace_->saved = true;
    CurrentMessage->setText(QStringLiteral("Saved %1").arg(FromPath(target->path)));
    return true;
}

bool TContentsForm::SaveAsLogClick() {
    if (running_ || model_->ReplacedCount() == 0) return false;
    const auto file = dialogs_.SaveFile(this, {QStringLiteral("Save as log..."),
                                               QStringLiteral("Log files (*.log)|*.log"), QStringLiteral("log"), true});
    if (!file) return false;
    const std::string output = ToPath(QFileInfo(*file).absoluteFilePath());
    replace::SaveLog(Set(), output);
    replace_->saved = true;
    CurrentMessage->setText(QStringLiteral("Saved %1").arg(FromPath(output)));
    return true;
}

QString ReplacedQuestion(size_t replaced) {
    return replaced == 1 ? QStringLiteral("1 replaced entry: save it?")
                         : QStringLiteral("%1 replaced entries: save them?").arg(replaced);
}

bool TContentsForm::MayClose() {
    if (!Unsaved()) return true;
    const QStringList answers = {QStringLiteral("Save as new pack\u2026"), QStringLiteral("Save as patch\u2026"),
                                 QStringLiteral("Discard"), QStringLiteral("Cancel")};
    const QStringList tips = {QStringLiteral("Write the pack with its replacements into another folder, then close"),
                              QStringLiteral("Write a patch of the replaced entries, then close"),
                              QStringLiteral("Close without saving: the replacements are lost"),
                              QStringLiteral("Keep the window open")};
    const int answer = dialogs_.Choose(this, ReplacedQuestion(model_->ReplacedCount()),
                                       FromPath(ExtractFileName(indexPath_)), answers, tips);
    try {
        switch (answer) {
        case 0: return SaveAsPackClick();
        case 1: return SaveAsPatchClick();
        case 2: return true;
        default: return false;
        }
    } catch (const std::exception& e) {
        ShowErrorBox(e.what());
        return false;
    }
}

} // namespace pw
