// Process with patches in the list: the game's pack folder, then the
// target folder, and the patches applied in list order by the engine's
// apply. Every patched entry's state goes to the results pane; an apply
// the engine refuses writes nothing and its reasons go to the error box.
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <memory>
#include <optional>
#include <vector>

#include "app/Main.h"
#include "core/Error.h"
#include "packs/Driver.h"
#include "packs/patch/PatchApply.h"

namespace {

using namespace pw::patch;

QStringList PlanLines(const ApplyPlan& plan) {
    QStringList lines;
    for (const ApplyPackPlan& p : plan.packs) {
        if (!p.refusal.empty()) {
            lines << QStringLiteral("%1: refused: %2").arg(pw::FromPath(p.name), pw::FromPath(p.refusal));
            continue;
        }
        lines << QStringLiteral("%1: from %2 to %3").arg(pw::FromPath(p.name), pw::FromPath(p.sourceIndex),
                                                        pw::FromPath(p.targetIndex));
        for (const ApplyEntryPlan& e : p.entries) {
            QString line = QStringLiteral("  %1\t%2\t%3\t%4")
                               .arg(e.index)
                               .arg(QLatin1String(ApplyStateName(e.state)), QString::fromLatin1(e.name),
                                    pw::FromPath(plan.patches[e.patch]->Path()));
            if (!e.message.empty()) line += u'\t' + pw::FromPath(e.message);
            lines << line;
        }
        lines << QStringLiteral("  %1 applies, %2 already, %3 conflict, %4 refused")
                     .arg(p.applies)
                     .arg(p.already)
                     .arg(p.conflicts)
                     .arg(p.refused);
    }
    return lines;
}

} // namespace

std::optional<bool> TMainForm::ProcessPatches() {
    const auto game = dialogs_.SelectDirectory(this, GameDir.isEmpty() ? QDir::currentPath() : GameDir);
    if (!game) return std::nullopt;
    GameDir = *game;
    const auto target = dialogs_.SelectDirectory(this, QDir::currentPath());
    if (!target) return std::nullopt;

    std::vector<std::string> paths;
    for (int i = 0; i < LogList->count(); ++i) paths.push_back(pw::ToPath(LogList->item(i)->text()));
    std::vector<std::unique_ptr<PatchFile>> files;
    const std::vector<const PatchFile*> patches = OpenPatches(paths, files);
    const std::string targetDir = pw::ToPath(QDir(*target).absolutePath());
    const ApplyPlan plan = PlanApply(patches, pw::ToPath(QDir(*game).absolutePath()), targetDir, false);
    for (const QString& line : PlanLines(plan)) Results->appendPlainText(line);
    if (!plan.Ok()) {
        SaveLog->setEnabled(true);
        throw pw::Error(plan.Problems()); // nothing written
    }
    // The engine's apply begins and ends the run (target folder, bars).
    SaveLog->setEnabled(false);
    Stop->setEnabled(true);
    pw::Outcome outcome = pw::Outcome::Done;
    try {
        outcome = pw::patch::RunApply(Run, plan, targetDir);
    } catch (...) {
        pw::EndRun(Run);
        throw;
    }
    Stop->setEnabled(false);
    const pw::RunContext::Tally& t = Run.RunTally;
    Results->appendPlainText(QStringLiteral("Built %1 packs of %2 entries (%3 bytes) in %4")
                                 .arg(t.Packs)
                                 .arg(t.Entries)
                                 .arg(t.Bytes)
                                 .arg(pw::FromPath(targetDir)));
    SaveLog->setEnabled(true);
    return outcome == pw::Outcome::Stopped;
}
