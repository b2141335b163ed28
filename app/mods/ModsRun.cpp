// The Mods window's runs: Deploy, Restore game and Back to this through
// the engine's mods session (the plan in words first, the game-update
// question, progress and Stop), and the pack states read again.
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>

#include "app/browse/Paths.h"
#include "app/mods/ModsWindow.h"
#include "core/Directory.h"
#include "core/Error.h"
#include "packs/mods/ModsText.h"

namespace pw {

namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }

// Columns as wide as their texts, the last one taking the rest; a cell cut
// all the same shows its whole text in its tooltip.
void FitColumns(QTreeWidget* table) {
    for (int i = 0; i < table->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = table->topLevelItem(i);
        for (int c = 0; c < table->columnCount(); ++c)
            if (item->toolTip(c).isEmpty()) item->setToolTip(c, item->text(c));
    }
    for (int c = 0; c + 1 < table->columnCount(); ++c) table->resizeColumnToContents(c);
}

} // namespace

void TModsForm::SetBusy(bool busy) {
    running_ = busy;
    for (QWidget* w : std::initializer_list<QWidget*>{ChooseGame, Mods, AddMods, RemoveMod, MoveUp, MoveDown, OpenList,
                                                      SaveList, LaterWins, Deploy, Restore, Refresh, BackTo,
                                                      FindCulprit, Good, Bad, EndSearch})
        w->setEnabled(!busy);
    Stop->setEnabled(busy);
    Progress->setVisible(busy);
}

void TModsForm::DeployClick() {
    QStringList unreadable;
    for (int i = 0; i < Mods->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = Mods->topLevelItem(i);
        if (row->checkState(0) == Qt::Checked && !row->data(0, Qt::UserRole + 2).toString().isEmpty())
            unreadable.append(row->text(0) + ": " + row->data(0, Qt::UserRole + 2).toString());
    }
    if (!unreadable.isEmpty())
        throw Error("These mods cannot be read; switch them off or remove them to deploy:\n" +
                    unreadable.join("\n").toStdString());
    const std::vector<std::string> paths = EnabledPaths();
    Run([&](mods::ModsSession& s, mods::DeployOptions& o) { return s.Plan(paths, o); }, "Deploy", false);
}

void TModsForm::RestoreClick() {
    Run([](mods::ModsSession& s, mods::DeployOptions& o) { return s.Plan({}, o); }, "Restore game", true);
}

void TModsForm::BackToClick() {
    const QTreeWidgetItem* item = History->currentItem();
    if (!item) throw Error("Choose a deployment in the history first");
    const uint64_t id = item->data(0, Qt::UserRole).toULongLong();
    Run(
        [id](mods::ModsSession& s, mods::DeployOptions& o) {
            if (s.Current() == id) throw Error("Deployment " + std::to_string(id) + " is the current one: nothing to write");
            return s.PlanRecord(mods::ReadHistoryRecord(s.Game(), id), o);
        },
        "Back to this", false);
}

void TModsForm::Run(const Planner& planner, const QString& what, bool restore) {
    if (running_) return;
    if (GameDir().isEmpty()) ChooseGameClick();
    if (GameDir().isEmpty()) return;
    mods::DeployOptions options;
    options.preferLater = LaterWins->isChecked();
    {
        mods::ModsSession session(ToPath(GameDir()));
        if (!session.Recovery().empty()) dialogs_.Inform(this, Text(session.Recovery()), "Packwright");
        if (restore && session.Deployed().Empty()) {
            dialogs_.Inform(this, "No mods are deployed in this game folder: nothing to restore.", "Packwright");
            return;
        }
        // A pack changed since the deployment: the game's new version?
        for (const mods::PackStatus& p : session.Status().packs) {
            if (p.state != mods::PackState::Changed) continue;
            if (!dialogs_.Ask(this, Text(mods::UpdateQuestion(p.name)), what)) return;
            options.acceptUpdate = true;
        }
        mods::DeployPlan plan = planner(session, options);
        if (!plan.absent.empty()) {
            std::vector<std::string> absent;
            for (const std::string& name : plan.absent) absent.push_back(mods::AbsentMessage(name, session.Game()));
            throw Error(mods::JoinLines(absent));
        }
        if (!plan.Ok() && mods::RefusedCount(plan) > 0 && !options.skipRefused) {
            const QString question = Text(mods::JoinLines(plan.problems)) + "\n\nDeploy every entry that still applies?";
            if (!dialogs_.Ask(this, question, what)) return;
            options.skipRefused = true;
            plan = planner(session, options);
        }
        if (!plan.Ok()) throw Error(mods::JoinLines(plan.problems));
        if (plan.unchanged) {
            dialogs_.Inform(this, "These mods are deployed already: nothing to write.", what);
            return;
        }
        if (!dialogs_.Ask(this, Text(mods::PlanQuestion(plan, session.Deployed(), restore) + "\n\n") + what + "?", what))
            return;
        SetBusy(true);
        run_.StopRequested.store(false);
        Outcome outcome = Outcome::Done;
        try {
            outcome = session.Deploy(run_, plan, options);
        } catch (...) {
            SetBusy(false);
            SetStatus("");
            throw;
        }
        SetBusy(false);
        SetStatus(outcome == Outcome::Stopped ? "Operation stopped!" : "Operation complete!");
        StatusLine->setToolTip(Text(mods::JoinLines(plan.leftOut)));
    }
    RefreshState();
    // Without a list file of the player's, the load order shown is what is
    // deployed, unless rows the player put there would go with it.
    if (!list_ && !deployed_.mods.empty() && ShowingDeployedLosesNothing()) ShowDeployed(deployed_);
    else if (!list_) showsDeployed_ = false;
    UpdateCaption();
}

void TModsForm::RefreshState() {
    refreshing_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{refreshing_};
    Packs->clear();
    History->clear();
    deployed_ = {};
    mods::BisectView search;
    // A folder without Packwright's own has nothing deployed: no session,
    // which would make that folder for its lock.
    if (!GameDir().isEmpty() && !running_ && IsDirectory(mods::GameFolder(ToPath(GameDir())).OwnDir())) {
        mods::ModsSession session(ToPath(GameDir()));
        deployed_ = session.Deployed();
        for (const mods::PackStatus& p : session.Status().packs)
            Packs->addTopLevelItem(new QTreeWidgetItem(
                QStringList{Text(p.name), mods::PackStateName(p.state), Text(mods::Words(p.entries, "entry", "entries"))}));
        for (const mods::HistoryRecord& r : mods::ReadHistory(session.Game())) {
            QStringList titles, packs;
            for (const mods::HistoryMod& m : r.mods) titles.append(Text(m.title.empty() ? m.path : m.title));
            for (const mods::HistoryPack& p : r.packs) packs.append(Text(p.name));
            auto* item = new QTreeWidgetItem(
                QStringList{QString::number(qulonglong(r.id)) + (r.id == session.Current() ? " (current)" : ""),
                            Text(r.time), r.mods.empty() ? QString("restore: the game as shipped") : titles.join(", "),
                            packs.join(", ")});
            item->setData(0, Qt::UserRole, qulonglong(r.id));
            QString tip = Text(r.time) + (r.preferLater ? "\nLater mods win" : "");
            for (const mods::HistoryMod& m : r.mods) tip += "\n" + Text(mods::ModLine(m));
            for (int c = 0; c < 4; ++c) item->setToolTip(c, tip);
            History->addTopLevelItem(item);
        }
        search = mods::BisectStatus(session);
    }
    FitColumns(Packs);
    FitColumns(History);
    const bool searching = search.state.start != 0;
    SearchState->setText(searching ? Text(mods::SearchText(search)) : QString());
    SearchState->setToolTip(SearchState->text());
    FindCulprit->setVisible(!searching);
    for (QWidget* w : std::initializer_list<QWidget*>{Good, Bad, EndSearch}) w->setVisible(searching);
    UpdateCaption();
    UpdateHints();
}

void TModsForm::SetStatus(const std::string& caption) { StatusLine->setText(Text(caption)); }
int TModsForm::ProgressPosition() const { return Progress->value(); }
void TModsForm::SetProgressPosition(int position) { Progress->setValue(position); }
int TModsForm::ProgressMax() const { return Progress->maximum(); }
void TModsForm::SetProgressMax(int maximum) { Progress->setMaximum(maximum); }
void TModsForm::ProcessEvents() { QApplication::processEvents(); }

} // namespace pw
