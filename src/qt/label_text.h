#pragma once

#include <QLabel>
#include <QObject>
#include <QString>

namespace halvane::qt {

// A label for a text that may not fit it (the status line, the live figures): a text too long
// for it is shown with its middle left out, and whole in the label's tooltip, above the
// label's own tooltip text where it has one.
class LabelText : public QObject {
    Q_OBJECT

  public:
    explicit LabelText(QLabel& label);

    void set_text(std::string_view text);
    void set_tool_tip(std::string_view text);
    // The whole text last set.
    const QString& full_text() const { return full_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void fit();

    QLabel& label_;
    QString full_;
    QString tool_tip_;
};

}  // namespace halvane::qt
