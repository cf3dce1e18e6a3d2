#include "qt/register_strip.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QResizeEvent>
#include <algorithm>

#include "qt/text_viewer.h"
#include "text/hex_digits.h"

namespace halvane::qt {

namespace {

QString value_text(Register reg, const std::optional<monitor::Registers>& registers) {
    QString text = QChar(register_letter(reg));
    if (registers) {
        text += ' ';
        text +=
            QString::fromStdString(hex_text(register_value(*registers, reg), register_digits(reg)));
    }
    return text;
}

}  // namespace

RegisterStrip::RegisterStrip(QWidget* parent) : QWidget(parent) {
    setObjectName("RegisterStrip");
    // Values of one width in the listing's face, so that the row does not shift as they change.
    setFont(code_font());
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    // A character between registers; each value stands with its name.
    const int character = fontMetrics().horizontalAdvance(QLatin1Char(' '));
    layout->setSpacing(character);
    const auto add_label = [this](QHBoxLayout& row, const QString& name, const QString& tip) {
        auto* label = new QLabel(this);
        label->setObjectName(name);
        label->setToolTip(tip);
        label->installEventFilter(this);
        row.addWidget(label);
        return label;
    };
    for (std::size_t i = 0; i < kShown.size(); ++i) {
        const QChar letter(register_letter(kShown[i]));
        values_[i] = add_label(*layout, QStringLiteral("register_") + letter,
                               QStringLiteral("Double-click to change %1").arg(letter));
    }
    // The letters stand together as the one register they are.
    auto* letters = new QHBoxLayout;
    letters->setSpacing(0);
    for (std::size_t i = 0; i < conditions_.size(); ++i) {
        const QChar letter(kConditionCodeLetters[i]);
        conditions_[i] = add_label(*letters, QStringLiteral("condition_") + letter, QString());
        conditions_[i]->setText(letter);
    }
    layout->addLayout(letters);
    layout->addStretch();
    show_registers(std::nullopt);
}

void RegisterStrip::show_registers(const std::optional<monitor::Registers>& registers) {
    setEnabled(registers.has_value());
    for (std::size_t i = 0; i < kShown.size(); ++i)
        values_[i]->setText(value_text(kShown[i], registers));
    const QString ccr = registers ? QString::fromStdString(hex_text(registers->ccr, 2)) : QString();
    for (std::size_t i = 0; i < conditions_.size(); ++i) {
        QFont font = conditions_[i]->font();
        font.setBold(registers && condition_code_set(registers->ccr, i));
        conditions_[i]->setFont(font);
        conditions_[i]->setToolTip(registers ? QStringLiteral("Condition codes %1: double-click "
                                                              "to change them")
                                                   .arg(ccr)
                                             : QString());
    }
    fit_font();
}

void RegisterStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fit_font();
}

void RegisterStrip::fit_font() {
    constexpr qreal kSmallest = 6;
    QFont font = code_font();
    for (qreal size = font.pointSizeF(); size > 0; size -= 0.5) {
        font.setPointSizeF(std::max(size, kSmallest));
        apply_font(font);
        layout()->invalidate();
        if (layout()->minimumSize().width() <= width() || size <= kSmallest) return;
    }
}

void RegisterStrip::apply_font(const QFont& font) {
    setFont(font);
    for (QLabel* value : values_) value->setFont(font);
    for (QLabel* condition : conditions_) {
        QFont letter = font;
        letter.setBold(condition->font().bold());
        condition->setFont(letter);
    }
}

bool RegisterStrip::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick && isEnabled()) {
        for (std::size_t i = 0; i < values_.size(); ++i) {
            if (watched == values_[i]) emit change_requested(kShown[i]);
        }
        for (QLabel* condition : conditions_) {
            if (watched == condition) emit change_requested(Register::kC);
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace halvane::qt
