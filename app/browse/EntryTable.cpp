#include "app/browse/EntryTable.h"

#include <QAbstractButton>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/browse/EntryModel.h"
#include "app/browse/PreviewPane.h"

namespace pw {

namespace {

constexpr int SampledRows = 200;
constexpr int PaneWidth = 360;
constexpr int LastColumnChars = 40;

// Shows CellToolTip over a cell.
class TCellTips : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
        if (event->type() != QEvent::ToolTip) return QStyledItemDelegate::helpEvent(event, view, option, index);
        const QString tip = CellToolTip(view, index);
        if (tip.isEmpty()) QToolTip::hideText();
        else QToolTip::showText(event->globalPos(), tip, view, option.rect);
        return true;
    }
};

// Keeps the last column (a path) as wide as its texts, at most about 40
// characters, and lets it take the room the viewport has besides; a
// narrow window scrolls rather than cutting it down to its ellipsis.
class TFillLast : public QObject {
public:
    TFillLast(QTableView* table, int natural) : QObject(table), table_(table), natural_(natural) {
        table->viewport()->installEventFilter(this);
        connect(table->horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column) {
            if (column != Last()) Fill();
        });
    }
    void Fill() {
        const int last = Last();
        if (last < 0) return;
        int others = 0;
        for (int c = 0; c < last; ++c) others += table_->columnWidth(c);
        const int width = std::max(natural_, table_->viewport()->width() - others);
        if (table_->columnWidth(last) != width) table_->setColumnWidth(last, width);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Resize) Fill();
        return QObject::eventFilter(watched, event);
    }

private:
    int Last() const { return table_->model() ? table_->model()->columnCount() - 1 : -1; }
    QTableView* table_;
    int natural_;
};

} // namespace

QString CellToolTip(const QAbstractItemView* view, const QModelIndex& index) {
    const QString own = index.data(Qt::ToolTipRole).toString();
    const QString text = index.data(Qt::DisplayRole).toString();
    const QRect cell = view->visualRect(index);
    // The item's text margins on each side, as the style draws them.
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const bool cut = !text.isEmpty() && view->fontMetrics().horizontalAdvance(text) + 2 * margin > cell.width();
    if (!cut || own.startsWith(text)) return own;
    return own.isEmpty() ? text : text + u'\n' + own;
}

void SetUpEntryTable(QTableView* table, TEntryModel* model) {
    table->setModel(model);
    table->setItemDelegate(new TCellTips(table));
    // The corner button above the row numbers selects every row.
    for (QAbstractButton* corner : table->findChildren<QAbstractButton*>())
        corner->setToolTip(QStringLiteral("Select every entry"));
    table->setWordWrap(false);
    table->setTextElideMode(Qt::ElideMiddle);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
    QHeaderView* header = table->horizontalHeader();
    header->setSortIndicator(-1, Qt::AscendingOrder);
    table->setSortingEnabled(true);
    header->setResizeContentsPrecision(SampledRows);
    table->resizeColumnsToContents();
    const int last = model->columnCount() - 1;
    if (last >= 0) {
        header->setStretchLastSection(false);
        const int natural = std::max(header->sectionSizeHint(last),
                                     std::min(static_cast<const QAbstractItemView*>(table)->sizeHintForColumn(last),
                                              table->fontMetrics().averageCharWidth() * LastColumnChars));
        (new TFillLast(table, natural))->Fill();
    }
}

void WidenColumnFor(QTableView* table, int column, const QString& text) {
    const int margin = 2 * (table->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1) + 4;
    const int wanted = std::min(table->fontMetrics().horizontalAdvance(text) + margin,
                                table->fontMetrics().averageCharWidth() * LastColumnChars);
    if (table->columnWidth(column) < wanted) table->setColumnWidth(column, wanted);
}

int NeededWidth(const QTableView* table) {
    const int columns = table->model() ? table->model()->columnCount() : 0;
    int width = 2 * table->frameWidth() + table->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < columns; ++c) {
        int column = table->horizontalHeader()->sectionSizeHint(c);
        // The last column stretches; its texts are measured on the sample.
        column = std::max(column, c == columns - 1 ? std::min(static_cast<const QAbstractItemView*>(table)->sizeHintForColumn(c),
                                                              table->fontMetrics().averageCharWidth() *
                                                                  LastColumnChars)
                                                   : table->columnWidth(c));
        width += column;
    }
    return width;
}

namespace {

// The width one preview beside the table asks for: a whole row of its hex
// view where it can.
int OnePaneWidth(const QSplitter* splitter) {
    const auto* pane = splitter->findChild<const TPreviewPane*>();
    return std::max(PaneWidth, pane ? pane->HexRowWidth() : 0);
}

} // namespace

void ShareWidth(QSplitter* splitter, const QTableView* table, int panes) {
    const int total = std::max(splitter->width(), splitter->sizeHint().width());
    const int handle = splitter->handleWidth();
    const int room = std::max(0, panes) * OnePaneWidth(splitter);
    const int tableWidth = std::max(NeededWidth(table), total - handle - room);
    // However much the table needs, one pane keeps a third of the width,
    // two keep half (the handle between them taken from the panes).
    const int rest = std::max(total - handle - tableWidth, std::min(room, total * panes / (panes + 2) - handle));
    splitter->setSizes({total - handle - rest, rest});
}

int OpeningWidth(QWidget* window, const QSplitter* splitter, const QTableView* table, int least) {
    const QMargins margins = window->layout() ? window->layout()->contentsMargins() : QMargins();
    const int wanted =
        NeededWidth(table) + OnePaneWidth(splitter) + splitter->handleWidth() + margins.left() + margins.right();
    return std::max(least, std::min(wanted, window->screen()->availableGeometry().width()));
}

QHBoxLayout* AddPreviewColumns(QVBoxLayout* outer, TEntryModel* model, const QString& oldTitle,
                               const PreviewParts& parts) {
    QSplitter* splitter = parts.splitter = new QSplitter(Qt::Horizontal, outer->parentWidget());
    splitter->setChildrenCollapsible(false);
    QTableView* table = parts.table = new QTableView(splitter);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    SetUpEntryTable(table, model);
    auto* previews = new QWidget(splitter);
    auto* grid = new QHBoxLayout(previews);
    grid->setContentsMargins(0, 0, 0, 0);
    auto* oldColumn = new QVBoxLayout;
    auto* newColumn = new QVBoxLayout;
    parts.oldLabel = new QLabel(oldTitle, previews);
    parts.newLabel = new QLabel(QStringLiteral("New"), previews);
    parts.oldPane = new TPreviewPane(previews);
    parts.newPane = new TPreviewPane(previews);
    oldColumn->addWidget(parts.oldLabel);
    oldColumn->addWidget(parts.oldPane, 1);
    newColumn->addWidget(parts.newLabel);
    newColumn->addWidget(parts.newPane, 1);
    grid->addLayout(oldColumn);
    grid->addLayout(newColumn);
    splitter->addWidget(table);
    splitter->addWidget(previews);
    outer->addWidget(splitter, 1);
    return grid;
}

} // namespace pw
