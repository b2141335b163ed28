// The opener on freedesktop systems: xdg-mime says whether an application
// takes a file's type (or a type it derives from), xdg-open starts it; an
// editor that runs in a terminal gets the terminal emulator that TERMINAL
// names, else Debian's x-terminal-emulator, else the first one found.
#include <QDesktopServices>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "app/open/Opener.h"

namespace pw {

namespace {

constexpr int QueryMs = 5000;

// Editors that draw in a terminal rather than a window of their own.
bool RunsInTerminal(const QString& program) {
    static const QStringList editors = {"vi",  "vim",  "nvim", "nano", "pico", "emacs", "micro", "joe", "jed",
                                        "ne",  "mcedit", "hx", "helix", "kak", "mg",   "ed",    "elvis", "vis"};
    return editors.contains(QFileInfo(program).fileName());
}

QString TerminalEmulator() {
    const QString named = qEnvironmentVariable("TERMINAL");
    if (!named.isEmpty() && !QStandardPaths::findExecutable(named).isEmpty()) return named;
    for (const char* t : {"x-terminal-emulator", "gnome-terminal", "konsole", "xfce4-terminal", "mate-terminal",
                          "lxterminal", "kitty", "alacritty", "xterm"})
        if (!QStandardPaths::findExecutable(QString::fromLatin1(t)).isEmpty()) return QString::fromLatin1(t);
    return {};
}

// Whether the desktop has a default application for `mime`; `known` turns
// false when xdg-mime cannot be asked (xdg-open is then left to decide).
bool HasDefault(const QString& mime, bool& known) {
    QProcess query;
    query.start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), mime});
    if (!query.waitForFinished(QueryMs) || query.exitStatus() != QProcess::NormalExit) {
        known = false;
        return false;
    }
    return !query.readAllStandardOutput().trimmed().isEmpty();
}

class DesktopOpener : public Opener {
public:
    bool OpenWithDesktop(const QString& file) override {
        const QMimeType type = QMimeDatabase().mimeTypeForFile(file);
        bool known = true, any = false;
        QStringList names = {type.name()};
        names += type.allAncestors();
        for (const QString& name : names) {
            any = HasDefault(name, known);
            if (any || !known) break;
        }
        if (known && !any) return false;
        return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
    }

    bool OpenWith(const QString& program, const QString& file) override {
        return QProcess::startDetached(program, {file});
    }

    bool OpenWithEditor(const QString& command, const QString& file) override {
        QStringList words = QProcess::splitCommand(command);
        if (words.isEmpty()) return false;
        words << file;
        if (RunsInTerminal(words.front())) {
            const QString terminal = TerminalEmulator();
            if (terminal.isEmpty()) return false;
            words.prepend(QStringLiteral("-e"));
            return QProcess::startDetached(terminal, words);
        }
        const QString program = words.takeFirst();
        return QProcess::startDetached(program, words);
    }

    QString ProgramsFolder() const override { return QStringLiteral("/usr/bin"); }
    QString ProgramsFilter() const override { return QStringLiteral("Programs (*)|*"); }
};

} // namespace

Opener& SystemOpener() {
    static DesktopOpener opener;
    return opener;
}

} // namespace pw
