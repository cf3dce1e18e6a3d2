#include "qt/text_viewer.h"

#include <QRegularExpression>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QVariant>

#include "qt/text_encoding.h"

namespace halvane::qt {

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

TextViewer::TextViewer(QTextEdit& edit) : edit_(edit) {
    edit_.setReadOnly(true);
    edit_.setAcceptRichText(false);
    edit_.setLineWrapMode(QTextEdit::WidgetWidth);
    edit_.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    edit_.setFocusPolicy(Qt::StrongFocus);
    edit_.setUndoRedoEnabled(false);
}

void TextViewer::show_plain(std::string_view utf8_text) {
    edit_.setPlainText(from_utf8(utf8_text));
}

void TextViewer::show_rich(const RichDocument& document) {
    QTextDocument* doc = edit_.document();
    doc->clear();
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    for (const RichRun& run : document.runs) {
        QTextCharFormat format;
        format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(run.italic);
        format.setFontUnderline(run.underline);
        if (run.half_points > 0) format.setFontPointSize(run.half_points / 2.0);
        if (!run.font_face.empty()) {
            format.setFontFamilies(viewer_font(run.font_face, edit_.font()).families());
        }
        if (run.has_colour) format.setForeground(QColor::fromRgb(run.rgb & 0xffffffu));
        // Line feeds become paragraph breaks as the cursor inserts them.
        cursor.insertText(from_utf8(run.text), format);
    }
    cursor.endEditBlock();
    edit_.moveCursor(QTextCursor::Start);
}

void TextViewer::set_font_face(std::string_view face) {
    const QFont font = viewer_font(face, edit_.font());
    edit_.setFont(font);
    edit_.document()->setDefaultFont(font);
}

}  // namespace halvane::qt
