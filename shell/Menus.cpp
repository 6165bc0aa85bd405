// The menu bar, the host prompt and about panels, and the help window's
// commands.

#include "shell/HelpForm.h"
#include "shell/MainWindow.h"

#include "platform/AppIcon.h"
#include "platform/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPushButton>

namespace lemnar {

namespace {

QAction* AddItem(QMenu* menu, const char* text, const char* hint) {
    QAction* action = menu->addAction(QString::fromUtf8(text));
    if (hint != nullptr) {
        action->setStatusTip(QString::fromUtf8(hint));
        action->setToolTip(QString::fromUtf8(hint));
    }
    return action;
}

// The window's fixed-pitch face at the panels' text size.
QFont FixedFont(const TFontSpec& windowFont) {
    const QString face = QString::fromStdString(windowFont.Face);
    QFont font(QFontDatabase::families().contains(face, Qt::CaseInsensitive)
                   ? face
                   : QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(12);
    return font;
}

// The panels stand on the terminal's black area but keep the ordinary
// control colours, which they would otherwise inherit as black.
void GiveControlColours(QWidget* panel) {
    const QPalette standard = QApplication::palette();
    QPalette palette = panel->palette();
    for (QPalette::ColorRole role :
         {QPalette::Window, QPalette::WindowText, QPalette::Button, QPalette::ButtonText,
          QPalette::Base, QPalette::Text, QPalette::Light, QPalette::Midlight, QPalette::Mid,
          QPalette::Dark, QPalette::Shadow})
        palette.setColor(role, standard.color(role));
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
}

QLabel* AddLabel(QWidget* parent, const QString& text, QRect geometry, const QString& style) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(style);
    return label;
}

} // namespace

void TMainWindow::CreateMenu() {
    // Texts carry no '&': the menu has no access keys, so Alt+letters reach
    // the key maps.
    ConnectMenu = menuBar()->addMenu(QStringLiteral("Сервер"));
    Conn = AddItem(ConnectMenu, "Подключить", "Подключиться к QNX-серверу");
    DisConn = AddItem(ConnectMenu, "Отключить", "Отключиться от QNX-сервера");
    DisConn->setEnabled(false);
    N3 = AddItem(ConnectMenu, "Выход при отключении", "Завершать ли работу при разрыве связи");
    N3->setCheckable(true);
    Quit = AddItem(ConnectMenu, "Выход", "Завершение работы программы");
    HelpMenu = menuBar()->addMenu(QStringLiteral("Помощь"));
    N2 = AddItem(HelpMenu, "Справка", nullptr);
    N1 = AddItem(HelpMenu, "О программе", nullptr);

    connect(Conn, &QAction::triggered, this, [this] { ConnClick(); });
    connect(DisConn, &QAction::triggered, this, [this] { DisConnClick(); });
    connect(N3, &QAction::triggered, this, [this] { N3Click(); });
    connect(Quit, &QAction::triggered, this, [this] { QuitClick(); });
    connect(N2, &QAction::triggered, this, [this] { N2Click(); });
    connect(N1, &QAction::triggered, this, [this] { N1Click(); });
}

void TMainWindow::CreateHostPrompt() {
    Panel = new QFrame(View);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->setFrameShape(QFrame::Panel);
    Panel->setFrameShadow(QFrame::Raised);
    Panel->setLineWidth(2);
    GiveControlColours(Panel);
    Panel->resize(201, 97);
    const QFont fixed = FixedFont(Font);

    HostLabel = AddLabel(Panel, QStringLiteral("Введите адрес сервера"), QRect(17, 8, 168, 17),
                         QStringLiteral("color: red;"));
    HostEdit = new QLineEdit(Panel);
    HostEdit->setGeometry(28, 32, 145, 24);
    HostEdit->setFont(fixed);
    HostEdit->setStyleSheet(QStringLiteral("color: black; background: white;"));
    CancelButton = new QPushButton(QStringLiteral("Отмена"), Panel);
    CancelButton->setGeometry(8, 64, 75, 25);
    HostButton = new QPushButton(QStringLiteral("Подключиться"), Panel);
    HostButton->setGeometry(87, 64, 106, 25);
    HostButton->setDefault(true);
    for (QPushButton* b : {CancelButton, HostButton}) {
        b->setFont(fixed);
        b->setStyleSheet(QStringLiteral("QPushButton { color: white; background: #404040; }"));
    }
    WaitText = new QLabel(Panel);
    WaitText->setObjectName(QStringLiteral("Label1"));
    WaitText->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    WaitText->hide();
    Panel->hide();

    connect(HostButton, &QPushButton::clicked, this, [this] { HostButtonClick(); });
    connect(CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
    // Enter and Esc reach the buttons through PromptKeyDown, wherever the
    // focus is.
}

void TMainWindow::CreateAboutPanel() {
    HelpPanel = new QFrame(View);
    HelpPanel->setObjectName(QStringLiteral("HelpPanel"));
    HelpPanel->setFrameShape(QFrame::Panel);
    HelpPanel->setFrameShadow(QFrame::Raised);
    HelpPanel->setLineWidth(2);
    GiveControlColours(HelpPanel);
    HelpPanel->resize(193, 193);

    auto* inner = new QFrame(HelpPanel);
    inner->setObjectName(QStringLiteral("Panel1"));
    inner->setFrameShape(QFrame::Box);
    inner->setGeometry(8, 8, 177, 145);
    auto* image = new QLabel(inner);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(AppIconPixmap(48));
    image->setAlignment(Qt::AlignCenter);
    image->setGeometry(2, 4, 173, 48);

    const QFont fixed = FixedFont(Font);
    const QString black = QStringLiteral("color: black;");
    AboutName = AddLabel(inner, QStringLiteral("Программа"), QRect(2, 60, 173, 20), black);
    QLabel* forText = AddLabel(inner, QStringLiteral("for"), QRect(2, 84, 173, 20), black);
    QLabel* windowsText = AddLabel(inner, QStringLiteral("Windows"), QRect(2, 108, 173, 20), black);
    for (QLabel* l : {AboutName, forText, windowsText})
        l->setFont(fixed);

    CloseHelpButton = new QPushButton(QStringLiteral("Закрыть"), HelpPanel);
    CloseHelpButton->setGeometry(59, 160, 75, 25);
    connect(CloseHelpButton, &QPushButton::clicked, this, [this] { CloseHelpButtonClick(); });
    HelpPanel->hide();
}

void TMainWindow::N1Click() {
    CenterInWindow(HelpPanel);
    HelpPanel->show();
    HelpPanel->raise();
}

void TMainWindow::CloseHelpButtonClick() {
    HelpPanel->hide();
}

void TMainWindow::N3Click() {
    ShellState.ExitOnDisconnect = N3->isChecked() ? 1 : 0;
}

void TMainWindow::N2Click() {
    if (HelpForm == nullptr)
        return;
    if (ShellState.HelpAvailable == 1) {
        if (!HelpForm->LoadFile(ShellState.HelpPath)) {
            ShowMessageBox(this, "Cannot open file \"" +
                                     std::string(FieldText(ShellState.HelpPath)) + "\".");
            return;
        }
    } else {
        HelpForm->SetText(
            QStringLiteral("Не обнаружен файл помощи ") +
            QString::fromStdString(std::string(FieldText(ShellState.ProgramDir)) + "Lemnar.hlp"));
    }
    HelpForm->show();
    HelpForm->raise();
    HelpForm->activateWindow();
    setEnabled(false);
}

} // namespace lemnar
