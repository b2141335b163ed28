// The opener on Windows: the shell's association for a file's type (what
// Explorer's double-click starts), or a program the user chose. Windows
// programs are handed paths with backslashes, as Explorer gives them; some
// older ones take no other. An editor named by VISUAL or EDITOR that runs in
// a console gets a console of its own, as a program started from a window
// without one does.
#include <QDesktopServices>
#include <QDir>
#include <QProcess>
#include <QUrl>

#include "app/open/Opener.h"

namespace pw {

namespace {

class WindowsOpener : public Opener {
public:
    bool OpenWithDesktop(const QString& file) override {
        // False when the shell has no application for the type.
        return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
    }

    bool OpenWith(const QString& program, const QString& file) override {
        return QProcess::startDetached(QDir::toNativeSeparators(program), {QDir::toNativeSeparators(file)});
    }

    bool OpenWithEditor(const QString& command, const QString& file) override {
        QStringList words = QProcess::splitCommand(command);
        if (words.isEmpty()) return false;
        const QString program = words.takeFirst();
        words << QDir::toNativeSeparators(file);
        return QProcess::startDetached(program, words);
    }

    QString ProgramsFolder() const override {
        const QString folder = qEnvironmentVariable("ProgramFiles");
        return QDir::fromNativeSeparators(folder.isEmpty() ? QStringLiteral("C:\\Program Files") : folder);
    }
    QString ProgramsFilter() const override { return QStringLiteral("Programs (*.exe)|*.exe"); }
};

} // namespace

Opener& SystemOpener() {
    static WindowsOpener opener;
    return opener;
}

} // namespace pw
