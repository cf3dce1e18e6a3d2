#pragma once

#include <QLabel>
#include <QObject>
#include <QString>

#include "platform/controls.h"

namespace halvane::qt {

// The status line `Status`: a narrow label. A text too long for it is shown with its middle
// left out, and whole in the label's tooltip.
class LabelText : public QObject, public TextView {
    Q_OBJECT

  public:
    explicit LabelText(QLabel& label);

    void set_text(std::string_view text) override;
    // The whole text last set.
    const QString& full_text() const { return full_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void fit();

    QLabel& label_;
    QString full_;
};

}  // namespace halvane::qt
