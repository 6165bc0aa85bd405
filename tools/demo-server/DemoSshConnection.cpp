#include "DemoSshConnection.h"

#include <cstdio>
#include <cstring>

namespace lemnar::demo {

namespace {

using TClock = std::chrono::steady_clock;

bool IsDemoPassword(const char* text) {
    return text != nullptr && std::strcmp(text, TDemoSshHost::Password) == 0;
}

TDemoSshConnection& Self(void* self) {
    return *static_cast<TDemoSshConnection*>(self);
}

} // namespace

TDemoSshConnection::TDemoSshConnection(TDemoSshHost& host, int socket,
                                       const std::atomic<bool>& stop)
    : Host(host), Stop(stop), Session(host.Accept(socket)) {}

TDemoSshConnection::~TDemoSshConnection() {
    if (Channel != nullptr) {
        ssh_channel_free(Channel);
    }
    if (Session != nullptr) {
        ssh_disconnect(Session);
        ssh_free(Session);
    }
}

void TDemoSshConnection::Refused() {
    ++Failures;
    if (Failures >= MaxAuthFailures) {
        std::fprintf(stderr, "ssh: too many failed logins\n");
    }
}

int TDemoSshConnection::OnPassword(ssh_session, const char*, const char* password, void* self) {
    TDemoSshConnection& connection = Self(self);
    if ((connection.Host.Methods & SSH_AUTH_METHOD_PASSWORD) != 0 && IsDemoPassword(password)) {
        return SSH_AUTH_SUCCESS;
    }
    connection.Refused();
    return SSH_AUTH_DENIED;
}

// Keyboard-interactive has no callback of its own: its requests and answers
// come as messages. true (1): not handled, libssh refuses it.
int TDemoSshConnection::OnMessage(ssh_session session, ssh_message message, void* self) {
    TDemoSshConnection& connection = Self(self);
    if (ssh_message_type(message) != SSH_REQUEST_AUTH ||
        ssh_message_subtype(message) != SSH_AUTH_METHOD_INTERACTIVE ||
        (connection.Host.Methods & SSH_AUTH_METHOD_INTERACTIVE) == 0) {
        return 1;
    }
    if (ssh_message_auth_kbdint_is_response(message) == 0) {
        // One hidden prompt; the answer comes as the next message.
        const char* prompts[] = {"Password: "};
        char echo[] = {0};
        ssh_message_auth_interactive_request(message, "", "", 1, prompts, echo);
        return 0;
    }
    if (ssh_userauth_kbdint_getnanswers(session) == 1 &&
        IsDemoPassword(ssh_userauth_kbdint_getanswer(session, 0))) {
        ssh_message_auth_reply_success(message, 0);
        return 0;
    }
    connection.Refused();
    ssh_message_auth_set_methods(message, connection.Host.Methods);
    ssh_message_reply_default(message);
    return 0;
}

ssh_channel TDemoSshConnection::OnChannelOpen(ssh_session session, void* self) {
    TDemoSshConnection& connection = Self(self);
    if (connection.Channel != nullptr) {
        return nullptr;
    }
    connection.Channel = ssh_channel_new(session);
    if (connection.Channel != nullptr) {
        ssh_set_channel_callbacks(connection.Channel, &connection.ChannelCallbacks);
    }
    return connection.Channel;
}

int TDemoSshConnection::OnPty(ssh_session, ssh_channel, const char* term, int width, int height,
                              int, int, void* self) {
    TDemoSshConnection& connection = Self(self);
    connection.Terminal = term != nullptr ? term : "";
    connection.Cols = width;
    connection.Rows = height;
    return 0;
}

int TDemoSshConnection::OnShell(ssh_session, ssh_channel, void* self) {
    TDemoSshConnection& connection = Self(self);
    if (connection.ShellStarted) {
        return 1;
    }
    connection.ShellStarted = true;
    connection.Demo.StartPlain(connection.Terminal, connection.Rows, connection.Cols);
    return 0;
}

int TDemoSshConnection::OnData(ssh_session, ssh_channel, void* data, std::uint32_t length, int,
                               void* self) {
    TDemoSshConnection& connection = Self(self);
    // Typed before the shell: nobody reads it.
    connection.LastInput = std::chrono::steady_clock::now();
    if (connection.ShellStarted) {
        connection.Demo.Receive(std::string_view(static_cast<const char*>(data), length));
    }
    return static_cast<int>(length);
}

int TDemoSshConnection::OnWindowChange(ssh_session, ssh_channel, int width, int height, int, int,
                                       void* self) {
    TDemoSshConnection& connection = Self(self);
    connection.Cols = width;
    connection.Rows = height;
    connection.Demo.Resize(height, width);
    return 0;
}

void TDemoSshConnection::OnEnd(ssh_session, ssh_channel, void* self) {
    Self(self).Ended = true;
}

bool TDemoSshConnection::SendAll(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = ssh_channel_write(Channel, bytes.data() + sent,
                                        static_cast<std::uint32_t>(bytes.size() - sent));
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void TDemoSshConnection::Run() {
    if (Session == nullptr) {
        return;
    }
    ServerCallbacks.userdata = this;
    ServerCallbacks.auth_password_function = &TDemoSshConnection::OnPassword;
    ServerCallbacks.channel_open_request_session_function = &TDemoSshConnection::OnChannelOpen;
    ssh_callbacks_init(&ServerCallbacks);
    ChannelCallbacks.userdata = this;
    ChannelCallbacks.channel_pty_request_function = &TDemoSshConnection::OnPty;
    ChannelCallbacks.channel_shell_request_function = &TDemoSshConnection::OnShell;
    ChannelCallbacks.channel_data_function = &TDemoSshConnection::OnData;
    ChannelCallbacks.channel_pty_window_change_function = &TDemoSshConnection::OnWindowChange;
    ChannelCallbacks.channel_eof_function = &TDemoSshConnection::OnEnd;
    ChannelCallbacks.channel_close_function = &TDemoSshConnection::OnEnd;
    ssh_callbacks_init(&ChannelCallbacks);
    ssh_set_server_callbacks(Session, &ServerCallbacks);
    ssh_set_message_callback(Session, &TDemoSshConnection::OnMessage, this);
    ssh_set_auth_methods(Session, Host.Methods);

    long limit = static_cast<long>(HandshakeLimit.count());
    ssh_options_set(Session, SSH_OPTIONS_TIMEOUT, &limit);
    if (ssh_handle_key_exchange(Session) != SSH_OK) {
        std::fprintf(stderr, "ssh: key exchange failed: %s\n", ssh_get_error(Session));
        return;
    }
    ssh_event event = ssh_event_new();
    ssh_event_add_session(event, Session);
    LastInput = TClock::now();
    bool gone = false;
    while (!gone && !Ended && !Stop.load() && !Demo.Finished() && Failures < MaxAuthFailures &&
           TClock::now() - LastInput < IdleLimit) {
        if (ssh_event_dopoll(event, static_cast<int>(PollStep.count())) == SSH_ERROR) {
            break;
        }
        if (ShellStarted) {
            gone = !SendAll(Demo.TakeOutput());
        }
    }
    ssh_event_remove_session(event, Session);
    ssh_event_free(event);
    if (Demo.Finished() && !gone) {
        std::fprintf(stderr, "ssh session as %s %dx%d ended by the client's choice\n",
                     Demo.TerminalName().c_str(), Demo.Cols(), Demo.Rows());
        ssh_channel_send_eof(Channel);
        ssh_channel_close(Channel);
    }
}

} // namespace lemnar::demo
