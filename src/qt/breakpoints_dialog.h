#pragma once

#include <QDialog>
#include <QWidget>

#include "platform/breakpoint_editor.h"
#include "qt/dialog_gate.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace halvane::qt {

// Board > Breakpoints...: one row per breakpoint (Place, Address, Symbol), a line for an address
// or a symbol with Add, which adds it at once (Enter does the same), and Remove for the selected
// row. Why an address or symbol was refused shows under the line. Object names: "Breakpoints",
// "breakpoints", "new_breakpoint", "add", "remove", "refusal".
class BreakpointsDialog : public QDialog {
    Q_OBJECT

  public:
    BreakpointsDialog(QWidget* parent, BreakpointRequests& requests);

  private:
    void add();
    void remove();
    void show_rows();

    BreakpointRequests& requests_;
    QTreeWidget* list_ = nullptr;
    QLineEdit* typed_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    QLabel* refusal_ = nullptr;
};

class BreakpointEditorAdapter : public BreakpointEditor {
  public:
    BreakpointEditorAdapter(QWidget& parent, const DialogGate& gate)
        : parent_(parent), gate_(gate) {}

    void edit(BreakpointRequests& requests) override;

  private:
    QWidget& parent_;
    const DialogGate& gate_;
};

}  // namespace halvane::qt
