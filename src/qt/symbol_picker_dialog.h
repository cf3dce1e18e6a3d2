#pragma once

#include <QDialog>
#include <QWidget>
#include <optional>
#include <vector>

#include "platform/symbol_picker.h"
#include "qt/dialog_gate.h"

class QLabel;
class QLineEdit;
class QTreeWidget;

namespace halvane::qt {

// The list of File > Import Symbols: one checkable row per symbol (Name, Address, Size,
// Section), a filter box that hides the rows whose name does not contain its text, and
// a count of the checked symbols. Object names: "SymbolPicker", "filter", "symbols",
// "checked_count".
class SymbolPickerDialog : public QDialog {
    Q_OBJECT

  public:
    SymbolPickerDialog(QWidget* parent, const QString& program_path,
                       const std::vector<ProgramSymbol>& symbols, const std::vector<bool>& marks);

    std::vector<bool> marks() const;

  private:
    void apply_filter(const QString& text);
    void count_checked();

    QLineEdit* filter_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QLabel* count_ = nullptr;
};

class SymbolPickerAdapter : public SymbolPicker {
  public:
    SymbolPickerAdapter(QWidget& parent, const DialogGate& gate) : parent_(parent), gate_(gate) {}

    std::optional<std::vector<bool>> choose(std::string_view program_path,
                                            const std::vector<ProgramSymbol>& symbols,
                                            std::vector<bool> marks) override;

  private:
    QWidget& parent_;
    const DialogGate& gate_;
};

}  // namespace halvane::qt
