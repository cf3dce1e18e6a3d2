#pragma once

#include <string_view>

namespace halvane {

// A text the window shows and the logic only sets: the status label `Status` and the
// receive buffer's view `Text1`.
class TextView {
  public:
    virtual ~TextView() = default;
    virtual void set_text(std::string_view text) = 0;
};

// The progress bar `ProgressBar1`; its minimum is always 0.
class ProgressBar {
  public:
    virtual ~ProgressBar() = default;
    virtual void set_maximum(float maximum) = 0;
    virtual void set_value(float value) = 0;
};

// The option buttons `Option1` to `Option3`: one group, numbered 1 to 3.
// Selecting from code does not run the click handlers.
class OptionGroup {
  public:
    virtual ~OptionGroup() = default;
    virtual int selected() const = 0;
    virtual void select(int option) = 0;
};

}  // namespace halvane
