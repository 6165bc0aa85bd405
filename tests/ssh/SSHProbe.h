#pragma once
// Records an SSH connection's events on the test's window thread and answers
// its questions from a script: each question takes the next answer, given at
// once or, for a deferred one, when the test calls AnswerNow.

#include "ssh/IdSSHClient.h"
#include "telnet/IdConnection.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace lemnar::test {

// The terminal the tests start with: QNX on 80 x 25.
inline void UseQnxGrid(TIdSSHClient& client) {
    client.Terminal = "QNX";
    client.Rows = 25;
    client.Columns = 80;
}

// Connects and pumps the window thread's queue until the attempt has ended.
template <class TQueue, class TProbe>
bool ConnectEnds(TIdSSHClient& client, TQueue& queue, const TProbe& probe) {
    client.Connect();
    return queue.PumpUntil([&] { return probe.Ended(); }, std::chrono::seconds(20));
}

struct TScriptedAnswer {
    TScriptedAnswer(bool yes = true, std::string text = {}, bool deferred = false)
        : Yes(yes), Text(std::move(text)), Deferred(deferred) {}
    bool Yes;
    std::string Text;
    bool Deferred; // left open until AnswerNow
};

class TSSHProbe {
  public:
    explicit TSSHProbe(TIdSSHClient& client, bool answers = true) : Client(client) {
        client.OnConnected = [this](TIdConnection&) { Events.push_back("connected"); };
        client.OnDisconnected = [this](TIdConnection&) { Events.push_back("disconnected"); };
        client.OnConnectFailed = [this](TIdConnection&, const TIdConnectFailure& failure) {
            Events.push_back("failed");
            Failure = failure;
        };
        client.OnDataAvailable = [this](std::string block) {
            LargestBlock = std::max(LargestBlock, block.size());
            if (block.empty())
                Events.push_back("empty");
            Received += block;
        };
        if (answers)
            client.OnQuestion = [this](TIdSSHClient&, const TIdSSHQuestion& question) {
                Asked(question);
            };
    }

    bool Has(const std::string& event) const {
        return std::find(Events.begin(), Events.end(), event) != Events.end();
    }
    bool Ended() const { return Has("connected") || Has("failed"); }
    int Count(TIdSSHQuestionKind kind) const {
        return static_cast<int>(std::count_if(Questions.begin(), Questions.end(),
                                              [kind](const auto& q) { return q.Kind == kind; }));
    }
    void AnswerNow(bool yes, const std::string& text = {}) {
        Client.Answer({yes, TIdSecret(text)});
    }

    std::vector<std::string> Events;
    std::optional<TIdConnectFailure> Failure;
    std::vector<TIdSSHQuestion> Questions;
    std::deque<TScriptedAnswer> Answers;
    std::string Received;
    std::size_t LargestBlock = 0;

  private:
    void Asked(const TIdSSHQuestion& question) {
        Questions.push_back(question);
        if (Answers.empty()) {
            Client.Answer({});
            return;
        }
        const TScriptedAnswer answer = Answers.front();
        Answers.pop_front();
        if (!answer.Deferred)
            Client.Answer({answer.Yes, TIdSecret(answer.Text)});
    }

    TIdSSHClient& Client;
};

} // namespace lemnar::test
