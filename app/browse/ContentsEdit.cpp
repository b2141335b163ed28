// An entry opened in the user's own editor: its data written to a private
// temporary folder under the name an extraction gives it (an entry without
// an extension gets the one of what it holds), opened with the program
// chosen for its type, else the editor VISUAL or EDITOR names for a text,
// else the desktop's application, and watched; each save replaces the
// entry by the file (the latest save counts). The folder goes with the
// window.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTableView>
#include <QTimer>

#include "app/browse/Preview.h"
#include "app/open/Opener.h"

#include "app/browse/Contents.h"
#include "app/browse/ContentsReplace.h"
#include "app/browse/PackModel.h"
#include "app/browse/Paths.h"
#include "core/Error.h"
#include "core/FileNames.h"

namespace pw {

namespace {

// How long a changed file is left to its writer before it is looked at
// (an editor may write a new file and rename it over the old one).
constexpr int SettleMs = 100;
constexpr int Retries = 20;

// Copies `size` bytes at `offset` of `from` to the new file `to`.
void CopyBytes(const QString& from, qint64 offset, qint64 size, const QString& to) {
    QFile in(from), out(to);
    if (!in.open(QIODevice::ReadOnly)) ThrowCannotOpen(ToPath(from));
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) ThrowCannotCreate(ToPath(to));
    if (!in.seek(offset)) ThrowReadError();
    while (size > 0) {
        const QByteArray piece = in.read(std::min<qint64>(size, qint64(1) << 20));
        if (piece.isEmpty()) ThrowReadError();
        if (out.write(piece) != piece.size()) ThrowWriteError();
        size -= piece.size();
    }
    if (!out.flush()) ThrowWriteError();
}

// Where an entry's data are: a replacement's file or the pack's data file.
struct Source {
    QString file;
    qint64 offset = 0, size = 0;
};

// The extension of what `head` holds: a picture, an INI text, a text or
// bytes of no known kind.
QString ExtensionOf(const QByteArray& head, qint64 size) {
    switch (ChoosePreview(std::string(), head, size)) {
    case PreviewChoice::Targa: return QStringLiteral("tga");
    case PreviewChoice::Text: return head.startsWith("[0x") ? QStringLiteral("ini") : QStringLiteral("txt");
    case PreviewChoice::Hex: break;
    }
    return QStringLiteral("bin");
}

QString OpenWithKey(const QString& extension) { return QStringLiteral("openWith/") + extension.toLower(); }

} // namespace

QString TContentsForm::EditExtension(size_t k) const {
    const QString own = FromPath(ExtractFileExt(model_->RelativePath(k))).mid(1);
    if (!own.isEmpty()) return own;
    const replace::Replacement* replaced = model_->ReplacementOf(k);
    Source from;
    if (replaced) {
        from = {FromPath(replaced->file), 0, replaced->stamp.size};
    } else {
        if (!model_->Inside(k)) ThrowReadError();
        const FatEntry entry = model_->Index().Entry(k);
        from = {FromPath(model_->DataPath()), qint64(entry.StartBlock) * PackBlockSize, entry.Size};
    }
    QFile in(from.file);
    if (!in.open(QIODevice::ReadOnly)) ThrowCannotOpen(ToPath(from.file));
    if (!in.seek(from.offset)) ThrowReadError();
    const QByteArray head = in.read(std::min<qint64>(from.size, HexLimit));
    if (head.size() != std::min<qint64>(from.size, HexLimit)) ThrowReadError();
    return ExtensionOf(head, from.size);
}

QString TContentsForm::ProgramFor(const QString& extension) {
    return QSettings().value(OpenWithKey(extension)).toString();
}

QString TContentsForm::OpenWithClick() {
    const QModelIndex current = Table->currentIndex();
    if (running_ || !current.isValid()) return {};
    const QString extension = EditExtension(model_->SourceRow(current.row()));
    int position = 1;
    FileDialogSetup setup{QStringLiteral("Open .%1 files with").arg(extension), opener_->ProgramsFilter(), QString(),
                          true};
    setup.start = opener_->ProgramsFolder();
    const QStringList chosen = dialogs_.OpenFiles(this, setup, position);
    if (chosen.isEmpty()) return {};
    QSettings().setValue(OpenWithKey(extension), chosen.first());
    return OpenInEditorClick();
}

QString TContentsForm::OpenInEditorClick() {
    const QModelIndex current = Table->currentIndex();
    if (running_ || !current.isValid()) return {};
    const size_t k = model_->SourceRow(current.row());
    ReplaceParts& r = *replace_;
    if (!r.editFolder) {
        r.editFolder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/packwright-edit-XXXXXX"));
        if (!r.editFolder->isValid()) ThrowCannotCreate(ToPath(r.editFolder->path()));
    }
    QString path = QDir::cleanPath(r.editFolder->filePath(FromPath(model_->RelativePath(k))));
    const QString extension = EditExtension(k);
    if (path.endsWith(u'.')) path += extension;
    // The entry's data as the window has them: its replacement's, or its own.
    const replace::Replacement* replaced = model_->ReplacementOf(k);
    if (!replaced || FromPath(replaced->file) != path) {
        r.watcher->removePath(path); // our own write is no save of the user's
        if (!QDir().mkpath(QFileInfo(path).absolutePath())) ThrowCannotCreate(ToPath(path));
        if (replaced) {
            CopyBytes(FromPath(replaced->file), 0, replaced->stamp.size, path);
        } else {
            if (!model_->Inside(k)) ThrowReadError();
            const FatEntry entry = model_->Index().Entry(k);
            CopyBytes(FromPath(model_->DataPath()), qint64(entry.StartBlock) * PackBlockSize, entry.Size, path);
        }
    }
    r.edited[path] = k;
    if (!r.watcher->files().contains(path)) r.watcher->addPath(path);
    Launch(path, extension);
    return path;
}

void TContentsForm::Launch(const QString& path, const QString& extension) {
    const QString program = ProgramFor(extension);
    if (!program.isEmpty()) {
        if (!opener_->OpenWith(program, path)) throw Error("Cannot start " + ToPath(program));
        return;
    }
    QString editor = qEnvironmentVariable("VISUAL");
    if (editor.isEmpty()) editor = qEnvironmentVariable("EDITOR");
    const QString suffix = extension.toLower();
    const bool text = suffix == QLatin1String("txt") || suffix == QLatin1String("ini") ||
                      ChoosePreview(extension.toUpper().toStdString(), QByteArray(), 0) == PreviewChoice::Text;
    if (text && !editor.isEmpty()) {
        if (!opener_->OpenWithEditor(editor, path)) throw Error("Cannot start " + ToPath(editor));
        return;
    }
    // No program for the type is no fault of the file: the user is told
    // how to choose one.
    if (!opener_->OpenWithDesktop(path))
        dialogs_.Inform(this, QStringLiteral("No application opens .%1 files: choose one with Open with\u2026").arg(suffix),
                        QStringLiteral("Open in editor"));
}

void TContentsForm::EditedFileChanged(const QString& path) {
    ReplaceParts& r = *replace_;
    if (!r.edited.count(path) || !r.settling.insert(path).second) return;
    QTimer::singleShot(SettleMs, this, [this, path] { LookAtEdited(path, Retries); });
}

void TContentsForm::LookAtEdited(const QString& path, int retries) {
    ReplaceParts& r = *replace_;
    if (!QFileInfo::exists(path)) {
        // Between an editor's write and its rename: look again.
        if (retries > 0) QTimer::singleShot(SettleMs, this, [this, path, retries] { LookAtEdited(path, retries - 1); });
        else r.settling.erase(path);
        return;
    }
    r.settling.erase(path);
    if (!r.watcher->files().contains(path)) r.watcher->addPath(path);
    const size_t k = r.edited[path];
    const replace::Replacement* now = model_->ReplacementOf(k);
    if (now && FromPath(now->file) == path && now->stamp == StampOfPath(ToPath(path))) return;
    try {
        ReplaceEntry(k, path);
    } catch (const std::exception& e) {
        ShowErrorBox(e.what());
    }
}

} // namespace pw
