// The small control adapters: progress bar, status label, the receive
// buffer box, the viewer with its listing's margin, and the register strip.

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <map>
#include <vector>

#include "qt/label_text.h"
#include "qt/listing_margin.h"
#include "qt/progress_bar.h"
#include "qt/receive_buffer_box.h"
#include "qt/register_strip.h"
#include "qt/text_viewer.h"

using namespace halvane::qt;

class ControlsTest : public QObject {
    Q_OBJECT

  private slots:
    void progress_bar_keeps_the_logics_numbers_and_shows_their_ratio();
    void status_line_shortens_long_texts_in_the_middle_and_shows_them_whole_on_hover();
    void receive_buffer_keeps_every_byte_and_shows_it();
    void receive_buffer_is_a_view_that_typing_cannot_change();
    void viewer_shows_plain_text_read_only();
    void viewer_shows_rich_runs_with_their_formats();
    void viewer_face_drops_the_script_word_and_falls_back_to_serif();
    void listing_margin_marks_breakpoints_and_the_stopped_line_in_the_palettes_colours();
    void register_strip_shows_the_stopped_registers_and_asks_to_change_one();
};

namespace {

// The colour at the middle of each whole line's mark in the margin, as the user sees it.
std::map<int, QColor> mark_colours(ListingMargin& margin) {
    const QImage image = margin.grab().toImage();
    std::map<int, QColor> colours;
    for (int line = 1; !margin.line_rect(line).isEmpty(); ++line) {
        const QRect row = margin.line_rect(line);
        if (row.top() >= 0 && row.bottom() < image.height())
            colours[line] = image.pixelColor(row.center());
    }
    return colours;
}

std::vector<int> lines_marked(ListingMargin& margin, const QColor& colour) {
    std::vector<int> lines;
    for (const auto& [line, shown] : mark_colours(margin)) {
        if (shown == colour) lines.push_back(line);
    }
    return lines;
}

std::string numbered_lines(int count) {
    std::string text;
    for (int line = 1; line <= count; ++line)
        text += "  " + std::to_string(line) + " 0000 01          \tnop\n";
    return text;
}

}  // namespace

void ControlsTest::progress_bar_keeps_the_logics_numbers_and_shows_their_ratio() {
    QProgressBar bar;
    ProgressBarAdapter progress(bar);
    QCOMPARE(progress.maximum(), 100.0f);
    QCOMPARE(progress.value(), 0.0f);
    QCOMPARE(bar.value(), 0);

    progress.show(510, 1020);
    QCOMPARE(progress.maximum(), 1020.0f);
    QCOMPARE(progress.value(), 510.0f);
    QCOMPARE(bar.value(), ProgressBarAdapter::kScale / 2);

    progress.show(1020, 1020);
    QCOMPARE(bar.value(), bar.maximum());
    progress.show(5000, 1020);  // beyond the maximum: the bar stays full
    QCOMPARE(bar.value(), bar.maximum());
    QCOMPARE(progress.value(), 5000.0f);
    progress.show(5000, 0);
    QCOMPARE(bar.value(), 0);
}

void ControlsTest::status_line_shortens_long_texts_in_the_middle_and_shows_them_whole_on_hover() {
    QLabel label;
    label.resize(209, 17);  // the status line's 3135 twips at 96 dpi
    LabelText status(label);
    status.set_text("Status: Program Running");
    QCOMPARE(label.text(), QString("Status: Program Running"));
    QCOMPARE(label.toolTip(), QString());

    const QString failure =
        "Status: Download failed: /home/user/projects/blink/blink.s19: "
        "No such file or directory";
    status.set_text(failure.toStdString());
    QVERIFY(label.text().startsWith("Status: "));
    QVERIFY(label.text().endsWith("directory"));
    QVERIFY(label.text().contains(QChar(0x2026)));  // the middle left out
    QVERIFY(label.fontMetrics().horizontalAdvance(label.text()) <= label.contentsRect().width());
    QCOMPARE(label.toolTip(), failure);
    QCOMPARE(status.full_text(), failure);
}

void ControlsTest::receive_buffer_keeps_every_byte_and_shows_it() {
    QLineEdit box;
    ReceiveBufferBox buffer(box);
    const std::string received("!1F@\r\n\x01\xff", 8);
    buffer.set_text(received);
    QCOMPARE(buffer.text(), received);
    QTRY_COMPARE(box.text().size(), qsizetype(8));
    QCOMPARE(box.text().front(), QChar('!'));

    // Longer than a line edit's usual limit.
    const std::string long_text(64 * 1024, 'x');
    buffer.set_text(long_text);
    buffer.refresh();
    QCOMPARE(box.text().size(), qsizetype(64 * 1024));
    QCOMPARE(buffer.text(), long_text);
}

void ControlsTest::receive_buffer_is_a_view_that_typing_cannot_change() {
    QLineEdit box;
    ReceiveBufferBox buffer(box);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    box.setFocus();
    buffer.set_text("!3F");
    buffer.refresh();
    QTest::keyClicks(&box, "XY");
    QCOMPARE(buffer.text(), std::string("!3F"));
    // What the link receives next replaces what was typed.
    buffer.set_text("!3F@");
    buffer.refresh();
    QCOMPARE(box.text(), QString("!3F@"));
}

void ControlsTest::viewer_shows_plain_text_read_only() {
    QTextEdit edit;
    TextViewer viewer(edit);
    viewer.show_plain("line one\n\tline \xc3\xa9two\n");
    QCOMPARE(edit.toPlainText(), QString::fromUtf8("line one\n\tline \xc3\xa9two\n"));
    QVERIFY(edit.isReadOnly());
    QVERIFY(edit.focusPolicy() & Qt::TabFocus);
}

void ControlsTest::viewer_shows_rich_runs_with_their_formats() {
    QTextEdit edit;
    TextViewer viewer(edit);
    viewer.show_plain("old text");
    halvane::RichDocument document;
    halvane::RichRun heading;
    heading.text = "Counter\n";
    heading.bold = true;
    heading.half_points = 32;
    heading.rgb = 0xC00000;
    heading.has_colour = true;
    halvane::RichRun body;
    body.text = "counts ";
    body.italic = true;
    body.font_face = "Courier New";
    halvane::RichRun tail;
    tail.text = "up";
    tail.underline = true;
    document.runs = {heading, body, tail};
    viewer.show_rich(document);

    QCOMPARE(edit.toPlainText(), QString("Counter\ncounts up"));
    QTextBlock first = edit.document()->firstBlock();
    const QTextCharFormat bold = first.begin().fragment().charFormat();
    QCOMPARE(bold.fontWeight(), int(QFont::Bold));
    QCOMPARE(bold.fontPointSize(), 16.0);
    QCOMPARE(bold.foreground().color(), QColor(0xC0, 0x00, 0x00));

    QTextBlock second = first.next();
    auto it = second.begin();
    const QTextCharFormat italic = it.fragment().charFormat();
    QCOMPARE(it.fragment().text(), QString("counts "));
    QVERIFY(italic.fontItalic());
    QVERIFY(!italic.fontUnderline());
    QCOMPARE(italic.fontFamilies().toStringList().value(0), QString("Courier New"));
    QCOMPARE(italic.fontPointSize(), 12.0);
    ++it;
    QCOMPARE(it.fragment().text(), QString("up"));
    QVERIFY(it.fragment().charFormat().fontUnderline());
    QVERIFY(!it.fragment().charFormat().fontItalic());
}

void ControlsTest::viewer_face_drops_the_script_word_and_falls_back_to_serif() {
    QTextEdit edit;
    TextViewer viewer(edit);
    viewer.set_font_face("Times New Roman (Western)");
    const QFont font = edit.font();
    QCOMPARE(font.families().value(0), QString("Times New Roman"));
    QVERIFY(font.families().size() > 1);
    QCOMPARE(font.styleHint(), QFont::Serif);
    QCOMPARE(edit.document()->defaultFont().families(), font.families());

    // Text loaded later is shown in that face.
    viewer.show_plain("text");
    QCOMPARE(edit.document()->defaultFont().families().value(0), QString("Times New Roman"));

    QCOMPARE(viewer_font("Arial", QFont()).families().value(0), QString("Arial"));
    QCOMPARE(viewer_font("  (Western)", QFont()).families().value(0), QString("Liberation Serif"));
}

void ControlsTest::listing_margin_marks_breakpoints_and_the_stopped_line_in_the_palettes_colours() {
    QTextEdit edit;
    edit.resize(400, 240);
    TextViewer viewer(edit);
    ListingMargin& margin = viewer.margin();
    std::vector<int> asked;
    QObject::connect(&margin, &ListingMargin::toggle_requested,
                     [&asked](int line) { asked.push_back(line); });
    viewer.show_listing(numbered_lines(200));
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QVERIFY(margin.isVisible());
    // The text starts right of the margin.
    QVERIFY(edit.cursorRect(QTextCursor(edit.document())).left() >= margin.width());
    const QColor disc = margin.palette().color(QPalette::Highlight);
    const QColor arrow = margin.palette().color(QPalette::WindowText);

    margin.set_breakpoint_lines({5, 2});
    QCOMPARE(lines_marked(margin, disc), (std::vector<int>{2, 5}));
    QVERIFY(edit.extraSelections().isEmpty());

    // A click on a line's margin, and F9, ask to toggle a line; the margin changes nothing itself.
    QTest::mouseClick(&margin, Qt::LeftButton, {}, margin.line_rect(3).center());
    edit.setFocus();
    edit.setTextCursor(QTextCursor(edit.document()->findBlockByNumber(3)));
    QTest::keyClick(&edit, Qt::Key_F9);
    QCOMPARE(asked, (std::vector<int>{3, 4}));
    QCOMPARE(margin.breakpoint_lines(), (std::vector<int>{2, 5}));

    // Stopped far down: the listing scrolls to the line, marks and highlights it.
    margin.set_stop_line(150);
    QCOMPARE(lines_marked(margin, arrow), std::vector<int>{150});
    QCOMPARE(edit.extraSelections().size(), qsizetype(1));
    QCOMPARE(edit.extraSelections().front().cursor.blockNumber() + 1, 150);
    margin.scroll_to_line(1);
    QCOMPARE(lines_marked(margin, disc), (std::vector<int>{2, 5}));
    margin.set_stop_line(std::nullopt);
    QVERIFY(edit.extraSelections().isEmpty());

    // A dark palette: the margin and its marks take its colours, and the marks stay kept when
    // the listing is shown again.
    QPalette dark;
    dark.setColor(QPalette::Window, QColor("#353535"));
    dark.setColor(QPalette::WindowText, QColor("#f0f0f0"));
    dark.setColor(QPalette::Base, QColor("#1e1e1e"));
    dark.setColor(QPalette::Text, QColor("#f0f0f0"));
    dark.setColor(QPalette::Highlight, QColor("#2a82da"));
    edit.setPalette(dark);
    viewer.show_listing(numbered_lines(20));
    margin.set_stop_line(5);
    QCOMPARE(margin.breakpoint_lines(), (std::vector<int>{2, 5}));
    const std::map<int, QColor> shown = mark_colours(margin);
    QVERIFY(shown.size() > 5);
    for (const auto& [line, colour] : shown) {
        const QColor expected = line == 2   ? QColor("#2a82da")
                                : line == 5 ? margin.palette().color(QPalette::HighlightedText)
                                            : QColor("#353535");
        QCOMPARE(colour, expected);
    }

    // C source and descriptions have no margin, and their text no room for one.
    viewer.show_code("int main(void) { return 0; }\n");
    QVERIFY(!margin.isVisible());
    QVERIFY(edit.cursorRect(QTextCursor(edit.document())).left() < margin.width());
    QVERIFY(edit.extraSelections().isEmpty());
    QTest::keyClick(&edit, Qt::Key_F9);
    QCOMPARE(asked.size(), std::size_t{2});
}

void ControlsTest::register_strip_shows_the_stopped_registers_and_asks_to_change_one() {
    RegisterStrip strip;
    std::vector<halvane::Register> asked;
    QObject::connect(&strip, &RegisterStrip::change_requested,
                     [&asked](halvane::Register reg) { asked.push_back(reg); });
    strip.show();
    QVERIFY(QTest::qWaitForWindowExposed(&strip));
    const auto shown = [&strip] {
        QStringList texts;
        for (const char* name : {"P", "Y", "X", "A", "B", "S"})
            texts << strip.findChild<QLabel*>(QStringLiteral("register_") + name)->text();
        QString bold;
        for (const char letter : halvane::kConditionCodeLetters) {
            auto* label = strip.findChild<QLabel*>(QStringLiteral("condition_") + letter);
            if (label->font().bold()) bold += label->text();
        }
        return texts.join(' ') + " | " + bold;
    };
    const auto double_click = [&strip](const QString& name) {
        QTest::mouseDClick(strip.findChild<QLabel*>(name), Qt::LeftButton);
    };

    QCOMPARE(shown(), QString("P Y X A B S | "));
    QVERIFY(!strip.isEnabled());
    double_click("register_P");
    QVERIFY(asked.empty());

    strip.show_registers(
        halvane::monitor::Registers{0x2424, 0x0000, 0x2456, 0x00, 0x01, 0xC4, 0x01FF});
    QVERIFY(strip.isEnabled());
    QCOMPARE(shown(), QString("P 2424 Y 0000 X 2456 A 00 B 01 S 01FF | SXZ"));
    double_click("register_X");
    double_click("condition_Z");
    QCOMPARE(asked, (std::vector<halvane::Register>{halvane::Register::kX, halvane::Register::kC}));
    // As narrow as the strip under a small window's grid, no register is cut off.
    strip.resize(300, strip.height());
    QApplication::processEvents();
    for (QLabel* label : strip.findChildren<QLabel*>()) {
        QVERIFY2(label->geometry().right() < strip.width(), qPrintable(label->objectName()));
        QVERIFY(label->width() >= label->minimumSizeHint().width());
    }

    strip.show_registers(std::nullopt);
    QCOMPARE(shown(), QString("P Y X A B S | "));
}

QTEST_MAIN(ControlsTest)
#include "qt_controls_test.moc"
