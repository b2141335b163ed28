#pragma once
// The Mods window: a game folder, the load order of patches (each with its
// check box, moved by drag and drop or Up/Down, added by the file dialog or
// a drop of .pwpatch files), the entries that two enabled mods change
// differently, the state of each pack the last deployment changed, and
// Deploy / Restore game with the plan's counts first, progress and Stop.
// Everything runs through the engine's mods code (packs/mods/Mods.h), the
// same the command line runs; dialogs go through the dialog interface.
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/dialogs/Dialogs.h"
#include "packs/RunContext.h"
#include "packs/StatusSink.h"
#include "packs/mods/Mods.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace pw {

class TPreviewPane;

class TModsForm : public QWidget, public StatusSink {
    Q_OBJECT
public:
    explicit TModsForm(Dialogs& dialogs, QWidget* parent = nullptr);
    ~TModsForm() override;

    QLineEdit* GameFolder;
    QPushButton* ChooseGame;
    QTreeWidget* Mods;      // the load order: title, version, author, packs, entries, clashes
    QPushButton *AddMods, *RemoveMod, *MoveUp, *MoveDown, *OpenList, *SaveList;
    QCheckBox* LaterWins;   // as --prefer-later
    QTreeWidget* Conflicts; // pack, entry, name, mods, wins
    // The selected clash: the first mod's version and the last one's.
    TPreviewPane *FirstVersion, *LastVersion;
    QTreeWidget* Packs;     // pack, state, entries
    QPushButton *Deploy, *Restore, *Stop;
    QLabel* StatusLine;
    QProgressBar* Progress;

    // The game's folder, remembered for the next time the window opens.
    void SetGameDir(const QString& dir);
    QString GameDir() const;
    // Adds patches at the end of the load order, enabled; a patch that
    // cannot be read goes to the error box.
    void AddPatches(const QStringList& paths);
    // Reads a mod list into the load order (replacing it), and writes it.
    void LoadList(const QString& path);
    void SaveListAs(const QString& path) const;
    // The enabled patches, in load order.
    std::vector<std::string> EnabledPaths() const;

    void ChooseGameClick();
    void AddModsClick();
    void OpenListClick();
    void SaveListClick();
    void DeployClick();
    void RestoreClick();
    // The pack states and the conflicts pane, afresh.
    void RefreshState();
    void RefreshConflicts();
    void PreviewConflict();

    // StatusSink: the status line and the progress bar.
    void SetStatus(const std::string& caption) override;
    int ProgressPosition() const override;
    void SetProgressPosition(int position) override;
    int ProgressMax() const override;
    void SetProgressMax(int maximum) override;
    int TotalPosition() const override { return total_; }
    void SetTotalPosition(int position) override { total_ = position; }
    int TotalMax() const override { return 100; }
    void SetTotalMax(int) override {}
    void ProcessEvents() override;

protected:
    // Not while a deployment runs: Stop is asked for instead.
    void closeEvent(QCloseEvent* event) override;

private:
    // Deploys `paths` (none: restore), asking what the engine cannot decide.
    void Run(const std::vector<std::string>& paths, const QString& what);
    template <class Handler> void Guarded(Handler&& handler);
    void MoveSelected(int by);
    void SetBusy(bool busy);
    QTreeWidgetItem* RowOf(const QString& path) const;

    Dialogs& dialogs_;
    RunContext run_{*this};
    int total_ = 0;
    bool running_ = false;
};

} // namespace pw
