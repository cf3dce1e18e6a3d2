#include "qt/option_group.h"

namespace halvane::qt {

OptionGroupAdapter::OptionGroupAdapter(QRadioButton& option1, QRadioButton& option2,
                                       QRadioButton& option3) {
    group_.setExclusive(true);
    group_.addButton(&option1, 1);
    group_.addButton(&option2, 2);
    group_.addButton(&option3, 3);
    QObject::connect(&group_, &QButtonGroup::idClicked, [this](int id) {
        if (on_click) on_click(id);
    });
}

int OptionGroupAdapter::selected() const {
    return group_.checkedId() < 0 ? 0 : group_.checkedId();
}

void OptionGroupAdapter::select(int option) {
    if (QAbstractButton* button = group_.button(option)) button->setChecked(true);
}

}  // namespace halvane::qt
