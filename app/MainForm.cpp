// The main window: creation from its form, the look, the error box and
// closing.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <algorithm>
#include <exception>

#include "app/FitText.h"
#include "app/Glyphs.h"
#include "app/Main.h"
#include "app/mods/ModsWindow.h"
#include "core/Error.h"
#include "targa/Targa.h"
#include "textobject/Textobject.h"
#include "ui_Main.h"

pw::FileDialogSetup TMainForm::SelectLogSetup() {
    return {QStringLiteral("Select file..."), QString::fromUtf8(pw::InputFilter.data(),
                                                                qsizetype(pw::InputFilter.size())),
            QString(), false};
}

pw::FileDialogSetup TMainForm::SaveLSTSetup() {
    return {QStringLiteral("Select file..."), QStringLiteral("Project list files (*.lst)|*.lst"),
            QStringLiteral("lst"), true};
}

pw::FileDialogSetup TMainForm::SaveResSetup() {
    return {QStringLiteral("Select target..."), QStringLiteral("Text files (*.txt)|*.txt"),
            QStringLiteral("txt"), false};
}

TMainForm::TMainForm(pw::Dialogs& dialogs, QWidget* parent)
    : QWidget(parent), Run(*this), PackFormat(Run.PackFormat), PlainLine(Run.PlainLine),
      ui_(std::make_unique<Ui::TMainForm>()), dialogs_(dialogs) {
    ui_->setupUi(this);
    ToolBar1 = ui_->ToolBar1;
    BAddLog = ui_->BAddLog;
    ProcessDir = ui_->ProcessDir;
    BSaveList = ui_->BSaveList;
    BRemLog = ui_->BRemLog;
    BClearAll = ui_->BClearAll;
    BProcess = ui_->BProcess;
    BExit = ui_->BExit;
    LogList = ui_->LogList;
    Results = ui_->Results;
    GroupBox1 = ui_->GroupBox1;
    CurrentMessage = ui_->CurrentMessage;
    Extracted = ui_->Extracted;
    SaveLog = ui_->SaveLog;
    Stop = ui_->Stop;
    Progress = ui_->Progress;
    Total = ui_->Total;

    // A tool window: small caption with a close box, fixed size.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    // Tool windows do not end the program by default; this one is the program.
    setAttribute(Qt::WA_QuitOnClose, true);
    setFixedSize(688, 464);
    setFont(pw::FormFont());
    fitted_ = true;
    FitToText();
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    Results->setBackgroundRole(QPalette::Base);
    // The group's caption sits in its top frame line, so the controls at the
    // top of the group stay inside the frame whatever the style.
    GroupBox1->setStyleSheet(QStringLiteral(
        "QGroupBox#GroupBox1 { border: 1px solid palette(mid); margin-top: 6px; }"
        "QGroupBox#GroupBox1::title { subcontrol-origin: margin; left: 8px; top: 0px; padding: 0px; }"));

    Bind(BExit, &TMainForm::BExitClick);
    Bind(BAddLog, &TMainForm::BAddLogClick);
    Bind(BRemLog, &TMainForm::BRemLogClick);
    Bind(BProcess, &TMainForm::BProcessClick);
    Bind(BSaveList, &TMainForm::BSaveListClick);
    Bind(Stop, &TMainForm::StopClick);
    Bind(SaveLog, &TMainForm::SaveLogClick);
    Bind(BClearAll, &TMainForm::BClearAllClick);
    Bind(ProcessDir, &TMainForm::ProcessDirClick);
    windows_ = new pw::TContentsCommands(LogList, dialogs_, *this, this);
    connect(windows_, &pw::TContentsCommands::RunEnded, this, [this] { CloseIfAsked(); });
    LogList->viewport()->setAcceptDrops(true);
    LogList->setAcceptDrops(true);
    LogList->viewport()->installEventFilter(this);
    SetUpModsCommand();
    SetUpToolBarHelp();

    TextObject = new pw::TTextObject(this);
    TextObject->SetTextStyle(pw::TTextObject::IniStyle);
    TextObject->SetAsciiZ(true);
    TextObject->SetClearBounds(true);
    TextObject->SetLinuxFormat(true);
    TextObject->SetTextAlign(1);
    Targa = new pw::TTarga(this);
    Targa->SetWidth(256);
    Targa->SetHeight(256);
    Targa->SetDepth(32);

    FormCreate();
}

TMainForm::~TMainForm() {
    FormDestroy();
}

void TMainForm::FormCreate() {
    ProcessItem = [this](uint8_t kind, const std::string& name) { return DispatchItem(kind, name); };
    Run.ResultLines.clear();
    Run.LogLines.clear();
}

void TMainForm::FormDestroy() {
    Run.ResultLines = {};
    Run.LogLines = {};
}

void TMainForm::Bind(QToolButton* button, void (TMainForm::*handler)()) {
    connect(button, &QToolButton::clicked, this, [this, handler] { 
        Guarded([&] { (this->*handler)(); });
        CloseIfAsked();
    });
}

void TMainForm::Bind(QPushButton* button, void (TMainForm::*handler)()) {
    connect(button, &QPushButton::clicked, this, [this, handler] { 
        Guarded([&] { (this->*handler)(); });
        CloseIfAsked();
    });
}

void TMainForm::ShowErrorBox(const std::string& message) {
    dialogs_.ShowError(this, QString::fromStdString(pw::ErrorBoxText(message)),
                       QCoreApplication::applicationName());
}

void TMainForm::SetListButtons(bool enabled) {
    BSaveList->setEnabled(enabled);
    BRemLog->setEnabled(enabled);
    BClearAll->setEnabled(enabled);
    BProcess->setEnabled(enabled);
}

void TMainForm::EnableListButtonsIfFilled() {
    if (LogList->count() > 0) SetListButtons(true);
}

void TMainForm::BExitClick() {
    close();
}

// Closing during a run asks the run to stop after the current entry; the
// window closes when it has.
void TMainForm::closeEvent(QCloseEvent* event) {
    if (ContentsBusy()) {
        // Each extraction is asked to stop; its window closes after it.
        windows_->StopRuns();
        closeAfterRun_ = true;
        event->ignore();
        return;
    }
    if (running_) {
        closeAfterRun_ = true;
        Run.RequestStop();
        Stop->setEnabled(false);
        event->ignore();
        return;
    }
    // A contents window with replacements not saved, and the Mods window
    // with a load order not saved, ask first; Cancel keeps both open.
    if (!windows_->CloseUnsaved() || (mods_ && !mods_->close())) {
        event->ignore();
        return;
    }
    event->accept();
}

void TMainForm::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange && fitted_) FitToText();
    QWidget::changeEvent(event);
}

// The group's captions at their design places, widened where the font's
// text needs more: Stop and "Save results" grow to the left from the
// group's right edge, the labels to the right.
void TMainForm::FitToText() {
    const int buttonHeight = std::max(19, fontMetrics().height() + 6);
    const int stopWidth = std::max(71, pw::TextWidth(Stop));
    Stop->setGeometry(683 - stopWidth, 10, stopWidth, buttonHeight);
    const int saveWidth = std::max(105, pw::TextWidth(SaveLog));
    SaveLog->setGeometry(Stop->x() - 1 - saveWidth, 10, saveWidth, buttonHeight);
    const int labelHeight = std::max(13, fontMetrics().height());
    Extracted->setGeometry(334, 14, std::max(168, pw::TextWidth(Extracted)), labelHeight);
    CurrentMessage->setGeometry(12, 16, 318, labelHeight); // status texts are cut at Extracted
}

void TMainForm::CloseIfAsked() {
    if (closeAfterRun_ && !running_ && !ContentsBusy()) {
        closeAfterRun_ = false;
        close();
    }
}

void TMainForm::showEvent(QShowEvent* event) {
    if (!centred_) {
        centred_ = true;
        if (const QScreen* screen = this->screen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QWidget::showEvent(event);
}
