#include "app/browse/TranslationWindow.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/browse/PatchPrompt.h"
#include "app/browse/Paths.h"
#include "core/Error.h"
#include "core/FileNames.h"

namespace pw {

TTranslationWindow::TTranslationWindow(texts::ImportPlan plan, QString title, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), plan_(std::move(plan)), title_(std::move(title)), dialogs_(dialogs) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Import translation - %1").arg(title_));
    Summary = new QLabel(this);
    Results = new QListWidget(this);
    BSavePatch = new QPushButton(QStringLiteral("Save patch…"), this);
    BSavePatch->setAutoDefault(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Summary);
    layout->addWidget(Results, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(BSavePatch);
    layout->addLayout(bottom);

    size_t refused = 0;
    for (const texts::TranslationReport& r : plan_.files) {
        refused += r.refusals.size();
        Results->addItem(QStringLiteral("%1 (%2): %3 translated, %4 untranslated, %5 fuzzy, %6 stale, %7 refused")
                             .arg(FromPath(ExtractFileName(r.file)), QString::fromStdString(r.pack))
                             .arg(r.translated)
                             .arg(r.untranslated)
                             .arg(r.fuzzy)
                             .arg(r.stale)
                             .arg(r.refused));
        for (const std::string& s : r.refusals) Results->addItem(QStringLiteral("  refused: ") + FromPath(s));
        for (const std::string& s : r.staleMessages) Results->addItem(QStringLiteral("  stale: ") + FromPath(s));
    }
    if (refused > 0)
        Summary->setText(QStringLiteral("%1 refused: nothing can be saved until they are mended.").arg(refused));
    else if (plan_.changedEntries == 0)
        Summary->setText(QStringLiteral("The translation changes no entry: nothing to put in a patch."));
    else
        Summary->setText(QStringLiteral("%1 entries change.").arg(plan_.changedEntries));
    BSavePatch->setEnabled(plan_.Ok() && plan_.changedEntries > 0);
    connect(BSavePatch, &QPushButton::clicked, this, &TTranslationWindow::SavePatchClick);
    resize(900, 480);
}

void TTranslationWindow::SavePatchClick() {
    const std::optional<PatchTarget> target =
        AskPatchTarget(dialogs_, this, QStringLiteral("Save patch"),
                       plan_.files.empty() ? QString() : QFileInfo(FromPath(plan_.files[0].pack)).completeBaseName(), title_);
    if (!target) return;
    try {
        PlainStatus quiet;
        RunContext ctx(quiet);
        texts::WriteImport(ctx, plan_, target->path, target->manifest);
        Summary->setText(QStringLiteral("Saved %1").arg(FromPath(target->path)));
    } catch (const std::exception& e) {
        dialogs_.ShowError(this, QString::fromStdString(ErrorBoxText(e.what())), QCoreApplication::applicationName());
    }
}

} // namespace pw
