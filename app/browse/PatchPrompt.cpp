#include "app/browse/PatchPrompt.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "app/browse/Paths.h"
#include "packs/patch/PatchMake.h"

namespace pw {

namespace {

const QString FolderKey = QStringLiteral("patches/folder");

QString Slug(const QString& text) {
    QString out;
    for (const QChar c : text.toLower()) {
        if (c.isLetterOrNumber()) out += c;
        else if (!out.isEmpty() && !out.endsWith(u'-')) out += u'-';
    }
    while (out.endsWith(u'-')) out.chop(1);
    return out;
}

// The folder a patch was last written to, or the documents folder.
QString PatchFolder() {
    const QString last = QSettings().value(FolderKey).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

} // namespace

QString SuggestedPatchName(const QString& pack, const QString& title) {
    QString name = pack;
    const QString slug = Slug(title);
    if (!slug.isEmpty() && slug != pack.toLower()) name += (name.isEmpty() ? QString() : QStringLiteral("-")) + slug;
    if (name.isEmpty()) name = QStringLiteral("patch");
    return name + QStringLiteral(".pwpatch");
}

std::optional<PatchTarget> AskPatchTarget(Dialogs& dialogs, QWidget* parent, const QString& caption,
                                          const QString& pack, const QString& title) {
    const std::optional<PatchDetails> details = dialogs.AskPatchDetails(parent, caption, {title, {}, {}, {}});
    if (!details) return std::nullopt;
    FileDialogSetup setup{caption + QStringLiteral("..."), QStringLiteral("Patches (*.pwpatch)|*.pwpatch"),
                          QStringLiteral("pwpatch"), true};
    setup.start = QDir(PatchFolder()).filePath(SuggestedPatchName(pack, details->title));
    const std::optional<QString> file = dialogs.SaveFile(parent, setup);
    if (!file) return std::nullopt;
    const QFileInfo chosen(*file);
    QSettings().setValue(FolderKey, chosen.absolutePath());
    patch::SetWriterVersion(PACKWRIGHT_VERSION);
    PatchTarget target;
    target.manifest.title = details->title.toStdString();
    target.manifest.author = details->author.toStdString();
    target.manifest.version = details->version.toStdString();
    target.manifest.description = details->description.toStdString();
    target.path = ToPath(chosen.absoluteFilePath());
    return target;
}

} // namespace pw
