#pragma once
// How every entry table of the browse family looks and how its window
// shares its width: rows of one height without word wrap, sorting by a
// click on a header, each column as wide as its texts, and the last column
// (a path) as wide as its texts (at most about 40 characters) or the room
// left, whichever is more, its long texts elided in the middle. A
// cell whose text is cut shows it whole in its tooltip, with what the model
// says of the cell besides (the widths are measured on the first rows
// only, so any column may cut a text further down). Beside the table, a window
// that compares two sides of an entry shows two previews.
class QAbstractItemView;
class QHBoxLayout;
class QModelIndex;
class QLabel;
class QSplitter;
class QString;
class QTableView;
class QVBoxLayout;
class QWidget;

namespace pw {

class TEntryModel;
class TPreviewPane;

// Shows `model` in `table`. Widths come from the header and the first rows
// of the model (a sample: nothing here walks every row of a large pack).
void SetUpEntryTable(QTableView* table, TEntryModel* model);

// The tooltip of a cell of `view`: its whole text when the cell cuts it,
// then the model's own tooltip; empty when there is neither.
QString CellToolTip(const QAbstractItemView* view, const QModelIndex& index);

// Widens a column of `table` to show `text` whole (at most about 40
// characters), for a text that comes after the widths were measured.
void WidenColumnFor(QTableView* table, int column, const QString& text);

// The width the table needs to show its columns whole, the last one at most
// about 40 characters wide, with its frame and vertical scroll bar.
int NeededWidth(const QTableView* table);

// Gives the panes beside the table (the splitter's second widget) the room
// they need, `panes` previews each as wide as a whole row of its hex view
// (at least 360 pixels), and the table the rest; the table gets less than
// it needs only where that would leave one pane less than a third of the
// width, or two less than half.
void ShareWidth(QSplitter* splitter, const QTableView* table, int panes);

// The width a window of a table beside previews opens at: at least
// `least`, and where the screen has the room, enough for the table's
// columns beside a whole row of one preview's hex view.
int OpeningWidth(QWidget* window, const QSplitter* splitter, const QTableView* table, int least);

// Where the parts of a table beside two previews go (a window's members).
struct PreviewParts {
    QSplitter*& splitter;
    QTableView*& table;
    QLabel*& oldLabel;
    TPreviewPane*& oldPane;
    QLabel*& newLabel;
    TPreviewPane*& newPane;
};

// Adds to `outer`, taking the room left, a splitter with the table of
// `model` (one row selected at a time) and beside it two columns, each a
// label over a preview: `oldTitle` and "New". Returns the row of the two
// columns, for what else the window shows there.
QHBoxLayout* AddPreviewColumns(QVBoxLayout* outer, TEntryModel* model, const QString& oldTitle,
                               const PreviewParts& parts);

} // namespace pw
