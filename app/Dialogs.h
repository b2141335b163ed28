#pragma once
// The Qt side of the dialog interface (app/dialogs/Dialogs.h).
#include "app/dialogs/Dialogs.h"

namespace pw {

// The Qt dialogs.
class QtDialogs : public Dialogs {
public:
    QStringList OpenFiles(QWidget* parent, const FileDialogSetup& setup, int& position) override;
    std::optional<QString> SaveFile(QWidget* parent, const FileDialogSetup& setup) override;
    std::optional<QString> SelectDirectory(QWidget* parent, const QString& start) override;
    int ExecDirForm(TDirForm& form) override;
    std::optional<int> AskChoice(QWidget* parent, const QString& caption, const QString& label,
                                 const QStringList& items, int current) override;
    std::optional<QString> AskText(QWidget* parent, const QString& caption, const QString& label,
                                   const QString& start) override;
    bool Ask(QWidget* parent, const QString& text, const QString& caption) override;
    void Inform(QWidget* parent, const QString& text, const QString& caption) override;
    void ShowError(QWidget* parent, const QString& text, const QString& caption) override;
    SaveAnswer AskSave(QWidget* parent, const QString& text, const QString& caption) override;
    int Choose(QWidget* parent, const QString& text, const QString& caption, const QStringList& answers,
               const QStringList& tips) override;
    std::optional<PatchDetails> AskPatchDetails(QWidget* parent, const QString& caption,
                                                const PatchDetails& start) override;
};

// "Data Packs (*.fat)|*.fat|..." as Qt name filters, one per file type.
QStringList QtNameFilters(const QString& filter);

} // namespace pw
