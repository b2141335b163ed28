#include "app/ContentsCommands.h"

#include <QDir>
#include <QListWidget>
#include <QMenu>
#include <QTimer>

#include "app/browse/Contents.h"
#include "app/browse/PatchWindow.h"
#include "app/browse/PlanWindow.h"
#include "app/browse/Paths.h"
#include "packs/Kinds.h"

namespace pw {

namespace {

template <class Form>
Form* FormOf(const std::map<QString, QPointer<Form>>& forms, const QString& path) {
    const auto it = forms.find(FileKey(path));
    return it == forms.end() ? nullptr : it->second.data();
}

// The window of `path`, made by `make` when there is none yet, brought to
// the front.
template <class Form, class Make>
Form* Raise(std::map<QString, QPointer<Form>>& forms, const QString& path, const Make& make) {
    Form* form = FormOf(forms, path);
    if (!form) forms[FileKey(path)] = form = make();
    form->show();
    form->raise();
    form->activateWindow();
    return form;
}

} // namespace

TContentsCommands::TContentsCommands(QListWidget* list, Dialogs& dialogs, ContentsHost& host, QWidget* owner)
    : QObject(owner), list_(list), dialogs_(dialogs), host_(host), owner_(owner) {
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    const auto guarded = [this](auto&& handler) {
        try {
            handler();
        } catch (const std::exception& e) {
            host_.ShowError(e.what());
        }
    };
    connect(list_, &QListWidget::itemActivated, this,
            [this, guarded](QListWidgetItem* item) { guarded([&] { Activate(item); }); });
    connect(list_, &QListWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu* menu = Menu(list_->itemAt(at));
        if (menu) menu->popup(list_->viewport()->mapToGlobal(at));
    });
}

bool TContentsCommands::Busy() const {
    for (const auto& [key, form] : contents_)
        if (form && form->Running()) return true;
    return false;
}

void TContentsCommands::StopRuns() {
    for (const auto& [key, form] : contents_)
        if (form && form->Running()) form->close();
}

bool TContentsCommands::CloseUnsaved() {
    for (const auto& [key, form] : contents_)
        if (form && form->Unsaved() && !form->close()) return false;
    return true;
}

TContentsForm* TContentsCommands::ContentsOf(const QString& indexPath) const { return FormOf(contents_, indexPath); }

TContentsForm* TContentsCommands::ShowContents(const QString& indexPath) {
    if (host_.ListRunning()) return nullptr;
    return Raise(contents_, indexPath, [&] {
        auto* form = new TContentsForm(ToPath(indexPath), dialogs_, owner_);
        form->OtherRunBusy = [this] { return host_.ListRunning(); };
        // The main window waits for an extraction before it closes.
        form->RunEnded = [this] { QTimer::singleShot(0, this, [this] { emit RunEnded(); }); };
        // A new pack saved from the window opens in a window of its own.
        form->OpenPack = [this](const std::string& path) {
            try {
                ShowContents(FromPath(path));
            } catch (const std::exception& e) {
                host_.ShowError(e.what());
            }
        };
        return form;
    });
}

TPlanForm* TContentsCommands::ChangesOf(const QString& logPath) const { return FormOf(plans_, logPath); }

TPlanForm* TContentsCommands::ShowChanges(const QString& logPath) {
    if (host_.ListRunning()) return nullptr;
    return Raise(plans_, logPath, [&] {
        return new TPlanForm(ToPath(logPath), ToPath(QDir::currentPath()), dialogs_, owner_);
    });
}

TPatchForm* TContentsCommands::PatchOf(const QString& patchPath) const { return FormOf(patches_, patchPath); }

TPatchForm* TContentsCommands::ShowPatch(const QString& patchPath) {
    if (host_.ListRunning()) return nullptr;
    return Raise(patches_, patchPath, [&] {
        auto* form = new TPatchForm(ToPath(patchPath), dialogs_, owner_);
        if (!host_.GameFolder().isEmpty()) form->SetGameFolder(ToPath(host_.GameFolder()));
        return form;
    });
}

void TContentsCommands::Activate(QListWidgetItem* item) {
    if (item) Open(item->text());
}

void TContentsCommands::Open(const QString& path) {
    if (host_.ListRunning()) return;
    const uint8_t kind = host_.ListKind();
    if (kind == KindPacks) ShowContents(path);
    if (kind == KindLogs || kind == KindProjectLists) ShowChanges(path);
    if (kind == KindPatches) ShowPatch(path);
}

QMenu* TContentsCommands::Menu(QListWidgetItem* item) {
    if (!item) return nullptr;
    const uint8_t kind = host_.ListKind();
    const char* text = kind == KindPacks                                   ? "Show contents"
                       : kind == KindLogs || kind == KindProjectLists ? "Show changes"
                       : kind == KindPatches                              ? "Show patch"
                                                                          : nullptr;
    if (!text) return nullptr;
    auto* menu = new QMenu(owner_);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* show = menu->addAction(QString::fromLatin1(text));
    show->setEnabled(!host_.ListRunning());
    const QString path = item->text();
    connect(show, &QAction::triggered, this, [this, path] {
        try {
            Open(path);
        } catch (const std::exception& e) {
            host_.ShowError(e.what());
        }
    });
    return menu;
}

} // namespace pw
