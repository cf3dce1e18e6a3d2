#pragma once

#include <QLineEdit>
#include <QObject>
#include <QTimer>
#include <string>

namespace halvane::qt {

// The receive box (Text1): shows the link's receive log, byte for byte (control characters
// included). What the user types into the box changes nothing but the box until the next
// update. A stream of single characters costs one relayout per frame instead of one per
// character.
class ReceiveBufferBox : public QObject {
    Q_OBJECT

  public:
    explicit ReceiveBufferBox(QLineEdit& box);

    void set_text(std::string_view text);
    // The text last set, shown or about to be.
    const std::string& text() const { return text_; }

    // Shows the current text at once.
    void refresh();

  private:
    QLineEdit& box_;
    std::string text_;
    QTimer repaint_;
    bool shown_ = true;
};

}  // namespace halvane::qt
