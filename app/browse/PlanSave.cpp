// "Save as patch…" of the change plan window: the patch of the entries the
// plan calls changed, made by the engine's own diff from logs, so that the
// window writes exactly what `packwright-cli diff --log` writes.
#include <QCoreApplication>
#include <QFileInfo>

#include "app/browse/PatchPrompt.h"
#include "app/browse/Paths.h"
#include "app/browse/PlanWindow.h"
#include "core/Error.h"
#include "packs/patch/PatchMake.h"

namespace pw {

void TPlanForm::SaveAsPatchClick() {
    const QString name = QFileInfo(FromPath(logPath_)).completeBaseName();
    const std::optional<PatchTarget> target = AskPatchTarget(dialogs_, this, QStringLiteral("Save as patch"), name, name);
    if (!target) return;
    try {
        PlainStatus quiet;
        RunContext ctx(quiet);
        // Planned against the folder this window shows the plan for.
        patch::WritePatchFromLogs(ctx, target->path, target->manifest, {logPath_}, targetDir_);
    } catch (const std::exception& e) {
        dialogs_.ShowError(this, QString::fromStdString(ErrorBoxText(e.what())),
                           QCoreApplication::applicationName());
    }
}

} // namespace pw
