// The patch details form: title, author, version and description of a
// patch in one dialog, as its manifest holds them.
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/Dialogs.h"

namespace pw {

std::optional<PatchDetails> QtDialogs::AskPatchDetails(QWidget* parent, const QString& caption,
                                                       const PatchDetails& start) {
    QDialog dialog(parent);
    dialog.setWindowTitle(caption);
    auto* form = new QFormLayout(&dialog);
    auto* title = new QLineEdit(start.title, &dialog);
    auto* author = new QLineEdit(start.author, &dialog);
    auto* version = new QLineEdit(start.version, &dialog);
    auto* description = new QPlainTextEdit(start.description, &dialog);
    title->setToolTip(QStringLiteral("The patch's name, shown to those who apply it"));
    author->setToolTip(QStringLiteral("Who made the patch"));
    version->setToolTip(QStringLiteral("The patch's own version, such as 1.0"));
    description->setToolTip(QStringLiteral("What the patch changes, in a few lines"));
    description->setTabChangesFocus(true);
    description->setMinimumWidth(360);
    form->addRow(QStringLiteral("&Title:"), title);
    form->addRow(QStringLiteral("&Author:"), author);
    form->addRow(QStringLiteral("&Version:"), version);
    form->addRow(QStringLiteral("&Description:"), description);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Next\u2026"));
    buttons->button(QDialogButtonBox::Ok)->setToolTip(QStringLiteral("Choose where the patch is written"));
    buttons->button(QDialogButtonBox::Cancel)->setToolTip(QStringLiteral("Write no patch"));
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    title->selectAll();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return PatchDetails{title->text(), author->text(), version->text(), description->toPlainText()};
}

} // namespace pw
