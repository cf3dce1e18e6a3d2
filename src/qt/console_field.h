#pragma once

#include <QLineEdit>

namespace halvane {
class BoardConsole;
}

namespace halvane::qt {

// The one-line console to the board under the receive box: Enter hands the line to the board's
// console (the field empties once it has gone), Up and Down recall the lines typed before.
class ConsoleField : public QLineEdit {
  public:
    explicit ConsoleField(QWidget* parent);
    void bind(BoardConsole& console) { console_ = &console; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    BoardConsole* console_ = nullptr;
};

}  // namespace halvane::qt
