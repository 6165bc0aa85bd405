#include "shell/SSHQuestions.h"

#include "shell/core/LogFile.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

namespace lemnar {

namespace {

TSSHDialogHook& Hook() {
    static TSSHDialogHook hook;
    return hook;
}

const QString Title = QStringLiteral("Lemnar");

std::string Joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string UnknownHostText(const TIdSSHHostKey& key, std::string_view host) {
    std::string text = "Сервер " + std::string(host) + " неизвестен: его ключа нет в файле " +
                       "known_hosts.\nОтпечаток ключа (" + key.KeyType + "):\n" + key.Fingerprint;
    if (!key.Legacy.empty())
        text += "\n\nСоединение использует устаревшие алгоритмы на SHA-1 (" + Joined(key.Legacy) +
                "): сервер не предлагает более надёжных.";
    return text + "\n\nДоверять этому серверу и запомнить его ключ?";
}

std::string PromptText(const TIdSSHQuestion& question, std::string_view host) {
    std::string text = "Вход на сервер " + std::string(host);
    if (!question.User.empty())
        text += " (пользователь " + question.User + ")";
    for (const std::string* line : {&question.Name, &question.Instruction}) {
        if (!line->empty())
            text += "\n" + *line;
    }
    return text + "\n" + question.Text;
}

// Wipes what was typed: text() shares the line's own characters until one
// of them is written, so they are overwritten in place before the line lets
// them go.
void WipeLine(QLineEdit& line) {
    const QString text = line.text();
    WipeBytes(const_cast<QChar*>(text.constData()),
              static_cast<std::size_t>(text.size()) * sizeof(QChar));
    line.clear();
}

// The line's text as UTF-8, and every copy of it wiped.
TIdSecret TakeLine(QLineEdit& line) {
    QByteArray utf8 = line.text().toUtf8();
    TIdSecret secret(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
    WipeBytes(utf8.data(), static_cast<std::size_t>(utf8.size()));
    WipeLine(line);
    return secret;
}

// A line to type, with "ОК" and "Отмена". What is typed is wiped when the
// dialog is answered or goes.
class TSSHLineDialog final : public QDialog {
  public:
    TSSHLineDialog(QWidget* parent, const TSSHDialog& dialog) : QDialog(parent) {
        setWindowTitle(Title);
        auto* layout = new QVBoxLayout(this);
        auto* label = new QLabel(QString::fromStdString(dialog.Text), this);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        layout->addWidget(label);
        Line = new QLineEdit(this);
        Line->setMinimumWidth(280);
        if (dialog.Kind == TSSHDialogKind::HiddenText) {
            Line->setEchoMode(QLineEdit::Password);
            Line->setInputMethodHints(Qt::ImhHiddenText | Qt::ImhSensitiveData |
                                      Qt::ImhNoPredictiveText);
        }
        layout->addWidget(Line);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ОК"));
        buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
        layout->addWidget(buttons);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        Line->setFocus();
    }
    ~TSSHLineDialog() override { WipeLine(*Line); }

    TIdSecret Take() { return TakeLine(*Line); }

  private:
    QLineEdit* Line = nullptr;
};

} // namespace

void SetSSHDialogHook(TSSHDialogHook hook) {
    Hook() = std::move(hook);
}

TSSHDialog SSHQuestionDialog(const TIdSSHQuestion& question, std::string_view host) {
    const std::string again = question.Retry > 0 ? "Пароль не подошёл.\n" : "";
    switch (question.Kind) {
    case TIdSSHQuestionKind::UnknownHost:
        return {TSSHDialogKind::YesNo, UnknownHostText(question.Key, host)};
    case TIdSSHQuestionKind::User:
        return {TSSHDialogKind::Text, "Имя пользователя на сервере " + std::string(host) + ":"};
    case TIdSSHQuestionKind::Passphrase:
        return {TSSHDialogKind::HiddenText, again + "Пароль к ключу " + question.Text +
                                                "\n(пустой пароль: войти без этого ключа):"};
    case TIdSSHQuestionKind::Password:
        return {TSSHDialogKind::HiddenText, again + "Пароль пользователя " + question.User +
                                                " на сервере " + std::string(host) + ":"};
    case TIdSSHQuestionKind::Prompt:
        return {question.Echo ? TSSHDialogKind::Text : TSSHDialogKind::HiddenText,
                (question.Retry > 0 ? "Ответ не принят.\n" : "") + PromptText(question, host)};
    }
    return {};
}

QDialog* OpenSSHDialog(QWidget* parent, const TSSHDialog& dialog,
                       std::function<void(TIdSSHAnswer answer)> done) {
    if (Hook()) {
        TSSHDialogAnswer answer = Hook()(dialog);
        done({answer.Ok, TIdSecret::Take(answer.Text)});
        return nullptr;
    }
    if (dialog.Kind == TSSHDialogKind::YesNo) {
        auto* box =
            new QMessageBox(QMessageBox::Question, Title, QString::fromStdString(dialog.Text),
                            QMessageBox::Yes | QMessageBox::No, parent);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setTextFormat(Qt::PlainText);
        box->button(QMessageBox::Yes)->setText(QStringLiteral("Да"));
        box->button(QMessageBox::No)->setText(QStringLiteral("Нет"));
        box->setDefaultButton(QMessageBox::No);
        QObject::connect(box, &QDialog::finished, box, [box, done = std::move(done)](int) {
            done({box->clickedButton() == box->button(QMessageBox::Yes), {}});
        });
        box->open();
        return box;
    }
    auto* line = new TSSHLineDialog(parent, dialog);
    line->setAttribute(Qt::WA_DeleteOnClose);
    QObject::connect(line, &QDialog::finished, line, [line, done = std::move(done)](int result) {
        TIdSecret text = line->Take();
        done({result == QDialog::Accepted, std::move(text)});
    });
    line->open();
    return line;
}

std::string SSHFailureText(const TIdConnectFailure& failure, std::string_view host,
                           const TIdSSHHostKey& key, bool quiet) {
    const std::string server(host);
    switch (failure.Step) {
    case TIdConnectStep::Unreachable:
        return ConnectFailedText(host);
    case TIdConnectStep::HostKey:
        if (!key.KnownFingerprints.empty())
            return "Ключ сервера " + server +
                   " не принят: он не совпадает с сохранённым.\nСохранённый ключ: " +
                   Joined(key.KnownFingerprints) + "\nКлюч сервера сейчас: " + key.KeyType + " " +
                   key.Fingerprint +
                   "\nВозможно, соединение перехвачено. Если ключ сервера заменён намеренно, "
                   "удалите старый ключ из файла known_hosts.";
        if (quiet)
            return "Ключ сервера " + server + " не принят: сервер неизвестен (ключ " + key.KeyType +
                   " " + key.Fingerprint + "), а подтвердить ключ некому.";
        return "Ключ сервера " + server +
               " не принят: не удалось проверить его или сохранить в файле known_hosts.";
    case TIdConnectStep::Authentication:
        return "Не удалось войти на сервер " + server + ": сервер не принял ни ключ, ни пароль.";
    case TIdConnectStep::Channel:
        return "Не удалось открыть сеанс на сервере " + server +
               ": сервер отказал в терминале или командной оболочке.";
    case TIdConnectStep::Abandoned:
        break;
    }
    return {};
}

} // namespace lemnar
