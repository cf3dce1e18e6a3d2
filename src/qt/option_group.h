#pragma once

#include <QButtonGroup>
#include <QRadioButton>
#include <array>
#include <functional>

#include "platform/controls.h"

namespace halvane::qt {

// Option1 to Option3 as one exclusive group with ids 1 to 3. A click by the user goes to
// `on_click`; selecting from code does not.
class OptionGroupAdapter : public OptionGroup {
  public:
    OptionGroupAdapter(QRadioButton& option1, QRadioButton& option2, QRadioButton& option3);

    int selected() const override;
    void select(int option) override;

    std::function<void(int option)> on_click;

  private:
    QButtonGroup group_;
};

}  // namespace halvane::qt
