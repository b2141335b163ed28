// An entry opened in the user's own editor: its data written to a private
// temporary folder under the name an extraction gives it, opened with the
// desktop's default application, and watched; each save replaces the entry
// by the file (the latest save counts). The folder goes with the window.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTableView>
#include <QTimer>

#include "app/browse/Contents.h"
#include "app/browse/ContentsReplace.h"
#include "app/browse/PackModel.h"
#include "app/browse/Paths.h"
#include "core/Error.h"

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

} // namespace

QString TContentsForm::OpenInEditorClick() {
    const QModelIndex current = Table->currentIndex();
    if (running_ || !current.isValid()) return {};
    const size_t k = model_->SourceRow(current.row());
    ReplaceParts& r = *replace_;
    if (!r.editFolder) {
        r.editFolder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/packwright-edit-XXXXXX"));
        if (!r.editFolder->isValid()) ThrowCannotCreate(ToPath(r.editFolder->path()));
    }
    const QString path = QDir::cleanPath(r.editFolder->filePath(FromPath(model_->RelativePath(k))));
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
    if (!OpenWithDesktop(path)) ThrowCannotOpen(ToPath(path));
    return path;
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
