// "Save as patch…" of the change plan window: the patch of the entries the
// plan calls changed, made by the engine's own diff from logs, so that the
// window writes exactly what `packwright-cli diff --log` writes.
#include <QCoreApplication>
#include <QFileInfo>

#include "app/browse/Paths.h"
#include "app/browse/PlanWindow.h"
#include "core/Error.h"
#include "packs/patch/PatchMake.h"

namespace pw {

void TPlanForm::SaveAsPatchClick() {
    const std::optional<QString> title =
        dialogs_.AskText(this, QStringLiteral("Save as patch"), QStringLiteral("Title:"),
                         QFileInfo(FromPath(logPath_)).completeBaseName());
    if (!title) return;
    const std::optional<QString> author =
        dialogs_.AskText(this, QStringLiteral("Save as patch"), QStringLiteral("Author:"), QString());
    if (!author) return;
    const std::optional<QString> file = dialogs_.SaveFile(
        this, {QStringLiteral("Save as patch..."), QStringLiteral("Patches (*.pwpatch)|*.pwpatch"),
               QStringLiteral("pwpatch"), true});
    if (!file) return;
    try {
        patch::SetWriterVersion(PACKWRIGHT_VERSION);
        patch::Manifest manifest;
        manifest.title = title->toStdString();
        manifest.author = author->toStdString();
        PlainStatus quiet;
        RunContext ctx(quiet);
        // Planned against the folder this window shows the plan for.
        patch::WritePatchFromLogs(ctx, ToPath(QFileInfo(*file).absoluteFilePath()), manifest, {logPath_},
                                  targetDir_);
    } catch (const std::exception& e) {
        dialogs_.ShowError(this, QString::fromStdString(ErrorBoxText(e.what())),
                           QCoreApplication::applicationName());
    }
}

} // namespace pw
