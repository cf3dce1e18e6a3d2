#include "qt/text_viewer.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QKeySequence>
#include <QRegularExpression>
#include <QShortcut>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <vector>

#include "qt/listing_margin.h"
#include "qt_adapters/text_encoding.h"

namespace halvane::qt {

namespace {

// A rich run's own size, kept with its text so that every zoom starts from it.
constexpr int kRunPointSize = QTextFormat::UserProperty + 1;
constexpr double kSmallestPointSize = 4;
constexpr int kMostZoomPoints = 48;

double zoomed_size(double point_size, int zoom_points) {
    return std::max(kSmallestPointSize, point_size + zoom_points);
}

// The relative luminance of WCAG 2, 0 (black) to 1 (white).
double luminance(const QColor& colour) {
    const auto linear = [](double c) {
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
           0.0722 * linear(colour.blueF());
}

// A document's own colour is kept where it reads on the viewer's background: black text of a
// document written on white would vanish under a dark palette.
bool readable_on(const QColor& text, const QColor& background) {
    constexpr double kLeastContrast = 3.0;
    const double a = luminance(text);
    const double b = luminance(background);
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05) >= kLeastContrast;
}

// Every rich run at its own size scaled as the viewer's text is zoomed.
void scale_rich_runs(QTextDocument& document, double scale) {
    struct Run {
        int position, length;
        double point_size;
    };
    std::vector<Run> runs;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            const QTextFragment part = fragment.fragment();
            const QVariant size = part.charFormat().property(kRunPointSize);
            if (size.isValid()) runs.push_back({part.position(), part.length(), size.toDouble()});
        }
    }
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (const Run& run : runs) {
        cursor.setPosition(run.position);
        cursor.setPosition(run.position + run.length, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setFontPointSize(std::max(kSmallestPointSize, run.point_size * scale));
        cursor.mergeCharFormat(format);
    }
    cursor.endEditBlock();
}

}  // namespace

bool has_equal_advances(const QFont& font) {
    const QFontMetricsF metrics(font);
    const double space = metrics.horizontalAdvance(QLatin1Char(' '));
    for (const char c : {'i', 'W', '0', 'm', '.'}) {
        if (!qFuzzyCompare(metrics.horizontalAdvance(QLatin1Char(c)), space)) return false;
    }
    return space > 0;
}

// Fontconfig says "fixed pitch" only of faces whose files declare it; some that a desktop brings
// (Noto Sans Mono) do not, though their characters all share one advance. What counts is what
// a reader sees, so the system's face stays where its advances are equal.
QFont code_font() {
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (has_equal_advances(fixed)) return fixed;
    // Looked for once: the installed faces do not change while the program runs.
    static const QString fallback = [&fixed] {
        for (const QString& family : QFontDatabase::families()) {
            QFont candidate = fixed;
            candidate.setFamilies({family});
            if (QFontDatabase::isFixedPitch(family) && has_equal_advances(candidate)) return family;
        }
        return QString();
    }();
    if (fallback.isEmpty()) return fixed;
    QFont font = fixed;
    font.setFamilies({fallback});
    return font;
}

QFont viewer_font(std::string_view face, const QFont& base) {
    QString family = from_utf8(face);
    family.remove(QRegularExpression(QStringLiteral("\\s*\\([^)]*\\)\\s*$")));
    family = family.trimmed();
    QFont font = base;
    QStringList families;
    if (!family.isEmpty()) families << family;
    families << QStringLiteral("Liberation Serif") << QStringLiteral("Tinos")
             << QStringLiteral("Nimbus Roman") << QStringLiteral("DejaVu Serif")
             << QStringLiteral("FreeSerif") << QStringLiteral("Noto Serif")
             << QStringLiteral("serif");
    font.setFamilies(families);
    font.setStyleHint(QFont::Serif);
    return font;
}

TextViewer::TextViewer(QTextEdit& edit)
    : edit_(edit),
      margin_(new ListingMargin(edit)),
      face_(edit.font()),
      shown_(edit.font()),
      plain_tab_stop_(edit.tabStopDistance()) {
    edit_.setReadOnly(true);
    edit_.setAcceptRichText(false);
    edit_.setLineWrapMode(QTextEdit::WidgetWidth);
    edit_.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    edit_.setFocusPolicy(Qt::StrongFocus);
    edit_.setUndoRedoEnabled(false);
    // Only while the viewer has the focus: elsewhere Ctrl and a character is typed text.
    const auto on = [this](const QKeySequence& keys, int points) {
        new QShortcut(
            keys, &edit_, [this, points] { zoom(points == 0 ? -zoom_points_ : points); },
            Qt::WidgetShortcut);
    };
    on(QKeySequence::ZoomIn, 1);
    on(QKeySequence(Qt::CTRL | Qt::Key_Equal), 1);
    on(QKeySequence::ZoomOut, -1);
    on(QKeySequence(Qt::CTRL | Qt::Key_0), 0);
}

void TextViewer::show_plain(std::string_view utf8_text) {
    margin_->set_shown(false);
    code_ = false;
    rich_ = false;
    shown_ = face_;
    edit_.setLineWrapMode(QTextEdit::WidgetWidth);
    edit_.setPlainText(from_utf8(utf8_text));
    apply_zoom();
}

void TextViewer::show_code(std::string_view utf8_text) {
    margin_->set_shown(false);
    code_ = true;
    rich_ = false;
    shown_ = code_font();
    edit_.setLineWrapMode(QTextEdit::NoWrap);
    edit_.setPlainText(from_utf8(utf8_text));
    apply_zoom();
}

void TextViewer::show_listing(std::string_view utf8_text) {
    show_code(utf8_text);
    margin_->set_shown(true);
}

void TextViewer::show_rich(const RichDocument& document) {
    margin_->set_shown(false);
    code_ = false;
    rich_ = true;
    shown_ = face_;
    edit_.setLineWrapMode(QTextEdit::WidgetWidth);
    QTextDocument* doc = edit_.document();
    doc->clear();
    const QColor background = edit_.palette().color(QPalette::Base);
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    for (const RichRun& run : document.runs) {
        QTextCharFormat format;
        format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(run.italic);
        format.setFontUnderline(run.underline);
        if (run.half_points > 0) format.setProperty(kRunPointSize, run.half_points / 2.0);
        if (!run.font_face.empty()) {
            format.setFontFamilies(viewer_font(run.font_face, edit_.font()).families());
        }
        const QColor colour = QColor::fromRgb(run.rgb & 0xffffffu);
        if (run.has_colour && readable_on(colour, background)) format.setForeground(colour);
        // Line feeds become paragraph breaks as the cursor inserts them.
        cursor.insertText(from_utf8(run.text), format);
    }
    cursor.endEditBlock();
    apply_zoom();
    edit_.moveCursor(QTextCursor::Start);
}

void TextViewer::set_font_face(std::string_view face) {
    face_ = viewer_font(face, edit_.font());
    if (!code_) shown_ = face_;
    apply_zoom();
}

void TextViewer::zoom(int points) {
    const auto most_smaller = static_cast<int>(std::ceil(kSmallestPointSize - shown_.pointSizeF()));
    zoom_points_ = std::clamp(zoom_points_ + points, std::min(0, most_smaller), kMostZoomPoints);
    apply_zoom();
}

void TextViewer::apply_zoom() {
    QFont font = shown_;
    const double own_size = shown_.pointSizeF();
    // A font sized in pixels has no point size to zoom from.
    if (own_size > 0) font.setPointSizeF(zoomed_size(own_size, zoom_points_));
    edit_.setFont(font);
    edit_.document()->setDefaultFont(font);
    edit_.setTabStopDistance(code_ ? kTabStopCharacters *
                                         QFontMetricsF(font).horizontalAdvance(QLatin1Char(' '))
                                   : plain_tab_stop_);
    if (rich_ && own_size > 0) scale_rich_runs(*edit_.document(), font.pointSizeF() / own_size);
    margin_->text_replaced();
}

}  // namespace halvane::qt
