#include "AppFixture.h"

#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimerEvent>
#include <QToolButton>
#include <QAbstractButton>
#include <QAction>
#include <QMenu>


namespace {

// The test's next answer to a dialog, taken off its queue; none, and a
// failure, when the test queued none for it.
template <class Queue> std::optional<typename Queue::value_type> Next(Queue& queue, const char* dialog) {
    if (queue.empty()) {
        ADD_FAILURE() << "unexpected " << dialog;
        return std::nullopt;
    }
    auto answer = std::move(queue.front());
    queue.pop_front();
    return answer;
}

} // namespace

QStringList FakeDialogs::OpenFiles(QWidget*, const pw::FileDialogSetup& setup, int& position) {
    EXPECT_EQ(setup.title, openTitle);
    openStartPositions.push_back(position);
    openSetups.push_back(setup);
    if (onOpen) onOpen();
    const auto answer = Next(opens, "open dialog");
    if (!answer) return {};
    if (!answer->files.isEmpty()) position = answer->position;
    return answer->files;
}

std::optional<QString> FakeDialogs::SaveFile(QWidget*, const pw::FileDialogSetup& setup) {
    saveSetups.push_back(setup);
    return Next(saves, "save dialog").value_or(std::nullopt);
}

std::optional<QString> FakeDialogs::SelectDirectory(QWidget*, const QString& start) {
    folderStarts.push_back(start);
    return Next(folders, "folder prompt").value_or(std::nullopt);
}

int FakeDialogs::ExecDirForm(TDirForm& form) {
    const auto answer = Next(dirForms, "directory dialog");
    if (!answer) return 2;
    form.show();
    const int result = (*answer)(form);
    form.hide();
    return result;
}

std::optional<int> FakeDialogs::AskChoice(QWidget*, const QString&, const QString&, const QStringList& items,
                                          int current) {
    choiceItems.push_back(items);
    choiceStarts.push_back(current);
    return Next(choices, "choice").value_or(std::nullopt);
}

std::optional<QString> FakeDialogs::AskText(QWidget*, const QString&, const QString& label, const QString&) {
    textLabels.push_back(label);
    return Next(texts, "text prompt").value_or(std::nullopt);
}

bool FakeDialogs::Ask(QWidget*, const QString& text, const QString&) {
    questions.push_back(text);
    return Next(answers, "question").value_or(false);
}

pw::Dialogs::SaveAnswer FakeDialogs::AskSave(QWidget*, const QString& text, const QString&) {
    questions.push_back(text);
    return Next(saveAnswers, "save question").value_or(SaveAnswer::Cancel);
}

int FakeDialogs::Choose(QWidget*, const QString& text, const QString&, const QStringList& answers, const QStringList&) {
    questions.push_back(text);
    choiceSets.push_back(answers);
    return Next(picks, "choice").value_or(int(answers.size()) - 1);
}

std::optional<pw::PatchDetails> FakeDialogs::AskPatchDetails(QWidget*, const QString&, const pw::PatchDetails& start) {
    detailStarts.push_back(start);
    return Next(details, "patch details form").value_or(std::nullopt);
}

void FakeDialogs::Inform(QWidget*, const QString& text, const QString& caption) {
    boxes.push_back({"info", text, caption});
}

void FakeDialogs::ShowError(QWidget*, const QString& text, const QString& caption) {
    boxes.push_back({"error", text, caption});
}

QStringList Unexplained(const QWidget* window) {
    QStringList missing;
    for (const QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        // A tool button of an action says what the action's tooltip says.
        const auto* tool = qobject_cast<const QToolButton*>(b);
        const QString tip = tool && tool->defaultAction() ? tool->defaultAction()->toolTip() : b->toolTip();
        // Qt's own tool buttons (a tool bar's extension arrow) are not ours.
        if (b->objectName().startsWith("qt_")) continue;
        if (tip.isEmpty() || tip == b->text()) missing << (b->objectName().isEmpty() ? b->text() : b->objectName());
    }
    for (const QMenu* menu : window->findChildren<QMenu*>())
        for (const QAction* a : menu->actions())
            if (!a->isSeparator() && (a->toolTip().isEmpty() || a->toolTip() == QString(a->text()).remove('&')))
                missing << a->text();
    return missing;
}

void AppTest::SetUp() {
    ASSERT_TRUE(tmp.isValid());
    oldCwd = QDir::currentPath();
    w = std::make_unique<TMainForm>(dialogs);
    dir = std::make_unique<TDirForm>(w.get(), dialogs, [] { return TMainForm::SelectLogSetup().filter; });
    w->SetDirForm(dir.get());
}

void AppTest::TearDown() {
    dir.reset();
    w.reset();
    QDir::setCurrent(oldCwd);
    EXPECT_TRUE(dialogs.opens.empty() && dialogs.saves.empty() && dialogs.folders.empty() &&
                dialogs.dirForms.empty() && dialogs.answers.empty() && dialogs.texts.empty() &&
                dialogs.choices.empty() && dialogs.picks.empty() && dialogs.details.empty())
        << "answers left unused";
}

// As the system writes paths, as a user's dialogs and drops give them.
QString AppTest::Path(const QString& relative) const {
    return QDir::toNativeSeparators(tmp.path() + u'/' + relative);
}

void AppTest::Write(const QString& relative, const std::string& bytes) const {
    const QString path = Path(relative);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), qint64(bytes.size()));
}

std::string AppTest::Read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return "<missing>";
    return file.readAll().toStdString();
}

QStringList AppTest::Entries() const {
    QStringList out;
    for (int i = 0; i < w->LogList->count(); ++i) out << w->LogList->item(i)->text();
    return out;
}

std::vector<std::string> AppTest::EnabledButtons() const {
    std::vector<std::string> out;
    const std::pair<const char*, QWidget*> all[] = {
        {"BAddLog", w->BAddLog},   {"ProcessDir", w->ProcessDir}, {"BSaveList", w->BSaveList},
        {"BRemLog", w->BRemLog},   {"BClearAll", w->BClearAll},   {"BProcess", w->BProcess},
        {"BExit", w->BExit},       {"SaveLog", w->SaveLog},       {"Stop", w->Stop}};
    for (const auto& [name, widget] : all)
        if (widget->isEnabled()) out.push_back(name);
    return out;
}

void AppTest::MakePack(const QString& relative, const std::vector<Entry>& entries) const {
    std::string fat, mix;
    auto put32 = [&fat](uint32_t v) {
        for (int i = 0; i < 4; ++i) fat.push_back(char((v >> (8 * i)) & 0xFF));
    };
    put32(uint32_t(entries.size()));
    put32(0xA5A5A5A5u);
    for (const Entry& e : entries) {
        std::string name = e.name;
        name.resize(16, '\0');
        fat += name;
        put32(uint32_t(mix.size() / 2048));
        put32(uint32_t(e.data.size()));
        put32(0x11223344u);
        mix += e.data;
        mix.resize((mix.size() + 2047) / 2048 * 2048, '\0');
    }
    Write(relative + ".fat", fat);
    Write(relative + ".mix", mix);
}

void AppTest::Add(const QStringList& files, int position) {
    dialogs.opens.push_back({files, position});
    w->BAddLog->click();
}

std::string SmallTarga(char fill) {
    std::string b(18, '\0');
    b[2] = 2;   // uncompressed true colour
    b[12] = 2;  // width
    b[14] = 2;  // height
    b[16] = 24; // bits a pixel
    return b + std::string(12, fill);
}

void WaitForPreview(pw::TPreviewPane* pane, const std::function<void()>& action) {
    QSignalSpy shown(pane, &pw::TPreviewPane::Shown);
    action();
    if (shown.isEmpty()) {
        EXPECT_TRUE(shown.wait(5000));
    }
}

DuringRun::DuringRun(std::function<bool()> action) : action_(std::move(action)), timer_(startTimer(0)) {}

DuringRun::~DuringRun() {
    if (timer_) killTimer(timer_);
}

void DuringRun::timerEvent(QTimerEvent*) {
    if (timer_ && action_()) {
        killTimer(timer_);
        timer_ = 0;
    }
}

bool DropFiles(QWidget* target, QPoint at, const QStringList& files) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& f : files) urls.append(QUrl::fromLocalFile(f));
    data.setUrls(urls);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}
