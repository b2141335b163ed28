// The contents window's tool bar: the replacing actions and Save in sight,
// each with its icon from the desktop's theme (the style's own where the
// theme has none), its shortcut, and a tooltip that says what it does and,
// while it is disabled, why.
#include <QAction>
#include <QFileInfo>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLayout>
#include <QMenu>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>

#include "app/browse/Contents.h"
#include "app/browse/PackModel.h"
#include "app/browse/Paths.h"
#include "core/FileNames.h"
#include "ui_Contents.h"

namespace pw {

namespace {

// An action's icon: the theme's, else the style's.
struct Look {
    QAction* action;
    const char* theme;
    QStyle::StandardPixmap fallback;
};

const char* const NothingReplaced = "Nothing replaced yet";
const char* const Busy = "Not while the window is extracting or saving";
const char* const NoEntry = "Select an entry first";

// "WHAT (KEY)", and below it the reason while the action is disabled.
void Explain(QAction* action, const QString& what, const char* reason) {
    const QString key = action->shortcut().toString(QKeySequence::NativeText);
    QString tip = key.isEmpty() ? what : QStringLiteral("%1 (%2)").arg(what, key);
    action->setEnabled(reason == nullptr);
    if (reason) tip += u'\n' + QString::fromLatin1(reason);
    action->setToolTip(tip);
    action->setStatusTip(what);
}

void Explain(QPushButton* button, const QString& what, const char* reason) {
    button->setEnabled(reason == nullptr);
    button->setToolTip(reason ? what + u'\n' + QString::fromLatin1(reason) : what);
}

} // namespace

void TContentsForm::SetUpToolBar() {
    Tools = new QToolBar(this);
    Tools->setObjectName(QStringLiteral("Tools"));
    Tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    Tools->setIconSize(QSize(16, 16));
    ui_->Outer->insertWidget(0, Tools);

    SaveAction = new QAction(QStringLiteral("Save"), this);
    auto* saveMenu = new QMenu(this);
    saveMenu->addActions({SaveAsPackAction, SaveAsPatchAction, SaveAsLogAction});
    saveMenu->setToolTipsVisible(true);
    SaveAction->setMenu(saveMenu);

    const Look icons[] = {
        {ReplaceAction, "edit-find-replace", QStyle::SP_FileDialogStart},
        {ReplaceFromFolderAction, "folder-open", QStyle::SP_DirOpenIcon},
        {OpenInEditorAction, "document-edit", QStyle::SP_FileDialogContentsView},
        {OpenWithAction, "system-run", QStyle::SP_ComputerIcon},
        {UndoReplaceAction, "edit-undo", QStyle::SP_ArrowBack},
        {UndoAllAction, "edit-clear", QStyle::SP_DialogResetButton},
        {SaveAction, "document-save-as", QStyle::SP_DialogSaveButton},
        {SaveAsPackAction, "package-x-generic", QStyle::SP_DriveHDIcon},
        {SaveAsPatchAction, "text-x-patch", QStyle::SP_FileIcon},
        {SaveAsLogAction, "text-x-generic", QStyle::SP_FileDialogDetailedView},
    };
    for (const Look& h : icons)
        h.action->setIcon(QIcon::fromTheme(QString::fromLatin1(h.theme), style()->standardIcon(h.fallback)));

    Tools->addActions({ReplaceAction, ReplaceFromFolderAction, OpenInEditorAction});
    Tools->addSeparator();
    Tools->addActions({UndoReplaceAction, UndoAllAction});
    Tools->addSeparator();
    Tools->addAction(SaveAction);
    if (auto* save = qobject_cast<QToolButton*>(Tools->widgetForAction(SaveAction)))
        save->setPopupMode(QToolButton::InstantPopup);
    // Open with… goes with Open in editor, in its menu on the tool bar.
    auto* editMenu = new QMenu(this);
    editMenu->setToolTipsVisible(true);
    editMenu->addActions({OpenInEditorAction, OpenWithAction});
    if (auto* edit = qobject_cast<QToolButton*>(Tools->widgetForAction(OpenInEditorAction))) {
        edit->setMenu(editMenu);
        edit->setPopupMode(QToolButton::MenuButtonPopup);
    }
}

void TContentsForm::UpdateActions() {
    if (!SaveAction) return; // not made yet
    const bool current = Table->currentIndex().isValid();
    bool selectedReplaced = false;
    for (const QModelIndex& i : Table->selectionModel()->selectedRows())
        selectedReplaced |= model_->ReplacementOf(model_->SourceRow(i.row())) != nullptr;
    const bool any = model_->ReplacedCount() > 0;
    const auto unless = [this](bool ready, const char* reason) -> const char* {
        return running_ ? Busy : ready ? nullptr : reason;
    };
    Explain(ReplaceAction, QStringLiteral("Replace the selected entry by a file"), unless(current, NoEntry));
    Explain(ReplaceFromFolderAction, QStringLiteral("Replace the entries whose files a folder holds, matched by name"),
            unless(true, nullptr));
    Explain(OpenInEditorAction, QStringLiteral("Open the selected entry in an editor: each save replaces it"),
            unless(current, NoEntry));
    // The program chosen for the type the entry's name gives, in the menu.
    QString program;
    if (current) {
        const size_t k = model_->SourceRow(Table->currentIndex().row());
        const QString extension = FromPath(ExtractFileExt(model_->RelativePath(k))).mid(1);
        if (!extension.isEmpty()) program = ProgramFor(extension);
    }
    OpenWithAction->setText(program.isEmpty() ? QStringLiteral("Open with\u2026")
                                              : QStringLiteral("Open with\u2026 (now %1)").arg(QFileInfo(program).fileName()));
    Explain(OpenWithAction, QStringLiteral("Choose the program that opens entries of this type"),
            unless(current, NoEntry));
    Explain(UndoReplaceAction, QStringLiteral("Give the selected entries their own data back"),
            unless(selectedReplaced, any ? "No selected entry is replaced" : NothingReplaced));
    Explain(UndoAllAction, QStringLiteral("Give every replaced entry its own data back"), unless(any, NothingReplaced));
    Explain(SaveAction, QStringLiteral("Save the replacements as a new pack, a patch or a log"),
            unless(any, NothingReplaced));
    Explain(SaveAsPackAction, QStringLiteral("Write the pack with its replacements into another folder"),
            unless(any, NothingReplaced));
    Explain(SaveAsPatchAction, QStringLiteral("Write a patch of the replaced entries"), unless(any, NothingReplaced));
    Explain(SaveAsLogAction, QStringLiteral("Write a result log that insertion replays"), unless(any, NothingReplaced));

    Explain(BExtractSelected, QStringLiteral("Extract the selected entries into a folder"),
            unless(Table->selectionModel()->hasSelection(), "Select the entries to extract first"));
    Explain(BExtractAll, QStringLiteral("Extract every entry into a folder"),
            unless(model_->SourceCount() > 0, "The pack has no entries"));
    Stop->setToolTip(running_ ? QStringLiteral("Stop after the current entry")
                              : QStringLiteral("Stop after the current entry\nNothing is running"));
}

} // namespace pw
