// The menu, the about panel and the help window of the real main window.

#include "app/AppFixture.h"
#include "support/ScriptedServer.h"

#include "shell/HelpForm.h"
#include "shell/core/FilePlaces.h"

#include <QAction>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTest>

namespace lemnar::test {
namespace {

using TMenusTest = TAppTest;

std::vector<std::string> ItemTexts(const QMenu* menu) {
    std::vector<std::string> texts;
    for (const QAction* a : menu->actions())
        texts.push_back(a->text().toStdString());
    return texts;
}

// The item of menu with this text, as the user finds it.
QAction* Item(const QMenu* menu, const std::string& text) {
    for (QAction* a : menu->actions())
        if (a->text().toStdString() == text)
            return a;
    ADD_FAILURE() << "no item " << text;
    static QAction* const none = new QAction(); // an item that does nothing
    return none;
}

TEST_F(TMenusTest, MenuItemsAndTheirStartStates) {
    Start({});
    EXPECT_EQ(Window->ConnectMenu->title().toStdString(), "Сервер");
    EXPECT_EQ(
        ItemTexts(Window->ConnectMenu),
        (std::vector<std::string>{"Подключить", "Отключить", "Выход при отключении", "Выход"}));
    EXPECT_EQ(Window->HelpMenu->title().toStdString(), "Помощь");
    EXPECT_EQ(ItemTexts(Window->HelpMenu), (std::vector<std::string>{"Справка", "О программе"}));
    EXPECT_EQ(Item(Window->ConnectMenu, "Отключить")->statusTip().toStdString(),
              "Отключиться от QNX-сервера");
    EXPECT_TRUE(Item(Window->ConnectMenu, "Подключить")->isEnabled());
    EXPECT_FALSE(Item(Window->ConnectMenu, "Отключить")->isEnabled());
    EXPECT_FALSE(Item(Window->ConnectMenu, "Выход при отключении")->isChecked());

    // Connect opens the host prompt; Quit, not connected, closes at once.
    Window->CancelButtonClick();
    ASSERT_FALSE(Window->Panel->isVisible());
    Item(Window->ConnectMenu, "Подключить")->trigger();
    EXPECT_TRUE(Window->Panel->isVisible());
    EXPECT_TRUE(Window->HostEdit->isVisible());
    Item(Window->ConnectMenu, "Выход")->trigger();
    EXPECT_TRUE(WaitClosed());
    EXPECT_TRUE(Boxes.empty());
}

// Connected, only Disconnect is enabled; it asks, and on Yes disconnects.
TEST_F(TMenusTest, DisconnectFromTheMenu) {
    TScriptedServer server(OwnThread);
    Start({"h", server.HostPort()});
    ASSERT_EQ(Window->Connected, 1);
    QAction* conn = Item(Window->ConnectMenu, "Подключить");
    QAction* disConn = Item(Window->ConnectMenu, "Отключить");
    EXPECT_FALSE(conn->isEnabled());
    EXPECT_TRUE(disConn->isEnabled());
    Answers = {IdYes};
    disConn->trigger();
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"Отключиться от сервера ?"}));
    EXPECT_EQ(Window->Connected, 0);
    EXPECT_TRUE(conn->isEnabled());
    EXPECT_FALSE(disConn->isEnabled());
    EXPECT_TRUE(WaitUntil([&] { return server.PeerClosed(); }));
}

// "Выход при отключении" switches ExitOnDisconnect; checked while connected, the peer's close
// then ends the program.
TEST_F(TMenusTest, ExitOnDisconnectFromTheMenu) {
    TScriptedServer server(OwnThread);
    Start({"h", server.HostPort()});
    ASSERT_EQ(Window->Connected, 1);
    QAction* exitOnDisconnect = Item(Window->ConnectMenu, "Выход при отключении");
    exitOnDisconnect->trigger();
    EXPECT_TRUE(exitOnDisconnect->isChecked());
    EXPECT_EQ(Window->ShellState.ExitOnDisconnect, 1);
    exitOnDisconnect->trigger();
    EXPECT_EQ(Window->ShellState.ExitOnDisconnect, 0);
    exitOnDisconnect->trigger();
    ASSERT_TRUE(WaitUntil([&] { return server.Accepted(); }));
    server.Close();
    ASSERT_TRUE(WaitClosed());
}

// The about panel opens centred on the terminal area, wholly on it, with all
// it holds inside it; its Close button hides it.
TEST_F(TMenusTest, AboutPanelIsCentredEachTimeItOpens) {
    Start({});
    Window->CancelButtonClick();
    QFrame* panel = Window->HelpPanel;
    QAction* about = Item(Window->HelpMenu, "О программе");
    const auto expectCentred = [&] {
        EXPECT_EQ(panel->x(), (Window->ClientWidth() - panel->width()) / 2);
        EXPECT_EQ(panel->y(), (Window->ClientHeight() - panel->height()) / 2);
        EXPECT_TRUE(
            QRect(0, 0, Window->ClientWidth(), Window->ClientHeight()).contains(panel->geometry()));
        for (const QWidget* w : panel->findChildren<QWidget*>())
            EXPECT_TRUE(panel->rect().contains(QRect(w->mapTo(panel, QPoint()), w->size())))
                << w->objectName().toStdString();
    };
    about->trigger();
    EXPECT_TRUE(panel->isVisible());
    expectCentred();
    EXPECT_EQ(Window->AboutName->text().toStdString(), "Lemnar v. 2.54");
    EXPECT_TRUE(Window->CloseHelpButton->isVisible());

    panel->move(0, 0);
    Window->SetClientSize(801, 403);
    about->trigger();
    expectCentred();
    EXPECT_NE(panel->pos(), QPoint(0, 0));
    // The panel does not block the terminal.
    EXPECT_TRUE(Window->isEnabled());
    QTest::mouseClick(Window->CloseHelpButton, Qt::LeftButton);
    EXPECT_FALSE(panel->isVisible());
}

TEST_F(TMenusTest, HelpShowsTheShippedFileAndDisablesTheMainWindow) {
    const std::string shipped = std::string(LEMNAR_SOURCE_DIR) + "/resources/Lemnar.hlp";
    std::filesystem::copy_file(shipped, Dir / "Lemnar.hlp");
    Start({});
    ASSERT_EQ(Window->ShellState.HelpAvailable, 1);
    Item(Window->HelpMenu, "Справка")->trigger();
    THelpForm* help = Window->HelpForm;
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->windowTitle().toStdString(), "Справка");
    EXPECT_FALSE(Window->isEnabled());
    QFile file(QString::fromStdString(shipped));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString expected = QString::fromUtf8(file.readAll());
    EXPECT_EQ(help->Text(), expected);
    EXPECT_TRUE(help->Text().contains(QStringLiteral("Выход при отключении")));

    // Esc in the text closes the window; the terminal takes input again.
    QTest::keyClick(help->HelpText, Qt::Key_Escape);
    EXPECT_FALSE(help->isVisible());
    EXPECT_TRUE(Window->isEnabled());
}

// The help window takes the size of its text: every line whole, no line cut,
// as far as the screen allows.
TEST_F(TMenusTest, HelpWindowSizesItselfToItsText) {
    const std::string wide(90, 'x');
    WriteFile(Dir / "Lemnar.hlp", "short\n" + wide + "\nend\n");
    WriteFile(Dir / "long.hlp", std::string(400, '\n') + "last\n");
    Start({});
    const auto fitsWhole = [](THelpForm* help) {
        QCoreApplication::processEvents();
        EXPECT_EQ(help->HelpText->horizontalScrollBar()->maximum(), 0);
        EXPECT_EQ(help->HelpText->verticalScrollBar()->maximum(), 0);
    };
    Window->N2->trigger();
    THelpForm* help = Window->HelpForm;
    fitsWhole(help);
    EXPECT_LT(help->height(), 10 * help->HelpText->fontMetrics().lineSpacing());
    const QSize fitted = help->size();
    help->close();

    // Missing help: one line, and a window that is smaller again.
    std::filesystem::remove(Dir / "Lemnar.hlp");
    Window->ShellState.HelpAvailable = 0;
    Window->N2->trigger();
    fitsWhole(help);
    EXPECT_LT(help->height(), fitted.height());
    help->close();

    // A text longer than the screen: the window stays on it and scrolls.
    SetField(Window->ShellState.HelpPath, (Dir / "long.hlp").string());
    Window->ShellState.HelpAvailable = 1;
    Window->N2->trigger();
    QCoreApplication::processEvents();
    const QRect screen = help->screen()->availableGeometry();
    EXPECT_TRUE(screen.contains(help->frameGeometry()))
        << help->frameGeometry().height() << " in " << screen.height();
    EXPECT_GT(help->HelpText->verticalScrollBar()->maximum(), 0);
}

// The shipped help is stored as UTF-8 with LF line ends, and tells what the
// keys do: typed Cyrillic goes out in code page 866 in TTY mode too, and
// Print Screen saves only while connected.
TEST(ShippedHelp, EncodingAndWhatItSaysOfTheKeys) {
    QFile file(QStringLiteral(LEMNAR_SOURCE_DIR "/resources/Lemnar.hlp"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    ASSERT_FALSE(utf8.hasError());
    EXPECT_FALSE(bytes.contains('\r'));
    // The text of a section, from its heading to the next one.
    const auto section = [&](const QString& heading) {
        const qsizetype from = text.indexOf(QStringLiteral("\n") + heading);
        const qsizetype to = text.indexOf(QRegularExpression(QStringLiteral("\n\\d+\\. ")),
                                          from + heading.size() + 1);
        return from < 0 ? QString() : text.mid(from, to < 0 ? -1 : to - from);
    };
    const QString tty = section(QStringLiteral("8. РЕЖИМ TTY"));
    EXPECT_TRUE(tty.contains(QStringLiteral("866"))) << tty.toStdString();
    const QString capture = section(QStringLiteral("9. СНИМОК ЭКРАНА"));
    EXPECT_TRUE(capture.contains(QStringLiteral("Во время соединения"))) << capture.toStdString();
    EXPECT_TRUE(capture.contains(QStringLiteral("Без соединения"))) << capture.toStdString();
}

TEST_F(TMenusTest, HelpInCodePage1251IsReadToo) {
    WriteFile(Dir / "Lemnar.hlp", "\xd1\xef\xf0\xe0\xe2\xea\xe0\r\nF1\r\n");
    Start({});
    Window->N2->trigger();
    EXPECT_EQ(Window->HelpForm->Text().toStdString(), "Справка\nF1\n");
    Window->HelpForm->close();
    EXPECT_TRUE(Window->isEnabled());
}

TEST_F(TMenusTest, MissingHelpFileGivesTheSameLineEveryTime) {
    Start({});
    const std::string line = "Не обнаружен файл помощи " + Dir.Path().string() + "/Lemnar.hlp";
    for (int i = 0; i < 2; ++i) {
        Window->N2->trigger();
        EXPECT_EQ(Window->HelpForm->Text().toStdString(), line);
        EXPECT_TRUE(Window->HelpForm->isVisible());
        EXPECT_FALSE(Window->isEnabled());
        Window->HelpForm->HelpText->setPlainText(QStringLiteral("typed"));
        QTest::keyClick(Window->HelpForm, Qt::Key_Escape);
        EXPECT_TRUE(Window->isEnabled());
    }
    EXPECT_EQ(FieldText(Window->ShellState.ProgramDir), Dir.Path().string() + "/");
}

// Another window taking the focus enables the terminal again; the help stays.
TEST_F(TMenusTest, DeactivatedHelpEnablesTheMainWindow) {
    Start({});
    Window->N2->trigger();
    ASSERT_FALSE(Window->isEnabled());
    QEvent change(QEvent::ActivationChange);
    QCoreApplication::sendEvent(Window->HelpForm, &change);
    EXPECT_TRUE(Window->isEnabled());
    EXPECT_TRUE(Window->HelpForm->isVisible());
}

// An installed program shows the help file of the data directory; without
// one anywhere the line still names the place beside the program.
TEST_F(TMenusTest, HelpFromTheDataDirectoryOfAnInstalledProgram) {
    const std::filesystem::path bin = Dir / "usr" / "bin";
    std::filesystem::create_directories(bin);
    Start({}, bin);
    Window->N2->trigger();
    EXPECT_EQ(Window->HelpForm->Text().toStdString(),
              "Не обнаружен файл помощи " + (bin / "Lemnar.hlp").string());
    Window->HelpForm->close();
    Window.reset();

    const std::string data = DataDir(bin.string() + "/");
    std::filesystem::create_directories(data);
    WriteFile(data + "Lemnar.hlp", "installed help\n");
    Start({}, bin);
    ASSERT_EQ(Window->ShellState.HelpAvailable, 1);
    Window->N2->trigger();
    EXPECT_EQ(Window->HelpForm->Text().toStdString(), "installed help\n");
}

TEST_F(TMenusTest, HelpGivenOnTheCommandLine) {
    WriteFile(Dir / "my.hlp", "own help\n");
    Start({"?", (Dir / "my.hlp").string()});
    EXPECT_EQ(Window->ShellState.HelpAvailable, 1);
    Window->N2->trigger();
    EXPECT_EQ(Window->HelpForm->Text().toStdString(), "own help\n");
}

} // namespace
} // namespace lemnar::test
