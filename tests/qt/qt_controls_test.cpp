// The small control adapters: progress bar, status label, the receive
// buffer box and the viewer.

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>

#include "qt/label_text.h"
#include "qt/progress_bar.h"
#include "qt/receive_buffer_box.h"
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
};

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

QTEST_MAIN(ControlsTest)
#include "qt_controls_test.moc"
