#pragma once
// The folder prompt "Select Directory": Qt's folder dialog that also takes a
// typed folder that does not exist yet, creating it (with its parents) once
// the user answers Yes; No keeps the prompt open.
#include <QFileDialog>

namespace pw {

class Dialogs;

class FolderPrompt : public QFileDialog {
    Q_OBJECT
public:
    // `asker` puts the question (and reports a folder that cannot be made).
    FolderPrompt(QWidget* parent, const QString& start, Dialogs& asker);

    // The folder chosen, once accepted.
    QString Folder() const;

    void accept() override;

private:
    Dialogs& asker_;
};

} // namespace pw
