// Translation from the contents window: "Export texts for translation…"
// writes the pack's PO template as `packwright-cli texts export` does, and
// "Import translation…" checks PO files against this pack and shows the
// results, from which the patch is saved. Both only for a pack that holds
// numbered-text entries.
#include <algorithm>

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSettings>

#include "app/browse/Contents.h"
#include "app/browse/Counted.h"
#include "app/browse/Paths.h"
#include "app/browse/TranslationWindow.h"
#include "core/Error.h"
#include "core/FileNames.h"
#include "packs/PackReader.h"
#include "packs/texts/Export.h"
#include "packs/texts/Po.h"
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
    BExportTexts->setToolTip(
        QStringLiteral("Write the pack's texts into a folder as a template (.pot) for translators"));
    BImportTranslation = new QPushButton(QStringLiteral("Import translation…"), this);
    BImportTranslation->setObjectName(QStringLiteral("BImportTranslation"));
    BImportTranslation->setToolTip(
        QStringLiteral("Read translated PO files and show the patch of the texts they change, to save"));
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

namespace {

// The folder templates were last exported to, remembered between runs:
// the PO files are looked for there next, and the pack's template there
// names its code page. "" before the first export, or once it is gone.
constexpr const char* ExportFolderKey = "texts/exportFolder";

QString ExportFolder() {
    const QString folder = QSettings().value(ExportFolderKey).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

// The code page the pack's template in the export folder names, or the
// default one.
std::string CodePageOfTemplate(const std::string& indexPath) {
    if (ExportFolder().isEmpty()) return texts::DefaultCodePage;
    const QString pot =
        QDir(ExportFolder()).filePath(FromPath(ChangeFileExt(ExtractFileName(indexPath), ".pot")));
    try {
        if (QFileInfo(pot).isFile()) {
            const std::string named = texts::ReadPoFile(ToPath(pot)).HeaderField("X-Packwright-Codepage");
            if (!named.empty()) return texts::CodePage(named).Name();
        }
    } catch (const std::exception&) {
        // A template that cannot be read names no code page: the list
        // starts at the default one.
    }
    return texts::DefaultCodePage;
}

// A code page from the list of those supported, with their scripts'
// names, `start` chosen first; nothing when cancelled.
std::optional<std::string> AskCodePage(Dialogs& dialogs, QWidget* parent, const QString& label,
                                       const std::string& start) {
    const std::vector<texts::CodePageChoice>& pages = texts::SupportedCodePages();
    QStringList items;
    int current = 0;
    for (const texts::CodePageChoice& page : pages) {
        if (start == page.name) current = int(items.size());
        items.push_back(QStringLiteral("%1 — %2").arg(QString::fromLatin1(page.name), QString::fromLatin1(page.script)));
    }
    const std::optional<int> chosen =
        dialogs.AskChoice(parent, QStringLiteral("The game's code page"), label, items, current);
    if (!chosen || *chosen < 0 || size_t(*chosen) >= pages.size()) return std::nullopt;
    return pages[size_t(*chosen)].name;
}

} // namespace

void TContentsForm::ExportTextsClick() {
    const std::optional<std::string> page =
        AskCodePage(dialogs_, this, QStringLiteral("The game's code page:"), CodePageOfTemplate(indexPath_));
    if (!page) return;
    const texts::CodePage codePage(*page);
    const auto target =
        dialogs_.SelectDirectory(this, ExportFolder().isEmpty() ? QDir::currentPath() : ExportFolder());
    if (!target) return;
    texts::SetGeneratorVersion(PACKWRIGHT_VERSION);
    bool stopped = false;
    const texts::ExportResult r = texts::ExportPack(run_, indexPath_, ToPath(*target), codePage, stopped);
    if (!r.pot.empty()) QSettings().setValue(ExportFolderKey, *target);
    CurrentMessage->setText(QStringLiteral("%1 of %2")
                                .arg(Counted(r.messages, "message", "messages"),
                                     Counted(r.textEntries, "text entry", "text entries")));
    dialogs_.Inform(this,
                    r.pot.empty() ? QStringLiteral("The pack holds no text to translate.")
                                  : QStringLiteral("Exported %1 messages to %2").arg(r.messages).arg(FromPath(r.pot)),
                    QStringLiteral("Export texts for translation"));
}

void TContentsForm::ImportTranslationClick() {
    int position = 1;
    const QStringList files = dialogs_.OpenFiles(
        this,
        {QStringLiteral("Select file..."), QStringLiteral("Translations (*.po)|*.po"), QStringLiteral("po"), true,
         ExportFolder()},
        position);
    if (files.isEmpty()) return;
    texts::ImportOptions options;
    options.gameDir = ExtractFilePath(indexPath_);
    for (const QString& f : files) options.translations.push_back(ToPath(QFileInfo(f).absoluteFilePath()));
    texts::ImportPlan plan = texts::PlanImport(options);
    // A header that lost the game's code page: it is asked for, as
    // --codepage gives it.
    if (std::any_of(plan.files.begin(), plan.files.end(), [](const auto& r) { return r.noCodePage; })) {
        const std::optional<std::string> page =
            AskCodePage(dialogs_, this, QStringLiteral("The translation's header does not name the game's code page:"),
                        CodePageOfTemplate(indexPath_));
        if (!page) return;
        options.codePage = *page;
        plan = texts::PlanImport(options);
    }
    Translation = new TTranslationWindow(std::move(plan), QFileInfo(files.front()).completeBaseName(), dialogs_, this);
    Translation->show();
}

} // namespace pw
