// packwright [FILE...]: the main window and the directory dialog, until the
// window is closed. Files named are added to the list as a drop of them
// adds them (so that a desktop entry's `Exec=packwright %F` and Explorer's
// "Open with" work); a single pack also opens its contents window. The
// window then works in the system's start folder for windows (on Windows
// the Documents folder), where new targets are offered.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

#include "app/Dialogs.h"
#include "app/Dirdialog.h"
#include "app/InfoOptions.h"
#include "app/browse/Contents.h"
#include "app/Main.h"
#include "app/browse/PackModel.h"
#include "app/browse/PreviewPane.h"
#include "core/Directory.h"
#include "core/Error.h"

namespace {

// PACKWRIGHT_SCREENSHOT=file.png: save a picture of the window once it is
// shown, then close it (for the README's screenshot).
void ScreenshotIfAsked(TMainForm& form) {
    const QString path = qEnvironmentVariable("PACKWRIGHT_SCREENSHOT");
    if (path.isEmpty()) return;
    QTimer::singleShot(300, &form, [&form, path] {
        if (!form.grab().save(path, "PNG")) std::fprintf(stderr, "Cannot save %s\n", qPrintable(path));
        form.close();
    });
}

// Qt aborts when it finds no display to open. Without a display, and without
// a platform named for it (QT_QPA_PLATFORM or -platform), say so and end.
bool DisplayAvailable(int argc, char** argv) {
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    (void)argc;
    (void)argv;
    return true;
#else
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return true;
    if (!qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) return true;
    return false;
#endif
}

// PACKWRIGHT_CONTENTS_SCREENSHOT=file.png with PACKWRIGHT_CONTENTS_PACK=
// pack.fat: open that pack's contents window, preview its first Targa
// entry (replaced by PACKWRIGHT_CONTENTS_REPLACE when that names a file,
// old beside new), save a picture of the window, then end (for the README).
void ContentsScreenshotIfAsked(TMainForm& form) {
    const QString out = qEnvironmentVariable("PACKWRIGHT_CONTENTS_SCREENSHOT");
    const QString pack = qEnvironmentVariable("PACKWRIGHT_CONTENTS_PACK");
    const QString replacement = qEnvironmentVariable("PACKWRIGHT_CONTENTS_REPLACE");
    if (out.isEmpty() || pack.isEmpty()) return;
    QTimer::singleShot(300, &form, [&form, out, pack, replacement] {
        pw::TContentsForm* contents = nullptr;
        try {
            contents = form.ShowContents(pack);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
        }
        if (!contents) {
            QApplication::exit(1);
            return;
        }
        pw::TPackModel* model = contents->Model();
        int row = 0;
        for (size_t k = 0; k < model->SourceCount(); ++k)
            if (model->TypeName(k) == "TGA") {
                row = std::max(0, model->RowOfSource(k));
                try {
                    if (!replacement.isEmpty()) contents->ReplaceEntry(k, replacement);
                } catch (const std::exception& e) {
                    std::fprintf(stderr, "%s\n", e.what());
                }
                break;
            }
        QObject::connect(contents->Preview, &pw::TPreviewPane::Shown, contents, [contents, out] {
            QTimer::singleShot(300, contents, [contents, out] {
                if (!contents->grab().save(out, "PNG")) std::fprintf(stderr, "Cannot save %s\n", qPrintable(out));
                QApplication::exit(0);
            });
        });
        contents->Table->selectRow(row);
    });
}

} // namespace

int main(int argc, char** argv) {
    if (AnswerInfoOptions(argc, argv)) return 0;
    if (!DisplayAvailable(argc, argv)) {
        std::fprintf(stderr, "packwright: no display found; packwright-cli does the same work from a terminal.\n");
        return 1;
    }
    std::unique_ptr<QApplication> app;
    int code = 0;
    try {
        // Settings: HKEY_CURRENT_USER\Software\Packwright on Windows,
        // ~/.config/Packwright/ elsewhere.
        QCoreApplication::setOrganizationName(QStringLiteral("Packwright"));
        app = std::make_unique<QApplication>(argc, argv);
        pw::QtDialogs dialogs;
        TMainForm mainForm(dialogs);
        TDirForm dirForm(&mainForm, dialogs, [] { return TMainForm::SelectLogSetup().filter; });
        mainForm.SetDirForm(&dirForm);
        mainForm.show();
        // Named files are found from the folder the program was started in.
        QStringList files = QCoreApplication::arguments().mid(1);
        for (QString& file : files) file = QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath());
        pw::ChangeDirectory(pw::WindowStartFolder());
        if (!files.isEmpty()) QTimer::singleShot(0, &mainForm, [&mainForm, files] { mainForm.OpenPaths(files); });
        ScreenshotIfAsked(mainForm);
        ContentsScreenshotIfAsked(mainForm);
        code = QApplication::exec(); // 1 when the contents picture could not be made
    } catch (const std::exception& e) {
        const std::string text = pw::ErrorBoxText(e.what());
        if (app)
            QMessageBox::critical(nullptr, QCoreApplication::applicationName(), QString::fromStdString(text));
        else
            std::fprintf(stderr, "%s\n", text.c_str());
    }
    return code;
}
