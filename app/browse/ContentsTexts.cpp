// Translation from the contents window: "Export texts for translation…"
// writes the pack's PO template as `packwright-cli texts export` does, and
// "Import translation…" checks PO files against this pack and shows the
// results, from which the patch is saved. Both only for a pack that holds
// numbered-text entries.
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "app/browse/Contents.h"
#include "app/browse/Paths.h"
#include "app/browse/TranslationWindow.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/PackReader.h"
#include "packs/texts/Export.h"
#include "packs/texts/TextEntries.h"
#include "ui_Contents.h"

namespace pw {

void TContentsForm::SetUpTexts() {
    size_t texts = 0;
    try {
        texts = texts::CountTextEntries(PackReader(indexPath_));
    } catch (const std::exception&) {
        // The table shows what can be read of the pack; no texts then.
    }
    if (texts == 0) return;
    BExportTexts = new QPushButton(QStringLiteral("Export texts for translation…"), this);
    BExportTexts->setObjectName(QStringLiteral("BExportTexts"));
    BImportTranslation = new QPushButton(QStringLiteral("Import translation…"), this);
    BImportTranslation->setObjectName(QStringLiteral("BImportTranslation"));
    const int at = ui_->Bottom->indexOf(BExtractSelected);
    for (QPushButton* b : {BImportTranslation, BExportTexts}) {
        b->setAutoDefault(false);
        ui_->Bottom->insertWidget(at, b);
    }
    const auto guarded = [this](void (TContentsForm::*handler)()) {
        return [this, handler] {
            if (running_) return;
            try {
                (this->*handler)();
            } catch (const std::exception& e) {
                ShowErrorBox(e.what());
            }
        };
    };
    connect(BExportTexts, &QPushButton::clicked, this, guarded(&TContentsForm::ExportTextsClick));
    connect(BImportTranslation, &QPushButton::clicked, this, guarded(&TContentsForm::ImportTranslationClick));
}

void TContentsForm::ExportTextsClick() {
    const std::optional<QString> name = dialogs_.AskText(this, QStringLiteral("Export texts for translation"),
                                                         QStringLiteral("The game's code page:"),
                                                         QString::fromLatin1(texts::DefaultCodePage));
    if (!name) return;
    const texts::CodePage codePage(name->trimmed().toStdString());
    const auto target = dialogs_.SelectDirectory(this, QDir::currentPath());
    if (!target) return;
    texts::SetGeneratorVersion(PACKWRIGHT_VERSION);
    bool stopped = false;
    const texts::ExportResult r = texts::ExportPack(run_, indexPath_, ToPath(*target), codePage, stopped);
    CurrentMessage->setText(QStringLiteral("%1 messages of %2 text entries").arg(r.messages).arg(r.textEntries));
    dialogs_.Inform(this,
                    r.pot.empty() ? QStringLiteral("The pack holds no text to translate.")
                                  : QStringLiteral("Exported %1 messages to %2").arg(r.messages).arg(FromPath(r.pot)),
                    QStringLiteral("Export texts for translation"));
}

void TContentsForm::ImportTranslationClick() {
    int position = 1;
    const QStringList files = dialogs_.OpenFiles(
        this, {QStringLiteral("Select file..."), QStringLiteral("Translations (*.po)|*.po"), QStringLiteral("po"),
               true},
        position);
    if (files.isEmpty()) return;
    texts::ImportOptions options;
    options.gameDir = ExtractFilePath(indexPath_);
    for (const QString& f : files) options.translations.push_back(ToPath(QFileInfo(f).absoluteFilePath()));
    texts::ImportPlan plan = texts::PlanImport(options);
    Translation = new TTranslationWindow(std::move(plan), QFileInfo(files.front()).completeBaseName(), dialogs_, this);
    Translation->show();
}

} // namespace pw
