#pragma once
// What the contents window keeps for replacing entries: the new side of
// the preview, the files opened in the user's editor (a private temporary
// folder, watched), and whether the replacements are saved.
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <map>
#include <memory>
#include <set>

namespace pw {

class TDiffView;

struct ReplaceParts {
    QLabel* oldLabel = nullptr;
    QBoxLayout* row = nullptr;       // the previews side by side
    QLayout* newColumn = nullptr;    // its "New" column
    QLabel* newLabel = nullptr;
    TDiffView* diff = nullptr;
    bool comparing = false; // both sides of a replaced entry are being read
    int room = 0;           // previews the splitter last made room for
    // Entry files opened in an editor: made on first use, removed with the window.
    std::unique_ptr<QTemporaryDir> editFolder;
    QFileSystemWatcher* watcher = nullptr;
    std::map<QString, size_t> edited;  // temporary file, its entry
    std::set<QString> settling;        // changed files waiting a moment for the writer to finish
    bool saved = true;                 // no replacement since the last save
};

} // namespace pw
