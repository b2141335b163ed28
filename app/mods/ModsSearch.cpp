// The Mods window's search for the mod that breaks the game: Find the
// culprit… starts it from the deployed mods, Good and Bad answer each step,
// End search puts the mods from before it back; the suspects left show
// beside the buttons.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/browse/Paths.h"
#include "app/mods/ModsWindow.h"
#include "packs/mods/ModsText.h"

namespace pw {

void TModsForm::Search(const std::function<mods::BisectView(mods::ModsSession&, mods::DeployOptions)>& command) {
    if (running_) return;
    if (GameDir().isEmpty()) ChooseGameClick();
    if (GameDir().isEmpty()) return;
    mods::BisectView view;
    {
        mods::ModsSession session(ToPath(GameDir()));
        SetBusy(true);
        run_.StopRequested.store(false);
        try {
            view = command(session, {});
        } catch (...) {
            SetBusy(false);
            RefreshState();
            throw;
        }
        SetBusy(false);
    }
    RefreshState();
    if (!list_ && !deployed_.mods.empty() && ShowingDeployedLosesNothing()) ShowDeployed(deployed_);
    if (view.found)
        dialogs_.Inform(this,
                        QString::fromStdString(mods::ModLine(*view.Suspects()[0]) + " breaks the game: found in " +
                                               mods::Words(view.state.steps, "step", "steps") +
                                               ".\n\nThe mods deployed before the search are deployed again."),
                        "Find the culprit");
    else if (view.ended)
        SetStatus("The search is ended: the mods deployed before it are deployed again");
    else
        SetStatus(mods::SearchText(view));
}

void TModsForm::FindCulpritClick() {
    if (!dialogs_.Ask(this,
                      "Each step deploys the deployed mods with about half of the suspects taken out; play the game, "
                      "then answer Good (it works) or Bad (it breaks). Start with the deployed mods?",
                      "Find the culprit"))
        return;
    Search([this](mods::ModsSession& s, mods::DeployOptions o) { return mods::BisectStart(s, run_, o); });
}

void TModsForm::Answer(bool good) {
    Search([this, good](mods::ModsSession& s, mods::DeployOptions o) { return mods::BisectAnswer(s, run_, o, good); });
}

void TModsForm::EndSearchClick() {
    Search([this](mods::ModsSession& s, mods::DeployOptions o) { return mods::BisectReset(s, run_, o); });
}

} // namespace pw
