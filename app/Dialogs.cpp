// The Qt side of the dialog interface: file dialogs, the folder prompt and
// the message boxes.
#include "app/Dialogs.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <vector>

#include "app/Dirdialog.h"
#include "app/FolderPrompt.h"
#include "app/browse/Paths.h"
#include "core/Error.h"

namespace pw {

QStringList QtNameFilters(const QString& filter) {
    const QStringList fields = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < fields.size(); i += 2) {
        const QString& description = fields[i];
        const QString& pattern = fields[i + 1];
        // Qt reads the patterns from the parentheses of the description.
        if (description.contains(u'(' + pattern + u')'))
            out << description;
        else
            out << description + QStringLiteral(" (") + pattern + QLatin1Char(')');
    }
    return out;
}

namespace {

// Paths as the system writes them: C:\games\MENU.fat on Windows, where
// Qt's own dialogs answer with "/".
QStringList Native(QStringList paths) {
    for (QString& path : paths) path = QDir::toNativeSeparators(path);
    return paths;
}

void Configure(QFileDialog& dialog, const FileDialogSetup& setup) {
    dialog.setWindowTitle(setup.title);
    dialog.setNameFilters(QtNameFilters(setup.filter));
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (!setup.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(setup.defaultSuffix);
    dialog.setSizeGripEnabled(setup.resizable);
    if (setup.start.isEmpty()) return;
    const QFileInfo start(setup.start);
    if (start.isDir()) {
        dialog.setDirectory(start.absoluteFilePath());
    } else {
        dialog.setDirectory(start.absolutePath());
        dialog.selectFile(start.fileName());
    }
}

} // namespace

QStringList QtDialogs::OpenFiles(QWidget* parent, const FileDialogSetup& setup, int& position) {
    QFileDialog dialog(parent);
    Configure(dialog, setup);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    const QStringList filters = dialog.nameFilters();
    if (position >= 1 && position <= filters.size()) dialog.selectNameFilter(filters[position - 1]);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return {};
    const qsizetype chosen = filters.indexOf(dialog.selectedNameFilter());
    if (chosen >= 0) position = int(chosen) + 1;
    return Native(files);
}

std::optional<QString> QtDialogs::SaveFile(QWidget* parent, const FileDialogSetup& setup) {
    QFileDialog dialog(parent);
    Configure(dialog, setup);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return QDir::toNativeSeparators(files.first());
}

std::optional<QString> QtDialogs::SelectDirectory(QWidget* parent, const QString& start) {
    FolderPrompt prompt(parent, start, *this);
    if (prompt.exec() != QDialog::Accepted) return std::nullopt;
    return QDir::toNativeSeparators(prompt.Folder());
}

int QtDialogs::ExecDirForm(TDirForm& form) {
    return form.exec() == 1 ? 1 : 2;
}

std::optional<QString> QtDialogs::AskText(QWidget* parent, const QString& caption, const QString& label,
                                          const QString& start) {
    bool ok = false;
    const QString text = QInputDialog::getText(parent, caption, label, QLineEdit::Normal, start, &ok);
    if (!ok) return std::nullopt;
    return text;
}

std::optional<int> QtDialogs::AskChoice(QWidget* parent, const QString& caption, const QString& label,
                                        const QStringList& items, int current) {
    bool ok = false;
    const QString chosen = QInputDialog::getItem(parent, caption, label, items, current, false, &ok);
    if (!ok) return std::nullopt;
    return int(items.indexOf(chosen));
}

bool QtDialogs::Ask(QWidget* parent, const QString& text, const QString& caption) {
    return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

void QtDialogs::Inform(QWidget* parent, const QString& text, const QString& caption) {
    QMessageBox::information(parent, caption, text, QMessageBox::Ok);
}

void QtDialogs::ShowError(QWidget* parent, const QString& text, const QString& caption) {
    QMessageBox::critical(parent, caption, text, QMessageBox::Ok);
}

Dialogs::SaveAnswer QtDialogs::AskSave(QWidget* parent, const QString& text, const QString& caption) {
    switch (QMessageBox::question(parent, caption, text, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                  QMessageBox::Save)) {
    case QMessageBox::Save: return SaveAnswer::Save;
    case QMessageBox::Discard: return SaveAnswer::Discard;
    default: return SaveAnswer::Cancel;
    }
}

int QtDialogs::Choose(QWidget* parent, const QString& text, const QString& caption, const QStringList& answers,
                      const QStringList& tips) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::NoButton, parent);
    std::vector<QAbstractButton*> buttons;
    for (qsizetype i = 0; i < answers.size(); ++i) {
        const bool last = i + 1 == answers.size();
        buttons.push_back(box.addButton(answers[i], last ? QMessageBox::RejectRole : QMessageBox::AcceptRole));
        buttons.back()->setToolTip(tips.value(i));
        if (last) box.setEscapeButton(buttons.back());
    }
    if (!buttons.empty()) box.setDefaultButton(qobject_cast<QPushButton*>(buttons.front()));
    box.exec();
    const auto chosen = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return chosen == buttons.end() ? int(answers.size()) - 1 : int(chosen - buttons.begin());
}

FolderPrompt::FolderPrompt(QWidget* parent, const QString& start, Dialogs& asker)
    : QFileDialog(parent), asker_(asker) {
    setWindowTitle(QStringLiteral("Select Directory"));
    // Our own accept() must run, so never the platform's dialog.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setOption(QFileDialog::ShowDirsOnly, true);
    setFileMode(QFileDialog::Directory);
    setAcceptMode(QFileDialog::AcceptOpen);
    const QFileInfo info(start);
    setDirectory(!start.isEmpty() && info.isDir() ? info.absoluteFilePath() : QDir::currentPath());
    for (QDialogButtonBox* box : findChildren<QDialogButtonBox*>()) {
        if (QPushButton* use = box->button(QDialogButtonBox::Open))
            use->setToolTip(QStringLiteral("Take the folder shown, or the one typed (made if it does not exist)"));
        if (QPushButton* cancel = box->button(QDialogButtonBox::Cancel))
            cancel->setToolTip(QStringLiteral("Choose no folder"));
    }
}

QString FolderPrompt::Folder() const {
    const QStringList files = selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

void FolderPrompt::accept() {
    const QString folder = Folder();
    if (folder.isEmpty()) return;
    if (!QFileInfo::exists(folder)) {
        if (!asker_.Ask(this, QStringLiteral("The specified directory does not exist. Create it?"),
                        QStringLiteral("Confirm")))
            return;
        if (!QDir().mkpath(folder)) {
            asker_.ShowError(this,
                             QString::fromStdString(ErrorBoxText(
                                 "Cannot create directory " + ToPath(folder))),
                             windowTitle());
            return;
        }
    }
    QFileDialog::accept();
}

} // namespace pw
