#pragma once
// The windows the input list opens: a contents window per pack, a change
// plan window per log or project list, a patch window per patch, by
// double-click, Enter or the list's context menu. The main window calls
// them; they reach the main window only through ContentsHost and the
// RunEnded signal.
#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <map>
#include <string>

class QListWidget;
class QListWidgetItem;
class QMenu;
class QWidget;

namespace pw {

class Dialogs;
class TContentsForm;
class TPatchForm;
class TPlanForm;

// What the windows need of the main window.
class ContentsHost {
public:
    virtual ~ContentsHost() = default;
    // The main window works through its list: no window opens meanwhile.
    virtual bool ListRunning() const = 0;
    // The kind of the list's entries (packs/Kinds.h).
    virtual uint8_t ListKind() const = 0;
    // The game's pack folder last named for patches, or empty.
    virtual QString GameFolder() const = 0;
    // The main window's error box.
    virtual void ShowError(const std::string& message) = 0;
};

class TContentsCommands : public QObject {
    Q_OBJECT
public:
    // The windows are made as tool windows of `owner`; `list` is the input
    // list whose entries open them.
    TContentsCommands(QListWidget* list, Dialogs& dialogs, ContentsHost& host, QWidget* owner);

    // Each window is made on first use and raised after; not while the
    // list runs (null then).
    TContentsForm* ShowContents(const QString& indexPath);
    TContentsForm* ContentsOf(const QString& indexPath) const;
    TPlanForm* ShowChanges(const QString& logPath);
    TPlanForm* ChangesOf(const QString& logPath) const;
    TPatchForm* ShowPatch(const QString& patchPath);
    TPatchForm* PatchOf(const QString& patchPath) const;
    // Double-click or Enter on an entry of the list.
    void Activate(QListWidgetItem* item);
    // The list's context menu for an entry (null without one).
    QMenu* Menu(QListWidgetItem* item);

    // A contents window is extracting or saving.
    bool Busy() const;
    // Asks each busy contents window to stop; each closes after.
    void StopRuns();
    // Asks each contents window with replacements not saved; false when
    // one stays open.
    bool CloseUnsaved();

signals:
    // A contents window's run has ended, however it ended.
    void RunEnded();

private:
    // The window of the list's kind for `path`.
    void Open(const QString& path);
    QListWidget* list_;
    Dialogs& dialogs_;
    ContentsHost& host_;
    QWidget* owner_;
    std::map<QString, QPointer<TContentsForm>> contents_;
    std::map<QString, QPointer<TPlanForm>> plans_;
    std::map<QString, QPointer<TPatchForm>> patches_;
};

} // namespace pw
