#pragma once
// The patch window: a patch's manifest (title, version, author,
// description, writer, time) above a table of its changed entries (pack,
// index, name, base size, new size), filtered like the contents window.
// The selected entry's new data are previewed, and beside them the entry
// as the game's own pack holds it once the game's pack folder is known
// ("Compare with game folder…"). It writes nothing; Esc closes it.
#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/dialogs/Dialogs.h"
#include "packs/PackIndex.h"
#include "packs/patch/PatchFile.h"

class QLabel;
class QPushButton;
class QSplitter;
class QTableView;

namespace pw {

class TFilterBar;
class TPatchModel;
class TPreviewPane;

class TPatchForm : public QWidget {
    Q_OBJECT
public:
    // Reads and checks the whole patch: "Cannot open file PATH", "Damaged
    // patch PATH" as the engine says them. The patch is not held open (an
    // open patch cannot be applied): a preview opens it again.
    TPatchForm(const std::string& patchPath, Dialogs& dialogs, QWidget* parent = nullptr);
    ~TPatchForm() override;

    TPatchModel* Model() const { return model_.get(); }
    const patch::Manifest& Info() const { return info_; }

    QLabel* Manifest;
    TFilterBar* FilterBar;
    QPushButton* CompareButton;
    QSplitter* Splitter;
    QTableView* Table;
    QLabel* BaseLabel;
    TPreviewPane* BasePreview;
    QLabel* NewLabel;
    TPreviewPane* NewPreview;

    // The folder with the game's packs the base previews come from ("" for
    // none: the base pane is hidden).
    void SetGameFolder(const std::string& folder);
    const std::string& GameFolder() const { return gameDir_; }
    // "Compare with game folder…": asks for the folder.
    void CompareClick();
    // Shows the entry at a view row: its new data, and its base beside.
    void PreviewRow(int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct GamePack {
        std::string indexPath, dataPath;
        std::unique_ptr<PackIndex> index; // null when it cannot be read
        int64_t dataSize = 0;
        std::string error;
    };
    const GamePack& GamePackNamed(const std::string& name);
    void RequestBase(const patch::PatchPack& pack, const patch::PatchEntry& entry);

    Dialogs& dialogs_;
    std::string path_;
    patch::Manifest info_;
    std::unique_ptr<TPatchModel> model_;
    std::string gameDir_;
    std::map<std::string, GamePack> gamePacks_;
    int room_ = 0;
};

} // namespace pw
