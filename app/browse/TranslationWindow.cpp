#include "app/browse/TranslationWindow.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QVBoxLayout>

#include "app/browse/Counted.h"
#include "app/browse/DiffView.h"
#include "app/browse/PatchPrompt.h"
#include "app/browse/Paths.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/PackReader.h"
#include "packs/texts/TextEntries.h"

namespace pw {

TTranslationWindow::TTranslationWindow(texts::ImportPlan plan, QString title, Dialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), plan_(std::move(plan)), title_(std::move(title)), dialogs_(dialogs) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Import translation - %1").arg(title_));
    Summary = new QLabel(this);
    Summary->setWordWrap(true);
    Results = new QListWidget(this);
    Changes = new QListWidget(this);
    Changes->setToolTip(QStringLiteral("The entries the patch changes: choose one to see its texts before and after"));
    Diff = new TDiffView(this);
    BSavePatch = new QPushButton(QStringLiteral("Save patch…"), this);
    BSavePatch->setAutoDefault(false);
    BSavePatch->setToolTip(QStringLiteral("Write the changed entries as a patch that players apply like any mod"));
    auto* lower = new QSplitter(Qt::Horizontal, this);
    lower->addWidget(Changes);
    lower->addWidget(Diff);
    lower->setStretchFactor(1, 3);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(Results);
    split->addWidget(lower);
    split->setStretchFactor(1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Summary);
    layout->addWidget(split, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(BSavePatch);
    layout->addLayout(bottom);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);

    for (const texts::TranslationReport& r : plan_.files) {
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
    for (int i = 0; i < Results->count(); ++i) Results->item(i)->setToolTip(Results->item(i)->text());
    if (!plan_.Ok())
        Summary->setText(QString::fromStdString(plan_.ProblemCount()) +
                         QStringLiteral(": nothing can be saved until they are mended."));
    else if (plan_.changedEntries == 0)
        Summary->setText(QStringLiteral("The translation changes no entry: nothing to put in a patch."));
    else
        Summary->setText(QStringLiteral("%1 %2.")
                             .arg(Counted(plan_.changedEntries, "entry", "entries"),
                                  plan_.changedEntries == 1 ? QStringLiteral("changes") : QStringLiteral("change")));

    for (size_t p = 0; p < plan_.changes.size(); ++p) {
        const patch::PackChanges& pack = plan_.changes[p];
        const PackReader reader(pack.sourceIndex);
        const texts::CodePage codePage(plan_.codePages[p]);
        for (size_t c = 0; c < pack.entries.size(); ++c) {
            const size_t k = pack.entries[c].index;
            Changes->addItem(QStringLiteral("%1: %2 (entry %3)")
                                 .arg(FromPath(ExtractFileName(pack.sourceIndex)),
                                      QString::fromStdString(codePage.Decode(reader.Index().Name(k))))
                                 .arg(k));
            changed_.push_back({p, c});
        }
    }
    connect(Changes, &QListWidget::currentRowChanged, this, &TTranslationWindow::ChangesRowChanged);
    if (Changes->count() > 0) Changes->setCurrentRow(0);
    BSavePatch->setEnabled(plan_.Ok() && plan_.changedEntries > 0);
    connect(BSavePatch, &QPushButton::clicked, this, &TTranslationWindow::SavePatchClick);
    resize(1000, 640);
}

QString TTranslationWindow::BlockTexts(const std::string& bytes, const texts::CodePage& codePage) {
    const std::optional<texts::TextEntry> entry = texts::ReadTextEntry(bytes);
    if (!entry || !entry->blocks) return {};
    QString out;
    for (size_t b = 0; b < entry->blocks->size(); ++b)
        out += QStringLiteral("[%1]\n%2\n\n")
                   .arg(b)
                   .arg(QString::fromStdString(codePage.Decode((*entry->blocks)[b].text.value_or(""))));
    return out;
}

void TTranslationWindow::ChangesRowChanged(int row) {
    if (row < 0 || size_t(row) >= changed_.size()) return;
    try {
        const patch::PackChanges& pack = plan_.changes[changed_[size_t(row)].pack];
        const patch::EntryChange& change = pack.entries[changed_[size_t(row)].change];
        const texts::CodePage codePage(plan_.codePages[changed_[size_t(row)].pack]);
        const std::string before = texts::EntryBytes(PackReader(pack.sourceIndex), change.index);
        Diff->Compare(BlockTexts(before, codePage), BlockTexts(*change.data.bytes, codePage),
                      QStringLiteral("%1 before, %2 after")
                          .arg(Counted(before.size(), "byte", "bytes"),
                               Counted(change.data.bytes->size(), "byte", "bytes")));
    } catch (const std::exception& e) {
        dialogs_.ShowError(this, QString::fromStdString(ErrorBoxText(e.what())), QCoreApplication::applicationName());
    }
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
