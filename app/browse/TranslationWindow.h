#pragma once
// The results of an import of translations into a pack's texts: per PO
// file the counts of translated, untranslated, fuzzy, stale and refused
// messages, then every refusal and every stale message, one a row; each
// entry the patch will change, with its texts before and after as a diff;
// and "Save patch…", which writes the patch of the changed entries when
// nothing was refused.
#include <QWidget>

#include "app/dialogs/Dialogs.h"
#include "packs/texts/CodePage.h"
#include "packs/texts/Import.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace pw {

class TDiffView;

class TTranslationWindow : public QWidget {
    Q_OBJECT
public:
    TTranslationWindow(texts::ImportPlan plan, QString title, Dialogs& dialogs, QWidget* parent = nullptr);

    QLabel* Summary;
    QListWidget* Results;
    QListWidget* Changes; // one row per entry that changes
    TDiffView* Diff;      // the texts of the entry chosen in Changes
    QPushButton* BSavePatch;

    // Asks for the patch's title and file, and writes it.
    void SavePatchClick();
    const texts::ImportPlan& Plan() const { return plan_; }

    // An entry's blocks as the diff shows them: "[0]\nText\n\n[1]...".
    static QString BlockTexts(const std::string& bytes, const texts::CodePage& codePage);

private:
    void ChangesRowChanged(int row);

    struct Changed {
        size_t pack = 0, change = 0; // in the plan's changes
    };
    std::vector<Changed> changed_;
    texts::ImportPlan plan_;
    QString title_;
    Dialogs& dialogs_;
};

} // namespace pw
