#pragma once
// How the windows hand a file to another program: the desktop's
// application for its type, a program the user chose, or the editor the
// environment names. Each system has its implementation beside this
// interface (DesktopOpener.cpp for the freedesktop systems, WindowsOpener.cpp
// for Windows), chosen by CMake; the windows call only this.
#include <QString>

namespace pw {

class Opener {
public:
    virtual ~Opener() = default;
    // Opens `file` with the application the desktop gives its type; false
    // when the desktop has none for it.
    virtual bool OpenWithDesktop(const QString& file) = 0;
    // Starts `program` on `file`; false when it cannot be started.
    virtual bool OpenWith(const QString& program, const QString& file) = 0;
    // Starts the editor `command` (as VISUAL or EDITOR name one, arguments
    // allowed) on `file`, an editor that runs in a terminal inside the
    // desktop's terminal emulator; false when it cannot be started.
    virtual bool OpenWithEditor(const QString& command, const QString& file) = 0;
    // The folder where choosing a program starts, and the file dialog's
    // filter of programs ("Name (patterns)|patterns").
    virtual QString ProgramsFolder() const = 0;
    virtual QString ProgramsFilter() const = 0;
};

// The opener of the system the program runs on.
Opener& SystemOpener();

} // namespace pw
