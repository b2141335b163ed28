#pragma once
// The main window: tool bar, input list, results pane and the " Process "
// group; the list commands, the run over the list and the status the pack
// handlers report through. Every click handler may raise pw::Error; the
// buttons call them through the error box, which shows the message and
// leaves the window usable.
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <map>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/ContentsCommands.h"
#include "app/Dialogs.h"
#include "app/browse/Paths.h"
#include "packs/Formathandlers.h"
#include "packs/Kinds.h"
#include "packs/RunContext.h"
#include "packs/StatusSink.h"

namespace Ui {
class TMainForm;
}
class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QMenu;
class QMimeData;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QToolButton;
class TDirForm;
namespace pw {
class TContentsForm;
class TModsForm;
class TPatchForm;
class TPlanForm;
class TTarga;
class TTextObject;
} // namespace pw

class TMainForm : public QWidget, public pw::StatusSink, private pw::ContentsHost {
    Q_OBJECT
public:
    explicit TMainForm(pw::Dialogs& dialogs, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The directory dialog that ProcessDir shows; it lives beside the window.
    void SetDirForm(TDirForm* form) { dirForm_ = form; }

    // The input dialog's file types; the directory dialog reads the same.
    static pw::FileDialogSetup SelectLogSetup();
    static pw::FileDialogSetup SaveLSTSetup();
    static pw::FileDialogSetup SaveResSetup();

    // Controls.
    QFrame* ToolBar1;
    QToolButton* BAddLog;
    QToolButton* ProcessDir;
    QToolButton* BSaveList;
    QToolButton* BRemLog;
    QToolButton* BClearAll;
    QToolButton* BProcess;
    QToolButton* BExit;
    QToolButton* BMods; // opens the Mods window
    QListWidget* LogList;
    QPlainTextEdit* Results;
    QGroupBox* GroupBox1;
    QLabel* CurrentMessage;
    QLabel* Extracted;
    QPushButton* SaveLog;
    QPushButton* Stop;
    QProgressBar* Progress;
    QProgressBar* Total;

    // The state of runs: ResultLines, LogLines, TargetDir, the stop
    // request, the byte total. The window owns the program's one context.
    pw::RunContext Run;

    // The per-item step of a run; FormCreate binds it to DispatchItem.
    std::function<pw::Outcome(uint8_t kind, const std::string& name)> ProcessItem;
    uint8_t InputKind = pw::KindNone;   // kind of the list's entries
    uint8_t& PackFormat;                // format in force while a log is read
    uint8_t& PlainLine;                 // the log line read is no header line
    QString ScanRoot;                   // folder of the last confirmed scan, as typed
    bool ListFromScan = false;          // the list holds the result of a scan
    int SelectLogPosition = 1;          // file type of the input dialog, from 1

    // Components made with the window and configured as its form says; the
    // window itself does not use them.
    pw::TTextObject* TextObject; // IniStyle, AsciiZ, ClearBounds, LinuxFormat, TextAlign 1
    pw::TTarga* Targa;           // 256 x 256, 32 bits

    // Handlers.
    void FormCreate();
    void FormDestroy();
    void BExitClick();
    void BAddLogClick();
    void BRemLogClick();
    void BClearAllClick();
    void BSaveListClick();
    void ProcessDirClick();
    void ScanDirectory(const QString& dir);
    void BProcessClick();
    pw::Outcome DispatchItem(uint8_t kind, const std::string& name);
    // Process with patches in the list: asks the game's pack folder, then
    // the target folder, and applies the list in order. Whether the run was
    // stopped; nothing when a folder prompt was cancelled. The engine's
    // refusal is thrown after the results pane lists every patched entry.
    std::optional<bool> ProcessPatches();
    QString GameDir; // the game's pack folder last named for patches
    void StopClick();
    void SaveLogClick();

    // A run is in progress (BProcess is working through the list).
    bool Running() const { return running_; }

    // The contents window of a pack in the list: made on first use, raised
    // after. Not during a run. Errors of the pack go to the error box.
    pw::TContentsForm* ShowContents(const QString& indexPath) { return windows_->ShowContents(indexPath); }
    pw::TContentsForm* ContentsOf(const QString& indexPath) const { return windows_->ContentsOf(indexPath); }
    // The change plan window of a log in the list, planned against the
    // current folder (the last run's target): made on first use, raised after.
    pw::TPlanForm* ShowChanges(const QString& logPath) { return windows_->ShowChanges(logPath); }
    pw::TPlanForm* ChangesOf(const QString& logPath) const { return windows_->ChangesOf(logPath); }
    // The patch window of a patch in the list, comparing with the game's
    // pack folder once one was named: made on first use, raised after.
    pw::TPatchForm* ShowPatch(const QString& patchPath) { return windows_->ShowPatch(patchPath); }
    pw::TPatchForm* PatchOf(const QString& patchPath) const { return windows_->PatchOf(patchPath); }
    // The Mods window, made on first use and raised after; `listPath`, when
    // given, is a mod list (.pwmods) read into it.
    pw::TModsForm* ShowMods(const QString& listPath = QString());
    // Double-click or Enter on an entry of the list.
    void LogListActivate(QListWidgetItem* item) { windows_->Activate(item); }
    // The list's context menu for an entry (null without one).
    QMenu* LogListMenu(QListWidgetItem* item) { return windows_->Menu(item); }

    // Drag and drop onto the list: .fat, .log, .lst and .pwpatch files are added as
    // the add-files command would; a folder opens the directory dialog with
    // it filled in; anything else adds nothing and the status line says why.
    bool AcceptsDrop(const QMimeData* data) const;
    void DropUrls(const QList<QUrl>& urls);
    // The files the program is started with (`packwright FILE...`): added
    // as a drop of them adds them; a single pack also opens its contents
    // window. A file that does not exist goes to the error box.
    void OpenPaths(const QStringList& paths);

    // Status of the pack handlers.
    void SetStatus(const std::string& caption) override;
    int ProgressPosition() const override;
    void SetProgressPosition(int position) override;
    int ProgressMax() const override;
    void SetProgressMax(int maximum) override;
    int TotalPosition() const override;
    void SetTotalPosition(int position) override;
    int TotalMax() const override;
    void SetTotalMax(int maximum) override;
    void ProcessEvents() override;

    // The error box: the message with its full stop, the application's
    // title as caption, the error icon.
    void ShowErrorBox(const std::string& message);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    friend class RunScope;

    template <class Handler> void Guarded(Handler&& handler);
    void Bind(QToolButton* button, void (TMainForm::*handler)());
    void Bind(QPushButton* button, void (TMainForm::*handler)());
    void SetListButtons(bool enabled);
    void EnableListButtonsIfFilled();
    void CloseIfAsked();
    // The add-files command: `choose` gives the files and their file-type
    // position (1 .fat, 2 .lst, 3 .log, 4 .pwpatch), as the open dialog or a drop does.
    void AddFiles(const std::function<QStringList(int& position)>& choose);
    // Tooltips, accessible names and shortcuts of the tool-bar commands.
    void SetUpToolBarHelp();
    // The tool bar's Mods button, before Exit.
    void SetUpModsCommand();
    // Local files and folders as a drop adds them; whether anything was.
    bool AddPaths(const QStringList& paths);
    void FitToText();
    bool ContentsBusy() const { return windows_->Busy(); }
    // What the contents, change plan and patch windows ask of this one.
    bool ListRunning() const override { return running_; }
    uint8_t ListKind() const override { return InputKind; }
    QString GameFolder() const override { return GameDir; }
    void ShowError(const std::string& message) override { ShowErrorBox(message); }

    std::unique_ptr<Ui::TMainForm> ui_;
    pw::Dialogs& dialogs_;
    TDirForm* dirForm_ = nullptr;
    bool running_ = false;
    bool closeAfterRun_ = false;
    bool centred_ = false;
    bool fitted_ = false; // the controls are in place to be fitted to their text
    pw::TContentsCommands* windows_; // the windows the list opens
    QPointer<pw::TModsForm> mods_;
};

// An error ends the handler that raised it; the box shows it and the window
// goes on. Nothing is let through to Qt's event loop.
template <class Handler> void TMainForm::Guarded(Handler&& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ShowErrorBox(e.what());
    } catch (...) {
        ShowErrorBox("Unknown error");
    }
}
