#pragma once
// An SSH connection under the same interface as telnet: its own thread
// connects the TCP socket as TIdTCPClient does (keep-alive, abandon, the
// fault seam), then owns the libssh session and channel on that socket in
// non-blocking mode: the handshake, the host-key check, the login, a PTY and
// a shell, and then the stream. Received data reaches the window thread in
// blocks of at most RecvBufferSize bytes through the receive queue, as
// telnet's does; what is sent leaves from the send queue. Nothing is changed
// on the way either way: a CR goes as CR, 0xFF as 0xFF.
//
// Host is "ssh://[user@]host[:port]" (Port is the default, 22) or a plain
// "host[:port]". The user is the address's, else Login, else asked.
//
// Questions (an unknown host key, a user name, passphrases, passwords and
// prompts) reach the window thread as OnQuestion, in order with the other
// events; the connection waits until Answer is called, now or later, or the
// connection is abandoned. Without an OnQuestion handler, or in Quiet mode,
// nothing is asked: an unknown host key fails the attempt, and so does a
// login that needs more than ScriptPassword.
//
// Threads: as TIdConnection. OnQuestion runs on the window thread; Answer
// belongs to it.

#include "ssh/IdSSHQuestion.h"
#include "ssh/IdSecret.h"
#include "telnet/IdTCPClient.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lemnar {

class TIdSSHThread;

class TIdSSHClient : public TIdTCPClient {
  public:
    using TQuestionEvent =
        std::function<void(TIdSSHClient& sender, const TIdSSHQuestion& question)>;

    explicit TIdSSHClient(TIdMainThreadQueue& queue);
    ~TIdSSHClient() override;

    // The byte as it is: no telnet rules on SSH.
    void SendCh(std::uint8_t ch) override;
    // The bytes as they are, in writes of at most TextWriteSize.
    void SendText(std::string_view bytes) override;
    static constexpr std::size_t TextWriteSize = 512;
    // Sends a window change with Rows and Columns.
    void Handle_WS() override;

    // Answers the question OnQuestion raised last; nothing happens when none
    // is open (answered already, or the attempt is over).
    void Answer(TIdSSHAnswer answer);
    bool QuestionOpen() const { return Asked; }
    // The host key of the last attempt that got as far as the key; after a
    // HostKey failure it names the fingerprints for the warning.
    TIdSSHHostKey HostKey() const;

    // Read by Connect for the attempt it starts.
    std::string Login;        // the user when the address names none
    TIdSecret ScriptPassword; // answers the first password or keyboard-interactive prompt
    bool Quiet = false;       // nothing is asked
    TQuestionEvent OnQuestion;

  protected:
    std::unique_ptr<TIdThread> MakeThread() override;
    void Interrupt() override;
    void CloseTransport() override;
    // Command items carry the questions.
    void DeliverOther(TIdReceiveQueue::TItem& item) override;

  private:
    friend class TIdSSHThread;
    friend class TIdSSHSession;

    // The connection's thread. Asks the window thread and waits for the
    // answer; nothing: the attempt is being abandoned.
    std::optional<TIdSSHAnswer> Ask(TIdSSHQuestion question);
    // Waits until fd shows one of events (none: only the wakeup), or
    // something is queued or woken. false: the connection is stopping.
    bool WaitFor(int fd, short events);
    // A socket that Interrupt shuts down, so a call blocked on it (the
    // agent's) returns. The connection keeps a duplicate until it is closed.
    void AddInterruptible(int fd);
    void SetHostKey(const TIdSSHHostKey& key);
    bool StopWanted() const { return Stopping(); }

    std::atomic<bool> ResizeWanted{false};
    bool Asked = false; // window thread: OnQuestion ran, Answer not yet

    mutable std::mutex Mutex; // guards what follows
    std::optional<TIdSSHQuestion> Question;
    std::optional<TIdSSHAnswer> Answered;
    TIdSSHHostKey LastHostKey;
    std::vector<int> Interruptible;
    bool Interrupted = false;
};

} // namespace lemnar
