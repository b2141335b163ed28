#pragma once
// Every dialog and message box of the windows goes through this interface:
// the program uses the Qt implementation (app/Dialogs.h), the tests answer
// in advance. It sits below the main window and the browse family, which
// both call it only through its virtual functions.
#include <QString>
#include <QStringList>
#include <optional>

class QWidget;
class TDirForm;

namespace pw {

// A file dialog: its title, its file types as "description|pattern|..."
// pairs, the extension added to a typed name without one, and whether the
// user may resize it.
struct FileDialogSetup {
    QString title;
    QString filter;
    QString defaultSuffix;
    bool resizable = false;
    // Where it opens: a folder, or a path whose name is suggested (none:
    // the current directory).
    QString start = QString();
};

// What a patch says of itself, asked in one form before it is written.
struct PatchDetails {
    QString title, author, version, description;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Open dialog for several existing files. `position` is the file type
    // (from 1) it starts at; a confirmed use stores the type chosen then.
    // An empty list means cancelled.
    virtual QStringList OpenFiles(QWidget* parent, const FileDialogSetup& setup, int& position) = 0;
    // Save dialog that asks before replacing a file; nothing when cancelled.
    virtual std::optional<QString> SaveFile(QWidget* parent, const FileDialogSetup& setup) = 0;
    // The folder prompt "Select Directory", starting at `start` (or at the
    // current directory when that is no folder). A typed folder that does
    // not exist is created, with its parents, once the user agrees.
    virtual std::optional<QString> SelectDirectory(QWidget* parent, const QString& start) = 0;
    // The directory dialog, modally: 1 (Ok) or 2 (Cancel).
    virtual int ExecDirForm(TDirForm& form) = 0;

    // A line of text: `label` above a field holding `start`; nothing when
    // cancelled.
    virtual std::optional<QString> AskText(QWidget* parent, const QString& caption, const QString& label,
                                           const QString& start) = 0;

    // One of `items` (its index), from a list that starts at `current`;
    // nothing when cancelled.
    virtual std::optional<int> AskChoice(QWidget* parent, const QString& caption, const QString& label,
                                         const QStringList& items, int current) = 0;

    // Message boxes: a Yes/No question, a note with the information icon,
    // an error with the error icon. Each has an OK button (or Yes and No).
    virtual bool Ask(QWidget* parent, const QString& text, const QString& caption) = 0;
    virtual void Inform(QWidget* parent, const QString& text, const QString& caption) = 0;
    virtual void ShowError(QWidget* parent, const QString& text, const QString& caption) = 0;
    // Unsaved work in a window that closes: save it, throw it away, or
    // keep the window open.
    enum class SaveAnswer { Save, Discard, Cancel };
    virtual SaveAnswer AskSave(QWidget* parent, const QString& text, const QString& caption) = 0;
    // A question with a button per answer, the last one the cancel (Esc),
    // each button with its tooltip (`tips`, in the same order): the index
    // of the answer chosen.
    virtual int Choose(QWidget* parent, const QString& text, const QString& caption, const QStringList& answers,
                       const QStringList& tips) = 0;
    // The patch details form, filled with `start`; nothing when cancelled.
    virtual std::optional<PatchDetails> AskPatchDetails(QWidget* parent, const QString& caption,
                                                        const PatchDetails& start) = 0;
};

} // namespace pw
