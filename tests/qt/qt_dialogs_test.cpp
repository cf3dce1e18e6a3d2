// The modal boxes and the shared file dialog, each answered by a zero-delay timer as a
// user would answer it.

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

#include "debug/breakpoints_command.h"
#include "qt/breakpoints_dialog.h"
#include "qt/file_dialog.h"
#include "qt/input_box.h"
#include "qt/message_box.h"
#include "qt/serial_port_dialog.h"
#include "qt/symbol_picker_dialog.h"

using namespace halvane::qt;

namespace {

// Runs `answer` on the modal dialog as soon as it is open.
void when_open(std::function<void(QWidget&)> answer) {
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [answer, poll] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            QTimer::singleShot(0, *poll);
            return;
        }
        answer(*modal);
        *poll = nullptr;
    };
    QTimer::singleShot(0, *poll);
}

// Answers the modal dialogs as they open, one answer each, in order.
class ModalAnswers {
  public:
    explicit ModalAnswers(std::vector<std::function<void(QWidget&)>> answers)
        : answers_(std::move(answers)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal == nullptr || modal == last_ || next_ >= answers_.size()) return;
            last_ = modal;
            opened << modal->objectName();
            answers_[next_++](*modal);
        });
        timer_.start(0);
    }
    QStringList opened;

  private:
    std::vector<std::function<void(QWidget&)>> answers_;
    std::size_t next_ = 0;
    QWidget* last_ = nullptr;
    QTimer timer_;
};

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { gate_ = DialogGate{}; }

    void message_box_shows_the_text_with_ok_and_no_icon();
    void nothing_is_shown_when_nobody_can_answer();
    void input_box_returns_the_typed_line_or_nothing_on_cancel();
    void filter_text_becomes_qt_name_filters();
    void open_dialog_carries_its_settings();
    void a_chosen_name_is_shown_by_the_next_use_and_cancel_keeps_it();
    void save_adds_the_extension_and_asks_before_replacing_the_final_name();
    void symbol_picker_lists_filters_and_returns_the_check_boxes();
    void serial_port_list_shows_the_ports_with_the_current_one_chosen();
    void breakpoint_list_adds_by_address_says_why_not_and_removes_the_selected();

  private:
    QWidget parent_;
    DialogGate gate_;
};

void DialogsTest::message_box_shows_the_text_with_ok_and_no_icon() {
    MessageBoxAdapter box(parent_, gate_, "CME11E9 Halvane");
    QString seen_text, seen_title;
    QMessageBox::Icon seen_icon = QMessageBox::Critical;
    int buttons = 0;
    when_open([&](QWidget& modal) {
        auto* message = qobject_cast<QMessageBox*>(&modal);
        QVERIFY(message != nullptr);
        seen_text = message->text();
        seen_title = message->windowTitle();
        seen_icon = message->icon();
        buttons = int(message->buttons().size());
        message->button(QMessageBox::Ok)->click();
    });
    box.show("Turn on the CME11E9 and Press Reset");
    QCOMPARE(seen_text, QString("Turn on the CME11E9 and Press Reset"));
    QCOMPARE(seen_title, QString("CME11E9 Halvane"));
    QCOMPARE(seen_icon, QMessageBox::NoIcon);
    QCOMPARE(buttons, 1);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void DialogsTest::nothing_is_shown_when_nobody_can_answer() {
    MessageBoxAdapter box(parent_, gate_, "t");
    InputBoxAdapter input(parent_, gate_);
    FileDialogAdapter files(parent_, gate_);
    bool opened = false;
    QTimer watch;
    connect(&watch, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened = true;
            modal->close();
        }
    });
    watch.start(0);

    halvane::qt::SymbolPickerAdapter picker(parent_, gate_);
    gate_.window_closed = true;
    QCOMPARE(picker.choose("p.elf", {{"count", 0x2402, 2, false}}, {true}), std::nullopt);
    box.show("after the window closed");
    QCOMPARE(input.ask("New Value", ""), std::nullopt);
    QCOMPARE(files.show_open({}), std::string());
    gate_ = DialogGate{};
    gate_.headless = true;
    box.show("headless");
    QCOMPARE(files.show_save({}), std::string());
    QVERIFY(!opened);
}

void DialogsTest::input_box_returns_the_typed_line_or_nothing_on_cancel() {
    InputBoxAdapter input(parent_, gate_);
    QString prompt, title;
    when_open([&](QWidget& modal) {
        auto* dialog = qobject_cast<QInputDialog*>(&modal);
        QVERIFY(dialog != nullptr);
        prompt = dialog->labelText();
        title = dialog->windowTitle();
        dialog->setTextValue("1f");
        dialog->accept();
    });
    QCOMPARE(input.ask("New Value", "Halvane"), std::optional<std::string>("1f"));
    QCOMPARE(prompt, QString("New Value"));
    QCOMPARE(title, QString("Halvane"));

    when_open([](QWidget& modal) {
        auto* dialog = qobject_cast<QInputDialog*>(&modal);
        dialog->setTextValue("typed then cancelled");
        dialog->reject();
    });
    QCOMPARE(input.ask("New Value", ""), std::nullopt);

    when_open([](QWidget& modal) { qobject_cast<QInputDialog*>(&modal)->accept(); });
    QCOMPARE(input.ask("New Value", ""), std::optional<std::string>(""));
}

void DialogsTest::filter_text_becomes_qt_name_filters() {
    QCOMPARE(name_filters("68HC11 program files (*.s19)|*.s19"),
             QStringList{"68HC11 program files (*.s19)"});
    QCOMPARE(name_filters("Tamrin Data File (*.csv)|*.csv"),
             QStringList{"Tamrin Data File (*.csv)"});
    // The pattern part is what filters, whatever the description says.
    QCOMPARE(name_filters("Listings|*.lst;*.txt|All (*.*)|*"),
             (QStringList{"Listings (*.lst *.txt)", "All (*)"}));
    QCOMPARE(name_filters(""), QStringList{"All files (*)"});
}

void DialogsTest::open_dialog_carries_its_settings() {
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    FileDialogAdapter files(parent_, gate_);
    halvane::FileDialogSettings settings;
    settings.filter = "68HC11 program files (*.s19)|*.s19";
    settings.default_extension = "s19";
    settings.initial_directory = folder.path().toStdString();

    QStringList filters;
    QString suffix, directory;
    QFileDialog::AcceptMode mode = QFileDialog::AcceptSave;
    when_open([&](QWidget& modal) {
        auto* dialog = qobject_cast<QFileDialog*>(&modal);
        QVERIFY(dialog != nullptr);
        filters = dialog->nameFilters();
        suffix = dialog->defaultSuffix();
        directory = dialog->directory().absolutePath();
        mode = dialog->acceptMode();
        // A name of a file that does not exist, typed without its extension.
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText("blink");
        static_cast<QDialog*>(dialog)->accept();
    });
    const std::string chosen = files.show_open(settings);
    QCOMPARE(filters, QStringList{"68HC11 program files (*.s19)"});
    QCOMPARE(suffix, QString("s19"));
    QCOMPARE(directory, folder.path());
    QCOMPARE(mode, QFileDialog::AcceptOpen);
    QCOMPARE(QString::fromStdString(chosen), folder.filePath("blink.s19"));
}

void DialogsTest::a_chosen_name_is_shown_by_the_next_use_and_cancel_keeps_it() {
    QTemporaryDir folder;
    FileDialogAdapter files(parent_, gate_);
    halvane::FileDialogSettings settings;
    settings.filter = "Tamrin Data File (*.csv)|*.csv";
    settings.default_extension = ".csv";
    settings.initial_directory = folder.path().toStdString();
    settings.file_name = folder.filePath("counter").toStdString();

    QString shown;
    const auto read_name_and = [&shown](bool accept) {
        return [&shown, accept](QWidget& modal) {
            auto* dialog = qobject_cast<QFileDialog*>(&modal);
            shown = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
            accept ? static_cast<QDialog*>(dialog)->accept() : dialog->reject();
        };
    };
    when_open(read_name_and(true));
    QCOMPARE(QString::fromStdString(files.show_save(settings)), folder.filePath("counter.csv"));
    QCOMPARE(shown, QString("counter"));

    // The next use sets no name: the last chosen one is offered, by either dialog.
    settings.file_name.reset();
    when_open(read_name_and(false));
    QCOMPARE(files.show_open(settings), std::string());
    QCOMPARE(shown, QString("counter.csv"));
    when_open(read_name_and(false));
    QCOMPARE(files.show_save(settings), std::string());
    QCOMPARE(shown, QString("counter.csv"));
}

void DialogsTest::save_adds_the_extension_and_asks_before_replacing_the_final_name() {
    QTemporaryDir folder;
    QFile existing(folder.filePath("blink.v2.csv"));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    FileDialogAdapter files(parent_, gate_);
    halvane::FileDialogSettings settings;
    settings.filter = "Tamrin Data File (*.csv)|*.csv";
    settings.default_extension = ".csv";
    settings.initial_directory = folder.path().toStdString();
    // A program blink.v2.s19 proposes blink.v2, which has an extension of its own.
    settings.file_name = folder.filePath("blink.v2").toStdString();

    QString question;
    const auto accept_file = [](QWidget& modal) { static_cast<QDialog&>(modal).accept(); };
    const auto answer = [&question](QMessageBox::StandardButton button) {
        return [&question, button](QWidget& modal) {
            auto* box = qobject_cast<QMessageBox*>(&modal);
            QVERIFY(box != nullptr);
            question = box->text();
            box->button(button)->click();
        };
    };
    // No to replacing: the dialog comes back, and a cancel there saves nothing.
    {
        ModalAnswers answers({accept_file, answer(QMessageBox::No),
                              [](QWidget& modal) { static_cast<QDialog&>(modal).reject(); }});
        QCOMPARE(files.show_save(settings), std::string());
        QCOMPARE(answers.opened, (QStringList{"SaveDialog", "ReplaceQuestion", "SaveDialog"}));
        QVERIFY2(question.startsWith("blink.v2.csv already exists."), qPrintable(question));
    }
    {
        ModalAnswers answers({accept_file, answer(QMessageBox::Yes)});
        QCOMPARE(QString::fromStdString(files.show_save(settings)),
                 folder.filePath("blink.v2.csv"));
    }
    // A new name asks nothing.
    settings.file_name = folder.filePath("other.v3").toStdString();
    {
        ModalAnswers answers({accept_file});
        QCOMPARE(QString::fromStdString(files.show_save(settings)),
                 folder.filePath("other.v3.csv"));
        QCOMPARE(answers.opened, QStringList{"SaveDialog"});
    }
}

void DialogsTest::symbol_picker_lists_filters_and_returns_the_check_boxes() {
    SymbolPickerAdapter picker(parent_, gate_);
    const std::vector<halvane::ProgramSymbol> symbols = {{"table", 0x2402, 4, true},
                                                         {"count", 0x3000, 2, false},
                                                         {"count_limit", 0x3002, 1, false},
                                                         {"buffer", 0x3003, 16, false}};
    QStringList rows, shown_after_filter;
    QString count_before, count_after;
    when_open([&](QWidget& modal) {
        QCOMPARE(modal.objectName(), QString("SymbolPicker"));
        auto* list = modal.findChild<QTreeWidget*>("symbols");
        auto* count = modal.findChild<QLabel*>("checked_count");
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = list->topLevelItem(i);
            rows << QStringList{item->text(0), item->text(1), item->text(2), item->text(3),
                                item->checkState(0) == Qt::Checked ? "x" : "-"}
                        .join(' ');
        }
        count_before = count->text();
        modal.findChild<QLineEdit*>("filter")->setText("COUNT");
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            if (!list->topLevelItem(i)->isHidden())
                shown_after_filter << list->topLevelItem(i)->text(0);
        }
        list->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
        list->topLevelItem(0)->setCheckState(0, Qt::Checked);  // hidden, still counts
        count_after = count->text();
        modal.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    const auto marks = picker.choose("/p/prog.elf", symbols, {false, true, true, false});
    QCOMPARE(rows, (QStringList{"table 2402 4 code -", "count 3000 2 data x",
                                "count_limit 3002 1 data x", "buffer 3003 16 data -"}));
    QCOMPARE(shown_after_filter, (QStringList{"count", "count_limit"}));
    QCOMPARE(count_before, QString("2 of 4 symbols checked"));
    QCOMPARE(count_after, QString("2 of 4 symbols checked"));
    QCOMPARE(marks, (std::optional<std::vector<bool>>{{true, false, true, false}}));

    when_open([](QWidget& modal) { qobject_cast<QDialog*>(&modal)->reject(); });
    QCOMPARE(picker.choose("/p/prog.elf", symbols, {true, true, true, true}), std::nullopt);
}

void DialogsTest::serial_port_list_shows_the_ports_with_the_current_one_chosen() {
    SerialPortPickerAdapter picker(parent_, gate_);
    const std::vector<halvane::SerialPortListing> ports = {
        {"/dev/ttyS0", ""}, {"/dev/ttyUSB0", "FT232R USB UART, FTDI, latency timer 1 ms"}};
    QStringList rows;
    QString device_at_first, device_after_click;
    when_open([&](QWidget& modal) {
        QCOMPARE(modal.objectName(), QString("SerialPortPicker"));
        auto* list = modal.findChild<QTreeWidget*>("ports");
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = list->topLevelItem(i);
            rows << item->text(0) + "|" + item->text(1) + (item->isSelected() ? "|*" : "");
        }
        auto* device = modal.findChild<QLineEdit*>("device");
        device_at_first = device->text();
        list->setCurrentItem(list->topLevelItem(0));
        device_after_click = device->text();
        emit list->itemDoubleClicked(list->topLevelItem(0), 0);
    });
    QCOMPARE(picker.choose(ports, "/dev/ttyUSB0"), std::optional<std::string>("/dev/ttyS0"));
    QCOMPARE(rows, (QStringList{"/dev/ttyS0|",
                                "/dev/ttyUSB0|FT232R USB UART, FTDI, latency "
                                "timer 1 ms|*"}));
    QCOMPARE(device_at_first, QString("/dev/ttyUSB0"));
    QCOMPARE(device_after_click, QString("/dev/ttyS0"));

    // A port the system does not list (a pseudo-terminal) stays the one offered; Cancel
    // chooses nothing.
    when_open([&](QWidget& modal) {
        device_at_first = modal.findChild<QLineEdit*>("device")->text();
        qobject_cast<QDialog*>(&modal)->reject();
    });
    QCOMPARE(picker.choose(ports, "/dev/pts/4"), std::nullopt);
    QCOMPARE(device_at_first, QString("/dev/pts/4"));
}

// The whole path from the dialog to the list of breakpoints, before any program: by address only.
void DialogsTest::breakpoint_list_adds_by_address_says_why_not_and_removes_the_selected() {
    BreakpointEditorAdapter editor(parent_, gate_);
    halvane::BreakpointList list;
    QVERIFY(!list.add("2406"));
    QStringList rows_at_first, rows_after_adding, rows_after_removing;
    QString refusal, left_typed, refusal_after_adding;
    bool add_enabled_when_empty = true;
    const auto rows = [](QWidget& modal) {
        auto* table = modal.findChild<QTreeWidget*>("breakpoints");
        QStringList texts;
        for (int i = 0; i < table->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = table->topLevelItem(i);
            texts << item->text(0) + "|" + item->text(1) + "|" + item->text(2);
        }
        return texts;
    };
    when_open([&](QWidget& modal) {
        QCOMPARE(modal.objectName(), QString("Breakpoints"));
        auto* typed = modal.findChild<QLineEdit*>("new_breakpoint");
        auto* add = modal.findChild<QPushButton*>("add");
        rows_at_first = rows(modal);
        add_enabled_when_empty = add->isEnabled();
        typed->setText("main_loop");
        add->click();
        refusal = modal.findChild<QLabel*>("refusal")->text();
        left_typed = typed->text();
        typed->setText("2424");
        QTest::keyClick(typed, Qt::Key_Return);  // adds, and the list stays open
        refusal_after_adding = modal.findChild<QLabel*>("refusal")->text();
        rows_after_adding = rows(modal);
        auto* table = modal.findChild<QTreeWidget*>("breakpoints");
        table->setCurrentItem(table->topLevelItem(0));
        modal.findChild<QPushButton*>("remove")->click();
        rows_after_removing = rows(modal);
        qobject_cast<QDialog*>(&modal)->reject();
    });
    halvane::edit_breakpoints(list, editor);
    QCOMPARE(rows_at_first, QStringList{"2406|2406|"});
    QVERIFY(!add_enabled_when_empty);
    QCOMPARE(refusal, QString("Status: No breakpoint: main_loop is neither an address nor a "
                              "symbol of the program"));
    QCOMPARE(left_typed, QString("main_loop"));
    QCOMPARE(refusal_after_adding, QString());
    QCOMPARE(rows_after_adding, (QStringList{"2406|2406|", "2424|2424|"}));
    QCOMPARE(rows_after_removing, QStringList{"2424|2424|"});
    QCOMPARE(list.table(), std::vector<std::uint16_t>{0x2424});
}

QTEST_MAIN(DialogsTest)
#include "qt_dialogs_test.moc"
