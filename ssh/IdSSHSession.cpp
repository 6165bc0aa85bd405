#include "ssh/IdSSHSession.h"

#include "ssh/IdSSHClient.h"

#include <libssh/callbacks.h>

#include <poll.h>
#include <string_view>
#include <unistd.h>

namespace lemnar {

namespace {

// The modern algorithms first, as libssh orders them; after them what older
// servers offer alone: SHA-1 key exchanges and ssh-rsa (SHA-1) signatures.
constexpr const char* KeyExchanges =
    "curve25519-sha256,curve25519-sha256@libssh.org,ecdh-sha2-nistp256,ecdh-sha2-nistp384,"
    "ecdh-sha2-nistp521,diffie-hellman-group18-sha512,diffie-hellman-group16-sha512,"
    "diffie-hellman-group-exchange-sha256,diffie-hellman-group14-sha256,"
    "diffie-hellman-group14-sha1,diffie-hellman-group-exchange-sha1,diffie-hellman-group1-sha1";
constexpr const char* KeyTypes = "ssh-ed25519,ecdsa-sha2-nistp521,ecdsa-sha2-nistp384,"
                                 "ecdsa-sha2-nistp256,rsa-sha2-512,rsa-sha2-256,ssh-rsa";

constexpr std::string_view NegotiatedTag = "Negotiated ";

struct TLibrary {
    TLibrary() { ssh_init(); }
};

} // namespace

void FailAt(TIdConnectStep step, std::string detail) {
    throw TIdSSHFailed{{step, std::move(detail)}};
}

TIdSSHSession::TIdSSHSession(TIdSSHClient& owner, int fd, const TIdSSHAddress& target,
                             const TIdSSHFiles& files)
    : Target(target), Files(files), Client(owner) {
    static TLibrary library;
    // libssh logs per thread. Its messages go nowhere but here: never to
    // standard error. The one read is the key exchange's choice.
    ssh_set_log_callback(&TIdSSHSession::OnLog);
    ssh_set_log_userdata(this);
    ssh_set_log_level(SSH_LOG_INFO);
    Session = ssh_new();
    if (Session == nullptr) {
        ::close(fd);
        FailAt(TIdConnectStep::Unreachable, "cannot start an SSH session");
    }
    GivenFd = fd;
}

TIdSSHSession::~TIdSSHSession() {
    if (Session != nullptr) {
        // libssh closes the socket itself after an error on it; otherwise it
        // is still open here and is closed once libssh has let it go.
        const int fd = Started ? ssh_get_fd(Session) : GivenFd;
        if (ShellChannel != nullptr)
            ssh_channel_free(ShellChannel);
        ssh_disconnect(Session);
        ssh_free(Session);
        if (fd >= 0)
            ::close(fd);
    }
    ssh_set_log_userdata(nullptr);
}

void TIdSSHSession::OnLog(int, const char*, const char* text, void* self) {
    auto* session = static_cast<TIdSSHSession*>(self);
    if (session == nullptr || text == nullptr)
        return;
    // "ssh_kex_select_methods: Negotiated kex,hostkey,cipher,..."
    const std::string_view line(text);
    const std::size_t at = line.find(NegotiatedTag);
    if (at == std::string_view::npos)
        return;
    std::string_view methods = line.substr(at + NegotiatedTag.size());
    const std::size_t first = methods.find(',');
    if (first == std::string_view::npos)
        return;
    session->NegotiatedKex = std::string(methods.substr(0, first));
    methods = methods.substr(first + 1);
    session->NegotiatedHostKey = std::string(methods.substr(0, methods.find(',')));
}

std::string TIdSSHSession::Error() const {
    const char* text = Session != nullptr ? ssh_get_error(Session) : nullptr;
    return text != nullptr && *text != '\0' ? text : "unknown error";
}

bool TIdSSHSession::WritePending() const {
    return (ssh_get_poll_flags(Session) & SSH_WRITE_PENDING) != 0;
}

short TIdSSHSession::Events() const {
    return static_cast<short>(POLLIN | (WritePending() ? POLLOUT : 0));
}

void TIdSSHSession::Wait(short events) {
    if (!Client.WaitFor(Fd(), events))
        throw TIdSSHStopped();
}

void TIdSSHSession::AddInterruptible(int fd) {
    Client.AddInterruptible(fd);
}

void TIdSSHSession::PublishHostKey(const TIdSSHHostKey& key) {
    Client.SetHostKey(key);
}

void TIdSSHSession::CheckStopped() {
    if (Client.StopWanted())
        throw TIdSSHStopped();
}

std::optional<TIdSSHAnswer> TIdSSHSession::Ask(TIdSSHQuestion question) {
    if (!AskAllowed)
        return std::nullopt;
    std::optional<TIdSSHAnswer> answer = Client.Ask(std::move(question));
    if (!answer)
        throw TIdSSHStopped();
    return answer;
}

void TIdSSHSession::Configure() {
    const socket_t socket = GivenFd;
    const unsigned int port = static_cast<unsigned int>(Target.Port);
    const int no = 0;
    // The configuration files are not read: the socket is connected already,
    // and the algorithms are the program's own.
    const bool set =
        ssh_options_set(Session, SSH_OPTIONS_FD, &socket) == 0 &&
        ssh_options_set(Session, SSH_OPTIONS_PROCESS_CONFIG, &no) == 0 &&
        ssh_options_set(Session, SSH_OPTIONS_HOST, Target.Host.c_str()) == 0 &&
        ssh_options_set(Session, SSH_OPTIONS_PORT, &port) == 0 &&
        ssh_options_set(Session, SSH_OPTIONS_SSH_DIR, Files.SSHDir.c_str()) == 0 &&
        ssh_options_set(Session, SSH_OPTIONS_KNOWNHOSTS, Files.KnownHosts.c_str()) == 0 &&
        ssh_options_set(Session, SSH_OPTIONS_KEY_EXCHANGE, KeyExchanges) == 0 &&
        ssh_options_set(Session, SSH_OPTIONS_HOSTKEYS, KeyTypes) == 0 &&
        ssh_options_set(Session, SSH_OPTIONS_PUBLICKEY_ACCEPTED_TYPES, KeyTypes) == 0;
    if (!set)
        FailAt(TIdConnectStep::Unreachable, "cannot set up the SSH session: " + Error());
    ssh_set_blocking(Session, 0);
}

void TIdSSHSession::Handshake() {
    Configure();
    // From the first ssh_connect the socket is the session's: libssh closes
    // it itself after an error on it.
    Started = true;
    for (;;) {
        const int rc = ssh_connect(Session);
        if (rc == SSH_OK)
            return;
        if (rc != SSH_AGAIN)
            FailAt(TIdConnectStep::Unreachable, "SSH handshake failed: " + Error());
        Wait(Events());
    }
}

void TIdSSHSession::OpenShell(const std::string& terminal, int columns, int rows) {
    ShellChannel = ssh_channel_new(Session);
    if (ShellChannel == nullptr)
        FailAt(TIdConnectStep::Channel, "cannot make a channel: " + Error());
    if (Drive([&] { return ssh_channel_open_session(ShellChannel); }) != SSH_OK)
        FailAt(TIdConnectStep::Channel, "the server refused a session: " + Error());
    if (Drive([&] {
            return ssh_channel_request_pty_size(ShellChannel, terminal.c_str(), columns, rows);
        }) != SSH_OK)
        FailAt(TIdConnectStep::Channel, "the server refused a terminal: " + Error());
    if (Drive([&] { return ssh_channel_request_shell(ShellChannel); }) != SSH_OK)
        FailAt(TIdConnectStep::Channel, "the server refused a shell: " + Error());
}

} // namespace lemnar
