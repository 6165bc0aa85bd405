#include "ssh/IdSSHAuth.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace lemnar {

namespace {

struct TKeyDeleter {
    void operator()(ssh_key key) const { ssh_key_free(key); }
};
using TKey = std::unique_ptr<std::remove_pointer_t<ssh_key>, TKeyDeleter>;

constexpr const char* DefaultKeyFiles[] = {"id_ed25519", "id_ecdsa", "id_rsa"};

// libssh asks through this for a key's passphrase; it is never answered here
// (the answer comes from a person, outside libssh's call), only noted.
int NotePassphraseWanted(const char*, char*, std::size_t, int, int, void* asked) {
    *static_cast<bool*>(asked) = true;
    return -1;
}

std::string MethodNames(int methods) {
    struct TName {
        int Method;
        const char* Name;
    };
    constexpr TName names[] = {{SSH_AUTH_METHOD_PUBLICKEY, "publickey"},
                               {SSH_AUTH_METHOD_INTERACTIVE, "keyboard-interactive"},
                               {SSH_AUTH_METHOD_PASSWORD, "password"},
                               {SSH_AUTH_METHOD_HOSTBASED, "hostbased"},
                               {SSH_AUTH_METHOD_GSSAPI_MIC, "gssapi-with-mic"}};
    std::string text;
    for (const TName& name : names) {
        if ((methods & name.Method) != 0)
            text += (text.empty() ? "" : ", ") + std::string(name.Name);
    }
    return text.empty() ? "none" : text;
}

class TAuthentication {
  public:
    TAuthentication(TIdSSHSession& session, const std::string& user, TIdSecret& script)
        : Session(session), Handle(session.Handle()), User(user), Script(script) {}

    void Run() {
        if (Done(Drive([&] { return ssh_userauth_none(Handle, nullptr); })))
            return;
        const int offered = Methods;
        if (Agent() || DefaultKeys() || KeyboardInteractive() || Password())
            return;
        FailAt(TIdConnectStep::Authentication, "no way of logging in as " + User +
                                                   " was accepted (the server offers " +
                                                   MethodNames(offered) + ")");
    }

  private:
    template <typename TCall> int Drive(TCall call) { return Session.Drive(call, SSH_AUTH_AGAIN); }

    // true: logged in. A partial success (more is wanted) or a refusal go
    // on with what the server now offers.
    bool Done(int rc) {
        if (rc == SSH_AUTH_SUCCESS)
            return true;
        if (rc == SSH_AUTH_ERROR)
            FailAt(TIdConnectStep::Authentication, "login failed: " + Session.Error());
        Methods = ssh_userauth_list(Handle, nullptr);
        return false;
    }

    // The script's password, once.
    bool TakeScript(TIdSecret& text) {
        if (ScriptUsed || Script.Empty())
            return false;
        ScriptUsed = true;
        text = std::move(Script);
        return true;
    }

    // A person's answer. false: nobody can be asked.
    bool AskFor(TIdSSHQuestion question, TIdSecret& text, const char* cancelled) {
        std::optional<TIdSSHAnswer> answer = Session.Ask(std::move(question));
        if (!answer)
            return false;
        if (!answer->Yes)
            FailAt(TIdConnectStep::Abandoned, cancelled);
        text = std::move(answer->Text);
        return true;
    }

    bool Agent() {
        if ((Methods & SSH_AUTH_METHOD_PUBLICKEY) == 0)
            return false;
        const char* path = std::getenv("SSH_AUTH_SOCK");
        sockaddr_un address{};
        if (path == nullptr || *path == '\0' || std::strlen(path) >= sizeof address.sun_path)
            return false;
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, path);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0)
            return false;
        // A local socket connects at once or not at all.
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
            ::close(fd);
            return false;
        }
        // libssh talks to the agent blocking on this socket: Disconnect
        // shuts it down to end such a wait.
        Session.AddInterruptible(fd);
        if (ssh_set_agent_socket(Handle, fd) != SSH_OK) {
            ::close(fd);
            return false;
        }
        const int rc = Drive([&] { return ssh_userauth_agent(Handle, nullptr); });
        Session.CheckStopped();
        return Done(rc);
    }

    bool DefaultKeys() {
        for (const char* name : DefaultKeyFiles) {
            if ((Methods & SSH_AUTH_METHOD_PUBLICKEY) == 0)
                return false;
            const std::string path = Session.Files.SSHDir + "/" + name;
            if (::access(path.c_str(), R_OK) == 0 && Key(path))
                return true;
        }
        return false;
    }

    bool Key(const std::string& path) {
        ssh_key loaded = nullptr;
        // The public half, where it is, tells whether the server would take
        // the key before any passphrase is asked for.
        if (ssh_pki_import_pubkey_file((path + ".pub").c_str(), &loaded) == SSH_OK) {
            TKey publicKey(loaded);
            const int rc =
                Drive([&] { return ssh_userauth_try_publickey(Handle, nullptr, loaded); });
            if (rc == SSH_AUTH_ERROR)
                Done(rc);
            if (rc != SSH_AUTH_SUCCESS)
                return false;
        }
        TKey privateKey = PrivateKey(path);
        if (!privateKey)
            return false;
        return Done(
            Drive([&] { return ssh_userauth_publickey(Handle, nullptr, privateKey.get()); }));
    }

    // Nothing: the key cannot be read, or its passphrase was not given.
    TKey PrivateKey(const std::string& path) {
        bool asked = false;
        ssh_key key = nullptr;
        if (ssh_pki_import_privkey_file(path.c_str(), nullptr, NotePassphraseWanted, &asked,
                                        &key) == SSH_OK)
            return TKey(key);
        if (!asked)
            return nullptr;
        for (int retry = 0; retry < MaxTries; ++retry) {
            TIdSSHQuestion question;
            question.Kind = TIdSSHQuestionKind::Passphrase;
            question.Text = path;
            question.Retry = retry;
            TIdSecret passphrase;
            if (!AskFor(std::move(question), passphrase, "the passphrase prompt was cancelled") ||
                passphrase.Empty())
                return nullptr;
            if (ssh_pki_import_privkey_file(path.c_str(), passphrase.CStr(), NotePassphraseWanted,
                                            &asked, &key) == SSH_OK)
                return TKey(key);
        }
        return nullptr;
    }

    bool KeyboardInteractive() {
        for (int refused = 0; refused < MaxTries;) {
            if ((Methods & SSH_AUTH_METHOD_INTERACTIVE) == 0)
                return false;
            int rc = Drive([&] { return ssh_userauth_kbdint(Handle, nullptr, nullptr); });
            while (rc == SSH_AUTH_INFO) {
                if (!AnswerPrompts(refused))
                    return false;
                rc = Drive([&] { return ssh_userauth_kbdint(Handle, nullptr, nullptr); });
            }
            if (Done(rc))
                return true;
            ++refused;
        }
        return false;
    }

    // false: a prompt nobody can answer.
    bool AnswerPrompts(int retry) {
        const int count = ssh_userauth_kbdint_getnprompts(Handle);
        for (int i = 0; i < count; ++i) {
            char echo = 0;
            const char* prompt =
                ssh_userauth_kbdint_getprompt(Handle, static_cast<unsigned int>(i), &echo);
            TIdSecret text;
            if (echo != 0 || !TakeScript(text)) {
                TIdSSHQuestion question;
                question.Kind = TIdSSHQuestionKind::Prompt;
                question.Text = prompt != nullptr ? prompt : "";
                question.User = User;
                question.Name = ssh_userauth_kbdint_getname(Handle);
                question.Instruction = ssh_userauth_kbdint_getinstruction(Handle);
                question.Echo = echo != 0;
                question.Retry = retry;
                if (!AskFor(std::move(question), text, "the login prompt was cancelled"))
                    return false;
            }
            // libssh keeps a copy until the reply is sent, and wipes it.
            if (ssh_userauth_kbdint_setanswer(Handle, static_cast<unsigned int>(i), text.CStr()) <
                0)
                FailAt(TIdConnectStep::Authentication, "login failed: " + Session.Error());
        }
        return true;
    }

    bool Password() {
        for (int refused = 0; refused < MaxTries;) {
            if ((Methods & SSH_AUTH_METHOD_PASSWORD) == 0)
                return false;
            TIdSecret password;
            if (!TakeScript(password)) {
                TIdSSHQuestion question;
                question.Kind = TIdSSHQuestionKind::Password;
                question.Text = User + "@" + Session.Target.Host + "'s password: ";
                question.User = User;
                question.Retry = refused;
                if (!AskFor(std::move(question), password, "the password prompt was cancelled"))
                    return false;
            }
            const int rc =
                Drive([&] { return ssh_userauth_password(Handle, nullptr, password.CStr()); });
            password.Clear();
            if (Done(rc))
                return true;
            ++refused;
        }
        return false;
    }

    TIdSSHSession& Session;
    ssh_session Handle;
    const std::string& User;
    TIdSecret& Script;
    bool ScriptUsed = false;
    int Methods = 0;
};

} // namespace

void Authenticate(TIdSSHSession& session, const std::string& user, TIdSecret& scriptPassword) {
    TAuthentication(session, user, scriptPassword).Run();
}

} // namespace lemnar
