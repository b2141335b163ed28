// The main window's side of the contents, change plan and patch windows:
// opening one per pack, log or patch from the input list, by double-click,
// Enter or the context menu.
#include <QDir>
#include <QListWidget>
#include <QMenu>
#include <QTimer>

#include "app/browse/Contents.h"
#include "app/browse/PatchWindow.h"
#include "app/browse/PlanWindow.h"
#include "app/Main.h"
#include "packs/Kinds.h"

namespace {

template <class Form>
Form* FormOf(const std::map<QString, QPointer<Form>>& forms, const QString& path) {
    const auto it = forms.find(pw::FileKey(path));
    return it == forms.end() ? nullptr : it->second.data();
}

// The window of `path`, made by `make` when there is none yet, brought to
// the front.
template <class Form, class Make>
Form* Raise(std::map<QString, QPointer<Form>>& forms, const QString& path, const Make& make) {
    Form* form = FormOf(forms, path);
    if (!form) forms[pw::FileKey(path)] = form = make();
    form->show();
    form->raise();
    form->activateWindow();
    return form;
}

} // namespace

void TMainForm::SetUpContentsCommands() {
    LogList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(LogList, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        Guarded([&] { LogListActivate(item); });
    });
    connect(LogList, &QListWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = LogListMenu(LogList->itemAt(at));
        if (menu) menu->popup(LogList->viewport()->mapToGlobal(at));
    });
    LogList->viewport()->setAcceptDrops(true);
    LogList->setAcceptDrops(true);
    LogList->viewport()->installEventFilter(this);
}

bool TMainForm::ContentsBusy() const {
    for (const auto& [key, form] : contents_)
        if (form && form->Running()) return true;
    return false;
}

pw::TContentsForm* TMainForm::ContentsOf(const QString& indexPath) const { return FormOf(contents_, indexPath); }

pw::TContentsForm* TMainForm::ShowContents(const QString& indexPath) {
    if (running_) return nullptr;
    return Raise(contents_, indexPath, [&] {
        auto* form = new pw::TContentsForm(pw::ToPath(indexPath), dialogs_, this);
        form->OtherRunBusy = [this] { return running_; };
        // The main window waits for an extraction before it closes.
        form->RunEnded = [this] { QTimer::singleShot(0, this, [this] { CloseIfAsked(); }); };
        // A new pack saved from the window opens in a window of its own.
        form->OpenPack = [this](const std::string& path) {
            Guarded([&] { ShowContents(pw::FromPath(path)); });
        };
        return form;
    });
}

pw::TPlanForm* TMainForm::ChangesOf(const QString& logPath) const { return FormOf(plans_, logPath); }

pw::TPlanForm* TMainForm::ShowChanges(const QString& logPath) {
    if (running_) return nullptr;
    return Raise(plans_, logPath, [&] {
        return new pw::TPlanForm(pw::ToPath(logPath), pw::ToPath(QDir::currentPath()), dialogs_, this);
    });
}

pw::TPatchForm* TMainForm::PatchOf(const QString& patchPath) const { return FormOf(patches_, patchPath); }

pw::TPatchForm* TMainForm::ShowPatch(const QString& patchPath) {
    if (running_) return nullptr;
    return Raise(patches_, patchPath, [&] {
        auto* form = new pw::TPatchForm(pw::ToPath(patchPath), dialogs_, this);
        if (!GameDir.isEmpty()) form->SetGameFolder(pw::ToPath(GameDir));
        return form;
    });
}

void TMainForm::LogListActivate(QListWidgetItem* item) {
    if (!item || running_) return;
    if (InputKind == pw::KindPacks) ShowContents(item->text());
    if (InputKind == pw::KindLogs || InputKind == pw::KindProjectLists) ShowChanges(item->text());
    if (InputKind == pw::KindPatches) ShowPatch(item->text());
}

QMenu* TMainForm::LogListMenu(QListWidgetItem* item) {
    if (!item) return nullptr;
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    if (InputKind == pw::KindPacks) {
        QAction* show = menu->addAction(QStringLiteral("Show contents"));
        show->setEnabled(!running_);
        const QString path = item->text();
        connect(show, &QAction::triggered, this, [this, path] { Guarded([&] { ShowContents(path); }); });
    }
    if (InputKind == pw::KindLogs || InputKind == pw::KindProjectLists) {
        QAction* show = menu->addAction(QStringLiteral("Show changes"));
        show->setEnabled(!running_);
        const QString path = item->text();
        connect(show, &QAction::triggered, this, [this, path] { Guarded([&] { ShowChanges(path); }); });
    }
    if (InputKind == pw::KindPatches) {
        QAction* show = menu->addAction(QStringLiteral("Show patch"));
        show->setEnabled(!running_);
        const QString path = item->text();
        connect(show, &QAction::triggered, this, [this, path] { Guarded([&] { ShowPatch(path); }); });
    }
    if (menu->isEmpty()) {
        delete menu;
        return nullptr;
    }
    return menu;
}
