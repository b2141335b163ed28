// The main window's status line and progress bars, as the pack handlers
// report through them.
#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <algorithm>

#include "app/Main.h"

void TMainForm::SetStatus(const std::string& caption) {
    CurrentMessage->setText(pw::FromPath(caption));
}

int TMainForm::ProgressPosition() const {
    return Progress->value();
}

void TMainForm::SetProgressPosition(int position) {
    Progress->setValue(std::clamp(position, Progress->minimum(), Progress->maximum()));
}

int TMainForm::ProgressMax() const {
    return Progress->maximum();
}

void TMainForm::SetProgressMax(int maximum) {
    Progress->setMaximum(maximum);
}

int TMainForm::TotalPosition() const {
    return Total->value();
}

void TMainForm::SetTotalPosition(int position) {
    Total->setValue(std::clamp(position, Total->minimum(), Total->maximum()));
}

int TMainForm::TotalMax() const {
    return Total->maximum();
}

void TMainForm::SetTotalMax(int maximum) {
    Total->setMaximum(maximum);
}

void TMainForm::ProcessEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}
