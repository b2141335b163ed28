#pragma once
// The Mods window: a game folder, the load order of patches (each with its
// check box, moved by drag and drop or Up/Down, added by the file dialog or
// a drop of .pwpatch files; a patch that cannot be read stays as a row
// marked missing or damaged), the entries that two enabled mods change
// differently with the game's own entry and each mod's version, the state
// of each pack the deployment changed, every earlier deployment to go back
// to, the search for the mod that breaks the game, and Deploy / Restore
// game with the plan in words first, progress and Stop. Opened on a game
// folder with mods deployed and no list, it shows the deployed load order.
// Everything runs through the engine's mods code (packs/mods/), the same
// the command line runs; dialogs go through the dialog interface.
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs/Dialogs.h"
#include "packs/RunContext.h"
#include "packs/StatusSink.h"
#include "packs/mods/Bisect.h"
#include "packs/mods/ModList.h"
#include "packs/mods/Mods.h"

class QCheckBox;
class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;

namespace pw {

class TDiffView;
class TPreviewPane;

class TModsForm : public QWidget, public StatusSink {
    Q_OBJECT
public:
    explicit TModsForm(Dialogs& dialogs, QWidget* parent = nullptr);
    ~TModsForm() override;

    QLineEdit* GameFolder;
    QPushButton* ChooseGame;
    QLabel *LoadOrderHeading, *ConflictsHeading, *PacksHeading, *HistoryHeading;
    QTreeWidget* Mods;      // the load order: title, version, author, packs, entries, clashes
    QPushButton *AddMods, *RemoveMod, *MoveUp, *MoveDown, *OpenList, *SaveList;
    QCheckBox* LaterWins;   // as --prefer-later
    QTreeWidget* Conflicts; // pack, entry, name, mods, wins
    // The selected clash: the game's own entry, then the version of each
    // mod that changes it, in load order, each under a label naming the mod
    // (the winner marked); texts as a diff against the game's.
    struct ModVersion {
        QWidget* pane;
        QLabel* label;
        TPreviewPane* preview;
        TDiffView* diff;
    };
    QLabel* GameLabel;
    TPreviewPane* GameVersion;
    std::vector<ModVersion> Versions; // the first ShownVersions() are in use
    size_t ShownVersions() const { return shownVersions_; }
    QTreeWidget* Packs;     // pack, state, entries
    QTreeWidget* History;   // deployment, time, mods, packs; newest first
    QPushButton* BackTo;    // deploys the selected deployment again
    // The search for the mod that breaks the game: its state and answers.
    QPushButton *FindCulprit, *Good, *Bad, *EndSearch;
    QLabel* SearchState;
    QPushButton *Deploy, *Restore, *Refresh, *Stop;
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
    void SaveListAs(const QString& path);
    // The enabled patches, in load order.
    std::vector<std::string> EnabledPaths() const;
    // Whether the load order has changes not saved (the caption's "*").
    bool Modified() const { return modified_; }

    void ChooseGameClick();
    void AddModsClick();
    void OpenListClick();
    bool SaveListClick();
    void DeployClick();
    void RestoreClick();
    void BackToClick();
    void FindCulpritClick();
    void Answer(bool good);
    void EndSearchClick();
    // The pack states, the history and the search, read again; the
    // conflicts pane afresh.
    void RefreshState();
    // The same on focus and on a change in the game's folder: a failure
    // goes to the status line.
    void RefreshQuietly();
    void RefreshConflicts();
    void PreviewConflict();
    // The mods' texts as diffs against the game's, once every version is read.
    void ShowTextDiffs();

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
    // Not while a deployment runs: Stop is asked for instead. Unsaved
    // changes of the load order are asked about.
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    using Planner = std::function<mods::DeployPlan(mods::ModsSession&, mods::DeployOptions&)>;
    // Deploys what `plan` makes (no mods: restore), asking what the engine
    // cannot decide.
    void Run(const Planner& plan, const QString& what, bool restore);
    // A search command on a session of its own, then its answer shown.
    void Search(const std::function<mods::BisectView(mods::ModsSession&, mods::DeployOptions)>& command);
    template <class Handler> void Guarded(Handler&& handler);
    void MoveSelected(int by);
    void SetBusy(bool busy);
    void SetModified(bool modified);
    void UpdateCaption();
    void UpdateHints();
    // A row of the load order for `path`, read again; the row of a
    // patch that cannot be read says why. Returns the reason, or "".
    std::string AddRow(const QString& path, bool enabled, int line);
    QTreeWidgetItem* RowOf(const QString& path) const;
    // The deployed load order (and its setting), in place of the rows.
    void ShowDeployed(const mods::Deployment& deployed);
    bool SameAsDeployed() const;
    // Whether the rows may give way to the deployed load order: nothing
    // changed since, or every row enabled and deployed as it stands.
    bool ShowingDeployedLosesNothing() const;
    // `count` mod version panes shown, made when there are fewer.
    void ShowVersions(size_t count);

    Dialogs& dialogs_;
    RunContext run_{*this};
    int total_ = 0;
    bool running_ = false, modified_ = false, showsDeployed_ = false, refreshing_ = false;
    std::optional<mods::ModList> list_; // the list the rows were read from
    mods::Deployment deployed_;         // as last read
    QFileSystemWatcher* watcher_;
    QSplitter* clashes_;       // the conflicts, the game's entry, each mod's version
    size_t shownVersions_ = 0;
};

} // namespace pw
