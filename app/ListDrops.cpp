// Files and folders dropped onto the input list, and those the program is
// started with.
#include <QDragEnterEvent>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QToolButton>

#include "app/Dirdialog.h"
#include "app/Main.h"
#include "core/Error.h"
#include "packs/Kinds.h"

namespace {

// The add dialog's file-type position for a file name, 0 for none.
int PositionOf(const QString& file) {
    const QString suffix = QFileInfo(file).suffix().toLower();
    if (suffix == QLatin1String("fat")) return 1;
    if (suffix == QLatin1String("lst")) return 2;
    if (suffix == QLatin1String("log")) return 3;
    if (suffix == QLatin1String("pwpatch")) return 4;
    return 0;
}

} // namespace

bool TMainForm::AcceptsDrop(const QMimeData* data) const {
    if (running_ || !data || !data->hasUrls()) return false;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) return true;
    return false;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched != LogList->viewport()) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (AcceptsDrop(drag->mimeData())) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!AcceptsDrop(drop->mimeData())) {
            drop->ignore();
            return true;
        }
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        const QList<QUrl> urls = drop->mimeData()->urls();
        Guarded([&] { DropUrls(urls); });
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

// A drop is taken whole or not at all: one folder, or files of one of the
// four types. The status line says why a drop added nothing.
void TMainForm::DropUrls(const QList<QUrl>& urls) {
    QStringList paths;
    bool modList = false;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile()) continue;
        // A mod list opens the Mods window with it, as on the command line.
        if (QFileInfo(url.toLocalFile()).suffix().compare("pwmods", Qt::CaseInsensitive) == 0) {
            ShowMods(QDir::toNativeSeparators(url.toLocalFile()));
            modList = true;
        } else {
            paths.append(QDir::toNativeSeparators(url.toLocalFile()));
        }
    }
    if (!paths.isEmpty() || !modList) AddPaths(paths);
}

// `packwright FILE...`: what a drop of the files would add, each file first
// checked to exist (a drop or the open dialog gives only files that do);
// one pack also opens its contents window.
void TMainForm::OpenPaths(const QStringList& paths) {
    Guarded([&] {
        if (paths.isEmpty()) return;
        QStringList absolute;
        for (const QString& path : paths) {
            const QFileInfo info(path);
            if (!info.exists()) pw::ThrowCannotOpen(pw::ToPath(path));
            // A mod list opens the Mods window with it.
            if (info.suffix().compare("pwmods", Qt::CaseInsensitive) == 0) ShowMods(info.absoluteFilePath());
            else absolute.append(QDir::toNativeSeparators(info.absoluteFilePath()));
        }
        if (absolute.isEmpty()) return;
        if (AddPaths(absolute) && absolute.size() == 1 && InputKind == pw::KindPacks) ShowContents(absolute.first());
    });
}

bool TMainForm::AddPaths(const QStringList& paths) {
    if (running_) return false;
    QStringList files;
    QString folder;
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir()) {
            if (!folder.isEmpty() || !files.isEmpty()) {
                SetStatus("Drop one folder, or files of one type.");
                return false;
            }
            folder = path;
        } else {
            if (!folder.isEmpty()) {
                SetStatus("Drop one folder, or files of one type.");
                return false;
            }
            files.append(path);
        }
    }
    if (!folder.isEmpty()) {
        if (!dirForm_) return false;
        dirForm_->ScanDir->setText(folder);
        ProcessDirClick();
        return true;
    }
    if (files.isEmpty()) return false;
    int position = 0;
    for (const QString& file : files) {
        const int p = PositionOf(file);
        if (p == 0) {
            SetStatus(pw::ToPath("Not added: " + QFileInfo(file).fileName() + " is no .fat, .log, .lst or .pwpatch file."));
            return false;
        }
        if (position != 0 && p != position) {
            SetStatus("Not added: files of different types.");
            return false;
        }
        position = p;
    }
    SetStatus("");
    // The add-files command from here on, its dialog answered by the drop.
    AddFiles([&files, position](int& chosen) {
        chosen = position;
        return files;
    });
    return true;
}
