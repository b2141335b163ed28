#pragma once
// The results of an import of translations into a pack's texts: per PO
// file the counts of translated, untranslated, fuzzy, stale and refused
// messages, then every refusal and every stale message, one a row; and
// "Save patch…", which writes the patch of the changed entries when
// nothing was refused.
#include <QWidget>

#include "app/dialogs/Dialogs.h"
#include "packs/texts/Import.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace pw {

class TTranslationWindow : public QWidget {
    Q_OBJECT
public:
    TTranslationWindow(texts::ImportPlan plan, QString title, Dialogs& dialogs, QWidget* parent = nullptr);

    QLabel* Summary;
    QListWidget* Results;
    QPushButton* BSavePatch;

    // Asks for the patch's title and file, and writes it.
    void SavePatchClick();
    const texts::ImportPlan& Plan() const { return plan_; }

private:
    texts::ImportPlan plan_;
    QString title_;
    Dialogs& dialogs_;
};

} // namespace pw
