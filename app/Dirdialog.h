#pragma once
// "Directory to add": the small modal dialog in which the user names a
// folder and a file type before the main window scans that folder tree.
// It scans nothing itself; it hands back its result (1 Ok, 2 Cancel), the
// folder text, the zero-based file type and that type's pattern.
#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/Dialogs.h"

namespace Ui {
class TDirForm;
}
class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;

class TDirForm : public QDialog {
    Q_OBJECT
public:
    // `filterSource` gives the main window's input-file filter
    // ("description|pattern|..."), read at every show.
    TDirForm(QWidget* parent, pw::Dialogs& dialogs, std::function<QString()> filterSource);
    ~TDirForm() override;

    QString DirectoryText() const;
    int32_t GetFilterIndex() const { return FilterIndex; }
    const QString& GetFileMask() const { return FileMask; }

    // Controls, for the caller and the tests.
    QLineEdit* ScanDir = nullptr;
    QToolButton* CallDialog = nullptr;
    QComboBox* Filter = nullptr;
    QPushButton* BOk = nullptr;
    QPushButton* BCancel = nullptr;

    void FormShow();
    void ScanDirChange();
    void CallDialogClick();
    void FilterChange();

    // The close box, like Cancel, gives the result 2.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FitToText();

    std::unique_ptr<Ui::TDirForm> ui_;
    pw::Dialogs& dialogs_;
    std::function<QString()> filterSource_;

    QString FilterString;
    int32_t FilterIndex = 0;
    QString FileMask;
};
