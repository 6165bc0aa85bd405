#include "ssh/IdSSHClient.h"

#include "ssh/IdSSHThread.h"
#include "telnet/IdException.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lemnar {

TIdSSHClient::TIdSSHClient(TIdMainThreadQueue& queue) : TIdTCPClient(queue) {
    Port = 22;
}

TIdSSHClient::~TIdSSHClient() {
    Shut();
}

void TIdSSHClient::SendCh(std::uint8_t ch) {
    WriteBytes(std::string(1, static_cast<char>(ch)));
}

void TIdSSHClient::SendText(std::string_view bytes) {
    if (bytes.empty())
        return;
    if (!IsConnected())
        throw EIdConnClosedGracefully();
    Outgoing().PutText(std::string(bytes), false, TextWriteSize);
}

void TIdSSHClient::Handle_WS() {
    ResizeWanted = true;
    Wakeup().Signal();
}

std::unique_ptr<TIdThread> TIdSSHClient::MakeThread() {
    ResizeWanted = false;
    TIdSSHThread::TAttempt attempt;
    attempt.Login = Login;
    attempt.Password = ScriptPassword.Copy();
    attempt.CanAsk = !Quiet && static_cast<bool>(OnQuestion);
    return std::make_unique<TIdSSHThread>(*this, std::move(attempt));
}

void TIdSSHClient::DeliverOther(TIdReceiveQueue::TItem& item) {
    if (item.Kind != TIdReceiveQueue::TKind::Command)
        return;
    std::optional<TIdSSHQuestion> question;
    {
        std::lock_guard lock(Mutex);
        question = std::move(Question);
        Question.reset();
    }
    if (!question)
        return;
    Asked = true;
    // The handler may answer at once, or later; copied, as it may replace
    // itself while it runs.
    const TQuestionEvent handler = OnQuestion;
    if (handler)
        handler(*this, *question);
    else
        Answer({});
}

void TIdSSHClient::Answer(TIdSSHAnswer answer) {
    if (!Asked)
        return;
    Asked = false;
    {
        std::lock_guard lock(Mutex);
        Answered = std::move(answer);
    }
    Wakeup().Signal();
}

TIdSSHHostKey TIdSSHClient::HostKey() const {
    std::lock_guard lock(Mutex);
    return LastHostKey;
}

void TIdSSHClient::SetHostKey(const TIdSSHHostKey& key) {
    std::lock_guard lock(Mutex);
    LastHostKey = key;
}

std::optional<TIdSSHAnswer> TIdSSHClient::Ask(TIdSSHQuestion question) {
    {
        std::lock_guard lock(Mutex);
        Question = std::move(question);
        Answered.reset();
    }
    if (!Queue({TIdReceiveQueue::TKind::Command, {}, 0, 0, {}}))
        return std::nullopt;
    for (;;) {
        {
            std::lock_guard lock(Mutex);
            if (Answered) {
                std::optional<TIdSSHAnswer> answer = std::move(Answered);
                Answered.reset();
                return answer;
            }
        }
        if (!WaitFor(-1, 0))
            return std::nullopt;
    }
}

bool TIdSSHClient::WaitFor(int fd, short events) {
    pollfd fds[2] = {{Wakeup().Fd(), POLLIN, 0}, {events != 0 ? fd : -1, events, 0}};
    if (Calls->Poll(fds, 2, -1) < 0 && errno != EINTR && errno != EAGAIN)
        throw EIdSocketError::FromErrno(errno);
    if (fds[0].revents != 0)
        Wakeup().Clear();
    return !Stopping();
}

void TIdSSHClient::AddInterruptible(int fd) {
    const int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0)
        return;
    std::lock_guard lock(Mutex);
    Interruptible.push_back(copy);
    if (Interrupted)
        ::shutdown(copy, SHUT_RDWR);
}

void TIdSSHClient::Interrupt() {
    TIdTCPClient::Interrupt();
    std::lock_guard lock(Mutex);
    Interrupted = true;
    for (const int fd : Interruptible)
        ::shutdown(fd, SHUT_RDWR);
}

void TIdSSHClient::CloseTransport() {
    TIdTCPClient::CloseTransport();
    Asked = false;
    std::lock_guard lock(Mutex);
    for (const int fd : Interruptible)
        ::close(fd);
    Interruptible.clear();
    Interrupted = false;
    Question.reset();
    Answered.reset();
}

} // namespace lemnar
