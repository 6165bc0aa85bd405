#pragma once
// The help window: a separate window that shows the plain-text help file and
// takes the size of its text. While it is shown the main window takes no
// input.

#include <QWidget>
#include <string>

class QPlainTextEdit;

namespace lemnar {

class THelpForm : public QWidget {
    Q_OBJECT
  public:
    explicit THelpForm(QWidget* mainWindow);

    // Replaces the text by the file's content: UTF-8, or code page 1251 when
    // the file is not valid UTF-8. false: the file cannot be read.
    bool LoadFile(const std::string& path);
    void SetText(const QString& text);
    QString Text() const;

    QPlainTextEdit* HelpText = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    // Sizes the window to its text.
    void FitToText();
    void EnableMainWindow();
    QWidget* MainWindow;
};

} // namespace lemnar
