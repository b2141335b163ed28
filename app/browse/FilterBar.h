#pragma once
// The row above an entry table: a filter text (substring, or a `*`/`?`
// pattern) on name and type, and a type chooser listing each type with its
// count. It drives a TEntryModel.
#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;

namespace pw {

class TEntryModel;

class TFilterBar : public QWidget {
    Q_OBJECT
public:
    explicit TFilterBar(QWidget* parent = nullptr);

    // Lists the model's types and sends the choices to it.
    void Bind(TEntryModel* model);

    QLabel* FilterLabel;
    QLineEdit* FilterEdit;
    QLabel* TypeLabel;
    QComboBox* TypeChooser;

private:
    void Apply();
    TEntryModel* model_ = nullptr;
};

} // namespace pw
