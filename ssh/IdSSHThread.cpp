#include "ssh/IdSSHThread.h"

#include "ssh/IdSSHAddress.h"
#include "ssh/IdSSHAuth.h"
#include "ssh/IdSSHClient.h"
#include "ssh/IdSSHKnownHosts.h"
#include "ssh/IdSSHSession.h"
#include "telnet/IdException.h"
#include "telnet/IdHostPort.h"

#include <algorithm>
#include <cctype>
#include <libssh/callbacks.h>
#include <poll.h>

namespace lemnar {

namespace {

// The terminal name as a telnet server makes TERM of it: in small letters.
std::string TerminalName(std::string name) {
    if (name.empty())
        name = "dumb";
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

} // namespace

TIdSSHThread::TIdSSHThread(TIdSSHClient& owner, TAttempt attempt)
    : Owner(owner), Attempt(std::move(attempt)) {}

TIdSSHThread::~TIdSSHThread() {
    Terminate();
    WaitFor();
}

void TIdSSHThread::Run() {
    Terminate();
    bool connected = false;
    try {
        const std::unique_ptr<TIdSSHSession> session = Open();
        if (!session || !Owner.QueueConnected())
            return;
        connected = true;
        Serve(*session);
    } catch (const TIdSSHStopped&) {
    } catch (const TIdSSHFailed& failed) {
        Owner.QueueConnectFailed(failed.Failure);
    } catch (const std::exception& e) {
        // A failed poll, or worse: the window thread still learns the end.
        if (connected)
            PeerClosed();
        else
            Owner.QueueConnectFailed({TIdConnectStep::Unreachable, e.what()});
    }
}

std::unique_ptr<TIdSSHSession> TIdSSHThread::Open() {
    TIdSSHAddress target;
    try {
        if (IsSSHAddress(Owner.AttemptHost)) {
            target = ParseSSHAddress(Owner.AttemptHost);
        } else {
            const TIdHostPort plain = ParseHostPort(Owner.AttemptHost, Owner.AttemptPort);
            target.Host = plain.Host;
            target.Port = plain.Port;
        }
        // The TCP connection is telnet's: its lookup, keep-alive and abandon.
        Owner.AttemptHost = HostPortText(target);
        if (!Owner.OpenConnection())
            return nullptr;
    } catch (const EIdSocketError& e) {
        // "Socket Error # N" and the system's text on a line of its own.
        const std::string text = e.what();
        const std::string why = text.substr(text.find('\n') + 1);
        FailAt(TIdConnectStep::Unreachable,
               target.Host.empty() ? why : "cannot reach " + target.Host + ": " + why);
    }
    const int fd = Owner.ReleaseSocket();
    auto session = std::make_unique<TIdSSHSession>(
        Owner, fd, target, SSHFilesFor(UserHomeDir(), target.Host, target.Port));
    session->SetCanAsk(Attempt.CanAsk);
    session->Handshake();
    TIdSSHHostKey key;
    VerifyHostKey(*session, key);
    LogIn(*session);
    // The PTY carries the size as it is now; a change from here on is sent.
    Owner.ResizeWanted = false;
    const int columns = Owner.Columns > 0 ? Owner.Columns.load() : 80;
    const int rows = Owner.Rows > 0 ? Owner.Rows.load() : 25;
    session->OpenShell(TerminalName(Owner.Terminal), columns, rows);
    return session;
}

void TIdSSHThread::LogIn(TIdSSHSession& session) {
    std::string user = session.Target.User.empty() ? Attempt.Login : session.Target.User;
    if (user.empty()) {
        TIdSSHQuestion question;
        question.Kind = TIdSSHQuestionKind::User;
        question.Text = session.Target.Host;
        std::optional<TIdSSHAnswer> answer = session.Ask(std::move(question));
        if (!answer)
            FailAt(TIdConnectStep::Authentication, "no user name to log in as");
        if (!answer->Yes || answer->Text.Empty())
            FailAt(TIdConnectStep::Abandoned, "the user name prompt was cancelled");
        user = std::string(answer->Text.View());
    }
    if (ssh_options_set(session.Handle(), SSH_OPTIONS_USER, user.c_str()) != 0)
        FailAt(TIdConnectStep::Authentication, "cannot log in as " + user + ": " + session.Error());
    Authenticate(session, user, Attempt.Password);
    Attempt.Password.Clear();
}

bool TIdSSHThread::Flush(TIdSSHSession& session) {
    for (;;) {
        // Bytes leave as the socket takes them: nothing more goes to libssh
        // while it still holds some.
        if (session.WritePending()) {
            if (ssh_blocking_flush(session.Handle(), 0) == SSH_ERROR)
                return false;
            if (session.WritePending())
                return true;
        }
        if (Written == Writing.size()) {
            Writing.clear();
            Written = 0;
            const bool more = Owner.Outgoing().Take(Writing, Reached);
            Owner.QueueReached(Reached);
            if (!more)
                return true;
            // A resize asked for before these bytes were queued goes before
            // them, as the window-size report does on telnet.
            if (!SendResize(session))
                return false;
        }
        const int sent = ssh_channel_write(session.Channel(), Writing.data() + Written,
                                           static_cast<std::uint32_t>(Writing.size() - Written));
        if (sent < 0)
            return false;
        // The server's window is full: its adjustment comes as input.
        if (sent == 0)
            return true;
        Written += static_cast<std::size_t>(sent);
    }
}

bool TIdSSHThread::SendResize(TIdSSHSession& session) {
    return !Owner.ResizeWanted.exchange(false) ||
           ssh_channel_change_pty_size(session.Channel(), std::max(Owner.Columns.load(), 1),
                                       std::max(Owner.Rows.load(), 1)) != SSH_ERROR;
}

bool TIdSSHThread::CanWrite(TIdSSHSession& session) {
    return !session.WritePending() && ssh_channel_window_size(session.Channel()) > 0 &&
           (Written < Writing.size() || !Owner.Outgoing().Empty());
}

void TIdSSHThread::PeerClosed() {
    Owner.MarkPeerGone();
    if (Owner.Queue({TIdReceiveQueue::TKind::Disconnected, {}, 0, 0, {}}))
        Owner.Queue({TIdReceiveQueue::TKind::Data, {}, 0, 1, {}});
}

int TIdSSHThread::OnData(ssh_session, ssh_channel, void* data, std::uint32_t length, int,
                         void* self) {
    auto& thread = *static_cast<TIdSSHThread*>(self);
    const std::size_t held = thread.Incoming.size() - thread.IncomingFrom;
    if (held >= IncomingLimit)
        return 0;
    const std::size_t taken = std::min<std::size_t>(length, IncomingLimit - held);
    thread.Incoming.append(static_cast<const char*>(data), taken);
    return static_cast<int>(taken);
}

bool TIdSSHThread::TakeIncoming(std::string& block, std::size_t size) {
    if (IncomingFrom == Incoming.size())
        return false;
    const std::size_t taken = std::min(size, Incoming.size() - IncomingFrom);
    block.assign(Incoming, IncomingFrom, taken);
    IncomingFrom += taken;
    if (IncomingFrom == Incoming.size()) {
        Incoming.clear();
        IncomingFrom = 0;
    }
    return true;
}

void TIdSSHThread::Serve(TIdSSHSession& session) {
    const ssh_channel channel = session.Channel();
    // Whatever call of libssh's reads the socket, the channel's data comes
    // here at once, in the order it came, so none is left behind in libssh
    // while the thread waits on the socket.
    Callbacks.userdata = this;
    Callbacks.channel_data_function = &TIdSSHThread::OnData;
    ssh_callbacks_init(&Callbacks);
    ssh_set_channel_callbacks(channel, &Callbacks);
    const auto size = static_cast<std::uint32_t>(std::max(Owner.RecvBufferSize, 1));
    std::string buffer(size, '\0');
    while (!Owner.StopWanted()) {
        if (!SendResize(session) || !Flush(session)) {
            PeerClosed();
            return;
        }
        const bool room = Owner.HasRoom();
        if (room) {
            TIdReceiveQueue::TItem item;
            // What libssh kept while Incoming was full comes after it.
            int read = 0;
            if (!TakeIncoming(item.Data, size)) {
                read = ssh_channel_read_nonblocking(channel, buffer.data(), size, 0);
                if (read == 0 || read == SSH_EOF) {
                    const int other = ssh_channel_read_nonblocking(channel, buffer.data(), size, 1);
                    if (other > 0 || other == SSH_ERROR)
                        read = other;
                }
                if (read > 0)
                    item.Data.assign(buffer.data(), static_cast<std::size_t>(read));
            }
            if (!item.Data.empty()) {
                item.Read = item.Data.size();
                if (!Owner.Queue(std::move(item)))
                    return;
                continue;
            }
            // The reads may have taken more in.
            if (IncomingFrom != Incoming.size())
                continue;
            if (read < 0 || ssh_channel_is_closed(channel) || ssh_channel_is_eof(channel)) {
                PeerClosed();
                return;
            }
        }
        // Reading may have let libssh write what it held: the writing goes on
        // before anything is waited for.
        if (CanWrite(session))
            continue;
        session.Wait(
            static_cast<short>((room ? POLLIN : 0) | (session.WritePending() ? POLLOUT : 0)));
    }
}

} // namespace lemnar
