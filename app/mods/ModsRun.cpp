// The Mods window's runs: Deploy and Restore game through the engine's
// mods session (the plan's counts first, the game-update question, progress
// and Stop), the pack states, and the entries two enabled mods clash on.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <map>

#include "app/browse/Paths.h"
#include "app/browse/PreviewPane.h"
#include "app/mods/ModsWindow.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/EntryFilter.h"
#include "packs/patch/PatchFile.h"

namespace pw {

namespace {

QString Text(const std::string& s) { return QString::fromStdString(s); }

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines) text += (text.empty() ? "" : "\n") + l;
    return text;
}

} // namespace

void TModsForm::SetBusy(bool busy) {
    running_ = busy;
    for (QWidget* w : std::initializer_list<QWidget*>{ChooseGame, Mods, AddMods, RemoveMod, MoveUp, MoveDown, OpenList,
                                                      SaveList, LaterWins, Deploy, Restore})
        w->setEnabled(!busy);
    Stop->setEnabled(busy);
}

void TModsForm::DeployClick() { Run(EnabledPaths(), "Deploy"); }

void TModsForm::RestoreClick() { Run({}, "Restore game"); }

void TModsForm::Run(const std::vector<std::string>& paths, const QString& what) {
    if (running_) return;
    if (GameDir().isEmpty()) ChooseGameClick();
    if (GameDir().isEmpty()) return;
    mods::DeployOptions options;
    options.preferLater = LaterWins->isChecked();
    {
        mods::ModsSession session(ToPath(GameDir()));
        if (!session.Recovery().empty()) dialogs_.Inform(this, Text(session.Recovery()), "Packwright");
        if (paths.empty() && session.Deployed().Empty()) {
            dialogs_.Inform(this, "No mods are deployed in this game folder: nothing to restore.", "Packwright");
            return;
        }
        // A pack changed since the deployment: the game's new version?
        for (const mods::PackStatus& p : session.Status().packs) {
            if (p.state != mods::PackState::Changed) continue;
            const QString question = Text(p.name + " changed since the mods were deployed (a game update?): take it "
                                                   "as the game's new version?");
            if (!dialogs_.Ask(this, question, what)) return;
            options.acceptUpdate = true;
        }
        mods::DeployPlan plan = session.Plan(paths, options);
        size_t refused = 0;
        for (const patch::ApplyPackPlan& p : plan.apply.packs) refused += p.refused + (p.refusal.empty() ? 0 : 1);
        if (!plan.Ok() && refused > 0 && !options.skipRefused) {
            const QString question = Text(Lines(plan.problems)) + "\n\nDeploy every entry that still applies?";
            if (!dialogs_.Ask(this, question, what)) return;
            options.skipRefused = true;
            plan = session.Plan(paths, options);
        }
        if (!plan.Ok()) throw Error(Lines(plan.problems));
        if (plan.unchanged) {
            dialogs_.Inform(this, "These mods are deployed already: nothing to write.", what);
            return;
        }
        size_t conflicts = 0;
        for (const patch::ApplyPackPlan& p : plan.apply.packs) conflicts += p.conflicts;
        const QString counts = QString("%1 packs to modify, %2 to restore, %3 entries, %4 conflicts, %5 refused.\n\n%6?")
                                   .arg(plan.Count(mods::PackAction::Modify))
                                   .arg(plan.Count(mods::PackAction::Restore))
                                   .arg(plan.Entries())
                                   .arg(conflicts)
                                   .arg(refused)
                                   .arg(what);
        if (!dialogs_.Ask(this, counts, what)) return;
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
        for (const std::string& left : plan.leftOut) StatusLine->setToolTip(StatusLine->toolTip() + Text(left) + "\n");
    }
    RefreshState();
}

void TModsForm::RefreshState() {
    Packs->clear();
    if (GameDir().isEmpty() || running_) return;
    mods::ModsSession session(ToPath(GameDir()));
    for (const mods::PackStatus& p : session.Status().packs)
        Packs->addTopLevelItem(new QTreeWidgetItem(QStringList{Text(p.name), mods::PackStateName(p.state), QString::number(qulonglong(p.entries))}));
}

void TModsForm::RefreshConflicts() {
    if (!Conflicts) return;
    Conflicts->clear();
    // Per pack and entry, each enabled mod's new data (length and hash).
    struct Change {
        int row;
        int64_t size;
        uint64_t hash;
    };
    std::map<std::pair<std::string, uint32_t>, std::vector<Change>> changes;
    std::map<std::pair<std::string, uint32_t>, std::string> names;
    const QSignalBlocker block(Mods);
    for (int i = 0; i < Mods->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = Mods->topLevelItem(i);
        row->setText(5, "0");
        if (row->checkState(0) != Qt::Checked) continue;
        try {
            const patch::PatchFile patch(ToPath(row->data(0, Qt::UserRole).toString()));
            for (const patch::PatchPack& pp : patch.Packs())
                for (const patch::PatchEntry& e : pp.entries) {
                    const auto key = std::make_pair(UpperCaseAscii(pp.name), e.index);
                    changes[key].push_back({i, e.newSize, e.newHash});
                    names[key] = pp.name + "\t" + e.name;
                }
        } catch (const Error&) {
            row->setText(5, "?"); // unreadable now: the deploy will say why
        }
    }
    std::vector<int> clashes(size_t(Mods->topLevelItemCount()), 0);
    for (const auto& [key, list] : changes) {
        bool differ = false;
        for (const Change& c : list) differ = differ || c.size != list.front().size || c.hash != list.front().hash;
        if (!differ) continue;
        QStringList by;
        for (const Change& c : list) {
            by.append(Mods->topLevelItem(c.row)->text(0));
            ++clashes[size_t(c.row)];
        }
        const QString name = Text(names[key]);
        auto* item = new QTreeWidgetItem(QStringList{name.section('\t', 0, 0), QString::number(key.second), name.section('\t', 1), by.join(", "),
             LaterWins->isChecked() ? Mods->topLevelItem(list.back().row)->text(0) : QString("none: the deploy is refused")});
        item->setData(0, Qt::UserRole, Mods->topLevelItem(list.front().row)->data(0, Qt::UserRole));
        item->setData(1, Qt::UserRole, Mods->topLevelItem(list.back().row)->data(0, Qt::UserRole));
        item->setData(2, Qt::UserRole, qlonglong(list.front().size));
        item->setData(3, Qt::UserRole, qlonglong(list.back().size));
        Conflicts->addTopLevelItem(item);
    }
    for (int i = 0; i < Mods->topLevelItemCount(); ++i) Mods->topLevelItem(i)->setText(5, QString::number(clashes[size_t(i)]));
}

void TModsForm::PreviewConflict() {
    QTreeWidgetItem* item = Conflicts->currentItem();
    if (!item) {
        FirstVersion->Clear();
        LastVersion->Clear();
        return;
    }
    const std::string pack = ToPath(item->text(0)), name = ToPath(item->text(2));
    const uint32_t index = item->text(1).toUInt();
    for (auto [pane, column] : {std::pair{FirstVersion, 0}, std::pair{LastVersion, 1}}) {
        PreviewRequest request;
        request.type = EntryType(name);
        const std::string path = ToPath(item->data(column, Qt::UserRole).toString());
        // Read off the window's thread from the patch opened again.
        request.read = [path, pack, index] {
            const patch::PatchFile file(path);
            for (const patch::PatchPack& pp : file.Packs())
                for (const patch::PatchEntry& e : pp.entries)
                    if (SameTextAscii(pp.name, pack) && e.index == index) {
                        QByteArray bytes;
                        file.ReadData(e, [&bytes](const unsigned char* data, size_t size) {
                            bytes.append(reinterpret_cast<const char*>(data), qsizetype(size));
                        });
                        return bytes;
                    }
            throw Error("Damaged patch " + path);
        };
        request.size = item->data(2 + column, Qt::UserRole).toLongLong();
        pane->Request(request);
    }
}

void TModsForm::SetStatus(const std::string& caption) { StatusLine->setText(Text(caption)); }
int TModsForm::ProgressPosition() const { return Progress->value(); }
void TModsForm::SetProgressPosition(int position) { Progress->setValue(position); }
int TModsForm::ProgressMax() const { return Progress->maximum(); }
void TModsForm::SetProgressMax(int maximum) { Progress->setMaximum(maximum); }
void TModsForm::ProcessEvents() { QApplication::processEvents(); }

} // namespace pw
