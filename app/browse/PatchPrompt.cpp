#include "app/browse/PatchPrompt.h"

#include <QFileInfo>

#include "app/browse/Paths.h"
#include "packs/patch/PatchMake.h"

namespace pw {

std::optional<PatchTarget> AskPatchTarget(Dialogs& dialogs, QWidget* parent, const QString& caption,
                                          const QString& title, bool askVersion) {
    const std::optional<QString> name = dialogs.AskText(parent, caption, QStringLiteral("Title:"), title);
    if (!name) return std::nullopt;
    const std::optional<QString> author = dialogs.AskText(parent, caption, QStringLiteral("Author:"), QString());
    if (!author) return std::nullopt;
    std::optional<QString> version = QString();
    if (askVersion) version = dialogs.AskText(parent, caption, QStringLiteral("Version:"), QString());
    if (!version) return std::nullopt;
    const std::optional<QString> file = dialogs.SaveFile(
        parent, {caption + QStringLiteral("..."), QStringLiteral("Patches (*.pwpatch)|*.pwpatch"),
                 QStringLiteral("pwpatch"), true});
    if (!file) return std::nullopt;
    patch::SetWriterVersion(PACKWRIGHT_VERSION);
    PatchTarget target;
    target.manifest.title = name->toStdString();
    target.manifest.author = author->toStdString();
    target.manifest.version = version->toStdString();
    target.path = ToPath(QFileInfo(*file).absoluteFilePath());
    return target;
}

} // namespace pw
