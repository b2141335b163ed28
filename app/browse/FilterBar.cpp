#include "app/browse/FilterBar.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "app/browse/EntryModel.h"

namespace pw {

namespace {
// The chooser's item data: the type, or nothing for "every type".
constexpr int AnyType = 0, OneType = 1;
} // namespace

TFilterBar::TFilterBar(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    FilterLabel = new QLabel(QStringLiteral("Filter:"), this);
    FilterEdit = new QLineEdit(this);
    FilterEdit->setObjectName(QStringLiteral("FilterEdit"));
    FilterEdit->setPlaceholderText(QStringLiteral("Part of a name, or a pattern such as *.tga"));
    FilterEdit->setClearButtonEnabled(true);
    for (QAction* clear : FilterEdit->findChildren<QAction*>()) clear->setToolTip(QStringLiteral("Clear the filter"));
    for (QToolButton* clear : FilterEdit->findChildren<QToolButton*>())
        clear->setToolTip(QStringLiteral("Clear the filter"));
    FilterLabel->setBuddy(FilterEdit);
    TypeLabel = new QLabel(QStringLiteral("Type:"), this);
    TypeChooser = new QComboBox(this);
    TypeChooser->setObjectName(QStringLiteral("TypeChooser"));
    TypeChooser->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    TypeLabel->setBuddy(TypeChooser);
    layout->addWidget(FilterLabel);
    layout->addWidget(FilterEdit, 1);
    layout->addWidget(TypeLabel);
    layout->addWidget(TypeChooser);
    connect(FilterEdit, &QLineEdit::textChanged, this, [this] { Apply(); });
    connect(TypeChooser, &QComboBox::currentIndexChanged, this, [this] { Apply(); });
}

void TFilterBar::Bind(TEntryModel* model) {
    model_ = nullptr;
    TypeChooser->clear();
    if (!model) return;
    TypeChooser->addItem(QStringLiteral("All types (%1)").arg(model->SourceCount()), AnyType);
    for (const auto& [type, count] : model->TypeCounts()) {
        const QString shown = type.isEmpty() ? QStringLiteral("(no type)") : type;
        TypeChooser->addItem(QStringLiteral("%1 (%2)").arg(shown).arg(count), OneType);
        TypeChooser->setItemData(TypeChooser->count() - 1, type, Qt::UserRole + 1);
    }
    model_ = model;
    Apply();
}

void TFilterBar::Apply() {
    if (!model_) return;
    const int i = TypeChooser->currentIndex();
    const bool any = i < 0 || TypeChooser->itemData(i).toInt() == AnyType;
    const QString type = any ? QString() : TypeChooser->itemData(i, Qt::UserRole + 1).toString();
    // One reset for both settings.
    model_->SetType(type, any);
    model_->SetFilter(FilterEdit->text());
}

} // namespace pw
